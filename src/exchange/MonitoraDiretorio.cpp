#include "exchange/MonitoraDiretorio.h"

#include "base/DadosSensiveis.h"
#include "base/Platform.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextCodec>

namespace {

// The request text goes to the log whole up to this many characters; a garbage
// file must not turn into a log line of a megabyte.
constexpr int kMaxTextoLog = 16 * 1024;

QString paraLog(const QString &texto)
{
    const QString mascarado = mascararDadosSensiveis(texto);
    if (mascarado.size() <= kMaxTextoLog)
        return mascarado;
    return mascarado.left(kMaxTextoLog) +
           QStringLiteral("\n[... %1 caracteres omitidos]").arg(mascarado.size() - kMaxTextoLog);
}

// Writes a file under a temporary name in the response folder, then gives it
// its final name; the reason when a step failed.
bool gravarPorTemporario(const QString &temporario, const QString &destino, const QByteArray &conteudo, QString *erro)
{
    QFile arquivo(temporario);
    // Created fresh: a link left at the temporary name must not take the write elsewhere.
    if (!platform::createFreshFile(arquivo, erro))
        return false;
    bool ok = arquivo.write(conteudo) == conteudo.size() && arquivo.flush();
    arquivo.close();
    ok = ok && arquivo.error() == QFileDevice::NoError;
    if (!ok && erro)
        *erro = arquivo.errorString();
    if (ok)
        ok = platform::replaceFile(temporario, destino, false, erro);
    if (!ok)
        QFile::remove(temporario);
    return ok;
}

// A key-number request is whole once its last record is "999-999"; a POS that
// writes the file in place may still be adding lines before that.
bool requisicaoCompleta(const QString &texto, bool json)
{
    if (json)
        return QJsonDocument::fromJson(texto.toUtf8()).isObject();
    const QStringList linhas = texto.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (auto it = linhas.crbegin(); it != linhas.crend(); ++it) {
        const QString linha = it->trimmed();
        if (!linha.isEmpty())
            return linha.section(QLatin1Char('='), 0, 0).trimmed() == QLatin1String("999-999");
    }
    return false;
}

// The JSON request of a file that never became whole: whatever header and id
// could be read (for the status file), and always a "msg_erro", so that no
// backend ever takes it for a transaction.
QString requisicaoRecusada(const QString &requisicao, const QString &motivo)
{
    QJsonObject obj = QJsonDocument::fromJson(requisicao.toUtf8()).object();
    if (!obj.contains(QLatin1String("msg_erro")))
        obj.insert(QStringLiteral("msg_erro"), motivo);
    return QString::fromUtf8(QJsonDocument(obj).toJson(QJsonDocument::Compact));
}

QTextCodec *windows1252()
{
    return QTextCodec::codecForName("windows-1252");
}

} // namespace

MonitoraDiretorio::MonitoraDiretorio(const ConfigTef &config, QObject *parent)
    : QObject(parent), m_watcher(new QFileSystemWatcher(this)), m_pathIn(config.pathIn()), m_pathOut(config.pathOut()),
      m_fileReq(config.fileReq()), m_fileResp(config.fileResp()), m_produtoTef(config.produtoTef()),
      m_windows1252(config.codificacaoArquivos() == QLatin1String("windows-1252"))
{
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &MonitoraDiretorio::slotDiretorioAtualizado);
    // A request file written in place changes without its folder changing.
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &MonitoraDiretorio::verificarIncompleto);
    m_novaTentativa.setSingleShot(true);
    connect(&m_novaTentativa, &QTimer::timeout, this, &MonitoraDiretorio::novaTentativa);
    m_esperaIncompleto.setSingleShot(true);
    connect(&m_esperaIncompleto, &QTimer::timeout, this, &MonitoraDiretorio::verificarIncompleto);
    connect(&m_verificacaoPasta, &QTimer::timeout, this, &MonitoraDiretorio::verificarIdentidadePasta);
    usarPausas(m_pausas);
}

void MonitoraDiretorio::usarPausas(const Pausas &pausas)
{
    m_pausas = pausas;
    m_novaTentativa.setInterval(m_pausas.novaTentativaPastaMs);
    m_verificacaoPasta.setInterval(m_pausas.verificacaoPastaMs);
}

MonitoraDiretorio::~MonitoraDiretorio() = default;

