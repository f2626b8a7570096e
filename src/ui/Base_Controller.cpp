#include "ui/Base_Controller.h"

#include "app/GlobalFlags.h"
#include "platform/PlatformGui.h"
#include "ui/Seletores.h"
#include "util/DadosSensiveis.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHostInfo>
#include <QIcon>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLibrary>
#include <QLocale>
#include <QMenu>
#include <QNetworkInterface>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QSysInfo>
#include <QSystemTrayIcon>
#include <QWindow>

namespace {

const QString tituloJanela = QStringLiteral("Varda Pay - Vantor");

QString comTag(const QString &msg)
{
    return QStringLiteral("[Base_Controller] ") + msg;
}

const QString oculto = QStringLiteral("****");

// A screen text on one log line, card data masked.
QString paraLog(const QString &texto)
{
    QStringList linhas;
    const auto partes = texto.split(QLatin1Char('\n'));
    for (const QString &parte : partes) {
        const QString linha = parte.trimmed();
        if (!linha.isEmpty())
            linhas << linha;
    }
    return mascararDadosSensiveis(linhas.join(QStringLiteral(" / ")));
}

} // namespace

Base_Controller::Base_Controller(QObject *parent) : QThread(parent)
{
    m_log.info(comTag(QStringLiteral("Construído")));
    acompanharTela();
    criaMenuBandeja();

    modoAtualizacao = 0;
    atualizacaoSolicitada = false;

    // Versions beginning with "99." are the homologation line, served under its own product.
    m_produtoAtualizador =
        versao().startsWith(QLatin1String("99.")) ? QStringLiteral("TEF_1362") : QStringLiteral("TEF");
    m_arquiteturaAtualizador = QStringLiteral("x86");
    m_nomeInstalador = QStringLiteral("%1-v%2.exe").arg(nomeAplicacao(), versao());
}

Base_Controller::~Base_Controller()
{
    if (m_updaterLib) {
        if (m_updaterLib->isLoaded())
            m_updaterLib->unload();
        delete m_updaterLib;
    }
    if (m_trayIcon)
        m_trayIcon->hide();
    delete m_menuBandeja; // a QMenu without a parent widget is ours to delete
    m_log.info(comTag(QStringLiteral("Destruído")));
}

QString Base_Controller::versao()
{
    return QStringLiteral(Z3_APP_VERSION);
}

QString Base_Controller::nomeAplicacao()
{
    return QStringLiteral(Z3_APP_NAME);
}

void Base_Controller::criaMenuBandeja()
{
    // Menus are widgets: a backend exercised under a plain QCoreApplication
    // (logic tests, tools) simply has no tray.
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    m_menuBandeja = new QMenu();
    m_menuAutonomo = m_menuBandeja->addMenu(QStringLiteral("TEF Autonomo"));
    QAction *venda = m_menuAutonomo->addAction(QStringLiteral("Venda Cartão"));
    QAction *pix = m_menuAutonomo->addAction(QStringLiteral("PIX"));
    m_menuAutonomo->addSeparator();
    QAction *adm = m_menuAutonomo->addAction(QStringLiteral("Operação Administrativa"));
    for (QAction *a : {venda, pix, adm})
        connect(a, &QAction::triggered, this, &Base_Controller::slotAutonomo);

    m_menuBandeja->addSeparator();
    m_actionAtualizacao = m_menuBandeja->addAction(QStringLiteral("Verificar Atualização"));
    m_actionAtualizacao->setEnabled(!m_config.bloquearAtualizacao());
    connect(m_actionAtualizacao, &QAction::triggered, this, &Base_Controller::slotUpdater);
    m_menuBandeja->addSeparator();

    QAction *abrir = m_menuBandeja->addAction(QStringLiteral("Abrir"));
    connect(abrir, &QAction::triggered, this, &Base_Controller::slotShowWindow);
    m_actionConfiguracoes = m_menuBandeja->addAction(QStringLiteral("Configurações"));
    connect(m_actionConfiguracoes, &QAction::triggered, this, &Base_Controller::slotShowConfigs);
    m_actionSobre = m_menuBandeja->addAction(QStringLiteral("Sobre"));
    connect(m_actionSobre, &QAction::triggered, this, &Base_Controller::showEnviromentInfo);
    QAction *sair = m_menuBandeja->addAction(QStringLiteral("Sair"));
    connect(sair, &QAction::triggered, this, &Base_Controller::exit);

    m_trayIcon = new QSystemTrayIcon(this);
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_trayIcon->setIcon(QIcon(QStringLiteral(":/Assets/varda-fav-icon.png")));
        m_trayIcon->setToolTip(QStringLiteral("Varda Z3_TEFZoduvud\n VI VIZ"));
        m_trayIcon->setContextMenu(m_menuBandeja);
        m_trayIcon->show();
    }
}

