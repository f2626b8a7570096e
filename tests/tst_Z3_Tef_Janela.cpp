#include "JanelaQml.h"
#include "TestJournal.h"
#include "TestSupport.h"
#include "app/GlobalFlags.h"
#include "app/Wiring.h"
#include "tef/Z3_Tef_Controller.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

// The cashier's dialogue with the Z3_Tef backend through the real window,
// offscreen, against the simulated library: the test only types and clicks.
class TestZ3TefJanela : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_simLog, m_log;

    // No journal left by an earlier scene to recover from.
    struct SemDiario
    {
        SemDiario() { testsupport::removeJournal(); }
    };
    // A controller joined as the program joins it, with its window and its results.
    struct Cena : SemDiario
    {
        Cena() { wiring::connectBackend(&c); }
        // A failed check may leave the run waiting for the cashier: give up every
        // step, so the next test starts instead of the program aborting.
        ~Cena()
        {
            QDeadlineTimer prazo(15000);
            while (c.isRunning() && !prazo.hasExpired()) {
                if (c.aguardandoOperador())
                    c.onClickButtonCancelar();
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            }
        }
        Z3_Tef_Controller c;
        JanelaQml janela{&c};
        QSignalSpy resultado{&c, &Base_Controller::responseProcessTEF};
    };

    // Starts a request (a sale unless told otherwise) on the controller's thread.
    static void iniciar(Z3_Tef_Controller &c, const QJsonObject &parametros,
                        const QString &header = QStringLiteral("CRT"))
    {
        requisicaoJson = false;
        tefEmProcessamento = false;
        const QJsonObject req{{"operacao", 0}, {"header", header}, {"parametros", parametros}};
        c.setJsonConfigs(QString::fromUtf8(QJsonDocument(req).toJson(QJsonDocument::Compact)));
        c.start();
    }
    static bool visivel(const JanelaQml &j, const char *nome)
    {
        QQuickItem *i = j.item(QLatin1String(nome));
        return i && i->isVisible();
    }
    static QString texto(const JanelaQml &j, const char *nome)
    {
        QObject *o = j.objeto(QLatin1String(nome));
        return o ? o->property("text").toString() : QString();
    }

    QQuickItem *m_qr = nullptr;
    bool m_qrNaTela = false;
    bool m_qrDecodificado = false;

public slots:
    // The simulated passes come faster than a data URL decodes, so what is on
    // screen and whether the picture decodes are checked apart, as they change.
    void qrMudou()
    {
        if (!m_qr)
            return;
        if (m_qr->isVisible() && m_qr->property("source").toString().startsWith(QLatin1String("data:image/png")))
            m_qrNaTela = true;
        if (m_qr->property("status").toInt() == 1 && m_qr->property("sourceSize").toSize().width() > 20)
            m_qrDecodificado = true;
    }

private slots:
    void initTestCase();
    void cleanup();
    void vendaComValorDigitadoETipoEscolhido();
    void cancelarDesisteDaColeta();
    void pendenteAnteriorMantidaMostraOAviso();
    void valorDigitadoChegaComPontoDecimal();
    void pixMostraOQrCode();
    void ncnPerguntaCadaPendente();
    void segundaVendaComecaComOCampoVazio();
    void cancelamentoComecaNsuEDataComOQueOPdvEnviou_data();
    void cancelamentoComecaNsuEDataComOQueOPdvEnviou();
    void telasERespostasNoLogSemASenha();
};

void TestZ3TefJanela::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_simLog = m_dir.filePath(QStringLiteral("chamadas.jsonl"));
    m_log = m_dir.filePath(QStringLiteral("log.txt"));
    qputenv("Z3_SIM_LOG", m_simLog.toUtf8());
    qputenv("Z3_LOG", m_log.toUtf8());
    if (qEnvironmentVariableIsEmpty("Z3_LIB_DIR"))
        qputenv("Z3_LIB_DIR", Z3_BIN_DIR);
    testsupport::writeConfig(QJsonObject{{"vitra", 0}, {"tipo_operacao", 0}});
}

void TestZ3TefJanela::cleanup()
{
    requisicaoJson = false;
    tefEmProcessamento = false;
}

