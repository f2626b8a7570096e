#include "TestController.h"
#include "TestSupport.h"
#include "app/GlobalFlags.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

#include <memory>

namespace {

QStringList textos(const QSignalSpy &spy)
{
    QStringList out;
    for (const auto &args : spy)
        out << args.value(0).toString();
    return out;
}

} // namespace

class TestBaseController : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void formataValor_data();
    void formataValor();
    void validaHex_data();
    void validaHex();
    void autonomoOkMapsIndexToOperation_data();
    void autonomoOkMapsIndexToOperation();
    void trayEntriesSendTheirOperationName();
    void autonomousMenuStaysAwayDuringAnUpdate();
    void runDoesOneThingAtATime_data();
    void runDoesOneThingAtATime();
    void gateHoldsTheThreadUntilAClick();
    void gateSurvivesAThousandRounds_data();
    void gateSurvivesAThousandRounds();
    void threadLocksAndUnlocksTheTrayMenu_data();
    void threadLocksAndUnlocksTheTrayMenu();
    void finishedThreadShowsTheNextScreen_data();
    void finishedThreadShowsTheNextScreen();
    void printerListStartsWithTheMakersPrinters();
    void systemConfigsRefusesTextThatIsNotAnObject_data();
    void systemConfigsRefusesTextThatIsNotAnObject();
    void customisationPushesTheLook_data();
    void customisationPushesTheLook();
    void aboutBoxNamesTheProgram();
};

void TestBaseController::init()
{
    testsupport::writeConfig({});
    tefEmProcessamento = false;
    atualizacaoSolicitada = false;
}

void TestBaseController::cleanup()
{
    tefEmProcessamento = false;
    atualizacaoSolicitada = false;
}

void TestBaseController::formataValor_data()
{
    QTest::addColumn<QString>("digitado");
    QTest::addColumn<QString>("numero"); // what follows "R$"
    QTest::newRow("one digit is cents") << "5" << QStringLiteral("0,05");
    QTest::newRow("two digits are cents") << "12" << QStringLiteral("0,12");
    QTest::newRow("thousands are grouped with a dot") << "123456" << QStringLiteral("1.234,56");
    QTest::newRow("empty is zero") << "" << QStringLiteral("0,00");
    QTest::newRow("separators are dropped") << "1,234.5" << QStringLiteral("123,45");
    QTest::newRow("currency symbol left in is not a number") << "R$ 12,345" << QStringLiteral("0,00");
    QTest::newRow("leading zeros") << "0005" << QStringLiteral("0,05");
    QTest::newRow("letters are zero") << "abc" << QStringLiteral("0,00");
    QTest::newRow("short letters are zero") << "x" << QStringLiteral("0,00");
    QTest::newRow("large amount") << "123456789" << QStringLiteral("1.234.567,89");
}

void TestBaseController::formataValor()
{
    QFETCH(QString, digitado);
    QFETCH(QString, numero);
    const QString texto = TestController().formataValor(digitado);
    QVERIFY2(texto.startsWith(QStringLiteral("R$")), qPrintable(texto));
    QCOMPARE(texto.mid(2).trimmed(), numero);
}

void TestBaseController::validaHex_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("valido");
    QTest::newRow("six digits") << "#0099FF" << true;
    QTest::newRow("three digits") << "#fff" << true;
    QTest::newRow("mixed case") << "#aBc1D2" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("four digits") << "#ffff" << false;
    QTest::newRow("five digits") << "#fffff" << false;
    QTest::newRow("seven digits") << "#fffffff" << false;
    QTest::newRow("no hash") << "0099FF" << false;
    QTest::newRow("not hexadecimal") << "#0099FG" << false;
    QTest::newRow("leading blank") << " #fff" << false;
    QTest::newRow("trailing blank") << "#fff " << false;
    QTest::newRow("trailing line feed") << "#fff\n" << false;
    QTest::newRow("colour name") << "red" << false;
    QTest::newRow("text after a NUL is not seen") << QStringLiteral("#fff") + QChar(0) + QStringLiteral("zz") << true;
}

void TestBaseController::validaHex()
{
    QFETCH(QString, texto);
    QFETCH(bool, valido);
    QCOMPARE(TestController().validaHex(texto), valido);
}

