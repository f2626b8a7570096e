#pragma once

#include "backends/PortaoOperador.h"
#include "base/ConfigTef.h"
#include "base/Log.h"
#include "base/Pausas.h"
#include "nucleo/DialogoTef.h"
#include "nucleo/Ocupacao.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <memory>

class Atualizador;
class MenuBandeja;
class QAction;
class QMenu;
class QSystemTrayIcon;

// The object the operator window talks to ("controller" in QML) and, at the
// same time, the base class of every TEF backend: the library dialogue the
// transaction core (NucleoTransacao) runs on its thread. Its own thread runs
// the updater's actions. The signals below are the whole screen vocabulary of
// the window.
//
// A backend that must wait in its own thread for the cashier uses the operator
// gate: call bloquearFluxo() BEFORE emitting the signals that put the buttons on
// screen, then aguardarResposta(), which returns what the cashier answered; the
// button handlers (GUI thread) only validate the click and hand the answer over
// with responder(). Closing the gate first means a quick click can never be lost.
class Base_Controller : public QThread, public DialogoTef
{
    Q_OBJECT

public:
    explicit Base_Controller(QObject *parent = nullptr);
    ~Base_Controller() override;

    // The run waits for the cashier's answer and its screen is posted to the window (tests).
    virtual bool aguardandoOperador() { return fluxoEmEspera(); }

    // Who holds the TEF thread: an updater action takes it like a transaction.
    void usarOcupacao(Ocupacao *ocupacao) { m_ocupacao = ocupacao; }
    // How long the screens stay and the library is paced.
    void usarPausas(const Pausas &pausas) { m_pausas = pausas; }

    // The window's side of the core's dialogue.
    void mostrarFalha(const QString &titulo, const QString &mensagem) override;
    void ocultarJanela() override;
    void avisarNaoResolvida(const QString &mensagem, const QString &nsu) override;
    void encerrarDialogo() override;

    // Called once by the start-up after the window is loaded: pushes the
    // configured look and, for a product without a cashier dialogue (the product
    // table says which) or autonomous-only use, hides the dialogue.
    static void aplicaCustomizacao(Base_Controller *controller, bool dialogoOperador, const ConfigTef &config);

    // "01.23.04" and friends, as the updater and the about box use them.
    static QString versao();
    static QString nomeAplicacao();

    // The start-up's update check (GUI thread, before the event loop): a newer
    // version is either started at once, when the settings ask for it, or
    // announced in the tray.
    void verificarAtualizacaoInicial();
    // The balloon text of that announcement, for tests; empty when none was made.
    QString avisoAtualizacao() const;

    // An update on offer waits for SIM or NÃO; the exchange goes on meanwhile.
    bool ofertaPendente() const { return m_ofertaPendente; }

signals:
    void showMessageError(QString err);
    void showMessage(QString success);
    void textChanged(QString valor);
    void firstTextChanged(QString valor);
    void textfiledChanged(QString valor);
    void clearTextFieldInputMask();
    void setTextFieldInputMask(QString mask);
    void setTextFieldPasswordMode(bool isPassword);
    void showWindow(bool show);
    void showConfigs();
    void showAviso();
    void qmlAvisoSignal(bool check);
    void enviaNSU(QString nsu);
    void showUpdater(bool);
    void disableButtonOK(bool enable);
    void disableButtonVoltar(bool enable);
    void disableButtonCancelar(bool enable);
    void disableButtonUpdaterSim(bool enable);
    void disableButtonUpdaterNao(bool enable);
    void disableTextField(bool enable);
    void disableListView(bool enable);
    void disableProgressBar(bool enable);
    void addItemList(QString item);
    void clearItemsList();
    // The list entry the screen starts on.
    void selectItemList(int index);
    void responseProcessTEF(QString dados);
    void pathImageChanged(QString path);
    void firstColorChanged(QString color);
    void fontColorChanged(QString color);
    void backgroundColorChanged(QString color);
    void secondFontColorChanged(QString color);
    void selectionColorChanged(QString color);
    void textImageDataChanged(QString valor);
    void disableImage(bool enable);
    void process(QString operacao);
    void widthChanged(int value);
    void heightChanged(int value);
    void disableButtonAutonomoOk(bool enable);
    void disableButtonAutonomoCancelar(bool enable);
    void sendTypeOperation(int type);
    void formatValue(bool enable);
    void minimized();
    // An updater action took the TEF thread.
    void atualizacaoIniciada();
    // The program must end (or restart): the tray's "Sair", or the updater
    // after it started an installer or installed a new version. The one way
    // out (app/Encerramento) waits for any running operation.
    void encerramentoPedido(const QString &motivo, bool reiniciar);

public slots:
    QJsonObject getJsonConfigs();
    bool existeArquivo(QString caminho);
    bool validaHex(QString hex);
    QString formataValor(QString val);
    void exit();
    void slotReiniciar();
    void slotShowWindow();
    void slotShowConfigs();
    void slotShowAviso();
    void slotAutonomo();
    void slotUpdater();
    bool tefInProcess();
    void showEnviromentInfo();
    QString getColor();
    QString getFolder();
    QString getFile();
    void initComponentAutonomo();
    void disableComponentAutonomo();
    void slotTextChangedAutonomo(QString texto);
    void slotApresentaMsgError(QString error);
    void preProcessThread();
    void onFinishThread();
    void minimizeInQml();
    void handleSignalCheckbox(bool check);
    void recebeNSU(QString nsu);

public:
    Q_INVOKABLE virtual void onClickButtonOK(QString valorOfTextField, int estado) = 0;
    Q_INVOKABLE virtual void onClickButtonVoltar() = 0;
    Q_INVOKABLE virtual void onClickButtonCancelar() = 0;
    Q_INVOKABLE void onClickButtonUpdaterSim();
    Q_INVOKABLE void onClickButtonUpdaterNao();
    Q_INVOKABLE void configureWindowToFront(bool fix);
    Q_INVOKABLE void onClickButtonAutonomoOk(int indexList);
    Q_INVOKABLE bool isAutOnly();
    Q_INVOKABLE QString getSystemConfigs();
    Q_INVOKABLE bool setSystemConfigs(QString data);
    // Why a configuration from the popup must not be saved; empty when it may.
    Q_INVOKABLE QString motivoRecusaConfiguracao(QString data);
    Q_INVOKABLE QString getListPrinters();

