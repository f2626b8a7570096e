// What the history of finished transactions costs a sale: the two lines of an
// approved sale (at approval, and when the POS confirms it) as the core reports
// them, beside a bare append of the same bytes; and the file a checkout's busy
// day leaves: its size after 10,000 sales and the time to read a day back.
#include "exchange/Z3_Tef_Conversor.h"
#include "nucleo/Historico.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

QJsonObject resultadoVenda()
{
    QFile f(QStringLiteral(Z3_TEST_DATA_DIR "/tef_venda_credito.json"));
    f.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(f.readAll()).object();
}

// The two ends the core reports for a sale confirmed by the POS.
void venda(Historico &h, const QJsonObject &resultado, int registro)
{
    FimTransacao aprovada;
    aprovada.origem = QStringLiteral("pdv");
    aprovada.produto = 2;
    aprovada.operacao = QStringLiteral("CRT");
    aprovada.registro = registro;
    aprovada.resultado = resultado;
    aprovada.situacao = FimTransacao::Situacao::Pendente;
    h.registrar(aprovada);

    FimTransacao confirmada;
    confirmada.origem = aprovada.origem;
    confirmada.produto = 2;
    confirmada.operacao = aprovada.operacao;
    confirmada.registro = registro;
    SequencialInfo p;
    p.nsuTerminal = QStringLiteral("000123");
    p.valorTotal = QStringLiteral("15000");
    confirmada.pendente = p;
    confirmada.liquidacao = true;
    confirmada.situacao = FimTransacao::Situacao::Aprovada;
    h.registrar(confirmada);
}

void BM_HistoricoPorVenda(benchmark::State &state)
{
    QTemporaryDir dir;
    Historico h(dir.filePath(QStringLiteral("historico_tef.jsonl")), &Z3_Tef_Conversor::resumo);
    const QJsonObject resultado = resultadoVenda();
    int registro = 0;
    for (auto _ : state)
        venda(h, resultado, ++registro);
}
BENCHMARK(BM_HistoricoPorVenda);

// The same two lines' bytes appended and flushed, with nothing made of the result.
void BM_AnexoPuro(benchmark::State &state)
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("puro.jsonl")));
    f.open(QIODevice::WriteOnly | QIODevice::Append);
    const QByteArray linhas =
        R"({"data":"2026-12-06","autorizacao":"654321","bandeira":"VISA","estado":"pendente","hora":"10:15:30",)"
        R"("nsu":"000123","operacao":"CRT","origem":"pdv","produto":2,"rede":"CIELO","registro":1,"valor":"150.00"})"
        "\n"
        R"({"data":"2026-12-06","estado":"aprovada","hora":"10:15:32","liquida":1,"nsu":"000123","operacao":"CRT",)"
        R"("origem":"pdv","produto":2,"valor":"150.00"})"
        "\n";
    for (auto _ : state) {
        f.write(linhas.constData(), linhas.size() / 2);
        f.flush();
        f.write(linhas.constData() + linhas.size() / 2, linhas.size() - linhas.size() / 2);
        f.flush();
    }
}
BENCHMARK(BM_AnexoPuro);

// 10,000 confirmed sales today: the file's size, and reading the day back as --transacoes does.
void BM_DezMilVendasLidas(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString arquivo = dir.filePath(QStringLiteral("historico_tef.jsonl"));
    {
        Historico h(arquivo, &Z3_Tef_Conversor::resumo);
        const QJsonObject resultado = resultadoVenda();
        for (int i = 1; i <= 10000; ++i)
            venda(h, resultado, i);
    }
    qsizetype linhas = 0;
    for (auto _ : state)
        linhas = Historico::doDia(arquivo, QDate::currentDate()).size();
    state.counters["bytes_arquivo"] = static_cast<double>(QFileInfo(arquivo).size());
    state.counters["linhas_csv"] = static_cast<double>(linhas);
}
BENCHMARK(BM_DezMilVendasLidas)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(quiet);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
