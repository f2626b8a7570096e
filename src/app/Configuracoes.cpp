#include "app/Configuracoes.h"

#include "app/Seletores.h"
#include "base/ConfigTef.h"
#include "receipts/ImpressaoRecibo.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString comTag(const QString &msg)
{
    return QStringLiteral("[Configuracoes] ") + msg;
}

} // namespace

QString Configuracoes::ler() const
{
    return QString::fromUtf8(QJsonDocument(ConfigTef(m_arquivo).configuracao()).toJson(QJsonDocument::Indented));
}

QString Configuracoes::tabela() const
{
    static const char *const tipos[] = {"texto", "inteiro", "booleano"};
    static const char *const ligas[] = {"", "1", "!0"};
    QJsonArray linhas;
    for (const ConfigTef::Definicao &d : ConfigTef::tabela()) {
        linhas.append(QJsonObject{{QStringLiteral("nome"), QLatin1String(d.nome)},
                                  {QStringLiteral("tipo"), QLatin1String(tipos[static_cast<int>(d.tipo)])},
                                  {QStringLiteral("padrao"), ConfigTef::padrao(d)},
                                  {QStringLiteral("personalizacao"), d.personalizacao},
                                  {QStringLiteral("liga"), QLatin1String(ligas[static_cast<int>(d.liga)])}});
    }
    return QString::fromUtf8(QJsonDocument(linhas).toJson(QJsonDocument::Compact));
}

QString Configuracoes::motivoRecusa(const QString &dados) const
{
    QJsonParseError erro{};
    const QJsonDocument doc = QJsonDocument::fromJson(dados.toUtf8(), &erro);
    // Text that is not a JSON object would replace every setting with nothing.
    if (erro.error != QJsonParseError::NoError || !doc.isObject())
        return QStringLiteral("Configuração recebida não é um objeto JSON: ") + erro.errorString();
    return ConfigTef::motivoRecusa(doc.object());
}

bool Configuracoes::salvar(const QString &dados)
{
    const QString motivo = motivoRecusa(dados);
    if (!motivo.isEmpty()) {
        m_log.error(comTag(QStringLiteral("Configuração recusada: ") + motivo));
        return false;
    }
    return ConfigTef(m_arquivo).salvar(QJsonDocument::fromJson(dados.toUtf8()).object());
}

QString Configuracoes::impressoras() const
{
    QJsonArray lista;
    lista.append(QJsonObject{{QStringLiteral("text"), ImpressaoRecibo::impressoraFabricante()}});
    const QStringList nomes = ImpressaoRecibo::listaImpressoras();
    for (const QString &nome : nomes)
        lista.append(QJsonObject{{QStringLiteral("text"), nome}});
    return QString::fromUtf8(QJsonDocument(lista).toJson(QJsonDocument::Compact));
}

QString Configuracoes::escolherCor() const
{
    return seletores::escolherCor();
}

QString Configuracoes::escolherPasta() const
{
    return seletores::escolherPasta();
}

QString Configuracoes::escolherArquivo() const
{
    return seletores::escolherArquivo();
}

void Configuracoes::reiniciar()
{
    m_log.info(comTag(QStringLiteral("Configurações salvas: reinício pedido")));
    emit reinicioPedido();
}
