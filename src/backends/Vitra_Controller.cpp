#include "backends/Vitra_Controller.h"

#include "backends/Z3_Tef_Protocolo.h"
#include "base/Platform.h"

Vitra_Controller::Vitra_Controller(bool habilitado) : m_habilitado(habilitado)
{
    if (!m_habilitado)
        return;
    using B = ClosedLibraryBinding;
    const bool carregada = m_binding.load(platform::libraryPath(platform::ClosedLibrary::Vitra),
                                          {
                                              B::entry("InicializaDisplay", m_inicializaDisplay),
                                              B::entry("AbreConexaoDisplay", m_abreConexaoDisplay),
                                              B::entry("Reinicializar", m_reinicializar),
                                              B::entry("DesconectarDisplay", m_desconectarDisplay),
                                              B::entry("ObterVersaoFirmware", m_obterVersaoFirmware),
                                              B::entry("AlteraEstilo", m_alteraEstilo),
                                              B::entry("ApresentaImagemDisplay", m_apresentaImagemDisplay),
                                              B::entry("ApresentaQrCode", m_apresentaQrCode),
                                              B::entry("ApresentaListaCompras", m_apresentaListaCompras),
                                              B::entry("CarregaImagemDisplay", m_carregaImagemDisplay),
                                              B::entry("ObtemConexao", m_obtemConexao),
                                              B::entry("InicializaLayoutPagamento", m_inicializaLayoutPagamento),
                                              B::entry("AdicionaFormaPagamento", m_adicionaFormaPagamento),
                                              B::entry("ApresentaTextoColorido", m_apresentaTextoColorido),
                                          });
    if (!carregada)
        m_log.error("[Vitra_Controller] Erro ao carregar a biblioteca do Z3_Vitra");
}

Vitra_Controller::~Vitra_Controller()
{
    if (m_habilitado && !m_binding.unload())
        m_log.error("[Vitra_Controller] Falha ao liberar biblioteca Vitra");
}

bool Vitra_Controller::isHabilitado() const
{
    return m_habilitado;
}

bool Vitra_Controller::abrir()
{
    if (!m_abreConexaoDisplay) {
        m_log.info("Não foi possível executar AbreConexaoVitra");
        return false;
    }
    const int resultado = m_abreConexaoDisplay("");
    if (resultado != 0) {
        m_log.info("Não foi possível abrir comunicação: ", resultado);
        return false;
    }
    if (!m_inicializaDisplay)
        m_log.info("Não foi possível executar Inicializar");
    else
        m_inicializaDisplay();
    return true;
}

bool Vitra_Controller::fechar()
{
    if (!m_desconectarDisplay) {
        m_log.info("Não foi possível executar DesconectarVitra");
        return false;
    }
    m_desconectarDisplay();
    return true;
}

bool Vitra_Controller::apresentaQRCode(const QString &qrCode, const QString &valor)
{
    if (!abrir())
        return false;
    if (!m_apresentaQrCode)
        m_log.info("Não foi possível executar a operação ApresentaQRCode Vitra");
    else
        m_apresentaQrCode(qrCode.toLatin1().constData(), 200, 140, 60);
    if (m_apresentaTextoColorido) {
        m_apresentaTextoColorido("Abra o app do seu banco,\nescolha PAGAR COM QRCODE e\nrealize o pagamento.", 1, 22,
                                 30, 5, "#000000");
        // The amount usually arrives formatted as currency: the customer sees one "R$".
        m_apresentaTextoColorido(
            (QStringLiteral("Valor:R$ ") + Z3_Tef_Protocolo::semSimboloMoeda(valor)).toUtf8().constData(), 2, 22, 370,
            60, "#000000");
    }
    return fechar();
}

bool Vitra_Controller::limpaDisplay()
{
    if (!abrir())
        return false;
    return fechar();
}

bool Vitra_Controller::apresentaMensagem(QString texto)
{
    if (texto.isEmpty())
        return false;
    if (texto.size() > 19)
        texto.insert(19, QLatin1Char('\n'));
    if (!abrir())
        return false;
    if (m_apresentaTextoColorido)
        m_apresentaTextoColorido(texto.toUtf8().constData(), 2, 25, 200, 20, "#000000");
    return fechar();
}
