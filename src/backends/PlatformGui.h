#pragma once

#include <QString>

class QWindow;

// The part of the operating-system seam that needs the window system.
namespace platform {

// Keeps the window above the others without moving it, or releases it.
void setWindowOnTop(QWindow *window, bool onTop);

} // namespace platform
