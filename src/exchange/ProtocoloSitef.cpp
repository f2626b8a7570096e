#include "exchange/ProtocoloSitef.h"

#include "app/ConfigTef.h"
#include "receipts/TabelasCartao.h"

#include <QDate>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <array>
#include <vector>

namespace {

const QString prefixoLog = QStringLiteral("[ProtocoloSitef] ");

// ---------------------------------------------------------------------------
// Request fields

// When a request field is accepted, judged against the operation read so far.
enum class Condicao {
    Sempre,     // always
    NenhumaDe,  // operation equals none of the texts
    UmaDe,      // operation equals one of the texts
    ContemUmaDe // operation contains one of the texts (case-sensitive)
};

struct CampoRequisicao
{
    const char *campo;
    const char *chave;
    Condicao condicao;
    std::array<const char *, 4> operacoes;
};

const CampoRequisicao camposRequisicao[] = {
    {"001-000", "identificacao", Condicao::Sempre, {}},
    {"210-052", "numero_pdv", Condicao::Sempre, {}},
    {"731-000", "tipo_cartao", Condicao::Sempre, {}},
    {"018-000", "quantidade_parcelas", Condicao::Sempre, {}},
    {"017-000", "tipo_parcelamento", Condicao::Sempre, {}},
    {"002-000", "documento", Condicao::NenhumaDe, {"ATV", "ADM"}},
    {"003-000", "valor", Condicao::NenhumaDe, {"ATV", "ADM", "CNF", "NCN"}},
    {"004-000", "moeda", Condicao::UmaDe, {"CRT"}},
    {"005-000", "cmc7", Condicao::ContemUmaDe, {"CHQ"}},
    {"006-000", "tipo_pessoa", Condicao::ContemUmaDe, {"CHQ"}},
    {"007-000", "documento_pessoa", Condicao::ContemUmaDe, {"CHQ"}},
    {"008-000", "data_cheque", Condicao::ContemUmaDe, {"CHQ"}},
    {"010-000", "nome_rede", Condicao::ContemUmaDe, {"CNC", "CNF", "NCN"}},
    {"011-000", "codigo_transacao", Condicao::Sempre, {}},
    {"012-000", "numero_transacao", Condicao::ContemUmaDe, {"CNC", "CNF", "NCN"}},
    {"022-000", "data_transacao", Condicao::ContemUmaDe, {"CNC"}},
    {"023-000", "hora_transacao", Condicao::ContemUmaDe, {"CNC"}},
    {"024-000", "data_predatado", Condicao::UmaDe, {"CRT", "ADM", "CNC"}},
    {"027-000", "finalizacao", Condicao::ContemUmaDe, {"CNC", "CNF", "NCN"}},
    {"375-017", "aplicacao", Condicao::Sempre, {}},
    {"375-018", "versao_aplicacao", Condicao::Sempre, {}},
    {"375-016", "estabelecimento", Condicao::Sempre, {}},
    {"375-019", "loja", Condicao::Sempre, {}},
    {"718-000", "terminal", Condicao::Sempre, {}},
    {"375-024", "adm_usuario", Condicao::Sempre, {}},
    {"375-025", "adm_senha", Condicao::Sempre, {}},
    {"376-000", "opcao_coleta", Condicao::Sempre, {}},
    {"742-000", "nome_produto", Condicao::Sempre, {}},
    {"999-999", "registro_final", Condicao::Sempre, {}},
};

struct Operacao
{
    const char *header;
    int codigo;
};

const Operacao operacoes[] = {
    {"CRT", 0}, {"CNC", 12}, {"ADM", -5}, {"CNF", -6}, {"NCN", -7},
};
constexpr int operacaoDesconhecida = -20;

// Operations without a code of their own that the backends still serve by
// their header: not worth a line about an unknown operation on every request.
const char *const operacoesSemCodigo[] = {"ATV", "PIX", "CLT"};

// Fields that POS software commonly sends with an operation that does not use
// them (the currency and the fiscal document of a cancellation): taken in
// silence, so that the warnings keep meaning something.
struct CampoIgnorado
{
    const char *campo;
    const char *operacao;
};
const CampoIgnorado camposIgnorados[] = {{"004-000", "CNC"}, {"013-000", "CNC"}};

bool aceita(const CampoRequisicao &campo, const QString &operacao)
{
    switch (campo.condicao) {
    case Condicao::Sempre:
        return true;
    case Condicao::NenhumaDe:
    case Condicao::UmaDe: {
        bool igual = false;
        for (const char *op : campo.operacoes) {
            if (op && operacao == QLatin1String(op))
                igual = true;
        }
        return campo.condicao == Condicao::UmaDe ? igual : !igual;
    }
    case Condicao::ContemUmaDe:
        for (const char *op : campo.operacoes) {
            if (op && operacao.contains(QLatin1String(op)))
                return true;
        }
        return false;
    }
    return false;
}

// Blanks, tabs and "\r" trimmed at both ends, inner runs made one blank. Most keys
// and values need nothing but the trim: the trimmed input itself is returned then, and
// a simplified copy, kept in `copia`, only when needed.
QStringRef simplificado(const QStringRef &texto, QString *copia)
{
    const QStringRef aparado = texto.trimmed();
    const QChar *p = aparado.unicode();
    const int n = aparado.size();
    for (int i = 0; i < n; ++i) {
        if (p[i].isSpace() && (p[i] != QLatin1Char(' ') || (i + 1 < n && p[i + 1].isSpace()))) {
            *copia = aparado.toString().simplified();
            return QStringRef(copia);
        }
    }
    return aparado;
}

QString simplificar(const QStringRef &texto)
{
    QString copia;
    return simplificado(texto, &copia).toString();
}

// Keeps a log line readable when a "key" is a whole garbage line.
QString paraLog(const QString &texto)
{
    constexpr int maximo = 64;
    return texto.size() <= maximo ? texto : texto.left(maximo) + QStringLiteral("...");
}

// ---------------------------------------------------------------------------
// Shared response rules

// A line break inside a value would start a forged field in the response.
QString semQuebras(QString valor)
{
    valor.remove(QLatin1Char('\n'));
    valor.remove(QLatin1Char('\r'));
    return valor;
}

// A receipt line number: at least three digits, larger numbers keep all their digits.
void acrescentarNumero(QString &texto, int i)
{
    char digitos[12];
    int n = 0;
    do {
        digitos[sizeof digitos - 1 - n++] = static_cast<char>('0' + i % 10);
        i /= 10;
    } while (i > 0 || n < 3);
    texto.append(QLatin1String(digitos + sizeof digitos - n, n));
}

// Appends the value without its line breaks.
void acrescentarSemQuebras(QString &texto, const QString &valor)
{
    const QChar *p = valor.unicode();
    const int n = valor.size();
    int inicio = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] == QLatin1Char('\n') || p[i] == QLatin1Char('\r')) {
            texto.append(p + inicio, i - inicio);
            inicio = i + 1;
        }
    }
    texto.append(p + inicio, n - inicio);
}

