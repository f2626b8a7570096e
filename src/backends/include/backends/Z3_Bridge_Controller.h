#pragma once

#include "backends/Base_Controller.h"
#include "backends/Z3_Bridge_VO.h"

#include <QByteArray>
#include <QJsonObject>
#include <QMutex>

#include <memory>

class Z3_Bridge_Library;

// The backend of TEF product 1: one call of the bridge library per operation,
// no dialogue with the cashier but the amount of a sale that came without one.
// The library's reply, completed with what the POS needs to match it to its
// request, is the result. An approved sale is final in the library: the POS's
// NCN, or a response that never reached it, undoes it with a cancellation of
// that sale.
class Z3_Bridge_Controller : public Base_Controller
{
    Q_OBJECT

public:
    explicit Z3_Bridge_Controller(QObject *parent = nullptr);
    ~Z3_Bridge_Controller() override;

    Z3_Bridge_VO vo() const;

    // The result of one library reply: the reply's members plus "operacao",
    // "z3_pdv", "identificadorTransacaoAutomacao" and, for a failed call,
    // "resultadoTransacao" and "mensagemResultado". `status` gets the text the
    // cashier is shown.
    static QJsonObject montarResultado(const QByteArray &resposta, const Z3_Bridge_VO &vo, QString *status);

    QString nomeBiblioteca() const override { return QStringLiteral("Z3_Bridge"); }
    bool bibliotecaCarregada() const override;
    void setJsonConfigs(const Requisicao &requisicao) override;
    Desfecho ProcessaTEF() override;
    void mostrarDesfecho(const Desfecho &desfecho) override;
    // Nothing to confirm: the library's sale is already final.
    bool confirmar(const SequencialInfo &pendente) override;
    bool desfazer(const SequencialInfo &pendente) override;
    QJsonObject resultadoSemTransacao() const override;
    QJsonObject resultadoDeFalha(Falha falha, const QString &mensagem) const override;

    // Only the amount step puts buttons on screen.
    void onClickButtonOK(QString valorOfTextField, int estado) override;
    void onClickButtonCancelar() override;

private:
    // The money field, for a sale without an amount: its cents, or empty when the cashier gave up.
    QString perguntarValor();

    std::unique_ptr<Z3_Bridge_Library> m_lib;

    // Written by the run, read by the tests: behind the base's m_dados.
    Z3_Bridge_VO m_vo;
    QString m_status; // the outcome as the cashier reads it
};
