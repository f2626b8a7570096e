#pragma once

#include "backends/Z3_Tef_Api.h"
#include "base/ClosedLibraryBinding.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Binding of the Z3_Tef library: loads it, resolves every entry point and
// exposes typed calls. A returned text is copied at once and never freed. An
// entry point that did not resolve is never called: the call answers a failed
// reply instead ("codigo" -2 and a "mensagem" naming the entry point), so the
// flow reports the failure to the POS rather than crashing or waiting.
class Z3_Tef_Library
{
public:
    Z3_Tef_Library();
    ~Z3_Tef_Library();
    Z3_Tef_Library(const Z3_Tef_Library &) = delete;
    Z3_Tef_Library &operator=(const Z3_Tef_Library &) = delete;

    // Loads the file and resolves the fourteen entry points; false when it is
    // not a library or does not load.
    bool carregar(const QString &arquivo);
    // Loads the library from where the platform keeps it.
    bool carregar();
    bool descarregar();
    bool isLoaded() const;
    // Exported names that did not resolve at the last load.
    QStringList naoResolvidas() const { return m_binding.unresolved(); }

    QByteArray setClientTCP(const QByteArray &host, int porta);
    QByteArray iniciarOperacaoTEF(const QByteArray &parametros);
    QByteArray finalizarOperacaoTEF(int finalizar);
    QByteArray realizarPagamentoTEF(int tipoCartao, const QByteArray &dados, int novaTransacao);
    QByteArray realizarAdmTEF(int codigo, const QByteArray &dados, int novaTransacao);
    QByteArray realizarPixTEF(const QByteArray &dados, int novaTransacao);
    QByteArray realizarColetaPinPad(int opcao, int confirmar);
    QByteArray confirmarOperacaoTEF(int sequencial, int acao);
    QByteArray confirmarOperacaoTEF2(const QByteArray &transacao, int sequencial, int acao);

    // The reply a call gives when its entry point is not available.
    static QByteArray respostaIndisponivel(const char *funcao);

private:
    ClosedLibraryBinding m_binding{QStringLiteral("Z3_Tef_Library")};

    z3tef::GetProdutoTef_t m_getProdutoTef = nullptr;
    z3tef::SetProdutoTef_t m_setProdutoTef = nullptr;
    z3tef::GetClientTCP_t m_getClientTCP = nullptr;
    z3tef::SetClientTCP_t m_setClientTCP = nullptr;
    z3tef::IniciarOperacaoTEF_t m_iniciarOperacaoTEF = nullptr;
    z3tef::RecuperarOperacaoTEF_t m_recuperarOperacaoTEF = nullptr;
    z3tef::RealizarPagamentoTEF_t m_realizarPagamentoTEF = nullptr;
    z3tef::RealizarAdmTEF_t m_realizarAdmTEF = nullptr;
    z3tef::RealizarPixTEF_t m_realizarPixTEF = nullptr;
    z3tef::ConfirmarOperacaoTEF_t m_confirmarOperacaoTEF = nullptr;
    z3tef::ConfirmarOperacaoTEF2_t m_confirmarOperacaoTEF2 = nullptr;
    z3tef::FinalizarOperacaoTEF_t m_finalizarOperacaoTEF = nullptr;
    z3tef::RealizarColetaPinPad_t m_realizarColetaPinPad = nullptr;
    z3tef::ConfirmarCapturaPinPad_t m_confirmarCapturaPinPad = nullptr;
};
