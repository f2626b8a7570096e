#pragma once

#include "base/Log.h"
#include "exchange/TagMapping.h"
#include "nucleo/Historico.h"

#include <QJsonObject>
#include <QString>
#include <QVector>

// The bridge backend's JSON result -> key-number response, by the bridge tag list.
// Pure: no file is read.
class Z3_Bridge_Conversor
{
public:
    static const QVector<TagMapping> &tags();

    QString converter(const QJsonObject &resultado, bool aspasComprovante) const;
    // What the history keeps of a result: the library's code, the outcome and the sale's members.
    static Historico::Resumo resumo(const QJsonObject &resultado);

private:
    Log m_log;
};
