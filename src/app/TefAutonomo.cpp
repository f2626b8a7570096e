#include "app/TefAutonomo.h"

#include "base/ConfigTef.h"
#include "receipts/GravacaoRecibo.h"
#include "receipts/ImpressaoRecibo.h"
#include "receipts/Recibo.h"

#include <QDesktopServices>
#include <QDir>
#include <QJsonDocument>
#include <QUrl>

#include <utility>

const char *const TefAutonomo::requisicaoVenda = "000-000 = CRT\n001-000 = 1\n002-000 = 123456\n999-999 = 0";
const char *const TefAutonomo::requisicaoConfirmacao = "000-000 = CNF\n001-000 = 1\n027-000 = 123456\n999-999 = 0";
const char *const TefAutonomo::requisicaoPix = "000-000 = PIX\n001-000 = 1\n002-000 = 123456\n999-999 = 0";
const char *const TefAutonomo::requisicaoAdm = "000-000 = ADM\n001-000 = 1\n999-999 = 0";

TefAutonomo::TefAutonomo(const ConfigTef &config, QObject *parent)
    : QObject(parent), m_config(config), m_pdf(new GravacaoRecibo(this)), m_print(new ImpressaoRecibo(this))
{
    m_print->setImpressora(m_config.nomeImpressora());
    connect(m_pdf, &GravacaoRecibo::gravado, this, &TefAutonomo::slotPdfFinished);
    connect(m_print, &ImpressaoRecibo::impresso, this, &TefAutonomo::slotPrintFinished);
    connect(m_pdf, &QThread::finished, this, &TefAutonomo::recibosConcluidos);
    connect(m_print, &QThread::finished, this, &TefAutonomo::recibosConcluidos);
    m_prazoRecibos.setSingleShot(true);
    m_prazoRecibos.setInterval(prazoRecibosMs);
    connect(&m_prazoRecibos, &QTimer::timeout, this, [this] {
        m_log.warning(QStringLiteral("[TefAutonomo] Comprovantes ainda em andamento após %1 ms: a transação é "
                                     "confirmada sem esperar por eles")
                          .arg(prazoRecibosMs));
        confirmar();
    });
}

TefAutonomo::~TefAutonomo()
{
    // A receipt being written when the program ends is finished, not cut off.
    m_pdf->wait();
    m_print->wait();
}

void TefAutonomo::slotTefProcessAutonomo(QString operacao)
{
    const QString nome = operacao.toUpper().trimmed();
    const auto e = [&nome](const char *texto) {
        return nome.compare(QString::fromUtf8(texto), Qt::CaseInsensitive) == 0;
    };
    const char *requisicao = e("VENDA CARTÃO")              ? requisicaoVenda
                             : e("PIX")                     ? requisicaoPix
                             : e("OPERAÇÃO ADMINISTRATIVA") ? requisicaoAdm
                                                            : nullptr;
    if (!requisicao)
        return;
    // Taken before anything starts: a POS request being served, or the
    // updater, keeps the thread, and the cashier is told why nothing happens.
    if (m_ocupacao && !m_ocupacao->reservar(Ocupacao::Dono::Operador)) {
        const QString motivo = QStringLiteral("Operação em andamento: aguarde o fim para iniciar outra");
        m_log.warning(QStringLiteral("[TefAutonomo] %1 não iniciada. %2").arg(operacao, motivo));
        emit showError(motivo);
        return;
    }
    const QString mensagem = requisicao == requisicaoVenda ? QStringLiteral("Iniciando venda cartão")
                             : requisicao == requisicaoPix ? QStringLiteral("Iniciando venda PIX")
                                                           : QStringLiteral("Iniciando operação administrativa");
    m_registroAConfirmar = -1;
    iniciarOperacaoAutonoma(Requisicao::doOperador(m_protocolo.requestToJson(QString::fromLatin1(requisicao))),
                            mensagem);
}

