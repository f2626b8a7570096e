// Times the file exchange for real: a request renamed into the watched folder,
// the monitor with its mandated waits, a backend thread, and the status and
// response files seen appearing by an independent inotify observer.
//   pedido_ate_status        request renamed in -> status file renamed into place
//   resultado_ate_resposta_ms backend emits its result -> response file renamed into place
//   ocioso cpu_percent       process CPU while watching with nothing to do
#include "TestBackend.h"

#include "app/Wiring.h"
#include "base/ConfigTef.h"
#include "base/DadosSensiveis.h"
#include "exchange/MonitoraDiretorio.h"
#include "exchange/ProtocoloSitef.h"
#include "nucleo/NucleoTransacao.h"
#include "nucleo/Ocupacao.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

qint64 agoraNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Notes when each file name is moved into the folder, from its own thread, so
// the times do not depend on the main thread that the monitor blocks.
class Observador
{
public:
    explicit Observador(const QString &pasta) : m_inotify(inotify_init1(IN_CLOEXEC)), m_parar(eventfd(0, EFD_CLOEXEC))
    {
        inotify_add_watch(m_inotify, QFile::encodeName(pasta).constData(), IN_MOVED_TO);
        m_thread = std::thread([this] { laco(); });
    }
    ~Observador()
    {
        const uint64_t um = 1;
        if (write(m_parar, &um, sizeof um) < 0)
            std::perror("eventfd");
        m_thread.join();
        close(m_inotify);
        close(m_parar);
    }
    void limpar()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_vistos.clear();
    }
    qint64 visto(const std::string &nome)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_vistos.find(nome);
        return it == m_vistos.end() ? 0 : it->second;
    }
    // Called on the observer thread whenever a name arrives.
    std::function<void()> aoVer;

private:
    void laco()
    {
        alignas(inotify_event) char buffer[4096];
        pollfd fds[2] = {{m_inotify, POLLIN, 0}, {m_parar, POLLIN, 0}};
        while (poll(fds, 2, -1) > 0 && !(fds[1].revents & POLLIN)) {
            const ssize_t n = read(m_inotify, buffer, sizeof buffer);
            const qint64 quando = agoraNs();
            for (ssize_t i = 0; i < n;) {
                const auto *ev = reinterpret_cast<const inotify_event *>(buffer + i);
                if (ev->len > 0) {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    m_vistos[ev->name] = quando;
                }
                i += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
            }
            if (aoVer)
                aoVer();
        }
    }

    int m_inotify;
    int m_parar;
    std::mutex m_mutex;
    std::map<std::string, qint64> m_vistos;
    std::thread m_thread;
};

struct Ambiente
{
    QTemporaryDir dir;
    Ocupacao ocupacao;
    std::unique_ptr<TestBackend> backend;
    std::unique_ptr<NucleoTransacao> nucleo;
    std::unique_ptr<MonitoraDiretorio> monitor;
    std::unique_ptr<Observador> observador;
    bool chaveNumero = false;
    int id = 0;

    Ambiente()
    {
        // Logged to a file as in production; the console copy is dropped.
        qputenv("Z3_LOG", QFile::encodeName(dir.path() + QStringLiteral("/z3_log.txt")));
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        const QJsonObject config{{QStringLiteral("path_in"), dir.path() + QStringLiteral("/req")},
                                 {QStringLiteral("path_out"), dir.path() + QStringLiteral("/resp")},
                                 {QStringLiteral("produto_tef"), 2}};
        QFile f(dir.path() + QStringLiteral("/config_tef.json"));
        f.open(QIODevice::WriteOnly);
        f.write(QJsonDocument(config).toJson());
        f.close();
        backend = std::make_unique<TestBackend>();
        nucleo = std::make_unique<NucleoTransacao>(*backend, 2, dir.path() + QStringLiteral("/diario_tef.jsonl"));
        const ConfigTef tef(f.fileName());
        tef.prepararInicio();
        monitor = std::make_unique<MonitoraDiretorio>(tef);
        wiring::conectar({nucleo.get(), &ocupacao, nullptr, monitor.get(), nullptr, Pausas()});
        observador = std::make_unique<Observador>(dir.path() + QStringLiteral("/resp"));
        // The key-number format when this build converts it, else JSON.
        chaveNumero =
            !ProtocoloSitef().requestToJson(QStringLiteral("000-000 = CRT\n001-000 = 1\n999-999 = 0\n")).isEmpty();
        monitor->iniciarMonitoramento();
    }

