#include "base/Log.h"

#include "base/Platform.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMutex>

#include <atomic>
#include <cstdio>

namespace {

// Lines come from the GUI thread and from worker threads at once; one lock keeps
// each line whole in the files and keeps rotation from racing an append.
QMutex &fileMutex()
{
    static QMutex mutex;
    return mutex;
}

QString marcador(Log::Nivel nivel)
{
    switch (nivel) {
    case Log::Nivel::Debug:
        return QStringLiteral("{D} \t\t %1");
    case Log::Nivel::Info:
        return QStringLiteral("{I} \t\t %1");
    case Log::Nivel::Warning:
        return QStringLiteral("{W} \t %1");
    case Log::Nivel::Error:
        return QStringLiteral("{E} \t\t %1");
    }
    return QStringLiteral("%1");
}

// A log holds amounts, NSUs and masked card data: a new one is the user's alone.
void appendLine(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!platform::openOwnerOnly(file, QIODevice::WriteOnly | QIODevice::Append))
        return;
    file.write(bytes);
}

void rotateIfNeeded(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() || info.size() <= Log::tamanhoMaximo)
        return;
    // Beside the log: for a bare name that is the working folder.
    const QString backup = info.dir().filePath(Log::nomeBackup());
    QFile::remove(backup);
    QFile::rename(path, backup);
}

} // namespace

// The time-zone files are asked once a minute, not at every line (a stat of
// /etc/localtime each time), so a change of daylight saving time shows within a minute.
QDateTime Log::horaLocal()
{
    static std::atomic<qint64> proximaConsultaMs{0};
    static std::atomic<int> deslocamentoS{0};
    const qint64 agoraMs = QDateTime::currentMSecsSinceEpoch();
    if (agoraMs >= proximaConsultaMs.load(std::memory_order_relaxed)) {
        deslocamentoS = QDateTime::currentDateTime().offsetFromUtc();
        proximaConsultaMs = agoraMs + 60000;
    }
    return QDateTime::fromMSecsSinceEpoch(agoraMs + deslocamentoS * qint64(1000), Qt::UTC);
}

QString Log::formatarLinha(Nivel nivel, const QString &msg)
{
    // "dd/MM/yy hh:mm:ss:zzz" by hand: QDateTime::toString consults the system
    // locale on every call, which was the larger part of a line's cost.
    const QDateTime agora = horaLocal();
    const QDate d = agora.date();
    const QTime t = agora.time();
    char carimbo[32];
    std::snprintf(carimbo, sizeof carimbo, "{%02d/%02d/%02d %02d:%02d:%02d:%03d}", d.day(), d.month(), d.year() % 100,
                  t.hour(), t.minute(), t.second(), t.msec());
    return QLatin1String(carimbo) + QStringLiteral("{" Z3_APP_NAME "}") + marcador(nivel).arg(msg);
}

void Log::escrever(Nivel nivel, const QString &msg)
{
    const QString mainPath = qEnvironmentVariable("Z3_LOG");
    const QString dailyDir = qEnvironmentVariable("Z3_LOG_PATH");
    const QString linha = formatarLinha(nivel, msg);

    const QMessageLogger logger(nullptr, 0, nullptr, "default");
    switch (nivel) {
    case Nivel::Debug:
        logger.debug().noquote() << linha;
        break;
    case Nivel::Info:
        logger.info().noquote() << linha;
        break;
    case Nivel::Warning:
        logger.warning().noquote() << linha;
        break;
    case Nivel::Error:
        logger.critical().noquote() << linha;
        break;
    }

    const bool wantDaily = !dailyDir.isEmpty() && QFileInfo(dailyDir).isDir();
    if (mainPath.isEmpty() && !wantDaily)
        return;

    const QByteArray bytes = (linha + QLatin1Char('\n')).toUtf8();
    QMutexLocker lock(&fileMutex());
    if (!mainPath.isEmpty()) {
        rotateIfNeeded(mainPath);
        appendLine(mainPath, bytes);
    }
    if (wantDaily) {
        const QString daily = dailyDir + QLatin1Char('/') + QDate::currentDate().toString(QStringLiteral("ddMMyy")) +
                              QStringLiteral("_Z3-LOG.txt");
        appendLine(daily, bytes);
    }
}

QString Log::formatarTrace(QtMsgType tipo, const QString &origem, const QString &msg)
{
    QString severidade;
    switch (tipo) {
    case QtDebugMsg:
        severidade = QStringLiteral("Debug");
        break;
    case QtInfoMsg:
        severidade = QStringLiteral("Info");
        break;
    case QtWarningMsg:
        severidade = QStringLiteral("Warning");
        break;
    case QtCriticalMsg:
    case QtFatalMsg:
        severidade = QStringLiteral("Critical");
        break;
    }
    const QString agora = QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    return QStringLiteral("{%1|%2}\t{%3} %4").arg(agora, severidade, origem, msg);
}

void Log::trace(QtMsgType tipo, const QString &origem, const QString &msg)
{
    const QString linha = formatarTrace(tipo, origem, msg);
    const QMessageLogger logger(nullptr, 0, nullptr, "default");
    switch (tipo) {
    case QtDebugMsg:
        logger.debug().noquote() << linha;
        break;
    case QtInfoMsg:
        logger.info().noquote() << linha;
        break;
    case QtWarningMsg:
        logger.warning().noquote() << linha;
        break;
    case QtCriticalMsg:
    case QtFatalMsg:
        logger.critical().noquote() << linha;
        break;
    }
}
