#pragma once

// The C entry points of the APITEFVarda library, as the binding resolves them
// and as the simulated library exports them. A step call gets a buffer holding
// the capture JSON (NUL-terminated) and the address of a size whose tenfold is
// the buffer's capacity in bytes; the library overwrites the buffer with the
// next capture JSON, NUL-terminated.
extern "C" {
namespace vantor {

using Autenticador_t = int (*)();
using IniciarOperacaoTEF_t = int (*)();
using RealizarPagamentoTEF_t = void (*)(int tipoPagamento, char *buffer, int *tamanho);
using RealizarAdmTEF_t = void (*)(int operacao, char *buffer, int *tamanho);
using RealizarConfiguracao_t = void (*)(char *buffer, int *tamanho);
using ConfirmarOperacaoTEF_t = int (*)(int confirmar);
using FinalizarOperacaoTEF_t = int (*)(int encerramento);

} // namespace vantor
}
