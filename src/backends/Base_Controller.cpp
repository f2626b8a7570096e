#include "backends/Base_Controller.h"

#include "Atualizador.h"
#include "PlatformGui.h"
#include "Sobre.h"
#include "backends/MenuBandeja.h"
#include "backends/Seletores.h"
#include "base/DadosSensiveis.h"
#include "base/Versao.h"
#include "nucleo/NucleoTransacao.h"
#include "receipts/print_utils.h"

#include <QAction>
#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QMetaMethod>
#include <QRegularExpression>
#include <QTimer>
#include <QWindow>

#include <iterator>
#include <utility>

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

Base_Controller::Base_Controller(QObject *parent) : QThread(parent), m_atualizador(std::make_unique<Atualizador>(this))
{
    m_log.info(comTag(QStringLiteral("Construído")));
    acompanharTela();
    m_bandeja = std::make_unique<MenuBandeja>(this, m_config.bloquearAtualizacao());

    modoAtualizacao = 0;
    connect(this, &QThread::started, this, &Base_Controller::preProcessThread);
    connect(this, &QThread::finished, this, &Base_Controller::aoTerminarAtualizacao);

    // A program that quits while a run waits for the cashier: the question is
    // answered as cancelled, and the run gets a moment to close its transaction.
    if (auto *app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, [this] {
            m_portao.encerrar();
            if (NucleoTransacao *n = nucleo())
                n->encerrar(prazoEncerramentoMs);
            if (!wait(prazoEncerramentoMs))
                m_log.error(comTag(QStringLiteral("Operação ainda em andamento ao encerrar o programa")));
        });
    }
}

Base_Controller::~Base_Controller()
{
    encerrarExecucao();
    m_bandeja.reset();
    m_atualizador.reset();
    m_log.info(comTag(QStringLiteral("Destruído")));
}

QString Base_Controller::versao()
{
    return QString::fromLatin1(versaoAplicacao());
}

QString Base_Controller::nomeAplicacao()
{
    return QStringLiteral(Z3_APP_NAME);
}

QSystemTrayIcon *Base_Controller::trayIcon() const
{
    return m_bandeja->trayIcon();
}

QMenu *Base_Controller::menuAutonomo() const
{
    return m_bandeja->menuAutonomo();
}

QAction *Base_Controller::actionAtualizacao() const
{
    return m_bandeja->actionAtualizacao();
}

QAction *Base_Controller::actionSobre() const
{
    return m_bandeja->actionSobre();
}

QAction *Base_Controller::actionConfiguracoes() const
{
    return m_bandeja->actionConfiguracoes();
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
    m_bandeja->habilitar(habilitado, m_config.bloquearAtualizacao());
}

// --- thread -----------------------------------------------------------------

void Base_Controller::run()
{
    if (m_atualizacaoSolicitada)
        executaAtualizacao();
}

bool Base_Controller::emExecucao() const
{
    const NucleoTransacao *n = nucleo();
    return isRunning() || (n && n->emExecucao());
}

void Base_Controller::aoTerminarAtualizacao()
{
    // An offer waiting for SIM or NÃO, or an installer about to take over, keeps the thread.
    if (!m_atualizacaoSolicitada && m_ocupacao)
        m_ocupacao->liberar(Ocupacao::Dono::Atualizacao);
    onFinishThread();
}

void Base_Controller::executaAtualizacao()
{
    switch (m_atualizador->executar(modoAtualizacao)) {
    case Atualizador::Desfecho::AguardandoOperador:
        // SIM or NÃO may take their time: requests are served meanwhile.
        m_ofertaPendente = true;
        break;
    case Atualizador::Desfecho::Encerrando:
        // The installer takes over: the program leaves by the way out that waits for any operation.
        m_encerrandoParaInstalacao = true;
        m_manterTelaAtualizacao = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                QTimer::singleShot(m_pausas.antesDeInstalarMs, this, [this] {
                    emit encerramentoPedido(QStringLiteral("instalação da nova versão"), false);
                });
            },
            Qt::QueuedConnection);
        break;
    case Atualizador::Desfecho::Reiniciando:
        // Installed: the new version serves the next request.
        m_encerrandoParaInstalacao = true;
        m_manterTelaAtualizacao = true;
        QMetaObject::invokeMethod(
            this, [this] { emit encerramentoPedido(QStringLiteral("nova versão instalada"), true); },
            Qt::QueuedConnection);
        break;
    case Atualizador::Desfecho::TelaMantida:
        m_manterTelaAtualizacao = true;
        break;
    case Atualizador::Desfecho::TelaReiniciada:
        break;
    }
    modoAtualizacao = 0;
    m_atualizacaoSolicitada = false;
}

