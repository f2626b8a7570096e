#pragma once

#include "base/ConfigTefSnapshot.h"
#include "base/Log.h"
#include "exchange/TagMapping.h"
#include "nucleo/Historico.h"

#include <QJsonObject>
#include <QString>
#include <QVector>

// The Z3_Tef backend's JSON result -> key-number response: the "tef" object by its
// tag list, plus the fields derived from several members (transaction and result
// codes, copies to print, network and brand codes). Pure: no file is read.
class Z3_Tef_Conversor
{
public:
    static const QVector<TagMapping> &tags();

    QString converter(const QJsonObject &resultado, const ConfigTefSnapshot::Comprovante &opcoes) const;
    // What the history keeps of a result: the "tef" object's outcome and the sale's members.
    static Historico::Resumo resumo(const QJsonObject &resultado);

private:
    Log m_log;
};
