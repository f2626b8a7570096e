#include "exchange/Z3_Bridge_Conversor.h"

#include "RespostaSitef.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QStringList>

#include <iterator>

namespace {

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

// Members whose rule replaces the rule of their kind.
enum class Regra { PorTipo, DataHora, Operacao, Financiamento, ComprovanteCompleto, Via };

Regra regraDe(const TagMapping &tag)
{
    if (tag.jsonKey == QLatin1String("dataHoraTransacao"))
        return Regra::DataHora;
    if (tag.jsonKey == QLatin1String("operacao"))
        return Regra::Operacao;
    if (tag.jsonKey == QLatin1String("tipoFinanciamento"))
        return Regra::Financiamento;
    if (tag.jsonKey == QLatin1String("comprovanteCompleto"))
        return Regra::ComprovanteCompleto;
    if (tag.jsonKey == QLatin1String("comprovanteDiferenciadoLoja") ||
        tag.jsonKey == QLatin1String("comprovanteDiferenciadoPortador"))
        return Regra::Via;
    return Regra::PorTipo;
}

const QVector<TagComRegra<Regra>> &tabela()
{
    static const QVector<TagComRegra<Regra>> t = comRegras(tagsBridgeTabela, regraDe);
    return t;
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

} // namespace

const QVector<TagMapping> &Z3_Bridge_Conversor::tags()
{
    static const QVector<TagMapping> t(std::begin(tagsBridgeTabela), std::end(tagsBridgeTabela));
    return t;
}

QString Z3_Bridge_Conversor::converter(const QJsonObject &resultado, bool aspasComprovante) const
{
    const QVector<TagComRegra<Regra>> &tags = tabela();
    m_log.info(QStringLiteral("[ProtocoloSitef] Tags para iterar: ") + QString::number(tags.size()));

    RespostaSitef resposta;
    QStringList textosCopias; // the lines below point into these
    QVector<QStringView> copias;
    bool escreveu029 = false;
    int contagemSemLinhas = -1;
    for (const TagComRegra<Regra> &entrada : tags) {
        const TagMapping &tag = *entrada.tag;
        const QJsonValue valor = resultado.value(tag.jsonKey);
        if (valor.isUndefined() || valor.isNull())
            continue;
        switch (entrada.regra) {
        case Regra::DataHora:
            resposta.adicionarDataHora(tag.fieldId, valor.toString());
            continue;
        case Regra::Operacao:
            resposta.adicionarSemQuebras(tag.fieldId, nomeOperacao(valor.toString()));
            continue;
        case Regra::Financiamento: {
            const QString texto = valor.toString();
            if (texto.compare(QLatin1String("PARCELADO_ESTABELECIMENTO"), Qt::CaseInsensitive) == 0)
                resposta.adicionar(tag.fieldId, u"0");
            else if (texto.compare(QLatin1String("PARCELADO_EMISSOR"), Qt::CaseInsensitive) == 0)
                resposta.adicionar(tag.fieldId, u"1");
            continue;
        }
        case Regra::ComprovanteCompleto: {
            const int escritas = resposta.adicionarBloco(tag.fieldId, valor.toArray(), aspasComprovante);
            escreveu029 = escritas > 1;
            if (escritas == 1)
                contagemSemLinhas = resposta.quantidade() - 1;
            continue;
        }
        case Regra::Via: {
            // Each copy is its own block and, in order, part of the complete receipt.
            QVector<QStringView> via;
            for (const QJsonValue &l : valor.toArray()) {
                textosCopias.append(l.toString());
                via.append(textosCopias.last());
            }
            copias += via;
            resposta.adicionarBloco(tag.fieldId, via, aspasComprovante);
            continue;
        }
        case Regra::PorTipo:
            break;
        }
        switch (tag.kind) {
        case ValueKind::Bool:
            resposta.adicionar(tag.fieldId, valor.toBool() ? u"true" : u"false");
            break;
        case ValueKind::Integer:
            resposta.adicionar(tag.fieldId, QString::number(valor.toInt()));
            break;
        case ValueKind::Text:
            resposta.adicionarSemQuebras(tag.fieldId, valor.toString());
            break;
        case ValueKind::Lines:
            resposta.adicionarBloco(tag.fieldId, valor.toArray(), aspasComprovante);
            break;
        }
    }

    // Without a complete receipt of its own, the point of sale gets the two copies as
    // one. An empty "comprovanteCompleto" left a "028-000 = 0" line: it gives way, so
    // that the response never holds two counts for the same receipt.
    if (!escreveu029 && !copias.isEmpty()) {
        if (contagemSemLinhas >= 0)
            resposta.remover(contagemSemLinhas);
        resposta.adicionarBloco(u"028-000|029-xxx", copias, aspasComprovante);
    }

    return resposta.texto(false);
}

Historico::Resumo Z3_Bridge_Conversor::resumo(const QJsonObject &resultado)
{
    Historico::Resumo r;
    const auto texto = [&resultado](const char *chave) {
        const QJsonValue v = resultado.value(QLatin1String(chave));
        return v.isDouble() ? QString::number(v.toDouble(), 'f', 0) : v.toString();
    };
    r.valor = texto("valorTotal");
    r.bandeira = texto("nomeCartaoPadrao");
    if (r.bandeira.isEmpty())
        r.bandeira = texto("nomeCartao");
    r.rede = texto("nomeProvedor");
    r.nsu = texto("nsuTerminal");
    r.autorizacao = texto("codigoAutorizacao");
    // A cancellation names the sale it cancels by that sale's code.
    if (r.autorizacao.isEmpty())
        r.autorizacao = texto("codigoAutorizacaoOriginal");
    using S = Historico::Situacao;
    // A call that did not work decided nothing; one that did says approved (0) or declined.
    if (resultado.value(QLatin1String("z3_bridge_code")).toInt(-1) != 0)
        r.situacao = S::Erro;
    else
        r.situacao = resultado.value(QLatin1String("resultadoTransacao")).toInt(-1) == 0 ? S::Aprovada : S::Negada;
    return r;
}
