#include "JanelaQml.h"
#include "TestController.h"
#include "TestSupport.h"
#include "app/GlobalFlags.h"
#include "ui/Seletores.h"

#include <QAbstractItemModel>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QQmlProperty>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

bool visivel(QQuickItem *item)
{
    return item && item->isVisible();
}

// QTest has no keyClicks for a QWindow.
void digita(QWindow *janela, const QString &texto)
{
    for (const QChar c : texto)
        QTest::keyClick(janela, c.toLatin1());
}

QString texto(QObject *o)
{
    return o ? o->property("text").toString() : QStringLiteral("<ausente>");
}

QColor cor(QObject *o)
{
    return o->property("color").value<QColor>();
}

void clique(QObject *popup, const char *nome)
{
    QObject *botao = popup->findChild<QObject *>(QString::fromUtf8(nome));
    QVERIFY2(botao, nome);
    QVERIFY(QMetaObject::invokeMethod(botao, "clicked"));
}

} // namespace

class TestOperatorWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void signalsChangeTheWindow_data();
    void signalsChangeTheWindow();
    void autonomousMenuFillsTheListAndCancelRebuildsIt();
    void bannerHidesAfterItsTime();
    void maskIsSetAndCleared();
    void pixImageShowsTheBase64Png();
    void closeOnlyHidesTheWindow_data();
    void closeOnlyHidesTheWindow();
    void fieldButtonsAndKeysCallTheController_data();
    void fieldButtonsAndKeysCallTheController();
    void listAnswersWithTheIndex_data();
    void listAnswersWithTheIndex();
    void moneyFieldFormatsWhatIsTyped();
    void noticeNeedsTheCheckboxToConfirm_data();
    void noticeNeedsTheCheckboxToConfirm();
    void configPopupSavesExactlyTheEditedObject_data();
    void configPopupSavesExactlyTheEditedObject();
    void configPopupReportsAFailedSave();
    void configPopupRefusesBadValues_data();
    void configPopupRefusesBadValues();

private:
    QObject *abreConfig();

    std::unique_ptr<TestController> m_controller;
    std::unique_ptr<JanelaQml> m_janela;
    QString m_cor; // what the colour picker returns; empty: cancelled
    // What the window asked of the controller, in order ("ok 4321 1", "voltar", "process PIX", ...).
    QStringList m_chamadas;
};

void TestOperatorWindow::init()
{
    testsupport::writeConfig({});
    tefEmProcessamento = false;
    atualizacaoSolicitada = false;
    seletores::substituir([this](seletores::Tipo tipo) {
        switch (tipo) {
        case seletores::Tipo::Cor:
            return m_cor;
        case seletores::Tipo::Pasta:
            return QStringLiteral("/tmp/escolhida");
        case seletores::Tipo::Arquivo:
            return QStringLiteral("/tmp/logo.png");
        }
        return QString();
    });
    m_chamadas.clear();
    m_cor.clear();
    m_controller = std::make_unique<TestController>();
    TestController *c = m_controller.get();
    connect(c, &TestController::okClicado, this,
            [this](const QString &v, int estado) { m_chamadas << QStringLiteral("ok %1 %2").arg(v).arg(estado); });
    connect(c, &TestController::voltarClicado, this, [this] { m_chamadas << QStringLiteral("voltar"); });
    connect(c, &TestController::cancelarClicado, this, [this] { m_chamadas << QStringLiteral("cancelar"); });
    connect(c, &Base_Controller::process, this, [this](const QString &op) { m_chamadas << "process " + op; });
    m_janela = std::make_unique<JanelaQml>(c);
    QVERIFY(m_janela->carregada());
    // Quick banners: the test checks that they hide, not how long they stay.
    m_janela->objeto(QStringLiteral("time"))->setProperty("interval", 20);
}

void TestOperatorWindow::cleanup()
{
    m_janela.reset();
    m_controller.reset();
    seletores::substituir({});
    tefEmProcessamento = false;
    atualizacaoSolicitada = false;
}

