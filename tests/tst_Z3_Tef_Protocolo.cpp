#include "tef/Z3_Tef_Protocolo.h"

#include <QJsonDocument>
#include <QtTest>

// Reading the library's replies, converting a typed amount, and keeping secrets
// out of the log texts.
class TestZ3TefProtocolo : public QObject
{
    Q_OBJECT

private:
    static QJsonObject json(const char *texto) { return QJsonDocument::fromJson(texto).object(); }

private slots:
    void predicados_data();
    void predicados();
    void isConfirmado_data();
    void isConfirmado();
    void formatarValorColetado_data();
    void formatarValorColetado();
    void requisicaoParaLogMascaraASenha_data();
    void requisicaoParaLogMascaraASenha();
    void dadosParaLogMascaraASenhaDigitada();
};

void TestZ3TefProtocolo::predicados_data()
{
    QTest::addColumn<QByteArray>("resposta");
    QTest::addColumn<bool>("coleta");
    QTest::addColumn<bool>("sucesso");
    QTest::newRow("collection step") << QByteArray(R"({"tef":{"automacao_coleta_retorno":"0"}})") << true << false;
    QTest::newRow("collection give-up is no step")
        << QByteArray(R"({"tef":{"automacao_coleta_retorno":"9"}})") << false << false;
    QTest::newRow("a result ends collection even with a step member")
        << QByteArray(R"({"tef":{"retorno":"0","automacao_coleta_retorno":"0"}})") << false << true;
    QTest::newRow("approved") << QByteArray(R"({"codigo":0,"tef":{"retorno":"0"}})") << false << true;
    QTest::newRow("declined") << QByteArray(R"({"tef":{"retorno":"5"}})") << false << false;
    QTest::newRow("numeric return is not the text 0") << QByteArray(R"({"tef":{"retorno":0}})") << false << false;
    QTest::newRow("library error without tef") << QByteArray(R"({"codigo":5,"mensagem":"x"})") << false << false;
    QTest::newRow("unparsable text") << QByteArray("not json") << false << false;
}

void TestZ3TefProtocolo::predicados()
{
    QFETCH(QByteArray, resposta);
    const QJsonObject o = QJsonDocument::fromJson(resposta).object();
    QTEST(Z3_Tef_Protocolo::isColeta(o), "coleta");
    QTEST(Z3_Tef_Protocolo::isRetornoSucesso(o), "sucesso");
}

void TestZ3TefProtocolo::isConfirmado_data()
{
    QTest::addColumn<QByteArray>("texto");
    QTest::addColumn<bool>("confirmado");
    QTest::newRow("return 1") << QByteArray(R"({"codigo":0,"tef":{"retorno":"1"}})") << true;
    QTest::newRow("return 0") << QByteArray(R"({"tef":{"retorno":"0"}})") << false;
    QTest::newRow("no return") << QByteArray(R"({"tef":{}})") << false;
    QTest::newRow("empty text") << QByteArray() << false;
    QTest::newRow("failed call") << QByteArray(R"({"codigo":-2,"mensagem":"x"})") << false;
}

void TestZ3TefProtocolo::isConfirmado()
{
    QFETCH(QByteArray, texto);
    QTEST(Z3_Tef_Protocolo::isConfirmado(texto), "confirmado");
}

void TestZ3TefProtocolo::formatarValorColetado_data()
{
    QTest::addColumn<QString>("entrada");
    QTest::addColumn<QString>("saida");
    const auto linha = [](const char *nome, const QString &entrada, const char *saida) {
        QTest::newRow(nome) << entrada << QString::fromLatin1(saida);
    };
    linha("Brazilian grouping and decimals", "1.234,56", "1234.56");
    linha("one digit is cents", "5", "0.05");
    linha("two digits are cents", "50", "0.50");
    linha("millions", "12.345.678,90", "12345678.90");
    linha("leading zeros go", "000,05", "0.05");
    linha("twenty digits keep every digit", "12345678901234567890", "123456789012345678.90");
    linha("twenty digits with separators", "123.456.789.012.345.678,90", "123456789012345678.90");
    linha("thirty digits", "999999999999999999999999999999", "9999999999999999999999999999.99");
    linha("text that is not a number is zero", "abc", "0.00");
    linha("digits mixed with letters are zero", "12a", "0.00");
    linha("a sign is not a digit", "-5", "0.00");
    linha("empty is zero", "", "0.00");
    linha("only separators is zero", ".,.", "0.00");
    linha("surrounding blanks are ignored", " 1,00 ", "1.00");
    linha("the window's currency text", "R$ 1.234,56", "1234.56");
    linha("currency text with a non-breaking space", QString::fromUtf8("R$\u00a010,00"), "10.00");
    linha("a symbol elsewhere is not a number", "10,00 R$", "0.00");
}

void TestZ3TefProtocolo::formatarValorColetado()
{
    QFETCH(QString, entrada);
    QTEST(Z3_Tef_Protocolo::formatarValorColetado(entrada), "saida");
}

void TestZ3TefProtocolo::requisicaoParaLogMascaraASenha_data()
{
    QTest::addColumn<QString>("requisicao");
    QTest::addColumn<QString>("segredo");
    QTest::addColumn<bool>("inalterada");
    QTest::newRow("password in an ADM request")
        << R"({"header":"ADM","operacao":2,"parametros":{"adm_senha":"s3gr3d0","adm_usuario":"u"}})"
        << "s3gr3d0" << false;
    QTest::newRow("request without password is logged as it came")
        << R"({"header":"CRT", "parametros":{"valor":"1000"}})"
        << "" << true;
    QTest::newRow("unparsable text holding the key is left out") << R"({"parametros":{"adm_senha":"s3gr3d0")"
                                                                 << "s3gr3d0" << false;
}

void TestZ3TefProtocolo::requisicaoParaLogMascaraASenha()
{
    QFETCH(QString, requisicao);
    QFETCH(QString, segredo);
    QFETCH(bool, inalterada);
    const QString log = Z3_Tef_Protocolo::requisicaoParaLog(requisicao);
    if (!segredo.isEmpty())
        QVERIFY2(!log.contains(segredo), qPrintable(log));
    QCOMPARE(log == requisicao, inalterada);
}

void TestZ3TefProtocolo::dadosParaLogMascaraASenhaDigitada()
{
    const QByteArray resposta = R"({"automacao_coleta_informacao":"1234","automacao_coleta_sequencial":"3"})";
    QVERIFY(!Z3_Tef_Protocolo::dadosParaLog(resposta, QStringLiteral("transacao_administracao_senha"))
                 .contains(QLatin1String("1234")));
    QVERIFY(Z3_Tef_Protocolo::dadosParaLog(resposta, QStringLiteral("transacao_nsu")).contains(QLatin1String("1234")));
    QVERIFY(
        !Z3_Tef_Protocolo::dadosParaLog(R"({"transacao_administracao_senha":"9876"})").contains(QLatin1String("9876")));
}

QTEST_GUILESS_MAIN(TestZ3TefProtocolo)
#include "tst_Z3_Tef_Protocolo.moc"
