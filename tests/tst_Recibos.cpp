// The receipts: PDF files in the dated tree, and printing on the simulated printer library and on a real print
// system (a private cupsd started by the ctest fixture; CUPS_SERVER points here at its socket).
#include "TestSupport.h"
#include "receipts/GravacaoRecibo.h"
#include "receipts/ImpressaoRecibo.h"
#include "receipts/Recibo.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A receipt of `linhas` 40-column lines, accented as the real ones are.
QString recibo(int linhas, const QString &via)
{
    QStringList l{"AUTORIZAÇÃO Nº 123456 - CRÉDITO À VISTA", via};
    while (l.size() < linhas)
        l << QString("%1 ......................................").arg(l.size(), 2, 10, QLatin1Char('0'));
    return l.mid(0, linhas).join("\r\n");
}

QJsonObject dados(const QString &transacao, int linhas = 12)
{
    return {{"transacao", transacao},
            {"nsuTerminal", "000123"},
            {"comprovanteDiferenciadoLoja", recibo(linhas, "VIA LOJA")},
            {"comprovanteDiferenciadoPortador", recibo(linhas, "VIA CLIENTE")}};
}

QString saida(const QString &programa, const QStringList &argumentos)
{
    QProcess p;
    p.start(programa, argumentos);
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// "204 x 567": pdfinfo's page size in points.
QString pagina(const QString &pdf)
{
    const auto m = QRegularExpression("Page size:\\s+(\\S+) x (\\S+) pts").match(saida("pdfinfo", {pdf}));
    return m.captured(1) + " x " + m.captured(2);
}

} // namespace

