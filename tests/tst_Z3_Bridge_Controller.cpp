#include "TestSupport.h"
#include "app/GlobalFlags.h"
#include "tef/Z3_Bridge_Controller.h"
#include "tef/Z3_Bridge_VO.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// TEF product 1, the bridge library. The value rules and the operations that
// need no library are checked on the backend itself; everything else through
// a copy of the real program with the simulated Z3_Bridge01 library and the
// POS client on the other side of the folders, looking at nothing but files.
class TestZ3BridgeController : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_programa;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString logText() const { return QString::fromUtf8(testsupport::readAll(path("z3_log.txt"))); }

    QList<QJsonObject> chamadas() const { return testsupport::chamadasSimuladas(path("sim_log.jsonl")); }

    // A fresh folder with the executable, its configuration and the exchange
    // folders; without the library, the program finds an empty folder instead.
    void iniciar(bool comBiblioteca)
    {
        parar();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(QFile::copy(Z3_BIN_DIR "/Z3_TEFZoduvud", path("Z3_TEFZoduvud")));
        for (const char *pasta : {"Req", "Resp", "sem_bibliotecas"})
            QVERIFY(QDir(m_dir->path()).mkpath(pasta));
        const QString config = R"({"path_in":"%1","path_out":"%2","produto_tef":1,"tipo_operacao":0,"log":1})";
        QVERIFY(testsupport::writeAll(path("config_tef.json"), config.arg(path("Req"), path("Resp")).toUtf8()));
        // A fixed clock, so that the responses can be compared byte for byte.
        QVERIFY(testsupport::writeAll(path("cenario.json"), R"({"data_hora": "06/12/2026 10:15:30"})"));

        m_programa = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &kv : QStringList{
                 "HOME=" + m_dir->path(), "Z3_LIB_DIR=" + (comBiblioteca ? Z3_BIN_DIR : path("sem_bibliotecas")),
                 "Z3_SIM_LOG=" + path("sim_log.jsonl"), "Z3_SIM_CENARIO=" + path("cenario.json"),
                 "QT_QPA_PLATFORM=offscreen", "QT_QUICK_BACKEND=software"})
            env.insert(kv.section('=', 0, 0), kv.section('=', 1));
        for (const char *fora : {"Z3_LOG", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(fora);
        m_programa->setProcessEnvironment(env);
        m_programa->setWorkingDirectory(m_dir->path());
        m_programa->setStandardOutputFile(QProcess::nullDevice());
        m_programa->setStandardErrorFile(QProcess::nullDevice());
        m_programa->start(path("Z3_TEFZoduvud"), QStringList());
        QVERIFY(m_programa->waitForStarted(30000));
        const QString inicio = "[MonitoraDiretorio] Monitoramento iniciado em: ";
        testsupport::waitUntil([&] { return logText().contains(inicio) || m_programa->state() != QProcess::Running; },
                               30000);
        QVERIFY2(m_programa->state() == QProcess::Running && logText().contains(inicio), qPrintable(logText()));
    }

    void parar()
    {
        testsupport::stopProcess(m_programa.get());
        m_programa.reset();
    }

    // One exchange through the POS client; the response's bytes land in `copia`.
    QString posClient(const QStringList &args, const QString &copia)
    {
        QString saida;
        const QStringList opcoes{"--config", path("config_tef.json"), "--response-timeout",
                                 "30000",    "--save-response",       copia};
        return testsupport::runPosClient(opcoes + args, 60000, &saida) == 0 ? QString() : saida + logText();
    }

    // Each "id = value" of `esperado` ("|" between them) is in the response.
    static void confere(const QByteArray &resposta, const QString &esperado)
    {
        QMap<QString, QString> c;
        for (const QString &linha : QString::fromUtf8(resposta).split("\r\n"))
            c.insert(linha.section(" = ", 0, 0), linha.section(" = ", 1));
        for (const QString &e : esperado.split('|'))
            QCOMPARE(e.section(" = ", 0, 0) + " = " + c.value(e.section(" = ", 0, 0)), e);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo::exists(QStringLiteral(Z3_BIN_DIR "/Z3_Bridge01.so")));
        iniciar(true);
    }

    void cleanupTestCase() { parar(); }

    void valueRules_data()
    {
        QTest::addColumn<QString>("parametros");
        QTest::addColumn<QString>("vo"); // id|store|amount|instalment kind|instalments|date and time
        // The store number is "z3" unless the request gives one.
        QTest::newRow("all given") << R"({"identificacao":"77","numero_pdv":"005","valor":"1000"})"
                                   << "77|005|1000|0|0|";
        QTest::newRow("identification not a number") << R"({"identificacao":"A12"})"
                                                     << "-1|z3||0|0|";
        QTest::newRow("amount with a comma") << R"({"valor":"12,50"})"
                                             << "-1|z3|1250|0|0|";
        QTest::newRow("single payment: no kind, one instalment") << R"({"quantidade_parcelas":"1"})"
                                                                 << "-1|z3||1|0|";
        QTest::newRow("no kind, three instalments") << R"({"quantidade_parcelas":"3"})"
                                                    << "-1|z3||0|0|";
        QTest::newRow("store instalments") << R"({"tipo_parcelamento":"0","quantidade_parcelas":"3"})"
                                           << "-1|z3||3|3|";
        QTest::newRow("issuer instalments") << R"({"tipo_parcelamento":"1","quantidade_parcelas":"6"})"
                                            << "-1|z3||2|6|";
        QTest::newRow("unknown instalment kind") << R"({"tipo_parcelamento":"7","quantidade_parcelas":"2"})"
                                                 << "-1|z3||-1|2|";
        QTest::newRow("kind without a count") << R"({"tipo_parcelamento":"1"})"
                                              << "-1|z3||2|0|";
        QTest::newRow("date and time") << R"({"data_transacao":"06122026","hora_transacao":"101530"})"
                                       << "-1|z3||0|0|06/12/2026 10:15:30";
        QTest::newRow("date without time") << R"({"data_transacao":"06122026"})"
                                           << "-1|z3||0|0|06/12/2026";
        QTest::newRow("no date, time alone") << R"({"hora_transacao":"101530"})"
                                             << "-1|z3||0|0|";
        QTest::newRow("date that is no date kept as sent") << R"({"data_transacao":"31022026","hora_transacao":"1015"})"
                                                           << "-1|z3||0|0|310220261015";
    }

    void valueRules()
    {
        QFETCH(QString, parametros);
        const Z3_Bridge_VO vo = Z3_Bridge_VO::fromRequest(
            {{"header", "CRT"}, {"parametros", QJsonDocument::fromJson(parametros.toUtf8()).object()}});
        QCOMPARE(vo.operacao, "CRT");
        QTEST(QStringList({QString::number(vo.idTransacao), vo.pdv, vo.valorTotal,
                           QString::number(vo.tipoFinanciamento), QString::number(vo.numParcelas), vo.dataHora})
                  .join('|'),
              "vo");
    }

    void answeredAtOnceWithoutLibrary_data()
    {
        QTest::addColumn<QString>("operacao");
        QTest::newRow("activity check") << "ATV";
        QTest::newRow("confirmation") << "CNF";
        QTest::newRow("non-confirmation") << "NCN";
    }

    void answeredAtOnceWithoutLibrary()
    {
        QFETCH(QString, operacao);
        QTemporaryDir dir;
        const QString log = dir.filePath("sim_log.jsonl");
        qputenv("Z3_SIM_LOG", QFile::encodeName(log));
        Z3_Bridge_Controller controller;
        QVERIFY(controller.bibliotecaCarregada());
        QSignalSpy resultado(&controller, &Base_Controller::responseProcessTEF);
        QSignalSpy janela(&controller, &Base_Controller::showWindow);
        controller.setJsonConfigs(
            QStringLiteral(R"({"operacao":-6,"header":"%1","parametros":{"identificacao":"123"}})").arg(operacao));
        tefEmProcessamento = false;
        controller.start();
        QVERIFY(controller.wait(QDeadlineTimer(10000)));
        tefEmProcessamento = false;
        qunsetenv("Z3_SIM_LOG");

        QCOMPARE(resultado.size(), 1);
        QCOMPARE(resultado.first().first().toString(),
                 QStringLiteral(R"({"header":"%1","identificadorTransacaoAutomacao":"123"})").arg(operacao));
        QVERIFY(janela.isEmpty()); // no status screen, hence no pause before the answer
        QVERIFY(testsupport::chamadasSimuladas(log).isEmpty());
    }

    // Through the real program: the request reaches the entry point the
    // operation asks for with the values the request gave, and the response
    // file is exactly the golden one. The rows run in order: the cancellation
    // undoes the credit sale, and the administrative summary counts them all.
    void exchange_data()
    {
        QTest::addColumn<QString>("pedido"); // the POS client's arguments
        QTest::addColumn<QString>("golden");
        QTest::addColumn<QString>("funcao");
        QTest::addColumn<QString>("argumentos");
        const auto linha = [](const char *nome, const char *pedido, const char *golden, const char *funcao,
                              const char *argumentos) {
            QTest::newRow(nome) << pedido << QString("bridge_e2e_%1.resp").arg(golden) << funcao << argumentos;
        };
        linha("credit sale in three store instalments",
              "CRT --id 201 --valor 1250 --pdv 007 --field 731-000=1 --tipo-parcelamento 0 --parcelas 3", "credito",
              "IniciaVendaCredito", R"([201,"007","1250",3,3])");
        linha("debit sale", "CRT --id 202 --valor 4590 --field 731-000=2", "debito", "IniciaVendaDebito",
              R"([202,"z3","4590"])");
        linha("declined sale", "CRT --id 203 --valor 1051 --field 731-000=1", "negada", "IniciaVendaCredito",
              R"([203,"z3","1051",0,0])");
        linha("cancellation of the approved credit sale",
              "CNC --id 204 --valor 1250 --nsu 000001 --data 06122026 --hora 101530", "cancelamento",
              "IniciaCancelamentoVenda", R"([204,"z3","1250","06/12/2026 10:15:30","000001"])");
        linha("administrative operation", "ADM --id 205", "adm", "IniciaOperacaoAdministrativa", R"([205,"z3",0])");
    }

    void exchange()
    {
        QFETCH(QString, pedido);
        QFETCH(QString, golden);
        QFETCH(QString, argumentos);
        const int antes = chamadas().size();
        const QString copia = path(golden);
        const QString falha = posClient(pedido.split(' '), copia);
        QVERIFY2(falha.isEmpty(), qPrintable(falha));

        const QList<QJsonObject> feitas = chamadas().mid(antes);
        QCOMPARE(feitas.size(), 1); // one library call per operation
        QTEST(feitas.first().value("funcao").toString(), "funcao");
        QCOMPARE(feitas.first().value("argumentos").toArray(), QJsonDocument::fromJson(argumentos.toUtf8()).array());
        const QByteArray recebida = testsupport::readAll(copia);
        if (recebida != testsupport::dataFile(golden)) {
            // Kept beside the test program, for a look or a new golden file.
            testsupport::writeAll(golden, recebida);
            QFAIL(qPrintable(QString("response differs from %1, kept in %2/%1:\n%3")
                                 .arg(golden, QDir::currentPath(), QString::fromUtf8(recebida))));
        }
    }

    void refusedRequestNeverReachesTheLibrary()
    {
        const int antes = chamadas().size();
        QVERIFY(testsupport::writeAll(path("Req/pedido.tmp"), "000-000 = CRT\n001-000 = 94\n003-000 = 1000\n"));
        QVERIFY(QFile::rename(path("Req/pedido.tmp"), path("Req/IntPos.001")));
        QVERIFY2(testsupport::waitForFile(path("Resp/IntPos.001"), 30000), qPrintable(logText()));
        confere(testsupport::readAll(path("Resp/IntPos.001")),
                "000-000 = CRT|001-000 = 94|009-000 = -9999|030-000 = Chave registro final [999-999] não encontrada");
        QVERIFY(QFile::remove(path("Resp/IntPos.001")) && QFile::remove(path("Resp/IntPos.Sts")));
        QCOMPARE(chamadas().size(), antes);
    }

    void missingLibraryStillAnswers()
    {
        iniciar(false);
        QVERIFY(logText().contains("[Z3_Bridge_Controller] Erro ao carregar a biblioteca do Z3_Bridge"));
        const QString copia = path("resposta");
        const QString falha = posClient({"CRT", "--id", "301", "--valor", "1000", "--field", "731-000=1"}, copia);
        QVERIFY2(falha.isEmpty(), qPrintable(falha));
        confere(testsupport::readAll(copia),
                "001-000 = 301|009-000 = -2|030-000 = Biblioteca Z3_Bridge não foi carregada");
        // Still serving afterwards.
        QVERIFY(posClient({"ATV", "--id", "302"}, copia).isEmpty());
        QCOMPARE(m_programa->state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(TestZ3BridgeController)
#include "tst_Z3_Bridge_Controller.moc"
