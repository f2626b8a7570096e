// The operator window: the real QML, offscreen, against its window model and a
// scripted backend; the gate, the tray and the screens between runs as the
// wiring joins them; the updater; and the cashier's dialogue with the Z3_Tef
// backend and the simulated library, where the test only types and clicks.
#include "JanelaQml.h"
#include "TestController.h"
#include "TestJournal.h"
#include "TestSupport.h"
#include "app/Atualizacao.h"
#include "app/Configuracoes.h"
#include "app/MenuBandeja.h"
#include "app/Seletores.h"
#include "app/TefAutonomo.h"
#include "app/Wiring.h"
#include "backends/Janela.h"
#include "backends/Z3_Tef_Controller.h"
#include "exchange/MonitoraDiretorio.h"
#include "nucleo/NucleoTransacao.h"
#include "nucleo/Ocupacao.h"
#include "receipts/GravacaoRecibo.h"
#include "receipts/ImpressaoRecibo.h"
#include "receipts/Recibo.h"

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
    // The red banners among the window's notices.
    static QStringList erros(const QSignalSpy &avisos)
    {
        QStringList out;
        for (const auto &args : avisos) {
            if (args.value(1).toBool())
                out << args.value(0).toString();
        }
        return out;
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
        if (!j.clica(QStringLiteral("campo")))
            return false;
        QTest::keyClick(j.janela(), Qt::Key_Home);
        digita(j.janela(), texto);
        return true;
    }
    // Waits until the window asks for a typed value with this message and OK on screen.
    static bool passoDigitado(const JanelaQml &j, const QString &mensagem)
    {
        return QTest::qWaitFor(
            [&] { return texto(j, "mensagem") == mensagem && visivel(j, "campo") && visivel(j, "botaoOk"); }, 10000);
    }

    QString m_versoes, m_cenario, m_instalador;
    std::unique_ptr<TestController> m_controller;
    std::unique_ptr<JanelaQml> m_janela;
    Janela &modelo() { return m_controller->janela(); }
    QString m_cor; // what the colour picker returns; empty: cancelled
    // What the window asked, in order ("ok 4321 1", "voltar", "process PIX", "menu", ...).
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
        JanelaQml janela{&c.janela()};
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
                          {"nome_impressora", ImpressaoRecibo::impressoraFabricante()},
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
        JanelaQml janela{&backend->janela()};
        TefAutonomo autonomo{ConfigTef()};
        MonitoraDiretorio monitor{testsupport::configIniciada()};
        QSignalSpy resultado{nucleo.get(), &NucleoTransacao::resultado};
        QSignalSpy avisos{&c.janela(), &Janela::aviso};
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
                QMetaObject::invokeMethod(cena.janela.objeto(QStringLiteral("botaoCancelar")), "clicked");
            } else if (r.startsWith('$')) {
                if (!digitar(cena.janela, r.mid(1)))
                    return false;
                QMetaObject::invokeMethod(cena.janela.objeto(QStringLiteral("botaoOk")), "clicked");
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
        modelo().abrirConfiguracoes();
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
        connect(&c->janela(), &Janela::operacaoEscolhida, this,
                [this](const QString &op) { m_chamadas << "process " + op; });
        connect(&c->janela(), &Janela::menuPedido, this, [this] { m_chamadas << QStringLiteral("menu"); });
        m_janela = std::make_unique<JanelaQml>(&c->janela());
        QVERIFY(m_janela->carregada());
        // Quick banners: the test checks that they hide, not how long they stay.
        m_janela->objeto(QStringLiteral("tempoAviso"))->setProperty("interval", 20);
    }

    void cleanup()
    {
        m_janela.reset();
        m_controller.reset();
        seletores::substituir({});
    }

    // What is posted to the window model shows in the real window.
    void postedStatesReachTheWindow_data()
    {
        QTest::addColumn<QString>("acao"); // see postar()
        QTest::addColumn<QVariant>("argumento");
        QTest::addColumn<QString>("elemento"); // empty: the window itself
        QTest::addColumn<QByteArray>("propriedade");
        QTest::addColumn<QVariant>("esperado"); // invalid: unchanged
        auto linha = [](const char *nome, const char *acao, const QVariant &arg, const char *elemento,
                        const char *propriedade, const QVariant &esperado) {
            QTest::newRow(nome) << QString::fromUtf8(acao) << arg << QString::fromUtf8(elemento)
                                << QByteArray(propriedade) << esperado;
        };
        const QString msg = QStringLiteral("INSIRA OU PASSE O CARTÃO\nlinha 2");
        linha("main message", "mensagem", msg, "mensagem", "text", msg);
        linha("header line", "titulo", msg, "titulo", "text", msg);
        linha("a field proposes its value", "campo", msg, "campo", "text", msg);
        linha("input mask", "mascara", "99/99", "campo", "inputMask", "99/99; ");
        linha("the next field takes anything again", "mascara e outro campo", "99/99", "campo", "inputMask", "");
        linha("password field", "senha", true, "campo", "echoMode", 2); // TextInput.Password
        linha("error banner is red", "erro", msg, "faixaAviso", "color", QColor("#d93147"));
        linha("notice banner is green", "aviso", msg, "faixaAviso", "color", QColor("#008000"));
        linha("banner text", "aviso", msg, "textoAviso", "text", msg);
        linha("window brought forward", "mostrar", {}, "", "visible", true);
        linha("window hidden", "ocultar", {}, "", "visible", false);
        const char *botoes[] = {"botaoOk",  "botaoVoltar", "botaoCancelar",    "botaoSim",
                                "botaoNao", "botaoMenuOk", "botaoMenuCancelar"};
        for (int i = 0; i < 7; ++i)
            linha(botoes[i], "botao", i, botoes[i], "visible", true);
        linha("invalid highlight colour is ignored", "corDestaque", "#12", "faixaTitulo", "color", QVariant());
        linha("highlight colour", "corDestaque", "#123456", "faixaTitulo", "color", QColor("#123456"));
        linha("background colour", "corFundo", "#eeeeee", "areaMensagem", "color", QColor("#eeeeee"));
        linha("font colour, short form", "corFonte", "#333", "mensagem", "color", QColor("#333333"));
        linha("second font colour", "corFonteSecundaria", "#fafafa", "titulo", "color", QColor("#fafafa"));
        // The logo changes only to an existing file named by an absolute path.
        QImage imagem(40, 40, QImage::Format_RGB32);
        imagem.fill(Qt::black);
        const QString existente = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("logo_teste.png");
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(imagem.save(existente) && buffer.open(QIODevice::WriteOnly) && imagem.save(&buffer, "PNG"));
        linha("logo from an existing absolute file", "logo", existente, "logo", "source",
              QUrl::fromLocalFile(existente));
        linha("logo kept for a missing file", "logo", existente + ".nao", "logo", "source", QVariant());
        linha("logo kept for the bare default name", "logo", "Logo Varda Pay - Azul.png", "logo", "source", QVariant());
        linha("logo kept for a folder", "logo", QDir::tempPath(), "logo", "source", QVariant());
        linha("pix image from the base64 PNG", "qr", QString::fromLatin1(png.toBase64()), "qrCode", "sourceSize",
              QSize(40, 40));
        linha("window width", "largura", 700, "", "width", 700);
        linha("window height", "altura", 500, "", "height", 500);
    }

    void postedStatesReachTheWindow()
    {
        QFETCH(QString, acao);
        QFETCH(QVariant, argumento);
        QFETCH(QString, elemento);
        QFETCH(QByteArray, propriedade);
        QFETCH(QVariant, esperado);
        QObject *alvo = elemento.isEmpty() ? m_janela->janela() : m_janela->objeto(elemento);
        QVERIFY(alvo);
        auto lido = [&] {
            const QVariant v = alvo->property(propriedade.constData());
            return esperado.userType() == QMetaType::Int ? QVariant(v.toInt()) : v;
        };
        const QVariant antes = lido();
        Janela &j = modelo();
        const QString texto = argumento.toString();
        Janela::Campo campo;
        Janela::Aparencia aparencia; // every colour left empty is refused, so only the one set changes
        if (acao == "mensagem") {
            j.mostrarMensagem(texto);
        } else if (acao == "titulo") {
            j.mostrarTitulo(texto);
        } else if (acao == "campo" || acao == "senha" || acao.startsWith("mascara")) {
            campo.inicial = acao == "campo" ? texto : QString();
            campo.mascara = acao.startsWith("mascara") ? texto : QString();
            campo.senha = acao == "senha";
            j.abrirCampo(campo);
            if (acao == "mascara e outro campo")
                j.abrirCampo({});
        } else if (acao == "erro" || acao == "aviso") {
            acao == "erro" ? j.avisarErro(texto) : j.avisar(texto);
        } else if (acao == "mostrar" || acao == "ocultar") {
            j.mostrar();
            if (acao == "ocultar")
                j.ocultar();
        } else if (acao == "botao") {
            j.mostrarBotao(static_cast<Janela::Botao>(argumento.toInt()), true);
        } else if (acao == "qr") {
            j.mostrarQrCode(texto);
        } else {
            if (acao == "logo")
                aparencia.logo = texto;
            else if (acao == "largura" || acao == "altura")
                (acao == "largura" ? aparencia.largura : aparencia.altura) = argumento.toInt();
            for (auto [nome, cor] : {std::pair{"corDestaque", &aparencia.corDestaque},
                                     {"corFundo", &aparencia.corFundo},
                                     {"corFonte", &aparencia.corFonte},
                                     {"corFonteSecundaria", &aparencia.corFonteSecundaria}})
                if (acao == nome)
                    *cor = texto;
            j.aplicarAparencia(aparencia);
        }
        QTRY_COMPARE(lido(), esperado.isValid() ? esperado : antes); // an image loads on its own
        if (acao == "erro" || acao == "aviso")                       // and goes after its time
            QTRY_VERIFY_WITH_TIMEOUT(!visivel(*m_janela, "faixaAviso"), 5000);
    }

    // What the cashier's keys and clicks on each screen send. The steps: text typed, "@name"
    // clicked, "!Key" pressed (Enter on the keypad), "*n" the n-th entry clicked, "fora" a
    // press outside any control, "=text" a new message, "-" a new screen without a field.
    void screensAnswerTheBackend_data()
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
        QTest::newRow("OK sends the typed text with estado 1") << "campo" << "4321 @botaoOk" << "4321" << ok;
        QTest::newRow("keypad Enter confirms") << "campo" << "4321 !Enter" << "4321" << ok;
        QTest::newRow("Return does not confirm") << "campo" << "4321 !Return" << "4321" << nada;
        QTest::newRow("Escape cancels") << "campo" << "4321 !Escape" << "4321" << QStringList{"cancelar"};
        QTest::newRow("VOLTAR") << "campo" << "4321 @botaoVoltar" << "4321" << QStringList{"voltar"};
        QTest::newRow("CANCELAR") << "campo" << "4321 @botaoCancelar" << "4321" << QStringList{"cancelar"};
        QTest::newRow("OK on a screen without a field sends nothing typed before") << "campo" << "4321 - @botaoOk"
            << "4321" << QStringList{"ok  1"};
        QTest::newRow("money shown as currency as typed") << "valor" << "123456 !Backspace" << "12345" << nada;
        QTest::newRow("money format turned off") << "valor desligado" << "12" << "12" << nada;
        QTest::newRow("entry clicked, then OK, sends the index with estado 2") << "lista" << "*1 @botaoOk" << ""
            << um;
        QTest::newRow("arrows and keypad Enter send the index") << "lista" << setas << "" << um;
        QTest::newRow("autonomous menu by keys starts the operation") << "menu" << setas << "" << pix;
        QTest::newRow("autonomous entry clicked, then its OK") << "menu" << "*1 @botaoMenuOk" << "" << pix;
        QTest::newRow("autonomous CANCELAR asks for the menu") << "menu" << "@botaoMenuCancelar" << ""
            << QStringList{"menu"};
        QTest::newRow("notice: Confirmar without the check box") << "aviso" << "@botaoConfirmar" << marque << nada;
        QTest::newRow("notice: check box, then Confirmar") << "aviso" << "@cb_aviso @botaoConfirmar" << "" << aceito;
        QTest::newRow("notice: Escape closes without an answer") << "aviso" << "!Escape" << "" << nada;
        QTest::newRow("notice: a press outside closes without an answer") << "aviso" << "fora" << "" << nada;
        // clang-format on
    }

    void screensAnswerTheBackend()
    {
        QFETCH(QString, tela);
        QFETCH(QString, passos);
        QFETCH(QString, campo);
        QFETCH(QStringList, chamadas);
        Janela &j = modelo();
        if (tela == QLatin1String("menu")) {
            j.mostrarMenuOperacoes();
        } else if (tela == QLatin1String("aviso")) {
            j.avisarPendencia(QStringLiteral("123"));
            QTRY_VERIFY(m_janela->popup(QStringLiteral("aviso")));
        } else if (tela == QLatin1String("lista")) {
            j.abrirLista({"CREDITO", "DEBITO", "VOUCHER"});
            j.mostrarBotao(Janela::Botao::Ok, true);
        } else {
            Janela::Campo valor;
            valor.moeda = tela.startsWith(QLatin1String("valor"));
            j.abrirCampo(valor);
            if (tela == QLatin1String("valor desligado"))
                j.abrirCampo({});
            for (auto b : {Janela::Botao::Ok, Janela::Botao::Voltar, Janela::Botao::Cancelar})
                j.mostrarBotao(b, true);
        }
        QWindow *w = m_janela->janela();
        QVERIFY(QTest::qWaitForWindowExposed(w)); // also lays out what was posted
        static const QHash<QString, Qt::Key> teclas{{"Enter", Qt::Key_Enter},   {"Return", Qt::Key_Return},
                                                    {"Escape", Qt::Key_Escape}, {"Down", Qt::Key_Down},
                                                    {"Up", Qt::Key_Up},         {"Backspace", Qt::Key_Backspace}};
        for (const QString &passo : passos.split(' ')) {
            if (passo.startsWith('@')) {
                QVERIFY2(m_janela->clica(passo.mid(1)), qPrintable(passo));
            } else if (passo.startsWith('*')) { // 30 px an entry
                const QPointF ponto = m_janela->item("lista")->mapToScene(QPointF(40, 30 * passo.mid(1).toInt() + 15));
                QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, ponto.toPoint());
            } else if (passo == QLatin1String("fora")) {
                QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
            } else if (passo == QLatin1String("-")) {
                j.mostrarTela(Janela::Tela::SemBotoes);
                j.mostrarBotao(Janela::Botao::Ok, true);
            } else if (passo.startsWith('=')) {
                j.mostrarMensagem(passo.mid(1));
            } else if (passo.startsWith('!')) {
                const Qt::Key k = teclas.value(passo.mid(1));
                QTest::keyClick(w, k, k == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
            } else {
                digita(w, passo);
            }
        }
        if (j.termoAceito())
            m_chamadas << QStringLiteral("aviso true");
        QCOMPARE(m_chamadas, chamadas);
        if (tela == QLatin1String("aviso")) {
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
        QCOMPARE(texto(*m_janela, "campo"), tela == QLatin1String("valor") ? Janela::formatarValor(campo) : campo);
        if (tela == QLatin1String("menu")) {
            QVERIFY(visivel(*m_janela, "lista") && visivel(*m_janela, "botaoMenuOk") && !visivel(*m_janela, "botaoOk"));
            QCOMPARE(m_janela->objeto(QStringLiteral("listaOpcoes"))->property("count").toInt(), 3);
            QCOMPARE(j.opcoes(), (QStringList{"Venda Cartao", "PIX", "Operação Administrativa"}));
            QCOMPARE(texto(*m_janela, "mensagem"), QStringLiteral("Selecione uma operação: "));
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
        QSignalSpy reinicios(&m_janela->configuracoes(), &Configuracoes::reinicioPedido);
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
        for (const char *botao : {"btn_pasta_req", "btn_cor_destaque", "btn_logo", "btn_salvar"})
            QVERIFY2(clique(config, botao), botao);
        esperado.insert("path_in", QStringLiteral("/tmp/escolhida"));
        QJsonObject custom = esperado.value("customizacao").toObject();
        custom.insert("altura_janela", 700);
        if (!corEscolhida.isEmpty())
            custom.insert("cor_destaque", corEscolhida);
        custom.insert("caminho_logo", QStringLiteral("/tmp/logo.png"));
        esperado.insert("customizacao", custom);
        QCOMPARE(campo("txt_cor_destaque")->property("text").toString(), custom.value("cor_destaque").toString());

        QCOMPARE(QJsonDocument::fromJson(testsupport::readAll(testsupport::configPath())).object(), esperado);
        QCOMPARE(texto(*m_janela, "textoAviso"), QStringLiteral("Salvo com sucesso. O sistema será reiniciado"));
        QCOMPARE(cor(m_janela->item(QStringLiteral("faixaAviso"))), QColor(QStringLiteral("#008000")));
        QTRY_COMPARE(reinicios.count(), 1);
    }

    // Opened and saved untouched, the popup gives back what the program reads, field by field of the settings' table.
    void configPopupSavesWhatItShows_data()
    {
        QTest::addColumn<QJsonObject>("arquivo"); // settings written, "customizacao" ones included by name
        QTest::addColumn<QJsonObject>("salvo");   // what differs once saved
        const QJsonObject todos{{"path_in", "/tmp/pdv/req"},
                                {"path_out", "/tmp/pdv/resp"},
                                {"file_req", "REQ.001"},
                                {"file_resp", "RESP.STS"},
                                {"log", 0},
                                {"vitra", 1},
                                {"produto_tef", 1},
                                {"tag_comprovante", 2},
                                {"tag_028_001", 0},
                                {"aspas_comprovante", 1},
                                {"iniciar_atualizacao_aut", 1},
                                {"bloquear_atualizacao", true},
                                {"tipo_operacao", 1},
                                {"caminho_pdf", "/tmp/pdfs"},
                                {"gerar_pdf", true},
                                {"habilita_impressao", true},
                                {"visualizar_pdf", true},
                                {"codificacao_arquivos", "windows-1252"},
                                {"dias_historico", 30},
                                {"caminho_logo", "/tmp/logo.png"},
                                {"cor_fundo", "#101010"},
                                {"cor_destaque", "#202020"},
                                {"cor_fonte1", "#303030"},
                                {"cor_fonte2", "#404040"},
                                {"cor_selecao", "#505050"},
                                {"altura_janela", 700},
                                {"largura_janela", 900}};
        QTest::newRow("the defaults") << QJsonObject() << QJsonObject();
        QTest::newRow("every setting away from its default") << todos << QJsonObject();
        QTest::newRow("switches as their readers take them")
            << QJsonObject{{"log", 2}, {"vitra", 2}, {"tag_028_001", 2}, {"iniciar_atualizacao_aut", 3}}
            << QJsonObject{{"log", 0}, {"vitra", 0}, {"tag_028_001", 1}, {"iniciar_atualizacao_aut", 1}};
        QTest::newRow("choices off the lists")
            << QJsonObject{{"tag_comprovante", 7}, {"tipo_operacao", 2}, {"codificacao_arquivos", "latin1"}}
            << QJsonObject{{"tag_comprovante", 0}, {"tipo_operacao", 0}, {"codificacao_arquivos", "utf-8"}};
        QTest::newRow("a printer that has gone is kept") << QJsonObject{{"nome_impressora", "Sumiu"}} << QJsonObject();
    }

    void configPopupSavesWhatItShows()
    {
        QFETCH(QJsonObject, arquivo);
        QFETCH(QJsonObject, salvo);
        const auto aplicar = [](QJsonObject &o, const QJsonObject &ajustes) {
            QJsonObject custom = o.value("customizacao").toObject();
            for (auto it = ajustes.begin(); it != ajustes.end(); ++it)
                (custom.contains(it.key()) ? custom : o).insert(it.key(), it.value());
            o.insert("customizacao", custom);
        };
        QJsonObject esperado = ConfigTef().configuracao();
        aplicar(esperado, arquivo);
        QVERIFY(testsupport::writeAll(testsupport::configPath(), QJsonDocument(esperado).toJson()));
        QObject *config = abreConfig();
        QVERIFY(config);
        QVERIFY(clique(config, "btn_salvar"));
        aplicar(esperado, salvo);
        QCOMPARE(QJsonDocument::fromJson(testsupport::readAll(testsupport::configPath())).object(), esperado);
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
        QSignalSpy reinicios(&m_janela->configuracoes(), &Configuracoes::reinicioPedido);
        QObject *config = abreConfig();
        QVERIFY(config);
        if (campo.isEmpty()) {
            QFile::remove(testsupport::configPath());
            QVERIFY(QDir().mkdir(testsupport::configPath())); // the file can no longer be written
        } else { // An empty text stands for "the request folder, spelled another way".
            config->findChild<QObject *>(campo)->setProperty(
                "text", digitado.isEmpty() ? ConfigTef().pathIn() + QStringLiteral("/.") : digitado);
        }
        QVERIFY(clique(config, "btn_salvar"));
        if (campo.isEmpty())
            QVERIFY(QDir().rmdir(testsupport::configPath()));
        else
            QCOMPARE(testsupport::readAll(testsupport::configPath()), antes);
        if (aviso.isEmpty())
            return;
        QCOMPARE(texto(*m_janela, "textoAviso"), aviso);
        QVERIFY(config->property("opened").toBool());
        QTest::qWait(0);
        QCOMPARE(reinicios.count(), 0);
        QVERIFY(!config->findChild<QObject *>(QStringLiteral("time_restart"))->property("running").toBool());
    }

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
        const QString texto = Janela::formatarValor(dado<QString>("digitado"));
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

    void validaHex() { QTEST(Janela::corValida(dado<QString>("texto")), "valido"); }

    // The menu's OK by position and the tray's entries start the cashier's operation; nothing else does.
    void autonomousEntriesStartTheirOperation()
    {
        Janela janela;
        QSignalSpy escolhas(&janela, &Janela::operacaoEscolhida);
        for (int i : {0, 1, 2, 3, -1})
            janela.escolherOperacao(i);
        QCOMPARE(textos(escolhas), (QStringList{"Venda Cartão", "PIX", "Operação Administrativa"}));
        // Joined as the start-up joins them, each hands the cashier's worker its fixed request.
        MenuBandeja bandeja(false);
        TefAutonomo autonomo{ConfigTef()};
        Ocupacao ocupacao;
        wiring::conectar(
            {nullptr, &ocupacao, nullptr, nullptr, &autonomo, Pausas(), nullptr, nullptr, &janela, &bandeja});
        QStringList pedidos;
        connect(&autonomo, &TefAutonomo::enviarRequisicao, this, [&](const Requisicao &r) {
            pedidos << r.objeto().value("header").toString();
            ocupacao.liberar(Ocupacao::Dono::Operador);
        });
        for (QAction *a : bandeja.menuAutonomo()->actions()) {
            if (!a->isSeparator())
                a->trigger();
        }
        janela.escolherOperacao(1);
        QCOMPARE(pedidos, (QStringList{"CRT", "PIX", "ADM", "PIX"}));
    }

    // One request at a time: a second one that reaches the core while a transaction runs is answered as a failure
    // and never started, and the updater gives way to the transaction.
    void oneRunAtATime()
    {
        TestController c;
        Ocupacao ocupacao;
        NucleoTransacao nucleo(c, 2, m_dir.filePath("diario_um.jsonl"));
        Atualizacao atualizacao(c.janela(), ocupacao, nullptr, {});
        wiring::conectar({&nucleo, &ocupacao, &c, nullptr, nullptr, Pausas().divididas(100), nullptr, nullptr, nullptr,
                          nullptr, &atualizacao});
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
        QVERIFY(ocupacao.reservar(Ocupacao::Dono::Pdv)); // as the monitor does before it hands a request on
        nucleo.submeter(pedido("1"));
        QVERIFY(QTest::qWaitFor([&] { return c.fluxoPausado(); }, 5000));
        nucleo.submeter(pedido("2"));
        QTRY_COMPARE(resultados.size(), 1);
        QCOMPARE(json(resultados.first()).value("erro").toString(), QStringLiteral("Outra operação em andamento"));
        QVERIFY(!atualizacao.instalar());
        QVERIFY(!atualizacao.isRunning() && !atualizacao.acaoSolicitada());
        c.liberarFluxo();
        QTRY_COMPARE(resultados.size(), 2);
        QVERIFY(testsupport::waitUntil([&] { return !nucleo.emExecucao(); }, 5000));
        QCOMPARE(execucoes.load(), 1);
    }

    void closingTheWindowWaitsForTheRun()
    {
        TestController &c = *m_controller;
        Ocupacao ocupacao;
        NucleoTransacao nucleo(c, 2, m_dir.filePath("diario_fechar.jsonl"));
        wiring::conectar({&nucleo, &ocupacao, &c, nullptr, nullptr, Pausas().divididas(100)});
        std::atomic<bool> passou{false};
        c.roteiro = [&passou](TestController &t) {
            t.bloquearFluxo();
            t.janela().mostrarMensagem(QStringLiteral("aguarde"));
            t.aguardarFluxo();
            passou = true;
        };
        nucleo.submeter(
            Requisicao::doPdv(QStringLiteral(R"({"header":"CRT","parametros":{"identificacao":"1"}})"), false));
        QVERIFY(QTest::qWaitFor([&] { return c.fluxoPausado(); }, 5000));
        modelo().mostrar();
        m_janela->janela()->close(); // refused while the transaction waits
        QVERIFY(m_janela->janela()->isVisible() && visivel(*m_janela, "faixaAviso"));
        QCOMPARE(texto(*m_janela, "textoAviso"), QStringLiteral("Transação em processamento"));
        QVERIFY(!passou);
        c.onClickButtonOK(QStringLiteral("100"), 1);
        QVERIFY(testsupport::waitUntil([&] { return !nucleo.emExecucao(); }, 5000));
        QVERIFY(passou);
        // Once idle, closing only hides the window, which the tray's "Abrir" brings back.
        modelo().mostrar();
        m_janela->janela()->close();
        QVERIFY(!m_janela->janela()->isVisible());
        modelo().mostrar();
        QVERIFY(m_janela->janela()->isVisible());
    }

    // Clicks from another thread race each wait.
    void gateSurvivesAThousandRounds()
    {
        TestController c;
        constexpr int rodadas = 1000;
        std::atomic<int> rodada{-1};
        std::atomic<bool> acabou{false};
        std::unique_ptr<QThread> execucao(QThread::create([&c, &rodada] {
            for (int i = 0; i < rodadas; ++i) {
                c.bloquearFluxo();
                rodada = i;
                c.janela().mostrarMensagem(QString::number(i));
                c.aguardarFluxo();
            }
            rodada = rodadas;
        }));
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
        execucao->start();
        const bool terminou = esperaTerminar(*execucao, 60000);
        acabou = true;
        clicador->wait();
        QVERIFY(terminou);
        QCOMPARE(rodada.load(), rodadas);
        QTRY_COMPARE(c.janela().mensagem(), QString::number(rodadas - 1)); // every screen arrived, in order
    }

    void finishedRunUnlocksTheTrayAndShowsTheNextScreen_data()
    {
        QTest::addColumn<int>("tipoOperacao");
        QTest::addColumn<bool>("bloqueada");
        QTest::addColumn<bool>("oferta"); // a newer version waits for SIM or NÃO when the run starts
        QTest::addColumn<QString>("titulo");
        QTest::addColumn<QString>("mensagem");
        const QString ociosa = QStringLiteral("Aguardando arquivo intpos."),
                      operacao = QStringLiteral("TEF em operação");
        // clang-format off
        QTest::newRow("file exchange shows the idle screen") << 0 << false << false << operacao << ociosa;
        QTest::newRow("blocked updates stay disabled") << 0 << true << false << operacao << ociosa;
        QTest::newRow("autonomous only shows the menu") << 1 << false << false << "TEF em Processamento"
                                                        << "Selecione uma operação: ";
        QTest::newRow("an offer comes back after the run") << 0 << false << true << "Processo de verificação"
            << "Nova versão disponível: 01.24.00\n\nDeseja baixar atualização agora?";
        // clang-format on
    }

    void finishedRunUnlocksTheTrayAndShowsTheNextScreen()
    {
        QFETCH(bool, bloqueada);
        QFETCH(bool, oferta);
        testsupport::writeConfig({{"tipo_operacao", dado<int>("tipoOperacao")}, {"bloquear_atualizacao", bloqueada}});
        QVERIFY(QDir().mkpath(m_versoes));
        if (oferta)
            ofereceVersao();
        TestController c;
        Ocupacao ocupacao;
        NucleoTransacao nucleo(c, 2, m_dir.filePath("diario_bandeja.jsonl"));
        MenuBandeja bandeja(bloqueada);
        Atualizacao atualizacao(c.janela(), ocupacao, &bandeja, {bloqueada, false});
        wiring::conectar({&nucleo, &ocupacao, &c, nullptr, nullptr, Pausas().divididas(100), nullptr, nullptr, nullptr,
                          &bandeja, &atualizacao});
        wiring::prepararJanela(c.janela(), ConfigTef(), true);
        QVERIFY(bandeja.trayIcon() && !bandeja.trayIcon()->isVisible()); // offscreen has no tray
        const QVector<bool> aberto{true, true, true, !bloqueada};
        auto estado = [&bandeja] {
            return QVector<bool>{bandeja.menuAutonomo()->isEnabled(), bandeja.actionSobre()->isEnabled(),
                                 bandeja.actionConfiguracoes()->isEnabled(), bandeja.actionAtualizacao()->isEnabled()};
        };
        QCOMPARE(estado(), aberto);
        if (oferta) {
            QVERIFY(atualizacao.verificar());
            QVERIFY(esperaTerminar(atualizacao, 10000));
            QTRY_VERIFY(atualizacao.ofertaPendente() && c.janela().botaoSim());
        }
        c.roteiro = [](TestController &t) {
            t.bloquearFluxo();
            t.aguardarFluxo();
        };
        nucleo.submeter(
            Requisicao::doPdv(QStringLiteral(R"({"header":"CRT","parametros":{"identificacao":"1"}})"), false));
        QVERIFY(QTest::qWaitFor([&] { return c.fluxoPausado(); }, 5000));
        QTRY_COMPARE(estado(), QVector<bool>(4, false));
        QVERIFY(!c.janela().botaoSim()); // the offer is not answered in the middle of a sale
        c.liberarFluxo();
        QVERIFY(testsupport::waitUntil([&] { return !nucleo.emExecucao(); }, 5000));
        QTRY_COMPARE(estado(), aberto);
        QTEST(c.janela().titulo(), "titulo");
        QTEST(c.janela().mensagem(), "mensagem");
        QCOMPARE(c.janela().botaoSim(), oferta);
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
        QVERIFY(!Configuracoes().salvar(dado<QString>("texto")));
        QCOMPARE(testsupport::readAll(testsupport::configPath()), antes);
    }

    void customisationPushesTheLook_data()
    {
        QTest::addColumn<bool>("dialogoOperador");
        QTest::addColumn<int>("tipoOperacao");
        QTest::newRow("file exchange keeps the dialogue") << true << 0;
        QTest::newRow("a product without a dialogue hides it") << false << 0;
        QTest::newRow("autonomous only hides the dialogue") << true << 1;
    }

    void customisationPushesTheLook()
    {
        QFETCH(bool, dialogoOperador);
        QFETCH(int, tipoOperacao);
        QJsonObject custom = ConfigTef().configuracao().value(QStringLiteral("customizacao")).toObject();
        custom.insert(QStringLiteral("largura_janela"), 900);
        custom.insert(QStringLiteral("cor_destaque"), QStringLiteral("#123456"));
        testsupport::writeConfig({{"tipo_operacao", tipoOperacao}, {"customizacao", custom}});
        Janela janela;
        janela.mostrarTela(Janela::Tela::AguardandoResposta);
        QSignalSpy oculta(&janela, &Janela::ocultada);
        wiring::prepararJanela(janela, ConfigTef(), dialogoOperador);
        QCOMPARE(janela.botaoOk(), dialogoOperador && tipoOperacao == 0);
        QCOMPARE(janela.menuOperacoes(), tipoOperacao == 1);
        QCOMPARE(oculta.count(), 1);
        QCOMPARE(janela.largura(), 900);
        QCOMPARE(janela.corDestaque(), QColor(QStringLiteral("#123456")));
    }

    void aboutBoxNamesTheProgram()
    {
        Janela janela;
        MenuBandeja bandeja(false);
        wiring::conectar({nullptr, nullptr, nullptr, nullptr, nullptr, Pausas(), nullptr, nullptr, &janela, &bandeja});
        QSignalSpy frente(&janela, &Janela::trazidaParaFrente);
        bandeja.actionSobre()->trigger();
        QCOMPARE(janela.titulo(), QStringLiteral("Sobre"));
        QCOMPARE(frente.count(), 1);
        QVERIFY2(QRegularExpression("^Z3_TEFZoduvud versão 01\\.23\\.04 - S\\.O\\.: [^\n]*\n\nHostName: \\S")
                     .match(janela.mensagem())
                     .hasMatch(),
                 qPrintable(janela.mensagem()));
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
        linha("NÃO resets the screen and hides it", "nova", "", "Nao", ocioso, aguardando, false);
        linha("closing the window on the offer declines it", "nova", "", "fechar", ocioso, aguardando, false);
        linha("a failed download is reported", "nova", R"({"atualizador_download": "falha"})", "Sim",
              "Falha no processo de download", QStringLiteral("Falha na transferência do arquivo"), false, vermelho);
        linha("a download naming a missing file installs nothing", "nova", R"({"atualizador_download": "sem_arquivo"})",
              "Sim", "Falha no processo de instalação", semExecutar, false, vermelho);
        linha("a download that is not the verified version is discarded", "nova",
              R"({"atualizador_download": "hash_divergente"})", "Sim", "Falha no processo de download",
              QStringLiteral("Arquivo baixado não confere com a versão verificada"), false, vermelho);
        linha("an installer that cannot start keeps the program", "sem execucao", "", "Sim",
              "Falha no processo de instalação", semExecutar + ": ", false, vermelho);
        linha("SIM downloads, installs and quits", "nova", "", "Sim", "Processo de instalação",
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

        Ocupacao ocupacao;
        Atualizacao atualizacao(modelo(), ocupacao, nullptr, {});
        wiring::conectar({nullptr, &ocupacao, m_controller.get(), nullptr, nullptr, Pausas().divididas(100), nullptr,
                          nullptr, nullptr, nullptr, &atualizacao});
        QSignalSpy banners(&modelo(), &Janela::aviso);
        QVERIFY(atualizacao.verificar());
        QVERIFY(esperaTerminar(atualizacao, 10000));
        QVERIFY(!QFile::exists(temporaria + QStringLiteral("/antigo.sh")));
        const bool instala = titulo == QStringLiteral("Processo de instalação");
        if (!botao.isEmpty()) {
            QTRY_VERIFY(visivel(*m_janela, "botaoSim"));
            // The row lays the buttons out later: a click by position could land on the other one.
            if (botao == QLatin1String("fechar"))
                m_janela->janela()->close();
            else
                QVERIFY(QMetaObject::invokeMethod(m_janela->objeto(QStringLiteral("botao") + botao), "clicked"));
            if (instala) { // the program's own loop, which the way out ends; the deadline ends it otherwise
                QSignalSpy saida(&atualizacao, &Atualizacao::encerramentoPedido);
                connect(&atualizacao, &Atualizacao::encerramentoPedido, this, [] { QCoreApplication::exit(0); });
                QTimer::singleShot(Pausas().antesDeInstalarMs + 10000, [] { QCoreApplication::exit(99); });
                QCOMPARE(QCoreApplication::exec(), 0);
                QCOMPARE(saida.size(), 1);
                QCOMPARE(saida.first().value(1).toBool(), false); // the installer takes over: no restart
            }
            QVERIFY(esperaTerminar(atualizacao, 10000));
        }
        // The run has posted its last screen and its end: take them all before looking.
        QCoreApplication::sendPostedEvents();
        QTRY_COMPARE(texto(*m_janela, "titulo"), titulo);
        QVERIFY2(texto(*m_janela, "mensagem").startsWith(dado<QString>("mensagem")),
                 qPrintable(texto(*m_janela, "mensagem")));
        QCOMPARE(visivel(*m_janela, "botaoSim"), simNao);
        QCOMPARE(visivel(*m_janela, "botaoNao"), simNao);
        const bool ocioso = titulo == QStringLiteral("TEF em operação");
        QCOMPARE(visivel(*m_janela, "barraOcupado"), ocioso || instala);
        QCOMPARE(m_janela->janela()->isVisible(), !ocioso);
        const QString mostrado =
            cor(m_janela->objeto(QStringLiteral("faixaAviso"))).name() + ' ' + texto(*m_janela, "textoAviso");
        QCOMPARE(banners.count(), banner.isEmpty() ? 0 : 1);
        QVERIFY2(banner.isEmpty() || mostrado.startsWith(banner), qPrintable(mostrado));
        // The offer waits for its answer without holding the thread.
        QCOMPARE(atualizacao.ofertaPendente(), simNao && banner.isEmpty());
        QVERIFY(!atualizacao.acaoSolicitada() && ocupacao.livre());
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
        const ConfigTef config;
        Janela janela;
        Ocupacao ocupacao;
        MenuBandeja bandeja(config.bloquearAtualizacao());
        Atualizacao atualizacao(janela, ocupacao, &bandeja,
                                {config.bloquearAtualizacao(), config.iniciarAtualizacaoAut() != 0});
        wiring::conectar({nullptr, &ocupacao, nullptr, nullptr, nullptr, Pausas(), nullptr, nullptr, &janela, &bandeja,
                          &atualizacao});
        atualizacao.verificarAoAbrir();
        QCOMPARE(atualizacao.avisoAtualizacao(), aviso);
        QVERIFY(!atualizacao.acaoSolicitada()); // the automatic start waits for the event loop
        QCoreApplication::sendPostedEvents();
        if (aviso.endsWith(QStringLiteral("instalação")))
            emit bandeja.trayIcon()->messageClicked();
        QCOMPARE(atualizacao.acaoSolicitada() || atualizacao.isFinished(), inicia);
        QVERIFY(!inicia || esperaTerminar(atualizacao, 10000));
        QCOMPARE(atualizacao.ofertaPendente(), inicia); // the offer waits for SIM or NÃO
    }

    // The cashier and the Z3_Tef backend, through the window.
    void vendaComValorDigitadoETipoEscolhido()
    {
        Cena cena;
        QVERIFY(cena.janela.carregada());
        Z3_Tef_Controller &c = cena.c;
        JanelaQml &janela = cena.janela;
        QSignalSpy &resultado = cena.resultado;
        QStringList primeiras;
        connect(&c.janela(), &Janela::tituloChanged, this, [&] { primeiras << c.janela().titulo(); });
        const QString valor = Janela::formatarValor(QStringLiteral("1000"));
        for (const int escolha : {-1, 1}) { // the first sale is given up at the card type
            cena.iniciar({{"identificacao", QString::number(10 + escolha)}, {"tipo_cartao", "7"}});
            // The field starts empty (not the last sale's amount): an untouched OK is refused, the step stays open.
            QVERIFY(passoDigitado(janela, QStringLiteral("Digite o valor da transação")));
            QCOMPARE(texto(janela, "campo"), QString());
            QVERIFY(janela.clica(QStringLiteral("botaoOk")));
            QTRY_COMPARE(texto(janela, "textoAviso"), QStringLiteral("Preencha um valor!"));
            QVERIFY(c.aguardandoOperador());
            QVERIFY(digitar(janela, QStringLiteral("1000")));
            QCOMPARE(texto(janela, "campo"), valor);
            QVERIFY(janela.clica(QStringLiteral("botaoOk")));
            // The card type: nothing chosen is refused and the list stays on screen.
            QTRY_VERIFY_WITH_TIMEOUT(
                visivel(janela, "lista") && visivel(janela, "botaoOk") && !visivel(janela, "campo"), 10000);
            QCOMPARE(texto(janela, "titulo"), QStringLiteral("Venda \n Valor: ") + valor);
            QObject *lista = janela.objeto(QStringLiteral("listaOpcoes"));
            QTRY_COMPARE(lista->property("count").toInt(), 5);
            lista->setProperty("currentIndex", -1);
            QVERIFY(janela.clica(QStringLiteral("botaoOk"))); // handled on this thread: the window has reacted
            QVERIFY(visivel(janela, "lista") && !visivel(janela, "campo") && c.aguardandoOperador());
            lista->setProperty("currentIndex", escolha);
            QVERIFY(janela.clica(QString::fromLatin1(escolha < 0 ? "botaoCancelar" : "botaoOk")));
            QTRY_COMPARE_WITH_TIMEOUT(resultado.count(), escolha < 0 ? 1 : 2, 10000);
            QVERIFY(cena.terminar());
        }
        const QJsonObject r = json(resultado.last());
        QCOMPARE(r.value("requer_confirmacao").toString(), QStringLiteral("2"));
        QCOMPARE(r.value("tef").toObject().value("valorTotal").toString(), QStringLiteral("1000"));
        QCOMPARE(r.value("tef").toObject().value("tipoCartao").toString(), QStringLiteral("Debito"));
        // The chosen type shows on the first line of the pass that follows the choice.
        QVERIFY(primeiras.contains(QStringLiteral("Venda Debito\n Valor: ") + valor));
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
        QCOMPARE(texto(janela, "campo"), nsu);
        if (nsu.isEmpty())
            QVERIFY(digitar(janela, QStringLiteral("000000456789")));
        QVERIFY(janela.clica(QStringLiteral("botaoOk")));
        QVERIFY(passoDigitado(janela, QStringLiteral("Digite a data da transação original")));
        QCOMPARE(texto(janela, "campo"), dataNoCampo);
        if (dataNoCampo == QLatin1String("//"))
            QVERIFY(digitar(janela, QStringLiteral("061226")));
        QVERIFY(janela.clica(QStringLiteral("botaoOk")));

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
        QTRY_VERIFY_WITH_TIMEOUT(visivel(janela, "lista") && visivel(janela, "botaoOk"), 10000);
        QObject *lista = janela.objeto(QStringLiteral("listaOpcoes"));
        QTRY_COMPARE(lista->property("count").toInt(), 3);
        lista->setProperty("currentIndex", 1);
        QVERIFY(janela.clica(QStringLiteral("botaoOk")));
        QVERIFY(passoDigitado(janela, QStringLiteral("Digite a senha do supervisor")));
        const QString senha = QStringLiteral("zq7senha9");
        QVERIFY(digitar(janela, senha));
        QVERIFY(janela.clica(QStringLiteral("botaoOk")));
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
            desde = log.indexOf(QStringLiteral("[Janela] ") + QString::fromUtf8(linha), desde);
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
        QSignalSpy pdfsGravados(cena.autonomo.pdf(), &GravacaoRecibo::gravado);
        QSignalSpy copiasImpressas(cena.autonomo.impressao(), &ImpressaoRecibo::impresso);
        int recibosAntesDaConfirmacao = -1;
        connect(cena.nucleo.get(), &NucleoTransacao::iniciada, this, [&](const Requisicao &r) {
            if (r.origem == Requisicao::Origem::Confirmacao)
                recibosAntesDaConfirmacao = pdfsGravados.size() + copiasImpressas.size();
        });
        if (origem.startsWith('#')) {
            cena.c.janela().mostrarMenuOperacoes();
            QVERIFY(QTest::qWaitForWindowExposed(cena.janela.janela()));
            QObject *lista = cena.janela.objeto(QStringLiteral("listaOpcoes"));
            QTRY_COMPARE(lista->property("count").toInt(), 3);
            lista->setProperty("currentIndex", origem.mid(1).toInt());
            QVERIFY(cena.janela.clica(QStringLiteral("botaoMenuOk")));
        } else {
            emit cena.c.janela().operacaoEscolhida(origem);
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
            QTRY_VERIFY_WITH_TIMEOUT(erros(cena.avisos).contains(erro), 10000);
            QTRY_VERIFY(visivel(cena.janela, "faixaAviso"));
        } else {
            QCOMPARE(erros(cena.avisos), QStringList{});
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
