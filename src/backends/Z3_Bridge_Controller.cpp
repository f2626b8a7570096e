#include "backends/Z3_Bridge_Controller.h"

#include "Z3_Bridge_Library.h"
#include "base/DadosSensiveis.h"
#include "base/ValorDigitado.h"

#include <QJsonDocument>
#include <QMutexLocker>
#include <QThread>

namespace {

const QString tag = QStringLiteral("[Z3_Bridge_Controller] ");
constexpr int codigoDesconhecido = -9999;
// The cashier gave up before the library was called.
constexpr int codigoCanceladoOperador = -1;
constexpr int qualquerCartao = -1;

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

// A reply that says the library carried the operation out.
bool aprovada(const QJsonObject &resposta)
{
    return resposta.value(QStringLiteral("z3_bridge_code")).toInt(codigoDesconhecido) == 0 &&
           resposta.value(QStringLiteral("resultadoTransacao")).toInt(-1) == 0;
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

Z3_Bridge_VO Z3_Bridge_Controller::vo() const
{
    QMutexLocker lock(&m_dados);
    return m_vo;
}

void Z3_Bridge_Controller::setJsonConfigs(const Requisicao &requisicao)
{
    m_log.info(tag + QStringLiteral("setJsonConfigs: ") + mascararDadosSensiveis(requisicao.json));
    const QJsonObject objeto = requisicao.objeto();
    QMutexLocker lock(&m_dados);
    jsonConfigs = objeto;
    m_vo = Z3_Bridge_VO::fromRequest(objeto);
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

Desfecho Z3_Bridge_Controller::ProcessaTEF()
{
    m_log.info(tag + QStringLiteral("INICIANDO OPERACAO Z3_BRIDGE"));
    Z3_Bridge_VO vo = this->vo();
    janela().mostrar();
    // A sale without an amount (the cashier's own) asks it first: the library
    // would charge whatever it is given.
    if (vo.operacao == QLatin1String("CRT") && vo.valorTotal.isEmpty()) {
        vo.valorTotal = perguntarValor();
        if (vo.valorTotal.isEmpty()) {
            m_log.info(tag + QStringLiteral("Venda cancelada pelo operador antes da biblioteca"));
            Desfecho desfecho;
            desfecho.resultado = montarResultado(
                resposta(codigoCanceladoOperador, QStringLiteral("Operação cancelada pelo operador")), vo, &m_status);
            desfecho.desfecho = QStringLiteral("cancelada pelo operador");
            return desfecho;
        }
        QMutexLocker lock(&m_dados);
        m_vo.valorTotal = vo.valorTotal;
    }
    janela().mostrarOcupado(true);
    janela().mostrarMensagem(QStringLiteral("Processando transação..."));

    QByteArray respostaBiblioteca;
    if (const Despacho *d = despacho(vo)) {
        QString titulo = QString::fromUtf8(d->titulo);
        if (d->mostraValor)
            titulo += QStringLiteral("\nValor: ") + Janela::formatarValor(vo.valorTotal);
        janela().mostrarTitulo(titulo);
        respostaBiblioteca = d->chamar(*m_lib, vo);
    } else {
        janela().mostrarTitulo(QStringLiteral("Operação desconhecida"));
        respostaBiblioteca = resposta(codigoDesconhecido, QStringLiteral("Operação inválida"));
    }

    Desfecho desfecho;
    desfecho.resultado = montarResultado(respostaBiblioteca, vo, &m_status);
    m_log.info(tag + QStringLiteral("Status: ") + m_status);
    const QJsonObject r = QJsonDocument::fromJson(respostaBiblioteca).object();
    if (vo.operacao == QLatin1String("CRT") && aprovada(r)) {
        // What its cancellation will need, should the POS never have it or abandon it.
        SequencialInfo venda;
        venda.transacao = QStringLiteral("Venda");
        venda.nsuTerminal = r.value(QStringLiteral("nsuTerminal")).toString();
        venda.valorTotal = vo.valorTotal;
        venda.dataHoraTransacao = r.value(QStringLiteral("dataHoraTransacao")).toString();
        venda.identificacao = QString::number(vo.idTransacao);
        venda.pdv = vo.pdv;
        venda.finalizacao = r.value(QStringLiteral("identificadorConfirmacaoTransacao")).toString();
        desfecho.pendente = venda;
    } else {
        desfecho.desfecho = aprovada(r) ? QStringLiteral("aprovada") : QStringLiteral("negada");
    }
    return desfecho;
}

void Z3_Bridge_Controller::mostrarDesfecho(const Desfecho &desfecho)
{
    Q_UNUSED(desfecho)
    janela().mostrarMensagem(m_status);
    janela().mostrarOcupado(false);
    QThread::msleep(static_cast<unsigned long>(m_pausas.statusBridgeMs));
    janela().ocultar();
    janela().mostrarMensagem(QStringLiteral("%1\n%2").arg(m_status, QStringLiteral("TEF em processamento....")));
    janela().mostrarOcupado(true);
    m_log.info(tag + QStringLiteral("FIM DA OPERACAO Z3_BRIDGE"));
}

bool Z3_Bridge_Controller::confirmar(const SequencialInfo &pendente)
{
    m_log.info(tag + QStringLiteral("Venda NSU %1 confirmada pelo A/C").arg(pendente.nsuTerminal));
    return true;
}

bool Z3_Bridge_Controller::desfazer(const SequencialInfo &pendente)
{
    bool ok = false;
    const int id = pendente.identificacao.toInt(&ok);
    m_log.info(tag + QStringLiteral("Cancelando a venda NSU %1").arg(pendente.nsuTerminal));
    const QJsonObject r =
        QJsonDocument::fromJson(
            m_lib->iniciaCancelamentoVenda(ok ? id : -1, pendente.pdv.toUtf8(), pendente.valorTotal.toUtf8(),
                                           pendente.dataHoraTransacao.toUtf8(), pendente.nsuTerminal.toUtf8()))
            .object();
    QString status;
    montarResultado(QJsonDocument(r).toJson(QJsonDocument::Compact), Z3_Bridge_VO(), &status);
    m_log.info(tag + QStringLiteral("Cancelamento da venda NSU %1: %2").arg(pendente.nsuTerminal, status));
    return aprovada(r);
}

QJsonObject Z3_Bridge_Controller::resultadoSemTransacao() const
{
    const Z3_Bridge_VO v = vo();
    return {{QStringLiteral("header"), v.operacao},
            {QStringLiteral("identificadorTransacaoAutomacao"), QString::number(v.idTransacao)}};
}

QJsonObject Z3_Bridge_Controller::resultadoDeFalha(Falha falha, const QString &mensagem) const
{
    const int codigo = falha == Falha::SemBiblioteca ? -2 : falha == Falha::SemDiario ? -4 : codigoDesconhecido;
    return montarResultado(resposta(codigo, mensagem), vo(), nullptr);
}

QString Z3_Bridge_Controller::perguntarValor()
{
    // Closed before the field is on screen: a quick answer is never lost. A typed value takes no list position.
    bloquearFluxo(0);
    janela().mostrarTitulo(QStringLiteral("Venda"));
    janela().mostrarMensagem(QStringLiteral("Digite o valor da venda"));
    Janela::Campo valor;
    valor.moeda = true;
    janela().abrirCampo(valor);
    janela().mostrarTela(Janela::Tela::AguardandoResposta);
    const RespostaOperador r = aguardarResposta();
    janela().mostrarTela(Janela::Tela::Processando);
    return r.tipo == RespostaOperador::Tipo::Texto ? centavosDigitados(r.texto) : QString();
}

void Z3_Bridge_Controller::onClickButtonOK(QString valorOfTextField, int estado)
{
    if (estado != 1)
        return;
    if (centavosDigitados(valorOfTextField).isEmpty()) {
        janela().avisarErro(QStringLiteral("Preencha um valor!"));
        return;
    }
    if (responder(RespostaOperador::digitado(valorOfTextField)))
        janela().mostrarOcupado(true);
}

void Z3_Bridge_Controller::onClickButtonCancelar()
{
    if (responder(RespostaOperador::cancelar()))
        janela().mostrarOcupado(true);
}
