#include "Consultas.h"

#include "SingleInstanceGuard.h"
#include "app/Wiring.h"
#include "base/ConfigTef.h"
#include "base/DadosSensiveis.h"
#include "base/Versao.h"
#include "nucleo/DiarioTransacoes.h"
#include "nucleo/Historico.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>

namespace {

// "{06/12/26 10:15:30:417}{Z3_TEFZoduvud}{E} \t\t message": the marker follows the time. Searched
// for without its blanks, which would let the search skip little of a text full of them.
const QByteArray marcadorErro = QByteArrayLiteral("{" Z3_APP_NAME "}{E} \t\t ");
const QByteArray procurado = marcadorErro.left(marcadorErro.size() - 4);
// Written at error level by the exchange after every request it served: routine, not a fault.
const std::string_view rotina = "[MonitoraDiretorio] Arquivo SiTef n\xc3\xa3o encontrado\n";

QString nomeProduto(int numero)
{
    const wiring::Produto *p = wiring::produto(numero);
    return p ? QString::fromLatin1(p->nome) : QString::number(numero);
}

QJsonValue textoOuNulo(const QString &texto)
{
    return texto.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(texto);
}

// A CSV field (RFC 4180): quoted when it holds a separator, a quote or a line break.
QString campoCsv(const QString &texto)
{
    if (!texto.contains(QLatin1Char(',')) && !texto.contains(QLatin1Char('"')) && !texto.contains(QLatin1Char('\n')) &&
        !texto.contains(QLatin1Char('\r')))
        return texto;
    return QLatin1Char('"') + QString(texto).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

} // namespace

QString Consultas::pastaConfiguracao()
{
    // Where the running copy keeps them, found without making the folder.
    return ConfigTef::pastaPara(QCoreApplication::applicationDirPath());
}

QJsonObject Consultas::ultimoErro(const QString &arquivoLog)
{
    QFile log(arquivoLog);
    if (!log.open(QIODevice::ReadOnly))
        return {};
    // Read back from the end a block at a time: a log may be 100 MiB, and the
    // last error is usually near its end. Each block reaches into the one read
    // before it by a marker and a routine line, so none is split between two.
    constexpr qint64 bloco = 1 << 20;
    const int sobreposicao = marcadorErro.size() + static_cast<int>(rotina.size());
    const std::boyer_moore_horspool_searcher busca(procurado.cbegin(), procurado.cend());
    const qint64 tamanho = log.size();
    QByteArray lido;
    qint64 inicioLido = tamanho;
    qint64 achado = -1;
    while (achado < 0 && inicioLido > 0) {
        const qint64 inicio = qMax<qint64>(0, inicioLido - bloco);
        if (!log.seek(inicio))
            return {};
        lido = log.read(inicioLido - inicio) + lido.left(sobreposicao);
        if (lido.size() < inicioLido - inicio)
            return {};
        // The last marker of the block that is not the exchange's routine line.
        for (auto p = std::search(lido.cbegin(), lido.cend(), busca); p != lido.cend();
             p = std::search(p + 1, lido.cend(), busca)) {
            const std::string_view linha(&*p, static_cast<size_t>(lido.cend() - p));
            const std::string_view marcador(marcadorErro.constData(), static_cast<size_t>(marcadorErro.size()));
            if (linha.substr(0, marcador.size()) == marcador && linha.substr(marcador.size(), rotina.size()) != rotina)
                achado = inicio + (p - lido.cbegin());
        }
        inicioLido = inicio;
    }
    if (achado < 0)
        return {};
    // The whole line: from the line feed before the marker to the one after it.
    const qint64 comeco = qMax<qint64>(0, achado - 64);
    log.seek(comeco);
    const QByteArray trecho = log.read(achado - comeco + 64 * 1024);
    const qint64 posicao = achado - comeco;
    const int antes = trecho.lastIndexOf('\n', static_cast<int>(posicao));
    const int corpo = static_cast<int>(posicao) + marcadorErro.size();
    const int depois = trecho.indexOf('\n', corpo);
    const QByteArray carimbo = trecho.mid(antes + 1, qMin(23, static_cast<int>(posicao) - antes - 1));
    const QString mensagem = QString::fromUtf8(trecho.mid(corpo, depois < 0 ? -1 : depois - corpo));
    // "{dd/MM/yy hh:mm:ss:zzz}": a two-digit year is this century's.
    QJsonObject erro{{QStringLiteral("mensagem"), mascararDadosSensiveis(mensagem)}};
    const QDate data(2000 + carimbo.mid(7, 2).toInt(), carimbo.mid(4, 2).toInt(), carimbo.mid(1, 2).toInt());
    const QTime hora = QTime::fromString(QString::fromLatin1(carimbo.mid(10, 12)), QStringLiteral("hh:mm:ss:zzz"));
    erro.insert(QStringLiteral("hora"), data.isValid() && hora.isValid()
                                            ? QJsonValue(QDateTime(data, hora).toString(Qt::ISODateWithMs))
                                            : QJsonValue(QJsonValue::Null));
    return erro;
}

Consultas::Resposta Consultas::estado()
{
    const QString pasta = pastaConfiguracao();
    const QString arquivoConfig = pasta + QStringLiteral("/config_tef.json");
    const ConfigTef config = ConfigTef::somenteLeitura(arquivoConfig);
    const qint64 pid = SingleInstanceGuard::pidEmExecucao(SingleInstanceGuard::applicationKey());

    QString problemaDiario;
    const QList<DiarioTransacoes::Registro> registros =
        DiarioTransacoes::ler(DiarioTransacoes::arquivoAoLadoDe(arquivoConfig), &problemaDiario);
    QJsonArray transacoes;
    bool naoResolvida = false;
    for (const DiarioTransacoes::Registro &r : registros) {
        if (r.estado == DiarioTransacoes::Estado::Resolvida)
            continue;
        naoResolvida = naoResolvida || r.estado == DiarioTransacoes::Estado::NaoResolvida;
        QJsonObject t{{QStringLiteral("id"), r.identificacao},
                      {QStringLiteral("operacao"), r.operacao},
                      {QStringLiteral("produto"), r.produto},
                      {QStringLiteral("estado"), DiarioTransacoes::nomeEstado(r.estado)},
                      {QStringLiteral("desde"),
                       r.desde.isValid() ? QJsonValue(r.desde.toString(Qt::ISODate)) : QJsonValue(QJsonValue::Null)},
                      {QStringLiteral("valor"),
                       textoOuNulo(r.pendente ? Historico::valorEmReais(r.pendente->valorTotal) : QString())},
                      {QStringLiteral("nsu"), textoOuNulo(r.pendente ? r.pendente->nsuTerminal : QString())}};
        if (!r.desfecho.isEmpty())
            t.insert(QStringLiteral("desfecho"), r.desfecho);
        transacoes.append(t);
    }

    const QString arquivoLog =
        qEnvironmentVariableIsEmpty("Z3_LOG") ? pasta + QStringLiteral("/z3_log.txt") : qEnvironmentVariable("Z3_LOG");
    const QJsonObject erro = ultimoErro(arquivoLog);
    const int produto = config.produtoTef();
    QJsonObject o{{QStringLiteral("versao"), QString::fromLatin1(versaoAplicacao())},
                  {QStringLiteral("em_execucao"), pid < 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(pid > 0)},
                  {QStringLiteral("pid"), pid > 0 ? QJsonValue(pid) : QJsonValue(QJsonValue::Null)},
                  {QStringLiteral("produto_tef"), produto},
                  {QStringLiteral("nome_produto"),
                   wiring::produto(produto) ? QJsonValue(nomeProduto(produto)) : QJsonValue(QJsonValue::Null)},
                  {QStringLiteral("pasta_requisicao"), config.pathIn()},
                  {QStringLiteral("pasta_resposta"), config.pathOut()},
                  {QStringLiteral("pasta_configuracao"), pasta},
                  {QStringLiteral("transacoes"), transacoes},
                  {QStringLiteral("ultimo_erro"), erro.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(erro)}};
    // A journal that cannot be read may hide a charged sale: as bad as an unresolved one.
    if (!problemaDiario.isEmpty())
        o.insert(QStringLiteral("diario_ilegivel"), problemaDiario);

    Resposta r;
    r.saida = QJsonDocument(o).toJson(QJsonDocument::Indented);
    r.codigo = naoResolvida || !problemaDiario.isEmpty() ? estadoNaoResolvida : pid > 0 ? estadoOk : estadoParado;
    return r;
}

Consultas::Resposta Consultas::transacoes(const QString &dia)
{
    Resposta r;
    const QDate data = dia == QLatin1String("-") ? QDate::currentDate() : QDate::fromString(dia, Qt::ISODate);
    if (!data.isValid() || (dia != QLatin1String("-") && dia.size() != 10)) {
        r.erro = QStringLiteral(Z3_APP_NAME ": --transacoes takes a day as AAAA-MM-DD, or - for today\n");
        r.codigo = 2;
        return r;
    }
    int ignoradas = 0;
    const QList<Historico::Linha> linhas = Historico::doDia(
        Historico::arquivoAoLadoDe(pastaConfiguracao() + QStringLiteral("/config_tef.json")), data, &ignoradas);
    QString csv = QStringLiteral("data,hora,origem,produto,operacao,valor,bandeira,rede,nsu,autorizacao,estado\r\n");
    for (const Historico::Linha &l : linhas) {
        const QString campos[] = {l.data,     l.hora, l.origem, nomeProduto(l.produto), l.operacao, l.valor,
                                  l.bandeira, l.rede, l.nsu,    l.autorizacao,          l.estado};
        QStringList linha;
        for (const QString &c : campos)
            linha << campoCsv(c);
        csv += linha.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    r.saida = csv.toUtf8();
    if (ignoradas > 0)
        r.erro = QStringLiteral(Z3_APP_NAME ": %1 linha(s) ilegível(is) do histórico ignorada(s)\n").arg(ignoradas);
    return r;
}