void TestZ3TefJanela::vendaComValorDigitadoETipoEscolhido()
{
    Cena cena;
    QVERIFY(cena.janela.carregada());
    auto &[c, janela, resultado] = cena;
    QSignalSpy primeiras(&c, &Base_Controller::firstTextChanged);
    iniciar(c, {{"identificacao", "10"}, {"tipo_cartao", "7"}});

    // The amount: typed digit by digit, shown as currency, confirmed with OK.
    QTRY_VERIFY_WITH_TIMEOUT(visivel(janela, "textField") && visivel(janela, "button"), 10000);
    QVERIFY(janela.clica(QStringLiteral("textField")));
    for (const char tecla : {'1', '0', '0', '0'})
        QTest::keyClick(janela.janela(), tecla);
    QCOMPARE(texto(janela, "textField"), c.formataValor(QStringLiteral("1000")));
    QVERIFY(janela.clica(QStringLiteral("button")));

    // The card type: a list; the second entry is chosen.
    QTRY_VERIFY_WITH_TIMEOUT(visivel(janela, "rec") && visivel(janela, "button") && !visivel(janela, "textField"),
                             10000);
    QCOMPARE(texto(janela, "element"), QStringLiteral("Venda \n Valor: ") + c.formataValor("1000"));
    QObject *lista = janela.objeto(QStringLiteral("list"));
    QVERIFY(lista);
    QTRY_COMPARE(lista->property("count").toInt(), 5);
    // Nothing chosen: refused, and the list stays the step on screen (the click
    // runs on this thread, so the window has already reacted).
    lista->setProperty("currentIndex", -1);
    QVERIFY(janela.clica(QStringLiteral("button")));
    QVERIFY(visivel(janela, "rec"));
    QVERIFY(!visivel(janela, "textField"));
    QVERIFY(c.aguardandoOperador());
    lista->setProperty("currentIndex", 1);
    QVERIFY(janela.clica(QStringLiteral("button")));

    QTRY_COMPARE_WITH_TIMEOUT(resultado.count(), 1, 10000);
    QVERIFY(c.wait(5000));
    const QJsonObject r = QJsonDocument::fromJson(resultado.first().first().toString().toUtf8()).object();
    QCOMPARE(r.value("requer_confirmacao").toString(), QStringLiteral("2"));
    const QJsonObject tef = r.value("tef").toObject();
    QCOMPARE(tef.value("valorTotal").toString(), QStringLiteral("1000"));
    QCOMPARE(tef.value("tipoCartao").toString(), QStringLiteral("Debito"));
    // The chosen type shows on the first line of the pass that follows the choice.
    QStringList linhas;
    for (const QList<QVariant> &sinal : qAsConst(primeiras))
        linhas << sinal.first().toString();
    QVERIFY(linhas.contains(QStringLiteral("Venda Debito\n Valor: ") + c.formataValor("1000")));
}

void TestZ3TefJanela::cancelarDesisteDaColeta()
{
    Cena cena;
    QVERIFY(cena.janela.carregada());
    auto &[c, janela, resultado] = cena;
    QFile::remove(m_simLog);
    iniciar(c, {{"identificacao", "11"}, {"codigo_transacao", "10"}});
    QTRY_VERIFY_WITH_TIMEOUT(visivel(janela, "textField") && visivel(janela, "button2"), 10000);
    QVERIFY(janela.clica(QStringLiteral("button2")));
    QTRY_COMPARE_WITH_TIMEOUT(resultado.count(), 1, 10000);
    QVERIFY(c.wait(5000));
    const QJsonObject r = QJsonDocument::fromJson(resultado.first().first().toString().toUtf8()).object();
    QCOMPARE(r.value("requer_confirmacao").toString(), QStringLiteral("1"));
    QVERIFY(testsupport::readAll(m_simLog).contains(R"(\"automacao_coleta_retorno\":\"9\")"));
}

