#include "platform/Platform.h"

#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QUrl>
#include <QWindow>

namespace platform {

QString libraryFileName(ClosedLibrary lib)
{
    switch (lib) {
    case ClosedLibrary::Z3Tef:
        return QStringLiteral("Z3_Tef01.so");
    case ClosedLibrary::Vitra:
        return QStringLiteral("Z3_Vitra01.so");
    case ClosedLibrary::Impressora:
        return QStringLiteral("Z3_Impressora01.so");
    case ClosedLibrary::Updater:
        return QStringLiteral("Z3_Updater.so");
    case ClosedLibrary::Bridge:
        return QStringLiteral("Z3_Bridge01.so");
    case ClosedLibrary::Vantor:
        return QStringLiteral("APITEFVarda.so");
    }
    return QString();
}

QString libraryPath(ClosedLibrary lib)
{
    const QString override = qEnvironmentVariable("Z3_LIB_DIR");
    if (!override.isEmpty())
        return override + QLatin1Char('/') + libraryFileName(lib);
    switch (lib) {
    case ClosedLibrary::Bridge:
        return libraryFileName(lib); // the system's library search
    case ClosedLibrary::Vantor:
        return QStringLiteral("/opt/APITEFVarda/BIN/") + libraryFileName(lib);
    default:
        return QStringLiteral("./") + libraryFileName(lib);
    }
}

QString defaultRequestFolder()
{
    return QDir::homePath() + QStringLiteral("/Cliente/Req");
}

QString defaultResponseFolder()
{
    return QDir::homePath() + QStringLiteral("/Cliente/Resp");
}

void setWindowOnTop(QWindow *window, bool onTop)
{
    if (!window)
        return;
    window->setFlag(Qt::WindowStaysOnTopHint, onTop);
    if (onTop) {
        window->raise();
        window->requestActivate();
    }
}

int startDetached(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (process.startDetached())
        return 0;
    // QProcess::ProcessError starts at 0 (FailedToStart); keep 0 for success.
    return static_cast<int>(process.error()) + 1;
}

bool openWithDesktop(const QString &filePath)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(filePath));
}

bool needsOffscreenFallback()
{
    return qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
           qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace platform
