#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// The transaction as the Z3_Tef backend sees it, made anew from each JSON request.
class Z3_Tef_VO
{
public:
    QString operacao;
    int codigo_transacao = 0;
    QString identificacao;
    QString aplicacao;
    QString versao_aplicacao;
    QString estabelecimento;
    QString loja;
    QString terminal;
    int tipo_cartao = 0;
    QString pagamento;
    QString financiado;
    QString parcelas;
    QString valor;
    QString adm_usuario;
    QString adm_senha;
    int opcao_coleta = 0;
    QString nome_produto;
    // What the POS says of the transaction to cancel (NSU, date DDMMAAAA). The
    // library is not given them: they only start the cashier's fields.
    QString numero_transacao;
    QString data_transacao;

    // The mapping from the JSON request ("header" and "parametros").
    static Z3_Tef_VO fromRequest(const QJsonObject &request);

    // The start parameters of IniciarOperacaoTEF, compact JSON.
    QByteArray jsonIniciarOperacao() const;
    // The parameters of the first Realizar call of an operation, compact JSON.
    QByteArray jsonOperacaoNova() const;
};
