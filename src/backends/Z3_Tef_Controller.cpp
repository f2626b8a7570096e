#include "backends/Z3_Tef_Controller.h"

#include "backends/Vitra_Controller.h"
#include "backends/Z3_Tef_Library.h"
#include "backends/Z3_Tef_Protocolo.h"
#include "base/DadosSensiveis.h"
#include "base/MascaraColeta.h"
#include "nucleo/NucleoTransacao.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMutexLocker>
#include <QThread>

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

// An operator's list choice as an index; -1 when it is not a number.
int indiceEscolhido(const QString &texto)
{
    bool ok = false;
    const int i = texto.toInt(&ok);
    return ok ? i : -1;
}

} // namespace

Z3_Tef_Controller::Z3_Tef_Controller(bool displayCliente, QObject *parent)
    : Base_Controller(parent), m_lib(new Z3_Tef_Library), m_vitra(new Vitra_Controller(displayCliente))
{
    m_pix = false;
    m_pinPad = false;
    if (m_lib->carregar()) {
        m_log.info(tag + QStringLiteral("API carregada com sucesso"));
        m_lib->setClientTCP("127.0.0.1", 60906);
    } else {
        m_log.error(tag + QStringLiteral("Erro ao carregar a biblioteca do Z3_Tef"));
    }
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
    delete m_lib;
}

bool Z3_Tef_Controller::bibliotecaCarregada() const
{
    return m_lib->isLoaded();
}

Z3_Tef_VO Z3_Tef_Controller::vo() const
{
    QMutexLocker lock(&m_dados);
    return m_vo;
}

// --- operation parameters and replies -----------------------------------------

void Z3_Tef_Controller::setJsonConfigs(const Requisicao &requisicao)
{
    m_log.info(tag + QStringLiteral("setJsonConfigs\n") +
               mascararDadosSensiveis(Z3_Tef_Protocolo::requisicaoParaLog(requisicao.json)));
    const QJsonObject objeto = requisicao.objeto();
    QMutexLocker lock(&m_dados);
    jsonConfigs = objeto;
    m_vo = Z3_Tef_VO::fromRequest(objeto);
    m_formatoJson = requisicao.formatoJson;
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
    return Janela::formatarValor(valor);
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
    if (op == QLatin1String("CRT")) {
        QString rotulo = rotuloCartao(m_vo.tipo_cartao);
        if (rotulo.isEmpty())
            rotulo = m_tipoCartaoEscolhido;
        janela().mostrarTitulo(QStringLiteral("Venda ") + rotulo + QStringLiteral("\n Valor: ") + valorFormatado());
        resposta = m_lib->realizarPagamentoTEF(m_vo.tipo_cartao, dados, nova);
    } else if (op == QLatin1String("CNC")) {
        janela().mostrarTitulo(QStringLiteral("Cancelamento\n Valor: ") + valorFormatado());
        resposta = m_lib->realizarAdmTEF(1, dados, nova);
    } else if (op == QLatin1String("ADM")) {
        janela().mostrarTitulo(QStringLiteral("Operação Administrativa"));
        resposta = m_lib->realizarAdmTEF(m_vo.codigo_transacao, dados, nova);
    } else if (op == QLatin1String("PIX")) {
        janela().mostrarTitulo(QStringLiteral("Operação Transação PIX"));
        resposta = m_lib->realizarPixTEF(dados, nova);
        m_pix = true;
    } else if (op == QLatin1String("CLT")) {
        janela().mostrarTitulo(QStringLiteral("Captura de dados no PINPAD"));
        janela().mostrarMensagem(QStringLiteral("Verifique o PINPAD!"));
        resposta = m_lib->realizarColetaPinPad(m_vo.opcao_coleta, 1);
        m_pinPad = true;
    } else {
        return false;
    }
    return true;
}

