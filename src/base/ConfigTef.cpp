#include "base/ConfigTef.h"

#include "base/Log.h"
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

using C = ConfigTef::Chave;
using T = ConfigTef::Tipo;
using L = ConfigTef::Liga;
using R = ConfigTef::Regra;
constexpr bool obrigatoria = true;
// Older files lack it: such a file is not rewritten for it.
constexpr bool opcional = false;
constexpr bool raiz = false;
constexpr bool personalizacao = true;

// clang-format off
constexpr std::array<ConfigTef::Definicao, ConfigTef::quantidadeChaves> linhas{{
    // key, its name in the file, type, default (number, text, or the system's), required, where, switch, popup rule, who reads it
    {C::PathIn,                "path_in",                 T::Texto,    0, nullptr,                        &platform::defaultRequestFolder,  obrigatoria, raiz,           L::NaoSeAplica, R::Nenhuma,                         "the exchange (monitor), --estado"},
    {C::PathOut,               "path_out",                T::Texto,    0, nullptr,                        &platform::defaultResponseFolder, obrigatoria, raiz,           L::NaoSeAplica, R::DiferenteDaPastaDeRequisicao,    "the exchange (monitor), --estado"},
    {C::FileReq,               "file_req",                T::Texto,    0, "IntPos.001",                   nullptr,                          obrigatoria, raiz,           L::NaoSeAplica, R::Nenhuma,                         "the exchange (monitor)"},
    {C::FileResp,              "file_resp",               T::Texto,    0, "IntPos.Sts",                   nullptr,                          obrigatoria, raiz,           L::NaoSeAplica, R::Nenhuma,                         "the exchange (monitor)"},
    {C::Log,                   "log",                     T::Inteiro,  1, nullptr,                        nullptr,                          obrigatoria, raiz,           L::SoComUm,     R::Nenhuma,                         "start-up (Z3_LOG)"},
    {C::Vitra,                 "vitra",                   T::Inteiro,  0, nullptr,                        nullptr,                          obrigatoria, raiz,           L::SoComUm,     R::Nenhuma,                         "the customer display"},
    {C::ProdutoTef,            "produto_tef",             T::Inteiro,  2, nullptr,                        nullptr,                          obrigatoria, raiz,           L::NaoSeAplica, R::Nenhuma,                         "start-up (product table), --estado"},
    {C::TagComprovante,        "tag_comprovante",         T::Inteiro,  0, nullptr,                        nullptr,                          opcional,    raiz,           L::NaoSeAplica, R::Nenhuma,                         "the response conversions"},
    {C::Tag028001,             "tag_028_001",             T::Inteiro,  1, nullptr,                        nullptr,                          obrigatoria, raiz,           L::ComNaoZero,  R::Nenhuma,                         "the response conversions"},
    {C::AspasComprovante,      "aspas_comprovante",       T::Inteiro,  0, nullptr,                        nullptr,                          obrigatoria, raiz,           L::ComNaoZero,  R::Nenhuma,                         "the response conversions"},
    {C::IniciarAtualizacaoAut, "iniciar_atualizacao_aut", T::Inteiro,  0, nullptr,                        nullptr,                          obrigatoria, raiz,           L::ComNaoZero,  R::Nenhuma,                         "the updater"},
    {C::BloquearAtualizacao,   "bloquear_atualizacao",    T::Booleano, 0, nullptr,                        nullptr,                          obrigatoria, raiz,           L::NaoSeAplica, R::Nenhuma,                         "the updater, the tray"},
    {C::TipoOperacao,          "tipo_operacao",           T::Inteiro,  0, nullptr,                        nullptr,                          obrigatoria, raiz,           L::NaoSeAplica, R::Nenhuma,                         "start-up, the window, the cashier's operations"},
    {C::NomeImpressora,        "nome_impressora",         T::Texto,    0, "Impressoras Varda/Korvanta",   nullptr,                          obrigatoria, raiz,           L::NaoSeAplica, R::Nenhuma,                         "receipt printing (the maker's printer by default)"},
    {C::CaminhoPdf,            "caminho_pdf",             T::Texto,    0, ".",                            nullptr,                          obrigatoria, raiz,           L::NaoSeAplica, R::Nenhuma,                         "receipt PDF files"},
    {C::GerarPdf,              "gerar_pdf",               T::Booleano, 0, nullptr,                        nullptr,                          obrigatoria, raiz,           L::NaoSeAplica, R::Nenhuma,                         "receipt PDF files"},
    {C::HabilitaImpressao,     "habilita_impressao",      T::Booleano, 0, nullptr,                        nullptr,                          obrigatoria, raiz,           L::NaoSeAplica, R::Nenhuma,                         "receipt printing"},
    {C::VisualizarPdf,         "visualizar_pdf",          T::Booleano, 0, nullptr,                        nullptr,                          obrigatoria, raiz,           L::NaoSeAplica, R::Nenhuma,                         "receipt PDF files"},
    {C::CodificacaoArquivos,   "codificacao_arquivos",    T::Texto,    0, "utf-8",                        nullptr,                          obrigatoria, raiz,           L::NaoSeAplica, R::Nenhuma,                         "the exchange (monitor)"},
    {C::DiasHistorico,         "dias_historico",          T::Inteiro, 90, nullptr,                        nullptr,                          opcional,    raiz,           L::NaoSeAplica, R::Nenhuma,                         "start-up (history trim)"},
    {C::CaminhoLogo,           "caminho_logo",            T::Texto,    0, "Logo Varda Pay - Azul.png",    nullptr,                          obrigatoria, personalizacao, L::NaoSeAplica, R::Nenhuma,                         "the window"},
    {C::CorFundo,              "cor_fundo",               T::Texto,    0, "#ffffff",                      nullptr,                          obrigatoria, personalizacao, L::NaoSeAplica, R::Nenhuma,                         "the window"},
    {C::CorDestaque,           "cor_destaque",            T::Texto,    0, "#0093ff",                      nullptr,                          obrigatoria, personalizacao, L::NaoSeAplica, R::Nenhuma,                         "the window"},
    {C::CorFonte1,             "cor_fonte1",              T::Texto,    0, "#000000",                      nullptr,                          obrigatoria, personalizacao, L::NaoSeAplica, R::Nenhuma,                         "the window"},
    {C::CorFonte2,             "cor_fonte2",              T::Texto,    0, "#ffffff",                      nullptr,                          obrigatoria, personalizacao, L::NaoSeAplica, R::Nenhuma,                         "the window"},
    {C::CorSelecao,            "cor_selecao",             T::Texto,    0, "#D5D5D5",                      nullptr,                          obrigatoria, personalizacao, L::NaoSeAplica, R::Nenhuma,                         "the window"},
    {C::AlturaJanela,          "altura_janela",           T::Inteiro, 590, nullptr,                       nullptr,                          obrigatoria, personalizacao, L::NaoSeAplica, R::Nenhuma,                         "the window"},
    {C::LarguraJanela,         "largura_janela",          T::Inteiro, 850, nullptr,                       nullptr,                          obrigatoria, personalizacao, L::NaoSeAplica, R::Nenhuma,                         "the window"},
}};
// clang-format on

