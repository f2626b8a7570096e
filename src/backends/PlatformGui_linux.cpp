#include "PlatformGui.h"

#include <QDesktopServices>
#include <QUrl>
#include <QWindow>

namespace platform {

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

bool openWithDesktop(const QString &filePath)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(filePath));
}

} // namespace platform
