#include "app/Wiring.h"

#include "Reimpressao.h"
#include "app/TefAutonomo.h"
#include "backends/MenuBandeja.h"
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
    {ProdutoTef::Vantor, "Vantor", []() -> Base_Controller * { return new Vantor_Controller; },
     &ProtocoloSitef::vantorResultToResponse, true, &Vantor_Conversor::resumo},
    {ProdutoTef::Bridge, "Z3_Bridge", []() -> Base_Controller * { return new Z3_Bridge_Controller; },
     &ProtocoloSitef::bridgeResultToResponse, false, &Z3_Bridge_Conversor::resumo},
    {ProdutoTef::Z3Tef, "Z3_Tef", []() -> Base_Controller * { return new Z3_Tef_Controller; },
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

Base_Controller *createBackend(int produtoTef)
{
    const Produto *p = produto(produtoTef);
    return p && p->criarBackend ? p->criarBackend() : nullptr;
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

void conectar(const Componentes &c)
{
    if (c.nucleo)
        c.nucleo->usarPausas(c.pausas);
    if (c.monitor)
        c.monitor->usarPausas(c.pausas);
    if (c.backend)
        c.backend->usarPausas(c.pausas);
    if (c.backend) {
        QObject::connect(c.backend, SIGNAL(qmlAvisoSignal(bool)), c.backend, SLOT(handleSignalCheckbox(bool)));
        QObject::connect(c.backend, SIGNAL(enviaNSU(QString)), c.backend, SLOT(recebeNSU(QString)));
        c.backend->usarOcupacao(c.ocupacao);
    }
    if (c.nucleo && c.backend) {
        QObject::connect(c.nucleo, &NucleoTransacao::iniciada, c.backend, &Base_Controller::preProcessThread);
        QObject::connect(c.nucleo, &NucleoTransacao::concluida, c.backend, &Base_Controller::onFinishThread);
    }
    if (c.monitor) {
        const Produto *p = produto(c.monitor->produtoTef());
        c.monitor->setConversorResposta(p ? p->converterResposta : nullptr);
        if (c.ocupacao)
            c.monitor->usarOcupacao(c.ocupacao);
        if (c.backend) {
            QObject::connect(c.monitor, SIGNAL(erroMonitoramento(QString)), c.backend, SLOT(slotShowWindow()));
            QObject::connect(c.monitor, SIGNAL(erroMonitoramento(QString)), c.backend,
                             SLOT(slotApresentaMsgError(QString)));
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
        MenuBandeja *menu = c.backend ? c.backend->bandeja() : nullptr;
        if (menu && menu->actionReimprimir())
            QObject::connect(menu->actionReimprimir(), &QAction::triggered, c.reimpressao,
                             [r = c.reimpressao] { r->reimprimir(); });
        if (c.backend) {
            QObject::connect(c.reimpressao, &Reimpressao::erro, c.backend, &Base_Controller::slotShowWindow);
            QObject::connect(c.reimpressao, &Reimpressao::erro, c.backend, &Base_Controller::slotApresentaMsgError);
        }
    }
    if (c.autonomo && c.backend) {
        QObject::connect(c.backend, SIGNAL(process(QString)), c.autonomo, SLOT(slotTefProcessAutonomo(QString)));
        QObject::connect(c.autonomo, SIGNAL(textUser(QString)), c.backend, SLOT(slotTextChangedAutonomo(QString)));
        QObject::connect(c.autonomo, SIGNAL(showError(QString)), c.backend, SLOT(slotApresentaMsgError(QString)));
        QObject::connect(c.autonomo, SIGNAL(resetView()), c.backend, SLOT(initComponentAutonomo()));
        QObject::connect(c.autonomo, SIGNAL(minimized()), c.backend, SLOT(minimizeInQml()));
    }
}

} // namespace wiring