void Base_Controller::acompanharTela()
{
    // Direct: the line is written by the thread that changes the screen, in
    // order with that thread's other lines.
    const auto texto = [this](const QString &rotulo) {
        return [this, rotulo](const QString &valor) {
            if (!valor.trimmed().isEmpty())
                m_log.info(comTag(rotulo + paraLog(valor)));
        };
    };
    connect(this, &Base_Controller::textChanged, this, texto(QStringLiteral("Tela: ")), Qt::DirectConnection);
    connect(this, &Base_Controller::showMessageError, this, texto(QStringLiteral("Tela, aviso de erro: ")),
            Qt::DirectConnection);
    connect(this, &Base_Controller::showMessage, this, texto(QStringLiteral("Tela, aviso: ")), Qt::DirectConnection);
    // Every pass of a transaction repeats its header: logged when it changes.
    connect(
        this, &Base_Controller::firstTextChanged, this,
        [this, titulo = texto(QStringLiteral("Tela, título: "))](const QString &valor) {
            {
                QMutexLocker lock(&m_telaMutex);
                if (valor == m_telaTitulo)
                    return;
                m_telaTitulo = valor;
            }
            titulo(valor);
        },
        Qt::DirectConnection);
    connect(
        this, &Base_Controller::setTextFieldPasswordMode, this,
        [this](bool senha) {
            QMutexLocker lock(&m_telaMutex);
            m_telaSenha = senha;
        },
        Qt::DirectConnection);
    connect(
        this, &Base_Controller::textfiledChanged, this,
        [this](const QString &valor) {
            if (valor.isEmpty())
                return;
            QMutexLocker lock(&m_telaMutex);
            m_log.info(
                comTag(QStringLiteral("Tela, campo preenchido com: ") + (m_telaSenha ? oculto : paraLog(valor))));
        },
        Qt::DirectConnection);
    connect(
        this, &Base_Controller::disableTextField, this,
        [this](bool fechado) {
            if (fechado)
                return;
            QMutexLocker lock(&m_telaMutex);
            m_log.info(comTag(m_telaSenha ? QStringLiteral("Tela: campo de senha aberto")
                                          : QStringLiteral("Tela: campo de digitação aberto")));
        },
        Qt::DirectConnection);
    connect(
        this, &Base_Controller::clearItemsList, this,
        [this] {
            QMutexLocker lock(&m_telaMutex);
            m_telaOpcoes.clear();
        },
        Qt::DirectConnection);
    connect(
        this, &Base_Controller::addItemList, this,
        [this](const QString &item) {
            QMutexLocker lock(&m_telaMutex);
            m_telaOpcoes << item;
        },
        Qt::DirectConnection);
    connect(
        this, &Base_Controller::disableListView, this,
        [this](bool oculta) {
            if (oculta)
                return;
            QMutexLocker lock(&m_telaMutex);
            QStringList opcoes;
            for (int i = 0; i < m_telaOpcoes.size(); ++i)
                opcoes << QStringLiteral("[%1] %2").arg(i).arg(paraLog(m_telaOpcoes.at(i)));
            m_log.info(comTag(QStringLiteral("Tela, lista: ") + opcoes.join(QStringLiteral("; "))));
        },
        Qt::DirectConnection);
}

void Base_Controller::registrarResposta(const QString &valor, int estado)
{
    QMutexLocker lock(&m_telaMutex);
    QString resposta;
    if (estado == 2) {
        bool ok = false;
        const int i = valor.toInt(&ok);
        resposta = ok && i >= 0 && i < m_telaOpcoes.size()
                       ? QStringLiteral("opção %1 (%2)").arg(i).arg(paraLog(m_telaOpcoes.at(i)))
                       : QStringLiteral("opção ") + paraLog(valor);
    } else if (valor.isEmpty()) {
        resposta = QStringLiteral("(vazio)");
    } else {
        resposta = m_telaSenha ? oculto : paraLog(valor);
    }
    m_log.info(comTag(QStringLiteral("Resposta do operador: ") + resposta));
}

void Base_Controller::registrarBotao(const QString &botao)
{
    m_log.info(comTag(QStringLiteral("Operador pressionou ") + botao));
}

