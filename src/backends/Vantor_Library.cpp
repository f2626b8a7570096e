#include "Vantor_Library.h"

#include "base/Platform.h"

#include <QByteArray>

#include <cstring>
#include <vector>

Vantor_Library::Vantor_Library() = default;

Vantor_Library::~Vantor_Library() = default;

bool Vantor_Library::carregar(const QString &arquivo)
{
    using B = ClosedLibraryBinding;
    return m_binding.load(arquivo, {
                                       B::entry("VardaTEF_Autenticador", m_autenticador),
                                       B::entry("VardaTEF_IniciarOperacaoTEF", m_iniciarOperacao),
                                       B::entry("VardaTEF_RealizarPagamentoTEF", m_realizarPagamento),
                                       B::entry("VardaTEF_RealizarAdmTEF", m_realizarAdm),
                                       B::entry("VardaTEF_RealizarConfiguracao", m_realizarConfiguracao),
                                       B::entry("VardaTEF_ConfirmarOperacaoTEF", m_confirmarOperacao),
                                       B::entry("VardaTEF_FinalizarOperacaoTEF", m_finalizarOperacao),
                                   });
}

bool Vantor_Library::carregar()
{
    return carregar(platform::libraryPath(platform::ClosedLibrary::Vantor));
}

bool Vantor_Library::descarregar()
{
    return m_binding.unload();
}

bool Vantor_Library::isLoaded() const
{
    return m_binding.isLoaded();
}

int Vantor_Library::autenticar()
{
    return m_autenticador ? m_autenticador() : indisponivel;
}

int Vantor_Library::iniciarOperacao()
{
    return m_iniciarOperacao ? m_iniciarOperacao() : indisponivel;
}

int Vantor_Library::confirmarOperacao(int confirmar)
{
    return m_confirmarOperacao ? m_confirmarOperacao(confirmar) : indisponivel;
}

int Vantor_Library::finalizarOperacao(int encerramento)
{
    return m_finalizarOperacao ? m_finalizarOperacao(encerramento) : indisponivel;
}

bool Vantor_Library::passo(Passo passo, int codigo, const QString &captura, int &tamanho, QString *resposta,
                           QString *erro)
{
    const char *funcao = passo == Passo::Pagamento        ? "VardaTEF_RealizarPagamentoTEF"
                         : passo == Passo::Administrativa ? "VardaTEF_RealizarAdmTEF"
                                                          : "VardaTEF_RealizarConfiguracao";
    const bool resolvida = passo == Passo::Pagamento        ? m_realizarPagamento != nullptr
                           : passo == Passo::Administrativa ? m_realizarAdm != nullptr
                                                            : m_realizarConfiguracao != nullptr;
    if (!resolvida) {
        *erro = ClosedLibraryBinding::unavailable(QStringLiteral("APITEFVarda"), funcao);
        return false;
    }
    if (tamanho <= 0 || tamanho > tamanhoMaximo) {
        *erro = QStringLiteral("Tamanho de buffer inválido informado pela biblioteca: %1").arg(tamanho);
        return false;
    }
    const size_t capacidade = static_cast<size_t>(tamanho) * fatorBuffer;
    const QByteArray texto = captura.toUtf8();
    // The text and its NUL must fit: the library reads up to the NUL.
    if (static_cast<size_t>(texto.size()) + 1 > capacidade) {
        *erro = QStringLiteral("Texto de captura com %1 bytes não cabe no buffer de %2 bytes")
                    .arg(texto.size())
                    .arg(capacidade);
        return false;
    }
    std::vector<char> buffer(capacidade, '\0');
    std::memcpy(buffer.data(), texto.constData(), static_cast<size_t>(texto.size()));

    switch (passo) {
    case Passo::Pagamento:
        m_realizarPagamento(codigo, buffer.data(), &tamanho);
        break;
    case Passo::Administrativa:
        m_realizarAdm(codigo, buffer.data(), &tamanho);
        break;
    case Passo::Configuracao:
        m_realizarConfiguracao(buffer.data(), &tamanho);
        break;
    }

    // Read only what lies inside the buffer offered, whatever the size says now.
    const void *fim = std::memchr(buffer.data(), '\0', capacidade);
    if (!fim) {
        *erro = QStringLiteral("Resposta da biblioteca sem terminador no buffer de %1 bytes").arg(capacidade);
        return false;
    }
    // The text goes in as UTF-8 and comes back the same way (the local code page here).
    *resposta = QString::fromUtf8(buffer.data(), static_cast<int>(static_cast<const char *>(fim) - buffer.data()));
    return true;
}
