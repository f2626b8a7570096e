#include "TestController.h"

#include "TestSupport.h"

#include <QMutexLocker>
#include <QThread>

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

bool esperaTerminar(QThread &thread, int timeoutMs)
{
    return testsupport::waitUntil([&thread] { return thread.isFinished(); }, timeoutMs);
}
