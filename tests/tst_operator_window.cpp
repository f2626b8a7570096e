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

} // namespace

class TestOperatorWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadsTheWindowAsTheStartUpDoes();
    void textSignalsSetTheTexts_data();
    void textSignalsSetTheTexts();
    void disableSignalsHideAndShow_data();
    void disableSignalsHideAndShow();
    void listSignalsFillTheList();
    void bannerShowsAndHides_data();
    void bannerShowsAndHides();
    void maskAndPasswordMode();
    void colourSignalsApplyOnlyValidColours();
    void pixImageShowsTheBase64Png();
    void logoIsReplacedOnlyByAnExistingAbsoluteFile_data();
    void logoIsReplacedOnlyByAnExistingAbsoluteFile();
    void showWindowShowsAndHides();
    void okSendsTheTypedText();
    void okSendsTheChosenListIndex();
    void enterConfirmsButReturnDoesNot();
    void escapeCancels();
    void listKeysMoveAndConfirm_data();
    void listKeysMoveAndConfirm();
    void buttonsCallTheController();
    void autonomousButtonsCallTheMenu();
    void moneyFieldFormatsWhatIsTyped();
    void closeIsRefusedDuringATransaction();
    void closeHidesTheWindowOtherwise();
    void noticeRefusesConfirmWithoutTheCheckbox();
    void noticeConfirmsWithTheCheckbox();
    void noticeClosedWithoutConfirmSendsNothing_data();
    void noticeClosedWithoutConfirmSendsNothing();
    void configPopupSavesExactlyTheEditedObject();
    void configPopupReportsAFailedSave();
    void configPopupKeepsAFieldWhenThePickerIsCancelled();
    void configPopupSizeFieldRejectsTypedOutOfRange();
    void configPopupRefusesSizesOutOfRange_data();
    void configPopupRefusesSizesOutOfRange();

private:
    std::unique_ptr<TestController> m_controller;
    std::unique_ptr<JanelaQml> m_janela;
    QString m_cor = QStringLiteral("#abcdef");
};

