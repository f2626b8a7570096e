#pragma once

#include "app/Z3_Updater_Api.h"
#include "base/ClosedLibraryBinding.h"

#include <QJsonObject>
#include <QMutex>
#include <QString>

class Janela;

// The updater library binding and the updater actions: verify, download and
// install, decline. The actions run on the updater's thread (Atualizacao) and
// post their screens to the window. The library is loaded on first use
// and unloaded with this object.
class Atualizador
{
public:
    // What an action left behind, for the thread's end to settle.
    enum class Desfecho {
        TelaMantida,        // a report stays on screen; the action is over
        TelaReiniciada,     // the screen was reset; the action is over
        AguardandoOperador, // a newer version is offered: SIM or NÃO comes next
        Encerrando,         // the installer started: the program must make way for it
        Reiniciando,        // the new version's package is installed: the program restarts into it
    };

    explicit Atualizador(Janela &janela);
    ~Atualizador();
    Atualizador(const Atualizador &) = delete;
    Atualizador &operator=(const Atualizador &) = delete;

    // The action chosen by `modo` (0 verify, 1 download and install, 2 decline).
    Desfecho executar(int modo);
    // The start-up's question, without the window: the library's reply.
    QJsonObject verificacaoInicial();
    // The offer of the last verification, back on screen (GUI thread, between actions).
    void reapresentarOferta();

    const QString &produto() const { return m_produto; }
    const QString &arquitetura() const { return m_arquitetura; }
    const QString &nomeInstalador() const { return m_nomeInstalador; }
    // "temp" beside the executable: where the installer is downloaded to.
    static QString pastaTemporaria();

private:
    QJsonObject configurarEVerificar();
    Desfecho verificar();
    Desfecho baixarEInstalar();
    Desfecho instalar(const QString &nome, const QString &caminho);
    Desfecho relatorioVerificacao(int codigo, const QString &mensagem);
    Desfecho relatorioDownload(int codigo, const QString &mensagem);
    Desfecho relatorioInstalacao(int codigo, const QString &mensagem);
    Desfecho reiniciarTela();
    void mostrar(const QString &titulo, const QString &mensagem, bool simNao, bool ocupado);
    void limparPastaTemporaria();

    Janela &m_janela;
    QString m_produto;
    QString m_arquitetura;
    QString m_nomeInstalador;
    // The version the last verification offered; its "hash" vouches for the download.
    QJsonObject m_versaoAnunciada;
    QString m_textoOferta;

    QMutex m_mutex; // one action or start-up check at a time
    ClosedLibraryBinding m_binding{QStringLiteral("Atualizador")};
    z3updater::RealizarConfiguracao_t m_realizarConfiguracao = nullptr;
    z3updater::RealizarVerificacao_t m_realizarVerificacao = nullptr;
    z3updater::RealizarDownload_t m_realizarDownload = nullptr;
};
