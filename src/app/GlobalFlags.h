#pragma once

#include <atomic>

// Process-wide state shared by the monitor, the autonomous worker and the
// backend thread. Atomic so the backend thread may read what the GUI thread wrote.
extern std::atomic<bool> tefEmProcessamento;    // a transaction is running
extern std::atomic<bool> atualizacaoSolicitada; // the next backend run is an updater action
extern std::atomic<bool> operacaoAutonoma;      // the running operation was started by the cashier
extern std::atomic<bool> requisicaoJson;        // the request being served came from the JSON file
