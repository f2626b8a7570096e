#pragma once

#include <QJsonObject>
#include <QMutex>
#include <QStringList>
#include <QThread>
#include <QWaitCondition>

#include <functional>

// A stand-in for a TEF backend with the same outside: setJsonConfigs() in the
// main thread, start(), one JSON result by responseProcessTEF() from its own
// thread, then finished(). Scriptable: the result it gives, and a hold that
// keeps a transaction running until the test lets it go.
class TestBackend : public QThread
{
    Q_OBJECT
public:
    using Resultado = std::function<QString(const QJsonObject &requisicao)>;

    explicit TestBackend(QObject *parent = nullptr);
    ~TestBackend() override;

    // By default the result echoes the request: {"header":..,"identificacao":..}.
    void setResultado(Resultado resultado);

    // While held, a started transaction waits for liberar() before answering.
    void segurar()
    {
        QMutexLocker l(&m_mutex);
        m_segurar = true;
    }
    void liberar();
    // True while a transaction is inside run(), waiting on the hold.
    bool emEspera() const { return lido(m_emEspera); }

    // Every JSON request received, in order.
    QStringList requisicoes() const { return lido(m_requisicoes); }
    // Transactions run (runs refused while busy not counted).
    int execucoes() const { return lido(m_execucoes); }
    // std::chrono::steady_clock time in nanoseconds just before the last result was emitted.
    qint64 ultimoResultadoNs() const { return lido(m_ultimoResultadoNs); }

    static QString resultadoEco(const QJsonObject &requisicao);

public slots:
    virtual void setJsonConfigs(QString value);
    // The backend's own connections exist on the real backends too.
    void onFinishThread() {}
    void preProcessThread() {}
    void handleSignalCheckbox(bool) {}
    void recebeNSU(QString) {}
    void slotShowWindow() {}
    void slotApresentaMsgError(QString erro) { m_errosMostrados.append(erro); }

public:
    QStringList errosMostrados() const { return m_errosMostrados; }

signals:
    void responseProcessTEF(QString dados);

protected:
    void run() override;

private:
    // A member written by the backend thread, read under the lock.
    template <typename T>
    T lido(const T &membro) const
    {
        QMutexLocker l(&m_mutex);
        return membro;
    }

    mutable QMutex m_mutex;
    QWaitCondition m_liberado;
    bool m_segurar = false;
    bool m_emEspera = false;
    QString m_jsonConfigs;
    QStringList m_requisicoes;
    int m_execucoes = 0;
    qint64 m_ultimoResultadoNs = 0;
    Resultado m_resultado;
    QStringList m_errosMostrados;
};
