#pragma once

#include <QString>

class QAction;
class QMenu;
class QSystemTrayIcon;

// The tray icon and its menu. The wiring joins each entry to what it does.
// Menus are widgets: under a plain QCoreApplication (logic tests, tools) there
// is no tray, and every pointer stays null.
class MenuBandeja
{
public:
    explicit MenuBandeja(bool bloquearAtualizacao);
    ~MenuBandeja();
    MenuBandeja(const MenuBandeja &) = delete;
    MenuBandeja &operator=(const MenuBandeja &) = delete;

    // Off while a run (a transaction or an updater action) holds the TEF
    // thread; the update entry stays off whenever updates are blocked.
    void habilitar(bool habilitado);

    // The balloon of a version found at start-up; with `clicavel`, a click on it
    // does what the update entry does, and the text says so.
    void avisarAtualizacao(const QString &texto, bool clicavel);
    // The text of the last such balloon, also where no tray can show it.
    QString ultimoAviso() const { return m_ultimoAviso; }

    QSystemTrayIcon *trayIcon() const { return m_trayIcon; }
    QMenu *menuAutonomo() const { return m_menuAutonomo; }
    QAction *actionVendaCartao() const { return m_actionVendaCartao; }
    QAction *actionPix() const { return m_actionPix; }
    QAction *actionAdm() const { return m_actionAdm; }
    QAction *actionReimprimir() const { return m_actionReimprimir; }
    QAction *actionAtualizacao() const { return m_actionAtualizacao; }
    QAction *actionAbrir() const { return m_actionAbrir; }
    QAction *actionSobre() const { return m_actionSobre; }
    QAction *actionConfiguracoes() const { return m_actionConfiguracoes; }
    QAction *actionSair() const { return m_actionSair; }
    // Not in the menu, for a second launch: the restart after a settings change,
    // and SIM to the update on offer (on only while one is).
    QAction *actionReiniciar() const { return m_actionReiniciar; }
    QAction *actionInstalarAtualizacao() const { return m_actionInstalarAtualizacao; }
    void oferecerAtualizacao(bool oferecida);
    // A run holds the TEF thread: the last habilitar() turned the entries off.
    bool emExecucao() const { return m_emExecucao; }

private:
    bool m_bloquearAtualizacao;
    QString m_ultimoAviso;
    QSystemTrayIcon *m_trayIcon = nullptr;
    QMenu *m_menu = nullptr;
    QMenu *m_menuAutonomo = nullptr;
    QAction *m_actionVendaCartao = nullptr;
    QAction *m_actionPix = nullptr;
    QAction *m_actionAdm = nullptr;
    QAction *m_actionReimprimir = nullptr;
    QAction *m_actionAtualizacao = nullptr;
    QAction *m_actionAbrir = nullptr;
    QAction *m_actionSobre = nullptr;
    QAction *m_actionConfiguracoes = nullptr;
    QAction *m_actionSair = nullptr;
    QAction *m_actionReiniciar = nullptr;
    QAction *m_actionInstalarAtualizacao = nullptr;
    bool m_emExecucao = false;
};