void Z3_Tef_Controller::concluir(const QJsonObject &ultimaResposta, Desfecho &desfecho)
{
    janela().mostrarOcupado(false);
    const std::optional<SequencialInfo> info = Z3_Tef_Protocolo::criarSequencial(ultimaResposta);
    if (!info) {
        m_log.error("Erro ao obter sequencial para confirmação");
        // Without a sequential number nothing can be confirmed or undone later.
        desfecho.desfecho = QStringLiteral("sem sequencial");
        return;
    }
    m_log.info(QStringLiteral("Sequencial obtido da operacao %1 = %2 (%3)")
                   .arg(m_vo.operacao)
                   .arg(info->sequencial)
                   .arg(info->transacao));
    QString requerConfirmacao;
    if (!isRetornoSucesso(ultimaResposta)) {
        requerConfirmacao = QStringLiteral("1");
        desfecho.desfecho = QStringLiteral("negada");
    } else if (!m_formatoJson) {
        desfecho.pendente = *info;
        desfecho.pendente->finalizacao = QString::number(info->sequencial);
        requerConfirmacao = QStringLiteral("2");
    } else {
        const QByteArray confirmacao = m_lib->confirmarOperacaoTEF(info->sequencial, 1);
        const bool confirmada = isConfirmado(confirmacao);
        requerConfirmacao = confirmada ? QStringLiteral("1") : QStringLiteral("2");
        if (!confirmada)
            m_log.error(QStringLiteral("Confirmação do sequencial %1 recusada pela biblioteca").arg(info->sequencial));
        desfecho.desfecho = confirmada ? QStringLiteral("confirmada") : QStringLiteral("confirmação recusada");
        desfecho.naoResolvida = !confirmada;
    }
    desfecho.resultado.insert(QStringLiteral("requer_confirmacao"), requerConfirmacao);
}

Desfecho Z3_Tef_Controller::ProcessaTEF()
{
    limparColeta();
    Desfecho desfecho;
    desfecho.resultado = resultadoSemTransacao();
    const QString op = m_vo.operacao;
    m_log.info(tag + QStringLiteral("Operação identificada: ") + op);
    m_log.info(tag + QStringLiteral("INICIANDO OPERAÇÃO Z3_TEF"));

    if (m_isTefStarted)
        perguntarPendenteAnterior();

    QByteArray ultimaResposta = iniciarOperacaoTEF(false);
    bool skipFinal = false;
    if (!m_isTefStarted)
        ultimaResposta = falhaAoAbrir(ultimaResposta);
    else
        skipFinal = conduzirTransacao(desfecho, ultimaResposta);
    finalizar(desfecho, ultimaResposta, skipFinal);
    return desfecho;
}

QByteArray Z3_Tef_Controller::falhaAoAbrir(const QByteArray &respostaInicio)
{
    janela().avisarErro(QStringLiteral("Erro ao iniciar operação TEF"));
    janela().mostrarMensagem(QStringLiteral("Erro ao iniciar operação TEF"));
    return falhaAoIniciar(respostaInicio);
}

bool Z3_Tef_Controller::conduzirTransacao(Desfecho &desfecho, QByteArray &ultimaResposta)
{
    janela().mostrar();
    janela().mostrarMensagem(QStringLiteral("Processando transação..."));
    janela().mostrarTela(Janela::Tela::AutonomoFechado);
    janela().mostrarTela(Janela::Tela::SemBotoes);
    const QJsonObject ultimoObjeto = coletar(ultimaResposta);
    concluir(ultimoObjeto, desfecho);
    return fecharTransacao(ultimaResposta);
}

