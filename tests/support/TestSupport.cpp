#include "TestSupport.h"

#include "nucleo/NucleoTransacao.h"

#include "base/ConfigTef.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QThread>

namespace testsupport {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

bool somenteDono(const QString &path)
{
    const auto outros = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                        QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    const QFileInfo info(path);
    return info.exists() && (info.permissions() & outros) == 0;
}

QByteArray dataFile(const QString &name)
{
    return readAll(QStringLiteral(Z3_TEST_DATA_DIR "/") + name);
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

bool waitForFile(const QString &path, int timeoutMs)
{
    return waitUntil([&path] { return QFileInfo::exists(path); }, timeoutMs);
}

QString configPath()
{
    return ConfigTef::defaultFilePath();
}

void writeConfig(const QJsonObject &overrides)
{
    QFile::remove(configPath());
    QJsonObject all = ConfigTef().configuracao();
    for (auto it = overrides.begin(); it != overrides.end(); ++it)
        all.insert(it.key(), it.value());
    writeAll(configPath(), QJsonDocument(all).toJson());
}

ConfigTef configIniciada()
{
    const ConfigTef config(configPath());
    config.prepararInicio();
    return config;
}

int runPosClient(const QStringList &arguments, int timeoutMs, QString *output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(Z3_BIN_DIR "/pos_client"), arguments);
    if (!process.waitForStarted(5000))
        return -1;
    // Never waitForFinished: whoever answers the client lives in this thread.
    if (!waitUntil([&process] { return process.state() == QProcess::NotRunning; }, timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return -2;
    }
    if (output)
        *output = QString::fromUtf8(process.readAll());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -3;
}

void stopProcess(QProcess *process)
{
    if (!process || process->state() == QProcess::NotRunning)
        return;
    process->terminate();
    if (!process->waitForFinished(30000))
        process->kill();
    process->waitForFinished(30000);
}

QList<QJsonObject> chamadasSimuladas(const QString &arquivo)
{
    QList<QJsonObject> r;
    for (const QByteArray &linha : readAll(arquivo).split('\n'))
        if (!linha.trimmed().isEmpty())
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
        for (const QJsonValue &v : c.value(QStringLiteral("argumentos")).toArray())
            args << (v.isString() ? '"' + v.toString() + '"' : QString::number(v.toInt()));
        r << c.value(QStringLiteral("funcao")).toString() + QLatin1Char('(') + args.join(QStringLiteral(", ")) +
                 QLatin1Char(')');
    }
    return r;
}

} // namespace testsupport

QJsonObject testsupport::executar(NucleoTransacao &nucleo, const Requisicao &requisicao,
                                  const std::function<void()> &aCadaVolta, int prazoMs)
{
    QJsonObject resultado;
    bool concluida = false;
    QObject contexto;
    QObject::connect(&nucleo, &NucleoTransacao::resultado, &contexto, [&](const Requisicao &, const QString &dados) {
        resultado = QJsonDocument::fromJson(dados.toUtf8()).object();
    });
    QObject::connect(&nucleo, &NucleoTransacao::concluida, &contexto, [&] { concluida = true; });
    nucleo.submeter(requisicao);
    waitUntil(
        [&] {
            if (aCadaVolta)
                aCadaVolta();
            return concluida;
        },
        prazoMs);
    return resultado;
}
