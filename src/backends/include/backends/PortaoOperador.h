#pragma once

#include <QMutex>
#include <QString>
#include <QWaitCondition>

// What the cashier answered to the question on screen.
struct RespostaOperador
{
    enum class Tipo {
        Nenhuma, // the gate opened without an answer
        Texto,   // OK with the typed text
        Opcao,   // OK with a list entry, by its position (-1 when the window sent no number)
        Voltar,
        Cancelar, // also what every question gets once the program is ending
    };

    Tipo tipo = Tipo::Nenhuma;
    QString texto;
    int indice = -1;

    static RespostaOperador digitado(const QString &texto) { return {Tipo::Texto, texto, -1}; }
    static RespostaOperador opcao(int indice) { return {Tipo::Opcao, QString(), indice}; }
    static RespostaOperador voltar() { return {Tipo::Voltar, QString(), -1}; }
    static RespostaOperador cancelar() { return {Tipo::Cancelar, QString(), -1}; }
};

// Where the controller thread waits for the cashier and the window's button
// handlers hand over the answer. The thread closes the gate BEFORE it puts the
// buttons on screen, so an answer given at once is kept, never lost; an answer
// with no question waiting is dropped. Once ended, every wait returns Cancelar
// at once, so a run never outlives the program waiting for a click.
class PortaoOperador
{
public:
    // Any list position is taken (a yes/no question reads its own meaning into it).
    static constexpr int qualquerOpcao = -1;

    // Controller thread: a question is now open; `opcoes` list entries are on offer. Returns the
    // answer given to a question the run did not wait on (see recolher), which this one replaces.
    RespostaOperador fechar(int opcoes = qualquerOpcao);
    // Controller thread: the answer to the open question; Nenhuma at once when none is open.
    RespostaOperador aguardar();
    // Controller thread, for a question the run does not wait on (a screen that asks nothing
    // but offers buttons): the answer once given, which ends the question; until then
    // Nenhuma, and the question stays open. Cancelar once the program is ending.
    RespostaOperador recolher();
    // Controller thread: no question is open any more; returns an answer given to it.
    RespostaOperador retirar();
    // GUI thread: false when no question waits or it was already answered.
    bool responder(const RespostaOperador &resposta);
    // Whether a question waits for its answer.
    bool aguardando();
    // Whether the controller thread waits inside aguardar() for an open question:
    // whatever it emitted for that question is already posted to the window.
    bool emEspera();
    // Whether the list position may answer the open question.
    bool opcaoOferecida(int indice);
    // The program is ending: the wait in progress and every later one end with Cancelar.
    void encerrar();

private:
    enum class Estado {
        Aberto,
        Aguardando,
        Respondido,
    };

    QMutex m_mutex;
    QWaitCondition m_condicao;
    Estado m_estado = Estado::Aberto;
    RespostaOperador m_resposta;
    int m_opcoes = qualquerOpcao;
    bool m_encerrado = false;
    bool m_emEspera = false;
};