    // The last state of the pending notice's check box and the NSU it was about.
    bool termoAceitoAtual() const { return termoAceito; }
    QString nsuPendenteAtual() const { return nsuPendente; }
    int modoAtualizacaoAtual() const { return modoAtualizacao; }

    // Tray menu, for the start-up's balloon and for tests; all null without a QApplication.
    QSystemTrayIcon *trayIcon() const;
    QMenu *menuAutonomo() const;
    QAction *actionAtualizacao() const;
    QAction *actionSobre() const;
    QAction *actionConfiguracoes() const;
    MenuBandeja *bandeja() const { return m_bandeja.get(); }

protected:
    // The updater's action; transactions run on the core's thread.
    void run() override;
    virtual void trataRetorno(const QJsonValue &retorno) = 0;

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
    // Ends the gate for good and waits for the runs (the core's and the
    // updater's): before a backend lets go of what its run uses.
    void encerrarExecucao();
    // A transaction or an updater action runs.
    bool emExecucao() const;

    // The screen states the dialogue goes through, each one set of button,
    // field and list signals emitted in one call.
    enum class Tela {
        AutonomoFechado,    // the autonomous menu's list and buttons off
        Bloqueada,          // a thread run starts: nothing to press
        Ociosa,             // waiting for the POS
        MenuAutonomo,       // the cashier picks an autonomous operation
        Sobre,              // the about text
        SemBotoes,          // no button, field or list
        Limpa,              // SemBotoes, and no image either
        Processando,        // a library call runs: only the busy indicator
        AguardandoResposta, // OK and CANCELAR on offer
        Final,              // the run hands its result on
    };
    void mostrarTela(Tela tela);

    // How long a quitting program lets a waiting run close its transaction.
    static constexpr unsigned long prazoEncerramentoMs = 5000;

    // The updater action chosen by modoAtualizacao; runs on this thread.
    void executaAtualizacao();
    // Starts an updater action (GUI thread); false, and nothing started, while
    // a transaction or another run holds the thread or the program is quitting.
    bool iniciarAtualizacao(int modo);
    // The updater's run ended: the TEF thread is free again unless an offer waits.
    void aoTerminarAtualizacao();
    // The offer back on screen after an operation that came in while it waited.
    void reapresentarOferta();

    // The cashier's answer, for the log: a list choice by its option, the
    // content of a password field hidden. Every backend's button handlers report here.
    void registrarResposta(const QString &valor, int estado);
    void registrarBotao(const QString &botao);

    // The working JSON object: the request, then each collection answer. Written
    // by the GUI thread (setJsonConfigs) and by the run: behind m_dados.
    QJsonObject jsonConfigs;
    mutable QMutex m_dados;

private:
    void atualizaMenuBandeja(bool habilitado);
    // Logs (info) what the window is told to show, in the thread that tells it,
    // so a sale can be followed from the log alone.
    void acompanharTela();

    PortaoOperador m_portao;

    // What acompanharTela keeps of the screen: the options on offer, whether the
    // field hides what is typed, the header last logged. Both threads write it.
    QMutex m_telaMutex;
    QStringList m_telaOpcoes;
    bool m_telaSenha = false;
    QString m_telaTitulo;

protected:
    Log m_log;
    // Written by the window's buttons and by the run's updater action.
    std::atomic<int> modoAtualizacao{0};
    // The next run of this thread is an updater action.
    std::atomic<bool> m_atualizacaoSolicitada{false};
    // A newer version waits for SIM or NÃO, without holding the TEF thread.
    std::atomic<bool> m_ofertaPendente{false};

private:
    std::unique_ptr<Atualizador> m_atualizador;
    // The last updater action left its report on screen: the end of the run keeps it.
    std::atomic<bool> m_manterTelaAtualizacao{false};
    // The installer was started: nothing else may start before the program quits.
    std::atomic<bool> m_encerrandoParaInstalacao{false};
    std::unique_ptr<MenuBandeja> m_bandeja;
    Ocupacao *m_ocupacao = nullptr;

protected:
    ConfigTef m_config;
    // Written at start-up, before any run.
    Pausas m_pausas;

private:
    bool termoAceito = false;
    QString nsuPendente;
};
