#pragma once

#include <QJsonObject>
#include <QString>

// The operation as the bridge backend hands it to the library, made anew from
// each JSON request. The library takes plain values, so the request's texts
// are read here once, with the defaults the library expects.
class Z3_Bridge_VO
{
public:
    QString operacao;
    int idTransacao = -1;      // -1 when "identificacao" is not an integer
    QString pdv;               // "z3" when the POS sent none
    QString valorTotal;        // the amount without commas
    int tipoCartao = 0;        // 1 credit, 2 debit, anything else unspecified
    int tipoFinanciamento = 0; // 0 not given, 1 single payment, 2 issuer, 3 store, -1 unknown
    int numParcelas = 0;       // 0 when the financing kind was not given
    QString nsu;               // the sale a cancellation refers to
    QString dataHora;          // "dd/MM/yyyy HH:mm:ss", "dd/MM/yyyy" or the POS's text as it came

    static Z3_Bridge_VO fromRequest(const QJsonObject &request);
};
