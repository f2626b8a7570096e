#pragma once

#include "base/ConfigTef.h"
#include "base/Log.h"

#include <QJsonObject>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

class Ocupacao;
class GravacaoRecibo;
class ImpressaoRecibo;

// The last approved transaction's receipts, printed and filed again when the
// printer jammed: the tray's "Reimprimir último comprovante" and a second
// launch's --reimprimir. It keeps the receipt data as the print and PDF
// workers take them ("comprovanteDiferenciadoLoja", "...Portador",
// "nsuTerminal", "transacao"), whatever product made them, and hands a copy
// marked "2ª VIA" to its own workers, as the settings ask.
class Reimpressao : public QObject
{
    Q_OBJECT

public:
    // Prints and files the copies as `config` says.
    explicit Reimpressao(const ConfigTef &config, QObject *parent = nullptr);
    ~Reimpressao() override;

    static const QString marca;

    // Who holds the TEF thread: nothing is reprinted while an operation runs.
    void usarOcupacao(Ocupacao *ocupacao) { m_ocupacao = ocupacao; }

    // Any thread: the receipts of the approved transaction of journal record
    // `registro`; data without a copy to print leave the last ones in place.
    void guardar(const QJsonObject &recibo, int registro);
    // Any thread: the transaction was undone; the one approved before it is the last again.
    void esquecer(int registro);

    // Approvals kept, newest last, so that one undone gives way to the one before.
    static constexpr int guardados = 8;

    // GUI thread: prints and files the last receipts again. Empty when
    // started, otherwise why not ("Nenhum comprovante", an operation running,
    // ...), which the cashier is shown as well.
    QString reimprimir();

    // The copies of `recibo` with the mark on their first line, filed as a reprint.
    static QJsonObject segundaVia(const QJsonObject &recibo);

    // For tests: the workers.
    GravacaoRecibo *pdf() const { return m_pdf; }
    ImpressaoRecibo *impressao() const { return m_print; }

signals:
    void erro(const QString &mensagem);

private:
    QString recusar(const QString &motivo);

    struct Guardado
    {
        int registro;
        QJsonObject recibo;
    };

    mutable QMutex m_mutex;
    QList<Guardado> m_recibos;
    Ocupacao *m_ocupacao = nullptr;
    const ConfigTef m_config;
    GravacaoRecibo *m_pdf;
    ImpressaoRecibo *m_print;
    Log m_log;
};
