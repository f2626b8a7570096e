#include "ChamadasSimuladas.h"
#include "platform/Platform.h"
#include "tef/Z3_Tef_Library.h"
#include "tef/Z3_Tef_Protocolo.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

// The binding of the Z3_Tef library, against the simulated library built beside
// the program, against a missing library and against one that exports nothing.
class TestZ3TefLibrary : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_simLog;
    QString m_cenario;
    Z3_Tef_Library m_lib;

    QList<QJsonObject> chamadas() const { return testsupport::chamadasSimuladas(m_simLog); }
    QStringList funcoes() const { return testsupport::funcoesSimuladas(m_simLog); }
    void cenario(const QByteArray &json)
    {
        QFile f(m_cenario);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(json);
    }
    static QJsonObject tef(const QByteArray &resposta)
    {
        return QJsonDocument::fromJson(resposta).object().value(QStringLiteral("tef")).toObject();
    }
    // The collection answer as the controller writes it.
    static QByteArray responder(const QByteArray &resposta, const QString &informacao, const char *retorno = "0")
    {
        const QJsonObject t = tef(resposta);
        QJsonObject o{{"automacao_coleta_retorno", QString::fromLatin1(retorno)},
                      {"automacao_coleta_sequencial", t.value(QStringLiteral("automacao_coleta_sequencial"))}};
        if (!informacao.isNull())
            o.insert(QStringLiteral("automacao_coleta_informacao"), informacao);
        return QJsonDocument(o).toJson(QJsonDocument::Compact);
    }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void carregaOSimuladorComTodasAsFuncoes();
    void registraCadaChamadaComSeusArgumentos();
    void vendaConhecidaEAprovadaDeImediato_data();
    void vendaConhecidaEAprovadaDeImediato();
    void valorTerminadoEm51ENegado();
    void coletaOQueFalta();
    void cancelamentoPedeNsuEData();
    void administrativaOfereceMenuESenha();
    void pixMostraQrCodeAntesDeAprovar();
    void coletaNoPinPad();
    void desistenciaCancelaATransacao();
    void sequencialDeColetaErradoERecusado();
    void semOperacaoAbertaRecusa();
    void cenarioMudaDecisaoEColetas();
    void bibliotecaAusenteNaoChamaNada();
    void funcoesNaoResolvidasNaoSaoChamadas();
};

void TestZ3TefLibrary::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_simLog = m_dir.filePath(QStringLiteral("chamadas.jsonl"));
    m_cenario = m_dir.filePath(QStringLiteral("cenario.json"));
    qputenv("Z3_SIM_LOG", m_simLog.toUtf8());
    if (qEnvironmentVariableIsEmpty("Z3_LIB_DIR"))
        qputenv("Z3_LIB_DIR", Z3_BIN_DIR);
    QVERIFY(m_lib.carregar());
}

void TestZ3TefLibrary::init()
{
    QFile::remove(m_cenario);
    qunsetenv("Z3_SIM_CENARIO");
    QVERIFY(Z3_Tef_Protocolo::isConfirmado(m_lib.iniciarOperacaoTEF("{}")));
    QFile::remove(m_simLog); // each test reads only its own calls
}

void TestZ3TefLibrary::cleanup()
{
    m_lib.finalizarOperacaoTEF(1);
}

void TestZ3TefLibrary::carregaOSimuladorComTodasAsFuncoes()
{
    QVERIFY(m_lib.isLoaded());
    QCOMPARE(m_lib.naoResolvidas(), QStringList());
}

void TestZ3TefLibrary::registraCadaChamadaComSeusArgumentos()
{
    m_lib.setClientTCP("127.0.0.1", 60906);
    m_lib.realizarPagamentoTEF(1, R"({"transacao_valor":"1000"})", 1);
    m_lib.confirmarOperacaoTEF2("Cartao Vender", 7, 0);
    const QList<QJsonObject> c = chamadas();
    QCOMPARE(c.size(), 3);
    QCOMPARE(QJsonDocument(c.at(0)).toJson(QJsonDocument::Compact),
             QByteArray(R"({"argumentos":["127.0.0.1",60906],"funcao":"SetClientTCP"})"));
    QCOMPARE(c.at(1).value("argumentos").toArray(),
             (QJsonArray{1, QStringLiteral(R"({"transacao_valor":"1000"})"), 1}));
    QCOMPARE(c.at(2).value("argumentos").toArray(), (QJsonArray{QStringLiteral("Cartao Vender"), 7, 0}));
}

