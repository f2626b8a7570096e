// Stand-in for the Z3_Tef library: behaves like a TEF host for the program and
// for integrators' homologation runs. See docs/simuladores.md ("Simulated Z3_Tef library")
// for the behaviours and the scenario file.
#include "../common/SimLog.h"
#include "backends/Z3_Tef_Api.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

#include <qrencode.h>

#include <cstdio>
#include <type_traits>

namespace {

enum class Tipo { Nenhuma, Venda, Cancelamento, Adm, Pix };

struct Coleta
{
    QString palavraChave;
    QString mensagem;
    QString tipo;    // "N" number, "A" text, "D" date; empty for a list
    QString mascara; // date format for "D"
    QString opcoes;  // ";"-separated options of a list
};

struct Transacao
{
    Tipo tipo = Tipo::Nenhuma;
    QString nome;
    int tipoCartao = 0;
    QString valor;
    QString pagamento;
    QString financiado;
    QString parcelas;
    QString produto;
    QString nsuOriginal;
    QString dataOriginal;
    QString opcaoAdm;
    QString senha;
    int codigoAdm = 0;
    QJsonObject coletados; // answers to the scenario's own steps
    int passoCenario = 0;
    int passosPix = 0;
    QString qrHex;
    QString payload;
    QString palavraPendente; // what the last reply asked for
    int coletaSequencial = 0;
    QJsonObject cenario;
};

struct Estado
{
    QMutex mutex;
    bool operacaoAberta = false;
    int sequencial = 0;
    QString host;
    int porta = 0;
    int produto = 2;
    Transacao t;
    QByteArray resposta;        // the text handed out by the last call
    QByteArray ultimaTransacao; // last final reply, for RecuperarOperacaoTEF
};

Estado &estado()
{
    static Estado e;
    return e;
}

// The host's own record, kept on disk in the folder named by "Z3_SIM_ESTADO"
// so that it outlives the program: the last sequential number, the approved
// transactions still waiting for a confirmation or an undo, and how the
// resolved ones ended. Without the setting, nothing is kept.
struct Host
{
    QString arquivo;
    QJsonObject dados;

    bool ativo() const { return !arquivo.isEmpty(); }
    QJsonObject pendentes() const { return dados.value(QStringLiteral("pendentes")).toObject(); }
    QJsonObject resolvidas() const { return dados.value(QStringLiteral("resolvidas")).toObject(); }

    static Host carregar()
    {
        Host h;
        h.arquivo = simlog::arquivoEstado("z3_tef_host.json");
        h.dados = simlog::lerEstado(h.arquivo);
        return h;
    }

    void gravar() const { simlog::gravarEstado(arquivo, dados); }

