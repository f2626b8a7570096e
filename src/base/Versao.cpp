#include "base/Versao.h"

const char *versaoAplicacao()
{
    return Z3_APP_VERSION;
}
