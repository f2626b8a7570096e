#include "app/GlobalFlags.h"

std::atomic<bool> tefEmProcessamento{false};
std::atomic<bool> atualizacaoSolicitada{false};
std::atomic<bool> operacaoAutonoma{false};
std::atomic<bool> requisicaoJson{false};
