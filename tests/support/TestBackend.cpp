#include "TestBackend.h"

#include "app/GlobalFlags.h"

#include <QJsonDocument>

#include <chrono>

TestBackend::TestBackend(QObject *parent) : QThread(parent), m_resultado(&TestBackend::resultadoEco) {}

TestBackend::~TestBackend()
{
    liberar();
    wait();
}

QString TestBackend::resultadoEco(const QJsonObject &requisicao)
{
    const QJsonObject r{{"header", requisicao.value("header")},
                        {"identificacao", requisicao.value("parametros").toObject().value("identificacao")},
                        {"requer_confirmacao", "0"}};
    return QString::fromUtf8(QJsonDocument(r).toJson(QJsonDocument::Compact));
}

void TestBackend::setResultado(Resultado resultado)
{
    QMutexLocker lock(&m_mutex);
    m_resultado = std::move(resultado);
}

void TestBackend::liberar()
{
    QMutexLocker lock(&m_mutex);
    m_segurar = false;
    m_liberado.wakeAll();
}

void TestBackend::setJsonConfigs(QString value)
{
    QMutexLocker lock(&m_mutex);
    m_jsonConfigs = value;
    m_requisicoes.append(value);
}

void TestBackend::run()
{
    // One transaction at a time, as the real backends do.
    if (tefEmProcessamento.exchange(true))
        return;

    QMutexLocker lock(&m_mutex);
    ++m_execucoes;
    m_emEspera = true;
    while (m_segurar)
        m_liberado.wait(&m_mutex);
    m_emEspera = false;
    const QJsonObject requisicao = QJsonDocument::fromJson(m_jsonConfigs.toUtf8()).object();
    const QString resultado = m_resultado(requisicao);
    m_ultimoResultadoNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    lock.unlock();
    emit responseProcessTEF(resultado);
}
