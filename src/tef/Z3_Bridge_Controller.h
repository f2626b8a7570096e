#pragma once

#include "tef/Z3_Bridge_VO.h"
#include "ui/Base_Controller.h"

#include <QByteArray>
#include <QJsonObject>
#include <QMutex>

#include <memory>

class Z3_Bridge_Library;

// The backend of TEF product 1: one call of the bridge library per operation,
// no dialogue with the cashier. The library's reply, completed with what the
// POS needs to match it to its request, is the result.
class Z3_Bridge_Controller : public Base_Controller
{
    Q_OBJECT

public:
    explicit Z3_Bridge_Controller(QObject *parent = nullptr);
    ~Z3_Bridge_Controller() override;

    // How long the cashier sees the outcome before the POS gets it.
    static constexpr unsigned long pausaStatusMs = 3000;

    bool bibliotecaCarregada() const;
    Z3_Bridge_VO vo();

    // The result of one library reply: the reply's members plus "operacao",
    // "z3_pdv", "identificadorTransacaoAutomacao" and, for a failed call,
    // "resultadoTransacao" and "mensagemResultado". `status` gets the text the
    // cashier is shown.
    static QJsonObject montarResultado(const QByteArray &resposta, const Z3_Bridge_VO &vo, QString *status);

public slots:
    void setJsonConfigs(QString value) override;

public:
    // No dialogue: the buttons are never on screen for this product.
    Q_INVOKABLE void onClickButtonOK(QString valorOfTextField, int estado) override;
    Q_INVOKABLE void onClickButtonVoltar() override;
    Q_INVOKABLE void onClickButtonCancelar() override;

protected:
    void ProcessaTEF() override;
    void trataRetorno(const QJsonValue &retorno) override;

private:
    std::unique_ptr<Z3_Bridge_Library> m_lib;

    // setJsonConfigs (main thread) and the run share the request.
    QMutex m_dados;
    Z3_Bridge_VO m_vo;
    QString m_msgErro;
};
