#pragma once

#include "backends/Base_Controller.h"
#include "backends/Vantor_VO.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

class Vantor_Library;

// The backend of TEF product 0: the APITEFVarda library conducts the card
// dialogue one capture JSON per step; each step's screen is shown to the
// cashier and, when it asks for input, the run waits on the operator gate for
// the answer, writes it into the capture JSON and sends that in the next step.
// Only the run touches the dialogue's state; the button handlers validate a
// click and hand the answer over through the gate.
class Vantor_Controller : public Base_Controller
{
    Q_OBJECT

public:
    explicit Vantor_Controller(QObject *parent = nullptr);
    ~Vantor_Controller() override;

    // "resultado" of an operation the cashier ended on a screen of this program.
    static constexpr int statusEncerradoOperador = 65282;
    // "resultado" of an operation ended by a fault of the request or the library's reply.
    static constexpr int resultadoFalha = -1;

    // The library dialogue the transaction core runs.
    QString nomeBiblioteca() const override { return QStringLiteral("APITEFVarda"); }
    bool bibliotecaCarregada() const override;
    // The program ends: the library is told once, and its answer logged.
    void encerrarBiblioteca() override;
    void setJsonConfigs(const Requisicao &requisicao) override;
    Desfecho ProcessaTEF() override;
    void mostrarDesfecho(const Desfecho &desfecho) override;
    // The library keeps its last approved transaction pending: these settle it.
    bool confirmar(const SequencialInfo &pendente) override;
    bool desfazer(const SequencialInfo &pendente) override;
    void resolverSemRegistro(int acao) override;
    QJsonObject resultadoSemTransacao() const override;
    QJsonObject resultadoDeFalha(Falha falha, const QString &mensagem) const override;

    // The capture JSON the first step gets: the request's amount as digits, or
    // null for a configuration.
    static QJsonObject capturaInicial(int operacao, const QString &valor);
    // The screens this program shows itself, in the library's capture JSON.
    static QJsonObject telaMenu(const QStringList &itens);
    static QJsonObject telaValor(const QString &titulo);
    static QJsonObject telaEncerramento(const QString &texto, int status);

    void onClickButtonOK(QString valorOfTextField, int estado) override;
    void onClickButtonVoltar() override;
    void onClickButtonCancelar() override;

protected:
    // Shows one screen; closes the gate first when the screen asks for input.
    void trataRetorno(const QJsonValue &retorno);

private:
    int operacaoAtual();
    void definirOperacao(int operacao);
    bool confirmarOuDesfazer(bool confirmar);
    // The step loop; false when it stopped on a fault (already shown and kept as texto_operador).
    bool dialogo(int *status);
    void aplicarResposta(const RespostaOperador &resposta);
    void falhar(const QString &erro);
    // The outcome of the run: its result and, for an approval, what waits for the POS.
    Desfecho encerrar(bool janelaAberta, int resultado);

    std::unique_ptr<Vantor_Library> m_lib;

    // Made by setJsonConfigs (main thread, behind m_dados) and taken by the run.
    Vantor_VO m_vo;

    // The run's own state: the thread that steps the library is the only one to touch it.
    Vantor_VO m_resultado;
    QJsonObject m_requisicao;
    QString m_respostaCaptura;
    QString m_valorDigitado;
    QStringList m_itensLista;
    bool m_menuLocal = false;    // the list on screen is one of this program's menus
    bool m_telaLocal = false;    // the screen on show is this program's, not the library's
    bool m_podeAguardar = true;  // false for the last screen: nothing more is asked
    bool m_aguardar = false;     // the screen just shown waits for the cashier
    bool m_janelaAberta = false; // the run showed the window: its last screen stays a moment
    RespostaOperador m_tardia;   // a button pressed on the last screen while the library worked
    bool m_bibliotecaEncerrada = false;

    // Read by the OK button's handler: the screen on show has no field to fill.
    std::atomic<bool> m_telaSemCampo{false};
};