QString textoDe(const QJsonValue &v)
{
    return v.isString() ? v.toString() : QString();
}

QString inteiroDe(const QJsonValue &v)
{
    // toInt gives 0 for anything that is not an integral number in int range.
    return QString::number(v.toInt());
}

struct DataHora
{
    QString data;
    QString hora;
};

// "dd/MM/yyyy hh:mm:ss" -> digits of the date and of the time. A text without a
// blank has no time part: the time field is then written empty, so the point of
// sale still finds both fields.
DataHora dataHora(const QString &texto)
{
    const int primeiro = texto.indexOf(QLatin1Char(' '));
    DataHora r;
    if (primeiro < 0) {
        r.data = texto;
    } else {
        r.data = texto.left(primeiro);
        const int segundo = texto.indexOf(QLatin1Char(' '), primeiro + 1);
        r.hora = texto.mid(primeiro + 1, segundo < 0 ? -1 : segundo - primeiro - 1);
    }
    r.data.remove(QLatin1Char('/'));
    r.hora.remove(QLatin1Char(':'));
    return r;
}

QStringList textosDe(const QJsonArray &array)
{
    QStringList r;
    r.reserve(array.size());
    for (const QJsonValue &v : array)
        r.append(textoDe(v));
    return r;
}

// ---------------------------------------------------------------------------
// Vantor "dados_transacao"

enum class RegraVantor { Inalterado, Pan, DataTrans, Trilha, Financiamento, Ignorado };

struct CampoVantor
{
    const char *chave;
    const char *campo;
    RegraVantor regra;
};

const CampoVantor camposVantor[] = {
    {"Pan", "010-004|010-005", RegraVantor::Pan},
    {"ValorTrans", "003-000", RegraVantor::Inalterado},
    {"Nsu", "012-000", RegraVantor::Inalterado},
    {"HoraTrans", "023-000", RegraVantor::Inalterado},
    {"DataTrans", "022-000", RegraVantor::DataTrans},
    {"DataValidadeCartao", "300-001", RegraVantor::Inalterado},
    {"CodAutorizacao", "013-000", RegraVantor::Inalterado},
    {"CodResposta", "047-000", RegraVantor::Inalterado},
    {"CodEstabelecimento", "150-001", RegraVantor::Inalterado},
    {"NroParcelas", "018-000", RegraVantor::Inalterado},
    {"TaxaServico", "050-000", RegraVantor::Inalterado},
    {"NsuHost", "043-000", RegraVantor::Inalterado},
    {"CodBandeira", "010-003", RegraVantor::Inalterado},
    {"CodServico", "010-007", RegraVantor::Inalterado},
    {"NroControle", "011-000", RegraVantor::Inalterado},
    {"CodRede", "010-001", RegraVantor::Inalterado},
    {"NomeBandeira", "010-002", RegraVantor::Inalterado},
    {"NomeRede", "010-000", RegraVantor::Inalterado},
    {"Trilha02", "210-004", RegraVantor::Trilha},
    {"SaldoDisponivel", "210-065", RegraVantor::Inalterado},
    {"NsuTransOriginal", "025-000", RegraVantor::Inalterado},
    {"FormaFinanciamento", "017-000", RegraVantor::Financiamento},
    {"NsuHostTransOriginal", "043-001", RegraVantor::Inalterado},
    {"CodOperadoraCelular", "504-000", RegraVantor::Inalterado},
    {"CodArea", "150-003", RegraVantor::Inalterado},
    {"NroTelefone", "805-000", RegraVantor::Inalterado},
    {"TaxaEmbarque", "050-001", RegraVantor::Inalterado},
    {"CodEmpresa", "150-000", RegraVantor::Inalterado},
    {"NroPdv", "210-052", RegraVantor::Inalterado},
    {"ValorSaque", "200-000", RegraVantor::Inalterado},
    {"CnpjCredenciadora", "600-000", RegraVantor::Inalterado},
    {"IdTerminal", nullptr, RegraVantor::Ignorado},
    {"CodEstabCielo", nullptr, RegraVantor::Ignorado},
    {"CodIf", nullptr, RegraVantor::Ignorado},
    {"LogoPan", nullptr, RegraVantor::Ignorado},
    {"CodAutenticacao", nullptr, RegraVantor::Ignorado},
};

const CampoVantor *campoVantor(const QStringRef &chave)
{
    for (const CampoVantor &c : camposVantor) {
        if (chave == QLatin1String(c.chave))
            return &c;
    }
    return nullptr;
}

struct ItemVantor
{
    QStringRef chave;
    QStringRef valor;
    bool temValor = false;
};

// "Chave:valor" -> key before the first ":", value between the first and the second.
ItemVantor itemVantor(const QStringRef &item)
{
    ItemVantor r;
    const int p1 = item.indexOf(QLatin1Char(':'));
    if (p1 < 0) {
        r.chave = item;
        return r;
    }
    const int p2 = item.indexOf(QLatin1Char(':'), p1 + 1);
    r.chave = item.left(p1);
    r.valor = item.mid(p1 + 1, p2 < 0 ? -1 : p2 - p1 - 1);
    r.temValor = true;
    return r;
}

