#include "app/Startup.h"

#include "AcoesBandeja.h"
#include "CanalInstancia.h"
#include "Consultas.h"
#include "Encerramento.h"
#include "Reimpressao.h"
#include "SingleInstanceGuard.h"
#include "app/Atualizacao.h"
#include "app/Configuracoes.h"
#include "app/MenuBandeja.h"
#include "app/TefAutonomo.h"
#include "app/Wiring.h"
#include "backends/Base_Controller.h"
#include "backends/Janela.h"
#include "base/ConfigTef.h"
#include "base/Log.h"
#include "base/Platform.h"
#include "base/Versao.h"
#include "exchange/MonitoraDiretorio.h"
#include "nucleo/NucleoTransacao.h"
#include "nucleo/Ocupacao.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QOpenGLContext>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char ajuda[] = "Usage: " Z3_APP_NAME " [options]\n"
                     "TEF payment manager: serves the point-of-sale requests written into the request folder.\n"
                     "\n"
                     "Options:\n"
                     "  --version           print the version and exit\n"
                     "  --help              print this text and exit\n"
                     "  --segundo-plano     start without showing the window; a copy already running\n"
                     "                      is left alone (the session's autostart)\n"
                     "  --estado            print the checkout's state as JSON and exit with 0 (a copy\n"
                     "                      runs, nothing unresolved), 1 (no copy runs) or 2 (a\n"
                     "                      transaction is unresolved); nothing is locked or written\n"
                     "  --transacoes DIA    print the transactions of DIA (AAAA-MM-DD, - for today) as\n"
                     "                      CSV and exit\n"
                     "  Any other option goes to Qt (for example -platform offscreen).\n"
                     "\n"
                     "Actions: the tray menu's entries, for desktops that show no tray. At most one;\n"
                     "it goes to the copy already running, which does what its tray entry does and\n"
                     "refuses it while that entry is off (an operation running). Without an action a\n"
                     "second launch shows the running copy's window. With no copy running the program\n"
                     "starts and then does the action; --sair then starts nothing.\n";

const char ajudaAmbiente[] = "\n"
                             "Settings: config_tef.json beside the executable when that folder is writable,\n"
                             "otherwise in $XDG_CONFIG_HOME/" Z3_APP_NAME " (by default ~/.config/" Z3_APP_NAME ").\n"
                             "\n"
                             "Environment:\n"
                             "  Z3_LOG             main log file (set to z3_log.txt by the setting \"log\": 1)\n"
                             "  Z3_LOG_PATH        existing folder for daily logs ddMMyy_Z3-LOG.txt\n"
                             "  Z3_LIB_DIR         folder every vendor library is loaded from\n"
                             "  Z3_EXIT_WHEN_IDLE  non-empty: quit as soon as start-up is done\n"
                             "  XDG_CONFIG_HOME    the user's configuration folder (see Settings)\n"
                             "  XDG_RUNTIME_DIR    where the running copy listens for the actions of a second launch\n"
                             "  QT_QPA_PLATFORM    Qt platform; offscreen when no display is found\n"
                             "  QT_QUICK_BACKEND   Qt Quick renderer; software when there is no OpenGL\n"
                             "Read by the simulated vendor libraries:\n"
                             "  Z3_SIM_LOG         file receiving one JSON line per library call\n"
                             "  Z3_SIM_CENARIO     JSON scenario file steering the answers\n"
                             "  Z3_SIM_ESTADO      folder keeping the simulated host's record\n"
                             "  Z3_SIM_DISPLAY     file receiving the customer display's screen\n"
                             "  Z3_SIM_IMPRESSORA  folder receiving the receipt printer's jobs\n"
                             "  Z3_SIM_ATUALIZACOES folder holding the versions the updater offers\n"
                             "  Z3_SIM_INSTALADOR  file the stand-in installer records its runs in\n";

const char opcaoSegundoPlano[] = "--segundo-plano";

