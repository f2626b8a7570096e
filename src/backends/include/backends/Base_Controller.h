#pragma once

#include "backends/Janela.h"
#include "backends/PortaoOperador.h"
#include "base/Log.h"
#include "base/Pausas.h"
#include "nucleo/DialogoTef.h"

#include <QJsonObject>
#include <QMutex>
#include <QObject>
#include <QString>

// The base of every TEF backend: the library dialogue the transaction core
// (NucleoTransacao) runs on its thread. It speaks to the cashier through the
// window model (Janela), posting screen states from the core's thread, and
// takes the cashier's answers from it.
//
// A backend that must wait for the cashier uses the operator gate: call
// bloquearFluxo() BEFORE posting the screen that puts the buttons up, then
// aguardarResposta(), which returns what the cashier answered; the answer
// handlers (window's thread) only validate the click and hand the answer over
// with responder(). Closing the gate first means a quick click can never be lost.
class Base_Controller : public QObject, public DialogoTef
{
    Q_OBJECT

public:
    explicit Base_Controller(QObject *parent = nullptr);
    ~Base_Controller() override;

    // The window this backend speaks to; until the start-up hands it the
    // program's, one of its own that no screen shows (tests read it).
    void usarJanela(Janela *janela);
    Janela &janela() const { return *m_janela; }

    // The run waits for the cashier's answer and its screen is posted to the window (tests).
    virtual bool aguardandoOperador() { return fluxoEmEspera(); }

    // How long the screens stay and the library is paced.
    void usarPausas(const Pausas &pausas) { m_pausas = pausas; }

    // The window's side of the core's dialogue.
    void mostrarFalha(const QString &titulo, const QString &mensagem) override;
    void ocultarJanela() override;
    void avisarNaoResolvida(const QString &mensagem, const QString &nsu) override;
    void encerrarDialogo() override;

    // The cashier's answers, on the window's thread. A backend with nothing to
    // ask leaves them alone. `estado`: 1 typed text, 2 a list entry by its position.
    virtual void onClickButtonOK(QString valorOfTextField, int estado);
    virtual void onClickButtonVoltar() {}
    virtual void onClickButtonCancelar() {}

protected:
    // Operator gate (see the class comment). `opcoes`: how many list entries the
    // question offers, when a list position outside them is no answer. Returns
    // an answer given to a question the run did not wait on (PortaoOperador::fechar).
    RespostaOperador bloquearFluxo(int opcoes = PortaoOperador::qualquerOpcao);
    RespostaOperador aguardarResposta();
    // A question the run does not wait on: its answer once given (recolher), and its end.
    RespostaOperador recolherResposta();
    RespostaOperador retirarPergunta();
    bool responder(const RespostaOperador &resposta);
    bool opcaoOferecida(int indice);
    bool fluxoPausado();
    // The run itself waits for the answer: its screen is already posted to the window.
    bool fluxoEmEspera();
    // A wait whose answer does not matter, and a release that carries none.
    void aguardarFluxo();
    void liberarFluxo();
    // Ends the gate for good and waits for the core's run: before a backend
    // lets go of what its run uses.
    void encerrarExecucao();

    // How long a quitting program lets a waiting run close its transaction.
    static constexpr unsigned long prazoEncerramentoMs = 5000;

    // The working JSON object: the request, then each collection answer. Written
    // by the window's thread (setJsonConfigs) and by the run: behind m_dados.
    QJsonObject jsonConfigs;
    mutable QMutex m_dados;

    Log m_log;
    // Written at start-up, before any run.
    Pausas m_pausas;

private:
    void conectarJanela();

    PortaoOperador m_portao;
    Janela *m_janela;
    QMetaObject::Connection m_respostas[3];
};
