#include "TestJournal.h"
#include "TestSupport.h"
#include "backends/PortaoOperador.h"
#include "backends/Z3_Tef_Controller.h"
#include "backends/Z3_Tef_Library.h"
#include "backends/Z3_Tef_Protocolo.h"
#include "backends/Z3_Tef_VO.h"
#include "base/Platform.h"
#include "nucleo/ControllerSequencial.h"
#include "nucleo/DiarioTransacoes.h"
#include "nucleo/NucleoTransacao.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

namespace {

QJsonObject requisicao(const QString &header, const QJsonObject &parametros)
{
    return QJsonObject{{"operacao", 0}, {"header", header}, {"parametros", parametros}};
}

// "key=value key=value" -> the request's parameters, every value a text.
QJsonObject parametros(const char *pares)
{
    QJsonObject o;
    for (const QString &par : QString::fromUtf8(pares).split(QLatin1Char(' '), Qt::SkipEmptyParts))
        o.insert(par.section(QLatin1Char('='), 0, 0), par.section(QLatin1Char('='), 1));
    return o;
}

QList<int> sequenciais(const QList<SequencialInfo> &lista)
{
    QList<int> r;
    for (const SequencialInfo &i : lista)
        r << i.sequencial;
    return r;
}

} // namespace

// The Z3_Tef backend: its reply and value rules, its binding, the pending list, the operator gate, and the
// controller end to end against the simulated library, whose call log tells the call sequences. moc reads raw
// strings as plain ones: inside them, no backslash, no '#', no comma outside brackets within a macro's arguments.
class TestZ3Tef : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    const QString m_simLog = m_dir.filePath("chamadas.jsonl"), m_log = m_dir.filePath("log.txt"),
                  m_cenario = m_dir.filePath("cenario.json");
    std::unique_ptr<Z3_Tef_Controller> m_c;
    std::unique_ptr<NucleoTransacao> m_n; // goes before the controller it runs
    // What the controller signalled to the window during the test.
    struct Sinais
    {
        QStringList textos, primeiras, erros, imagens, nsus, itens;
        QList<bool> formatos;
        int avisos = 0;
    } m_s;

    void cenario(const QByteArray &json)
    {
        testsupport::writeAll(m_cenario, json);
        qputenv("Z3_SIM_CENARIO", m_cenario.toUtf8());
    }

    void novoControlador(bool displayCliente = false)
    {
        m_n.reset();
        m_c.reset();
        testsupport::removeJournal();
        QFile::remove(m_simLog);
        m_c = std::make_unique<Z3_Tef_Controller>(displayCliente);
        m_n = std::make_unique<NucleoTransacao>(*m_c, 2, DiarioTransacoes::arquivoAoLadoDe(testsupport::configPath()));
        m_c->usarPausas(Pausas().divididas(100));
        m_n->usarPausas(Pausas().divididas(100));
        m_n->recuperar();
        QVERIFY(m_c->bibliotecaCarregada());
        QCOMPARE(sequencia(), QStringList{R"(SetClientTCP("127.0.0.1", 60906))"});
        Z3_Tef_Controller *c = m_c.get();
        Janela *j = &c->janela();
        connect(j, &Janela::mensagemChanged, this, [this, j] { m_s.textos << j->mensagem(); });
        connect(j, &Janela::tituloChanged, this, [this, j] { m_s.primeiras << j->titulo(); });
        connect(j, &Janela::aviso, this, [this](const QString &t, bool erro) {
            if (erro)
                m_s.erros << t;
        });
        connect(j, &Janela::qrCodeChanged, this, [this, j] { m_s.imagens << j->qrCode(); });
        connect(j, &Janela::avisoPendenciaAberto, this, [this, j] {
            ++m_s.avisos;
            m_s.nsus << j->nsuPendente();
        });
        connect(j, &Janela::opcoesChanged, this, [this, j] { m_s.itens = j->opcoes(); });
        connect(j, &Janela::campoChanged, this, [this, j] { m_s.formatos << j->campoMoeda(); });
        QFile::remove(m_simLog);
    }

    // Runs one request to its result, the cashier's answers in order: "s<N>" picks option N, "c" gives up,
    // anything else is typed.
    QJsonObject rodar(const QJsonObject &parametros, const QString &header, const QString &passos = QString(),
                      const QString &msgErro = QString())
    {
        QJsonObject req = requisicao(header, parametros);
        if (!msgErro.isEmpty())
            req.insert("msg_erro", msgErro);
        QStringList respostas = passos.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        bool sobrou = false;
        const QJsonObject resultado = testsupport::executar(
            *m_n, Requisicao::doPdv(QString::fromUtf8(QJsonDocument(req).toJson(QJsonDocument::Compact)), false), [&] {
                if (!m_c->aguardandoOperador() || sobrou)
                    return;
                if (respostas.isEmpty()) {
                    qWarning("the run waits for an answer the test did not give");
                    sobrou = true;
                    return;
                }
                const QString r = respostas.takeFirst();
                if (r == QLatin1String("c"))
                    m_c->onClickButtonCancelar();
                else if (r.startsWith(QLatin1Char('s')))
                    m_c->onClickButtonOK(r.mid(1), 2);
                else
                    m_c->onClickButtonOK(r, 1);
            });
        [&] {
            QVERIFY2(!resultado.isEmpty() && respostas.isEmpty(),
                     !resultado.isEmpty() ? "answers left over" : "no result");
        }();
        QCoreApplication::processEvents();
        return resultado;
    }

    QStringList sequencia() const { return testsupport::sequenciaSimulada(m_simLog); }
    QStringList funcoes() const { return testsupport::funcoesSimuladas(m_simLog); }
    QString log() const { return QString::fromUtf8(testsupport::readAll(m_log)); }
    // Members of a result as "name=value" pairs separated by "|" ("tef.x": inside "tef"); numbers in decimal,
    // absent members empty.
    static void confere(const QJsonObject &r, const QString &pares)
    {
        for (const QString &par : pares.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
            const QString nome = par.section(QLatin1Char('='), 0, 0);
            const QJsonValue v = nome.startsWith(QLatin1String("tef."))
                                     ? r.value(QLatin1String("tef")).toObject().value(nome.mid(4))
                                     : r.value(nome);
            QCOMPARE(v.toVariant().toString(), par.section(QLatin1Char('='), 1, -1));
        }
    }
    static QString seq(const QJsonObject &r) { return r.value("tef").toObject().value("sequencial").toString(); }
    // A sale approved from the key-number request, left pending in an open TEF operation.
    QJsonObject vendaPendente(const char *valor = "1000", const QString &passos = QString())
    {
        return rodar({{"identificacao", "1"}, {"codigo_transacao", "10"}, {"valor", valor}}, "CRT", passos);
    }

