#include "LogCapture.h"

#include "TestSupport.h"

#include <QMutex>

namespace {

QMutex g_mutex;
QStringList g_linhas;
QtMessageHandler g_anterior = nullptr;

void capturar(QtMsgType tipo, const QMessageLogContext &contexto, const QString &msg)
{
    {
        QMutexLocker lock(&g_mutex);
        g_linhas.append(msg);
    }
    // Keep QtTest's own failure messages visible.
    if (g_anterior && (tipo == QtFatalMsg || qEnvironmentVariableIsSet("Z3_TEST_VERBOSE")))
        g_anterior(tipo, contexto, msg);
}

} // namespace

LogCapture::LogCapture()
{
    limpar();
    g_anterior = qInstallMessageHandler(capturar);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(g_anterior);
}

QStringList LogCapture::linhas() const
{
    QMutexLocker lock(&g_mutex);
    return g_linhas;
}

int LogCapture::contar(const QString &trecho) const
{
    return linhas().filter(trecho).size();
}

int LogCapture::indice(const QString &trecho, int desde) const
{
    QMutexLocker lock(&g_mutex);
    for (int i = qMax(0, desde); i < g_linhas.size(); ++i) {
        if (g_linhas.at(i).contains(trecho))
            return i;
    }
    return -1;
}

bool LogCapture::esperar(const QString &trecho, int timeoutMs, int vezes) const
{
    return testsupport::waitUntil([&] { return contar(trecho) >= vezes; }, timeoutMs);
}

void LogCapture::limpar()
{
    QMutexLocker lock(&g_mutex);
    g_linhas.clear();
}
