#include "app/Wiring.h"

#include "tef/Z3_Tef_Controller.h"

#include <QObject>

namespace wiring {

Base_Controller *createBackend(int produtoTef)
{
    switch (produtoTef) {
    case 0:
    case 1:
        return nullptr; // the backends arrive with their own components
    case 2:
        return new Z3_Tef_Controller;
    default:
        return nullptr;
    }
}

void connectBackend(QObject *backend)
{
    if (!backend)
        return;
    QObject::connect(backend, SIGNAL(finished()), backend, SLOT(onFinishThread()));
    QObject::connect(backend, SIGNAL(started()), backend, SLOT(preProcessThread()));
    QObject::connect(backend, SIGNAL(qmlAvisoSignal(bool)), backend, SLOT(handleSignalCheckbox(bool)));
    QObject::connect(backend, SIGNAL(enviaNSU(QString)), backend, SLOT(recebeNSU(QString)));
}

void connectEntrega(MonitoraDiretorio *monitor, QObject *backend)
{
    auto *z3 = qobject_cast<Z3_Tef_Controller *>(backend);
    if (!monitor || !z3)
        return;
    // Direct: the backend thread waits for this word while the main thread gives it.
    QObject::connect(monitor, &MonitoraDiretorio::respostaGravada, z3, &Z3_Tef_Controller::respostaGravada,
                     Qt::DirectConnection);
    z3->acompanharEntrega(true);
}

void connectMonitorAutonomo(MonitoraDiretorio *monitor, QObject *autonomo)
{
    if (monitor && autonomo)
        QObject::connect(autonomo, SIGNAL(startProcessAutonomo()), monitor, SLOT(pausar()));
}

void connectMonitor(MonitoraDiretorio *monitor, QObject *backend, QObject *autonomo)
{
    if (monitor && backend) {
        QObject::connect(monitor, SIGNAL(confJson(QString)), backend, SLOT(setJsonConfigs(QString)));
        QObject::connect(monitor, SIGNAL(startTefProcess()), backend, SLOT(start()));
        QObject::connect(backend, SIGNAL(responseProcessTEF(QString)), monitor, SLOT(processResponse(QString)));
        QObject::connect(backend, SIGNAL(finished()), monitor, SLOT(reiniciar()));
        QObject::connect(monitor, SIGNAL(erroMonitoramento(QString)), backend, SLOT(slotShowWindow()));
        QObject::connect(monitor, SIGNAL(erroMonitoramento(QString)), backend, SLOT(slotApresentaMsgError(QString)));
        connectEntrega(monitor, backend);
    }
    connectMonitorAutonomo(monitor, autonomo);
}

} // namespace wiring
