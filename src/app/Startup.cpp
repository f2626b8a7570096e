#include "app/Startup.h"

#include "app/ConfigTef.h"
#include "app/Log.h"
#include "app/RestartHandler.h"
#include "app/SingleInstanceGuard.h"
#include "app/TefAutonomo.h"
#include "app/Wiring.h"
#include "exchange/MonitoraDiretorio.h"
#include "nucleo/NucleoTransacao.h"
#include "nucleo/Ocupacao.h"
#include "platform/Platform.h"
#include "ui/Base_Controller.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QOpenGLContext>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
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
                     "  --version  print the version and exit\n"
                     "  --help     print this text and exit\n"
                     "  Any other option goes to Qt (for example -platform offscreen).\n"
                     "\n"
                     "Settings: config_tef.json beside the executable when that folder is writable,\n"
                     "otherwise in $XDG_CONFIG_HOME/" Z3_APP_NAME " (by default ~/.config/" Z3_APP_NAME ").\n"
                     "\n"
                     "Environment:\n"
                     "  Z3_LOG             main log file (set to z3_log.txt by the setting \"log\": 1)\n"
                     "  Z3_LOG_PATH        existing folder for daily logs ddMMyy_Z3-LOG.txt\n"
                     "  Z3_LIB_DIR         folder every vendor library is loaded from\n"
                     "  Z3_EXIT_WHEN_IDLE  non-empty: quit as soon as start-up is done\n"
                     "  XDG_CONFIG_HOME    the user's configuration folder (see Settings)\n"
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

// Answered before anything else: no lock, no settings and no log for them.
bool respondeLinhaDeComando(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs(Z3_APP_NAME " " Z3_APP_VERSION "\n", stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(ajuda, stdout);
            return true;
        }
    }
    return false;
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
    if (respondeLinhaDeComando(argc, argv))
        return 0;

    // Without a display the job still has to be done: render offscreen.
    const bool offscreenFallback = platform::needsOffscreenFallback();
    if (offscreenFallback)
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    auto app = std::make_unique<QApplication>(argc, argv);
    platform::quitOnTerminationSignals();
    auto config = std::make_unique<ConfigTef>();
    auto autonomo = std::make_unique<TefAutonomo>();
    auto restartHandler = std::make_unique<RestartHandler>();

    const Log log;
    log.info(Z3_APP_NAME);
    log.info(QStringLiteral("Versão: ") + QStringLiteral(Z3_APP_VERSION));
    if (offscreenFallback)
        log.warning("Nenhum servidor gráfico encontrado: janela desenhada fora da tela (offscreen)");
    log.info(QStringLiteral("Pasta da configuração: ") + QFileInfo(config->filePath()).absolutePath());

    auto guard = std::make_unique<SingleInstanceGuard>(SingleInstanceGuard::applicationKey());
    if (!guard->tryToRun()) {
        log.debug("Uma instância já está aberta");
        return 0;
    }

    const int produto = config->produtoTef();
    log.info(QStringLiteral("Produto TEF configurado: ") + QString::number(produto));
    const wiring::Produto *linha = wiring::produto(produto);
    if (!linha) {
        log.error("Produto TEF inválido");
        return -1;
    }
    // The backend, its core and the busy state live until the process ends:
    // queued results may still arrive while the application is being torn down.
    Base_Controller *backend = wiring::createBackend(produto);
    NucleoTransacao *nucleo = backend ? wiring::criarNucleo(*backend, produto) : nullptr;
    auto *ocupacao = new Ocupacao;

    // File exchange with the POS. Without a backend nobody would answer, and a
    // request taken from the folder would be lost: then the folder is left alone.
    MonitoraDiretorio *monitor = nullptr;
    if (config->tipoOperacao() == 0) {
        if (backend)
            monitor = MonitoraDiretorio::instance();
        else
            log.error("Nenhum controlador TEF disponível: pedidos do PDV não serão atendidos");
    }
    wiring::conectar({nucleo, ocupacao, backend, monitor, autonomo.get()});
    // What the last run left half done is settled before any request is served.
    if (nucleo)
        nucleo->recuperar();

    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND") && semOpenGL()) {
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
        log.warning(QStringLiteral("Sem OpenGL na plataforma \"%1\": janela desenhada pelo renderizador por software")
                        .arg(QGuiApplication::platformName()));
    }
    auto engine = std::make_unique<QQmlApplicationEngine>();
    engine->rootContext()->setContextProperty(QStringLiteral("controller"), backend);
    engine->rootContext()->setContextProperty(QStringLiteral("RestartHandler"), restartHandler.get());
    const QUrl url(QStringLiteral("qrc:/main.qml"));
    QObject::connect(
        engine.get(), &QQmlApplicationEngine::objectCreated, app.get(),
        [url](QObject *obj, const QUrl &objUrl) {
            if (!obj && url == objUrl)
                QCoreApplication::exit(-1);
        },
        Qt::QueuedConnection);
    engine->load(url);

    Base_Controller::aplicaCustomizacao(backend, linha->dialogoOperador, *config);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/Assets/varda-fav-icon.png")));
    if (backend)
        backend->verificarAtualizacaoInicial();

    // Autonomous-only use starts at the cashier's list of operations.
    if (config->tipoOperacao() == 1 && backend)
        backend->initComponentAutonomo();
    else if (monitor)
        monitor->iniciarMonitoramento();

    // For start-up benchmarks and smoke runs: leave as soon as the loop is idle.
    if (!qEnvironmentVariableIsEmpty("Z3_EXIT_WHEN_IDLE"))
        QTimer::singleShot(0, app.get(), &QCoreApplication::quit);

    const int exitCode = QApplication::exec();

    engine.reset();
    guard.reset();
    restartHandler.reset();
    autonomo.reset();
    config.reset();
    app.reset();
    return exitCode;
}
