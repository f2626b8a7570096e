#pragma once

#include "backends/Base_Controller.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>

// The smallest concrete controller: records what the window asks for and, on
// its own thread (or the core's, when one runs it), runs whatever script a
// test gives it. Every button press opens the operator gate, as a real
// backend's handlers do.
class TestController : public Base_Controller
{
    Q_OBJECT

public:
    using Base_Controller::aguardarFluxo;
    using Base_Controller::bloquearFluxo;
    using Base_Controller::fluxoPausado;
    using Base_Controller::liberarFluxo;

    explicit TestController(QObject *parent = nullptr);
    ~TestController() override;

    // Whether the next run of this thread is an updater action, or an offer waits.
    bool atualizacaoSolicitada() const { return m_atualizacaoSolicitada; }
    void setAtualizacaoSolicitada(bool solicitada) { m_atualizacaoSolicitada = solicitada; }

    // Runs on the controller's thread, or inside ProcessaTEF on the core's.
    std::function<void(TestController &)> roteiro;

    // Starts a run that closes the gate, shows one screen and waits for the
    // cashier; true once the gate is closed. passouPortao turns true after the click.
    bool paraNoPortao();
    std::atomic<bool> passouPortao{false};

    QString nomeBiblioteca() const override { return QStringLiteral("de teste"); }
    bool bibliotecaCarregada() const override { return true; }
    void setJsonConfigs(const Requisicao &requisicao) override;
    Desfecho ProcessaTEF() override;
    bool confirmar(const SequencialInfo &) override { return true; }
    bool desfazer(const SequencialInfo &) override { return true; }
    QJsonObject resultadoSemTransacao() const override { return {}; }
    QJsonObject resultadoDeFalha(Falha, const QString &mensagem) const override { return {{"erro", mensagem}}; }
    void onClickButtonOK(QString valorOfTextField, int estado) override
    {
        emit okClicado(valorOfTextField, estado);
        liberarFluxo();
    }
    void onClickButtonVoltar() override
    {
        emit voltarClicado();
        liberarFluxo();
    }
    void onClickButtonCancelar() override
    {
        emit cancelarClicado();
        liberarFluxo();
    }

signals:
    void okClicado(QString valor, int estado);
    void voltarClicado();
    void cancelarClicado();

protected:
    void run() override;
    void trataRetorno(const QJsonValue &retorno) override;
};

// Stands in for the restart object the configuration popup calls.
class FakeRestartHandler : public QObject
{
    Q_OBJECT

public:
    int reinicios = 0;

public slots:
    void restartApplication() { ++reinicios; }
};

// Runs the event loop (so queued screen signals and clicks flow) until the
// thread has finished or the deadline passes; true when it finished.
bool esperaTerminar(QThread &thread, int timeoutMs);
