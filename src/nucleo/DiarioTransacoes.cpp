#include "nucleo/DiarioTransacoes.h"

#include "base/DadosSensiveis.h"
#include "base/Platform.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>

#include <utility>

namespace {

struct NomeEstado
{
    DiarioTransacoes::Estado estado;
    const char *nome;
};

const NomeEstado kEstados[] = {
    {DiarioTransacoes::Estado::EmAndamento, "em_andamento"}, {DiarioTransacoes::Estado::EmEntrega, "em_entrega"},
    {DiarioTransacoes::Estado::Respondida, "respondida"},    {DiarioTransacoes::Estado::NaoResolvida, "nao_resolvida"},
    {DiarioTransacoes::Estado::Resolvida, "resolvida"},
};

std::optional<DiarioTransacoes::Estado> estadoDoNome(const QString &nome)
{
    for (const NomeEstado &e : kEstados)
        if (nome == QLatin1String(e.nome))
            return e.estado;
    return std::nullopt;
}

// With the offset from UTC, so the time reads the same wherever it is read.
QDateTime agora()
{
    const QDateTime t = QDateTime::currentDateTime();
    return t.toOffsetFromUtc(t.offsetFromUtc());
}

// Whatever the POS or the library put into a text is masked before it is kept.
QString mascarado(const QString &texto)
{
    return mascararDadosSensiveis(texto);
}

QJsonObject paraJson(const DiarioTransacoes::Registro &r)
{
    QJsonObject o{{QStringLiteral("chave"), r.chave},
                  {QStringLiteral("estado"), DiarioTransacoes::nomeEstado(r.estado)},
                  {QStringLiteral("operacao"), mascarado(r.operacao)},
                  {QStringLiteral("identificacao"), mascarado(r.identificacao)},
                  {QStringLiteral("formato"), r.formatoJson ? QStringLiteral("JSON") : QStringLiteral("SiTef")},
                  {QStringLiteral("produto"), r.produto}};
    if (r.pendente) {
        o.insert(QStringLiteral("sequencial"), r.pendente->sequencial);
        o.insert(QStringLiteral("transacao"), mascarado(r.pendente->transacao));
        o.insert(QStringLiteral("nsuTerminal"), mascarado(r.pendente->nsuTerminal));
        o.insert(QStringLiteral("valorTotal"), mascarado(r.pendente->valorTotal));
        o.insert(QStringLiteral("dataHoraTransacao"), mascarado(r.pendente->dataHoraTransacao));
        // What only some products' libraries need to settle it.
        for (const auto &[chave, valor] :
             {std::pair{"idTransacao", &SequencialInfo::identificacao}, std::pair{"pdv", &SequencialInfo::pdv},
              std::pair{"finalizacao", &SequencialInfo::finalizacao}}) {
            if (!((*r.pendente).*valor).isEmpty())
                o.insert(QLatin1String(chave), mascarado((*r.pendente).*valor));
        }
    }
    if (!r.desfecho.isEmpty())
        o.insert(QStringLiteral("desfecho"), r.desfecho);
    if (r.desde.isValid())
        o.insert(QStringLiteral("desde"), r.desde.toString(Qt::ISODate));
    return o;
}

std::optional<DiarioTransacoes::Registro> deJson(const QJsonObject &o)
{
    const std::optional<DiarioTransacoes::Estado> estado = estadoDoNome(o.value(QStringLiteral("estado")).toString());
    const QJsonValue chave = o.value(QStringLiteral("chave"));
    if (!estado || !chave.isDouble())
        return std::nullopt;
    DiarioTransacoes::Registro r;
    r.chave = chave.toInt();
    r.estado = *estado;
    r.operacao = o.value(QStringLiteral("operacao")).toString();
    r.identificacao = o.value(QStringLiteral("identificacao")).toString();
    r.formatoJson = o.value(QStringLiteral("formato")).toString() == QLatin1String("JSON");
    r.produto = o.value(QStringLiteral("produto")).toInt(2);
    r.desfecho = o.value(QStringLiteral("desfecho")).toString();
    r.desde = QDateTime::fromString(o.value(QStringLiteral("desde")).toString(), Qt::ISODate);
    if (o.value(QStringLiteral("sequencial")).isDouble() && o.value(QStringLiteral("transacao")).isString()) {
        SequencialInfo p;
        p.sequencial = o.value(QStringLiteral("sequencial")).toInt();
        p.transacao = o.value(QStringLiteral("transacao")).toString();
        p.nsuTerminal = o.value(QStringLiteral("nsuTerminal")).toString(p.nsuTerminal);
        p.valorTotal = o.value(QStringLiteral("valorTotal")).toString(p.valorTotal);
        p.dataHoraTransacao = o.value(QStringLiteral("dataHoraTransacao")).toString(p.dataHoraTransacao);
        p.identificacao = o.value(QStringLiteral("idTransacao")).toString();
        p.pdv = o.value(QStringLiteral("pdv")).toString();
        p.finalizacao = o.value(QStringLiteral("finalizacao")).toString();
        p.registro = r.chave;
        r.pendente = p;
    }
    return r;
}

} // namespace