void TestZ3TefLibrary::vendaConhecidaEAprovadaDeImediato_data()
{
    QTest::addColumn<int>("tipoCartao");
    QTest::addColumn<QByteArray>("dados");
    QTest::addColumn<QString>("valorTotal");
    QTest::addColumn<QString>("tipo");
    QTest::addColumn<QString>("parcelas");
    QTest::newRow("credit in cents") << 1 << QByteArray(R"({"transacao_valor":"1000"})") << "1000"
                                     << "Credito"
                                     << "";
    QTest::newRow("debit with a decimal amount") << 2 << QByteArray(R"({"transacao_valor":"1234.56"})") << "123456"
                                                 << "Debito"
                                                 << "";
    QTest::newRow("credit in instalments")
        << 1 << QByteArray(R"({"transacao_valor":"30000","transacao_pagamento":"Parcelado","transacao_parcela":"3"})")
        << "30000"
        << "Credito"
        << "3";
}

void TestZ3TefLibrary::vendaConhecidaEAprovadaDeImediato()
{
    QFETCH(int, tipoCartao);
    QFETCH(QByteArray, dados);
    const QByteArray resposta = m_lib.realizarPagamentoTEF(tipoCartao, dados, 1);
    const QJsonObject t = tef(resposta);
    QCOMPARE(QJsonDocument::fromJson(resposta).object().value("codigo").toInt(-1), 0);
    QCOMPARE(t.value("retorno").toString(), QStringLiteral("0"));
    QCOMPARE(t.value("resultadoTransacao").toString(), QStringLiteral("0"));
    QCOMPARE(t.value("transacao").toString(), QStringLiteral("Cartao Vender"));
    QTEST(t.value("valorTotal").toString(), "valorTotal");
    QTEST(t.value("tipoCartao").toString(), "tipo");
    QTEST(t.value("numeroParcelas").toString(), "parcelas");
    QVERIFY(t.value("sequencial").toString().toInt() > 0);
    QCOMPARE(t.value("nsuTerminal").toString().size(), 6);
    QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d$"))
                .match(t.value("dataHoraTransacao").toString())
                .hasMatch());
    for (const char *m : {"nomeBandeira", "nomeProvedor", "codigoAutorizacao", "formaPagamento", "mensagemResultado"})
        QVERIFY2(!t.value(QLatin1String(m)).toString().isEmpty(), m);
    // At most the first six and last four digits of the card.
    QVERIFY(
        QRegularExpression(QStringLiteral("^\\d{6}\\*+\\d{4}$")).match(t.value("panMascarado").toString()).hasMatch());
    QVERIFY(t.value("comprovanteDiferenciadoLoja").toString().contains(QLatin1String("\r\n")));
    QVERIFY(t.value("comprovanteDiferenciadoPortador").toString().contains(QLatin1String("\r\n")));
    // The next sale gets the next sequential number.
    const int anterior = t.value("sequencial").toString().toInt();
    const QJsonObject outra = tef(m_lib.realizarPagamentoTEF(1, R"({"transacao_valor":"100"})", 1));
    QCOMPARE(outra.value("sequencial").toString().toInt(), anterior + 1);
}

void TestZ3TefLibrary::valorTerminadoEm51ENegado()
{
    const QJsonObject t = tef(m_lib.realizarPagamentoTEF(1, R"({"transacao_valor":"1051"})", 1));
    QVERIFY(t.value("retorno").toString() != QLatin1String("0"));
    QVERIFY(!t.value("mensagemResultado").toString().isEmpty());
    QVERIFY(t.contains("sequencial"));
    QCOMPARE(t.value("transacao").toString(), QStringLiteral("Cartao Vender"));
    QVERIFY(!t.contains("comprovanteDiferenciadoLoja"));
}

void TestZ3TefLibrary::coletaOQueFalta()
{
    QByteArray r = m_lib.realizarPagamentoTEF(7, "{}", 1);
    QVERIFY(Z3_Tef_Protocolo::isColeta(QJsonDocument::fromJson(r).object()));
    QCOMPARE(tef(r).value("automacao_coleta_palavra_chave").toString(), QStringLiteral("transacao_valor"));
    QVERIFY(tef(r).contains("automacao_coleta_tipo"));
    r = m_lib.realizarPagamentoTEF(7, responder(r, QStringLiteral("25.00")), 0);
    QCOMPARE(tef(r).value("automacao_coleta_palavra_chave").toString(), QStringLiteral("transacao_tipo_cartao"));
    const QStringList opcoes = tef(r).value("automacao_coleta_opcao").toString().split(QLatin1Char(';'));
    QVERIFY(opcoes.contains(QStringLiteral("Debito")));
    r = m_lib.realizarPagamentoTEF(7, responder(r, QStringLiteral("Debito")), 0);
    QVERIFY(Z3_Tef_Protocolo::isRetornoSucesso(QJsonDocument::fromJson(r).object()));
    QCOMPARE(tef(r).value("tipoCartao").toString(), QStringLiteral("Debito"));
    QCOMPARE(tef(r).value("valorTotal").toString(), QStringLiteral("2500"));
}

