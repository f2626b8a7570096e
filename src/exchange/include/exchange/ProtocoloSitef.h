#pragma once

#include "base/ConfigTefSnapshot.h"
#include "exchange/RequisicaoSitef.h"
#include "exchange/TagMapping.h"
#include "exchange/Vantor_Conversor.h"
#include "exchange/Z3_Bridge_Conversor.h"
#include "exchange/Z3_Tef_Conversor.h"

#include <QJsonArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

// Converts between the key-number file format of the point-of-sale software
// and the JSON texts the backends read and write. Each user keeps its own instance;
// the work is done by the request parser and one converter per TEF product.
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

    // One receipt block (laid out as "028-000|029-xxx"), unsorted, not joined.
    QStringList receiptLines(const QString &blockSpec, const QJsonArray &lines);

    const QVector<TagMapping> &tagsBridge() const { return Z3_Bridge_Conversor::tags(); }
    const QVector<TagMapping> &tagsTef() const { return Z3_Tef_Conversor::tags(); }

private:
    ConfigTefSnapshot m_config;
    RequisicaoSitef m_requisicao;
    Vantor_Conversor m_vantor;
    Z3_Bridge_Conversor m_bridge;
    Z3_Tef_Conversor m_tef;
};
