// pos_client: plays the point-of-sale software's side of the file exchange.
// Writes a request the way POS software does (temporary name, then rename),
// waits for the status file and checks it, waits for the response file, prints
// it field by field and removes it, and can send the CNF or NCN that follows.
#include "base/Platform.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

namespace {

enum Saida { Ok = 0, ErroUso = 1, SemStatus = 2, StatusErrado = 3, SemResposta = 4, RespostaErrada = 5 };

// Request fields the options fill, with their JSON keys.
struct Campo
{
    const char *opcao;
    const char *id;
    const char *chaveJson;
    const char *descricao;
};
const Campo kCampos[] = {
    {"documento", "002-000", "documento", "fiscal document number (002-000)"},
    {"valor", "003-000", "valor", "amount in cents (003-000)"},
    {"moeda", "004-000", "moeda", "currency (004-000)"},
    {"rede", "010-000", "nome_rede", "network name (010-000)"},
    {"nsu", "012-000", "numero_transacao", "transaction number, NSU (012-000)"},
    {"parcelas", "018-000", "quantidade_parcelas", "number of instalments (018-000)"},
    {"tipo-parcelamento", "017-000", "tipo_parcelamento", "instalment kind (017-000)"},
    {"data", "022-000", "data_transacao", "transaction date (022-000)"},
    {"hora", "023-000", "hora_transacao", "transaction time (023-000)"},
    {"finalizacao", "027-000", "finalizacao", "finalisation code (027-000)"},
    {"pdv", "210-052", "numero_pdv", "checkout number (210-052)"},
};

// Every other field id the request conversion knows, so --field works for JSON too.
const std::pair<const char *, const char *> kOutrasChaves[] = {
    {"731-000", "tipo_cartao"},      {"005-000", "cmc7"},        {"006-000", "tipo_pessoa"},
    {"007-000", "documento_pessoa"}, {"008-000", "data_cheque"}, {"011-000", "codigo_transacao"},
    {"024-000", "data_predatado"},   {"375-017", "aplicacao"},   {"375-018", "versao_aplicacao"},
    {"375-016", "estabelecimento"},  {"375-019", "loja"},        {"718-000", "terminal"},
    {"375-024", "adm_usuario"},      {"375-025", "adm_senha"},   {"376-000", "opcao_coleta"},
    {"742-000", "nome_produto"},
};

// Fields of a response that a confirmation carries back.
const char *const kCamposConfirmacao[] = {"010-000", "012-000", "027-000"};

QString chaveJson(const QString &id)
{
    for (const Campo &c : kCampos) {
        if (id == QLatin1String(c.id))
            return QString::fromLatin1(c.chaveJson);
    }
    for (const auto &par : kOutrasChaves) {
        if (id == QLatin1String(par.first))
            return QString::fromLatin1(par.second);
    }
    return id;
}

int codigoOperacao(const QString &op)
{
    if (op == QLatin1String("CRT"))
        return 0;
    if (op == QLatin1String("CNC"))
        return 12;
    if (op == QLatin1String("ADM"))
        return -5;
    if (op == QLatin1String("CNF"))
        return -6;
    if (op == QLatin1String("NCN"))
        return -7;
    return -20;
}

bool somenteStatus(const QString &op)
{
    return op == QLatin1String("CNF") || op == QLatin1String("NCN") || op == QLatin1String("ATV");
}

QTextStream &saida()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream &erros()
{
    static QTextStream s(stderr);
    return s;
}

struct Pedido
{
    QString operacao;
    QString id;
    QList<QPair<QString, QString>> campos; // field id, value, in order
};

struct Opcoes
{
    QString pastaReq;
    QString pastaResp;
    QString fileReq = QStringLiteral("IntPos.001");
    QString fileResp = QStringLiteral("IntPos.Sts");
    bool json = false;
    bool silencioso = false;
    bool tempos = false;
    QString copiaResposta; // where the response's bytes are kept, untouched
    int prazoStatusMs = 7000;
    int prazoRespostaMs = 300000;
};

QByteArray montar(const Pedido &p, bool json)
{
    if (json) {
        QJsonObject parametros;
        parametros.insert(QStringLiteral("identificacao"), p.id);
        for (const auto &c : p.campos)
            parametros.insert(chaveJson(c.first), c.second);
        parametros.insert(QStringLiteral("registro_final"), QStringLiteral("0"));
        QJsonObject r;
        r.insert(QStringLiteral("operacao"), codigoOperacao(p.operacao));
        r.insert(QStringLiteral("header"), p.operacao);
        r.insert(QStringLiteral("parametros"), parametros);
        return QJsonDocument(r).toJson(QJsonDocument::Compact);
    }
    QString texto = QStringLiteral("000-000 = %1\r\n001-000 = %2\r\n").arg(p.operacao, p.id);
    for (const auto &c : p.campos)
        texto += QStringLiteral("%1 = %2\r\n").arg(c.first, c.second);
    texto += QStringLiteral("999-999 = 0\r\n");
    return texto.toUtf8();
}

// Key-number lines "NNN-NNN = value" as ordered pairs; JSON members likewise.
QList<QPair<QString, QString>> campos(const QByteArray &conteudo, bool json)
{
    QList<QPair<QString, QString>> lista;
    if (json) {
        const QJsonObject o = QJsonDocument::fromJson(conteudo).object();
        for (auto it = o.begin(); it != o.end(); ++it) {
            const QJsonValue v = it.value();
            QString texto;
            if (v.isString())
                texto = v.toString();
            else if (v.isObject())
                texto = QString::fromUtf8(QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact));
            else if (v.isArray())
                texto = QString::fromUtf8(QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact));
            else
                texto = v.toVariant().toString();
            lista.append({it.key(), texto});
        }
        return lista;
    }
    const QStringList linhas = QString::fromUtf8(conteudo).split(QLatin1Char('\n'));
    for (QString linha : linhas) {
        linha.remove(QLatin1Char('\r'));
        const int igual = linha.indexOf(QLatin1Char('='));
        if (igual < 0)
            continue;
        lista.append({linha.left(igual).trimmed(), linha.mid(igual + 1).trimmed()});
    }
    return lista;
}

