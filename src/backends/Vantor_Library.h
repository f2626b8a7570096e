#pragma once

#include "backends/Vantor_Api.h"
#include "base/ClosedLibraryBinding.h"

#include <QString>
#include <QStringList>

// Binding of the APITEFVarda library: loads it, resolves its seven entry points
// and carries each dialogue step through the library's buffer safely. An entry
// point that did not resolve is never called: its call answers as failed.
class Vantor_Library
{
public:
    // The size the library is handed at the start of every operation.
    static constexpr int tamanhoInicial = 1024;
    // The buffer offered is this many times the size's value, in bytes.
    static constexpr int fatorBuffer = 10;
    // A size beyond this (a buffer of 16 MiB) is taken for a library fault.
    static constexpr int tamanhoMaximo = 16 * 1024 * 1024 / fatorBuffer;
    // What a call to an entry point that did not resolve answers.
    static constexpr int indisponivel = -2;

    Vantor_Library();
    ~Vantor_Library();
    Vantor_Library(const Vantor_Library &) = delete;
    Vantor_Library &operator=(const Vantor_Library &) = delete;

    bool carregar(const QString &arquivo);
    // Loads the library from where the platform keeps it.
    bool carregar();
    bool descarregar();
    bool isLoaded() const;
    QStringList naoResolvidas() const { return m_binding.unresolved(); }

    int autenticar();
    int iniciarOperacao();
    int confirmarOperacao(int confirmar);
    int finalizarOperacao(int encerramento);

    // Which step function carries the capture JSON.
    enum class Passo { Pagamento, Administrativa, Configuracao };

    // One dialogue step: `captura` goes into a buffer of fatorBuffer times
    // `tamanho` bytes and the library's reply comes back in `resposta`.
    // `tamanho` is what the library left in the size afterwards. False, with
    // the reason in `erro` and without a call, when the text and its NUL do not
    // fit or the entry point is missing; false after the call when the reply
    // has no NUL inside the buffer or the size became unusable.
    bool passo(Passo passo, int codigo, const QString &captura, int &tamanho, QString *resposta, QString *erro);

private:
    ClosedLibraryBinding m_binding{QStringLiteral("Vantor_Library")};

    vantor::Autenticador_t m_autenticador = nullptr;
    vantor::IniciarOperacaoTEF_t m_iniciarOperacao = nullptr;
    vantor::RealizarPagamentoTEF_t m_realizarPagamento = nullptr;
    vantor::RealizarAdmTEF_t m_realizarAdm = nullptr;
    vantor::RealizarConfiguracao_t m_realizarConfiguracao = nullptr;
    vantor::ConfirmarOperacaoTEF_t m_confirmarOperacao = nullptr;
    vantor::FinalizarOperacaoTEF_t m_finalizarOperacao = nullptr;
};
