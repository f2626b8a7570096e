#pragma once

#include <QString>

// Hides what must never reach a log in clear: passwords of administrative
// operations, card numbers (first 6 and last 4 digits kept) and track data.
// Works on key-number texts, JSON texts and free text alike.
QString mascararDadosSensiveis(const QString &texto);

// A card number with all but its first 6 and last 4 digits replaced by '*'.
QString mascararPan(const QString &digitos);
