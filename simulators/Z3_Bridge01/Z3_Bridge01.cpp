// Stand-in for the Z3_Bridge library: one call per operation, answered at once
// with the whole reply a real bridge gives. See docs/simuladores.md ("Simulated
// Z3_Bridge library") for the behaviours and the scenario file.
#include "../common/SimLog.h"
#include "backends/Z3_Bridge_Api.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

#include <cstdio>

namespace {

// What a cancellation must find: the approved sales, by NSU.
struct Venda
{
    QString valor;
    QString dataHora;
    QString autorizacao;
    QString nsuTransacao;
    QString nsuTerminal;
    bool cancelada = false;
};

// The host's record: with "Z3_SIM_ESTADO" naming a folder it is kept there
// (z3_bridge_host.json), so a sale approved before a restart can still be
// cancelled after it, as with a real host; without it, it lasts the run.
struct Estado
{
    QMutex mutex;
    int ultimoNsu = 0;
    QMap<QString, Venda> vendas; // by nsuTerminal and by nsuTransacao
    QByteArray resposta;         // the text handed out by the last call
    QString servidor = QStringLiteral("127.0.0.1:60906");
    int timeout = 60;
    QString arquivo;

    void carregar()
    {
        arquivo = simlog::arquivoEstado("z3_bridge_host.json");
        const QJsonObject dados = simlog::lerEstado(arquivo);
        ultimoNsu = dados.value(QStringLiteral("ultimoNsu")).toInt();
        for (const QJsonValue &v : dados.value(QStringLiteral("vendas")).toArray()) {
            const QJsonObject o = v.toObject();
            const Venda venda{
                o.value(QStringLiteral("valor")).toString(),       o.value(QStringLiteral("dataHora")).toString(),
                o.value(QStringLiteral("autorizacao")).toString(), o.value(QStringLiteral("nsuTransacao")).toString(),
                o.value(QStringLiteral("nsuTerminal")).toString(), o.value(QStringLiteral("cancelada")).toBool()};
            vendas.insert(venda.nsuTerminal, venda);
            vendas.insert(venda.nsuTransacao, venda);
        }
    }

    void gravar() const
    {
        if (arquivo.isEmpty())
            return;
        QJsonArray lista;
        for (auto it = vendas.cbegin(); it != vendas.cend(); ++it) {
            if (it.key() != it->nsuTerminal)
                continue;
            lista.append(QJsonObject{{QStringLiteral("valor"), it->valor},
                                     {QStringLiteral("dataHora"), it->dataHora},
                                     {QStringLiteral("autorizacao"), it->autorizacao},
                                     {QStringLiteral("nsuTransacao"), it->nsuTransacao},
                                     {QStringLiteral("nsuTerminal"), it->nsuTerminal},
                                     {QStringLiteral("cancelada"), it->cancelada}});
        }
        simlog::gravarEstado(arquivo,
                             QJsonObject{{QStringLiteral("ultimoNsu"), ultimoNsu}, {QStringLiteral("vendas"), lista}});
    }
};

Estado &estado()
{
    static Estado *e = [] {
        auto *novo = new Estado;
        novo->carregar();
        return novo;
    }();
    return *e;
}

const char *devolver(const QJsonObject &o)
{
    estado().resposta = QJsonDocument(o).toJson(QJsonDocument::Compact);
    return estado().resposta.constData();
}

QJsonObject erro(int codigo, const QString &mensagem)
{
    return {{QStringLiteral("z3_bridge_code"), codigo}, {QStringLiteral("z3_bridge_msg"), mensagem}};
}

QString texto(const char *s)
{
    return s ? QString::fromUtf8(s) : QString();
}

bool soDigitos(const QString &s)
{
    if (s.isEmpty())
        return false;
    for (const QChar c : s) {
        if (!c.isDigit())
            return false;
    }
    return true;
}

// Cents as the receipt writes them: "1250" -> "R$ 12,50".
QString reais(const QString &centavos)
{
    const QString c = centavos.rightJustified(3, QLatin1Char('0'));
    return QStringLiteral("R$ %1,%2").arg(c.left(c.size() - 2), c.right(2));
}

QString agora(const QJsonObject &cenario)
{
    const QString fixa = cenario.value(QStringLiteral("data_hora")).toString();
    return fixa.isEmpty() ? QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) : fixa;
}