void TestZ3TefLibrary::cancelamentoPedeNsuEData()
{
    QByteArray r = m_lib.realizarAdmTEF(1, R"({"transacao_valor":"1000"})", 1);
    QCOMPARE(tef(r).value("automacao_coleta_palavra_chave").toString(), QStringLiteral("transacao_nsu"));
    r = m_lib.realizarAdmTEF(1, responder(r, QStringLiteral("000042")), 0);
    QCOMPARE(tef(r).value("automacao_coleta_palavra_chave").toString(), QStringLiteral("transacao_data"));
    QCOMPARE(tef(r).value("automacao_coleta_tipo").toString(), QStringLiteral("D"));
    QCOMPARE(tef(r).value("automacao_coleta_mascara").toString(), QStringLiteral("dd/MM/yy"));
    r = m_lib.realizarAdmTEF(1, responder(r, QStringLiteral("05/12/26")), 0);
    QCOMPARE(tef(r).value("retorno").toString(), QStringLiteral("0"));
    QCOMPARE(tef(r).value("transacao").toString(), QStringLiteral("Administracao Cancelar"));
}

void TestZ3TefLibrary::administrativaOfereceMenuESenha()
{
    QByteArray r = m_lib.realizarAdmTEF(0, "{}", 1);
    QCOMPARE(tef(r).value("automacao_coleta_palavra_chave").toString(),
             QStringLiteral("transacao_administracao_opcao"));
    QVERIFY(tef(r).value("automacao_coleta_opcao").toString().contains(QLatin1String("Reimpressao")));
    r = m_lib.realizarAdmTEF(0, responder(r, QStringLiteral("Reimpressao")), 0);
    QCOMPARE(tef(r).value("automacao_coleta_palavra_chave").toString(),
             QStringLiteral("transacao_administracao_senha"));
    r = m_lib.realizarAdmTEF(0, responder(r, QStringLiteral("1234")), 0);
    QCOMPARE(tef(r).value("retorno").toString(), QStringLiteral("0"));
    QVERIFY(tef(r).value("transacao").toString().startsWith(QLatin1String("Administracao")));
    // A password sent with the parameters is not asked again.
    r = m_lib.realizarAdmTEF(2, R"({"transacao_administracao_senha":"1234"})", 1);
    QCOMPARE(tef(r).value("retorno").toString(), QStringLiteral("0"));
}

void TestZ3TefLibrary::pixMostraQrCodeAntesDeAprovar()
{
    QByteArray r = m_lib.realizarPixTEF(R"({"transacao_valor":"1990"})", 1);
    int passos = 0;
    QString hex;
    while (Z3_Tef_Protocolo::isColeta(QJsonDocument::fromJson(r).object())) {
        const QString msg = tef(r).value("mensagemResultado").toString();
        QVERIFY(msg.startsWith(QLatin1String("QRCODE;")));
        // Nothing is asked of the operator during the QR passes.
        QVERIFY(!tef(r).contains("automacao_coleta_tipo") && !tef(r).contains("automacao_coleta_opcao"));
        const QStringList partes = msg.split(QLatin1Char(';'));
        QCOMPARE(partes.size(), 3);
        hex = partes.at(1);
        QVERIFY(!partes.at(2).isEmpty());
        r = m_lib.realizarPixTEF(responder(r, QString()), 0);
        QVERIFY(++passos < 10);
    }
    QCOMPARE(passos, 3);
    QCOMPARE(tef(r).value("transacao").toString(), QStringLiteral("Digital Pagar"));
    QCOMPARE(tef(r).value("retorno").toString(), QStringLiteral("0"));

    // The image is a PNG of a QR code: square, quiet zone, finder pattern dark at its corner.
    QImage img;
    QVERIFY(img.loadFromData(QByteArray::fromHex(hex.toLatin1()), "PNG"));
    QCOMPARE(img.width(), img.height());
    const int escala = 4, borda = 4;
    const int modulos = img.width() / escala - 2 * borda;
    QCOMPARE((modulos - 21) % 4, 0);
    QCOMPARE(qGray(img.pixel(0, 0)), 255);
    QCOMPARE(qGray(img.pixel(borda * escala, borda * escala)), 0);
    QCOMPARE(qGray(img.pixel((borda + 1) * escala, (borda + 1) * escala)), 255);
    QCOMPARE(qGray(img.pixel((borda + 3) * escala, (borda + 3) * escala)), 0);
}

