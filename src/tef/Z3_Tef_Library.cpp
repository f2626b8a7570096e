#include "tef/Z3_Tef_Library.h"

#include "app/Log.h"
#include "platform/Platform.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLibrary>

namespace {

QByteArray copiar(const char *texto)
{
    return texto ? QByteArray(texto) : QByteArray();
}

} // namespace

Z3_Tef_Library::Z3_Tef_Library() : m_lib(new QLibrary) {}

Z3_Tef_Library::~Z3_Tef_Library()
{
    delete m_lib;
}

template <typename F>
void Z3_Tef_Library::resolver(F &ponteiro, const char *nome)
{
    ponteiro = reinterpret_cast<F>(m_lib->resolve(nome));
    if (!ponteiro) {
        m_naoResolvidas << QString::fromLatin1(nome);
        Log().error(QStringLiteral("[Z3_Tef_Library] Função não encontrada na biblioteca: ") +
                    QString::fromLatin1(nome));
    }
}

void Z3_Tef_Library::limparPonteiros()
{
    m_getProdutoTef = nullptr;
    m_setProdutoTef = nullptr;
    m_getClientTCP = nullptr;
    m_setClientTCP = nullptr;
    m_iniciarOperacaoTEF = nullptr;
    m_recuperarOperacaoTEF = nullptr;
    m_realizarPagamentoTEF = nullptr;
    m_realizarAdmTEF = nullptr;
    m_realizarPixTEF = nullptr;
    m_confirmarOperacaoTEF = nullptr;
    m_confirmarOperacaoTEF2 = nullptr;
    m_finalizarOperacaoTEF = nullptr;
    m_realizarColetaPinPad = nullptr;
    m_confirmarCapturaPinPad = nullptr;
}

bool Z3_Tef_Library::carregar(const QString &arquivo)
{
    limparPonteiros();
    m_naoResolvidas.clear();
    if (!QLibrary::isLibrary(arquivo))
        return false;
    m_lib->setFileName(arquivo);
    if (!m_lib->load())
        return false;
    resolver(m_getProdutoTef, "GetProdutoTef");
    resolver(m_setProdutoTef, "SetProdutoTef");
    resolver(m_getClientTCP, "GetClientTCP");
    resolver(m_setClientTCP, "SetClientTCP");
    resolver(m_iniciarOperacaoTEF, "IniciarOperacaoTEF");
    resolver(m_recuperarOperacaoTEF, "RecuperarOperacaoTEF");
    resolver(m_realizarPagamentoTEF, "RealizarPagamentoTEF");
    resolver(m_realizarAdmTEF, "RealizarAdmTEF");
    resolver(m_realizarPixTEF, "RealizarPixTEF");
    resolver(m_confirmarOperacaoTEF, "ConfirmarOperacaoTEF");
    resolver(m_confirmarOperacaoTEF2, "ConfirmarOperacaoTEF2");
    resolver(m_finalizarOperacaoTEF, "FinalizarOperacaoTEF");
    resolver(m_realizarColetaPinPad, "RealizarColetaPinPad");
    resolver(m_confirmarCapturaPinPad, "ConfirmarCapturaPinPad");
    return true;
}

bool Z3_Tef_Library::carregar()
{
    return carregar(platform::libraryPath(platform::ClosedLibrary::Z3Tef));
}

bool Z3_Tef_Library::descarregar()
{
    limparPonteiros();
    return m_lib->unload();
}

bool Z3_Tef_Library::isLoaded() const
{
    return m_lib->isLoaded();
}

QByteArray Z3_Tef_Library::respostaIndisponivel(const char *funcao)
{
    const QJsonObject resposta{
        {QStringLiteral("codigo"), -2},
        {QStringLiteral("mensagem"),
         QStringLiteral("Função %1 da biblioteca Z3_Tef não está disponível").arg(QString::fromLatin1(funcao))}};
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