void TestOperatorWindow::init()
{
    QFile::remove(testsupport::configPath());
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
    m_controller = std::make_unique<TestController>();
    m_janela = std::make_unique<JanelaQml>(m_controller.get());
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

void TestOperatorWindow::loadsTheWindowAsTheStartUpDoes()
{
    QQuickWindow *w = m_janela->janela();
    QCOMPARE(w->title(), QStringLiteral("Varda Pay - Vantor"));
    QCOMPARE(w->width(), 850);
    QCOMPARE(w->height(), 590);
    QCOMPARE(texto(m_janela->item(QStringLiteral("element"))), QStringLiteral("TEF em operação"));
    QCOMPARE(QQmlProperty::read(m_janela->objeto(QStringLiteral("list")), QStringLiteral("count")).toInt(), 2);
}

void TestOperatorWindow::textSignalsSetTheTexts_data()
{
    QTest::addColumn<QByteArray>("sinal");
    QTest::addColumn<QString>("elemento");
    QTest::newRow("main message") << QByteArray("textChanged") << "element1";
    QTest::newRow("header line") << QByteArray("firstTextChanged") << "element";
    QTest::newRow("input field") << QByteArray("textfiledChanged") << "textField";
    QTest::newRow("operator's text reaches the main message") << QByteArray("slotTextChangedAutonomo") << "element1";
}

void TestOperatorWindow::textSignalsSetTheTexts()
{
    QFETCH(QByteArray, sinal);
    QFETCH(QString, elemento);
    const QString valor = QStringLiteral("INSIRA OU PASSE O CARTÃO\nlinha 2");
    QVERIFY(QMetaObject::invokeMethod(m_controller.get(), sinal.constData(), Q_ARG(QString, valor)));
    QCOMPARE(texto(m_janela->item(elemento)), valor);
}

void TestOperatorWindow::disableSignalsHideAndShow_data()
{
    QTest::addColumn<QByteArray>("sinal");
    QTest::addColumn<QString>("elemento");
    QTest::addColumn<bool>("trueShows");
    QTest::newRow("OK") << QByteArray("disableButtonOK") << "button" << false;
    QTest::newRow("VOLTAR") << QByteArray("disableButtonVoltar") << "button1" << false;
    QTest::newRow("CANCELAR") << QByteArray("disableButtonCancelar") << "button2" << false;
    QTest::newRow("input field") << QByteArray("disableTextField") << "textField" << false;
    QTest::newRow("option list frame") << QByteArray("disableListView") << "rec" << false;
    QTest::newRow("busy indicator") << QByteArray("disableProgressBar") << "progressBar" << false;
    QTest::newRow("pix image") << QByteArray("disableImage") << "imagePix" << false;
    QTest::newRow("autonomous OK") << QByteArray("disableButtonAutonomoOk") << "bt_autonomo_ok" << false;
    QTest::newRow("autonomous CANCELAR") << QByteArray("disableButtonAutonomoCancelar") << "bt_autonomo_cancelar"
                                         << false;
    QTest::newRow("updater SIM is shown by true") << QByteArray("disableButtonUpdaterSim") << "btn_updater_sim" << true;
    QTest::newRow("updater NAO is shown by true") << QByteArray("disableButtonUpdaterNao") << "btn_updater_nao" << true;
}

void TestOperatorWindow::disableSignalsHideAndShow()
{
    QFETCH(QByteArray, sinal);
    QFETCH(QString, elemento);
    QFETCH(bool, trueShows);
    QQuickItem *item = m_janela->item(elemento);
    QVERIFY(item);
    QVERIFY(QMetaObject::invokeMethod(m_controller.get(), sinal.constData(), Q_ARG(bool, true)));
    QCOMPARE(visivel(item), trueShows);
    QVERIFY(QMetaObject::invokeMethod(m_controller.get(), sinal.constData(), Q_ARG(bool, false)));
    QCOMPARE(visivel(item), !trueShows);
}

void TestOperatorWindow::listSignalsFillTheList()
{
    QObject *lista = m_janela->objeto(QStringLiteral("list"));
    emit m_controller->clearItemsList();
    QCOMPARE(QQmlProperty::read(lista, QStringLiteral("count")).toInt(), 0);
    m_controller->initComponentAutonomo();
    QVERIFY(visivel(m_janela->item(QStringLiteral("rec"))));
    QVERIFY(visivel(m_janela->item(QStringLiteral("bt_autonomo_ok"))));
    QVERIFY(!visivel(m_janela->item(QStringLiteral("button"))));
    QCOMPARE(QQmlProperty::read(lista, QStringLiteral("count")).toInt(), 3);
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

void TestOperatorWindow::bannerShowsAndHides_data()
{
    QTest::addColumn<bool>("erro");
    QTest::addColumn<QString>("cor");
    QTest::newRow("error is red") << true << "#d93147";
    QTest::newRow("success is green") << false << "#008000";
}

void TestOperatorWindow::bannerShowsAndHides()
{
    QFETCH(bool, erro);
    QFETCH(QString, cor);
    QQuickItem *banner = m_janela->item(QStringLiteral("rectangle2"));
    QVERIFY(banner);
    QVERIFY(!banner->isVisible());
    m_janela->objeto(QStringLiteral("time"))->setProperty("interval", 300);
    const QString msg = QStringLiteral("Mensagem do banner");
    if (erro)
        emit m_controller->showMessageError(msg);
    else
        emit m_controller->showMessage(msg);
    QVERIFY(banner->isVisible());
    QCOMPARE(banner->property("color").value<QColor>(), QColor(cor));
    QCOMPARE(texto(m_janela->item(QStringLiteral("element2"))), msg);
    QTRY_VERIFY_WITH_TIMEOUT(!banner->isVisible(), 5000);
}

void TestOperatorWindow::maskAndPasswordMode()
{
    QObject *campo = m_janela->objeto(QStringLiteral("textField"));
    emit m_controller->setTextFieldInputMask(QStringLiteral("99/99"));
    QVERIFY(campo->property("inputMask").toString().startsWith(QStringLiteral("99/99")));
    emit m_controller->clearTextFieldInputMask();
    QVERIFY(campo->property("inputMask").toString().isEmpty());
    emit m_controller->setTextFieldPasswordMode(true);
    QCOMPARE(campo->property("echoMode").toInt(), 2); // TextInput.Password
    emit m_controller->setTextFieldPasswordMode(false);
    QCOMPARE(campo->property("echoMode").toInt(), 0); // TextInput.Normal
}

void TestOperatorWindow::colourSignalsApplyOnlyValidColours()
{
    QQuickItem *faixa = m_janela->item(QStringLiteral("rectangle"));
    const QColor antes = faixa->property("color").value<QColor>();
    emit m_controller->firstColorChanged(QStringLiteral("#12"));
    QCOMPARE(faixa->property("color").value<QColor>(), antes);
    emit m_controller->firstColorChanged(QStringLiteral("#123456"));
    QCOMPARE(faixa->property("color").value<QColor>(), QColor(QStringLiteral("#123456")));
    emit m_controller->backgroundColorChanged(QStringLiteral("#eeeeee"));
    QCOMPARE(m_janela->item(QStringLiteral("rectangle1"))->property("color").value<QColor>(),
             QColor(QStringLiteral("#eeeeee")));
    emit m_controller->fontColorChanged(QStringLiteral("#333"));
    QCOMPARE(m_janela->item(QStringLiteral("element1"))->property("color").value<QColor>(),
             QColor(QStringLiteral("#333333")));
    emit m_controller->secondFontColorChanged(QStringLiteral("#fafafa"));
    QCOMPARE(m_janela->item(QStringLiteral("element"))->property("color").value<QColor>(),
             QColor(QStringLiteral("#fafafa")));
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

void TestOperatorWindow::logoIsReplacedOnlyByAnExistingAbsoluteFile_data()
{
    QTest::addColumn<QString>("caminho");
    QTest::addColumn<bool>("troca");
    const QString existente = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("logo_teste.png");
    QTest::newRow("existing absolute file") << existente << true;
    QTest::newRow("missing file") << existente + QStringLiteral(".nao") << false;
    QTest::newRow("bare default name") << QStringLiteral("Logo Varda Pay - Azul.png") << false;
    QTest::newRow("empty") << QString() << false;
}

void TestOperatorWindow::logoIsReplacedOnlyByAnExistingAbsoluteFile()
{
    QFETCH(QString, caminho);
    QFETCH(bool, troca);
    QImage logo(20, 10, QImage::Format_ARGB32);
    logo.fill(Qt::red);
    QVERIFY(logo.save(QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("logo_teste.png")));
    QQuickItem *imagem = m_janela->item(QStringLiteral("image"));
    const QUrl antes = imagem->property("source").toUrl();
    emit m_controller->pathImageChanged(caminho);
    const QUrl depois = imagem->property("source").toUrl();
    if (troca) {
        QCOMPARE(depois, QUrl::fromLocalFile(caminho));
        QTRY_COMPARE(imagem->property("status").toInt(), 1);
    } else {
        QCOMPARE(depois, antes);
    }
}

void TestOperatorWindow::showWindowShowsAndHides()
{
    QQuickWindow *w = m_janela->janela();
    emit m_controller->showWindow(false);
    QVERIFY(!w->isVisible());
    emit m_controller->showWindow(true);
    QVERIFY(w->isVisible());
    emit m_controller->widthChanged(700);
    emit m_controller->heightChanged(500);
    QCOMPARE(w->width(), 700);
    QCOMPARE(w->height(), 500);
}

void TestOperatorWindow::okSendsTheTypedText()
{
    QSignalSpy ok(m_controller.get(), &TestController::okClicado);
    emit m_controller->disableTextField(false);
    emit m_controller->disableButtonOK(false);
    QVERIFY(QTest::qWaitForWindowExposed(m_janela->janela()));
    digita(m_janela->janela(), QStringLiteral("4321"));
    QCOMPARE(texto(m_janela->item(QStringLiteral("textField"))), QStringLiteral("4321"));
    QVERIFY(m_janela->clica(QStringLiteral("button")));
    QCOMPARE(ok.count(), 1);
    QCOMPARE(ok.at(0).at(0).toString(), QStringLiteral("4321"));
    QCOMPARE(ok.at(0).at(1).toInt(), 1);
}

void TestOperatorWindow::okSendsTheChosenListIndex()
{
    QSignalSpy ok(m_controller.get(), &TestController::okClicado);
    emit m_controller->clearItemsList();
    for (const char *item : {"CREDITO", "DEBITO", "VOUCHER"})
        emit m_controller->addItemList(QString::fromUtf8(item));
    emit m_controller->disableTextField(true);
    emit m_controller->disableListView(false);
    emit m_controller->disableButtonOK(false);
    QVERIFY(QTest::qWaitForWindowExposed(m_janela->janela()));
    // Click on the second entry, then OK.
    QQuickItem *rec = m_janela->item(QStringLiteral("rec"));
    const QPointF ponto = rec->mapToScene(QPointF(40, 30 + 15));
    QTest::mouseClick(m_janela->janela(), Qt::LeftButton, Qt::NoModifier, ponto.toPoint());
    QCOMPARE(QQmlProperty::read(m_janela->objeto(QStringLiteral("list")), QStringLiteral("currentIndex")).toInt(), 1);
    QVERIFY(m_janela->clica(QStringLiteral("button")));
    QCOMPARE(ok.count(), 1);
    QCOMPARE(ok.at(0).at(0).toString(), QStringLiteral("1"));
    QCOMPARE(ok.at(0).at(1).toInt(), 2);
}

void TestOperatorWindow::enterConfirmsButReturnDoesNot()
{
    QSignalSpy ok(m_controller.get(), &TestController::okClicado);
    emit m_controller->disableTextField(false);
    emit m_controller->textfiledChanged(QStringLiteral("77"));
    QVERIFY(QTest::qWaitForWindowExposed(m_janela->janela()));
    QTest::keyClick(m_janela->janela(), Qt::Key_Return);
    QCOMPARE(ok.count(), 0);
    QTest::keyClick(m_janela->janela(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(ok.count(), 1);
    QCOMPARE(ok.at(0).at(0).toString(), QStringLiteral("77"));
    QCOMPARE(ok.at(0).at(1).toInt(), 1);
}

void TestOperatorWindow::escapeCancels()
{
    QSignalSpy cancela(m_controller.get(), &TestController::cancelarClicado);
    emit m_controller->disableTextField(false);
    QVERIFY(QTest::qWaitForWindowExposed(m_janela->janela()));
    QTest::keyClick(m_janela->janela(), Qt::Key_Escape);
    QCOMPARE(cancela.count(), 1);
}

void TestOperatorWindow::listKeysMoveAndConfirm_data()
{
    QTest::addColumn<bool>("autonomo");
    QTest::newRow("transaction dialogue answers OK with the index") << false;
    QTest::newRow("autonomous menu starts the operation") << true;
}

void TestOperatorWindow::listKeysMoveAndConfirm()
{
    QFETCH(bool, autonomo);
    QSignalSpy ok(m_controller.get(), &TestController::okClicado);
    QSignalSpy processo(m_controller.get(), &Base_Controller::process);
    if (autonomo) {
        m_controller->initComponentAutonomo();
    } else {
        emit m_controller->clearItemsList();
        for (const char *item : {"A", "B", "C"})
            emit m_controller->addItemList(QString::fromUtf8(item));
        emit m_controller->sendTypeOperation(0);
        emit m_controller->disableTextField(true);
        emit m_controller->disableListView(false);
    }
    QVERIFY(QTest::qWaitForWindowExposed(m_janela->janela()));
    QTest::keyClick(m_janela->janela(), Qt::Key_Down);
    QTest::keyClick(m_janela->janela(), Qt::Key_Down);
    QTest::keyClick(m_janela->janela(), Qt::Key_Down); // stays on the last entry
    QTest::keyClick(m_janela->janela(), Qt::Key_Up);
    QTest::keyClick(m_janela->janela(), Qt::Key_Return);
    QCOMPARE(ok.count() + processo.count(), 0);
    QTest::keyClick(m_janela->janela(), Qt::Key_Enter, Qt::KeypadModifier);
    if (autonomo) {
        QCOMPARE(processo.count(), 1);
        QCOMPARE(processo.at(0).at(0).toString(), QStringLiteral("PIX"));
        QCOMPARE(ok.count(), 0);
    } else {
        QCOMPARE(ok.count(), 1);
        QCOMPARE(ok.at(0).at(0).toString(), QStringLiteral("1"));
        QCOMPARE(ok.at(0).at(1).toInt(), 2);
    }
}

void TestOperatorWindow::buttonsCallTheController()
{
    QSignalSpy voltar(m_controller.get(), &TestController::voltarClicado);
    QSignalSpy cancela(m_controller.get(), &TestController::cancelarClicado);
    emit m_controller->disableButtonVoltar(false);
    emit m_controller->disableButtonCancelar(false);
    QVERIFY(QTest::qWaitForWindowExposed(m_janela->janela()));
    QVERIFY(m_janela->clica(QStringLiteral("button1")));
    QVERIFY(m_janela->clica(QStringLiteral("button2")));
    QCOMPARE(voltar.count(), 1);
    QCOMPARE(cancela.count(), 1);
}

void TestOperatorWindow::autonomousButtonsCallTheMenu()
{
    QSignalSpy processo(m_controller.get(), &Base_Controller::process);
    QSignalSpy limpa(m_controller.get(), &Base_Controller::clearItemsList);
    m_controller->initComponentAutonomo();
    QVERIFY(QTest::qWaitForWindowExposed(m_janela->janela()));
    QVERIFY(m_janela->clica(QStringLiteral("bt_autonomo_ok")));
    QCOMPARE(processo.count(), 1);
    QCOMPARE(processo.at(0).at(0).toString(), QStringLiteral("Venda Cartão"));
    QVERIFY(m_janela->clica(QStringLiteral("bt_autonomo_cancelar")));
    QCOMPARE(limpa.count(), 2); // back to the menu, rebuilt
}

void TestOperatorWindow::moneyFieldFormatsWhatIsTyped()
{
    emit m_controller->disableTextField(false);
    emit m_controller->formatValue(true);
    QVERIFY(QTest::qWaitForWindowExposed(m_janela->janela()));
    digita(m_janela->janela(), QStringLiteral("123456"));
    QCOMPARE(texto(m_janela->item(QStringLiteral("textField"))), m_controller->formataValor(QStringLiteral("123456")));
    QTest::keyClick(m_janela->janela(), Qt::Key_Backspace);
    QCOMPARE(texto(m_janela->item(QStringLiteral("textField"))), m_controller->formataValor(QStringLiteral("12345")));
    emit m_controller->formatValue(false);
    emit m_controller->textfiledChanged(QString());
    digita(m_janela->janela(), QStringLiteral("12"));
    QCOMPARE(texto(m_janela->item(QStringLiteral("textField"))), QStringLiteral("12"));
}

void TestOperatorWindow::closeIsRefusedDuringATransaction()
{
    m_controller->roteiro = [](TestController &t) {
        t.bloquearFluxo();
        emit t.textChanged(QStringLiteral("Processando..."));
        t.aguardarFluxo();
    };
    // Counted in this thread: the spy would be written from the controller thread.
    int telas = 0;
    QObject contexto; // ends the connection with this function
    connect(m_controller.get(), &Base_Controller::textChanged, &contexto, [&telas] { ++telas; });
    m_controller->start();
    QTRY_VERIFY_WITH_TIMEOUT(telas > 0, 5000);
    QVERIFY(m_janela->janela()->isVisible());
    m_janela->janela()->close();
    QVERIFY(m_janela->janela()->isVisible());
    QVERIFY(visivel(m_janela->item(QStringLiteral("rectangle2"))));
    QCOMPARE(::texto(m_janela->item(QStringLiteral("element2"))), QStringLiteral("Transação em processamento"));
    m_controller->onClickButtonCancelar();
    QVERIFY(esperaTerminar(*m_controller, 5000));
}

void TestOperatorWindow::closeHidesTheWindowOtherwise()
{
    QSignalSpy destruido(m_janela->janela(), &QObject::destroyed);
    m_janela->janela()->close();
    QVERIFY(!m_janela->janela()->isVisible());
    QCOMPARE(destruido.count(), 0);
    emit m_controller->showWindow(true); // the tray's "Abrir" brings it back
    QVERIFY(m_janela->janela()->isVisible());
}

void TestOperatorWindow::noticeRefusesConfirmWithoutTheCheckbox()
{
    QSignalSpy aviso(m_controller.get(), &Base_Controller::qmlAvisoSignal);
    m_controller->slotShowAviso();
    QTRY_VERIFY(m_janela->popup(QStringLiteral("aviso")));
    QObject *popup = m_janela->popup(QStringLiteral("aviso"));
    QTRY_VERIFY(popup->property("opened").toBool());
    QQuickItem *confirmar = popup->findChild<QQuickItem *>(QStringLiteral("botaoConfirmar"));
    QVERIFY(m_janela->clica(confirmar));
    QCOMPARE(aviso.count(), 0);
    QVERIFY(popup->property("opened").toBool());
    QQuickItem *banner = popup->findChild<QQuickItem *>(QStringLiteral("popup"));
    QVERIFY(visivel(banner));
    QCOMPARE(::texto(banner->findChild<QQuickItem *>(QStringLiteral("element2"))),
             QStringLiteral("Por favor, selecione a caixa seleção"));
}

void TestOperatorWindow::noticeConfirmsWithTheCheckbox()
{
    QSignalSpy aviso(m_controller.get(), &Base_Controller::qmlAvisoSignal);
    connect(m_controller.get(), &Base_Controller::qmlAvisoSignal, m_controller.get(),
            &Base_Controller::handleSignalCheckbox);
    m_controller->slotShowAviso();
    QTRY_VERIFY(m_janela->popup(QStringLiteral("aviso")));
    QObject *popup = m_janela->popup(QStringLiteral("aviso"));
    QTRY_VERIFY(popup->property("opened").toBool());
    QVERIFY(m_janela->clica(popup->findChild<QQuickItem *>(QStringLiteral("cb_aviso"))));
    QVERIFY(popup->findChild<QObject *>(QStringLiteral("cb_aviso"))->property("checked").toBool());
    QVERIFY(m_janela->clica(popup->findChild<QQuickItem *>(QStringLiteral("botaoConfirmar"))));
    QCOMPARE(aviso.count(), 1);
    QCOMPARE(aviso.at(0).at(0).toBool(), true);
    QVERIFY(m_controller->termoAceitoAtual());
    QTRY_VERIFY(!m_janela->popup(QStringLiteral("aviso")));
}

void TestOperatorWindow::noticeClosedWithoutConfirmSendsNothing_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("escape key") << true;
    QTest::newRow("press outside") << false;
}

void TestOperatorWindow::noticeClosedWithoutConfirmSendsNothing()
{
    QFETCH(bool, escape);
    QSignalSpy aviso(m_controller.get(), &Base_Controller::qmlAvisoSignal);
    m_controller->slotShowAviso();
    QTRY_VERIFY(m_janela->popup(QStringLiteral("aviso")));
    QVERIFY(QTest::qWaitForWindowExposed(m_janela->janela()));
    if (escape)
        QTest::keyClick(m_janela->janela(), Qt::Key_Escape);
    else
        QTest::mouseClick(m_janela->janela(), Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    QTRY_VERIFY(!m_janela->popup(QStringLiteral("aviso")));
    QCOMPARE(aviso.count(), 0);
    QVERIFY(!m_controller->termoAceitoAtual());
}

namespace {

QObject *abreConfig(JanelaQml &janela, TestController &controller)
{
    controller.slotShowConfigs();
    QObject *config = nullptr;
    const bool aberto =
        QTest::qWaitFor([&] { return (config = janela.popup(QStringLiteral("config"))) != nullptr; }, 5000);
    return aberto ? config : nullptr;
}

void clique(QObject *popup, const char *nome)
{
    QObject *botao = popup->findChild<QObject *>(QString::fromUtf8(nome));
    QVERIFY2(botao, nome);
    QVERIFY(QMetaObject::invokeMethod(botao, "clicked"));
}

} // namespace

void TestOperatorWindow::configPopupSavesExactlyTheEditedObject()
{
    const QJsonObject original = ConfigTef().configuracao();
    QObject *config = abreConfig(*m_janela, *m_controller);
    QVERIFY(config);
    auto campo = [config](const char *nome) {
        return config->findChild<QObject *>(QString::fromUtf8(nome));
    };
    QCOMPARE(campo("txt_nome_arquivo_req")->property("text").toString(), original.value("file_req").toString());
    QCOMPARE(campo("cb_conf_impressao")->property("count").toInt() >= 1, true);

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
    custom.insert("cor_destaque", m_cor);
    custom.insert("caminho_logo", QStringLiteral("/tmp/logo.png"));
    esperado.insert("customizacao", custom);

    const QJsonObject gravado = QJsonDocument::fromJson(testsupport::readAll(testsupport::configPath())).object();
    QCOMPARE(gravado, esperado);
    QCOMPARE(::texto(m_janela->item(QStringLiteral("element2"))),
             QStringLiteral("Salvo com sucesso. O sistema será reiniciado"));
    QCOMPARE(m_janela->item(QStringLiteral("rectangle2"))->property("color").value<QColor>(),
             QColor(QStringLiteral("#008000")));
    QTRY_COMPARE(m_janela->restart().reinicios, 1);
}

void TestOperatorWindow::configPopupReportsAFailedSave()
{
    QObject *config = abreConfig(*m_janela, *m_controller);
    QVERIFY(config);
    QFile::remove(testsupport::configPath());
    QVERIFY(QDir().mkdir(testsupport::configPath())); // the file can no longer be written
    clique(config, "button");
    QDir().rmdir(testsupport::configPath());
    QCOMPARE(::texto(m_janela->item(QStringLiteral("element2"))), QStringLiteral("Erro ao gravar dados"));
    QVERIFY(config->property("opened").toBool());
    QTest::qWait(0);
    QCOMPARE(m_janela->restart().reinicios, 0);
    QVERIFY(!config->findChild<QObject *>(QStringLiteral("time_restart"))->property("running").toBool());
}

void TestOperatorWindow::configPopupKeepsAFieldWhenThePickerIsCancelled()
{
    m_cor.clear();
    QObject *config = abreConfig(*m_janela, *m_controller);
    QVERIFY(config);
    QObject *cor = config->findChild<QObject *>(QStringLiteral("text2"));
    const QString antes = cor->property("text").toString();
    QVERIFY(!antes.isEmpty());
    clique(config, "btn_cor_destaque");
    QCOMPARE(cor->property("text").toString(), antes);
}

void TestOperatorWindow::configPopupSizeFieldRejectsTypedOutOfRange()
{
    QObject *config = abreConfig(*m_janela, *m_controller);
    QVERIFY(config);
    QQmlProperty::write(config->findChild<QObject *>(QStringLiteral("swipeView")), QStringLiteral("currentIndex"), 3);
    auto *campo = config->findChild<QQuickItem *>(QStringLiteral("txt_altura_janela"));
    campo->setProperty("text", QString());
    campo->forceActiveFocus();
    QTRY_VERIFY(campo->hasActiveFocus());
    digita(m_janela->janela(), QStringLiteral("1001")); // the last digit would pass 1000
    QCOMPARE(campo->property("text").toString(), QStringLiteral("100"));
    campo->setProperty("text", QString());
    digita(m_janela->janela(), QStringLiteral("0"));
    QVERIFY(!campo->property("acceptableInput").toBool());
}

void TestOperatorWindow::configPopupRefusesSizesOutOfRange_data()
{
    QTest::addColumn<QString>("digitado");
    QTest::addColumn<bool>("aceito");
    QTest::newRow("inside the range") << "640" << true;
    QTest::newRow("zero") << "0" << false;
    QTest::newRow("above a thousand") << "1001" << false;
    QTest::newRow("letters") << "abc" << false;
}

void TestOperatorWindow::configPopupRefusesSizesOutOfRange()
{
    QFETCH(QString, digitado);
    QFETCH(bool, aceito);
    const int antes = ConfigTef().alturaJanela();
    QObject *config = abreConfig(*m_janela, *m_controller);
    QVERIFY(config);
    config->findChild<QObject *>(QStringLiteral("txt_altura_janela"))->setProperty("text", digitado);
    clique(config, "button");
    QCOMPARE(ConfigTef().alturaJanela(), aceito ? digitado.toInt() : antes);
}

QTEST_MAIN(TestOperatorWindow)
#include "tst_operator_window.moc"
