#pragma once

#include "base/Log.h"

#include <QObject>
#include <QString>
#include <QTimer>

class DialogoTef;
class Janela;
class Ocupacao;

// The one way out of the program: the tray's "Sair", a termination signal, the
// restart after the settings are saved and the updater's quit all come here.
// Idle, the program ends at once. While an operation runs, nobody new may take
// the TEF thread, the cashier is told, an open question is answered as
// cancelled (so the library closes its operation), and the program ends once
// the operation and its response (or its undo) are over, or once the bound
// passes: then the journal finishes it at the next start.
class Encerramento : public QObject
{
    Q_OBJECT

public:
    // Below a session manager's usual 90 s before it kills what is left.
    static constexpr int prazoOperacaoMs = 60000;

    enum class Depois { Sair, Reiniciar };

    // `dialogo` and `janela` may be absent (no backend, no window).
    Encerramento(Ocupacao &ocupacao, DialogoTef *dialogo, Janela *janela, QObject *parent = nullptr);

    // `motivo` for the log. Asking again while waiting changes nothing but a
    // restart turned into a plain quit: the last word to leave wins.
    void pedir(const QString &motivo, Depois depois = Depois::Sair);
    bool pedido() const { return m_pedido; }

    // The new copy a restart starts: the same executable, told to wait for this one's lock.
    static const char *const opcaoReinicio;

private:
    void concluir();

    Ocupacao &m_ocupacao;
    DialogoTef *m_dialogo;
    Janela *m_janela;
    Log m_log;
    QTimer m_prazo;
    bool m_pedido = false;
    bool m_concluido = false;
    Depois m_depois = Depois::Sair;
};