// "aprovar", "negar" or "erro": the scenario's word, else the amount rule.
QString decisao(const QJsonObject &cenario, const QString &valor)
{
    const QString d = cenario.value(QStringLiteral("decisao")).toString();
    if (!d.isEmpty())
        return d;
    return valor.endsWith(QLatin1String("51")) ? QStringLiteral("negar") : QStringLiteral("aprovar");
}

QJsonObject erroDoCenario(const QJsonObject &cenario)
{
    return erro(cenario.value(QStringLiteral("codigo_erro")).toInt(5),
                cenario.value(QStringLiteral("mensagem_erro")).toString(QStringLiteral("Erro simulado")));
}

// The scenario's "resposta" members added or replaced, "resposta_remover" taken out.
QJsonObject aplicarCenario(QJsonObject resposta, const QJsonObject &cenario)
{
    const QJsonObject extra = cenario.value(QStringLiteral("resposta")).toObject();
    for (auto it = extra.begin(); it != extra.end(); ++it)
        resposta.insert(it.key(), it.value());
    for (const QJsonValue &nome : cenario.value(QStringLiteral("resposta_remover")).toArray())
        resposta.remove(nome.toString());
    return resposta;
}

QJsonArray linhas(const QStringList &l)
{
    return QJsonArray::fromStringList(l);
}

struct Cartao
{
    QString tipo; // "CREDITO" or "DEBITO"
    QString nome; // as the receipt names it
    QString bandeira;
    QString pan;
};

const Cartao credito{QStringLiteral("CREDITO"), QStringLiteral("VISA CREDITO"), QStringLiteral("VISA"),
                     QStringLiteral("411111******1111")};
const Cartao debito{QStringLiteral("DEBITO"), QStringLiteral("MASTERCARD DEBITO"), QStringLiteral("MASTERCARD"),
                    QStringLiteral("546827******4321")};

// Every member a bridge reply may hold, empty (null) where the operation has none.
QJsonObject base(int idTransacao, const QString &pdv, const QString &operacao, const QString &dataHora)
{
    QJsonObject r;
    for (const char *nome : {"z3_cupom_fiscal",
                             "modoEntradaCartao",
                             "codigoAutorizacao",
                             "codigoAutorizacaoOriginal",
                             "panMascaradoPadrao",
                             "dataHoraTransacaoOriginal",
                             "comprovanteCompleto",
                             "nomeCartao",
                             "nomeCartaoPadrao",
                             "nomePortadorCartao",
                             "comprovanteReduzidoPortador",
                             "documentoFiscal",
                             "valorTroco",
                             "valorDesconto",
                             "tipoCartao",
                             "tipoFinanciamento",
                             "numeroParcelas",
                             "dataPredatado",
                             "comprovanteDiferenciadoLoja",
                             "comprovanteDiferenciadoPortador",
                             "valorTotal",
                             "valorOriginal",
                             "viasImprimir",
                             "identificadorConfirmacaoTransacao",
                             "valorDevido",
                             "modalidadePagamento",
                             "idPortadorCarteira",
                             "nsuTransacao",
                             "nsuTransacaoOriginal",
                             "nsuTerminal",
                             "nsuTerminalOriginal"})
        r.insert(QLatin1String(nome), QJsonValue::Null);
    r.insert(QStringLiteral("z3_bridge_code"), 0);
    r.insert(QStringLiteral("z3_bridge_msg"), QStringLiteral("Sucesso"));
    r.insert(QStringLiteral("z3_pdv"), pdv);
    r.insert(QStringLiteral("z3_cupom_fiscal"), false);
    r.insert(QStringLiteral("identificadorTransacaoAutomacao"), QString::number(idTransacao));
    r.insert(QStringLiteral("operacao"), operacao);
    r.insert(QStringLiteral("dataHoraTransacao"), dataHora);
    r.insert(QStringLiteral("identificadorEstabelecimento"), QStringLiteral("1020304050"));
    r.insert(QStringLiteral("nomeEstabelecimento"), QStringLiteral("LOJA SIMULADA LTDA"));
    r.insert(QStringLiteral("nomeProvedor"), QStringLiteral("REDE SIMULADA"));
    r.insert(QStringLiteral("provedor"), QStringLiteral("999"));
    r.insert(QStringLiteral("codigoMoeda"), QStringLiteral("986"));
    r.insert(QStringLiteral("identificadorPontoCaptura"), QStringLiteral("SIM00001"));
    return r;
}