void Base_Controller::atualizaMenuBandeja(bool habilitado)
{
    if (!m_menuBandeja)
        return;
    m_menuAutonomo->setEnabled(habilitado);
    m_actionSobre->setEnabled(habilitado);
    m_actionConfiguracoes->setEnabled(habilitado);
    m_actionAtualizacao->setEnabled(habilitado && !m_config.bloquearAtualizacao());
}

// --- thread -----------------------------------------------------------------

void Base_Controller::run()
{
    if (tefEmProcessamento) {
        m_log.error(comTag(QStringLiteral("Thread ocupada -> ProcessaTEF em andamento!")));
        return;
    }
    if (atualizacaoSolicitada) {
        executaAtualizacao();
        return;
    }
    // Stays set after ProcessaTEF: whoever hands the response on clears it.
    tefEmProcessamento = true;
    ProcessaTEF();
}

void Base_Controller::executaAtualizacao()
{
    // The updater actions land with the updater binding; until then an action
    // ends at once, as a finished one would.
    modoAtualizacao = 0;
    atualizacaoSolicitada = false;
}

void Base_Controller::bloquearFluxo()
{
    QMutexLocker lock(&m_gateMutex);
    m_pausado = true;
}

void Base_Controller::aguardarFluxo()
{
    QMutexLocker lock(&m_gateMutex);
    while (m_pausado)
        m_gateCondition.wait(&m_gateMutex);
}

void Base_Controller::liberarFluxo()
{
    {
        QMutexLocker lock(&m_gateMutex);
        m_pausado = false;
    }
    m_gateCondition.wakeAll();
}

bool Base_Controller::fluxoPausado()
{
    QMutexLocker lock(&m_gateMutex);
    return m_pausado;
}

void Base_Controller::preProcessThread()
{
    atualizaMenuBandeja(false);
    emit disableButtonOK(true);
    emit disableButtonVoltar(true);
    emit disableButtonCancelar(true);
    emit disableListView(true);
    emit disableButtonUpdaterSim(false);
    emit disableButtonUpdaterNao(false);
    emit disableTextField(true);
    emit disableProgressBar(true);
    disableComponentAutonomo();
}

void Base_Controller::onFinishThread()
{
    if (atualizacaoSolicitada)
        return;
    atualizaMenuBandeja(true);
    if (m_config.tipoOperacao() == 1) {
        initComponentAutonomo();
        return;
    }
    mostraTelaOcioso();
}

void Base_Controller::mostraTelaOcioso()
{
    emit disableButtonOK(true);
    emit disableButtonVoltar(true);
    emit disableButtonCancelar(true);
    emit disableProgressBar(false);
    emit disableButtonAutonomoOk(true);
    emit disableButtonAutonomoCancelar(true);
    emit disableListView(true);
    emit disableButtonUpdaterSim(false);
    emit disableButtonUpdaterNao(false);
    emit disableTextField(true);
    emit textChanged(QStringLiteral("Aguardando arquivo intpos."));
    emit firstTextChanged(QStringLiteral("TEF em operação"));
}

// --- slots --------------------------------------------------------------------

QJsonObject Base_Controller::getJsonConfigs()
{
    return jsonConfigs;
}

bool Base_Controller::existeArquivo(QString caminho)
{
    const bool existe = !caminho.isEmpty() && QFileInfo(caminho).isFile();
    if (existe)
        m_log.info(comTag(QStringLiteral("Imagem de customização existente no caminho ") + caminho));
    else
        m_log.error(comTag(QStringLiteral("Imagem de customização não encontrada")));
    return existe;
}

bool Base_Controller::validaHex(QString hex)
{
    if (hex.isEmpty()) {
        m_log.error(comTag(QStringLiteral("Valor hexadecimal vazio")));
        return false;
    }
    // What the colour parser would see: the text up to the first NUL.
    const int nul = hex.indexOf(QChar(0));
    if (nul >= 0)
        hex.truncate(nul);
    // \A...\z: a trailing line feed must not pass as it would with "$".
    static const QRegularExpression padrao(
        QRegularExpression::anchoredPattern(QStringLiteral("#([A-Fa-f0-9]{6}|[A-Fa-f0-9]{3})")));
    return padrao.match(hex).hasMatch();
}

QString Base_Controller::formataValor(QString val)
{
    val.remove(QLatin1Char(',')).remove(QLatin1Char('.'));
    if (val.size() < 3)
        val = QStringLiteral("%1").arg(val.toInt(), 3, 10, QLatin1Char('0'));
    val.insert(val.size() - 2, QLatin1Char('.'));
    const double valor = val.toDouble(); // 0 when the text is not a number
    return QLocale(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::Brazil).toCurrencyString(valor);
}