QString valor(const QList<QPair<QString, QString>> &lista, const QString &chave)
{
    for (const auto &c : lista) {
        if (c.first == chave)
            return c.second;
    }
    return QString();
}

// Waits for the file to appear, woken by the folder watcher; a slow timer backs
// the watcher up on file systems that do not report changes.
bool esperarArquivo(const QString &caminho, int prazoMs)
{
    if (QFileInfo::exists(caminho))
        return true;
    QEventLoop laco;
    QFileSystemWatcher vigia({QFileInfo(caminho).absolutePath()});
    QTimer reserva;
    QTimer prazo;
    prazo.setSingleShot(true);
    const auto verificar = [&] {
        if (QFileInfo::exists(caminho))
            laco.quit();
    };
    QObject::connect(&vigia, &QFileSystemWatcher::directoryChanged, &laco, verificar);
    QObject::connect(&reserva, &QTimer::timeout, &laco, verificar);
    QObject::connect(&prazo, &QTimer::timeout, &laco, &QEventLoop::quit);
    reserva.start(250);
    prazo.start(prazoMs);
    verificar(); // it may have appeared while the watcher was being set up
    if (!QFileInfo::exists(caminho))
        laco.exec();
    return QFileInfo::exists(caminho);
}

QByteArray lerERemover(const QString &caminho)
{
    QFile f(caminho);
    QByteArray conteudo;
    if (f.open(QIODevice::ReadOnly))
        conteudo = f.readAll();
    f.close();
    f.remove();
    return conteudo;
}

