#pragma once

#include "nucleo/SequencialInfo.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

// What the Z3_Tef backend reads from the library's replies and how it writes
// what the operator typed: pure functions, so they are tested without a library.
class Z3_Tef_Protocolo
{
public:
    // The library asks for data: "tef" without "retorno" and "automacao_coleta_retorno" "0".
    static bool isColeta(const QJsonObject &resposta);
    // The transaction was approved: "tef"."retorno" "0".
    static bool isRetornoSucesso(const QJsonObject &resposta);
    // A start or confirmation succeeded: "tef"."retorno" "1".
    static bool isConfirmado(const QByteArray &texto);
    // The pending entry of an approved reply; nothing when the reply has no
    // "tef" or "tef" lacks "sequencial" or "transacao".
    static std::optional<SequencialInfo> criarSequencial(const QJsonObject &resposta);
    // The reply given when no TEF operation is open.
    static QByteArray jsonNaoIniciada();
    // A typed amount ("1.234,56") as the library takes it ("1234.56"), exact for any length.
    static QString formatarValorColetado(const QString &entrada);
    // The amount field of the window shows a currency text ("R$ 1.234,56"): the
    // same amount without the currency symbol and blanks.
    static QString semSimboloMoeda(const QString &valor);

    // Texts that go to the log with the secrets masked: the request's "adm_senha",
    // the supervisor password of the operation parameters, and a typed password
    // (the answer while the collection keyword is "transacao_administracao_senha").
    static QString requisicaoParaLog(const QString &requisicao);
    static QString dadosParaLog(const QByteArray &dados, const QString &palavraChave = QString());
    static QString mascarar(const QString &segredo);
};