bool MonitoraDiretorio::monitorando() const
{
    return m_watcher->directories().contains(m_pathIn);
}

void MonitoraDiretorio::usarOcupacao(Ocupacao *ocupacao)
{
    m_ocupacao = ocupacao;
    // What arrived while the cashier or the updater held the thread is served now.
    connect(ocupacao, &Ocupacao::liberada, this, [this](Ocupacao::Dono anterior) {
        if (m_iniciado && anterior != Ocupacao::Dono::Pdv)
            reiniciar(false);
    });
}

bool MonitoraDiretorio::vigiar()
{
    if (monitorando())
        return true;
    // The identity is taken before the watch starts: a folder swapped in between
    // is then caught by the next check rather than missed.
    const QByteArray identidade = platform::folderIdentity(m_pathIn);
    if (identidade.isEmpty() || !m_watcher->addPath(m_pathIn))
        return false;
    m_identidadePasta = identidade;
    return true;
}

void MonitoraDiretorio::verificarIdentidadePasta()
{
    // The watch follows the folder, not its path: a folder renamed away keeps
    // the watch while a new one under the path goes unheard. A stat of the
    // folder now and then finds that out without looking at the files.
    if (!monitorando() || platform::folderIdentity(m_pathIn) == m_identidadePasta)
        return;
    m_log.warning(QStringLiteral("[MonitoraDiretorio] Pasta de requisições substituída, monitorando a nova: ") +
                  m_pathIn);
    m_watcher->removePath(m_pathIn);
    vigiarEAtender(true);
}

void MonitoraDiretorio::iniciarMonitoramento()
{
    // The response written into the folder being watched would be read back as
    // a new request, and the sale would run again.
    if (ConfigTef::mesmaPasta(m_pathIn, m_pathOut)) {
        const QString mensagem = QStringLiteral("Pasta de requisição e pasta de resposta são a mesma (%1): "
                                                "pedidos do PDV não serão atendidos")
                                     .arg(m_pathIn);
        m_log.error(QStringLiteral("[MonitoraDiretorio] ") + mensagem);
        emit erroMonitoramento(mensagem);
        return;
    }
    m_iniciado = true;
    m_verificacaoPasta.start();
    vigiarEAtender(true);
}

void MonitoraDiretorio::vigiarEAtender(bool registrarFalha)
{
    if (!vigiar()) {
        if (registrarFalha)
            m_log.error("[MonitoraDiretorio] Não é possível iniciar o monitoramento no caminho especificado");
        agendarNovaTentativa();
        return;
    }
    m_log.info(QStringLiteral("[MonitoraDiretorio] Monitoramento iniciado em: ") + m_pathIn);
    // A request may have been waiting in the folder the whole time.
    slotDiretorioAtualizado(m_pathIn);
}

void MonitoraDiretorio::agendarNovaTentativa()
{
    m_novaTentativa.start();
}

void MonitoraDiretorio::novaTentativa()
{
    // Quietly: a folder that stays away would otherwise log a line every two seconds.
    vigiarEAtender(false);
}

void MonitoraDiretorio::pausar()
{
    m_log.info("[MonitoraDiretorio] Monitoramento pausado");
    m_novaTentativa.stop();
    m_esperaIncompleto.stop();
    if (monitorando())
        m_watcher->removePath(m_pathIn);
    if (!m_watcher->files().isEmpty())
        m_watcher->removePaths(m_watcher->files());
}

QString MonitoraDiretorio::encontrarRequisicao(const QString &pasta, const QString &nome)
{
    // The POS writes "IntPos.001" while older settings say "intpos.001": on a
    // file system that tells case apart, the name is matched ignoring case.
    QString escolhido;
    QDateTime escolhidoEm;
    QString outro;
    QDirIterator it(pasta, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        if (it.fileName().compare(nome, Qt::CaseInsensitive) != 0)
            continue;
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink()) {
            // Whatever it points at lies outside the exchange: never read it.
            m_log.error(QStringLiteral("[MonitoraDiretorio] Pedido recusado: ") + info.filePath() +
                        QStringLiteral(" é um link simbólico; o link foi removido sem ser lido"));
            QFile::remove(info.filePath());
            continue;
        }
        if (!info.isFile()) {
            outro = info.filePath();
            continue;
        }
        // Two spellings of the same name are two requests: the older goes first.
        const QDateTime em = info.lastModified();
        if (escolhido.isEmpty() || em < escolhidoEm || (em == escolhidoEm && info.filePath() < escolhido)) {
            escolhido = info.filePath();
            escolhidoEm = em;
        }
    }
    // Something that is not a file (a folder, a pipe) is still reported, so that
    // it meets the usual "cannot open" handling.
    return escolhido.isEmpty() ? outro : escolhido;
}

