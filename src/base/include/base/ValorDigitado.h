#pragma once

#include <QString>

// An amount the cashier typed in the money field ("R$ 1.234,56") as a library
// takes it, in cents ("123456"); empty when it holds no digit, something else
// than the currency's signs, or only zeros.
QString centavosDigitados(const QString &texto);
