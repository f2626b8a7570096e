#pragma once

#include "nucleo/DialogoTef.h"

#include <QJsonObject>
#include <QMutex>
#include <QStringList>
#include <QWaitCondition>

#include <functional>

// A stand-in for a TEF product's library dialogue, driven by the real
// transaction core: one JSON result per transaction, scriptable, and a hold
// that keeps a transaction running until the test lets it go.
class TestBackend : public DialogoTef
{
public:
    using Resultado = std::function<QString(const QJsonObject &requisicao)>;

    TestBackend();
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
    // True while a transaction is inside ProcessaTEF, waiting on the hold.
    bool emEspera() const { return lido(m_emEspera); }

    // Every JSON request the core handed over, in order.
    QStringList requisicoes() const { return lido(m_requisicoes); }
    // Requests handed over (transactions, refusals, ATV, CNF and NCN alike).
    int execucoes() const { return lido(m_requisicoes).size(); }
    // std::chrono::steady_clock time in nanoseconds just before the last result was made.
    qint64 ultimoResultadoNs() const { return lido(m_ultimoResultadoNs); }

    static QString resultadoEco(const QJsonObject &requisicao);

    QString nomeBiblioteca() const override { return QStringLiteral("de teste"); }
    bool bibliotecaCarregada() const override { return true; }
    void setJsonConfigs(const Requisicao &requisicao) override;
    Desfecho ProcessaTEF() override;
    bool confirmar(const SequencialInfo &) override { return true; }
    bool desfazer(const SequencialInfo &) override { return true; }
    QJsonObject resultadoSemTransacao() const override;
    QJsonObject resultadoDeFalha(Falha falha, const QString &mensagem) const override;
    void mostrarFalha(const QString &, const QString &) override {}
    void ocultarJanela() override {}
    void avisarNaoResolvida(const QString &, const QString &) override {}
    void encerrarDialogo() override { liberar(); }

private:
    // A member written by the transaction thread, read under the lock.
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
    QJsonObject m_requisicao;
    QStringList m_requisicoes;
    qint64 m_ultimoResultadoNs = 0;
    Resultado m_resultado;
};