void negar(QJsonObject &r, const QString &codigoRede, const QString &mensagem)
{
    r.insert(QStringLiteral("resultadoTransacao"), 5);
    r.insert(QStringLiteral("mensagemResultado"), mensagem);
    r.insert(QStringLiteral("respostaRede"), codigoRede);
}

// The receipts of an approved operation: the store's and the cardholder's
// copies, the complete receipt made of both, and the short cardholder slip.
void comprovantes(QJsonObject &r, const QString &titulo, const QStringList &corpo)
{
    const QString estabelecimento = r.value(QStringLiteral("nomeEstabelecimento")).toString();
    const QStringList loja = QStringList{QStringLiteral("      ") + titulo, QStringLiteral("  VIA ESTABELECIMENTO"),
                                         QString(), estabelecimento, QStringLiteral("CNPJ: 00.000.000/0001-91")} +
                             corpo + QStringList{QString(), QStringLiteral("TRANSACAO AUTORIZADA MEDIANTE SENHA")};
    const QStringList cliente =
        QStringList{QStringLiteral("      ") + titulo, QStringLiteral("  VIA CLIENTE"), QString(), estabelecimento} +
        corpo;
    r.insert(QStringLiteral("comprovanteDiferenciadoLoja"), linhas(loja));
    r.insert(QStringLiteral("comprovanteDiferenciadoPortador"), linhas(cliente));
    r.insert(QStringLiteral("comprovanteCompleto"), linhas(loja + cliente));
    r.insert(QStringLiteral("viasImprimir"), QStringLiteral("2"));
}

QString proximoNsu()
{
    return QString::number(++estado().ultimoNsu).rightJustified(6, QLatin1Char('0'));
}

