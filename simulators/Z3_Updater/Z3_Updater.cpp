// Stand-in for the updater library. No network: the versions on offer are the
// installer files in the folder named by "Z3_SIM_ATUALIZACOES", named like the
// installer the program configured ("<programa>-v<versão><sufixo>"). See the
// docs/simuladores.md ("Simulated Z3_Updater library") for the replies and the scenario keys.
#include "../common/SimLog.h"
#include "app/Z3_Updater_Api.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QVector>

#include <type_traits>

namespace {

struct Estado
{
    QMutex mutex;
    bool configurado = false;
    QString prefixo; // "<programa>-v"
    QString versaoAtual;
    QString sufixo;
    QByteArray resposta; // the text handed out by the last call
};

Estado &estado()
{
    static Estado e;
    return e;
}

QVector<int> partes(const QString &versao)
{
    QVector<int> p;
    const auto pedacos = versao.split(QLatin1Char('.'));
    for (const QString &s : pedacos)
        p << s.toInt();
    return p;
}

bool maisNova(const QString &a, const QString &b)
{
    return partes(a) > partes(b);
}

struct Versao
{
    QString id;
    QString caminho;
};

// The newest installer in the versions folder above the running version; empty id when none.
Versao maisRecente(const Estado &e)
{
    Versao melhor;
    const QDir pasta(qEnvironmentVariable("Z3_SIM_ATUALIZACOES"));
    const auto nomes = pasta.entryList(QDir::Files);
    for (const QString &nome : nomes) {
        if (!nome.startsWith(e.prefixo) || !nome.endsWith(e.sufixo))
            continue;
        const QString id = nome.mid(e.prefixo.size(), nome.size() - e.prefixo.size() - e.sufixo.size());
        if (!QRegularExpression(QStringLiteral("^\\d+(\\.\\d+)*$")).match(id).hasMatch())
            continue;
        if (maisNova(id, e.versaoAtual) && (melhor.id.isEmpty() || maisNova(id, melhor.id)))
            melhor = {id, pasta.filePath(nome)};
    }
    return melhor;
}

QJsonObject descricao(const Versao &v)
{
    QFile f(v.caminho);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (f.open(QIODevice::ReadOnly))
        hash.addData(&f);
    const QFileInfo info(v.caminho);
    return {{QStringLiteral("id"), v.id},
            {QStringLiteral("data"), info.lastModified().toString(QStringLiteral("yyyy-MM-dd"))},
            {QStringLiteral("hash"), QString::fromLatin1(hash.result().toHex())},
            {QStringLiteral("nome"), info.fileName()}};
}

const char *responder(Estado &e, const char *funcao, const QJsonArray &argumentos, const QJsonObject &resposta)
{
    simlog::registrar(funcao, argumentos, {{QStringLiteral("codigo"), resposta.value(QStringLiteral("codigo"))}});
    e.resposta = QJsonDocument(resposta).toJson(QJsonDocument::Compact);
    return e.resposta.constData();
}

QJsonObject falha(const QString &mensagem)
{
    return {{QStringLiteral("codigo"), -1}, {QStringLiteral("mensagem"), mensagem}};
}

// Whether the versions can be consulted at all; the reason when not.
QString indisponivel(const Estado &e)
{
    if (!e.configurado)
        return QStringLiteral("Atualizador não configurado");
    const QString pasta = qEnvironmentVariable("Z3_SIM_ATUALIZACOES");
    if (pasta.isEmpty() || !QFileInfo(pasta).isDir())
        return QStringLiteral("Servidor de atualização indisponível");
    return QString();
}

} // namespace

#define Z3_EXPORT extern "C" Q_DECL_EXPORT

Z3_EXPORT void RealizarConfiguracao(const char *produto, const char *tipo, const char *sistema, const char *arquitetura,
                                    const char *nomeInstalador)
{
    simlog::registrar("RealizarConfiguracao", {simlog::texto(produto), simlog::texto(tipo), simlog::texto(sistema),
                                               simlog::texto(arquitetura), simlog::texto(nomeInstalador)});
    Estado &e = estado();
    QMutexLocker l(&e.mutex);
    // "Z3_TEFZoduvud-v01.23.04.sh": the name pattern and the running version.
    static const QRegularExpression padrao(QStringLiteral("^(.*-v)(\\d+(?:\\.\\d+)*)(.*)$"));
    const auto m = padrao.match(QString::fromUtf8(nomeInstalador ? nomeInstalador : ""));
    e.configurado = m.hasMatch();
    e.prefixo = m.captured(1);
    e.versaoAtual = m.captured(2);
    e.sufixo = m.captured(3);
}

