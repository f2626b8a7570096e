#include "exchange/Vantor_Conversor.h"

#include "RespostaSitef.h"
#include "exchange/RequisicaoSitef.h"

#include <QDate>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

namespace {

const QString prefixoLog = QStringLiteral("[ProtocoloSitef] ");

// A line break inside a value would start a forged field in the response.
QString semQuebras(QString valor)
{
    valor.remove(QLatin1Char('\n'));
    valor.remove(QLatin1Char('\r'));
    return valor;
}

enum class RegraVantor { Inalterado, Pan, DataTrans, Trilha, Financiamento, Ignorado };

struct CampoVantor
{
    const char *chave;
    const char *campo;
    RegraVantor regra;
};

const CampoVantor camposVantor[] = {
    {"Pan", "010-004|010-005", RegraVantor::Pan},
    {"ValorTrans", "003-000", RegraVantor::Inalterado},
    {"Nsu", "012-000", RegraVantor::Inalterado},
    {"HoraTrans", "023-000", RegraVantor::Inalterado},
    {"DataTrans", "022-000", RegraVantor::DataTrans},
    {"DataValidadeCartao", "300-001", RegraVantor::Inalterado},
    {"CodAutorizacao", "013-000", RegraVantor::Inalterado},
    {"CodResposta", "047-000", RegraVantor::Inalterado},
    {"CodEstabelecimento", "150-001", RegraVantor::Inalterado},
    {"NroParcelas", "018-000", RegraVantor::Inalterado},
    {"TaxaServico", "050-000", RegraVantor::Inalterado},
    {"NsuHost", "043-000", RegraVantor::Inalterado},
    {"CodBandeira", "010-003", RegraVantor::Inalterado},
    {"CodServico", "010-007", RegraVantor::Inalterado},
    {"NroControle", "011-000", RegraVantor::Inalterado},
    {"CodRede", "010-001", RegraVantor::Inalterado},
    {"NomeBandeira", "010-002", RegraVantor::Inalterado},
    {"NomeRede", "010-000", RegraVantor::Inalterado},
    {"Trilha02", "210-004", RegraVantor::Trilha},
    {"SaldoDisponivel", "210-065", RegraVantor::Inalterado},
    {"NsuTransOriginal", "025-000", RegraVantor::Inalterado},
    {"FormaFinanciamento", "017-000", RegraVantor::Financiamento},
    {"NsuHostTransOriginal", "043-001", RegraVantor::Inalterado},
    {"CodOperadoraCelular", "504-000", RegraVantor::Inalterado},
    {"CodArea", "150-003", RegraVantor::Inalterado},
    {"NroTelefone", "805-000", RegraVantor::Inalterado},
    {"TaxaEmbarque", "050-001", RegraVantor::Inalterado},
    {"CodEmpresa", "150-000", RegraVantor::Inalterado},
    {"NroPdv", "210-052", RegraVantor::Inalterado},
    {"ValorSaque", "200-000", RegraVantor::Inalterado},
    {"CnpjCredenciadora", "600-000", RegraVantor::Inalterado},
    {"IdTerminal", nullptr, RegraVantor::Ignorado},
    {"CodEstabCielo", nullptr, RegraVantor::Ignorado},
    {"CodIf", nullptr, RegraVantor::Ignorado},
    {"LogoPan", nullptr, RegraVantor::Ignorado},
    {"CodAutenticacao", nullptr, RegraVantor::Ignorado},
};

const CampoVantor *campoVantor(const QStringRef &chave)
{
    for (const CampoVantor &c : camposVantor) {
        if (chave == QLatin1String(c.chave))
            return &c;
    }
    return nullptr;
}

struct ItemVantor
{
    QStringRef chave;
    QStringRef valor;
    bool temValor = false;
};

// "Chave:valor" -> key before the first ":", value between the first and the second.
ItemVantor itemVantor(const QStringRef &item)
{
    ItemVantor r;
    const int p1 = item.indexOf(QLatin1Char(':'));
    if (p1 < 0) {
        r.chave = item;
        return r;
    }
    const int p2 = item.indexOf(QLatin1Char(':'), p1 + 1);
    r.chave = item.left(p1);
    r.valor = item.mid(p1 + 1, p2 < 0 ? -1 : p2 - p1 - 1);
    r.temValor = true;
    return r;
}

// The received document as logged, in compact form. Card numbers never reach the log
// in clear: every run of 13 or more digits keeps only its first six and last four
// digits, and track data is masked whole.
QString documentoParaLog(const QString &prefixo, const QJsonDocument &doc)
{
    const QByteArray compacto = doc.toJson(QJsonDocument::Compact);
    static const QByteArray trilha = QByteArrayLiteral("Trilha02");
    const char *p = compacto.constData();
    const int n = compacto.size();
    const auto digito = [p](int k) {
        return p[k] >= '0' && p[k] <= '9';
    };
    QByteArray r = prefixo.toUtf8();
    r.reserve(r.size() + n);
    int copiado = 0;
    int i = 0;
    while (i < n) {
        if (digito(i)) {
            int fim = i;
            while (fim < n && digito(fim))
                ++fim;
            if (fim - i >= 13) {
                r.append(p + copiado, i + 6 - copiado);
                r.append(fim - i - 10, '*');
                copiado = fim - 4;
            }
            i = fim;
        } else if (p[i] == 'T' && n - i >= trilha.size() && qstrncmp(p + i, trilha.constData(), trilha.size()) == 0) {
            // "Trilha02", any blanks, ":" and the value up to the next item or the string's end.
            i += trilha.size();
            while (i < n && p[i] == ' ')
                ++i;
            if (i < n && p[i] == ':') {
                ++i;
                int fim = i;
                while (fim < n && p[fim] != ',' && p[fim] != '"' && p[fim] != '\\')
                    ++fim;
                r.append(p + copiado, i - copiado);
                r.append(fim - i, '*');
                copiado = fim;
                i = fim;
            }
        } else {
            ++i;
        }
    }
    r.append(p + copiado, n - copiado);
    return QString::fromUtf8(r);
}

} // namespace

