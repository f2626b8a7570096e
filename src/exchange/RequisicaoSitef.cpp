#include "exchange/RequisicaoSitef.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>

namespace {

const QString prefixoLog = QStringLiteral("[ProtocoloSitef] ");

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

QString simplificar(const QStringRef &texto)
{
    QString copia;
    return RequisicaoSitef::simplificado(texto, &copia).toString();
}

// Keeps a log line readable when a "key" is a whole garbage line.
QString paraLog(const QString &texto)
{
    constexpr int maximo = 64;
    return texto.size() <= maximo ? texto : texto.left(maximo) + QStringLiteral("...");
}

} // namespace

QStringRef RequisicaoSitef::simplificado(const QStringRef &texto, QString *copia)
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

QString RequisicaoSitef::paraJson(const QString &request) const
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
