#pragma once

#include <QString>
#include <QStringList>

// Collects every line the program logs (through Qt's message handler) while it
// lives, so a test can wait for a line and check the order of lines.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QStringList linhas() const;
    int contar(const QString &trecho) const;
    bool contem(const QString &trecho) const { return contar(trecho) > 0; }
    // Index of the first line holding the text at or after `desde`; -1 when none.
    int indice(const QString &trecho, int desde = 0) const;
    // Spins the event loop until a line holding the text was logged or the deadline passed.
    bool esperar(const QString &trecho, int timeoutMs, int vezes = 1) const;
    void limpar();
};
