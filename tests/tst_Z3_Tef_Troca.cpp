// The whole road of a request with TEF product 2: the POS client program writes
// request files, the directory monitor hands them to the Z3_Tef backend, which
// drives the simulated library, and the response file comes back converted.
#include "ChamadasSimuladas.h"
#include "TestJournal.h"
#include "TestSupport.h"

#include "app/ConfigTef.h"
#include "app/GlobalFlags.h"
#include "app/Wiring.h"
#include "exchange/MonitoraDiretorio.h"
#include "tef/Z3_Tef_Controller.h"

#include <QDir>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestZ3TefTroca : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void vendaPeloPdv_data();
    void vendaPeloPdv();

private:
    QString pasta(const char *nome) const { return m_dir->path() + QLatin1Char('/') + QLatin1String(nome); }
    // Runs the client to its end while this thread keeps serving; its exit code.
    int cliente(const QStringList &argumentos);
    // The response fields the client printed, "NNN-NNN" to value.
    QMap<QString, QString> campos() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Z3_Tef_Controller> m_backend;
    std::unique_ptr<MonitoraDiretorio> m_monitor;
    QString m_saida;
};

void TestZ3TefTroca::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("Z3_LIB_DIR"))
        qputenv("Z3_LIB_DIR", Z3_BIN_DIR);
    // The backend's own settings: no customer display, file exchange.
    testsupport::writeConfig(QJsonObject{{"vitra", 0}, {"tipo_operacao", 0}});
}

void TestZ3TefTroca::init()
{
    tefEmProcessamento = false;
    requisicaoJson = false;
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("Z3_SIM_LOG", pasta("chamadas.jsonl").toUtf8());
    const QJsonObject config{{"path_in", pasta("req")}, {"path_out", pasta("resp")}, {"produto_tef", 2}};
    QVERIFY(testsupport::writeAll(pasta("config_tef.json"), QJsonDocument(config).toJson()));
    testsupport::removeJournal();
    m_backend = std::make_unique<Z3_Tef_Controller>();
    QVERIFY(m_backend->bibliotecaCarregada());
    m_monitor = std::make_unique<MonitoraDiretorio>(ConfigTef(pasta("config_tef.json")));
    wiring::connectBackend(m_backend.get());
    wiring::connectMonitor(m_monitor.get(), m_backend.get(), nullptr);
    QFile::remove(pasta("chamadas.jsonl"));
    m_monitor->iniciarMonitoramento();
}

void TestZ3TefTroca::cleanup()
{
    QDeadlineTimer prazo(30000);
    while (m_backend && m_backend->isRunning() && !prazo.hasExpired()) {
        if (m_backend->aguardandoOperador())
            m_backend->onClickButtonCancelar();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    m_monitor.reset();
    m_backend.reset();
    m_dir.reset();
}

int TestZ3TefTroca::cliente(const QStringList &argumentos)
{
    const QStringList pastas{"--req", pasta("req"), "--resp", pasta("resp"), "--response-timeout", "30000"};
    return testsupport::runPosClient(pastas + argumentos, 90000, &m_saida);
}

QMap<QString, QString> TestZ3TefTroca::campos() const
{
    QMap<QString, QString> r;
    static const QRegularExpression linha(QStringLiteral("^\\s*(\\d{3}-\\d{3})\\s*=\\s?(.*)$"));
    for (const QString &l : m_saida.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = linha.match(l.trimmed());
        if (m.hasMatch() && !r.contains(m.captured(1)))
            r.insert(m.captured(1), m.captured(2).trimmed());
    }
    return r;
}

void TestZ3TefTroca::vendaPeloPdv_data()
{
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<QStringList>("funcoes");
    QTest::addColumn<QString>("requerConfirmacao"); // 729-000 of a key-number response; empty: JSON response
    const QStringList venda{"CRT", "--valor", "1000", "--field", "011-000=10", "--then", "CNF"};
    QTest::newRow("key-number sale stays pending until the CNF")
        << QStringList{"--id", "40"} + venda
        << QStringList{"IniciarOperacaoTEF", "RealizarPagamentoTEF", "ConfirmarOperacaoTEF2", "FinalizarOperacaoTEF"}
        << "2";
    QTest::newRow("JSON sale is confirmed at once")
        << QStringList{"--json", "--id", "40"} + venda
        << QStringList{"IniciarOperacaoTEF", "RealizarPagamentoTEF", "ConfirmarOperacaoTEF", "FinalizarOperacaoTEF"}
        << "";
    QTest::newRow("declined sale asks no confirmation")
        << QStringList{"CRT", "--id", "40", "--valor", "1051", "--field", "011-000=20"}
        << QStringList{"IniciarOperacaoTEF", "RealizarPagamentoTEF", "FinalizarOperacaoTEF"} << "1";
}

void TestZ3TefTroca::vendaPeloPdv()
{
    QFETCH(QStringList, argumentos);
    QFETCH(QString, requerConfirmacao);
    const int codigo = cliente(argumentos);
    QVERIFY2(codigo == 0, qPrintable(m_saida));
    QTRY_VERIFY_WITH_TIMEOUT(!m_backend->isRunning() && m_monitor->monitorando(), 15000);
    QTEST(testsupport::funcoesSimuladas(pasta("chamadas.jsonl")), "funcoes");
    QVERIFY(m_backend->pendentes().isEmpty());
    QVERIFY(!m_backend->isTefStarted());
    QVERIFY(QDir(pasta("req")).entryList(QDir::Files).isEmpty());
    QVERIFY(QDir(pasta("resp")).entryList(QDir::Files).isEmpty());
    if (requerConfirmacao.isEmpty())
        return; // the client prints a JSON response by member names
    // The key-number response as the POS reads it.
    const QMap<QString, QString> r = campos();
    QCOMPARE(r.value("000-000"), QStringLiteral("CRT"));
    QCOMPARE(r.value("001-000"), QStringLiteral("40"));
    QCOMPARE(r.value("729-000"), requerConfirmacao);
    if (requerConfirmacao == QLatin1String("2")) {
        QCOMPARE(r.value("009-000"), QStringLiteral("0"));
        QCOMPARE(r.value("003-000"), QStringLiteral("1000"));
        QVERIFY2(!r.value("027-000").isEmpty(), qPrintable(m_saida));
    } else {
        QVERIFY2(!r.value("009-000").isEmpty() && r.value("009-000") != QLatin1String("0"), qPrintable(m_saida));
    }
}

QTEST_MAIN(TestZ3TefTroca)
#include "tst_Z3_Tef_Troca.moc"