QString Vantor_Conversor::converter(const QString &result) const
{
    QJsonParseError erro;
    const QJsonDocument doc = QJsonDocument::fromJson(result.toUtf8(), &erro);
    if (erro.error != QJsonParseError::NoError) {
        m_log.error(prefixoLog + erro.errorString());
        return QString();
    }
    const QJsonObject resultado = doc.object();
    m_log.info(documentoParaLog(prefixoLog, doc));

    RespostaSitef resposta;
    resposta.adicionarSemQuebras(QLatin1String("000-000"), resultado.value(QLatin1String("header")).toString());
    resposta.adicionar(QLatin1String("001-000"), QString::number(resultado.value(QLatin1String("id")).toInt()));
    resposta.adicionar(QLatin1String("009-000"), QString::number(resultado.value(QLatin1String("resultado")).toInt()));

    const QString documentoFiscal = semQuebras(resultado.value(QLatin1String("documento_fiscal_vinculado")).toString());
    if (!documentoFiscal.isEmpty())
        resposta.adicionar(QLatin1String("002-000"), documentoFiscal);
    const QString textoOperador = semQuebras(resultado.value(QLatin1String("texto_operador")).toString());
    if (!textoOperador.isEmpty())
        resposta.adicionar(QLatin1String("030-000"), textoOperador);

    const QJsonValue dados = resultado.value(QLatin1String("dados_transacao"));
    if (!dados.isUndefined()) {
        const QString texto = dados.toString();
        int inicio = 0;
        while (inicio <= texto.size()) {
            int fim = texto.indexOf(QLatin1Char(','), inicio);
            if (fim < 0)
                fim = texto.size();
            const ItemVantor item = itemVantor(QStringRef(&texto, inicio, fim - inicio));
            inicio = fim + 1;
            // An item without ":" (an empty one between two commas too) has no value: nothing to write.
            if (!item.temValor)
                continue;
            QString copia;
            const QStringRef valor = RequisicaoSitef::simplificado(item.valor, &copia);
            if (valor.isEmpty())
                continue;
            // Keys of the table hold no blanks: trimming is all the simplification they need.
            const CampoVantor *campo = campoVantor(item.chave.trimmed());
            if (!campo)
                continue;
            const QLatin1String id(campo->campo ? campo->campo : "");
            switch (campo->regra) {
            case RegraVantor::Inalterado:
                resposta.adicionar(id, valor);
                break;
            case RegraVantor::Pan:
                resposta.adicionar(QLatin1String("010-004"), valor.left(6));
                resposta.adicionar(QLatin1String("010-005"), valor.right(4));
                break;
            case RegraVantor::DataTrans: {
                // MMDD -> DDMMYYYY; the library leaves the year out.
                const QString data = valor.right(2) + valor.left(2) +
                                     QString::number(QDate::currentDate().year()).rightJustified(4, QLatin1Char('0'));
                resposta.adicionar(id, data);
                break;
            }
            case RegraVantor::Trilha:
                resposta.adicionar(id, valor.left(valor.indexOf(QLatin1Char('='))));
                break;
            case RegraVantor::Financiamento:
                resposta.adicionar(id, valor == QLatin1String("A")   ? QStringView(u"1")
                                       : valor == QLatin1String("E") ? QStringView(u"0")
                                                                     : QStringView(valor));
                break;
            case RegraVantor::Ignorado:
                break;
            }
        }
    }

    const QJsonValue comprovante = resultado.value(QLatin1String("comprovante_loja"));
    if (!comprovante.isUndefined()) {
        // Pieces go out as they are ("\r" included): the store receipt is the library's own text.
        const QString texto = comprovante.toString();
        int k = 0;
        int inicio = 0;
        while (inicio <= texto.size()) {
            int fim = texto.indexOf(QLatin1Char('\n'), inicio);
            if (fim < 0)
                fim = texto.size();
            ++k;
            resposta.adicionarNumerada(QLatin1String("029-"), k, QStringView(texto).mid(inicio, fim - inicio));
            inicio = fim + 1;
        }
        resposta.adicionar(QLatin1String("028-000"), QString::number(k));
    }

    return resposta.texto(true);
}

