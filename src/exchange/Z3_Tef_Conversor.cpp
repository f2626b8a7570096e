#include "exchange/Z3_Tef_Conversor.h"

#include "RespostaSitef.h"
#include "exchange/TabelasCartao.h"

#include <QJsonValue>

#include <iterator>

namespace {

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
enum class Regra { PorTipo, Parcelas, ViaLoja, ViaPortador, DataHora, Financiamento, TipoCartao, FormaPagamento };

Regra regraDe(const TagMapping &tag)
{
    if (tag.jsonKey == QLatin1String("comprovanteDiferenciadoLoja"))
        return Regra::ViaLoja;
    if (tag.jsonKey == QLatin1String("comprovanteDiferenciadoPortador"))
        return Regra::ViaPortador;
    if (tag.jsonKey == QLatin1String("dataHoraTransacao"))
        return Regra::DataHora;
    if (tag.jsonKey == QLatin1String("tipoFinanciamento"))
        return Regra::Financiamento;
    if (tag.jsonKey == QLatin1String("tipoCartao"))
        return Regra::TipoCartao;
    if (tag.jsonKey == QLatin1String("formaPagamento"))
        return Regra::FormaPagamento;
    if (tag.fieldId == QLatin1String("018-000"))
        return Regra::Parcelas;
    return Regra::PorTipo;
}

const QVector<TagComRegra<Regra>> &tabela()
{
    static const QVector<TagComRegra<Regra>> t = comRegras(tagsTefTabela, regraDe);
    return t;
}

bool iguais(const QString &a, const char *b)
{
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

QStringView codigoTipoCartao(const QString &texto)
{
    const QString t = texto.trimmed().toUpper();
    if (t == QLatin1String("CREDITO"))
        return u"1";
    if (t == QLatin1String("DEBITO"))
        return u"2";
    if (t == QLatin1String("VOUCHER"))
        return u"3";
    return u"0";
}

QStringView codigoTransacao(const QJsonObject &resultado, const QJsonObject &tef)
{
    if (iguais(resultado.value(QLatin1String("header")).toString(), "ADM"))
        return u"00";
    if (tef.value(QLatin1String("resultadoTransacao")).toString() != QLatin1String("0"))
        return u"99";
    const QString cartao = tef.value(QLatin1String("tipoCartao")).toString();
    const QString financiamento = tef.value(QLatin1String("tipoFinanciamento")).toString();
    const QString forma = tef.value(QLatin1String("formaPagamento")).toString();
    if (iguais(cartao, "CREDITO")) {
        if (iguais(financiamento, "Estabelecimento"))
            return u"11";
        if (iguais(financiamento, "Administradora"))
            return u"12";
        return u"10";
    }
    if (iguais(cartao, "DEBITO")) {
        if (iguais(forma, "Pre-datado"))
            return u"21";
        if (iguais(forma, "Parcelado"))
            return u"22";
        return u"20";
    }
    if (cartao == QLatin1String("VOUCHER"))
        return u"60";
    return u"30";
}

QStringView codigoResultado(const QJsonObject &tef)
{
    const QJsonValue retorno = tef.value(QLatin1String("retorno"));
    if (!retorno.isUndefined()) {
        const QString texto = retorno.toString();
        if (texto == QLatin1String("0") || texto == QLatin1String("1"))
            return u"0";
    }
    const QJsonValue mensagem = tef.value(QLatin1String("mensagemResultado"));
    if (!mensagem.isUndefined() && iguais(mensagem.toString().trimmed(), "Transacao concluida com sucesso"))
        return u"0";
    return u"-9999";
}

// A receipt member is one text; its lines are the pieces between "\r\n", empty ones kept.
QVector<QStringView> linhasDe(const QString &texto)
{
    QVector<QStringView> r;
    const QStringView t(texto);
    const qsizetype n = t.size();
    qsizetype inicio = 0;
    for (qsizetype i = 0; i + 1 < n; ++i) {
        if (t[i] == QLatin1Char('\r') && t[i + 1] == QLatin1Char('\n')) {
            r.append(t.mid(inicio, i - inicio));
            inicio = i + 2;
            ++i;
        }
    }
    r.append(t.mid(inicio));
    return r;
}

} // namespace

const QVector<TagMapping> &Z3_Tef_Conversor::tags()
{
    static const QVector<TagMapping> t(std::begin(tagsTefTabela), std::end(tagsTefTabela));
    return t;
}

QString Z3_Tef_Conversor::converter(const QJsonObject &resultado, const ConfigTefSnapshot::Comprovante &opcoes) const
{
    const QJsonObject tef = resultado.value(QLatin1String("tef")).toObject();
    const QVector<TagComRegra<Regra>> &tags = tabela();
    const int quantidadeTags = tef.isEmpty() ? 0 : tags.size();
    m_log.info(QStringLiteral("[ProtocoloSitef] Tags para iterar: ") + QString::number(quantidadeTags));

    RespostaSitef resposta;
    QString vias[2]; // store and cardholder copies; the lines below point into them
    QVector<QStringView> completo;
    QString pontosDeCorte;
    int copias = 0;
    bool escreveu018 = false;
    QString formaPagamento;

    for (int i = 0; i < quantidadeTags; ++i) {
        const TagMapping &tag = *tags.at(i).tag;
        const QJsonValue valor = tef.value(tag.jsonKey);
        if (valor.isUndefined() || valor.isNull())
            continue;

        switch (tags.at(i).regra) {
        case Regra::ViaLoja:
        case Regra::ViaPortador: {
            const bool loja = tags.at(i).regra == Regra::ViaLoja;
            copias += loja ? 2 : 1;
            QString &texto = vias[loja ? 0 : 1];
            texto = valor.toString();
            const QVector<QStringView> partes = linhasDe(texto);
            if (opcoes.tagComprovante != 2) {
                // 028-001 tells where each copy ends in the complete receipt.
                if (!completo.isEmpty() && opcoes.tag028001 != 0) {
                    if (!pontosDeCorte.isEmpty())
                        pontosDeCorte += QLatin1Char(':');
                    pontosDeCorte += QString::number(completo.size());
                }
                completo += partes;
            }
            if (opcoes.tagComprovante != 1)
                resposta.adicionarBloco(tag.fieldId, partes, opcoes.aspasComprovante != 0);
            break;
        }
        case Regra::FormaPagamento:
            formaPagamento = valor.toString();
            break;
        case Regra::Financiamento:
            resposta.adicionar(tag.fieldId, iguais(valor.toString(), "Estabelecimento") ? u"0" : u"1");
            break;
        case Regra::TipoCartao:
            resposta.adicionar(tag.fieldId, codigoTipoCartao(valor.toString()));
            break;
        case Regra::DataHora:
            resposta.adicionarDataHora(tag.fieldId, valor.toString());
            break;
        case Regra::Parcelas:
            escreveu018 = true;
            resposta.adicionarSemQuebras(tag.fieldId, valor.toString());
            break;
        case Regra::PorTipo:
            resposta.adicionarSemQuebras(tag.fieldId, valor.toString());
            break;
        }
    }

    if (!completo.isEmpty())
        resposta.adicionarBloco(u"028-000|029-xxx", completo, opcoes.aspasComprovante != 0);
    if (!pontosDeCorte.isEmpty())
        resposta.adicionar(QLatin1String("028-001"), pontosDeCorte);
    if (!escreveu018 && iguais(formaPagamento, "a vista"))
        resposta.adicionar(QLatin1String("018-000"), u"1");
    resposta.adicionar(QLatin1String("011-000"), codigoTransacao(resultado, tef));
    resposta.adicionar(QLatin1String("737-000"), QString::number(copias));
    const QJsonValue provedor = tef.value(QLatin1String("nomeProvedor"));
    if (!provedor.isUndefined())
        resposta.adicionar(QLatin1String("010-001"), codigoRede(provedor.toString()));
    const QJsonValue bandeira = tef.value(QLatin1String("nomeBandeira"));
    if (!bandeira.isUndefined())
        resposta.adicionar(QLatin1String("010-003"), codigoBandeira(bandeira.toString()));
    if (!tef.contains(QLatin1String("resultadoTransacao")))
        resposta.adicionar(QLatin1String("009-000"), codigoResultado(tef));

    resposta.adicionarSemQuebras(QLatin1String("000-000"), resultado.value(QLatin1String("header")).toString());
    resposta.adicionarSemQuebras(QLatin1String("001-000"), resultado.value(QLatin1String("id")).toString());
    resposta.adicionar(QLatin1String("375-000"), QString::number(resultado.value(QLatin1String("codigo")).toInt()));
    resposta.adicionarSemQuebras(QLatin1String("375-001"), resultado.value(QLatin1String("mensagem")).toString());
    resposta.adicionarSemQuebras(QLatin1String("729-000"),
                                 resultado.value(QLatin1String("requer_confirmacao")).toString());
    return resposta.texto(false);
}

Historico::Resumo Z3_Tef_Conversor::resumo(const QJsonObject &resultado)
{
    Historico::Resumo r;
    const QJsonValue t = resultado.value(QLatin1String("tef"));
    if (!t.isObject())
        return r; // the library failed before any reply of its own
    const QJsonObject tef = t.toObject();
    const auto texto = [&tef](const char *chave) {
        const QJsonValue v = tef.value(QLatin1String(chave));
        return v.isDouble() ? QString::number(v.toDouble(), 'f', 0) : v.toString();
    };
    r.valor = texto("valorTotal");
    r.bandeira = texto("nomeBandeira");
    r.rede = texto("nomeProvedor");
    r.nsu = texto("nsuTerminal");
    r.autorizacao = texto("codigoAutorizacao");
    const QString retorno = texto("retorno");
    using S = Historico::Situacao;
    r.situacao = retorno == QLatin1String("0")   ? S::Aprovada
                 : retorno == QLatin1String("4") ? S::Cancelada // by the cashier
                 : retorno.isEmpty()             ? S::Erro
                                                 : S::Negada;
    return r;
}
