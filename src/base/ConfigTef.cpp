#include "base/ConfigTef.h"

#include "base/Platform.h"
#include "base/ProdutoTef.h"
#include "base/Versao.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QStandardPaths>

#include <cmath>
#include <limits>

namespace {

bool isInteger(const QJsonValue &v)
{
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    return std::isfinite(d) && d == std::floor(d) && d >= std::numeric_limits<int>::min() &&
           d <= std::numeric_limits<int>::max();
}

QString textoOu(const QJsonObject &o, const QString &chave, const QString &padrao)
{
    const QJsonValue v = o.value(chave);
    return v.isString() ? v.toString() : padrao;
}

int numeroOu(const QJsonObject &o, const QString &chave, int padrao)
{
    const QJsonValue v = o.value(chave);
    return isInteger(v) ? static_cast<int>(v.toDouble()) : padrao;
}

bool booleanoOu(const QJsonObject &o, const QString &chave, bool padrao)
{
    const QJsonValue v = o.value(chave);
    return v.isBool() ? v.toBool() : padrao;
}

const char *const chavesObrigatorias[] = {
    "path_in",
    "path_out",
    "file_req",
    "file_resp",
    "log",
    "vitra",
    "produto_tef",
    "aspas_comprovante",
    "tag_028_001",
    "iniciar_atualizacao_aut",
    "bloquear_atualizacao",
    "tipo_operacao",
    "customizacao",
    "nome_impressora",
    "caminho_pdf",
    "gerar_pdf",
    "habilita_impressao",
    "visualizar_pdf",
    "codificacao_arquivos",
};

const char *const chavesCustomizacao[] = {
    "caminho_logo", "cor_fundo",   "cor_destaque",  "cor_fonte1",
    "cor_fonte2",   "cor_selecao", "altura_janela", "largura_janela",
};

bool incompleto(const QJsonObject &lido)
{
    for (const char *chave : chavesObrigatorias) {
        if (!lido.contains(QLatin1String(chave)))
            return true;
    }
    const QJsonObject custom = lido.value(QLatin1String("customizacao")).toObject();
    for (const char *chave : chavesCustomizacao) {
        if (!custom.contains(QLatin1String(chave)))
            return true;
    }
    return false;
}

} // namespace

ConfigTef::ConfigTef() : ConfigTef(defaultFilePath()) {}

ConfigTef::ConfigTef(const QString &filePath) : ConfigTef(filePath, Efeitos::Todos) {}

ConfigTef::ConfigTef(const QString &filePath, Efeitos efeitos) : m_filePath(filePath)
{
    carregar(efeitos);
    if (efeitos == Efeitos::Todos)
        criarDiretorios();
}

ConfigTef ConfigTef::somenteLeitura(const QString &filePath)
{
    return ConfigTef(filePath, Efeitos::Nenhum);
}

QString ConfigTef::defaultFilePath()
{
    return pasta() + QStringLiteral("/config_tef.json");
}

QString ConfigTef::pasta()
{
    const QString pasta = pastaPara(QCoreApplication::applicationDirPath());
    // It holds the settings, the journal, the history and the log: other users keep out.
    platform::makePrivateFolder(pasta);
    return pasta;
}

QString ConfigTef::pastaPara(const QString &pastaPrograma)
{
    const QFileInfo programa(pastaPrograma);
    // Even root must not leave files the package manager does not know of in its folder.
    if (programa.isDir() && programa.isWritable() &&
        QDir::cleanPath(programa.absoluteFilePath()) != QStringLiteral(Z3_INSTALL_DIR))
        return pastaPrograma;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/" Z3_APP_NAME);
}

