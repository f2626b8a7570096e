#include "TestController.h"

#include "TestSupport.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QTest>

TestController::TestController(QObject *parent) : Base_Controller(parent) {}

TestController::~TestController()
{
    // A script may still wait for the cashier: let it go before the thread is
    // destroyed, and stop loudly rather than wait for ever when that fails.
    QDeadlineTimer prazo(10000);
    while (!wait(20)) {
        if (prazo.hasExpired())
            qFatal("The controller's run did not end after the gate was opened");
        liberarFluxo();
    }
}

void TestController::setJsonConfigs(const Requisicao &requisicao)
{
    QMutexLocker lock(&m_dados);
    jsonConfigs = requisicao.objeto();
}

Desfecho TestController::ProcessaTEF()
{
    if (roteiro)
        roteiro(*this);
    return {};
}

void TestController::run()
{
    if (roteiro)
        roteiro(*this);
    Base_Controller::run(); // an updater action, when one was asked for
}

bool TestController::paraNoPortao()
{
    passouPortao = false;
    roteiro = [](TestController &t) {
        t.bloquearFluxo();
        emit t.textChanged(QStringLiteral("aguarde"));
        t.aguardarFluxo();
        t.passouPortao = true;
    };
    start();
    return QTest::qWaitFor([this] { return fluxoPausado(); }, 5000);
}

void TestController::trataRetorno(const QJsonValue &) {}

bool esperaTerminar(QThread &thread, int timeoutMs)
{
    return testsupport::waitUntil([&thread] { return thread.isFinished(); }, timeoutMs);
}
