// Stand-in for the APITEFVarda library: conducts the card dialogue one capture
// JSON per step, as the real library does, with screens, receipts and the
// transaction data of an approval. See docs/simuladores.md ("Simulated APITEFVarda
// library") for the dialogues and the scenario file.
#include "../common/SimLog.h"
#include "backends/Vantor_Api.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

#include <cstdio>

#include <chrono>
#include <cstring>

namespace {

constexpr int fluxoCancelar = 2;
constexpr int fluxoVoltar = 3;
constexpr int sequenciaFinal = 99;
constexpr int statusCancelado = 65282;

// What the dialogue in progress has collected, and what the last one left.
// With "Z3_SIM_ESTADO" naming a folder, the last NSU and whether the last
// approval still waits for its confirmation are kept there
// (apitefvarda_host.json), so that they outlive the program.
struct Estado
{
    QMutex mutex;
    QString valor;
    QString nsuOriginal;
    QString dataOriginal;
    QString empresa = QStringLiteral("00000001");
    QString terminal = QStringLiteral("ZD000001");
    int ultimoNsu = 0;
    bool pendente = false;
    QString comprovanteLoja;
    QString comprovanteCliente;
    QString arquivo;

    void carregar()
    {
        arquivo = simlog::arquivoEstado("apitefvarda_host.json");
        const QJsonObject dados = simlog::lerEstado(arquivo);
        ultimoNsu = dados.value(QStringLiteral("ultimoNsu")).toInt();
        pendente = dados.value(QStringLiteral("pendente")).toBool();
    }

