#include "tef/Z3_Bridge_Controller.h"

#include "tef/Z3_Bridge_Library.h"
#include "util/DadosSensiveis.h"

#include <QJsonDocument>
#include <QMutexLocker>

namespace {

const QString tag = QStringLiteral("[Z3_Bridge_Controller] ");
constexpr int codigoDesconhecido = -9999;
constexpr int qualquerCartao = -1;

QString compacto(const QJsonObject &o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QByteArray resposta(int codigo, const QString &mensagem)
{
    const QJsonObject o{{QStringLiteral("z3_bridge_code"), codigo}, {QStringLiteral("z3_bridge_msg"), mensagem}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

// Which entry point serves an operation, and the header the cashier sees.
struct Despacho
{
    const char *operacao;
    int tipoCartao; // qualquerCartao matches every type
    const char *titulo;
    bool mostraValor;
    QByteArray (*chamar)(Z3_Bridge_Library &lib, const Z3_Bridge_VO &vo);
};

const Despacho despachos[] = {
    {"CRT", 1, "Crédito", true,
     [](Z3_Bridge_Library &lib, const Z3_Bridge_VO &vo) {
         return lib.iniciaVendaCredito(vo.idTransacao, vo.pdv.toUtf8(), vo.valorTotal.toUtf8(), vo.tipoFinanciamento,
                                       vo.numParcelas);
     }},
    {"CRT", 2, "Débito", true,
     [](Z3_Bridge_Library &lib, const Z3_Bridge_VO &vo) {
         return lib.iniciaVendaDebito(vo.idTransacao, vo.pdv.toUtf8(), vo.valorTotal.toUtf8());
     }},
    {"CRT", qualquerCartao, "Venda", true,
     [](Z3_Bridge_Library &lib, const Z3_Bridge_VO &vo) {
         return lib.iniciaVenda(vo.idTransacao, vo.pdv.toUtf8(), vo.valorTotal.toUtf8());
     }},
    {"CNC", qualquerCartao, "Cancelamento", false,
     [](Z3_Bridge_Library &lib, const Z3_Bridge_VO &vo) {
         return lib.iniciaCancelamentoVenda(vo.idTransacao, vo.pdv.toUtf8(), vo.valorTotal.toUtf8(),
                                            vo.dataHora.toUtf8(), vo.nsu.toUtf8());
     }},
    {"ADM", qualquerCartao, "Operação administrativa", false,
     [](Z3_Bridge_Library &lib, const Z3_Bridge_VO &vo) {
         return lib.iniciaOperacaoAdministrativa(vo.idTransacao, vo.pdv.toUtf8(), 0);
     }},
};

const Despacho *despacho(const Z3_Bridge_VO &vo)
{
    for (const Despacho &d : despachos) {
        if (vo.operacao == QLatin1String(d.operacao) &&
            (d.tipoCartao == qualquerCartao || d.tipoCartao == vo.tipoCartao))
            return &d;
    }
    return nullptr;
}

// Answered without the library: the bridge leaves nothing pending to confirm.
bool semTransacao(const QString &operacao)
{
    return operacao == QLatin1String("CNF") || operacao == QLatin1String("NCN") || operacao == QLatin1String("ATV");
}

} // namespace

Z3_Bridge_Controller::Z3_Bridge_Controller(QObject *parent) : Base_Controller(parent), m_lib(new Z3_Bridge_Library)
{
    // No setting is passed: server, password and timeout stay as the library has them.
    if (m_lib->carregar())
        m_log.info(tag + QStringLiteral("API carregada com sucesso"));
    else
        m_log.error(tag + QStringLiteral("Erro ao carregar a biblioteca do Z3_Bridge"));
}

Z3_Bridge_Controller::~Z3_Bridge_Controller()
{
    if (!m_lib->isLoaded())
        return;
    if (m_lib->descarregar())
        m_log.info(tag + QStringLiteral("Biblioteca Z3_Bridge liberada"));
    else
        m_log.error(tag + QStringLiteral("Falha ao liberar biblioteca Z3_Bridge"));
}

bool Z3_Bridge_Controller::bibliotecaCarregada() const
{
    return m_lib->isLoaded();
}

Z3_Bridge_VO Z3_Bridge_Controller::vo()
{
    QMutexLocker lock(&m_dados);
    return m_vo;
}

void Z3_Bridge_Controller::setJsonConfigs(QString value)
{
    m_log.info(tag + QStringLiteral("setJsonConfigs: ") + mascararDadosSensiveis(value));
    QJsonParseError erro{};
    const QJsonDocument doc = QJsonDocument::fromJson(value.toUtf8(), &erro);
    const QJsonObject requisicao = doc.object();
    QMutexLocker lock(&m_dados);
    jsonConfigs = requisicao;
    m_vo = Z3_Bridge_VO::fromRequest(requisicao);
    if (erro.error != QJsonParseError::NoError || !doc.isObject())
        m_msgErro = QStringLiteral("Requisição JSON inválida: ") + erro.errorString();
    else
        m_msgErro = requisicao.value(QStringLiteral("msg_erro")).toString();
}

QJsonObject Z3_Bridge_Controller::montarResultado(const QByteArray &resposta, const Z3_Bridge_VO &vo, QString *status)
{
    QJsonObject resultado = QJsonDocument::fromJson(resposta).object();
    const int codigo = resultado.value(QStringLiteral("z3_bridge_code")).toInt(codigoDesconhecido);
    const QString mensagem =
        resultado.value(QStringLiteral("z3_bridge_msg")).toString(QStringLiteral("Erro desconhecido"));
    if (status) {
        *status = codigo == 0 ? QStringLiteral("[%1] %2")
                                    .arg(resultado.value(QStringLiteral("resultadoTransacao")).toInt(0))
                                    .arg(resultado.value(QStringLiteral("mensagemResultado"))
                                             .toString(QStringLiteral("Fim da transação")))
                              : QStringLiteral("[%1] %2").arg(codigo).arg(mensagem);
    }
    resultado.insert(QStringLiteral("operacao"), vo.operacao);
    resultado.insert(QStringLiteral("z3_pdv"), vo.pdv);
    resultado.insert(QStringLiteral("identificadorTransacaoAutomacao"), QString::number(vo.idTransacao));
    if (codigo != 0) {
        resultado.insert(QStringLiteral("resultadoTransacao"), codigo);
        resultado.insert(QStringLiteral("mensagemResultado"), mensagem);
    }
    return resultado;
}

void Z3_Bridge_Controller::ProcessaTEF()
{
    m_log.info(tag + QStringLiteral("INICIANDO OPERACAO Z3_BRIDGE"));
    Z3_Bridge_VO vo;
    QString msgErro;
    {
        QMutexLocker lock(&m_dados);
        vo = m_vo;
        msgErro = m_msgErro;
    }

    if (semTransacao(vo.operacao)) {
        const QJsonObject resultado{
            {QStringLiteral("header"), vo.operacao},
            {QStringLiteral("identificadorTransacaoAutomacao"), QString::number(vo.idTransacao)}};
        emit responseProcessTEF(compacto(resultado));
        m_log.info(tag + QStringLiteral("FIM DA OPERACAO Z3_BRIDGE"));
        return;
    }

    emit showWindow(true);
    emit disableProgressBar(false);
    emit textChanged(QStringLiteral("Processando transação..."));

    QByteArray respostaBiblioteca;
    if (!msgErro.isEmpty()) {
        // A request the conversion refused may carry a cut amount or none: it
        // never reaches the library, and the POS reads why in the result.
        m_log.error(tag + QStringLiteral("Erro: ") + msgErro);
        emit textChanged(msgErro);
        emit showMessageError(msgErro);
        emit disableProgressBar(true);
        respostaBiblioteca = resposta(codigoDesconhecido, msgErro);
    } else if (!m_lib->isLoaded()) {
        // The POS must not wait for an answer that never comes.
        const QString erro = QStringLiteral("Biblioteca Z3_Bridge não foi carregada");
        m_log.error(tag + erro);
        emit showMessageError(erro);
        respostaBiblioteca = resposta(-2, erro);
    } else if (const Despacho *d = despacho(vo)) {
        QString titulo = QString::fromUtf8(d->titulo);
        if (d->mostraValor)
            titulo += QStringLiteral("\nValor: ") + formataValor(vo.valorTotal);
        emit firstTextChanged(titulo);
        respostaBiblioteca = d->chamar(*m_lib, vo);
    } else {
        emit firstTextChanged(QStringLiteral("Operação desconhecida"));
        respostaBiblioteca = resposta(codigoDesconhecido, QStringLiteral("Operação inválida"));
    }

    QString status;
    const QJsonObject resultado = montarResultado(respostaBiblioteca, vo, &status);
    m_log.info(tag + QStringLiteral("Status: ") + status);
    emit textChanged(status);
    emit disableProgressBar(true);

    QThread::msleep(pausaStatusMs);
    emit showWindow(false);
    emit responseProcessTEF(compacto(resultado));
    emit textChanged(QStringLiteral("%1\n%2").arg(status, QStringLiteral("TEF em processamento....")));
    emit disableProgressBar(false);
    m_log.info(tag + QStringLiteral("FIM DA OPERACAO Z3_BRIDGE"));
}

void Z3_Bridge_Controller::trataRetorno(const QJsonValue &) {}

void Z3_Bridge_Controller::onClickButtonOK(QString, int) {}

void Z3_Bridge_Controller::onClickButtonVoltar() {}

void Z3_Bridge_Controller::onClickButtonCancelar() {}