const char *venda(const char *funcao, const QJsonArray &argumentos, int idTransacao, const QString &pdv,
                  const QString &valor, const Cartao &cartao, int tipoFinanciamento, int numParcelas)
{
    const QJsonObject cenario = simlog::cenario();
    const QString d = decisao(cenario, valor);
    const auto registrar = [&](const QString &resultado, const QString &nsu = QString()) {
        QJsonObject desfecho{{QStringLiteral("resultado"), resultado}};
        if (!nsu.isEmpty())
            desfecho.insert(QStringLiteral("nsu"), nsu);
        simlog::registrar(funcao, argumentos, desfecho);
    };
    if (!soDigitos(valor)) {
        registrar(QStringLiteral("erro"));
        return devolver(erro(-4, QStringLiteral("Valor inválido: %1").arg(valor)));
    }
    // 0 and 1 are a single payment; 2 the issuer's instalments, 3 the store's.
    QString financiamento = QStringLiteral("A_VISTA");
    int parcelas = 1;
    if (tipoFinanciamento == 2 || tipoFinanciamento == 3) {
        if (numParcelas < 2) {
            registrar(QStringLiteral("erro"));
            return devolver(erro(-3, QStringLiteral("Quantidade de parcelas inválida: %1").arg(numParcelas)));
        }
        financiamento =
            tipoFinanciamento == 3 ? QStringLiteral("PARCELADO_ESTABELECIMENTO") : QStringLiteral("PARCELADO_EMISSOR");
        parcelas = numParcelas;
    } else if (tipoFinanciamento != 0 && tipoFinanciamento != 1) {
        registrar(QStringLiteral("erro"));
        return devolver(erro(-3, QStringLiteral("Tipo de financiamento inválido: %1").arg(tipoFinanciamento)));
    }
    if (d == QLatin1String("erro")) {
        registrar(QStringLiteral("erro"));
        return devolver(aplicarCenario(erroDoCenario(cenario), cenario));
    }

    const QString dataHora = agora(cenario);
    const QString nsu = proximoNsu();
    const QString nsuTransacao = nsu.rightJustified(12, QLatin1Char('0'));
    QJsonObject r = base(idTransacao, pdv, QStringLiteral("VENDA"), dataHora);
    r.insert(QStringLiteral("valorTotal"), valor);
    r.insert(QStringLiteral("tipoCartao"), cartao.tipo);
    r.insert(QStringLiteral("tipoFinanciamento"), financiamento);
    r.insert(QStringLiteral("numeroParcelas"), parcelas);
    r.insert(QStringLiteral("modalidadePagamento"), QStringLiteral("CARTAO"));
    r.insert(QStringLiteral("modoEntradaCartao"), QStringLiteral("CHIP"));
    r.insert(QStringLiteral("panMascaradoPadrao"), cartao.pan);
    r.insert(QStringLiteral("nomeCartao"), cartao.nome);
    r.insert(QStringLiteral("nomeCartaoPadrao"), cartao.bandeira);
    r.insert(QStringLiteral("nsuTerminal"), nsu);
    r.insert(QStringLiteral("nsuTransacao"), nsuTransacao);
    if (d == QLatin1String("negar")) {
        negar(r, QStringLiteral("51"), QStringLiteral("TRANSACAO NEGADA"));
        registrar(QStringLiteral("negada"), nsu);
        return devolver(aplicarCenario(r, cenario));
    }

    const QString autorizacao = QString::number(100000 + estado().ultimoNsu * 7919 % 900000);
    r.insert(QStringLiteral("codigoAutorizacao"), autorizacao);
    r.insert(QStringLiteral("nomePortadorCartao"), QStringLiteral("CLIENTE SIMULADO"));
    r.insert(QStringLiteral("identificadorConfirmacaoTransacao"), nsu);
    r.insert(QStringLiteral("resultadoTransacao"), 0);
    r.insert(QStringLiteral("mensagemResultado"), QStringLiteral("TRANSACAO APROVADA"));
    r.insert(QStringLiteral("respostaRede"), QStringLiteral("00"));
    QString forma = financiamento == QLatin1String("A_VISTA") ? QStringLiteral("A VISTA")
                                                              : QStringLiteral("PARCELADO %1X").arg(parcelas);
    QStringList corpo{cartao.nome + QLatin1Char(' ') + forma,
                      cartao.pan,
                      QStringLiteral("PDV: %1  NSU: %2").arg(pdv, nsu),
                      QStringLiteral("AUT: %1  DOC: %2").arg(autorizacao, nsuTransacao),
                      dataHora,
                      QString(),
                      QStringLiteral("VALOR APROVADO: %1").arg(reais(valor))};
    if (parcelas > 1)
        corpo << QStringLiteral("EM %1 PARCELAS").arg(parcelas);
    comprovantes(r, QStringLiteral("COMPROVANTE DE VENDA"), corpo);
    r.insert(QStringLiteral("comprovanteReduzidoPortador"),
             linhas({cartao.nome, cartao.pan, QStringLiteral("VALOR: %1").arg(reais(valor))}));

    Venda v{valor, dataHora, autorizacao, nsuTransacao, nsu, false};
    estado().vendas.insert(nsu, v);
    estado().vendas.insert(nsuTransacao, v);
    estado().gravar();
    registrar(QStringLiteral("aprovada"), nsu);
    return devolver(aplicarCenario(r, cenario));
}

} // namespace

#define Z3_EXPORT extern "C" Q_DECL_EXPORT

Z3_EXPORT const char *GetServer()
{
    simlog::registrar("GetServer", {});
    QMutexLocker l(&estado().mutex);
    return devolver({{QStringLiteral("servidor"), estado().servidor}});
}

Z3_EXPORT const char *SetServer(const char *servidor)
{
    simlog::registrar("SetServer", {simlog::texto(servidor)});
    QMutexLocker l(&estado().mutex);
    estado().servidor = texto(servidor);
    return devolver(erro(0, QStringLiteral("Servidor configurado")));
}

