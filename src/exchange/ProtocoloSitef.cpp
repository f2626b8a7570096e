#include "exchange/ProtocoloSitef.h"

#include "RespostaSitef.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

// The object of a result text; false when the text is not a JSON document or the
// object is empty (an array counts as an empty object).
bool objetoDe(const QString &texto, QJsonObject *objeto)
{
    QJsonParseError erro;
    const QJsonDocument doc = QJsonDocument::fromJson(texto.toUtf8(), &erro);
    if (erro.error != QJsonParseError::NoError)
        return false;
    *objeto = doc.object();
    return !objeto->isEmpty();
}

} // namespace

ProtocoloSitef::ProtocoloSitef(QObject *parent) : QObject(parent) {}

QString ProtocoloSitef::requestToJson(const QString &request)
{
    return m_requisicao.paraJson(request);
}

QStringList ProtocoloSitef::receiptLines(const QString &blockSpec, const QJsonArray &lines)
{
    RespostaSitef bloco;
    bloco.adicionarBloco(blockSpec, lines, m_config.comprovante().aspasComprovante != 0);
    return bloco.linhas();
}

QString ProtocoloSitef::vantorResultToResponse(const QString &result)
{
    return m_vantor.converter(result);
}

QString ProtocoloSitef::bridgeResultToResponse(const QString &result)
{
    QJsonObject resultado;
    if (!objetoDe(result, &resultado))
        return QString();
    return m_bridge.converter(resultado, m_config.comprovante().aspasComprovante != 0);
}

QString ProtocoloSitef::tefResultToResponse(const QString &result)
{
    QJsonObject resultado;
    if (!objetoDe(result, &resultado))
        return QString();
    return m_tef.converter(resultado, m_config.comprovante());
}