QObject *TestOperatorWindow::abreConfig()
{
    m_controller->slotShowConfigs();
    QObject *config = nullptr;
    const auto aberto = [&] {
        return (config = m_janela->popup(QStringLiteral("config"))) != nullptr;
    };
    return QTest::qWaitFor(aberto, 5000) ? config : nullptr;
}

void TestOperatorWindow::signalsChangeTheWindow_data()
{
    QTest::addColumn<QByteArray>("sinal");
    QTest::addColumn<QVariant>("argumento");
    QTest::addColumn<QString>("elemento"); // empty: the window itself
    QTest::addColumn<QByteArray>("propriedade");
    QTest::addColumn<QVariant>("esperado"); // invalid: unchanged; a bool flips with the argument
    auto linha = [](const char *nome, const char *sinal, const QVariant &arg, const char *elemento,
                    const char *propriedade, const QVariant &esperado) {
        QTest::newRow(nome) << QByteArray(sinal) << arg << QString::fromUtf8(elemento) << QByteArray(propriedade)
                            << esperado;
    };
    const QString msg = QStringLiteral("INSIRA OU PASSE O CARTÃO\nlinha 2");
    linha("main message", "textChanged", msg, "element1", "text", msg);
    linha("header line", "firstTextChanged", msg, "element", "text", msg);
    linha("input field", "textfiledChanged", msg, "textField", "text", msg);
    linha("operator's text reaches the main message", "slotTextChangedAutonomo", msg, "element1", "text", msg);
    linha("OK is hidden by true", "disableButtonOK", true, "button", "visible", false);
    linha("VOLTAR is hidden by true", "disableButtonVoltar", true, "button1", "visible", false);
    linha("CANCELAR is hidden by true", "disableButtonCancelar", true, "button2", "visible", false);
    linha("input field is hidden by true", "disableTextField", true, "textField", "visible", false);
    linha("option list frame is hidden by true", "disableListView", true, "rec", "visible", false);
    linha("busy indicator is hidden by true", "disableProgressBar", true, "progressBar", "visible", false);
    linha("pix image is hidden by true", "disableImage", true, "imagePix", "visible", false);
    linha("autonomous OK is hidden by true", "disableButtonAutonomoOk", true, "bt_autonomo_ok", "visible", false);
    linha("autonomous CANCELAR is hidden by true", "disableButtonAutonomoCancelar", true, "bt_autonomo_cancelar",
          "visible", false);
    linha("updater SIM is shown by true", "disableButtonUpdaterSim", true, "btn_updater_sim", "visible", true);
    linha("updater NAO is shown by true", "disableButtonUpdaterNao", true, "btn_updater_nao", "visible", true);
    linha("invalid highlight colour is ignored", "firstColorChanged", "#12", "rectangle", "color", QVariant());
    linha("highlight colour", "firstColorChanged", "#123456", "rectangle", "color", QColor("#123456"));
    linha("background colour", "backgroundColorChanged", "#eeeeee", "rectangle1", "color", QColor("#eeeeee"));
    linha("font colour, short form", "fontColorChanged", "#333", "element1", "color", QColor("#333333"));
    linha("second font colour", "secondFontColorChanged", "#fafafa", "element", "color", QColor("#fafafa"));
    linha("password mode", "setTextFieldPasswordMode", true, "textField", "echoMode", 2); // TextInput.Password
    linha("window shown and hidden", "showWindow", true, "", "visible", true);
    linha("error banner is red", "showMessageError", msg, "rectangle2", "color", QColor("#d93147"));
    linha("success banner is green", "showMessage", msg, "rectangle2", "color", QColor("#008000"));
    linha("banner text", "showMessage", msg, "element2", "text", msg);
    // The logo changes only to an existing file named by an absolute path.
    QImage logo(20, 10, QImage::Format_ARGB32);
    logo.fill(Qt::red);
    const QString existente = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("logo_teste.png");
    QVERIFY(logo.save(existente));
    linha("logo from an existing absolute file", "pathImageChanged", existente, "image", "source",
          QUrl::fromLocalFile(existente));
    linha("logo kept for a missing file", "pathImageChanged", existente + ".nao", "image", "source", QVariant());
    linha("logo kept for the bare default name", "pathImageChanged", "Logo Varda Pay - Azul.png", "image", "source",
          QVariant());
    linha("logo kept for an empty path", "pathImageChanged", "", "image", "source", QVariant());
    linha("logo kept for a folder", "pathImageChanged", QDir::tempPath(), "image", "source", QVariant());
    linha("window width", "widthChanged", 700, "", "width", 700);
    linha("window height", "heightChanged", 500, "", "height", 500);
}

