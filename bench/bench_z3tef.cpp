// What one Z3_Tef step costs besides the cashier and the library's own work:
// a call through the binding into the simulated library with the reply parsed
// and read, the request mapping, the amount conversion, and the journal's
// durable writes for one sale.
#include "backends/Z3_Tef_Library.h"
#include "backends/Z3_Tef_Protocolo.h"
#include "backends/Z3_Tef_VO.h"
#include "nucleo/DiarioTransacoes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void silencio(QtMsgType, const QMessageLogContext &, const QString &) {}

QString g_pastaPrograma;

// The simulated library is built in the build's bin folder; Z3_LIB_DIR, when
// set, says where it is instead.
Z3_Tef_Library &biblioteca()
{
    static Z3_Tef_Library lib;
    if (!lib.isLoaded()) {
        // Beside the program (build/bin) or two folders up (a folder of its own).
        for (const QString &pasta : {g_pastaPrograma, g_pastaPrograma + QStringLiteral("/../../bin")}) {
            if (!qEnvironmentVariableIsEmpty("Z3_LIB_DIR"))
                break;
            if (QFileInfo::exists(pasta + QStringLiteral("/Z3_Tef01.so")))
                qputenv("Z3_LIB_DIR", QDir(pasta).absolutePath().toLocal8Bit());
        }
        lib.carregar();
        lib.iniciarOperacaoTEF("{}");
    }
    return lib;
}

void BM_VendaAprovadaPelaBiblioteca(benchmark::State &state)
{
    Z3_Tef_Library &lib = biblioteca();
    if (!lib.isLoaded()) {
        state.SkipWithError("simulated library not found (set Z3_LIB_DIR)");
        return;
    }
    const QByteArray dados = R"({"transacao_pagamento":"A vista","transacao_valor":"1000"})";
    for (auto _ : state) {
        const QJsonObject resposta = QJsonDocument::fromJson(lib.realizarPagamentoTEF(1, dados, 1)).object();
        benchmark::DoNotOptimize(Z3_Tef_Protocolo::isRetornoSucesso(resposta));
        benchmark::DoNotOptimize(Z3_Tef_Protocolo::criarSequencial(resposta));
    }
}
BENCHMARK(BM_VendaAprovadaPelaBiblioteca);

void BM_RequisicaoParaTransacao(benchmark::State &state)
{
    const QJsonObject req =
        QJsonDocument::fromJson(R"({"operacao":0,"header":"CRT","parametros":{"identificacao":"123",)"
                                R"("codigo_transacao":"12","quantidade_parcelas":"3","valor":"30000",)"
                                R"("aplicacao":"PDV","loja":"L1","terminal":"T1"}})")
            .object();
    for (auto _ : state) {
        const Z3_Tef_VO vo = Z3_Tef_VO::fromRequest(req);
        benchmark::DoNotOptimize(vo.jsonOperacaoNova());
    }
}
BENCHMARK(BM_RequisicaoParaTransacao);

void BM_FormatarValorColetado(benchmark::State &state)
{
    const QString entrada = QStringLiteral("123.456.789.012.345.678,90");
    for (auto _ : state)
        benchmark::DoNotOptimize(Z3_Tef_Protocolo::formatarValorColetado(entrada));
}
BENCHMARK(BM_FormatarValorColetado);

// One sale's life in the journal (opened, approved, being answered, answered,
// confirmed: five durable writes, the first three on the sale's path) with the journal already holding its fifty
// resolved records, as it does after a morning of sales. The argument is the TEF product: a Z3_Bridge sale (1)
// keeps what its cancellation needs, a Z3_Tef sale (2) its sequential number.
void BM_DiarioUmaVenda(benchmark::State &state)
{
    const int produto = static_cast<int>(state.range(0));
    QTemporaryDir pasta;
    DiarioTransacoes diario(pasta.filePath(QStringLiteral("diario_tef.json")));
    SequencialInfo pendente;
    pendente.sequencial = produto == 2 ? 1 : 0;
    pendente.transacao = produto == 2 ? QStringLiteral("Cartao de Credito") : QStringLiteral("Venda");
    pendente.nsuTerminal = QStringLiteral("123456");
    pendente.valorTotal = QStringLiteral("1000");
    pendente.dataHoraTransacao = QStringLiteral("06/12/2026 10:15:30");
    if (produto == 1) {
        pendente.identificacao = QStringLiteral("1234");
        pendente.pdv = QStringLiteral("007");
        pendente.finalizacao = QStringLiteral("123456");
    }
    const auto umaVenda = [&] {
        const int chave = diario.abrir(QStringLiteral("CRT"), QStringLiteral("1234"), false, produto);
        diario.aprovar(chave, pendente);
        diario.marcar(chave, DiarioTransacoes::Estado::EmEntrega);
        diario.marcar(chave, DiarioTransacoes::Estado::Respondida);
        diario.marcar(chave, DiarioTransacoes::Estado::Resolvida, QStringLiteral("confirmada"));
    };
    for (int i = 0; i < DiarioTransacoes::maximoResolvidos; ++i)
        umaVenda();
    for (auto _ : state)
        umaVenda();
}
BENCHMARK(BM_DiarioUmaVenda)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("Z3_LOG", QByteArray());
    qputenv("Z3_LOG_PATH", QByteArray());
    qputenv("Z3_SIM_LOG", QByteArray());
    qInstallMessageHandler(silencio);
    g_pastaPrograma = QFileInfo(QString::fromLocal8Bit(argv[0])).absolutePath();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