// The received document as logged, in compact form. Card numbers never reach the log
// in clear: every run of 13 or more digits keeps only its first six and last four
// digits, and track data is masked whole.
QString documentoParaLog(const QString &prefixo, const QJsonDocument &doc)
{
    const QByteArray compacto = doc.toJson(QJsonDocument::Compact);
    static const QByteArray trilha = QByteArrayLiteral("Trilha02");
    const char *p = compacto.constData();
    const int n = compacto.size();
    const auto digito = [p](int k) {
        return p[k] >= '0' && p[k] <= '9';
    };
    QByteArray r = prefixo.toUtf8();
    r.reserve(r.size() + n);
    int copiado = 0;
    int i = 0;
    while (i < n) {
        if (digito(i)) {
            int fim = i;
            while (fim < n && digito(fim))
                ++fim;
            if (fim - i >= 13) {
                r.append(p + copiado, i + 6 - copiado);
                r.append(fim - i - 10, '*');
                copiado = fim - 4;
            }
            i = fim;
        } else if (p[i] == 'T' && n - i >= trilha.size() && qstrncmp(p + i, trilha.constData(), trilha.size()) == 0) {
            // "Trilha02", any blanks, ":" and the value up to the next item or the string's end.
            i += trilha.size();
            while (i < n && p[i] == ' ')
                ++i;
            if (i < n && p[i] == ':') {
                ++i;
                int fim = i;
                while (fim < n && p[fim] != ',' && p[fim] != '"' && p[fim] != '\\')
                    ++fim;
                r.append(p + copiado, i - copiado);
                r.append(fim - i, '*');
                copiado = fim;
                i = fim;
            }
        } else {
            ++i;
        }
    }
    r.append(p + copiado, n - copiado);
    return QString::fromUtf8(r);
}

// ---------------------------------------------------------------------------
// Tag lists

const TagMapping tagsBridgeTabela[] = {
    {QStringLiteral("z3_bridge_code"), QStringLiteral("375-000"), ValueKind::Integer},
    {QStringLiteral("z3_bridge_msg"), QStringLiteral("375-001"), ValueKind::Text},
    {QStringLiteral("z3_pdv"), QStringLiteral("210-052"), ValueKind::Text},
    {QStringLiteral("z3_cupom_fiscal"), QStringLiteral("375-002"), ValueKind::Bool},
    {QStringLiteral("modoEntradaCartao"), QStringLiteral("375-008"), ValueKind::Text},
    {QStringLiteral("codigoAutorizacao"), QStringLiteral("013-000"), ValueKind::Text},
    {QStringLiteral("codigoAutorizacaoOriginal"), QStringLiteral("013-001"), ValueKind::Text},
    {QStringLiteral("identificadorTransacaoAutomacao"), QStringLiteral("001-000"), ValueKind::Text},
    {QStringLiteral("panMascaradoPadrao"), QStringLiteral("740-000"), ValueKind::Text},
    {QStringLiteral("dataHoraTransacao"), QStringLiteral("022-000|023-000"), ValueKind::Text},
    {QStringLiteral("dataHoraTransacaoOriginal"), QStringLiteral("026-000"), ValueKind::Text},
    {QStringLiteral("comprovanteCompleto"), QStringLiteral("028-000|029-xxx"), ValueKind::Lines},
    {QStringLiteral("nomeCartao"), QStringLiteral("040-000"), ValueKind::Text},
    {QStringLiteral("nomeCartaoPadrao"), QStringLiteral("748-000"), ValueKind::Text},
    {QStringLiteral("nomePortadorCartao"), QStringLiteral("741-000"), ValueKind::Text},
    {QStringLiteral("comprovanteReduzidoPortador"), QStringLiteral("710-000|711-xxx"), ValueKind::Lines},
    {QStringLiteral("documentoFiscal"), QStringLiteral("002-000"), ValueKind::Text},
    {QStringLiteral("valorTroco"), QStringLiteral("708-000"), ValueKind::Text},
    {QStringLiteral("valorDesconto"), QStringLiteral("709-000"), ValueKind::Text},
    {QStringLiteral("identificadorEstabelecimento"), QStringLiteral("150-000"), ValueKind::Text},
    {QStringLiteral("nomeEstabelecimento"), QStringLiteral("375-016"), ValueKind::Text},
    {QStringLiteral("nomeProvedor"), QStringLiteral("010-000"), ValueKind::Text},
    {QStringLiteral("operacao"), QStringLiteral("000-000"), ValueKind::Text},
    {QStringLiteral("tipoCartao"), QStringLiteral("731-000"), ValueKind::Text},
    {QStringLiteral("tipoFinanciamento"), QStringLiteral("017-000"), ValueKind::Text},
    {QStringLiteral("numeroParcelas"), QStringLiteral("018-000"), ValueKind::Integer},
    {QStringLiteral("dataPredatado"), QStringLiteral("024-000"), ValueKind::Text},
    {QStringLiteral("comprovanteDiferenciadoLoja"), QStringLiteral("714-000|715-xxx"), ValueKind::Lines},
    {QStringLiteral("comprovanteDiferenciadoPortador"), QStringLiteral("712-000|713-xxx"), ValueKind::Lines},
    {QStringLiteral("mensagemResultado"), QStringLiteral("030-000"), ValueKind::Text},
    {QStringLiteral("codigoMoeda"), QStringLiteral("004-000"), ValueKind::Text},
    {QStringLiteral("valorTotal"), QStringLiteral("003-000"), ValueKind::Text},
    {QStringLiteral("valorOriginal"), QStringLiteral("707-000"), ValueKind::Text},
    {QStringLiteral("identificadorPontoCaptura"), QStringLiteral("718-000"), ValueKind::Text},
    {QStringLiteral("viasImprimir"), QStringLiteral("737-000"), ValueKind::Text},
    {QStringLiteral("resultadoTransacao"), QStringLiteral("009-000"), ValueKind::Integer},
    {QStringLiteral("identificadorConfirmacaoTransacao"), QStringLiteral("027-000"), ValueKind::Text},
    {QStringLiteral("valorDevido"), QStringLiteral("743-000"), ValueKind::Text},
    {QStringLiteral("modalidadePagamento"), QStringLiteral("749-000"), ValueKind::Text},
    {QStringLiteral("idPortadorCarteira"), QStringLiteral("750-000"), ValueKind::Text},
    {QStringLiteral("nsuTransacao"), QStringLiteral("043-000"), ValueKind::Text},
    {QStringLiteral("nsuTransacaoOriginal"), QStringLiteral("043-001"), ValueKind::Text},
    {QStringLiteral("nsuTerminal"), QStringLiteral("012-000"), ValueKind::Text},
    {QStringLiteral("nsuTerminalOriginal"), QStringLiteral("025-000"), ValueKind::Text},
    {QStringLiteral("provedor"), QStringLiteral("010-001"), ValueKind::Text},
    {QStringLiteral("respostaRede"), QStringLiteral("047-000"), ValueKind::Text},
};

