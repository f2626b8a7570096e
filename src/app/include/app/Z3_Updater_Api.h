#pragma once

// The C entry points of the updater library, as Atualizador resolves them and
// as the simulated library exports them. Returned texts belong to the library.
extern "C" {
namespace z3updater {

using RealizarConfiguracao_t = void (*)(const char *produto, const char *tipo, const char *sistema,
                                        const char *arquitetura, const char *nomeInstalador);
using RealizarVerificacao_t = const char *(*)();
using RealizarDownload_t = const char *(*)(const char *pastaDestino);

} // namespace z3updater
}
