#include "TestController.h"
#include "TestSupport.h"
#include "app/GlobalFlags.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QMenu>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

#include <atomic>

namespace {

QString real(double valor)
{
    return QLocale(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::Brazil).toCurrencyString(valor);
}

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

    void screenVocabularyKeepsItsOrder();
    void formataValor_data();
    void formataValor();
    void formataValorWritesBrazilianCurrency();
    void validaHex_data();
    void validaHex();
    void autonomoOkMapsIndexToOperation_data();
    void autonomoOkMapsIndexToOperation();
    void trayEntriesSendTheirOperationName();
    void autonomousMenuListsTheThreeOperations();
    void autonomousMenuStaysAwayDuringAnUpdate();
    void runRefusesASecondTransaction();
    void runLeavesTheTransactionFlagSet();
    void updaterButtonsChooseTheActionAndEndIt_data();
    void updaterButtonsChooseTheActionAndEndIt();
    void tefInProcessReportsTheRunningThreadAndClearsTheUpdate();
    void gateHoldsTheThreadUntilAClick();
    void gateSurvivesAThousandRounds();
    void gateSurvivesClicksFromAnotherThread();
    void trayIsBuiltButNotShownWithoutASystemTray();
    void threadLocksAndUnlocksTheTrayMenu();
    void blockedUpdatesStayDisabled();
    void finishedThreadShowsTheIdleScreen();
    void finishedThreadInAutonomousModeShowsTheMenu();
    void checkboxAnswerIsKeptWithTheNsu();
    void printerListStartsWithTheMakersPrinters();
    void systemConfigsRoundTrip();
    void systemConfigsRefusesTextThatIsNotAnObject_data();
    void systemConfigsRefusesTextThatIsNotAnObject();
    void systemConfigsReportsAFileThatCannotBeWritten();
    void customisationPushesTheLook_data();
    void customisationPushesTheLook();
    void aboutBoxNamesTheProgram();
    void existeArquivoChecksForAFile();
};

void TestBaseController::init()
{
    QFile::remove(testsupport::configPath());
    testsupport::writeConfig({});
    tefEmProcessamento = false;
    atualizacaoSolicitada = false;
}

void TestBaseController::cleanup()
{
    tefEmProcessamento = false;
    atualizacaoSolicitada = false;
}

void TestBaseController::screenVocabularyKeepsItsOrder()
{
    // Peers connect by signature and by index: the order is part of the interface.
    static const char *const esperado[] = {
        "showMessageError(QString)", "showMessage(QString)", "textChanged(QString)", "firstTextChanged(QString)",
        "textfiledChanged(QString)", "clearTextFieldInputMask()", "setTextFieldInputMask(QString)",
        "setTextFieldPasswordMode(bool)", "showWindow(bool)", "showConfigs()", "showAviso()", "qmlAvisoSignal(bool)",
        "enviaNSU(QString)", "showUpdater(bool)", "disableButtonOK(bool)", "disableButtonVoltar(bool)",
        "disableButtonCancelar(bool)", "disableButtonUpdaterSim(bool)", "disableButtonUpdaterNao(bool)",
        "disableTextField(bool)", "disableListView(bool)", "disableProgressBar(bool)", "addItemList(QString)",
        "clearItemsList()", "responseProcessTEF(QString)", "pathImageChanged(QString)", "firstColorChanged(QString)",
        "fontColorChanged(QString)", "backgroundColorChanged(QString)", "secondFontColorChanged(QString)",
        "selectionColorChanged(QString)", "textImageDataChanged(QString)", "disableImage(bool)", "process(QString)",
        "widthChanged(int)", "heightChanged(int)", "disableButtonAutonomoOk(bool)",
        "disableButtonAutonomoCancelar(bool)", "sendTypeOperation(int)", "formatValue(bool)", "minimized()",
        // slots
        "getJsonConfigs()", "existeArquivo(QString)", "validaHex(QString)", "setJsonConfigs(QString)",
        "formataValor(QString)", "exit()", "slotShowWindow()", "slotShowConfigs()", "slotShowAviso()", "slotAutonomo()",
        "slotUpdater()", "tefInProcess()", "showEnviromentInfo()", "getColor()", "getFolder()", "getFile()",
        "initComponentAutonomo()", "disableComponentAutonomo()", "slotTextChangedAutonomo(QString)",
        "slotApresentaMsgError(QString)", "preProcessThread()", "onFinishThread()", "minimizeInQml()",
        "handleSignalCheckbox(bool)", "recebeNSU(QString)",
        // invokable
        "onClickButtonOK(QString,int)", "onClickButtonVoltar()", "onClickButtonCancelar()", "onClickButtonUpdaterSim()",
        "onClickButtonUpdaterNao()", "configureWindowToFront(bool)", "onClickButtonAutonomoOk(int)", "isAutOnly()",
        "getSystemConfigs()", "setSystemConfigs(QString)", "getListPrinters()"};
    const QMetaObject &mo = Base_Controller::staticMetaObject;
    QCOMPARE(mo.methodCount() - mo.methodOffset(), 77);
    for (int i = 0; i < 77; ++i) {
        const QMetaMethod m = mo.method(mo.methodOffset() + i);
        QCOMPARE(m.methodSignature(), QByteArray(esperado[i]));
        const auto tipo = i < 41 ? QMetaMethod::Signal : (i < 66 ? QMetaMethod::Slot : QMetaMethod::Method);
        QCOMPARE(m.methodType(), tipo);
    }
}