// Members of the result's "tef" object. "xxx" marks a member that writes no field.
const TagMapping tagsTefTabela[] = {
    {QStringLiteral("loja"), QStringLiteral("375-019"), ValueKind::Text},
    {QStringLiteral("resultadoTransacao"), QStringLiteral("009-000"), ValueKind::Text},
    {QStringLiteral("mensagemResultado"), QStringLiteral("030-000"), ValueKind::Text},
    {QStringLiteral("identificadorPontoCaptura"), QStringLiteral("718-000"), ValueKind::Text},
    {QStringLiteral("sequencial"), QStringLiteral("027-000"), ValueKind::Text},
    {QStringLiteral("textoPinpad"), QStringLiteral("375-023"), ValueKind::Text},
    {QStringLiteral("nomeEstabelecimento"), QStringLiteral("375-016"), ValueKind::Text},
    {QStringLiteral("nsuTerminal"), QStringLiteral("012-000"), ValueKind::Text},
    {QStringLiteral("nomeProvedor"), QStringLiteral("010-000"), ValueKind::Text},
    {QStringLiteral("valorTotal"), QStringLiteral("003-000"), ValueKind::Text},
    {QStringLiteral("numeroParcelas"), QStringLiteral("018-000"), ValueKind::Text},
    {QStringLiteral("nomeProduto"), QStringLiteral("742-000"), ValueKind::Text},
    {QStringLiteral("nsuTransacao"), QStringLiteral("043-000"), ValueKind::Text},
    {QStringLiteral("cnpjCredenciadora"), QStringLiteral("600-000"), ValueKind::Text},
    {QStringLiteral("formaPagamento"), QStringLiteral("xxx"), ValueKind::Text},
    {QStringLiteral("tipoFinanciamento"), QStringLiteral("017-000"), ValueKind::Text},
    {QStringLiteral("tipoCartao"), QStringLiteral("731-000"), ValueKind::Text},
    {QStringLiteral("codigoAutorizacao"), QStringLiteral("013-000"), ValueKind::Text},
    {QStringLiteral("panMascarado"), QStringLiteral("740-000"), ValueKind::Text},
    {QStringLiteral("nomeBandeira"), QStringLiteral("010-002"), ValueKind::Text},
    {QStringLiteral("comprovanteDiferenciadoLoja"), QStringLiteral("714-000|715-xxx"), ValueKind::Lines},
    {QStringLiteral("comprovanteDiferenciadoPortador"), QStringLiteral("712-000|713-xxx"), ValueKind::Lines},
    {QStringLiteral("dataHoraTransacao"), QStringLiteral("022-000|023-000"), ValueKind::Text},
    {QStringLiteral("identificadorEstabelecimento"), QStringLiteral("150-000"), ValueKind::Text},
    {QStringLiteral("resultadoCapturaPinPad"), QStringLiteral("376-001"), ValueKind::Text},
    {QStringLiteral("retorno"), QStringLiteral("375-028"), ValueKind::Text},
    {QStringLiteral("nsuTerminalOriginal"), QStringLiteral("025-000"), ValueKind::Text},
};

// Members whose rule replaces the rule of their kind.
enum class Especial { Nenhum, DataHora, Operacao, FinanciamentoBridge, FinanciamentoTef, TipoCartao, FormaPagamento };

Especial especialBridge(const QString &chave)
{
    if (chave == QLatin1String("dataHoraTransacao"))
        return Especial::DataHora;
    if (chave == QLatin1String("operacao"))
        return Especial::Operacao;
    if (chave == QLatin1String("tipoFinanciamento"))
        return Especial::FinanciamentoBridge;
    return Especial::Nenhum;
}

Especial especialTef(const QString &chave)
{
    if (chave == QLatin1String("dataHoraTransacao"))
        return Especial::DataHora;
    if (chave == QLatin1String("tipoFinanciamento"))
        return Especial::FinanciamentoTef;
    if (chave == QLatin1String("tipoCartao"))
        return Especial::TipoCartao;
    if (chave == QLatin1String("formaPagamento"))
        return Especial::FormaPagamento;
    return Especial::Nenhum;
}

QString nomeOperacao(const QString &texto)
{
    if (texto == QLatin1String("VENDA"))
        return QStringLiteral("CRT");
    if (texto == QLatin1String("CANCELAMENTO"))
        return QStringLiteral("CNC");
    if (texto == QLatin1String("ADMINISTRATIVA"))
        return QStringLiteral("ADM");
    return texto;
}

