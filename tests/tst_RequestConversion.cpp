#include "LogCapture.h"
#include "TestSupport.h"
#include "exchange/ProtocoloSitef.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

// Key-number request text -> compact JSON request.
class TestRequestConversion : public QObject
{
    Q_OBJECT

private:
    // The JSON request as an object; what is not an object reads as an empty one and fails the checks.
    static QJsonObject converter(const QString &requisicao)
    {
        return QJsonDocument::fromJson(ProtocoloSitef().requestToJson(requisicao).toUtf8()).object();
    }

    static QString texto(const char *s) { return QString::fromUtf8(s); }

private slots:
    void goldenRequests_data()
    {
        QTest::addColumn<QString>("nome");
        for (const char *n : {"req_crt", "req_cnc", "req_adm", "req_cnf", "req_ncn", "req_atv", "req_chq",
                              "req_sem_registro_final", "req_formato_invalido"})
            QTest::newRow(n) << QString::fromLatin1(n);
    }

    void goldenRequests()
    {
        QFETCH(QString, nome);
        const QByteArray requisicao = testsupport::dataFile(nome + QStringLiteral(".001"));
        const QByteArray esperado = testsupport::dataFile(nome + QStringLiteral(".json"));
        QVERIFY(!requisicao.isEmpty());
        QVERIFY(!esperado.isEmpty());
        ProtocoloSitef protocolo;
        QCOMPARE(protocolo.requestToJson(QString::fromUtf8(requisicao)).toUtf8(), esperado);
    }

    void fieldAcceptance_data()
    {
        QTest::addColumn<QString>("requisicao");
        QTest::addColumn<QString>("chave");
        QTest::addColumn<QString>("valor");

        // Each request but the first ends with the identification and the final record.
        const auto linha = [](const char *nome, const QString &campos, const char *chave, const QString &valor) {
            QTest::newRow(nome) << campos + QStringLiteral("001-000 = 1\n999-999 = 0\n") << chave << valor;
        };
        QTest::newRow("worked example amount") << "000-000 = CRT\n001-000 = 123\n003-000 = 1000\n999-999 = 0"
                                               << "valor"
                                               << "1000";
        linha("amount skipped in a confirmation", "000-000 = CNF\n003-000 = 100\n", "valor", QString());
        linha("amount skipped in an undo", "000-000 = NCN\n003-000 = 100\n", "valor", QString());
        linha("document skipped in an administrative operation", "000-000 = ADM\n002-000 = 55\n", "documento",
              QString());
        linha("currency before the operation skipped", "004-000 = 0\n000-000 = CRT\n", "moeda", QString());
        linha("document before the operation accepted", "002-000 = 55\n000-000 = CRT\n", "documento", "55");
        linha("cheque field for any operation containing CHQ", "000-000 = XCHQY\n005-000 = 123\n", "cmc7", "123");
        linha("cheque field not in a sale", "000-000 = CRT\n005-000 = 123\n", "cmc7", QString());
        linha("inner blanks made single", "000-000 = CRT\n011-000 =  a \t  b  \n", "codigo_transacao", "a b");
        linha("text after a second equals sign dropped", "000-000 = CRT\n011-000 = a=b\n", "codigo_transacao", "a");
        linha("repeated field overwrites", "000-000 = CRT\n003-000 = 1\n003-000 = 2\n", "valor", "2");
        linha("amount kept as written", "000-000 = CRT\n003-000 = 000150\n", "valor", "000150");
        linha("network in a cancellation", "000-000 = CNC\n010-000 = REDE\n", "nome_rede", "REDE");
        linha("network not in a sale", "000-000 = CRT\n010-000 = REDE\n", "nome_rede", QString());
        linha("post-dated only for exact operations", "000-000 = XCRT\n024-000 = 1\n", "data_predatado", QString());
        linha("password passes through", "000-000 = ADM\n375-025 = s e\n", "adm_senha", "s e");
        linha("unknown key skipped", "000-000 = CRT\n123-456 = x\n", "123-456", QString());
        linha("keys are not trimmed of zeros", "000-000 = CRT\n3-000 = 1\n", "valor", QString());
        linha("NUL inside a value kept", texto("000-000 = CRT\n011-000 = a") + QChar(0) + texto("b\n"),
              "codigo_transacao", texto("a") + QChar(0) + texto("b"));
    }

    void fieldAcceptance()
    {
        QFETCH(QString, requisicao);
        QFETCH(QString, chave);
        QFETCH(QString, valor);
        const QJsonObject doc = converter(requisicao);
        const QJsonObject parametros = doc.value(QStringLiteral("parametros")).toObject();
        QCOMPARE(parametros.value(chave).toString(QString()), valor);
        QVERIFY(!parametros.contains(QStringLiteral("000-000")));
        QVERIFY(!doc.contains(QStringLiteral("msg_erro")));
    }

