#include "TestJournal.h"

#include "TestSupport.h"
#include "tef/DiarioTransacoes.h"

#include <QFile>

namespace testsupport {

bool removeJournal()
{
    QFile::remove(DiarioTransacoes::arquivoAoLadoDe(configPath()));
    return true;
}

} // namespace testsupport
