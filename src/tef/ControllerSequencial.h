#pragma once

#include "app/Log.h"
#include "tef/SequencialInfo.h"

#include <QJsonObject>
#include <QList>
#include <QMutex>
#include <QObject>

#include <optional>

// The pending transactions of this run of the program, oldest first. The list
// itself lives in memory; the transaction journal (DiarioTransacoes) is what
// refills it at start-up with the ones the POS still has to confirm or undo.
// The run changes it; the window's side reads copies of it: behind its own lock.
class ControllerSequencial : public QObject
{
    Q_OBJECT
public:
    explicit ControllerSequencial(QObject *parent = nullptr);

    // An entry from a Z3_Tef reply; nothing when the reply has no "tef" or "tef"
    // lacks "sequencial" or "transacao".
    static std::optional<SequencialInfo> criarSequencial(const QJsonObject &resposta);
    void adicionarSequencial(const SequencialInfo &info);
    QList<SequencialInfo> listaSequenciais() const;
    // Removes the entry at the position; any position outside the list clears it.
    void removerSequencial(int indice);

private:
    Log m_log;
    mutable QMutex m_mutex;
    QList<SequencialInfo> m_lista;
};
