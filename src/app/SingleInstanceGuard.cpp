#include "app/SingleInstanceGuard.h"

#include <QCryptographicHash>

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

SingleInstanceGuard::SingleInstanceGuard(const QString &key)
    : m_key(key), m_memLockKey(hashKey(key, QStringLiteral("_memLockKey"))),
      m_sharedmemKey(hashKey(key, QStringLiteral("_sharedmemKey"))), m_sharedMem(m_sharedmemKey),
      m_memLock(m_memLockKey, 1, QSystemSemaphore::Open)
{
    // On Unix a segment outlives a copy that was killed; attaching and detaching
    // once removes it when nobody else is attached.
    m_memLock.acquire();
    {
        QSharedMemory fix(m_sharedmemKey);
        fix.attach();
    }
    m_memLock.release();
}

SingleInstanceGuard::~SingleInstanceGuard()
{
    release();
}

bool SingleInstanceGuard::isAnotherRunning()
{
    if (m_sharedMem.isAttached())
        return false;
    m_memLock.acquire();
    const bool isRunning = m_sharedMem.attach();
    if (isRunning)
        m_sharedMem.detach();
    m_memLock.release();
    return isRunning;
}

bool SingleInstanceGuard::tryToRun()
{
    if (isAnotherRunning())
        return false;
    m_memLock.acquire();
    const bool result = m_sharedMem.create(8, QSharedMemory::ReadWrite);
    m_memLock.release();
    if (!result) {
        release();
        return false;
    }
    return true;
}

void SingleInstanceGuard::release()
{
    m_memLock.acquire();
    if (m_sharedMem.isAttached())
        m_sharedMem.detach();
    m_memLock.release();
}
