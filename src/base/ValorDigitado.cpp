#include "base/ValorDigitado.h"

QString centavosDigitados(const QString &texto)
{
    QString s = texto.trimmed();
    if (s.startsWith(QLatin1String("R$")))
        s.remove(0, 2);
    QString digitos;
    for (const QChar c : s) {
        if (c.isDigit() && c.unicode() < 128)
            digitos.append(c);
        else if (c != QLatin1Char('.') && c != QLatin1Char(',') && !c.isSpace())
            return QString();
    }
    while (digitos.startsWith(QLatin1Char('0')))
        digitos.remove(0, 1);
    return digitos;
}
