// The exchange driven by the POS client program, as an integrator would run it:
// a separate process writing requests and reading answers through the folders.
// Single requests through the client run against the real backend in
// tst_Z3_Tef_Troca; how each operation is answered is tst_monitoradiretorio's.
#include "LogCapture.h"
#include "TestBackend.h"
#include "TestSupport.h"

#include "app/ConfigTef.h"
#include "app/GlobalFlags.h"
#include "app/Wiring.h"
#include "exchange/MonitoraDiretorio.h"

#include <QDir>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestTrocaPdv : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void burstOfRequestsServedOneByOne();
    void silentManagerReportedAsInactive();

private:
    QString pasta(const char *nome) const { return m_dir->path() + QLatin1Char('/') + QLatin1String(nome); }
    void iniciar();
    // Runs the client to its end while this thread keeps serving; its exit code.
    int cliente(const QStringList &argumentos, int prazoMs);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LogCapture> m_log;
    std::unique_ptr<TestBackend> m_backend;
    std::unique_ptr<MonitoraDiretorio> m_monitor;
    QString m_saida;
};

void TestTrocaPdv::init()
{
    tefEmProcessamento = false;
    operacaoAutonoma = false;
    atualizacaoSolicitada = false;
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_log = std::make_unique<LogCapture>();
}

void TestTrocaPdv::cleanup()
{
    if (m_backend) {
        m_backend->liberar();
        m_backend->wait();
    }
    m_monitor.reset();
    m_backend.reset();
    m_log.reset();
    m_dir.reset();
}

void TestTrocaPdv::iniciar()
{
    const QJsonObject config{{QStringLiteral("path_in"), pasta("req")},
                             {QStringLiteral("path_out"), pasta("resp")},
                             {QStringLiteral("produto_tef"), 2}};
    QVERIFY(testsupport::writeAll(pasta("config_tef.json"), QJsonDocument(config).toJson()));
    m_backend = std::make_unique<TestBackend>();
    m_monitor = std::make_unique<MonitoraDiretorio>(ConfigTef(pasta("config_tef.json")));
    wiring::connectMonitor(m_monitor.get(), m_backend.get(), nullptr);
    m_monitor->iniciarMonitoramento();
}

int TestTrocaPdv::cliente(const QStringList &argumentos, int prazoMs)
{
    const QStringList pastas{"--req", pasta("req"), "--resp", pasta("resp")};
    return testsupport::runPosClient(pastas + argumentos, prazoMs, &m_saida);
}

void TestTrocaPdv::burstOfRequestsServedOneByOne()
{
    iniciar();
    constexpr int n = 100;
    QCOMPARE(cliente({QStringLiteral("CRT"), QStringLiteral("--json"), QStringLiteral("--quiet"),
                      QStringLiteral("--id"), QStringLiteral("1"), QStringLiteral("--count"), QString::number(n)},
                     n * 5000),
             0);
    QTRY_VERIFY_WITH_TIMEOUT(!m_backend->isRunning() && m_monitor->monitorando(), 15000);

    // Each request reached the backend exactly once, in the order sent.
    const QStringList requisicoes = m_backend->requisicoes();
    QCOMPARE(requisicoes.size(), n);
    for (int i = 0; i < n; ++i) {
        const QJsonObject r = QJsonDocument::fromJson(requisicoes.at(i).toUtf8()).object();
        QCOMPARE(r.value(QLatin1String("parametros")).toObject().value(QLatin1String("identificacao")).toString(),
                 QString::number(i + 1));
    }
    QCOMPARE(m_backend->execucoes(), n);
    QCOMPARE(m_log->contar(QStringLiteral("[MonitoraDiretorio] Arquivo renomeado com sucesso para")), n);
    QVERIFY(QDir(pasta("req")).entryList(QDir::Files).isEmpty());
}

void TestTrocaPdv::silentManagerReportedAsInactive()
{
    QVERIFY(QDir().mkpath(pasta("req")));
    QVERIFY(QDir().mkpath(pasta("resp")));
    QCOMPARE(cliente({QStringLiteral("ATV"), QStringLiteral("--status-timeout"), QStringLiteral("300")}, 10000), 2);
    QVERIFY(m_saida.contains(QLatin1String("manager inactive")));
}

QTEST_GUILESS_MAIN(TestTrocaPdv)
#include "tst_trocapdv.moc"