void ConfigTef::carregar(Efeitos efeitos)
{
    const bool escrever = efeitos == Efeitos::Todos;
    QFile file(m_filePath);
    const bool novo = !file.exists();
    QJsonObject lido;
    if (!novo) {
        if (!file.open(QIODevice::ReadOnly)) {
            if (escrever)
                m_log.error(QStringLiteral("Impossível abrir arquivo: ") + m_filePath);
            return;
        }
        lido = QJsonDocument::fromJson(file.readAll()).object();
        file.close();
    }

    const auto s = [&](const char *chave, const QString &padrao) {
        m_root.insert(QLatin1String(chave), textoOu(lido, QLatin1String(chave), padrao));
    };
    const auto n = [&](const char *chave, int padrao) {
        m_root.insert(QLatin1String(chave), numeroOu(lido, QLatin1String(chave), padrao));
    };
    const auto b = [&](const char *chave, bool padrao) {
        m_root.insert(QLatin1String(chave), booleanoOu(lido, QLatin1String(chave), padrao));
    };

    s("path_in", platform::defaultRequestFolder());
    s("path_out", platform::defaultResponseFolder());
    s("file_req", QStringLiteral("IntPos.001"));
    s("file_resp", QStringLiteral("IntPos.Sts"));
    if (escrever)
        setLog(numeroOu(lido, QStringLiteral("log"), 1));
    else
        n("log", 1);
    n("vitra", 0);
    n("produto_tef", 2);
    n("tag_comprovante", 0);
    n("tag_028_001", 1);
    n("aspas_comprovante", 0);
    n("iniciar_atualizacao_aut", 0);
    b("bloquear_atualizacao", false);
    n("tipo_operacao", 0);
    s("nome_impressora", QStringLiteral("Impressoras Varda/Korvanta"));
    s("caminho_pdf", QStringLiteral("."));
    b("gerar_pdf", false);
    b("habilita_impressao", false);
    b("visualizar_pdf", false);
    s("codificacao_arquivos", QStringLiteral("utf-8"));
    n("dias_historico", 90);

    const QJsonObject custom = lido.value(QLatin1String("customizacao")).toObject();
    const auto cs = [&](const char *chave, const QString &padrao) {
        m_custom.insert(QLatin1String(chave), textoOu(custom, QLatin1String(chave), padrao));
    };
    const auto cn = [&](const char *chave, int padrao) {
        m_custom.insert(QLatin1String(chave), numeroOu(custom, QLatin1String(chave), padrao));
    };
    cs("caminho_logo", QStringLiteral("Logo Varda Pay - Azul.png"));
    cs("cor_fundo", QStringLiteral("#ffffff"));
    cs("cor_destaque", QStringLiteral("#0093ff"));
    cs("cor_fonte1", QStringLiteral("#000000"));
    cs("cor_fonte2", QStringLiteral("#ffffff"));
    cs("cor_selecao", QStringLiteral("#D5D5D5"));
    cn("altura_janela", 590);
    cn("largura_janela", 850);

    if (escrever && (novo || incompleto(lido))) {
        m_log.info("Arquivo de configuração será atualizado");
        gravar(configuracao());
    }
}

void ConfigTef::setLog(int v)
{
    m_root.insert(QStringLiteral("log"), v);
    m_log.debug("log: ", v);
    if (v == 1 && qEnvironmentVariableIsEmpty("Z3_LOG")) {
        // Relative to the working folder, as always, unless the settings moved to the user's folder.
        const QString pastaLog = pasta();
        const QString nome = QStringLiteral("z3_log.txt");
        qputenv("Z3_LOG", QFile::encodeName(pastaLog == QCoreApplication::applicationDirPath()
                                                ? nome
                                                : pastaLog + QLatin1Char('/') + nome));
        m_log.info(QStringLiteral("Versão: ") + QString::fromLatin1(versaoAplicacao()));
    }
}

void ConfigTef::criarDiretorios() const
{
    const QString in = pathIn();
    const QString out = pathOut();
    if (!QDir(in).exists())
        QDir().mkpath(in);
    if (!QDir(out).exists())
        QDir().mkpath(out);
    else
        m_log.debug("Diretórios já existentes");
}

int ConfigTef::diasHistorico() const
{
    return qMax(1, numero(m_root, "dias_historico", 90));
}

QString ConfigTef::codificacaoArquivos() const
{
    const QString c = texto(m_root, "codificacao_arquivos").trimmed().toLower();
    return c == QLatin1String("windows-1252") ? c : QStringLiteral("utf-8");
}

bool ConfigTef::mesmaPasta(const QString &a, const QString &b)
{
    const auto resolvida = [](const QString &pasta) {
        const QFileInfo info(pasta);
        const QString canonica = info.canonicalFilePath();
        return canonica.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonica;
    };
    return resolvida(a) == resolvida(b);
}

int ConfigTef::produtoTef() const
{
    const QJsonValue v = m_root.value(QLatin1String("produto_tef"));
    if (!isInteger(v))
        return 0;
    const int produto = static_cast<int>(v.toDouble());
    if (produto == -1)
        return 0;
    return (produto >= 0 && produto < quantidadeProdutosTef) ? produto : -2;
}

QJsonObject ConfigTef::configuracao() const
{
    QJsonObject tudo = m_root;
    tudo.insert(QStringLiteral("customizacao"), m_custom);
    return tudo;
}

bool ConfigTef::salvar(const QJsonObject &objeto) const
{
    return gravar(objeto);
}

bool ConfigTef::gravar(const QJsonObject &objeto) const
{
    QFile file(m_filePath);
    if (!platform::openOwnerOnly(file, QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_log.error(QStringLiteral("Impossível abrir arquivo: ") + m_filePath);
        return false;
    }
    // A full disk must not pass for a saved configuration.
    const QByteArray bytes = QJsonDocument(objeto).toJson(QJsonDocument::Indented);
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        m_log.error(QStringLiteral("Impossível gravar arquivo: ") + m_filePath);
        return false;
    }
    return true;
}

QString ConfigTef::texto(const QJsonObject &o, const char *chave)
{
    return o.value(QLatin1String(chave)).toString();
}

int ConfigTef::numero(const QJsonObject &o, const char *chave, int fallback)
{
    const QJsonValue v = o.value(QLatin1String(chave));
    return isInteger(v) ? static_cast<int>(v.toDouble()) : fallback;
}

bool ConfigTef::booleano(const QJsonObject &o, const char *chave)
{
    return o.value(QLatin1String(chave)).toBool(false);
}