void TestOperatorWindow::signalsChangeTheWindow()
{
    QFETCH(QByteArray, sinal);
    QFETCH(QVariant, argumento);
    QFETCH(QString, elemento);
    QFETCH(QByteArray, propriedade);
    QFETCH(QVariant, esperado);
    QObject *alvo = elemento.isEmpty() ? m_janela->janela() : m_janela->objeto(elemento);
    QVERIFY(alvo);
    auto emite = [&](const QVariant &arg) {
        QObject *c = m_controller.get();
        if (arg.userType() == QMetaType::Bool)
            return QMetaObject::invokeMethod(c, sinal.constData(), Q_ARG(bool, arg.toBool()));
        if (arg.userType() == QMetaType::Int)
            return QMetaObject::invokeMethod(c, sinal.constData(), Q_ARG(int, arg.toInt()));
        return QMetaObject::invokeMethod(c, sinal.constData(), Q_ARG(QString, arg.toString()));
    };
    auto lido = [&] {
        const QVariant v = alvo->property(propriedade.constData());
        return esperado.userType() == QMetaType::Int ? QVariant(v.toInt()) : v;
    };
    const QVariant antes = lido();
    QVERIFY(emite(argumento));
    QCOMPARE(lido(), esperado.isValid() ? esperado : antes);
    if (argumento.userType() == QMetaType::Bool) {
        QVERIFY(emite(!argumento.toBool()));
        QCOMPARE(lido(), esperado.type() == QVariant::Bool ? QVariant(!esperado.toBool()) : antes);
    }
}

void TestOperatorWindow::autonomousMenuFillsTheListAndCancelRebuildsIt()
{
    m_controller->initComponentAutonomo();
    QVERIFY(QTest::qWaitForWindowExposed(m_janela->janela()));
    emit m_controller->textChanged(QStringLiteral("outra tela"));
    QVERIFY(m_janela->clica(QStringLiteral("bt_autonomo_cancelar")));
    QVERIFY(visivel(m_janela->item(QStringLiteral("rec"))));
    QVERIFY(visivel(m_janela->item(QStringLiteral("bt_autonomo_ok"))));
    QVERIFY(!visivel(m_janela->item(QStringLiteral("button"))));
    auto *modelo = qobject_cast<QAbstractItemModel *>(m_janela->objeto(QStringLiteral("listmodel")));
    QVERIFY(modelo);
    const int papel = modelo->roleNames().key("name");
    QStringList nomes;
    for (int i = 0; i < modelo->rowCount(); ++i)
        nomes << modelo->data(modelo->index(i, 0), papel).toString();
    QCOMPARE(nomes, (QStringList{QStringLiteral("Venda Cartao"), QStringLiteral("PIX"),
                                 QStringLiteral("Operação Administrativa")}));
    QCOMPARE(texto(m_janela->item(QStringLiteral("element1"))), QStringLiteral("Selecione uma operação: "));
}