DiarioTransacoes::DiarioTransacoes(const QString &arquivo) : m_arquivo(arquivo) {}

QString DiarioTransacoes::arquivoAoLadoDe(const QString &arquivoConfiguracao)
{
    return QFileInfo(arquivoConfiguracao).absolutePath() + QStringLiteral("/diario_tef.jsonl");
}

namespace {

// Every change was written as one line ending in '\n'; only the last one can
// have been cut by a crash, and its sync never returned. The records, each at
// its last line, in the order they were opened.
QList<DiarioTransacoes::Registro> lerLinhas(const QByteArray &conteudo, QByteArray *cortada, QString *problema)
{
    QList<DiarioTransacoes::Registro> registros;
    QHash<int, int> posicao;
    const int fimUltima = conteudo.lastIndexOf('\n') + 1;
    *cortada = conteudo.mid(fimUltima);
    const QList<QByteArray> linhas = conteudo.left(fimUltima).split('\n');
    for (int n = 0; n < linhas.size(); ++n) {
        if (linhas.at(n).isEmpty())
            continue;
        QJsonParseError erro;
        const QJsonDocument doc = QJsonDocument::fromJson(linhas.at(n), &erro);
        const std::optional<DiarioTransacoes::Registro> r = doc.isObject() ? deJson(doc.object()) : std::nullopt;
        if (!r) {
            *problema = QStringLiteral("linha %1 ilegível").arg(n + 1);
            return {};
        }
        const auto i = posicao.constFind(r->chave);
        if (i == posicao.constEnd()) {
            posicao.insert(r->chave, registros.size());
            registros.append(*r);
        } else {
            registros[*i] = *r;
        }
    }
    return registros;
}

} // namespace

QString DiarioTransacoes::nomeEstado(Estado estado)
{
    for (const NomeEstado &e : kEstados)
        if (e.estado == estado)
            return QLatin1String(e.nome);
    return QString();
}

QList<DiarioTransacoes::Registro> DiarioTransacoes::ler(const QString &arquivo, QString *problema)
{
    QFile f(arquivo);
    if (!f.exists())
        return {};
    if (!f.open(QIODevice::ReadOnly)) {
        *problema = f.errorString();
        return {};
    }
    QByteArray cortada;
    return lerLinhas(f.readAll(), &cortada, problema);
}

void DiarioTransacoes::carregar()
{
    QMutexLocker lock(&m_mutex);
    m_anexo.close();
    m_registros.clear();
    m_json.clear();
    m_proximaChave = 1;
    QFile f(m_arquivo);
    if (!f.exists())
        return;
    QString problema;
    QByteArray conteudo;
    if (f.open(QIODevice::ReadOnly))
        conteudo = f.readAll();
    else
        problema = f.errorString();
    f.close();

    QByteArray cortada;
    if (problema.isEmpty())
        m_registros = lerLinhas(conteudo, &cortada, &problema);
    if (problema.isEmpty()) {
        for (const Registro &r : qAsConst(m_registros))
            m_proximaChave = qMax(m_proximaChave, r.chave + 1);
        if (!cortada.isEmpty())
            m_log.warning(QStringLiteral("Diário de transações %1: última linha incompleta (%2 bytes) descartada")
                              .arg(m_arquivo)
                              .arg(cortada.size()));
        for (const Registro &r : qAsConst(m_registros))
            atualizarJson(r);
        reescrever();
        return;
    }
    m_registros.clear();
    m_proximaChave = 1;
    const QString aparte = m_arquivo + QStringLiteral(".ilegivel-") +
                           QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss"));
    const bool movido = QFile::rename(m_arquivo, aparte);
    m_log.error(QStringLiteral("Diário de transações %1 ilegível (%2); guardado como %3. Verifique as transações "
                               "pendentes no TEF manualmente")
                    .arg(m_arquivo, problema, movido ? aparte : QStringLiteral("(não foi possível movê-lo)")));
}

int DiarioTransacoes::indice(int chave) const
{
    for (int i = 0; i < m_registros.size(); ++i)
        if (m_registros.at(i).chave == chave)
            return i;
    return -1;
}

