#pragma once

#include "backends/Z3_Vitra_Api.h"
#include "base/ClosedLibraryBinding.h"
#include "base/Log.h"

#include <QString>

// The optional customer display ("vitra" 1 in the settings, read at start-up).
// Each action connects, initialises, draws and disconnects again; the
// connection is never kept between actions.
class Vitra_Controller
{
public:
    explicit Vitra_Controller(bool habilitado);
    ~Vitra_Controller();
    Vitra_Controller(const Vitra_Controller &) = delete;
    Vitra_Controller &operator=(const Vitra_Controller &) = delete;

    bool isHabilitado() const;
    bool apresentaQRCode(const QString &qrCode, const QString &valor);
    bool limpaDisplay();
    bool apresentaMensagem(QString texto);

private:
    bool abrir();
    bool fechar();

    const bool m_habilitado;
    ClosedLibraryBinding m_binding{QStringLiteral("Vitra_Controller")};
    Log m_log;

    z3vitra::InicializaDisplay_t m_inicializaDisplay = nullptr;
    z3vitra::AbreConexaoDisplay_t m_abreConexaoDisplay = nullptr;
    z3vitra::Reinicializar_t m_reinicializar = nullptr;
    z3vitra::DesconectarDisplay_t m_desconectarDisplay = nullptr;
    z3vitra::ObterVersaoFirmware_t m_obterVersaoFirmware = nullptr;
    z3vitra::AlteraEstilo_t m_alteraEstilo = nullptr;
    z3vitra::ApresentaImagemDisplay_t m_apresentaImagemDisplay = nullptr;
    z3vitra::ApresentaQrCode_t m_apresentaQrCode = nullptr;
    z3vitra::ApresentaListaCompras_t m_apresentaListaCompras = nullptr;
    z3vitra::CarregaImagemDisplay_t m_carregaImagemDisplay = nullptr;
    z3vitra::ObtemConexao_t m_obtemConexao = nullptr;
    z3vitra::InicializaLayoutPagamento_t m_inicializaLayoutPagamento = nullptr;
    z3vitra::AdicionaFormaPagamento_t m_adicionaFormaPagamento = nullptr;
    z3vitra::ApresentaTextoColorido_t m_apresentaTextoColorido = nullptr;
};
