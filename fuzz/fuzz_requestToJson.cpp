#include "FuzzSetup.h"
#include "exchange/ProtocoloSitef.h"

#include <QJsonDocument>
#include <QJsonObject>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzzsetup::preparar(argc, argv);
    return 0;
}

// Whatever the request file holds, the backends get a JSON object with "parametros"
// and, when anything is wrong, "msg_erro".
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ProtocoloSitef protocolo;
    const QString json = protocolo.requestToJson(fuzzsetup::texto(data, size));
    const QJsonObject doc = QJsonDocument::fromJson(json.toUtf8()).object();
    if (!doc.value(QStringLiteral("parametros")).isObject())
        std::abort();
    if (!doc.contains(QStringLiteral("header")) && !doc.contains(QStringLiteral("msg_erro")))
        std::abort();
    return 0;
}