void Base_Controller::exit()
{
    QCoreApplication::quit();
}

void Base_Controller::slotShowWindow()
{
    emit showWindow(true);
}

void Base_Controller::slotShowConfigs()
{
    emit showConfigs();
}

void Base_Controller::slotShowAviso()
{
    emit showAviso();
}

void Base_Controller::slotAutonomo()
{
    const auto *action = qobject_cast<QAction *>(sender());
    emit process(action ? action->text() : QString());
}

void Base_Controller::slotUpdater()
{
    atualizacaoSolicitada = true;
    start();
}

bool Base_Controller::tefInProcess()
{
    atualizacaoSolicitada = false;
    modoAtualizacao = 0;
    return isRunning();
}

void Base_Controller::showEnviromentInfo()
{
    QString texto = QStringLiteral("%1 versão %2").arg(nomeAplicacao(), versao());
    texto += QStringLiteral(" - S.O.: %1\n").arg(QSysInfo::prettyProductName());
    texto += QStringLiteral("\nHostName: ") + QHostInfo::localHostName();
    texto += QStringLiteral("\n\n------- Interfaces de rede -------");
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        if (iface.hardwareAddress().isEmpty())
            continue;
        if (!iface.isValid() && !iface.flags().testFlag(QNetworkInterface::IsUp))
            continue;
        texto += QStringLiteral("\n\n%1: MAC[ %2 ]").arg(iface.humanReadableName(), iface.hardwareAddress());
        const auto entradas = iface.addressEntries();
        for (const QNetworkAddressEntry &entrada : entradas) {
            if (entrada.ip().protocol() == QAbstractSocket::IPv4Protocol)
                texto += QStringLiteral(" IP[ %1 ]").arg(entrada.ip().toString());
        }
    }

    disableComponentAutonomo();
    if (isAutOnly())
        emit disableButtonAutonomoCancelar(false);
    emit firstTextChanged(QStringLiteral("Sobre"));
    emit textChanged(texto);
    emit disableButtonCancelar(true);
    emit disableButtonOK(true);
    emit disableButtonVoltar(true);
    emit disableTextField(true);
    emit disableProgressBar(true);
    emit disableButtonUpdaterSim(false);
    emit disableButtonUpdaterNao(false);
    emit showWindow(true);
}

QString Base_Controller::getColor()
{
    return seletores::escolherCor();
}

QString Base_Controller::getFolder()
{
    return seletores::escolherPasta();
}

QString Base_Controller::getFile()
{
    return seletores::escolherArquivo();
}

void Base_Controller::initComponentAutonomo()
{
    if (atualizacaoSolicitada)
        return;
    emit clearItemsList();
    emit addItemList(QStringLiteral("Venda Cartao"));
    emit addItemList(QStringLiteral("PIX"));
    emit addItemList(QStringLiteral("Operação Administrativa"));
    emit firstTextChanged(QStringLiteral("TEF em Processamento"));
    emit textChanged(QStringLiteral("Selecione uma operação: "));
    emit disableButtonAutonomoOk(false);
    emit disableButtonAutonomoCancelar(false);
    emit sendTypeOperation(1);
    emit disableListView(false);
    emit disableProgressBar(true);
    emit disableButtonCancelar(true);
    emit disableButtonOK(true);
    emit disableButtonVoltar(true);
    emit disableTextField(true);
    emit disableProgressBar(true);
    emit showWindow(true);
}

void Base_Controller::disableComponentAutonomo()
{
    emit disableListView(true);
    emit disableButtonAutonomoOk(true);
    emit disableButtonAutonomoCancelar(true);
}

void Base_Controller::slotTextChangedAutonomo(QString texto)
{
    emit textChanged(texto);
}

void Base_Controller::slotApresentaMsgError(QString error)
{
    emit showMessageError(error);
}

void Base_Controller::minimizeInQml()
{
    emit minimized();
}

void Base_Controller::handleSignalCheckbox(bool check)
{
    termoAceito = check;
    if (check) {
        m_log.info(comTag(QStringLiteral("Termo de Responsabilidade aceito pelo usuário referente a não "
                                         "confirmação da transação (") +
                          nsuPendente + QStringLiteral(")")));
    }
}

void Base_Controller::recebeNSU(QString nsu)
{
    nsuPendente = nsu;
    qDebug().noquote() << QStringLiteral("aqui no nsu ") + nsu;
}

// --- invokable ----------------------------------------------------------------

