#pragma once

#include <QJsonObject>

// The receipt data the PDF and print workers take ("comprovanteDiferenciadoLoja",
// "comprovanteDiferenciadoPortador" as texts, "nsuTerminal", "transacao"), read
// from the JSON result of any TEF product: each product's result keeps its
// copies, NSU and operation under names of its own, and one table says where.
class Recibo
{
public:
    static QJsonObject dadosDoResultado(const QJsonObject &resultado);
    // Whether the data holds a copy to print or file.
    static bool temVia(const QJsonObject &dados);
};