private slots:
    void predicados_data()
    {
        QTest::addColumn<QByteArray>("resposta");
        QTest::addColumn<bool>("coleta");
        QTest::addColumn<bool>("sucesso");
        QTest::addColumn<bool>("confirmado");
        const auto linha = [](const char *nome, const char *resposta, bool coleta, bool sucesso, bool confirmado) {
            QTest::newRow(nome) << QByteArray(resposta) << coleta << sucesso << confirmado;
        };
        linha("collection step", R"({"tef":{"automacao_coleta_retorno":"0"}})", true, false, false);
        linha("collection give-up is no step", R"({"tef":{"automacao_coleta_retorno":"9"}})", false, false, false);
        linha("a result ends collection", R"({"tef":{"retorno":"0","automacao_coleta_retorno":"0"}})", false, true,
              false);
        linha("approved is not confirmed", R"({"codigo":0,"tef":{"retorno":"0"}})", false, true, false);
        linha("return 1 confirms", R"({"codigo":0,"tef":{"retorno":"1"}})", false, false, true);
        linha("declined", R"({"tef":{"retorno":"5"}})", false, false, false);
        linha("numeric return is not the text 0", R"({"tef":{"retorno":0}})", false, false, false);
        linha("unparsable text", "not json", false, false, false);
    }

    void predicados()
    {
        QFETCH(QByteArray, resposta);
        const QJsonObject o = QJsonDocument::fromJson(resposta).object();
        QTEST(Z3_Tef_Protocolo::isColeta(o), "coleta");
        QTEST(Z3_Tef_Protocolo::isRetornoSucesso(o), "sucesso");
        QTEST(Z3_Tef_Protocolo::isConfirmado(resposta), "confirmado");
    }

    void formatarValorColetado_data()
    {
        QTest::addColumn<QString>("entrada");
        QTest::addColumn<QString>("saida");
        const auto linha = [](const char *nome, const QString &entrada, const char *saida) {
            QTest::newRow(nome) << entrada << QString::fromLatin1(saida);
        };
        linha("Brazilian grouping and decimals", "1.234,56", "1234.56");
        linha("one digit is cents", "5", "0.05");
        linha("leading zeros go", "000,05", "0.05");
        linha("thirty digits keep every digit", "999999999999999999999999999999", "9999999999999999999999999999.99");
        linha("digits mixed with letters are zero", "12a", "0.00");
        linha("a sign is not a digit", "-5", "0.00");
        linha("empty is zero", "", "0.00");
        linha("surrounding blanks are ignored", " 1,00 ", "1.00");
        linha("the window's currency text", "R$ 1.234,56", "1234.56");
        linha("currency text with a non-breaking space", QString::fromUtf8("R$\u00a010,00"), "10.00");
        linha("a symbol elsewhere is not a number", "10,00 R$", "0.00");
    }

    void formatarValorColetado()
    {
        QFETCH(QString, entrada);
        QTEST(Z3_Tef_Protocolo::formatarValorColetado(entrada), "saida");
    }

    void segredosForaDoLog_data()
    {
        // A request goes through requisicaoParaLog, a collection answer through dadosParaLog with its key word.
        QTest::addColumn<bool>("ehRequisicao");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("palavraChave");
        QTest::addColumn<QString>("trecho");
        QTest::addColumn<bool>("visivel");
        const QString crt = R"({"header":"CRT", "parametros":{"valor":"1000"}})";
        const QString coleta = R"({"automacao_coleta_informacao":"1234","automacao_coleta_sequencial":"3"})";
        const auto linha = [](const char *nome, bool req, const QString &texto, const char *chave,
                              const QString &trecho, bool visivel) {
            QTest::newRow(nome) << req << texto << chave << trecho << visivel;
        };
        linha("password in an ADM request", true,
              R"({"header":"ADM","operacao":2,"parametros":{"adm_senha":"s3gr3d0","adm_usuario":"u"}})", "", "s3gr3d0",
              false);
        linha("request without password is logged as it came", true, crt, "", crt, true);
        linha("unparsable request holding the key is left out", true, R"({"parametros":{"adm_senha":"s3gr3d0")", "",
              "s3gr3d0", false);
        linha("typed password", false, coleta, "transacao_administracao_senha", "1234", false);
        linha("another typed step is kept", false, coleta, "transacao_nsu", "1234", true);
        linha("password member in the data", false, R"({"transacao_administracao_senha":"9876"})", "", "9876", false);
    }

    void segredosForaDoLog()
    {
        QFETCH(bool, ehRequisicao);
        QFETCH(QString, texto);
        QFETCH(QString, palavraChave);
        QFETCH(QString, trecho);
        const QString log = ehRequisicao ? Z3_Tef_Protocolo::requisicaoParaLog(texto)
                                         : Z3_Tef_Protocolo::dadosParaLog(texto.toUtf8(), palavraChave);
        QTEST(log.contains(trecho), "visivel");
    }

    void mapeiaCartaoEPrazos_data()
    {
        QTest::addColumn<QString>("header");
        QTest::addColumn<QJsonObject>("parametros");
        QTest::addColumn<QString>("lido"); // card type|payment|financing|instalments|transaction code
        const auto linha = [](const char *nome, const char *pares, const char *lido, const char *header = "CRT") {
            QTest::newRow(nome) << header << parametros(pares) << lido;
        };
        linha("code 10 is credit in one payment", "codigo_transacao=10 quantidade_parcelas=5", "1|A vista|||10");
        linha("code 11 with 3 instalments is store-financed credit", "codigo_transacao=11 quantidade_parcelas=3",
              "1|Parcelado|Estabelecimento|3|11");
        linha("code 11 with one instalment drops the count", "codigo_transacao=11 quantidade_parcelas=1",
              "1|Parcelado|Estabelecimento||11");
        linha("code 12 is issuer-financed credit", "codigo_transacao=12 quantidade_parcelas=4",
              "1|Parcelado|Administradora|4|12");
        linha("code 20 is debit in one payment", "codigo_transacao=20", "2|A vista|||20");
        linha("code 21 is post-dated debit", "codigo_transacao=21", "2|Pre-datado|||21");
        linha("code 22 with one instalment keeps the label, drops the count",
              "codigo_transacao=22 quantidade_parcelas=1", "2|Parcelado|Administradora||22");
        linha("code 22 with 6 instalments", "codigo_transacao=22 quantidade_parcelas=6",
              "2|Parcelado|Administradora|6|22");
        linha("an unknown code leaves card and terms empty", "codigo_transacao=99 tipo_cartao=1 quantidade_parcelas=3",
              "0||||99");
        linha("without a code the request's own fields decide", "tipo_cartao=1 quantidade_parcelas=1",
              "1|A vista||1|0");
        linha("without a code, several instalments are credit instalments",
              "tipo_cartao=1 quantidade_parcelas=3 tipo_parcelamento=1", "1|Parcelado|Administradora|3|0");
        linha("instalment count 0 gives no payment term", "tipo_cartao=1 quantidade_parcelas=0", "1|||0|0");
        linha("instalment count that is not a number gives no payment term", "tipo_cartao=2 quantidade_parcelas=x",
              "2|||x|0");
        linha("financing 0 is the store", "tipo_parcelamento=0", "0||Estabelecimento||0");
        linha("financing 2 has no label", "tipo_parcelamento=2", "0||||0");
        linha("a code on a cancellation does not pick the card", "codigo_transacao=10 tipo_cartao=3", "3||||10", "CNC");
        // Members that are not texts count as absent.
        QTest::newRow("numeric card type reads 0") << "CRT" << QJsonObject{{"tipo_cartao", 1}} << "0||||0";
    }

    void mapeiaCartaoEPrazos()
    {
        QFETCH(QString, header);
        QFETCH(QJsonObject, parametros);
        const Z3_Tef_VO vo = Z3_Tef_VO::fromRequest(requisicao(header, parametros));
        QCOMPARE(vo.operacao, header);
        QTEST((QStringList{QString::number(vo.tipo_cartao), vo.pagamento, vo.financiado, vo.parcelas,
                           QString::number(vo.codigo_transacao)}
                   .join(QLatin1Char('|'))),
              "lido");
    }

    void parametrosDaBiblioteca_data()
    {
        // What opens the operation (jsonIniciarOperacao) and what starts the transaction (jsonOperacaoNova).
        QTest::addColumn<bool>("abertura");
        QTest::addColumn<QString>("header");
        QTest::addColumn<QJsonObject>("parametros");
        QTest::addColumn<QByteArray>("esperado");
        const auto linha = [](const char *nome, bool abertura, const char *header, const char *pares,
                              const char *json) {
            QTest::newRow(nome) << abertura << header << parametros(pares) << QByteArray(json);
        };
        linha("opening with nothing given is an empty object", true, "CRT", "", "{}");
        linha("every opening field is renamed", true, "CRT",
              "aplicacao=PDV versao_aplicacao=2.1 estabelecimento=E1 loja=L1 terminal=T1 valor=1000",
              R"({"aplicacao_tela":"PDV","estabelecimento":"E1","loja":"L1","terminal":"T1","versao":"2.1"})");
        linha("empty opening fields are left out", true, "CRT", "aplicacao= loja=L1", R"({"loja":"L1"})");
        linha("only an amount", false, "CRT", "valor=1000", R"({"transacao_valor":"1000"})");
        linha("instalment sale", false, "CRT", "codigo_transacao=12 quantidade_parcelas=3 valor=30000",
              R"({"transacao_financiado":"Administradora","transacao_pagamento":"Parcelado",)"
              R"("transacao_parcela":"3","transacao_valor":"30000"})");
        linha("administrative user, password and product", false, "ADM", "adm_usuario=u adm_senha=p nome_produto=X",
              R"({"transacao_administracao_senha":"p","transacao_administracao_usuario":"u","transacao_produto":"X"})");
    }

    void parametrosDaBiblioteca()
    {
        QFETCH(bool, abertura);
        QFETCH(QString, header);
        QFETCH(QJsonObject, parametros);
        const Z3_Tef_VO vo = Z3_Tef_VO::fromRequest(requisicao(header, parametros));
        QTEST(abertura ? vo.jsonIniciarOperacao() : vo.jsonOperacaoNova(), "esperado");
    }

    // The simulator is strict, so that the controller's tests catch a call out of order.
    void foraDoProtocoloRecusado_data()
    {
        QTest::addColumn<bool>("abertaAntes");
        QTest::addColumn<QByteArray>("dados");
        QTest::addColumn<int>("continuacao");
        QTest::newRow("a step answered with the wrong sequential number")
            << true << QByteArray(R"({"automacao_coleta_retorno":"0","automacao_coleta_sequencial":"999"})") << 0;
        QTest::newRow("a sale with no open operation") << false << QByteArray(R"({"transacao_valor":"100"})") << 1;
    }

    void foraDoProtocoloRecusado()
    {
        QFETCH(bool, abertaAntes);
        Z3_Tef_Library lib;
        QVERIFY(lib.carregar());
        QVERIFY(Z3_Tef_Protocolo::isConfirmado(lib.iniciarOperacaoTEF("{}")));
        const auto fecha = qScopeGuard([&] { lib.finalizarOperacaoTEF(1); });
        if (abertaAntes)
            lib.realizarPagamentoTEF(1, "{}", 1); // opens a collection step
        else
            lib.finalizarOperacaoTEF(1);
        QFETCH(QByteArray, dados);
        QFETCH(int, continuacao);
        const QJsonObject r = QJsonDocument::fromJson(lib.realizarPagamentoTEF(1, dados, continuacao)).object();
        QVERIFY(r.value("codigo").toInt() != 0);
        QVERIFY(!r.value("mensagem").toString().isEmpty());
        QVERIFY(!r.contains("tef"));
    }

    void funcoesAusentesNaoSaoChamadas_data()
    {
        QTest::addColumn<QString>("arquivo");
        QTest::newRow("missing library") << m_dir.filePath(QStringLiteral("Z3_Tef01.so"));
        QTest::newRow("a shared object that exports none of the names")
            << platform::libraryPath(platform::ClosedLibrary::Vitra);
    }

    void funcoesAusentesNaoSaoChamadas()
    {
        QFETCH(QString, arquivo);
        Z3_Tef_Library outra;
        QCOMPARE(outra.carregar(arquivo) && outra.isLoaded(), QFileInfo::exists(arquivo));
        QCOMPARE(outra.naoResolvidas().size(), outra.isLoaded() ? 14 : 0);
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
        QVERIFY(QString::fromUtf8(respostas.at(1)).contains(QLatin1String("IniciarOperacaoTEF")));
        QCOMPARE(funcoes(), QStringList());
    }

    void criarSequencial_data()
    {
        // Number|transaction|terminal NSU|total|date and time, the last three their defaults unless given; empty:
        // refused. The reply's "tef" members unless the text is a whole object.
        QTest::addColumn<QByteArray>("resposta");
        QTest::addColumn<QString>("entrada");
        const auto linha = [](const char *nome, const QByteArray &tef, const QString &entrada) {
            QTest::newRow(nome) << (tef.startsWith('{') ? tef : "{\"tef\":{" + tef + "}}")
                                << (entrada.count('|') == 1 ? entrada + "|000000|0|01/01/1970 00:00:00" : entrada);
        };
        linha("only the required members take the defaults", R"("sequencial":"12","transacao":"Cartao Vender")",
              "12|Cartao Vender");
        linha("every member",
              R"("sequencial":"7","transacao":"Digital Pagar","nsuTerminal":"000123","valorTotal":"1000",)"
              R"("dataHoraTransacao":"06/12/2026 10:11:12")",
              "7|Digital Pagar|000123|1000|06/12/2026 10:11:12");
        linha("a sequential that is not a decimal number is 0", R"("sequencial":"1a","transacao":"X")", "0|X");
        linha("a numeric sequential is not a text, so 0", R"("sequencial":5,"transacao":"X")", "0|X");
        linha("a sequential beyond 32 bits is 0", R"("sequencial":"99999999999","transacao":"X")", "0|X");
        linha("optional members that are not texts take the defaults",
              R"("sequencial":"3","transacao":"X","nsuTerminal":12,"valorTotal":null)", "3|X");
        linha("no tef: refused", R"({"codigo":5,"mensagem":"erro"})", "");
        linha("no sequential: refused", R"("transacao":"Cartao Vender")", "");
        linha("no transaction name: refused", R"("sequencial":"1")", "");
    }

    void criarSequencial()
    {
        QFETCH(QByteArray, resposta);
        const auto i = Z3_Tef_Protocolo::criarSequencial(QJsonDocument::fromJson(resposta).object());
        const QStringList lida = i ? QStringList{QString::number(i->sequencial), i->transacao, i->nsuTerminal,
                                                 i->valorTotal, i->dataHoraTransacao}
                                   : QStringList{""};
        QTEST(lida.join('|'), "entrada");
    }

    void removerSequencial_data()
    {
        QTest::addColumn<QList<int>>("iniciais");
        QTest::addColumn<int>("indice");
        QTest::addColumn<QList<int>>("restantes");
        const QList<int> tres{10, 20, 30};
        QTest::newRow("first of three leaves the later two in order") << tres << 0 << QList<int>{20, 30};
        QTest::newRow("last of three") << tres << 2 << QList<int>{10, 20};
        QTest::newRow("one past the end clears the list") << tres << 3 << QList<int>{};
        QTest::newRow("-1 clears the list") << tres << -1 << QList<int>{};
        QTest::newRow("the same number may come again; one of them goes")
            << QList<int>{10, 20, 20} << 1 << QList<int>{10, 20};
    }

    void removerSequencial()
    {
        QFETCH(QList<int>, iniciais);
        QFETCH(int, indice);
        ControllerSequencial c;
        for (int s : iniciais) {
            SequencialInfo info;
            info.sequencial = s;
            info.transacao = "Cartao Vender";
            c.adicionarSequencial(info);
        }
        QCOMPARE(sequenciais(c.listaSequenciais()), iniciais); // in arrival order
        const QList<SequencialInfo> antes = c.listaSequenciais();
        c.removerSequencial(indice);
        QTEST(sequenciais(c.listaSequenciais()), "restantes");
        QCOMPARE(antes.size(), iniciais.size()); // a list handed out earlier stays as it was
    }

    // The journal stays short without losing what matters: past its line limit a change rewrites it whole, and a
    // rewrite (as every start does) keeps only the newest fifty resolved records, never one that waits for the POS
    // or a person. What a start reads back is each record's last state.
    void diarioCompactado_data()
    {
        // The records opened, oldest first, by their last state: a em_andamento, e em_entrega, r respondida,
        // n nao_resolvida, f resolvida; e, r and n were approved.
        QTest::addColumn<QString>("registros");
        QTest::addColumn<int>("mudancas");        // the first record's state set again this many times afterwards
        QTest::addColumn<QList<int>>("mantidos"); // the keys a start reads back, oldest first
        const auto chaves = [](int de, int ate) {
            QList<int> l;
            for (int k = de; k <= ate; ++k)
                l << k;
            return l;
        };
        // Its last change is the one that finds 400 lines and rewrites the file.
        QTest::newRow("one record changed past 400 lines: rewritten short, its last state kept")
            << "r" << 398 << QList<int>{1};
        QTest::newRow("sixty resolved: the newest fifty kept") << QString(60, 'f') << 0 << chaves(11, 60);
        QTest::newRow("resolved among waiting ones: only the oldest resolved go")
            << "r" + QString(30, 'f') + "n" + QString(30, 'f') << 0 << QList<int>{1} + chaves(12, 62);
        QTest::newRow("old waiting and unresolved records outlive a rewrite at the line limit")
            << "aern" + QString(200, 'f') << 0 << QList<int>{1, 2, 3, 4} + chaves(155, 204);
    }

    void diarioCompactado()
    {
        QFETCH(QString, registros);
        QFETCH(int, mudancas);
        using E = DiarioTransacoes::Estado;
        const QHash<QChar, E> estados{{'a', E::EmAndamento},
                                      {'e', E::EmEntrega},
                                      {'r', E::Respondida},
                                      {'n', E::NaoResolvida},
                                      {'f', E::Resolvida}};
        const QTemporaryDir dir;
        const QString arquivo = dir.filePath("diario_tef.jsonl");
        const auto linhas = [&] {
            return int(testsupport::readAll(arquivo).count('\n'));
        };
        int maisLinhas = 0;
        {
            DiarioTransacoes diario(arquivo);
            diario.carregar();
            const auto marcar = [&](int chave, E estado) {
                QVERIFY(diario.marcar(chave, estado, estado == E::Resolvida ? "confirmada" : QString()));
                maisLinhas = qMax(maisLinhas, linhas());
            };
            for (const QChar c : registros) {
                const int chave = diario.abrir("CRT", "1", false, 2);
                if (QStringLiteral("ern").contains(c)) {
                    SequencialInfo p;
                    p.sequencial = chave;
                    p.transacao = "Cartao Vender";
                    p.nsuTerminal = QString::number(chave);
                    p.registro = chave;
                    QVERIFY(diario.aprovar(chave, p));
                }
                if (c != 'a')
                    marcar(chave, estados.value(c));
            }
            for (int i = mudancas; i > 0; --i)
                marcar(1, i % 2 ? estados.value(registros.at(0)) : E::EmEntrega);
        }
        QVERIFY2(maisLinhas <= DiarioTransacoes::limiteLinhas, qPrintable(QString::number(maisLinhas)));

        DiarioTransacoes lido(arquivo);
        lido.carregar();
        QList<int> chaves;
        for (const DiarioTransacoes::Registro &r : lido.registros()) {
            chaves << r.chave;
            const QChar c = registros.at(r.chave - 1);
            QCOMPARE(r.estado, estados.value(c));
            QCOMPARE(r.desfecho, QString(c == 'f' ? "confirmada" : ""));
            QCOMPARE(r.pendente ? r.pendente->nsuTerminal : QString(),
                     QString(QStringLiteral("ern").contains(c) ? QString::number(r.chave) : ""));
        }
        QTEST(chaves, "mantidos");
        QCOMPARE(linhas(), chaves.size());                                // rewritten whole at the start
        QCOMPARE(lido.abrir("CRT", "2", false, 2), registros.size() + 1); // a key is never given twice
    }

    void portaoOperador_data()
    {
        // Steps: fechar[:offered count], responde:text (taken) / ignora:text (refused),
        // oferece:N / recusa:N (opcaoOferecida), encerra, espera (a wait starts on
        // another thread), =X (that wait, or a new one, ends with X: a typed text,
        // Nenhuma or Cancelar).
        QTest::addColumn<QString>("passos");
        QTest::newRow("an answer right after the gate closes, before the wait, is kept") << "fechar responde:sim =sim";
        QTest::newRow("an answer during the wait ends it") << "fechar espera responde:sim =sim";
        QTest::newRow("an answer with no question waiting is dropped") << "ignora:velha fechar responde:nova =nova";
        QTest::newRow("a wait with no question open ends at once with none") << "=Nenhuma";
        QTest::newRow("a second answer to an answered question is ignored")
            << "fechar responde:primeira ignora:segunda =primeira";
        QTest::newRow("ending releases the wait in progress") << "fechar espera encerra =Cancelar";
        QTest::newRow("after ending every wait is Cancelar at once") << "encerra fechar =Cancelar fechar =Cancelar";
        QTest::newRow("after ending an answer is dropped") << "encerra fechar ignora:sim =Cancelar";
        QTest::newRow("a list position outside the offered count is refused")
            << "fechar:3 oferece:0 oferece:2 recusa:3 recusa:-1";
        QTest::newRow("with no count any position is taken") << "fechar oferece:7";
    }

    void portaoOperador()
    {
        QFETCH(QString, passos);
        PortaoOperador portao;
        RespostaOperador resposta;
        std::unique_ptr<QThread> espera;
        // A failed step must not leave a thread blocked in the gate, nor the test hanging on it.
        const auto fim = qScopeGuard([&] {
            portao.encerrar();
            if (espera && !espera->wait(5000) &&
                !(portao.responder(RespostaOperador::cancelar()) && espera->wait(5000)))
                qFatal("a wait in the gate outlived the end of the test");
        });
        const auto aguardar = [&] {
            espera.reset(QThread::create([&] { resposta = portao.aguardar(); }));
            espera->start();
        };
        for (const QString &passo : passos.split(QLatin1Char(' '))) {
            const QString nome = passo.section(QLatin1Char(':'), 0, 0), arg = passo.section(QLatin1Char(':'), 1);
            if (nome == QLatin1String("fechar"))
                portao.fechar(arg.isEmpty() ? PortaoOperador::qualquerOpcao : arg.toInt());
            else if (nome == QLatin1String("responde") || nome == QLatin1String("ignora"))
                QVERIFY2(portao.responder(RespostaOperador::digitado(arg)) == (nome == QLatin1String("responde")) &&
                             !portao.emEspera(),
                         qPrintable(passo));
            else if (nome == QLatin1String("oferece") || nome == QLatin1String("recusa"))
                QVERIFY2(portao.opcaoOferecida(arg.toInt()) == (nome == QLatin1String("oferece")), qPrintable(passo));
            else if (nome == QLatin1String("encerra"))
                portao.encerrar();
            else if (nome == QLatin1String("espera") || !espera)
                aguardar();
            // The tests that drive a window act once the run waits inside the gate.
            if (nome == QLatin1String("espera"))
                QVERIFY(QTest::qWaitFor([&] { return portao.emEspera(); }, 5000));
            if (!nome.startsWith(QLatin1Char('=')))
                continue;
            QVERIFY2(espera->wait(5000), qPrintable(passo + QStringLiteral(": the wait did not end")));
            espera.reset();
            using T = RespostaOperador::Tipo;
            const QString obtida = resposta.tipo == T::Texto      ? resposta.texto
                                   : resposta.tipo == T::Nenhuma  ? QStringLiteral("Nenhuma")
                                   : resposta.tipo == T::Cancelar ? QStringLiteral("Cancelar")
                                                                  : QStringLiteral("other");
            QCOMPARE(obtida, passo.mid(1));
        }
    }

    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("Z3_SIM_LOG", m_simLog.toUtf8());
        qputenv("Z3_LOG", m_log.toUtf8());
        if (qEnvironmentVariableIsEmpty("Z3_LIB_DIR"))
            qputenv("Z3_LIB_DIR", Z3_BIN_DIR);
        testsupport::writeConfig(QJsonObject{{"vitra", 0}, {"tipo_operacao", 0}});
    }

    void init()
    {
        m_s = Sinais();
        qunsetenv("Z3_SIM_CENARIO");
        QFile::remove(m_log);
        novoControlador();
    }

    void cleanup()
    {
        // A failed test may leave the run waiting for the cashier: give up every step.
        QDeadlineTimer prazo(10000);
        while (m_n && m_n->emExecucao() && !prazo.hasExpired()) {
            if (m_c->aguardandoOperador())
                m_c->onClickButtonCancelar();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        // Destroying a running thread would wait for ever: stop here, loudly.
        if (m_n && m_n->emExecucao())
            qFatal("The run did not end when every step was given up");
        m_n.reset();
        m_c.reset();
    }

    void requisicaoRecusadaNaoChegaABiblioteca()
    {
        // What the parser refused never reaches a library call that could move money.
        const QJsonObject r = rodar(parametros("identificacao=5 codigo_transacao=10 valor=1000"), "CRT", QString(),
                                    "Arquivo com formato inválido");
        QCOMPARE(funcoes(), QStringList());
        QVERIFY(r.value("codigo").toInt() != 0);
        QVERIFY(r.value("requer_confirmacao").toString() != QLatin1String("2"));
    }

    void confirmacaoSemOperacaoAberta()
    {
        const QJsonObject r = rodar({{"identificacao", "4"}}, "CNF");
        QCOMPARE(funcoes(), QStringList());
        confere(r, "codigo=-1|mensagem=Operação TEF não foi iniciada|requer_confirmacao=");
        QVERIFY(m_s.erros.contains(QStringLiteral("Erro ao iniciar operação TEF")));
    }

    void operacaoNaoIdentificada()
    {
        const QJsonObject r = rodar({{"identificacao", "6"}}, "XYZ");
        QCOMPARE(funcoes(), (QStringList{"IniciarOperacaoTEF", "FinalizarOperacaoTEF"}));
        QVERIFY(m_s.textos.contains(QStringLiteral("Operação não identificada")));
        confere(r, "codigo=-3|mensagem=Operação não identificada|requer_confirmacao=");
    }

    void erroDaBibliotecaMostradoERespondido()
    {
        cenario(R"({"decisao":"erro","codigo_erro":5,"mensagem_erro":"Host fora do ar"})");
        const QJsonObject r = vendaPendente();
        QCOMPARE(funcoes(), (QStringList{"IniciarOperacaoTEF", "RealizarPagamentoTEF", "FinalizarOperacaoTEF"}));
        QVERIFY(m_s.erros.contains(QStringLiteral("Host fora do ar")));
        QVERIFY(m_s.textos.contains(QStringLiteral("Host fora do ar")));
        confere(r, "codigo=5|requer_confirmacao=");
    }

    void capturaNoPinPad()
    {
        const QJsonObject r = rodar({{"opcao_coleta", "1"}}, "CLT");
        QCOMPARE(sequencia(),
                 (QStringList{R"(IniciarOperacaoTEF("{}"))", "RealizarColetaPinPad(1, 1)", "FinalizarOperacaoTEF(1)"}));
        QVERIFY(m_s.textos.contains(QStringLiteral("Verifique o PINPAD!")));
        QVERIFY(m_s.textos.contains(QStringLiteral("12345678909")));
        confere(r, "tef.resultadoCapturaPinPad=12345678909");
    }

    void desistenciaDaColeta()
    {
        const QJsonObject r = rodar({{"codigo_transacao", "10"}}, "CRT", "c");
        QCOMPARE(
            sequencia().at(2),
            QString(
                R"(RealizarPagamentoTEF(1, "{"automacao_coleta_retorno":"9","automacao_coleta_sequencial":"1"}", 0))"));
        confere(r, "requer_confirmacao=1");
        QCOMPARE(funcoes().last(), QStringLiteral("FinalizarOperacaoTEF"));
    }

    void opcoesComPontoEVirgulaFinal()
    {
        cenario(
            R"({"coletas":[{"palavra_chave":"plano","mensagem":"Escolha o plano","opcoes":"Ouro;Prata;Bronze;"}]})");
        rodar({{"codigo_transacao", "10"}, {"valor", "1000"}}, "CRT", "s1");
        QCOMPARE(m_s.itens, (QStringList{"Ouro", "Prata", "Bronze", ""}));
        QVERIFY(sequencia().at(2).contains(QLatin1String(R"("automacao_coleta_informacao":"Prata")")));
    }

    void cartaoMascaradoNoLog()
    {
        // A full card number in a reply reaches the log masked (passwords: tst_Janela, tst_Programa).
        cenario(R"({"tef":{"panMascarado":"4111111111111111"}})");
        vendaPendente();
        QVERIFY(!log().contains(QLatin1String("4111111111111111")));
        QVERIFY(log().contains(QLatin1String("411111******1111")));
    }

    void vendaPendenteConfirmadaOuDesfeita_data()
    {
        QTest::addColumn<QString>("operacao");
        QTest::addColumn<int>("acao");
        QTest::addColumn<bool>("recusada"); // the library does not take the confirmation or the undo
        QTest::newRow("CNF confirms it") << "CNF" << 1 << false;
        QTest::newRow("NCN undoes it") << "NCN" << 0 << false;
        // Out of the list, but neither dropped nor retried: the journal keeps it for a person.
        QTest::newRow("CNF refused: left unresolved") << "CNF" << 1 << true;
        QTest::newRow("NCN refused: left unresolved") << "NCN" << 0 << true;
    }

    void vendaPendenteConfirmadaOuDesfeita()
    {
        const QJsonObject venda = vendaPendente();
        QCOMPARE(sequencia(),
                 (QStringList{
                     R"(IniciarOperacaoTEF("{}"))",
                     R"(RealizarPagamentoTEF(1, "{"transacao_pagamento":"A vista","transacao_valor":"1000"}", 1))"}));
        confere(venda, "header=CRT|id=1|requer_confirmacao=2|codigo=0|tef.transacao=Cartao Vender");
        QVERIFY(m_c->isTefStarted());
        QCOMPARE(sequenciais(m_n->pendentes()), QList<int>{seq(venda).toInt()});
        QCOMPARE(m_n->diario().registros().size(), 1);
        QVERIFY(m_n->diario().registros().at(0).pendente.has_value());

        QFETCH(QString, operacao);
        QFETCH(int, acao);
        QFETCH(bool, recusada);
        if (recusada)
            cenario(R"({"confirmar_retorno":"0"})");
        QFile::remove(m_simLog);
        const QJsonObject r = rodar({{"identificacao", "2"}}, operacao);
        QCOMPARE(
            sequencia(),
            (QStringList{QStringLiteral(R"(ConfirmarOperacaoTEF2("Cartao Vender", %1, %2))").arg(seq(venda)).arg(acao),
                         QStringLiteral("FinalizarOperacaoTEF(1)")}));
        QCOMPARE(r, (QJsonObject{{"header", operacao}, {"id", "2"}}));
        QVERIFY(m_n->pendentes().isEmpty());
        QVERIFY(!m_c->isTefStarted());
        const QList<DiarioTransacoes::Registro> registros = m_n->diario().registros();
        QCOMPARE(registros.size(), 1);
        QCOMPARE(registros.at(0).estado,
                 recusada ? DiarioTransacoes::Estado::NaoResolvida : DiarioTransacoes::Estado::Resolvida);
        const QString nsu = venda.value("tef").toObject().value("nsuTerminal").toString();
        QCOMPARE(m_s.avisos, recusada ? 1 : 0);
        QCOMPARE(m_s.nsus, recusada ? QStringList{nsu} : QStringList());
        QCOMPARE(log().contains(QStringLiteral("}{E} \t\t Transação NSU %1").arg(nsu)), recusada);
    }

    // The exchange's word on the response file decides an approved POS sale; no word in time is no delivery.
    void vendaSegueAPalavraDaEntrega_data()
    {
        QTest::addColumn<int>("gravada"); // what the exchange reports of the response file; -1: nothing
        QTest::addColumn<bool>("pendente");
        QTest::newRow("written: waits for the POS") << 1 << true;
        QTest::newRow("no word: undone") << -1 << false;
    }

    void vendaSegueAPalavraDaEntrega()
    {
        QFETCH(int, gravada);
        QFETCH(bool, pendente);
        m_n->acompanharEntrega(true);
        NucleoTransacao *n = m_n.get();
        connect(
            n, &NucleoTransacao::resultado, n,
            [n, gravada](const Requisicao &r) {
                if (gravada >= 0)
                    n->respostaGravada(r.numero, gravada == 1);
            },
            Qt::DirectConnection);
        vendaPendente();
        QCOMPARE(!m_n->pendentes().isEmpty(), pendente);
        const QList<DiarioTransacoes::Registro> registros = m_n->diario().registros();
        QCOMPARE(registros.size(), 1);
        QCOMPARE(registros.at(0).estado,
                 pendente ? DiarioTransacoes::Estado::Respondida : DiarioTransacoes::Estado::Resolvida);
    }

    void pixMostraOQrCode()
    {
        // The customer's display on: the QR code goes there too.
        novoControlador(true);
        const QJsonObject r = rodar({{"identificacao", "3"}, {"valor", "1990"}}, "PIX");
        const QStringList s = sequencia();
        QCOMPARE(funcoes().filter(QRegularExpression("TEF$")),
                 (QStringList{"IniciarOperacaoTEF", "RealizarPixTEF", "RealizarPixTEF", "RealizarPixTEF",
                              "RealizarPixTEF"}));
        QCOMPARE(s.filter("RealizarPixTEF").first(),
                 QStringLiteral(R"(RealizarPixTEF("{"transacao_valor":"1990"}", 1))"));
        confere(r, "tef.transacao=Digital Pagar|requer_confirmacao=2");
        QVERIFY(m_c->isTefStarted());
        QVERIFY(!m_s.imagens.isEmpty());
        QImage img;
        QVERIFY(img.loadFromData(QByteArray::fromBase64(m_s.imagens.first().toLatin1()), "PNG"));
        for (const QString &t : qAsConst(m_s.textos))
            QVERIFY2(!t.contains(QLatin1String("QRCODE;")), qPrintable(t));
        QVERIFY(m_s.textos.contains(QStringLiteral("Leia o QRCode abaixo para realizar o pagamento.\n Valor: ") +
                                    Janela::formatarValor("1990") + QStringLiteral("\n\n\n")));
        QVERIFY(m_s.textos.contains(QStringLiteral("Pagamento PIX aprovado")));
        const int qr = s.indexOf(QRegularExpression(QStringLiteral("^ApresentaQrCode\\(\"0002.*")));
        QVERIFY2(qr > 1, qPrintable(s.join(QLatin1Char('\n'))));
        QCOMPARE(s.at(qr - 2), QStringLiteral(R"(AbreConexaoDisplay(""))"));
        QCOMPARE(s.at(qr - 1), QStringLiteral("InicializaDisplay()"));
        // One currency symbol, though the window's amount text carries its own.
        QCOMPARE(s.at(qr + 2),
                 QStringLiteral("ApresentaTextoColorido(\"Valor:R$ 19,90\", 2, 22, 370, 60, \"#000000\")"));
        // The rest of the QR screen is the display's own routine (tested there). The approval goes there too, broken
        // after 19 characters.
        QVERIFY(s.contains(
            QStringLiteral("ApresentaTextoColorido(\"Pagamento PIX aprov\nado\", 2, 25, 200, 20, \"#000000\")")));
    }

    void valorDigitadoEConvertido()
    {
        rodar({{"codigo_transacao", "10"}}, "CRT", "1.234,56");
        QVERIFY(sequencia().at(2).contains(QLatin1String(R"("automacao_coleta_informacao":"1234.56")")));
        QCOMPARE(m_c->vo().valor, QStringLiteral("1.234,56"));
        QCOMPARE(m_s.formatos.first(), true); // the amount step formats what is typed
        QCOMPARE(m_s.primeiras.last(), QStringLiteral("Venda Crédito\n Valor: ") + Janela::formatarValor("1.234,56"));
    }

    void novaOperacaoComAnteriorAberta_data()
    {
        QTest::addColumn<bool>("sim");
        QTest::newRow("answered yes: confirm, close, open anew") << true;
        QTest::newRow("answered no: keep it, run inside the open operation") << false;
    }

    void novaOperacaoComAnteriorAberta()
    {
        QFETCH(bool, sim);
        const QJsonObject anterior = vendaPendente();
        QFile::remove(m_simLog);
        const QJsonObject r = vendaPendente("2000", sim ? "s0" : "s1");
        QVERIFY(m_s.textos.contains(QStringLiteral("Sua última transação está pendente.\nDeseja confirmá-la?")));
        QCOMPARE(r.value("requer_confirmacao").toString(), QStringLiteral("2"));
        QVERIFY(m_c->isTefStarted());
        if (!sim) {
            QCOMPARE(funcoes(), QStringList{"RealizarPagamentoTEF"});
            QCOMPARE(sequenciais(m_n->pendentes()), (QList<int>{seq(anterior).toInt(), seq(r).toInt()}));
            QCOMPARE(m_s.avisos, 1);
            QCOMPARE(m_s.nsus, QStringList{anterior.value("tef").toObject().value("nsuTerminal").toString()});
            return;
        }
        QCOMPARE(funcoes(), (QStringList{"ConfirmarOperacaoTEF2", "FinalizarOperacaoTEF", "IniciarOperacaoTEF",
                                         "RealizarPagamentoTEF"}));
        QCOMPARE(sequencia().at(0),
                 QStringLiteral(R"(ConfirmarOperacaoTEF2("Cartao Vender", %1, 1))").arg(seq(anterior)));
        QCOMPARE(sequencia().at(1), QStringLiteral("FinalizarOperacaoTEF(1)"));
        QCOMPARE(sequenciais(m_n->pendentes()), QList<int>{seq(r).toInt()});
        QCOMPARE(m_s.avisos, 0);
    }

    void ncnComTresPendentesPergunta()
    {
        // Three pending sales: each later one is kept pending by answering "no".
        const QString s1 = seq(vendaPendente("100")), s2 = seq(vendaPendente("200", "s1")),
                      s3 = seq(vendaPendente("300", "s1"));
        QCOMPARE(m_n->pendentes().size(), 3);
        m_s.textos.clear();
        QFile::remove(m_simLog);
        rodar({{"identificacao", "8"}}, "NCN", "s0 s1 s0");
        QCOMPARE(sequencia(), (QStringList{QStringLiteral(R"(ConfirmarOperacaoTEF2("Cartao Vender", %1, 0))").arg(s1),
                                           QStringLiteral(R"(ConfirmarOperacaoTEF2("Cartao Vender", %1, 0))").arg(s3),
                                           QStringLiteral("FinalizarOperacaoTEF(1)")}));
        QCOMPARE(sequenciais(m_n->pendentes()), QList<int>{s2.toInt()});
        QStringList contadores;
        for (const QString &t : qAsConst(m_s.textos))
            if (t.startsWith(QLatin1Char('[')))
                contadores << t.left(5);
        QCOMPARE(contadores, (QStringList{"[1/3]", "[1/2]", "[2/2]"}));
        const QString primeira =
            QStringLiteral("[1/3] Deseja desfazer a transação NSU %1?\n%2 - ")
                .arg(QStringLiteral("%1").arg(s1.toInt(), 6, 10, QLatin1Char('0')), Janela::formatarValor("100"));
        QVERIFY2(
            std::any_of(m_s.textos.begin(), m_s.textos.end(), [&](const QString &t) { return t.startsWith(primeira); }),
            qPrintable(m_s.textos.join(QLatin1Char('|'))));
        QCOMPARE(m_s.avisos, 2 + 1); // two "keep pending" answers before, one here
    }

    void cnfCanceladoMantemAsPendentes()
    {
        vendaPendente("100");
        vendaPendente("200", "s1");
        QFile::remove(m_simLog);
        rodar({{"identificacao", "8"}}, "CNF", "c");
        QCOMPARE(funcoes(), QStringList{"FinalizarOperacaoTEF"});
        QCOMPARE(m_n->pendentes().size(), 2);
    }

    void diarioIndisponivelRecusaOPagamento()
    {
        // The journal's temporary name taken by a folder: the journal cannot be written.
        const QString obstaculo = DiarioTransacoes::arquivoAoLadoDe(testsupport::configPath()) + QStringLiteral(".tmp");
        QVERIFY(QDir().mkpath(obstaculo + QStringLiteral("/x")));
        novoControlador();
        const QJsonObject r = vendaPendente();
        QVERIFY(QDir(obstaculo).removeRecursively());
        QVERIFY(!funcoes().contains(QStringLiteral("RealizarPagamentoTEF")));
        QCOMPARE(r.value("codigo").toInt(), -4);
    }

    void operacaoAbertaSemPendentes_data()
    {
        QTest::addColumn<QString>("seguinte");
        QTest::addColumn<QStringList>("funcoesSeguinte");
        QTest::newRow("CNF only closes it") << "CNF" << QStringList{"FinalizarOperacaoTEF"};
        QTest::newRow("a new sale closes it without asking")
            << "CRT" << QStringList{"FinalizarOperacaoTEF", "IniciarOperacaoTEF", "RealizarPagamentoTEF"};
    }

    void operacaoAbertaSemPendentes()
    {
        // A sale whose reply names no sequential number leaves the operation open with nothing pending.
        cenario(R"({"tef_remover":["sequencial"]})");
        QVERIFY(!vendaPendente().contains("requer_confirmacao"));
        QVERIFY(m_c->isTefStarted());
        QVERIFY(m_n->pendentes().isEmpty());
        qunsetenv("Z3_SIM_CENARIO");
        QFile::remove(m_simLog);
        QFETCH(QString, seguinte);
        const bool cnf = seguinte == QLatin1String("CNF");
        const QJsonObject r = cnf ? rodar({{"identificacao", "8"}}, seguinte) : vendaPendente();
        QTEST(funcoes(), "funcoesSeguinte");
        QCOMPARE(m_c->isTefStarted(), !cnf);
        QVERIFY(!m_s.textos.contains(QStringLiteral("Sua última transação está pendente.\nDeseja confirmá-la?")));
        if (cnf)
            QCOMPARE(sequencia(), QStringList{"FinalizarOperacaoTEF(1)"});
        else
            QCOMPARE(r.value("requer_confirmacao").toString(), QStringLiteral("2"));
    }
};

QTEST_MAIN(TestZ3Tef)
#include "tst_Z3_Tef.moc"
