#include "AcoesBandeja.h"

#include "app/MenuBandeja.h"
#include "backends/Janela.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

#include <cstring>

namespace {

using M = MenuBandeja;

// One row per tray entry, in the menu's order.
const AcoesBandeja::Acao acoes[] = {
    {"venda-cartao", "--venda-cartao", "start a card sale in the window", &M::actionVendaCartao, false},
    {"pix", "--pix", "start a PIX payment in the window", &M::actionPix, false},
    {"adm", "--adm", "start an administrative operation in the window", &M::actionAdm, false},
    {"reimprimir", "--reimprimir", "print the last approved transaction's receipts again", &M::actionReimprimir, false},
    {"atualizacao", "--atualizacao", "look for a new version", &M::actionAtualizacao, false},
    {"abrir", nullptr, nullptr, &M::actionAbrir, false},
    {"configuracoes", "--configuracoes", "open the settings", &M::actionConfiguracoes, false},
    {"sobre", "--sobre", "show the about box", &M::actionSobre, false},
    {"sair", "--sair", "end the program (refused while an operation runs)", &M::actionSair, true},
    // Not in the tray: the settings popup restarts on its own; these are for support at a terminal.
    {"reiniciar", "--reiniciar", "restart, reading the settings again (after the running operation)",
     &M::actionReiniciar, false},
    {"instalar-atualizacao", "--instalar-atualizacao", "install the version the update check offers (as SIM)",
     &M::actionInstalarAtualizacao, false, "nenhuma atualização oferecida"},
};

QString comTag(const QString &msg)
{
    return QStringLiteral("[AcoesBandeja] ") + msg;
}

// What a click on the entry would meet: the action and every menu showing it switched on.
bool clicavel(const QAction *acao)
{
    if (!acao->isEnabled())
        return false;
    const auto widgets = acao->associatedWidgets();
    for (const QWidget *w : widgets) {
        if (qobject_cast<const QMenu *>(w) && !w->isEnabled())
            return false;
    }
    return true;
}

} // namespace

const char *const AcoesBandeja::abrir = "abrir";

const AcoesBandeja::Acao *AcoesBandeja::porNome(const QString &nome)
{
    for (const Acao &a : acoes) {
        if (nome == QLatin1String(a.nome))
            return &a;
    }
    return nullptr;
}

const AcoesBandeja::Acao *AcoesBandeja::porOpcao(const char *opcao)
{
    for (const Acao &a : acoes) {
        if (a.opcao && std::strcmp(opcao, a.opcao) == 0)
            return &a;
    }
    return nullptr;
}

QString AcoesBandeja::ajuda()
{
    QString texto;
    for (const Acao &a : acoes) {
        if (a.opcao)
            texto += QStringLiteral("  %1%2\n").arg(QLatin1String(a.opcao), -20).arg(QLatin1String(a.ajuda));
    }
    return texto;
}

AcoesBandeja::AcoesBandeja(MenuBandeja *bandeja, Janela *janela) : m_bandeja(bandeja), m_janela(janela) {}

QString AcoesBandeja::executar(const QString &nome, const QString &origem)
{
    const Acao *acao = porNome(nome);
    if (!acao) {
        m_log.warning(comTag(QStringLiteral("Ação desconhecida \"%1\" recusada, de %2").arg(nome, origem)));
        return QStringLiteral("ação desconhecida");
    }
    m_log.info(comTag(QStringLiteral("Ação \"%1\" recebida de %2").arg(nome, origem)));
    MenuBandeja *menu = m_bandeja;
    QAction *entrada = menu ? (menu->*(acao->entrada))() : nullptr;
    if (!entrada)
        return recusar(*acao, QStringLiteral("menu indisponível"));
    if (menu->emExecucao() && (acao->somenteOcioso || !clicavel(entrada)))
        return recusar(*acao, QStringLiteral("operação em andamento"));
    if (!clicavel(entrada))
        return recusar(*acao, acao->porqueDesligada ? QString::fromUtf8(acao->porqueDesligada)
                                                    : QStringLiteral("desabilitada nas configurações"));
    if (const auto executor = m_executores.value(nome)) {
        const QString motivo = executor();
        if (!motivo.isEmpty())
            m_log.warning(comTag(QStringLiteral("Ação \"%1\" recusada: %2").arg(nome, motivo)));
        return motivo;
    }
    entrada->trigger();
    return QString();
}

void AcoesBandeja::usarExecutor(const QString &nome, std::function<QString()> executor)
{
    m_executores.insert(nome, std::move(executor));
}

QString AcoesBandeja::recusar(const Acao &acao, const QString &motivo)
{
    m_log.warning(comTag(QStringLiteral("Ação \"%1\" recusada: %2").arg(QLatin1String(acao.nome), motivo)));
    // Whoever asked is at this screen, and the tray may not be there to say it.
    if (m_janela) {
        QAction *entrada = m_bandeja ? (m_bandeja->*(acao.entrada))() : nullptr;
        m_janela->mostrar();
        m_janela->avisarErro(QStringLiteral("%1: não disponível (%2)")
                                 .arg(entrada ? entrada->text() : QLatin1String(acao.nome), motivo));
    }
    return motivo;
}
