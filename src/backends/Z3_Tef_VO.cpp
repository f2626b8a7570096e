#include "backends/Z3_Tef_VO.h"

#include <QJsonDocument>
#include <QJsonValue>

namespace {

QString texto(const QJsonObject &o, const char *chave)
{
    const QJsonValue v = o.value(QLatin1String(chave));
    return v.isString() ? v.toString() : QString();
}

// A text read as an integer; ok false when it is not one.
int inteiro(const QString &s, bool *ok = nullptr)
{
    bool valido = false;
    const int n = s.toInt(&valido);
    if (ok)
        *ok = valido;
    return valido ? n : 0;
}

struct Origem
{
    QString cartao, prazo, financiamento, quantidade;
    bool debito = false;
};

// A sale with a transaction code takes card and terms from the code.
Origem porCodigo(const QString &codigo, const QString &quantidade)
{
    struct Linha
    {
        const char *codigo, *cartao, *prazo, *financiamento;
        bool comQuantidade, debito;
    };
    static const Linha tabela[] = {
        {"10", "1", "1", "", false, false}, {"11", "1", "2", "0", true, false}, {"12", "1", "2", "1", true, false},
        {"20", "2", "1", "", false, true},  {"21", "2", "2", "", false, true},  {"22", "2", "3", "1", true, true},
    };
    for (const Linha &l : tabela) {
        if (codigo != QLatin1String(l.codigo))
            continue;
        Origem o{QString::fromLatin1(l.cartao), QString::fromLatin1(l.prazo), QString::fromLatin1(l.financiamento),
                 QString(), l.debito};
        bool ok = false;
        if (l.comQuantidade && inteiro(quantidade, &ok) >= 2 && ok)
            o.quantidade = quantidade;
        return o;
    }
    return {};
}

QString rotuloPagamento(const QString &prazo, bool debito)
{
    bool ok = false;
    const int n = inteiro(prazo, &ok);
    if (!ok)
        return QString();
    if (n == 1)
        return QStringLiteral("A vista");
    if (debito)
        return n == 2 ? QStringLiteral("Pre-datado") : n == 3 ? QStringLiteral("Parcelado") : QString();
    return n >= 2 ? QStringLiteral("Parcelado") : QString();
}

QString rotuloFinanciamento(const QString &financiamento)
{
    bool ok = false;
    const int n = inteiro(financiamento, &ok);
    if (!ok)
        return QString();
    return n == 0 ? QStringLiteral("Estabelecimento") : n == 1 ? QStringLiteral("Administradora") : QString();
}

void inserirSeHouver(QJsonObject &o, const char *chave, const QString &valor)
{
    if (!valor.isEmpty())
        o.insert(QLatin1String(chave), valor);
}

} // namespace

Z3_Tef_VO Z3_Tef_VO::fromRequest(const QJsonObject &request)
{
    const QJsonObject p = request.value(QStringLiteral("parametros")).toObject();
    Z3_Tef_VO vo;
    vo.operacao = texto(request, "header");
    vo.codigo_transacao = inteiro(texto(p, "codigo_transacao"));
    vo.identificacao = texto(p, "identificacao");
    vo.aplicacao = texto(p, "aplicacao");
    vo.versao_aplicacao = texto(p, "versao_aplicacao");
    vo.estabelecimento = texto(p, "estabelecimento");
    vo.loja = texto(p, "loja");
    vo.terminal = texto(p, "terminal");

    Origem o;
    const QString codigo = texto(p, "codigo_transacao");
    if (vo.operacao == QLatin1String("CRT") && !codigo.isEmpty()) {
        o = porCodigo(codigo, texto(p, "quantidade_parcelas"));
    } else {
        o.cartao = texto(p, "tipo_cartao");
        o.prazo = texto(p, "quantidade_parcelas");
        o.financiamento = texto(p, "tipo_parcelamento");
        o.quantidade = texto(p, "quantidade_parcelas");
    }
    vo.tipo_cartao = inteiro(o.cartao);
    vo.pagamento = rotuloPagamento(o.prazo, o.debito);
    vo.financiado = rotuloFinanciamento(o.financiamento);
    vo.parcelas = o.quantidade;

    vo.valor = texto(p, "valor");
    vo.adm_usuario = texto(p, "adm_usuario");
    vo.adm_senha = texto(p, "adm_senha");
    vo.opcao_coleta = inteiro(texto(p, "opcao_coleta"));
    vo.nome_produto = texto(p, "nome_produto");
    vo.numero_transacao = texto(p, "numero_transacao");
    vo.data_transacao = texto(p, "data_transacao");
    return vo;
}

QByteArray Z3_Tef_VO::jsonIniciarOperacao() const
{
    QJsonObject o;
    inserirSeHouver(o, "aplicacao_tela", aplicacao);
    inserirSeHouver(o, "versao", versao_aplicacao);
    inserirSeHouver(o, "estabelecimento", estabelecimento);
    inserirSeHouver(o, "loja", loja);
    inserirSeHouver(o, "terminal", terminal);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray Z3_Tef_VO::jsonOperacaoNova() const
{
    QJsonObject o;
    inserirSeHouver(o, "transacao_pagamento", pagamento);
    inserirSeHouver(o, "transacao_financiado", financiado);
    inserirSeHouver(o, "transacao_parcela", parcelas);
    inserirSeHouver(o, "transacao_valor", valor);
    inserirSeHouver(o, "transacao_administracao_usuario", adm_usuario);
    inserirSeHouver(o, "transacao_administracao_senha", adm_senha);
    inserirSeHouver(o, "transacao_produto", nome_produto);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}
