#include "app/Atualizacao.h"

#include "Atualizador.h"
#include "app/MenuBandeja.h"
#include "backends/Janela.h"
#include "nucleo/Ocupacao.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QTimer>

namespace {

QString comTag(const QString &msg)
{
    return QStringLiteral("[Atualizacao] ") + msg;
}

// How long SIM or NÃO waits for the verification that offered them to leave the thread.
constexpr unsigned long prazoSaidaMs = 5000;

} // namespace

Atualizacao::Atualizacao(Janela &janela, Ocupacao &ocupacao, MenuBandeja *bandeja, Ajustes ajustes, QObject *parent)
    : QThread(parent), m_janela(janela), m_ocupacao(ocupacao), m_bandeja(bandeja), m_ajustes(ajustes),
      m_atualizador(std::make_unique<Atualizador>(janela))
{
    connect(this, &QThread::started, this, &Atualizacao::aoIniciar);
    connect(this, &QThread::finished, this, &Atualizacao::aoTerminar);
    if (auto *app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, [this] {
            if (!wait(prazoSaidaMs))
                m_log.error(comTag(QStringLiteral("Ação do atualizador ainda em andamento ao encerrar o programa")));
        });
    }
}

Atualizacao::~Atualizacao()
{
    wait();
}

void Atualizacao::run()
{
    switch (m_atualizador->executar(m_modo)) {
    case Atualizador::Desfecho::AguardandoOperador:
        // SIM or NÃO may take their time: requests are served meanwhile.
        m_ofertaPendente = true;
        break;
    case Atualizador::Desfecho::Encerrando:
        // The installer takes over: the program leaves by the way out that waits for any operation.
        m_encerrandoParaInstalacao = true;
        m_manterTela = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                QTimer::singleShot(m_pausas.antesDeInstalarMs, this, [this] {
                    emit encerramentoPedido(QStringLiteral("instalação da nova versão"), false);
                });
            },
            Qt::QueuedConnection);
        break;
    case Atualizador::Desfecho::Reiniciando:
        // Installed: the new version serves the next request.
        m_encerrandoParaInstalacao = true;
        m_manterTela = true;
        QMetaObject::invokeMethod(
            this, [this] { emit encerramentoPedido(QStringLiteral("nova versão instalada"), true); },
            Qt::QueuedConnection);
        break;
    case Atualizador::Desfecho::TelaMantida:
        m_manterTela = true;
        break;
    case Atualizador::Desfecho::TelaReiniciada:
        break;
    }
    m_modo = 0;
    m_solicitada = false;
}

bool Atualizacao::iniciar(Modo modo)
{
    // SIM or NÃO may come while the verification that offered them is still
    // leaving the thread; it has nothing left to do but return.
    if (modo != Modo::Verificar && isRunning())
        wait(prazoSaidaMs);
    // A request served meanwhile would find the thread taken and go unanswered.
    if (isRunning() || m_encerrandoParaInstalacao || !m_ocupacao.reservar(Ocupacao::Dono::Atualizacao)) {
        m_log.warning(comTag(QStringLiteral("Atualização não iniciada: operação em andamento")));
        // The offer stays, and comes back on screen once the operation is over.
        return false;
    }
    if (modo != Modo::Verificar) {
        m_ofertaPendente = false;
        if (m_bandeja)
            m_bandeja->oferecerAtualizacao(false);
    }
    m_modo = static_cast<int>(modo);
    m_solicitada = true;
    start();
    return true;
}

void Atualizacao::aoIniciar()
{
    if (m_bandeja)
        m_bandeja->habilitar(false);
    m_janela.mostrarTela(Janela::Tela::Bloqueada);
}

void Atualizacao::aoTerminar()
{
    // Another action already asked for the thread: it keeps it.
    if (m_solicitada)
        return;
    // An offer waiting for SIM or NÃO does not hold the TEF thread.
    m_ocupacao.liberar(Ocupacao::Dono::Atualizacao);
    if (m_bandeja)
        m_bandeja->habilitar(true);
    if (m_ofertaPendente) {
        reapresentarOferta();
        return;
    }
    const bool manterRelatorio = m_manterTela.exchange(false);
    // Autonomous-only use always goes back to its menu.
    if (manterRelatorio && !m_janela.menuOperacoes())
        return;
    m_janela.repousar();
}

void Atualizacao::reapresentarOferta()
{
    m_atualizador->reapresentarOferta();
    if (m_bandeja)
        m_bandeja->oferecerAtualizacao(true);
}

void Atualizacao::verificarAoAbrir()
{
    const QJsonObject resposta = m_atualizador->verificacaoInicial();
    if (resposta.value(QStringLiteral("codigo")).toInt(-1) != 0)
        return;
    const QString texto = resposta.value(QStringLiteral("mensagem")).toString();
    if (m_ajustes.iniciarAoAbrir && !m_ajustes.bloqueada) {
        // Once the loop runs: the exchange is watching by then, and pauses for the action.
        QMetaObject::invokeMethod(
            this,
            [this, texto] {
                if (!verificar() && m_bandeja)
                    m_bandeja->avisarAtualizacao(texto, true);
            },
            Qt::QueuedConnection);
        return;
    }
    if (m_bandeja)
        m_bandeja->avisarAtualizacao(texto, !m_ajustes.bloqueada);
}

QString Atualizacao::avisoAtualizacao() const
{
    return m_bandeja ? m_bandeja->ultimoAviso() : QString();
}
