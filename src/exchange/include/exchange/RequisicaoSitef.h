#pragma once

#include "base/Log.h"

#include <QString>
#include <QStringRef>

// The point of sale's key-number request file -> the JSON request the backends read.
// Fields are taken by a table, each judged against the operation read so far.
class RequisicaoSitef
{
public:
    // Whole request file text -> compact JSON request; problems go into "msg_erro".
    QString paraJson(const QString &request) const;

    // Blanks, tabs and "\r" trimmed at both ends, inner runs made one blank. Most keys
    // and values need nothing but the trim: the trimmed input itself is returned then,
    // and a simplified copy, kept in `copia`, only when needed.
    static QStringRef simplificado(const QStringRef &texto, QString *copia);

private:
    Log m_log;
};
