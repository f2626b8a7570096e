#pragma once

#include <QJsonArray>
#include <QObject>
#include <QString>
#include <QStringList>

// Converts between the key-number file format of the point-of-sale software
// and the JSON texts the backends read and write. Each user keeps its own instance.
class ProtocoloSitef : public QObject
{
    Q_OBJECT
public:
    explicit ProtocoloSitef(QObject *parent = nullptr);

    // Whole request file text -> compact JSON request; problems go into "msg_erro".
    QString requestToJson(const QString &request);

    // JSON results -> key-number response texts; empty (or null) for unreadable input.
    QString vantorResultToResponse(const QString &result);
    QString bridgeResultToResponse(const QString &result);
    QString tefResultToResponse(const QString &result);

    // One receipt block ("028-000|029-xxx" style spec), unsorted, not joined.
    QStringList receiptLines(const QString &blockSpec, const QJsonArray &lines);
};
