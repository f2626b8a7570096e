#include "nucleo/Historico.h"

#include "base/DadosSensiveis.h"
#include "base/Platform.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QMutexLocker>

#include <cstdio>

namespace {

const QString tag = QStringLiteral("[Historico] ");

// Every line starts with its date, so trimming and finding a day read no JSON.
const QByteArray inicioLinha = QByteArrayLiteral("{\"data\":\"");
constexpr int tamanhoData = 10; // yyyy-MM-dd

QByteArray dataDaLinha(const QByteArray &linha)
{
    if (!linha.startsWith(inicioLinha) || linha.size() < inicioLinha.size() + tamanhoData)
        return QByteArray();
    return linha.mid(inicioLinha.size(), tamanhoData);
}

// Card numbers and track data need 13 digits or more, and passwords their own
// field names: a short text without them (a brand, an NSU) is as masking leaves
// it, and is spared the masking's regular expressions, the larger part of a line's cost.
QString mascarado(const QString &texto)
{
    const QString t = texto.trimmed();
    int digitos = 0;
    for (const QChar c : t)
        digitos += c.isDigit() ? 1 : 0;
    if (digitos < 13 && !t.contains(QLatin1String("375-025")) && !t.contains(QLatin1String("senha")))
        return t;
    return mascararDadosSensiveis(t);
}

} // namespace

QString FimTransacao::nome(Situacao s)
{
    switch (s) {
    case Situacao::Pendente:
        return QStringLiteral("pendente");
    case Situacao::Aprovada:
        return QStringLiteral("aprovada");
    case Situacao::Negada:
        return QStringLiteral("negada");
    case Situacao::Cancelada:
        return QStringLiteral("cancelada");
    case Situacao::Desfeita:
        return QStringLiteral("desfeita");
    case Situacao::NaoResolvida:
        return QStringLiteral("nao_resolvida");
    case Situacao::Erro:
        break;
    }
    return QStringLiteral("erro");
}

Historico::Historico(const QString &arquivo, Resumir resumir) : m_arquivo(arquivo), m_resumir(resumir) {}

Historico::~Historico() = default;

QString Historico::arquivoAoLadoDe(const QString &arquivoConfiguracao)
{
    return QFileInfo(arquivoConfiguracao).absolutePath() + QStringLiteral("/historico_tef.jsonl");
}

QString Historico::valorEmReais(const QString &texto)
{
    const QString t = texto.trimmed();
    if (t.isEmpty())
        return t;
    const int separador = qMax(t.lastIndexOf(QLatin1Char('.')), t.lastIndexOf(QLatin1Char(',')));
    QString inteiros = separador < 0 ? t : t.left(separador);
    QString decimais = separador < 0 ? QString() : t.mid(separador + 1);
    inteiros.remove(QLatin1Char('.')).remove(QLatin1Char(','));
    if (separador < 0) {
        // Plain digits: cents, as the libraries and the POS write amounts.
        inteiros = inteiros.rightJustified(3, QLatin1Char('0'));
        decimais = inteiros.right(2);
        inteiros.chop(2);
    }
    bool okI = false;
    bool okD = decimais.isEmpty();
    const qlonglong reais = inteiros.isEmpty() ? 0 : inteiros.toLongLong(&okI);
    okI = okI || inteiros.isEmpty();
    if (!decimais.isEmpty())
        decimais.toInt(&okD);
    // Anything else is not an amount this can read: kept as it came, masked.
    if (!okI || !okD || decimais.size() > 2 || reais < 0)
        return mascarado(t);
    return QString::number(reais) + QLatin1Char('.') + decimais.leftJustified(2, QLatin1Char('0'));
}

void Historico::podar(int dias, const QDate &hoje)
{
    QMutexLocker lock(&m_mutex);
    m_anexo.close();
    QFile f(m_arquivo);
    if (!f.exists())
        return;
    if (!f.open(QIODevice::ReadOnly)) {
        m_log.error(tag + QStringLiteral("Histórico %1 ilegível: %2").arg(m_arquivo, f.errorString()));
        return;
    }
    const QByteArray corte = hoje.addDays(-dias).toString(Qt::ISODate).toLatin1();
    const QByteArray conteudo = f.readAll();
    f.close();
    QByteArray mantido;
    mantido.reserve(conteudo.size());
    int removidas = 0;
    for (const QByteArray &linha : conteudo.split('\n')) {
        if (linha.isEmpty())
            continue;
        const QByteArray data = dataDaLinha(linha);
        // A line of unknown layout is not this code's to drop.
        if (!data.isEmpty() && data < corte) {
            ++removidas;
            continue;
        }
        mantido += linha + '\n';
    }
    if (removidas == 0)
        return;
    // Temporary file, synced, renamed: a crash leaves the old history or the new one.
    const QString temporario = m_arquivo + QStringLiteral(".tmp");
    QFile novo(temporario);
    QString erro;
    if (!platform::createFreshFile(novo, &erro, true) || !platform::writeAndSync(novo, mantido, &erro) ||
        !platform::replaceFile(temporario, m_arquivo, true, &erro)) {
        QFile::remove(temporario);
        m_log.error(tag + QStringLiteral("Falha ao reduzir o histórico %1: %2").arg(m_arquivo, erro));
        return;
    }
    m_log.info(tag + QStringLiteral("%1 linha(s) anteriores a %2 removidas do histórico")
                         .arg(removidas)
                         .arg(QString::fromLatin1(corte)));
}

