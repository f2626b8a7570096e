#include "backends/Z3_Tef_Library.h"

#include "base/Platform.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

QByteArray copiar(const char *texto)
{
    return texto ? QByteArray(texto) : QByteArray();
}

} // namespace

Z3_Tef_Library::Z3_Tef_Library() = default;

Z3_Tef_Library::~Z3_Tef_Library() = default;

bool Z3_Tef_Library::carregar(const QString &arquivo)
{
    using B = ClosedLibraryBinding;
    return m_binding.load(arquivo, {
                                       B::entry("GetProdutoTef", m_getProdutoTef),
                                       B::entry("SetProdutoTef", m_setProdutoTef),
                                       B::entry("GetClientTCP", m_getClientTCP),
                                       B::entry("SetClientTCP", m_setClientTCP),
                                       B::entry("IniciarOperacaoTEF", m_iniciarOperacaoTEF),
                                       B::entry("RecuperarOperacaoTEF", m_recuperarOperacaoTEF),
                                       B::entry("RealizarPagamentoTEF", m_realizarPagamentoTEF),
                                       B::entry("RealizarAdmTEF", m_realizarAdmTEF),
                                       B::entry("RealizarPixTEF", m_realizarPixTEF),
                                       B::entry("ConfirmarOperacaoTEF", m_confirmarOperacaoTEF),
                                       B::entry("ConfirmarOperacaoTEF2", m_confirmarOperacaoTEF2),
                                       B::entry("FinalizarOperacaoTEF", m_finalizarOperacaoTEF),
                                       B::entry("RealizarColetaPinPad", m_realizarColetaPinPad),
                                       B::entry("ConfirmarCapturaPinPad", m_confirmarCapturaPinPad),
                                   });
}

bool Z3_Tef_Library::carregar()
{
    return carregar(platform::libraryPath(platform::ClosedLibrary::Z3Tef));
}

bool Z3_Tef_Library::descarregar()
{
    return m_binding.unload();
}

bool Z3_Tef_Library::isLoaded() const
{
    return m_binding.isLoaded();
}

QByteArray Z3_Tef_Library::respostaIndisponivel(const char *funcao)
{
    const QJsonObject resposta{
        {QStringLiteral("codigo"), -2},
        {QStringLiteral("mensagem"), ClosedLibraryBinding::unavailable(QStringLiteral("Z3_Tef"), funcao)}};
    return QJsonDocument(resposta).toJson(QJsonDocument::Compact);
}

QByteArray Z3_Tef_Library::setClientTCP(const QByteArray &host, int porta)
{
    if (!m_setClientTCP)
        return respostaIndisponivel("SetClientTCP");
    return copiar(m_setClientTCP(host.constData(), porta));
}

QByteArray Z3_Tef_Library::iniciarOperacaoTEF(const QByteArray &parametros)
{
    if (!m_iniciarOperacaoTEF)
        return respostaIndisponivel("IniciarOperacaoTEF");
    return copiar(m_iniciarOperacaoTEF(parametros.constData()));
}

QByteArray Z3_Tef_Library::finalizarOperacaoTEF(int finalizar)
{
    if (!m_finalizarOperacaoTEF)
        return respostaIndisponivel("FinalizarOperacaoTEF");
    return copiar(m_finalizarOperacaoTEF(finalizar));
}

QByteArray Z3_Tef_Library::realizarPagamentoTEF(int tipoCartao, const QByteArray &dados, int novaTransacao)
{
    if (!m_realizarPagamentoTEF)
        return respostaIndisponivel("RealizarPagamentoTEF");
    return copiar(m_realizarPagamentoTEF(tipoCartao, dados.constData(), novaTransacao));
}

QByteArray Z3_Tef_Library::realizarAdmTEF(int codigo, const QByteArray &dados, int novaTransacao)
{
    if (!m_realizarAdmTEF)
        return respostaIndisponivel("RealizarAdmTEF");
    return copiar(m_realizarAdmTEF(codigo, dados.constData(), novaTransacao));
}

QByteArray Z3_Tef_Library::realizarPixTEF(const QByteArray &dados, int novaTransacao)
{
    if (!m_realizarPixTEF)
        return respostaIndisponivel("RealizarPixTEF");
    return copiar(m_realizarPixTEF(dados.constData(), novaTransacao));
}

QByteArray Z3_Tef_Library::realizarColetaPinPad(int opcao, int confirmar)
{
    if (!m_realizarColetaPinPad)
        return respostaIndisponivel("RealizarColetaPinPad");
    return copiar(m_realizarColetaPinPad(opcao, confirmar));
}

QByteArray Z3_Tef_Library::confirmarOperacaoTEF(int sequencial, int acao)
{
    if (!m_confirmarOperacaoTEF)
        return respostaIndisponivel("ConfirmarOperacaoTEF");
    return copiar(m_confirmarOperacaoTEF(sequencial, acao));
}

QByteArray Z3_Tef_Library::confirmarOperacaoTEF2(const QByteArray &transacao, int sequencial, int acao)
{
    if (!m_confirmarOperacaoTEF2)
        return respostaIndisponivel("ConfirmarOperacaoTEF2");
    return copiar(m_confirmarOperacaoTEF2(transacao.constData(), sequencial, acao));
}
