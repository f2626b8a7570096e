#pragma once

#include "tef/ControllerSequencial.h"
#include "tef/DiarioTransacoes.h"
#include "tef/Z3_Tef_VO.h"
#include "ui/Base_Controller.h"

#include <QByteArray>
#include <QJsonObject>
#include <QMutex>
#include <QStringList>
#include <QWaitCondition>

#include <atomic>
#include <memory>
#include <optional>

class Vitra_Controller;
class Z3_Tef_Library;

// The backend of TEF product 2: drives the Z3_Tef library on its own thread,
// conducts the collection dialogue with the cashier and keeps the approved
// transactions pending until the POS confirms or undoes them.
class Z3_Tef_Controller : public Base_Controller
{
    Q_OBJECT

public:
    explicit Z3_Tef_Controller(QObject *parent = nullptr);

    // How long the cashier sees why a request was refused before the POS gets its answer.
    static constexpr unsigned long tempoMensagemRecusaMs = 3000;
    ~Z3_Tef_Controller() override;

    QByteArray jsonIniciarOperacao() const;
    QByteArray jsonOperacao(bool novaTransacao);
    void setDadosColeta(const QJsonObject &resposta);
    static bool isColeta(const QJsonObject &resposta);
    static bool isRetornoSucesso(const QJsonObject &resposta);
    static bool isConfirmado(const QByteArray &texto);
    static QByteArray jsonNaoIniciada();
    static QString formatarValorColetado(const QString &valor);
    void limparColeta();
    void limparTela();

    QByteArray iniciarOperacaoTEF(bool skip);
    void finalizarOperacaoTEF(bool skip);

    // State, for the autonomous worker and the tests.
    bool isTefStarted() const { return m_isTefStarted; }
    bool bibliotecaCarregada() const;
    // A copy, safe from any thread: the list has its own lock.
    QList<SequencialInfo> pendentes() const { return m_sequenciais->listaSequenciais(); }
    bool aguardandoOperador() { return fluxoPausado(); }
    Z3_Tef_VO vo();
    const DiarioTransacoes &diario() const { return *m_diario; }

    // With the file exchange attached, an approved pending sale waits for its
    // response file to be written and is undone when it never is.
    void acompanharEntrega(bool acompanhar) override { m_acompanharEntrega = acompanhar; }
    // How long the run waits for that answer beyond the exchange's own retries.
    static constexpr int margemEntregaMs = 10000;

public slots:
    void setJsonConfigs(QString value) override;
    // The exchange's word on the response file of the result `dados`.
    void respostaGravada(const QString &dados, bool gravada) override;

public:
    Q_INVOKABLE void onClickButtonOK(QString valorOfTextField, int estado) override;
    Q_INVOKABLE void onClickButtonVoltar() override;
    Q_INVOKABLE void onClickButtonCancelar() override;

protected:
    void ProcessaTEF() override;
    void trataRetorno(const QJsonValue &resposta) override;

    void confirmarOuDesfazer(int indice, int acao);
    void perguntarPendenteAnterior();
    // The cashier's word on one entry: 1 yes, 0 keep it pending, -1 stop asking.
    int exibirPendencia(int indice, int total, int acao);
    void resolverPendentes(int acao);

private:
    // At start-up, before any request is served: what the journal says was
    // left half done by the last run is finished or restored.
    void recuperarPendentes();
    // Emits the result and, for an approved pending sale, sees it delivered.
    void entregarResultado(const QString &resultado);
    void desfazerNaoEntregue(const SequencialInfo &pendente);
    // A CNF or NCN whose fields name no pending entry nor journal record.
    void avisarConfirmacaoSemCorrespondente();
    // The screen while the library works on an answer: nothing to press.
    void mostrarProcessando();

    // The stages of a run, in order.
    // A refused request, ATV, or no library: answered here, true; the library is not called.
    bool atendidaSemTransacao(QJsonObject &resultado);
    // The TEF operation could not be opened: what the POS gets instead.
    QByteArray falhaAoAbrir(bool confirmacao, const QByteArray &respostaInicio);
    // A sale, cancellation, PIX, administrative operation or PIN pad capture from
    // the first library call to its last reply (returned in ultimaResposta);
    // true when the TEF operation stays open for the POS's confirmation.
    bool conduzirTransacao(QJsonObject &resultado, QByteArray &ultimaResposta);
    // The library calls of the collection dialogue; the last reply, parsed.
    QJsonObject coletar(QByteArray &ultimaResposta);
    void concluir(const QJsonObject &ultimaResposta, QJsonObject &resultado);
    // The typed NSU of an approved cancellation joins its reply; true when the
    // transaction waits, open, for the POS.
    bool fecharTransacao(QByteArray &ultimaResposta);
    // Closes the TEF operation unless it stays open, and hands the result on.
    void finalizar(QJsonObject &resultado, const QByteArray &ultimaResposta, bool skipFinal);

    // Emits the first line and calls the library for the current operation;
    // false when the operation is not one the library serves.
    bool despachar(bool novaTransacao, const QByteArray &dados, QByteArray &resposta);
    // The cashier's answer to a collection step, into the working JSON object.
    void aplicarResposta(const RespostaOperador &resposta);
    // Shows a yes/no question as a list and returns the cashier's answer.
    RespostaOperador perguntar(const QString &texto, const QStringList &opcoes);
    QString valorFormatado();
    // Answers a request the conversion refused ("msg_erro") without any library call.
    void recusarRequisicao(const QString &motivo, QJsonObject &resultado);
    // A value the POS already sent for this collection step, laid out as the step
    // asks for it; empty when the request carried none.
    QString valorDaRequisicao(const QString &palavraChave, const QJsonObject &tef, const QString &mascara);

    Z3_Tef_Library *m_lib;
    ControllerSequencial *m_sequenciais;
    std::unique_ptr<DiarioTransacoes> m_diario;
    int m_registroAtual = -1;                  // the journal record of the running transaction
    std::optional<SequencialInfo> m_emEntrega; // the approved pending sale of this run's result
    std::atomic<bool> m_acompanharEntrega{false};
    QMutex m_entregaMutex;
    QWaitCondition m_entregaCondicao;
    QString m_resultadoEmEntrega;
    int m_entrega = -1; // -1 waiting, 0 not written, 1 written
    Vitra_Controller *m_vitra;

    // Behind m_dados (with jsonConfigs): what setJsonConfigs (GUI thread) and
    // the run both write.
    Z3_Tef_VO m_vo;
    QString m_msgErro;

    // The collection state: the run's alone, the cashier's answers reach it
    // through the operator gate.
    QString m_mascaraColeta;
    QString m_palavraChave;
    QString m_nsuDigitado;
    QString m_tipoCartaoEscolhido;
    QStringList m_opcoes;

    std::atomic<bool> m_isTefStarted{false};
    bool m_pix = false;
    bool m_pinPad = false;
};