void TestZ3TefJanela::pendenteAnteriorMantidaMostraOAviso()
{
    Cena cena;
    QVERIFY(cena.janela.carregada());
    auto &[c, janela, resultado] = cena;
    iniciar(c, {{"identificacao", "12"}, {"codigo_transacao", "10"}, {"valor", "500"}});
    QTRY_COMPARE_WITH_TIMEOUT(resultado.count(), 1, 10000);
    QVERIFY(c.wait(5000));
    const QString nsu = c.pendentes().constLast().nsuTerminal;

    iniciar(c, {{"identificacao", "13"}, {"codigo_transacao", "10"}, {"valor", "700"}});
    QTRY_VERIFY_WITH_TIMEOUT(visivel(janela, "rec") && visivel(janela, "button"), 10000);
    QCOMPARE(texto(janela, "element1"), QStringLiteral("Sua última transação está pendente.\nDeseja confirmá-la?"));
    janela.objeto(QStringLiteral("list"))->setProperty("currentIndex", 1);
    QVERIFY(janela.clica(QStringLiteral("button")));
    QTRY_VERIFY_WITH_TIMEOUT(janela.popup(QStringLiteral("aviso")) != nullptr, 10000);
    QTRY_COMPARE(c.nsuPendenteAtual(), nsu);
    QTRY_COMPARE_WITH_TIMEOUT(resultado.count(), 2, 10000);
    QVERIFY(c.wait(5000));
    QCOMPARE(c.pendentes().size(), 2);
}

void TestZ3TefJanela::valorDigitadoChegaComPontoDecimal()
{
    Cena cena;
    QVERIFY(cena.janela.carregada());
    auto &[c, janela, resultado] = cena;
    QFile::remove(m_simLog);
    iniciar(c, {{"identificacao", "14"}, {"codigo_transacao", "10"}});
    QTRY_VERIFY_WITH_TIMEOUT(visivel(janela, "textField") && visivel(janela, "button"), 10000);

    // An empty OK is refused on screen and the step stays open.
    QVERIFY(janela.clica(QStringLiteral("button")));
    QTRY_VERIFY(visivel(janela, "rectangle2"));
    QCOMPARE(texto(janela, "element2"), QStringLiteral("Preencha um valor!"));
    QVERIFY(c.aguardandoOperador());

    QVERIFY(janela.clica(QStringLiteral("textField")));
    for (const char tecla : {'1', '2', '3', '4', '5', '6'})
        QTest::keyClick(janela.janela(), tecla);
    QCOMPARE(texto(janela, "textField"), c.formataValor(QStringLiteral("123456")));
    QVERIFY(texto(janela, "textField").contains(QStringLiteral("1.234,56")));
    QVERIFY(janela.clica(QStringLiteral("button")));
    QTRY_COMPARE_WITH_TIMEOUT(resultado.count(), 1, 10000);
    QVERIFY(c.wait(5000));
    // The library gets the amount with a decimal point, not the screen's text.
    QVERIFY(testsupport::readAll(m_simLog).contains(R"(\"automacao_coleta_informacao\":\"1234.56\")"));
}

void TestZ3TefJanela::pixMostraOQrCode()
{
    Cena cena;
    QVERIFY(cena.janela.carregada());
    auto &[c, janela, resultado] = cena;
    m_qr = janela.item(QStringLiteral("imagePix"));
    QVERIFY(m_qr);
    m_qrNaTela = m_qrDecodificado = false;
    connect(m_qr, SIGNAL(statusChanged(QQuickImageBase::Status)), this, SLOT(qrMudou()));
    connect(m_qr, &QQuickItem::visibleChanged, this, &TestZ3TefJanela::qrMudou);
    iniciar(c, {{"identificacao", "15"}, {"valor", "1990"}}, QStringLiteral("PIX"));
    // The QR code reaches the screen as a real PNG image, then the payment concludes.
    QTRY_COMPARE_WITH_TIMEOUT(resultado.count(), 1, 15000);
    QVERIFY(c.wait(5000));
    const QJsonObject r = QJsonDocument::fromJson(resultado.first().first().toString().toUtf8()).object();
    QCOMPARE(r.value("tef").toObject().value("transacao").toString(), QStringLiteral("Digital Pagar"));
    QVERIFY(m_qrNaTela);
    QTRY_VERIFY(m_qrDecodificado); // a real PNG, decoded by the window
    m_qr = nullptr;
}

