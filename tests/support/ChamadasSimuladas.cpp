#include "ChamadasSimuladas.h"

#include "TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace testsupport {

QList<QJsonObject> chamadasSimuladas(const QString &arquivo)
{
    QList<QJsonObject> r;
    for (const QByteArray &linha : readAll(arquivo).split('\n'))
        if (!linha.isEmpty())
            r << QJsonDocument::fromJson(linha).object();
    return r;
}

QStringList funcoesSimuladas(const QString &arquivo)
{
    QStringList r;
    for (const QJsonObject &c : chamadasSimuladas(arquivo))
        r << c.value(QStringLiteral("funcao")).toString();
    return r;
}

QStringList sequenciaSimulada(const QString &arquivo)
{
    QStringList r;
    for (const QJsonObject &c : chamadasSimuladas(arquivo)) {
        QStringList args;
        for (const QJsonValue &v : c.value(QStringLiteral("argumentos")).toArray()) {
            if (v.isString()) {
                const QByteArray json = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
                args << QString::fromUtf8(json.mid(1, json.size() - 2));
            } else {
                args << QString::number(v.toInt());
            }
        }
        r << c.value(QStringLiteral("funcao")).toString() + QLatin1Char('(') + args.join(QStringLiteral(", ")) +
                 QLatin1Char(')');
    }
    return r;
}

} // namespace testsupport
