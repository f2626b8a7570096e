#pragma once

#include "base/Log.h"
#include "nucleo/FimTransacao.h"

#include <QDate>
#include <QFile>
#include <QJsonObject>
#include <QList>
#include <QMutex>
#include <QString>

// The shop's record of finished transactions, for reconciling the day's card
// and PIX sales with the acquirer's statement: one JSON line per end the core
// reports (FimTransacao), beside the settings, kept for a number of days.
// Unlike the journal it is a report, not a safeguard: a line costs one append
// without a sync, and a crash may lose the last ones.
//
// An approved transaction that waits for the POS is written when approved
// ("pendente") and again when settled ("aprovada", "desfeita" or
// "nao_resolvida", naming the first line's record); reading a day back gives
// one row per transaction, on the day it was approved, in its latest state.
class Historico
{
public:
    using Situacao = FimTransacao::Situacao;

    // What the history reads of a product's result: each product names these
    // members its own way. Texts as the library gives them.
    struct Resumo
    {
        QString valor; // plain digits are cents
        QString bandeira;
        QString rede;
        QString nsu;
        QString autorizacao;
        Situacao situacao = Situacao::Erro;
    };
    using Resumir = Resumo (*)(const QJsonObject &resultado);

    // One transaction of a day, as read back; card data masked, the amount in reais ("10.00").
    struct Linha
    {
        QString data; // yyyy-MM-dd
        QString hora; // hh:mm:ss
        QString origem;
        int produto = -1;
        QString operacao;
        QString valor;
        QString bandeira;
        QString rede;
        QString nsu;
        QString autorizacao;
        QString estado;
    };

    Historico(const QString &arquivo, Resumir resumir);
    ~Historico();
    Historico(const Historico &) = delete;
    Historico &operator=(const Historico &) = delete;

    // The history beside the given configuration file.
    static QString arquivoAoLadoDe(const QString &arquivoConfiguracao);
    QString arquivo() const { return m_arquivo; }

    // Start-up, before any line is written: lines dated more than `dias`
    // days before `hoje` are dropped (the file is rewritten only then).
    void podar(int dias, const QDate &hoje = QDate::currentDate());

    // Any thread: one line for the end; the state it was written with.
    Situacao registrar(const FimTransacao &fim);

    // The transactions of `dia`, read without writing anything. Lines that
    // cannot be read are skipped and counted in `ignoradas`.
    static QList<Linha> doDia(const QString &arquivo, const QDate &dia, int *ignoradas = nullptr);

    // "1000" (cents), "10,00" or "10.00" -> "10.00"; empty stays empty.
    static QString valorEmReais(const QString &texto);

private:
    bool abrir();

    QString m_arquivo;
    Resumir m_resumir;
    QMutex m_mutex;
    QFile m_anexo;
    Log m_log;
};