void TefAutonomo::iniciarOperacaoAutonoma(Requisicao requisicao, const QString &mensagem)
{
    m_log.info(QStringLiteral("[TefAutonomo] ") + mensagem);
    emit startProcessAutonomo();
    emit enviarRequisicao(requisicao);
    emit textUser(mensagem);
}

void TefAutonomo::slotResponseAutonomo(const Requisicao &requisicao, const QString &dados, int registroPendente)
{
    if (requisicao.doPdv() || requisicao.origem == Requisicao::Origem::Confirmacao)
        return;
    // The core says whether an approved transaction now waits: the cashier's
    // own sale is confirmed here, as the POS would.
    m_registroAConfirmar = registroPendente;
    const QJsonObject recibo = Recibo::dadosDoResultado(QJsonDocument::fromJson(dados.toUtf8()).object());
    if (!m_config.habilitaImpressao() && !m_config.gerarPdf())
        return;
    if (!Recibo::temVia(recibo)) {
        m_log.info(QStringLiteral("[TefAutonomo] Sem comprovante para imprimir"));
        emit showError(QStringLiteral("Sem comprovante para imprimir"));
        return;
    }
    // A worker still busy with the last receipts finishes them first.
    if (m_config.habilitaImpressao()) {
        m_print->wait();
        m_print->setDados(recibo);
        m_print->start();
    }
    if (m_config.gerarPdf()) {
        m_pdf->wait();
        m_pdf->setDados(recibo);
        // A relative folder (the default ".") sits beside the settings, which
        // the program can write even where its own folder is read-only.
        const QString caminho = m_config.caminhoPdf();
        m_pdf->setCaminhoBase(caminho.isEmpty() ? caminho : QDir(ConfigTef::pasta()).absoluteFilePath(caminho));
        m_pdf->start();
    }
}

void TefAutonomo::concluida(const Requisicao &requisicao)
{
    if (requisicao.doPdv())
        return;
    if (m_config.tipoOperacao() == 1)
        emit resetView();
    if (m_registroAConfirmar >= 0) {
        // The sale is confirmed once its receipts are out, as a POS confirms after printing;
        // the thread stays the cashier's meanwhile, so nothing else starts in between.
        m_prazoRecibos.start();
        recibosConcluidos();
        return;
    }
    if (m_config.tipoOperacao() == 1)
        emit minimized();
    liberar();
}

void TefAutonomo::recibosConcluidos()
{
    if (m_registroAConfirmar < 0 || !m_prazoRecibos.isActive() || m_pdf->isRunning() || m_print->isRunning())
        return;
    confirmar();
}

void TefAutonomo::confirmar()
{
    m_prazoRecibos.stop();
    Requisicao confirmacao;
    confirmacao.json = m_protocolo.requestToJson(QString::fromLatin1(requisicaoConfirmacao));
    confirmacao.origem = Requisicao::Origem::Confirmacao;
    confirmacao.registro = std::exchange(m_registroAConfirmar, -1);
    iniciarOperacaoAutonoma(confirmacao, QStringLiteral("Iniciando confirmação da operação"));
}

void TefAutonomo::liberar()
{
    // The exchange serves what arrived meanwhile.
    if (m_ocupacao)
        m_ocupacao->liberar(Ocupacao::Dono::Operador);
}

void TefAutonomo::slotPdfFinished(QJsonObject result)
{
    if (result.value(QLatin1String("result")).toInt(0) != 0)
        emit showError(result.value(QLatin1String("message")).toString());
    const QString caminho = result.value(QLatin1String("caminho_pdf")).toString();
    if (m_config.visualizarPdf() && !caminho.isEmpty() && QUrl(caminho).isValid())
        QDesktopServices::openUrl(QUrl::fromLocalFile(caminho));
}

void TefAutonomo::slotPrintFinished(QJsonObject result)
{
    if (result.value(QLatin1String("result")).toInt(0) != 0)
        emit showError(result.value(QLatin1String("message")).toString());
}
