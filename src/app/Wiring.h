#pragma once

#include "app/ProdutoTef.h"
#include "exchange/MonitoraDiretorio.h"

#include <QObject>
#include <QThread>

#include <type_traits>

class Base_Controller;

// The one place where components are joined. main() and the integration tests
// call these, so the tests exercise the connections the program really makes.
namespace wiring {

// One row of the product table: everything that differs by TEF product.
struct Produto
{
    ProdutoTef produto;
    const char *nome;
    // Creates the product's backend; null while this build has none for it.
    Base_Controller *(*criarBackend)();
    // Turns the backend's JSON result into the key-number response file.
    MonitoraDiretorio::ConversorResposta converterResposta;
    // Whether the cashier answers the library's questions in the window.
    bool dialogoOperador;
};

// The row of a product number; null for a number that names no product.
const Produto *produto(int numero);

// Creates the backend controller for a TEF product; nullptr for a product whose
// backend this build does not have, or for an invalid product.
Base_Controller *createBackend(int produtoTef);

// The backend's connections to itself: finished/started, the notice check box, the NSU.
void connectBackend(QObject *backend);

// The autonomous worker pauses the monitor before the backend thread starts,
// and lets it go on once the cashier's operation and its confirmation are over.
void connectMonitorAutonomo(MonitoraDiretorio *monitor, QObject *autonomo);

// The cashier's own operations: the backend's operation names and results reach
// the autonomous worker, whose requests, messages and screen changes go back.
void connectAutonomo(QObject *backend, QObject *autonomo);

// The monitor's word on each response file reaches a backend that acts on it.
void connectEntrega(MonitoraDiretorio *monitor, QObject *backend);

// An updater action pauses the monitor before it takes the backend thread.
void connectAtualizacao(MonitoraDiretorio *monitor, QObject *backend);

// The file exchange: the monitor hands requests to the backend and starts it,
// takes its result and resumes when its thread ends; the autonomous worker
// pauses it. Any backend type with setJsonConfigs(QString) and
// responseProcessTEF(QString) fits; a null backend gets no connection.
template <class Backend>
void connectMonitor(MonitoraDiretorio *monitor, Backend *backend, QObject *autonomo)
{
    static_assert(std::is_base_of<QThread, Backend>::value, "the backend is a thread");
    if (monitor) {
        const Produto *p = produto(monitor->produtoTef());
        monitor->setConversorResposta(p ? p->converterResposta : nullptr);
    }
    if (monitor && backend) {
        QObject::connect(monitor, &MonitoraDiretorio::confJson, backend, &Backend::setJsonConfigs);
        QObject::connect(monitor, SIGNAL(startTefProcess()), backend, SLOT(start()));
        QObject::connect(backend, &Backend::responseProcessTEF, monitor, &MonitoraDiretorio::processResponse);
        QObject::connect(backend, SIGNAL(finished()), monitor, SLOT(reiniciar()));
        QObject::connect(monitor, SIGNAL(erroMonitoramento(QString)), backend, SLOT(slotShowWindow()));
        QObject::connect(monitor, SIGNAL(erroMonitoramento(QString)), backend, SLOT(slotApresentaMsgError(QString)));
        connectEntrega(monitor, backend);
        connectAtualizacao(monitor, backend);
    }
    connectMonitorAutonomo(monitor, autonomo);
}

} // namespace wiring