Z3_EXPORT const char *SetSenha(const char *)
{
    // The password itself never reaches the call log.
    simlog::registrar("SetSenha", {QStringLiteral("***")});
    QMutexLocker l(&estado().mutex);
    return devolver(erro(0, QStringLiteral("Senha configurada")));
}

Z3_EXPORT int GetTimeout()
{
    simlog::registrar("GetTimeout", {});
    QMutexLocker l(&estado().mutex);
    return estado().timeout;
}

Z3_EXPORT const char *SetTimeout(int segundos)
{
    simlog::registrar("SetTimeout", {segundos});
    QMutexLocker l(&estado().mutex);
    estado().timeout = segundos;
    return devolver(erro(0, QStringLiteral("Timeout configurado")));
}

Z3_EXPORT const char *ConsultarStatus()
{
    simlog::registrar("ConsultarStatus", {});
    QMutexLocker l(&estado().mutex);
    return devolver(erro(0, QStringLiteral("Servidor disponível")));
}

Z3_EXPORT const char *IniciaVenda(int idTransacao, const char *pdv, const char *valorTotal)
{
    QMutexLocker l(&estado().mutex);
    // The cardholder picks the card at the PIN pad; the scenario may say debit.
    const bool comDebito = simlog::cenario().value(QStringLiteral("cartao")).toString() == QLatin1String("debito");
    return venda("IniciaVenda", {idTransacao, simlog::texto(pdv), simlog::texto(valorTotal)}, idTransacao, texto(pdv),
                 texto(valorTotal), comDebito ? debito : credito, 1, 0);
}

Z3_EXPORT const char *IniciaVendaDebito(int idTransacao, const char *pdv, const char *valorTotal)
{
    QMutexLocker l(&estado().mutex);
    return venda("IniciaVendaDebito", {idTransacao, simlog::texto(pdv), simlog::texto(valorTotal)}, idTransacao,
                 texto(pdv), texto(valorTotal), debito, 1, 0);
}

Z3_EXPORT const char *IniciaVendaCredito(int idTransacao, const char *pdv, const char *valorTotal,
                                         int tipoFinanciamento, int numParcelas)
{
    QMutexLocker l(&estado().mutex);
    return venda("IniciaVendaCredito",
                 {idTransacao, simlog::texto(pdv), simlog::texto(valorTotal), tipoFinanciamento, numParcelas},
                 idTransacao, texto(pdv), texto(valorTotal), credito, tipoFinanciamento, numParcelas);
}