MonitoraDiretorio::Recusado MonitoraDiretorio::identificar(const QString &caminho) const
{
    const QFileInfo info(caminho);
    return Recusado{caminho, info.lastModified(), info.size()};
}

void MonitoraDiretorio::recusar(const QString &caminho)
{
    m_recusado = identificar(caminho);
}

void MonitoraDiretorio::slotDiretorioAtualizado(const QString &path)
{
    // A request is being taken: the folder is looked at again once it is handed on.
    if (m_atendendo)
        return;
    pausar();
    // The cashier's operation or the updater holds the TEF thread: the request
    // stays in the folder, served once it is free (liberada).
    if (m_ocupacao && !m_ocupacao->reservar(Ocupacao::Dono::Pdv)) {
        m_log.info("[MonitoraDiretorio] Operação em andamento: pedidos do A/C aguardam o seu fim");
        return;
    }

    m_log.info("[MonitoraDiretorio] Verificando arquivo SiTef...");
    m_log.info(QDir(path).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Unsorted));

    const QString chave = encontrarRequisicao(path, m_fileReq);
    const QString json = encontrarRequisicao(path, m_fileReq + QStringLiteral(".json"));
    QString escolhido;
    if (!chave.isEmpty() && !json.isEmpty() && QFileInfo(chave).isFile() != QFileInfo(json).isFile()) {
        // A folder or a pipe under one of the names never outranks a real request.
        escolhido = QFileInfo(chave).isFile() ? chave : json;
    } else if (!chave.isEmpty() && !json.isEmpty()) {
        // Only the newer request counts; on a tie the key-number file wins.
        const bool chaveMaisAntigo = QFileInfo(chave).lastModified() < QFileInfo(json).lastModified();
        escolhido = chaveMaisAntigo ? json : chave;
        const QString descartado = chaveMaisAntigo ? chave : json;
        m_log.warning(QStringLiteral("[MonitoraDiretorio] Arquivo ") + descartado +
                      QStringLiteral(" descartado: há um pedido mais recente"));
        QFile::remove(descartado);
    } else {
        escolhido = chave.isEmpty() ? json : chave;
    }
    // A file that could not be taken and has not changed since would fail the same way.
    if (escolhido.isEmpty() || identificar(escolhido) == m_recusado) {
        m_log.error("[MonitoraDiretorio] Arquivo SiTef não encontrado");
        reiniciar(true);
        return;
    }
    m_formatoJson = escolhido == json;
    m_atendendo = true;
    // A POS that writes the file in place gets time to finish it. The thread
    // is free meanwhile; the busy state keeps the tray's operations out.
    QTimer::singleShot(m_pausas.leituraRequisicaoMs, this, [this, escolhido] { lerRequisicao(escolhido); });
}

void MonitoraDiretorio::abandonar()
{
    m_atendendo = false;
    reiniciar(true);
}

