#include "receipts/Recibo.h"

#include <QJsonArray>
#include <QStringList>

namespace {

const QLatin1String chaveLoja("comprovanteDiferenciadoLoja");
const QLatin1String chaveCliente("comprovanteDiferenciadoPortador");

// The workers file each receipt after its operation, by the names the Z3_Tef library gives them.
struct NomeOperacao
{
    const char *operacao;
    const char *transacao;
};
const NomeOperacao nomesVantor[] = {{"1", "Cartao Vender"},
                                    {"2", "Cartao Vender"},
                                    {"12", "Administracao Cancelar"},
                                    {"128", "Administracao Reimprimir"}};
const NomeOperacao nomesBridge[] = {{"CRT", "Cartao Vender"},
                                    {"VENDA", "Cartao Vender"},
                                    {"CNC", "Administracao Cancelar"},
                                    {"CANCELAMENTO", "Administracao Cancelar"},
                                    {"ADM", "Administracao Extrato Transacao"},
                                    {"ADMINISTRATIVA", "Administracao Extrato Transacao"}};

// Where one product's result keeps what a receipt needs. A layout is the
// first whose object, or one of whose copies, the result holds.
struct Layout
{
    const char *objeto;     // the member that holds the receipt data as the workers take it
    const char *loja;       // the merchant's copy: a text, or its lines
    const char *lojaSemVia; // the copy when the result has no merchant's one
    const char *cliente;
    const char *nsu;      // a member, or an item of "dados_transacao" ("Chave:valor,...")
    bool nsuEmDados;      // the NSU is such an item
    const char *operacao; // the member naming the operation
    const NomeOperacao *nomes;
    int quantidadeNomes;
};

template <std::size_t N>
constexpr int tamanho(const NomeOperacao (&)[N])
{
    return static_cast<int>(N);
}

const Layout layouts[] = {
    // Z3_Tef: the library's own "tef" object is already the receipt data.
    {"tef", nullptr, nullptr, nullptr, nullptr, false, nullptr, nullptr, 0},
    // Vantor: the two copies of the last screen and the transaction data's NSU.
    {nullptr, "comprovante_loja", nullptr, "comprovante_cliente", "Nsu", true, "operacao", nomesVantor,
     tamanho(nomesVantor)},
    // Z3_Bridge: the copies in lines; an administrative summary comes as the complete receipt alone.
    {nullptr, "comprovanteDiferenciadoLoja", "comprovanteCompleto", "comprovanteDiferenciadoPortador", "nsuTerminal",
     false, "operacao", nomesBridge, tamanho(nomesBridge)},
};

// A copy as one text, whether the result gives it whole or in lines.
QString texto(const QJsonValue &v)
{
    if (!v.isArray())
        return v.toString();
    QStringList linhas;
    for (const QJsonValue &l : v.toArray())
        linhas << l.toString();
    return linhas.join(QLatin1Char('\n'));
}

QString itemDosDados(const QString &dados, const QString &chave)
{
    for (const QString &item : dados.split(QLatin1Char(','))) {
        if (item.section(QLatin1Char(':'), 0, 0).trimmed() == chave)
            return item.section(QLatin1Char(':'), 1, 1).trimmed();
    }
    return QString();
}

bool tem(const QJsonObject &o, const char *chave)
{
    return chave && o.contains(QLatin1String(chave)) && !o.value(QLatin1String(chave)).isNull();
}

} // namespace

QJsonObject Recibo::dadosDoResultado(const QJsonObject &resultado)
{
    for (const Layout &l : layouts) {
        if (l.objeto) {
            if (resultado.value(QLatin1String(l.objeto)).isObject())
                return resultado.value(QLatin1String(l.objeto)).toObject();
            continue;
        }
        const char *loja = tem(resultado, l.loja) ? l.loja : tem(resultado, l.lojaSemVia) ? l.lojaSemVia : nullptr;
        if (!loja && !tem(resultado, l.cliente))
            continue;
        QJsonObject dados;
        if (loja)
            dados.insert(chaveLoja, texto(resultado.value(QLatin1String(loja))));
        if (tem(resultado, l.cliente))
            dados.insert(chaveCliente, texto(resultado.value(QLatin1String(l.cliente))));
        dados.insert(QStringLiteral("nsuTerminal"),
                     l.nsuEmDados ? itemDosDados(resultado.value(QStringLiteral("dados_transacao")).toString(),
                                                 QLatin1String(l.nsu))
                                  : resultado.value(QLatin1String(l.nsu)).toString());
        const QJsonValue op = resultado.value(QLatin1String(l.operacao));
        const QString operacao = op.isDouble() ? QString::number(op.toInt()) : op.toString();
        QString transacao = operacao;
        for (int i = 0; i < l.quantidadeNomes; ++i) {
            if (operacao == QLatin1String(l.nomes[i].operacao))
                transacao = QString::fromLatin1(l.nomes[i].transacao);
        }
        dados.insert(QStringLiteral("transacao"), transacao);
        return dados;
    }
    return QJsonObject();
}

bool Recibo::temVia(const QJsonObject &dados)
{
    return dados.contains(chaveLoja) || dados.contains(chaveCliente);
}
