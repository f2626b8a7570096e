#include "Sobre.h"

#include "base/Versao.h"

#include <QHostInfo>
#include <QNetworkInterface>
#include <QSysInfo>

namespace sobre {

QString texto()
{
    QString texto =
        QStringLiteral("%1 versão %2").arg(QStringLiteral(Z3_APP_NAME), QString::fromLatin1(versaoAplicacao()));
    texto += QStringLiteral(" - S.O.: %1\n").arg(QSysInfo::prettyProductName());
    texto += QStringLiteral("\nHostName: ") + QHostInfo::localHostName();
    texto += QStringLiteral("\n\n------- Interfaces de rede -------");
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        if (iface.hardwareAddress().isEmpty())
            continue;
        if (!iface.isValid() && !iface.flags().testFlag(QNetworkInterface::IsUp))
            continue;
        texto += QStringLiteral("\n\n%1: MAC[ %2 ]").arg(iface.humanReadableName(), iface.hardwareAddress());
        const auto entradas = iface.addressEntries();
        for (const QNetworkAddressEntry &entrada : entradas) {
            if (entrada.ip().protocol() == QAbstractSocket::IPv4Protocol)
                texto += QStringLiteral(" IP[ %1 ]").arg(entrada.ip().toString());
        }
    }
    return texto;
}

} // namespace sobre
