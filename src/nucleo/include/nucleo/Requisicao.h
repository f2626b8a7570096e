#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>

// One request to the TEF core, as a value: its JSON text, the format of the
// file it came from, who asked (the POS through the exchange, the cashier, or
// the confirmation of the cashier's own sale) and, once submitted, its number
// in this run. Whoever asked gets the result; nothing else decides it.
struct Requisicao
{
    enum class Origem {
        Pdv,         // a request file in the exchange folder
        Operador,    // the cashier's own operation, from the tray or the window's list
        Confirmacao, // the confirmation of the cashier's own approved sale
    };

    QString json;
    bool formatoJson = false; // came from the JSON request file; the response goes back as JSON
    Origem origem = Origem::Pdv;
    int registro = -1;  // a confirmation's: the journal record of the sale it settles
    quint64 numero = 0; // given by the core when submitted

    static Requisicao doPdv(const QString &json, bool formatoJson);
    static Requisicao doOperador(const QString &json);

    QJsonObject objeto() const;
    QString header() const;
    QString identificacao() const;
    // Why no library may see this request (the parser's "msg_erro", or JSON
    // that is no object); empty when it may go on.
    QString motivoRecusa() const;
    bool doPdv() const { return origem == Origem::Pdv; }
};

Q_DECLARE_METATYPE(Requisicao)
