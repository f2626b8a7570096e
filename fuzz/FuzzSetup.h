#pragma once

#include "QtLeakSuppression.h"
#include "base/ConfigTef.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdlib>

namespace fuzzsetup {

// The converters take their receipt options from config_tef.json beside the executable: give them
// one with quoted receipts and both receipt blocks, no log file and exchange folders
// under the temporary folder. Qt's own messages are dropped to keep the runs fast.
inline void preparar(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const QString pasta = QDir::tempPath() + QStringLiteral("/z3_fuzz");
    ConfigTef config;
    QJsonObject o = config.configuracao();
    o.insert(QStringLiteral("log"), 0);
    o.insert(QStringLiteral("path_in"), pasta + QStringLiteral("/Req"));
    o.insert(QStringLiteral("path_out"), pasta + QStringLiteral("/Resp"));
    o.insert(QStringLiteral("aspas_comprovante"), 1);
    o.insert(QStringLiteral("tag_comprovante"), 0);
    o.insert(QStringLiteral("tag_028_001"), 1);
    config.salvar(o);
    qunsetenv("Z3_LOG");
    qunsetenv("Z3_LOG_PATH");
}

inline QString texto(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<int>(size));
}

// A response is empty or made of "NNN-NNN = value" lines; a line break inside a value
// would let a result forge a field.
inline void verificarResposta(const QString &resposta, bool separadorAoFinal)
{
    if (resposta.isEmpty())
        return;
    const QString fim = separadorAoFinal ? QStringLiteral("999-999 = 0\r\n") : QStringLiteral("999-999 = 0");
    if (!resposta.endsWith(fim))
        std::abort();
    const QStringList linhas = resposta.split(QStringLiteral("\r\n"));
    for (int i = 0; i < linhas.size(); ++i) {
        const QString &l = linhas.at(i);
        if (separadorAoFinal && i == linhas.size() - 1 && l.isEmpty())
            continue;
        if (l.contains(QLatin1Char('\n')) || l.size() < 10 || l.at(3) != QLatin1Char('-'))
            std::abort();
        int j = 4;
        while (j < l.size() && l.at(j).isDigit())
            ++j;
        if (j < 7 || !l.midRef(j).startsWith(QLatin1String(" = ")))
            std::abort();
    }
}

} // namespace fuzzsetup