Historico::Resumo Vantor_Conversor::resumo(const QJsonObject &resultado)
{
    Historico::Resumo r;
    const struct
    {
        const char *chave;
        QString Historico::Resumo::*campo;
    } campos[] = {{"ValorTrans", &Historico::Resumo::valor},
                  {"NomeBandeira", &Historico::Resumo::bandeira},
                  {"NomeRede", &Historico::Resumo::rede},
                  {"Nsu", &Historico::Resumo::nsu},
                  {"CodAutorizacao", &Historico::Resumo::autorizacao}};
    const QString dados = resultado.value(QLatin1String("dados_transacao")).toString();
    for (const QStringRef &pedaco : dados.splitRef(QLatin1Char(','))) {
        const ItemVantor item = itemVantor(pedaco);
        for (const auto &c : campos) {
            if (item.temValor && item.chave.trimmed() == QLatin1String(c.chave))
                r.*c.campo = item.valor.trimmed().toString();
        }
    }
    using S = Historico::Situacao;
    // The library's "OPERACAO CANCELADA" and this program's own screens cancelled alike.
    constexpr int encerradaPeloOperador = 65282;
    const int codigo = resultado.value(QLatin1String("resultado")).toInt(-1);
    r.situacao = codigo == 0                       ? S::Aprovada
                 : codigo == encerradaPeloOperador ? S::Cancelada
                 : codigo < 0                      ? S::Erro
                                                   : S::Negada;
    return r;
}