// How long a second launch waits for the running copy, which may still be
// starting or busy in a blocking step of the file exchange.
constexpr int prazoEntregaMs = 10000;

// How long the copy a restart starts waits for the old one to let go of its lock.
constexpr int prazoReinicioMs = 15000;

// What the command line asks of a launch besides Qt's own options.
struct Pedido
{
    QString acao; // a tray action's name; empty for none
    bool segundoPlano = false;
    bool reinicio = false; // started by a restart: the old copy is on its way out
};

// Support's queries read what the running copy keeps, and change nothing.
int consultar(int argc, char *argv[], const char *dia)
{
    QCoreApplication app(argc, argv);
    const Consultas::Resposta r = dia ? Consultas::transacoes(QString::fromLocal8Bit(dia)) : Consultas::estado();
    std::fwrite(r.saida.constData(), 1, static_cast<size_t>(r.saida.size()), stdout);
    if (!r.erro.isEmpty())
        std::fputs(r.erro.toLocal8Bit().constData(), stderr);
    return r.codigo;
}

// Answered before anything else: no lock, no settings and no log for them.
// True when the program has nothing more to do; `codigo` is then its exit code.
bool respondeLinhaDeComando(int argc, char *argv[], Pedido *pedido, int *codigo)
{
    int escolhas = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--estado") == 0) {
            *codigo = consultar(argc, argv, nullptr);
            return true;
        }
        if (std::strcmp(argv[i], "--transacoes") == 0) {
            *codigo = consultar(argc, argv, i + 1 < argc ? argv[i + 1] : "");
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", Z3_APP_NAME, versaoAplicacao());
            *codigo = 0;
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(ajuda, stdout);
            std::fputs(AcoesBandeja::ajuda().toLocal8Bit().constData(), stdout);
            std::fputs(ajudaAmbiente, stdout);
            *codigo = 0;
            return true;
        }
        if (std::strcmp(argv[i], Encerramento::opcaoReinicio) == 0) {
            pedido->reinicio = true;
        } else if (std::strcmp(argv[i], opcaoSegundoPlano) == 0) {
            pedido->segundoPlano = true;
            ++escolhas;
        } else if (const AcoesBandeja::Acao *acao = AcoesBandeja::porOpcao(argv[i])) {
            pedido->acao = QLatin1String(acao->nome);
            ++escolhas;
        }
    }
    // "--pix --sair" has no one meaning: better nothing than a guess.
    if (escolhas > 1) {
        std::fputs(Z3_APP_NAME ": one action at a time (see --help)\n", stderr);
        *codigo = 2;
        return true;
    }
    return false;
}

// A second launch: the running copy gets the action, or shows its window.
void entregarAoAberto(const Pedido &pedido, const Log &log)
{
    // The autostart of a session whose copy already runs: nothing to raise.
    if (pedido.segundoPlano)
        return;
    const QString acao = pedido.acao.isEmpty() ? QLatin1String(AcoesBandeja::abrir) : pedido.acao;
    const CanalInstancia::Resposta r = CanalInstancia::entregar(acao, prazoEntregaMs);
    const QString linha = QStringLiteral("Ação \"%1\" entregue à instância aberta: %2").arg(acao, r.texto);
    if (!r.entregue)
        log.warning(QStringLiteral("Ação \"%1\" não entregue à instância aberta: %2").arg(acao, r.texto));
    else if (r.texto == QLatin1String("ok"))
        log.info(linha);
    else
        log.warning(linha);
}

// Qt Quick aborts when it cannot make an OpenGL context; a checkout must not
// lose its TEF manager over a missing driver.
bool semOpenGL()
{
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return true;
    QOpenGLContext contexto;
    return !contexto.create();
}

} // namespace

