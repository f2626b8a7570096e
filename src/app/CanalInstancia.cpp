#include "CanalInstancia.h"

#include "SingleInstanceGuard.h"
#include "base/Platform.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <QTimer>

namespace {

QString comTag(const QString &msg)
{
    return QStringLiteral("[CanalInstancia] ") + msg;
}

const QByteArray prefixoPedido = QByteArrayLiteral("acao ");
constexpr int tamanhoMaximoNome = 32;

// The action's name from a whole request line; empty when the line is not one.
// Only lower-case letters and hyphens, so a name is always safe to log.
QString nomeDoPedido(const QByteArray &linha)
{
    if (!linha.startsWith(prefixoPedido))
        return QString();
    const QByteArray nome = linha.mid(prefixoPedido.size());
    if (nome.isEmpty() || nome.size() > tamanhoMaximoNome)
        return QString();
    for (const char c : nome) {
        if ((c < 'a' || c > 'z') && c != '-')
            return QString();
    }
    return QString::fromLatin1(nome);
}

int restante(const QDeadlineTimer &prazo)
{
    return static_cast<int>(qMax<qint64>(0, prazo.remainingTime()));
}

} // namespace

CanalInstancia::CanalInstancia(Executor executor, QObject *parent) : QObject(parent), m_executor(std::move(executor))
{
    connect(&m_servidor, &QLocalServer::newConnection, this, &CanalInstancia::aceitar);
}

CanalInstancia::~CanalInstancia()
{
    m_servidor.close();
}

QString CanalInstancia::caminho()
{
    QString pasta = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!QDir::isAbsolutePath(pasta) || !QFileInfo(pasta).isDir())
        pasta = QDir::tempPath();
    // A copy started with another TMPDIR holds a lock of its own (the tests,
    // the package test): it gets a socket of its own as well.
    const QString nome = SingleInstanceGuard::hashKey(SingleInstanceGuard::applicationKey(),
                                                      QStringLiteral("_canalAcoes") + QDir::tempPath());
    return pasta + QStringLiteral("/z3_") + nome + QStringLiteral(".sock");
}

bool CanalInstancia::escutar()
{
    const QString arquivo = caminho();
    // Only the holder of the lock gets here, so a socket under this name was
    // left by a copy that did not end cleanly.
    QLocalServer::removeServer(arquivo);
    m_servidor.setSocketOptions(QLocalServer::UserAccessOption);
    m_servidor.setMaxPendingConnections(conexoesSimultaneas);
    if (!m_servidor.listen(arquivo)) {
        m_log.error(
            comTag(QStringLiteral("Ações de outras execuções não serão atendidas: ") + m_servidor.errorString()));
        return false;
    }
    m_log.info(comTag(QStringLiteral("Aguardando ações de outras execuções em ") + arquivo));
    return true;
}

void CanalInstancia::aceitar()
{
    while (QLocalSocket *socket = m_servidor.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // The socket file is the user's alone; the system's word on the peer
        // covers a socket reached some other way.
        platform::PeerCredentials par;
        if (!platform::localPeerCredentials(socket->socketDescriptor(), &par) || par.uid != platform::currentUserId()) {
            m_log.warning(comTag(QStringLiteral("Conexão recusada: usuário %1 (pid %2) não é o desta execução")
                                     .arg(par.uid)
                                     .arg(par.pid)));
            socket->abort();
            socket->deleteLater();
            continue;
        }
        if (m_pedidos.size() >= conexoesSimultaneas) {
            // Said once per flood, not once per connection.
            if (!m_lotado)
                m_log.warning(
                    comTag(QStringLiteral("Conexões recusadas: pedidos demais ao mesmo tempo (pid %1)").arg(par.pid)));
            m_lotado = true;
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_lotado = false;
        m_pedidos.insert(socket, Pedido{QByteArray(), QStringLiteral("outra execução (pid %1)").arg(par.pid)});
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ler(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            if (m_pedidos.contains(socket)) {
                m_log.warning(comTag(QStringLiteral("Pedido incompleto de %1 (%2 bytes) descartado")
                                         .arg(m_pedidos.value(socket).origem)
                                         .arg(m_pedidos.value(socket).dados.size())));
                m_pedidos.remove(socket);
            }
        });
        QTimer::singleShot(prazoPedidoMs, socket, [this, socket] {
            if (m_pedidos.contains(socket))
                recusar(socket, QStringLiteral("nenhum pedido no prazo"));
        });
        ler(socket);
    }
}

void CanalInstancia::ler(QLocalSocket *socket)
{
    auto pedido = m_pedidos.find(socket);
    if (pedido == m_pedidos.end())
        return;
    // Never more than one request's worth: a flood is cut, not buffered.
    pedido->dados += socket->read(tamanhoMaximoPedido + 1 - pedido->dados.size());
    const int fim = pedido->dados.indexOf('\n');
    if (fim < 0) {
        if (pedido->dados.size() > tamanhoMaximoPedido)
            recusar(socket, QStringLiteral("pedido longo demais"));
        return;
    }
    const QString nome = nomeDoPedido(pedido->dados.left(fim));
    if (nome.isEmpty() || fim != pedido->dados.size() - 1 || socket->bytesAvailable() > 0) {
        recusar(socket, QStringLiteral("pedido inválido"));
        return;
    }
    const QString origem = pedido->origem;
    m_pedidos.erase(pedido);
    // The action may run an event loop of its own, in which the peer may go.
    const QPointer<QLocalSocket> guarda(socket);
    const QString motivo = m_executor(nome, origem);
    if (guarda)
        encerrar(socket, motivo.isEmpty() ? QByteArrayLiteral("ok\n") : "recusado: " + motivo.toUtf8() + '\n');
}

void CanalInstancia::recusar(QLocalSocket *socket, const QString &motivo)
{
    const Pedido pedido = m_pedidos.take(socket);
    m_log.warning(comTag(QStringLiteral("Pedido de %1 recusado: %2 (%3 bytes)")
                             .arg(pedido.origem, motivo)
                             .arg(pedido.dados.size() + socket->bytesAvailable())));
    encerrar(socket, "recusado: " + motivo.toUtf8() + '\n');
}

void CanalInstancia::encerrar(QLocalSocket *socket, const QByteArray &resposta)
{
    m_pedidos.remove(socket);
    socket->write(resposta);
    // Written now: after "sair" the event loop may not come round again.
    socket->flush();
    socket->disconnectFromServer();
    if (socket->state() == QLocalSocket::UnconnectedState)
        socket->deleteLater();
}

CanalInstancia::Resposta CanalInstancia::entregar(const QString &acao, int prazoMs)
{
    const QDeadlineTimer prazo(prazoMs);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(caminho());
        if (socket.waitForConnected(restante(prazo)))
            break;
        // A copy still starting holds the lock before it listens.
        if (prazo.hasExpired())
            return {false, socket.errorString()};
        socket.abort();
        QThread::msleep(100);
    }
    socket.write(prefixoPedido + acao.toLatin1() + '\n');
    QByteArray resposta;
    while (!resposta.contains('\n') && resposta.size() <= 4 * tamanhoMaximoPedido) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(restante(prazo)))
            break;
        resposta += socket.read(4 * tamanhoMaximoPedido);
    }
    const int fim = resposta.indexOf('\n');
    if (fim < 0)
        return {false, QStringLiteral("sem resposta da execução aberta")};
    return {true, QString::fromUtf8(resposta.left(fim))};
}
