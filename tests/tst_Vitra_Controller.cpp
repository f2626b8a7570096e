#include "TestSupport.h"
#include "backends/Vitra_Controller.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

// The customer display, against the simulated display library.
class TestVitraController : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    const QString m_simLog = m_dir.filePath("chamadas.jsonl"), m_log = m_dir.filePath("log.txt"),
                  m_cenario = m_dir.filePath("cenario.json"), m_tela = m_dir.filePath("tela.json");

    QList<QJsonObject> chamadas() const { return testsupport::chamadasSimuladas(m_simLog); }
    QStringList funcoes() const { return testsupport::funcoesSimuladas(m_simLog); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("Z3_SIM_LOG", m_simLog.toUtf8());
        qputenv("Z3_SIM_DISPLAY", m_tela.toUtf8());
        qputenv("Z3_LOG", m_log.toUtf8());
        if (qEnvironmentVariableIsEmpty("Z3_LIB_DIR"))
            qputenv("Z3_LIB_DIR", Z3_BIN_DIR);
    }

    void init()
    {
        QFile::remove(m_simLog);
        QFile::remove(m_log);
        qunsetenv("Z3_SIM_CENARIO"); // the refused connection's scenario is for its own test only
    }

    void desabilitadoNaoCarregaABiblioteca()
    {
        Vitra_Controller vitra(false);
        QVERIFY(!vitra.isHabilitado());
        QVERIFY(!vitra.apresentaMensagem("Aproxime o cartão"));
        QCOMPARE(funcoes(), QStringList());
        QVERIFY(!QString::fromUtf8(testsupport::readAll(m_log)).contains("Erro ao carregar"));
    }

    void qrCodeEntreUmaConexaoEUmaDesconexao_data()
    {
        // The customer reads the amount once, with one currency symbol, however it is handed over.
        QTest::addColumn<QString>("valor");
        QTest::newRow("bare amount") << "10,00";
        QTest::newRow("amount formatted as currency") << "R$ 10,00";
        QTest::newRow("currency with a non-breaking blank") << "R$\u00a010,00";
    }

    void qrCodeEntreUmaConexaoEUmaDesconexao()
    {
        QFETCH(QString, valor);
        Vitra_Controller vitra(true);
        QVERIFY(vitra.isHabilitado());
        QVERIFY(vitra.apresentaQRCode("00020126PIXPAYLOAD", valor));
        QCOMPARE(funcoes(), (QStringList{"AbreConexaoDisplay", "InicializaDisplay", "ApresentaQrCode",
                                         "ApresentaTextoColorido", "ApresentaTextoColorido", "DesconectarDisplay"}));
        const QList<QJsonObject> c = chamadas();
        QCOMPARE(c.at(0).value("argumentos").toArray(), QJsonArray{QString()});
        QCOMPARE(c.at(2).value("argumentos").toArray(), (QJsonArray{"00020126PIXPAYLOAD", 200, 140, 60}));
        QCOMPARE(c.at(3).value("argumentos").toArray(),
                 (QJsonArray{"Abra o app do seu banco,\nescolha PAGAR COM QRCODE e\nrealize o pagamento.", 1, 22, 30, 5,
                             "#000000"}));
        QCOMPARE(c.at(4).value("argumentos").toArray(), (QJsonArray{"Valor:R$ 10,00", 2, 22, 370, 60, "#000000"}));
        // What the display shows after the action.
        const QJsonObject tela = QJsonDocument::fromJson(testsupport::readAll(m_tela)).object();
        QCOMPARE(tela.value("tela").toArray().size(), 3);
        QCOMPARE(tela.value("conectado").toBool(true), false);
    }

    void mensagemLongaQuebraNaColuna19_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("desenhado");
        QTest::newRow("25 characters") << "ABCDEFGHIJKLMNOPQRSTUVWXY"
                                       << "ABCDEFGHIJKLMNOPQRS\nTUVWXY";
        QTest::newRow("exactly 19 stays on one line") << "ABCDEFGHIJKLMNOPQRS"
                                                      << "ABCDEFGHIJKLMNOPQRS";
        QTest::newRow("a long text breaks only once") << QString(50, 'x') << QString(19, 'x') + "\n" + QString(31, 'x');
        QTest::newRow("accents count as one character") << "Transação aprovada!!"
                                                        << "Transação aprovada!\n!";
    }

    void mensagemLongaQuebraNaColuna19()
    {
        QFETCH(QString, texto);
        Vitra_Controller vitra(true);
        QVERIFY(vitra.apresentaMensagem(texto));
        QCOMPARE(funcoes(), (QStringList{"AbreConexaoDisplay", "InicializaDisplay", "ApresentaTextoColorido",
                                         "DesconectarDisplay"}));
        QFETCH(QString, desenhado);
        QCOMPARE(chamadas().at(2).value("argumentos").toArray(), (QJsonArray{desenhado, 2, 25, 200, 20, "#000000"}));
    }

    void semTextoSoLimpa()
    {
        Vitra_Controller vitra(true);
        QVERIFY(!vitra.apresentaMensagem(QString())); // nothing to show: the display is not touched
        QVERIFY(vitra.limpaDisplay());
        QCOMPARE(funcoes(), (QStringList{"AbreConexaoDisplay", "InicializaDisplay", "DesconectarDisplay"}));
    }

    void conexaoRecusadaParaTudo()
    {
        testsupport::writeAll(m_cenario, R"({"vitra_abre_conexao":3})");
        qputenv("Z3_SIM_CENARIO", m_cenario.toUtf8());
        Vitra_Controller vitra(true);
        QVERIFY(!vitra.apresentaQRCode("x", "1,00"));
        QCOMPARE(funcoes(), QStringList{"AbreConexaoDisplay"});
        QVERIFY(QString::fromUtf8(testsupport::readAll(m_log)).contains("Não foi possível abrir comunicação: 3\n"));
    }

    void bibliotecaAusenteSoAnota()
    {
        const QByteArray dir = qgetenv("Z3_LIB_DIR");
        qputenv("Z3_LIB_DIR", m_dir.path().toUtf8());
        {
            Vitra_Controller vitra(true);
            QVERIFY(!vitra.apresentaMensagem("Olá"));
        }
        qputenv("Z3_LIB_DIR", dir);
        const QString log = QString::fromUtf8(testsupport::readAll(m_log));
        QVERIFY(log.contains("[Vitra_Controller] Erro ao carregar a biblioteca do Z3_Vitra"));
        QVERIFY(log.contains("Não foi possível executar AbreConexaoVitra"));
        QCOMPARE(funcoes(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestVitraController)
#include "tst_Vitra_Controller.moc"
