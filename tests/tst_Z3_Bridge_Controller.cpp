#include "TestSupport.h"
#include "backends/Z3_Bridge_Controller.h"
#include "backends/Z3_Bridge_VO.h"
#include "nucleo/NucleoTransacao.h"

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

// TEF product 1: value rules and what needs no library on the backend itself; the rest through a copy of the
// real program with the simulated Z3_Bridge01 library and the POS client, looking at nothing but files.
class TestZ3BridgeController : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_programa;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString logText() const { return QString::fromUtf8(testsupport::readAll(path("z3_log.txt"))); }
    QList<QJsonObject> chamadas() const { return testsupport::chamadasSimuladas(path("sim_log.jsonl")); }

    // One exchange through the POS client; the response's bytes land in `copia`.
    QString posClient(const QStringList &args, const QString &copia)
    {
        QString saida;
        const QStringList opcoes{"--config", path("config_tef.json"), "--response-timeout",
                                 "30000",    "--save-response",       copia};
        return testsupport::runPosClient(opcoes + args, 60000, &saida) == 0 ? QString() : saida + logText();
    }

private slots:
    // A folder with the executable, its configuration and the exchange folders.
    void initTestCase()
    {
        QVERIFY(m_dir.isValid() && QFileInfo::exists(QStringLiteral(Z3_BIN_DIR "/Z3_Bridge01.so")));
        QVERIFY(QFile::copy(Z3_BIN_DIR "/Z3_TEFZoduvud", path("Z3_TEFZoduvud")));
        QVERIFY(QDir(m_dir.path()).mkpath("Req") && QDir(m_dir.path()).mkpath("Resp"));
        const QString config = R"({"path_in":"%1","path_out":"%2","produto_tef":1,"tipo_operacao":0,"log":1})";
        QVERIFY(testsupport::writeAll(path("config_tef.json"), config.arg(path("Req"), path("Resp")).toUtf8()));
        // A fixed clock, so that the responses can be compared byte for byte.
        QVERIFY(testsupport::writeAll(path("cenario.json"), R"({"data_hora": "06/12/2026 10:15:30"})"));

        m_programa = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &kv : QStringList{
                 "HOME=" + m_dir.path(), "Z3_LIB_DIR=" Z3_BIN_DIR, "Z3_SIM_LOG=" + path("sim_log.jsonl"),
                 "Z3_SIM_CENARIO=" + path("cenario.json"), "QT_QPA_PLATFORM=offscreen", "QT_QUICK_BACKEND=software",
                 // The pauses do not change a byte of the responses; the real ones are checked end to end elsewhere.
                 "Z3_PAUSAS_DIVISOR=10"})
            env.insert(kv.section('=', 0, 0), kv.section('=', 1));
        for (const char *fora : {"Z3_LOG", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(fora);
        m_programa->setProcessEnvironment(env);
        m_programa->setWorkingDirectory(m_dir.path());
        m_programa->setStandardOutputFile(QProcess::nullDevice());
        m_programa->setStandardErrorFile(QProcess::nullDevice());
        m_programa->start(path("Z3_TEFZoduvud"), QStringList());
        QVERIFY(m_programa->waitForStarted(30000));
        const QString inicio = "[MonitoraDiretorio] Monitoramento iniciado em: ";
        testsupport::waitUntil([&] { return logText().contains(inicio) || m_programa->state() != QProcess::Running; },
                               30000);
        QVERIFY2(m_programa->state() == QProcess::Running && logText().contains(inicio), qPrintable(logText()));
    }

    void cleanupTestCase() { testsupport::stopProcess(m_programa.get()); }

    void valueRules_data()
    {
        QTest::addColumn<QString>("parametros");
        QTest::addColumn<QString>("vo"); // id|store|amount|instalment kind|instalments|date and time
        // The store number is "z3" unless the request gives one.
        const auto linha = [](const char *nome, const char *parametros, const char *vo) {
            QTest::newRow(nome) << QString(parametros) << QString(vo);
        };
        linha("all given", R"({"identificacao":"77","numero_pdv":"005","valor":"1000"})", "77|005|1000|0|0|");
        linha("identification not a number", R"({"identificacao":"A12"})", "-1|z3||0|0|");
        linha("amount with a comma", R"({"valor":"12,50"})", "-1|z3|1250|0|0|");
        linha("single payment: no kind, one instalment", R"({"quantidade_parcelas":"1"})", "-1|z3||1|0|");
        linha("no kind, three instalments", R"({"quantidade_parcelas":"3"})", "-1|z3||0|0|");
        linha("store instalments", R"({"tipo_parcelamento":"0","quantidade_parcelas":"3"})", "-1|z3||3|3|");
        linha("issuer instalments", R"({"tipo_parcelamento":"1","quantidade_parcelas":"6"})", "-1|z3||2|6|");
        linha("unknown instalment kind", R"({"tipo_parcelamento":"7","quantidade_parcelas":"2"})", "-1|z3||-1|2|");
        linha("kind without a count", R"({"tipo_parcelamento":"1"})", "-1|z3||2|0|");
        linha("date and time", R"({"data_transacao":"06122026","hora_transacao":"101530"})",
              "-1|z3||0|0|06/12/2026 10:15:30");
        linha("date without time", R"({"data_transacao":"06122026"})", "-1|z3||0|0|06/12/2026");
        linha("no date, time alone", R"({"hora_transacao":"101530"})", "-1|z3||0|0|");
        linha("date that is no date kept as sent", R"({"data_transacao":"31022026","hora_transacao":"1015"})",
              "-1|z3||0|0|310220261015");
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

    // Answered by the backend alone, never by a library call: at once and without the window when nothing moves
    // money; with a failure the POS can read for a request the parser refused or a library that is missing.
    void answeredWithoutTheLibrary_data()
    {
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("motivo"); // the parser's "msg_erro", or "sem biblioteca"
        QTest::addColumn<QString>("resultado");
        const auto linha = [](const char *nome, const char *header, const QString &motivo, const QString &r) {
            QTest::newRow(nome) << header << motivo << r;
        };
        const QString falha = R"({"identificadorTransacaoAutomacao":"123","mensagemResultado":"%1","operacao":"CRT",)"
                              R"("resultadoTransacao":%2,"z3_bridge_code":%2,"z3_bridge_msg":"%1","z3_pdv":"z3"})";
        const QString recusa = "Chave registro final [999-999] não encontrada";
        for (const char *op : {"ATV", "CNF", "NCN"})
            linha(op, op, "", QString(R"({"header":"%1","identificadorTransacaoAutomacao":"123"})").arg(op));
        linha("refused request", "CRT", recusa, falha.arg(recusa).arg(-9999));
        linha("library missing", "CRT", "sem biblioteca", falha.arg("Biblioteca Z3_Bridge não foi carregada").arg(-2));
    }

    void answeredWithoutTheLibrary()
    {
        QFETCH(QString, header);
        QFETCH(QString, motivo);
        const bool semBiblioteca = motivo == "sem biblioteca";
        QTemporaryDir dir;
        const QString log = dir.filePath("sim_log.jsonl");
        const QByteArray bibliotecas = qgetenv("Z3_LIB_DIR");
        qputenv("Z3_SIM_LOG", QFile::encodeName(log));
        if (semBiblioteca)
            qputenv("Z3_LIB_DIR", QFile::encodeName(dir.path()));
        Z3_Bridge_Controller controller;
        qputenv("Z3_LIB_DIR", bibliotecas);
        QCOMPARE(controller.bibliotecaCarregada(), !semBiblioteca);
        NucleoTransacao nucleo(controller, 1, dir.filePath("diario_tef.jsonl"));
        nucleo.usarPausas(Pausas().divididas(100));
        QSignalSpy janela(&controller.janela(), &Janela::trazidaParaFrente);
        QJsonObject requisicao{{"operacao", 0},
                               {"header", header},
                               {"parametros", QJsonObject{{"identificacao", "123"}, {"valor", "1000"}}}};
        if (!motivo.isEmpty() && !semBiblioteca)
            requisicao.insert("msg_erro", motivo);
        const QJsonObject resultado = testsupport::executar(
            nucleo, Requisicao::doPdv(QJsonDocument(requisicao).toJson(QJsonDocument::Compact), false));
        qunsetenv("Z3_SIM_LOG");

        QTEST(QString::fromUtf8(QJsonDocument(resultado).toJson(QJsonDocument::Compact)), "resultado");
        QCoreApplication::sendPostedEvents();
        QCOMPARE(janela.isEmpty(), header != "CRT"); // no status screen, hence no pause before the answer
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
        if (recebida != testsupport::dataFile(golden))
            testsupport::writeAll(golden, recebida); // kept beside the test program, for a new golden file
        QCOMPARE(QString::fromUtf8(recebida), QString::fromUtf8(testsupport::dataFile(golden)));
    }
};

QTEST_GUILESS_MAIN(TestZ3BridgeController)
#include "tst_Z3_Bridge_Controller.moc"