void TestBaseController::formataValor_data()
{
    QTest::addColumn<QString>("digitado");
    QTest::addColumn<double>("valor");
    QTest::newRow("one digit is cents") << "5" << 0.05;
    QTest::newRow("two digits are cents") << "12" << 0.12;
    QTest::newRow("four digits") << "1234" << 12.34;
    QTest::newRow("empty is zero") << "" << 0.0;
    QTest::newRow("separators are dropped") << "1,234.5" << 123.45;
    QTest::newRow("currency symbol left in is not a number") << "R$ 12,345" << 0.0;
    QTest::newRow("leading zeros") << "0005" << 0.05;
    QTest::newRow("letters are zero") << "abc" << 0.0;
    QTest::newRow("short letters are zero") << "x" << 0.0;
    QTest::newRow("large amount") << "123456789" << 1234567.89;
}

void TestBaseController::formataValor()
{
    QFETCH(QString, digitado);
    QFETCH(double, valor);
    TestController c;
    QCOMPARE(c.formataValor(digitado), real(valor));
}

void TestBaseController::formataValorWritesBrazilianCurrency()
{
    TestController c;
    const QString texto = c.formataValor(QStringLiteral("123456"));
    QVERIFY2(texto.startsWith(QStringLiteral("R$")), qPrintable(texto));
    QVERIFY2(texto.endsWith(QStringLiteral("1.234,56")), qPrintable(texto));
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
    TestController c;
    QCOMPARE(c.validaHex(texto), valido);
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
    QCOMPARE(processo.count(), 1);
    QCOMPARE(processo.at(0).at(0).toString(), operacao);
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
    QCOMPARE(textos(processo), (QStringList{QStringLiteral("Venda Cartão"), QStringLiteral("PIX"),
                                            QStringLiteral("Operação Administrativa")}));
    c.slotAutonomo(); // not sent by an action
    QCOMPARE(processo.last().at(0).toString(), QString());
}

void TestBaseController::autonomousMenuListsTheThreeOperations()
{
    TestController c;
    QSignalSpy itens(&c, &Base_Controller::addItemList);
    QSignalSpy limpa(&c, &Base_Controller::clearItemsList);
    QSignalSpy texto(&c, &Base_Controller::textChanged);
    QSignalSpy janela(&c, &Base_Controller::showWindow);
    QSignalSpy lista(&c, &Base_Controller::disableListView);
    c.initComponentAutonomo();
    QCOMPARE(limpa.count(), 1);
    QCOMPARE(textos(itens), (QStringList{QStringLiteral("Venda Cartao"), QStringLiteral("PIX"),
                                         QStringLiteral("Operação Administrativa")}));
    QCOMPARE(textos(texto), QStringList{QStringLiteral("Selecione uma operação: ")});
    QCOMPARE(lista.count(), 1);
    QCOMPARE(lista.at(0).at(0).toBool(), false);
    QCOMPARE(janela.count(), 1);
    QCOMPARE(janela.at(0).at(0).toBool(), true);
}

