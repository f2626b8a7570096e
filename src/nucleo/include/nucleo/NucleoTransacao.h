#pragma once

#include "base/Log.h"
#include "base/Pausas.h"
#include "nucleo/ControllerSequencial.h"
#include "nucleo/DialogoTef.h"
#include "nucleo/DiarioTransacoes.h"
#include "nucleo/FimTransacao.h"
#include "nucleo/Requisicao.h"

#include <QMutex>
#include <QObject>
#include <QThread>
#include <QWaitCondition>

#include <functional>
#include <memory>
#include <optional>

// The transaction core: runs one request at a time on its own thread through
// the product's backend (DialogoTef) and holds, once for every TEF product,
// what keeps money safe:
// - a refused request (its "msg_erro", JSON that is no object) reaches no
//   backend method that can call the library;
// - a transaction that may move money is in the journal before the library
//   sees it, and its approval is journaled as soon as the library gives it;
// - an approved sale whose response could not be written is undone with the
//   product's own undo, and so is one found unanswered at start-up;
// - a CNF or NCN reaches the library for the transaction it names, whether
//   it was approved in this run or before a restart;
// - a settling the library refuses stays in the journal as unresolved, with
//   an error line at every start, and the cashier is told.
// The result goes back to whoever asked (resultado); the exchange reports
// whether the response file was written (respostaGravada).
class NucleoTransacao : public QObject
{
    Q_OBJECT

public:
    // `produto`: the TEF product number its journal records carry. The core
    // goes before its backend: its destructor ends the running transaction.
    NucleoTransacao(DialogoTef &backend, int produto, const QString &arquivoDiario, QObject *parent = nullptr);
    ~NucleoTransacao() override;

    void usarPausas(const Pausas &pausas) { m_pausas = pausas; }

    // Told of every end a journaled transaction reaches (the library's last
    // word, its settling), on the thread that reaches it: the transaction
    // thread, or the GUI thread during recuperar(). Set before recuperar();
    // what it does costs the sale its time, so it only takes note.
    void observar(std::function<void(const FimTransacao &)> observador) { m_observador = std::move(observador); }

    // Start-up, before any request: what the journal says the last run left
    // half done is settled or restored.
    void recuperar();
    // The exchange will report every response file it writes (respostaGravada).
    void acompanharEntrega(bool acompanhar) { m_acompanharEntrega = acompanhar; }

    // GUI thread: runs the request on the transaction thread. A request that
    // finds one running (its origin should have waited for the thread) is
    // answered as a failure and never started.
    void submeter(Requisicao requisicao);
    bool emExecucao() const;
    int produto() const { return m_produto; }
    // The program ends: a transaction that waits for the cashier is given up,
    // the thread awaited and, once it is over, the library's session closed;
    // no request starts afterwards.
    void encerrar(unsigned long prazoMs);

    // The approved transactions waiting for a CNF or NCN, oldest first.
    QList<SequencialInfo> pendentes() const { return m_pendentes.listaSequenciais(); }
    const DiarioTransacoes &diario() const { return m_diario; }
    // Transaction thread: confirms (1) or undoes (0) one waiting transaction
    // with the product's library; the journal and, on a refusal, the cashier
    // learn the outcome. It leaves the waiting list either way.
    bool resolver(const SequencialInfo &pendente, int acao);

public slots:
    // The exchange's word on the response file of request `numero`; called
    // directly from the GUI thread while the transaction thread may wait for it.
    void respostaGravada(quint64 numero, bool gravada);

signals:
    // GUI thread, just before the transaction thread starts.
    void iniciada(const Requisicao &requisicao);
    // From the transaction thread: the JSON result for whoever asked;
    // `registroPendente` names the journal record of an approved transaction
    // that now waits for its CNF or NCN (-1 when none).
    void resultado(const Requisicao &requisicao, const QString &dados, int registroPendente);
    // GUI thread, once the transaction thread has ended: the next request may come.
    void concluida(const Requisicao &requisicao);

private:
    class Execucao;

    void executar();
    void falhar(const Requisicao &r, DialogoTef::Falha falha, const QString &titulo, const QString &motivo);
    void realizar(const Requisicao &r);
    void resolverConfirmacao(const Requisicao &r, int acao);
    // Emits the result and, for an approved sale the POS asked for, sees its response delivered.
    void entregar(const Requisicao &r, const QJsonObject &resultado, const std::optional<SequencialInfo> &pendente);
    void desfazerNaoEntregue(const SequencialInfo &pendente);
    void aoTerminar();
    void avisarLiquidacao(const QString &origem, int registro, FimTransacao::Situacao situacao);

    DialogoTef &m_backend;
    const int m_produto;
    Log m_log;
    DiarioTransacoes m_diario;
    ControllerSequencial m_pendentes;
    std::unique_ptr<QThread> m_execucao;
    bool m_acompanharEntrega = false;
    bool m_encerrado = false; // GUI thread
    bool m_bibliotecaEncerrada = false;
    Pausas m_pausas;
    std::function<void(const FimTransacao &)> m_observador;

    // Written by the GUI thread before the thread starts, read by it afterwards.
    Requisicao m_atual;
    quint64 m_proximoNumero = 1;

    QMutex m_entregaMutex;
    QWaitCondition m_entregaCondicao;
    quint64 m_numeroEmEntrega = 0;
    int m_entrega = -1; // -1 waiting, 0 not written, 1 written
};
