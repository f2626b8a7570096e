#pragma once

// The C entry points of the Z3_Tef library, as the binding resolves them and as
// the simulated library exports them. Texts are NUL-terminated UTF-8; a returned
// text belongs to the library and stays valid until its next call.
extern "C" {
namespace z3tef {

using GetProdutoTef_t = int (*)();
using SetProdutoTef_t = int (*)(int produto);
using GetClientTCP_t = const char *(*)();
using SetClientTCP_t = const char *(*)(const char *host, int porta);
using IniciarOperacaoTEF_t = const char *(*)(const char *parametros);
using RecuperarOperacaoTEF_t = const char *(*)(const char *parametros);
using RealizarPagamentoTEF_t = const char *(*)(int tipoCartao, const char *dados, int novaTransacao);
using RealizarAdmTEF_t = const char *(*)(int codigo, const char *dados, int novaTransacao);
using RealizarPixTEF_t = const char *(*)(const char *dados, int novaTransacao);
using ConfirmarOperacaoTEF_t = const char *(*)(int sequencial, int acao);
using ConfirmarOperacaoTEF2_t = const char *(*)(const char *transacao, int sequencial, int acao);
using FinalizarOperacaoTEF_t = const char *(*)(int finalizar);
using RealizarColetaPinPad_t = const char *(*)(int opcao, int confirmar);
using ConfirmarCapturaPinPad_t = const char *(*)(int opcao, const char *valor);

} // namespace z3tef
}