    // Confirms (acao 1) or undoes (0) a pending transaction; false when it is not pending.
    bool resolver(int sequencial, int acao)
    {
        QJsonObject p = pendentes();
        const QString chave = QString::number(sequencial);
        if (!p.contains(chave))
            return false;
        p.remove(chave);
        QJsonObject r = resolvidas();
        r.insert(chave, acao ? QStringLiteral("confirmada") : QStringLiteral("desfeita"));
        dados.insert(QStringLiteral("pendentes"), p);
        dados.insert(QStringLiteral("resolvidas"), r);
        gravar();
        return true;
    }
};

const QStringList &tiposCartao()
{
    static const QStringList tipos = {QStringLiteral("Credito"), QStringLiteral("Debito"), QStringLiteral("Voucher"),
                                      QStringLiteral("Frota"), QStringLiteral("Private Label")};
    return tipos;
}

const QStringList &opcoesAdm()
{
    static const QStringList opcoes = {QStringLiteral("Teste de comunicacao"), QStringLiteral("Reimpressao"),
                                       QStringLiteral("Cancelamento")};
    return opcoes;
}

const char *devolver(const QJsonObject &resposta)
{
    Estado &e = estado();
    e.resposta = QJsonDocument(resposta).toJson(QJsonDocument::Compact);
    return e.resposta.constData();
}

QJsonObject respostaTef(const QJsonObject &tef)
{
    return QJsonObject{{QStringLiteral("codigo"), 0},
                       {QStringLiteral("mensagem"), QStringLiteral("Sucesso")},
                       {QStringLiteral("tef"), tef}};
}

QJsonObject respostaErro(int codigo, const QString &mensagem)
{
    return QJsonObject{{QStringLiteral("codigo"), codigo}, {QStringLiteral("mensagem"), mensagem}};
}

// An amount as the program sends it: plain digits are cents (key-number field
// 003-000); a text with "." or "," carries its decimals after the last one.
QString centavos(const QString &valor)
{
    const int sep = std::max(valor.lastIndexOf(QLatin1Char('.')), valor.lastIndexOf(QLatin1Char(',')));
    QString digitos;
    if (sep < 0) {
        digitos = valor;
    } else {
        QString decimais = valor.mid(sep + 1).left(2);
        while (decimais.size() < 2)
            decimais.append(QLatin1Char('0'));
        digitos = valor.left(sep) + decimais;
    }
    QString limpo;
    for (const QChar c : digitos)
        if (c.isDigit())
            limpo.append(c);
    while (limpo.size() > 1 && limpo.startsWith(QLatin1Char('0')))
        limpo.remove(0, 1);
    return limpo.isEmpty() ? QStringLiteral("0") : limpo;
}

QString valorReais(const QString &cents)
{
    QString c = cents;
    while (c.size() < 3)
        c.prepend(QLatin1Char('0'));
    return c.left(c.size() - 2) + QLatin1Char(',') + c.right(2);
}

QByteArray pngQrCode(const QString &texto)
{
    const QByteArray utf8 = texto.toUtf8();
    QRcode *qr = QRcode_encodeString8bit(utf8.constData(), 0, QR_ECLEVEL_M);
    if (!qr)
        return QByteArray();
    const int borda = 4, escala = 4;
    const int lado = (qr->width + 2 * borda) * escala;
    QImage img(lado, lado, QImage::Format_Grayscale8);
    img.fill(255);
    for (int y = 0; y < qr->width; ++y) {
        for (int x = 0; x < qr->width; ++x) {
            if (!(qr->data[y * qr->width + x] & 1))
                continue;
            for (int dy = 0; dy < escala; ++dy)
                for (int dx = 0; dx < escala; ++dx)
                    img.setPixel((x + borda) * escala + dx, (y + borda) * escala + dy, qRgb(0, 0, 0));
        }
    }
    QRcode_free(qr);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return png;
}

QString textoCenario(const QJsonObject &cenario, const char *chave, const QString &padrao)
{
    const QJsonValue v = cenario.value(QLatin1String(chave));
    return v.isString() ? v.toString() : padrao;
}

// The next thing this transaction still needs, or an empty keyword.
Coleta proximaColeta(Transacao &t)
{
    const auto valor = Coleta{QStringLiteral("transacao_valor"), QStringLiteral("Digite o valor da transação"),
                              QStringLiteral("N"), QString(), QString()};
    switch (t.tipo) {
    case Tipo::Venda:
        if (t.valor.isEmpty())
            return valor;
        if (t.tipoCartao < 1 || t.tipoCartao > 5)
            return {QStringLiteral("transacao_tipo_cartao"), QStringLiteral("Selecione o tipo de cartão"), QString(),
                    QString(), tiposCartao().join(QLatin1Char(';'))};
        break;
    case Tipo::Cancelamento:
        if (t.valor.isEmpty())
            return valor;
        if (t.nsuOriginal.isEmpty())
            return {QStringLiteral("transacao_nsu"), QStringLiteral("Digite o NSU da transação original"),
                    QStringLiteral("N"), QString(), QString()};
        if (t.dataOriginal.isEmpty())
            return {QStringLiteral("transacao_data"), QStringLiteral("Digite a data da transação original"),
                    QStringLiteral("D"), QStringLiteral("dd/MM/yy"), QString()};
        break;
    case Tipo::Adm:
        if (t.opcaoAdm.isEmpty())
            return {QStringLiteral("transacao_administracao_opcao"),
                    QStringLiteral("Selecione a operação administrativa"), QString(), QString(),
                    opcoesAdm().join(QLatin1Char(';'))};
        if (t.senha.isEmpty())
            return {QStringLiteral("transacao_administracao_senha"), QStringLiteral("Digite a senha do supervisor"),
                    QStringLiteral("A"), QString(), QString()};
        break;
    case Tipo::Pix:
        if (t.valor.isEmpty())
            return valor;
        break;
    case Tipo::Nenhuma:
        return {};
    }
    const QJsonArray passos = t.cenario.value(QStringLiteral("coletas")).toArray();
    if (t.passoCenario < passos.size()) {
        const QJsonObject p = passos.at(t.passoCenario).toObject();
        return {p.value(QStringLiteral("palavra_chave")).toString(QStringLiteral("cenario_%1").arg(t.passoCenario)),
                p.value(QStringLiteral("mensagem")).toString(), p.value(QStringLiteral("tipo")).toString(),
                p.value(QStringLiteral("mascara")).toString(), p.value(QStringLiteral("opcoes")).toString()};
    }
    return {};
}

QJsonObject respostaColeta(Transacao &t, const Coleta &c)
{
    t.palavraPendente = c.palavraChave;
    QJsonObject tef{{QStringLiteral("automacao_coleta_retorno"), QStringLiteral("0")},
                    {QStringLiteral("automacao_coleta_sequencial"), QString::number(++t.coletaSequencial)},
                    {QStringLiteral("automacao_coleta_palavra_chave"), c.palavraChave},
                    {QStringLiteral("mensagemResultado"), c.mensagem}};
    if (!c.opcoes.isEmpty())
        tef.insert(QStringLiteral("automacao_coleta_opcao"), c.opcoes);
    else
        tef.insert(QStringLiteral("automacao_coleta_tipo"), c.tipo.isEmpty() ? QStringLiteral("A") : c.tipo);
    if (!c.mascara.isEmpty())
        tef.insert(QStringLiteral("automacao_coleta_mascara"), c.mascara);
    return respostaTef(tef);
}

QString comprovante(const Transacao &t, const QJsonObject &tef, const QString &via)
{
    QStringList linhas{QStringLiteral("      Z3 SIMULADOR TEF"), QStringLiteral("   COMPROVANTE DE TRANSACAO"),
                       tef.value(QStringLiteral("transacao")).toString()};
    if (tef.contains(QStringLiteral("nomeBandeira")))
        linhas << tef.value(QStringLiteral("nomeBandeira")).toString().toUpper() + QLatin1Char(' ') +
                      tef.value(QStringLiteral("tipoCartao")).toString().toUpper();
    if (tef.contains(QStringLiteral("panMascarado")))
        linhas << tef.value(QStringLiteral("panMascarado")).toString();
    if (tef.contains(QStringLiteral("numeroParcelas")))
        linhas << QStringLiteral("PARCELAS: ") + tef.value(QStringLiteral("numeroParcelas")).toString();
    linhas << QStringLiteral("VALOR: R$ ") + valorReais(tef.value(QStringLiteral("valorTotal")).toString())
           << QStringLiteral("NSU: ") + tef.value(QStringLiteral("nsuTerminal")).toString() +
                  QStringLiteral("  AUT: ") + tef.value(QStringLiteral("codigoAutorizacao")).toString()
           << tef.value(QStringLiteral("dataHoraTransacao")).toString();
    if (t.tipo == Tipo::Cancelamento)
        linhas << QStringLiteral("NSU ORIGINAL: ") + t.nsuOriginal;
    linhas << QStringLiteral("      ") + via;
    return linhas.join(QStringLiteral("\r\n"));
}

QJsonObject concluir(Transacao &t, int &sequencial)
{
    const QJsonObject &cenario = t.cenario;
    const QString cents = centavos(t.valor);
    QString decisao = textoCenario(cenario, "decisao", QString());
    if (decisao.isEmpty())
        decisao = cents.endsWith(QLatin1String("51")) ? QStringLiteral("negar") : QStringLiteral("aprovar");
    if (decisao == QLatin1String("erro"))
        return respostaErro(cenario.value(QStringLiteral("codigo_erro")).toInt(5),
                            textoCenario(cenario, "mensagem_erro", QStringLiteral("Erro de comunicação com o host")));

    const bool aprovada = decisao != QLatin1String("negar");
    const QString agora = QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    QJsonObject tef{{QStringLiteral("retorno"), aprovada ? QStringLiteral("0") : QStringLiteral("5")},
                    {QStringLiteral("resultadoTransacao"), aprovada ? QStringLiteral("0") : QStringLiteral("5")},
                    {QStringLiteral("transacao"), t.nome},
                    {QStringLiteral("dataHoraTransacao"), agora}};

    const bool comSequencial = t.tipo != Tipo::Adm;
    if (comSequencial) {
        ++sequencial;
        const QString nsu = QStringLiteral("%1").arg(sequencial, 6, 10, QLatin1Char('0'));
        tef.insert(QStringLiteral("sequencial"), QString::number(sequencial));
        tef.insert(QStringLiteral("nsuTerminal"), nsu);
        tef.insert(QStringLiteral("nsuTransacao"), QStringLiteral("9") + nsu);
        tef.insert(QStringLiteral("valorTotal"), cents);
    }
    if (!aprovada) {
        tef.insert(QStringLiteral("mensagemResultado"), QStringLiteral("Transação negada pelo emissor"));
    } else if (t.tipo == Tipo::Venda || t.tipo == Tipo::Cancelamento) {
        const int tipo = t.tipo == Tipo::Venda ? t.tipoCartao : 1;
        const bool debito = tipo == 2;
        tef.insert(QStringLiteral("mensagemResultado"), QStringLiteral("Transação aprovada"));
        tef.insert(QStringLiteral("nomeBandeira"), debito ? QStringLiteral("Mastercard") : QStringLiteral("Visa"));
        tef.insert(QStringLiteral("nomeProvedor"), debito ? QStringLiteral("Getnet") : QStringLiteral("Cielo"));
        tef.insert(QStringLiteral("codigoAutorizacao"), QStringLiteral("%1").arg(100000 + sequencial * 7 % 900000));
        tef.insert(QStringLiteral("panMascarado"),
                   debito ? QStringLiteral("545301******0004") : QStringLiteral("411111******1111"));
        tef.insert(QStringLiteral("tipoCartao"), tiposCartao().value(tipo - 1));
        const QString forma = t.pagamento.isEmpty() ? QStringLiteral("A vista") : t.pagamento;
        tef.insert(QStringLiteral("formaPagamento"), forma);
        if (forma == QLatin1String("Parcelado")) {
            tef.insert(QStringLiteral("tipoFinanciamento"),
                       t.financiado.isEmpty() ? QStringLiteral("Administradora") : t.financiado);
            tef.insert(QStringLiteral("numeroParcelas"), t.parcelas.isEmpty() ? QStringLiteral("2") : t.parcelas);
        }
        if (t.tipo == Tipo::Cancelamento)
            tef.insert(QStringLiteral("dataHoraTransacaoOriginal"), t.dataOriginal);
    } else if (t.tipo == Tipo::Pix) {
        tef.insert(QStringLiteral("mensagemResultado"), QStringLiteral("Pagamento PIX aprovado"));
        tef.insert(QStringLiteral("nomeProvedor"), QStringLiteral("Pix"));
        tef.insert(QStringLiteral("formaPagamento"), QStringLiteral("A vista"));
        tef.insert(QStringLiteral("codigoAutorizacao"), QStringLiteral("PIX%1").arg(sequencial));
    } else {
        tef.insert(QStringLiteral("mensagemResultado"), QStringLiteral("Operação administrativa concluída"));
    }
    if (aprovada && t.tipo != Tipo::Adm) {
        tef.insert(QStringLiteral("comprovanteDiferenciadoLoja"), comprovante(t, tef, QStringLiteral("VIA LOJA")));
        tef.insert(QStringLiteral("comprovanteDiferenciadoPortador"),
                   comprovante(t, tef, QStringLiteral("VIA CLIENTE")));
    }
    const QJsonObject extra = cenario.value(QStringLiteral("tef")).toObject();
    for (auto it = extra.begin(); it != extra.end(); ++it)
        tef.insert(it.key(), it.value());
    for (const QJsonValue &membro : cenario.value(QStringLiteral("tef_remover")).toArray())
        tef.remove(membro.toString());
    return respostaTef(tef);
}

QJsonObject respostaQrCode(Transacao &t)
{
    if (t.qrHex.isEmpty()) {
        t.payload = QStringLiteral("00020126580014br.gov.bcb.pix0136z3-simulador-%1520400005303986540%2"
                                   "5802BR5913Z3 SIMULADOR6009SAO PAULO6304ABCD")
                        .arg(t.coletaSequencial)
                        .arg(valorReais(centavos(t.valor)).replace(QLatin1Char(','), QLatin1Char('.')));
        t.qrHex = QString::fromLatin1(pngQrCode(t.payload).toHex());
    }
    ++t.passosPix;
    t.palavraPendente.clear();
    return respostaTef(QJsonObject{
        {QStringLiteral("automacao_coleta_retorno"), QStringLiteral("0")},
        {QStringLiteral("automacao_coleta_sequencial"), QString::number(++t.coletaSequencial)},
        {QStringLiteral("mensagemResultado"), QStringLiteral("QRCODE;") + t.qrHex + QLatin1Char(';') + t.payload}});
}

void nomearAdm(Transacao &t)
{
    if (t.opcaoAdm == QLatin1String("Cancelamento")) {
        t.tipo = Tipo::Cancelamento;
        t.nome = QStringLiteral("Administracao Cancelar");
    } else if (t.opcaoAdm == QLatin1String("Reimpressao")) {
        t.nome = QStringLiteral("Administracao Reimprimir");
    } else if (!t.opcaoAdm.isEmpty()) {
        t.nome = QStringLiteral("Administracao Teste Comunicacao");
    }
}

// Applies the answer to the step that was asked; false when the answer is a give-up.
bool aplicarResposta(Transacao &t, const QJsonObject &resposta)
{
    if (resposta.value(QStringLiteral("automacao_coleta_retorno")).toString() == QLatin1String("9"))
        return false;
    const QString info = resposta.value(QStringLiteral("automacao_coleta_informacao")).toString();
    const QString &p = t.palavraPendente;
    if (p.isEmpty() || info.isEmpty())
        return true; // nothing asked, or nothing typed: the same step comes again
    if (p == QLatin1String("transacao_valor")) {
        t.valor = info;
    } else if (p == QLatin1String("transacao_tipo_cartao")) {
        const int i = tiposCartao().indexOf(info);
        if (i >= 0)
            t.tipoCartao = i + 1;
    } else if (p == QLatin1String("transacao_nsu")) {
        t.nsuOriginal = info;
    } else if (p == QLatin1String("transacao_data")) {
        t.dataOriginal = info;
    } else if (p == QLatin1String("transacao_administracao_opcao")) {
        if (opcoesAdm().contains(info)) {
            t.opcaoAdm = info;
            nomearAdm(t);
        }
    } else if (p == QLatin1String("transacao_administracao_senha")) {
        t.senha = info;
    } else {
        t.coletados.insert(p, info);
        ++t.passoCenario;
    }
    return true;
}

QJsonObject cancelada(Transacao &t, int &sequencial)
{
    ++sequencial;
    QJsonObject tef{{QStringLiteral("retorno"), QStringLiteral("4")},
                    {QStringLiteral("resultadoTransacao"), QStringLiteral("4")},
                    {QStringLiteral("sequencial"), QString::number(sequencial)},
                    {QStringLiteral("transacao"), t.nome},
                    {QStringLiteral("mensagemResultado"), QStringLiteral("Operação cancelada pelo operador")}};
    t = Transacao();
    return respostaTef(tef);
}

void iniciarTransacao(Transacao &t, Tipo tipo, const QString &nome, const char *dados)
{
    t = Transacao();
    t.tipo = tipo;
    t.nome = nome;
    t.cenario = simlog::cenario();
    const QJsonObject p = QJsonDocument::fromJson(QByteArray(dados ? dados : "")).object();
    t.valor = p.value(QStringLiteral("transacao_valor")).toString();
    t.pagamento = p.value(QStringLiteral("transacao_pagamento")).toString();
    t.financiado = p.value(QStringLiteral("transacao_financiado")).toString();
    t.parcelas = p.value(QStringLiteral("transacao_parcela")).toString();
    t.produto = p.value(QStringLiteral("transacao_produto")).toString();
    t.senha = p.value(QStringLiteral("transacao_administracao_senha")).toString();
}

// One pass of a transaction: the first call starts it, the later ones carry the
// answer to the last step.
const char *passo(Tipo tipo, const QString &nome, int tipoCartao, int codigoAdm, const char *dados, int nova)
{
    Estado &e = estado();
    if (!e.operacaoAberta)
        return devolver(respostaErro(-3, QStringLiteral("Operação TEF não foi iniciada na biblioteca")));
    Transacao &t = e.t;
    if (nova) {
        iniciarTransacao(t, tipo, nome, dados);
        t.tipoCartao = tipoCartao;
        t.codigoAdm = codigoAdm;
        if (tipo == Tipo::Adm) {
            if (codigoAdm == 1)
                t.opcaoAdm = QStringLiteral("Cancelamento");
            else if (codigoAdm == 2)
                t.opcaoAdm = QStringLiteral("Reimpressao");
            else if (codigoAdm == 3)
                t.opcaoAdm = QStringLiteral("Teste de comunicacao");
            nomearAdm(t);
        }
    } else {
        if (t.tipo == Tipo::Nenhuma)
            return devolver(respostaErro(-4, QStringLiteral("Nenhuma transação em andamento")));
        const QJsonObject resposta = QJsonDocument::fromJson(QByteArray(dados ? dados : "")).object();
        if (resposta.value(QStringLiteral("automacao_coleta_sequencial")).toString() !=
            QString::number(t.coletaSequencial)) {
            t = Transacao();
            return devolver(respostaErro(8, QStringLiteral("Sequencial de coleta inválido")));
        }
        if (!aplicarResposta(t, resposta))
            return devolver(cancelada(t, e.sequencial));
    }
    const Coleta c = proximaColeta(t);
    if (!c.palavraChave.isEmpty())
        return devolver(respostaColeta(t, c));
    if (t.tipo == Tipo::Pix && t.passosPix < t.cenario.value(QStringLiteral("pix_passos")).toInt(3) &&
        textoCenario(t.cenario, "decisao", QString()) != QLatin1String("negar"))
        return devolver(respostaQrCode(t));
    Host host = Host::carregar();
    if (host.ativo())
        e.sequencial = qMax(e.sequencial, host.dados.value(QStringLiteral("sequencial")).toInt());
    const QJsonObject final = concluir(t, e.sequencial);
    if (host.ativo()) {
        host.dados.insert(QStringLiteral("sequencial"), e.sequencial);
        const QJsonObject tef = final.value(QStringLiteral("tef")).toObject();
        // An approved transaction with a sequential number waits for its confirmation.
        if (tef.value(QStringLiteral("retorno")).toString() == QLatin1String("0") &&
            tef.contains(QStringLiteral("sequencial"))) {
            QJsonObject p = host.pendentes();
            p.insert(tef.value(QStringLiteral("sequencial")).toString(),
                     QJsonObject{{QStringLiteral("transacao"), tef.value(QStringLiteral("transacao"))},
                                 {QStringLiteral("valorTotal"), tef.value(QStringLiteral("valorTotal"))},
                                 {QStringLiteral("nsuTerminal"), tef.value(QStringLiteral("nsuTerminal"))}});
            host.dados.insert(QStringLiteral("pendentes"), p);
        }
        host.gravar();
    }
    t = Transacao();
    e.ultimaTransacao = QJsonDocument(final).toJson(QJsonDocument::Compact);
    return devolver(final);
}

QJsonObject respostaRetorno(const QString &retorno, const QString &mensagem)
{
    return respostaTef(
        QJsonObject{{QStringLiteral("retorno"), retorno}, {QStringLiteral("mensagemResultado"), mensagem}});
}

// What a transaction call decided, for the call log: nothing for a collection step.
QJsonObject desfechoTransacao(const char *resposta)
{
    const QJsonObject tef =
        QJsonDocument::fromJson(QByteArray(resposta)).object().value(QStringLiteral("tef")).toObject();
    const QJsonValue retorno = tef.value(QStringLiteral("retorno"));
    if (!retorno.isString())
        return {};
    QJsonObject d{{QStringLiteral("resultado"),
                   retorno.toString() == QLatin1String("0") ? QStringLiteral("aprovada") : QStringLiteral("negada")}};
    if (tef.contains(QStringLiteral("sequencial")))
        d.insert(QStringLiteral("sequencial"), tef.value(QStringLiteral("sequencial")));
    return d;
}

// Both confirmations: the scenario may refuse them; with the host's record, a
// transaction that is not pending there (unknown, or already resolved) is an error.
const char *confirmar(const char *funcao, const QJsonArray &argumentos, int sequencial, int acao)
{
    const QString retorno = textoCenario(simlog::cenario(), "confirmar_retorno", QStringLiteral("1"));
    const QString feita = acao ? QStringLiteral("confirmada") : QStringLiteral("desfeita");
    if (retorno != QLatin1String("1")) {
        simlog::registrar(funcao, argumentos, {{QStringLiteral("resultado"), QStringLiteral("recusada")}});
        return devolver(respostaRetorno(retorno, QStringLiteral("Transação não %1").arg(feita)));
    }
    Host host = Host::carregar();
    if (host.ativo() && !host.resolver(sequencial, acao)) {
        simlog::registrar(funcao, argumentos, {{QStringLiteral("resultado"), QStringLiteral("desconhecida")}});
        return devolver(respostaErro(9, QStringLiteral("Transação %1 não está pendente").arg(sequencial)));
    }
    simlog::registrar(funcao, argumentos, {{QStringLiteral("resultado"), feita}});
    return devolver(respostaRetorno(QStringLiteral("1"), QStringLiteral("Transação %1").arg(feita)));
}

} // namespace