    void operationAndErrors_data()
    {
        QTest::addColumn<QString>("requisicao");
        QTest::addColumn<QString>("header");
        QTest::addColumn<int>("operacao");
        QTest::addColumn<QString>("erro");

        const auto linha = [](const char *nome, const QString &requisicao, const QString &header, int operacao,
                              const QString &erro) {
            QTest::newRow(nome) << requisicao << header << operacao << erro;
        };
        const QString fim = QStringLiteral("001-000 = 1\n999-999 = 0\n");
        const QString invalido = texto("Arquivo com formato inválido");
        const QString semHeader = texto("Chave header[000-000] não encontrada");
        linha("lower case operation", "000-000 = crt\n" + fim, "CRT", 0, QString());
        linha("cancellation", "000-000 = CNC\n" + fim, "CNC", 12, QString());
        linha("administrative", "000-000 = ADM\n" + fim, "ADM", -5, QString());
        linha("confirmation", "000-000 = CNF\n" + fim, "CNF", -6, QString());
        linha("undo", "000-000 = NCN\n" + fim, "NCN", -7, QString());
        linha("unknown operation is -20, not an error", "000-000 = XYZ\n" + fim, "XYZ", -20, QString());
        linha("second operation replaces the first", "000-000 = CRT\n000-000 = ADM\n" + fim, "ADM", -5, QString());
        linha("windows line ends", "000-000 = CRT\r\n001-000 = 1\r\n999-999 = 0\r\n", "CRT", 0, QString());
        linha("blank line holding a carriage return is invalid", "000-000 = CRT\r\n\r\n001-000 = 1\r\n999-999 = 0\r\n",
              "CRT", 0, invalido);
        linha("line without equals stops reading", "000-000 = CRT\nlixo\n" + fim, "CRT", 0, invalido);
        linha("empty request", QString(), QString(), 0, semHeader);
        linha("operation with empty value is missing", "000-000 = \n" + fim, QString(), 0, semHeader);
        linha("identification missing", "000-000 = CRT\n999-999 = 0\n", "CRT", 0,
              texto("Chave identificacao[001-000] não encontrada"));
        linha("final record with empty value is missing", "000-000 = CRT\n001-000 = 1\n999-999 =\n", "CRT", 0,
              texto("Chave registro final [999-999] não encontrada"));
        linha("invalid line wins over missing keys", "x\n", QString(), 0, invalido);
        // Hostile input still gives a document with parameters.
        linha("one megabyte line", "000-000 = CRT\n001-000 = " + QString(1 << 20, QLatin1Char('9')) + "\n999-999 = 0\n",
              "CRT", 0, QString());
        QString muitas = QStringLiteral("000-000 = CRT\n001-000 = 1\n");
        for (int i = 0; i < 100000; ++i)
            muitas += QStringLiteral("003-000 = %1\n").arg(i);
        linha("100000 lines", muitas + "999-999 = 0\n", "CRT", 0, QString());
        linha("invalid UTF-8", texto("000-000 = \xff\xfe\n001-000 = \xc3\n999-999 = 0\n"),
              texto("000-000 = \xff\xfe").mid(10), -20, QString());
        linha("only equals signs", QString(5000, QLatin1Char('=')), QString(), 0, semHeader);
        linha("only line feeds", QString(5000, QLatin1Char('\n')), QString(), 0, semHeader);
        linha("JSON instead of key-number", "{\"header\":\"CRT\"}", QString(), 0, invalido);
    }

    void operationAndErrors()
    {
        QFETCH(QString, requisicao);
        QFETCH(QString, header);
        QFETCH(int, operacao);
        QFETCH(QString, erro);
        const QJsonObject doc = converter(requisicao);
        QCOMPARE(doc.value(QStringLiteral("header")).toString(QString()), header);
        if (!header.isNull())
            QCOMPARE(doc.value(QStringLiteral("operacao")).toInt(99), operacao);
        QCOMPARE(doc.value(QStringLiteral("msg_erro")).toString(QString()), erro);
        QVERIFY(doc.value(QStringLiteral("parametros")).isObject());
    }

    // Lines a POS sends on every request must not bury the warnings that matter.
    void logNoise_data()
    {
        QTest::addColumn<QString>("requisicao");
        QTest::addColumn<QString>("linha");
        QTest::addColumn<bool>("registrada");

        const QString fim = QStringLiteral("001-000 = 1\n999-999 = 0\n");
        QTest::newRow("activity check is no unknown operation")
            << "000-000 = ATV\n" + fim << "fora do especificado" << false;
        QTest::newRow("currency and fiscal document of a cancellation taken silently")
            << "000-000 = CNC\n004-000 = 0\n013-000 = 123\n" + fim << "fora do especificado" << false;
        QTest::newRow("unknown operation still logged")
            << "000-000 = XYZ\n" + fim << "Identificador [XYZ] fora do especificado" << true;
        QTest::newRow("currency in a confirmation still warned")
            << "000-000 = CNF\n004-000 = 0\n" + fim << "Documento fora do especificado. CHAVE: 004-000" << true;
    }

    void logNoise()
    {
        QFETCH(QString, requisicao);
        QFETCH(QString, linha);
        const LogCapture log;
        const QJsonObject doc = converter(requisicao);
        QVERIFY(!doc.contains(QStringLiteral("msg_erro")));
        QTEST(log.contem(linha), "registrada");
        QVERIFY(!doc.value(QStringLiteral("parametros")).toObject().contains(QStringLiteral("moeda")));
    }
};

QTEST_GUILESS_MAIN(TestRequestConversion)
#include "tst_RequestConversion.moc"
