#pragma once

#include "backends/Z3_Bridge_Api.h"
#include "base/ClosedLibraryBinding.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Binding of the Z3_Bridge library: loads it, resolves its eleven entry points
// and exposes the five the backend calls. A returned text is copied at once and
// never freed. An entry point that did not resolve is never called: the call
// answers a failed reply instead ("z3_bridge_code" -2 and a "z3_bridge_msg"
// naming the entry point), which the backend passes on to the POS.
class Z3_Bridge_Library
{
public:
    Z3_Bridge_Library();
    ~Z3_Bridge_Library();
    Z3_Bridge_Library(const Z3_Bridge_Library &) = delete;
    Z3_Bridge_Library &operator=(const Z3_Bridge_Library &) = delete;

    bool carregar(const QString &arquivo);
    // Loads the library from where the platform keeps it.
    bool carregar();
    bool descarregar();
    bool isLoaded() const;
    QStringList naoResolvidas() const { return m_binding.unresolved(); }

    QByteArray iniciaVenda(int idTransacao, const QByteArray &pdv, const QByteArray &valorTotal);
    QByteArray iniciaVendaDebito(int idTransacao, const QByteArray &pdv, const QByteArray &valorTotal);
    QByteArray iniciaVendaCredito(int idTransacao, const QByteArray &pdv, const QByteArray &valorTotal,
                                  int tipoFinanciamento, int numParcelas);
    QByteArray iniciaCancelamentoVenda(int idTransacao, const QByteArray &pdv, const QByteArray &valorTotal,
                                       const QByteArray &dataHora, const QByteArray &nsu);
    QByteArray iniciaOperacaoAdministrativa(int idTransacao, const QByteArray &pdv, int operacao);

    static QByteArray respostaIndisponivel(const char *funcao);

private:
    ClosedLibraryBinding m_binding{QStringLiteral("Z3_Bridge_Library")};

    // Resolved with the others and kept for completeness; the backend passes no
    // setting to the library.
    z3bridge::GetServer_t m_getServer = nullptr;
    z3bridge::SetServer_t m_setServer = nullptr;
    z3bridge::SetSenha_t m_setSenha = nullptr;
    z3bridge::GetTimeout_t m_getTimeout = nullptr;
    z3bridge::SetTimeout_t m_setTimeout = nullptr;
    z3bridge::ConsultarStatus_t m_consultarStatus = nullptr;

    z3bridge::IniciaVenda_t m_iniciaVenda = nullptr;
    z3bridge::IniciaVendaDebito_t m_iniciaVendaDebito = nullptr;
    z3bridge::IniciaVendaCredito_t m_iniciaVendaCredito = nullptr;
    z3bridge::IniciaCancelamentoVenda_t m_iniciaCancelamentoVenda = nullptr;
    z3bridge::IniciaOperacaoAdministrativa_t m_iniciaOperacaoAdministrativa = nullptr;
};
