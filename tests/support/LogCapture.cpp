#include "LogCapture.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMutex>
#include <QThread>

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
    QMutexLocker lock(&g_mutex);
    int n = 0;
    for (const QString &l : qAsConst(g_linhas))
        n += l.contains(trecho) ? 1 : 0;
    return n;
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
    QDeadlineTimer prazo(timeoutMs);
    while (contar(trecho) < vezes) {
        if (prazo.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

void LogCapture::limpar()
{
    QMutexLocker lock(&g_mutex);
    g_linhas.clear();
}