#define Z3_EXPORT extern "C" Q_DECL_EXPORT

Z3_EXPORT int GetProdutoTef()
{
    simlog::registrar("GetProdutoTef", {});
    QMutexLocker l(&estado().mutex);
    return estado().produto;
}

Z3_EXPORT int SetProdutoTef(int produto)
{
    simlog::registrar("SetProdutoTef", {produto});
    QMutexLocker l(&estado().mutex);
    estado().produto = produto;
    return 0;
}

Z3_EXPORT const char *GetClientTCP()
{
    simlog::registrar("GetClientTCP", {});
    QMutexLocker l(&estado().mutex);
    return devolver(QJsonObject{{QStringLiteral("host"), estado().host}, {QStringLiteral("porta"), estado().porta}});
}

Z3_EXPORT const char *SetClientTCP(const char *host, int porta)
{
    simlog::registrar("SetClientTCP", {simlog::texto(host), porta});
    QMutexLocker l(&estado().mutex);
    estado().host = QString::fromUtf8(host ? host : "");
    estado().porta = porta;
    return devolver(respostaRetorno(QStringLiteral("1"), QStringLiteral("Cliente TCP configurado")));
}

Z3_EXPORT const char *IniciarOperacaoTEF(const char *parametros)
{
    simlog::registrar("IniciarOperacaoTEF", {simlog::texto(parametros)});
    QMutexLocker l(&estado().mutex);
    const QString retorno = textoCenario(simlog::cenario(), "iniciar_retorno", QStringLiteral("1"));
    if (retorno == QLatin1String("1"))
        estado().operacaoAberta = true;
    return devolver(respostaRetorno(retorno, retorno == QLatin1String("1") ? QStringLiteral("Operação TEF iniciada")
                                                                           : QStringLiteral("Falha ao iniciar")));
}

