#include "receipts/ImpressaoRecibo.h"

#include "base/ClosedLibraryBinding.h"
#include "base/ConfigTef.h"
#include "base/Log.h"
#include "base/Platform.h"
#include "receipts/Z3_Impressora_Api.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>

namespace {

QJsonObject relatorio(int resultado, const QString &mensagem)
{
    return QJsonObject{{QStringLiteral("result"), resultado}, {QStringLiteral("message"), mensagem}};
}

QJsonObject sucesso()
{
    return relatorio(0, QStringLiteral("Impressão realizada com sucesso!"));
}

const char *const erroBiblioteca = "Erro ao carregar biblioteca de comunicação com impressoras";

} // namespace

ImpressaoRecibo::ImpressaoRecibo(QObject *parent) : QThread(parent) {}

QString ImpressaoRecibo::impressoraFabricante()
{
    return ConfigTef::padrao(ConfigTef::definicao(ConfigTef::Chave::NomeImpressora)).toString();
}

QFont ImpressaoRecibo::fonteRecibo(qreal largura, QPaintDevice *dispositivo)
{
    QFont fonte(QStringLiteral("monospace"));
    fonte.setStyleHint(QFont::TypeWriter);
    const QString linha(colunasRecibo, QLatin1Char('M'));
    for (int px = qMax(8, qRound(largura / colunasRecibo * 2)); px > 4; --px) {
        fonte.setPixelSize(px);
        // The text layout may measure with the screen's metrics rather than the
        // device's: the line must fit by both, with a little to spare.
        const qreal mais = qMax(QFontMetricsF(fonte, dispositivo).horizontalAdvance(linha),
                                QFontMetricsF(fonte).horizontalAdvance(linha));
        if (mais <= largura * 0.97)
            break;
    }
    return fonte;
}

QStringList ImpressaoRecibo::listaImpressoras()
{
    return QPrinterInfo::availablePrinterNames();
}

QJsonObject ImpressaoRecibo::imprimir(const QString &texto, const QString &impressora)
{
    return impressora == impressoraFabricante() ? imprimirBiblioteca(texto) : imprimirSistema(texto, impressora);
}

QJsonObject ImpressaoRecibo::imprimirBiblioteca(const QString &texto)
{
    const Log log;
    // A fresh load for every copy: nothing of the library outlives the job.
    z3impressora::AbreConexaoImpressora_t abre = nullptr;
    z3impressora::ImpressaoTexto_t imprime = nullptr;
    z3impressora::FechaConexaoImpressora_t fecha = nullptr;
    z3impressora::Corte_t corta = nullptr;
    ClosedLibraryBinding biblioteca(QStringLiteral("ImpressaoRecibo"));
    using B = ClosedLibraryBinding;
    if (!biblioteca.load(platform::libraryPath(platform::ClosedLibrary::Impressora),
                         {B::entry("AbreConexaoImpressora", abre), B::entry("ImpressaoTexto", imprime),
                          B::entry("FechaConexaoImpressora", fecha), B::entry("Corte", corta)})) {
        log.error(QStringLiteral("[ImpressaoRecibo] ") + QString::fromUtf8(erroBiblioteca));
        return relatorio(-1, QString::fromUtf8(erroBiblioteca));
    }
    // A library without one of the four would leave the job half done.
    if (!biblioteca.unresolved().isEmpty()) {
        const QString falta = biblioteca.unresolved().constFirst();
        biblioteca.unload();
        return relatorio(
            -1, ClosedLibraryBinding::unavailable(QStringLiteral("Z3_Impressora01"), falta.toLatin1().constData()));
    }
    const QByteArray conexao; // empty: the library's default connection
    const int aberta = abre(0, "VARDA", conexao.constData(), 0);
    if (aberta != 0) {
        biblioteca.unload();
        log.error("[ImpressaoRecibo] Erro de comunicação com a impressora: ", aberta);
        return relatorio(aberta, QStringLiteral("Erro de comunicação com a impressora: %1").arg(aberta));
    }
    imprime(texto.toUtf8().constData(), 1, 0, 0);
    corta(4);
    fecha();
    biblioteca.unload();
    log.info("[ImpressaoRecibo] Comprovante impresso na impressora Varda/Korvanta");
    return sucesso();
}

QJsonObject ImpressaoRecibo::imprimirSistema(const QString &texto, const QString &impressora)
{
    const Log log;
    const auto naoLocalizada = [&] {
        log.error(QStringLiteral("[ImpressaoRecibo] Impressora não localizada: ") + impressora);
        return relatorio(-1, QStringLiteral("Impressora não localizada"));
    };
    if (impressora.isEmpty() || !listaImpressoras().contains(impressora))
        return naoLocalizada();
    // A job sent to a stopped queue waits there unseen, and one sent to a queue
    // that refuses jobs is thrown away, while Qt still reports both as printed.
    const platform::EstadoFila fila = platform::estadoFilaImpressao(impressora);
    if (!fila.conhecida)
        return naoLocalizada();
    if (fila.parada || QPrinterInfo::printerInfo(impressora).state() == QPrinter::Error) {
        log.error(QStringLiteral("[ImpressaoRecibo] Impressora parada: ") + impressora);
        return relatorio(-1, QStringLiteral("Impressora %1 está parada").arg(impressora));
    }
    if (!fila.aceitaTrabalhos) {
        log.error(QStringLiteral("[ImpressaoRecibo] Impressora recusa trabalhos: ") + impressora);
        return relatorio(-1, QStringLiteral("Impressora %1 não está aceitando trabalhos").arg(impressora));
    }

    const QString limpo = QString(texto).remove(QLatin1Char('\r'));
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setPrinterName(impressora);
    // Qt quietly takes another queue when the named one has just gone.
    if (printer.printerName() != impressora || !printer.isValid())
        return naoLocalizada();
    const int linhas = limpo.split(QLatin1Char('\n')).size();
    printer.setPageSize(QPageSize(QSizeF(72.0, 5.0 * linhas), QPageSize::Millimeter));
    printer.setFullPage(true);
    printer.setDocName(QStringLiteral("Comprovante TEF"));

    QTextDocument doc;
    doc.setDocumentMargin(0);
    const qreal largura = printer.pageRect(QPrinter::DevicePixel).width();
    doc.setDefaultFont(fonteRecibo(largura, &printer));
    doc.setPlainText(limpo);
    doc.setTextWidth(largura);
    QPainter painter;
    if (!painter.begin(&printer)) {
        log.error(QStringLiteral("[ImpressaoRecibo] Não foi possível iniciar a impressão em ") + impressora);
        return relatorio(-1, QStringLiteral("Não foi possível iniciar a impressão em %1").arg(impressora));
    }
    doc.drawContents(&painter);
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        log.error(QStringLiteral("[ImpressaoRecibo] Falha ao enviar o comprovante para ") + impressora);
        return relatorio(-1, QStringLiteral("Falha ao enviar o comprovante para %1").arg(impressora));
    }
    log.info(QStringLiteral("[ImpressaoRecibo] Comprovante enviado para ") + impressora);
    return sucesso();
}

void ImpressaoRecibo::run()
{
    const QJsonObject d = m_dados;
    for (const char *chave : {"comprovanteDiferenciadoLoja", "comprovanteDiferenciadoPortador"}) {
        const QLatin1String k(chave);
        if (!d.contains(k))
            continue;
        emit impresso(imprimir(d.value(k).toString(), m_impressora));
    }
}
