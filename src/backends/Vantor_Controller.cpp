#include "backends/Vantor_Controller.h"

#include "Vantor_Library.h"
#include "base/DadosSensiveis.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMutexLocker>
#include <QThread>

#include <algorithm>
#include <utility>

namespace {

const QString tag = QStringLiteral("[Vantor_Controller] ");

// Operation codes of the JSON request, and those a local menu chooses.
constexpr int opVenda = 0;
constexpr int opDebito = 1;
constexpr int opCredito = 2;
constexpr int opConfiguracao = 4;
constexpr int opCancelamento = 12;
constexpr int opReimpressao = 128;
constexpr int opAdministrativa = -5;
constexpr int opConfirmacao = -6;
constexpr int opDesfazimento = -7;
constexpr int opDesconhecida = -20;
// "resultado" of an operation this product does not serve.
constexpr int resultadoNaoSuportada = -3;

constexpr int fluxoProsseguir = 1;
constexpr int fluxoCancelar = 2;
constexpr int fluxoVoltar = 3;
constexpr int sequenciaFinal = 99;

struct ItemMenu
{
    const char *texto;
    int operacao;
    const char *tipoCartao; // the request's 731-000 that already chose it
};
const ItemMenu menuVenda[] = {{"Pagamento débito", opDebito, "2"}, {"Pagamento crédito", opCredito, "1"}};
const ItemMenu menuAdministrativo[] = {{"Configuração TEF", opConfiguracao, nullptr},
                                       {"Reimpressão de comprovante", opReimpressao, nullptr},
                                       {"Cancelamento de venda", opCancelamento, nullptr}};

template <std::size_t N>
QStringList itens(const ItemMenu (&menu)[N])
{
    QStringList l;
    for (const ItemMenu &i : menu)
        l << QString::fromUtf8(i.texto);
    return l;
}

// The operation a local menu entry stands for; 0 when it is none of them.
int operacaoDoMenu(const QString &entrada)
{
    for (const ItemMenu &i : menuVenda) {
        if (entrada == QString::fromUtf8(i.texto))
            return i.operacao;
    }
    for (const ItemMenu &i : menuAdministrativo) {
        if (entrada == QString::fromUtf8(i.texto))
            return i.operacao;
    }
    return 0;
}

// The entry of a local menu the request already chose by its card type; -1 when none.
int entradaDaRequisicao(const QStringList &entradas, const QString &tipoCartao)
{
    for (const ItemMenu &i : menuVenda) {
        if (tipoCartao == QLatin1String(i.tipoCartao))
            return static_cast<int>(entradas.indexOf(QString::fromUtf8(i.texto)));
    }
    return -1;
}

QString compacto(const QJsonObject &o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QJsonObject objeto(const QString &texto)
{
    return QJsonDocument::fromJson(texto.toUtf8()).object();
}

QJsonObject componente(int codigo, const char *nome, const QString &conteudo, int formato = 0)
{
    return {{QStringLiteral("TipoVisor"), QStringLiteral("operador")},
            {QStringLiteral("CodigoComponenteTela"), codigo},
            {QStringLiteral("NomeComponenteTela"), QString::fromLatin1(nome)},
            {QStringLiteral("ConteudoComponenteTela"), conteudo},
            {QStringLiteral("FormatoDeCaptura"), formato}};
}

// A capture JSON for the log: what the cashier typed may be a password.
QString paraLog(QJsonObject captura)
{
    const QJsonValue info = captura.value(QStringLiteral("InfoCaptura"));
    if (info.isString() && !info.toString().isEmpty())
        captura.insert(QStringLiteral("InfoCaptura"), QStringLiteral("****"));
    return mascararDadosSensiveis(compacto(captura));
}

// The entries of a "listbox" component; none when its content is no JSON object.
QStringList entradasDaLista(QString conteudo)
{
    conteudo.remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    const QJsonObject lista = objeto(conteudo.simplified());
    QStringList entradas;
    for (const QJsonValue &item : lista.value(QStringLiteral("ArrayListBox")).toArray())
        entradas << item.toObject().value(QStringLiteral("ConteudoItem")).toString();
    return entradas;
}

} // namespace

Vantor_Controller::Vantor_Controller(QObject *parent) : Base_Controller(parent), m_lib(new Vantor_Library)
{
    if (m_lib->carregar())
        m_log.info(tag + QStringLiteral("API carregada com sucesso"));
    else
        m_log.error(tag + QStringLiteral("Erro ao carregar a biblioteca da APITEFVarda"));
}

Vantor_Controller::~Vantor_Controller()
{
    // The run uses the library: it ends (a waiting step is cancelled) before the library goes.
    encerrarExecucao();
    // Without a core nobody closed the session on the way out.
    encerrarBiblioteca();
    if (!m_lib->isLoaded())
        return;
    if (m_lib->descarregar())
        m_log.info(tag + QStringLiteral("Biblioteca TEF liberada"));
    else
        m_log.error(tag + QStringLiteral("Falha ao liberar Biblioteca TEF"));
}

bool Vantor_Controller::bibliotecaCarregada() const
{
    return m_lib->isLoaded();
}

void Vantor_Controller::encerrarBiblioteca()
{
    if (m_bibliotecaEncerrada || !m_lib->isLoaded())
        return;
    m_bibliotecaEncerrada = true;
    m_log.info(tag + QStringLiteral("FINALIZANDO Z3_VANTOR_ZODUVUD..."));
    const int n = m_lib->finalizarOperacao(1);
    if (n != 0)
        m_log.error(tag + QStringLiteral("FINALIZAÇÃO DA AUTOMAÇÃO COM PROBLEMAS. CÓD:") + QString::number(n));
    else
        m_log.info(tag + QStringLiteral("Z3_VANTOR_Zoduvud PRONTO PARA SER ENCERRADO COM SEGURANÇA"));
}

QJsonObject Vantor_Controller::capturaInicial(int operacao, const QString &valor)
{
    QString digitos = valor;
    digitos.remove(QLatin1Char(',')).remove(QLatin1Char('.'));
    return {{QStringLiteral("SequenciaCaptura"), 0},
            {QStringLiteral("TipoFluxo"), 0},
            {QStringLiteral("AbortarFluxoCaptura"), false},
            {QStringLiteral("FormatoInfoCaptura"), 0},
            {QStringLiteral("InfoCaptura"), operacao == opConfiguracao ? QJsonValue() : QJsonValue(digitos)}};
}

QJsonObject Vantor_Controller::telaMenu(const QStringList &entradas)
{
    QJsonArray lista;
    for (const QString &e : entradas)
        lista.append(QJsonObject{{QStringLiteral("ConteudoItem"), e}});
    const QJsonArray componentes{
        componente(1, "label", QStringLiteral("LISTA DE OPERAÇÕES")),
        componente(2, "listbox", compacto(QJsonObject{{QStringLiteral("ArrayListBox"), lista}})),
        componente(3, "button", QStringLiteral("Prosseguir")), componente(4, "button", QStringLiteral("Cancelar"))};
    return {{QStringLiteral("ComponentesTela"), componentes}};
}

QJsonObject Vantor_Controller::telaValor(const QString &titulo)
{
    const QJsonArray componentes{componente(1, "label", titulo), componente(2, "textbox", QString(), 4),
                                 componente(3, "button", QStringLiteral("Prosseguir")),
                                 componente(4, "button", QStringLiteral("Cancelar"))};
    return {{QStringLiteral("SequenciaCaptura"), 1},    {QStringLiteral("TipoFluxo"), fluxoProsseguir},
            {QStringLiteral("InfoCaptura"), QString()}, {QStringLiteral("AbortarFluxoCaptura"), false},
            {QStringLiteral("FormatoInfoCaptura"), 0},  {QStringLiteral("ComponentesTela"), componentes}};
}

QJsonObject Vantor_Controller::telaEncerramento(const QString &texto, int status)
{
    return {{QStringLiteral("SequenciaCaptura"), sequenciaFinal},
            {QStringLiteral("TipoFluxo"), fluxoCancelar},
            {QStringLiteral("InfoCaptura"), QString()},
            {QStringLiteral("AbortarFluxoCaptura"), false},
            {QStringLiteral("FormatoInfoCaptura"), 0},
            {QStringLiteral("Status"), status},
            {QStringLiteral("ComponentesTela"), QJsonArray{componente(1, "label", texto)}}};
}

void Vantor_Controller::setJsonConfigs(const Requisicao &requisicao)
{
    const QJsonObject objeto = requisicao.objeto();
    {
        QMutexLocker lock(&m_dados);
        jsonConfigs = objeto;
        m_vo = Vantor_VO::fromRequest(objeto);
    }
    m_log.debug(tag + QStringLiteral("setJsonConfigs") + mascararDadosSensiveis(requisicao.json));
}

int Vantor_Controller::operacaoAtual()
{
    QMutexLocker lock(&m_dados);
    return jsonConfigs.value(QStringLiteral("operacao")).toInt();
}

void Vantor_Controller::definirOperacao(int operacao)
{
    QMutexLocker lock(&m_dados);
    jsonConfigs.insert(QStringLiteral("operacao"), operacao);
}

Desfecho Vantor_Controller::ProcessaTEF()
{
    m_log.info(tag + QStringLiteral("INICIANDO OPERACAO TEF"));
    {
        QMutexLocker lock(&m_dados);
        m_requisicao = jsonConfigs;
        m_resultado = m_vo;
    }
    m_valorDigitado.clear();
    m_itensLista.clear();
    m_respostaCaptura.clear();
    const int operacao = m_requisicao.value(QStringLiteral("operacao")).toInt();

    janela().mostrarTela(Janela::Tela::SemBotoes);
    if (operacao == opDesconhecida) {
        // A header this library has no entry point for: nothing was charged,
        // and the POS must not read an approval.
        const QString motivo = QStringLiteral("Operação não suportada pelo produto TEF");
        m_log.error(tag + motivo + QStringLiteral(": ") + m_resultado.header());
        return {resultadoDeFalha(Falha::NaoSuportada, motivo), std::nullopt, QStringLiteral("não suportada"), false};
    }

    janela().mostrar();
    janela().mostrarOcupado(true);
    m_respostaCaptura = compacto(capturaInicial(
        operacao,
        m_requisicao.value(QStringLiteral("parametros")).toObject().value(QStringLiteral("valor")).toString()));
    if (operacao != opConfiguracao)
        m_valorDigitado = objeto(m_respostaCaptura).value(QStringLiteral("InfoCaptura")).toString();
    m_log.debug(tag + QStringLiteral("JSON IN:") + mascararDadosSensiveis(m_respostaCaptura));

    if (operacao != opConfiguracao) {
        const int autenticacao = m_lib->autenticar();
        if (autenticacao != 0) {
            m_log.error(tag + QStringLiteral("Erro ao autenticar - [Erro:%1]").arg(autenticacao));
            falhar(QStringLiteral("Erro ao autenticar - [Erro:%1]").arg(autenticacao));
            return encerrar(true, autenticacao);
        }
        m_log.info(tag + QStringLiteral("Autenticação realizada com sucesso"));
        const int inicio = m_lib->iniciarOperacao();
        m_log.info(tag + QStringLiteral("Resultado inicio operacao") + QString::number(inicio));
        if (inicio != 0) {
            falhar(QStringLiteral("Erro ao iniciar operação TEF - [Erro:%1]").arg(inicio));
            return encerrar(true, inicio);
        }
    }

    int status = 0;
    const bool ok = dialogo(&status);
    return encerrar(true, ok ? status : resultadoFalha);
}

bool Vantor_Controller::confirmarOuDesfazer(bool confirmar)
{
    m_log.info(tag + (confirmar ? QStringLiteral("CONFIRMAÇÃO DA TRANSAÇÃO")
                                : QStringLiteral("NÃO CONFIRMAÇÃO DA TRANSAÇÃO")));
    const int n = m_lib->confirmarOperacao(confirmar ? 1 : 0);
    if (n != 0) {
        m_log.error(tag +
                    (confirmar ? QStringLiteral("ERRO NA CONFIRMAÇÂO:") : QStringLiteral("ERRO NA CANCELAMENTO:")) +
                    QString::number(n));
        return false;
    }
    m_log.info(tag + (confirmar ? QStringLiteral("CONFIRMAÇÃO DA TRANSAÇÃO: OK")
                                : QStringLiteral("NÃO CONFIRMAÇÃO DA TRANSAÇÃO: OK")));
    const int f = m_lib->finalizarOperacao(0);
    if (f == 0)
        m_log.info(tag + QStringLiteral("TRANSAÇÃO FINALIZADA COM SUCESSO!"));
    else
        m_log.info(tag + QStringLiteral("FINALIZAÇÃO DA TRANSAÇÃO COM PROBLEMAS. CÓD:") + QString::number(f));
    return true;
}

bool Vantor_Controller::confirmar(const SequencialInfo &pendente)
{
    Q_UNUSED(pendente)
    return confirmarOuDesfazer(true);
}

bool Vantor_Controller::desfazer(const SequencialInfo &pendente)
{
    Q_UNUSED(pendente)
    return confirmarOuDesfazer(false);
}

void Vantor_Controller::resolverSemRegistro(int acao)
{
    confirmarOuDesfazer(acao == 1);
}

QJsonObject Vantor_Controller::resultadoSemTransacao() const
{
    QMutexLocker lock(&m_dados);
    Vantor_VO r = m_vo;
    r.setResultado(0);
    return r.json();
}

QJsonObject Vantor_Controller::resultadoDeFalha(Falha falha, const QString &mensagem) const
{
    QMutexLocker lock(&m_dados);
    Vantor_VO r = m_vo;
    r.setTextoOperador(mensagem);
    r.setResultado(falha == Falha::SemBiblioteca  ? Vantor_Library::indisponivel
                   : falha == Falha::NaoSuportada ? resultadoNaoSuportada
                                                  : resultadoFalha);
    return r.json();
}

bool Vantor_Controller::dialogo(int *status)
{
    int tamanho = Vantor_Library::tamanhoInicial;
    m_telaLocal = false;
    for (;;) {
        QThread::msleep(static_cast<unsigned long>(m_pausas.passoVantorMs));
        // A button pressed on a screen that asked nothing (the card prompt's Cancelar) goes with this step.
        const RespostaOperador clique = recolherResposta();
        if (clique.tipo != RespostaOperador::Tipo::Nenhuma)
            aplicarResposta(clique);
        const int operacao = operacaoAtual();
        const QJsonObject captura = objeto(m_respostaCaptura);
        const bool cancelou = captura.value(QStringLiteral("TipoFluxo")).toInt() == fluxoCancelar;
        const QString encerrado = QStringLiteral("Operação encerrada pelo operador");

        QJsonObject resposta;
        m_menuLocal = false;
        const bool local =
            operacao == opVenda || operacao == opAdministrativa ||
            (operacao != opConfiguracao && operacao != opDebito && operacao != opCredito &&
             ((cancelou && m_telaLocal) ||
              (operacao == opCancelamento && captura.value(QStringLiteral("InfoCaptura")).toString().isEmpty() &&
               captura.value(QStringLiteral("SequenciaCaptura")).toInt() == 0)));
        if (local) {
            if (cancelou) {
                resposta = telaEncerramento(encerrado, statusEncerradoOperador);
            } else if (operacao == opVenda || operacao == opAdministrativa) {
                resposta = telaMenu(operacao == opVenda ? itens(menuVenda) : itens(menuAdministrativo));
                m_menuLocal = true;
            } else {
                resposta = telaValor(QStringLiteral("VALOR DA TRANSAÇÃO"));
            }
        } else {
            const Vantor_Library::Passo passo = operacao == opConfiguracao ? Vantor_Library::Passo::Configuracao
                                                : operacao == opDebito || operacao == opCredito
                                                    ? Vantor_Library::Passo::Pagamento
                                                    : Vantor_Library::Passo::Administrativa;
            QString texto;
            QString erro;
            m_log.debug(tag + QStringLiteral("JSON IN:") + paraLog(captura));
            if (!m_lib->passo(passo, operacao, m_respostaCaptura, tamanho, &texto, &erro)) {
                m_log.error(tag + erro);
                falhar(erro);
                return false;
            }
            QJsonParseError parse{};
            const QJsonDocument doc = QJsonDocument::fromJson(texto.toUtf8(), &parse);
            if (!doc.isObject()) {
                const QString motivo =
                    QStringLiteral("Resposta da biblioteca não é um JSON válido: ") + parse.errorString();
                m_log.error(tag + motivo);
                falhar(motivo);
                return false;
            }
            m_respostaCaptura = texto;
            resposta = doc.object();
            m_log.debug(tag + QStringLiteral("JSON OUT:") + mascararDadosSensiveis(texto));
        }
        m_telaLocal = local;

        const int sequencia = resposta.value(QStringLiteral("SequenciaCaptura")).toInt();
        const bool abortar = resposta.value(QStringLiteral("AbortarFluxoCaptura")).toBool();
        *status = resposta.value(QStringLiteral("Status")).toInt();
        m_podeAguardar = sequencia != sequenciaFinal && !abortar;
        trataRetorno(resposta.value(QStringLiteral("ComponentesTela")));
        // Cancelar or Voltar pressed while the library worked answers the screen it brought;
        // a late OK is moot, the library went on by itself.
        const RespostaOperador tardia = std::exchange(m_tardia, RespostaOperador());
        const bool saida =
            tardia.tipo == RespostaOperador::Tipo::Cancelar || tardia.tipo == RespostaOperador::Tipo::Voltar;
        if (!m_podeAguardar) {
            if (saida)
                m_log.warning(tag + QStringLiteral("Botão do operador chegou depois do fim da operação"));
            return true;
        }
        if (saida)
            aplicarResposta(tardia);
        else if (m_aguardar)
            aplicarResposta(aguardarResposta());
    }
}

void Vantor_Controller::aplicarResposta(const RespostaOperador &resposta)
{
    QJsonObject captura = objeto(m_respostaCaptura);
    int fluxo = fluxoProsseguir;
    switch (resposta.tipo) {
    case RespostaOperador::Tipo::Texto: {
        // No text: OK on a screen without a field, only the direction goes.
        if (resposta.texto.isEmpty())
            break;
        captura.insert(QStringLiteral("InfoCaptura"), resposta.texto);
        const int operacao = operacaoAtual();
        if (m_valorDigitado.isEmpty() &&
            (operacao == opVenda || operacao == opDebito || operacao == opCredito || operacao == opCancelamento))
            m_valorDigitado = resposta.texto;
        break;
    }
    case RespostaOperador::Tipo::Opcao: {
        const QString entrada = m_itensLista.value(resposta.indice);
        m_log.debug(tag + QStringLiteral("Opção selecionada: ") + entrada);
        // A local menu chooses the operation; the library's own lists are answered with the entry.
        if (m_menuLocal && operacaoDoMenu(entrada) != 0)
            definirOperacao(operacaoDoMenu(entrada));
        else
            captura.insert(QStringLiteral("InfoCaptura"), entrada);
        break;
    }
    case RespostaOperador::Tipo::Voltar:
        fluxo = fluxoVoltar;
        break;
    case RespostaOperador::Tipo::Cancelar:
    case RespostaOperador::Tipo::Nenhuma:
        fluxo = fluxoCancelar;
        break;
    }
    captura.insert(QStringLiteral("TipoFluxo"), fluxo);
    m_respostaCaptura = compacto(captura);
}

void Vantor_Controller::trataRetorno(const QJsonValue &retorno)
{
    const QJsonArray componentes = retorno.toArray();
    const auto nome = [](const QJsonValue &c) {
        return c.toObject().value(QStringLiteral("NomeComponenteTela")).toString();
    };
    // The gate closes before anything that takes an answer is on screen.
    bool campo = false;
    bool lista = false;
    bool botao = false;
    QStringList entradas;
    for (const QJsonValue &c : componentes) {
        if (nome(c) == QLatin1String("textbox")) {
            campo = true;
        } else if (nome(c) == QLatin1String("listbox")) {
            lista = true;
            entradas = entradasDaLista(c.toObject().value(QStringLiteral("ConteudoComponenteTela")).toString());
        } else if (nome(c) == QLatin1String("button")) {
            const QString texto = c.toObject().value(QStringLiteral("ConteudoComponenteTela")).toString();
            botao = botao || texto == QLatin1String("Prosseguir") || texto == QLatin1String("Voltar") ||
                    texto == QLatin1String("Cancelar");
        }
    }
    m_aguardar = (campo || lista) && m_podeAguardar;
    // A screen that asks nothing still offers its buttons: a customer who walks away from the card
    // prompt must be let go. The library is not held up for them; a press goes with the next step.
    const bool semEspera = !m_aguardar && botao && m_podeAguardar;
    m_telaSemCampo = !campo;
    if (m_aguardar)
        m_tardia = bloquearFluxo(lista && !campo ? static_cast<int>(entradas.size()) : PortaoOperador::qualquerOpcao);
    else if (semEspera)
        m_tardia = bloquearFluxo(0);
    else
        m_tardia = retirarPergunta();

    janela().mostrarTela(Janela::Tela::SemBotoes);
    janela().mostrarTitulo(QString());
    janela().mostrarMensagem(QString());

    const bool configuracao = operacaoAtual() == opConfiguracao;
    QString valor =
        m_requisicao.value(QStringLiteral("parametros")).toObject().value(QStringLiteral("valor")).toString();
    if (valor.isEmpty())
        valor = m_valorDigitado;
    bool primeiroRotulo = true;
    for (const QJsonValue &c : componentes) {
        const QJsonObject o = c.toObject();
        const QString tipo = o.value(QStringLiteral("NomeComponenteTela")).toString();
        const QString conteudo = o.value(QStringLiteral("ConteudoComponenteTela")).toString();
        if (tipo == QLatin1String("label")) {
            if (configuracao) {
                janela().mostrarTitulo(QStringLiteral("CONFIGURAÇÃO"));
                janela().mostrarMensagem(conteudo);
            } else if (o.value(QStringLiteral("TipoVisor")).toString() == QLatin1String("operador")) {
                if (primeiroRotulo) {
                    // Without an amount yet, a header of "R$ 0,00" would mislead.
                    janela().mostrarTitulo(
                        valor.isEmpty() ? conteudo : Janela::formatarValor(valor) + QLatin1Char('\n') + conteudo);
                    primeiroRotulo = false;
                } else {
                    janela().mostrarMensagem(conteudo);
                }
            }
            // The card prompt is no outcome: the POS is told the message before it.
            if (conteudo != QLatin1String("RETIRE O CARTAO"))
                m_resultado.setTextoOperador(conteudo);
        } else if (tipo == QLatin1String("textbox")) {
            // Every screen starts from what the library proposes, never from
            // what the last one left. It does not say which fields are secret.
            Janela::Campo texto;
            texto.inicial = conteudo;
            texto.registrarDigitado = false;
            janela().abrirCampo(texto);
        } else if (tipo == QLatin1String("button")) {
            if (conteudo == QLatin1String("Prosseguir"))
                janela().mostrarBotao(Janela::Botao::Ok, true);
            else if (conteudo == QLatin1String("Voltar"))
                janela().mostrarBotao(Janela::Botao::Voltar, true);
            else if (conteudo == QLatin1String("Cancelar"))
                janela().mostrarBotao(Janela::Botao::Cancelar, true);
        } else if (tipo == QLatin1String("listbox")) {
            m_itensLista = entradas;
            // The POS already said which: the list starts there, for the cashier to check and confirm.
            const QString tipoCartao = m_requisicao.value(QStringLiteral("parametros"))
                                           .toObject()
                                           .value(QStringLiteral("tipo_cartao"))
                                           .toString();
            const int escolhida = m_menuLocal ? entradaDaRequisicao(entradas, tipoCartao.trimmed()) : -1;
            janela().abrirLista(entradas, std::max(escolhida, 0));
            if (escolhida >= 0) {
                m_log.info(tag + QStringLiteral("Lista iniciada em %1, como o A/C enviou (731-000 = %2)")
                                     .arg(entradas.at(escolhida), tipoCartao));
            }
            janela().mostrarMensagem(QStringLiteral("Selecione"));
        } else if (tipo == QLatin1String("comprovanteloja")) {
            m_resultado.setComprovanteLoja(conteudo);
        } else if (tipo == QLatin1String("comprovantecliente")) {
            m_resultado.setComprovanteCliente(conteudo);
        } else if (tipo == QLatin1String("dadostransacao")) {
            m_resultado.setDadosTransacao(conteudo);
        }
    }
}

void Vantor_Controller::onClickButtonOK(QString valorOfTextField, int estado)
{
    if (estado == 1) {
        if (valorOfTextField.isEmpty() && m_telaSemCampo) {
            if (responder(RespostaOperador::digitado(QString())))
                janela().mostrarOcupado(true);
            return;
        }
        if (valorOfTextField.isEmpty()) {
            janela().avisarErro(QStringLiteral("Preencha um valor!"));
            return;
        }
        if (responder(RespostaOperador::digitado(valorOfTextField)))
            janela().mostrarOcupado(true);
        return;
    }
    if (estado == 2) {
        bool numero = false;
        const int indice = valorOfTextField.toInt(&numero);
        // An index outside the entries shown is refused like an empty input; the list stays.
        if (!numero || !opcaoOferecida(indice)) {
            janela().avisarErro(QStringLiteral("Preencha um valor!"));
            return;
        }
        if (responder(RespostaOperador::opcao(indice)))
            janela().mostrarOcupado(true);
        return;
    }
    janela().mostrarMensagem(QStringLiteral("ERRO"));
}

void Vantor_Controller::onClickButtonVoltar()
{
    if (responder(RespostaOperador::voltar()))
        janela().mostrarOcupado(true);
}

void Vantor_Controller::onClickButtonCancelar()
{
    if (responder(RespostaOperador::cancelar()))
        janela().mostrarOcupado(true);
}

void Vantor_Controller::falhar(const QString &erro)
{
    m_resultado.setTextoOperador(erro);
    janela().mostrarMensagem(erro);
    janela().avisarErro(erro);
}

Desfecho Vantor_Controller::encerrar(bool janelaAberta, int resultado)
{
    janela().mostrarOcupado(false);
    m_resultado.setResultado(resultado);
    // What the run carried out, once a menu chose it: the cashier's receipts are named after it.
    m_resultado.setOperacao(operacaoAtual());
    m_janelaAberta = janelaAberta;
    m_valorDigitado.clear();
    Desfecho desfecho{m_resultado.json(), std::nullopt, QString(), false};
    // An approval carries its transaction data: the library keeps it pending
    // until it is confirmed or undone.
    const QString dados = m_resultado.dadosTransacao();
    if (resultado != 0 || dados.isEmpty()) {
        desfecho.desfecho = resultado == 0 ? QStringLiteral("concluída") : QStringLiteral("negada");
        return desfecho;
    }
    SequencialInfo venda;
    venda.transacao = operacaoAtual() == opCancelamento ? QStringLiteral("Cancelamento") : QStringLiteral("Venda");
    QString data;
    QString hora;
    for (const QString &item : dados.split(QLatin1Char(','))) {
        const QString chave = item.section(QLatin1Char(':'), 0, 0).trimmed();
        const QString valor = item.section(QLatin1Char(':'), 1, 1).trimmed();
        if (chave == QLatin1String("Nsu"))
            venda.nsuTerminal = valor;
        else if (chave == QLatin1String("ValorTrans"))
            venda.valorTotal = valor;
        else if (chave == QLatin1String("DataTrans"))
            data = valor;
        else if (chave == QLatin1String("HoraTrans"))
            hora = valor;
    }
    venda.dataHoraTransacao = (data + QLatin1Char(' ') + hora).trimmed();
    desfecho.pendente = venda;
    return desfecho;
}

void Vantor_Controller::mostrarDesfecho(const Desfecho &desfecho)
{
    Q_UNUSED(desfecho)
    // The cashier reads the outcome before the window goes; without a window there is nothing to read.
    if (m_janelaAberta) {
        QThread::msleep(static_cast<unsigned long>(m_pausas.finalVantorMs));
        janela().ocultar();
    }
    m_janelaAberta = false;
    m_log.info(tag + QStringLiteral("FIM DA OPERACAO TEF"));
}