void TestZ3TefLibrary::coletaNoPinPad()
{
    const QJsonObject t = tef(m_lib.realizarColetaPinPad(1, 1));
    QCOMPARE(t.value("resultadoCapturaPinPad").toString(), QStringLiteral("12345678909"));
    QCOMPARE(t.value("retorno").toString(), QStringLiteral("0"));
    const QJsonObject erro = QJsonDocument::fromJson(m_lib.realizarColetaPinPad(99, 1)).object();
    QVERIFY(erro.value("codigo").toInt() != 0);
}

void TestZ3TefLibrary::desistenciaCancelaATransacao()
{
    QByteArray r = m_lib.realizarPagamentoTEF(1, "{}", 1);
    r = m_lib.realizarPagamentoTEF(1, responder(r, QString(), "9"), 0);
    QVERIFY(!Z3_Tef_Protocolo::isColeta(QJsonDocument::fromJson(r).object()));
    QVERIFY(tef(r).value("retorno").toString() != QLatin1String("0"));
}

void TestZ3TefLibrary::sequencialDeColetaErradoERecusado()
{
    m_lib.realizarPagamentoTEF(1, "{}", 1);
    const QJsonObject r =
        QJsonDocument::fromJson(
            m_lib.realizarPagamentoTEF(1,
                                       R"({"automacao_coleta_retorno":"0","automacao_coleta_sequencial":"999",)"
                                       R"("automacao_coleta_informacao":"10,00"})",
                                       0))
            .object();
    QCOMPARE(r.value("codigo").toInt(), 8);
    QVERIFY(!r.contains("tef"));
}

void TestZ3TefLibrary::semOperacaoAbertaRecusa()
{
    m_lib.finalizarOperacaoTEF(1);
    const QJsonObject r =
        QJsonDocument::fromJson(m_lib.realizarPagamentoTEF(1, R"({"transacao_valor":"100"})", 1)).object();
    QVERIFY(r.value("codigo").toInt() != 0);
    QVERIFY(!r.value("mensagem").toString().isEmpty());
}

void TestZ3TefLibrary::cenarioMudaDecisaoEColetas()
{
    qputenv("Z3_SIM_CENARIO", m_cenario.toUtf8());
    cenario(R"({"coletas":[{"palavra_chave":"cpf","mensagem":"Digite o CPF","tipo":"N"}],"tef":{"loja":"L9"}})");
    QByteArray r = m_lib.realizarPagamentoTEF(1, R"({"transacao_valor":"1000"})", 1);
    QCOMPARE(tef(r).value("automacao_coleta_palavra_chave").toString(), QStringLiteral("cpf"));
    QCOMPARE(tef(r).value("mensagemResultado").toString(), QStringLiteral("Digite o CPF"));
    r = m_lib.realizarPagamentoTEF(1, responder(r, QStringLiteral("123")), 0);
    QCOMPARE(tef(r).value("retorno").toString(), QStringLiteral("0"));
    QCOMPARE(tef(r).value("loja").toString(), QStringLiteral("L9"));

    cenario(R"({"decisao":"negar"})");
    QVERIFY(tef(m_lib.realizarPagamentoTEF(1, R"({"transacao_valor":"1000"})", 1)).value("retorno").toString() !=
            QLatin1String("0"));
    cenario(R"({"decisao":"erro","codigo_erro":5,"mensagem_erro":"Host fora do ar"})");
    const QJsonObject erro =
        QJsonDocument::fromJson(m_lib.realizarPagamentoTEF(1, R"({"transacao_valor":"1000"})", 1)).object();
    QCOMPARE(erro.value("codigo").toInt(), 5);
    QCOMPARE(erro.value("mensagem").toString(), QStringLiteral("Host fora do ar"));
    cenario(R"({"iniciar_retorno":"0"})");
    m_lib.finalizarOperacaoTEF(1);
    QVERIFY(!Z3_Tef_Protocolo::isConfirmado(m_lib.iniciarOperacaoTEF("{}")));
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
