#include "SingleInstanceGuard.h"

#include "base/Platform.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

QString SingleInstanceGuard::applicationKey()
{
    return QStringLiteral("8d3f6b2a-4c1e-4f7a-9b5d-2e6c0a91f347");
}

QString SingleInstanceGuard::hashKey(const QString &key, const QString &salt)
{
    QByteArray data = key.toUtf8();
    data.append(salt.toUtf8());
    return QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex());
}

QString SingleInstanceGuard::arquivoTrava(const QString &key)
{
    return QDir::tempPath() + QStringLiteral("/z3_") + hashKey(key, QStringLiteral("_lockFile")) +
           QStringLiteral(".lock");
}

qint64 SingleInstanceGuard::pidEmExecucao(const QString &key)
{
    return platform::lockHolder(arquivoTrava(key));
}

SingleInstanceGuard::SingleInstanceGuard(const QString &key) : m_arquivo(arquivoTrava(key)) {}

SingleInstanceGuard::~SingleInstanceGuard()
{
    release();
}

bool SingleInstanceGuard::isAnotherRunning()
{
    if (m_trava >= 0)
        return false;
    const int trava = platform::lockFileExclusive(m_arquivo);
    if (trava < 0)
        return true;
    platform::unlockFile(trava);
    return false;
}

bool SingleInstanceGuard::tryToRun()
{
    if (m_trava < 0)
        m_trava = platform::lockFileExclusive(m_arquivo);
    return m_trava >= 0;
}

bool SingleInstanceGuard::aguardarParaRodar(int prazoMs)
{
    const QDeadlineTimer prazo(prazoMs);
    while (!tryToRun()) {
        if (prazo.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

void SingleInstanceGuard::release()
{
    if (m_trava >= 0)
        platform::unlockFile(m_trava);
    m_trava = -1;
}