void TestBaseController::autonomousMenuStaysAwayDuringAnUpdate()
{
    TestController c;
    QSignalSpy janela(&c, &Base_Controller::showWindow);
    atualizacaoSolicitada = true;
    c.initComponentAutonomo();
    QCOMPARE(janela.count(), 0);
}

void TestBaseController::runRefusesASecondTransaction()
{
    TestController c;
    std::atomic<int> execucoes{0};
    c.roteiro = [&execucoes](TestController &) {
        ++execucoes;
    };
    tefEmProcessamento = true;
    c.start();
    QVERIFY(esperaTerminar(c, 5000));
    QCOMPARE(execucoes.load(), 0);
    QVERIFY(tefEmProcessamento);
}

void TestBaseController::runLeavesTheTransactionFlagSet()
{
    TestController c;
    std::atomic<bool> viuFlag{false};
    c.roteiro = [&viuFlag](TestController &) {
        viuFlag = tefEmProcessamento.load();
    };
    c.start();
    QVERIFY(esperaTerminar(c, 5000));
    QVERIFY(viuFlag);
    QVERIFY(tefEmProcessamento); // the monitor or the autonomous worker clears it
}

void TestBaseController::updaterButtonsChooseTheActionAndEndIt_data()
{
    QTest::addColumn<bool>("sim");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void TestBaseController::updaterButtonsChooseTheActionAndEndIt()
{
    QFETCH(bool, sim);
    TestController c;
    std::atomic<int> execucoes{0};
    c.roteiro = [&execucoes](TestController &) {
        ++execucoes;
    };
    if (sim)
        c.onClickButtonUpdaterSim();
    else
        c.onClickButtonUpdaterNao();
    QVERIFY(esperaTerminar(c, 5000));
    QCOMPARE(execucoes.load(), 0); // an updater run is never a transaction
    QVERIFY(!tefEmProcessamento);
    QVERIFY(!atualizacaoSolicitada);
    QCOMPARE(c.modoAtualizacaoAtual(), 0);
}

void TestBaseController::tefInProcessReportsTheRunningThreadAndClearsTheUpdate()
{
    TestController c;
    QVERIFY(!c.tefInProcess());
    c.roteiro = [](TestController &t) {
        t.bloquearFluxo();
        emit t.textChanged(QStringLiteral("aguarde"));
        t.aguardarFluxo();
    };
    // Counted in this thread: the spy would be written from the controller thread.
    int telas = 0;
    QObject contexto; // ends the connection with this function
    connect(&c, &Base_Controller::textChanged, &contexto, [&telas] { ++telas; });
    c.start();
    QTRY_VERIFY_WITH_TIMEOUT(telas > 0, 5000);
    atualizacaoSolicitada = true;
    QVERIFY(c.tefInProcess());
    QVERIFY(!atualizacaoSolicitada);
    c.onClickButtonOK(QString(), 1);
    QVERIFY(esperaTerminar(c, 5000));
}

void TestBaseController::gateHoldsTheThreadUntilAClick()
{
    TestController c;
    std::atomic<bool> passou{false};
    c.roteiro = [&passou](TestController &t) {
        t.bloquearFluxo();
        emit t.textChanged(QStringLiteral("Digite o valor"));
        t.aguardarFluxo();
        passou = true;
    };
    // Counted in this thread: the spy would be written from the controller thread.
    int telas = 0;
    QObject contexto; // ends the connection with this function
    connect(&c, &Base_Controller::textChanged, &contexto, [&telas] { ++telas; });
    c.start();
    QTRY_VERIFY_WITH_TIMEOUT(telas > 0, 5000);
    QVERIFY(c.fluxoPausado());
    QVERIFY(c.isRunning());
    QVERIFY(!passou);
    c.onClickButtonOK(QStringLiteral("100"), 1);
    QVERIFY(esperaTerminar(c, 5000));
    QVERIFY(passou);
    QVERIFY(!c.fluxoPausado());
}

void TestBaseController::gateSurvivesAThousandRounds()
{
    TestController c;
    constexpr int rodadas = 1000;
    std::atomic<int> feitas{0};
    c.roteiro = [&feitas](TestController &t) {
        for (int i = 0; i < rodadas; ++i) {
            t.bloquearFluxo();
            emit t.textChanged(QString::number(i));
            t.aguardarFluxo();
            ++feitas;
        }
    };
    // The cashier answers every screen as soon as it arrives in the GUI thread.
    connect(&c, &Base_Controller::textChanged, &c, [&c](const QString &v) { c.onClickButtonOK(v, 1); });
    c.start();
    QVERIFY(esperaTerminar(c, 60000));
    QCOMPARE(feitas.load(), rodadas);
}

void TestBaseController::gateSurvivesClicksFromAnotherThread()
{
    // Clicks that race the wait, as close as two threads can make them.
    TestController c;
    constexpr int rodadas = 1000;
    std::atomic<int> rodada{-1};
    std::atomic<bool> acabou{false};
    c.roteiro = [&rodada](TestController &t) {
        for (int i = 0; i < rodadas; ++i) {
            t.bloquearFluxo();
            rodada = i;
            t.aguardarFluxo();
        }
    };
    QThread *clicador = QThread::create([&c, &rodada, &acabou] {
        int ultima = -1;
        while (!acabou) {
            const int r = rodada;
            if (r != ultima) {
                ultima = r;
                c.liberarFluxo();
            } else {
                QThread::yieldCurrentThread();
            }
        }
    });
    clicador->start();
    c.start();
    const bool terminou = esperaTerminar(c, 60000);
    acabou = true;
    clicador->wait();
    delete clicador;
    QVERIFY(terminou);
}

void TestBaseController::trayIsBuiltButNotShownWithoutASystemTray()
{
    TestController c;
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable()); // offscreen has none
    QVERIFY(c.trayIcon());
    QVERIFY(!c.trayIcon()->isVisible());
    QVERIFY(c.menuAutonomo());
    QCOMPARE(c.menuAutonomo()->title(), QStringLiteral("TEF Autonomo"));
    QVERIFY(c.actionAtualizacao()->isEnabled());
}