void MonitoraDiretorio::lerRequisicao(const QString &escolhido)
{
    QFile arquivo(escolhido);
    QString erroAbertura;
    if (!platform::openRegularFileForReading(arquivo, &erroAbertura)) {
        m_log.error(QStringLiteral("[MonitoraDiretorio] Impossível abrir arquivo ") + escolhido);
        m_log.error(erroAbertura);
        recusar(escolhido);
        abandonar();
        return;
    }
    const qint64 tamanho = arquivo.size();
    // Text mode drops every carriage return while reading.
    const QByteArray bytes = arquivo.read(tamanhoMaximoRequisicao + 1);
    arquivo.close();
    const bool grandeDemais = tamanho > tamanhoMaximoRequisicao || bytes.size() > tamanhoMaximoRequisicao;

    const int fim = bytes.indexOf('\0');
    const QString texto = decodificar(fim < 0 ? bytes : bytes.left(fim));
    const bool completo = !grandeDemais && requisicaoCompleta(texto, m_formatoJson);
    if (!completo && !grandeDemais) {
        if (aguardarConclusao(escolhido)) {
            abandonar();
            return;
        }
        m_log.error(QStringLiteral("[MonitoraDiretorio] Arquivo %1 não foi concluído em %2 ms: pedido recusado")
                        .arg(escolhido)
                        .arg(m_pausas.arquivoIncompletoMs));
    }
    esquecerIncompleto();

    // By name: the file was opened through its descriptor, which leaves the QFile nameless.
    QFile lido(escolhido);
    if (!lido.remove()) {
        // Served but left in place, it would be served again at the next scan.
        m_log.error(QStringLiteral("[MonitoraDiretorio] Impossível remover arquivo ") + escolhido +
                    QStringLiteral(": ") + lido.errorString());
        recusar(escolhido);
        abandonar();
        return;
    }
    if (grandeDemais) {
        m_log.error(QStringLiteral("[MonitoraDiretorio] Arquivo %1 excede o tamanho máximo de %2 bytes (%3 bytes).")
                        .arg(escolhido)
                        .arg(tamanhoMaximoRequisicao)
                        .arg(tamanho));
        abandonar();
        return;
    }
    if (bytes.isEmpty()) {
        m_log.error(QStringLiteral("[MonitoraDiretorio] Arquivo ") + escolhido + QStringLiteral(" vazio."));
        abandonar();
        return;
    }

    m_log.info(QStringLiteral("[MonitoraDiretorio] Arquivo SiTef encontrado:\n") + paraLog(texto));

    QString requisicao = m_formatoJson ? texto : m_protocolo.requestToJson(texto);
    if (!completo)
        requisicao = requisicaoRecusada(requisicao, QStringLiteral("Arquivo de requisição incompleto"));

    // Nothing may start between taking the request and handing it on: the
    // exchange holds the busy state through this wait.
    QTimer::singleShot(m_pausas.antesDoStatusMs, this, [this, requisicao] { entregarRequisicao(requisicao); });
}

void MonitoraDiretorio::entregarRequisicao(const QString &requisicao)
{
    // The status comes first: a POS that sees none gives up, and a transaction
    // it was never told of, started anyway, would charge the customer blind.
    if (!gravarStatus(requisicao)) {
        m_log.error("[MonitoraDiretorio] Transação não iniciada: sem arquivo de status o PDV não a acompanharia");
        abandonar();
        return;
    }
    m_atendendo = false;
    emit requisicaoRecebida(Requisicao::doPdv(requisicao, m_formatoJson));
}

bool MonitoraDiretorio::gravarStatus(const QString &jsonRequisicao)
{
    m_log.info(QStringLiteral("[MonitoraDiretorio] Json para criação do arquivo de status:\n") +
               paraLog(jsonRequisicao));

    QJsonParseError erroJson;
    const QJsonDocument doc = QJsonDocument::fromJson(jsonRequisicao.toUtf8(), &erroJson);
    if (erroJson.error != QJsonParseError::NoError) {
        m_log.error(QStringLiteral("[MonitoraDiretorio] Erro na criação do arquivo STS: ") + erroJson.errorString());
        return false;
    }
    const QJsonObject requisicao = doc.object();
    const QString header = requisicao.value(QLatin1String("header")).toString();
    const QString id =
        requisicao.value(QLatin1String("parametros")).toObject().value(QLatin1String("identificacao")).toString();

    QString conteudo;
    if (m_formatoJson) {
        QJsonObject status;
        status.insert(QStringLiteral("header"), header);
        status.insert(QStringLiteral("id"), id);
        conteudo = QString::fromUtf8(QJsonDocument(status).toJson(QJsonDocument::Compact));
    } else {
        const QString linha = QStringLiteral("%1 = %2");
        conteudo = QStringList{linha.arg(QStringLiteral("000-000"), header), linha.arg(QStringLiteral("001-000"), id),
                               linha.arg(QStringLiteral("999-999"), QStringLiteral("0"))}
                       .join(QStringLiteral("\r\n"));
    }

    const QString caminho =
        m_pathOut + QLatin1Char('/') + m_fileResp + (m_formatoJson ? QStringLiteral(".json") : QString());
    const QString temporario = m_pathOut + QLatin1Char('/') + nomeStatusTemporario();
    // Written aside and renamed, so a POS polling the folder never reads half a status.
    QString erro;
    if (!gravarPorTemporario(temporario, caminho, codificar(conteudo, m_formatoJson), &erro)) {
        m_log.error("[MonitoraDiretorio] Impossível escrever no arquivo STS");
        m_log.error(erro);
        return false;
    }
    m_log.info(QStringLiteral("[MonitoraDiretorio] Arquivo status [") + caminho + QStringLiteral("]:\n") + conteudo);
    return true;
}

