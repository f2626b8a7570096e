#pragma once

#include "backends/Base_Controller.h"
#include "backends/Z3_Tef_VO.h"
#include "nucleo/DiarioTransacoes.h"
#include "nucleo/SequencialInfo.h"

#include <QByteArray>
#include <QJsonObject>
#include <QMutex>
#include <QStringList>

#include <atomic>

class Vitra_Controller;
class Z3_Tef_Library;

// The backend of TEF product 2: drives the Z3_Tef library on the core's
// thread, conducts the collection dialogue with the cashier, and keeps the TEF
// operation of an approved transaction open until the POS confirms or undoes it.
class Z3_Tef_Controller : public Base_Controller
{
    Q_OBJECT

public:
    // `displayCliente`: the customer display is switched on in the settings.
    explicit Z3_Tef_Controller(bool displayCliente = false, QObject *parent = nullptr);
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

    // State, for the tests.
    bool isTefStarted() const { return m_isTefStarted; }
    bool aguardandoOperador() override { return fluxoPausado(); }
    Z3_Tef_VO vo() const;

    // The library dialogue the transaction core runs.
    QString nomeBiblioteca() const override { return QStringLiteral("Z3_Tef"); }
    bool bibliotecaCarregada() const override;
    void setJsonConfigs(const Requisicao &requisicao) override;
    Desfecho ProcessaTEF() override;
    void mostrarDesfecho(const Desfecho &desfecho) override;
    bool confirmar(const SequencialInfo &pendente) override;
    bool desfazer(const SequencialInfo &pendente) override;
    QJsonObject resultadoSemTransacao() const override;
    QJsonObject resultadoDeFalha(Falha falha, const QString &mensagem) const override;
    std::optional<QJsonObject> iniciarResolucao(bool haPendentes) override;
    void encerrarResolucao() override;
    int perguntarPendencia(const SequencialInfo &pendente, int indice, int total, int acao) override;
    void recuperacaoConcluida(bool haPendentes) override;

    void onClickButtonOK(QString valorOfTextField, int estado) override;
    void onClickButtonVoltar() override;
    void onClickButtonCancelar() override;

protected:
    // One collection step of the library's reply on screen, and the gate closed when it asks something.
    void trataRetorno(const QJsonValue &resposta);

    // Settles one pending transaction in the library, in the open TEF operation.
    bool confirmarOuDesfazer(const SequencialInfo &pendente, int acao);
    void perguntarPendenteAnterior();

private:
    // The screen while the library works on an answer: nothing to press.
    void mostrarProcessando();

    // The stages of a run, in order.
    // The TEF operation could not be opened: what the POS gets instead.
    QByteArray falhaAoAbrir(const QByteArray &respostaInicio);
    // A sale, cancellation, PIX, administrative operation or PIN pad capture from
    // the first library call to its last reply (returned in ultimaResposta);
    // true when the TEF operation stays open for the POS's confirmation.
    bool conduzirTransacao(Desfecho &desfecho, QByteArray &ultimaResposta);
    // The library calls of the collection dialogue; the last reply, parsed.
    QJsonObject coletar(QByteArray &ultimaResposta);
    void concluir(const QJsonObject &ultimaResposta, Desfecho &desfecho);
    // The typed NSU of an approved cancellation joins its reply; true when the
    // transaction waits, open, for the POS.
    bool fecharTransacao(QByteArray &ultimaResposta);
    // Closes the TEF operation unless it stays open; the library's members join the result.
    void finalizar(Desfecho &desfecho, const QByteArray &ultimaResposta, bool skipFinal);

    // Emits the first line and calls the library for the current operation;
    // false when the operation is not one the library serves.
    bool despachar(bool novaTransacao, const QByteArray &dados, QByteArray &resposta);
    // The cashier's answer to a collection step, into the working JSON object.
    void aplicarResposta(const RespostaOperador &resposta);
    // Shows a yes/no question as a list and returns the cashier's answer.
    RespostaOperador perguntar(const QString &texto, const QStringList &opcoes);
    QString valorFormatado();
    // A value the POS already sent for this collection step, laid out as the step
    // asks for it; empty when the request carried none.
    QString valorDaRequisicao(const QString &palavraChave, const QJsonObject &tef, const QString &mascara);

    Z3_Tef_Library *m_lib;
    Vitra_Controller *m_vitra;

    // Behind m_dados (with jsonConfigs): what the run writes and the tests read.
    Z3_Tef_VO m_vo;
    bool m_formatoJson = false; // the POS sent the JSON request file: an approval is confirmed at once

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
