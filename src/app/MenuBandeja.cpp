#include "app/MenuBandeja.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

MenuBandeja::MenuBandeja(bool bloquearAtualizacao) : m_bloquearAtualizacao(bloquearAtualizacao)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    m_menu = new QMenu();
    m_menuAutonomo = m_menu->addMenu(QStringLiteral("TEF Autonomo"));
    m_actionVendaCartao = m_menuAutonomo->addAction(QStringLiteral("Venda Cartão"));
    m_actionPix = m_menuAutonomo->addAction(QStringLiteral("PIX"));
    m_menuAutonomo->addSeparator();
    m_actionAdm = m_menuAutonomo->addAction(QStringLiteral("Operação Administrativa"));
    // Joined by the wiring to the reprint, which keeps the receipts outside the window's side.
    m_actionReimprimir = m_menu->addAction(QStringLiteral("Reimprimir último comprovante"));

    m_menu->addSeparator();
    m_actionAtualizacao = m_menu->addAction(QStringLiteral("Verificar Atualização"));
    m_actionAtualizacao->setEnabled(!bloquearAtualizacao);
    m_menu->addSeparator();

    m_actionAbrir = m_menu->addAction(QStringLiteral("Abrir"));
    m_actionConfiguracoes = m_menu->addAction(QStringLiteral("Configurações"));
    m_actionSobre = m_menu->addAction(QStringLiteral("Sobre"));
    m_actionSair = m_menu->addAction(QStringLiteral("Sair"));
    m_actionReiniciar = new QAction(QStringLiteral("Reiniciar"), m_menu);
    m_actionInstalarAtualizacao = new QAction(QStringLiteral("Instalar atualização"), m_menu);
    m_actionInstalarAtualizacao->setEnabled(false);

    m_trayIcon = new QSystemTrayIcon(m_menu);
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_trayIcon->setIcon(QIcon(QStringLiteral(":/Assets/varda-fav-icon.png")));
        m_trayIcon->setToolTip(QStringLiteral("Varda Z3_TEFZoduvud\n VI VIZ"));
        m_trayIcon->setContextMenu(m_menu);
        m_trayIcon->show();
    }
}

MenuBandeja::~MenuBandeja()
{
    if (m_trayIcon)
        m_trayIcon->hide();
    delete m_menu; // a QMenu without a parent widget is ours to delete
}

void MenuBandeja::habilitar(bool habilitado)
{
    m_emExecucao = !habilitado;
    if (!m_menu)
        return;
    m_menuAutonomo->setEnabled(habilitado);
    m_actionReimprimir->setEnabled(habilitado);
    m_actionSobre->setEnabled(habilitado);
    m_actionConfiguracoes->setEnabled(habilitado);
    m_actionAtualizacao->setEnabled(habilitado && !m_bloquearAtualizacao);
}

void MenuBandeja::avisarAtualizacao(const QString &texto, bool clicavel)
{
    m_ultimoAviso = texto;
    if (clicavel)
        m_ultimoAviso += QStringLiteral("\n\nClique para iniciar a instalação");
    if (!m_trayIcon)
        return;
    QObject::disconnect(m_trayIcon, &QSystemTrayIcon::messageClicked, m_actionAtualizacao, &QAction::trigger);
    if (clicavel)
        QObject::connect(m_trayIcon, &QSystemTrayIcon::messageClicked, m_actionAtualizacao, &QAction::trigger);
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_trayIcon->showMessage(QStringLiteral("Atualização disponível"), m_ultimoAviso, QSystemTrayIcon::Information,
                                10000);
}

void MenuBandeja::oferecerAtualizacao(bool oferecida)
{
    if (m_actionInstalarAtualizacao)
        m_actionInstalarAtualizacao->setEnabled(oferecida);
}