bool Historico::abrir()
{
    if (m_anexo.isOpen())
        return true;
    m_anexo.setFileName(m_arquivo);
    QString erro;
    if (!platform::openOwnerOnly(m_anexo, QIODevice::WriteOnly | QIODevice::Append, &erro)) {
        m_log.error(tag + QStringLiteral("Histórico %1 indisponível: %2").arg(m_arquivo, erro));
        return false;
    }
    // A line cut by a crash ends here, so the next one starts whole.
    QFile leitura(m_arquivo);
    if (m_anexo.size() > 0 && leitura.open(QIODevice::ReadOnly) && leitura.seek(leitura.size() - 1) &&
        leitura.read(1) != "\n")
        m_anexo.write("\n");
    return true;
}

Historico::Situacao Historico::registrar(const FimTransacao &fim)
{
    Resumo r;
    if (!fim.resultado.isEmpty() && m_resumir)
        r = m_resumir(fim.resultado);
    if (fim.pendente) {
        if (r.valor.isEmpty())
            r.valor = fim.pendente->valorTotal;
        if (r.nsu.isEmpty())
            r.nsu = fim.pendente->nsuTerminal;
    }
    if (r.valor.isEmpty())
        r.valor = fim.valorRequisicao;
    const Situacao situacao = fim.situacao.value_or(r.situacao);

    // As the log stamps its lines, and laid out by hand: QTime::toString asks the system's locale at every call.
    const QDateTime agora = Log::horaLocal();
    const QDate d = agora.date();
    const QTime t = agora.time();
    char data[16];
    char hora[16];
    std::snprintf(data, sizeof data, "%04d-%02d-%02d", d.year(), d.month(), d.day());
    std::snprintf(hora, sizeof hora, "%02d:%02d:%02d", t.hour(), t.minute(), t.second());
    QJsonObject o{{QStringLiteral("hora"), QLatin1String(hora)},
                  {QStringLiteral("origem"), fim.origem},
                  {QStringLiteral("produto"), fim.produto},
                  {QStringLiteral("operacao"), mascarado(fim.operacao)},
                  {QStringLiteral("estado"), FimTransacao::nome(situacao)},
                  {fim.liquidacao ? QStringLiteral("liquida") : QStringLiteral("registro"), fim.registro}};
    const std::pair<const char *, const QString *> textos[] = {{"valor", nullptr},
                                                               {"bandeira", &r.bandeira},
                                                               {"rede", &r.rede},
                                                               {"nsu", &r.nsu},
                                                               {"autorizacao", &r.autorizacao}};
    for (const auto &[chave, texto] : textos) {
        const QString valor = texto ? mascarado(*texto) : valorEmReais(r.valor);
        if (!valor.isEmpty())
            o.insert(QLatin1String(chave), valor);
    }
    const QByteArray linha =
        inicioLinha + QByteArray(data) + "\"," + QJsonDocument(o).toJson(QJsonDocument::Compact).mid(1) + '\n';

    QMutexLocker lock(&m_mutex);
    if (abrir() && (m_anexo.write(linha) != linha.size() || !m_anexo.flush())) {
        m_log.error(tag + QStringLiteral("Falha ao gravar o histórico %1: %2").arg(m_arquivo, m_anexo.errorString()));
        m_anexo.close();
    }
    return situacao;
}

QList<Historico::Linha> Historico::doDia(const QString &arquivo, const QDate &dia, int *ignoradas)
{
    QList<Linha> linhas;
    if (ignoradas)
        *ignoradas = 0;
    QFile f(arquivo);
    if (!f.open(QIODevice::ReadOnly))
        return linhas;
    const QByteArray alvo = dia.toString(Qt::ISODate).toLatin1();
    // Approved rows of the day still waiting for their settling line, by record.
    QHash<int, int> abertas;
    for (const QByteArray &bruta : f.readAll().split('\n')) {
        if (bruta.isEmpty())
            continue;
        const QByteArray data = dataDaLinha(bruta);
        if (!data.isEmpty() && (data < alvo || (data > alvo && abertas.isEmpty())))
            continue;
        const QJsonObject o = QJsonDocument::fromJson(bruta).object();
        if (data.isEmpty() || o.isEmpty()) {
            if (ignoradas)
                ++*ignoradas;
            continue;
        }
        const QString estado = o.value(QLatin1String("estado")).toString();
        const QJsonValue liquida = o.value(QLatin1String("liquida"));
        if (liquida.isDouble() && abertas.contains(liquida.toInt())) {
            linhas[abertas.take(liquida.toInt())].estado = estado;
            continue;
        }
        // Settled on a later day: only its settling line belongs there, not the sale.
        if (data != alvo)
            continue;
        Linha l;
        l.data = QString::fromLatin1(data);
        l.hora = o.value(QLatin1String("hora")).toString();
        l.origem = o.value(QLatin1String("origem")).toString();
        l.produto = o.value(QLatin1String("produto")).toInt(-1);
        l.estado = estado;
        for (const auto &[chave, campo] :
             {std::pair{"operacao", &Linha::operacao}, std::pair{"valor", &Linha::valor},
              std::pair{"bandeira", &Linha::bandeira}, std::pair{"rede", &Linha::rede}, std::pair{"nsu", &Linha::nsu},
              std::pair{"autorizacao", &Linha::autorizacao}})
            l.*campo = o.value(QLatin1String(chave)).toString();
        if (estado == FimTransacao::nome(Situacao::Pendente))
            abertas.insert(o.value(QLatin1String("registro")).toInt(-1), linhas.size());
        linhas.append(l);
    }
    return linhas;
}