Z3_EXPORT const char *RealizarVerificacao()
{
    Estado &e = estado();
    QMutexLocker l(&e.mutex);
    const QJsonObject cenario = simlog::cenario();
    // A scenario may force a reply code the program does not expect.
    if (cenario.contains(QStringLiteral("atualizador_verificacao"))) {
        const int codigo = cenario.value(QStringLiteral("atualizador_verificacao")).toInt();
        return responder(e, "RealizarVerificacao", {},
                         {{QStringLiteral("codigo"), codigo},
                          {QStringLiteral("mensagem"), QStringLiteral("Resposta simulada %1").arg(codigo)}});
    }
    const QString motivo = indisponivel(e);
    if (!motivo.isEmpty())
        return responder(e, "RealizarVerificacao", {}, falha(motivo));
    const Versao v = maisRecente(e);
    if (v.id.isEmpty()) {
        return responder(
            e, "RealizarVerificacao", {},
            {{QStringLiteral("codigo"), 1},
             {QStringLiteral("mensagem"), QStringLiteral("Sistema atualizado: versão %1").arg(e.versaoAtual)}});
    }
    return responder(e, "RealizarVerificacao", {},
                     {{QStringLiteral("codigo"), 0},
                      {QStringLiteral("mensagem"), QStringLiteral("Nova versão disponível: %1").arg(v.id)},
                      {QStringLiteral("versao"), descricao(v)}});
}

Z3_EXPORT const char *RealizarDownload(const char *pastaDestino)
{
    Estado &e = estado();
    QMutexLocker l(&e.mutex);
    const QJsonArray argumentos{simlog::texto(pastaDestino)};
    const QString motivo = indisponivel(e);
    if (!motivo.isEmpty())
        return responder(e, "RealizarDownload", argumentos, falha(motivo));
    const Versao v = maisRecente(e);
    if (v.id.isEmpty())
        return responder(e, "RealizarDownload", argumentos, falha(QStringLiteral("Nenhuma versão para baixar")));
    // "falha": the download breaks; "sem_arquivo": success claimed, nothing written;
    // "hash_divergente": the bytes written are not the ones announced.
    const QString modo = simlog::cenario().value(QStringLiteral("atualizador_download")).toString();
    if (modo == QLatin1String("falha"))
        return responder(e, "RealizarDownload", argumentos, falha(QStringLiteral("Falha na transferência do arquivo")));
    const QJsonObject versao = descricao(v);
    const QString destino = QString::fromUtf8(pastaDestino ? pastaDestino : "") + QLatin1Char('/') +
                            versao.value(QStringLiteral("nome")).toString();
    if (modo != QLatin1String("sem_arquivo")) {
        QFile::remove(destino);
        if (!QFile::copy(v.caminho, destino))
            return responder(e, "RealizarDownload", argumentos,
                             falha(QStringLiteral("Não foi possível gravar ") + destino));
        if (modo == QLatin1String("hash_divergente")) {
            QFile f(destino);
            if (f.open(QIODevice::Append))
                f.write("# alterado no caminho\n");
        }
    }
    return responder(e, "RealizarDownload", argumentos,
                     {{QStringLiteral("codigo"), 0},
                      {QStringLiteral("mensagem"), QStringLiteral("Download da versão %1 concluído").arg(v.id)},
                      {QStringLiteral("versao"), versao}});
}

static_assert(std::is_same<decltype(&RealizarConfiguracao), z3updater::RealizarConfiguracao_t>::value, "signature");
static_assert(std::is_same<decltype(&RealizarVerificacao), z3updater::RealizarVerificacao_t>::value, "signature");
static_assert(std::is_same<decltype(&RealizarDownload), z3updater::RealizarDownload_t>::value, "signature");
