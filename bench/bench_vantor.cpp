// TEF product 0, in one process as the program joins it (monitor, backend, the
// real window offscreen, the simulated APITEFVarda library): credit sales from
// a request without an amount, the cashier picking "Pagamento crédito" and
// typing the amount. Measures what the flow adds to its mandated pauses:
//   - an OK press -> the next library call (1000 ms mandated before each step);
//   - the last library step -> the response file present (3000 ms of display).
//   bench_vantor [SALES]     (offscreen unless QT_QPA_PLATFORM is set)
#include "JanelaQml.h"
#include "TestSupport.h"

#include "app/Wiring.h"
#include "backends/Vantor_Controller.h"
#include "base/ConfigTef.h"
#include "exchange/MonitoraDiretorio.h"
#include "nucleo/NucleoTransacao.h"
#include "nucleo/Ocupacao.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

double agoraMs()
{
    using namespace std::chrono;
    return static_cast<double>(duration_cast<microseconds>(system_clock::now().time_since_epoch()).count()) / 1000.0;
}

// When the simulated library received each step call, in ms since the epoch.
std::vector<double> passos(const QString &simLog)
{
    std::vector<double> r;
    for (const QByteArray &linha : testsupport::readAll(simLog).split('\n')) {
        const QJsonObject c = QJsonDocument::fromJson(linha).object();
        if (c.value(QStringLiteral("funcao")).toString() == QLatin1String("VardaTEF_RealizarPagamentoTEF"))
            r.push_back(c.value(QStringLiteral("instante_us")).toDouble() / 1000.0);
    }
    return r;
}

void resumo(const char *nome, std::vector<double> v, double pausa)
{
    std::sort(v.begin(), v.end());
    std::printf("%s, %zu samples: median %.1f ms (%.1f beyond the %.0f ms pause), max %.1f ms (%.1f beyond)\n", nome,
                v.size(), v[v.size() / 2], v[v.size() / 2] - pausa, pausa, v.back(), v.back() - pausa);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    QTemporaryDir dir;
    const QString simLog = dir.filePath(QStringLiteral("sim.jsonl"));
    qputenv("Z3_SIM_LOG", simLog.toUtf8());
    qputenv("Z3_LOG", dir.filePath(QStringLiteral("log.txt")).toUtf8());
    QApplication app(argc, argv);
    const int vendas = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    testsupport::writeConfig({{"path_in", dir.filePath(QStringLiteral("Req"))},
                              {"path_out", dir.filePath(QStringLiteral("Resp"))},
                              {"produto_tef", 0},
                              {"tipo_operacao", 0}});

    const ConfigTef config;
    config.prepararInicio(); // the exchange folders, as at start-up
    MonitoraDiretorio monitor{config};
    Ocupacao ocupacao;
    std::unique_ptr<Base_Controller> backend(wiring::createBackend(0));
    auto *c = static_cast<Vantor_Controller *>(backend.get());
    std::unique_ptr<NucleoTransacao> nucleo(wiring::criarNucleo(*c, 0));
    wiring::conectar({nucleo.get(), &ocupacao, c, &monitor, nullptr, Pausas()});
    JanelaQml janela(&c->janela());
    if (!janela.carregada() || !c->bibliotecaCarregada()) {
        std::printf("window or library not loaded (Z3_LIB_DIR?)\n");
        return 1;
    }
    monitor.iniciarMonitoramento();

    const auto espera = [&](const char *item) {
        return testsupport::waitUntil(
            [&] {
                if (!c->aguardandoOperador())
                    return false;
                QCoreApplication::sendPostedEvents(); // the screen the run already emitted
                return janela.item(QLatin1String(item))->isVisible();
            },
            20000);
    };
    const auto ok = [&] {
        const double t = agoraMs();
        QMetaObject::invokeMethod(janela.objeto(QStringLiteral("botaoOk")), "clicked");
        return t;
    };
    std::vector<double> okAtePasso;
    std::vector<double> ultimoAteResposta;
    const QString resposta = dir.filePath(QStringLiteral("Resp/IntPos.001"));
    for (int i = 0; i < vendas; ++i) {
        QFile::remove(simLog);
        testsupport::writeAll(dir.filePath(QStringLiteral("pedido.tmp")),
                              QStringLiteral("000-000 = CRT\n001-000 = %1\n999-999 = 0\n").arg(700 + i).toUtf8());
        QFile::rename(dir.filePath(QStringLiteral("pedido.tmp")), dir.filePath(QStringLiteral("Req/IntPos.001")));
        if (!espera("lista"))
            return 2;
        janela.objeto(QStringLiteral("listaOpcoes"))->setProperty("currentIndex", 1);
        const double menu = ok();
        if (!espera("campo"))
            return 3;
        for (const char tecla : {'1', '0', '0', '0'})
            QTest::keyClick(janela.janela(), tecla);
        const double valor = ok();
        // Read the response the moment it is there: every turn of the loop looks.
        while (!QFile::exists(resposta))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        const double gravada = agoraMs();
        const std::vector<double> p = passos(simLog);
        if (p.size() != 3)
            return 4;
        okAtePasso.push_back(p[0] - menu);
        okAtePasso.push_back(p[1] - valor);
        ultimoAteResposta.push_back(gravada - p[2]);
        testsupport::waitUntil([&] { return !nucleo->emExecucao() && monitor.monitorando(); }, 20000);
        QFile::remove(resposta);
        QFile::remove(dir.filePath(QStringLiteral("Resp/IntPos.Sts")));
    }
    resumo("OK press -> next library call", okAtePasso, Pausas().passoVantorMs);
    resumo("last library step -> response file", ultimoAteResposta, Pausas().finalVantorMs);
    return 0;
}
