// Cost of one log line with both files on, beside a bare open-append-close of
// the same bytes, so the ratio shows what the line layout and locking add.
#include "base/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

struct Folder
{
    Folder()
    {
        QDir::setCurrent(dir.path());
        QDir().mkpath(QStringLiteral("diario"));
        qputenv("Z3_LOG", "z3_log.txt");
        qputenv("Z3_LOG_PATH", QDir(QStringLiteral("diario")).absolutePath().toUtf8());
    }
    QTemporaryDir dir;
};

const QString message = QStringLiteral("[MonitoraDiretorio] Arquivo de requisição encontrado: intpos.001");

void BM_LogLineBothFiles(benchmark::State &state)
{
    Folder folder;
    const bool withQtOutput = state.range(0) != 0;
    const QtMessageHandler previous = withQtOutput ? nullptr : qInstallMessageHandler(quiet);
    const Log log;
    for (auto _ : state)
        log.info(message);
    if (!withQtOutput)
        qInstallMessageHandler(previous);
}
BENCHMARK(BM_LogLineBothFiles)->Arg(0)->Arg(1)->ArgName("qt_output");

void BM_BareAppendTwoFiles(benchmark::State &state)
{
    Folder folder;
    const QByteArray bytes = (Log::formatarLinha(Log::Nivel::Info, message) + QLatin1Char('\n')).toUtf8();
    for (auto _ : state) {
        for (const char *name : {"z3_log.txt", "diario/bare.txt"}) {
            QFile f(QString::fromLatin1(name));
            f.open(QIODevice::WriteOnly | QIODevice::Append);
            f.write(bytes);
        }
    }
}
BENCHMARK(BM_BareAppendTwoFiles);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
