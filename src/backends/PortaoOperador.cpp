#include "backends/PortaoOperador.h"

#include <QMutexLocker>

RespostaOperador PortaoOperador::fechar(int opcoes)
{
    QMutexLocker lock(&m_mutex);
    const RespostaOperador anterior = m_estado == Estado::Respondido ? m_resposta : RespostaOperador();
    m_estado = Estado::Aguardando;
    m_resposta = RespostaOperador();
    m_opcoes = opcoes;
    return anterior;
}

RespostaOperador PortaoOperador::aguardar()
{
    QMutexLocker lock(&m_mutex);
    if (m_estado == Estado::Aberto)
        return RespostaOperador();
    m_emEspera = true;
    while (m_estado == Estado::Aguardando && !m_encerrado)
        m_condicao.wait(&m_mutex);
    m_emEspera = false;
    const RespostaOperador resposta = m_estado == Estado::Respondido ? m_resposta : RespostaOperador::cancelar();
    m_estado = Estado::Aberto;
    m_resposta = RespostaOperador();
    return resposta;
}

RespostaOperador PortaoOperador::recolher()
{
    QMutexLocker lock(&m_mutex);
    if (m_estado == Estado::Aberto)
        return RespostaOperador();
    if (m_estado == Estado::Aguardando && !m_encerrado)
        return RespostaOperador();
    const RespostaOperador resposta = m_estado == Estado::Respondido ? m_resposta : RespostaOperador::cancelar();
    m_estado = Estado::Aberto;
    m_resposta = RespostaOperador();
    return resposta;
}

RespostaOperador PortaoOperador::retirar()
{
    QMutexLocker lock(&m_mutex);
    const RespostaOperador resposta = m_estado == Estado::Respondido ? m_resposta : RespostaOperador();
    m_estado = Estado::Aberto;
    m_resposta = RespostaOperador();
    return resposta;
}

bool PortaoOperador::responder(const RespostaOperador &resposta)
{
    {
        QMutexLocker lock(&m_mutex);
        // Once the program is ending, a late click must not start more work.
        if (m_estado != Estado::Aguardando || m_encerrado)
            return false;
        m_resposta = resposta;
        m_estado = Estado::Respondido;
    }
    m_condicao.wakeAll();
    return true;
}

bool PortaoOperador::aguardando()
{
    QMutexLocker lock(&m_mutex);
    return m_estado == Estado::Aguardando && !m_encerrado;
}

bool PortaoOperador::emEspera()
{
    QMutexLocker lock(&m_mutex);
    return m_emEspera && m_estado == Estado::Aguardando && !m_encerrado;
}

bool PortaoOperador::opcaoOferecida(int indice)
{
    QMutexLocker lock(&m_mutex);
    return m_opcoes == qualquerOpcao || (indice >= 0 && indice < m_opcoes);
}

void PortaoOperador::encerrar()
{
    {
        QMutexLocker lock(&m_mutex);
        m_encerrado = true;
    }
    m_condicao.wakeAll();
}