void DiarioTransacoes::atualizarJson(const Registro &r)
{
    m_json.insert(r.chave, paraJson(r));
}

bool DiarioTransacoes::reescrever()
{
    m_anexo.close();
    // Only the newest resolved records are worth keeping.
    int resolvidos = 0;
    for (const Registro &r : qAsConst(m_registros))
        resolvidos += r.estado == Estado::Resolvida ? 1 : 0;
    for (int i = 0; i < m_registros.size() && resolvidos > maximoResolvidos;) {
        if (m_registros.at(i).estado == Estado::Resolvida) {
            m_json.remove(m_registros.at(i).chave);
            m_registros.removeAt(i);
            --resolvidos;
        } else {
            ++i;
        }
    }
    QByteArray conteudo;
    for (const Registro &r : qAsConst(m_registros))
        conteudo += QJsonDocument(m_json.value(r.chave)).toJson(QJsonDocument::Compact) + '\n';

    // Temporary file, on the disk, then renamed: a crash at any instant leaves
    // either the old journal or the new one, never a mixture. The file stays
    // open for the appends that follow.
    const QString temporario = m_arquivo + QStringLiteral(".tmp");
    m_anexo.setFileName(temporario);
    QString erro;
    const bool ok = platform::createFreshFile(m_anexo, &erro, true) &&
                    platform::appendAndSync(m_anexo, conteudo, &erro) &&
                    platform::replaceFile(temporario, m_arquivo, true, &erro);
    if (!ok) {
        m_anexo.close();
        QFile::remove(temporario);
        m_log.error(QStringLiteral("Falha ao gravar o diário de transações %1: %2").arg(m_arquivo, erro));
        return false;
    }
    m_linhas = m_registros.size();
    return true;
}

bool DiarioTransacoes::gravar(const Registro &r)
{
    atualizarJson(r);
    if (!m_anexo.isOpen() || m_linhas >= limiteLinhas)
        return reescrever();
    QString erro;
    if (platform::appendAndSync(m_anexo, QJsonDocument(m_json.value(r.chave)).toJson(QJsonDocument::Compact) + '\n',
                                &erro)) {
        ++m_linhas;
        return true;
    }
    // Part of the line may be on the disk: the next change rewrites the file
    // whole instead of appending after it.
    m_anexo.close();
    m_log.error(QStringLiteral("Falha ao gravar o diário de transações %1: %2").arg(m_arquivo, erro));
    return false;
}

int DiarioTransacoes::abrir(const QString &operacao, const QString &identificacao, bool formatoJson, int produto)
{
    QMutexLocker lock(&m_mutex);
    Registro r;
    r.chave = m_proximaChave++;
    r.operacao = operacao;
    r.identificacao = identificacao;
    r.formatoJson = formatoJson;
    r.produto = produto;
    r.desde = agora();
    m_registros.append(r);
    if (gravar(r))
        return r.chave;
    m_registros.removeLast();
    m_json.remove(r.chave);
    return -1;
}

bool DiarioTransacoes::aprovar(int chave, const SequencialInfo &pendente)
{
    QMutexLocker lock(&m_mutex);
    const int i = indice(chave);
    if (i < 0)
        return false;
    m_registros[i].pendente = pendente;
    return gravar(m_registros.at(i));
}

bool DiarioTransacoes::marcar(int chave, Estado estado, const QString &desfecho)
{
    QMutexLocker lock(&m_mutex);
    const int i = indice(chave);
    if (i < 0)
        return false;
    if (m_registros.at(i).estado != estado)
        m_registros[i].desde = agora();
    m_registros[i].estado = estado;
    if (!desfecho.isEmpty())
        m_registros[i].desfecho = desfecho;
    return gravar(m_registros.at(i));
}

QList<DiarioTransacoes::Registro> DiarioTransacoes::registros() const
{
    QMutexLocker lock(&m_mutex);
    return m_registros;
}

std::optional<DiarioTransacoes::Registro> DiarioTransacoes::registro(int chave) const
{
    QMutexLocker lock(&m_mutex);
    const int i = indice(chave);
    if (i < 0)
        return std::nullopt;
    return m_registros.at(i);
}

QList<DiarioTransacoes::Registro> DiarioTransacoes::procurar(const std::function<bool(const Registro &)> &aceita) const
{
    QList<Registro> achados;
    QMutexLocker lock(&m_mutex);
    for (const Registro &r : qAsConst(m_registros))
        if (aceita(r))
            achados.append(r);
    return achados;
}
