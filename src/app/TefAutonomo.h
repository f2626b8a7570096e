#pragma once

#include "app/ConfigTef.h"
#include "app/Log.h"
#include "exchange/ProtocoloSitef.h"

#include <QJsonObject>
#include <QObject>
#include <QString>

class pdf_utils;
class print_utils;

// The cashier's own operations: plays the POS's part for a card sale, a PIX
// payment or an administrative operation chosen in the tray or the window's
// list. It hands one of four fixed requests to the backend, takes the result
// itself (no response file is written for it), prints and files the receipts
// as the settings ask, and confirms a sale that needs it on its own.
class TefAutonomo : public QObject
{
    Q_OBJECT

public:
    explicit TefAutonomo(QObject *parent = nullptr);
    ~TefAutonomo() override;

    static const char *const requisicaoVenda;
    static const char *const requisicaoConfirmacao;
    static const char *const requisicaoPix;
    static const char *const requisicaoAdm;

    // For tests: the receipt workers, and whether a confirmation is due.
    pdf_utils *pdf() const { return m_pdf; }
    print_utils *impressao() const { return m_print; }
    bool confirmacaoPendente() const { return m_requerConfirmacao; }

signals:
    void startProcessAutonomo();
    void sendJson(QString json);
    void textUser(QString text);
    void showError(QString error);
    void resetView();
    void minimized();
    // The cashier's operation and its confirmation are over: the file exchange may go on.
    void concluido();

public slots:
    void slotTefProcessAutonomo(QString operacao);
    void slotResponseAutonomo(QString dados);
    void finished();
    void slotPdfFinished(QJsonObject result);
    void slotPrintFinished(QJsonObject result);

private:
    void iniciarOperacaoAutonoma(const QString &requisicao, const QString &mensagem);

    ProtocoloSitef m_protocolo;
    bool m_requerConfirmacao = false;
    ConfigTef m_config;
    pdf_utils *m_pdf;
    print_utils *m_print;
    Log m_log;
};
