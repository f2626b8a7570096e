#include "app/Wiring.h"

#include "tef/Z3_Bridge_Controller.h"
#include "tef/Z3_Tef_Controller.h"

#include <QObject>

#include <iterator>

namespace wiring {

namespace {

// The product table. Vantor has its response conversion already; its backend
// arrives with its own components.
const Produto produtos[] = {
    {ProdutoTef::Vantor, "Vantor", nullptr, &ProtocoloSitef::vantorResultToResponse, true},
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
    if (monitor && autonomo)
        QObject::connect(autonomo, SIGNAL(startProcessAutonomo()), monitor, SLOT(pausar()));
}

} // namespace wiring
