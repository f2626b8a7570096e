#include "nucleo/Requisicao.h"

#include <QJsonDocument>

Requisicao Requisicao::doPdv(const QString &json, bool formatoJson)
{
    Requisicao r;
    r.json = json;
    r.formatoJson = formatoJson;
    return r;
}

Requisicao Requisicao::doOperador(const QString &json)
{
    Requisicao r;
    r.json = json;
    r.origem = Origem::Operador;
    return r;
}

QJsonObject Requisicao::objeto() const
{
    return QJsonDocument::fromJson(json.toUtf8()).object();
}

QString Requisicao::header() const
{
    return objeto().value(QLatin1String("header")).toString();
}

QString Requisicao::identificacao() const
{
    return objeto().value(QLatin1String("parametros")).toObject().value(QLatin1String("identificacao")).toString();
}

QString Requisicao::motivoRecusa() const
{
    QJsonParseError erro{};
    const QJsonDocument doc = QJsonDocument::fromJson(json.toUtf8(), &erro);
    if (erro.error != QJsonParseError::NoError)
        return QStringLiteral("Requisição JSON inválida: ") + erro.errorString();
    if (!doc.isObject())
        return QStringLiteral("Requisição JSON inválida: não é um objeto");
    return doc.object().value(QLatin1String("msg_erro")).toString();
}