void TestBaseController::threadLocksAndUnlocksTheTrayMenu()
{
    TestController c;
    c.preProcessThread();
    QVERIFY(!c.menuAutonomo()->isEnabled());
    QVERIFY(!c.actionSobre()->isEnabled());
    QVERIFY(!c.actionConfiguracoes()->isEnabled());
    QVERIFY(!c.actionAtualizacao()->isEnabled());
    c.onFinishThread();
    QVERIFY(c.menuAutonomo()->isEnabled());
    QVERIFY(c.actionSobre()->isEnabled());
    QVERIFY(c.actionConfiguracoes()->isEnabled());
    QVERIFY(c.actionAtualizacao()->isEnabled());
}

void TestBaseController::blockedUpdatesStayDisabled()
{
    testsupport::writeConfig({{QStringLiteral("bloquear_atualizacao"), true}});
    TestController c;
    QVERIFY(!c.actionAtualizacao()->isEnabled());
    c.preProcessThread();
    c.onFinishThread();
    QVERIFY(!c.actionAtualizacao()->isEnabled());
    QVERIFY(c.actionSobre()->isEnabled());
}

void TestBaseController::finishedThreadShowsTheIdleScreen()
{
    TestController c;
    QSignalSpy texto(&c, &Base_Controller::textChanged);
    QSignalSpy cabecalho(&c, &Base_Controller::firstTextChanged);
    QSignalSpy barra(&c, &Base_Controller::disableProgressBar);
    c.onFinishThread();
    QCOMPARE(textos(texto), QStringList{QStringLiteral("Aguardando arquivo intpos.")});
    QCOMPARE(textos(cabecalho), QStringList{QStringLiteral("TEF em operação")});
    QCOMPARE(barra.count(), 1);
    QCOMPARE(barra.at(0).at(0).toBool(), false);

    atualizacaoSolicitada = true; // an updater run finishing leaves its own screen alone
    c.onFinishThread();
    QCOMPARE(texto.count(), 1);
}