void TestBaseController::autonomoOkMapsIndexToOperation_data()
{
    QTest::addColumn<int>("indice");
    QTest::addColumn<QString>("operacao");
    QTest::newRow("card sale") << 0 << QStringLiteral("Venda Cartão");
    QTest::newRow("pix") << 1 << QStringLiteral("PIX");
    QTest::newRow("administrative") << 2 << QStringLiteral("Operação Administrativa");
    QTest::newRow("past the end gives no name") << 3 << QString();
    QTest::newRow("negative gives no name") << -1 << QString();
}

void TestBaseController::autonomoOkMapsIndexToOperation()
{
    QFETCH(int, indice);
    QFETCH(QString, operacao);
    TestController c;
    QSignalSpy processo(&c, &Base_Controller::process);
    QSignalSpy tipo(&c, &Base_Controller::sendTypeOperation);
    c.onClickButtonAutonomoOk(indice);
    QCOMPARE(textos(processo), QStringList{operacao});
    QCOMPARE(tipo.count(), 2);
    QCOMPARE(tipo.at(0).at(0).toInt(), 1);
    QCOMPARE(tipo.at(1).at(0).toInt(), 0);
}

void TestBaseController::trayEntriesSendTheirOperationName()
{
    TestController c;
    QSignalSpy processo(&c, &Base_Controller::process);
    const auto acoes = c.menuAutonomo()->actions();
    for (QAction *a : acoes) {
        if (!a->isSeparator())
            a->trigger();
    }
    c.slotAutonomo(); // not sent by an action
    QCOMPARE(textos(processo), (QStringList{QStringLiteral("Venda Cartão"), QStringLiteral("PIX"),
                                            QStringLiteral("Operação Administrativa"), QString()}));
}

void TestBaseController::autonomousMenuStaysAwayDuringAnUpdate()
{
    TestController c;
    QSignalSpy janela(&c, &Base_Controller::showWindow);
    c.initComponentAutonomo();
    QCOMPARE(janela.count(), 1);
    atualizacaoSolicitada = true;
    c.initComponentAutonomo();
    QCOMPARE(janela.count(), 1);
}

void TestBaseController::runDoesOneThingAtATime_data()
{
    QTest::addColumn<bool>("ocupado");
    QTest::addColumn<QString>("atualizador"); // the updater button pressed, if any
    QTest::addColumn<bool>("executa");
    QTest::newRow("a transaction runs and leaves the flag for whoever answers") << false << "" << true;
    QTest::newRow("a second transaction is refused") << true << "" << false;
    QTest::newRow("updater yes is never a transaction") << false << "sim" << false;
    QTest::newRow("updater no is never a transaction") << false << "nao" << false;
}

void TestBaseController::runDoesOneThingAtATime()
{
    QFETCH(bool, ocupado);
    QFETCH(QString, atualizador);
    QFETCH(bool, executa);
    TestController c;
    std::atomic<int> execucoes{0};
    std::atomic<bool> viuFlag{false};
    c.roteiro = [&](TestController &) {
        ++execucoes;
        viuFlag = tefEmProcessamento.load();
    };
    tefEmProcessamento = ocupado;
    if (atualizador == QLatin1String("sim"))
        c.onClickButtonUpdaterSim();
    else if (atualizador == QLatin1String("nao"))
        c.onClickButtonUpdaterNao();
    else
        c.start();
    QVERIFY(esperaTerminar(c, 5000));
    QCOMPARE(execucoes.load(), executa ? 1 : 0);
    QCOMPARE(viuFlag.load(), executa);
    QCOMPARE(tefEmProcessamento.load(), atualizador.isEmpty()); // the monitor or the autonomous worker clears it
    QVERIFY(!atualizacaoSolicitada);
    QCOMPARE(c.modoAtualizacaoAtual(), 0);
}

void TestBaseController::gateHoldsTheThreadUntilAClick()
{
    TestController c;
    QVERIFY(!c.tefInProcess());
    QVERIFY(c.paraNoPortao());
    QVERIFY(c.isRunning());
    QVERIFY(!c.passouPortao);
    atualizacaoSolicitada = true;
    QVERIFY(c.tefInProcess()); // and a requested update gives way to the transaction
    QVERIFY(!atualizacaoSolicitada);
    c.onClickButtonOK(QStringLiteral("100"), 1);
    QVERIFY(esperaTerminar(c, 5000));
    QVERIFY(c.passouPortao);
    QVERIFY(!c.fluxoPausado());
}