int runApplication(int argc, char *argv[])
{
    Pedido pedido;
    int codigo = 0;
    if (respondeLinhaDeComando(argc, argv, &pedido, &codigo))
        return codigo;

    // Without a display the job still has to be done: render offscreen.
    const bool offscreenFallback = platform::needsOffscreenFallback();
    if (offscreenFallback)
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    auto app = std::make_unique<QApplication>(argc, argv);
    // Read once; every component that needs a setting gets it from here.
    const ConfigTef config(ConfigTef::defaultFilePath());
    config.prepararInicio();
    auto autonomo = std::make_unique<TefAutonomo>(config);

    const Log log;
    log.info(Z3_APP_NAME);
    log.info(QStringLiteral("Versão: ") + QString::fromLatin1(versaoAplicacao()));
    if (offscreenFallback)
        log.warning("Nenhum servidor gráfico encontrado: janela desenhada fora da tela (offscreen)");
    log.info(QStringLiteral("Pasta da configuração: ") + QFileInfo(config.filePath()).absolutePath());

    auto guard = std::make_unique<SingleInstanceGuard>(SingleInstanceGuard::applicationKey());
    // A restart's copy takes the lock as soon as the old one lets go of it, instead of giving way to it.
    if (pedido.reinicio && !guard->tryToRun()) {
        log.info("Reinício: aguardando o encerramento da execução anterior");
        if (!guard->aguardarParaRodar(prazoReinicioMs)) {
            log.error(QStringLiteral("Reinício: a execução anterior não encerrou em %1 s").arg(prazoReinicioMs / 1000));
            return 1;
        }
    }
    if (!guard->tryToRun()) {
        log.debug("Uma instância já está aberta");
        entregarAoAberto(pedido, log);
        return 0;
    }
    if (pedido.acao == QLatin1String("sair")) {
        log.info("Nenhuma instância aberta para encerrar");
        return 0;
    }

    const int produto = config.produtoTef();
    log.info(QStringLiteral("Produto TEF configurado: ") + QString::number(produto));
    const wiring::Produto *linha = wiring::produto(produto);
    if (!linha) {
        log.error("Produto TEF inválido");
        return -1;
    }
    // The backend, its core and the busy state live until the process ends:
    // queued results may still arrive while the application is being torn down.
    Base_Controller *backend = wiring::createBackend(produto, config.vitra() == 1);
    NucleoTransacao *nucleo = backend ? wiring::criarNucleo(*backend, produto) : nullptr;
    auto *ocupacao = new Ocupacao;

    // File exchange with the POS. Without a backend nobody would answer, and a
    // request taken from the folder would be lost: then the folder is left alone.
    MonitoraDiretorio *monitor = nullptr;
    if (config.tipoOperacao() == 0) {
        // Never destroyed: the backend's queued signals may still arrive while the
        // application object is being torn down.
        if (backend)
            monitor = new MonitoraDiretorio(config);
        else
            log.error("Nenhum controlador TEF disponível: pedidos do PDV não serão atendidos");
    }
    // Trimmed before the recovery below writes to it; like the core, it lives until the process ends.
    Historico *historico = nucleo ? wiring::criarHistorico(produto) : nullptr;
    if (historico)
        historico->podar(config.diasHistorico());
    auto reimpressao = std::make_unique<Reimpressao>(config);
    // The window model, the tray and the updater; like the backend, they live until the process ends.
    auto *janela = new Janela;
    auto *bandeja = new MenuBandeja(config.bloquearAtualizacao());
    auto *atualizacao = new Atualizacao(*janela, *ocupacao, bandeja,
                                        {config.bloquearAtualizacao(), config.iniciarAtualizacaoAut() != 0});
    auto configuracoes = std::make_unique<Configuracoes>(config.filePath());
    wiring::conectar({nucleo, ocupacao, backend, monitor, autonomo.get(), Pausas::doAmbiente(), historico,
                      reimpressao.get(), janela, bandeja, atualizacao});
    // Every way out, the restart included, waits for a running operation.
    auto *encerramento = new Encerramento(*ocupacao, backend, janela, app.get());
    const auto sair = [encerramento](const QString &motivo, bool reiniciar) {
        encerramento->pedir(motivo, reiniciar ? Encerramento::Depois::Reiniciar : Encerramento::Depois::Sair);
    };
    QObject::connect(atualizacao, &Atualizacao::encerramentoPedido, encerramento, sair);
    QObject::connect(configuracoes.get(), &Configuracoes::reinicioPedido, encerramento,
                     [sair] { sair(QStringLiteral("configurações salvas"), true); });
    if (bandeja->actionSair()) {
        QObject::connect(bandeja->actionSair(), &QAction::triggered, encerramento,
                         [sair] { sair(QStringLiteral("Sair"), false); });
        QObject::connect(bandeja->actionReiniciar(), &QAction::triggered, encerramento,
                         [sair] { sair(QStringLiteral("reinício pedido"), true); });
    }
    platform::onTerminationSignals([encerramento](const QString &sinal) { encerramento->pedir(sinal); });
    // What the last run left half done is settled before any request is served.
    if (nucleo)
        nucleo->recuperar();

    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND") && semOpenGL()) {
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
        log.warning(QStringLiteral("Sem OpenGL na plataforma \"%1\": janela desenhada pelo renderizador por software")
                        .arg(QGuiApplication::platformName()));
    }
    auto engine = std::make_unique<QQmlApplicationEngine>();
    engine->rootContext()->setContextProperty(QStringLiteral("janela"), janela);
    engine->rootContext()->setContextProperty(QStringLiteral("configuracoes"), configuracoes.get());
    const QUrl url(QStringLiteral("qrc:/main.qml"));
    QObject::connect(
        engine.get(), &QQmlApplicationEngine::objectCreated, app.get(),
        [url](QObject *obj, const QUrl &objUrl) {
            if (!obj && url == objUrl)
                QCoreApplication::exit(-1);
        },
        Qt::QueuedConnection);
    engine->load(url);

    wiring::prepararJanela(*janela, config, linha->dialogoOperador);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/Assets/varda-fav-icon.png")));
    if (backend)
        atualizacao->verificarAoAbrir();

    // The tray's entries for a second launch; listening before the folder is
    // watched, so a copy that serves requests also takes actions.
    AcoesBandeja acoes(bandeja, janela);
    acoes.usarExecutor(QStringLiteral("reimprimir"), [r = reimpressao.get()] { return r->reimprimir(); });
    auto canal = std::make_unique<CanalInstancia>(
        [&acoes](const QString &acao, const QString &origem) { return acoes.executar(acao, origem); });
    canal->escutar();
    if (bandeja->trayIcon() && !bandeja->trayIcon()->isVisible())
        log.warning("Sem bandeja do sistema: o menu está nas ações do lançador do programa (clique com o botão "
                    "direito no ícone) e nas opções de linha de comando (--help)");

    // Autonomous-only use starts at the cashier's list of operations.
    if (config.tipoOperacao() == 1 && backend)
        janela->mostrarMenuOperacoes();
    else if (monitor)
        monitor->iniciarMonitoramento();

    // As if the tray entry were clicked once the loop runs.
    if (!pedido.acao.isEmpty()) {
        QTimer::singleShot(0, app.get(),
                           [&acoes, acao = pedido.acao] { acoes.executar(acao, QStringLiteral("linha de comando")); });
    }

    // For start-up benchmarks and smoke runs: leave as soon as the loop is idle.
    if (!qEnvironmentVariableIsEmpty("Z3_EXIT_WHEN_IDLE"))
        QTimer::singleShot(0, app.get(), &QCoreApplication::quit);

    const int exitCode = QApplication::exec();

    canal.reset();
    engine.reset();
    configuracoes.reset();
    guard.reset();
    autonomo.reset();
    app.reset();
    return exitCode;
}
