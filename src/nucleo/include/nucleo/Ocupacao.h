#pragma once

#include <QMutex>
#include <QObject>

// Who holds the TEF thread now: nobody, a POS request (from the moment the
// exchange takes the file until its response is delivered or undone), the
// cashier's own operation (with its confirmation), or the updater. Taken on
// the GUI thread before anything starts, so a second request (a tray click
// during the exchange's pauses, a request file during the cashier's sale) is
// refused or waits: it can never take the running one's place.
class Ocupacao : public QObject
{
    Q_OBJECT

public:
    enum class Dono { Ninguem, Pdv, Operador, Atualizacao };
    Q_ENUM(Dono)

    using QObject::QObject;

    // True when free (now held by `quem`) or already held by `quem`.
    bool reservar(Dono quem);
    // The program is ending: whoever holds the thread keeps it to the end of
    // its operation, but nobody takes it any more.
    void fechar();
    bool fechada() const;
    // Only the holder lets go; liberada() tells the others.
    void liberar(Dono quem);
    Dono dono() const;
    bool livre() const { return dono() == Dono::Ninguem; }

signals:
    // `anterior` let go: whoever waited may go on.
    void liberada(Ocupacao::Dono anterior);

private:
    mutable QMutex m_mutex;
    Dono m_dono = Dono::Ninguem;
    bool m_fechada = false;
};
