#include "app/TefAutonomo.h"

#include "app/ConfigTef.h"
#include "app/GlobalFlags.h"
#include "receipts/pdf_utils.h"
#include "receipts/print_utils.h"

#include <QDesktopServices>
#include <QDir>
#include <QJsonDocument>
#include <QUrl>

const char *const TefAutonomo::requisicaoVenda = "000-000 = CRT\n001-000 = 1\n002-000 = 123456\n999-999 = 0";
const char *const TefAutonomo::requisicaoConfirmacao = "000-000 = CNF\n001-000 = 1\n027-000 = 123456\n999-999 = 0";
const char *const TefAutonomo::requisicaoPix = "000-000 = PIX\n001-000 = 1\n002-000 = 123456\n999-999 = 0";
const char *const TefAutonomo::requisicaoAdm = "000-000 = ADM\n001-000 = 1\n999-999 = 0";

TefAutonomo::TefAutonomo(QObject *parent) : QObject(parent), m_pdf(new pdf_utils(this)), m_print(new print_utils(this))
{
    connect(m_pdf, &pdf_utils::pdfFinished, this, &TefAutonomo::slotPdfFinished);
    connect(m_print, &print_utils::printFinished, this, &TefAutonomo::slotPrintFinished);
}

TefAutonomo::~TefAutonomo()
{
    // A receipt being written when the program ends is finished, not cut off.
    m_pdf->wait();
    m_print->wait();
}

void TefAutonomo::slotTefProcessAutonomo(QString operacao)
{
    if (tefEmProcessamento)
        return;
    const QString nome = operacao.toUpper().trimmed();
    const auto e = [&nome](const char *texto) {
        return nome.compare(QString::fromUtf8(texto), Qt::CaseInsensitive) == 0;
    };
    if (e("VENDA CARTÃO"))
        iniciarOperacaoAutonoma(QString::fromLatin1(requisicaoVenda), QStringLiteral("Iniciando venda cartão"));
    else if (e("PIX"))
        iniciarOperacaoAutonoma(QString::fromLatin1(requisicaoPix), QStringLiteral("Iniciando venda PIX"));
    else if (e("OPERAÇÃO ADMINISTRATIVA"))
        iniciarOperacaoAutonoma(QString::fromLatin1(requisicaoAdm),
                                QStringLiteral("Iniciando operação administrativa"));
}

void TefAutonomo::iniciarOperacaoAutonoma(const QString &requisicao, const QString &mensagem)
{
    m_log.info(QStringLiteral("[TefAutonomo] ") + mensagem);
    const QString json = m_protocolo.requestToJson(requisicao);
    emit sendJson(json);
    // Set before the thread can end, so its result and its end are taken as ours.
    operacaoAutonoma = true;
    emit startProcessAutonomo();
    emit textUser(mensagem);
}

void TefAutonomo::slotResponseAutonomo(QString dados)
{
    if (!operacaoAutonoma)
        return;
    m_requerConfirmacao = false;
    const QJsonObject resultado = QJsonDocument::fromJson(dados.toUtf8()).object();
    const QJsonObject recibo = resultado.value(QLatin1String("tef")).toObject();
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
    if (resultado.contains(QLatin1String("requer_confirmacao")) &&
        resultado.value(QLatin1String("requer_confirmacao")).toString() == QLatin1String("2"))
        m_requerConfirmacao = true;
}

void TefAutonomo::finished()
{
    if (!operacaoAutonoma)
        return;
    if (m_config.tipoOperacao() == 1)
        emit resetView();
    tefEmProcessamento = false;
    operacaoAutonoma = false;
    if (m_requerConfirmacao) {
        iniciarOperacaoAutonoma(QString::fromLatin1(requisicaoConfirmacao),
                                QStringLiteral("Iniciando confirmação da operação"));
        return;
    }
    if (m_config.tipoOperacao() == 1)
        emit minimized();
    emit concluido();
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
