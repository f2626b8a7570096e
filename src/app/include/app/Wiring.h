#pragma once

#include "base/Pausas.h"
#include "base/ProdutoTef.h"
#include "exchange/MonitoraDiretorio.h"
#include "nucleo/Historico.h"

#include <QObject>

class Atualizacao;
class Base_Controller;
class ConfigTef;
class DialogoTef;
class Janela;
class MenuBandeja;
class NucleoTransacao;
class Ocupacao;
class Reimpressao;
class TefAutonomo;

// The one place where components are joined. main() and the integration tests
// call these, so the tests exercise the connections the program really makes.
namespace wiring {

// One row of the product table: everything that differs by TEF product.
struct Produto
{
    ProdutoTef produto;
    const char *nome;
    // Creates the product's backend, given whether the customer display is on;
    // null while this build has none for it.
    Base_Controller *(*criarBackend)(bool displayCliente);
    // Turns the backend's JSON result into the key-number response file.
    MonitoraDiretorio::ConversorResposta converterResposta;
    // Whether the cashier answers the library's questions in the window.
    bool dialogoOperador;
    // What the history of finished transactions reads of a result.
    Historico::Resumir resumirResultado;
};

// The row of a product number; null for a number that names no product.
const Produto *produto(int numero);

// Creates the backend controller for a TEF product; nullptr for a product whose
// backend this build does not have, or for an invalid product.
Base_Controller *createBackend(int produtoTef, bool displayCliente = false);

// The transaction core of a product's backend, its journal beside the
// settings. Not yet recovered: the caller runs recuperar() once everything
// it reports to is connected.
NucleoTransacao *criarNucleo(DialogoTef &backend, int produtoTef, QObject *parent = nullptr);

// The history of finished transactions beside the settings, read with the product's layout.
Historico *criarHistorico(int produtoTef);

// Everything that takes part in serving a request; any of them may be absent
// (no exchange in autonomous-only use, no window in the exchange's tests).
struct Componentes
{
    NucleoTransacao *nucleo = nullptr;
    Ocupacao *ocupacao = nullptr;
    Base_Controller *backend = nullptr;
    MonitoraDiretorio *monitor = nullptr;
    TefAutonomo *autonomo = nullptr;
    Pausas pausas; // handed to each of them
    Historico *historico = nullptr;
    Reimpressao *reimpressao = nullptr;
    // The window everyone speaks to; without one, the backend's own.
    Janela *janela = nullptr;
    MenuBandeja *bandeja = nullptr;
    Atualizacao *atualizacao = nullptr;
};

// Joins them: requests from the exchange and the cashier reach the core, its
// results go back to whoever asked, the window and the tray follow each run,
// the tray's entries do what they say, and who may start a run is decided by
// the busy state. Qt delivers a signal to its receivers in the order they
// were connected, which is the order here.
void conectar(const Componentes &c);

// The window as the settings and the product want it at start-up: its look,
// and, for a product without a cashier dialogue or autonomous-only use, no
// buttons until something asks.
void prepararJanela(Janela &janela, const ConfigTef &config, bool dialogoOperador);

} // namespace wiring
