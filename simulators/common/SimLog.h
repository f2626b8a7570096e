#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>
#include <QSaveFile>
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

// The host's record a simulated library keeps across a restart, in the folder
// "Z3_SIM_ESTADO" names: the file for `nome` there (empty, and nothing kept,
// when the variable is not set), what it holds, and its writing, whole or not
// at all, since the program may be killed at any moment.
inline QString arquivoEstado(const char *nome)
{
    const QString pasta = qEnvironmentVariable("Z3_SIM_ESTADO");
    if (pasta.isEmpty())
        return QString();
    QDir().mkpath(pasta);
    return pasta + QLatin1Char('/') + QLatin1String(nome);
}

inline QJsonObject lerEstado(const QString &arquivo)
{
    QFile f(arquivo);
    return !arquivo.isEmpty() && f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object()
                                                             : QJsonObject();
}

inline void gravarEstado(const QString &arquivo, const QJsonObject &dados)
{
    if (arquivo.isEmpty())
        return;
    QSaveFile f(arquivo);
    if (f.open(QIODevice::WriteOnly) && f.write(QJsonDocument(dados).toJson()) > 0)
        f.commit();
}

} // namespace simlog
