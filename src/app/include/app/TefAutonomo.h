#pragma once

#include "base/ConfigTef.h"
#include "base/Log.h"
#include "exchange/ProtocoloSitef.h"
#include "nucleo/Ocupacao.h"
#include "nucleo/Requisicao.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>

class GravacaoRecibo;
class ImpressaoRecibo;

// The cashier's own operations: plays the POS's part for a card sale, a PIX
// payment or an administrative operation chosen in the tray or the window's
// list. It holds the TEF thread for the cashier, hands one of four fixed
// requests to the transaction core, takes the result itself (no response file
// is written for it), prints and files the receipts as the settings ask, and
// confirms an approved sale on its own before it lets the thread go.
class TefAutonomo : public QObject
{
    Q_OBJECT

public:
    // Prints, files and shows the receipts as `config` says.
    explicit TefAutonomo(const ConfigTef &config, QObject *parent = nullptr);
    ~TefAutonomo() override;

    static const char *const requisicaoVenda;
    static const char *const requisicaoConfirmacao;
    static const char *const requisicaoPix;
    static const char *const requisicaoAdm;

    // How long an approved sale's confirmation waits for its receipts at most.
    static constexpr int prazoRecibosMs = 60000;

    // Who holds the TEF thread; without it (tests) the cashier's operations always start.
    void usarOcupacao(Ocupacao *ocupacao) { m_ocupacao = ocupacao; }

    // For tests: the receipt workers, and whether a confirmation is due.
    GravacaoRecibo *pdf() const { return m_pdf; }
    ImpressaoRecibo *impressao() const { return m_print; }
    bool confirmacaoPendente() const { return m_registroAConfirmar >= 0; }

signals:
    // The cashier's operation is about to start: the exchange stops watching.
    void startProcessAutonomo();
    // For the transaction core.
    void enviarRequisicao(const Requisicao &requisicao);
    void textUser(QString text);
    void showError(QString error);
    void resetView();
    void minimized();

public slots:
    void slotTefProcessAutonomo(QString operacao);
    void slotResponseAutonomo(const Requisicao &requisicao, const QString &dados, int registroPendente);
    void concluida(const Requisicao &requisicao);
    void slotPdfFinished(QJsonObject result);
    void slotPrintFinished(QJsonObject result);

private:
    void iniciarOperacaoAutonoma(Requisicao requisicao, const QString &mensagem);
    // The receipt workers are done: a sale waiting for them is confirmed.
    void recibosConcluidos();
    void confirmar();
    void liberar();

    ProtocoloSitef m_protocolo;
    Ocupacao *m_ocupacao = nullptr;
    int m_registroAConfirmar = -1; // the journal record of the approved sale to confirm
    QTimer m_prazoRecibos;         // active while that sale waits for its receipts
    ConfigTef m_config;
    GravacaoRecibo *m_pdf;
    ImpressaoRecibo *m_print;
    Log m_log;
};
