#include "backends/MenuBandeja.h"

#include "backends/Base_Controller.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

MenuBandeja::MenuBandeja(Base_Controller *controller, bool bloquearAtualizacao) : m_controller(controller)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    m_menu = new QMenu();
    m_menuAutonomo = m_menu->addMenu(QStringLiteral("TEF Autonomo"));
    m_actionVendaCartao = m_menuAutonomo->addAction(QStringLiteral("Venda Cartão"));
    m_actionPix = m_menuAutonomo->addAction(QStringLiteral("PIX"));
    m_menuAutonomo->addSeparator();
    m_actionAdm = m_menuAutonomo->addAction(QStringLiteral("Operação Administrativa"));
    for (QAction *a : {m_actionVendaCartao, m_actionPix, m_actionAdm})
        QObject::connect(a, &QAction::triggered, controller, &Base_Controller::slotAutonomo);
    // Joined by the wiring to the reprint, which keeps the receipts outside the window's side.
    m_actionReimprimir = m_menu->addAction(QStringLiteral("Reimprimir último comprovante"));

    m_menu->addSeparator();
    m_actionAtualizacao = m_menu->addAction(QStringLiteral("Verificar Atualização"));
    m_actionAtualizacao->setEnabled(!bloquearAtualizacao);
    QObject::connect(m_actionAtualizacao, &QAction::triggered, controller, &Base_Controller::slotUpdater);
    m_menu->addSeparator();

    m_actionAbrir = m_menu->addAction(QStringLiteral("Abrir"));
    QObject::connect(m_actionAbrir, &QAction::triggered, controller, &Base_Controller::slotShowWindow);
    m_actionConfiguracoes = m_menu->addAction(QStringLiteral("Configurações"));
    QObject::connect(m_actionConfiguracoes, &QAction::triggered, controller, &Base_Controller::slotShowConfigs);
    m_actionSobre = m_menu->addAction(QStringLiteral("Sobre"));
    QObject::connect(m_actionSobre, &QAction::triggered, controller, &Base_Controller::showEnviromentInfo);
    m_actionSair = m_menu->addAction(QStringLiteral("Sair"));
    QObject::connect(m_actionSair, &QAction::triggered, controller, &Base_Controller::exit);
    m_actionReiniciar = new QAction(QStringLiteral("Reiniciar"), m_menu);
    QObject::connect(m_actionReiniciar, &QAction::triggered, controller, &Base_Controller::slotReiniciar);
    m_actionInstalarAtualizacao = new QAction(QStringLiteral("Instalar atualização"), m_menu);
    m_actionInstalarAtualizacao->setEnabled(false);
    QObject::connect(m_actionInstalarAtualizacao, &QAction::triggered, controller,
                     &Base_Controller::onClickButtonUpdaterSim);

    m_trayIcon = new QSystemTrayIcon(controller);
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

void MenuBandeja::habilitar(bool habilitado, bool bloquearAtualizacao)
{
    m_emExecucao = !habilitado;
    if (!m_menu)
        return;
    m_menuAutonomo->setEnabled(habilitado);
    m_actionReimprimir->setEnabled(habilitado);
    m_actionSobre->setEnabled(habilitado);
    m_actionConfiguracoes->setEnabled(habilitado);
    m_actionAtualizacao->setEnabled(habilitado && !bloquearAtualizacao);
}

void MenuBandeja::avisarAtualizacao(const QString &texto, bool clicavel)
{
    m_ultimoAviso = texto;
    if (clicavel)
        m_ultimoAviso += QStringLiteral("\n\nClique para iniciar a instalação");
    if (!m_trayIcon)
        return;
    QObject::disconnect(m_trayIcon, &QSystemTrayIcon::messageClicked, m_controller, &Base_Controller::slotUpdater);
    if (clicavel)
        QObject::connect(m_trayIcon, &QSystemTrayIcon::messageClicked, m_controller, &Base_Controller::slotUpdater);
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_trayIcon->showMessage(QStringLiteral("Atualização disponível"), m_ultimoAviso, QSystemTrayIcon::Information,
                                10000);
}

void MenuBandeja::oferecerAtualizacao(bool oferecida)
{
    if (m_actionInstalarAtualizacao)
        m_actionInstalarAtualizacao->setEnabled(oferecida);
}
