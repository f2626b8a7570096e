#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class ConfigTef;

class NucleoTransacao;
class QProcess;
struct Requisicao;

namespace testsupport {

// Reads a file whole; an empty array when it cannot be read.
QByteArray readAll(const QString &path);
bool writeAll(const QString &path, const QByteArray &bytes);
// Whether the file's permissions let no one but its owner in.
bool somenteDono(const QString &path);

// A file under tests/data.
QByteArray dataFile(const QString &name);

// Waits, spinning the event loop, until the condition holds (true) or the deadline passes.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs);
// Waits, spinning the event loop, until the file exists (true) or the deadline passes.
bool waitForFile(const QString &path, int timeoutMs);

// The configuration file the program would read: the application folder's config_tef.json.
QString configPath();
// Writes a complete configuration with the given overrides (top-level keys).
void writeConfig(const QJsonObject &overrides);
// That configuration as the start-up leaves it: read once, its exchange folders made.
ConfigTef configIniciada();
// Runs the POS client program (built beside the tests) to its end while this thread
// keeps serving its events, so a monitor in this thread can answer it. Its exit code;
// -1 when it did not start, -2 when killed at the deadline, -3 when it crashed.
// Its output, stdout and stderr merged, goes to `output` when given.
int runPosClient(const QStringList &arguments, int timeoutMs, QString *output = nullptr);

// The simulated libraries' call log ("Z3_SIM_LOG"): one {"funcao", "argumentos"} per call,
// in call order; the names of the entry points called; "Funcao(arg, arg)" per call, texts in
// double quotes as they are (not escaped) and numbers in decimal.
QList<QJsonObject> chamadasSimuladas(const QString &arquivo);
QStringList funcoesSimuladas(const QString &arquivo);
QStringList sequenciaSimulada(const QString &arquivo);

// Submits a request to the transaction core and serves the event loop until
// its run is over, calling `aCadaVolta` on every turn (to answer the cashier);
// the JSON result, or an empty object when none came before the deadline.
QJsonObject executar(NucleoTransacao &nucleo, const Requisicao &requisicao,
                     const std::function<void()> &aCadaVolta = {}, int prazoMs = 20000);

// Ends a started program as a session logout would (SIGTERM), killing it if it
// does not end within 30 s; nothing for a null or finished process.
void stopProcess(QProcess *process);

} // namespace testsupport
