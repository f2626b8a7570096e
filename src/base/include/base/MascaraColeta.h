#pragma once

#include <QJsonObject>
#include <QString>

// The input mask (Qt notation) for a typed value that the Z3_Tef library asks
// for, from its "automacao_coleta_tipo" and "automacao_coleta_mascara"; empty
// when no mask applies.
QString mascaraDaColeta(const QJsonObject &tef);