// Waits for a yes/no question whose text starts with `pergunta` and answers it
// on screen: a list entry and OK.
static bool responder(const JanelaQml &j, const QString &pergunta, int indice)
{
    QObject *lista = j.objeto(QStringLiteral("list"));
    QObject *texto = j.objeto(QStringLiteral("element1"));
    const QString botao = QStringLiteral("button");
    QDeadlineTimer prazo(10000);
    while (!(texto->property("text").toString().startsWith(pergunta) && lista->property("count").toInt() == 2 &&
             j.item(QStringLiteral("rec"))->isVisible() && j.item(botao)->isVisible())) {
        if (prazo.hasExpired())
            return false;
        QTest::qWait(10);
    }
    // The button row lays itself out on the next frame: click where it is then.
    QSignalSpy quadro(j.janela(), &QQuickWindow::frameSwapped);
    j.janela()->update();
    quadro.wait(2000);
    lista->setProperty("currentIndex", indice);
    return j.clica(botao);
}

void TestZ3TefJanela::ncnPerguntaCadaPendente()
{
    Cena cena;
    QVERIFY(cena.janela.carregada());
    // Plain references: the lambdas below capture them.
    Z3_Tef_Controller &c = cena.c;
    JanelaQml &janela = cena.janela;
    QSignalSpy &resultado = cena.resultado;
    const auto rodar = [&](const QJsonObject &parametros, const QString &header, int respostas) {
        iniciar(c, parametros, header);
        for (int i = 0; i < respostas; ++i) { // keep the earlier sale pending, and read the notice
            if (!responder(janela, QStringLiteral("Sua última transação está pendente"), 1) ||
                !QTest::qWaitFor([&] { return janela.popup(QStringLiteral("aviso")) != nullptr; }, 10000))
                return false;
            QObject *aviso = janela.popup(QStringLiteral("aviso"));
            if (!janela.clica(aviso->findChild<QQuickItem *>(QStringLiteral("cb_aviso"))) ||
                !janela.clica(aviso->findChild<QQuickItem *>(QStringLiteral("botaoConfirmar"))) ||
                !QTest::qWaitFor([&] { return janela.popup(QStringLiteral("aviso")) == nullptr; }, 10000))
                return false;
        }
        return QTest::qWaitFor([&] { return c.isFinished() && resultado.count() > 0; }, 15000);
    };
    for (const char *valor : {"100", "200", "300"}) {
        resultado.clear();
        QVERIFY(rodar({{"codigo_transacao", "10"}, {"valor", valor}}, QStringLiteral("CRT"),
                      c.pendentes().isEmpty() ? 0 : 1));
    }
    QCOMPARE(c.pendentes().size(), 3);
    const int s2 = c.pendentes().at(1).sequencial;
    const int s3 = c.pendentes().at(2).sequencial;
    QFile::remove(m_simLog);

    // NCN: [1/3] yes (undone), [1/2] no (kept), [2/2] cancelled (the rest kept).
    resultado.clear();
    iniciar(c, {{"identificacao", "9"}}, QStringLiteral("NCN"));
    QVERIFY(responder(janela, QStringLiteral("[1/3] Deseja desfazer"), 0));
    QVERIFY(responder(janela, QStringLiteral("[1/2] Deseja desfazer"), 1));
    // CANCELAR's click reaching onClickButtonCancelar is the operator window test's;
    // here the question on screen is cancelled through the same call.
    QTRY_VERIFY(janela.objeto(QStringLiteral("element1"))
                    ->property("text")
                    .toString()
                    .startsWith(QStringLiteral("[2/2] Deseja desfazer")) &&
                c.aguardandoOperador());
    c.onClickButtonCancelar();
    QTRY_COMPARE_WITH_TIMEOUT(resultado.count(), 1, 15000);
    QVERIFY(c.wait(5000));
    const QByteArray chamadas = testsupport::readAll(m_simLog);
    QCOMPARE(chamadas.count("ConfirmarOperacaoTEF2"), 1);
    QCOMPARE(c.pendentes().size(), 2);
    QCOMPARE(c.pendentes().at(0).sequencial, s2);
    QCOMPARE(c.pendentes().at(1).sequencial, s3);
}

// Waits until the window asks for a typed value with this message and OK on screen.
static bool passoDigitado(const JanelaQml &j, const QString &mensagem)
{
    return QTest::qWaitFor(
        [&] {
            return j.objeto(QStringLiteral("element1"))->property("text").toString() == mensagem &&
                   j.item(QStringLiteral("textField"))->isVisible() && j.item(QStringLiteral("button"))->isVisible();
        },
        10000);
}

