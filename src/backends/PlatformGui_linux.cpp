#include "PlatformGui.h"

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

} // namespace platform
