#pragma once

#include "nucleo/Requisicao.h"
#include "nucleo/SequencialInfo.h"

#include <QJsonObject>
#include <QString>

#include <optional>

class NucleoTransacao;

// How one transaction ended in the library, as the product's backend reports it.
struct Desfecho
{
    QJsonObject resultado;                  // the JSON result, as this product lays it out
    std::optional<SequencialInfo> pendente; // approved: waits for the POS's CNF or NCN
    QString desfecho;                       // otherwise how it ended, for the journal ("negada", ...)
    bool naoResolvida = false;              // the library left it in a state only a person can settle
};

// What a TEF product supplies to the transaction core (NucleoTransacao): its
// library's dialogue and the layout of its results. Everything that keeps the
// customer from being charged behind the POS's back (the refusal of a bad
// request, the journal, the delivery of the response, the undo of a sale that
// was never answered or that the POS abandoned, the recovery at start-up)
// lives in the core, once, for every product.
//
// The core calls these on its transaction thread, one request at a time,
// except recuperacaoConcluida and the recovery's desfazer, called at start-up.
class DialogoTef
{
public:
    // The failures the core answers without the product's library.
    enum class Falha {
        Recusada,      // the request is refused ("msg_erro", JSON that is no object)
        SemBiblioteca, // the product's library is not loaded
        SemDiario,     // the journal cannot be written: nothing may be charged
        NaoSuportada,  // an operation this product does not serve
    };

    virtual ~DialogoTef() = default;

    // "Z3_Tef", "APITEFVarda", ...: how the cashier and the log name the library.
    virtual QString nomeBiblioteca() const = 0;
    virtual bool bibliotecaCarregada() const = 0;

    // The request about to run; nothing here may call the library.
    virtual void setJsonConfigs(const Requisicao &requisicao) = 0;
    // The library's dialogue for a sale, cancellation, PIX, administrative
    // operation or capture, up to its last reply; the closing screen waits
    // for mostrarDesfecho, after the core has journaled the outcome.
    virtual Desfecho ProcessaTEF() = 0;
    virtual void mostrarDesfecho(const Desfecho &desfecho) { Q_UNUSED(desfecho) }

    // Settles one approved transaction in the library; true when the library took it.
    virtual bool confirmar(const SequencialInfo &pendente) = 0;
    virtual bool desfazer(const SequencialInfo &pendente) = 0;

    // The result of an ATV, CNF or NCN (the POS gets only the status file for them).
    virtual QJsonObject resultadoSemTransacao() const = 0;
    // The result the POS gets for a request the library never saw.
    virtual QJsonObject resultadoDeFalha(Falha falha, const QString &mensagem) const = 0;

    // Around the settling of a CNF or NCN: a result when the library cannot
    // settle anything now (nothing reaches it then), and the end of its session.
    virtual std::optional<QJsonObject> iniciarResolucao(bool haPendentes)
    {
        Q_UNUSED(haPendentes)
        return std::nullopt;
    }
    virtual void encerrarResolucao() {}
    // A CNF or NCN that names no journaled transaction: a library that keeps
    // its own last transaction pending is told anyway.
    virtual void resolverSemRegistro(int acao) { Q_UNUSED(acao) }
    // Several transactions wait and the CNF or NCN names none: the cashier's
    // word on one (1 settle it, 0 keep it pending, -1 stop asking). A product
    // without a dialogue keeps them all.
    virtual int perguntarPendencia(const SequencialInfo &pendente, int indice, int total, int acao)
    {
        Q_UNUSED(pendente)
        Q_UNUSED(indice)
        Q_UNUSED(total)
        Q_UNUSED(acao)
        return -1;
    }
    // Start-up recovery is over; `haPendentes`: restored transactions wait for the POS.
    virtual void recuperacaoConcluida(bool haPendentes) { Q_UNUSED(haPendentes) }
    // The program ends and no transaction runs, nor will: a library with a call for that gets it.
    virtual void encerrarBiblioteca() {}

    // The window, as the core needs it.
    virtual void mostrarFalha(const QString &titulo, const QString &mensagem) = 0;
    virtual void ocultarJanela() = 0;
    // A transaction the library would not settle: the cashier must have it checked.
    virtual void avisarNaoResolvida(const QString &mensagem, const QString &nsu) = 0;
    // The cashier's open question is answered as cancelled, now and from now on.
    virtual void encerrarDialogo() = 0;

protected:
    // The core this backend serves; null until one is built for it.
    NucleoTransacao *nucleo() const { return m_nucleo; }

private:
    friend class NucleoTransacao;
    NucleoTransacao *m_nucleo = nullptr;
};
