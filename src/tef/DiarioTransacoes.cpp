#include "tef/DiarioTransacoes.h"

#include "platform/Platform.h"
#include "util/DadosSensiveis.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>

namespace {

struct NomeEstado
{
    DiarioTransacoes::Estado estado;
    const char *nome;
};

const NomeEstado kEstados[] = {
    {DiarioTransacoes::Estado::EmAndamento, "em_andamento"},
    {DiarioTransacoes::Estado::Respondida, "respondida"},
    {DiarioTransacoes::Estado::NaoResolvida, "nao_resolvida"},
    {DiarioTransacoes::Estado::Resolvida, "resolvida"},
};

QString nomeEstado(DiarioTransacoes::Estado estado)
{
    for (const NomeEstado &e : kEstados)
        if (e.estado == estado)
            return QLatin1String(e.nome);
    return QString();
}

std::optional<DiarioTransacoes::Estado> estadoDoNome(const QString &nome)
{
    for (const NomeEstado &e : kEstados)
        if (nome == QLatin1String(e.nome))
            return e.estado;
    return std::nullopt;
}

// Whatever the POS or the library put into a text is masked before it is kept.
QString mascarado(const QString &texto)
{
    return mascararDadosSensiveis(texto);
}

QJsonObject paraJson(const DiarioTransacoes::Registro &r)
{
    QJsonObject o{{QStringLiteral("chave"), r.chave},
                  {QStringLiteral("estado"), nomeEstado(r.estado)},
                  {QStringLiteral("operacao"), mascarado(r.operacao)},
                  {QStringLiteral("identificacao"), mascarado(r.identificacao)},
                  {QStringLiteral("formato"), r.formatoJson ? QStringLiteral("JSON") : QStringLiteral("SiTef")}};
    if (r.pendente) {
        o.insert(QStringLiteral("sequencial"), r.pendente->sequencial);
        o.insert(QStringLiteral("transacao"), mascarado(r.pendente->transacao));
        o.insert(QStringLiteral("nsuTerminal"), mascarado(r.pendente->nsuTerminal));
        o.insert(QStringLiteral("valorTotal"), mascarado(r.pendente->valorTotal));
        o.insert(QStringLiteral("dataHoraTransacao"), mascarado(r.pendente->dataHoraTransacao));
    }
    if (!r.desfecho.isEmpty())
        o.insert(QStringLiteral("desfecho"), r.desfecho);
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
    r.desfecho = o.value(QStringLiteral("desfecho")).toString();
    if (o.value(QStringLiteral("sequencial")).isDouble() && o.value(QStringLiteral("transacao")).isString()) {
        SequencialInfo p;
        p.sequencial = o.value(QStringLiteral("sequencial")).toInt();
        p.transacao = o.value(QStringLiteral("transacao")).toString();
        p.nsuTerminal = o.value(QStringLiteral("nsuTerminal")).toString(p.nsuTerminal);
        p.valorTotal = o.value(QStringLiteral("valorTotal")).toString(p.valorTotal);
        p.dataHoraTransacao = o.value(QStringLiteral("dataHoraTransacao")).toString(p.dataHoraTransacao);
        r.pendente = p;
    }
    return r;
}

} // namespace

DiarioTransacoes::DiarioTransacoes(const QString &arquivo) : m_arquivo(arquivo) {}

QString DiarioTransacoes::arquivoAoLadoDe(const QString &arquivoConfiguracao)
{
    return QFileInfo(arquivoConfiguracao).absolutePath() + QStringLiteral("/diario_tef.json");
}

void DiarioTransacoes::carregar()
{
    QMutexLocker lock(&m_mutex);
    m_registros.clear();
    m_proximaChave = 1;
    QFile f(m_arquivo);
    if (!f.exists())
        return;
    QString problema;
    QJsonArray lista;
    if (!f.open(QIODevice::ReadOnly)) {
        problema = f.errorString();
    } else {
        QJsonParseError erro;
        const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &erro);
        f.close();
        if (erro.error != QJsonParseError::NoError)
            problema = erro.errorString();
        else if (!doc.object().value(QStringLiteral("registros")).isArray())
            problema = QStringLiteral("sem a lista de registros");
        lista = doc.object().value(QStringLiteral("registros")).toArray();
        m_proximaChave = qMax(1, doc.object().value(QStringLiteral("proxima_chave")).toInt(1));
    }
    for (const QJsonValue &v : qAsConst(lista)) {
        const std::optional<Registro> r = deJson(v.toObject());
        if (!r) {
            problema = QStringLiteral("registro ilegível");
            break;
        }
        m_registros.append(*r);
        m_proximaChave = qMax(m_proximaChave, r->chave + 1);
    }
    if (problema.isEmpty())
        return;
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

bool DiarioTransacoes::gravar()
{
    // Only the newest resolved records are worth keeping.
    int resolvidos = 0;
    for (const Registro &r : qAsConst(m_registros))
        resolvidos += r.estado == Estado::Resolvida ? 1 : 0;
    for (int i = 0; i < m_registros.size() && resolvidos > maximoResolvidos;) {
        if (m_registros.at(i).estado == Estado::Resolvida) {
            m_registros.removeAt(i);
            --resolvidos;
        } else {
            ++i;
        }
    }
    QJsonArray lista;
    for (const Registro &r : qAsConst(m_registros))
        lista.append(paraJson(r));
    const QByteArray conteudo = QJsonDocument(QJsonObject{{QStringLiteral("proxima_chave"), m_proximaChave},
                                                          {QStringLiteral("registros"), lista}})
                                    .toJson(QJsonDocument::Compact);

    // Temporary file, on the disk, then renamed: a crash at any instant leaves
    // either the old journal or the new one, never a mixture.
    const QString temporario = m_arquivo + QStringLiteral(".tmp");
    QFile f(temporario);
    QString erro;
    bool ok = platform::createFreshFile(f, &erro) && platform::writeAndSync(f, conteudo, &erro) &&
              platform::replaceFile(temporario, m_arquivo, true, &erro);
    if (!ok) {
        QFile::remove(temporario);
        m_log.error(QStringLiteral("Falha ao gravar o diário de transações %1: %2").arg(m_arquivo, erro));
    }
    return ok;
}

int DiarioTransacoes::abrir(const QString &operacao, const QString &identificacao, bool formatoJson)
{
    QMutexLocker lock(&m_mutex);
    Registro r;
    r.chave = m_proximaChave++;
    r.operacao = operacao;
    r.identificacao = identificacao;
    r.formatoJson = formatoJson;
    m_registros.append(r);
    if (gravar())
        return r.chave;
    m_registros.removeLast();
    return -1;
}

bool DiarioTransacoes::aprovar(int chave, const SequencialInfo &pendente)
{
    QMutexLocker lock(&m_mutex);
    const int i = indice(chave);
    if (i < 0)
        return false;
    m_registros[i].pendente = pendente;
    return gravar();
}

bool DiarioTransacoes::marcar(int chave, Estado estado, const QString &desfecho)
{
    QMutexLocker lock(&m_mutex);
    const int i = indice(chave);
    if (i < 0)
        return false;
    m_registros[i].estado = estado;
    if (!desfecho.isEmpty())
        m_registros[i].desfecho = desfecho;
    return gravar();
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
