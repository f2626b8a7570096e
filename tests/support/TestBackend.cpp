#include "TestBackend.h"

#include <QJsonDocument>

#include <chrono>

TestBackend::TestBackend() : m_resultado(&TestBackend::resultadoEco) {}

TestBackend::~TestBackend()
{
    liberar();
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

void TestBackend::setJsonConfigs(const Requisicao &requisicao)
{
    QMutexLocker lock(&m_mutex);
    m_requisicao = requisicao.objeto();
    m_requisicoes.append(requisicao.json);
}

Desfecho TestBackend::ProcessaTEF()
{
    QMutexLocker lock(&m_mutex);
    m_emEspera = true;
    while (m_segurar)
        m_liberado.wait(&m_mutex);
    m_emEspera = false;
    const QString resultado = m_resultado(m_requisicao);
    m_ultimoResultadoNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    Desfecho d;
    d.resultado = QJsonDocument::fromJson(resultado.toUtf8()).object();
    return d;
}

QJsonObject TestBackend::resultadoSemTransacao() const
{
    QMutexLocker lock(&m_mutex);
    return QJsonDocument::fromJson(resultadoEco(m_requisicao).toUtf8()).object();
}

QJsonObject TestBackend::resultadoDeFalha(Falha, const QString &mensagem) const
{
    QJsonObject r = resultadoSemTransacao();
    r.insert("erro", mensagem);
    return r;
}
