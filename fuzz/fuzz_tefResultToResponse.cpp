#include "FuzzSetup.h"
#include "exchange/ProtocoloSitef.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzzsetup::preparar(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ProtocoloSitef protocolo;
    fuzzsetup::verificarResposta(protocolo.tefResultToResponse(fuzzsetup::texto(data, size)), false);
    return 0;
}