void Base_Controller::onClickButtonUpdaterSim()
{
    modoAtualizacao = 1;
    atualizacaoSolicitada = true;
    start();
}

void Base_Controller::onClickButtonUpdaterNao()
{
    modoAtualizacao = 2;
    atualizacaoSolicitada = true;
    start();
}

void Base_Controller::configureWindowToFront(bool fix)
{
    if (!fix) {
        // Nothing else to undo: the window keeps its place on top.
        m_log.info(comTag(QStringLiteral("Janela destravada do topo da pilha")));
        return;
    }
    const auto janelas = QGuiApplication::topLevelWindows();
    for (QWindow *janela : janelas) {
        if (janela->title() == tituloJanela) {
            platform::setWindowOnTop(janela, true);
            break;
        }
    }
    m_log.info(comTag(QStringLiteral("Janela travada no topo da pilha")));
}

void Base_Controller::onClickButtonAutonomoOk(int indexList)
{
    registrarResposta(QString::number(indexList), 2);
    emit sendTypeOperation(1);
    static const char *const operacoes[] = {"Venda Cartão", "PIX", "Operação Administrativa"};
    QString nome;
    if (indexList >= 0 && indexList < 3)
        nome = QString::fromUtf8(operacoes[indexList]);
    else
        qDebug().noquote() << QStringLiteral("Não foi possível processar a operação");
    emit process(nome);
    emit sendTypeOperation(0);
}

bool Base_Controller::isAutOnly()
{
    return m_config.tipoOperacao() != 0;
}

QString Base_Controller::getSystemConfigs()
{
    return QString::fromUtf8(QJsonDocument(ConfigTef().configuracao()).toJson(QJsonDocument::Indented));
}

bool Base_Controller::setSystemConfigs(QString data)
{
    qDebug().noquote() << data;
    const QString motivo = motivoRecusaConfiguracao(data);
    if (!motivo.isEmpty()) {
        m_log.error(comTag(QStringLiteral("Configuração recusada: ") + motivo));
        return false;
    }
    return ConfigTef().salvar(QJsonDocument::fromJson(data.toUtf8()).object());
}

QString Base_Controller::motivoRecusaConfiguracao(QString data)
{
    QJsonParseError erro{};
    const QJsonDocument doc = QJsonDocument::fromJson(data.toUtf8(), &erro);
    // Text that is not a JSON object would replace every setting with nothing.
    if (erro.error != QJsonParseError::NoError || !doc.isObject())
        return QStringLiteral("Configuração recebida não é um objeto JSON: ") + erro.errorString();
    const QJsonObject c = doc.object();
    // A response written into the request folder would be served as a new request.
    if (c.value(QLatin1String("tipo_operacao")).toInt() == 0 &&
        ConfigTef::mesmaPasta(c.value(QLatin1String("path_in")).toString(),
                              c.value(QLatin1String("path_out")).toString()))
        return QStringLiteral("As pastas de requisição e de resposta devem ser diferentes");
    return QString();
}

QString Base_Controller::getListPrinters()
{
    QJsonArray lista;
    lista.append(QJsonObject{{QStringLiteral("text"), QStringLiteral("Impressoras Varda/Korvanta")}});
    const QStringList nomes = QPrinterInfo::availablePrinterNames();
    for (const QString &nome : nomes)
        lista.append(QJsonObject{{QStringLiteral("text"), nome}});
    return QString::fromUtf8(QJsonDocument(lista).toJson(QJsonDocument::Compact));
}

// --- start-up -----------------------------------------------------------------

void Base_Controller::aplicaCustomizacao(Base_Controller *controller, int produtoTef, const ConfigTef &config)
{
    if (!controller)
        return;
    // The bridge has no cashier dialogue, and autonomous-only use starts from the menu.
    if (produtoTef == 1 || config.tipoOperacao() == 1) {
        emit controller->disableButtonOK(true);
        emit controller->disableButtonVoltar(true);
        emit controller->disableButtonCancelar(true);
        emit controller->disableTextField(true);
        emit controller->disableListView(true);
    }
    emit controller->showWindow(false);
    emit controller->pathImageChanged(config.caminhoLogo());
    emit controller->firstColorChanged(config.corDestaque());
    emit controller->fontColorChanged(config.corFonte1());
    emit controller->backgroundColorChanged(config.corFundo());
    emit controller->secondFontColorChanged(config.corFonte2());
    emit controller->selectionColorChanged(config.corSelecao());
    emit controller->widthChanged(config.larguraJanela());
    emit controller->heightChanged(config.alturaJanela());
}
