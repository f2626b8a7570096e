#pragma once

#include <QSharedMemory>
#include <QString>
#include <QSystemSemaphore>

// Keeps a second copy of the program from running: an 8-byte named segment
// exists while a copy runs; a named semaphore guards the attach and create steps.
class SingleInstanceGuard
{
public:
    explicit SingleInstanceGuard(const QString &key);
    ~SingleInstanceGuard();

    SingleInstanceGuard(const SingleInstanceGuard &) = delete;
    SingleInstanceGuard &operator=(const SingleInstanceGuard &) = delete;

    bool isAnotherRunning();
    bool tryToRun();
    void release();

    static QString hashKey(const QString &key, const QString &salt);
    static QString applicationKey();

private:
    const QString m_key;
    const QString m_memLockKey;
    const QString m_sharedmemKey;
    QSharedMemory m_sharedMem;
    QSystemSemaphore m_memLock;
};
