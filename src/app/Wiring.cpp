#include "app/Wiring.h"

#include "tef/Vantor_Controller.h"
#include "tef/Z3_Bridge_Controller.h"
#include "tef/Z3_Tef_Controller.h"

#include <QObject>

#include <iterator>

namespace wiring {

namespace {

// The product table.
const Produto produtos[] = {
    {ProdutoTef::Vantor, "Vantor", []() -> Base_Controller * { return new Vantor_Controller; },
     &ProtocoloSitef::vantorResultToResponse, true},
    {ProdutoTef::Bridge, "Z3_Bridge", []() -> Base_Controller * { return new Z3_Bridge_Controller; },
     &ProtocoloSitef::bridgeResultToResponse, false},
    {ProdutoTef::Z3Tef, "Z3_Tef", []() -> Base_Controller * { return new Z3_Tef_Controller; },
     &ProtocoloSitef::tefResultToResponse, true},
};
static_assert(std::size(produtos) == quantidadeProdutosTef, "one row per TEF product");

} // namespace

const Produto *produto(int numero)
{
    for (const Produto &p : produtos) {
        if (static_cast<int>(p.produto) == numero)
            return &p;
    }
    return nullptr;
}

Base_Controller *createBackend(int produtoTef)
{
    const Produto *p = produto(produtoTef);
    return p && p->criarBackend ? p->criarBackend() : nullptr;
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
    auto *controlador = qobject_cast<Base_Controller *>(backend);
    if (!monitor || !controlador)
        return;
    // Direct: the backend thread waits for this word while the main thread gives it.
    QObject::connect(monitor, &MonitoraDiretorio::respostaGravada, controlador, &Base_Controller::respostaGravada,
                     Qt::DirectConnection);
    controlador->acompanharEntrega(true);
}

void connectAtualizacao(MonitoraDiretorio *monitor, QObject *backend)
{
    auto *controlador = qobject_cast<Base_Controller *>(backend);
    if (monitor && controlador)
        QObject::connect(controlador, &Base_Controller::atualizacaoIniciada, monitor, &MonitoraDiretorio::pausar);
}

void connectMonitorAutonomo(MonitoraDiretorio *monitor, QObject *autonomo)
{
    if (!monitor || !autonomo)
        return;
    QObject::connect(autonomo, SIGNAL(startProcessAutonomo()), monitor, SLOT(pausar()));
    // The monitor stays paused through the confirmation run that may follow:
    // a POS request served in between would meet a backend about to be reused.
    QObject::connect(autonomo, SIGNAL(concluido()), monitor, SLOT(reiniciar()));
}

void connectAutonomo(QObject *backend, QObject *autonomo)
{
    if (!backend || !autonomo)
        return;
    QObject::connect(backend, SIGNAL(process(QString)), autonomo, SLOT(slotTefProcessAutonomo(QString)));
    QObject::connect(backend, SIGNAL(responseProcessTEF(QString)), autonomo, SLOT(slotResponseAutonomo(QString)));
    QObject::connect(autonomo, SIGNAL(startProcessAutonomo()), backend, SLOT(start()));
    QObject::connect(autonomo, SIGNAL(sendJson(QString)), backend, SLOT(setJsonConfigs(QString)));
    QObject::connect(autonomo, SIGNAL(textUser(QString)), backend, SLOT(slotTextChangedAutonomo(QString)));
    QObject::connect(autonomo, SIGNAL(showError(QString)), backend, SLOT(slotApresentaMsgError(QString)));
    QObject::connect(autonomo, SIGNAL(resetView()), backend, SLOT(initComponentAutonomo()));
    QObject::connect(backend, SIGNAL(finished()), autonomo, SLOT(finished()));
    QObject::connect(autonomo, SIGNAL(minimized()), backend, SLOT(minimizeInQml()));
}

} // namespace wiring