void TestOperatorWindow::bannerHidesAfterItsTime()
{
    QQuickItem *banner = m_janela->item(QStringLiteral("rectangle2"));
    QVERIFY(!banner->isVisible());
    m_janela->objeto(QStringLiteral("time"))->setProperty("interval", 300);
    emit m_controller->showMessageError(QStringLiteral("Mensagem do banner"));
    QVERIFY(banner->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!banner->isVisible(), 5000);
}

void TestOperatorWindow::maskIsSetAndCleared()
{
    QObject *campo = m_janela->objeto(QStringLiteral("textField"));
    emit m_controller->setTextFieldInputMask(QStringLiteral("99/99"));
    QVERIFY(campo->property("inputMask").toString().startsWith(QStringLiteral("99/99")));
    emit m_controller->clearTextFieldInputMask();
    QVERIFY(campo->property("inputMask").toString().isEmpty());
}

void TestOperatorWindow::pixImageShowsTheBase64Png()
{
    QImage qr(40, 40, QImage::Format_RGB32);
    qr.fill(Qt::black);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(qr.save(&buffer, "PNG"));
    QQuickItem *imagem = m_janela->item(QStringLiteral("imagePix"));
    emit m_controller->textImageDataChanged(QString::fromLatin1(png.toBase64()));
    emit m_controller->disableImage(false);
    QVERIFY(imagem->isVisible());
    QTRY_COMPARE(imagem->property("status").toInt(), 1); // Image.Ready
    QCOMPARE(imagem->property("sourceSize").toSize(), QSize(40, 40));
}

void TestOperatorWindow::closeOnlyHidesTheWindow_data()
{
    QTest::addColumn<bool>("emTransacao");
    QTest::newRow("idle: hidden, not destroyed") << false;
    QTest::newRow("refused during a transaction") << true;
}

void TestOperatorWindow::closeOnlyHidesTheWindow()
{
    QFETCH(bool, emTransacao);
    QQuickWindow *w = m_janela->janela();
    QSignalSpy destruido(w, &QObject::destroyed);
    if (emTransacao)
        QVERIFY(m_controller->paraNoPortao());
    w->close();
    QCOMPARE(w->isVisible(), emTransacao);
    QCOMPARE(destruido.count(), 0);
    QCOMPARE(visivel(m_janela->item(QStringLiteral("rectangle2"))), emTransacao);
    if (emTransacao) {
        QCOMPARE(texto(m_janela->item(QStringLiteral("element2"))), QStringLiteral("Transação em processamento"));
        m_controller->onClickButtonCancelar();
        QVERIFY(esperaTerminar(*m_controller, 5000));
    } else {
        emit m_controller->showWindow(true); // the tray's "Abrir" brings it back
        QVERIFY(w->isVisible());
    }
}

void TestOperatorWindow::fieldButtonsAndKeysCallTheController_data()
{
    QTest::addColumn<QString>("botao"); // clicked; empty: the key is pressed instead
    QTest::addColumn<int>("tecla");
    QTest::addColumn<QStringList>("chamadas");
    QTest::newRow("OK sends the typed text with estado 1") << "button" << 0 << QStringList{"ok 4321 1"};
    QTest::newRow("keypad Enter confirms") << "" << int(Qt::Key_Enter) << QStringList{"ok 4321 1"};
    QTest::newRow("Return does not confirm") << "" << int(Qt::Key_Return) << QStringList();
    QTest::newRow("Escape cancels") << "" << int(Qt::Key_Escape) << QStringList{"cancelar"};
    QTest::newRow("VOLTAR") << "button1" << 0 << QStringList{"voltar"};
    QTest::newRow("CANCELAR") << "button2" << 0 << QStringList{"cancelar"};
}

