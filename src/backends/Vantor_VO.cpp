#include "backends/Vantor_VO.h"

#include <QJsonDocument>

Vantor_VO Vantor_VO::fromRequest(const QJsonObject &request)
{
    const QJsonObject parametros = request.value(QStringLiteral("parametros")).toObject();
    Vantor_VO vo;
    vo.setId(parametros.value(QStringLiteral("identificacao")).toString().toInt());
    vo.setHeader(request.value(QStringLiteral("header")).toString());
    vo.setDocumentoFiscalVinculado(parametros.value(QStringLiteral("documento")).toString());
    return vo;
}

QString Vantor_VO::texto() const
{
    return QString::fromUtf8(QJsonDocument(m_json).toJson(QJsonDocument::Compact));
}