void TestBaseController::finishedThreadInAutonomousModeShowsTheMenu()
{
    testsupport::writeConfig({{QStringLiteral("tipo_operacao"), 1}});
    TestController c;
    QVERIFY(c.isAutOnly());
    QSignalSpy tipo(&c, &Base_Controller::sendTypeOperation);
    QSignalSpy texto(&c, &Base_Controller::textChanged);
    c.onFinishThread();
    QCOMPARE(tipo.count(), 1);
    QCOMPARE(tipo.at(0).at(0).toInt(), 1);
    QCOMPARE(textos(texto), QStringList{QStringLiteral("Selecione uma operação: ")});
}

void TestBaseController::checkboxAnswerIsKeptWithTheNsu()
{
    TestController c;
    QVERIFY(!c.termoAceitoAtual());
    c.recebeNSU(QStringLiteral("123456"));
    QCOMPARE(c.nsuPendenteAtual(), QStringLiteral("123456"));
    c.handleSignalCheckbox(true);
    QVERIFY(c.termoAceitoAtual());
    c.handleSignalCheckbox(false);
    QVERIFY(!c.termoAceitoAtual());
}

void TestBaseController::printerListStartsWithTheMakersPrinters()
{
    TestController c;
    const QJsonArray lista = QJsonDocument::fromJson(c.getListPrinters().toUtf8()).array();
    QVERIFY(!lista.isEmpty());
    QCOMPARE(lista.at(0).toObject(),
             (QJsonObject{{QStringLiteral("text"), QStringLiteral("Impressoras Varda/Korvanta")}}));
    for (const auto &v : lista)
        QVERIFY(v.toObject().value(QStringLiteral("text")).isString());
}

void TestBaseController::systemConfigsRoundTrip()
{
    TestController c;
    QJsonObject conf = QJsonDocument::fromJson(c.getSystemConfigs().toUtf8()).object();
    QVERIFY(conf.value(QStringLiteral("customizacao")).isObject());
    QVERIFY(conf.contains(QStringLiteral("path_in")));
    conf.insert(QStringLiteral("file_req"), QStringLiteral("PEDIDO.001"));
    QVERIFY(c.setSystemConfigs(QString::fromUtf8(QJsonDocument(conf).toJson(QJsonDocument::Compact))));
    QCOMPARE(QJsonDocument::fromJson(testsupport::readAll(testsupport::configPath())).object(), conf);
}

void TestBaseController::systemConfigsRefusesTextThatIsNotAnObject_data()
{
    QTest::addColumn<QString>("texto");
    QTest::newRow("empty") << QString();
    QTest::newRow("truncated") << QStringLiteral("{\"path_in\": ");
    QTest::newRow("array") << QStringLiteral("[1, 2]");
}

void TestBaseController::systemConfigsRefusesTextThatIsNotAnObject()
{
    QFETCH(QString, texto);
    TestController c;
    const QByteArray antes = testsupport::readAll(testsupport::configPath());
    QVERIFY(!antes.isEmpty());
    QVERIFY(!c.setSystemConfigs(texto));
    QCOMPARE(testsupport::readAll(testsupport::configPath()), antes);
}

void TestBaseController::systemConfigsReportsAFileThatCannotBeWritten()
{
    TestController c;
    const QString conf = c.getSystemConfigs();
    QFile::remove(testsupport::configPath());
    QVERIFY(QDir().mkdir(testsupport::configPath())); // a folder in the file's place
    const bool gravou = c.setSystemConfigs(conf);
    QDir().rmdir(testsupport::configPath());
    QVERIFY(!gravou);
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
    QCOMPARE(destaque.at(0).at(0).toString(), QStringLiteral("#123456"));
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

void TestBaseController::existeArquivoChecksForAFile()
{
    TestController c;
    QVERIFY(c.existeArquivo(testsupport::configPath()));
    QVERIFY(!c.existeArquivo(testsupport::configPath() + QStringLiteral(".nao")));
    QVERIFY(!c.existeArquivo(QString()));
    QVERIFY(!c.existeArquivo(QDir::tempPath())); // a folder is not an image
}

QTEST_MAIN(TestBaseController)
#include "tst_base_controller.moc"