    void esperarOcioso()
    {
        QDeadlineTimer prazo(30000);
        while ((nucleo->emExecucao() || !monitor->monitorando()) && !prazo.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
};

Ambiente *g_ambiente = nullptr;

void BM_PedidoAteStatus(benchmark::State &state)
{
    Ambiente &a = *g_ambiente;
    const std::string status = a.chaveNumero ? "IntPos.Sts" : "IntPos.Sts.json";
    const std::string resposta = a.chaveNumero ? "IntPos.001" : "IntPos.001.json";
    const QString req = a.dir.path() + QStringLiteral("/req/");
    const QString resp = a.dir.path() + QStringLiteral("/resp/");
    for (auto _ : state) {
        a.esperarOcioso();
        a.observador->limpar();
        const QString id = QString::number(++a.id);
        const QByteArray conteudo =
            a.chaveNumero
                ? QStringLiteral("000-000 = CRT\r\n001-000 = %1\r\n003-000 = 1000\r\n999-999 = 0\r\n").arg(id).toUtf8()
                : QStringLiteral(R"({"operacao":0,"header":"CRT","parametros":{"identificacao":"%1",)"
                                 R"("valor":"1000","registro_final":"0"}})")
                      .arg(id)
                      .toUtf8();
        QFile f(req + QStringLiteral("pdv.tmp"));
        f.open(QIODevice::WriteOnly);
        f.write(conteudo);
        f.close();

        QEventLoop laco;
        a.observador->aoVer = [&] {
            if (a.observador->visto(status) && a.observador->visto(resposta))
                QMetaObject::invokeMethod(&laco, "quit", Qt::QueuedConnection);
        };
        const QString destino = req + QString::fromStdString(a.chaveNumero ? "IntPos.001" : "IntPos.001.json");
        const qint64 inicio = agoraNs();
        std::rename(QFile::encodeName(f.fileName()).constData(), QFile::encodeName(destino).constData());
        QTimer::singleShot(30000, &laco, &QEventLoop::quit);
        laco.exec();
        a.observador->aoVer = nullptr;

        const qint64 tStatus = a.observador->visto(status);
        const qint64 tResposta = a.observador->visto(resposta);
        if (!tStatus || !tResposta) {
            state.SkipWithError("status or response file missing");
            break;
        }
        state.SetIterationTime(static_cast<double>(tStatus - inicio) / 1e9);
        state.counters["resultado_ate_resposta_ms"] =
            static_cast<double>(tResposta - a.backend->ultimoResultadoNs()) / 1e6;
        QFile::remove(resp + QString::fromStdString(status));
        QFile::remove(resp + QString::fromStdString(resposta));
    }
}
BENCHMARK(BM_PedidoAteStatus)
    ->Iterations(1)
    ->Repetitions(20)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->ReportAggregatesOnly(true);

double cpuSegundos()
{
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    return static_cast<double>(uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) +
           static_cast<double>(uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e6;
}

void BM_Ocioso(benchmark::State &state)
{
    Ambiente &a = *g_ambiente;
    for (auto _ : state) {
        a.esperarOcioso();
        const double cpu0 = cpuSegundos();
        const qint64 t0 = agoraNs();
        QEventLoop laco;
        QTimer::singleShot(10000, &laco, &QEventLoop::quit);
        laco.exec();
        const double parede = static_cast<double>(agoraNs() - t0) / 1e9;
        state.counters["cpu_percent"] = 100.0 * (cpuSegundos() - cpu0) / parede;
    }
}
BENCHMARK(BM_Ocioso)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The largest request the monitor accepts, masked before it is logged: digits
// and separators, the worst case for the card-number patterns.
void BM_MascararRequisicaoMaxima(benchmark::State &state)
{
    QString texto;
    texto.reserve(int(MonitoraDiretorio::tamanhoMaximoRequisicao));
    while (texto.size() < MonitoraDiretorio::tamanhoMaximoRequisicao)
        texto += QStringLiteral("4111111111111111=2512 375-025 = x 12345678901234567890 B4111111111111111^A^1\n");
    for (auto _ : state)
        benchmark::DoNotOptimize(mascararDadosSensiveis(texto));
}
BENCHMARK(BM_MascararRequisicaoMaxima)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Ambiente ambiente;
    g_ambiente = &ambiente;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_ambiente = nullptr;
    return 0;
}