void MonitoraDiretorio::processResponse(const Requisicao &requisicao, const QString &dados)
{
    // The cashier's own operations are answered to the cashier, not in a file.
    if (!requisicao.doPdv())
        return;
    const bool formatoJson = requisicao.formatoJson;

    const QString header = QJsonDocument::fromJson(dados.toUtf8()).object().value(QLatin1String("header")).toString();
    for (const char *semResposta : {"CNF", "NCN", "ATV"}) {
        if (header.compare(QLatin1String(semResposta), Qt::CaseInsensitive) == 0) {
            m_log.info(QStringLiteral("[MonitoraDiretorio] Operação ") + header +
                       QStringLiteral(" não requer arquivo IntPos.001"));
            return;
        }
    }

    QString resposta;
    if (formatoJson) {
        resposta = dados;
    } else {
        if (m_conversorResposta)
            resposta = (m_protocolo.*m_conversorResposta)(dados);
        else
            m_log.error("[MonitoraDiretorio] Produto TEF inválido");
    }
    m_log.info(QStringLiteral("[MonitoraDiretorio] Formato %1:\n%2")
                   .arg(formatoJson ? QStringLiteral("JSON") : QStringLiteral("SiTef"), paraLog(resposta)));

    // A response that cannot be delivered (full disk, a folder in the way) is
    // tried again for a while: the core undoes an approved sale the POS never
    // hears of, so giving up too early costs a sale.
    tentarGravar(requisicao.numero, codificar(resposta, formatoJson), formatoJson,
                 QDeadlineTimer(m_pausas.gravacaoRespostaMs), 1);
}

void MonitoraDiretorio::tentarGravar(quint64 numero, const QByteArray &bytes, bool formatoJson,
                                     const QDeadlineTimer &prazo, int tentativa)
{
    const bool gravada = gravarResposta(bytes, formatoJson);
    if (!gravada && !prazo.hasExpired()) {
        if (tentativa == 1)
            m_log.warning(QStringLiteral("[MonitoraDiretorio] Gravação da resposta será tentada novamente por %1 ms")
                              .arg(m_pausas.gravacaoRespostaMs));
        const int espera = static_cast<int>(qMin<qint64>(m_pausas.intervaloGravacaoMs, prazo.remainingTime()));
        QTimer::singleShot(espera, this, [=] { tentarGravar(numero, bytes, formatoJson, prazo, tentativa + 1); });
        return;
    }
    if (!gravada)
        m_log.error("[MonitoraDiretorio] Resposta não entregue ao PDV");
    emit respostaGravada(numero, gravada);
}

bool MonitoraDiretorio::gravarResposta(const QByteArray &bytes, bool formatoJson)
{
    // The older response goes first: if this one cannot be written or renamed,
    // the POS must not take the previous answer for it.
    const QString final =
        m_pathOut + QLatin1Char('/') + m_fileReq + (formatoJson ? QStringLiteral(".json") : QString());
    if (QFileInfo::exists(final) || QFileInfo(final).isSymLink())
        QFile::remove(final);
    const QString temporario = m_pathOut + QLatin1Char('/') + nomeArquivoTemporario();
    QFile arquivo(temporario);
    QString erro;
    if (!platform::createFreshFile(arquivo, &erro)) {
        m_log.error(QStringLiteral("[MonitoraDiretorio] Erro ao abrir arquivo de resposta ") + temporario);
        m_log.error(erro);
        return false;
    }
    // On the disk before it gets its final name: a crash right after the rename
    // must not leave the POS a truncated answer.
    if (!platform::writeAndSync(arquivo, bytes, &erro)) {
        m_log.error(QStringLiteral("[MonitoraDiretorio] Falha ao gravar arquivo de resposta ") + temporario +
                    QStringLiteral(": ") + erro);
        QFile::remove(temporario);
        return false;
    }
    m_log.info(QStringLiteral("[MonitoraDiretorio] Quantidade de bytes gravados no arquivo ") + temporario +
               QStringLiteral(": ") + QString::number(bytes.size()));

    if (!platform::replaceFile(temporario, final, true, &erro)) {
        m_log.error(QStringLiteral("[MonitoraDiretorio] Falha ao renomear arquivo para ") + final);
        m_log.error(erro);
        return false;
    }
    m_log.info(QStringLiteral("[MonitoraDiretorio] Arquivo renomeado com sucesso para ") + final);
    return true;
}

