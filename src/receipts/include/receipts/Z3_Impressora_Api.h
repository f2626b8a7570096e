#pragma once

// The C entry points of the receipt printer library, as ImpressaoRecibo resolves
// them and as the simulated library exports them.
extern "C" {
namespace z3impressora {

using AbreConexaoImpressora_t = int (*)(int tipo, const char *modelo, const char *conexao, int parametro);
using ImpressaoTexto_t = int (*)(const char *dados, int posicao, int estilo, int tamanho);
using FechaConexaoImpressora_t = int (*)();
using Corte_t = int (*)(int avanco);

} // namespace z3impressora
}