void TestOperatorWindow::fieldButtonsAndKeysCallTheController()
{
    QFETCH(QString, botao);
    QFETCH(int, tecla);
    QFETCH(QStringList, chamadas);
    emit m_controller->disableTextField(false);
    emit m_controller->disableButtonOK(false);
    emit m_controller->disableButtonVoltar(false);
    emit m_controller->disableButtonCancelar(false);
    QVERIFY(QTest::qWaitForWindowExposed(m_janela->janela())); // also lays out what the signals changed
    digita(m_janela->janela(), QStringLiteral("4321"));
    QCOMPARE(texto(m_janela->item(QStringLiteral("textField"))), QStringLiteral("4321"));
    if (botao.isEmpty())
        QTest::keyClick(m_janela->janela(), Qt::Key(tecla),
                        tecla == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    else
        QVERIFY(m_janela->clica(botao));
    QCOMPARE(m_chamadas, chamadas);
}

void TestOperatorWindow::listAnswersWithTheIndex_data()
{
    QTest::addColumn<bool>("autonomo");
    QTest::addColumn<bool>("mouse");
    QTest::addColumn<QStringList>("chamadas");
    QTest::newRow("entry clicked, then OK, sends the index with estado 2") << false << true << QStringList{"ok 1 2"};
    QTest::newRow("arrows and keypad Enter send the index") << false << false << QStringList{"ok 1 2"};
    QTest::newRow("autonomous menu by keys starts the operation") << true << false << QStringList{"process PIX"};
    QTest::newRow("autonomous entry clicked, then its OK, starts the operation")
        << true << true << QStringList{"process PIX"};
}

void TestOperatorWindow::listAnswersWithTheIndex()
{
    QFETCH(bool, autonomo);
    QFETCH(bool, mouse);
    QFETCH(QStringList, chamadas);
    if (autonomo) {
        m_controller->initComponentAutonomo();
    } else {
        emit m_controller->clearItemsList();
        for (const char *item : {"CREDITO", "DEBITO", "VOUCHER"})
            emit m_controller->addItemList(QString::fromUtf8(item));
        emit m_controller->sendTypeOperation(0);
        emit m_controller->disableTextField(true);
        emit m_controller->disableListView(false);
        emit m_controller->disableButtonOK(false);
    }
    QWindow *w = m_janela->janela();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    if (mouse) {
        // The second entry (30 px each).
        const QPointF ponto = m_janela->item(QStringLiteral("rec"))->mapToScene(QPointF(40, 30 + 15));
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, ponto.toPoint());
        QCOMPARE(QQmlProperty::read(m_janela->objeto(QStringLiteral("list")), QStringLiteral("currentIndex")).toInt(),
                 1);
        QVERIFY(m_janela->clica(autonomo ? QStringLiteral("bt_autonomo_ok") : QStringLiteral("button")));
    } else {
        for (const Qt::Key k : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down /* stays on the last */, Qt::Key_Up})
            QTest::keyClick(w, k);
        QTest::keyClick(w, Qt::Key_Return);
        QCOMPARE(m_chamadas, QStringList());
        QTest::keyClick(w, Qt::Key_Enter, Qt::KeypadModifier);
    }
    QCOMPARE(m_chamadas, chamadas);
}

void TestOperatorWindow::moneyFieldFormatsWhatIsTyped()
{
    QQuickItem *campo = m_janela->item(QStringLiteral("textField"));
    emit m_controller->disableTextField(false);
    emit m_controller->formatValue(true);
    QVERIFY(QTest::qWaitForWindowExposed(m_janela->janela()));
    digita(m_janela->janela(), QStringLiteral("123456"));
    QCOMPARE(texto(campo), m_controller->formataValor(QStringLiteral("123456")));
    QTest::keyClick(m_janela->janela(), Qt::Key_Backspace);
    QCOMPARE(texto(campo), m_controller->formataValor(QStringLiteral("12345")));
    emit m_controller->formatValue(false);
    emit m_controller->textfiledChanged(QString());
    digita(m_janela->janela(), QStringLiteral("12"));
    QCOMPARE(texto(campo), QStringLiteral("12"));
}

