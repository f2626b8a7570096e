// The Z3_Tef library's replies and the JSON requests are outside input: every
// reader of them must take any bytes without crashing.
#include "QtLeakSuppression.h"
#include "backends/Z3_Tef_Protocolo.h"
#include "backends/Z3_Tef_VO.h"
#include "base/MascaraColeta.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

void silencio(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("Z3_LOG", QByteArray());
    qputenv("Z3_LOG_PATH", QByteArray());
    qInstallMessageHandler(silencio);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const QJsonObject objeto = QJsonDocument::fromJson(bytes).object();

    Z3_Tef_Protocolo::isColeta(objeto);
    Z3_Tef_Protocolo::isRetornoSucesso(objeto);
    Z3_Tef_Protocolo::isConfirmado(bytes);
    Z3_Tef_Protocolo::criarSequencial(objeto);
    mascaraDaColeta(objeto.value(QStringLiteral("tef")).toObject());

    const Z3_Tef_VO vo = Z3_Tef_VO::fromRequest(objeto);
    vo.jsonIniciarOperacao();
    vo.jsonOperacaoNova();

    const QString texto = QString::fromUtf8(bytes);
    Z3_Tef_Protocolo::requisicaoParaLog(texto);
    Z3_Tef_Protocolo::dadosParaLog(bytes, QStringLiteral("transacao_administracao_senha"));
    if (size < 4096)
        Z3_Tef_Protocolo::formatarValorColetado(texto);
    return 0;
}