bool iguais(const QString &a, const char *b)
{
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

QString codigoTipoCartao(const QString &texto)
{
    const QString t = texto.trimmed().toUpper();
    if (t == QLatin1String("CREDITO"))
        return QStringLiteral("1");
    if (t == QLatin1String("DEBITO"))
        return QStringLiteral("2");
    if (t == QLatin1String("VOUCHER"))
        return QStringLiteral("3");
    return QStringLiteral("0");
}

QString codigoTransacao(const QJsonObject &resultado, const QJsonObject &tef)
{
    if (iguais(textoDe(resultado.value(QLatin1String("header"))), "ADM"))
        return QStringLiteral("00");
    if (textoDe(tef.value(QLatin1String("resultadoTransacao"))) != QLatin1String("0"))
        return QStringLiteral("99");
    const QString cartao = textoDe(tef.value(QLatin1String("tipoCartao")));
    const QString financiamento = textoDe(tef.value(QLatin1String("tipoFinanciamento")));
    const QString forma = textoDe(tef.value(QLatin1String("formaPagamento")));
    if (iguais(cartao, "CREDITO")) {
        if (iguais(financiamento, "Estabelecimento"))
            return QStringLiteral("11");
        if (iguais(financiamento, "Administradora"))
            return QStringLiteral("12");
        return QStringLiteral("10");
    }
    if (iguais(cartao, "DEBITO")) {
        if (iguais(forma, "Pre-datado"))
            return QStringLiteral("21");
        if (iguais(forma, "Parcelado"))
            return QStringLiteral("22");
        return QStringLiteral("20");
    }
    if (cartao == QLatin1String("VOUCHER"))
        return QStringLiteral("60");
    return QStringLiteral("30");
}

QString codigoResultado(const QJsonObject &tef)
{
    const QJsonValue retorno = tef.value(QLatin1String("retorno"));
    if (!retorno.isUndefined()) {
        const QString texto = textoDe(retorno);
        if (texto == QLatin1String("0") || texto == QLatin1String("1"))
            return QStringLiteral("0");
    }
    const QJsonValue mensagem = tef.value(QLatin1String("mensagemResultado"));
    if (!mensagem.isUndefined() && iguais(textoDe(mensagem).trimmed(), "Transacao concluida com sucesso"))
        return QStringLiteral("0");
    return QStringLiteral("-9999");
}

// The object of a result text; false when the text is not a JSON document or the
// object is empty (an array counts as an empty object).
bool objetoDe(const QString &texto, QJsonObject *objeto)
{
    QJsonParseError erro;
    const QJsonDocument doc = QJsonDocument::fromJson(texto.toUtf8(), &erro);
    if (erro.error != QJsonParseError::NoError)
        return false;
    *objeto = doc.object();
    return !objeto->isEmpty();
}

} // namespace

ProtocoloSitef::ProtocoloSitef(QObject *parent)
    : QObject(parent), m_formatoLinha(QStringLiteral("%1 = %2")), m_separador(QStringLiteral("\r\n"))
{
    // Lines are built by appending the pieces of the format around field id and value:
    // a response holds hundreds of lines, and arg() would scan the format for each.
    const int campo = m_formatoLinha.indexOf(QLatin1String("%1"));
    const int valor = m_formatoLinha.indexOf(QLatin1String("%2"));
    m_antesCampo = m_formatoLinha.left(campo);
    m_entreCampoValor = m_formatoLinha.mid(campo + 2, valor - campo - 2);
    m_depoisValor = m_formatoLinha.mid(valor + 2);
    for (const TagMapping &t : tagsBridgeTabela)
        m_tagsBridge.append(t);
    for (const TagMapping &t : tagsTefTabela)
        m_tagsTef.append(t);
}

QString ProtocoloSitef::linha(QLatin1String campo, const QStringRef &valor) const
{
    QString r;
    r.reserve(m_antesCampo.size() + campo.size() + m_entreCampoValor.size() + valor.size() + m_depoisValor.size());
    r += m_antesCampo;
    r += campo;
    r += m_entreCampoValor;
    r += valor;
    r += m_depoisValor;
    return r;
}

QString ProtocoloSitef::linha(const QString &campo, const QStringRef &valor) const
{
    QString r;
    r.reserve(m_antesCampo.size() + campo.size() + m_entreCampoValor.size() + valor.size() + m_depoisValor.size());
    r += m_antesCampo;
    r += campo;
    r += m_entreCampoValor;
    r += valor;
    r += m_depoisValor;
    return r;
}

QString ProtocoloSitef::juntar(QStringList linhas, bool separadorAoFinal) const
{
    linhas.append(linha(QStringLiteral("999-999"), QStringLiteral("0")));

    // Case-sensitive text order, as QString's operator< gives it. Most lines differ in
    // their first eight characters (the field id), so those are compared as two numbers
    // first; the whole texts decide only on a tie.
    struct Item
    {
        quint64 inicio;
        quint64 seguinte;
        const QString *texto;
    };
    const auto chave = [](const QString &t, int de) {
        quint64 k = 0;
        for (int j = de; j < de + 4; ++j)
            k = (k << 16) | (j < t.size() ? t.at(j).unicode() : 0u);
        return k;
    };
    std::vector<Item> itens;
    itens.reserve(static_cast<size_t>(linhas.size()));
    int tamanho = 0;
    for (const QString &l : qAsConst(linhas)) {
        itens.push_back({chave(l, 0), chave(l, 4), &l});
        tamanho += l.size() + m_separador.size();
    }
    std::sort(itens.begin(), itens.end(), [](const Item &a, const Item &b) {
        if (a.inicio != b.inicio)
            return a.inicio < b.inicio;
        if (a.seguinte != b.seguinte)
            return a.seguinte < b.seguinte;
        return *a.texto < *b.texto;
    });

    QString texto;
    texto.reserve(tamanho);
    for (size_t i = 0; i < itens.size(); ++i) {
        if (i > 0)
            texto += m_separador;
        texto += *itens[i].texto;
    }
    if (separadorAoFinal)
        texto += m_separador;
    return texto;
}

// ---------------------------------------------------------------------------
// Request