void TestBaseController::gateSurvivesAThousandRounds_data()
{
    QTest::addColumn<bool>("outraThread");
    QTest::newRow("the window answers each screen") << false;
    QTest::newRow("clicks from another thread race the wait") << true;
}

void TestBaseController::gateSurvivesAThousandRounds()
{
    QFETCH(bool, outraThread);
    TestController c;
    constexpr int rodadas = 1000;
    std::atomic<int> rodada{-1};
    std::atomic<bool> acabou{false};
    c.roteiro = [&rodada](TestController &t) {
        for (int i = 0; i < rodadas; ++i) {
            t.bloquearFluxo();
            rodada = i;
            emit t.textChanged(QString::number(i));
            t.aguardarFluxo();
        }
        rodada = rodadas;
    };
    std::unique_ptr<QThread> clicador(QThread::create([&c, &rodada, &acabou] {
        for (int ultima = -1; !acabou;) {
            if (const int r = rodada; r != ultima) {
                ultima = r;
                c.liberarFluxo();
            } else {
                QThread::yieldCurrentThread();
            }
        }
    }));
    if (outraThread)
        clicador->start();
    else // as soon as the screen arrives in the GUI thread
        connect(&c, &Base_Controller::textChanged, &c, [&c](const QString &v) { c.onClickButtonOK(v, 1); });
    c.start();
    const bool terminou = esperaTerminar(c, 60000);
    acabou = true;
    clicador->wait();
    QVERIFY(terminou);
    QCOMPARE(rodada.load(), rodadas);
}

void TestBaseController::threadLocksAndUnlocksTheTrayMenu_data()
{
    QTest::addColumn<bool>("bloqueada");
    QTest::newRow("updates allowed") << false;
    QTest::newRow("blocked updates stay disabled") << true;
}

void TestBaseController::threadLocksAndUnlocksTheTrayMenu()
{
    QFETCH(bool, bloqueada);
    testsupport::writeConfig({{QStringLiteral("bloquear_atualizacao"), bloqueada}});
    TestController c;
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable()); // offscreen has none
    QVERIFY(c.trayIcon() && !c.trayIcon()->isVisible());
    const QList<bool> aberto{true, true, true, !bloqueada};
    auto estado = [&c] {
        return QList<bool>{c.menuAutonomo()->isEnabled(), c.actionSobre()->isEnabled(),
                           c.actionConfiguracoes()->isEnabled(), c.actionAtualizacao()->isEnabled()};
    };
    QCOMPARE(estado(), aberto);
    c.preProcessThread();
    QCOMPARE(estado(), (QList<bool>{false, false, false, false}));
    c.onFinishThread();
    QCOMPARE(estado(), aberto);
}

void TestBaseController::finishedThreadShowsTheNextScreen_data()
{
    QTest::addColumn<int>("tipoOperacao");
    QTest::addColumn<bool>("atualizacao");
    QTest::addColumn<QStringList>("texto");
    QTest::addColumn<QStringList>("cabecalho");
    QTest::newRow("file exchange shows the idle screen")
        << 0 << false << QStringList{"Aguardando arquivo intpos."} << QStringList{"TEF em operação"};
    QTest::newRow("autonomous only shows the menu")
        << 1 << false << QStringList{"Selecione uma operação: "} << QStringList{"TEF em Processamento"};
    QTest::newRow("an updater run leaves its own screen alone") << 0 << true << QStringList() << QStringList();
}

void TestBaseController::finishedThreadShowsTheNextScreen()
{
    QFETCH(int, tipoOperacao);
    QFETCH(bool, atualizacao);
    QFETCH(QStringList, texto);
    QFETCH(QStringList, cabecalho);
    testsupport::writeConfig({{QStringLiteral("tipo_operacao"), tipoOperacao}});
    TestController c;
    QCOMPARE(c.isAutOnly(), tipoOperacao == 1);
    QSignalSpy textoSpy(&c, &Base_Controller::textChanged);
    QSignalSpy cabecalhoSpy(&c, &Base_Controller::firstTextChanged);
    atualizacaoSolicitada = atualizacao;
    c.onFinishThread();
    QCOMPARE(textos(textoSpy), texto);
    QCOMPARE(textos(cabecalhoSpy), cabecalho);
}