bool Base_Controller::iniciarAtualizacao(int modo)
{
    // SIM or NÃO may come while the verification that offered them is still
    // leaving the thread; it has nothing left to do but return.
    if (modo != 0 && isRunning())
        wait(prazoEncerramentoMs);
    // A request served meanwhile would find the thread taken and go unanswered.
    if (emExecucao() || m_encerrandoParaInstalacao ||
        (m_ocupacao && !m_ocupacao->reservar(Ocupacao::Dono::Atualizacao))) {
        m_log.warning(comTag(QStringLiteral("Atualização não iniciada: operação em andamento")));
        // The offer stays, and comes back on screen once the operation is over.
        return false;
    }
    if (modo != 0) {
        m_ofertaPendente = false;
        m_bandeja->oferecerAtualizacao(false);
    }
    modoAtualizacao = modo;
    m_atualizacaoSolicitada = true;
    emit atualizacaoIniciada();
    start();
    return true;
}

void Base_Controller::reapresentarOferta()
{
    m_atualizador->reapresentarOferta();
    m_bandeja->oferecerAtualizacao(true);
}

void Base_Controller::verificarAtualizacaoInicial()
{
    const QJsonObject resposta = m_atualizador->verificacaoInicial();
    if (resposta.value(QStringLiteral("codigo")).toInt(-1) != 0)
        return;
    const QString texto = resposta.value(QStringLiteral("mensagem")).toString();
    const bool bloqueada = m_config.bloquearAtualizacao();
    if (m_config.iniciarAtualizacaoAut() != 0 && !bloqueada) {
        // Once the loop runs: the exchange is watching by then, and pauses for the action.
        QMetaObject::invokeMethod(
            this,
            [this, texto] {
                if (!iniciarAtualizacao(0))
                    m_bandeja->avisarAtualizacao(texto, true);
            },
            Qt::QueuedConnection);
        return;
    }
    m_bandeja->avisarAtualizacao(texto, !bloqueada);
}

QString Base_Controller::avisoAtualizacao() const
{
    return m_bandeja->ultimoAviso();
}

// --- operator gate --------------------------------------------------------------

RespostaOperador Base_Controller::bloquearFluxo(int opcoes)
{
    return m_portao.fechar(opcoes);
}

RespostaOperador Base_Controller::recolherResposta()
{
    return m_portao.recolher();
}

RespostaOperador Base_Controller::retirarPergunta()
{
    return m_portao.retirar();
}

RespostaOperador Base_Controller::aguardarResposta()
{
    return m_portao.aguardar();
}

bool Base_Controller::responder(const RespostaOperador &resposta)
{
    return m_portao.responder(resposta);
}

bool Base_Controller::opcaoOferecida(int indice)
{
    return m_portao.opcaoOferecida(indice);
}

bool Base_Controller::fluxoPausado()
{
    return m_portao.aguardando();
}

bool Base_Controller::fluxoEmEspera()
{
    return m_portao.emEspera();
}

void Base_Controller::aguardarFluxo()
{
    m_portao.aguardar();
}

void Base_Controller::liberarFluxo()
{
    m_portao.responder(RespostaOperador());
}

void Base_Controller::encerrarExecucao()
{
    m_portao.encerrar();
    if (NucleoTransacao *n = nucleo())
        n->encerrar(ULONG_MAX);
    wait();
}

void Base_Controller::mostrarFalha(const QString &titulo, const QString &mensagem)
{
    emit showWindow(true);
    mostrarTela(Tela::Limpa);
    emit firstTextChanged(titulo);
    emit textChanged(mensagem);
    emit showMessageError(mensagem);
}

void Base_Controller::ocultarJanela()
{
    emit showWindow(false);
    emit textChanged(QStringLiteral("TEF em processamento..."));
}

void Base_Controller::avisarNaoResolvida(const QString &mensagem, const QString &nsu)
{
    emit showWindow(true);
    emit showMessageError(mensagem);
    if (nsu.isEmpty())
        return;
    // The notice that a transaction was left for a person to settle.
    emit showAviso();
    emit enviaNSU(nsu);
}

