#include "base/ConfigTef.h"
#include "base/ConfigTefSnapshot.h"
#include "base/Log.h"
#include "exchange/ProtocoloSitef.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <benchmark/benchmark.h>

// Each conversion is timed beside a bare parse and compact serialisation of the
// same JSON, so the ratio between the two holds whatever else runs on the machine.

namespace {

QString dados(const char *nome)
{
    QFile f(QStringLiteral(Z3_TEST_DATA_DIR "/") + QLatin1String(nome));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void parseESerializa(benchmark::State &state, const char *nome)
{
    const QString texto = dados(nome);
    for (auto _ : state) {
        const QJsonDocument doc = QJsonDocument::fromJson(texto.toUtf8());
        benchmark::DoNotOptimize(QString::fromUtf8(doc.toJson(QJsonDocument::Compact)));
    }
}

void BM_requestToJson(benchmark::State &state)
{
    const QString requisicao = dados("req_crt.001");
    ProtocoloSitef protocolo;
    for (auto _ : state)
        benchmark::DoNotOptimize(protocolo.requestToJson(requisicao));
}
BENCHMARK(BM_requestToJson);

void BM_requestJsonBaseline(benchmark::State &state)
{
    parseESerializa(state, "req_crt.json");
}
BENCHMARK(BM_requestJsonBaseline);

void BM_tefResultToResponse(benchmark::State &state)
{
    const QString resultado = dados("tef_venda_credito.json");
    ProtocoloSitef protocolo;
    for (auto _ : state)
        benchmark::DoNotOptimize(protocolo.tefResultToResponse(resultado));
}
BENCHMARK(BM_tefResultToResponse);

void BM_tefJsonBaseline(benchmark::State &state)
{
    parseESerializa(state, "tef_venda_credito.json");
}
BENCHMARK(BM_tefJsonBaseline);

void BM_bridgeResultToResponse(benchmark::State &state)
{
    const QString resultado = dados("bridge_venda.json");
    ProtocoloSitef protocolo;
    for (auto _ : state)
        benchmark::DoNotOptimize(protocolo.bridgeResultToResponse(resultado));
}
BENCHMARK(BM_bridgeResultToResponse);

void BM_bridgeJsonBaseline(benchmark::State &state)
{
    parseESerializa(state, "bridge_venda.json");
}
BENCHMARK(BM_bridgeJsonBaseline);

void BM_vantorResultToResponse(benchmark::State &state)
{
    const QString resultado = dados("vantor_venda.json");
    ProtocoloSitef protocolo;
    for (auto _ : state)
        benchmark::DoNotOptimize(protocolo.vantorResultToResponse(resultado));
}
BENCHMARK(BM_vantorResultToResponse);

void BM_vantorJsonBaseline(benchmark::State &state)
{
    parseESerializa(state, "vantor_venda.json");
}
BENCHMARK(BM_vantorJsonBaseline);

// What reading the configuration at each call would cost the result conversions.
void BM_configTef(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ConfigTef().tagComprovante());
}
BENCHMARK(BM_configTef);

// What they pay instead: a look at the file, which has not changed.
void BM_configTefSnapshot(benchmark::State &state)
{
    ConfigTefSnapshot config;
    for (auto _ : state)
        benchmark::DoNotOptimize(config.comprovante().tagComprovante);
}
BENCHMARK(BM_configTefSnapshot);

// One log line, as the result conversions write one ("Tags para iterar") and the
// configuration two, when the messages are dropped.
void BM_logLine(benchmark::State &state)
{
    Log log;
    for (auto _ : state)
        log.info("[ProtocoloSitef] Tags para iterar: 27");
}
BENCHMARK(BM_logLine);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Log lines go nowhere: the figures are the conversions', not the terminal's.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    qputenv("Z3_LOG", "/dev/null");
    const QString pasta = QDir::tempPath() + QStringLiteral("/z3_bench");
    ConfigTef config;
    QJsonObject o = config.configuracao();
    o.insert(QStringLiteral("log"), 0);
    o.insert(QStringLiteral("path_in"), pasta + QStringLiteral("/Req"));
    o.insert(QStringLiteral("path_out"), pasta + QStringLiteral("/Resp"));
    o.insert(QStringLiteral("tag_comprovante"), 0);
    o.insert(QStringLiteral("tag_028_001"), 1);
    o.insert(QStringLiteral("aspas_comprovante"), 0);
    config.salvar(o);
    qunsetenv("Z3_LOG");
    // As in a shop, the settings were saved long before the sale: a file written this
    // very moment would be read again at each call until its time is past doubt.
    QFile arquivo(config.filePath());
    if (arquivo.open(QIODevice::Append))
        arquivo.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
