#include "exchange/ProtocoloSitef.h"

// Placeholder bodies: the conversions are filled in with their own change.

ProtocoloSitef::ProtocoloSitef(QObject *parent) : QObject(parent) {}

QString ProtocoloSitef::requestToJson(const QString &)
{
    return QString();
}

QString ProtocoloSitef::vantorResultToResponse(const QString &)
{
    return QString();
}

QString ProtocoloSitef::bridgeResultToResponse(const QString &)
{
    return QString();
}

QString ProtocoloSitef::tefResultToResponse(const QString &)
{
    return QString();
}

QStringList ProtocoloSitef::receiptLines(const QString &, const QJsonArray &)
{
    return QStringList();
}