Z3_EXPORT const char *RecuperarOperacaoTEF(const char *parametros)
{
    simlog::registrar("RecuperarOperacaoTEF", {simlog::texto(parametros)});
    QMutexLocker l(&estado().mutex);
    estado().resposta = estado().ultimaTransacao;
    return estado().resposta.constData();
}

Z3_EXPORT const char *RealizarPagamentoTEF(int tipoCartao, const char *dados, int novaTransacao)
{
    QMutexLocker l(&estado().mutex);
    const char *resposta = passo(Tipo::Venda, QStringLiteral("Cartao Vender"), tipoCartao, 0, dados, novaTransacao);
    simlog::registrar("RealizarPagamentoTEF", {tipoCartao, simlog::texto(dados), novaTransacao},
                      desfechoTransacao(resposta));
    return resposta;
}

Z3_EXPORT const char *RealizarAdmTEF(int codigo, const char *dados, int novaTransacao)
{
    QMutexLocker l(&estado().mutex);
    const char *resposta = passo(Tipo::Adm, QStringLiteral("Administracao"), 0, codigo, dados, novaTransacao);
    simlog::registrar("RealizarAdmTEF", {codigo, simlog::texto(dados), novaTransacao}, desfechoTransacao(resposta));
    return resposta;
}

Z3_EXPORT const char *RealizarPixTEF(const char *dados, int novaTransacao)
{
    QMutexLocker l(&estado().mutex);
    const char *resposta = passo(Tipo::Pix, QStringLiteral("Digital Pagar"), 0, 0, dados, novaTransacao);
    simlog::registrar("RealizarPixTEF", {simlog::texto(dados), novaTransacao}, desfechoTransacao(resposta));
    return resposta;
}