void Base_Controller::encerrarDialogo()
{
    m_portao.encerrar();
}

// --- screen states ----------------------------------------------------------------

namespace {

// One signal of a screen state and the value it carries.
struct Passo
{
    void (Base_Controller::*sinal)(bool);
    bool valor;
};

using B = Base_Controller;

const Passo telaAutonomoFechado[] = {
    {&B::disableListView, true}, {&B::disableButtonAutonomoOk, true}, {&B::disableButtonAutonomoCancelar, true}};
// The autonomous menu's list and buttons go too.
const Passo telaBloqueada[] = {{&B::disableButtonOK, true},          {&B::disableButtonVoltar, true},
                               {&B::disableButtonCancelar, true},    {&B::disableButtonUpdaterSim, false},
                               {&B::disableButtonUpdaterNao, false}, {&B::disableTextField, true},
                               {&B::disableProgressBar, true},       {&B::disableListView, true},
                               {&B::disableButtonAutonomoOk, true},  {&B::disableButtonAutonomoCancelar, true}};
const Passo telaOciosa[] = {{&B::disableButtonOK, true},          {&B::disableButtonVoltar, true},
                            {&B::disableButtonCancelar, true},    {&B::disableProgressBar, false},
                            {&B::disableButtonAutonomoOk, true},  {&B::disableButtonAutonomoCancelar, true},
                            {&B::disableListView, true},          {&B::disableButtonUpdaterSim, false},
                            {&B::disableButtonUpdaterNao, false}, {&B::disableTextField, true}};
const Passo telaMenuAutonomo[] = {{&B::disableButtonAutonomoOk, false}, {&B::disableButtonAutonomoCancelar, false},
                                  {&B::disableListView, false},         {&B::disableProgressBar, true},
                                  {&B::disableButtonCancelar, true},    {&B::disableButtonOK, true},
                                  {&B::disableButtonVoltar, true},      {&B::disableTextField, true},
                                  {&B::disableProgressBar, true}};
const Passo telaSobre[] = {{&B::disableButtonCancelar, true},   {&B::disableButtonOK, true},
                           {&B::disableButtonVoltar, true},     {&B::disableTextField, true},
                           {&B::disableProgressBar, true},      {&B::disableButtonUpdaterSim, false},
                           {&B::disableButtonUpdaterNao, false}};
const Passo telaSemBotoes[] = {{&B::disableButtonOK, true},
                               {&B::disableButtonVoltar, true},
                               {&B::disableButtonCancelar, true},
                               {&B::disableTextField, true},
                               {&B::disableListView, true}};
const Passo telaLimpa[] = {{&B::disableTextField, true},      {&B::disableListView, true},
                           {&B::disableButtonOK, true},       {&B::disableButtonVoltar, true},
                           {&B::disableButtonCancelar, true}, {&B::disableImage, true}};
const Passo telaProcessando[] = {{&B::disableTextField, true},      {&B::disableListView, true},
                                 {&B::disableButtonOK, true},       {&B::disableButtonVoltar, true},
                                 {&B::disableButtonCancelar, true}, {&B::disableProgressBar, false}};
const Passo telaAguardandoResposta[] = {
    {&B::disableButtonCancelar, false}, {&B::disableButtonOK, false}, {&B::disableProgressBar, true}};
const Passo telaFinal[] = {
    {&B::disableProgressBar, false}, {&B::disableButtonOK, true}, {&B::disableButtonCancelar, true}};

template <std::size_t N>
std::pair<const Passo *, const Passo *> passos(const Passo (&tabela)[N])
{
    return {std::begin(tabela), std::end(tabela)};
}

} // namespace

void Base_Controller::mostrarTela(Tela tela)
{
    std::pair<const Passo *, const Passo *> p;
    switch (tela) {
    case Tela::AutonomoFechado:
        p = passos(telaAutonomoFechado);
        break;
    case Tela::Bloqueada:
        p = passos(telaBloqueada);
        break;
    case Tela::Ociosa:
        p = passos(telaOciosa);
        break;
    case Tela::MenuAutonomo:
        p = passos(telaMenuAutonomo);
        break;
    case Tela::Sobre:
        p = passos(telaSobre);
        break;
    case Tela::SemBotoes:
        p = passos(telaSemBotoes);
        break;
    case Tela::Limpa:
        p = passos(telaLimpa);
        break;
    case Tela::Processando:
        p = passos(telaProcessando);
        break;
    case Tela::AguardandoResposta:
        p = passos(telaAguardandoResposta);
        break;
    case Tela::Final:
        p = passos(telaFinal);
        break;
    }
    for (const Passo *i = p.first; i != p.second; ++i)
        emit(this->*(i->sinal))(i->valor);
}