QString ProtocoloSitef::requestToJson(const QString &request)
{
    QJsonObject documento;
    QJsonObject parametros;
    QString operacao;

    const int tamanho = request.size();
    int inicio = 0;
    while (inicio <= tamanho) {
        int fim = request.indexOf(QLatin1Char('\n'), inicio);
        if (fim < 0)
            fim = tamanho;
        const int comprimento = fim - inicio;
        const int linhaInicio = inicio;
        inicio = fim + 1;
        if (comprimento == 0)
            continue;

        const QStringRef linhaTexto(&request, linhaInicio, comprimento);
        const int igual = linhaTexto.indexOf(QLatin1Char('='));
        if (igual < 0) {
            documento.insert(QStringLiteral("msg_erro"), QStringLiteral("Arquivo com formato inválido"));
            break;
        }
        const int segundoIgual = linhaTexto.indexOf(QLatin1Char('='), igual + 1);
        const QString chave = simplificar(linhaTexto.left(igual));
        const QString valor = simplificar(linhaTexto.mid(igual + 1, segundoIgual < 0 ? -1 : segundoIgual - igual - 1));

        if (chave == QLatin1String("000-000") && !valor.isEmpty()) {
            operacao = valor.toUpper();
            int codigo = operacaoDesconhecida;
            for (const Operacao &op : operacoes) {
                if (operacao == QLatin1String(op.header))
                    codigo = op.codigo;
            }
            const bool conhecida = std::any_of(std::begin(operacoesSemCodigo), std::end(operacoesSemCodigo),
                                               [&](const char *op) { return operacao == QLatin1String(op); });
            if (codigo == operacaoDesconhecida && !conhecida)
                m_log.debug(prefixoLog + QStringLiteral("Identificador [") + operacao +
                            QStringLiteral("] fora do especificado"));
            documento.insert(QStringLiteral("operacao"), codigo);
            documento.insert(QStringLiteral("header"), operacao);
            continue;
        }

        bool aceito = false;
        if (!valor.isEmpty()) {
            for (const CampoRequisicao &campo : camposRequisicao) {
                if (chave == QLatin1String(campo.campo) && aceita(campo, operacao)) {
                    parametros.insert(QLatin1String(campo.chave), valor);
                    aceito = true;
                    break;
                }
            }
        }
        const bool ignorado =
            std::any_of(std::begin(camposIgnorados), std::end(camposIgnorados), [&](const CampoIgnorado &c) {
                return chave == QLatin1String(c.campo) && operacao == QLatin1String(c.operacao);
            });
        if (ignorado)
            m_log.debug(prefixoLog + QStringLiteral("Campo ignorado para ") + operacao + QStringLiteral(": ") + chave);
        else if (!aceito)
            m_log.warning(prefixoLog + QStringLiteral("Documento fora do especificado. CHAVE: ") + paraLog(chave));
    }

    documento.insert(QStringLiteral("parametros"), parametros);

    QString erro;
    if (documento.contains(QLatin1String("msg_erro"))) {
        m_log.error(prefixoLog + QStringLiteral("Erro no arquivo: ") +
                    documento.value(QLatin1String("msg_erro")).toString());
    } else if (!documento.contains(QLatin1String("header"))) {
        erro = QStringLiteral("Chave header[%1] não encontrada").arg(QStringLiteral("000-000"));
    } else if (!parametros.contains(QLatin1String("identificacao"))) {
        erro = QStringLiteral("Chave identificacao[%1] não encontrada").arg(QStringLiteral("001-000"));
    } else if (!parametros.contains(QLatin1String("registro_final"))) {
        erro = QStringLiteral("Chave registro final [%1] não encontrada").arg(QStringLiteral("999-999"));
    }
    if (!erro.isEmpty()) {
        m_log.error(prefixoLog + erro);
        documento.insert(QStringLiteral("msg_erro"), erro);
    }

    return QString::fromUtf8(QJsonDocument(documento).toJson(QJsonDocument::Compact));
}

// ---------------------------------------------------------------------------
// Receipt blocks

QStringList ProtocoloSitef::receiptLines(const QString &blockSpec, const QJsonArray &lines)
{
    return blocoComprovante(blockSpec, textosDe(lines), ConfigTef().aspasComprovante() != 0);
}

QStringList ProtocoloSitef::blocoComprovante(const QString &blockSpec, const QStringList &linhas, bool aspas) const
{
    const int n = linhas.size();
    if (n == 1 && linhas.first().trimmed().isEmpty())
        return {};

    const int barra = blockSpec.indexOf(QLatin1Char('|'));
    const QString campoContagem = blockSpec.left(barra);
    const QString modelo = barra < 0 ? QString() : blockSpec.mid(barra + 1);
    const int marca = modelo.indexOf(QLatin1String("xxx"));
    const QString antes = marca < 0 ? modelo : modelo.left(marca);
    const QString depois = marca < 0 ? QString() : modelo.mid(marca + 3);

    QStringList bloco;
    bloco.reserve(n + 1);
    const QChar aspa = QLatin1Char('"');
    for (int i = 0; i < n; ++i) {
        const QString &valor = linhas.at(i);
        QString l;
        l.reserve(m_antesCampo.size() + antes.size() + 4 + depois.size() + m_entreCampoValor.size() + valor.size() + 2 +
                  m_depoisValor.size());
        l += m_antesCampo;
        l += antes;
        acrescentarNumero(l, i + 1);
        l += depois;
        l += m_entreCampoValor;
        if (aspas)
            l += aspa;
        acrescentarSemQuebras(l, valor);
        if (aspas)
            l += aspa;
        l += m_depoisValor;
        bloco.append(l);
    }
    bloco.append(linha(campoContagem, QString::number(n)));
    return bloco;
}

// ---------------------------------------------------------------------------
// Vantor

