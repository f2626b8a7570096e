#include "Atualizador.h"

#include "backends/Janela.h"
#include "base/ConfigTef.h"
#include "base/Log.h"
#include "base/Platform.h"
#include "base/Versao.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

namespace {

QString comTag(const QString &msg)
{
    return QStringLiteral("[Atualizador] ") + msg;
}

const char *const biblioteca = "Z3_Updater";

// The library's reply, or a failure that says which entry point is missing.
QJsonObject resposta(const char *texto, const char *funcao)
{
    if (!texto) {
        return {
            {QStringLiteral("codigo"), -1},
            {QStringLiteral("mensagem"), ClosedLibraryBinding::unavailable(QString::fromLatin1(biblioteca), funcao)}};
    }
    const QByteArray copia(texto); // the library's buffer is not ours to keep
    Log().info(comTag(QStringLiteral("%1: ").arg(QString::fromLatin1(funcao)) + QString::fromUtf8(copia)));
    const QJsonDocument doc = QJsonDocument::fromJson(copia);
    if (!doc.isObject())
        return {{QStringLiteral("codigo"), -1},
                {QStringLiteral("mensagem"), QStringLiteral("Resposta inválida do atualizador")}};
    return doc.object();
}

int codigo(const QJsonObject &r)
{
    return r.value(QStringLiteral("codigo")).toInt(-1);
}

QString mensagem(const QJsonObject &r)
{
    return r.value(QStringLiteral("mensagem")).toString();
}

QByteArray sha256(const QString &caminho)
{
    QFile f(caminho);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!f.open(QIODevice::ReadOnly) || !hash.addData(&f))
        return QByteArray();
    return hash.result().toHex();
}

const QString naoExecutou = QStringLiteral("Não foi possível executar a atualização");

} // namespace

Atualizador::Atualizador(Janela &janela) : m_janela(janela)
{
    const QString versao = QString::fromLatin1(versaoAplicacao());
    // Versions beginning with "99." are the homologation line, served under its own product.
    m_produto = versao.startsWith(QLatin1String("99.")) ? QStringLiteral("TEF_1362") : QStringLiteral("TEF");
    m_arquitetura = QStringLiteral("x86");
    m_nomeInstalador = QStringLiteral("%1-v%2").arg(QStringLiteral(Z3_APP_NAME), versao) + platform::installerSuffix();
}

Atualizador::~Atualizador()
{
    if (m_binding.isLoaded())
        m_binding.unload();
}

QString Atualizador::pastaTemporaria()
{
    // Beside the executable for a portable copy; beside the settings when the
    // program's folder is read-only (installed), where the download can go.
    return QStringLiteral("%1/%2").arg(ConfigTef::pasta(), QStringLiteral("temp"));
}

QJsonObject Atualizador::verificacaoInicial()
{
    QMutexLocker lock(&m_mutex);
    return configurarEVerificar();
}

QJsonObject Atualizador::configurarEVerificar()
{
    if (!m_binding.isLoaded()) {
        using B = ClosedLibraryBinding;
        const QString arquivo = platform::libraryPath(platform::ClosedLibrary::Updater);
        if (!m_binding.load(arquivo, {B::entry("RealizarConfiguracao", m_realizarConfiguracao),
                                      B::entry("RealizarVerificacao", m_realizarVerificacao),
                                      B::entry("RealizarDownload", m_realizarDownload)}))
            Log().error(comTag(QStringLiteral("Biblioteca de atualização não carregada: ") + arquivo));
    }
    if (m_realizarConfiguracao) {
        m_realizarConfiguracao(m_produto.toUtf8().constData(), "apps", platform::updaterSystem().toUtf8().constData(),
                               m_arquitetura.toUtf8().constData(), m_nomeInstalador.toUtf8().constData());
    }
    return resposta(m_realizarVerificacao ? m_realizarVerificacao() : nullptr, "RealizarVerificacao");
}