void Base_Controller::preProcessThread()
{
    atualizaMenuBandeja(false);
    mostrarTela(Tela::Bloqueada);
}

void Base_Controller::onFinishThread()
{
    if (m_atualizacaoSolicitada)
        return;
    atualizaMenuBandeja(true);
    if (m_ofertaPendente) {
        reapresentarOferta();
        return;
    }
    const bool manterRelatorio = m_manterTelaAtualizacao.exchange(false);
    if (m_config.tipoOperacao() == 1) {
        initComponentAutonomo();
        return;
    }
    if (manterRelatorio)
        return;
    mostrarTela(Tela::Ociosa);
    emit textChanged(QStringLiteral("Aguardando arquivo intpos."));
    emit firstTextChanged(QStringLiteral("TEF em operação"));
}

// --- slots --------------------------------------------------------------------

QJsonObject Base_Controller::getJsonConfigs()
{
    QMutexLocker lock(&m_dados);
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
    // Without the way out joined (a test's controller), the plain quit.
    if (isSignalConnected(QMetaMethod::fromSignal(&Base_Controller::encerramentoPedido)))
        emit encerramentoPedido(QStringLiteral("Sair"), false);
    else
        QCoreApplication::quit();
}

void Base_Controller::slotReiniciar()
{
    emit encerramentoPedido(QStringLiteral("reinício pedido"), true);
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
    iniciarAtualizacao(0);
}

bool Base_Controller::tefInProcess()
{
    const bool rodando = emExecucao();
    // Closing the window on the offer declines it.
    if (m_ofertaPendente && !rodando && !m_encerrandoParaInstalacao)
        iniciarAtualizacao(2);
    return rodando;
}

void Base_Controller::showEnviromentInfo()
{
    const QString texto = sobre::texto();
    disableComponentAutonomo();
    if (isAutOnly())
        emit disableButtonAutonomoCancelar(false);
    emit firstTextChanged(QStringLiteral("Sobre"));
    emit textChanged(texto);
    mostrarTela(Tela::Sobre);
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
    if (m_atualizacaoSolicitada || m_ofertaPendente)
        return;
    emit clearItemsList();
    emit addItemList(QStringLiteral("Venda Cartao"));
    emit addItemList(QStringLiteral("PIX"));
    emit addItemList(QStringLiteral("Operação Administrativa"));
    emit firstTextChanged(QStringLiteral("TEF em Processamento"));
    emit textChanged(QStringLiteral("Selecione uma operação: "));
    // The list is the operation menu before it shows.
    emit sendTypeOperation(1);
    mostrarTela(Tela::MenuAutonomo);
    emit showWindow(true);
}

void Base_Controller::disableComponentAutonomo()
{
    mostrarTela(Tela::AutonomoFechado);
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
}

// --- invokable ----------------------------------------------------------------

void Base_Controller::onClickButtonUpdaterSim()
{
    registrarBotao(QStringLiteral("SIM"));
    iniciarAtualizacao(1);
}

void Base_Controller::onClickButtonUpdaterNao()
{
    registrarBotao(QStringLiteral("NÃO"));
    iniciarAtualizacao(2);
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
    lista.append(QJsonObject{{QStringLiteral("text"), print_utils::impressoraFabricante()}});
    const QStringList nomes = print_utils::listaImpressoras();
    for (const QString &nome : nomes)
        lista.append(QJsonObject{{QStringLiteral("text"), nome}});
    return QString::fromUtf8(QJsonDocument(lista).toJson(QJsonDocument::Compact));
}

// --- start-up -----------------------------------------------------------------

void Base_Controller::aplicaCustomizacao(Base_Controller *controller, bool dialogoOperador, const ConfigTef &config)
{
    if (!controller)
        return;
    // A product without a cashier dialogue, or autonomous-only use, which starts from the menu.
    if (!dialogoOperador || config.tipoOperacao() == 1)
        controller->mostrarTela(Tela::SemBotoes);
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
