#include "RestartHandler.h"

#include "Encerramento.h"
#include "base/Platform.h"

#include <QCoreApplication>

void RestartHandler::restartApplication()
{
    if (m_encerramento) {
        m_encerramento->pedir(QStringLiteral("configurações salvas"), Encerramento::Depois::Reiniciar);
        return;
    }
    platform::startDetached(QCoreApplication::applicationFilePath(),
                            {QString::fromLatin1(Encerramento::opcaoReinicio)});
    QCoreApplication::quit();
}