void TestBaseController::printerListStartsWithTheMakersPrinters()
{
    const QJsonArray lista = QJsonDocument::fromJson(TestController().getListPrinters().toUtf8()).array();
    QVERIFY(!lista.isEmpty());
    QCOMPARE(lista.at(0).toObject(),
             (QJsonObject{{QStringLiteral("text"), QStringLiteral("Impressoras Varda/Korvanta")}}));
    for (const auto &v : lista)
        QVERIFY(v.toObject().value(QStringLiteral("text")).isString());
}

void TestBaseController::systemConfigsRefusesTextThatIsNotAnObject_data()
{
    QTest::addColumn<QString>("texto");
    QTest::newRow("empty") << QString();
    QTest::newRow("truncated") << QStringLiteral("{\"path_in\": ");
    QTest::newRow("array") << QStringLiteral("[1, 2]");
    // The response would be read back as a new request and the sale run again.
    QTest::newRow("same folder for requests and responses")
        << QStringLiteral(R"({"tipo_operacao":0,"path_in":"/tmp/pdv","path_out":"/tmp/pdv/"})");
    QTest::newRow("same folder through dot-dot")
        << QStringLiteral(R"({"tipo_operacao":0,"path_in":"/tmp/pdv/req","path_out":"/tmp/pdv/resp/../req"})");
}

void TestBaseController::systemConfigsRefusesTextThatIsNotAnObject()
{
    QFETCH(QString, texto);
    const QByteArray antes = testsupport::readAll(testsupport::configPath());
    QVERIFY(!antes.isEmpty());
    QVERIFY(!TestController().setSystemConfigs(texto));
    QCOMPARE(testsupport::readAll(testsupport::configPath()), antes);
}

void TestBaseController::customisationPushesTheLook_data()
{
    QTest::addColumn<int>("produto");
    QTest::addColumn<int>("tipoOperacao");
    QTest::addColumn<bool>("escondeDialogo");
    QTest::newRow("z3 with file exchange keeps the dialogue") << 2 << 0 << false;
    QTest::newRow("bridge hides the dialogue") << 1 << 0 << true;
    QTest::newRow("autonomous only hides the dialogue") << 2 << 1 << true;
}

void TestBaseController::customisationPushesTheLook()
{
    QFETCH(int, produto);
    QFETCH(int, tipoOperacao);
    QFETCH(bool, escondeDialogo);
    QJsonObject custom = ConfigTef().configuracao().value(QStringLiteral("customizacao")).toObject();
    custom.insert(QStringLiteral("largura_janela"), 900);
    custom.insert(QStringLiteral("cor_destaque"), QStringLiteral("#123456"));
    testsupport::writeConfig(
        {{QStringLiteral("tipo_operacao"), tipoOperacao}, {QStringLiteral("customizacao"), custom}});
    TestController c;
    QSignalSpy ok(&c, &Base_Controller::disableButtonOK);
    QSignalSpy janela(&c, &Base_Controller::showWindow);
    QSignalSpy largura(&c, &Base_Controller::widthChanged);
    QSignalSpy destaque(&c, &Base_Controller::firstColorChanged);
    Base_Controller::aplicaCustomizacao(&c, produto, ConfigTef());
    QCOMPARE(ok.count(), escondeDialogo ? 1 : 0);
    QCOMPARE(janela.count(), 1);
    QCOMPARE(janela.at(0).at(0).toBool(), false);
    QCOMPARE(largura.at(0).at(0).toInt(), 900);
    QCOMPARE(textos(destaque), QStringList{QStringLiteral("#123456")});
}

void TestBaseController::aboutBoxNamesTheProgram()
{
    TestController c;
    QSignalSpy texto(&c, &Base_Controller::textChanged);
    QSignalSpy cabecalho(&c, &Base_Controller::firstTextChanged);
    QSignalSpy janela(&c, &Base_Controller::showWindow);
    c.showEnviromentInfo();
    QCOMPARE(textos(cabecalho), QStringList{QStringLiteral("Sobre")});
    QCOMPARE(texto.count(), 1);
    const QString sobre = texto.at(0).at(0).toString();
    QVERIFY2(sobre.startsWith(QStringLiteral("Z3_TEFZoduvud versão 01.23.04 - S.O.: ")), qPrintable(sobre));
    QVERIFY(sobre.contains(QStringLiteral("\nHostName: ")));
    QVERIFY(sobre.contains(QStringLiteral("\n\n------- Interfaces de rede -------")));
    QCOMPARE(janela.count(), 1);
}

QTEST_MAIN(TestBaseController)
#include "tst_base_controller.moc"