Z3_EXPORT const char *ConfirmarOperacaoTEF(int sequencial, int acao)
{
    QMutexLocker l(&estado().mutex);
    return confirmar("ConfirmarOperacaoTEF", {sequencial, acao}, sequencial, acao);
}

Z3_EXPORT const char *ConfirmarOperacaoTEF2(const char *transacao, int sequencial, int acao)
{
    QMutexLocker l(&estado().mutex);
    return confirmar("ConfirmarOperacaoTEF2", {simlog::texto(transacao), sequencial, acao}, sequencial, acao);
}

Z3_EXPORT const char *FinalizarOperacaoTEF(int finalizar)
{
    simlog::registrar("FinalizarOperacaoTEF", {finalizar});
    QMutexLocker l(&estado().mutex);
    estado().operacaoAberta = false;
    estado().t = Transacao();
    return devolver(respostaRetorno(QStringLiteral("1"), QStringLiteral("Operação TEF finalizada")));
}

Z3_EXPORT const char *RealizarColetaPinPad(int opcao, int confirmar)
{
    simlog::registrar("RealizarColetaPinPad", {opcao, confirmar});
    QMutexLocker l(&estado().mutex);
    if (!estado().operacaoAberta)
        return devolver(respostaErro(-3, QStringLiteral("Operação TEF não foi iniciada na biblioteca")));
    static const QStringList capturas = {QStringLiteral("12345678909"), QStringLiteral("11987654321"),
                                         QStringLiteral("cliente@exemplo.com.br")};
    if (opcao < 1 || opcao > capturas.size())
        return devolver(respostaErro(6, QStringLiteral("Opção de coleta inválida")));
    const QJsonObject cenario = simlog::cenario();
    return devolver(respostaTef(QJsonObject{{QStringLiteral("retorno"), QStringLiteral("0")},
                                            {QStringLiteral("resultadoTransacao"), QStringLiteral("0")},
                                            {QStringLiteral("transacao"), QStringLiteral("PinPad Coletar")},
                                            {QStringLiteral("mensagemResultado"), QStringLiteral("Captura concluída")},
                                            {QStringLiteral("resultadoCapturaPinPad"),
                                             textoCenario(cenario, "resultado_captura", capturas.at(opcao - 1))}}));
}

