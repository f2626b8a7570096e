#pragma once

#include "ui/Base_Controller.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>

// The smallest concrete controller: records what the window asks for and, on
// its own thread, runs whatever script a test gives it. Every button press
// opens the operator gate, as a real backend's handlers do.
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

    // Runs on the controller thread inside ProcessaTEF.
    std::function<void(TestController &)> roteiro;

    // Starts a run that closes the gate, shows one screen and waits for the
    // cashier; true once the gate is closed. passouPortao turns true after the click.
    bool paraNoPortao();
    std::atomic<bool> passouPortao{false};

    void setJsonConfigs(QString value) override;
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
    void ProcessaTEF() override;
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