QString ProtocoloSitef::vantorResultToResponse(const QString &result)
{
    QJsonParseError erro;
    const QJsonDocument doc = QJsonDocument::fromJson(result.toUtf8(), &erro);
    if (erro.error != QJsonParseError::NoError) {
        m_log.error(prefixoLog + erro.errorString());
        return QString();
    }
    const QJsonObject resultado = doc.object();
    m_log.info(documentoParaLog(prefixoLog, doc));

    QStringList linhas;
    linhas.reserve(64);
    linhas.append(linha(QStringLiteral("000-000"), semQuebras(textoDe(resultado.value(QLatin1String("header"))))));
    linhas.append(linha(QStringLiteral("001-000"), inteiroDe(resultado.value(QLatin1String("id")))));
    linhas.append(linha(QStringLiteral("009-000"), inteiroDe(resultado.value(QLatin1String("resultado")))));

    const QString documentoFiscal = semQuebras(textoDe(resultado.value(QLatin1String("documento_fiscal_vinculado"))));
    if (!documentoFiscal.isEmpty())
        linhas.append(linha(QStringLiteral("002-000"), documentoFiscal));
    const QString textoOperador = semQuebras(textoDe(resultado.value(QLatin1String("texto_operador"))));
    if (!textoOperador.isEmpty())
        linhas.append(linha(QStringLiteral("030-000"), textoOperador));

    const QJsonValue dados = resultado.value(QLatin1String("dados_transacao"));
    if (!dados.isUndefined()) {
        const QString texto = textoDe(dados);
        int inicio = 0;
        while (inicio <= texto.size()) {
            int fim = texto.indexOf(QLatin1Char(','), inicio);
            if (fim < 0)
                fim = texto.size();
            const ItemVantor item = itemVantor(QStringRef(&texto, inicio, fim - inicio));
            inicio = fim + 1;
            // An item without ":" (an empty one between two commas too) has no value: nothing to write.
            if (!item.temValor)
                continue;
            QString copia;
            const QStringRef valor = simplificado(item.valor, &copia);
            if (valor.isEmpty())
                continue;
            // Keys of the table hold no blanks: trimming is all the simplification they need.
            const CampoVantor *campo = campoVantor(item.chave.trimmed());
            if (!campo)
                continue;
            const QLatin1String id(campo->campo ? campo->campo : "");
            switch (campo->regra) {
            case RegraVantor::Inalterado:
                linhas.append(linha(id, valor));
                break;
            case RegraVantor::Pan:
                linhas.append(linha(QLatin1String("010-004"), valor.left(6)));
                linhas.append(linha(QLatin1String("010-005"), valor.right(4)));
                break;
            case RegraVantor::DataTrans: {
                // MMDD -> DDMMYYYY; the library leaves the year out.
                const QString data = valor.right(2) + valor.left(2) +
                                     QString::number(QDate::currentDate().year()).rightJustified(4, QLatin1Char('0'));
                linhas.append(linha(id, QStringRef(&data)));
                break;
            }
            case RegraVantor::Trilha:
                linhas.append(linha(id, valor.left(valor.indexOf(QLatin1Char('=')))));
                break;
            case RegraVantor::Financiamento: {
                const QString um = QStringLiteral("1");
                const QString zero = QStringLiteral("0");
                linhas.append(linha(id, valor == QLatin1String("A")   ? QStringRef(&um)
                                        : valor == QLatin1String("E") ? QStringRef(&zero)
                                                                      : valor));
                break;
            }
            case RegraVantor::Ignorado:
                break;
            }
        }
    }

    const QJsonValue comprovante = resultado.value(QLatin1String("comprovante_loja"));
    if (!comprovante.isUndefined()) {
        // Pieces go out as they are ("\r" included): the store receipt is the library's own text.
        const QString texto = textoDe(comprovante);
        int k = 0;
        int inicio = 0;
        while (inicio <= texto.size()) {
            int fim = texto.indexOf(QLatin1Char('\n'), inicio);
            if (fim < 0)
                fim = texto.size();
            ++k;
            QString id = QStringLiteral("029-");
            acrescentarNumero(id, k);
            linhas.append(linha(id, QStringRef(&texto, inicio, fim - inicio)));
            inicio = fim + 1;
        }
        linhas.append(linha(QStringLiteral("028-000"), QString::number(k)));
    }

    return juntar(linhas, true);
}

// ---------------------------------------------------------------------------
// Bridge

QString ProtocoloSitef::bridgeResultToResponse(const QString &result)
{
    QJsonObject resultado;
    if (!objetoDe(result, &resultado))
        return QString();
    const bool aspas = ConfigTef().aspasComprovante() != 0;
    m_log.info(prefixoLog + QStringLiteral("Tags para iterar: ") + QString::number(m_tagsBridge.size()));

    QStringList linhas;
    linhas.reserve(64);
    QStringList copias;
    bool escreveu029 = false;
    int contagemSemLinhas = -1;
    for (const TagMapping &tag : qAsConst(m_tagsBridge)) {
        const QJsonValue valor = resultado.value(tag.jsonKey);
        if (valor.isUndefined() || valor.isNull())
            continue;
        switch (especialBridge(tag.jsonKey)) {
        case Especial::DataHora: {
            const DataHora dh = dataHora(textoDe(valor));
            linhas.append(linha(tag.fieldId.section(QLatin1Char('|'), 0, 0), semQuebras(dh.data)));
            linhas.append(linha(tag.fieldId.section(QLatin1Char('|'), 1, 1), semQuebras(dh.hora)));
            continue;
        }
        case Especial::Operacao:
            linhas.append(linha(tag.fieldId, semQuebras(nomeOperacao(textoDe(valor)))));
            continue;
        case Especial::FinanciamentoBridge: {
            const QString texto = textoDe(valor);
            if (iguais(texto, "PARCELADO_ESTABELECIMENTO"))
                linhas.append(linha(tag.fieldId, QStringLiteral("0")));
            else if (iguais(texto, "PARCELADO_EMISSOR"))
                linhas.append(linha(tag.fieldId, QStringLiteral("1")));
            continue;
        }
        default:
            break;
        }
        switch (tag.kind) {
        case ValueKind::Bool:
            linhas.append(linha(tag.fieldId, valor.toBool() ? QStringLiteral("true") : QStringLiteral("false")));
            break;
        case ValueKind::Integer:
            linhas.append(linha(tag.fieldId, inteiroDe(valor)));
            break;
        case ValueKind::Text:
            linhas.append(linha(tag.fieldId, semQuebras(textoDe(valor))));
            break;
        case ValueKind::Lines: {
            const QStringList textos = textosDe(valor.toArray());
            if (tag.jsonKey == QLatin1String("comprovanteDiferenciadoLoja") ||
                tag.jsonKey == QLatin1String("comprovanteDiferenciadoPortador"))
                copias.append(textos);
            const QStringList bloco = blocoComprovante(tag.fieldId, textos, aspas);
            if (tag.jsonKey == QLatin1String("comprovanteCompleto")) {
                escreveu029 = bloco.size() > 1;
                if (bloco.size() == 1)
                    contagemSemLinhas = linhas.size();
            }
            linhas.append(bloco);
            break;
        }
        }
    }

    // Without a complete receipt of its own, the point of sale gets the two copies as
    // one. An empty "comprovanteCompleto" left a "028-000 = 0" line: it gives way, so
    // that the response never holds two counts for the same receipt.
    if (!escreveu029 && !copias.isEmpty()) {
        if (contagemSemLinhas >= 0)
            linhas.removeAt(contagemSemLinhas);
        linhas.append(blocoComprovante(QStringLiteral("028-000|029-xxx"), copias, aspas));
    }

    return juntar(linhas, false);
}