Atualizador::Desfecho Atualizador::executar(int modo)
{
    QMutexLocker lock(&m_mutex);
    switch (modo) {
    case 0:
        return verificar();
    case 1:
        return baixarEInstalar();
    default:
        return reiniciarTela();
    }
}

void Atualizador::mostrar(const QString &titulo, const QString &texto, bool simNao, bool ocupado)
{
    m_janela.mostrarTitulo(titulo);
    m_janela.mostrarMensagem(texto);
    m_janela.mostrarBotao(Janela::Botao::Sim, simNao);
    m_janela.mostrarBotao(Janela::Botao::Nao, simNao);
    m_janela.mostrarOcupado(ocupado);
}

void Atualizador::limparPastaTemporaria()
{
    const QString pasta = pastaTemporaria();
    const QFileInfo info(pasta);
    // A link there would lead the removal into a folder that is not ours.
    if (info.isSymLink() || info.isFile())
        QFile::remove(pasta);
    else if (info.isDir())
        QDir(pasta).removeRecursively();
}

Atualizador::Desfecho Atualizador::verificar()
{
    m_janela.mostrar();
    m_versaoAnunciada = QJsonObject();
    limparPastaTemporaria();
    m_janela.mostrarTela(Janela::Tela::SemBotoes);
    return relatorioVerificacao(2, QStringLiteral("Iniciando verificação de versões"));
}

Atualizador::Desfecho Atualizador::relatorioVerificacao(int codigo, const QString &texto)
{
    switch (codigo) {
    case 0:
        m_textoOferta = QStringLiteral("%1\n\nDeseja baixar atualização agora?").arg(texto);
        mostrar(QStringLiteral("Processo de verificação"), m_textoOferta, true, false);
        return Desfecho::AguardandoOperador;
    case 1:
        mostrar(QStringLiteral("Informações da verificação"), texto, false, false);
        m_janela.avisar(texto);
        return Desfecho::TelaMantida;
    case 2: {
        mostrar(QStringLiteral("Processo de verificação"), texto, false, true);
        const QJsonObject r = configurarEVerificar();
        const int c = ::codigo(r);
        if (c == 0)
            m_versaoAnunciada = r.value(QStringLiteral("versao")).toObject();
        // "In progress" again from the library would ask again for ever.
        return relatorioVerificacao(c == 2 ? -2 : c, mensagem(r));
    }
    case -1:
        mostrar(QStringLiteral("Falha no processo de verificação"), texto, true, false);
        m_janela.avisarErro(texto);
        return Desfecho::TelaMantida;
    default:
        m_janela.avisarErro(QStringLiteral("Falha detectada"));
        return reiniciarTela();
    }
}

void Atualizador::reapresentarOferta()
{
    m_janela.mostrar();
    m_janela.mostrarTela(Janela::Tela::SemBotoes);
    mostrar(QStringLiteral("Processo de verificação"), m_textoOferta, true, false);
}

Atualizador::Desfecho Atualizador::baixarEInstalar()
{
    m_janela.mostrarOcupado(true);
    relatorioDownload(1, QStringLiteral("Realizando download da versão atualizada.\nAguarde a finalização!"));
    const QString pasta = pastaTemporaria();
    if (!QDir().mkpath(pasta))
        return relatorioDownload(-1, QStringLiteral("Não foi possível criar diretório temporário"));
    const QJsonObject r =
        resposta(m_realizarDownload ? m_realizarDownload(pasta.toUtf8().constData()) : nullptr, "RealizarDownload");
    const QString nome = r.value(QStringLiteral("versao")).toObject().value(QStringLiteral("nome")).toString();
    const Desfecho d = relatorioDownload(::codigo(r), mensagem(r));
    if (::codigo(r) != 0)
        return d;
    return instalar(nome, QStringLiteral("%1/%2").arg(pasta, nome));
}

