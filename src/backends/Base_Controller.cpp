#include "backends/Base_Controller.h"

#include "nucleo/NucleoTransacao.h"

#include <QCoreApplication>

#include <climits>

Base_Controller::Base_Controller(QObject *parent) : QObject(parent), m_janela(new Janela(this))
{
    m_log.info(QStringLiteral("[Base_Controller] Construído"));
    conectarJanela();

    // A program that quits while a run waits for the cashier: the question is
    // answered as cancelled, and the run gets a moment to close its transaction.
    if (auto *app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, [this] {
            m_portao.encerrar();
            if (NucleoTransacao *n = nucleo())
                n->encerrar(prazoEncerramentoMs);
        });
    }
}

Base_Controller::~Base_Controller()
{
    encerrarExecucao();
    m_log.info(QStringLiteral("[Base_Controller] Destruído"));
}

void Base_Controller::usarJanela(Janela *janela)
{
    if (!janela || janela == m_janela)
        return;
    for (const QMetaObject::Connection &c : m_respostas)
        disconnect(c);
    m_janela = janela;
    conectarJanela();
}

void Base_Controller::conectarJanela()
{
    // Virtual: each backend's own handlers, on the window's thread.
    m_respostas[0] = connect(m_janela, &Janela::confirmado, this,
                             [this](const QString &valor, int estado) { onClickButtonOK(valor, estado); });
    m_respostas[1] = connect(m_janela, &Janela::voltou, this, [this] { onClickButtonVoltar(); });
    m_respostas[2] = connect(m_janela, &Janela::cancelado, this, [this] { onClickButtonCancelar(); });
}

void Base_Controller::onClickButtonOK(QString valorOfTextField, int estado)
{
    Q_UNUSED(valorOfTextField)
    Q_UNUSED(estado)
}

// --- operator gate --------------------------------------------------------------

RespostaOperador Base_Controller::bloquearFluxo(int opcoes)
{
    return m_portao.fechar(opcoes);
}

RespostaOperador Base_Controller::recolherResposta()
{
    return m_portao.recolher();
}

RespostaOperador Base_Controller::retirarPergunta()
{
    return m_portao.retirar();
}

RespostaOperador Base_Controller::aguardarResposta()
{
    return m_portao.aguardar();
}

bool Base_Controller::responder(const RespostaOperador &resposta)
{
    return m_portao.responder(resposta);
}

bool Base_Controller::opcaoOferecida(int indice)
{
    return m_portao.opcaoOferecida(indice);
}

bool Base_Controller::fluxoPausado()
{
    return m_portao.aguardando();
}

bool Base_Controller::fluxoEmEspera()
{
    return m_portao.emEspera();
}

void Base_Controller::aguardarFluxo()
{
    m_portao.aguardar();
}

void Base_Controller::liberarFluxo()
{
    m_portao.responder(RespostaOperador());
}

void Base_Controller::encerrarExecucao()
{
    m_portao.encerrar();
    if (NucleoTransacao *n = nucleo())
        n->encerrar(ULONG_MAX);
}

// --- the core's screens -----------------------------------------------------------

void Base_Controller::mostrarFalha(const QString &titulo, const QString &mensagem)
{
    m_janela->mostrar();
    m_janela->mostrarTela(Janela::Tela::Limpa);
    m_janela->mostrarTitulo(titulo);
    m_janela->mostrarMensagem(mensagem);
    m_janela->avisarErro(mensagem);
}

void Base_Controller::ocultarJanela()
{
    m_janela->ocultar();
    m_janela->mostrarMensagem(QStringLiteral("TEF em processamento..."));
}

void Base_Controller::avisarNaoResolvida(const QString &mensagem, const QString &nsu)
{
    m_janela->mostrar();
    m_janela->avisarErro(mensagem);
    // The notice that a transaction was left for a person to settle.
    if (!nsu.isEmpty())
        m_janela->avisarPendencia(nsu);
}

void Base_Controller::encerrarDialogo()
{
    m_portao.encerrar();
}