void MonitoraDiretorio::concluida(const Requisicao &requisicao)
{
    if (!requisicao.doPdv())
        return;
    if (m_ocupacao)
        m_ocupacao->liberar(Ocupacao::Dono::Pdv);
    reiniciar(false);
}

void MonitoraDiretorio::reiniciar(bool err)
{
    // Nothing was handed on, or what was is over: the TEF thread is not ours any more.
    if (m_ocupacao)
        m_ocupacao->liberar(Ocupacao::Dono::Pdv);
    m_log.info("[MonitoraDiretorio] FINALIZANDO OPERACAO TEF");
    m_log.info("[MonitoraDiretorio] Iniciando monitoramento de diretório");
    const bool vigiando = vigiar();
    if (!vigiando) {
        // The folder may have been removed or its volume unmounted: keep trying
        // rather than stay deaf for the rest of the run.
        m_log.error("[MonitoraDiretorio] Não é possível iniciar o monitoramento no caminho especificado");
        agendarNovaTentativa();
        return;
    }
    if (!err)
        slotDiretorioAtualizado(m_pathIn);
    else
        verificarChegadaDuranteRetomada();
}

void MonitoraDiretorio::verificarChegadaDuranteRetomada()
{
    // Between pausing and watching again the folder was not watched: a request
    // renamed into it in that moment raised no change and would wait forever.
    for (const QString &nome : {m_fileReq, m_fileReq + QStringLiteral(".json")}) {
        const QString caminho = encontrarRequisicao(m_pathIn, nome);
        if (caminho.isEmpty() || identificar(caminho) == m_recusado || identificar(caminho) == m_incompleto)
            continue;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (monitorando())
                    slotDiretorioAtualizado(m_pathIn);
            },
            Qt::QueuedConnection);
        return;
    }
}

bool MonitoraDiretorio::aguardarConclusao(const QString &caminho)
{
    const Recusado atual = identificar(caminho);
    if (!(atual == m_incompleto)) {
        m_log.info(QStringLiteral("[MonitoraDiretorio] Arquivo %1 %2: aguardando o fim da gravação")
                       .arg(caminho, m_incompleto.caminho == caminho ? QStringLiteral("alterado, ainda incompleto")
                                                                     : QStringLiteral("incompleto")));
        m_incompleto = atual;
        m_incompletoDesde.start();
    } else if (m_incompletoDesde.elapsed() >= m_pausas.arquivoIncompletoMs) {
        return false;
    }
    // Woken by its own change, by the folder or by the bound: wait for what is left of it.
    m_esperaIncompleto.start(int(qMax<qint64>(0, m_pausas.arquivoIncompletoMs - m_incompletoDesde.elapsed())));
    m_watcher->addPath(caminho);
    return true;
}

void MonitoraDiretorio::esquecerIncompleto()
{
    m_incompleto = Recusado();
    m_esperaIncompleto.stop();
}

void MonitoraDiretorio::verificarIncompleto()
{
    // Only while idle: a scan in the middle of a transaction would take the next request too early.
    if (monitorando())
        slotDiretorioAtualizado(m_pathIn);
}

QString MonitoraDiretorio::decodificar(const QByteArray &bytes) const
{
    // JSON is UTF-8 by definition; the setting is for the key-number files.
    if (m_windows1252 && !m_formatoJson)
        return windows1252()->toUnicode(bytes);
    QTextCodec::ConverterState estado;
    const QString texto = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &estado);
    if (estado.invalidChars == 0 && estado.remainingChars == 0)
        return texto;
    // Classic POS software writes its files in the Windows code page.
    m_log.warning("[MonitoraDiretorio] Arquivo de requisição não está em UTF-8: lido como Windows-1252");
    return windows1252()->toUnicode(bytes);
}

QByteArray MonitoraDiretorio::codificar(const QString &texto, bool formatoJson) const
{
    return m_windows1252 && !formatoJson ? windows1252()->fromUnicode(texto) : texto.toUtf8();
}
