#pragma once

#include "nucleo/SequencialInfo.h"

#include <QJsonObject>
#include <QString>

#include <optional>

// What the transaction core says of a transaction that reached an end its
// journal records: the library's last word on it (`resultado`), or the
// settling of an approved one (`resultado` empty, `pendente` what the journal
// kept of it). The history and the reprint follow transactions through this.
struct FimTransacao
{
    enum class Situacao {
        Pendente,     // approved, waiting for the POS's CNF or NCN
        Aprovada,     // approved and final
        Negada,       // declined: nothing charged
        Cancelada,    // stopped by the cashier (or the customer) before the host decided
        Desfeita,     // approved, then undone
        NaoResolvida, // the library would not settle it: a person must check it
        Erro,         // the library failed before deciding
    };

    // Who started it: "pdv", "operador"; "recuperacao" for what the start-up settled.
    QString origem;
    int produto = -1;
    QString operacao;  // the request's header: CRT, CNC, ADM, PIX
    int registro = -1; // its journal record
    QJsonObject resultado;
    QString valorRequisicao; // the amount the request asked for, in cents
    std::optional<SequencialInfo> pendente;
    bool liquidacao = false; // settles the approved transaction of `registro`, reported before
    // Set when the core knows it (pending, settled, unresolved); otherwise the
    // product's result says.
    std::optional<Situacao> situacao;

    static QString nome(Situacao s);
};
