#include "Encerramento.h"

#include "backends/Janela.h"
#include "base/Platform.h"
#include "nucleo/DialogoTef.h"
#include "nucleo/Ocupacao.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {

QString comTag(const QString &msg)
{
    return QStringLiteral("[Encerramento] ") + msg;
}

} // namespace

const char *const Encerramento::opcaoReinicio = "--reinicio";

Encerramento::Encerramento(Ocupacao &ocupacao, DialogoTef *dialogo, Janela *janela, QObject *parent)
    : QObject(parent), m_ocupacao(ocupacao), m_dialogo(dialogo), m_janela(janela)
{
    m_prazo.setSingleShot(true);
    m_prazo.setInterval(prazoOperacaoMs);
    connect(&m_prazo, &QTimer::timeout, this, [this] {
        m_log.error(comTag(QStringLiteral("Operação ainda em andamento após %1 s: o programa se encerra e o diário de "
                                          "transações a retoma na próxima execução")
                               .arg(prazoOperacaoMs / 1000)));
        concluir();
    });
    connect(&m_ocupacao, &Ocupacao::liberada, this, [this] {
        if (m_pedido && m_ocupacao.livre())
            concluir();
    });
}

void Encerramento::pedir(const QString &motivo, Depois depois)
{
    if (m_pedido) {
        if (depois == Depois::Sair)
            m_depois = Depois::Sair;
        m_log.info(comTag(QStringLiteral("Encerramento já em andamento (%1)").arg(motivo)));
        return;
    }
    m_pedido = true;
    m_depois = depois;
    const QString acao = depois == Depois::Reiniciar ? QStringLiteral("Reiniciando") : QStringLiteral("Encerrando");
    // From here nothing new starts: a request file that arrives waits for the next copy.
    m_ocupacao.fechar();
    if (m_ocupacao.livre()) {
        m_log.info(comTag(QStringLiteral("%1 (%2)").arg(acao, motivo)));
        concluir();
        return;
    }
    m_log.info(comTag(QStringLiteral("%1 após a operação em andamento (%2)").arg(acao, motivo)));
    if (m_janela) {
        m_janela->mostrar();
        m_janela->avisar(QStringLiteral("Encerrando após a operação em andamento"));
    }
    // A question left open would hold the operation for ever: the cashier's answer is "cancel".
    if (m_dialogo)
        m_dialogo->encerrarDialogo();
    m_prazo.start();
}

void Encerramento::concluir()
{
    if (m_concluido)
        return;
    m_concluido = true;
    m_prazo.stop();
    if (m_depois == Depois::Reiniciar) {
        QString erro;
        // A package update replaced the file this process runs from: the new copy is the file now at that path.
        QString programa = QCoreApplication::applicationFilePath();
        programa.remove(QRegularExpression(QStringLiteral(" \\(deleted\\)$")));
        // The new copy waits for this one's lock, which the end of this process releases.
        if (platform::startDetached(programa, {QString::fromLatin1(opcaoReinicio)}, &erro) != 0)
            m_log.error(comTag(QStringLiteral("Falha ao iniciar a nova execução: ") + erro));
    }
    QCoreApplication::quit();
}
