#include "backends/Z3_Tef_Protocolo.h"

#include "base/Log.h"

#include <QJsonDocument>

namespace {

QJsonObject tefDe(const QJsonObject &resposta)
{
    return resposta.value(QStringLiteral("tef")).toObject();
}

} // namespace

bool Z3_Tef_Protocolo::isColeta(const QJsonObject &resposta)
{
    if (!resposta.contains(QStringLiteral("tef")))
        return false;
    const QJsonObject tef = tefDe(resposta);
    return !tef.contains(QStringLiteral("retorno")) && tef.contains(QStringLiteral("automacao_coleta_retorno")) &&
           tef.value(QStringLiteral("automacao_coleta_retorno")).toString() == QLatin1String("0");
}

bool Z3_Tef_Protocolo::isRetornoSucesso(const QJsonObject &resposta)
{
    if (!resposta.contains(QStringLiteral("tef")))
        return false;
    const QJsonObject tef = tefDe(resposta);
    return tef.contains(QStringLiteral("retorno")) &&
           tef.value(QStringLiteral("retorno")).toString() == QLatin1String("0");
}

bool Z3_Tef_Protocolo::isConfirmado(const QByteArray &texto)
{
    const QJsonObject resposta = QJsonDocument::fromJson(texto).object();
    return tefDe(resposta).value(QStringLiteral("retorno")).toString() == QLatin1String("1");
}

std::optional<SequencialInfo> Z3_Tef_Protocolo::criarSequencial(const QJsonObject &resposta)
{
    if (!resposta.contains(QStringLiteral("tef")))
        return std::nullopt;
    const QJsonObject tef = tefDe(resposta);
    if (!tef.contains(QStringLiteral("sequencial")) || !tef.contains(QStringLiteral("transacao")))
        return std::nullopt;
    const auto texto = [&tef](const char *chave, const QString &padrao) {
        const QJsonValue v = tef.value(QLatin1String(chave));
        return v.isString() ? v.toString() : padrao;
    };
    SequencialInfo info;
    info.sequencial = texto("sequencial", QString()).toInt(); // anything but a decimal number gives 0
    info.transacao = texto("transacao", QString());
    info.nsuTerminal = texto("nsuTerminal", info.nsuTerminal);
    info.valorTotal = texto("valorTotal", info.valorTotal);
    info.dataHoraTransacao = texto("dataHoraTransacao", info.dataHoraTransacao);
    return info;
}

QByteArray Z3_Tef_Protocolo::jsonNaoIniciada()
{
    const QJsonObject o{{QStringLiteral("codigo"), -1},
                        {QStringLiteral("mensagem"), QStringLiteral("Operação TEF não foi iniciada")}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QString Z3_Tef_Protocolo::formatarValorColetado(const QString &entrada)
{
    const Log log;
    log.info(QStringLiteral("[Z3_Tef_Controller] Formatar valor. Entrada: ") + entrada);
    QString digitos = semSimboloMoeda(entrada);
    digitos.remove(QLatin1Char('.'));
    digitos.remove(QLatin1Char(','));
    bool numero = !digitos.isEmpty();
    for (const QChar c : digitos)
        numero = numero && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!numero)
        digitos.clear();
    // Text arithmetic keeps every digit, however long the amount.
    while (digitos.size() > 1 && digitos.startsWith(QLatin1Char('0')))
        digitos.remove(0, 1);
    while (digitos.size() < 3)
        digitos.prepend(QLatin1Char('0'));
    const QString saida = digitos.left(digitos.size() - 2) + QLatin1Char('.') + digitos.right(2);
    log.info(QStringLiteral("[Z3_Tef_Controller] Formatar valor. Saída: ") + saida);
    return saida;
}

QString Z3_Tef_Protocolo::semSimboloMoeda(const QString &valor)
{
    QString s = valor.trimmed();
    if (s.startsWith(QLatin1String("R$")))
        s.remove(0, 2);
    QString r;
    for (const QChar c : s)
        if (!c.isSpace())
            r.append(c);
    return r;
}

QString Z3_Tef_Protocolo::mascarar(const QString &segredo)
{
    return segredo.isEmpty() ? segredo : QStringLiteral("****");
}

QString Z3_Tef_Protocolo::requisicaoParaLog(const QString &requisicao)
{
    QJsonParseError erro{};
    QJsonDocument doc = QJsonDocument::fromJson(requisicao.toUtf8(), &erro);
    if (erro.error != QJsonParseError::NoError || !doc.isObject()) {
        // Not JSON: nothing can be told apart, so nothing of it is written.
        return requisicao.contains(QLatin1String("adm_senha")) ? QStringLiteral("<requisição ilegível omitida>")
                                                               : requisicao;
    }
    QJsonObject raiz = doc.object();
    QJsonObject parametros = raiz.value(QStringLiteral("parametros")).toObject();
    if (!parametros.contains(QStringLiteral("adm_senha")))
        return requisicao;
    parametros.insert(QStringLiteral("adm_senha"),
                      mascarar(parametros.value(QStringLiteral("adm_senha")).toVariant().toString()));
    raiz.insert(QStringLiteral("parametros"), parametros);
    return QString::fromUtf8(QJsonDocument(raiz).toJson(QJsonDocument::Compact));
}

QString Z3_Tef_Protocolo::dadosParaLog(const QByteArray &dados, const QString &palavraChave)
{
    QJsonObject o = QJsonDocument::fromJson(dados).object();
    if (o.contains(QStringLiteral("transacao_administracao_senha")))
        o.insert(QStringLiteral("transacao_administracao_senha"), QStringLiteral("****"));
    if (palavraChave == QLatin1String("transacao_administracao_senha") &&
        o.contains(QStringLiteral("automacao_coleta_informacao")))
        o.insert(QStringLiteral("automacao_coleta_informacao"), QStringLiteral("****"));
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}
