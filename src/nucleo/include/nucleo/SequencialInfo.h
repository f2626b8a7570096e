#pragma once

#include <QString>

// One approved transaction that waits for the POS to confirm or undo it, with
// what its product's library needs to do either: the sequential number and
// transaction name (Z3_Tef), the NSU, date and time, amount, automation id
// and checkout number (Z3_Bridge's cancellation).
struct SequencialInfo
{
    qint32 sequencial = 0;
    QString transacao;
    QString nsuTerminal = QStringLiteral("000000");
    QString valorTotal = QStringLiteral("0");
    QString dataHoraTransacao = QStringLiteral("01/01/1970 00:00:00");
    QString identificacao; // the automation's id of the transaction, as the library took it
    QString pdv;
    QString finalizacao; // what the response put in 027-000, for matching a CNF or NCN
    int registro = -1;   // its record in the transaction journal
};
