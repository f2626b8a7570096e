#pragma once

#include "base/Log.h"

#include <QByteArray>
#include <QHash>
#include <QLocalServer>
#include <QObject>
#include <QString>

#include <functional>

class QLocalSocket;
class QTimer;

// How a second launch hands its action to the copy that runs: a local socket
// only the same user can reach, one line each way. The request is
// "acao <name>\n"; the answer "ok\n" or "recusado: <reason>\n". Anything else
// is refused and the connection closed; a peer that says nothing within the
// deadline is dropped, so no client can hold the event loop.
class CanalInstancia : public QObject
{
    Q_OBJECT

public:
    // What the running copy does with an action; empty when done, otherwise
    // why it was refused. `origem` names the asking process, for the log.
    using Executor = std::function<QString(const QString &acao, const QString &origem)>;

    explicit CanalInstancia(Executor executor, QObject *parent = nullptr);
    ~CanalInstancia() override;

    // The socket's file, named after the single-instance lock it goes with,
    // in the user's runtime folder ($XDG_RUNTIME_DIR, else the temporary one).
    static QString caminho();

    // For the copy holding the lock: a socket left by a copy that was killed
    // is replaced. False, with the reason logged, when it cannot listen.
    bool escutar();

    struct Resposta
    {
        bool entregue = false; // the running copy answered
        QString texto;         // its answer, or why there was none
    };
    // For a second launch: hands `acao` over and waits for the answer. Waits
    // as well for a copy still starting, which has its lock but no socket yet.
    static Resposta entregar(const QString &acao, int prazoMs);

    static constexpr int tamanhoMaximoPedido = 64;
    static constexpr int prazoPedidoMs = 2000;
    static constexpr int conexoesSimultaneas = 8;

private:
    void aceitar();
    void ler(QLocalSocket *socket);
    void encerrar(QLocalSocket *socket, const QByteArray &resposta);
    void recusar(QLocalSocket *socket, const QString &motivo);

    struct Pedido
    {
        QByteArray dados;
        QString origem;
    };

    Executor m_executor;
    QLocalServer m_servidor;
    QHash<QLocalSocket *, Pedido> m_pedidos;
    bool m_lotado = false;
    Log m_log;
};