void TestOperatorWindow::noticeNeedsTheCheckboxToConfirm_data()
{
    QTest::addColumn<QString>("acao");
    QTest::addColumn<bool>("aceito");
    QTest::newRow("Confirmar without the check box is refused") << "confirmar" << false;
    QTest::newRow("Confirmar with the check box accepts") << "marcar" << true;
    QTest::newRow("Escape closes without an answer") << "escape" << false;
    QTest::newRow("a press outside closes without an answer") << "fora" << false;
}

void TestOperatorWindow::noticeNeedsTheCheckboxToConfirm()
{
    QFETCH(QString, acao);
    QFETCH(bool, aceito);
    QSignalSpy aviso(m_controller.get(), &Base_Controller::qmlAvisoSignal);
    connect(m_controller.get(), &Base_Controller::qmlAvisoSignal, m_controller.get(),
            &Base_Controller::handleSignalCheckbox);
    m_controller->slotShowAviso();
    QObject *popup = nullptr;
    QTRY_VERIFY((popup = m_janela->popup(QStringLiteral("aviso"))));
    QVERIFY(QTest::qWaitForWindowExposed(m_janela->janela()));
    if (acao == QLatin1String("marcar")) {
        QVERIFY(m_janela->clica(popup->findChild<QQuickItem *>(QStringLiteral("cb_aviso"))));
        QVERIFY(popup->findChild<QObject *>(QStringLiteral("cb_aviso"))->property("checked").toBool());
    }
    if (acao == QLatin1String("escape"))
        QTest::keyClick(m_janela->janela(), Qt::Key_Escape);
    else if (acao == QLatin1String("fora"))
        QTest::mouseClick(m_janela->janela(), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    else
        QVERIFY(m_janela->clica(popup->findChild<QQuickItem *>(QStringLiteral("botaoConfirmar"))));

    QCOMPARE(aviso.count(), aceito ? 1 : 0);
    QCOMPARE(m_controller->termoAceitoAtual(), aceito);
    if (acao == QLatin1String("confirmar")) {
        QVERIFY(popup->property("opened").toBool());
        QQuickItem *banner = popup->findChild<QQuickItem *>(QStringLiteral("popup"));
        QVERIFY(visivel(banner));
        QCOMPARE(texto(banner->findChild<QQuickItem *>(QStringLiteral("element2"))),
                 QStringLiteral("Por favor, selecione a caixa seleção"));
    } else {
        QTRY_VERIFY(!m_janela->popup(QStringLiteral("aviso")));
    }
}

void TestOperatorWindow::configPopupSavesExactlyTheEditedObject_data()
{
    QTest::addColumn<QString>("corEscolhida");
    QTest::newRow("pickers fill their fields") << "#abcdef";
    QTest::newRow("a cancelled colour picker keeps the colour") << "";
}

void TestOperatorWindow::configPopupSavesExactlyTheEditedObject()
{
    QFETCH(QString, corEscolhida);
    m_cor = corEscolhida;
    const QJsonObject original = ConfigTef().configuracao();
    QObject *config = abreConfig();
    QVERIFY(config);
    auto campo = [config](const char *nome) {
        return config->findChild<QObject *>(QString::fromUtf8(nome));
    };
    QCOMPARE(campo("txt_nome_arquivo_req")->property("text").toString(), original.value("file_req").toString());
    QVERIFY(campo("cb_conf_impressao")->property("count").toInt() >= 1);

    campo("cb_tp_operacao")->setProperty("currentIndex", 1);
    campo("cb_log")->setProperty("checked", false);
    campo("cb_display")->setProperty("checked", true);
    campo("txt_nome_arquivo_req")->setProperty("text", QStringLiteral("PEDIDO.001"));
    campo("cb_tp_comprovante")->setProperty("currentIndex", 2);
    campo("cb_atualizacao_bloq")->setProperty("checked", true);
    campo("txt_altura_janela")->setProperty("text", QStringLiteral("700"));
    campo("cb_pdf_hab")->setProperty("checked", true);
    clique(config, "button1");          // request folder picker
    clique(config, "btn_cor_destaque"); // colour picker
    clique(config, "btn_logo");
    clique(config, "button"); // Salvar

    QJsonObject esperado = original;
    esperado.insert("tipo_operacao", 1);
    esperado.insert("log", 0);
    esperado.insert("vitra", 1);
    esperado.insert("file_req", QStringLiteral("PEDIDO.001"));
    esperado.insert("tag_comprovante", 2);
    esperado.insert("bloquear_atualizacao", true);
    esperado.insert("gerar_pdf", true);
    esperado.insert("path_in", QStringLiteral("/tmp/escolhida"));
    QJsonObject custom = esperado.value("customizacao").toObject();
    custom.insert("altura_janela", 700);
    if (!corEscolhida.isEmpty())
        custom.insert("cor_destaque", corEscolhida);
    custom.insert("caminho_logo", QStringLiteral("/tmp/logo.png"));
    esperado.insert("customizacao", custom);
    QCOMPARE(campo("text2")->property("text").toString(), custom.value("cor_destaque").toString());

    QCOMPARE(QJsonDocument::fromJson(testsupport::readAll(testsupport::configPath())).object(), esperado);
    QCOMPARE(texto(m_janela->item(QStringLiteral("element2"))),
             QStringLiteral("Salvo com sucesso. O sistema será reiniciado"));
    QCOMPARE(cor(m_janela->item(QStringLiteral("rectangle2"))), QColor(QStringLiteral("#008000")));
    QTRY_COMPARE(m_janela->restart().reinicios, 1);
}

void TestOperatorWindow::configPopupReportsAFailedSave()
{
    QObject *config = abreConfig();
    QVERIFY(config);
    QFile::remove(testsupport::configPath());
    QVERIFY(QDir().mkdir(testsupport::configPath())); // the file can no longer be written
    clique(config, "button");
    QDir().rmdir(testsupport::configPath());
    QCOMPARE(texto(m_janela->item(QStringLiteral("element2"))), QStringLiteral("Erro ao gravar dados"));
    QVERIFY(config->property("opened").toBool());
    QTest::qWait(0);
    QCOMPARE(m_janela->restart().reinicios, 0);
    QVERIFY(!config->findChild<QObject *>(QStringLiteral("time_restart"))->property("running").toBool());
}

void TestOperatorWindow::configPopupRefusesBadValues_data()
{
    QTest::addColumn<QString>("campo");
    QTest::addColumn<QString>("digitado");
    QTest::addColumn<bool>("aceito");
    QTest::newRow("inside the range") << "txt_altura_janela"
                                      << "640" << true;
    QTest::newRow("zero") << "txt_altura_janela"
                          << "0" << false;
    QTest::newRow("above a thousand") << "txt_altura_janela"
                                      << "1001" << false;
    QTest::newRow("letters") << "txt_altura_janela"
                             << "abc" << false;
    QTest::newRow("response folder that is the request folder") << "txt_caminho_resp"
                                                                << "" << false;
}

void TestOperatorWindow::configPopupRefusesBadValues()
{
    QFETCH(QString, campo);
    QFETCH(QString, digitado);
    QFETCH(bool, aceito);
    const QByteArray antes = testsupport::readAll(testsupport::configPath());
    QObject *config = abreConfig();
    QVERIFY(config);
    // An empty text here stands for "the request folder, spelled another way".
    const QString valor = digitado.isEmpty() ? ConfigTef().pathIn() + QStringLiteral("/.") : digitado;
    config->findChild<QObject *>(campo)->setProperty("text", valor);
    clique(config, "button");
    QCOMPARE(testsupport::readAll(testsupport::configPath()) != antes, aceito);
    if (campo == QLatin1String("txt_caminho_resp"))
        QCOMPARE(texto(m_janela->item(QStringLiteral("element2"))),
                 QStringLiteral("As pastas de requisição e de resposta devem ser diferentes"));
}

QTEST_MAIN(TestOperatorWindow)
#include "tst_operator_window.moc"
