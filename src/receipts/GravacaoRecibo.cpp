#include "receipts/GravacaoRecibo.h"

#include "base/Log.h"
#include "receipts/ImpressaoRecibo.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QPageSize>
#include <QPrinter>
#include <QRegularExpression>
#include <QTextDocument>

namespace {

const char *const mensagemSucesso = "Documento criado com sucesso!";
const char *const mensagemCaminho = "Falha na criação do PDF. Caminho inválido.";

QJsonObject falha(const QString &mensagem)
{
    return QJsonObject{{QStringLiteral("result"), -1}, {QStringLiteral("message"), mensagem}};
}

// The first free name of `nome` in `pasta`: nome.pdf, nome_2.pdf, nome_3.pdf...
QString nomeLivre(const QString &pasta, const QString &nome)
{
    const QString base = nome.chopped(4); // ".pdf"
    QString candidato = nome;
    for (int n = 2; QFileInfo::exists(pasta + QLatin1Char('/') + candidato); ++n)
        candidato = QStringLiteral("%1_%2.pdf").arg(base).arg(n);
    return candidato;
}

} // namespace

GravacaoRecibo::GravacaoRecibo(QObject *parent) : QThread(parent) {}

GravacaoRecibo::Destino GravacaoRecibo::destino(const QString &transacao, const QString &via,
                                                const QString &nsuRecebido)
{
    // The NSU comes from the library: it may name a file, never a folder.
    QString nsu = nsuRecebido;
    nsu.remove(QRegularExpression(QStringLiteral("[^0-9A-Za-z_-]")));
    struct Linha
    {
        const char *transacao, *subpasta, *padrao;
        bool unico;
    };
    // A statement carries no NSU: each one, and each copy, gets a name of its
    // own instead of replacing the one written before.
    static const Linha tabela[] = {
        {"Cartao Vender", "VENDA", "via_%1_nsu_%2.pdf", false},
        {"Administracao Cancelar", "ADM", "adm_canc_%1_nsu_%2.pdf", false},
        {"Digital Pagar", "PIX", "%1_nsu_%2.pdf", false},
        {"Administracao Reimprimir", "ADM", "adm_reimpressao_%1_%2.pdf", false},
        {"Administracao Extrato Transacao", "ADM", "adm_extrato_transacao_%1.pdf", true},
    };
    for (const Linha &l : tabela) {
        if (transacao == QLatin1String(l.transacao)) {
            QString arquivo = QString::fromLatin1(l.padrao).arg(via);
            if (arquivo.contains(QLatin1String("%2")))
                arquivo = arquivo.arg(nsu);
            return {QString::fromLatin1(l.subpasta), arquivo, l.unico};
        }
    }
    // Any other operation is still filed, never dropped.
    return {QStringLiteral("OUTROS"), QStringLiteral("outros_%1_nsu_%2.pdf").arg(via, nsu), true};
}

QJsonObject GravacaoRecibo::gerar(const QString &base, const QString &transacao, const QString &via, const QString &nsu,
                                  const QString &texto, const QDate &hoje)
{
    const Log log;
    const int linhas = texto.split(QLatin1Char('\n')).size();
    const Destino d = destino(transacao, via, nsu);
    const QString pasta =
        QStringLiteral("%1/TEF/%2/%3/%4/%5").arg(base, d.subpasta).arg(hoje.year()).arg(hoje.month()).arg(hoje.day());
    // Without a base folder the tree would start at the root of the disk.
    if (base.trimmed().isEmpty() || !QDir().mkpath(pasta)) {
        log.error(QStringLiteral("[GravacaoRecibo] Não foi possível criar a pasta ") + pasta);
        return falha(QString::fromUtf8(mensagemCaminho));
    }
    const QString caminho = pasta + QLatin1Char('/') + (d.unico ? nomeLivre(pasta, d.arquivo) : d.arquivo);
    // Written beside and renamed: a failed write leaves no half file, and an
    // earlier file of the same name is replaced only by a whole one.
    const QString parcial = caminho + QStringLiteral(".part");
    QFile::remove(parcial);

    QTextDocument doc;
    doc.setDocumentMargin(0);
    doc.setPlainText(QString(texto).remove(QLatin1Char('\r')));

    bool escrito = false;
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QSizeF(larguraMm, alturaLinhaMm * linhas), QPageSize::Millimeter));
        printer.setFullPage(true);
        printer.setOutputFileName(parcial);
        const QRectF pagina = printer.pageRect(QPrinter::DevicePixel);
        // A small default font at the writer's 1200 dpi would be a speck: the
        // letters are sized for a 40-column line across the 72 mm.
        doc.setDefaultFont(ImpressaoRecibo::fonteRecibo(pagina.width(), &printer));
        doc.setPageSize(QSizeF(pagina.width(), pagina.height() - 5));
        doc.print(&printer);
        escrito = printer.printerState() != QPrinter::Error;
    } // the writer closes the file here
    const QFileInfo info(parcial);
    if (!escrito || !info.isFile() || info.size() == 0 || (QFile::exists(caminho) && !QFile::remove(caminho)) ||
        !QFile::rename(parcial, caminho)) {
        QFile::remove(parcial);
        log.error(QStringLiteral("[GravacaoRecibo] Falha ao gravar ") + caminho);
        return falha(QStringLiteral("Falha na criação do PDF. Não foi possível gravar o arquivo ") + caminho);
    }
    log.info(QStringLiteral("[GravacaoRecibo] PDF gravado em ") + caminho);
    return QJsonObject{{QStringLiteral("result"), 0},
                       {QStringLiteral("message"), QString::fromUtf8(mensagemSucesso)},
                       {QStringLiteral("caminho_pdf"), caminho}};
}

void GravacaoRecibo::run()
{
    const QString base = m_caminhoBase;
    const QJsonObject d = m_dados;
    const QString nsu = d.value(QLatin1String("nsuTerminal")).toString();
    const QJsonValue t = d.value(QLatin1String("transacao"));
    const QString transacao = t.isString() ? t.toString() : QStringLiteral("indefinido");
    const struct
    {
        const char *chave, *via;
    } copias[] = {{"comprovanteDiferenciadoLoja", "lojista"}, {"comprovanteDiferenciadoPortador", "cliente"}};
    for (const auto &c : copias) {
        const QLatin1String chave(c.chave);
        if (d.contains(chave))
            emit gravado(gerar(base, transacao, QLatin1String(c.via), nsu, d.value(chave).toString()));
    }
}
