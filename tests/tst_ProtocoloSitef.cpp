#include "LogCapture.h"
#include "TestSupport.h"
#include "base/ConfigTef.h"
#include "exchange/ProtocoloSitef.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>

// Qt 5.15's JSON parser leaks the first value when a later duplicate member replaces an
// object or array; the duplicate-member rows below do that on purpose. Qt is built
// without frame pointers, so the report cannot be narrowed further than the library.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libQt5Core.so\n";
}

// The exchange's conversions: key-number request text -> compact JSON request,
// and the JSON results of the three backends -> key-number responses, byte for byte.
class TestProtocoloSitef : public QObject
{
    Q_OBJECT

private:
    enum Conversao { Vantor, Bridge, Tef };

    static QString converter(Conversao c, const QString &resultado)
    {
        ProtocoloSitef p;
        return c == Vantor   ? p.vantorResultToResponse(resultado)
               : c == Bridge ? p.bridgeResultToResponse(resultado)
                             : p.tefResultToResponse(resultado);
    }

    static QString json(const QJsonObject &o) { return QString::fromUtf8(QJsonDocument(o).toJson()); }

    static QStringList linhas(const QString &resposta)
    {
        QStringList r = resposta.split(QStringLiteral("\r\n"));
        if (!r.isEmpty() && r.last().isEmpty())
            r.removeLast();
        return r;
    }

    // The value of a field, or a null text when the response lacks it; how many lines start with the text.
    static QString campo(const QString &resposta, const QString &id)
    {
        const QStringList l = linhas(resposta).filter(QRegularExpression("^" + QRegularExpression::escape(id) + " = "));
        return l.isEmpty() ? QString() : l.first().mid(id.size() + 3);
    }
    static int contar(const QString &resposta, const QString &prefixo)
    {
        return linhas(resposta).filter(QRegularExpression("^" + QRegularExpression::escape(prefixo))).size();
    }

    // The JSON request as an object; what is not an object reads as an empty one and fails the checks.
    static QJsonObject paraJson(const QString &requisicao)
    {
        return QJsonDocument::fromJson(ProtocoloSitef().requestToJson(requisicao).toUtf8()).object();
    }
    static QString texto(const char *s) { return QString::fromUtf8(s); }

