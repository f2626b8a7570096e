#pragma once

#include <QString>

// One approved transaction that waits for the POS to confirm or undo it.
struct SequencialInfo
{
    qint32 sequencial = 0;
    QString transacao;
    QString nsuTerminal = QStringLiteral("000000");
    QString valorTotal = QStringLiteral("0");
    QString dataHoraTransacao = QStringLiteral("01/01/1970 00:00:00");
    int registro = -1; // its record in the transaction journal
};