// Types into the field from its start, as the cashier would.
static bool digitar(const JanelaQml &j, const QString &texto)
{
    if (!j.clica(QStringLiteral("textField")))
        return false;
    QTest::keyClick(j.janela(), Qt::Key_Home);
    for (const QChar c : texto)
        QTest::keyClick(j.janela(), c.toLatin1());
    return true;
}

void TestZ3TefJanela::segundaVendaComecaComOCampoVazio()
{
    Cena cena;
    QVERIFY(cena.janela.carregada());
    auto &[c, janela, resultado] = cena;
    // Sale 1: an amount typed and confirmed, then given up at the card type.
    iniciar(c, {{"identificacao", "20"}, {"tipo_cartao", "7"}});
    QVERIFY(passoDigitado(janela, QStringLiteral("Digite o valor da transação")));
    QVERIFY(digitar(janela, QStringLiteral("1000")));
    QCOMPARE(texto(janela, "textField"), c.formataValor(QStringLiteral("1000")));
    QVERIFY(janela.clica(QStringLiteral("button")));
    QTRY_VERIFY_WITH_TIMEOUT(visivel(janela, "rec") && visivel(janela, "button2"), 10000);
    QVERIFY(janela.clica(QStringLiteral("button2")));
    QTRY_COMPARE_WITH_TIMEOUT(resultado.count(), 1, 10000);
    QVERIFY(c.wait(5000));

    // Sale 2: the amount step shows an empty field, so an untouched OK sends nothing.
    iniciar(c, {{"identificacao", "21"}, {"tipo_cartao", "7"}});
    QVERIFY(passoDigitado(janela, QStringLiteral("Digite o valor da transação")));
    QCOMPARE(texto(janela, "textField"), QString());
    QVERIFY(janela.clica(QStringLiteral("button2")));
    QTRY_COMPARE_WITH_TIMEOUT(resultado.count(), 2, 10000);
    QVERIFY(c.wait(5000));
}

void TestZ3TefJanela::cancelamentoComecaNsuEDataComOQueOPdvEnviou_data()
{
    // The request's fields as the conversion names them (012-000, 022-000) and
    // what each field shows when its step opens; "//" is an empty date field.
    QTest::addColumn<QJsonObject>("parametros");
    QTest::addColumn<QString>("nsuNoCampo");
    QTest::addColumn<QString>("dataNoCampo");
    const QJsonObject base{{"identificacao", "30"}, {"valor", "15000"}};
    QJsonObject completo = base;
    completo.insert("numero_transacao", "000000456789");
    completo.insert("data_transacao", "06122026");
    QJsonObject dataInvalida = completo;
    dataInvalida.insert("data_transacao", "2026-12-06");
    QTest::newRow("request's NSU and date start the fields") << completo << "000000456789"
                                                             << "06/12/26";
    QTest::newRow("a typed NSU does not stay for the date") << base << ""
                                                            << "//";
    QTest::newRow("a date the field cannot take is left to the cashier") << dataInvalida << "000000456789"
                                                                         << "//";
}

