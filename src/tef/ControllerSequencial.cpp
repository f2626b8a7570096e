#include "tef/ControllerSequencial.h"

#include <QJsonValue>
#include <QMutexLocker>

ControllerSequencial::ControllerSequencial(QObject *parent) : QObject(parent) {}

std::optional<SequencialInfo> ControllerSequencial::criarSequencial(const QJsonObject &resposta)
{
    if (!resposta.contains(QStringLiteral("tef")))
        return std::nullopt;
    const QJsonObject tef = resposta.value(QStringLiteral("tef")).toObject();
    if (!tef.contains(QStringLiteral("sequencial")) || !tef.contains(QStringLiteral("transacao")))
        return std::nullopt;
    const auto texto = [&tef](const char *chave, const QString &padrao) {
        const QJsonValue v = tef.value(QLatin1String(chave));
        return v.isString() ? v.toString() : padrao;
    };
    SequencialInfo info;
    info.sequencial = texto("sequencial", QString()).toInt(); // anything but a decimal number gives 0
    info.transacao = texto("transacao", QString());
    info.nsuTerminal = texto("nsuTerminal", info.nsuTerminal);
    info.valorTotal = texto("valorTotal", info.valorTotal);
    info.dataHoraTransacao = texto("dataHoraTransacao", info.dataHoraTransacao);
    return info;
}

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
