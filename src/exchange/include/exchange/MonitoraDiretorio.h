#pragma once

#include "base/ConfigTef.h"
#include "base/Log.h"
#include "base/Pausas.h"
#include "exchange/ProtocoloSitef.h"
#include "nucleo/Ocupacao.h"
#include "nucleo/Requisicao.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class QFileSystemWatcher;

// The program's side of the file exchange with the point-of-sale software: it
// watches the request folder, takes the request file, writes the status file,
// hands the request to the transaction core and, when the result of a request
// of its own comes back, writes the response file. Lives in the main thread;
// every slot runs there.
class MonitoraDiretorio : public QObject
{
    Q_OBJECT
public:
    // The exchange the given settings describe (the start-up's; the tests use several).
    explicit MonitoraDiretorio(const ConfigTef &config, QObject *parent = nullptr);
    ~MonitoraDiretorio() override;

    void iniciarMonitoramento();

    // How a JSON result becomes a key-number response: the product's converter,
    // given by the wiring. Without one, key-number responses are written empty.
    using ConversorResposta = QString (ProtocoloSitef::*)(const QString &);
    void setConversorResposta(ConversorResposta conversor) { m_conversorResposta = conversor; }
    // The product the monitor's settings name, for the wiring to choose the converter.
    int produtoTef() const { return m_produtoTef; }

    // Whether the request folder is being watched right now.
    bool monitorando() const;
    // Who holds the TEF thread: a request file is taken only when the
    // exchange can hold it, and waits while the cashier's operation runs.
    void usarOcupacao(Ocupacao *ocupacao);
    void usarPausas(const Pausas &pausas);

    // Requests above this size are refused: no POS writes one, and reading one
    // whole would flood memory and the log.
    static constexpr qint64 tamanhoMaximoRequisicao = 1024 * 1024;

    static QString nomeArquivoTemporario() { return QStringLiteral("arquivo_tef.tmp"); }
    static QString nomeStatusTemporario() { return QStringLiteral("arquivo_sts.tmp"); }

signals:
    // A request taken from the folder, its status file written: for the transaction core.
    void requisicaoRecebida(const Requisicao &requisicao);
    // The exchange cannot run with these settings; the cashier must be told.
    void erroMonitoramento(QString mensagem);
    // Whether the response file of request `numero` reached the response folder.
    void respostaGravada(quint64 numero, bool gravada);

public slots:
    void slotDiretorioAtualizado(const QString &path);
    // A result from the core: written as the response file when the request was ours.
    void processResponse(const Requisicao &requisicao, const QString &dados);
    // A request of ours is over: the folder is watched again and what waits is served.
    void concluida(const Requisicao &requisicao);
    void reiniciar(bool err = false);
    void pausar();

private:
    // What identifies a request file that could not be taken, so that the same
    // file is not tried again and again while it sits in the folder.
    struct Recusado
    {
        QString caminho;
        QDateTime modificacao;
        qint64 tamanho = -1;
        bool operator==(const Recusado &o) const
        {
            return caminho == o.caminho && modificacao == o.modificacao && tamanho == o.tamanho;
        }
    };

    bool vigiar();
    // Watches the request folder and serves what waits in it; tries again later when it cannot.
    void vigiarEAtender(bool registrarFalha);
    void agendarNovaTentativa();
    void novaTentativa();
    void verificarChegadaDuranteRetomada();
    void verificarIdentidadePasta();

    // The request file in the folder, whatever the case of its name ("" when
    // none). A symbolic link under the name is removed unread.
    QString encontrarRequisicao(const QString &pasta, const QString &nome);
    // Whether a request file that is not whole yet should still be waited for
    // (true), or has stayed unchanged for the whole bound (false).
    bool aguardarConclusao(const QString &caminho);
    void esquecerIncompleto();
    void verificarIncompleto();
    QString decodificar(const QByteArray &bytes) const;
    QByteArray codificar(const QString &texto, bool formatoJson) const;
    Recusado identificar(const QString &caminho) const;
    void recusar(const QString &caminho);

    // The stages of taking a request, the pauses between them on timers.
    void lerRequisicao(const QString &escolhido);
    void entregarRequisicao(const QString &requisicao);
    // A request that could not be taken: the busy state goes, the watch comes back.
    void abandonar();
    void tentarGravar(quint64 numero, const QByteArray &bytes, bool formatoJson, const QDeadlineTimer &prazo,
                      int tentativa);

    bool gravarStatus(const QString &jsonRequisicao);
    bool gravarResposta(const QByteArray &bytes, bool formatoJson);

    QFileSystemWatcher *m_watcher;
    Ocupacao *m_ocupacao = nullptr;
    bool m_iniciado = false;  // iniciarMonitoramento has run: the folder is ours to watch
    bool m_atendendo = false; // a request file is being taken, between the pauses
    Pausas m_pausas;
    bool m_formatoJson = false; // of the request file being read
    Log m_log;
    ProtocoloSitef m_protocolo;
    QString m_pathIn;
    QString m_pathOut;
    QString m_fileReq;
    QString m_fileResp;
    int m_produtoTef;
    ConversorResposta m_conversorResposta = nullptr;

    QTimer m_novaTentativa;
    QTimer m_verificacaoPasta;
    QByteArray m_identidadePasta;
    Recusado m_recusado;

    // The request file being written in place, while it is waited for.
    Recusado m_incompleto;
    QElapsedTimer m_incompletoDesde;
    QTimer m_esperaIncompleto;
    bool m_windows1252 = false;
};
