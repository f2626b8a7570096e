#include "tef/Z3_Tef_VO.h"

#include <QJsonDocument>
#include <QtTest>

// The request-to-transaction mapping of the Z3_Tef backend and the parameter
// texts built from it.
class TestZ3TefVO : public QObject
{
    Q_OBJECT

private:
    static QJsonObject requisicao(const QString &header, const QJsonObject &parametros)
    {
        return QJsonObject{{QStringLiteral("operacao"), 0},
                           {QStringLiteral("header"), header},
                           {QStringLiteral("parametros"), parametros}};
    }

private slots:
    void mapeiaCartaoEPrazos_data();
    void mapeiaCartaoEPrazos();
    void copiaCamposDeTexto();
    void jsonIniciarOperacao_data();
    void jsonIniciarOperacao();
    void jsonOperacaoNova_data();
    void jsonOperacaoNova();
};

void TestZ3TefVO::mapeiaCartaoEPrazos_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QJsonObject>("parametros");
    QTest::addColumn<int>("tipoCartao");
    QTest::addColumn<QStringList>("prazo"); // payment, financing, instalments
    QTest::addColumn<int>("codigoTransacao");

    const auto p = [](std::initializer_list<QPair<const char *, const char *>> campos) {
        QJsonObject o;
        for (const auto &c : campos)
            o.insert(QLatin1String(c.first), QString::fromUtf8(c.second));
        return o;
    };
    const auto prazo = [](const char *pagamento, const char *financiado, const char *parcelas) {
        return QStringList{pagamento, financiado, parcelas};
    };
    QTest::newRow("code 10 is credit in one payment")
        << "CRT" << p({{"codigo_transacao", "10"}, {"quantidade_parcelas", "5"}}) << 1 << prazo("A vista", "", "")
        << 10;
    QTest::newRow("code 11 with 3 instalments is store-financed credit")
        << "CRT" << p({{"codigo_transacao", "11"}, {"quantidade_parcelas", "3"}}) << 1
        << prazo("Parcelado", "Estabelecimento", "3") << 11;
    QTest::newRow("code 11 with one instalment drops the count")
        << "CRT" << p({{"codigo_transacao", "11"}, {"quantidade_parcelas", "1"}}) << 1
        << prazo("Parcelado", "Estabelecimento", "") << 11;
    QTest::newRow("code 12 is issuer-financed credit")
        << "CRT" << p({{"codigo_transacao", "12"}, {"quantidade_parcelas", "4"}}) << 1
        << prazo("Parcelado", "Administradora", "4") << 12;
    QTest::newRow("code 12 with a count that is not a number drops it")
        << "CRT" << p({{"codigo_transacao", "12"}, {"quantidade_parcelas", "x"}}) << 1
        << prazo("Parcelado", "Administradora", "") << 12;
    QTest::newRow("code 20 is debit in one payment")
        << "CRT" << p({{"codigo_transacao", "20"}}) << 2 << prazo("A vista", "", "") << 20;
    QTest::newRow("code 21 is post-dated debit")
        << "CRT" << p({{"codigo_transacao", "21"}}) << 2 << prazo("Pre-datado", "", "") << 21;
    QTest::newRow("code 22 with one instalment keeps the label, drops the count")
        << "CRT" << p({{"codigo_transacao", "22"}, {"quantidade_parcelas", "1"}}) << 2
        << prazo("Parcelado", "Administradora", "") << 22;
    QTest::newRow("code 22 with 6 instalments")
        << "CRT" << p({{"codigo_transacao", "22"}, {"quantidade_parcelas", "6"}}) << 2
        << prazo("Parcelado", "Administradora", "6") << 22;
    QTest::newRow("an unknown code leaves card and terms empty")
        << "CRT" << p({{"codigo_transacao", "99"}, {"tipo_cartao", "1"}, {"quantidade_parcelas", "3"}}) << 0
        << prazo("", "", "") << 99;
    QTest::newRow("without a code the request's own fields decide")
        << "CRT" << p({{"tipo_cartao", "1"}, {"quantidade_parcelas", "1"}}) << 1 << prazo("A vista", "", "1") << 0;
    QTest::newRow("without a code, several instalments are credit instalments")
        << "CRT" << p({{"tipo_cartao", "1"}, {"quantidade_parcelas", "3"}, {"tipo_parcelamento", "1"}}) << 1
        << prazo("Parcelado", "Administradora", "3") << 0;
    QTest::newRow("instalment count 0 gives no payment term")
        << "CRT" << p({{"tipo_cartao", "1"}, {"quantidade_parcelas", "0"}}) << 1 << prazo("", "", "0") << 0;
    QTest::newRow("instalment count that is not a number gives no payment term")
        << "CRT" << p({{"tipo_cartao", "2"}, {"quantidade_parcelas", "x"}}) << 2 << prazo("", "", "x") << 0;
    QTest::newRow("financing 0 is the store")
        << "CRT" << p({{"tipo_parcelamento", "0"}}) << 0 << prazo("", "Estabelecimento", "") << 0;
    QTest::newRow("financing 2 has no label")
        << "CRT" << p({{"tipo_parcelamento", "2"}}) << 0 << prazo("", "", "") << 0;
    QTest::newRow("a code on a cancellation does not pick the card")
        << "CNC" << p({{"codigo_transacao", "10"}, {"tipo_cartao", "3"}}) << 3 << prazo("", "", "") << 10;
    QTest::newRow("ADM with a code that is not a number reads 0")
        << "ADM" << p({{"codigo_transacao", "abc"}}) << 0 << prazo("", "", "") << 0;
    QTest::newRow("card type that is not a number reads 0")
        << "CRT" << p({{"tipo_cartao", "credito"}}) << 0 << prazo("", "", "") << 0;
    // Members that are not texts count as absent.
    QTest::newRow("numeric card type reads 0")
        << "CRT" << QJsonObject{{"tipo_cartao", 1}, {"valor", 1000}} << 0 << prazo("", "", "") << 0;
}

