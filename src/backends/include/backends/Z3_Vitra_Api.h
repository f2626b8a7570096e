#pragma once

// The C entry points of the customer display library, as Vitra_Controller
// resolves them and as the simulated library exports them.
extern "C" {
namespace z3vitra {

using InicializaDisplay_t = int (*)();
using AbreConexaoDisplay_t = int (*)(const char *conexao);
using Reinicializar_t = int (*)();
using DesconectarDisplay_t = int (*)();
using ObterVersaoFirmware_t = const char *(*)();
using AlteraEstilo_t = int (*)(const char *estilo);
using ApresentaImagemDisplay_t = int (*)(const char *caminho, int x, int y, int largura);
using ApresentaQrCode_t = int (*)(const char *qrCode, int tamanho, int x, int y);
using ApresentaListaCompras_t = int (*)(const char *descricao, const char *valor);
using CarregaImagemDisplay_t = int (*)(const char *caminho);
using ObtemConexao_t = int (*)();
using InicializaLayoutPagamento_t = int (*)();
using AdicionaFormaPagamento_t = int (*)(const char *forma, const char *valor);
using ApresentaTextoColorido_t = int (*)(const char *texto, int fonte, int tamanho, int x, int y, const char *cor);

} // namespace z3vitra
}
