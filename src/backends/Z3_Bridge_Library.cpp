#include "Z3_Bridge_Library.h"

#include "base/Platform.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

QByteArray copiar(const char *texto)
{
    return texto ? QByteArray(texto) : QByteArray();
}

} // namespace

Z3_Bridge_Library::Z3_Bridge_Library() = default;

Z3_Bridge_Library::~Z3_Bridge_Library() = default;

bool Z3_Bridge_Library::carregar(const QString &arquivo)
{
    using B = ClosedLibraryBinding;
    return m_binding.load(arquivo, {
                                       B::entry("GetServer", m_getServer),
                                       B::entry("SetServer", m_setServer),
                                       B::entry("SetSenha", m_setSenha),
                                       B::entry("GetTimeout", m_getTimeout),
                                       B::entry("SetTimeout", m_setTimeout),
                                       B::entry("ConsultarStatus", m_consultarStatus),
                                       B::entry("IniciaVenda", m_iniciaVenda),
                                       B::entry("IniciaVendaDebito", m_iniciaVendaDebito),
                                       B::entry("IniciaVendaCredito", m_iniciaVendaCredito),
                                       B::entry("IniciaCancelamentoVenda", m_iniciaCancelamentoVenda),
                                       B::entry("IniciaOperacaoAdministrativa", m_iniciaOperacaoAdministrativa),
                                   });
}

bool Z3_Bridge_Library::carregar()
{
    return carregar(platform::libraryPath(platform::ClosedLibrary::Bridge));
}

bool Z3_Bridge_Library::descarregar()
{
    return m_binding.unload();
}

bool Z3_Bridge_Library::isLoaded() const
{
    return m_binding.isLoaded();
}

QByteArray Z3_Bridge_Library::respostaIndisponivel(const char *funcao)
{
    const QJsonObject resposta{
        {QStringLiteral("z3_bridge_code"), -2},
        {QStringLiteral("z3_bridge_msg"), ClosedLibraryBinding::unavailable(QStringLiteral("Z3_Bridge"), funcao)}};
    return QJsonDocument(resposta).toJson(QJsonDocument::Compact);
}

QByteArray Z3_Bridge_Library::iniciaVenda(int idTransacao, const QByteArray &pdv, const QByteArray &valorTotal)
{
    if (!m_iniciaVenda)
        return respostaIndisponivel("IniciaVenda");
    return copiar(m_iniciaVenda(idTransacao, pdv.constData(), valorTotal.constData()));
}

QByteArray Z3_Bridge_Library::iniciaVendaDebito(int idTransacao, const QByteArray &pdv, const QByteArray &valorTotal)
{
    if (!m_iniciaVendaDebito)
        return respostaIndisponivel("IniciaVendaDebito");
    return copiar(m_iniciaVendaDebito(idTransacao, pdv.constData(), valorTotal.constData()));
}

QByteArray Z3_Bridge_Library::iniciaVendaCredito(int idTransacao, const QByteArray &pdv, const QByteArray &valorTotal,
                                                 int tipoFinanciamento, int numParcelas)
{
    if (!m_iniciaVendaCredito)
        return respostaIndisponivel("IniciaVendaCredito");
    return copiar(
        m_iniciaVendaCredito(idTransacao, pdv.constData(), valorTotal.constData(), tipoFinanciamento, numParcelas));
}

QByteArray Z3_Bridge_Library::iniciaCancelamentoVenda(int idTransacao, const QByteArray &pdv,
                                                      const QByteArray &valorTotal, const QByteArray &dataHora,
                                                      const QByteArray &nsu)
{
    if (!m_iniciaCancelamentoVenda)
        return respostaIndisponivel("IniciaCancelamentoVenda");
    return copiar(m_iniciaCancelamentoVenda(idTransacao, pdv.constData(), valorTotal.constData(), dataHora.constData(),
                                            nsu.constData()));
}

QByteArray Z3_Bridge_Library::iniciaOperacaoAdministrativa(int idTransacao, const QByteArray &pdv, int operacao)
{
    if (!m_iniciaOperacaoAdministrativa)
        return respostaIndisponivel("IniciaOperacaoAdministrativa");
    return copiar(m_iniciaOperacaoAdministrativa(idTransacao, pdv.constData(), operacao));
}
