// The operator window: the real QML, offscreen, against a scripted controller;
// the controller base class beneath it (the gate, the tray, the screens between
// runs); the updater; and the cashier's dialogue with the Z3_Tef backend and the
// simulated library, where the test only types and clicks.
#include "JanelaQml.h"
#include "TestController.h"
#include "TestJournal.h"
#include "TestSupport.h"
#include "app/TefAutonomo.h"
#include "app/Wiring.h"
#include "backends/Seletores.h"
#include "backends/Z3_Tef_Controller.h"
#include "exchange/MonitoraDiretorio.h"
#include "nucleo/NucleoTransacao.h"
#include "nucleo/Ocupacao.h"
#include "receipts/Recibo.h"
#include "receipts/pdf_utils.h"
#include "receipts/print_utils.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QSet>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestJanela : public QObject
{
    Q_OBJECT

    static bool visivel(QQuickItem *item) { return item && item->isVisible(); }
    static bool visivel(const JanelaQml &j, const char *nome) { return visivel(j.item(QLatin1String(nome))); }
    static QString texto(QObject *o) { return o ? o->property("text").toString() : QStringLiteral("<ausente>"); }
    static QString texto(const JanelaQml &j, const char *nome) { return texto(j.objeto(QLatin1String(nome))); }
    static QColor cor(QObject *o) { return o->property("color").value<QColor>(); }
    static QJsonObject json(const QVariant &v) { return QJsonDocument::fromJson(v.toString().toUtf8()).object(); }
    // The JSON result of one emission of the core's resultado.
    static QJsonObject json(const QList<QVariant> &emissao) { return json(emissao.value(1)); }
    static bool clique(QObject *popup, const char *nome)
    {
        QObject *botao = popup->findChild<QObject *>(QString::fromUtf8(nome));
        return botao && QMetaObject::invokeMethod(botao, "clicked");
    }
    // The current row's value of a column used once, where a QFETCH would only name it.
    template <typename T>
    static T dado(const char *coluna)
    {
        return *static_cast<T *>(QTest::qData(coluna, qMetaTypeId<T>()));
    }
    static QStringList textos(const QSignalSpy &spy)
    {
        QStringList out;
        for (const auto &args : spy)
            out << args.value(0).toString();
        return out;
    }
    // QTest has no keyClicks for a QWindow.
    static void digita(QWindow *janela, const QString &texto)
    {
        for (const QChar c : texto)
            QTest::keyClick(janela, c.toLatin1());
    }
    // Types into the field from its start, as the cashier would.
    static bool digitar(const JanelaQml &j, const QString &texto)
    {
        if (!j.clica(QStringLiteral("textField")))
            return false;
        QTest::keyClick(j.janela(), Qt::Key_Home);
        digita(j.janela(), texto);
        return true;
    }
    // Waits until the window asks for a typed value with this message and OK on screen.
    static bool passoDigitado(const JanelaQml &j, const QString &mensagem)
    {
        return QTest::qWaitFor(
            [&] { return texto(j, "element1") == mensagem && visivel(j, "textField") && visivel(j, "button"); }, 10000);
    }

    QString m_versoes, m_cenario, m_instalador;
    std::unique_ptr<TestController> m_controller;
    std::unique_ptr<JanelaQml> m_janela;
    QString m_cor; // what the colour picker returns; empty: cancelled
    // What the window asked of the controller, in order ("ok 4321 1", "voltar", "process PIX", ...).
    QStringList m_chamadas;
    QTemporaryDir m_dir;
    QString m_simLog, m_log;

    // A failed check may leave the run waiting for the cashier: give up every step so the next test starts.
    static void desistir(Base_Controller &c, std::unique_ptr<NucleoTransacao> &nucleo)
    {
        const auto desiste = [&] {
            if (c.aguardandoOperador())
                c.onClickButtonCancelar();
            return !nucleo->emExecucao();
        };
        // Destroying a running thread would block here for good: stop now, and say why.
        if (!testsupport::waitUntil(desiste, 15000))
            qFatal("The cashier's run did not end within 15 s of giving up every step");
        nucleo.reset();
    }

    // A Z3_Tef controller joined as the program joins it, with its own window and
    // its results; no journal left by an earlier scene to recover from.
    struct SemDiario
    {
        explicit SemDiario(const QJsonObject &config)
        {
            testsupport::removeJournal();
            testsupport::writeConfig(config);
        }
    };
    struct Cena : SemDiario
    {
        explicit Cena(const QJsonObject &config = {{"vitra", 0}, {"tipo_operacao", 0}})
            : SemDiario(config), nucleo(wiring::criarNucleo(c, 2))
        {
            wiring::conectar({nucleo.get(), &ocupacao, &c, nullptr, nullptr, Pausas().divididas(100)});
            nucleo->recuperar();
        }
        ~Cena() { desistir(c, nucleo); }
        // Starts a request (a sale unless told otherwise) on the core's thread.
        void iniciar(const QJsonObject &parametros, const QString &header = QStringLiteral("CRT"))
        {
            const QJsonObject req{{"operacao", 0}, {"header", header}, {"parametros", parametros}};
            nucleo->submeter(
                Requisicao::doPdv(QString::fromUtf8(QJsonDocument(req).toJson(QJsonDocument::Compact)), false));
        }
        bool terminar()
        {
            return testsupport::waitUntil([this] { return !nucleo->emExecucao(); }, 5000);
        }

        Z3_Tef_Controller c;
        Ocupacao ocupacao;
        std::unique_ptr<NucleoTransacao> nucleo;
        JanelaQml janela{&c};
        QSignalSpy resultado{nucleo.get(), &NucleoTransacao::resultado};
    };

    // A product's backend with the autonomous worker and the monitor, joined as the start-up joins them;
    // folders under `pasta`, receipts on unless `ajustes` says.
    struct CenaAutonoma : SemDiario
    {
        CenaAutonoma(int produto, const QString &pasta, const QJsonObject &ajustes)
            : SemDiario(config(produto, pasta, ajustes)), backend(wiring::createBackend(produto)),
              nucleo(wiring::criarNucleo(*backend, produto))
        {
            wiring::conectar({nucleo.get(), &ocupacao, &c, &monitor, &autonomo, Pausas().divididas(100)});
            nucleo->recuperar();
            monitor.iniciarMonitoramento();
        }
        ~CenaAutonoma() { desistir(c, nucleo); }
        static QJsonObject config(int produto, const QString &pasta, const QJsonObject &ajustes)
        {
            QJsonObject c{{"vitra", 0},
                          {"produto_tef", produto},
                          {"tipo_operacao", 0},
                          {"path_in", pasta + "/req"},
                          {"path_out", pasta + "/resp"},
                          {"habilita_impressao", true},
                          {"nome_impressora", print_utils::impressoraFabricante()},
                          {"gerar_pdf", true},
                          {"caminho_pdf", pasta + "/pdf"},
                          {"visualizar_pdf", false}};
            for (auto it = ajustes.begin(); it != ajustes.end(); ++it)
                c.insert(it.key(), it.value());
            return c;
        }
        Ocupacao ocupacao;
        std::unique_ptr<Base_Controller> backend;
        Base_Controller &c = *backend;
        std::unique_ptr<NucleoTransacao> nucleo;
        JanelaQml janela{backend.get()};
        TefAutonomo autonomo;
        MonitoraDiretorio monitor{ConfigTef()};
        QSignalSpy resultado{nucleo.get(), &NucleoTransacao::resultado};
        QSignalSpy erros{&c, &Base_Controller::showMessageError};
    };

    // Answers each step from `respostas` until the operation and its confirmation end: typed text or "#n" a
    // list position, handed to the controller; "$digits" typed into the window's field and its OK pressed,
    // "cancela" its CANCELAR pressed.
    static bool conduzir(CenaAutonoma &cena, QStringList respostas, int execucoes)
    {
        QSignalSpy fim(cena.nucleo.get(), &NucleoTransacao::concluida);
        QDeadlineTimer prazo(40000);
        while (!prazo.hasExpired() && !(fim.size() >= execucoes && cena.ocupacao.livre())) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (!cena.c.aguardandoOperador() || respostas.isEmpty())
                continue;
            const QString r = respostas.takeFirst();
            QCoreApplication::sendPostedEvents(); // the step's screen, before the window is used
            if (r == QLatin1String("cancela")) {
                QMetaObject::invokeMethod(cena.janela.objeto(QStringLiteral("button2")), "clicked");
            } else if (r.startsWith('$')) {
                if (!digitar(cena.janela, r.mid(1)))
                    return false;
                QMetaObject::invokeMethod(cena.janela.objeto(QStringLiteral("button")), "clicked");
            } else {
                cena.c.onClickButtonOK(r.startsWith('#') ? r.mid(1) : r, r.startsWith('#') ? 2 : 1);
            }
        }
        return fim.size() >= execucoes && respostas.isEmpty();
    }

    // The versions folder of the simulated updater: one newer installer, executable or not.
    void ofereceVersao(bool executavel = true)
    {
        QVERIFY(QDir().mkpath(m_versoes));
        const QString instalador = m_versoes + QStringLiteral("/Z3_TEFZoduvud-v01.24.00.sh");
        QFile::remove(instalador);
        QVERIFY(QFile::copy(QStringLiteral(Z3_BIN_DIR "/Z3_Updater_instalador.sh"), instalador));
        if (!executavel)
            QVERIFY(QFile::setPermissions(instalador, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    }

    QObject *abreConfig()
    {
        m_controller->slotShowConfigs();
        QObject *config = nullptr;
        return QTest::qWaitFor([&] { return (config = m_janela->popup(QStringLiteral("config"))) != nullptr; }, 5000)
                   ? config
                   : nullptr;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        if (qEnvironmentVariableIsEmpty("Z3_LIB_DIR"))
            qputenv("Z3_LIB_DIR", Z3_BIN_DIR);
        qputenv("Z3_SIM_LOG", (m_simLog = m_dir.filePath("chamadas.jsonl")).toUtf8());
        qputenv("Z3_LOG", (m_log = m_dir.filePath("log.txt")).toUtf8());
        qputenv("Z3_SIM_ATUALIZACOES", (m_versoes = m_dir.filePath("versoes")).toUtf8());
        qputenv("Z3_SIM_CENARIO", (m_cenario = m_dir.filePath("cenario.json")).toUtf8());
        qputenv("Z3_SIM_INSTALADOR", (m_instalador = m_dir.filePath("instalador.log")).toUtf8());
    }

    void init()
    {
        testsupport::writeConfig({});
        seletores::substituir([this](seletores::Tipo tipo) {
            if (tipo == seletores::Tipo::Cor)
                return m_cor;
            return QString::fromLatin1(tipo == seletores::Tipo::Pasta ? "/tmp/escolhida" : "/tmp/logo.png");
        });
        m_chamadas.clear();
        m_cor.clear();
        QDir(m_versoes).removeRecursively();
        for (const QString &arquivo : {m_cenario, m_instalador, m_simLog, m_log})
            QFile::remove(arquivo);
        // The Z3_Tef scenes bring their own controller and window: a second window would keep the keyboard.
        static const QSet<QByteArray> cenas{
            "vendaComValorDigitadoETipoEscolhido", "cancelamentoComecaNsuEDataComOQueOPdvEnviou",
            "telasERespostasNoLogSemASenha", "operacaoDoOperador", "startupCheckAnnouncesOrStarts"};
        if (cenas.contains(QTest::currentTestFunction()))
            return;
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

    void cleanup()
    {
        m_janela.reset();
        m_controller.reset();
        seletores::substituir({});
    }

    // The window against a scripted controller.
    void signalsChangeTheWindow_data()
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
        linha("input mask", "setTextFieldInputMask", "99/99", "textField", "inputMask", "99/99; ");
        // Each disable* signal hides its control with true, except the updater's, which true shows.
        const QString ocultos = QStringLiteral(
            "ButtonOK:button ButtonVoltar:button1 ButtonCancelar:button2 TextField:textField ListView:rec "
            "ProgressBar:progressBar Image:imagePix ButtonAutonomoOk:bt_autonomo_ok "
            "ButtonAutonomoCancelar:bt_autonomo_cancelar ButtonUpdaterSim:btn_updater_sim "
            "ButtonUpdaterNao:btn_updater_nao");
        for (const QString &par : ocultos.split(' ')) {
            const QByteArray sinal = "disable" + par.section(':', 0, 0).toLatin1(),
                             item = par.section(':', 1).toLatin1();
            linha(sinal.constData(), sinal.constData(), true, item.constData(), "visible",
                  item.startsWith("btn_updater"));
        }
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
        QImage imagem(40, 40, QImage::Format_RGB32);
        imagem.fill(Qt::black);
        const QString existente = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("logo_teste.png");
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(imagem.save(existente) && buffer.open(QIODevice::WriteOnly) && imagem.save(&buffer, "PNG"));
        linha("logo from an existing absolute file", "pathImageChanged", existente, "image", "source",
              QUrl::fromLocalFile(existente));
        linha("logo kept for a missing file", "pathImageChanged", existente + ".nao", "image", "source", QVariant());
        linha("logo kept for the bare default name", "pathImageChanged", "Logo Varda Pay - Azul.png", "image", "source",
              QVariant());
        linha("logo kept for a folder", "pathImageChanged", QDir::tempPath(), "image", "source", QVariant());
        linha("pix image from the base64 PNG", "textImageDataChanged", QString::fromLatin1(png.toBase64()), "imagePix",
              "sourceSize", QSize(40, 40));
        linha("window width", "widthChanged", 700, "", "width", 700);
        linha("window height", "heightChanged", 500, "", "height", 500);
    }

    void signalsChangeTheWindow()
    {
        QFETCH(QByteArray, sinal);
        QFETCH(QVariant, argumento);
        QFETCH(QString, elemento);
        QFETCH(QByteArray, propriedade);
        QFETCH(QVariant, esperado);
        QObject *alvo = elemento.isEmpty() ? m_janela->janela() : m_janela->objeto(elemento);
        QVERIFY(alvo);
        auto emite = [&](const QVariant &arg) { // a bool, an int or a QString, as the signal takes
            return QMetaObject::invokeMethod(m_controller.get(), sinal.constData(),
                                             QGenericArgument(arg.typeName(), arg.constData()));
        };
        auto lido = [&] {
            const QVariant v = alvo->property(propriedade.constData());
            return esperado.userType() == QMetaType::Int ? QVariant(v.toInt()) : v;
        };
        const QVariant antes = lido();
        QVERIFY(emite(argumento));
        QTRY_COMPARE(lido(), esperado.isValid() ? esperado : antes); // an image loads on its own
        if (argumento.userType() == QMetaType::Bool) {
            QVERIFY(emite(!argumento.toBool()));
            QCOMPARE(lido(), esperado.type() == QVariant::Bool ? QVariant(!esperado.toBool()) : antes);
        }
        if (sinal.startsWith("showMessage")) // and goes after its time
            QTRY_VERIFY_WITH_TIMEOUT(!visivel(*m_janela, "rectangle2"), 5000);
        if (sinal == "setTextFieldInputMask") { // and the next screen's field takes anything again
            QVERIFY(QMetaObject::invokeMethod(m_controller.get(), "clearTextFieldInputMask"));
            QCOMPARE(lido(), antes);
        }
    }

    // What the cashier's keys and clicks on each screen ask of the controller. The steps: text
    // typed, "@name" clicked, "!Key" pressed (Enter on the keypad), "*n" the n-th entry clicked,
    // "fora" a press outside any control, "=text" a new message from the controller.
    void screensAnswerTheController_data()
    {
        // "campo", "valor" (money), "valor desligado", "lista", "menu" (autonomous), "aviso" (the notice)
        QTest::addColumn<QString>("tela");
        QTest::addColumn<QString>("passos");
        QTest::addColumn<QString>("campo"); // the field's text at the end ("valor": as currency; "aviso": its banner)
        QTest::addColumn<QStringList>("chamadas");
        // The last entry stays the last; Return does not confirm a list.
        const QString setas = QStringLiteral("!Down !Down !Down !Up !Return !Enter");
        const QStringList ok{"ok 4321 1"}, um{"ok 1 2"}, pix{"process PIX"}, aceito{"aviso true"}, nada;
        const QString marque = QStringLiteral("Por favor, selecione a caixa seleção");
        // clang-format off
        QTest::newRow("OK sends the typed text with estado 1") << "campo" << "4321 @button" << "4321" << ok;
        QTest::newRow("keypad Enter confirms") << "campo" << "4321 !Enter" << "4321" << ok;
        QTest::newRow("Return does not confirm") << "campo" << "4321 !Return" << "4321" << nada;
        QTest::newRow("Escape cancels") << "campo" << "4321 !Escape" << "4321" << QStringList{"cancelar"};
        QTest::newRow("VOLTAR") << "campo" << "4321 @button1" << "4321" << QStringList{"voltar"};
        QTest::newRow("CANCELAR") << "campo" << "4321 @button2" << "4321" << QStringList{"cancelar"};
        QTest::newRow("money shown as currency as typed") << "valor" << "123456 !Backspace" << "12345" << nada;
        QTest::newRow("money format turned off") << "valor desligado" << "12" << "12" << nada;
        QTest::newRow("entry clicked, then OK, sends the index with estado 2") << "lista" << "*1 @button" << "" << um;
        QTest::newRow("arrows and keypad Enter send the index") << "lista" << setas << "" << um;
        QTest::newRow("autonomous menu by keys starts the operation") << "menu" << setas << "" << pix;
        QTest::newRow("autonomous entry clicked, then its OK") << "menu" << "*1 @bt_autonomo_ok" << "" << pix;
        QTest::newRow("autonomous CANCELAR rebuilds it") << "menu" << "=outra @bt_autonomo_cancelar" << "" << nada;
        QTest::newRow("notice: Confirmar without the check box") << "aviso" << "@botaoConfirmar" << marque << nada;
        QTest::newRow("notice: check box, then Confirmar") << "aviso" << "@cb_aviso @botaoConfirmar" << "" << aceito;
        QTest::newRow("notice: Escape closes without an answer") << "aviso" << "!Escape" << "" << nada;
        QTest::newRow("notice: a press outside closes without an answer") << "aviso" << "fora" << "" << nada;
        // clang-format on
    }

    void screensAnswerTheController()
    {
        QFETCH(QString, tela);
        QFETCH(QString, passos);
        QFETCH(QString, campo);
        QFETCH(QStringList, chamadas);
        if (tela == QLatin1String("menu")) {
            m_controller->initComponentAutonomo();
        } else if (tela == QLatin1String("aviso")) {
            TestController *c = m_controller.get();
            connect(c, &Base_Controller::qmlAvisoSignal, c, &Base_Controller::handleSignalCheckbox);
            connect(c, &Base_Controller::qmlAvisoSignal, this,
                    [this](bool v) { m_chamadas << "aviso " + QVariant(v).toString(); });
            c->slotShowAviso();
            QTRY_VERIFY(m_janela->popup(QStringLiteral("aviso")));
        } else if (tela == QLatin1String("lista")) {
            emit m_controller->clearItemsList();
            for (const char *item : {"CREDITO", "DEBITO", "VOUCHER"})
                emit m_controller->addItemList(QString::fromUtf8(item));
            emit m_controller->sendTypeOperation(0);
            emit m_controller->disableTextField(true);
            emit m_controller->disableListView(false);
            emit m_controller->disableButtonOK(false);
        } else {
            emit m_controller->disableTextField(false);
            emit m_controller->disableButtonOK(false);
            emit m_controller->disableButtonVoltar(false);
            emit m_controller->disableButtonCancelar(false);
            emit m_controller->formatValue(tela.startsWith(QLatin1String("valor")));
            if (tela == QLatin1String("valor desligado"))
                emit m_controller->formatValue(false);
        }
        QWindow *w = m_janela->janela();
        QVERIFY(QTest::qWaitForWindowExposed(w)); // also lays out what the signals changed
        static const QHash<QString, Qt::Key> teclas{{"Enter", Qt::Key_Enter},   {"Return", Qt::Key_Return},
                                                    {"Escape", Qt::Key_Escape}, {"Down", Qt::Key_Down},
                                                    {"Up", Qt::Key_Up},         {"Backspace", Qt::Key_Backspace}};
        for (const QString &passo : passos.split(' ')) {
            if (passo.startsWith('@')) {
                QVERIFY2(m_janela->clica(passo.mid(1)), qPrintable(passo));
            } else if (passo.startsWith('*')) { // 30 px an entry
                const QPointF ponto = m_janela->item("rec")->mapToScene(QPointF(40, 30 * passo.mid(1).toInt() + 15));
                QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, ponto.toPoint());
            } else if (passo == QLatin1String("fora")) {
                QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
            } else if (passo.startsWith('=')) {
                emit m_controller->textChanged(passo.mid(1));
            } else if (passo.startsWith('!')) {
                const Qt::Key k = teclas.value(passo.mid(1));
                QTest::keyClick(w, k, k == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
            } else {
                digita(w, passo);
            }
        }
        QCOMPARE(m_chamadas, chamadas);
        if (tela == QLatin1String("aviso")) {
            QCOMPARE(m_controller->termoAceitoAtual(), !chamadas.isEmpty());
            // Refused, the notice stays with its own banner; otherwise it closes.
            if (campo.isEmpty()) {
                QTRY_VERIFY(!m_janela->popup(QStringLiteral("aviso")));
                return;
            }
            QObject *aviso = m_janela->popup(QStringLiteral("aviso"));
            QQuickItem *banner = aviso ? aviso->findChild<QQuickItem *>(QStringLiteral("popup")) : nullptr;
            QVERIFY(visivel(banner));
            QCOMPARE(texto(banner->findChild<QObject *>(QStringLiteral("element2"))), campo);
            return;
        }
        QCOMPARE(texto(*m_janela, "textField"),
                 tela == QLatin1String("valor") ? m_controller->formataValor(campo) : campo);
        if (tela == QLatin1String("menu")) { // whatever came before, the menu is on screen
            QVERIFY(visivel(*m_janela, "rec") && visivel(*m_janela, "bt_autonomo_ok") && !visivel(*m_janela, "button"));
            auto *modelo = qobject_cast<QAbstractItemModel *>(m_janela->objeto(QStringLiteral("listmodel")));
            QStringList nomes;
            for (int i = 0; modelo && i < modelo->rowCount(); ++i)
                nomes << modelo->data(modelo->index(i, 0), modelo->roleNames().key("name")).toString();
            QCOMPARE(nomes, (QStringList{"Venda Cartao", "PIX", "Operação Administrativa"}));
            QCOMPARE(texto(*m_janela, "element1"), QStringLiteral("Selecione uma operação: "));
        }
    }

    void configPopupSavesExactlyTheEditedObject_data()
    {
        QTest::addColumn<QString>("corEscolhida");
        QTest::newRow("pickers fill their fields") << "#abcdef";
        QTest::newRow("a cancelled colour picker keeps the colour") << "";
    }

    void configPopupSavesExactlyTheEditedObject()
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
        QString primeira; // the maker's printers head the list
        QVERIFY(QMetaObject::invokeMethod(campo("cb_conf_impressao"), "textAt", Q_RETURN_ARG(QString, primeira),
                                          Q_ARG(int, 0)));
        QCOMPARE(primeira, QStringLiteral("Impressoras Varda/Korvanta"));

        // Each field edited, and the key and value it must save.
        const QList<std::tuple<const char *, const char *, QVariant, const char *, QJsonValue>> edicoes{
            {"cb_tp_operacao", "currentIndex", 1, "tipo_operacao", 1},
            {"cb_log", "checked", false, "log", 0},
            {"cb_display", "checked", true, "vitra", 1},
            {"txt_nome_arquivo_req", "text", "PEDIDO.001", "file_req", "PEDIDO.001"},
            {"cb_tp_comprovante", "currentIndex", 2, "tag_comprovante", 2},
            {"cb_atualizacao_bloq", "checked", true, "bloquear_atualizacao", true},
            {"cb_pdf_hab", "checked", true, "gerar_pdf", true}};
        QJsonObject esperado = original;
        for (const auto &[nome, propriedade, valor, chave, salvo] : edicoes) {
            campo(nome)->setProperty(propriedade, valor);
            esperado.insert(chave, salvo);
        }
        campo("txt_altura_janela")->setProperty("text", QStringLiteral("700"));
        // The request folder, colour and logo pickers, then Salvar.
        for (const char *botao : {"button1", "btn_cor_destaque", "btn_logo", "button"})
            QVERIFY2(clique(config, botao), botao);
        esperado.insert("path_in", QStringLiteral("/tmp/escolhida"));
        QJsonObject custom = esperado.value("customizacao").toObject();
        custom.insert("altura_janela", 700);
        if (!corEscolhida.isEmpty())
            custom.insert("cor_destaque", corEscolhida);
        custom.insert("caminho_logo", QStringLiteral("/tmp/logo.png"));
        esperado.insert("customizacao", custom);
        QCOMPARE(campo("text2")->property("text").toString(), custom.value("cor_destaque").toString());

        QCOMPARE(QJsonDocument::fromJson(testsupport::readAll(testsupport::configPath())).object(), esperado);
        QCOMPARE(texto(*m_janela, "element2"), QStringLiteral("Salvo com sucesso. O sistema será reiniciado"));
        QCOMPARE(cor(m_janela->item(QStringLiteral("rectangle2"))), QColor(QStringLiteral("#008000")));
        QTRY_COMPARE(m_janela->restart().reinicios, 1);
    }

    void configPopupRefusesBadValues_data()
    {
        QTest::addColumn<QString>("campo"); // empty: the settings file cannot be written
        QTest::addColumn<QString>("digitado");
        QTest::addColumn<QString>("aviso"); // the red banner, and the popup stays with no restart
        const QString pastas = QStringLiteral("As pastas de requisição e de resposta devem ser diferentes");
        // clang-format off
        QTest::newRow("zero") << "txt_altura_janela" << "0" << "";
        QTest::newRow("above a thousand") << "txt_altura_janela" << "1001" << "";
        QTest::newRow("response folder that is the request folder") << "txt_caminho_resp" << "" << pastas;
        QTest::newRow("a failed save") << "" << "" << "Erro ao gravar dados";
        // clang-format on
    }

    void configPopupRefusesBadValues()
    {
        QFETCH(QString, campo);
        QFETCH(QString, digitado);
        QFETCH(QString, aviso);
        const QByteArray antes = testsupport::readAll(testsupport::configPath());
        QObject *config = abreConfig();
        QVERIFY(config);
        if (campo.isEmpty()) {
            QFile::remove(testsupport::configPath());
            QVERIFY(QDir().mkdir(testsupport::configPath())); // the file can no longer be written
        } else { // An empty text stands for "the request folder, spelled another way".
            config->findChild<QObject *>(campo)->setProperty(
                "text", digitado.isEmpty() ? ConfigTef().pathIn() + QStringLiteral("/.") : digitado);
        }
        QVERIFY(clique(config, "button"));
        if (campo.isEmpty())
            QVERIFY(QDir().rmdir(testsupport::configPath()));
        else
            QCOMPARE(testsupport::readAll(testsupport::configPath()), antes);
        if (aviso.isEmpty())
            return;
        QCOMPARE(texto(*m_janela, "element2"), aviso);
        QVERIFY(config->property("opened").toBool());
        QTest::qWait(0);
        QCOMPARE(m_janela->restart().reinicios, 0);
        QVERIFY(!config->findChild<QObject *>(QStringLiteral("time_restart"))->property("running").toBool());
    }

    // The controller base class.
    void formataValor_data()
    {
        QTest::addColumn<QString>("digitado");
        QTest::addColumn<QString>("numero"); // what follows "R$"
        QTest::newRow("one digit is cents") << "5" << QStringLiteral("0,05");
        QTest::newRow("thousands are grouped with a dot") << "123456" << QStringLiteral("1.234,56");
        QTest::newRow("separators are dropped") << "1,234.5" << QStringLiteral("123,45");
        QTest::newRow("currency symbol left in is not a number") << "R$ 12,345" << QStringLiteral("0,00");
        QTest::newRow("leading zeros") << "0005" << QStringLiteral("0,05");
    }

    void formataValor()
    {
        const QString texto = TestController().formataValor(dado<QString>("digitado"));
        QVERIFY2(texto.startsWith(QStringLiteral("R$")), qPrintable(texto));
        QTEST(texto.mid(2).trimmed(), "numero");
    }

    void validaHex_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("valido");
        QTest::newRow("six digits") << "#0099FF" << true;
        QTest::newRow("three digits") << "#fff" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("four digits") << "#ffff" << false;
        QTest::newRow("no hash") << "0099FF" << false;
        QTest::newRow("not hexadecimal") << "#0099FG" << false;
        QTest::newRow("trailing line feed") << "#fff\n" << false;
        QTest::newRow("text after a NUL is not seen")
            << QStringLiteral("#fff") + QChar(0) + QStringLiteral("zz") << true;
    }

    void validaHex() { QTEST(TestController().validaHex(dado<QString>("texto")), "valido"); }

    // The list's OK by position and the tray's entries by name; nothing else starts an operation.
    void autonomousEntriesNameTheirOperation()
    {
        TestController c;
        QSignalSpy processo(&c, &Base_Controller::process);
        QSignalSpy tipo(&c, &Base_Controller::sendTypeOperation);
        const QStringList nomes{"Venda Cartão", "PIX", "Operação Administrativa"};
        for (int i : {0, 1, 2, 3, -1})
            c.onClickButtonAutonomoOk(i);
        QCOMPARE(textos(processo), (nomes + QStringList{QString(), QString()}));
        QCOMPARE(textos(tipo).join(QString()), QStringLiteral("1010101010")); // the menu list, then back
        processo.clear();
        for (QAction *a : c.menuAutonomo()->actions()) {
            if (!a->isSeparator())
                a->trigger();
        }
        c.slotAutonomo(); // not sent by an action
        QCOMPARE(textos(processo), nomes + QStringList{QString()});
        // The menu stays away while an update is under way.
        QSignalSpy janela(&c, &Base_Controller::showWindow);
        c.initComponentAutonomo();
        c.setAtualizacaoSolicitada(true);
        c.initComponentAutonomo();
        QCOMPARE(janela.count(), 1);
    }

    // One request at a time: a second one that reaches the core while a transaction runs is answered as a failure
    // and never started, and the updater gives way to the transaction.
    void oneRunAtATime()
    {
        TestController c;
        Ocupacao ocupacao;
        NucleoTransacao nucleo(c, 2, m_dir.filePath("diario_um.jsonl"));
        wiring::conectar({&nucleo, &ocupacao, &c, nullptr, nullptr, Pausas().divididas(100)});
        std::atomic<int> execucoes{0};
        c.roteiro = [&](TestController &t) {
            t.bloquearFluxo();
            t.aguardarFluxo();
            ++execucoes;
        };
        QSignalSpy resultados(&nucleo, &NucleoTransacao::resultado);
        const auto pedido = [](const char *id) {
            return Requisicao::doPdv(QStringLiteral(R"({"header":"CRT","parametros":{"identificacao":"%1"}})").arg(id),
                                     false);
        };
        nucleo.submeter(pedido("1"));
        QVERIFY(QTest::qWaitFor([&] { return c.fluxoPausado(); }, 5000));
        nucleo.submeter(pedido("2"));
        QTRY_COMPARE(resultados.size(), 1);
        QCOMPARE(json(resultados.first()).value("erro").toString(), QStringLiteral("Outra operação em andamento"));
        c.onClickButtonUpdaterSim();
        QVERIFY(!c.isRunning() && !c.atualizacaoSolicitada());
        c.liberarFluxo();
        QTRY_COMPARE(resultados.size(), 2);
        QVERIFY(testsupport::waitUntil([&] { return !nucleo.emExecucao(); }, 5000));
        QCOMPARE(execucoes.load(), 1);
        QCOMPARE(c.modoAtualizacaoAtual(), 0);
    }

    void gateHoldsTheThreadUntilAClick()
    {
        TestController &c = *m_controller;
        QVERIFY(!c.tefInProcess());
        QVERIFY(c.paraNoPortao());
        QVERIFY(c.isRunning() && !c.passouPortao);
        m_janela->janela()->close(); // refused while the transaction waits
        QVERIFY(m_janela->janela()->isVisible() && visivel(*m_janela, "rectangle2"));
        QCOMPARE(texto(*m_janela, "element2"), QStringLiteral("Transação em processamento"));
        c.onClickButtonOK(QStringLiteral("100"), 1);
        QVERIFY(esperaTerminar(c, 5000));
        QVERIFY(c.passouPortao && !c.fluxoPausado());
        // Once idle, closing only hides the window, which the tray's "Abrir" brings back.
        emit c.showWindow(true);
        m_janela->janela()->close();
        QVERIFY(!m_janela->janela()->isVisible());
        emit c.showWindow(true);
        QVERIFY(m_janela->janela()->isVisible());
    }

    // Clicks from another thread race each wait.
    void gateSurvivesAThousandRounds()
    {
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
        clicador->start();
        c.start();
        const bool terminou = esperaTerminar(c, 60000);
        acabou = true;
        clicador->wait();
        QVERIFY(terminou);
        QCOMPARE(rodada.load(), rodadas);
    }

    void finishedThreadUnlocksTheTrayAndShowsTheNextScreen_data()
    {
        QTest::addColumn<int>("tipoOperacao");
        QTest::addColumn<bool>("bloqueada");
        QTest::addColumn<bool>("atualizacao");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("cabecalho");
        const QString ociosa = QStringLiteral("Aguardando arquivo intpos."),
                      operacao = QStringLiteral("TEF em operação");
        // clang-format off
        QTest::newRow("file exchange shows the idle screen") << 0 << false << false << ociosa << operacao;
        QTest::newRow("blocked updates stay disabled") << 0 << true << false << ociosa << operacao;
        QTest::newRow("autonomous only shows the menu") << 1 << false << false << "Selecione uma operação: "
                                                        << "TEF em Processamento";
        QTest::newRow("an updater run leaves its screen and the lock alone") << 0 << false << true << "" << "";
        // clang-format on
    }

    void finishedThreadUnlocksTheTrayAndShowsTheNextScreen()
    {
        QFETCH(bool, bloqueada);
        QFETCH(bool, atualizacao);
        testsupport::writeConfig({{"tipo_operacao", dado<int>("tipoOperacao")}, {"bloquear_atualizacao", bloqueada}});
        TestController c;
        QVERIFY(c.trayIcon() && !c.trayIcon()->isVisible()); // offscreen has no tray
        const QVector<bool> aberto{true, true, true, !bloqueada};
        auto estado = [&c] {
            return QVector<bool>{c.menuAutonomo()->isEnabled(), c.actionSobre()->isEnabled(),
                                 c.actionConfiguracoes()->isEnabled(), c.actionAtualizacao()->isEnabled()};
        };
        QCOMPARE(estado(), aberto);
        c.preProcessThread();
        QCOMPARE(estado(), QVector<bool>(4, false));
        QSignalSpy textoSpy(&c, &Base_Controller::textChanged);
        QSignalSpy cabecalhoSpy(&c, &Base_Controller::firstTextChanged);
        c.setAtualizacaoSolicitada(atualizacao);
        c.onFinishThread();
        QCOMPARE(estado(), atualizacao ? QVector<bool>(4, false) : aberto);
        QTEST(textos(textoSpy).join('|'), "texto");
        QTEST(textos(cabecalhoSpy).join('|'), "cabecalho");
    }

    void systemConfigsRefusesTextThatIsNotAnObject_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::newRow("empty") << QString();
        QTest::newRow("array") << QStringLiteral("[1, 2]");
        // The response would be read back as a new request and the sale run again.
        QTest::newRow("same folder through dot-dot")
            << QStringLiteral(R"({"tipo_operacao":0,"path_in":"/tmp/pdv/req","path_out":"/tmp/pdv/resp/../req"})");
    }

    void systemConfigsRefusesTextThatIsNotAnObject()
    {
        const QByteArray antes = testsupport::readAll(testsupport::configPath());
        QVERIFY(!antes.isEmpty());
        QVERIFY(!TestController().setSystemConfigs(dado<QString>("texto")));
        QCOMPARE(testsupport::readAll(testsupport::configPath()), antes);
    }

    void customisationPushesTheLook_data()
    {
        QTest::addColumn<bool>("dialogoOperador");
        QTest::addColumn<int>("tipoOperacao");
        QTest::addColumn<int>("escondeDialogo"); // how many times OK is hidden
        QTest::newRow("file exchange keeps the dialogue") << true << 0 << 0;
        QTest::newRow("a product without a dialogue hides it") << false << 0 << 1;
        QTest::newRow("autonomous only hides the dialogue") << true << 1 << 1;
    }

    void customisationPushesTheLook()
    {
        QJsonObject custom = ConfigTef().configuracao().value(QStringLiteral("customizacao")).toObject();
        custom.insert(QStringLiteral("largura_janela"), 900);
        custom.insert(QStringLiteral("cor_destaque"), QStringLiteral("#123456"));
        testsupport::writeConfig({{"tipo_operacao", dado<int>("tipoOperacao")}, {"customizacao", custom}});
        TestController c;
        QSignalSpy ok(&c, &Base_Controller::disableButtonOK);
        QSignalSpy janela(&c, &Base_Controller::showWindow);
        QSignalSpy largura(&c, &Base_Controller::widthChanged);
        QSignalSpy destaque(&c, &Base_Controller::firstColorChanged);
        Base_Controller::aplicaCustomizacao(&c, dado<bool>("dialogoOperador"), ConfigTef());
        QTEST(ok.count(), "escondeDialogo");
        QCOMPARE(textos(janela), QStringList{"false"});
        QCOMPARE(textos(largura), QStringList{"900"});
        QCOMPARE(textos(destaque), QStringList{"#123456"});
    }

    void aboutBoxNamesTheProgram()
    {
        TestController c;
        QSignalSpy texto(&c, &Base_Controller::textChanged);
        QSignalSpy cabecalho(&c, &Base_Controller::firstTextChanged);
        QSignalSpy janela(&c, &Base_Controller::showWindow);
        c.showEnviromentInfo();
        QCOMPARE(textos(cabecalho) + textos(janela), (QStringList{"Sobre", "true"}));
        const QString sobre = textos(texto).join('|');
        QVERIFY2(QRegularExpression("^Z3_TEFZoduvud versão 01\\.23\\.04 - S\\.O\\.: [^|]*\nHostName: [^|]*$")
                     .match(sobre)
                     .hasMatch(),
                 qPrintable(sobre));
    }

    // The updater against the simulated library.
    void updaterReportShowsItsScreen_data()
    {
        QTest::addColumn<QString>("versao");   // the versions folder: "nova", "nenhuma", "ausente", "sem execucao"
        QTest::addColumn<QString>("cenario");  // the simulator's scenario file
        QTest::addColumn<QString>("botao");    // pressed on the offer, if any
        QTest::addColumn<QString>("titulo");   // "TEF em operação": back to the idle screen, busy and hidden
        QTest::addColumn<QString>("mensagem"); // how the message starts
        QTest::addColumn<bool>("simNao");      // on the offer itself, the exchange stays paused for the answer
        QTest::addColumn<QString>("banner");   // "#rrggbb texto"; empty: none
        auto linha = [](const char *nome, const char *versao, const char *cenario, const char *botao,
                        const char *titulo, const QString &mensagem, bool simNao, const char *cor = nullptr,
                        const char *aviso = nullptr) {
            const QString banner =
                cor ? QString::fromUtf8(cor) + ' ' + (aviso ? QString::fromUtf8(aviso) : mensagem) : QString();
            QTest::newRow(nome) << versao << cenario << botao << QString::fromUtf8(titulo) << mensagem << simNao
                                << banner;
        };
        const char *verde = "#008000", *vermelho = "#d93147", *ocioso = "TEF em operação";
        const QString aguardando = QStringLiteral("Aguardando arquivo intpos.");
        const QString semExecutar = QStringLiteral("Não foi possível executar a atualização");
        linha("a newer version is offered with SIM and NÃO", "nova", "", "", "Processo de verificação",
              QStringLiteral("Nova versão disponível: 01.24.00\n\nDeseja baixar atualização agora?"), true);
        linha("nothing new informs in green", "nenhuma", "", "", "Informações da verificação",
              QStringLiteral("Sistema atualizado: versão 01.23.04"), false, verde);
        linha("a failing check shows red and lets the cashier answer", "ausente", "", "",
              "Falha no processo de verificação", QStringLiteral("Servidor de atualização indisponível"), true,
              vermelho);
        linha("an unexpected code resets the screen and hides it", "nova", R"({"atualizador_verificacao": 7})", "",
              ocioso, aguardando, false, vermelho, "Falha detectada");
        linha("NÃO resets the screen and hides it", "nova", "", "nao", ocioso, aguardando, false);
        linha("closing the window on the offer declines it", "nova", "", "fechar", ocioso, aguardando, false);
        linha("a failed download is reported", "nova", R"({"atualizador_download": "falha"})", "sim",
              "Falha no processo de download", QStringLiteral("Falha na transferência do arquivo"), false, vermelho);
        linha("a download naming a missing file installs nothing", "nova", R"({"atualizador_download": "sem_arquivo"})",
              "sim", "Falha no processo de instalação", semExecutar, false, vermelho);
        linha("a download that is not the verified version is discarded", "nova",
              R"({"atualizador_download": "hash_divergente"})", "sim", "Falha no processo de download",
              QStringLiteral("Arquivo baixado não confere com a versão verificada"), false, vermelho);
        linha("an installer that cannot start keeps the program", "sem execucao", "", "sim",
              "Falha no processo de instalação", semExecutar + ": ", false, vermelho);
        linha("SIM downloads, installs and quits", "nova", "", "sim", "Processo de instalação",
              QStringLiteral("Finalizando aplicação atual para iniciar instalação"), false);
    }

    void updaterReportShowsItsScreen()
    {
        QFETCH(QString, versao);
        QFETCH(QString, cenario);
        QFETCH(QString, botao);
        QFETCH(QString, titulo);
        QFETCH(bool, simNao);
        QFETCH(QString, banner);
        if (versao != QLatin1String("ausente"))
            QVERIFY(QDir().mkpath(m_versoes));
        if (versao == QLatin1String("nova") || versao == QLatin1String("sem execucao"))
            ofereceVersao(versao == QLatin1String("nova"));
        QVERIFY(testsupport::writeAll(m_cenario, cenario.toUtf8()));
        // A file left from an earlier run must go with the verification.
        const QString temporaria = QCoreApplication::applicationDirPath() + QStringLiteral("/temp");
        QVERIFY(QDir().mkpath(temporaria));
        QVERIFY(testsupport::writeAll(temporaria + QStringLiteral("/antigo.sh"), "velho"));

        TestController *c = m_controller.get();
        QSignalSpy banners(c, &Base_Controller::showMessageError);
        QSignalSpy avisos(c, &Base_Controller::showMessage);
        c->slotUpdater();
        QVERIFY(esperaTerminar(*c, 10000));
        QVERIFY(!QFile::exists(temporaria + QStringLiteral("/antigo.sh")));
        const bool instala = titulo == QStringLiteral("Processo de instalação");
        if (!botao.isEmpty()) {
            QTRY_VERIFY(visivel(*m_janela, "btn_updater_sim"));
            // The row lays the buttons out later: a click by position could land on the other one.
            if (botao == QLatin1String("fechar"))
                m_janela->janela()->close();
            else
                QVERIFY(QMetaObject::invokeMethod(m_janela->objeto(QStringLiteral("btn_updater_") + botao), "clicked"));
            if (instala) { // the program's own loop, which the way out ends; the deadline ends it otherwise
                QSignalSpy saida(c, &Base_Controller::encerramentoPedido);
                connect(c, &Base_Controller::encerramentoPedido, this, [] { QCoreApplication::exit(0); });
                QTimer::singleShot(Pausas().antesDeInstalarMs + 10000, [] { QCoreApplication::exit(99); });
                QCOMPARE(QCoreApplication::exec(), 0);
                QCOMPARE(saida.size(), 1);
                QCOMPARE(saida.first().value(1).toBool(), false); // the installer takes over: no restart
            }
            QVERIFY(esperaTerminar(*c, 10000));
        }
        // The run has posted its last screen and its end: take them all before looking.
        QCoreApplication::sendPostedEvents();
        QTRY_COMPARE(texto(*m_janela, "element"), titulo);
        QVERIFY2(texto(*m_janela, "element1").startsWith(dado<QString>("mensagem")),
                 qPrintable(texto(*m_janela, "element1")));
        QCOMPARE(visivel(*m_janela, "btn_updater_sim"), simNao);
        QCOMPARE(visivel(*m_janela, "btn_updater_nao"), simNao);
        const bool ocioso = titulo == QStringLiteral("TEF em operação");
        QCOMPARE(visivel(*m_janela, "progressBar"), ocioso || instala);
        QCOMPARE(m_janela->janela()->isVisible(), !ocioso);
        const QString mostrado =
            cor(m_janela->objeto(QStringLiteral("rectangle2"))).name() + ' ' + texto(*m_janela, "element2");
        QCOMPARE(banners.count() + avisos.count(), banner.isEmpty() ? 0 : 1);
        QVERIFY2(banner.isEmpty() || mostrado.startsWith(banner), qPrintable(mostrado));
        // The offer waits for its answer without holding the thread.
        QCOMPARE(c->ofertaPendente(), simNao && banner.isEmpty());
        QVERIFY(!c->atualizacaoSolicitada());
        const QString baixado = temporaria + QStringLiteral("/Z3_TEFZoduvud-v01.24.00.sh");
        QCOMPARE(testsupport::readAll(m_instalador),
                 instala ? (baixado + QStringLiteral("|\n")).toUtf8() : QByteArray());
        // What did not match its announced hash is not left to be started later.
        QVERIFY(!QFile::exists(baixado) || !cenario.contains(QLatin1String("hash_divergente")));
        if (instala)
            QCOMPARE(
                testsupport::sequenciaSimulada(m_simLog),
                QStringList({R"(RealizarConfiguracao("TEF", "apps", "linux", "x86", "Z3_TEFZoduvud-v01.23.04.sh"))",
                             "RealizarVerificacao()", QStringLiteral("RealizarDownload(\"%1\")").arg(temporaria)}));
    }

    void startupCheckAnnouncesOrStarts_data()
    {
        QTest::addColumn<bool>("nova");
        QTest::addColumn<int>("automatica");
        QTest::addColumn<bool>("bloqueada");
        QTest::addColumn<QString>("aviso");
        QTest::addColumn<bool>("inicia"); // the verification starts, on its own or by a click on the balloon
        const QString texto = QStringLiteral("Nova versão disponível: 01.24.00");
        const QString clique = QStringLiteral("\n\nClique para iniciar a instalação");
        QTest::newRow("a new version is announced with a click to install")
            << true << 0 << false << texto + clique << true;
        QTest::newRow("blocked updates never start, nor offer the click") << true << 1 << true << texto << false;
        QTest::newRow("automatic updates start without a balloon") << true << 1 << false << "" << true;
        QTest::newRow("nothing new, nothing said") << false << 1 << false << "" << false;
    }

    void startupCheckAnnouncesOrStarts()
    {
        QFETCH(QString, aviso);
        QFETCH(bool, inicia);
        QVERIFY(QDir().mkpath(m_versoes));
        if (dado<bool>("nova"))
            ofereceVersao();
        testsupport::writeConfig(
            {{"iniciar_atualizacao_aut", dado<int>("automatica")}, {"bloquear_atualizacao", dado<bool>("bloqueada")}});
        TestController c;
        QSignalSpy iniciada(&c, &Base_Controller::atualizacaoIniciada);
        c.verificarAtualizacaoInicial();
        QCOMPARE(c.avisoAtualizacao(), aviso);
        QVERIFY(!c.isRunning()); // the automatic start waits for the event loop
        QCoreApplication::sendPostedEvents();
        if (aviso.endsWith(QStringLiteral("instalação")))
            emit c.trayIcon()->messageClicked();
        QCOMPARE(iniciada.count(), inicia ? 1 : 0);
        QVERIFY(!inicia || esperaTerminar(c, 10000));
        QCOMPARE(c.ofertaPendente(), inicia); // the offer waits for SIM or NÃO
    }

    // The cashier and the Z3_Tef backend, through the window.
    void vendaComValorDigitadoETipoEscolhido()
    {
        Cena cena;
        QVERIFY(cena.janela.carregada());
        Z3_Tef_Controller &c = cena.c;
        JanelaQml &janela = cena.janela;
        QSignalSpy &resultado = cena.resultado;
        QSignalSpy primeiras(&c, &Base_Controller::firstTextChanged);
        const QString valor = c.formataValor(QStringLiteral("1000"));
        for (const int escolha : {-1, 1}) { // the first sale is given up at the card type
            cena.iniciar({{"identificacao", QString::number(10 + escolha)}, {"tipo_cartao", "7"}});
            // The field starts empty (not the last sale's amount): an untouched OK is refused, the step stays open.
            QVERIFY(passoDigitado(janela, QStringLiteral("Digite o valor da transação")));
            QCOMPARE(texto(janela, "textField"), QString());
            QVERIFY(janela.clica(QStringLiteral("button")));
            QTRY_COMPARE(texto(janela, "element2"), QStringLiteral("Preencha um valor!"));
            QVERIFY(c.aguardandoOperador());
            QVERIFY(digitar(janela, QStringLiteral("1000")));
            QCOMPARE(texto(janela, "textField"), valor);
            QVERIFY(janela.clica(QStringLiteral("button")));
            // The card type: nothing chosen is refused and the list stays on screen.
            QTRY_VERIFY_WITH_TIMEOUT(
                visivel(janela, "rec") && visivel(janela, "button") && !visivel(janela, "textField"), 10000);
            QCOMPARE(texto(janela, "element"), QStringLiteral("Venda \n Valor: ") + valor);
            QObject *lista = janela.objeto(QStringLiteral("list"));
            QTRY_COMPARE(lista->property("count").toInt(), 5);
            lista->setProperty("currentIndex", -1);
            QVERIFY(janela.clica(QStringLiteral("button"))); // handled on this thread: the window has reacted
            QVERIFY(visivel(janela, "rec") && !visivel(janela, "textField") && c.aguardandoOperador());
            lista->setProperty("currentIndex", escolha);
            QVERIFY(janela.clica(QString::fromLatin1(escolha < 0 ? "button2" : "button")));
            QTRY_COMPARE_WITH_TIMEOUT(resultado.count(), escolha < 0 ? 1 : 2, 10000);
            QVERIFY(cena.terminar());
        }
        const QJsonObject r = json(resultado.last());
        QCOMPARE(r.value("requer_confirmacao").toString(), QStringLiteral("2"));
        QCOMPARE(r.value("tef").toObject().value("valorTotal").toString(), QStringLiteral("1000"));
        QCOMPARE(r.value("tef").toObject().value("tipoCartao").toString(), QStringLiteral("Debito"));
        // The chosen type shows on the first line of the pass that follows the choice.
        QVERIFY(textos(primeiras).contains(QStringLiteral("Venda Debito\n Valor: ") + valor));
    }

    void cancelamentoComecaNsuEDataComOQueOPdvEnviou_data()
    {
        // The request's NSU (012-000) and date (022-000), and the date field when its step opens ("//": empty).
        QTest::addColumn<QString>("nsu");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("dataNoCampo");
        // clang-format off
        QTest::newRow("request's NSU and date start the fields") << "000000456789" << "06122026" << "06/12/26";
        QTest::newRow("a typed NSU does not stay for the date") << "" << "" << "//";
        QTest::newRow("a date the field cannot take is left to the cashier") << "000000456789" << "2026-12-06" << "//";
        // clang-format on
    }

    void cancelamentoComecaNsuEDataComOQueOPdvEnviou()
    {
        QFETCH(QString, nsu);
        QFETCH(QString, data);
        QFETCH(QString, dataNoCampo);
        QJsonObject parametros{{"identificacao", "30"}, {"valor", "15000"}};
        if (!nsu.isEmpty())
            parametros.insert("numero_transacao", nsu);
        if (!data.isEmpty())
            parametros.insert("data_transacao", data);
        Cena cena;
        QVERIFY(cena.janela.carregada());
        JanelaQml &janela = cena.janela;
        QSignalSpy &resultado = cena.resultado;
        cena.iniciar(parametros, QStringLiteral("CNC"));
        // The cashier types what a field lacks and otherwise confirms it as it is.
        QVERIFY(passoDigitado(janela, QStringLiteral("Digite o NSU da transação original")));
        QCOMPARE(texto(janela, "textField"), nsu);
        if (nsu.isEmpty())
            QVERIFY(digitar(janela, QStringLiteral("000000456789")));
        QVERIFY(janela.clica(QStringLiteral("button")));
        QVERIFY(passoDigitado(janela, QStringLiteral("Digite a data da transação original")));
        QCOMPARE(texto(janela, "textField"), dataNoCampo);
        if (dataNoCampo == QLatin1String("//"))
            QVERIFY(digitar(janela, QStringLiteral("061226")));
        QVERIFY(janela.clica(QStringLiteral("button")));

        QTRY_COMPARE_WITH_TIMEOUT(resultado.count(), 1, 10000);
        QVERIFY(cena.terminar());
        const QJsonObject r = json(resultado.first());
        QCOMPARE(r.value("tef").toObject().value("retorno").toString(), QStringLiteral("0"));
        QCOMPARE(r.value("requer_confirmacao").toString(), QStringLiteral("2")); // the POS confirms it
        QCOMPARE(cena.nucleo->pendentes().size(), 1);
        const QByteArray chamadas = testsupport::readAll(m_simLog);
        QVERIFY2(chamadas.contains(R"(\"automacao_coleta_informacao\":\"000000456789\")"), chamadas.constData());
        QVERIFY2(chamadas.contains(R"(\"automacao_coleta_informacao\":\"06/12/26\")"), chamadas.constData());
        // The library's contract is unchanged: it is not handed the request's NSU or date.
        QVERIFY(!chamadas.contains("numero_transacao") && !chamadas.contains("data_transacao"));
        // Support can tell a value the POS sent from one the cashier typed.
        const QString log = QString::fromUtf8(testsupport::readAll(m_log));
        QCOMPARE(
            log.contains(QStringLiteral("Campo transacao_nsu iniciado com o valor enviado pelo A/C: 000000456789")),
            !nsu.isEmpty());
        QCOMPARE(log.contains(QStringLiteral("Campo transacao_data iniciado com o valor enviado pelo A/C: 06/12/26")),
                 dataNoCampo != QLatin1String("//"));
    }

    void telasERespostasNoLogSemASenha()
    {
        Cena cena;
        QVERIFY(cena.janela.carregada());
        JanelaQml &janela = cena.janela;
        cena.iniciar({{"identificacao", "40"}}, QStringLiteral("ADM"));
        QTRY_VERIFY_WITH_TIMEOUT(visivel(janela, "rec") && visivel(janela, "button"), 10000);
        QObject *lista = janela.objeto(QStringLiteral("list"));
        QTRY_COMPARE(lista->property("count").toInt(), 3);
        lista->setProperty("currentIndex", 1);
        QVERIFY(janela.clica(QStringLiteral("button")));
        QVERIFY(passoDigitado(janela, QStringLiteral("Digite a senha do supervisor")));
        const QString senha = QStringLiteral("zq7senha9");
        QVERIFY(digitar(janela, senha));
        QVERIFY(janela.clica(QStringLiteral("button")));
        QTRY_COMPARE_WITH_TIMEOUT(cena.resultado.count(), 1, 10000);
        QVERIFY(cena.terminar());
        // The library got the password; the log never did.
        QVERIFY(testsupport::readAll(m_simLog).contains(senha.toUtf8()));
        const QString log = QString::fromUtf8(testsupport::readAll(m_log));
        QVERIFY2(!log.contains(senha), qPrintable(log));
        // The sale can be followed from the log: what was shown, then what the cashier answered.
        int desde = 0;
        for (const char *linha : {"Tela, lista: [0] Teste de comunicacao; [1] Reimpressao; [2] Cancelamento\n",
                                  "Resposta do operador: opção 1 (Reimpressao)\n",
                                  "Tela: Digite a senha do supervisor\n", "Tela: campo de senha aberto\n",
                                  "Resposta do operador: ****\n", "Tela: Operação administrativa concluída\n"}) {
            desde = log.indexOf(QStringLiteral("[Base_Controller] ") + QString::fromUtf8(linha), desde);
            QVERIFY2(desde >= 0, linha);
        }
    }

    // The cashier's own operations, from the tray or the list, joined as the start-up joins them.
    void operacaoDoOperador_data()
    {
        QTest::addColumn<int>("produto");
        QTest::addColumn<QString>("origem");        // a tray entry's text, or "#n" for the list position
        QTest::addColumn<QJsonObject>("ajustes");   // of the settings
        QTest::addColumn<QStringList>("respostas"); // as conduzir takes them
        QTest::addColumn<int>("execucoes");         // backend runs: the operation, then its confirmation
        QTest::addColumn<QStringList>("pdfs");      // under <caminho_pdf>/TEF, {d} = year/month/day
        QTest::addColumn<QString>("erro");          // the red banner, empty: none
        QTest::addColumn<QString>("chamada");       // a library call made, "!" one never made; empty: no check
        const QStringList venda{"1000", "#0"}, valor{"500"}, nada;
        const QStringList pdfsVenda{"VENDA/{d}/via_lojista_nsu_{n}.pdf", "VENDA/{d}/via_cliente_nsu_{n}.pdf"};
        const QStringList pdfsPix{"PIX/{d}/lojista_nsu_{n}.pdf", "PIX/{d}/cliente_nsu_{n}.pdf"};
        const QString cartao = QStringLiteral("Venda Cartão"), semComprovante = "Sem comprovante para imprimir";
        const QJsonObject padrao;
        // clang-format off
        QTest::newRow("bandeja: venda cartão") << 2 << cartao << padrao << venda << 2 << pdfsVenda << "" << "";
        QTest::newRow("sem til: ignorada") << 2 << "Venda Cartao" << padrao << nada << 0 << nada << "" << "";
        QTest::newRow("pix em minúsculas com brancos") << 2 << "  pix " << padrao << valor << 2 << pdfsPix << "" << "";
        QTest::newRow("lista: ADM sem comprovante") << 2 << "#2" << padrao << QStringList{"#0", "1234"} << 1 << nada
            << semComprovante << "";
        QTest::newRow("pedido do PDV à espera do PIX") << 2 << "PIX" << QJsonObject{{"habilita_impressao", false},
            {"gerar_pdf", false}, {"pedido_pdv", true}} << valor << 2 << nada << "" << "";
        QTest::newRow("impressora recusa a conexão") << 2 << cartao << QJsonObject{{"gerar_pdf", false},
            {"cenario", -2}} << venda << 2 << nada << "Erro de comunicação com a impressora: -2" << "";
        QTest::newRow("pasta de PDF inválida") << 2 << cartao << QJsonObject{{"habilita_impressao", false},
            {"caminho_pdf", ""}} << venda << 2 << nada << "Falha na criação do PDF. Caminho inválido." << "";
        QTest::newRow("produto 0: crédito no menu, valor pedido pela biblioteca") << 0 << cartao << padrao
            << QStringList{"#1", "1000"} << 2 << pdfsVenda << "" << "VardaTEF_RealizarPagamentoTEF(2, ";
        QTest::newRow("produto 1: valor pedido na janela") << 1 << cartao << padrao << QStringList{"$1250"} << 2
            << pdfsVenda << "" << R"(IniciaVenda(1, "z3", "1250"))";
        QTest::newRow("produto 1: valor cancelado, biblioteca nem chamada") << 1 << cartao << padrao
            << QStringList{"cancela"} << 1 << nada << semComprovante << "!IniciaVenda";
        // clang-format on
    }

    void operacaoDoOperador()
    {
        QFETCH(int, produto);
        QFETCH(QString, origem);
        QFETCH(QJsonObject, ajustes);
        QFETCH(int, execucoes);
        QFETCH(QStringList, pdfs);
        QFETCH(QString, erro);
        QTemporaryDir pasta;
        const QString spool = pasta.filePath("spool");
        const bool pedidoPdv = ajustes.take("pedido_pdv").toBool();
        QVERIFY(testsupport::writeAll(
            m_cenario, ajustes.take("cenario").toInt() == -2 ? R"({"impressora_abre_conexao": -2})" : "{}"));
        qputenv("Z3_SIM_IMPRESSORA", spool.toUtf8());
        QFile::remove(m_simLog);
        CenaAutonoma cena(produto, pasta.path(), ajustes);
        QVERIFY(cena.janela.carregada());
        QSignalSpy &resultados = cena.resultado;
        // How many receipt copies were out when the confirmation started: all of them, once they are counted.
        QSignalSpy pdfsGravados(cena.autonomo.pdf(), &pdf_utils::pdfFinished);
        QSignalSpy copiasImpressas(cena.autonomo.impressao(), &print_utils::printFinished);
        int recibosAntesDaConfirmacao = -1;
        connect(cena.nucleo.get(), &NucleoTransacao::iniciada, this, [&](const Requisicao &r) {
            if (r.origem == Requisicao::Origem::Confirmacao)
                recibosAntesDaConfirmacao = pdfsGravados.size() + copiasImpressas.size();
        });
        if (origem.startsWith('#')) {
            cena.c.initComponentAutonomo();
            QVERIFY(QTest::qWaitForWindowExposed(cena.janela.janela()));
            QObject *lista = cena.janela.objeto(QStringLiteral("list"));
            QTRY_COMPARE(lista->property("count").toInt(), 3);
            lista->setProperty("currentIndex", origem.mid(1).toInt());
            QVERIFY(cena.janela.clica(QStringLiteral("bt_autonomo_ok")));
        } else {
            emit cena.c.process(origem);
        }
        // A POS request that arrives while the operation runs waits for it and its confirmation.
        if (pedidoPdv)
            QVERIFY(testsupport::writeAll(pasta.filePath("req/IntPos.001"),
                                          "000-000 = ATV\r\n001-000 = 77\r\n999-999 = 0\r\n"));
        if (execucoes == 0) {
            QVERIFY(!cena.nucleo->emExecucao() && cena.ocupacao.livre()); // it would have started in the emit
            return;
        }
        QVERIFY(conduzir(cena, dado<QStringList>("respostas"), execucoes));
        QTRY_COMPARE(resultados.size(), execucoes + (pedidoPdv ? 1 : 0)); // the POS's comes last
        const QString nsu = Recibo::dadosDoResultado(json(resultados.first())).value("nsuTerminal").toString();
        const QString chamada = dado<QString>("chamada");
        if (!chamada.isEmpty())
            QVERIFY2(testsupport::sequenciaSimulada(m_simLog).filter(chamada.mid(chamada.startsWith('!'))).isEmpty() ==
                         chamada.startsWith('!'),
                     qPrintable(testsupport::sequenciaSimulada(m_simLog).join('\n')));
        // The confirmation followed on its own, with the fixed request, and settled the sale in the journal
        // through the product's library.
        if (execucoes == 2) {
            QCOMPARE(json(resultados.at(1)).value("header").toString(), QStringLiteral("CNF"));
            const auto venda = cena.nucleo->diario().procurar(
                [&nsu](const DiarioTransacoes::Registro &r) { return r.pendente && r.pendente->nsuTerminal == nsu; });
            QCOMPARE(venda.size(), 1);
            QCOMPARE(venda.first().desfecho, QStringLiteral("confirmada"));
        }
        // Receipts: the simulated printer's jobs (both copies when printing is on) and the dated PDF tree.
        const int trabalhos =
            erro.isEmpty() && ajustes.value("habilita_impressao").toBool(true) && execucoes == 2 ? 2 : 0;
        QTRY_COMPARE_WITH_TIMEOUT(QDir(spool).entryList({"job-*.json"}, QDir::Files).size(), trabalhos, 10000);
        for (const QString &job : QDir(spool).entryList({"job-*.json"}, QDir::Files)) {
            const QJsonObject j = QJsonDocument::fromJson(testsupport::readAll(spool + "/" + job)).object();
            QCOMPARE(j.value("cortes").toArray(), QJsonArray{4});
            QVERIFY(QByteArray::fromBase64(j.value("texto_base64").toString().toLatin1()).contains("NSU: "));
        }
        const QDate hoje = QDate::currentDate();
        const QString d = QStringLiteral("%1/%2/%3").arg(hoje.year()).arg(hoje.month()).arg(hoje.day());
        for (const QString &pdf : pdfs) {
            const QString caminho = pasta.filePath("pdf/TEF/") + QString(pdf).replace("{d}", d).replace("{n}", nsu);
            QTRY_VERIFY2_WITH_TIMEOUT(QFileInfo(caminho).size() > 0, qPrintable(caminho), 10000);
        }
        if (pdfs.isEmpty())
            QVERIFY(!QFileInfo::exists(pasta.filePath("pdf/TEF")));
        // Confirmed only once its receipts were out, printed and filed or failed.
        if (execucoes == 2)
            QTRY_COMPARE_WITH_TIMEOUT(pdfsGravados.size() + copiasImpressas.size(), recibosAntesDaConfirmacao, 10000);
        // Every failure of the receipts reaches the cashier's red banner.
        if (!erro.isEmpty()) {
            QTRY_VERIFY_WITH_TIMEOUT(textos(cena.erros).contains(erro), 10000);
            QTRY_VERIFY(visivel(cena.janela, "rectangle2"));
        } else {
            QCOMPARE(textos(cena.erros), QStringList{});
        }
        if (pedidoPdv) {
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(pasta.filePath("resp/IntPos.Sts")), 15000);
            QVERIFY(testsupport::readAll(pasta.filePath("resp/IntPos.Sts")).contains("001-000 = 77"));
            QVERIFY(!QFileInfo::exists(pasta.filePath("req/IntPos.001")));
        }
        // The cashier's own operation leaves nothing for the POS.
        QCOMPARE(QDir(pasta.filePath("resp")).entryList(QDir::Files),
                 pedidoPdv ? QStringList{"IntPos.Sts"} : QStringList{});
        QTRY_VERIFY_WITH_TIMEOUT(!cena.nucleo->emExecucao() && cena.ocupacao.livre(), 15000);
    }
};

QTEST_MAIN(TestJanela)
#include "tst_Janela.moc"
