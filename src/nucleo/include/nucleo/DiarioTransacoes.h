#pragma once

#include "base/Log.h"
#include "nucleo/SequencialInfo.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QMutex>
#include <QString>

#include <functional>
#include <optional>

// The durable record of every transaction from the call that may move money
// until it is confirmed, undone or found declined, so that a crash at any
// instant leaves enough on disk to finish it at the next start. One file
// beside the configuration, one JSON line per change of a record, the last
// line of a record holding its state: a change costs one append and one
// sync, which sits on the sale's path twice. The file is rewritten whole
// (temporary file, sync, rename) at start-up and every few hundred lines.
// Card data in it is masked as in the log.
class DiarioTransacoes
{
public:
    enum class Estado {
        EmAndamento,  // the library was called; the POS has not had the response
        EmEntrega,    // approved, its response on the way: the POS may or may not have it
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
        int produto = 2; // the TEF product whose library ran it (records older than the field: Z3_Tef)
        std::optional<SequencialInfo> pendente; // once the library approved it
        QString desfecho;                       // how it was resolved
        QDateTime desde;                        // when it came to its state (invalid in older records)
    };

    // Resolved records kept for telling a late or repeated CNF/NCN from an unknown one.
    static constexpr int maximoResolvidos = 50;
    // Lines after which the next change rewrites the file instead of appending.
    static constexpr int limiteLinhas = 400;

    explicit DiarioTransacoes(const QString &arquivo);

    // The journal beside the given configuration file.
    static QString arquivoAoLadoDe(const QString &arquivoConfiguracao);
    QString arquivo() const { return m_arquivo; }

    // The records as the file holds them now, each at its last line, without
    // writing anything (a copy may be running and appending): for support's
    // status query. A last line cut short is left out; a line that is no
    // record makes `problema` say so. No file: no records.
    static QList<Registro> ler(const QString &arquivo, QString *problema);
    // "em_andamento", "respondida", ...: the state as the file writes it.
    static QString nomeEstado(Estado estado);

    // Reads the file and rewrites it compacted. A file that cannot be read as
    // a journal is logged, moved aside (never deleted: it may be all that is
    // left of a sale) and the journal starts empty. A last line cut short by
    // a crash was never acknowledged to anyone and is dropped with a warning.
    void carregar();

    // A new transaction in progress; its key, or -1 when the journal could not be written.
    int abrir(const QString &operacao, const QString &identificacao, bool formatoJson, int produto);
    // The approved transaction's pending entry joins its record.
    bool aprovar(int chave, const SequencialInfo &pendente);
    bool marcar(int chave, Estado estado, const QString &desfecho = QString());

    QList<Registro> registros() const;
    std::optional<Registro> registro(int chave) const;
    // The records the predicate accepts, oldest first.
    QList<Registro> procurar(const std::function<bool(const Registro &)> &aceita) const;

private:
    // With m_mutex held: the record's change appended, or the whole journal
    // rewritten when no append is possible or the file has grown long.
    bool gravar(const Registro &r);
    bool reescrever();
    int indice(int chave) const;
    void atualizarJson(const Registro &r);

    QString m_arquivo;
    Log m_log;
    mutable QMutex m_mutex;
    QList<Registro> m_registros;
    // Each record as written, kept so that a change masks and converts only
    // the record it touches, not the fifty others rewritten with it.
    QHash<int, QJsonObject> m_json;
    int m_proximaChave = 1;
    QFile m_anexo; // the journal open for appending, after a successful rewrite
    int m_linhas = 0;
};
