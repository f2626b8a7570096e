#pragma once

// The C entry points of the Z3_Bridge library, as the binding resolves them and
// as the simulated library exports them. Texts are NUL-terminated UTF-8; a
// returned text belongs to the library and stays valid until its next call.
extern "C" {
namespace z3bridge {

using GetServer_t = const char *(*)();
using SetServer_t = const char *(*)(const char *servidor);
using SetSenha_t = const char *(*)(const char *senha);
using GetTimeout_t = int (*)();
using SetTimeout_t = const char *(*)(int segundos);
using ConsultarStatus_t = const char *(*)();
using IniciaVenda_t = const char *(*)(int idTransacao, const char *pdv, const char *valorTotal);
using IniciaVendaDebito_t = const char *(*)(int idTransacao, const char *pdv, const char *valorTotal);
using IniciaVendaCredito_t = const char *(*)(int idTransacao, const char *pdv, const char *valorTotal,
                                             int tipoFinanciamento, int numParcelas);
using IniciaCancelamentoVenda_t = const char *(*)(int idTransacao, const char *pdv, const char *valorTotal,
                                                  const char *dataHora, const char *nsu);
using IniciaOperacaoAdministrativa_t = const char *(*)(int idTransacao, const char *pdv, int operacao);

} // namespace z3bridge
}