// ---------------------------------------------------------------------------
// Z3_Tef

QString ProtocoloSitef::tefResultToResponse(const QString &result)
{
    QJsonObject resultado;
    if (!objetoDe(result, &resultado))
        return QString();

    const ConfigTef config;
    const int modo = config.tagComprovante();
    const bool escreve028001 = config.tag028001() != 0;
    const bool aspas = config.aspasComprovante() != 0;

    const QJsonObject tef = resultado.value(QLatin1String("tef")).toObject();
    const int quantidadeTags = tef.isEmpty() ? 0 : m_tagsTef.size();
    m_log.info(prefixoLog + QStringLiteral("Tags para iterar: ") + QString::number(quantidadeTags));

    QStringList linhas;
    linhas.reserve(64);
    QStringList completo;
    int linha028001 = -1;
    int vias = 0;
    bool escreveu018 = false;
    QString formaPagamento;

    const auto pontoDeCorte = [&](int n) {
        if (!escreve028001)
            return;
        if (linha028001 >= 0) {
            linhas[linha028001] += QLatin1Char(':') + QString::number(n);
        } else {
            linha028001 = linhas.size();
            linhas.append(linha(QStringLiteral("028-001"), QString::number(n)));
        }
    };

    for (int i = 0; i < quantidadeTags; ++i) {
        const TagMapping &tag = m_tagsTef.at(i);
        const QJsonValue valor = tef.value(tag.jsonKey);
        if (valor.isUndefined() || valor.isNull())
            continue;

        if (tag.kind == ValueKind::Lines) {
            const bool loja = tag.jsonKey == QLatin1String("comprovanteDiferenciadoLoja");
            vias += loja ? 2 : 1;
            const QStringList partes = textoDe(valor).split(QStringLiteral("\r\n"));
            if (modo != 2) {
                if (!completo.isEmpty())
                    pontoDeCorte(completo.size());
                completo.append(partes);
            }
            if (modo != 1)
                linhas.append(blocoComprovante(tag.fieldId, partes, aspas));
            continue;
        }

        const QString texto = textoDe(valor);
        switch (especialTef(tag.jsonKey)) {
        case Especial::FormaPagamento:
            formaPagamento = texto;
            break;
        case Especial::FinanciamentoTef:
            linhas.append(
                linha(tag.fieldId, iguais(texto, "Estabelecimento") ? QStringLiteral("0") : QStringLiteral("1")));
            break;
        case Especial::TipoCartao:
            linhas.append(linha(tag.fieldId, codigoTipoCartao(texto)));
            break;
        case Especial::DataHora: {
            const DataHora dh = dataHora(texto);
            linhas.append(linha(tag.fieldId.section(QLatin1Char('|'), 0, 0), semQuebras(dh.data)));
            linhas.append(linha(tag.fieldId.section(QLatin1Char('|'), 1, 1), semQuebras(dh.hora)));
            break;
        }
        default:
            if (tag.fieldId == QLatin1String("018-000"))
                escreveu018 = true;
            linhas.append(linha(tag.fieldId, semQuebras(texto)));
            break;
        }
    }

    if (!completo.isEmpty())
        linhas.append(blocoComprovante(QStringLiteral("028-000|029-xxx"), completo, aspas));
    if (!escreveu018 && iguais(formaPagamento, "a vista"))
        linhas.append(linha(QStringLiteral("018-000"), QStringLiteral("1")));
    linhas.append(linha(QStringLiteral("011-000"), codigoTransacao(resultado, tef)));
    linhas.append(linha(QStringLiteral("737-000"), QString::number(vias)));
    if (tef.contains(QLatin1String("nomeProvedor")))
        linhas.append(linha(QStringLiteral("010-001"), codigoRede(textoDe(tef.value(QLatin1String("nomeProvedor"))))));
    if (tef.contains(QLatin1String("nomeBandeira")))
        linhas.append(
            linha(QStringLiteral("010-003"), codigoBandeira(textoDe(tef.value(QLatin1String("nomeBandeira"))))));
    if (!tef.contains(QLatin1String("resultadoTransacao")))
        linhas.append(linha(QStringLiteral("009-000"), codigoResultado(tef)));

    linhas.append(linha(QStringLiteral("000-000"), semQuebras(textoDe(resultado.value(QLatin1String("header"))))));
    linhas.append(linha(QStringLiteral("001-000"), semQuebras(textoDe(resultado.value(QLatin1String("id"))))));
    linhas.append(linha(QStringLiteral("375-000"), inteiroDe(resultado.value(QLatin1String("codigo")))));
    linhas.append(linha(QStringLiteral("375-001"), semQuebras(textoDe(resultado.value(QLatin1String("mensagem"))))));
    linhas.append(
        linha(QStringLiteral("729-000"), semQuebras(textoDe(resultado.value(QLatin1String("requer_confirmacao"))))));

    linhas.removeAll(QString());
    return juntar(linhas, false);
}
