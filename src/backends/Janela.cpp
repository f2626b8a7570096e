#include "backends/Janela.h"

#include "PlatformGui.h"
#include "base/DadosSensiveis.h"

#include <QFileInfo>
#include <QLocale>
#include <QMetaMethod>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QThread>
#include <QWindow>

namespace {

QString comTag(const QString &msg)
{
    return QStringLiteral("[Janela] ") + msg;
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

const QUrl logoPadrao(QStringLiteral("qrc:/Assets/Logo Varda Pay - Azul.png"));

} // namespace

const QStringList Janela::operacoesDoMenu = {QStringLiteral("Venda Cartão"), QStringLiteral("PIX"),
                                             QStringLiteral("Operação Administrativa")};
// What the cashier reads in the menu, entry by entry.
static const QStringList rotulosDoMenu = {QStringLiteral("Venda Cartao"), QStringLiteral("PIX"),
                                          QStringLiteral("Operação Administrativa")};
const QString Janela::tituloPadrao = QStringLiteral("TEF em operação");

// clang-format off
const Janela::Estado Janela::estados[] = {
    {Tela::AutonomoFechado,    ListaOpcoes | BotaoMenuOk | BotaoMenuCancelar, 0},
    {Tela::Bloqueada,          BotaoOk | BotaoVoltar | BotaoCancelar | BotaoSim | BotaoNao | BotaoMenuOk |
                               BotaoMenuCancelar | CampoTexto | ListaOpcoes | BarraOcupado, 0},
    {Tela::Ociosa,             BotaoOk | BotaoVoltar | BotaoCancelar | BotaoSim | BotaoNao | BotaoMenuOk |
                               BotaoMenuCancelar | CampoTexto | ListaOpcoes | BarraOcupado, BarraOcupado},
    {Tela::MenuAutonomo,       BotaoOk | BotaoVoltar | BotaoCancelar | BotaoMenuOk | BotaoMenuCancelar |
                               CampoTexto | ListaOpcoes | BarraOcupado, BotaoMenuOk | BotaoMenuCancelar | ListaOpcoes},
    {Tela::Sobre,              BotaoOk | BotaoVoltar | BotaoCancelar | BotaoSim | BotaoNao | CampoTexto |
                               BarraOcupado, 0},
    {Tela::SemBotoes,          BotaoOk | BotaoVoltar | BotaoCancelar | CampoTexto | ListaOpcoes, 0},
    {Tela::Limpa,              BotaoOk | BotaoVoltar | BotaoCancelar | CampoTexto | ListaOpcoes | ImagemQr, 0},
    {Tela::Processando,        BotaoOk | BotaoVoltar | BotaoCancelar | CampoTexto | ListaOpcoes | BarraOcupado,
                               BarraOcupado},
    {Tela::AguardandoResposta, BotaoOk | BotaoCancelar | BarraOcupado, BotaoOk | BotaoCancelar},
    {Tela::Final,              BotaoOk | BotaoCancelar | BarraOcupado, BarraOcupado},
};
// clang-format on

unsigned Janela::elemento(Botao botao)
{
    switch (botao) {
    case Botao::Ok:
        return BotaoOk;
    case Botao::Voltar:
        return BotaoVoltar;
    case Botao::Cancelar:
        return BotaoCancelar;
    case Botao::Sim:
        return BotaoSim;
    case Botao::Nao:
        return BotaoNao;
    case Botao::MenuOk:
        return BotaoMenuOk;
    case Botao::MenuCancelar:
        return BotaoMenuCancelar;
    }
    return 0;
}

Janela::Janela(QObject *parent)
    : QObject(parent), m_titulo(tituloPadrao), m_mensagem(QStringLiteral("Aguardando arquivo intpos")),
      m_visiveis(BarraOcupado), m_corDestaque(QStringLiteral("#0099FF")), m_corFonte(QStringLiteral("#000000")),
      m_corFonteSecundaria(QStringLiteral("#ffffff")), m_corFundo(QStringLiteral("#ffffff")),
      m_corSelecao(QStringLiteral("#cbeaff")), m_logo(logoPadrao)
{}

void Janela::postar(std::function<void()> mudanca)
{
    if (QThread::currentThread() == thread())
        mudanca();
    else
        QMetaObject::invokeMethod(this, std::move(mudanca), Qt::QueuedConnection);
}

void Janela::logTela(const QString &rotulo, const QString &texto) const
{
    if (!texto.trimmed().isEmpty())
        m_log.info(comTag(rotulo + paraLog(texto)));
}

// --- posted -----------------------------------------------------------------

void Janela::mostrar()
{
    postar([this] { emit trazidaParaFrente(); });
}

void Janela::ocultar()
{
    postar([this] { emit ocultada(); });
}

void Janela::minimizar()
{
    postar([this] { emit minimizada(); });
}

void Janela::mostrarTitulo(const QString &titulo)
{
    {
        // Every pass of a transaction repeats its header: logged when it changes.
        QMutexLocker lock(&m_logMutex);
        if (titulo != m_logTitulo) {
            m_logTitulo = titulo;
            logTela(QStringLiteral("Tela, título: "), titulo);
        }
    }
    postar([this, titulo] {
        if (titulo == m_titulo)
            return;
        m_titulo = titulo;
        emit tituloChanged();
    });
}

void Janela::mostrarMensagem(const QString &mensagem)
{
    logTela(QStringLiteral("Tela: "), mensagem);
    postar([this, mensagem] {
        if (mensagem == m_mensagem)
            return;
        m_mensagem = mensagem;
        emit mensagemChanged();
    });
}

void Janela::avisarErro(const QString &texto)
{
    logTela(QStringLiteral("Tela, aviso de erro: "), texto);
    postar([this, texto] { emit aviso(texto, true); });
}

void Janela::avisar(const QString &texto)
{
    logTela(QStringLiteral("Tela, aviso: "), texto);
    postar([this, texto] { emit aviso(texto, false); });
}

void Janela::mudarElementos(unsigned toca, unsigned mostra)
{
    const unsigned novos = (m_visiveis & ~toca) | (mostra & toca);
    if (novos == m_visiveis)
        return;
    m_visiveis = novos;
    emit elementosChanged();
}

void Janela::mostrarTela(Tela tela)
{
    for (const Estado &e : estados) {
        if (e.tela == tela) {
            postar([this, e] { mudarElementos(e.toca, e.mostra); });
            return;
        }
    }
}

void Janela::mostrarBotao(Botao botao, bool visivel)
{
    const unsigned e = elemento(botao);
    postar([this, e, visivel] { mudarElementos(e, visivel ? e : 0); });
}

void Janela::mostrarOcupado(bool ocupado)
{
    postar([this, ocupado] { mudarElementos(BarraOcupado, ocupado ? unsigned(BarraOcupado) : 0u); });
}

void Janela::abrirCampo(const Campo &campo)
{
    {
        QMutexLocker lock(&m_logMutex);
        m_logSenha = campo.senha;
        m_logDigitado = campo.registrarDigitado;
        if (!campo.inicial.isEmpty())
            logTela(QStringLiteral("Tela, campo preenchido com: "), campo.senha ? oculto : campo.inicial);
        m_log.info(comTag(campo.senha ? QStringLiteral("Tela: campo de senha aberto")
                                      : QStringLiteral("Tela: campo de digitação aberto")));
    }
    postar([this, campo] {
        const bool mudou =
            campo.mascara != m_campo.mascara || campo.senha != m_campo.senha || campo.moeda != m_campo.moeda;
        m_campo = campo;
        // The mask before the text, which it lays out; the field on screen
        // before it is filled, which also gives it the keyboard.
        if (mudou)
            emit campoChanged();
        mudarElementos(CampoTexto | BarraOcupado, CampoTexto);
        m_campoTexto = campo.inicial;
        emit campoPreenchido(campo.inicial);
    });
}

void Janela::logLista(const QStringList &opcoes)
{
    QMutexLocker lock(&m_logMutex);
    m_logOpcoes = opcoes;
    QStringList linhas;
    for (int i = 0; i < opcoes.size(); ++i)
        linhas << QStringLiteral("[%1] %2").arg(i).arg(paraLog(opcoes.at(i)));
    m_log.info(comTag(QStringLiteral("Tela, lista: ") + linhas.join(QStringLiteral("; "))));
}

void Janela::abrirLista(const QStringList &opcoes, int inicial)
{
    logLista(opcoes);
    postar([this, opcoes, inicial] {
        m_listaDeOperacoes = false;
        m_opcoes = opcoes;
        m_opcaoInicial = inicial;
        emit opcoesChanged();
        mudarElementos(ListaOpcoes | BarraOcupado, ListaOpcoes);
        emit opcaoSelecionada(inicial);
    });
}

void Janela::mostrarQrCode(const QString &pngBase64)
{
    postar([this, pngBase64] {
        if (pngBase64 != m_qrCode) {
            m_qrCode = pngBase64;
            emit qrCodeChanged();
        }
        mudarElementos(ImagemQr, pngBase64.isEmpty() ? 0u : unsigned(ImagemQr));
    });
}

void Janela::repousar()
{
    if (m_menuOperacoes) {
        mostrarMenuOperacoes();
        return;
    }
    mostrarTela(Tela::Ociosa);
    mostrarMensagem(QStringLiteral("Aguardando arquivo intpos."));
    mostrarTitulo(tituloPadrao);
}

void Janela::mostrarMenuOperacoes()
{
    const QStringList opcoes = rotulosDoMenu;
    logLista(opcoes);
    postar([this, opcoes] {
        m_opcoes = opcoes;
        m_opcaoInicial = 0;
        m_listaDeOperacoes = true;
        emit opcoesChanged();
    });
    mostrarTitulo(QStringLiteral("TEF em Processamento"));
    mostrarMensagem(QStringLiteral("Selecione uma operação: "));
    mostrarTela(Tela::MenuAutonomo);
    postar([this] { emit opcaoSelecionada(0); });
    mostrar();
}

void Janela::mostrarSobre(const QString &texto)
{
    mostrarTela(Tela::AutonomoFechado);
    // Autonomous-only use has no other way back to its menu.
    if (m_menuOperacoes)
        mostrarBotao(Botao::MenuCancelar, true);
    mostrarTitulo(QStringLiteral("Sobre"));
    mostrarMensagem(texto);
    mostrarTela(Tela::Sobre);
    mostrar();
}

void Janela::avisarPendencia(const QString &nsu)
{
    postar([this, nsu] {
        m_nsuPendente = nsu;
        emit avisoPendenciaAberto();
    });
}

void Janela::abrirConfiguracoes()
{
    m_log.info(comTag(QStringLiteral("Configurações abertas")));
    postar([this] { emit configuracoesAbertas(); });
}

bool Janela::corValida(QString cor)
{
    // What the colour parser would see: the text up to the first NUL.
    const int nul = cor.indexOf(QChar(0));
    if (nul >= 0)
        cor.truncate(nul);
    // \A...\z: a trailing line feed must not pass as it would with "$".
    static const QRegularExpression padrao(
        QRegularExpression::anchoredPattern(QStringLiteral("#([A-Fa-f0-9]{6}|[A-Fa-f0-9]{3})")));
    return padrao.match(cor).hasMatch();
}

void Janela::aplicarAparencia(const Aparencia &a)
{
    const auto cor = [this](const QString &valor, QColor &destino) {
        if (corValida(valor))
            destino = QColor(valor);
        else
            m_log.error(comTag(QStringLiteral("Cor de customização inválida: \"%1\"").arg(valor)));
    };
    postar([this, a, cor] {
        cor(a.corDestaque, m_corDestaque);
        cor(a.corFonte, m_corFonte);
        cor(a.corFonteSecundaria, m_corFonteSecundaria);
        cor(a.corFundo, m_corFundo);
        cor(a.corSelecao, m_corSelecao);
        // Only an absolute path names a file of its own: a bare name (the
        // default) is the built-in logo.
        const QFileInfo arquivo(a.logo);
        if (!a.logo.isEmpty() && arquivo.isAbsolute() && arquivo.isFile()) {
            m_logo = QUrl::fromLocalFile(arquivo.absoluteFilePath());
            m_log.info(comTag(QStringLiteral("Imagem de customização existente no caminho ") + a.logo));
        } else {
            m_logo = logoPadrao;
            m_log.info(comTag(QStringLiteral("Imagem de customização não encontrada: logotipo padrão")));
        }
        if (a.largura > 0)
            m_largura = a.largura;
        if (a.altura > 0)
            m_altura = a.altura;
        emit aparenciaChanged();
    });
}

// --- the window's calls -------------------------------------------------------

void Janela::registrarResposta(const QString &valor, int estado)
{
    QMutexLocker lock(&m_logMutex);
    QString resposta;
    if (estado == 2) {
        bool ok = false;
        const int i = valor.toInt(&ok);
        resposta = ok && i >= 0 && i < m_logOpcoes.size()
                       ? QStringLiteral("opção %1 (%2)").arg(i).arg(paraLog(m_logOpcoes.at(i)))
                       : QStringLiteral("opção ") + paraLog(valor);
    } else if (!m_logDigitado) {
        m_log.info(comTag(QStringLiteral("Operador pressionou OK")));
        return;
    } else if (valor.isEmpty()) {
        resposta = QStringLiteral("(vazio)");
    } else {
        resposta = m_logSenha ? oculto : paraLog(valor);
    }
    m_log.info(comTag(QStringLiteral("Resposta do operador: ") + resposta));
}

void Janela::registrarBotao(const QString &botao)
{
    m_log.info(comTag(QStringLiteral("Operador pressionou ") + botao));
}

void Janela::ok(const QString &texto, int indice)
{
    if (m_listaDeOperacoes && listaVisivel() && !campoVisivel()) {
        escolherOperacao(indice);
        return;
    }
    // The field the run put on screen is the one being answered; a hidden
    // field holds nothing the cashier typed for this step.
    const bool lista = listaVisivel() && !campoVisivel();
    const QString valor = lista ? QString::number(indice) : campoVisivel() ? texto : QString();
    const int estado = lista ? 2 : 1;
    registrarResposta(valor, estado);
    emit confirmado(valor, estado);
}

void Janela::voltar()
{
    registrarBotao(QStringLiteral("VOLTAR"));
    emit voltou();
}

void Janela::cancelar()
{
    registrarBotao(QStringLiteral("CANCELAR"));
    emit cancelado();
}

void Janela::sim()
{
    registrarBotao(QStringLiteral("SIM"));
    emit simEscolhido();
}

void Janela::nao()
{
    registrarBotao(QStringLiteral("NÃO"));
    emit naoEscolhido();
}

void Janela::escolherOperacao(int indice)
{
    registrarResposta(QString::number(indice), 2);
    if (indice < 0 || indice >= operacoesDoMenu.size()) {
        m_log.warning(comTag(QStringLiteral("Nenhuma operação na posição %1 do menu").arg(indice)));
        return;
    }
    m_listaDeOperacoes = false;
    emit operacaoEscolhida(operacoesDoMenu.at(indice));
}

void Janela::voltarAoMenu()
{
    registrarBotao(QStringLiteral("CANCELAR"));
    emit menuPedido();
}

void Janela::fechar()
{
    if (isSignalConnected(QMetaMethod::fromSignal(&Janela::fechamentoPedido)))
        emit fechamentoPedido();
    else
        ocultar();
}

void Janela::fixarNoTopo(QObject *janela)
{
    platform::setWindowOnTop(qobject_cast<QWindow *>(janela), true);
    m_log.info(comTag(QStringLiteral("Janela travada no topo da pilha")));
}

void Janela::aceitarTermo()
{
    m_termoAceito = true;
    m_log.info(comTag(QStringLiteral("Termo de Responsabilidade aceito pelo usuário referente a não confirmação da "
                                     "transação (") +
                      m_nsuPendente + QStringLiteral(")")));
}

QString Janela::formatarValor(QString val)
{
    val.remove(QLatin1Char(',')).remove(QLatin1Char('.'));
    if (val.size() < 3)
        val = QStringLiteral("%1").arg(val.toInt(), 3, 10, QLatin1Char('0'));
    val.insert(val.size() - 2, QLatin1Char('.'));
    const double valor = val.toDouble(); // 0 when the text is not a number
    return QLocale(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::Brazil).toCurrencyString(valor);
}
