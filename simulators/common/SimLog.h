#pragma once

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>
#include <QString>

// The call log of the simulated libraries. "Z3_SIM_LOG" is read again at every
// call, so a test may point it at a fresh file whenever it likes; every entry
// point appends one JSON line {"funcao": name, "argumentos": [...]}.
namespace simlog {

inline QJsonValue texto(const char *s)
{
    return s ? QJsonValue(QString::fromUtf8(s)) : QJsonValue(QJsonValue::Null);
}

// `desfecho` adds what the call decided (e.g. {"resultado": "confirmada"}) to the line.
inline void registrar(const char *funcao, const QJsonArray &argumentos, const QJsonObject &desfecho = {})
{
    static QMutex mutex;
    const QString caminho = qEnvironmentVariable("Z3_SIM_LOG");
    if (caminho.isEmpty())
        return;
    QJsonObject linha = desfecho;
    linha.insert(QStringLiteral("funcao"), QString::fromLatin1(funcao));
    linha.insert(QStringLiteral("argumentos"), argumentos);
    QMutexLocker locker(&mutex);
    QFile f(caminho);
    if (f.open(QIODevice::WriteOnly | QIODevice::Append))
        f.write(QJsonDocument(linha).toJson(QJsonDocument::Compact) + '\n');
}

// The scenario file named by "Z3_SIM_CENARIO", read again whenever asked;
// an empty object when it is not set or not a JSON object.
inline QJsonObject cenario()
{
    const QString caminho = qEnvironmentVariable("Z3_SIM_CENARIO");
    if (caminho.isEmpty())
        return {};
    QFile f(caminho);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object();
}

} // namespace simlog
