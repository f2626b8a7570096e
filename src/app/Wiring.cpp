#include "app/Wiring.h"

#include "Reimpressao.h"
#include "Sobre.h"
#include "app/Atualizacao.h"
#include "app/MenuBandeja.h"
#include "app/TefAutonomo.h"
#include "backends/Janela.h"
#include "backends/Vantor_Controller.h"
#include "backends/Z3_Bridge_Controller.h"
#include "backends/Z3_Tef_Controller.h"
#include "base/ConfigTef.h"
#include "nucleo/DiarioTransacoes.h"
#include "nucleo/NucleoTransacao.h"
#include "nucleo/Ocupacao.h"
#include "receipts/Recibo.h"

#include <QAction>
#include <QObject>

#include <iterator>

namespace wiring {

namespace {

// The product table.
const Produto produtos[] = {
    {ProdutoTef::Vantor, "Vantor", [](bool) -> Base_Controller * { return new Vantor_Controller; },
     &ProtocoloSitef::vantorResultToResponse, true, &Vantor_Conversor::resumo},
    {ProdutoTef::Bridge, "Z3_Bridge", [](bool) -> Base_Controller * { return new Z3_Bridge_Controller; },
     &ProtocoloSitef::bridgeResultToResponse, false, &Z3_Bridge_Conversor::resumo},
    {ProdutoTef::Z3Tef, "Z3_Tef", [](bool display) -> Base_Controller * { return new Z3_Tef_Controller(display); },
     &ProtocoloSitef::tefResultToResponse, true, &Z3_Tef_Conversor::resumo},
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

Base_Controller *createBackend(int produtoTef, bool displayCliente)
{
    const Produto *p = produto(produtoTef);
    return p && p->criarBackend ? p->criarBackend(displayCliente) : nullptr;
}

NucleoTransacao *criarNucleo(DialogoTef &backend, int produtoTef, QObject *parent)
{
    return new NucleoTransacao(backend, produtoTef, DiarioTransacoes::arquivoAoLadoDe(ConfigTef::defaultFilePath()),
                               parent);
}

Historico *criarHistorico(int produtoTef)
{
    const Produto *p = produto(produtoTef);
    return new Historico(Historico::arquivoAoLadoDe(ConfigTef::defaultFilePath()), p ? p->resumirResultado : nullptr);
}

namespace {

// A run starts: nothing in the tray or the window may start another.
void aoIniciarExecucao(const Componentes &c, Janela *janela)
{
    if (c.bandeja)
        c.bandeja->habilitar(false);
    if (janela)
        janela->mostrarTela(Janela::Tela::Bloqueada);
}

// A run is over: the tray is back, and the window rests, unless the updater holds it.
void aoConcluirExecucao(const Componentes &c, Janela *janela)
{
    if (c.atualizacao && c.atualizacao->acaoSolicitada())
        return;
    if (c.bandeja)
        c.bandeja->habilitar(true);
    if (c.atualizacao && c.atualizacao->ofertaPendente()) {
        c.atualizacao->reapresentarOferta();
        return;
    }
    if (janela)
        janela->repousar();
}

// The cashier's menu, unless the updater's screen is up.
void mostrarMenu(const Componentes &c, Janela *janela)
{
    if (c.atualizacao && (c.atualizacao->acaoSolicitada() || c.atualizacao->ofertaPendente()))
        return;
    janela->mostrarMenuOperacoes();
}

void conectarBandeja(const Componentes &c, Janela *janela)
{
    MenuBandeja *m = c.bandeja;
    if (c.autonomo) {
        for (QAction *a : {m->actionVendaCartao(), m->actionPix(), m->actionAdm()}) {
            if (a)
                QObject::connect(a, &QAction::triggered, c.autonomo,
                                 [a, autonomo = c.autonomo] { autonomo->slotTefProcessAutonomo(a->text()); });
        }
    }
    if (c.atualizacao && m->actionAtualizacao()) {
        QObject::connect(m->actionAtualizacao(), &QAction::triggered, c.atualizacao,
                         [a = c.atualizacao] { a->verificar(); });
        QObject::connect(m->actionInstalarAtualizacao(), &QAction::triggered, c.atualizacao,
                         [a = c.atualizacao] { a->instalar(); });
    }
    if (janela && m->actionAbrir()) {
        QObject::connect(m->actionAbrir(), &QAction::triggered, janela, &Janela::mostrar);
        QObject::connect(m->actionConfiguracoes(), &QAction::triggered, janela, &Janela::abrirConfiguracoes);
        QObject::connect(m->actionSobre(), &QAction::triggered, janela,
                         [janela] { janela->mostrarSobre(sobre::texto()); });
    }
    if (c.reimpressao && m->actionReimprimir())
        QObject::connect(m->actionReimprimir(), &QAction::triggered, c.reimpressao,
                         [r = c.reimpressao] { r->reimprimir(); });
}

} // namespace

void conectar(const Componentes &c)
{
    if (c.backend && c.janela)
        c.backend->usarJanela(c.janela);
    Janela *janela = c.janela ? c.janela : c.backend ? &c.backend->janela() : nullptr;
    if (c.nucleo)
        c.nucleo->usarPausas(c.pausas);
    if (c.monitor)
        c.monitor->usarPausas(c.pausas);
    if (c.backend)
        c.backend->usarPausas(c.pausas);
    if (c.atualizacao)
        c.atualizacao->usarPausas(c.pausas);
    if (c.nucleo && janela) {
        QObject::connect(c.nucleo, &NucleoTransacao::iniciada, janela, [c, janela] { aoIniciarExecucao(c, janela); });
        QObject::connect(c.nucleo, &NucleoTransacao::concluida, janela, [c, janela] { aoConcluirExecucao(c, janela); });
    }
    if (janela) {
        // The close button: the window hides, unless an operation runs; an offer on screen is declined.
        QObject::connect(janela, &Janela::fechamentoPedido, janela, [c, janela] {
            const bool rodando = (c.nucleo && c.nucleo->emExecucao()) || (c.atualizacao && c.atualizacao->isRunning());
            if (rodando) {
                janela->avisarErro(QStringLiteral("Transação em processamento"));
                return;
            }
            if (c.atualizacao && c.atualizacao->ofertaPendente())
                c.atualizacao->recusar();
            janela->ocultar();
        });
        if (c.atualizacao) {
            QObject::connect(janela, &Janela::simEscolhido, c.atualizacao, [a = c.atualizacao] { a->instalar(); });
            QObject::connect(janela, &Janela::naoEscolhido, c.atualizacao, [a = c.atualizacao] { a->recusar(); });
        }
    }
    if (c.monitor) {
        const Produto *p = produto(c.monitor->produtoTef());
        c.monitor->setConversorResposta(p ? p->converterResposta : nullptr);
        if (c.ocupacao)
            c.monitor->usarOcupacao(c.ocupacao);
        if (janela) {
            QObject::connect(c.monitor, &MonitoraDiretorio::erroMonitoramento, janela, [janela](const QString &erro) {
                janela->mostrar();
                janela->avisarErro(erro);
            });
        }
    }
    if (c.monitor && c.nucleo) {
        QObject::connect(c.monitor, &MonitoraDiretorio::requisicaoRecebida, c.nucleo, &NucleoTransacao::submeter);
        QObject::connect(c.nucleo, &NucleoTransacao::resultado, c.monitor, &MonitoraDiretorio::processResponse);
        QObject::connect(c.nucleo, &NucleoTransacao::concluida, c.monitor, &MonitoraDiretorio::concluida);
        // Direct: the transaction thread waits for this word while the main thread gives it.
        QObject::connect(c.monitor, &MonitoraDiretorio::respostaGravada, c.nucleo, &NucleoTransacao::respostaGravada,
                         Qt::DirectConnection);
        c.nucleo->acompanharEntrega(true);
    }
    if (c.autonomo) {
        c.autonomo->usarOcupacao(c.ocupacao);
        if (c.monitor)
            QObject::connect(c.autonomo, &TefAutonomo::startProcessAutonomo, c.monitor, &MonitoraDiretorio::pausar);
    }
    if (c.autonomo && c.nucleo) {
        QObject::connect(c.autonomo, &TefAutonomo::enviarRequisicao, c.nucleo, &NucleoTransacao::submeter);
        QObject::connect(c.nucleo, &NucleoTransacao::resultado, c.autonomo, &TefAutonomo::slotResponseAutonomo);
        QObject::connect(c.nucleo, &NucleoTransacao::concluida, c.autonomo, &TefAutonomo::concluida);
    }
    if (c.autonomo && janela) {
        QObject::connect(janela, &Janela::operacaoEscolhida, c.autonomo, &TefAutonomo::slotTefProcessAutonomo);
        QObject::connect(janela, &Janela::menuPedido, janela, [c, janela] { mostrarMenu(c, janela); });
        QObject::connect(c.autonomo, &TefAutonomo::textUser, janela, &Janela::mostrarMensagem);
        QObject::connect(c.autonomo, &TefAutonomo::showError, janela, &Janela::avisarErro);
        QObject::connect(c.autonomo, &TefAutonomo::resetView, janela, [c, janela] { mostrarMenu(c, janela); });
        QObject::connect(c.autonomo, &TefAutonomo::minimized, janela, &Janela::minimizar);
    }
    if (c.nucleo && c.historico) {
        // Every end the core reports goes into the history; an approval's
        // receipts are kept for a reprint, and forgotten if it is undone.
        c.nucleo->observar([h = c.historico, r = c.reimpressao](const FimTransacao &fim) {
            using S = FimTransacao::Situacao;
            const S situacao = h->registrar(fim);
            if (!r)
                return;
            if (situacao == S::Desfeita)
                r->esquecer(fim.registro);
            else if ((situacao == S::Aprovada || situacao == S::Pendente) && !fim.resultado.isEmpty())
                r->guardar(Recibo::dadosDoResultado(fim.resultado), fim.registro);
        });
    }
    if (c.reimpressao) {
        c.reimpressao->usarOcupacao(c.ocupacao);
        if (janela) {
            QObject::connect(c.reimpressao, &Reimpressao::erro, janela, [janela](const QString &erro) {
                janela->mostrar();
                janela->avisarErro(erro);
            });
        }
    }
    if (c.bandeja)
        conectarBandeja(c, janela);
}

void prepararJanela(Janela &janela, const ConfigTef &config, bool dialogoOperador)
{
    const bool menu = config.tipoOperacao() == 1;
    janela.usarMenuOperacoes(menu);
    // A product without a cashier dialogue, or autonomous-only use, which starts from the menu.
    if (!dialogoOperador || menu)
        janela.mostrarTela(Janela::Tela::SemBotoes);
    janela.ocultar();
    Janela::Aparencia a;
    a.logo = config.caminhoLogo();
    a.corDestaque = config.corDestaque();
    a.corFonte = config.corFonte1();
    a.corFundo = config.corFundo();
    a.corFonteSecundaria = config.corFonte2();
    a.corSelecao = config.corSelecao();
    a.largura = config.larguraJanela();
    a.altura = config.alturaJanela();
    janela.aplicarAparencia(a);
}

} // namespace wiring