void TestZ3TefVO::mapeiaCartaoEPrazos()
{
    QFETCH(QString, header);
    QFETCH(QJsonObject, parametros);
    const Z3_Tef_VO vo = Z3_Tef_VO::fromRequest(requisicao(header, parametros));
    QCOMPARE(vo.operacao, header);
    QTEST(vo.tipo_cartao, "tipoCartao");
    QTEST((QStringList{vo.pagamento, vo.financiado, vo.parcelas}), "prazo");
    QTEST(vo.codigo_transacao, "codigoTransacao");
}

void TestZ3TefVO::copiaCamposDeTexto()
{
    const QJsonObject p{{"identificacao", "123"},
                        {"aplicacao", "PDV"},
                        {"versao_aplicacao", "2.1"},
                        {"estabelecimento", "E1"},
                        {"loja", "L1"},
                        {"terminal", "T1"},
                        {"valor", "1000"},
                        {"adm_usuario", "gerente"},
                        {"adm_senha", "s3nha"},
                        {"opcao_coleta", "2"},
                        {"nome_produto", "Produto X"}};
    const Z3_Tef_VO vo = Z3_Tef_VO::fromRequest(requisicao(QStringLiteral("ADM"), p));
    QCOMPARE((QStringList{vo.identificacao, vo.aplicacao, vo.versao_aplicacao, vo.estabelecimento, vo.loja, vo.terminal,
                          vo.valor, vo.adm_usuario, vo.adm_senha, vo.nome_produto}),
             (QStringList{"123", "PDV", "2.1", "E1", "L1", "T1", "1000", "gerente", "s3nha", "Produto X"}));
    QCOMPARE(vo.opcao_coleta, 2);
    // Members that are not texts are empty; a request that is not an object gives an empty transaction.
    const Z3_Tef_VO nulo = Z3_Tef_VO::fromRequest(
        requisicao(QStringLiteral("CRT"), {{"valor", 1000}, {"identificacao", QJsonValue::Null}}));
    QCOMPARE((QStringList{nulo.valor, nulo.identificacao}), (QStringList{QString(), QString()}));
    const Z3_Tef_VO vazio = Z3_Tef_VO::fromRequest(QJsonObject());
    QCOMPARE(vazio.operacao, QString());
    QCOMPARE(vazio.jsonOperacaoNova(), QByteArray("{}"));
}

void TestZ3TefVO::jsonIniciarOperacao_data()
{
    QTest::addColumn<QJsonObject>("parametros");
    QTest::addColumn<QByteArray>("esperado");
    QTest::newRow("nothing given gives an empty object") << QJsonObject() << QByteArray("{}");
    QTest::newRow("every start field is renamed")
        << QJsonObject{{"aplicacao", "PDV"}, {"versao_aplicacao", "2.1"}, {"estabelecimento", "E1"},
                       {"loja", "L1"},       {"terminal", "T1"},          {"valor", "1000"}}
        << QByteArray(R"({"aplicacao_tela":"PDV","estabelecimento":"E1","loja":"L1","terminal":"T1","versao":"2.1"})");
    QTest::newRow("empty fields are left out")
        << QJsonObject{{"aplicacao", ""}, {"loja", "L1"}} << QByteArray(R"({"loja":"L1"})");
}

void TestZ3TefVO::jsonIniciarOperacao()
{
    QFETCH(QJsonObject, parametros);
    QTEST(Z3_Tef_VO::fromRequest(requisicao(QStringLiteral("CRT"), parametros)).jsonIniciarOperacao(), "esperado");
}

void TestZ3TefVO::jsonOperacaoNova_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QJsonObject>("parametros");
    QTest::addColumn<QByteArray>("esperado");
    QTest::newRow("only an amount") << "CRT" << QJsonObject{{"valor", "1000"}}
                                    << QByteArray(R"({"transacao_valor":"1000"})");
    QTest::newRow("instalment sale")
        << "CRT" << QJsonObject{{"codigo_transacao", "12"}, {"quantidade_parcelas", "3"}, {"valor", "30000"}}
        << QByteArray(R"({"transacao_financiado":"Administradora","transacao_pagamento":"Parcelado",)"
                      R"("transacao_parcela":"3","transacao_valor":"30000"})");
    QTest::newRow("administrative user, password and product")
        << "ADM" << QJsonObject{{"adm_usuario", "u"}, {"adm_senha", "p"}, {"nome_produto", "X"}}
        << QByteArray(R"({"transacao_administracao_senha":"p","transacao_administracao_usuario":"u",)"
                      R"("transacao_produto":"X"})");
}

void TestZ3TefVO::jsonOperacaoNova()
{
    QFETCH(QString, header);
    QFETCH(QJsonObject, parametros);
    QTEST(Z3_Tef_VO::fromRequest(requisicao(header, parametros)).jsonOperacaoNova(), "esperado");
}

QTEST_GUILESS_MAIN(TestZ3TefVO)
#include "tst_Z3_Tef_VO.moc"
