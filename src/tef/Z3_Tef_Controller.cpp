#include "tef/Z3_Tef_Controller.h"

#include "app/GlobalFlags.h"
#include "exchange/MonitoraDiretorio.h"
#include "tef/Vitra_Controller.h"
#include "tef/Z3_Tef_Library.h"
#include "tef/Z3_Tef_Protocolo.h"
#include "util/DadosSensiveis.h"
#include "util/getMaskFromPelmora.h"

#include <QDate>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutexLocker>

#include <algorithm>
#include <utility>

namespace {

const QString tag = QStringLiteral("[Z3_Tef_Controller] ");

QString compacto(const QJsonObject &o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QJsonObject objeto(const QByteArray &texto)
{
    return QJsonDocument::fromJson(texto).object();
}

QString acaoInfinitivo(int acao)
{
    return acao == 1 ? QStringLiteral("confirmar") : QStringLiteral("desfazer");
}

QString acaoParticipio(int acao)
{
    return acao == 1 ? QStringLiteral("confirmada") : QStringLiteral("desfeita");
}

// The first line of a sale by card type; other types show the type the cashier chose.
QString rotuloCartao(int tipo)
{
    switch (tipo) {
    case 1:
        return QStringLiteral("Crédito");
    case 2:
        return QStringLiteral("Débito");
    case 3:
        return QStringLiteral("Voucher");
    case 4:
        return QStringLiteral("Frota");
    case 5:
        return QStringLiteral("Private Label");
    default:
        return QString();
    }
}

// What the POS gets when the TEF operation could not be opened. The start reply
// says "retorno" "1" for success, so its failure may well say "0", which in a
// transaction's reply means approved: passed on as it is, the POS would read a
// sale that never happened as paid. The library's own message is kept.
QByteArray falhaAoIniciar(const QByteArray &respostaInicio)
{
    const QJsonObject inicio = objeto(respostaInicio);
    QJsonObject falha = objeto(Z3_Tef_Protocolo::jsonNaoIniciada());
    const int codigo = inicio.value(QStringLiteral("codigo")).toInt();
    if (codigo != 0) {
        falha.insert(QStringLiteral("codigo"), codigo);
        falha.insert(QStringLiteral("mensagem"), inicio.value(QStringLiteral("mensagem")));
    }
    const QJsonValue mensagem =
        inicio.value(QStringLiteral("tef")).toObject().value(QStringLiteral("mensagemResultado"));
    if (mensagem.isString())
        falha.insert(QStringLiteral("tef"), QJsonObject{{QStringLiteral("mensagemResultado"), mensagem}});
    return QJsonDocument(falha).toJson(QJsonDocument::Compact);
}

// The operations whose Realizar call may move money: the journal has them first.
bool moveDinheiro(const QString &op)
{
    return op == QLatin1String("CRT") || op == QLatin1String("CNC") || op == QLatin1String("ADM") ||
           op == QLatin1String("PIX");
}

// A journal record as the log names it.
QString descricao(const DiarioTransacoes::Registro &r)
{
    QString texto = QStringLiteral("%1 id %2").arg(r.operacao, r.identificacao);
    if (r.pendente)
        texto += QStringLiteral(", sequencial %1 (%2), NSU %3, valor %4")
                     .arg(r.pendente->sequencial)
                     .arg(r.pendente->transacao, r.pendente->nsuTerminal, r.pendente->valorTotal);
    return texto;
}

// An operator's list choice as an index; -1 when it is not a number.
int indiceEscolhido(const QString &texto)
{
    bool ok = false;
    const int i = texto.toInt(&ok);
    return ok ? i : -1;
}

} // namespace

Z3_Tef_Controller::Z3_Tef_Controller(QObject *parent)
    : Base_Controller(parent), m_lib(new Z3_Tef_Library), m_sequenciais(new ControllerSequencial),
      m_vitra(new Vitra_Controller)
{
    m_pix = false;
    m_pinPad = false;
    if (m_lib->carregar()) {
        m_log.info(tag + QStringLiteral("API carregada com sucesso"));
        m_lib->setClientTCP("127.0.0.1", 60906);
    } else {
        m_log.error(tag + QStringLiteral("Erro ao carregar a biblioteca do Z3_Tef"));
    }
    m_diario = std::make_unique<DiarioTransacoes>(DiarioTransacoes::arquivoAoLadoDe(m_config.filePath()));
    recuperarPendentes();
}

Z3_Tef_Controller::~Z3_Tef_Controller()
{
    // The run uses the library, the list and the display deleted below.
    encerrarExecucao();
    if (m_lib->descarregar())
        m_log.info(tag + QStringLiteral("Biblioteca Z3_Tef liberada"));
    else
        m_log.error(tag + QStringLiteral("Falha ao liberar biblioteca Z3_Tef"));
    delete m_vitra;
    delete m_sequenciais;
    delete m_lib;
}

bool Z3_Tef_Controller::bibliotecaCarregada() const
{
    return m_lib->isLoaded();
}

Z3_Tef_VO Z3_Tef_Controller::vo()
{
    QMutexLocker lock(&m_dados);
    return m_vo;
}

// --- operation parameters and replies -----------------------------------------

void Z3_Tef_Controller::setJsonConfigs(QString value)
{
    m_log.info(tag + QStringLiteral("setJsonConfigs\n") +
               mascararDadosSensiveis(Z3_Tef_Protocolo::requisicaoParaLog(value)));
    QJsonParseError erro{};
    const QJsonDocument doc = QJsonDocument::fromJson(value.toUtf8(), &erro);
    const QJsonObject requisicao = doc.object();
    QMutexLocker lock(&m_dados);
    jsonConfigs = requisicao;
    m_vo = Z3_Tef_VO::fromRequest(requisicao);
    if (erro.error != QJsonParseError::NoError || !doc.isObject())
        m_msgErro = QStringLiteral("Requisição JSON inválida: ") + erro.errorString();
    else
        m_msgErro = requisicao.value(QStringLiteral("msg_erro")).toString();
}

QByteArray Z3_Tef_Controller::jsonIniciarOperacao() const
{
    return m_vo.jsonIniciarOperacao();
}

QByteArray Z3_Tef_Controller::jsonOperacao(bool novaTransacao)
{
    if (novaTransacao)
        return m_vo.jsonOperacaoNova();
    return QJsonDocument(jsonConfigs).toJson(QJsonDocument::Compact);
}

void Z3_Tef_Controller::setDadosColeta(const QJsonObject &resposta)
{
    m_log.debug(QStringList{QStringLiteral("Dados no set de entrada"), mascararDadosSensiveis(compacto(resposta))});
    const QJsonObject tef = resposta.value(QStringLiteral("tef")).toObject();
    QJsonObject coleta;
    for (const char *chave : {"automacao_coleta_retorno", "automacao_coleta_sequencial"}) {
        const QJsonValue v = tef.value(QLatin1String(chave));
        if (!v.isUndefined())
            coleta.insert(QLatin1String(chave), v);
    }
    jsonConfigs = coleta;
    m_mascaraColeta = tef.value(QStringLiteral("automacao_coleta_mascara")).toString();
    m_palavraChave = tef.value(QStringLiteral("automacao_coleta_palavra_chave")).toString();
}

bool Z3_Tef_Controller::isColeta(const QJsonObject &resposta)
{
    return Z3_Tef_Protocolo::isColeta(resposta);
}

bool Z3_Tef_Controller::isRetornoSucesso(const QJsonObject &resposta)
{
    return Z3_Tef_Protocolo::isRetornoSucesso(resposta);
}

bool Z3_Tef_Controller::isConfirmado(const QByteArray &texto)
{
    return Z3_Tef_Protocolo::isConfirmado(texto);
}

QByteArray Z3_Tef_Controller::jsonNaoIniciada()
{
    return Z3_Tef_Protocolo::jsonNaoIniciada();
}

QString Z3_Tef_Controller::formatarValorColetado(const QString &valor)
{
    return Z3_Tef_Protocolo::formatarValorColetado(valor);
}

void Z3_Tef_Controller::limparColeta()
{
    m_mascaraColeta.clear();
    m_palavraChave.clear();
    m_nsuDigitado.clear();
    m_tipoCartaoEscolhido.clear();
}

QByteArray Z3_Tef_Controller::iniciarOperacaoTEF(bool skip)
{
    QByteArray resposta;
    if (skip) {
        if (!m_isTefStarted)
            resposta = jsonNaoIniciada();
    } else if (!m_isTefStarted) {
        resposta = m_lib->iniciarOperacaoTEF(jsonIniciarOperacao());
        if (isConfirmado(resposta)) {
            m_isTefStarted = true;
            m_log.info("Sucesso ao iniciar operação TEF");
        } else {
            m_log.error("Erro ao iniciar operação TEF");
        }
    }
    m_log.debug(QStringLiteral("%1: skip=[%2];isTefStarted=[%3]")
                    .arg(QStringLiteral("iniciarOperacaoTEF"))
                    .arg(int(skip))
                    .arg(int(m_isTefStarted)));
    return resposta;
}

void Z3_Tef_Controller::finalizarOperacaoTEF(bool skip)
{
    if (!skip && m_isTefStarted) {
        m_lib->finalizarOperacaoTEF(1);
        m_isTefStarted = false;
        m_log.info("Operação TEF finalizada");
    }
    m_log.debug(QStringLiteral("%1: skip=[%2];isTefStarted=[%3]")
                    .arg(QStringLiteral("finalizarOperacaoTEF"))
                    .arg(int(skip))
                    .arg(int(m_isTefStarted)));
}

// --- the operation run ----------------------------------------------------------

QString Z3_Tef_Controller::valorFormatado()
{
    QString valor;
    {
        QMutexLocker lock(&m_dados);
        valor = m_vo.valor;
    }
    return formataValor(valor);
}

QString Z3_Tef_Controller::valorDaRequisicao(const QString &palavraChave, const QJsonObject &tef,
                                             const QString &mascara)
{
    QMutexLocker lock(&m_dados);
    if (palavraChave == QLatin1String("transacao_nsu"))
        return m_vo.numero_transacao;
    // Only a date layout the field can take is offered (the mask says so).
    if (palavraChave == QLatin1String("transacao_data") && !mascara.isEmpty()) {
        const QDate data = QDate::fromString(m_vo.data_transacao, QStringLiteral("ddMMyyyy"));
        QString formato = tef.value(QStringLiteral("automacao_coleta_mascara")).toString();
        if (formato.isEmpty())
            formato = QStringLiteral("dd/MM/yy");
        return data.isValid() ? data.toString(formato) : QString();
    }
    return QString();
}

bool Z3_Tef_Controller::despachar(bool novaTransacao, const QByteArray &dados, QByteArray &resposta)
{
    const int nova = novaTransacao ? 1 : 0;
    const QString op = m_vo.operacao;
    // Nothing that may move money reaches the library before the journal has it:
    // a crash from here on leaves a record to finish at the next start.
    if (novaTransacao && moveDinheiro(op)) {
        m_registroAtual = m_diario->abrir(op, m_vo.identificacao, requisicaoJson);
        if (m_registroAtual < 0) {
            resposta = QJsonDocument(QJsonObject{{QStringLiteral("codigo"), -4},
                                                 {QStringLiteral("mensagem"),
                                                  QStringLiteral("Diário de transações indisponível")}})
                           .toJson(QJsonDocument::Compact);
            return true;
        }
    }
    if (op == QLatin1String("CRT")) {
        QString rotulo = rotuloCartao(m_vo.tipo_cartao);
        if (rotulo.isEmpty())
            rotulo = m_tipoCartaoEscolhido;
        emit firstTextChanged(QStringLiteral("Venda ") + rotulo + QStringLiteral("\n Valor: ") + valorFormatado());
        resposta = m_lib->realizarPagamentoTEF(m_vo.tipo_cartao, dados, nova);
    } else if (op == QLatin1String("CNC")) {
        emit firstTextChanged(QStringLiteral("Cancelamento\n Valor: ") + valorFormatado());
        resposta = m_lib->realizarAdmTEF(1, dados, nova);
    } else if (op == QLatin1String("ADM")) {
        emit firstTextChanged(QStringLiteral("Operação Administrativa"));
        resposta = m_lib->realizarAdmTEF(m_vo.codigo_transacao, dados, nova);
    } else if (op == QLatin1String("PIX")) {
        emit firstTextChanged(QStringLiteral("Operação Transação PIX"));
        resposta = m_lib->realizarPixTEF(dados, nova);
        m_pix = true;
    } else if (op == QLatin1String("CLT")) {
        emit firstTextChanged(QStringLiteral("Captura de dados no PINPAD"));
        emit textChanged(QStringLiteral("Verifique o PINPAD!"));
        resposta = m_lib->realizarColetaPinPad(m_vo.opcao_coleta, 1);
        m_pinPad = true;
    } else {
        return false;
    }
    return true;
}

void Z3_Tef_Controller::concluir(const QJsonObject &ultimaResposta, QJsonObject &resultado)
{
    emit disableProgressBar(true);
    const int registro = std::exchange(m_registroAtual, -1);
    const std::optional<SequencialInfo> info = ControllerSequencial::criarSequencial(ultimaResposta);
    if (!info) {
        m_log.error("Erro ao obter sequencial para confirmação");
        // Without a sequential number nothing can be confirmed or undone later.
        m_diario->marcar(registro, DiarioTransacoes::Estado::Resolvida, QStringLiteral("sem sequencial"));
        return;
    }
    m_log.info(QStringLiteral("Sequencial obtido da operacao %1 = %2 (%3)")
                   .arg(m_vo.operacao)
                   .arg(info->sequencial)
                   .arg(info->transacao));
    QString requerConfirmacao;
    if (!isRetornoSucesso(ultimaResposta)) {
        requerConfirmacao = QStringLiteral("1");
        m_diario->marcar(registro, DiarioTransacoes::Estado::Resolvida, QStringLiteral("negada"));
    } else if (!requisicaoJson) {
        SequencialInfo pendente = *info;
        pendente.registro = registro;
        if (registro >= 0 && !m_diario->aprovar(registro, pendente))
            m_log.error(QStringLiteral("Sequencial %1 aprovado fora do diário de transações").arg(info->sequencial));
        m_sequenciais->adicionarSequencial(pendente);
        m_emEntrega = pendente;
        requerConfirmacao = QStringLiteral("2");
    } else {
        const QByteArray confirmacao = m_lib->confirmarOperacaoTEF(info->sequencial, 1);
        const bool confirmada = isConfirmado(confirmacao);
        requerConfirmacao = confirmada ? QStringLiteral("1") : QStringLiteral("2");
        if (!confirmada)
            m_log.error(QStringLiteral("Confirmação do sequencial %1 recusada pela biblioteca").arg(info->sequencial));
        m_diario->marcar(registro,
                         confirmada ? DiarioTransacoes::Estado::Resolvida : DiarioTransacoes::Estado::NaoResolvida,
                         confirmada ? QStringLiteral("confirmada") : QStringLiteral("confirmação recusada"));
    }
    resultado.insert(QStringLiteral("requer_confirmacao"), requerConfirmacao);
}

void Z3_Tef_Controller::ProcessaTEF()
{
    limparColeta();
    QJsonObject resultado{{QStringLiteral("header"), m_vo.operacao}, {QStringLiteral("id"), m_vo.identificacao}};
    const QString op = m_vo.operacao;
    m_log.info(tag + QStringLiteral("Operação identificada: ") + op);
    m_log.info(tag + QStringLiteral("INICIANDO OPERAÇÃO Z3_TEF"));
    if (atendidaSemTransacao(resultado))
        return;

    const bool confirmacao = op == QLatin1String("CNF") || op == QLatin1String("NCN");
    if (m_isTefStarted && !confirmacao)
        perguntarPendenteAnterior();

    QByteArray ultimaResposta = iniciarOperacaoTEF(confirmacao);
    bool skipFinal = false;
    if (!m_isTefStarted)
        ultimaResposta = falhaAoAbrir(confirmacao, ultimaResposta);
    else if (confirmacao)
        resolverPendentes(op == QLatin1String("CNF") ? 1 : 0);
    else
        skipFinal = conduzirTransacao(resultado, ultimaResposta);
    finalizar(resultado, ultimaResposta, skipFinal);
}

bool Z3_Tef_Controller::atendidaSemTransacao(QJsonObject &resultado)
{
    QString msgErro;
    {
        QMutexLocker lock(&m_dados);
        msgErro = m_msgErro;
    }
    if (!msgErro.isEmpty()) {
        recusarRequisicao(msgErro, resultado);
        return true;
    }
    if (m_vo.operacao == QLatin1String("ATV")) {
        emit responseProcessTEF(compacto(resultado));
        m_log.info(tag + QStringLiteral("FINALIZANDO OPERAÇÃO Z3_TEF"));
        return true;
    }
    if (!m_lib->isLoaded()) {
        // The POS must not wait for a response that never comes: answer a failure.
        m_log.error(tag + QStringLiteral("API não foi carregada"));
        resultado.insert(QStringLiteral("codigo"), -2);
        resultado.insert(QStringLiteral("mensagem"), QStringLiteral("Biblioteca Z3_Tef não foi carregada"));
        emit responseProcessTEF(compacto(resultado));
        m_log.info(tag + QStringLiteral("FINALIZANDO OPERAÇÃO Z3_TEF"));
        return true;
    }
    return false;
}

QByteArray Z3_Tef_Controller::falhaAoAbrir(bool confirmacao, const QByteArray &respostaInicio)
{
    emit showMessageError(QStringLiteral("Erro ao iniciar operação TEF"));
    emit textChanged(QStringLiteral("Erro ao iniciar operação TEF"));
    if (!confirmacao)
        return falhaAoIniciar(respostaInicio);
    avisarConfirmacaoSemCorrespondente();
    return respostaInicio;
}

bool Z3_Tef_Controller::conduzirTransacao(QJsonObject &resultado, QByteArray &ultimaResposta)
{
    emit showWindow(true);
    emit textChanged(QStringLiteral("Processando transação..."));
    if (m_config.tipoOperacao() == 1)
        disableComponentAutonomo();
    mostrarTela(Tela::SemBotoes);
    const QJsonObject ultimoObjeto = coletar(ultimaResposta);
    concluir(ultimoObjeto, resultado);
    return fecharTransacao(ultimaResposta);
}

QJsonObject Z3_Tef_Controller::coletar(QByteArray &ultimaResposta)
{
    QJsonObject ultimoObjeto;
    bool novaTransacao = true;
    for (;;) {
        // Returns at once on the first pass and after a step that asked nothing.
        aplicarResposta(aguardarResposta());
        emit disableProgressBar(false);
        QByteArray dados;
        {
            QMutexLocker lock(&m_dados);
            dados = jsonOperacao(novaTransacao);
        }
        QByteArray resposta;
        if (!despachar(novaTransacao, dados, resposta)) {
            emit textChanged(QStringLiteral("Operação não identificada"));
            // The POS gets a failure, not the start reply's "codigo" 0.
            ultimaResposta =
                QJsonDocument(QJsonObject{{QStringLiteral("codigo"), -3},
                                          {QStringLiteral("mensagem"), QStringLiteral("Operação não identificada")}})
                    .toJson(QJsonDocument::Compact);
            return QJsonObject();
        }
        ultimaResposta = resposta;
        // A library is free to put card data in its reply: the log gets it masked.
        m_log.info(tag + mascararDadosSensiveis(QString::fromUtf8(resposta)));
        ultimoObjeto = objeto(resposta);
        {
            QMutexLocker lock(&m_dados);
            setDadosColeta(ultimoObjeto);
        }
        trataRetorno(ultimoObjeto);
        novaTransacao = false;
        if (!isColeta(ultimoObjeto))
            return ultimoObjeto;
    }
}

bool Z3_Tef_Controller::fecharTransacao(QByteArray &ultimaResposta)
{
    QJsonObject respostaFinal = objeto(ultimaResposta);
    QJsonObject tef = respostaFinal.value(QStringLiteral("tef")).toObject();
    const QString transacao = tef.value(QStringLiteral("transacao")).toString();
    const QString retorno = tef.value(QStringLiteral("retorno")).toString();
    const QString resultadoTransacao = tef.value(QStringLiteral("resultadoTransacao")).toString();
    if (transacao == QLatin1String("Administracao Cancelar") && retorno == QLatin1String("0") &&
        resultadoTransacao == QLatin1String("0") && !m_nsuDigitado.isEmpty()) {
        tef.insert(QStringLiteral("nsuTerminalOriginal"), m_nsuDigitado);
        respostaFinal.insert(QStringLiteral("tef"), tef);
        ultimaResposta = QJsonDocument(respostaFinal).toJson(QJsonDocument::Compact);
    }
    return (transacao == QLatin1String("Cartao Vender") || transacao == QLatin1String("Digital Pagar") ||
            transacao == QLatin1String("Administracao Cancelar")) &&
           retorno == QLatin1String("0") && !requisicaoJson;
}

void Z3_Tef_Controller::finalizar(QJsonObject &resultado, const QByteArray &ultimaResposta, bool skipFinal)
{
    finalizarOperacaoTEF(skipFinal);
    // The library's members join the result; ours ("header", "id",
    // "requer_confirmacao") are never replaced by a reply.
    const QJsonObject membros = objeto(ultimaResposta);
    for (auto it = membros.begin(); it != membros.end(); ++it)
        if (!resultado.contains(it.key()))
            resultado.insert(it.key(), it.value());
    QThread::sleep(1);
    emit showWindow(false);
    emit textChanged(QStringLiteral("TEF em processamento..."));
    mostrarTela(Tela::Final);
    entregarResultado(compacto(resultado));
    m_log.info(tag + QStringLiteral("FINALIZANDO OPERAÇÃO Z3_TEF"));
}

void Z3_Tef_Controller::recusarRequisicao(const QString &motivo, QJsonObject &resultado)
{
    // A request the conversion refused may carry a cut amount or none at all:
    // it never reaches the library, and the POS reads a plain failure.
    m_log.error(tag + QStringLiteral("Requisição recusada, nenhuma transação realizada: ") + motivo);
    emit showWindow(true);
    limparTela();
    emit firstTextChanged(QStringLiteral("Requisição inválida"));
    emit textChanged(motivo);
    emit showMessageError(motivo);
    QThread::msleep(tempoMensagemRecusaMs);
    resultado.insert(QStringLiteral("codigo"), -5);
    resultado.insert(QStringLiteral("mensagem"), motivo);
    resultado.insert(QStringLiteral("tef"), QJsonObject{{QStringLiteral("mensagemResultado"), motivo}});
    emit showWindow(false);
    emit textChanged(QStringLiteral("TEF em processamento..."));
    emit responseProcessTEF(compacto(resultado));
    m_log.info(tag + QStringLiteral("FINALIZANDO OPERAÇÃO Z3_TEF"));
}

void Z3_Tef_Controller::entregarResultado(const QString &resultado)
{
    std::optional<SequencialInfo> pendente;
    std::swap(pendente, m_emEntrega);
    const bool acompanhar = pendente && m_acompanharEntrega && !operacaoAutonoma;
    // From here a crash may come after the POS read the response: the sale must
    // not then be undone behind its back at the next start.
    if (pendente)
        m_diario->marcar(pendente->registro, DiarioTransacoes::Estado::EmEntrega);
    if (acompanhar) {
        QMutexLocker lock(&m_entregaMutex);
        m_resultadoEmEntrega = resultado;
        m_entrega = -1;
    }
    emit responseProcessTEF(resultado);
    if (!pendente)
        return;
    bool entregue = true;
    if (acompanhar) {
        QMutexLocker lock(&m_entregaMutex);
        const QDeadlineTimer prazo(MonitoraDiretorio::prazoGravacaoRespostaMs + margemEntregaMs);
        while (m_entrega < 0 && m_entregaCondicao.wait(&m_entregaMutex, prazo)) {
        }
        entregue = m_entrega == 1;
        m_resultadoEmEntrega.clear();
    }
    if (entregue)
        m_diario->marcar(pendente->registro, DiarioTransacoes::Estado::Respondida);
    else
        desfazerNaoEntregue(*pendente);
}

void Z3_Tef_Controller::respostaGravada(const QString &dados, bool gravada)
{
    QMutexLocker lock(&m_entregaMutex);
    if (m_resultadoEmEntrega.isEmpty() || dados != m_resultadoEmEntrega)
        return;
    m_entrega = gravada ? 1 : 0;
    m_entregaCondicao.wakeAll();
}

void Z3_Tef_Controller::desfazerNaoEntregue(const SequencialInfo &pendente)
{
    // The POS never learned of this sale: it must not stay charged.
    m_log.error(
        QStringLiteral("Resposta da transação NSU %1 (sequencial %2) não chegou ao PDV: a transação será desfeita")
            .arg(pendente.nsuTerminal)
            .arg(pendente.sequencial));
    const QList<SequencialInfo> lista = m_sequenciais->listaSequenciais();
    const auto it = std::find_if(lista.begin(), lista.end(), [&](const SequencialInfo &e) {
        return e.registro == pendente.registro && e.sequencial == pendente.sequencial;
    });
    if (it != lista.end())
        confirmarOuDesfazer(static_cast<int>(it - lista.begin()), 0);
    if (m_sequenciais->listaSequenciais().isEmpty())
        finalizarOperacaoTEF(false);
    emit showWindow(true);
    emit showMessageError(
        QStringLiteral("A resposta não chegou à automação: transação NSU %1 desfeita").arg(pendente.nsuTerminal));
}

void Z3_Tef_Controller::recuperarPendentes()
{
    m_diario->carregar();
    const QList<DiarioTransacoes::Registro> registros = m_diario->procurar(
        [](const DiarioTransacoes::Registro &r) { return r.estado != DiarioTransacoes::Estado::Resolvida; });
    if (registros.isEmpty())
        return;
    m_log.info(QStringLiteral("Diário de transações: %1 transação(ões) da execução anterior").arg(registros.size()));
    if (!m_lib->isLoaded()) {
        m_log.error("Diário de transações: biblioteca não carregada, as transações ficam no diário");
        return;
    }
    for (const DiarioTransacoes::Registro &r : registros) {
        if (r.estado == DiarioTransacoes::Estado::NaoResolvida) {
            // Nothing retries these on its own: a person decides with the TEF host.
            m_log.error(
                QStringLiteral("Transação não resolvida (%1, %2): verifique-a no TEF").arg(descricao(r), r.desfecho));
            continue;
        }
        if (!r.pendente) {
            // Cut off before the library's reply: there is no sequential number to undo it by.
            m_log.error(
                QStringLiteral("Transação interrompida antes da resposta da biblioteca (%1): verifique-a no TEF")
                    .arg(descricao(r)));
            m_diario->marcar(r.chave, DiarioTransacoes::Estado::NaoResolvida, QStringLiteral("interrompida"));
            continue;
        }
        SequencialInfo pendente = *r.pendente;
        pendente.registro = r.chave;
        if (r.estado == DiarioTransacoes::Estado::Respondida) {
            // The POS has its response and will send CNF or NCN for it.
            m_sequenciais->adicionarSequencial(pendente);
            m_log.info(QStringLiteral("Transação restaurada como pendente (%1)").arg(descricao(r)));
            continue;
        }
        if (r.estado == DiarioTransacoes::Estado::EmEntrega) {
            // The POS may have read the response: undoing it now could leave the
            // POS with a sale it believes approved. Kept pending instead, so the
            // POS's CNF or NCN settles it, or the cashier does at the next operation.
            m_sequenciais->adicionarSequencial(pendente);
            m_log.warning(QStringLiteral("Transação restaurada como pendente (%1); a resposta pode não ter chegado ao "
                                         "PDV: confirme ou desfaça na próxima operação")
                              .arg(descricao(r)));
            continue;
        }
        // Approved, but its response never reached the POS: undone.
        iniciarOperacaoTEF(false);
        if (!m_isTefStarted) {
            m_log.error(QStringLiteral("Transação aprovada sem resposta ao PDV (%1) não pôde ser desfeita agora")
                            .arg(descricao(r)));
            continue;
        }
        const bool desfeita =
            isConfirmado(m_lib->confirmarOperacaoTEF2(pendente.transacao.toUtf8(), pendente.sequencial, 0));
        m_log.error(QStringLiteral("Transação aprovada sem resposta ao PDV (%1): %2")
                        .arg(descricao(r), desfeita ? QStringLiteral("desfeita")
                                                    : QStringLiteral("desfazimento recusado, verifique-a no TEF")));
        m_diario->marcar(
            r.chave, desfeita ? DiarioTransacoes::Estado::Resolvida : DiarioTransacoes::Estado::NaoResolvida,
            desfeita ? QStringLiteral("desfeita na recuperação") : QStringLiteral("desfazimento recusado"));
    }
    // As before the restart: restored entries wait in an open TEF operation.
    if (!m_sequenciais->listaSequenciais().isEmpty())
        iniciarOperacaoTEF(false);
    else
        finalizarOperacaoTEF(false);
}

void Z3_Tef_Controller::avisarConfirmacaoSemCorrespondente()
{
    QString rede, nsu, finalizacao;
    {
        QMutexLocker lock(&m_dados);
        const QJsonObject p = jsonConfigs.value(QStringLiteral("parametros")).toObject();
        rede = p.value(QStringLiteral("nome_rede")).toString();
        nsu = p.value(QStringLiteral("numero_transacao")).toString();
        finalizacao = p.value(QStringLiteral("finalizacao")).toString();
    }
    const auto corresponde = [&](const SequencialInfo &e) {
        return (!finalizacao.isEmpty() && finalizacao.toLongLong() == e.sequencial) ||
               (!nsu.isEmpty() && nsu.toLongLong() == e.nsuTerminal.toLongLong());
    };
    const QList<SequencialInfo> lista = m_sequenciais->listaSequenciais();
    bool achou = !lista.isEmpty();
    if (!finalizacao.isEmpty() || !nsu.isEmpty()) {
        achou =
            std::any_of(lista.begin(), lista.end(), corresponde) ||
            !m_diario
                 ->procurar([&](const DiarioTransacoes::Registro &r) { return r.pendente && corresponde(*r.pendente); })
                 .isEmpty();
    }
    if (!achou)
        m_log.warning(
            QStringLiteral("%1 sem transação pendente correspondente: 010-000 = %2, 012-000 = %3, 027-000 = %4")
                .arg(m_vo.operacao, rede, nsu, finalizacao));
}

// --- collection dialogue --------------------------------------------------------

void Z3_Tef_Controller::limparTela()
{
    emit textChanged(QString());
    emit clearTextFieldInputMask();
    // Nothing typed for one step or sale may be sent again by an untouched OK.
    emit textfiledChanged(QString());
    emit setTextFieldPasswordMode(false);
    mostrarTela(Tela::Limpa);
}

void Z3_Tef_Controller::trataRetorno(const QJsonValue &resposta)
{
    const QJsonObject obj = resposta.toObject();
    if (!obj.contains(QStringLiteral("codigo"))) {
        emit showMessageError(QStringLiteral("ERRO DESCONHECIDO"));
        return;
    }
    if (obj.value(QStringLiteral("codigo")).toInt(0) != 0) {
        const QString mensagem = obj.value(QStringLiteral("mensagem")).toString();
        emit showMessageError(mensagem);
        emit textChanged(mensagem);
        return;
    }
    const QJsonObject tef = obj.value(QStringLiteral("tef")).toObject();
    limparTela();
    QString mensagem = tef.value(QStringLiteral("mensagemResultado")).toString();
    const bool qrCode = mensagem.contains(QLatin1String("QRCODE;"));
    const bool vitra = m_vitra->isHabilitado();

    if (m_pix && qrCode) {
        const QStringList partes = mensagem.split(QLatin1Char(';'), Qt::KeepEmptyParts);
        const QString valor = valorFormatado();
        emit textChanged(QStringLiteral("Leia o QRCode abaixo para realizar o pagamento.\n Valor: ") + valor +
                         QStringLiteral("\n\n\n"));
        emit disableImage(false);
        emit textImageDataChanged(QString::fromLatin1(QByteArray::fromHex(partes.value(1).toLatin1()).toBase64()));
        if (vitra)
            m_vitra->apresentaQRCode(partes.value(2), valor);
    } else {
        if (mensagem.isEmpty() && vitra)
            m_vitra->limpaDisplay();
        if (!mensagem.isEmpty()) {
            if (vitra)
                m_vitra->apresentaMensagem(mensagem);
            m_pix = false;
        }
        if (!mensagem.isEmpty() && !qrCode) {
            if (m_pinPad) {
                mensagem = tef.value(QStringLiteral("resultadoCapturaPinPad")).toString();
                m_pinPad = false;
            }
            emit textChanged(mensagem);
        }
    }

    const QString mascara = getMaskFromPelmora(tef);
    if (!mascara.isEmpty())
        emit setTextFieldInputMask(mascara);
    const QString palavraChave = m_palavraChave;
    if (palavraChave == QLatin1String("transacao_administracao_senha"))
        emit setTextFieldPasswordMode(true);
    emit formatValue(palavraChave == QLatin1String("transacao_valor"));

    const bool lista = tef.contains(QStringLiteral("automacao_coleta_opcao"));
    if (!lista && !tef.contains(QStringLiteral("automacao_coleta_tipo")))
        return; // nothing is asked: the run calls the library again at once
    const QStringList opcoes =
        tef.value(QStringLiteral("automacao_coleta_opcao")).toString().split(QLatin1Char(';'), Qt::KeepEmptyParts);
    if (lista)
        m_opcoes = opcoes;
    const QString inicial = lista ? QString() : valorDaRequisicao(palavraChave, tef, mascara);
    if (!inicial.isEmpty())
        m_log.info(tag +
                   QStringLiteral("Campo %1 iniciado com o valor enviado pelo A/C: %2").arg(palavraChave, inicial));
    // The gate closes before anything the cashier can click reaches the
    // window, so a quick answer is never lost. A text step takes no list position.
    bloquearFluxo(lista ? opcoes.size() : 0);
    if (lista) {
        emit clearItemsList();
        for (const QString &opcao : opcoes)
            emit addItemList(opcao);
        emit disableListView(false);
    } else {
        // After the mask, which lays the value out.
        if (!inicial.isEmpty())
            emit textfiledChanged(inicial);
        emit disableTextField(false);
    }
    mostrarTela(Tela::AguardandoResposta);
}

void Z3_Tef_Controller::onClickButtonOK(QString valorOfTextField, int estado)
{
    registrarResposta(valorOfTextField, estado);
    const int indice = indiceEscolhido(valorOfTextField);
    // An index outside the offered options is refused like an empty input.
    const bool recusado = valorOfTextField.isEmpty() || (estado == 2 && !opcaoOferecida(indice));
    if (recusado) {
        emit showMessageError(QStringLiteral("Preencha um valor!"));
        // The step stays as it was: a list step must not turn into a text field.
        if (estado == 2)
            emit disableListView(false);
        else
            emit disableTextField(false);
        return;
    }
    mostrarProcessando();
    if (estado == 1) {
        responder(RespostaOperador::digitado(valorOfTextField));
    } else if (estado == 2) {
        responder(RespostaOperador::opcao(indice));
    } else {
        emit showMessageError(QStringLiteral("Erro desconhecido!"));
        responder(RespostaOperador());
    }
}

void Z3_Tef_Controller::aplicarResposta(const RespostaOperador &resposta)
{
    QMutexLocker lock(&m_dados);
    switch (resposta.tipo) {
    case RespostaOperador::Tipo::Texto: {
        QString texto = resposta.texto;
        if (m_palavraChave == QLatin1String("transacao_valor")) {
            m_vo.valor = Z3_Tef_Protocolo::semSimboloMoeda(texto);
            texto = formatarValorColetado(texto);
        } else if (m_palavraChave == QLatin1String("transacao_nsu")) {
            m_nsuDigitado = texto;
        }
        jsonConfigs.insert(QStringLiteral("automacao_coleta_informacao"), texto);
        break;
    }
    case RespostaOperador::Tipo::Opcao: {
        const QString opcao = m_opcoes.value(resposta.indice);
        jsonConfigs.insert(QStringLiteral("automacao_coleta_informacao"), opcao);
        if (m_palavraChave == QLatin1String("transacao_tipo_cartao"))
            m_tipoCartaoEscolhido = opcao;
        break;
    }
    case RespostaOperador::Tipo::Voltar:
    case RespostaOperador::Tipo::Cancelar:
        // The cashier gave up the collection.
        jsonConfigs.insert(QStringLiteral("automacao_coleta_retorno"), QStringLiteral("9"));
        break;
    case RespostaOperador::Tipo::Nenhuma:
        break;
    }
}

void Z3_Tef_Controller::mostrarProcessando()
{
    emit textChanged(QStringLiteral("Processando..."));
    mostrarTela(Tela::Processando);
}

void Z3_Tef_Controller::onClickButtonVoltar()
{
    registrarBotao(QStringLiteral("VOLTAR"));
    mostrarProcessando();
    responder(RespostaOperador::voltar());
}

void Z3_Tef_Controller::onClickButtonCancelar()
{
    registrarBotao(QStringLiteral("CANCELAR"));
    mostrarProcessando();
    responder(RespostaOperador::cancelar());
}

// --- pending confirmation and undo ----------------------------------------------

void Z3_Tef_Controller::confirmarOuDesfazer(int indice, int acao)
{
    const QList<SequencialInfo> lista = m_sequenciais->listaSequenciais();
    if (indice < 0 || indice >= lista.size())
        return;
    const SequencialInfo info = lista.at(indice);
    const QByteArray resposta = m_lib->confirmarOperacaoTEF2(info.transacao.toUtf8(), info.sequencial, acao);
    if (isConfirmado(resposta)) {
        m_log.info(QStringLiteral("Transação %1 com sucesso").arg(acaoParticipio(acao)));
        m_diario->marcar(info.registro, DiarioTransacoes::Estado::Resolvida, acaoParticipio(acao));
    } else {
        // Refused: it leaves the list, but stays in the journal for a person to settle.
        m_log.error(QStringLiteral("Erro ao %1 transação").arg(acaoInfinitivo(acao)));
        m_log.error(QStringLiteral("Transação NSU %1 (sequencial %2) não resolvida: verifique-a no TEF")
                        .arg(info.nsuTerminal)
                        .arg(info.sequencial));
        m_diario->marcar(info.registro, DiarioTransacoes::Estado::NaoResolvida,
                         QStringLiteral("%1 recusado").arg(acaoInfinitivo(acao)));
        emit showMessageError(
            QStringLiteral("A transação NSU %1 não pôde ser %2").arg(info.nsuTerminal, acaoParticipio(acao)));
        emit showAviso();
        emit enviaNSU(info.nsuTerminal);
    }
    m_sequenciais->removerSequencial(indice);
}

void Z3_Tef_Controller::resolverPendentes(int acao)
{
    avisarConfirmacaoSemCorrespondente();
    int n = m_sequenciais->listaSequenciais().size();
    m_log.info(QStringLiteral("Número de transações pendentes: %1 (%2)").arg(n).arg(m_vo.operacao));
    if (n == 1) {
        confirmarOuDesfazer(0, acao);
        n = m_sequenciais->listaSequenciais().size();
    } else if (n > 1) {
        int i = 0;
        while (i < n) {
            const int resposta = exibirPendencia(i, n, acao);
            if (resposta == 1) {
                confirmarOuDesfazer(i, acao);
                n = m_sequenciais->listaSequenciais().size();
            } else if (resposta == 0) {
                ++i;
            } else {
                break;
            }
        }
    }
    m_log.info("Fim da operação");
    m_log.info(QStringLiteral("Número de transações (ainda) pendentes: %1").arg(n));
}

RespostaOperador Z3_Tef_Controller::perguntar(const QString &texto, const QStringList &opcoes)
{
    emit showWindow(true);
    limparTela();
    if (m_config.tipoOperacao() == 1)
        disableComponentAutonomo();
    emit textChanged(texto);
    m_opcoes = opcoes;
    emit clearItemsList();
    for (const QString &opcao : opcoes)
        emit addItemList(opcao);
    bloquearFluxo(); // before the buttons show, so a quick answer is never lost
    emit disableListView(false);
    mostrarTela(Tela::AguardandoResposta);
    return aguardarResposta();
}

int Z3_Tef_Controller::exibirPendencia(int indice, int total, int acao)
{
    const QList<SequencialInfo> lista = m_sequenciais->listaSequenciais();
    if (indice < 0 || indice >= lista.size())
        return -1;
    const SequencialInfo info = lista.at(indice);
    m_log.info(QStringLiteral("Exibindo pendência %1/%2").arg(indice + 1).arg(total));
    const RespostaOperador escolha = perguntar(
        QStringLiteral("[%1/%2] Deseja %3 a transação NSU %4?\n%5 - %6")
            .arg(indice + 1)
            .arg(total)
            .arg(acaoInfinitivo(acao), info.nsuTerminal, formataValor(info.valorTotal), info.dataHoraTransacao),
        {QStringLiteral("Sim, %1 a transação").arg(acaoInfinitivo(acao)),
         QStringLiteral("Não, manter a transação pendente")});
    // The first option is yes, any other keeps it; a typed text, VOLTAR or CANCELAR stops asking.
    const int resposta = escolha.tipo == RespostaOperador::Tipo::Opcao ? (escolha.indice == 0 ? 1 : 0) : -1;
    if (resposta == 1) {
        m_log.info(QStringLiteral("Usuário optou por %1 a transação...").arg(acaoInfinitivo(acao)));
    } else if (resposta == 0) {
        m_log.info("Usuário optou por manter a transação pendente");
        emit showAviso();
        emit enviaNSU(m_sequenciais->listaSequenciais().constLast().nsuTerminal);
    } else {
        m_log.info("Usuário cancelou o fluxo de confirmação/desfazimento");
    }
    return resposta;
}

void Z3_Tef_Controller::perguntarPendenteAnterior()
{
    m_log.warning("A/C iniciou uma nova operação sem confirmar a última, que está pendente");
    const QList<SequencialInfo> lista = m_sequenciais->listaSequenciais();
    if (lista.isEmpty()) {
        // Nothing to confirm (the list was cleared): only the open TEF operation remains.
        m_log.info("Nenhuma transação pendente na lista; a operação TEF aberta será finalizada");
        finalizarOperacaoTEF(false);
        return;
    }
    m_log.warning("Solicitando ao usuário se deseja confirmá-la ou mantê-la pendente...");
    const RespostaOperador escolha =
        perguntar(QStringLiteral("Sua última transação está pendente.\nDeseja confirmá-la?"),
                  {QStringLiteral("Sim, confirmar a transação"), QStringLiteral("Não, manter a transação pendente")});
    // Only the first option confirms; anything else keeps it pending.
    if (escolha.tipo == RespostaOperador::Tipo::Opcao && escolha.indice == 0) {
        m_log.info("Usuário optou por confirmar a última transação...");
        confirmarOuDesfazer(lista.size() - 1, 1);
        finalizarOperacaoTEF(false);
    } else {
        m_log.info("Usuário optou por manter a última transação pendente");
        emit showAviso();
        emit enviaNSU(lista.constLast().nsuTerminal);
    }
}