// One request and its answer. The response fields are returned for a follow-up.
int trocar(const Opcoes &o, const Pedido &p, QList<QPair<QString, QString>> *resposta)
{
    const QString sufixo = o.json ? QStringLiteral(".json") : QString();
    const QString caminhoStatus = o.pastaResp + QLatin1Char('/') + o.fileResp + sufixo;
    const QString caminhoResposta = o.pastaResp + QLatin1Char('/') + o.fileReq + sufixo;
    const QString caminhoPedido = o.pastaReq + QLatin1Char('/') + o.fileReq + sufixo;
    const QString temporario = o.pastaReq + QLatin1Char('/') + o.fileReq + QStringLiteral(".pdv.tmp");

    // Leftovers of an earlier exchange must not pass for this one's answer.
    QFile::remove(caminhoStatus);
    QFile::remove(caminhoResposta);

    {
        QFile f(temporario);
        const QByteArray conteudo = montar(p, o.json);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(conteudo) != conteudo.size() || !f.flush()) {
            erros() << "cannot write " << temporario << ": " << f.errorString() << Qt::endl;
            f.remove();
            return ErroUso;
        }
    }
    if (std::rename(QFile::encodeName(temporario).constData(), QFile::encodeName(caminhoPedido).constData()) != 0) {
        erros() << "cannot rename " << temporario << " to " << caminhoPedido << Qt::endl;
        QFile::remove(temporario);
        return ErroUso;
    }
    QElapsedTimer relogio;
    relogio.start();
    if (!o.silencioso)
        saida() << "sent " << p.operacao << " " << p.id << " as " << caminhoPedido << Qt::endl;

    if (!esperarArquivo(caminhoStatus, o.prazoStatusMs)) {
        erros() << "no status file " << caminhoStatus << " within " << o.prazoStatusMs << " ms: manager inactive"
                << Qt::endl;
        return SemStatus;
    }
    const qint64 statusMs = relogio.elapsed();
    const auto status = campos(lerERemover(caminhoStatus), o.json);
    const QString cabecalho = valor(status, o.json ? QStringLiteral("header") : QStringLiteral("000-000"));
    const QString idStatus = valor(status, o.json ? QStringLiteral("id") : QStringLiteral("001-000"));
    if (cabecalho != p.operacao || idStatus != p.id) {
        erros() << "status does not match the request: " << cabecalho << " " << idStatus << Qt::endl;
        return StatusErrado;
    }
    if (o.tempos)
        saida() << "status after " << statusMs << " ms" << Qt::endl;
    if (!o.silencioso)
        saida() << "status ok: " << cabecalho << " " << idStatus << Qt::endl;

    if (somenteStatus(p.operacao))
        return Ok;

    if (!esperarArquivo(caminhoResposta, o.prazoRespostaMs)) {
        erros() << "no response file " << caminhoResposta << " within " << o.prazoRespostaMs << " ms" << Qt::endl;
        return SemResposta;
    }
    if (o.tempos)
        saida() << "response after " << relogio.elapsed() << " ms" << Qt::endl;
    const QByteArray bytes = lerERemover(caminhoResposta);
    if (!o.copiaResposta.isEmpty()) {
        QFile copia(o.copiaResposta);
        if (!copia.open(QIODevice::WriteOnly | QIODevice::Truncate) || copia.write(bytes) != bytes.size()) {
            erros() << "cannot write " << o.copiaResposta << ": " << copia.errorString() << Qt::endl;
            return ErroUso;
        }
    }
    const auto lista = campos(bytes, o.json);
    if (!o.silencioso) {
        saida() << "response:" << Qt::endl;
        for (const auto &c : lista)
            saida() << "  " << c.first << " = " << c.second << Qt::endl;
    }
    const QString idResposta = valor(lista, o.json ? QStringLiteral("identificacao") : QStringLiteral("001-000"));
    if (!idResposta.isEmpty() && idResposta != p.id) {
        erros() << "response belongs to request " << idResposta << ", not " << p.id << Qt::endl;
        return RespostaErrada;
    }
    if (resposta)
        *resposta = lista;
    return Ok;
}

QString proximoId(const QString &id)
{
    bool numero = false;
    const qlonglong n = id.toLongLong(&numero);
    return numero ? QString::number(n + 1) : id + QLatin1Char('1');
}