class TestRecibos : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    const QString m_simLog = m_dir.filePath("chamadas.jsonl"), m_spool = m_dir.filePath("spool"),
                  m_cenario = m_dir.filePath("cenario.json");

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("Z3_SIM_LOG", m_simLog.toUtf8());
        qputenv("Z3_SIM_IMPRESSORA", m_spool.toUtf8());
        qputenv("Z3_SIM_CENARIO", m_cenario.toUtf8());
    }

    void init()
    {
        QFile::remove(m_simLog);
        QDir(m_spool).removeRecursively();
        testsupport::writeAll(m_cenario, "{}");
        qputenv("Z3_LIB_DIR", Z3_BIN_DIR);
    }

    // Each product's JSON result gives the workers the same receipt data: its copies as texts, the NSU and the
    // operation by the name its files are filed under.
    void dadosDeCadaProduto_data()
    {
        QTest::addColumn<QJsonObject>("resultado");
        QTest::addColumn<QString>("esperado"); // merchant's first line|holder's first line|NSU|operation; empty: none
        QJsonObject vantor = QJsonDocument::fromJson(testsupport::dataFile("vantor_venda.json")).object();
        QJsonObject bridge = QJsonDocument::fromJson(testsupport::dataFile("bridge_venda.json")).object();
        vantor["operacao"] = 2;
        bridge["operacao"] = "CRT";
        const QString vias = "        VARDA PAY - VIA ESTABELECIMENTO|          VARDA PAY - VIA CLIENTE|";
        QTest::newRow("produto 0: venda") << vantor << vias + "000456|Cartao Vender";
        QTest::newRow("produto 1: venda em linhas") << bridge << vias + "123|Cartao Vender";
        vantor = {{"operacao", 128}, {"comprovante_loja", "REIMPRESSAO\nVIA"}};
        QTest::newRow("produto 0: reimpressão, sem dados") << vantor << "REIMPRESSAO|||Administracao Reimprimir";
        bridge = {{"operacao", "ADM"}, {"comprovanteCompleto", QJsonArray{"RESUMO", "2"}}, {"nsuTerminal", {}}};
        QTest::newRow("produto 1: resumo, o comprovante completo")
            << bridge << "RESUMO|||Administracao Extrato Transacao";
        QTest::newRow("negada, sem vias")
            << QJsonObject{{"operacao", "CRT"}, {"comprovanteDiferenciadoLoja", {}}} << "";
    }

    void dadosDeCadaProduto()
    {
        QFETCH(QJsonObject, resultado);
        const QJsonObject d = Recibo::dadosDoResultado(resultado);
        QStringList lido;
        for (const char *chave : {"comprovanteDiferenciadoLoja", "comprovanteDiferenciadoPortador"})
            lido << d.value(QLatin1String(chave)).toString().section('\n', 0, 0);
        lido << d.value("nsuTerminal").toString() << d.value("transacao").toString();
        QTEST(Recibo::temVia(d) ? lido.join('|') : QString(), "esperado");
    }

    void pdfNomesEPastas_data()
    {
        QTest::addColumn<QJsonObject>("recibo");
        QTest::addColumn<int>("vezes");
        QTest::addColumn<QString>("base");         // {tmp}: a fresh folder
        QTest::addColumn<QString>("obstaculo");    // a folder made in the way, in the dated folder
        QTest::addColumn<QStringList>("arquivos"); // under TEF/, {d} = year/month/day; empty: each copy fails
        QTest::addColumn<QString>("texto");        // the page size (pdfinfo), or the failure's message

        const auto linha = [](const char *nome, const QJsonObject &recibo, int vezes, const char *base,
                              const char *obstaculo, const QStringList &arquivos, const QString &texto) {
            QTest::newRow(nome) << recibo << vezes << QString(base) << QString(obstaculo) << arquivos << texto;
        };
        const QString v = "VENDA/{d}/via_%1_nsu_000123.pdf";
        const QStringList venda{v.arg("lojista"), v.arg("cliente")};
        linha("venda, 40 linhas", dados("Cartao Vender", 40), 1, "{tmp}", "", venda, "204 x 567");
        linha("cancelamento", dados("Administracao Cancelar"), 1, "{tmp}", "",
              {"ADM/{d}/adm_canc_lojista_nsu_000123.pdf", "ADM/{d}/adm_canc_cliente_nsu_000123.pdf"}, "204 x 170");
        linha("pix, 10 linhas", dados("Digital Pagar", 10), 1, "{tmp}", "",
              {"PIX/{d}/lojista_nsu_000123.pdf", "PIX/{d}/cliente_nsu_000123.pdf"}, "204 x 142");
        linha("reimpressao, texto vazio", dados("Administracao Reimprimir", 0), 1, "{tmp}", "",
              {"ADM/{d}/adm_reimpressao_lojista_000123.pdf", "ADM/{d}/adm_reimpressao_cliente_000123.pdf"}, "204 x 14");
        linha("mesma venda duas vezes: substitui", dados("Cartao Vender"), 2, "{tmp}", "", venda, "204 x 170");
        linha("dois extratos no dia: nenhum substitui outro", dados("Administracao Extrato Transacao"), 2, "{tmp}", "",
              {"ADM/{d}/adm_extrato_transacao_lojista.pdf", "ADM/{d}/adm_extrato_transacao_cliente.pdf",
               "ADM/{d}/adm_extrato_transacao_lojista_2.pdf", "ADM/{d}/adm_extrato_transacao_cliente_2.pdf"},
              "204 x 170");
        QJsonObject semTransacao = dados(QString());
        semTransacao.remove("transacao");
        semTransacao["nsuTerminal"] = "../../1"; // never a folder
        linha("sem transacao: OUTROS", semTransacao, 1, "{tmp}", "",
              {"OUTROS/{d}/outros_lojista_nsu_1.pdf", "OUTROS/{d}/outros_cliente_nsu_1.pdf"}, "204 x 170");
        const QString caminho = "Falha na criação do PDF. Caminho inválido.";
        const QString gravar = "Falha na criação do PDF. Não foi possível gravar o arquivo";
        linha("base vazia", dados("Cartao Vender"), 1, "", "", {}, caminho);
        linha("base é um arquivo", dados("Cartao Vender"), 1, "{tmp}/f", "", {}, caminho);
        linha("o gravador não abre o arquivo", dados("Cartao Vender"), 1, "{tmp}", "via_%1_nsu_000123.pdf.part", {},
              gravar);
        linha("o arquivo não pode ser substituído", dados("Cartao Vender"), 1, "{tmp}", "via_%1_nsu_000123.pdf", {},
              gravar);
    }

    void pdfNomesEPastas()
    {
        QFETCH(QJsonObject, recibo);
        QFETCH(int, vezes);
        QFETCH(QString, base);
        QFETCH(QString, obstaculo);
        QFETCH(QStringList, arquivos);
        QFETCH(QString, texto);
        QTemporaryDir tmp;
        testsupport::writeAll(tmp.filePath("f"), "x");
        base.replace("{tmp}", tmp.path());
        const QString d = QDate::currentDate().toString("yyyy/M/d");
        const QString tef = base + "/TEF/";
        for (const char *via : {"lojista", "cliente"})
            if (!obstaculo.isEmpty())
                QVERIFY(QDir().mkpath(tef + "VENDA/" + d + "/" + obstaculo.arg(via)));

        GravacaoRecibo pdf;
        QSignalSpy spy(&pdf, &GravacaoRecibo::gravado);
        for (int i = 0; i < vezes; ++i) {
            pdf.setDados(recibo);
            pdf.setCaminhoBase(base);
            pdf.start();
            QVERIFY(pdf.wait(30000));
        }
        QCoreApplication::processEvents();
        QCOMPARE(spy.size(), 2 * vezes);
        QStringList relatados, gravados,
            esperados = arquivos.join('|').replace("{d}", d).split('|', Qt::SkipEmptyParts);
        for (const auto &args : spy) {
            const QJsonObject r = args.value(0).toJsonObject();
            QCOMPARE(r.value("result").toInt(), arquivos.isEmpty() ? -1 : 0);
            QVERIFY2(
                r.value("message").toString().startsWith(arquivos.isEmpty() ? texto : "Documento criado com sucesso!"),
                qPrintable(r.value("message").toString()));
            if (r.contains("caminho_pdf"))
                relatados << r.value("caminho_pdf").toString().mid(tef.size());
        }
        QDirIterator it(tef, {"*.pdf"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            gravados << it.next().mid(tef.size());
        relatados.removeDuplicates();
        for (QStringList *l : {&relatados, &gravados, &esperados})
            l->sort();
        QCOMPARE(relatados, esperados);
        QCOMPARE(gravados, esperados);
        // 72 mm wide, 5 mm a line, and every 40-column line on the page whole.
        for (const QString &a : qAsConst(esperados)) {
            QCOMPARE(pagina(tef + a), texto);
            const QString extraido = saida("pdftotext", {"-layout", tef + a, "-"});
            const QJsonValue copia =
                recibo.value(a.contains("cliente") ? "comprovanteDiferenciadoPortador" : "comprovanteDiferenciadoLoja");
            for (const QString &linha : copia.toString().split("\r\n", Qt::SkipEmptyParts))
                QVERIFY2(extraido.contains(linha), qPrintable(linha + "\n---\n" + extraido));
        }
    }

    void relatorioImpressao_data()
    {
        QTest::addColumn<QString>("impressora");
        QTest::addColumn<QString>("preparo");
        QTest::addColumn<int>("resultado"); // of each of the two copies
        QTest::addColumn<QString>("mensagem");
        QTest::addColumn<int>("ciclos"); // open, print, cut, close on the printer library

        const auto linha = [](const char *nome, const QString &impressora, const char *preparo, int resultado,
                              const QString &mensagem, int ciclos) {
            QTest::newRow(nome) << impressora << QString(preparo) << resultado << mensagem << ciclos;
        };
        const QString fabricante = ImpressaoRecibo::impressoraFabricante();
        const QString ok = "Impressão realizada com sucesso!", ausente = "Impressora não localizada";
        linha("biblioteca: duas vias", fabricante, "", 0, ok, 2);
        linha("biblioteca: conexão recusada -2", fabricante, "cenario -2", -2,
              "Erro de comunicação com a impressora: -2", 0);
        linha("biblioteca ausente", fabricante, "sem biblioteca", -1,
              "Erro ao carregar biblioteca de comunicação com impressoras", 0);
        linha("biblioteca sem Corte: nada é chamado", fabricante, "sem Corte", -1,
              "Função Corte da biblioteca Z3_Impressora01 não está disponível", 0);
        linha("impressora desconhecida", "Nao_Instalada", "", -1, ausente, 0);
        linha("cups: impresso", "Z3_Recibos", "", 0, ok, 0);
        linha("cups: fila removida, outra presente", "Z3_Removida", "remover", -1, ausente, 0);
        linha("cups: fila parada", "Z3_Parada", "", -1, "Impressora Z3_Parada está parada", 0);
        linha("cups: fila recusa trabalhos", "Z3_Recusa", "", -1, "Impressora Z3_Recusa não está aceitando trabalhos",
              0);
    }

    void relatorioImpressao()
    {
        QFETCH(QString, impressora);
        QFETCH(QString, preparo);
        QFETCH(int, resultado);
        QFETCH(QString, mensagem);
        QFETCH(int, ciclos);
        const bool cups = QByteArray(QTest::currentDataTag()).startsWith("cups");
        const QString saidas = qEnvironmentVariable("Z3_CUPS_DIR") + "/saida";
        if (cups && qEnvironmentVariableIsEmpty("CUPS_SERVER"))
            QSKIP("no private print system: run through ctest, whose fixture starts one");
        if (cups)
            QVERIFY(QDir(saidas).removeRecursively() && QDir().mkpath(saidas));
        QTemporaryDir libs;
        if (preparo == "cenario -2")
            testsupport::writeAll(m_cenario, R"({"impressora_abre_conexao": -2})");
        if (preparo == "sem Corte")
            QVERIFY(QFile::copy(Z3_BIN_DIR "/Z3_Impressora01_semCorte.so", libs.filePath("Z3_Impressora01.so")));
        if (preparo.startsWith("sem "))
            qputenv("Z3_LIB_DIR", libs.path().toUtf8());
        if (preparo == "remover") {
            QProcess lpadmin;
            lpadmin.start("lpadmin", {"-x", impressora});
            QVERIFY(lpadmin.waitForFinished(30000) && lpadmin.exitCode() == 0);
        }
        const QJsonObject recibo = dados("Cartao Vender");
        ImpressaoRecibo p;
        p.setImpressora(impressora);
        QSignalSpy spy(&p, &ImpressaoRecibo::impresso);
        p.setDados(recibo);
        p.start();
        QTRY_COMPARE_WITH_TIMEOUT(spy.size(), 2, 30000);
        for (const auto &args : spy) {
            QCOMPARE(args.value(0).toJsonObject().value("result").toInt(-99), resultado);
            QCOMPARE(args.value(0).toJsonObject().value("message").toString(), mensagem);
        }
        // The maker's printer: each copy one job with the fixed connection, the
        // exact UTF-8 bytes and one cut; a refused connection prints nothing.
        QStringList chamadas;
        for (int i = 0; i < ciclos; ++i)
            chamadas += QStringList{"AbreConexaoImpressora", "ImpressaoTexto", "Corte", "FechaConexaoImpressora"};
        if (preparo == "cenario -2")
            chamadas = QStringList{"AbreConexaoImpressora", "AbreConexaoImpressora"};
        QCOMPARE(testsupport::funcoesSimuladas(m_simLog), chamadas);
        const QStringList jobs = QDir(m_spool).entryList({"job-*.json"}, QDir::Files, QDir::Name);
        QCOMPARE(jobs.size(), ciclos);
        for (int i = 0; i < ciclos; ++i) {
            const QJsonObject job = QJsonDocument::fromJson(testsupport::readAll(m_spool + "/" + jobs[i])).object();
            QCOMPARE(job.value("conexao").toObject(),
                     (QJsonObject{{"tipo", 0}, {"modelo", "VARDA"}, {"conexao", ""}, {"parametro", 0}}));
            const QString via = i ? "comprovanteDiferenciadoPortador" : "comprovanteDiferenciadoLoja";
            QCOMPARE(QByteArray::fromBase64(job.value("texto_base64").toString().toLatin1()),
                     recibo.value(via).toString().toUtf8());
            QCOMPARE(job.value("impressoes").toArray().at(0).toArray().at(1), QJsonValue(1));
            QCOMPARE(job.value("cortes").toArray(), QJsonArray{4});
        }
        // The print system: nothing reached any queue but a printed one, whose PDF
        // came out of the scheduler 72 mm wide with the last copy's text.
        const QString pdf = saidas + "/" + impressora + ".pdf";
        if (!cups)
            return;
        if (resultado != 0) {
            QTest::qWait(300);
            QCOMPARE(QDir(saidas).entryList(QDir::Files), QStringList{});
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(saida("pdftotext", {"-layout", pdf, "-"}).contains("VIA CLIENTE"), 20000);
        QVERIFY(saida("pdftotext", {"-layout", pdf, "-"}).contains("AUTORIZAÇÃO Nº 123456 - CRÉDITO À VISTA"));
        QVERIFY2(pagina(pdf).startsWith("204 x "), qPrintable(pagina(pdf)));
    }
};

QTEST_MAIN(TestRecibos)
#include "tst_Recibos.moc"
