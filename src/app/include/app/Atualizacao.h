#pragma once

#include "base/Log.h"
#include "base/Pausas.h"

#include <QString>
#include <QThread>

#include <atomic>
#include <memory>

class Atualizador;
class Janela;
class MenuBandeja;
class Ocupacao;

// The updater's side of the program: its actions (verify, download and
// install, decline) on a thread of their own, which hold the TEF thread like
// a transaction; the offer of a newer version, which waits for SIM or NÃO
// without holding it; and the check at start-up.
class Atualizacao : public QThread
{
    Q_OBJECT

public:
    struct Ajustes
    {
        bool bloqueada = false;      // the settings keep the program as it is
        bool iniciarAoAbrir = false; // a newer version found at start-up is fetched at once
    };

    Atualizacao(Janela &janela, Ocupacao &ocupacao, MenuBandeja *bandeja, Ajustes ajustes, QObject *parent = nullptr);
    ~Atualizacao() override;

    void usarPausas(const Pausas &pausas) { m_pausas = pausas; }

    // Start-up (window's thread, before the event loop): a newer version is
    // either fetched at once, when the settings ask for it, or announced in the tray.
    void verificarAoAbrir();
    // The balloon text of that announcement; empty when none was made.
    QString avisoAtualizacao() const;

    // A newer version waits for SIM or NÃO; the exchange goes on meanwhile.
    bool ofertaPendente() const { return m_ofertaPendente; }
    // An action is about to run or runs.
    bool acaoSolicitada() const { return m_solicitada; }
    // The offer back on screen after an operation that came in while it waited.
    void reapresentarOferta();

    // The tray's entry, SIM, NÃO. False, and nothing started, while a
    // transaction or another action holds the TEF thread or the program is
    // making way for an installer; an offer then stays and comes back later.
    bool verificar() { return iniciar(Modo::Verificar); }
    bool instalar() { return iniciar(Modo::Instalar); }
    bool recusar() { return iniciar(Modo::Recusar); }

signals:
    // The program must end (or restart into the version just installed).
    void encerramentoPedido(const QString &motivo, bool reiniciar);

protected:
    void run() override;

private:
    enum class Modo { Verificar = 0, Instalar = 1, Recusar = 2 };

    bool iniciar(Modo modo);
    void aoIniciar();
    void aoTerminar();

    Janela &m_janela;
    Ocupacao &m_ocupacao;
    MenuBandeja *m_bandeja;
    const Ajustes m_ajustes;
    Pausas m_pausas;
    std::unique_ptr<Atualizador> m_atualizador;
    // Written by the window's thread before the run starts, read by the run.
    std::atomic<int> m_modo{0};
    std::atomic<bool> m_solicitada{false};
    std::atomic<bool> m_ofertaPendente{false};
    // The last action left its report on screen: the end of the run keeps it.
    std::atomic<bool> m_manterTela{false};
    // The installer was started: nothing else may start before the program quits.
    std::atomic<bool> m_encerrandoParaInstalacao{false};
    Log m_log;
};