QJsonObject Z3_Tef_Controller::coletar(QByteArray &ultimaResposta)
{
    QJsonObject ultimoObjeto;
    bool novaTransacao = true;
    for (;;) {
        // Returns at once on the first pass and after a step that asked nothing.
        aplicarResposta(aguardarResposta());
        janela().mostrarOcupado(true);
        QByteArray dados;
        {
            QMutexLocker lock(&m_dados);
            dados = jsonOperacao(novaTransacao);
        }
        QByteArray resposta;
        if (!despachar(novaTransacao, dados, resposta)) {
            janela().mostrarMensagem(QStringLiteral("Operação não identificada"));
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
           retorno == QLatin1String("0") && !m_formatoJson;
}

void Z3_Tef_Controller::finalizar(Desfecho &desfecho, const QByteArray &ultimaResposta, bool skipFinal)
{
    finalizarOperacaoTEF(skipFinal);
    // The library's members join the result; ours ("header", "id",
    // "requer_confirmacao") are never replaced by a reply.
    const QJsonObject membros = objeto(ultimaResposta);
    for (auto it = membros.begin(); it != membros.end(); ++it)
        if (!desfecho.resultado.contains(it.key()))
            desfecho.resultado.insert(it.key(), it.value());
}

void Z3_Tef_Controller::mostrarDesfecho(const Desfecho &desfecho)
{
    Q_UNUSED(desfecho)
    QThread::msleep(static_cast<unsigned long>(m_pausas.finalZ3TefMs));
    janela().ocultar();
    janela().mostrarMensagem(QStringLiteral("TEF em processamento..."));
    janela().mostrarTela(Janela::Tela::Final);
    m_log.info(tag + QStringLiteral("FINALIZANDO OPERAÇÃO Z3_TEF"));
}

QJsonObject Z3_Tef_Controller::resultadoSemTransacao() const
{
    return {{QStringLiteral("header"), m_vo.operacao}, {QStringLiteral("id"), m_vo.identificacao}};
}

QJsonObject Z3_Tef_Controller::resultadoDeFalha(Falha falha, const QString &mensagem) const
{
    // Codes no library reply uses: the POS reads a plain failure.
    int codigo = -5;
    switch (falha) {
    case Falha::Recusada:
        codigo = -5;
        break;
    case Falha::SemBiblioteca:
        codigo = -2;
        break;
    case Falha::SemDiario:
        codigo = -4;
        break;
    case Falha::NaoSuportada:
        codigo = -3;
        break;
    }
    QJsonObject r = resultadoSemTransacao();
    r.insert(QStringLiteral("codigo"), codigo);
    r.insert(QStringLiteral("mensagem"), mensagem);
    r.insert(QStringLiteral("tef"), QJsonObject{{QStringLiteral("mensagemResultado"), mensagem}});
    return r;
}

// --- collection dialogue --------------------------------------------------------

void Z3_Tef_Controller::limparTela()
{
    janela().mostrarMensagem(QString());
    janela().mostrarTela(Janela::Tela::Limpa);
}

void Z3_Tef_Controller::trataRetorno(const QJsonValue &resposta)
{
    const QJsonObject obj = resposta.toObject();
    if (!obj.contains(QStringLiteral("codigo"))) {
        janela().avisarErro(QStringLiteral("ERRO DESCONHECIDO"));
        return;
    }
    if (obj.value(QStringLiteral("codigo")).toInt(0) != 0) {
        const QString mensagem = obj.value(QStringLiteral("mensagem")).toString();
        janela().avisarErro(mensagem);
        janela().mostrarMensagem(mensagem);
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
        janela().mostrarMensagem(QStringLiteral("Leia o QRCode abaixo para realizar o pagamento.\n Valor: ") + valor +
                                 QStringLiteral("\n\n\n"));
        janela().mostrarQrCode(QString::fromLatin1(QByteArray::fromHex(partes.value(1).toLatin1()).toBase64()));
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
            janela().mostrarMensagem(mensagem);
        }
    }

    Janela::Campo campo;
    campo.mascara = mascaraDaColeta(tef);
    const QString palavraChave = m_palavraChave;
    campo.senha = palavraChave == QLatin1String("transacao_administracao_senha");
    campo.moeda = palavraChave == QLatin1String("transacao_valor");

    const bool lista = tef.contains(QStringLiteral("automacao_coleta_opcao"));
    if (!lista && !tef.contains(QStringLiteral("automacao_coleta_tipo")))
        return; // nothing is asked: the run calls the library again at once
    const QStringList opcoes =
        tef.value(QStringLiteral("automacao_coleta_opcao")).toString().split(QLatin1Char(';'), Qt::KeepEmptyParts);
    if (lista)
        m_opcoes = opcoes;
    // Nothing typed for one step or sale may be sent again by an untouched OK:
    // the field starts empty unless the POS already sent its value.
    if (!lista)
        campo.inicial = valorDaRequisicao(palavraChave, tef, campo.mascara);
    if (!campo.inicial.isEmpty())
        m_log.info(
            tag +
            QStringLiteral("Campo %1 iniciado com o valor enviado pelo A/C: %2").arg(palavraChave, campo.inicial));
    // The gate closes before anything the cashier can click reaches the
    // window, so a quick answer is never lost. A text step takes no list position.
    bloquearFluxo(lista ? opcoes.size() : 0);
    if (lista)
        janela().abrirLista(opcoes);
    else
        janela().abrirCampo(campo);
    janela().mostrarTela(Janela::Tela::AguardandoResposta);
}

void Z3_Tef_Controller::onClickButtonOK(QString valorOfTextField, int estado)
{
    const int indice = indiceEscolhido(valorOfTextField);
    // An index outside the offered options is refused like an empty input.
    const bool recusado = valorOfTextField.isEmpty() || (estado == 2 && !opcaoOferecida(indice));
    if (recusado) {
        // The step stays as it was.
        janela().avisarErro(QStringLiteral("Preencha um valor!"));
        return;
    }
    mostrarProcessando();
    if (estado == 1) {
        responder(RespostaOperador::digitado(valorOfTextField));
    } else if (estado == 2) {
        responder(RespostaOperador::opcao(indice));
    } else {
        janela().avisarErro(QStringLiteral("Erro desconhecido!"));
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
    janela().mostrarMensagem(QStringLiteral("Processando..."));
    janela().mostrarTela(Janela::Tela::Processando);
}

void Z3_Tef_Controller::onClickButtonVoltar()
{
    mostrarProcessando();
    responder(RespostaOperador::voltar());
}

void Z3_Tef_Controller::onClickButtonCancelar()
{
    mostrarProcessando();
    responder(RespostaOperador::cancelar());
}

// --- pending confirmation and undo ----------------------------------------------

bool Z3_Tef_Controller::confirmarOuDesfazer(const SequencialInfo &pendente, int acao)
{
    // After a restart, or once the operation was closed with entries still
    // waiting, the TEF operation is opened again to settle them.
    if (!m_isTefStarted)
        iniciarOperacaoTEF(false);
    if (!m_isTefStarted)
        return false;
    return isConfirmado(m_lib->confirmarOperacaoTEF2(pendente.transacao.toUtf8(), pendente.sequencial, acao));
}

bool Z3_Tef_Controller::confirmar(const SequencialInfo &pendente)
{
    return confirmarOuDesfazer(pendente, 1);
}

bool Z3_Tef_Controller::desfazer(const SequencialInfo &pendente)
{
    return confirmarOuDesfazer(pendente, 0);
}

std::optional<QJsonObject> Z3_Tef_Controller::iniciarResolucao(bool haPendentes)
{
    m_log.info(tag + QStringLiteral("Operação identificada: ") + m_vo.operacao);
    // Entries restored or left over open the TEF operation again; with none, a
    // CNF or NCN finds nothing open to settle.
    if (!m_isTefStarted && haPendentes)
        iniciarOperacaoTEF(false);
    if (m_isTefStarted)
        return std::nullopt;
    janela().avisarErro(QStringLiteral("Erro ao iniciar operação TEF"));
    janela().mostrarMensagem(QStringLiteral("Erro ao iniciar operação TEF"));
    return objeto(jsonNaoIniciada());
}

void Z3_Tef_Controller::encerrarResolucao()
{
    finalizarOperacaoTEF(false);
}

void Z3_Tef_Controller::recuperacaoConcluida(bool haPendentes)
{
    // As before the restart: restored entries wait in an open TEF operation.
    if (haPendentes)
        iniciarOperacaoTEF(false);
    else
        finalizarOperacaoTEF(false);
}

RespostaOperador Z3_Tef_Controller::perguntar(const QString &texto, const QStringList &opcoes)
{
    janela().mostrar();
    limparTela();
    janela().mostrarTela(Janela::Tela::AutonomoFechado);
    janela().mostrarMensagem(texto);
    m_opcoes = opcoes;
    bloquearFluxo(); // before the buttons show, so a quick answer is never lost
    janela().abrirLista(opcoes);
    janela().mostrarTela(Janela::Tela::AguardandoResposta);
    return aguardarResposta();
}

int Z3_Tef_Controller::perguntarPendencia(const SequencialInfo &info, int indice, int total, int acao)
{
    const QString verbo = acao == 1 ? QStringLiteral("confirmar") : QStringLiteral("desfazer");
    m_log.info(QStringLiteral("Exibindo pendência %1/%2").arg(indice + 1).arg(total));
    const RespostaOperador escolha = perguntar(
        QStringLiteral("[%1/%2] Deseja %3 a transação NSU %4?\n%5 - %6")
            .arg(indice + 1)
            .arg(total)
            .arg(verbo, info.nsuTerminal, Janela::formatarValor(info.valorTotal), info.dataHoraTransacao),
        {QStringLiteral("Sim, %1 a transação").arg(verbo), QStringLiteral("Não, manter a transação pendente")});
    // The first option is yes, any other keeps it; a typed text, VOLTAR or CANCELAR stops asking.
    const int resposta = escolha.tipo == RespostaOperador::Tipo::Opcao ? (escolha.indice == 0 ? 1 : 0) : -1;
    if (resposta == 1) {
        m_log.info(QStringLiteral("Usuário optou por %1 a transação...").arg(verbo));
    } else if (resposta == 0) {
        m_log.info("Usuário optou por manter a transação pendente");
        janela().avisarPendencia(nucleo()->pendentes().constLast().nsuTerminal);
    } else {
        m_log.info("Usuário cancelou o fluxo de confirmação/desfazimento");
    }
    return resposta;
}

void Z3_Tef_Controller::perguntarPendenteAnterior()
{
    m_log.warning("A/C iniciou uma nova operação sem confirmar a última, que está pendente");
    const QList<SequencialInfo> lista = nucleo()->pendentes();
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
        nucleo()->resolver(lista.constLast(), 1);
        finalizarOperacaoTEF(false);
    } else {
        m_log.info("Usuário optou por manter a última transação pendente");
        janela().avisarPendencia(lista.constLast().nsuTerminal);
    }
}