    static QJsonObject vendaTef(const QJsonObject &tef)
    {
        return {{"header", "CRT"},           {"id", "7"}, {"codigo", 0}, {"mensagem", "Sucesso"},
                {"requer_confirmacao", "2"}, {"tef", tef}};
    }

private slots:
    void init() { testsupport::writeConfig({}); }
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
        QVERIFY(!requisicao.isEmpty() && !esperado.isEmpty());
        ProtocoloSitef protocolo;
        QCOMPARE(protocolo.requestToJson(QString::fromUtf8(requisicao)).toUtf8(), esperado);
    }

    // What a request becomes: "name=value" pairs separated by "|" ("header", "operacao" and "msg_erro" at the top,
    // the rest among the parameters; an empty value: absent), "log:" / "semlog:" a text logged or not. A request
    // whose row names no "msg_erro" must not get one.
    void requestFields_data()
    {
        QTest::addColumn<QString>("requisicao");
        QTest::addColumn<QString>("esperado");
        const auto pedido = [](const char *nome, const QString &requisicao, const QString &esperado) {
            QTest::newRow(nome) << requisicao << esperado;
        };
        // The identification and the final record follow the given fields.
        const QString fim = QStringLiteral("001-000 = 1\n999-999 = 0\n");
        const auto campos = [&](const char *nome, const QString &campos, const QString &esperado) {
            pedido(nome, campos + fim, esperado);
        };
        campos("amount skipped in an undo", "000-000 = NCN\n003-000 = 100\n", "valor=");
        campos("currency before the operation skipped", "004-000 = 0\n000-000 = CRT\n", "moeda=");
        campos("document before the operation accepted", "002-000 = 55\n000-000 = CRT\n", "documento=55");
        campos("cheque field for any operation containing CHQ", "000-000 = XCHQY\n005-000 = 123\n", "cmc7=123");
        campos("cheque field not in a sale", "000-000 = CRT\n005-000 = 123\n", "cmc7=");
        campos("inner blanks made single", "000-000 = CRT\n011-000 =  a \t  b  \n", "codigo_transacao=a b");
        campos("text after a second equals sign dropped", "000-000 = CRT\n011-000 = a=b\n", "codigo_transacao=a");
        campos("no blanks around the equals sign", "000-000=CRT\n011-000=ab\n", "header=CRT|codigo_transacao=ab");
        campos("repeated field overwrites", "000-000 = CRT\n003-000 = 1\n003-000 = 2\n", "valor=2");
        campos("amount kept as written", "000-000 = CRT\n003-000 = 000150\n", "valor=000150");
        campos("network not in a sale", "000-000 = CRT\n010-000 = REDE\n", "nome_rede=");
        campos("post-dated only for exact operations", "000-000 = XCRT\n024-000 = 1\n", "data_predatado=");
        campos("unknown key skipped", "000-000 = CRT\n123-456 = x\n", "123-456=");
        campos("keys are not trimmed of zeros", "000-000 = CRT\n3-000 = 1\n", "valor=");
        campos("NUL inside a value kept", texto("000-000 = CRT\n011-000 = a") + QChar(0) + texto("b\n"),
               texto("codigo_transacao=a") + QChar(0) + texto("b"));

        const QString invalido = texto("|msg_erro=Arquivo com formato inválido");
        const QString semHeader = texto("header=|msg_erro=Chave header[000-000] não encontrada");
        campos("lower case operation", "000-000 = crt\n", "header=CRT|operacao=0");
        campos("unknown operation is -20, not an error", "000-000 = XYZ\n", "header=XYZ|operacao=-20");
        campos("second operation replaces the first", "000-000 = CRT\n000-000 = ADM\n", "header=ADM|operacao=-5");
        pedido("windows line ends", "000-000 = CRT\r\n001-000 = 1\r\n999-999 = 0\r\n", "header=CRT|operacao=0");
        pedido("blank line holding a carriage return is invalid", "000-000 = CRT\r\n\r\n001-000 = 1\r\n999-999 = 0\r\n",
               "header=CRT|operacao=0" + invalido);
        campos("line without equals stops reading", "000-000 = CRT\nlixo\n", "header=CRT|operacao=0" + invalido);
        pedido("empty request", QString(), semHeader);
        campos("operation with empty value is missing", "000-000 = \n", semHeader);
        pedido("identification missing", "000-000 = CRT\n999-999 = 0\n",
               texto("header=CRT|operacao=0|msg_erro=Chave identificacao[001-000] não encontrada"));
        pedido("final record with empty value is missing", "000-000 = CRT\n001-000 = 1\n999-999 =\n",
               texto("header=CRT|operacao=0|msg_erro=Chave registro final [999-999] não encontrada"));
        pedido("invalid line wins over missing keys", "x\n", "header=" + invalido);
        // Hostile input still gives a document with parameters.
        pedido("one megabyte line",
               "000-000 = CRT\n001-000 = " + QString(1 << 20, QLatin1Char('9')) + "\n999-999 = 0\n",
               "header=CRT|operacao=0");
        QString muitas = QStringLiteral("000-000 = CRT\n001-000 = 1\n");
        for (int i = 0; i < 100000; ++i)
            muitas += QStringLiteral("003-000 = %1\n").arg(i);
        pedido("100000 lines", muitas + "999-999 = 0\n", "header=CRT|operacao=0");
        pedido("invalid UTF-8", texto("000-000 = \xff\xfe\n001-000 = \xc3\n999-999 = 0\n"),
               "header=" + texto("000-000 = \xff\xfe").mid(10) + "|operacao=-20");
        pedido("only equals signs", QString(5000, QLatin1Char('=')), semHeader);
        pedido("only line feeds", QString(5000, QLatin1Char('\n')), semHeader);
        pedido("JSON instead of key-number", "{\"header\":\"CRT\"}", "header=" + invalido);

        // Lines a POS sends on every request must not bury the warnings that matter.
        campos("activity check is no unknown operation", "000-000 = ATV\n", "semlog:fora do especificado");
        campos("currency and fiscal document of a cancellation taken silently",
               "000-000 = CNC\n004-000 = 0\n013-000 = 123\n", "semlog:fora do especificado|moeda=");
        campos("unknown operation still logged", "000-000 = XYZ\n", "log:Identificador [XYZ] fora do especificado");
        campos("currency in a confirmation still warned", "000-000 = CNF\n004-000 = 0\n",
               "log:Documento fora do especificado. CHAVE: 004-000|moeda=");
    }

    void requestFields()
    {
        QFETCH(QString, requisicao);
        QFETCH(QString, esperado);
        const LogCapture log;
        const QJsonObject doc = paraJson(requisicao);
        const QJsonObject parametros = doc.value(QStringLiteral("parametros")).toObject();
        QVERIFY(doc.value(QStringLiteral("parametros")).isObject());
        QVERIFY(!parametros.contains(QStringLiteral("000-000")));
        if (!esperado.contains(QLatin1String("msg_erro=")))
            QVERIFY(!doc.contains(QStringLiteral("msg_erro")));
        for (const QString &e : esperado.split(QLatin1Char('|'))) {
            const QString chave = e.section(QLatin1Char('='), 0, 0);
            if (e.startsWith(QLatin1String("log:")) || e.startsWith(QLatin1String("semlog:"))) {
                QVERIFY2(log.contem(e.section(QLatin1Char(':'), 1, -1)) == e.startsWith(QLatin1Char('l')),
                         qPrintable(e));
            } else {
                const bool topo = QStringList{"header", "operacao", "msg_erro"}.contains(chave);
                QCOMPARE((topo ? doc : parametros).value(chave).toVariant().toString(),
                         e.section(QLatin1Char('='), 1, -1));
            }
        }
    }

    void goldenResponses_data()
    {
        QTest::addColumn<int>("conversao");
        QTest::addColumn<QString>("resultado");
        QTest::addColumn<int>("tagComprovante");
        QTest::addColumn<int>("tag028001");
        QTest::addColumn<QString>("esperado");

        for (int tc = 0; tc <= 2; ++tc) {
            for (int t = 0; t <= 1; ++t) {
                const QString nome = QStringLiteral("tef_venda_credito.tc%1_t%2.resp").arg(tc).arg(t);
                QTest::addRow("credit sale, tag_comprovante %d, tag_028_001 %d", tc, t)
                    << int(Tef) << QStringLiteral("tef_venda_credito.json") << tc << t << nome;
            }
        }
        const auto linha = [](const char *nome, Conversao conversao, const QString &arquivo) {
            QTest::newRow(nome) << int(conversao) << arquivo + ".json" << 0 << 1 << arquivo + ".resp";
        };
        linha("Z3_Tef result without tef", Tef, "tef_sem_tef");
        linha("Z3_Tef administrative operation", Tef, "tef_adm");
        linha("bridge sale with complete receipt", Bridge, "bridge_venda");
        linha("bridge sale with the two copies only", Bridge, "bridge_venda_sem_completo");
        linha("Vantor sale", Vantor, "vantor_venda");
    }

    void goldenResponses()
    {
        QFETCH(int, conversao);
        QFETCH(QString, resultado);
        QFETCH(int, tagComprovante);
        QFETCH(int, tag028001);
        QFETCH(QString, esperado);

        testsupport::writeConfig(
            {{QStringLiteral("tag_comprovante"), tagComprovante}, {QStringLiteral("tag_028_001"), tag028001}});
        const QByteArray entrada = testsupport::dataFile(resultado);
        const QByteArray bytes = testsupport::dataFile(esperado);
        QVERIFY(!entrada.isEmpty() && !bytes.isEmpty());
        QCOMPARE(converter(Conversao(conversao), QString::fromUtf8(entrada)).toUtf8(), bytes);
    }

    // The same converter, the settings saved again between two responses: in place, as
    // the configuration popup does, usually within the same second and at the same size.
    void aChangedSettingAppliesToTheNextResponse_data()
    {
        QTest::addColumn<bool>("bridge"); // the bridge sale, else the Z3_Tef credit sale
        QTest::addColumn<QJsonObject>("antes");
        QTest::addColumn<QJsonObject>("depois"); // empty: the file is deleted instead
        QTest::addColumn<QString>("campoId");
        QTest::addColumn<QString>("valorAntes");
        QTest::addColumn<QString>("valorDepois");
        const auto linha = [](const char *nome, const QJsonObject &antes, const QJsonObject &depois,
                              const char *campoId, const QString &valorAntes, const QString &valorDepois,
                              bool bridge = false) {
            QTest::newRow(nome) << bridge << antes << depois << campoId << valorAntes << valorDepois;
        };
        const QString loja = "SUPERMERCADO BOA COMPRA LTDA", cabecalho = "        VARDA PAY - VIA ESTABELECIMENTO";
        const QJsonObject completo{{"tag_comprovante", 1}}, vias{{"tag_comprovante", 2}},
            aspas{{"aspas_comprovante", 1}};
        linha("complete receipt only, then the copies only", completo, vias, "715-003", QString(), loja);
        linha("split point, then none", {}, {{"tag_028_001", 0}}, "028-001", "20", QString());
        linha("Z3_Tef receipt lines quoted from the next response", {}, aspas, "715-003", loja, '"' + loja + '"');
        linha("bridge receipt lines quoted from the next response", {}, aspas, "029-001", cabecalho,
              '"' + cabecalho + '"', true);
        linha("file removed: the defaults again", completo, {}, "715-003", QString(), loja);
    }

    void aChangedSettingAppliesToTheNextResponse()
    {
        QFETCH(bool, bridge);
        QFETCH(QJsonObject, antes);
        QFETCH(QJsonObject, depois);
        QFETCH(QString, campoId);
        const QString texto =
            QString::fromUtf8(testsupport::dataFile(bridge ? "bridge_venda.json" : "tef_venda_credito.json"));
        testsupport::writeConfig(antes);
        ProtocoloSitef protocolo;
        const auto valor = [&] {
            return campo(bridge ? protocolo.bridgeResultToResponse(texto) : protocolo.tefResultToResponse(texto),
                         campoId);
        };
        QTEST(valor(), "valorAntes");
        if (depois.isEmpty()) {
            QVERIFY(QFile::remove(testsupport::configPath()));
        } else {
            QJsonObject tudo = ConfigTef().configuracao();
            for (auto it = depois.begin(); it != depois.end(); ++it)
                tudo.insert(it.key(), it.value());
            QVERIFY(ConfigTef().salvar(tudo));
        }
        QTEST(valor(), "valorDepois");
    }

    // One field of each converter's response: what a member or key becomes, or that it writes nothing.
    void fieldRules_data()
    {
        QTest::addColumn<int>("conversao");
        QTest::addColumn<QJsonObject>("resultado");
        QTest::addColumn<QString>("campoId");
        QTest::addColumn<QString>("esperado");

        const auto vantor = [](const char *nome, const char *dados, const char *campoId, const QString &esperado) {
            QTest::newRow(nome) << int(Vantor) << QJsonObject{{"header", "CRT"}, {"dados_transacao", dados}} << campoId
                                << esperado;
        };
        vantor("empty value writes nothing", "ValorTrans:", "003-000", QString());
        vantor("financing A is 1", "FormaFinanciamento:A", "017-000", "1");
        vantor("other financing unchanged", "FormaFinanciamento:X", "017-000", "X");
        vantor("date MMDD becomes DDMMYYYY", "DataTrans:1206", "022-000",
               QStringLiteral("0612") + QString::number(QDate::currentDate().year()));
        vantor("short card number does not fail", "Pan:12", "010-005", "12");
        vantor("time with colons keeps its first group", "HoraTrans:12:30:00", "023-000", "12");
        vantor("key and value simplified", "  Nsu :  12   34 ", "012-000", "12 34");
        vantor("keys are case-sensitive", "nsu:123", "012-000", QString());
        // Chosen behaviour: an item without ":" has no value and writes nothing; the rest go on.
        vantor("item without colon skipped", "Nsu,ValorTrans:5", "003-000", "5");
        vantor("empty items skipped", ",,ValorTrans:5,,", "003-000", "5");

        const auto bridge = [](const char *nome, const QJsonObject &r, const char *campoId, const QString &esperado) {
            QTest::newRow(nome) << int(Bridge) << r << campoId << esperado;
        };
        const auto membro = [&](const char *nome, const char *m, const QJsonValue &v, const char *id,
                                const QString &e) {
            bridge(nome, {{"z3_pdv", "1"}, {m, v}}, id, e);
        };
        membro("VENDA is CRT", "operacao", "VENDA", "000-000", "CRT");
        membro("CANCELAMENTO is CNC", "operacao", "CANCELAMENTO", "000-000", "CNC");
        membro("ADMINISTRATIVA is ADM", "operacao", "ADMINISTRATIVA", "000-000", "ADM");
        membro("issuer financing in lower case is 1", "tipoFinanciamento", "parcelado_emissor", "017-000", "1");
        membro("store financing is 0", "tipoFinanciamento", "PARCELADO_ESTABELECIMENTO", "017-000", "0");
        membro("bool of another type is false", "z3_cupom_fiscal", "true", "375-002", "false");
        membro("text where an integer is expected is 0", "numeroParcelas", "3", "018-000", "0");
        membro("number where a text is expected is empty", "valorTotal", 1500, "003-000", "");
        membro("null member skipped", "valorTotal", QJsonValue::Null, "003-000", QString());
        membro("line break cannot start a forged field", "mensagemResultado", "APROVADA\r\n009-000 = 0", "030-000",
               "APROVADA009-000 = 0");
        // Chosen behaviour: a date without a time part still writes both fields, the time empty.
        membro("date without time writes an empty time", "dataHoraTransacao", "06/12/2026", "023-000", "");
        membro("time stops at the second blank", "dataHoraTransacao", "06/12/2026 10:15:30 BRT", "023-000", "101530");
        // A null, empty or blank complete receipt gives way to the two copies: their three lines.
        const auto completo = [&](const char *nome, const QJsonValue &c) {
            bridge(nome,
                   {{"comprovanteDiferenciadoPortador", QJsonArray{"p"}},
                    {"comprovanteCompleto", c},
                    {"comprovanteDiferenciadoLoja", QJsonArray{"l1", "l2"}}},
                   "028-000", "3");
        };
        completo("null complete receipt", QJsonValue::Null);
        completo("empty complete receipt", QJsonArray{});
        completo("blank complete receipt", QJsonArray{" "});

        // The members of "tef", as "member=value" pairs separated by "|"; "#n" is the number n, not a text.
        const auto tef = [](const char *nome, const QString &membros, const char *campoId, const char *esperado) {
            QJsonObject t;
            for (const QString &par : membros.split(QLatin1Char('|'))) {
                const QString valor = par.section(QLatin1Char('='), 1);
                t.insert(par.section(QLatin1Char('='), 0, 0),
                         valor.startsWith(QLatin1Char('#')) ? QJsonValue(valor.mid(1).toInt()) : QJsonValue(valor));
            }
            QTest::newRow(nome) << int(Tef) << vendaTef(t) << campoId << esperado;
        };
        const QString aprovada = QStringLiteral("resultadoTransacao=0|tipoCartao=");
        tef("credit, store financing: 11", aprovada + "credito|tipoFinanciamento=ESTABELECIMENTO", "011-000", "11");
        tef("credit, administrator: 12", aprovada + "CREDITO|tipoFinanciamento=Administradora", "011-000", "12");
        tef("debit, post-dated: 21", aprovada + "Debito|formaPagamento=PRE-DATADO", "011-000", "21");
        tef("debit, instalments: 22", aprovada + "DEBITO|formaPagamento=parcelado", "011-000", "22");
        tef("debit, other: 20", aprovada + "Debito", "011-000", "20");
        tef("voucher in capitals: 60", aprovada + "VOUCHER", "011-000", "60");
        tef("voucher in other case: 30", aprovada + "Voucher", "011-000", "30");
        tef("declined: 99", "resultadoTransacao=5|tipoCartao=Credito", "011-000", "99");
        tef("numeric result is not the text 0: 99", "resultadoTransacao=#0|tipoCartao=Credito", "011-000", "99");
        tef("card type code trimmed, upper-cased", "tipoCartao= debito ", "731-000", "2");
        tef("unknown card type code 0", "tipoCartao=PIX", "731-000", "0");
        tef("store financing 0", "tipoFinanciamento=estabelecimento", "017-000", "0");
        tef("other financing 1", "tipoFinanciamento=Administradora", "017-000", "1");
        tef("instalments given win over a vista", "formaPagamento=a vista|numeroParcelas=3", "018-000", "3");
        tef("numeric instalments read as empty text", "formaPagamento=a vista|numeroParcelas=#3", "018-000", "");
        tef("result code from retorno 1", "retorno=1", "009-000", "0");
        tef("result code from message", "mensagemResultado= TRANSACAO CONCLUIDA COM SUCESSO ", "009-000", "0");
        tef("result code otherwise -9999", "retorno=2", "009-000", "-9999");
        tef("given result wins over derived", "resultadoTransacao=5", "009-000", "5");
        tef("line feeds removed from text", "mensagemResultado=TRANSACAO\nAPROVADA", "030-000", "TRANSACAOAPROVADA");
        tef("copies: store copy alone is 2", "comprovanteDiferenciadoLoja=a", "737-000", "2");
        tef("copies: none is 0", "loja=1", "737-000", "0");
        // Brand and network names as the library reports them -> the codes the POS files the sale under. A few
        // real ones, and the ways a name must not borrow a code: another case, a blank, half of a two-name key.
        tef("brand with a code of its own", "nomeBandeira=Mastercard", "010-003", "00002");
        tef("brand with a code, late in its table", "nomeBandeira=Sorocred", "010-003", "00015");
        tef("known brand without a code: five zeros", "nomeBandeira=Elo", "010-003", "00000");
        tef("unknown brand: six zeros", "nomeBandeira=Nova bandeira", "010-003", "000000");
        tef("brand in another case is unknown", "nomeBandeira=VISA", "010-003", "000000");
        tef("brand with a blank around it is unknown", "nomeBandeira= Visa", "010-003", "000000");
        tef("empty brand is unknown", "nomeBandeira=", "010-003", "000000");
        tef("network with a code of its own", "nomeProvedor=Getnet", "010-001", "82");
        tef("network under a two-name key", "nomeProvedor=Sorocred Stone", "010-001", "47");
        tef("half of a two-name network key is unknown", "nomeProvedor=Stone", "010-001", "0");
        tef("known network without a code", "nomeProvedor=Santander", "010-001", "0");
        tef("network in another case is unknown", "nomeProvedor=CIELO", "010-001", "0");
    }

    void fieldRules()
    {
        QFETCH(int, conversao);
        QFETCH(QJsonObject, resultado);
        QFETCH(QString, campoId);
        QFETCH(QString, esperado);
        const QString resposta = converter(Conversao(conversao), json(resultado));
        QCOMPARE(campo(resposta, campoId), esperado);
        QCOMPARE(contar(resposta, campoId + QStringLiteral(" ")), esperado.isNull() ? 0 : 1);
        if (conversao == Bridge)
            QVERIFY(resposta.endsWith(QStringLiteral("\r\n999-999 = 0"))); // no line break after the last line
    }

    void vantorWholeResponses_data()
    {
        QTest::addColumn<QString>("resultado");
        QTest::addColumn<QString>("resposta");
        QTest::newRow("minimal result gives four lines")
            << R"({"header":"CRT","id":42,"resultado":0})"
            << "000-000 = CRT\r\n001-000 = 42\r\n009-000 = 0\r\n999-999 = 0\r\n";
        const QString vazia = "000-000 = \r\n001-000 = 0\r\n009-000 = 0\r\n";
        QTest::newRow("wrong types give empty values")
            << R"({"header":5,"id":"42","resultado":1.5,"texto_operador":[],"dados_transacao":{}})"
            << vazia + "999-999 = 0\r\n";
        QTest::newRow("receipt keeps its trailing piece and carriage returns")
            << "{\"comprovante_loja\":\"A\\r\\nB\\n\"}"
            << vazia + "028-000 = 3\r\n029-001 = A\r\r\n029-002 = B\r\n029-003 = \r\n999-999 = 0\r\n";
    }

    void vantorWholeResponses()
    {
        QFETCH(QString, resultado);
        QTEST(converter(Vantor, resultado), "resposta");
    }

    void vantorLogNeverHoldsCardData()
    {
        // The received document is logged: the card number and the track must not appear in clear.
        QFile::remove(QStringLiteral("z3_log.txt"));
        qputenv("Z3_LOG", "z3_log.txt");
        const QJsonObject r{{"header", "CRT"},
                            {"dados_transacao", "Pan:4111111111111234,Trilha02:4111111111111234=28121010"}};
        QVERIFY(!converter(Vantor, json(r)).isEmpty());
        const QByteArray escrito = testsupport::readAll(QStringLiteral("z3_log.txt"));
        QVERIFY(escrito.contains("411111******1234"));
        QVERIFY(!escrito.contains("4111111111111234"));
        QVERIFY(!escrito.contains("28121010"));
    }

    void receiptBlock_data()
    {
        QTest::addColumn<QJsonArray>("linhasRecibo");
        QTest::addColumn<int>("aspas");
        QTest::addColumn<QStringList>("bloco");

        // The block's lines joined by "|".
        const auto linha = [](const char *nome, const QJsonArray &linhas, int aspas, const QString &bloco) {
            QTest::newRow(nome) << linhas << aspas << (bloco.isEmpty() ? QStringList() : bloco.split('|'));
        };
        linha("lines numbered from 001, count last", {"a", "b"}, 0, "029-001 = a|029-002 = b|028-000 = 2");
        linha("one blank element gives no block", {"   "}, 0, "");
        linha("empty array gives only the count", {}, 0, "028-000 = 0");
        linha("quoted lines, empty one too", {"abc", ""}, 1, "029-001 = \"abc\"|029-002 = \"\"|028-000 = 2");
        linha("line breaks removed, blanks kept", {" a\r\nb "}, 0, "029-001 =  ab |028-000 = 1");
        linha("element that is not text is empty", {5, "x"}, 0, "029-001 = |029-002 = x|028-000 = 2");
        QJsonArray muitas;
        QStringList bloco;
        for (int i = 1; i <= 1001; ++i) {
            muitas.append(QStringLiteral("l"));
            bloco << QStringLiteral("029-%1 = l").arg(i, 3, 10, QLatin1Char('0'));
        }
        QTest::newRow("line numbers past 999 are never cut") << muitas << 0 << (bloco << "028-000 = 1001");
    }

    void receiptBlock()
    {
        QFETCH(QJsonArray, linhasRecibo);
        QFETCH(int, aspas);
        testsupport::writeConfig({{QStringLiteral("aspas_comprovante"), aspas}});
        QTEST(ProtocoloSitef().receiptLines(QStringLiteral("028-000|029-xxx"), linhasRecibo), "bloco");
    }

    void oddDocuments_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("vazia");       // the bridge and Z3_Tef conversions give an empty text
        QTest::addColumn<QString>("tefCampo"); // "id=value" the Z3_Tef conversion writes, when given
        const auto linha = [](const char *nome, const QByteArray &bytes, bool vazia, const char *tefCampo = "") {
            QTest::newRow(nome) << bytes << vazia << tefCampo;
        };
        linha("not JSON", "IntPos", true);
        linha("empty object", "{}", true);
        linha("array", "[1,2]", true);
        linha("nested 10000 deep", QByteArray(10000, '[') + QByteArray(10000, ']'), true);
        linha("administrative header gives code 00", "{\"header\":\"adm\",\"tef\":{\"resultadoTransacao\":\"7\"}}",
              false, "011-000=00");
        linha("duplicate members keep the last one",
              "{\"header\":\"CRT\",\"header\":\"ADM\",\"tef\":{\"loja\":1},\"tef\":{\"loja\":\"2\"}}", false,
              "000-000=ADM");
        const QByteArray mega(1 << 20, 'x');
        linha("one megabyte value",
              "{\"header\":\"" + mega + "\",\"tef\":{\"loja\":\"" + mega + "\"},\"comprovante_loja\":\"" + mega + "\"}",
              false);
        linha("100000 receipt lines",
              "{\"tef\":{\"comprovanteDiferenciadoLoja\":\"" + QByteArray("x\\r\\n").repeated(100000) +
                  "\"},\"comprovante_loja\":\"" + QByteArray("y\\n").repeated(100000) + "\",\"comprovanteCompleto\":[" +
                  QByteArray("\"z\",").repeated(100000) + "\"z\"]}",
              false);
        linha("invalid UTF-8 and NUL",
              "{\"header\":\"\xff\xfe\\u0000A\",\"tef\":{\"loja\":\"\xc3\",\"nomeBandeira\":\"\\u0000\"}}", false);
        linha("wrong types everywhere",
              "{\"header\":1,\"id\":[],\"codigo\":\"0\",\"tef\":{\"comprovanteDiferenciadoLoja\":[1],"
              "\"dataHoraTransacao\":5,\"tipoCartao\":{}},\"dados_transacao\":7,\"comprovante_loja\":{},"
              "\"comprovanteCompleto\":\"abc\",\"operacao\":false,\"numeroParcelas\":1e300,\"resultado\":-1e300}",
              false);
        linha("empty members", "{\"\":\"\",\"tef\":{\"\":null},\"dados_transacao\":\"\"}", false);
    }

    void oddDocuments()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, vazia);
        QFETCH(QString, tefCampo);
        const QString texto = QString::fromUtf8(bytes);
        const bool parseavel = !QJsonDocument::fromJson(texto.toUtf8()).isNull();
        for (Conversao c : {Vantor, Bridge, Tef}) {
            const QString resposta = converter(c, texto);
            // The Vantor conversion answers every parsed document, even an empty one.
            if (c == Vantor)
                QCOMPARE(resposta.isNull(), !parseavel);
            else if (vazia)
                QVERIFY(resposta.isEmpty());
            QVERIFY(resposta.isEmpty() || resposta.contains(QStringLiteral("999-999 = 0")));
            // Every field stays on its own line: a field id, " = " and the value.
            static const QRegularExpression formato(QStringLiteral("^\\d{3}-\\d{3,} = "));
            for (const QString &l : linhas(resposta))
                QVERIFY2(formato.match(l).hasMatch(), qPrintable(l.left(40)));
        }
        if (!tefCampo.isEmpty())
            QCOMPARE(campo(converter(Tef, texto), tefCampo.section('=', 0, 0)), tefCampo.section('=', 1));
    }

    // What the history of finished transactions reads of each product's result: the members each product names
    // its own way, and the outcome. "valor|bandeira|rede|nsu|autorizacao|situacao".
    void historySummaryOfEachProduct_data()
    {
        QTest::addColumn<QString>("arquivo");
        QTest::addColumn<QJsonObject>("troca"); // members replaced in the result ("tef" ones for Z3_Tef)
        QTest::addColumn<QString>("resumo");
        QTest::newRow("Vantor approval") << "vantor_venda.json" << QJsonObject()
                                         << "15000|VISA|CIELO|000456|654321|aprovada";
        QTest::newRow("Vantor cancelled at a screen")
            << "vantor_venda.json" << QJsonObject{{"resultado", 65282}} << "15000|VISA|CIELO|000456|654321|cancelada";
        QTest::newRow("Vantor library failure")
            << "vantor_venda.json" << QJsonObject{{"resultado", -1}} << "15000|VISA|CIELO|000456|654321|erro";
        QTest::newRow("Z3_Bridge approval")
            << "bridge_venda.json" << QJsonObject() << "15000|VISA|CIELO|123|654321|aprovada";
        QTest::newRow("Z3_Bridge decline")
            << "bridge_venda.json" << QJsonObject{{"resultadoTransacao", 5}} << "15000|VISA|CIELO|123|654321|negada";
        QTest::newRow("Z3_Bridge call that failed")
            << "bridge_venda.json" << QJsonObject{{"z3_bridge_code", -3}} << "15000|VISA|CIELO|123|654321|erro";
        QTest::newRow("Z3_Tef approval") << "tef_venda_credito.json" << QJsonObject()
                                         << "15000|Visa|Cielo|123|654321|aprovada";
        QTest::newRow("Z3_Tef cancelled by the cashier")
            << "tef_venda_credito.json" << QJsonObject{{"retorno", "4"}} << "15000|Visa|Cielo|123|654321|cancelada";
        QTest::newRow("Z3_Tef decline") << "tef_venda_credito.json" << QJsonObject{{"retorno", "5"}}
                                        << "15000|Visa|Cielo|123|654321|negada";
    }

    void historySummaryOfEachProduct()
    {
        QFETCH(QString, arquivo);
        QFETCH(QJsonObject, troca);
        QJsonObject resultado = QJsonDocument::fromJson(testsupport::dataFile(arquivo)).object();
        QJsonObject tef = resultado.value("tef").toObject();
        for (auto it = troca.begin(); it != troca.end(); ++it)
            (arquivo.startsWith("tef") ? tef : resultado).insert(it.key(), it.value());
        if (arquivo.startsWith("tef"))
            resultado.insert("tef", tef);
        const Historico::Resumo r = arquivo.startsWith("vantor")   ? Vantor_Conversor::resumo(resultado)
                                    : arquivo.startsWith("bridge") ? Z3_Bridge_Conversor::resumo(resultado)
                                                                   : Z3_Tef_Conversor::resumo(resultado);
        QTEST(
            QStringList({r.valor, r.bandeira, r.rede, r.nsu, r.autorizacao, FimTransacao::nome(r.situacao)}).join('|'),
            "resumo");
    }
};

QTEST_GUILESS_MAIN(TestProtocoloSitef)
#include "tst_ProtocoloSitef.moc"
