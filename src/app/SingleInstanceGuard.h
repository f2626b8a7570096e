#pragma once

#include <QString>

// Keeps a second copy of the program from running: a copy holds an exclusive
// lock on a file named after the key for as long as it runs. The system drops
// the lock when the process ends however it ends, so a copy that was killed
// never keeps the next one out, and nothing is left to clean up.
class SingleInstanceGuard
{
public:
    explicit SingleInstanceGuard(const QString &key);
    ~SingleInstanceGuard();

    SingleInstanceGuard(const SingleInstanceGuard &) = delete;
    SingleInstanceGuard &operator=(const SingleInstanceGuard &) = delete;

    bool isAnotherRunning();
    bool tryToRun();
    // Tries again until the lock is free or `prazoMs` passes.
    bool aguardarParaRodar(int prazoMs);
    void release();

    static QString hashKey(const QString &key, const QString &salt);
    static QString applicationKey();
    // The copy that holds the lock, seen without taking it (support's status
    // query): its process id, 0 when none runs, -1 when the system cannot tell.
    static qint64 pidEmExecucao(const QString &key);

private:
    static QString arquivoTrava(const QString &key);

    const QString m_arquivo;
    int m_trava = -1; // the locked file's handle while this copy runs
};