Atualizador::Desfecho Atualizador::relatorioDownload(int codigo, const QString &texto)
{
    switch (codigo) {
    case 0:
    case 1:
        mostrar(QStringLiteral("Processo de download"), texto, false, true);
        return Desfecho::TelaMantida;
    case -1:
        mostrar(QStringLiteral("Falha no processo de download"), texto, false, false);
        m_janela.avisarErro(texto);
        return Desfecho::TelaMantida;
    default:
        m_janela.avisarErro(QStringLiteral("Falha detectada"));
        return reiniciarTela();
    }
}

Atualizador::Desfecho Atualizador::instalar(const QString &nome, const QString &caminho)
{
    // Only a plain file inside the temporary folder: a name with a path, or a
    // link, would start something the download did not bring.
    const QFileInfo info(caminho);
    if (nome.isEmpty() || QFileInfo(nome).fileName() != nome || nome == QLatin1String("..") || info.isSymLink() ||
        !info.isFile()) {
        Log().error(comTag(QStringLiteral("Instalador não encontrado: ") + caminho));
        return relatorioInstalacao(-1, naoExecutou);
    }
    const QByteArray anunciado = m_versaoAnunciada.value(QStringLiteral("hash")).toString().toLatin1().toLower();
    const QByteArray obtido = sha256(caminho);
    if (anunciado.isEmpty() || obtido != anunciado) {
        Log().error(comTag(QStringLiteral("Instalador descartado: SHA-256 %1 não confere com o anunciado \"%2\"")
                               .arg(QString::fromLatin1(obtido), QString::fromLatin1(anunciado))));
        QFile::remove(caminho);
        return relatorioDownload(-1, QStringLiteral("Arquivo baixado não confere com a versão verificada"));
    }
    QString motivo;
    if (platform::installedByPackage()) {
        // The package replaces the program in place while it runs; the exchange waits meanwhile.
        mostrar(QStringLiteral("Processo de instalação"),
                QStringLiteral("Instalando a nova versão: aguarde a autorização do administrador"), false, true);
        const int codigo = platform::installPackage(caminho, &motivo);
        if (codigo != 0) {
            Log().error(
                comTag(QStringLiteral("Instalação de %1 não realizada (%2): %3").arg(nome).arg(codigo).arg(motivo)));
            return relatorioInstalacao(-1, QStringLiteral("Atualização não instalada: ") + motivo);
        }
        Log().info(comTag(QStringLiteral("Nova versão instalada: ") + nome));
        mostrar(QStringLiteral("Processo de instalação"), QStringLiteral("Nova versão instalada: reiniciando"), false,
                true);
        return Desfecho::Reiniciando;
    }
    const int erro = platform::startDetached(caminho, {}, &motivo);
    if (erro != 0) {
        Log().error(comTag(QStringLiteral("Falha ao iniciar o instalador (%1): %2").arg(erro).arg(motivo)));
        return relatorioInstalacao(-1, naoExecutou + QStringLiteral(": ") + motivo);
    }
    Log().info(comTag(QStringLiteral("Instalador iniciado: ") + caminho));
    return relatorioInstalacao(0, QStringLiteral("Finalizando aplicação atual para iniciar instalação"));
}

Atualizador::Desfecho Atualizador::relatorioInstalacao(int codigo, const QString &texto)
{
    switch (codigo) {
    case 0:
        mostrar(QStringLiteral("Processo de instalação"), texto, false, true);
        return Desfecho::Encerrando;
    case -1:
        mostrar(QStringLiteral("Falha no processo de instalação"), texto, false, false);
        m_janela.avisarErro(texto);
        return Desfecho::TelaMantida;
    default:
        m_janela.avisarErro(QStringLiteral("Falha detectada"));
        return reiniciarTela();
    }
}

Atualizador::Desfecho Atualizador::reiniciarTela()
{
    // The offer is gone; the window rests once the action is over.
    m_janela.mostrarBotao(Janela::Botao::Sim, false);
    m_janela.mostrarBotao(Janela::Botao::Nao, false);
    m_janela.ocultar();
    return Desfecho::TelaReiniciada;
}
