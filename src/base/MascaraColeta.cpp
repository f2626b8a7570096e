#include "base/MascaraColeta.h"

#include "base/Log.h"

QString mascaraDaColeta(const QJsonObject &tef)
{
    const QString origem = QStringLiteral("mascaraDaColeta");
    const QString tipo = tef.value(QStringLiteral("automacao_coleta_tipo")).toString();
    const QString mascara = tef.value(QStringLiteral("automacao_coleta_mascara")).toString();
    Log::trace(QtInfoMsg, origem, QStringLiteral("Entrou na função. Parâmetros: [%1] [%2]").arg(tipo, mascara));

    static const struct
    {
        const char *formato;
        const char *mascara;
    } formatos[] = {
        {"MM/yy", "99/99;_"},
        {"dd/MM/yy", "99/99/99;_"},
        {"dd/MM/yyyy", "99/99/9999;_"},
    };
    QString resultado;
    if (!tipo.isEmpty()) {
        if (mascara.isEmpty()) {
            if (tipo == QLatin1String("D"))
                resultado = QStringLiteral("99/99/99;_");
        } else {
            for (const auto &f : formatos)
                if (mascara == QLatin1String(f.formato))
                    resultado = QString::fromLatin1(f.mascara);
        }
    }
    Log::trace(QtInfoMsg, origem, QStringLiteral("Final da função. Retorno: [%1]").arg(resultado));
    return resultado;
}
