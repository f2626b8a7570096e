#include "nucleo/Ocupacao.h"

#include <QMutexLocker>

bool Ocupacao::reservar(Dono quem)
{
    QMutexLocker lock(&m_mutex);
    if (m_dono != quem && (m_dono != Dono::Ninguem || m_fechada))
        return false;
    m_dono = quem;
    return true;
}

void Ocupacao::liberar(Dono quem)
{
    {
        QMutexLocker lock(&m_mutex);
        if (m_dono != quem)
            return;
        m_dono = Dono::Ninguem;
    }
    emit liberada(quem);
}

Ocupacao::Dono Ocupacao::dono() const
{
    QMutexLocker lock(&m_mutex);
    return m_dono;
}

void Ocupacao::fechar()
{
    QMutexLocker lock(&m_mutex);
    m_fechada = true;
}

bool Ocupacao::fechada() const
{
    QMutexLocker lock(&m_mutex);
    return m_fechada;
}
