#include "nucleo/ControllerSequencial.h"

#include <QMutexLocker>

ControllerSequencial::ControllerSequencial(QObject *parent) : QObject(parent) {}

QList<SequencialInfo> ControllerSequencial::listaSequenciais() const
{
    QMutexLocker lock(&m_mutex);
    return m_lista;
}

void ControllerSequencial::adicionarSequencial(const SequencialInfo &info)
{
    QMutexLocker lock(&m_mutex);
    m_lista.append(info);
    m_log.info(QStringLiteral("Sequencial %1 (%2) adicionado na lista de sequenciais para confirmação")
                   .arg(info.sequencial)
                   .arg(info.transacao));
}

void ControllerSequencial::removerSequencial(int indice)
{
    QMutexLocker lock(&m_mutex);
    if (indice >= 0 && indice < m_lista.size()) {
        const SequencialInfo info = m_lista.takeAt(indice);
        m_log.info(QStringLiteral("Sequencial %1 (%2) removido da lista de sequenciais")
                       .arg(info.sequencial)
                       .arg(info.transacao));
        return;
    }
    m_lista.clear();
    m_log.info("Lista de sequenciais foi limpa");
}

bool ControllerSequencial::removerRegistro(int registro)
{
    QMutexLocker lock(&m_mutex);
    for (int i = 0; i < m_lista.size(); ++i) {
        if (m_lista.at(i).registro == registro) {
            const SequencialInfo info = m_lista.takeAt(i);
            m_log.info(QStringLiteral("Sequencial %1 (%2) removido da lista de sequenciais")
                           .arg(info.sequencial)
                           .arg(info.transacao));
            return true;
        }
    }
    return false;
}
