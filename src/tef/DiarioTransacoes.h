#pragma once

#include "app/Log.h"
#include "tef/SequencialInfo.h"

#include <QList>
#include <QMutex>
#include <QString>

#include <functional>
#include <optional>

// The durable record of every transaction from the call that may move money
// until it is confirmed, undone or found declined, so that a crash at any
// instant leaves enough on disk to finish it at the next start. One JSON file
// beside the configuration, replaced whole (temporary file, sync, rename) at
// every change; card data in it is masked as in the log.
class DiarioTransacoes
{
public:
    enum class Estado {
        EmAndamento,  // the library was called; the POS has not had the response
        Respondida,   // approved, answered to the POS, waiting for its CNF or NCN
        NaoResolvida, // the library refused its confirmation or undo: needs a person
        Resolvida,
    };

    struct Registro
    {
        int chave = -1;
        Estado estado = Estado::EmAndamento;
        QString operacao;
        QString identificacao; // the request's 001-000
        bool formatoJson = false;
        std::optional<SequencialInfo> pendente; // once the library approved it
        QString desfecho;                       // how it was resolved
    };

    // Resolved records kept for telling a late or repeated CNF/NCN from an unknown one.
    static constexpr int maximoResolvidos = 50;

    explicit DiarioTransacoes(const QString &arquivo);

    // The journal beside the given configuration file.
    static QString arquivoAoLadoDe(const QString &arquivoConfiguracao);
    QString arquivo() const { return m_arquivo; }

    // Reads the file. A file that cannot be read as a journal is logged, moved
    // aside (never deleted: it may be all that is left of a sale) and the
    // journal starts empty.
    void carregar();

    // A new transaction in progress; its key, or -1 when the journal could not be written.
    int abrir(const QString &operacao, const QString &identificacao, bool formatoJson);
    // The approved transaction's pending entry joins its record.
    bool aprovar(int chave, const SequencialInfo &pendente);
    bool marcar(int chave, Estado estado, const QString &desfecho = QString());

    QList<Registro> registros() const;
    std::optional<Registro> registro(int chave) const;
    // The records the predicate accepts, oldest first.
    QList<Registro> procurar(const std::function<bool(const Registro &)> &aceita) const;

private:
    bool gravar(); // with m_mutex held
    int indice(int chave) const;

    QString m_arquivo;
    Log m_log;
    mutable QMutex m_mutex;
    QList<Registro> m_registros;
    int m_proximaChave = 1;
};