constexpr bool naOrdemDasChaves()
{
    for (size_t i = 0; i < linhas.size(); ++i) {
        if (static_cast<size_t>(linhas[i].chave) != i)
            return false;
    }
    return true;
}
static_assert(naOrdemDasChaves(), "one row per key, in the order of ConfigTef::Chave");

// The stored value when it has the row's type, else the row's default.
QJsonValue lido(const QJsonObject &o, const ConfigTef::Definicao &d)
{
    const QJsonValue v = o.value(QLatin1String(d.nome));
    switch (d.tipo) {
    case T::Texto:
        return v.isString() ? v : ConfigTef::padrao(d);
    case T::Inteiro:
        return isInteger(v) ? QJsonValue(static_cast<int>(v.toDouble())) : ConfigTef::padrao(d);
    case T::Booleano:
        return v.isBool() ? v : ConfigTef::padrao(d);
    }
    return ConfigTef::padrao(d);
}

} // namespace

const std::array<ConfigTef::Definicao, ConfigTef::quantidadeChaves> &ConfigTef::tabela()
{
    return linhas;
}

QJsonValue ConfigTef::padrao(const Definicao &d)
{
    switch (d.tipo) {
    case Tipo::Texto:
        return d.local ? d.local() : QString::fromUtf8(d.texto);
    case Tipo::Inteiro:
        return d.numero;
    case Tipo::Booleano:
        return d.numero != 0;
    }
    return QJsonValue();
}

ConfigTef::ConfigTef()
    : ConfigTef(pastaPara(QCoreApplication::applicationDirPath()) + QStringLiteral("/config_tef.json"))
{}

