#include "ChamadasSimuladas.h"
#include "platform/Platform.h"
#include "tef/Z3_Tef_Library.h"
#include "tef/Z3_Tef_Protocolo.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

// The binding of the Z3_Tef library, against the simulated library built beside
// the program, against a missing library and against one that exports nothing.
// Loading every name and passing each argument are checked through the backend's
// tests, which read the simulator's call log; so are its replies and collection flows.
class TestZ3TefLibrary : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_simLog;
    Z3_Tef_Library m_lib;

    QList<QJsonObject> chamadas() const { return testsupport::chamadasSimuladas(m_simLog); }
    QStringList funcoes() const { return testsupport::funcoesSimuladas(m_simLog); }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void foraDoProtocoloRecusado_data();
    void foraDoProtocoloRecusado();
    void bibliotecaAusenteNaoChamaNada();
    void funcoesNaoResolvidasNaoSaoChamadas();
};

void TestZ3TefLibrary::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_simLog = m_dir.filePath(QStringLiteral("chamadas.jsonl"));
    qputenv("Z3_SIM_LOG", m_simLog.toUtf8());
    if (qEnvironmentVariableIsEmpty("Z3_LIB_DIR"))
        qputenv("Z3_LIB_DIR", Z3_BIN_DIR);
    QVERIFY(m_lib.carregar());
}

void TestZ3TefLibrary::init()
{
    qunsetenv("Z3_SIM_CENARIO");
    QVERIFY(Z3_Tef_Protocolo::isConfirmado(m_lib.iniciarOperacaoTEF("{}")));
    QFile::remove(m_simLog); // each test reads only its own calls
}

void TestZ3TefLibrary::cleanup()
{
    m_lib.finalizarOperacaoTEF(1);
}

void TestZ3TefLibrary::foraDoProtocoloRecusado_data()
{
    QTest::addColumn<bool>("abertaAntes");
    QTest::addColumn<QByteArray>("dados");
    QTest::addColumn<int>("continuacao");
    QTest::addColumn<int>("codigo"); // 0: any failure
    QTest::newRow("a step answered with the wrong sequential number")
        << true
        << QByteArray(R"({"automacao_coleta_retorno":"0","automacao_coleta_sequencial":"999",)"
                      R"("automacao_coleta_informacao":"10,00"})")
        << 0 << 8;
    QTest::newRow("a sale with no open operation") << false << QByteArray(R"({"transacao_valor":"100"})") << 1 << 0;
}

void TestZ3TefLibrary::foraDoProtocoloRecusado()
{
    // The simulator is strict, so that the backend's tests catch a call out of order.
    QFETCH(bool, abertaAntes);
    QFETCH(QByteArray, dados);
    QFETCH(int, continuacao);
    QFETCH(int, codigo);
    if (abertaAntes)
        m_lib.realizarPagamentoTEF(1, "{}", 1); // opens a collection step
    else
        m_lib.finalizarOperacaoTEF(1);
    const QJsonObject r = QJsonDocument::fromJson(m_lib.realizarPagamentoTEF(1, dados, continuacao)).object();
    QVERIFY(r.value("codigo").toInt() != 0);
    if (codigo != 0)
        QCOMPARE(r.value("codigo").toInt(), codigo);
    QVERIFY(!r.value("mensagem").toString().isEmpty());
    QVERIFY(!r.contains("tef"));
}

void TestZ3TefLibrary::bibliotecaAusenteNaoChamaNada()
{
    Z3_Tef_Library ausente;
    QVERIFY(!ausente.carregar(m_dir.filePath(QStringLiteral("Z3_Tef01.so"))));
    QVERIFY(!ausente.isLoaded());
    const QJsonObject r = QJsonDocument::fromJson(ausente.iniciarOperacaoTEF("{}")).object();
    QCOMPARE(r.value("codigo").toInt(), -2);
    QVERIFY(r.value("mensagem").toString().contains(QLatin1String("IniciarOperacaoTEF")));
    QVERIFY(!Z3_Tef_Protocolo::isConfirmado(ausente.iniciarOperacaoTEF("{}")));
    QCOMPARE(funcoes(), QStringList());
}

void TestZ3TefLibrary::funcoesNaoResolvidasNaoSaoChamadas()
{
    // A real shared object that exports none of the names.
    Z3_Tef_Library outra;
    QVERIFY(outra.carregar(platform::libraryPath(platform::ClosedLibrary::Vitra)));
    QVERIFY(outra.isLoaded());
    QCOMPARE(outra.naoResolvidas().size(), 14);
    const QList<QByteArray> respostas{outra.setClientTCP("127.0.0.1", 1),    outra.iniciarOperacaoTEF("{}"),
                                      outra.finalizarOperacaoTEF(1),         outra.realizarPagamentoTEF(1, "{}", 1),
                                      outra.realizarAdmTEF(1, "{}", 1),      outra.realizarPixTEF("{}", 1),
                                      outra.realizarColetaPinPad(1, 1),      outra.confirmarOperacaoTEF(1, 1),
                                      outra.confirmarOperacaoTEF2("x", 1, 1)};
    for (const QByteArray &r : respostas) {
        const QJsonObject o = QJsonDocument::fromJson(r).object();
        QCOMPARE(o.value("codigo").toInt(), -2);
        QVERIFY(!o.value("mensagem").toString().isEmpty());
    }
    QCOMPARE(funcoes(), QStringList());
}

QTEST_GUILESS_MAIN(TestZ3TefLibrary)
#include "tst_Z3_Tef_Library.moc"
