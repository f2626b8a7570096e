#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// Reading the call log that the simulated libraries write ("Z3_SIM_LOG").
namespace testsupport {

// One object {"funcao", "argumentos"} per call, in call order.
QList<QJsonObject> chamadasSimuladas(const QString &arquivo);
// The names of the entry points called, in order.
QStringList funcoesSimuladas(const QString &arquivo);
// "Funcao(arg, arg)" per call: texts as JSON strings, numbers in decimal.
QStringList sequenciaSimulada(const QString &arquivo);

} // namespace testsupport
