#pragma once

#include <QByteArray>
#include <QDate>
#include <QJsonObject>
#include <QString>

// Support's and the bookkeeper's questions, answered on the terminal without
// disturbing the copy that serves the checkout: nothing locked, nothing
// written, nothing logged. They need an application object (for the
// program's folder) but nothing else of the start-up.
class Consultas
{
public:
    struct Resposta
    {
        QByteArray saida; // for standard output, UTF-8
        QString erro;     // for standard error; empty when none
        int codigo = 0;   // the exit code
    };

    // Exit codes of --estado, as a monitoring agent's check reads them.
    static constexpr int estadoOk = 0;
    static constexpr int estadoParado = 1;
    static constexpr int estadoNaoResolvida = 2;

    // --estado: version, the running copy, the settings in use, the
    // transactions not yet resolved and the last error line of the log, as
    // one JSON object. 2 when a transaction waits for a person (whether a
    // copy runs or not), else 1 when no copy runs, else 0.
    static Resposta estado();

    // --transacoes: the day's transactions as CSV (RFC 4180, UTF-8, a header
    // row); `dia` is yyyy-MM-dd, or "-" for today. 0, or 2 for a day it cannot read.
    static Resposta transacoes(const QString &dia);

    // The log's last error line: {"hora": ISO local time, "mensagem"}; empty when there is none.
    static QJsonObject ultimoErro(const QString &arquivoLog);

private:
    static QString pastaConfiguracao();
};
