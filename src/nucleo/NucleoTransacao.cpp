#include "nucleo/NucleoTransacao.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QMutexLocker>

#include <algorithm>
#include <utility>

namespace {

const QString tag = QStringLiteral("[NucleoTransacao] ");

QString compacto(const QJsonObject &o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QString acaoInfinitivo(int acao)
{
    return acao == 1 ? QStringLiteral("confirmar") : QStringLiteral("desfazer");
}

QString acaoParticipio(int acao)
{
    return acao == 1 ? QStringLiteral("confirmada") : QStringLiteral("desfeita");
}

// The operations whose library call may move money: the journal has them first.
bool moveDinheiro(const QString &op)
{
    return op == QLatin1String("CRT") || op == QLatin1String("CNC") || op == QLatin1String("ADM") ||
           op == QLatin1String("PIX");
}

QString descricao(const SequencialInfo &p)
{
    QString texto = QStringLiteral("NSU %1").arg(p.nsuTerminal);
    if (p.sequencial != 0)
        texto += QStringLiteral(" (sequencial %1)").arg(p.sequencial);
    return texto;
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

// Two numbers a POS may write with or without leading zeros.
bool mesmoNumero(const QString &a, const QString &b)
{
    bool okA = false;
    bool okB = false;
    const qlonglong na = a.trimmed().toLongLong(&okA);
    const qlonglong nb = b.trimmed().toLongLong(&okB);
    return okA && okB ? na == nb : a.trimmed() == b.trimmed();
}

// What a CNF or NCN says of the transaction it settles.
struct Alvo
{
    int registro = -1;
    QString nsu;
    QString finalizacao;
    QString rede;

    bool nomeado() const { return registro >= 0 || !nsu.isEmpty() || !finalizacao.isEmpty(); }
    bool corresponde(const SequencialInfo &p) const
    {
        if (registro >= 0)
            return p.registro == registro;
        const QString final =
            p.finalizacao.isEmpty() && p.sequencial != 0 ? QString::number(p.sequencial) : p.finalizacao;
        return (!nsu.isEmpty() && mesmoNumero(nsu, p.nsuTerminal)) ||
               (!finalizacao.isEmpty() && !final.isEmpty() && mesmoNumero(finalizacao, final));
    }
};

// Who started a transaction, as the history names it; a confirmation settles the cashier's own sale.
QString origemDe(const Requisicao &r)
{
    return r.doPdv() ? QStringLiteral("pdv") : QStringLiteral("operador");
}

const QString origemRecuperacao = QStringLiteral("recuperacao");

Alvo alvo(const Requisicao &r)
{
    const QJsonObject p = r.objeto().value(QLatin1String("parametros")).toObject();
    Alvo a;
    a.registro = r.registro;
    a.nsu = p.value(QLatin1String("numero_transacao")).toString().trimmed();
    a.finalizacao = p.value(QLatin1String("finalizacao")).toString().trimmed();
    a.rede = p.value(QLatin1String("nome_rede")).toString();
    return a;
}

} // namespace

class NucleoTransacao::Execucao : public QThread
{
public:
    explicit Execucao(NucleoTransacao &nucleo) : m_nucleo(nucleo) {}

protected:
    void run() override { m_nucleo.executar(); }

private:
    NucleoTransacao &m_nucleo;
};

NucleoTransacao::NucleoTransacao(DialogoTef &backend, int produto, const QString &arquivoDiario, QObject *parent)
    : QObject(parent), m_backend(backend), m_produto(produto), m_diario(arquivoDiario),
      m_execucao(std::make_unique<Execucao>(*this))
{
    qRegisterMetaType<Requisicao>();
    m_backend.m_nucleo = this;
    connect(m_execucao.get(), &QThread::finished, this, &NucleoTransacao::aoTerminar);
}

NucleoTransacao::~NucleoTransacao()
{
    encerrar(ULONG_MAX);
    m_backend.m_nucleo = nullptr;
}

bool NucleoTransacao::emExecucao() const
{
    return m_execucao->isRunning();
}

void NucleoTransacao::encerrar(unsigned long prazoMs)
{
    m_backend.encerrarDialogo();
    {
        // A run waiting for the word on its response gets it now: nobody will give it.
        QMutexLocker lock(&m_entregaMutex);
        m_entregaCondicao.wakeAll();
    }
    m_encerrado = true;
    if (!m_execucao->wait(prazoMs)) {
        // The library is busy with it: a call now would cross the running one.
        m_log.error(tag + QStringLiteral("Operação ainda em andamento ao encerrar o programa"));
        return;
    }
    if (!std::exchange(m_bibliotecaEncerrada, true))
        m_backend.encerrarBiblioteca();
}

void NucleoTransacao::submeter(Requisicao requisicao)
{
    requisicao.numero = m_proximoNumero++;
    if (m_execucao->isRunning() || m_encerrado) {
        // Whoever sent it should have held the thread first: answered, never swapped in. Once the
        // program ends, the library's session is closed: nothing may reach it any more.
        const QString motivo =
            m_encerrado ? QStringLiteral("Programa em encerramento") : QStringLiteral("Outra operação em andamento");
        m_log.error(tag + QStringLiteral("Requisição %1 recusada: %2").arg(requisicao.header(), motivo));
        const Requisicao r = requisicao;
        QMetaObject::invokeMethod(
            this,
            [this, r, motivo] {
                emit resultado(r, compacto(m_backend.resultadoDeFalha(DialogoTef::Falha::Recusada, motivo)), -1);
                emit concluida(r);
            },
            Qt::QueuedConnection);
        return;
    }
    m_atual = requisicao;
    emit iniciada(m_atual);
    m_execucao->start();
}

void NucleoTransacao::aoTerminar()
{
    emit concluida(m_atual);
}

// --- one request, on the transaction thread ----------------------------------------

void NucleoTransacao::executar()
{
    const Requisicao r = m_atual;
    m_backend.setJsonConfigs(r);
    const QString header = r.header();
    const QString recusa = r.motivoRecusa();
    if (!recusa.isEmpty()) {
        // A request the conversion refused may carry a cut amount or none at
        // all: no library sees it, and the POS reads a plain failure.
        falhar(r, DialogoTef::Falha::Recusada, QStringLiteral("Requisição inválida"), recusa);
        return;
    }
    if (header == QLatin1String("ATV")) {
        entregar(r, m_backend.resultadoSemTransacao(), std::nullopt);
        return;
    }
    if (!m_backend.bibliotecaCarregada()) {
        // The POS must not wait for a response that never comes.
        falhar(r, DialogoTef::Falha::SemBiblioteca, QStringLiteral("Biblioteca indisponível"),
               QStringLiteral("Biblioteca %1 não foi carregada").arg(m_backend.nomeBiblioteca()));
        return;
    }
    if (header == QLatin1String("CNF") || header == QLatin1String("NCN")) {
        resolverConfirmacao(r, header == QLatin1String("CNF") ? 1 : 0);
        return;
    }
    realizar(r);
}

void NucleoTransacao::falhar(const Requisicao &r, DialogoTef::Falha falha, const QString &titulo, const QString &motivo)
{
    m_log.error(tag + QStringLiteral("%1, nenhuma transação realizada: %2").arg(titulo, motivo));
    m_backend.mostrarFalha(titulo, motivo);
    QThread::msleep(static_cast<unsigned long>(m_pausas.mensagemFalhaMs));
    m_backend.ocultarJanela();
    entregar(r, m_backend.resultadoDeFalha(falha, motivo), std::nullopt);
}

void NucleoTransacao::realizar(const Requisicao &r)
{
    const QString header = r.header();
    int registro = -1;
    if (moveDinheiro(header)) {
        // Nothing that may move money reaches the library before the journal
        // has it: a crash from here on leaves a record to finish at the next start.
        registro = m_diario.abrir(header, r.identificacao(), r.formatoJson, m_produto);
        if (registro < 0) {
            falhar(r, DialogoTef::Falha::SemDiario, QStringLiteral("Diário indisponível"),
                   QStringLiteral("Diário de transações indisponível"));
            return;
        }
    }
    const Desfecho d = m_backend.ProcessaTEF();
    std::optional<SequencialInfo> pendente = d.pendente;
    if (pendente) {
        pendente->registro = registro;
        // Before the cashier's closing screen: a crash while it shows must find
        // the approval on the disk, to undo it at the next start.
        if (registro >= 0 && !m_diario.aprovar(registro, *pendente))
            m_log.error(tag +
                        QStringLiteral("Transação %1 aprovada fora do diário de transações").arg(descricao(*pendente)));
        m_pendentes.adicionarSequencial(*pendente);
    } else if (registro >= 0) {
        m_diario.marcar(registro,
                        d.naoResolvida ? DiarioTransacoes::Estado::NaoResolvida : DiarioTransacoes::Estado::Resolvida,
                        d.desfecho.isEmpty() ? QStringLiteral("sem transação pendente") : d.desfecho);
    }
    if (registro >= 0 && m_observador) {
        FimTransacao fim;
        fim.origem = origemDe(r);
        fim.produto = m_produto;
        fim.operacao = header;
        fim.registro = registro;
        fim.resultado = d.resultado;
        fim.valorRequisicao =
            r.objeto().value(QLatin1String("parametros")).toObject().value(QLatin1String("valor")).toString();
        fim.pendente = pendente;
        if (pendente)
            fim.situacao = FimTransacao::Situacao::Pendente;
        else if (d.naoResolvida)
            fim.situacao = FimTransacao::Situacao::NaoResolvida;
        m_observador(fim);
    }
    m_backend.mostrarDesfecho(d);
    entregar(r, d.resultado, pendente);
}

void NucleoTransacao::entregar(const Requisicao &r, const QJsonObject &resultadoJson,
                               const std::optional<SequencialInfo> &pendente)
{
    const QString dados = compacto(resultadoJson);
    const bool acompanhar = pendente && r.doPdv() && m_acompanharEntrega;
    // From here a crash may come after the POS read the response: the sale must
    // not then be undone behind its back at the next start.
    if (pendente)
        m_diario.marcar(pendente->registro, DiarioTransacoes::Estado::EmEntrega);
    if (acompanhar) {
        QMutexLocker lock(&m_entregaMutex);
        m_numeroEmEntrega = r.numero;
        m_entrega = -1;
    }
    emit resultado(r, dados, pendente ? pendente->registro : -1);
    if (!pendente)
        return;
    bool entregue = true;
    if (acompanhar) {
        QMutexLocker lock(&m_entregaMutex);
        const QDeadlineTimer prazo(m_pausas.gravacaoRespostaMs + m_pausas.margemEntregaMs);
        while (m_entrega < 0 && m_entregaCondicao.wait(&m_entregaMutex, prazo)) {
            if (QCoreApplication::closingDown())
                break;
        }
        entregue = m_entrega == 1;
        m_numeroEmEntrega = 0;
    }
    if (entregue)
        m_diario.marcar(pendente->registro, DiarioTransacoes::Estado::Respondida);
    else
        desfazerNaoEntregue(*pendente);
}

void NucleoTransacao::respostaGravada(quint64 numero, bool gravada)
{
    QMutexLocker lock(&m_entregaMutex);
    if (numero == 0 || numero != m_numeroEmEntrega)
        return;
    m_entrega = gravada ? 1 : 0;
    m_entregaCondicao.wakeAll();
}

void NucleoTransacao::desfazerNaoEntregue(const SequencialInfo &pendente)
{
    // The POS never learned of this sale: it must not stay charged.
    m_log.error(tag + QStringLiteral("Resposta da transação %1 não chegou ao PDV: a transação será desfeita")
                          .arg(descricao(pendente)));
    const bool desfeita = resolver(pendente, 0);
    if (m_pendentes.listaSequenciais().isEmpty())
        m_backend.encerrarResolucao();
    if (desfeita)
        m_backend.avisarNaoResolvida(
            QStringLiteral("A resposta não chegou à automação: transação NSU %1 desfeita").arg(pendente.nsuTerminal),
            QString());
}

// --- CNF and NCN ------------------------------------------------------------------

void NucleoTransacao::avisarLiquidacao(const QString &origem, int registro, FimTransacao::Situacao situacao)
{
    if (!m_observador)
        return;
    const std::optional<DiarioTransacoes::Registro> r = m_diario.registro(registro);
    if (!r)
        return;
    FimTransacao fim;
    fim.origem = origem;
    fim.produto = r->produto;
    fim.operacao = r->operacao;
    fim.registro = registro;
    fim.pendente = r->pendente;
    fim.liquidacao = r->pendente.has_value();
    fim.situacao = situacao;
    m_observador(fim);
}

bool NucleoTransacao::resolver(const SequencialInfo &pendente, int acao)
{
    const bool feito = acao == 1 ? m_backend.confirmar(pendente) : m_backend.desfazer(pendente);
    if (feito) {
        m_log.info(QStringLiteral("Transação %1 com sucesso").arg(acaoParticipio(acao)));
        m_diario.marcar(pendente.registro, DiarioTransacoes::Estado::Resolvida, acaoParticipio(acao));
    } else {
        // Refused: it leaves the list, but stays in the journal for a person to settle.
        m_log.error(QStringLiteral("Erro ao %1 transação").arg(acaoInfinitivo(acao)));
        m_log.error(QStringLiteral("Transação %1 não resolvida: verifique-a no TEF").arg(descricao(pendente)));
        m_diario.marcar(pendente.registro, DiarioTransacoes::Estado::NaoResolvida,
                        QStringLiteral("%1 recusado").arg(acaoInfinitivo(acao)));
        m_backend.avisarNaoResolvida(
            QStringLiteral("A transação NSU %1 não pôde ser %2").arg(pendente.nsuTerminal, acaoParticipio(acao)),
            pendente.nsuTerminal);
    }
    using S = FimTransacao::Situacao;
    avisarLiquidacao(origemDe(m_atual), pendente.registro,
                     feito ? (acao == 1 ? S::Aprovada : S::Desfeita) : S::NaoResolvida);
    m_pendentes.removerRegistro(pendente.registro);
    return feito;
}

void NucleoTransacao::resolverConfirmacao(const Requisicao &r, int acao)
{
    const Alvo a = alvo(r);
    QList<SequencialInfo> candidatos = m_pendentes.listaSequenciais();
    if (a.nomeado()) {
        // The POS names the transaction it settles: only that one, never another that happens to wait.
        candidatos.erase(std::remove_if(candidatos.begin(), candidatos.end(),
                                        [&a](const SequencialInfo &p) { return !a.corresponde(p); }),
                         candidatos.end());
    }
    if (candidatos.isEmpty()) {
        const bool jaResolvida = a.nomeado() && !m_diario
                                                     .procurar([&a](const DiarioTransacoes::Registro &reg) {
                                                         return reg.pendente &&
                                                                reg.estado == DiarioTransacoes::Estado::Resolvida &&
                                                                a.corresponde(*reg.pendente);
                                                     })
                                                     .isEmpty();
        if (jaResolvida)
            m_log.info(QStringLiteral("%1 de transação já resolvida: 012-000 = %2, 027-000 = %3")
                           .arg(r.header(), a.nsu, a.finalizacao));
        else
            m_log.warning(
                QStringLiteral("%1 sem transação pendente correspondente: 010-000 = %2, 012-000 = %3, 027-000 = %4")
                    .arg(r.header(), a.rede, a.nsu, a.finalizacao));
    }
    if (const std::optional<QJsonObject> falha = m_backend.iniciarResolucao(!candidatos.isEmpty())) {
        QJsonObject resultado = m_backend.resultadoSemTransacao();
        for (auto it = falha->begin(); it != falha->end(); ++it)
            if (!resultado.contains(it.key()))
                resultado.insert(it.key(), it.value());
        entregar(r, resultado, std::nullopt);
        return;
    }
    if (candidatos.isEmpty() && !a.nomeado())
        m_backend.resolverSemRegistro(acao);

    int n = candidatos.size();
    m_log.info(QStringLiteral("Número de transações pendentes: %1 (%2)").arg(n).arg(r.header()));
    if (n == 1) {
        resolver(candidatos.takeFirst(), acao);
    } else {
        // Several wait and the request names none: the cashier says which.
        for (int i = 0; i < candidatos.size();) {
            const int resposta = m_backend.perguntarPendencia(candidatos.at(i), i, candidatos.size(), acao);
            if (resposta == 1)
                resolver(candidatos.takeAt(i), acao);
            else if (resposta == 0)
                ++i;
            else
                break;
        }
    }
    m_log.info("Fim da operação");
    m_log.info(QStringLiteral("Número de transações (ainda) pendentes: %1").arg(m_pendentes.listaSequenciais().size()));
    m_backend.encerrarResolucao();
    entregar(r, m_backend.resultadoSemTransacao(), std::nullopt);
}

// --- start-up ------------------------------------------------------------------------

void NucleoTransacao::recuperar()
{
    m_diario.carregar();
    const QList<DiarioTransacoes::Registro> registros = m_diario.procurar(
        [](const DiarioTransacoes::Registro &r) { return r.estado != DiarioTransacoes::Estado::Resolvida; });
    if (registros.isEmpty())
        return;
    m_log.info(QStringLiteral("Diário de transações: %1 transação(ões) da execução anterior").arg(registros.size()));
    if (!m_backend.bibliotecaCarregada()) {
        m_log.error("Diário de transações: biblioteca não carregada, as transações ficam no diário");
        return;
    }
    for (const DiarioTransacoes::Registro &r : registros) {
        if (r.produto != m_produto) {
            // Another library ran it: this one can neither confirm nor undo it.
            m_log.error(QStringLiteral("Transação do produto TEF %1 no diário (%2): verifique-a no TEF")
                            .arg(r.produto)
                            .arg(descricao(r)));
            continue;
        }
        if (r.estado == DiarioTransacoes::Estado::NaoResolvida) {
            // Nothing retries these on its own: a person decides with the TEF host.
            m_log.error(
                QStringLiteral("Transação não resolvida (%1, %2): verifique-a no TEF").arg(descricao(r), r.desfecho));
            continue;
        }
        if (!r.pendente) {
            // Cut off before the library's reply: there is nothing to undo it by.
            m_log.error(
                QStringLiteral("Transação interrompida antes da resposta da biblioteca (%1): verifique-a no TEF")
                    .arg(descricao(r)));
            m_diario.marcar(r.chave, DiarioTransacoes::Estado::NaoResolvida, QStringLiteral("interrompida"));
            avisarLiquidacao(origemRecuperacao, r.chave, FimTransacao::Situacao::NaoResolvida);
            continue;
        }
        SequencialInfo pendente = *r.pendente;
        pendente.registro = r.chave;
        if (r.estado == DiarioTransacoes::Estado::Respondida) {
            // The POS has its response and will send CNF or NCN for it.
            m_pendentes.adicionarSequencial(pendente);
            m_log.info(QStringLiteral("Transação restaurada como pendente (%1)").arg(descricao(r)));
            continue;
        }
        if (r.estado == DiarioTransacoes::Estado::EmEntrega) {
            // The POS may have read the response: undoing it now could leave the
            // POS with a sale it believes approved. Kept pending instead, so the
            // POS's CNF or NCN settles it, or the cashier does at the next operation.
            m_pendentes.adicionarSequencial(pendente);
            m_log.warning(QStringLiteral("Transação restaurada como pendente (%1); a resposta pode não ter chegado ao "
                                         "PDV: confirme ou desfaça na próxima operação")
                              .arg(descricao(r)));
            continue;
        }
        // Approved, but its response never reached the POS: undone.
        const bool desfeita = m_backend.desfazer(pendente);
        m_log.error(QStringLiteral("Transação aprovada sem resposta ao PDV (%1): %2")
                        .arg(descricao(r), desfeita ? QStringLiteral("desfeita")
                                                    : QStringLiteral("desfazimento recusado, verifique-a no TEF")));
        m_diario.marcar(r.chave,
                        desfeita ? DiarioTransacoes::Estado::Resolvida : DiarioTransacoes::Estado::NaoResolvida,
                        desfeita ? QStringLiteral("desfeita na recuperação") : QStringLiteral("desfazimento recusado"));
        avisarLiquidacao(origemRecuperacao, r.chave,
                         desfeita ? FimTransacao::Situacao::Desfeita : FimTransacao::Situacao::NaoResolvida);
    }
    m_backend.recuperacaoConcluida(!m_pendentes.listaSequenciais().isEmpty());
}
