#pragma once

#include "backends/Base_Controller.h"

#include <QObject>
#include <QString>

#include <functional>

// The smallest concrete backend: runs whatever script a test gives it when the
// core runs it, and records the window's answers. Every answer opens the
// operator gate, as a real backend's handlers do.
class TestController : public Base_Controller
{
    Q_OBJECT

public:
    using Base_Controller::aguardarFluxo;
    using Base_Controller::bloquearFluxo;
    using Base_Controller::fluxoPausado;
    using Base_Controller::liberarFluxo;

    using Base_Controller::Base_Controller;

    // Runs inside ProcessaTEF, on the core's thread.
    std::function<void(TestController &)> roteiro;

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
};

// Runs the event loop (so queued screens and clicks flow) until the thread
// has finished or the deadline passes; true when it finished.
bool esperaTerminar(QThread &thread, int timeoutMs);
