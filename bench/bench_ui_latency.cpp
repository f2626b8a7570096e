// Time from a message posted to the window model from a backend thread to the
// first frame that shows it, and the resident memory with the window shown.
//   bench_ui_latency [ROUNDS]     (offscreen unless QT_QPA_PLATFORM is set)
#include "JanelaQml.h"
#include "TestController.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using Relogio = std::chrono::steady_clock;

long memoriaKb(const char *campo)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray chave = QByteArray(campo) + ':';
    for (const QByteArray &linha : status.readAll().split('\n')) {
        if (linha.startsWith(chave))
            return linha.mid(chave.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

double percentil(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[static_cast<size_t>(p * static_cast<double>(v.size() - 1))];
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    const int rodadas = argc > 1 ? std::max(10, atoi(argv[1])) : 500;

    TestController controller;
    JanelaQml janela(&controller.janela());
    if (!janela.carregada())
        return 1;
    QQuickWindow *w = janela.janela();
    controller.janela().mostrar();
    if (!QTest::qWaitForWindowExposed(w))
        return 1;
    QTest::qWait(500); // settle: fonts, first frames
    std::printf("platform %s, backend %s\n", qPrintable(QGuiApplication::platformName()),
                qPrintable(qEnvironmentVariable("QT_QUICK_BACKEND")));
    std::printf("resident memory with the window shown: VmRSS %ld kB, VmHWM %ld kB\n", memoriaKb("VmRSS"),
                memoriaKb("VmHWM"));

    QQuickItem *mensagem = janela.item(QStringLiteral("mensagem"));
    std::atomic<Relogio::rep> emitidoEm{0};
    std::atomic<int> rodadaAtual{-1};
    std::vector<double> latenciasMs;
    latenciasMs.reserve(static_cast<size_t>(rodadas));

    TestController &c = controller;
    std::unique_ptr<QThread> execucao(QThread::create([&] {
        for (int i = 0; i < rodadas; ++i) {
            c.bloquearFluxo();
            rodadaAtual = i;
            emitidoEm = Relogio::now().time_since_epoch().count();
            c.janela().mostrarMensagem(QStringLiteral("Rodada %1").arg(i));
            c.aguardarFluxo();
        }
    }));
    // The frame that shows the round's text ends the measurement and lets the next round go.
    QObject::connect(
        w, &QQuickWindow::frameSwapped, w,
        [&] {
            const int i = rodadaAtual;
            if (i < 0 || static_cast<int>(latenciasMs.size()) > i)
                return;
            if (mensagem->property("text").toString() != QStringLiteral("Rodada %1").arg(i))
                return;
            const auto agora = Relogio::now().time_since_epoch().count();
            const auto dt = Relogio::duration(agora - emitidoEm.load());
            latenciasMs.push_back(std::chrono::duration<double, std::milli>(dt).count());
            controller.liberarFluxo();
        },
        Qt::DirectConnection);

    execucao->start();
    if (!esperaTerminar(*execucao, 120000)) {
        std::printf("did not finish\n");
        return 1;
    }
    std::printf(
        "message posted -> frame on screen, %zu rounds: median %.2f ms, p90 %.2f ms, p99 %.2f ms, max %.2f ms\n",
        latenciasMs.size(), percentil(latenciasMs, 0.5), percentil(latenciasMs, 0.9), percentil(latenciasMs, 0.99),
        percentil(latenciasMs, 1.0));
    std::printf("resident memory after the rounds: VmRSS %ld kB, VmHWM %ld kB\n", memoriaKb("VmRSS"),
                memoriaKb("VmHWM"));
    return 0;
}