void TestZ3TefJanela::cancelamentoComecaNsuEDataComOQueOPdvEnviou()
{
    QFETCH(QJsonObject, parametros);
    QFETCH(QString, nsuNoCampo);
    QFETCH(QString, dataNoCampo);
    Cena cena;
    QVERIFY(cena.janela.carregada());
    auto &[c, janela, resultado] = cena;
    QFile::remove(m_simLog);
    QFile::remove(m_log);
    iniciar(c, parametros, QStringLiteral("CNC"));

    // The cashier types what a field lacks and otherwise confirms it as it is.
    QVERIFY(passoDigitado(janela, QStringLiteral("Digite o NSU da transação original")));
    QCOMPARE(texto(janela, "textField"), nsuNoCampo);
    if (nsuNoCampo.isEmpty())
        QVERIFY(digitar(janela, QStringLiteral("000000456789")));
    QVERIFY(janela.clica(QStringLiteral("button")));
    QVERIFY(passoDigitado(janela, QStringLiteral("Digite a data da transação original")));
    QCOMPARE(texto(janela, "textField"), dataNoCampo);
    if (dataNoCampo == QLatin1String("//"))
        QVERIFY(digitar(janela, QStringLiteral("061226")));
    QVERIFY(janela.clica(QStringLiteral("button")));

    QTRY_COMPARE_WITH_TIMEOUT(resultado.count(), 1, 10000);
    QVERIFY(c.wait(5000));
    const QJsonObject r = QJsonDocument::fromJson(resultado.first().first().toString().toUtf8()).object();
    QCOMPARE(r.value("tef").toObject().value("retorno").toString(), QStringLiteral("0"));
    const QByteArray chamadas = testsupport::readAll(m_simLog);
    QVERIFY2(chamadas.contains(R"(\"automacao_coleta_informacao\":\"000000456789\")"), chamadas.constData());
    QVERIFY2(chamadas.contains(R"(\"automacao_coleta_informacao\":\"06/12/26\")"), chamadas.constData());
    // The library's contract is unchanged: it is not handed the request's NSU or date.
    QVERIFY(!chamadas.contains("numero_transacao") && !chamadas.contains("data_transacao"));
    // Support can tell a value the POS sent from one the cashier typed.
    const QString log = QString::fromUtf8(testsupport::readAll(m_log));
    QCOMPARE(log.contains(QStringLiteral("Campo transacao_nsu iniciado com o valor enviado pelo A/C: 000000456789")),
             !nsuNoCampo.isEmpty());
    QCOMPARE(log.contains(QStringLiteral("Campo transacao_data iniciado com o valor enviado pelo A/C: 06/12/26")),
             dataNoCampo != QLatin1String("//"));
}

void TestZ3TefJanela::telasERespostasNoLogSemASenha()
{
    Cena cena;
    QVERIFY(cena.janela.carregada());
    auto &[c, janela, resultado] = cena;
    QFile::remove(m_simLog);
    QFile::remove(m_log);
    iniciar(c, {{"identificacao", "40"}}, QStringLiteral("ADM"));
    QTRY_VERIFY_WITH_TIMEOUT(visivel(janela, "rec") && visivel(janela, "button"), 10000);
    QObject *lista = janela.objeto(QStringLiteral("list"));
    QTRY_COMPARE(lista->property("count").toInt(), 3);
    lista->setProperty("currentIndex", 1);
    QVERIFY(janela.clica(QStringLiteral("button")));
    QVERIFY(passoDigitado(janela, QStringLiteral("Digite a senha do supervisor")));
    const QString senha = QStringLiteral("zq7senha9");
    QVERIFY(digitar(janela, senha));
    QVERIFY(janela.clica(QStringLiteral("button")));
    QTRY_COMPARE_WITH_TIMEOUT(resultado.count(), 1, 10000);
    QVERIFY(c.wait(5000));
    // The library got the password; the log never did.
    QVERIFY(testsupport::readAll(m_simLog).contains(senha.toUtf8()));
    const QString log = QString::fromUtf8(testsupport::readAll(m_log));
    QVERIFY2(!log.contains(senha), qPrintable(log));
    // The sale can be followed from the log: what was shown, then what the cashier answered.
    const QStringList esperado{
        QStringLiteral("[Base_Controller] Tela, título: Operação Administrativa\n"),
        QStringLiteral("[Base_Controller] Tela: Selecione a operação administrativa\n"),
        QStringLiteral("[Base_Controller] Tela, lista: [0] Teste de comunicacao; [1] Reimpressao; [2] Cancelamento\n"),
        QStringLiteral("[Base_Controller] Resposta do operador: opção 1 (Reimpressao)\n"),
        QStringLiteral("[Base_Controller] Tela: Digite a senha do supervisor\n"),
        QStringLiteral("[Base_Controller] Tela: campo de senha aberto\n"),
        QStringLiteral("[Base_Controller] Resposta do operador: ****\n"),
        QStringLiteral("[Base_Controller] Tela: Operação administrativa concluída\n"),
    };
    int desde = 0;
    for (const QString &linha : esperado) {
        const int i = log.indexOf(linha, desde);
        QVERIFY2(i >= 0, qPrintable(linha + QStringLiteral(" not after position ") + QString::number(desde) +
                                    QStringLiteral(" in:\n") + log));
        desde = i + linha.size();
    }
}

QTEST_MAIN(TestZ3TefJanela)
#include "tst_Z3_Tef_Janela.moc"
