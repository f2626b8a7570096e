#pragma once

#include "app/Log.h"

#include <QJsonArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

// How a tag's JSON value is written into its response field.
enum class ValueKind { Bool = 0, Integer = 1, Text = 2, Lines = 3 };

// One entry of a tag list: JSON member -> response field (a "date|time" pair of
// ids, or a receipt block layout such as "714-000|715-xxx").
struct TagMapping
{
    QString jsonKey;
    QString fieldId;
    ValueKind kind;
};

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

    // One receipt block (laid out as "028-000|029-xxx"), unsorted, not joined.
    QStringList receiptLines(const QString &blockSpec, const QJsonArray &lines);

    const QVector<TagMapping> &tagsBridge() const { return m_tagsBridge; }
    const QVector<TagMapping> &tagsTef() const { return m_tagsTef; }

private:
    QString linha(const QString &campo, const QStringRef &valor) const;
    QString linha(QLatin1String campo, const QStringRef &valor) const;
    QString linha(const QString &campo, const QString &valor) const { return linha(campo, QStringRef(&valor)); }
    QStringList blocoComprovante(const QString &blockSpec, const QStringList &linhas, bool aspas) const;
    QString juntar(QStringList linhas, bool separadorAoFinal) const;

    QString m_formatoLinha;
    QString m_antesCampo;
    QString m_entreCampoValor;
    QString m_depoisValor;
    QString m_separador;
    QVector<TagMapping> m_tagsBridge;
    QVector<TagMapping> m_tagsTef;
    Log m_log;
};
