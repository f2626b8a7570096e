#pragma once

#include "base/Log.h"
#include "nucleo/Historico.h"

#include <QJsonObject>
#include <QString>

// The Vantor backend's JSON result -> key-number response: the always-written
// fields, the "dados_transacao" items by their table and the store receipt.
// Pure but for the log line of the received document (card data masked).
class Vantor_Conversor
{
public:
    // A null text when the result does not parse.
    QString converter(const QString &result) const;
    // What the history keeps of a result: "resultado" and the "dados_transacao" items.
    static Historico::Resumo resumo(const QJsonObject &resultado);

private:
    Log m_log;
};
