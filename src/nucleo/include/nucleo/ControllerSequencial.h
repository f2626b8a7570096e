#pragma once

#include "base/Log.h"
#include "nucleo/SequencialInfo.h"

#include <QList>
#include <QMutex>
#include <QObject>

// The approved transactions that wait for the POS to confirm or undo them,
// oldest first. The list itself lives in memory; the transaction journal
// (DiarioTransacoes) is what refills it at start-up with the ones the POS
// still has to settle. The transaction thread changes it; the window's side
// reads copies of it: behind its own lock.
class ControllerSequencial : public QObject
{
    Q_OBJECT
public:
    explicit ControllerSequencial(QObject *parent = nullptr);

    void adicionarSequencial(const SequencialInfo &info);
    QList<SequencialInfo> listaSequenciais() const;
    // Removes the entry at the position; any position outside the list clears it.
    void removerSequencial(int indice);
    // Removes the entry of that journal record; false when none has it.
    bool removerRegistro(int registro);

private:
    Log m_log;
    mutable QMutex m_mutex;
    QList<SequencialInfo> m_lista;
};