QString lerConfiguracao(const QJsonObject &config, const char *chave)
{
    return config.value(QLatin1String(chave)).toString();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pos_client"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays the point-of-sale side of the file exchange: writes a request (temporary name, then rename),\n"
        "waits for the status file and checks its 000-000 and 001-000, waits for the response file,\n"
        "prints it field by field and removes it.\n\n"
        "Exit codes: 0 done, 1 usage or write error, 2 no status in time, 3 status does not match,\n"
        "4 no response in time, 5 response for another request."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("operation"), QStringLiteral("CRT, CNC, ADM, CNF, NCN or ATV"));

    const QCommandLineOption configOpt(QStringLiteral("config"),
                                       QStringLiteral("Read folders and file names from this config_tef.json."),
                                       QStringLiteral("file"));
    const QCommandLineOption reqOpt(QStringLiteral("req"), QStringLiteral("Request folder (path_in)."),
                                    QStringLiteral("folder"));
    const QCommandLineOption respOpt(QStringLiteral("resp"), QStringLiteral("Response folder (path_out)."),
                                     QStringLiteral("folder"));
    const QCommandLineOption fileReqOpt(QStringLiteral("file-req"),
                                        QStringLiteral("Request file name (file_req), default IntPos.001."),
                                        QStringLiteral("name"));
    const QCommandLineOption fileRespOpt(QStringLiteral("file-resp"),
                                         QStringLiteral("Status file name (file_resp), default IntPos.Sts."),
                                         QStringLiteral("name"));
    const QCommandLineOption jsonOpt(QStringLiteral("json"), QStringLiteral("Use the JSON request format."));
    const QCommandLineOption idOpt(QStringLiteral("id"), QStringLiteral("Request identification (001-000)."),
                                   QStringLiteral("id"));
    const QCommandLineOption campoOpt(QStringLiteral("field"),
                                      QStringLiteral("Any other field, e.g. --field 375-019=12 (repeatable)."),
                                      QStringLiteral("NNN-NNN=value"));
    const QCommandLineOption thenOpt(QStringLiteral("then"),
                                     QStringLiteral("After the response, send CNF or NCN with its 010-000, 012-000 "
                                                    "and 027-000."),
                                     QStringLiteral("CNF|NCN"));
    const QCommandLineOption countOpt(QStringLiteral("count"),
                                      QStringLiteral("Repeat the exchange this many times, one after another, "
                                                     "with consecutive ids."),
                                      QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption statusTimeoutOpt(QStringLiteral("status-timeout"),
                                              QStringLiteral("How long to wait for the status file (ms)."),
                                              QStringLiteral("ms"), QStringLiteral("7000"));
    const QCommandLineOption responseTimeoutOpt(QStringLiteral("response-timeout"),
                                                QStringLiteral("How long to wait for the response file (ms)."),
                                                QStringLiteral("ms"), QStringLiteral("300000"));
    const QCommandLineOption quietOpt(QStringLiteral("quiet"), QStringLiteral("Print errors only."));
    const QCommandLineOption timingOpt(QStringLiteral("timing"),
                                       QStringLiteral("Print how long the status and the response took."));
    const QCommandLineOption saveOpt(QStringLiteral("save-response"),
                                     QStringLiteral("Also keep the response file's bytes in this file."),
                                     QStringLiteral("file"));
    parser.addOptions({configOpt, reqOpt, respOpt, fileReqOpt, fileRespOpt, jsonOpt, idOpt, campoOpt, thenOpt, countOpt,
                       statusTimeoutOpt, responseTimeoutOpt, quietOpt, timingOpt, saveOpt});
    QList<QCommandLineOption> opcoesCampo;
    for (const Campo &c : kCampos) {
        opcoesCampo.append(QCommandLineOption(QString::fromLatin1(c.opcao), QString::fromLatin1(c.descricao),
                                              QStringLiteral("value")));
        parser.addOption(opcoesCampo.last());
    }
    parser.process(app);

    const QStringList posicionais = parser.positionalArguments();
    if (posicionais.size() != 1) {
        erros() << "give one operation: CRT, CNC, ADM, CNF, NCN or ATV (see --help)" << Qt::endl;
        return ErroUso;
    }

    Opcoes o;
    o.pastaReq = platform::defaultRequestFolder();
    o.pastaResp = platform::defaultResponseFolder();
    if (parser.isSet(configOpt)) {
        QFile f(parser.value(configOpt));
        if (!f.open(QIODevice::ReadOnly)) {
            erros() << "cannot read " << f.fileName() << Qt::endl;
            return ErroUso;
        }
        const QJsonObject config = QJsonDocument::fromJson(f.readAll()).object();
        for (const auto &[destino, chave] :
             {std::make_pair(&o.pastaReq, "path_in"), std::make_pair(&o.pastaResp, "path_out"),
              std::make_pair(&o.fileReq, "file_req"), std::make_pair(&o.fileResp, "file_resp")}) {
            const QString v = lerConfiguracao(config, chave);
            if (!v.isEmpty())
                *destino = v;
        }
    }
    if (parser.isSet(reqOpt))
        o.pastaReq = parser.value(reqOpt);
    if (parser.isSet(respOpt))
        o.pastaResp = parser.value(respOpt);
    if (parser.isSet(fileReqOpt))
        o.fileReq = parser.value(fileReqOpt);
    if (parser.isSet(fileRespOpt))
        o.fileResp = parser.value(fileRespOpt);
    o.json = parser.isSet(jsonOpt);
    o.silencioso = parser.isSet(quietOpt);
    o.tempos = parser.isSet(timingOpt);
    o.copiaResposta = parser.value(saveOpt);
    bool ok1 = false;
    bool ok2 = false;
    bool ok3 = false;
    o.prazoStatusMs = parser.value(statusTimeoutOpt).toInt(&ok1);
    o.prazoRespostaMs = parser.value(responseTimeoutOpt).toInt(&ok2);
    const int vezes = parser.value(countOpt).toInt(&ok3);
    if (!ok1 || !ok2 || !ok3 || vezes < 1) {
        erros() << "timeouts and --count take positive numbers" << Qt::endl;
        return ErroUso;
    }

    Pedido pedido;
    pedido.operacao = posicionais.first().trimmed().toUpper();
    pedido.id =
        parser.isSet(idOpt) ? parser.value(idOpt) : QString::number(QDateTime::currentMSecsSinceEpoch() % 1000000);
    for (int i = 0; i < opcoesCampo.size(); ++i) {
        if (parser.isSet(opcoesCampo.at(i)))
            pedido.campos.append({QString::fromLatin1(kCampos[i].id), parser.value(opcoesCampo.at(i))});
    }
    for (const QString &c : parser.values(campoOpt)) {
        const int igual = c.indexOf(QLatin1Char('='));
        if (igual != 7) {
            erros() << "--field takes NNN-NNN=value, not " << c << Qt::endl;
            return ErroUso;
        }
        pedido.campos.append({c.left(igual), c.mid(igual + 1)});
    }
    const QString seguinte = parser.value(thenOpt).trimmed().toUpper();
    if (!seguinte.isEmpty() && seguinte != QLatin1String("CNF") && seguinte != QLatin1String("NCN")) {
        erros() << "--then takes CNF or NCN" << Qt::endl;
        return ErroUso;
    }

    for (int i = 0; i < vezes; ++i) {
        QList<QPair<QString, QString>> resposta;
        const int r = trocar(o, pedido, &resposta);
        if (r != Ok)
            return r;
        pedido.id = proximoId(pedido.id);
        if (!seguinte.isEmpty() && !somenteStatus(pedido.operacao)) {
            Pedido confirmacao;
            confirmacao.operacao = seguinte;
            confirmacao.id = pedido.id;
            for (const char *campo : kCamposConfirmacao) {
                const QString id = QString::fromLatin1(campo);
                const QString v = valor(resposta, o.json ? chaveJson(id) : id);
                if (!v.isEmpty())
                    confirmacao.campos.append({id, v});
            }
            const int rc = trocar(o, confirmacao, nullptr);
            if (rc != Ok)
                return rc;
            pedido.id = proximoId(pedido.id);
        }
    }
    return Ok;
}