Z3_EXPORT const char *ConfirmarCapturaPinPad(int opcao, const char *valor)
{
    simlog::registrar("ConfirmarCapturaPinPad", {opcao, simlog::texto(valor)});
    QMutexLocker l(&estado().mutex);
    return devolver(respostaRetorno(QStringLiteral("1"), QStringLiteral("Captura confirmada")));
}

// The exports must keep the signatures the binding resolves them with.
static_assert(std::is_same<decltype(&IniciarOperacaoTEF), z3tef::IniciarOperacaoTEF_t>::value, "signature");
static_assert(std::is_same<decltype(&RealizarPagamentoTEF), z3tef::RealizarPagamentoTEF_t>::value, "signature");
static_assert(std::is_same<decltype(&RealizarAdmTEF), z3tef::RealizarAdmTEF_t>::value, "signature");
static_assert(std::is_same<decltype(&RealizarPixTEF), z3tef::RealizarPixTEF_t>::value, "signature");
static_assert(std::is_same<decltype(&ConfirmarOperacaoTEF), z3tef::ConfirmarOperacaoTEF_t>::value, "signature");
static_assert(std::is_same<decltype(&ConfirmarOperacaoTEF2), z3tef::ConfirmarOperacaoTEF2_t>::value, "signature");
static_assert(std::is_same<decltype(&FinalizarOperacaoTEF), z3tef::FinalizarOperacaoTEF_t>::value, "signature");
static_assert(std::is_same<decltype(&RealizarColetaPinPad), z3tef::RealizarColetaPinPad_t>::value, "signature");
static_assert(std::is_same<decltype(&ConfirmarCapturaPinPad), z3tef::ConfirmarCapturaPinPad_t>::value, "signature");
static_assert(std::is_same<decltype(&SetClientTCP), z3tef::SetClientTCP_t>::value, "signature");
static_assert(std::is_same<decltype(&GetClientTCP), z3tef::GetClientTCP_t>::value, "signature");
static_assert(std::is_same<decltype(&GetProdutoTef), z3tef::GetProdutoTef_t>::value, "signature");
static_assert(std::is_same<decltype(&SetProdutoTef), z3tef::SetProdutoTef_t>::value, "signature");
static_assert(std::is_same<decltype(&RecuperarOperacaoTEF), z3tef::RecuperarOperacaoTEF_t>::value, "signature");
