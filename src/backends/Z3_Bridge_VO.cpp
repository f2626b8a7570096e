#include "backends/Z3_Bridge_VO.h"

#include <QDate>
#include <QDateTime>

namespace {

// An integer, or nothing: the library's defaults depend on the difference.
bool inteiro(const QString &texto, int &valor)
{
    bool ok = false;
    const int v = texto.toInt(&ok);
    if (ok)
        valor = v;
    return ok;
}

// The POS sends the date as ddMMyyyy and the time as HHmmss; the library
// wants them written out, and gets the text unchanged when it is neither.
QString dataHoraDaRequisicao(const QString &data, const QString &hora)
{
    if (data.isEmpty())
        return QString();
    const QString juntos = data + hora;
    const QDateTime dataHora = QDateTime::fromString(juntos, QStringLiteral("ddMMyyyyHHmmss"));
    if (dataHora.isValid())
        return dataHora.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    const QDate somenteData = QDate::fromString(juntos, QStringLiteral("ddMMyyyy"));
    if (somenteData.isValid())
        return somenteData.toString(QStringLiteral("dd/MM/yyyy"));
    return juntos;
}

} // namespace

Z3_Bridge_VO Z3_Bridge_VO::fromRequest(const QJsonObject &request)
{
    const QJsonObject p = request.value(QStringLiteral("parametros")).toObject();
    const auto texto = [&p](const char *chave) {
        return p.value(QLatin1String(chave)).toString();
    };

    Z3_Bridge_VO vo;
    vo.operacao = request.value(QStringLiteral("header")).toString();
    if (!inteiro(texto("identificacao"), vo.idTransacao))
        vo.idTransacao = -1;
    vo.pdv = texto("numero_pdv");
    if (vo.pdv.isEmpty())
        vo.pdv = QStringLiteral("z3");
    vo.valorTotal = texto("valor").remove(QLatin1Char(','));
    if (!inteiro(texto("tipo_cartao"), vo.tipoCartao))
        vo.tipoCartao = 0;

    int tipoParcelamento = 0;
    int parcelas = 0;
    const bool temTipo = inteiro(texto("tipo_parcelamento"), tipoParcelamento);
    const bool temParcelas = inteiro(texto("quantidade_parcelas"), parcelas);
    if (!temTipo) {
        vo.tipoFinanciamento = temParcelas && parcelas == 1 ? 1 : 0;
        vo.numParcelas = 0;
    } else {
        vo.tipoFinanciamento = tipoParcelamento == 0 ? 3 : tipoParcelamento == 1 ? 2 : -1;
        vo.numParcelas = temParcelas ? parcelas : 0;
    }

    vo.nsu = texto("numero_transacao");
    vo.dataHora = dataHoraDaRequisicao(texto("data_transacao"), texto("hora_transacao"));
    return vo;
}
