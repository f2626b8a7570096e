#pragma once

#include "base/Log.h"

#include <QHash>
#include <QString>

#include <functional>

class Janela;
class MenuBandeja;
class QAction;

// The tray menu's entries as actions a launcher or a second launch can ask
// for, on a desktop that shows no tray. Each one triggers the tray entry's own
// action, so it does exactly what a click there does, and is refused whenever
// that entry could not be clicked.
class AcoesBandeja
{
public:
    struct Acao
    {
        const char *nome;  // on the channel between copies
        const char *opcao; // on the command line
        const char *ajuda; // its line in --help
        QAction *(MenuBandeja::*entrada)() const;
        // Refused while a run holds the TEF thread even where the tray
        // leaves the entry on: quitting would cut the operation.
        bool somenteOcioso;
        // Why it is refused when its entry is off; null: the settings turned it off.
        const char *porqueDesligada = nullptr;
    };

    // The action a launch without one asks for: the running copy's window.
    static const char *const abrir;

    // Null for a name or option that names no action.
    static const Acao *porNome(const QString &nome);
    static const Acao *porOpcao(const char *opcao);
    // The --help lines of every action given by an option.
    static QString ajuda();

    // Either may be absent: every action is then refused ("menu indisponível").
    AcoesBandeja(MenuBandeja *bandeja, Janela *janela);

    // Does what the tray entry does; `origem` says who asked, for the log.
    // Empty when done, otherwise why it was refused: logged, and shown in the
    // window's error banner.
    QString executar(const QString &nome, const QString &origem);

    // An action that may refuse for reasons of its own (nothing to reprint):
    // once its entry could be clicked, `executor` does it instead of a click,
    // tells the cashier itself, and its refusal goes back to whoever asked.
    void usarExecutor(const QString &nome, std::function<QString()> executor);

private:
    QString recusar(const Acao &acao, const QString &motivo);

    MenuBandeja *m_bandeja;
    Janela *m_janela;
    QHash<QString, std::function<QString()>> m_executores;
    Log m_log;
};
