#include "Reimpressao.h"

#include "base/ConfigTef.h"
#include "nucleo/Ocupacao.h"
#include "receipts/GravacaoRecibo.h"
#include "receipts/ImpressaoRecibo.h"

#include <QCoreApplication>
#include <QDir>
#include <QMutexLocker>

#include <algorithm>

namespace {

const QString tag = QStringLiteral("[Reimpressao] ");
const char *const copias[] = {"comprovanteDiferenciadoLoja", "comprovanteDiferenciadoPortador"};

bool temCopia(const QJsonObject &recibo)
{
    for (const char *c : copias)
        if (!recibo.value(QLatin1String(c)).toString().isEmpty())
            return true;
    return false;
}

} // namespace

const QString Reimpressao::marca = QStringLiteral("2ª VIA");

Reimpressao::Reimpressao(const ConfigTef &config, QObject *parent)
    : QObject(parent), m_config(config), m_pdf(new GravacaoRecibo(this)), m_print(new ImpressaoRecibo(this))
{
    m_print->setImpressora(m_config.nomeImpressora());
    const auto relatar = [this](const QJsonObject &r) {
        if (r.value(QLatin1String("result")).toInt(0) != 0)
            emit erro(r.value(QLatin1String("message")).toString());
    };
    connect(m_pdf, &GravacaoRecibo::gravado, this, relatar);
    connect(m_print, &ImpressaoRecibo::impresso, this, relatar);
    // A copy being printed or filed when the program ends is finished while the application still stands.
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this] {
            m_pdf->wait();
            m_print->wait();
        });
}

Reimpressao::~Reimpressao()
{
    // A copy being printed when the program ends is finished, not cut off.
    m_pdf->wait();
    m_print->wait();
}

void Reimpressao::guardar(const QJsonObject &recibo, int registro)
{
    if (!temCopia(recibo))
        return;
    QMutexLocker lock(&m_mutex);
    m_recibos.append({registro, recibo});
    while (m_recibos.size() > guardados)
        m_recibos.removeFirst();
}

void Reimpressao::esquecer(int registro)
{
    if (registro < 0)
        return;
    QMutexLocker lock(&m_mutex);
    m_recibos.erase(std::remove_if(m_recibos.begin(), m_recibos.end(),
                                   [registro](const Guardado &g) { return g.registro == registro; }),
                    m_recibos.end());
}

QJsonObject Reimpressao::segundaVia(const QJsonObject &recibo)
{
    QJsonObject via = recibo;
    for (const char *c : copias) {
        const QLatin1String chave(c);
        if (!recibo.contains(chave))
            continue;
        const QString texto = recibo.value(chave).toString();
        const QString quebra = texto.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
        via.insert(chave, marca + quebra + texto);
    }
    // Filed beside the library's own reprints, never over the first copy's file.
    via.insert(QStringLiteral("transacao"), QStringLiteral("Administracao Reimprimir"));
    return via;
}

QString Reimpressao::recusar(const QString &motivo)
{
    m_log.warning(tag + QStringLiteral("Comprovante não reimpresso: ") + motivo);
    emit erro(motivo);
    return motivo;
}

QString Reimpressao::reimprimir()
{
    if (m_ocupacao && !m_ocupacao->livre())
        return recusar(QStringLiteral("Operação em andamento: aguarde o fim para iniciar outra"));
    QJsonObject recibo;
    {
        QMutexLocker lock(&m_mutex);
        if (!m_recibos.isEmpty())
            recibo = m_recibos.constLast().recibo;
    }
    if (recibo.isEmpty())
        return recusar(QStringLiteral("Nenhum comprovante"));
    if (m_print->isRunning() || m_pdf->isRunning())
        return recusar(QStringLiteral("Reimpressão em andamento"));
    if (!m_config.habilitaImpressao() && !m_config.gerarPdf())
        return recusar(QStringLiteral("Impressão e PDF de comprovantes desativados nas configurações"));

    const QJsonObject via = segundaVia(recibo);
    m_log.info(tag + QStringLiteral("Reimprimindo comprovante NSU ") +
               via.value(QLatin1String("nsuTerminal")).toString());
    if (m_config.habilitaImpressao()) {
        m_print->setDados(via);
        m_print->start();
    }
    if (m_config.gerarPdf()) {
        m_pdf->setDados(via);
        // As the cashier's own receipts: a relative folder sits beside the settings.
        const QString caminho = m_config.caminhoPdf();
        m_pdf->setCaminhoBase(caminho.isEmpty() ? caminho : QDir(ConfigTef::pasta()).absoluteFilePath(caminho));
        m_pdf->start();
    }
    return QString();
}
