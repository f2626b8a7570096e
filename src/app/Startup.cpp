#include "app/Startup.h"

#include "app/ConfigTef.h"
#include "app/Log.h"
#include "app/RestartHandler.h"
#include "app/SingleInstanceGuard.h"
#include "app/Wiring.h"
#include "exchange/MonitoraDiretorio.h"
#include "platform/Platform.h"
#include "ui/Base_Controller.h"

#include <QApplication>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QTimer>
#include <QUrl>

#include <memory>

int runApplication(int argc, char *argv[])
{
    // Without a display the job still has to be done: render offscreen.
    const bool offscreenFallback = platform::needsOffscreenFallback();
    if (offscreenFallback) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
            qputenv("QT_QUICK_BACKEND", "software");
    }

    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    auto app = std::make_unique<QApplication>(argc, argv);
    platform::quitOnTerminationSignals();
    auto config = std::make_unique<ConfigTef>();
    // The autonomous worker joins here when the cashier's own operations land.
    auto restartHandler = std::make_unique<RestartHandler>();

    const Log log;
    log.info(Z3_APP_NAME);
    log.info(QStringLiteral("Versão: ") + QStringLiteral(Z3_APP_VERSION));
    if (offscreenFallback)
        log.warning("Nenhum servidor gráfico encontrado: janela desenhada fora da tela (offscreen)");

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
    Base_Controller *backend = wiring::createBackend(produto);
    wiring::connectBackend(backend);

    // File exchange with the POS. Without a backend nobody would answer, and a
    // request taken from the folder would be lost: then the folder is left alone.
    MonitoraDiretorio *monitor = nullptr;
    if (config->tipoOperacao() == 0) {
        if (backend) {
            monitor = MonitoraDiretorio::instance();
            wiring::connectMonitor(monitor, backend, nullptr);
        } else {
            log.error("Nenhum controlador TEF disponível: pedidos do PDV não serão atendidos");
        }
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
    config.reset();
    app.reset();
    return exitCode;
}
