#include "app/RestartHandler.h"

#include "platform/Platform.h"

#include <QCoreApplication>

void RestartHandler::restartApplication()
{
    platform::startDetached(QCoreApplication::applicationFilePath());
    QCoreApplication::quit();
}