Z3_EXPORT const char *IniciaCancelamentoVenda(int idTransacao, const char *pdv, const char *valorTotal,
                                              const char *dataHora, const char *nsu)
{
    QMutexLocker l(&estado().mutex);
    const QJsonArray argumentos{idTransacao, simlog::texto(pdv), simlog::texto(valorTotal), simlog::texto(dataHora),
                                simlog::texto(nsu)};
    const QJsonObject cenario = simlog::cenario();
    if (cenario.value(QStringLiteral("decisao")).toString() == QLatin1String("erro")) {
        simlog::registrar("IniciaCancelamentoVenda", argumentos,
                          {{QStringLiteral("resultado"), QStringLiteral("erro")}});
        return devolver(aplicarCenario(erroDoCenario(cenario), cenario));
    }
    QJsonObject r = base(idTransacao, texto(pdv), QStringLiteral("CANCELAMENTO"), agora(cenario));
    r.insert(QStringLiteral("valorTotal"), texto(valorTotal));
    r.insert(QStringLiteral("nsuTransacaoOriginal"), texto(nsu));
    auto original = estado().vendas.find(texto(nsu));
    if (original == estado().vendas.end() || original->cancelada) {
        negar(r, QStringLiteral("56"),
              original == estado().vendas.end() ? QStringLiteral("TRANSACAO ORIGINAL NAO ENCONTRADA")
                                                : QStringLiteral("TRANSACAO JA CANCELADA"));
        simlog::registrar("IniciaCancelamentoVenda", argumentos,
                          {{QStringLiteral("resultado"), QStringLiteral("negada")}});
        return devolver(aplicarCenario(r, cenario));
    }
    const Venda v = *original;
    estado().vendas[v.nsuTerminal].cancelada = true;
    estado().vendas[v.nsuTransacao].cancelada = true;
    const QString nsuNovo = proximoNsu();
    estado().gravar();
    r.insert(QStringLiteral("valorTotal"), v.valor);
    r.insert(QStringLiteral("valorOriginal"), v.valor);
    r.insert(QStringLiteral("codigoAutorizacaoOriginal"), v.autorizacao);
    r.insert(QStringLiteral("dataHoraTransacaoOriginal"), v.dataHora);
    r.insert(QStringLiteral("nsuTransacaoOriginal"), v.nsuTransacao);
    r.insert(QStringLiteral("nsuTerminalOriginal"), v.nsuTerminal);
    r.insert(QStringLiteral("nsuTerminal"), nsuNovo);
    r.insert(QStringLiteral("nsuTransacao"), nsuNovo.rightJustified(12, QLatin1Char('0')));
    r.insert(QStringLiteral("identificadorConfirmacaoTransacao"), nsuNovo);
    r.insert(QStringLiteral("resultadoTransacao"), 0);
    r.insert(QStringLiteral("mensagemResultado"), QStringLiteral("CANCELAMENTO APROVADO"));
    r.insert(QStringLiteral("respostaRede"), QStringLiteral("00"));
    comprovantes(r, QStringLiteral("CANCELAMENTO DE VENDA"),
                 {QStringLiteral("NSU ORIGINAL: %1  AUT: %2").arg(v.nsuTerminal, v.autorizacao),
                  QStringLiteral("DATA ORIGINAL: %1").arg(v.dataHora), QStringLiteral("NSU: %1").arg(nsuNovo),
                  QString(), QStringLiteral("VALOR CANCELADO: %1").arg(reais(v.valor))});
    simlog::registrar("IniciaCancelamentoVenda", argumentos,
                      {{QStringLiteral("resultado"), QStringLiteral("aprovada")}, {QStringLiteral("nsu"), nsuNovo}});
    return devolver(aplicarCenario(r, cenario));
}

Z3_EXPORT const char *IniciaOperacaoAdministrativa(int idTransacao, const char *pdv, int operacao)
{
    QMutexLocker l(&estado().mutex);
    const QJsonArray argumentos{idTransacao, simlog::texto(pdv), operacao};
    const QJsonObject cenario = simlog::cenario();
    if (cenario.value(QStringLiteral("decisao")).toString() == QLatin1String("erro")) {
        simlog::registrar("IniciaOperacaoAdministrativa", argumentos,
                          {{QStringLiteral("resultado"), QStringLiteral("erro")}});
        return devolver(aplicarCenario(erroDoCenario(cenario), cenario));
    }
    const QString dataHora = agora(cenario);
    QJsonObject r = base(idTransacao, texto(pdv), QStringLiteral("ADMINISTRATIVA"), dataHora);
    int vendas = 0;
    int canceladas = 0;
    for (auto it = estado().vendas.cbegin(); it != estado().vendas.cend(); ++it) {
        if (it.key() == it->nsuTerminal)
            ++(it->cancelada ? canceladas : vendas);
    }
    r.insert(QStringLiteral("resultadoTransacao"), 0);
    r.insert(QStringLiteral("mensagemResultado"), QStringLiteral("OPERACAO ADMINISTRATIVA CONCLUIDA"));
    r.insert(
        QStringLiteral("comprovanteCompleto"),
        linhas({QStringLiteral("      RESUMO DE VENDAS"), r.value(QStringLiteral("nomeEstabelecimento")).toString(),
                dataHora, QString(), QStringLiteral("VENDAS APROVADAS: %1").arg(vendas),
                QStringLiteral("VENDAS CANCELADAS: %1").arg(canceladas)}));
    r.insert(QStringLiteral("viasImprimir"), QStringLiteral("1"));
    simlog::registrar("IniciaOperacaoAdministrativa", argumentos,
                      {{QStringLiteral("resultado"), QStringLiteral("aprovada")}});
    return devolver(aplicarCenario(r, cenario));
}
