// The receipts' costs: writing both PDF copies of a 40-line receipt; one copy
// from ImpressaoRecibo to the PDF that comes out of a print system (CUPS_SERVER and
// Z3_CUPS_DIR: the private cupsd of tests/cups/cups-fixture.sh, queue
// Z3_Recibos); and the resident memory of 50 cashier's card sales, each
// printed on the simulated receipt printer and filed as PDF, then confirmed.
//   bench_recibos [rounds]
#include "app/TefAutonomo.h"
#include "app/Wiring.h"
#include "backends/Z3_Tef_Controller.h"
#include "base/ConfigTef.h"
#include "nucleo/DiarioTransacoes.h"
#include "nucleo/NucleoTransacao.h"
#include "nucleo/Ocupacao.h"
#include "receipts/GravacaoRecibo.h"
#include "receipts/ImpressaoRecibo.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

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

double mediana(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

QString recibo()
{
    QStringList l;
    for (int i = 0; i < 40; ++i)
        l << QStringLiteral("%1 CRÉDITO À VISTA ......................").arg(i, 2, 10, QLatin1Char('0'));
    return l.join(QStringLiteral("\r\n"));
}

bool esperar(const std::function<bool()> &condicao, int ms)
{
    QDeadlineTimer prazo(ms);
    while (!condicao()) {
        if (prazo.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
    return true;
}

// One cashier's card sale to its end, the confirmation run included.
bool venda(Z3_Tef_Controller &c, const Ocupacao &ocupacao)
{
    int respondidas = 0;
    emit c.janela().operacaoEscolhida(QStringLiteral("Venda Cartão"));
    return esperar(
        [&] {
            if (c.aguardandoOperador()) {
                c.onClickButtonOK(respondidas == 0 ? QStringLiteral("1000") : QStringLiteral("0"),
                                  respondidas == 0 ? 1 : 2);
                ++respondidas;
            }
            return respondidas >= 2 && ocupacao.livre();
        },
        30000);
}

void gravarConfig(const QJsonObject &config)
{
    QFile arquivo(ConfigTef::defaultFilePath());
    if (arquivo.open(QIODevice::WriteOnly | QIODevice::Truncate))
        arquivo.write(QJsonDocument(config).toJson());
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rodadas = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 20;
    QTemporaryDir dir;
    if (qEnvironmentVariableIsEmpty("Z3_LIB_DIR"))
        qputenv(
            "Z3_LIB_DIR",
            QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../../bin")).absolutePath().toLocal8Bit());

    // Both PDF copies of a 40-line receipt.
    const QString texto = recibo();
    std::vector<double> pdf;
    for (int i = 0; i < rodadas; ++i) {
        QElapsedTimer t;
        t.start();
        GravacaoRecibo::gerar(dir.path(), QStringLiteral("Cartao Vender"), QStringLiteral("lojista"),
                              QString::number(i), texto);
        GravacaoRecibo::gerar(dir.path(), QStringLiteral("Cartao Vender"), QStringLiteral("cliente"),
                              QString::number(i), texto);
        pdf.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("both PDF copies of a 40-line receipt, %d rounds: median %.1f ms\n", rodadas, mediana(pdf));

    // One copy through the print system, from the worker's start until its PDF is out.
    const QString cups = qEnvironmentVariable("Z3_CUPS_DIR");
    if (!cups.isEmpty() && !qEnvironmentVariableIsEmpty("CUPS_SERVER")) {
        gravarConfig({{"nome_impressora", "Z3_Recibos"}});
        const QString saida = cups + QStringLiteral("/saida/Z3_Recibos.pdf");
        std::vector<double> impressao;
        ImpressaoRecibo p;
        p.setDados({{"comprovanteDiferenciadoLoja", texto}});
        for (int i = 0; i < rodadas; ++i) {
            QFile::remove(saida);
            QElapsedTimer t;
            t.start();
            p.start();
            if (!esperar([&] { return QFileInfo(saida).size() > 0; }, 30000)) {
                std::printf("print system: no PDF came out\n");
                break;
            }
            impressao.push_back(t.nsecsElapsed() / 1e6);
            p.wait();
        }
        std::printf("ImpressaoRecibo start -> PDF out of the print system, %zu rounds: median %.1f ms\n",
                    impressao.size(), mediana(impressao));
    } else {
        std::printf("print system: skipped (set CUPS_SERVER and Z3_CUPS_DIR)\n");
    }

    // 50 cashier's sales, printed and filed, each confirmed on its own.
    QJsonObject config{{"vitra", 0},
                       {"tipo_operacao", 1},
                       {"habilita_impressao", true},
                       {"nome_impressora", ImpressaoRecibo::impressoraFabricante()},
                       {"gerar_pdf", true},
                       {"caminho_pdf", dir.filePath(QStringLiteral("pdf"))},
                       {"visualizar_pdf", false}};
    gravarConfig(config);
    QFile::remove(DiarioTransacoes::arquivoAoLadoDe(ConfigTef::defaultFilePath()));
    qputenv("Z3_SIM_IMPRESSORA", dir.filePath(QStringLiteral("spool")).toLocal8Bit());
    {
        Z3_Tef_Controller c;
        TefAutonomo autonomo{ConfigTef()};
        Ocupacao ocupacao;
        std::unique_ptr<NucleoTransacao> nucleo(wiring::criarNucleo(c, 2));
        wiring::conectar({nucleo.get(), &ocupacao, &c, nullptr, &autonomo, Pausas()});
        nucleo->recuperar();
        if (!venda(c, ocupacao)) {
            std::printf("the first sale did not finish\n");
            return 1;
        }
        const long inicio = memoriaKb("VmRSS");
        int feitas = 1;
        while (feitas < 50 && venda(c, ocupacao))
            ++feitas;
        esperar([&] { return autonomo.pdf()->isFinished() && autonomo.impressao()->isFinished(); }, 10000);
        const long fim = memoriaKb("VmRSS");
        std::printf("%d cashier's sales with printing and PDFs: VmRSS after the first %ld kB, after the last %ld kB "
                    "(growth %ld kB), %d printer jobs\n",
                    feitas, inicio, fim, fim - inicio,
                    QDir(dir.filePath(QStringLiteral("spool"))).entryList(QDir::Files).size());
    }
    return 0;
}
