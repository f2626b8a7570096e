#pragma once

#include "TestSupport.h"
#include "nucleo/DiarioTransacoes.h"

#include <QFile>

namespace testsupport {

// Removes the transaction journal beside the application folder's configuration,
// so that a new Z3_Tef controller recovers nothing a previous test left; always true.
inline bool removeJournal()
{
    return QFile::remove(DiarioTransacoes::arquivoAoLadoDe(configPath())) || true;
}

} // namespace testsupport