    void gravar() const
    {
        simlog::gravarEstado(
            arquivo, QJsonObject{{QStringLiteral("ultimoNsu"), ultimoNsu}, {QStringLiteral("pendente"), pendente}});
    }
};

Estado &estado()
{
    static Estado *e = [] {
        auto *novo = new Estado;
        novo->carregar();
        return novo;
    }();
    return *e;
}

QJsonObject componente(int codigo, const char *nome, const QString &conteudo, int formato = 0)
{
    return {{QStringLiteral("TipoVisor"), QStringLiteral("operador")},
            {QStringLiteral("CodigoComponenteTela"), codigo},
            {QStringLiteral("NomeComponenteTela"), QString::fromLatin1(nome)},
            {QStringLiteral("ConteudoComponenteTela"), conteudo},
            {QStringLiteral("FormatoDeCaptura"), formato}};
}

QJsonObject botao(int codigo, const char *texto)
{
    return componente(codigo, "button", QString::fromUtf8(texto));
}

// A screen: its step number, its components (which the scenario's "telas" may
// replace by the screen's name) and, for the last one, the status.
QJsonObject tela(const QJsonObject &cenario, const char *nome, int sequencia, QJsonArray componentes, int status = 0)
{
    const QJsonValue outra = cenario.value(QStringLiteral("telas")).toObject().value(QLatin1String(nome));
    if (outra.isArray())
        componentes = outra.toArray();
    return {{QStringLiteral("SequenciaCaptura"), sequencia}, {QStringLiteral("TipoFluxo"), 0},
            {QStringLiteral("AbortarFluxoCaptura"), false},  {QStringLiteral("FormatoInfoCaptura"), 0},
            {QStringLiteral("InfoCaptura"), QString()},      {QStringLiteral("Status"), status},
            {QStringLiteral("ComponentesTela"), componentes}};
}

QJsonObject telaDigitar(const QJsonObject &cenario, const char *nome, int sequencia, const char *rotulo,
                        const QString &proposto = QString(), bool voltar = false)
{
    QJsonArray c{componente(1, "label", QString::fromUtf8(rotulo)), componente(2, "textbox", proposto),
                 botao(3, "Prosseguir")};
    if (voltar)
        c.append(botao(4, "Voltar"));
    c.append(botao(5, "Cancelar"));
    return tela(cenario, nome, sequencia, c);
}

QJsonObject telaFinal(const QJsonObject &cenario, int status, const QStringList &rotulos, const QJsonArray &extra = {})
{
    QJsonArray c;
    int codigo = 1;
    for (const QString &r : rotulos)
        c.append(componente(codigo++, "label", r));
    for (const QJsonValue &e : extra)
        c.append(e);
    return tela(cenario, "final", sequenciaFinal, c, cenario.value(QStringLiteral("status")).toInt(status));
}

QJsonObject cancelada(const QJsonObject &cenario)
{
    return telaFinal(cenario, statusCancelado, {QStringLiteral("OPERACAO CANCELADA")});
}

QString soDigitos(const QString &s)
{
    QString d;
    for (const QChar c : s) {
        if (c.isDigit())
            d.append(c);
    }
    return d;
}

// Cents as the receipt writes them: "1250" -> "R$ 12,50".
QString reais(const QString &centavos)
{
    const QString c = centavos.rightJustified(3, QLatin1Char('0'));
    return QStringLiteral("R$ %1,%2").arg(c.left(c.size() - 2), c.right(2));
}

QDateTime agora(const QJsonObject &cenario)
{
    const QString fixa = cenario.value(QStringLiteral("data_hora")).toString();
    const QDateTime d = QDateTime::fromString(fixa, QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    return d.isValid() ? d : QDateTime::currentDateTime();
}

// The scenario's "decisao" ("aprovar" or "negar"), else an amount ending in 51 is declined.
bool aprovar(const QJsonObject &cenario, const QString &valor)
{
    const QString d = cenario.value(QStringLiteral("decisao")).toString();
    if (!d.isEmpty())
        return d != QLatin1String("negar");
    return !valor.endsWith(QLatin1String("51"));
}

QString comprovante(const QString &via, const QString &titulo, const QDateTime &quando, const QStringList &corpo)
{
    QStringList l{QStringLiteral("        VARDA PAY"), QStringLiteral("     ") + titulo, via,
                  quando.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"))};
    l << corpo;
    return l.join(QLatin1Char('\n'));
}

// Receipts and transaction data of an approval, and the final screen that carries them.
QJsonObject aprovada(const QJsonObject &cenario, const QString &titulo, const QString &valor, const QString &cartao,
                     const QStringList &dadosExtra, const QStringList &linhasExtra)
{
    Estado &e = estado();
    const QDateTime quando = agora(cenario);
    const QString nsu = QString::number(++e.ultimoNsu).rightJustified(6, QLatin1Char('0'));
    const QString autorizacao = QString::number(123400 + e.ultimoNsu);
    QStringList corpo{QStringLiteral("CARTAO: ") + cartao, QStringLiteral("NSU: %1  AUT: %2").arg(nsu, autorizacao)};
    corpo << linhasExtra << QStringLiteral("VALOR: ") + reais(valor);
    e.comprovanteLoja = comprovante(QStringLiteral("VIA ESTABELECIMENTO"), titulo, quando, corpo);
    e.comprovanteCliente = comprovante(QStringLiteral("VIA CLIENTE"), titulo, quando, corpo);
    e.pendente = true;
    e.gravar();
    QStringList dados{QStringLiteral("Pan:") + cartao,
                      QStringLiteral("ValorTrans:") + valor,
                      QStringLiteral("Nsu:") + nsu,
                      QStringLiteral("HoraTrans:") + quando.toString(QStringLiteral("HHmmss")),
                      QStringLiteral("DataTrans:") + quando.toString(QStringLiteral("MMdd")),
                      QStringLiteral("CodAutorizacao:") + autorizacao,
                      QStringLiteral("CodResposta:00"),
                      QStringLiteral("CodEstabelecimento:") + e.empresa,
                      QStringLiteral("NsuHost:") + nsu.rightJustified(12, QLatin1Char('0')),
                      QStringLiteral("NomeRede:REDE SIMULADA"),
                      QStringLiteral("CodRede:999"),
                      QStringLiteral("IdTerminal:") + e.terminal};
    dados << dadosExtra;
    return telaFinal(cenario, 0, {titulo + QStringLiteral(" APROVADA"), QStringLiteral("RETIRE O CARTAO")},
                     {componente(10, "comprovanteloja", e.comprovanteLoja),
                      componente(11, "comprovantecliente", e.comprovanteCliente),
                      componente(12, "dadostransacao", dados.join(QLatin1Char(',')))});
}

QJsonObject negada(const QJsonObject &cenario, const QString &titulo)
{
    return telaFinal(cenario, 5, {titulo + QStringLiteral(" NEGADA"), QStringLiteral("RETIRE O CARTAO")});
}

// The steps of a sale: the amount when absent, the card, the outcome.
QJsonObject pagamento(int tipo, const QJsonObject &entrada, const QJsonObject &cenario)
{
    Estado &e = estado();
    const int sequencia = entrada.value(QStringLiteral("SequenciaCaptura")).toInt();
    const int fluxo = entrada.value(QStringLiteral("TipoFluxo")).toInt();
    const QString info = entrada.value(QStringLiteral("InfoCaptura")).toString();
    if (fluxo == fluxoCancelar)
        return cancelada(cenario);
    const QJsonObject telaValor = telaDigitar(cenario, "valor", 1, "DIGITE O VALOR DA VENDA");
    const QJsonObject telaCartao =
        tela(cenario, "cartao", 2,
             {componente(1, "label", QStringLiteral("APROXIME, INSIRA OU PASSE O CARTAO")), botao(2, "Cancelar")});
    switch (sequencia) {
    case 0:
        e.valor = soDigitos(info);
        return e.valor.isEmpty() ? telaValor : telaCartao;
    case 1:
        e.valor = soDigitos(info);
        return e.valor.isEmpty() ? telaValor : telaCartao;
    default: {
        // Back from the card prompt is back to the amount; without a card the prompt stays.
        if (fluxo == fluxoVoltar)
            return telaValor;
        if (cenario.value(QStringLiteral("sem_cartao")).toBool())
            return telaCartao;
        const QString titulo = tipo == 1 ? QStringLiteral("DEBITO") : QStringLiteral("CREDITO");
        if (!aprovar(cenario, e.valor))
            return negada(cenario, titulo);
        if (tipo == 1)
            return aprovada(cenario, titulo, e.valor, QStringLiteral("547400******0019"),
                            {QStringLiteral("CodBandeira:2"), QStringLiteral("NomeBandeira:MASTERCARD"),
                             QStringLiteral("CodServico:2")},
                            {});
        return aprovada(cenario, titulo, e.valor, QStringLiteral("411111******1111"),
                        {QStringLiteral("CodBandeira:1"), QStringLiteral("NomeBandeira:VISA"),
                         QStringLiteral("CodServico:1"), QStringLiteral("NroParcelas:1"),
                         QStringLiteral("FormaFinanciamento:A")},
                        {QStringLiteral("A VISTA")});
    }
    }
}

QJsonObject cancelamento(const QJsonObject &entrada, const QJsonObject &cenario)
{
    Estado &e = estado();
    const int sequencia = entrada.value(QStringLiteral("SequenciaCaptura")).toInt();
    const int fluxo = entrada.value(QStringLiteral("TipoFluxo")).toInt();
    const QString info = entrada.value(QStringLiteral("InfoCaptura")).toString();
    if (fluxo == fluxoCancelar)
        return cancelada(cenario);
    const QJsonObject telaNsu = telaDigitar(cenario, "nsu", 1, "DIGITE O NSU DA TRANSACAO ORIGINAL", {}, true);
    const QJsonObject telaData = telaDigitar(cenario, "data", 2, "DIGITE A DATA DA TRANSACAO (DDMMAA)", {}, true);
    switch (sequencia) {
    case 0:
        e.valor = soDigitos(info);
        return telaNsu;
    case 1:
        if (fluxo == fluxoVoltar || info.isEmpty())
            return telaNsu;
        e.nsuOriginal = info;
        return telaData;
    default:
        if (fluxo == fluxoVoltar)
            return telaNsu;
        if (info.isEmpty())
            return telaData;
        e.dataOriginal = info;
        if (!aprovar(cenario, e.valor))
            return negada(cenario, QStringLiteral("CANCELAMENTO"));
        return aprovada(cenario, QStringLiteral("CANCELAMENTO"), e.valor, QStringLiteral("411111******1111"),
                        {QStringLiteral("NsuTransOriginal:") + e.nsuOriginal},
                        {QStringLiteral("NSU ORIGINAL: %1  DATA: %2").arg(e.nsuOriginal, e.dataOriginal)});
    }
}

QJsonObject administrativa(int operacao, const QJsonObject &entrada, const QJsonObject &cenario)
{
    if (operacao == 12)
        return cancelamento(entrada, cenario);
    if (entrada.value(QStringLiteral("TipoFluxo")).toInt() == fluxoCancelar)
        return cancelada(cenario);
    if (operacao != 128)
        return telaFinal(cenario, 1, {QStringLiteral("OPERACAO NAO SUPORTADA")});
    const Estado &e = estado();
    if (e.comprovanteLoja.isEmpty())
        return telaFinal(cenario, 1, {QStringLiteral("NAO HA COMPROVANTE PARA REIMPRIMIR")});
    return telaFinal(cenario, 0, {QStringLiteral("REIMPRESSAO DO ULTIMO COMPROVANTE")},
                     {componente(10, "comprovanteloja", e.comprovanteLoja),
                      componente(11, "comprovantecliente", e.comprovanteCliente)});
}

QJsonObject configuracao(const QJsonObject &entrada, const QJsonObject &cenario)
{
    Estado &e = estado();
    const int sequencia = entrada.value(QStringLiteral("SequenciaCaptura")).toInt();
    const int fluxo = entrada.value(QStringLiteral("TipoFluxo")).toInt();
    const QString info = entrada.value(QStringLiteral("InfoCaptura")).toString();
    if (fluxo == fluxoCancelar)
        return cancelada(cenario);
    const QJsonObject telaEmpresa = telaDigitar(cenario, "empresa", 1, "CODIGO DA EMPRESA", e.empresa);
    const QJsonObject telaTerminal = telaDigitar(cenario, "terminal", 2, "NUMERO DO TERMINAL", e.terminal, true);
    switch (sequencia) {
    case 0:
        return telaEmpresa;
    case 1:
        if (info.isEmpty())
            return telaEmpresa;
        e.empresa = info;
        return telaTerminal;
    default:
        if (fluxo == fluxoVoltar)
            return telaEmpresa;
        if (info.isEmpty())
            return telaTerminal;
        e.terminal = info;
        return telaFinal(cenario, 0,
                         {QStringLiteral("CONFIGURACAO GRAVADA"), QStringLiteral("EMPRESA: ") + e.empresa,
                          QStringLiteral("TERMINAL: ") + e.terminal});
    }
}

qint64 instanteUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

// One step: reads the capture JSON up to its NUL, writes the next one into the
// buffer offered (tenfold the size), logs both. A reply that does not fit is
// written as far as it goes, without a NUL, as a careless library would.
void passo(const char *funcao, QJsonArray argumentos, char *buffer, int *tamanho,
           QJsonObject (*proximo)(int, const QJsonObject &, const QJsonObject &), int codigo)
{
    QMutexLocker l(&estado().mutex);
    const qint64 chegada = instanteUs();
    const QJsonObject cenario = simlog::cenario();
    const int tamanhoRecebido = tamanho ? *tamanho : 0;
    const QByteArray recebido = buffer ? QByteArray(buffer) : QByteArray();
    const QJsonObject entrada = QJsonDocument::fromJson(recebido).object();
    QByteArray resposta = QJsonDocument(proximo(codigo, entrada, cenario)).toJson(QJsonDocument::Compact);
    // Blanks before the closing brace give a reply of an exact length, to meet the buffer's edge.
    const int bytes = cenario.value(QStringLiteral("resposta_bytes")).toInt();
    if (resposta.size() < bytes)
        resposta.insert(resposta.size() - 1, QByteArray(bytes - resposta.size(), ' '));
    const qint64 capacidade = static_cast<qint64>(tamanhoRecebido) * 10;
    const bool semNul = cenario.value(QStringLiteral("sem_nul")).toBool();
    if (buffer && capacidade > 0) {
        if (!semNul && resposta.size() + 1 <= capacidade) {
            std::memcpy(buffer, resposta.constData(), static_cast<size_t>(resposta.size()) + 1);
        } else {
            const qint64 n = std::min<qint64>(resposta.size(), capacidade);
            std::memcpy(buffer, resposta.constData(), static_cast<size_t>(n));
            std::memset(buffer + n, 'x', static_cast<size_t>(capacidade - n));
        }
    }
    if (tamanho && cenario.contains(QStringLiteral("tamanho")))
        *tamanho = cenario.value(QStringLiteral("tamanho")).toInt();
    argumentos.append(QString::fromUtf8(recebido));
    argumentos.append(tamanhoRecebido);
    simlog::registrar(funcao, argumentos,
                      {{QStringLiteral("devolvido"), QString::fromUtf8(resposta)},
                       {QStringLiteral("tamanho_devolvido"), tamanho ? *tamanho : 0},
                       {QStringLiteral("instante_us"), static_cast<double>(chegada)}});
}

int codigoDoCenario(const char *chave)
{
    return simlog::cenario().value(QLatin1String(chave)).toInt(0);
}

} // namespace

#define Z3_EXPORT extern "C" Q_DECL_EXPORT

Z3_EXPORT int VardaTEF_Autenticador()
{
    const int r = codigoDoCenario("autenticacao");
    simlog::registrar("VardaTEF_Autenticador", {}, {{QStringLiteral("resultado"), r}});
    return r;
}

Z3_EXPORT int VardaTEF_IniciarOperacaoTEF()
{
    const int r = codigoDoCenario("inicio");
    simlog::registrar("VardaTEF_IniciarOperacaoTEF", {}, {{QStringLiteral("resultado"), r}});
    return r;
}

Z3_EXPORT void VardaTEF_RealizarPagamentoTEF(int tipoPagamento, char *buffer, int *tamanho)
{
    passo("VardaTEF_RealizarPagamentoTEF", {tipoPagamento}, buffer, tamanho, &pagamento, tipoPagamento);
}

Z3_EXPORT void VardaTEF_RealizarAdmTEF(int operacao, char *buffer, int *tamanho)
{
    passo("VardaTEF_RealizarAdmTEF", {operacao}, buffer, tamanho, &administrativa, operacao);
}

Z3_EXPORT void VardaTEF_RealizarConfiguracao(char *buffer, int *tamanho)
{
    passo(
        "VardaTEF_RealizarConfiguracao", {}, buffer, tamanho,
        [](int, const QJsonObject &entrada, const QJsonObject &cenario) { return configuracao(entrada, cenario); }, 0);
}

Z3_EXPORT int VardaTEF_ConfirmarOperacaoTEF(int confirmar)
{
    QMutexLocker l(&estado().mutex);
    const bool havia = estado().pendente;
    const int r = codigoDoCenario("confirmacao");
    // A refusal leaves the transaction pending, as the host has it.
    if (r == 0) {
        estado().pendente = false;
        estado().gravar();
    }
    const QString desfecho = !havia      ? QStringLiteral("nada pendente")
                             : r != 0    ? QStringLiteral("recusada")
                             : confirmar ? QStringLiteral("confirmada")
                                         : QStringLiteral("desfeita");
    simlog::registrar("VardaTEF_ConfirmarOperacaoTEF", {confirmar},
                      {{QStringLiteral("resultado"), r}, {QStringLiteral("desfecho"), desfecho}});
    return r;
}

Z3_EXPORT int VardaTEF_FinalizarOperacaoTEF(int encerramento)
{
    const int r = codigoDoCenario("finalizacao");
    simlog::registrar("VardaTEF_FinalizarOperacaoTEF", {encerramento}, {{QStringLiteral("resultado"), r}});
    return r;
}