ConfigTef::ConfigTef(const QString &filePath) : m_filePath(filePath)
{
    QFile file(m_filePath);
    QJsonObject lidos;
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly)) {
            m_estado = Estado::Ilegivel;
            return;
        }
        lidos = QJsonDocument::fromJson(file.readAll()).object();
        m_estado = Estado::Completo;
    }
    const QJsonObject custom = lidos.value(QLatin1String("customizacao")).toObject();
    for (const Definicao &d : linhas) {
        const QJsonObject &origem = d.personalizacao ? custom : lidos;
        (d.personalizacao ? m_custom : m_root).insert(QLatin1String(d.nome), lido(origem, d));
        if (d.obrigatoria && m_estado == Estado::Completo && !origem.contains(QLatin1String(d.nome)))
            m_estado = Estado::Incompleto;
    }
}

ConfigTef ConfigTef::somenteLeitura(const QString &filePath)
{
    return ConfigTef(filePath);
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

void ConfigTef::prepararInicio() const
{
    const Log registro;
    if (m_estado == Estado::Ilegivel) {
        registro.error(QStringLiteral("Impossível abrir arquivo: ") + m_filePath);
    } else {
        const int ligado = log();
        registro.debug("log: ", ligado);
        if (ligado == 1 && qEnvironmentVariableIsEmpty("Z3_LOG")) {
            // Relative to the working folder, as always, unless the settings moved to the user's folder.
            const QString pastaLog = pasta();
            const QString nome = QStringLiteral("z3_log.txt");
            qputenv("Z3_LOG", QFile::encodeName(pastaLog == QCoreApplication::applicationDirPath()
                                                    ? nome
                                                    : pastaLog + QLatin1Char('/') + nome));
            registro.info(QStringLiteral("Versão: ") + QString::fromLatin1(versaoAplicacao()));
        }
        if (m_estado != Estado::Completo) {
            registro.info("Arquivo de configuração será atualizado");
            salvar(configuracao());
        }
    }
    const QString in = pathIn();
    const QString out = pathOut();
    if (!QDir(in).exists())
        QDir().mkpath(in);
    if (!QDir(out).exists())
        QDir().mkpath(out);
    else
        registro.debug("Diretórios já existentes");
}

QJsonValue ConfigTef::lerValor(const QJsonObject &arquivo, Chave chave)
{
    const Definicao &d = definicao(chave);
    return lido(d.personalizacao ? arquivo.value(QLatin1String("customizacao")).toObject() : arquivo, d);
}

QJsonValue ConfigTef::valor(Chave chave) const
{
    const Definicao &d = definicao(chave);
    return (d.personalizacao ? m_custom : m_root).value(QLatin1String(d.nome));
}

// Only an unreadable file leaves a setting unfilled: its texts read empty, its numbers and flags their defaults.
QString ConfigTef::texto(Chave chave) const
{
    return valor(chave).toString();
}

int ConfigTef::numero(Chave chave) const
{
    const QJsonValue v = valor(chave);
    return isInteger(v) ? static_cast<int>(v.toDouble()) : definicao(chave).numero;
}

bool ConfigTef::booleano(Chave chave) const
{
    return valor(chave).toBool(definicao(chave).numero != 0);
}

int ConfigTef::diasHistorico() const
{
    return qMax(1, numero(Chave::DiasHistorico));
}

QString ConfigTef::codificacaoArquivos() const
{
    const QString c = texto(Chave::CodificacaoArquivos).trimmed().toLower();
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

QString ConfigTef::motivoRecusa(const QJsonObject &c)
{
    const auto texto = [&c](Chave chave) {
        return c.value(QLatin1String(definicao(chave).nome)).toString();
    };
    for (const Definicao &d : linhas) {
        switch (d.regra) {
        case Regra::Nenhuma:
            break;
        case Regra::DiferenteDaPastaDeRequisicao:
            if (c.value(QLatin1String(definicao(Chave::TipoOperacao).nome)).toInt() == 0 &&
                mesmaPasta(texto(Chave::PathIn), texto(d.chave)))
                return QStringLiteral("As pastas de requisição e de resposta devem ser diferentes");
            break;
        }
    }
    return QString();
}

int ConfigTef::produtoTef() const
{
    const QJsonValue v = valor(Chave::ProdutoTef);
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
    const Log log;
    QFile file(m_filePath);
    if (!platform::openOwnerOnly(file, QIODevice::WriteOnly | QIODevice::Truncate)) {
        log.error(QStringLiteral("Impossível abrir arquivo: ") + m_filePath);
        return false;
    }
    // A full disk must not pass for a saved configuration.
    const QByteArray bytes = QJsonDocument(objeto).toJson(QJsonDocument::Indented);
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        log.error(QStringLiteral("Impossível gravar arquivo: ") + m_filePath);
        return false;
    }
    return true;
}
