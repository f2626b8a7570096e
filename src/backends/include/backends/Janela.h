#pragma once

#include "base/Log.h"

#include <QColor>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

// What the cashier's window shows, and where its clicks come in. The QML binds
// to the properties and calls the invokable methods; it decides nothing by
// itself. Any thread may post a change: the change is logged at once, in the
// poster's thread and in order with that thread's other lines, and applied on
// the window's thread in the order it was posted.
class Janela : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString titulo READ titulo NOTIFY tituloChanged)
    Q_PROPERTY(QString mensagem READ mensagem NOTIFY mensagemChanged)
    Q_PROPERTY(bool campoVisivel READ campoVisivel NOTIFY elementosChanged)
    Q_PROPERTY(QString campoMascara READ campoMascara NOTIFY campoChanged)
    Q_PROPERTY(bool campoSenha READ campoSenha NOTIFY campoChanged)
    Q_PROPERTY(bool campoMoeda READ campoMoeda NOTIFY campoChanged)
    Q_PROPERTY(bool listaVisivel READ listaVisivel NOTIFY elementosChanged)
    Q_PROPERTY(QStringList opcoes READ opcoes NOTIFY opcoesChanged)
    Q_PROPERTY(bool botaoOk READ botaoOk NOTIFY elementosChanged)
    Q_PROPERTY(bool botaoVoltar READ botaoVoltar NOTIFY elementosChanged)
    Q_PROPERTY(bool botaoCancelar READ botaoCancelar NOTIFY elementosChanged)
    Q_PROPERTY(bool botaoSim READ botaoSim NOTIFY elementosChanged)
    Q_PROPERTY(bool botaoNao READ botaoNao NOTIFY elementosChanged)
    Q_PROPERTY(bool botaoMenuOk READ botaoMenuOk NOTIFY elementosChanged)
    Q_PROPERTY(bool botaoMenuCancelar READ botaoMenuCancelar NOTIFY elementosChanged)
    Q_PROPERTY(bool ocupado READ ocupado NOTIFY elementosChanged)
    Q_PROPERTY(bool qrCodeVisivel READ qrCodeVisivel NOTIFY elementosChanged)
    Q_PROPERTY(QString qrCode READ qrCode NOTIFY qrCodeChanged)
    Q_PROPERTY(QColor corDestaque READ corDestaque NOTIFY aparenciaChanged)
    Q_PROPERTY(QColor corFonte READ corFonte NOTIFY aparenciaChanged)
    Q_PROPERTY(QColor corFonteSecundaria READ corFonteSecundaria NOTIFY aparenciaChanged)
    Q_PROPERTY(QColor corFundo READ corFundo NOTIFY aparenciaChanged)
    Q_PROPERTY(QColor corSelecao READ corSelecao NOTIFY aparenciaChanged)
    Q_PROPERTY(QUrl logo READ logo NOTIFY aparenciaChanged)
    Q_PROPERTY(int largura READ largura NOTIFY aparenciaChanged)
    Q_PROPERTY(int altura READ altura NOTIFY aparenciaChanged)

public:
    // The screen's recurring states: which buttons, field, list and busy bar
    // each one shows and hides (what a state does not name stays as it was).
    enum class Tela {
        AutonomoFechado,    // the operations menu's list and buttons off
        Bloqueada,          // a run starts: nothing to press
        Ociosa,             // waiting for the POS
        MenuAutonomo,       // the cashier picks an operation
        Sobre,              // the about text
        SemBotoes,          // no button, field or list
        Limpa,              // SemBotoes, and no QR code either
        Processando,        // a library call runs: only the busy bar
        AguardandoResposta, // OK and CANCELAR on offer
        Final,              // the run hands its result on
    };

    enum class Botao { Ok, Voltar, Cancelar, Sim, Nao, MenuOk, MenuCancelar };

    // A text step. Every step starts from what is given here, never from what
    // the last one left in the field.
    struct Campo
    {
        QString inicial; // what the field proposes
        QString mascara; // Qt input mask; empty for none
        bool senha = false;
        bool moeda = false; // typed digits are laid out as an amount in reais
        // False where the library does not say which fields are secret: the
        // log then names the button only.
        bool registrarDigitado = true;
    };

    struct Aparencia
    {
        QString logo; // an image file; anything else keeps the built-in logo
        QString corDestaque;
        QString corFonte;
        QString corFonteSecundaria;
        QString corFundo;
        QString corSelecao;
        int largura = 850;
        int altura = 590;
    };

    // The operations the menu offers, in order: the name each one is asked for by.
    static const QStringList operacoesDoMenu;
    static const QString tituloPadrao;

    explicit Janela(QObject *parent = nullptr);

    // --- posted from any thread -------------------------------------------
    void mostrar(); // brought forward, and kept on top
    void ocultar();
    void minimizar();
    void mostrarTitulo(const QString &titulo);
    void mostrarMensagem(const QString &mensagem);
    Q_INVOKABLE void avisarErro(const QString &texto);
    Q_INVOKABLE void avisar(const QString &texto);
    void mostrarTela(Tela tela);
    void mostrarBotao(Botao botao, bool visivel);
    void mostrarOcupado(bool ocupado);
    void abrirCampo(const Campo &campo);
    // `inicial`: the entry the cashier starts on.
    void abrirLista(const QStringList &opcoes, int inicial = 0);
    // A PNG in base64; empty hides it.
    void mostrarQrCode(const QString &pngBase64);
    // The cashier's list of operations, or, outside autonomous-only use, the
    // screen that waits for the POS.
    void repousar();
    void mostrarMenuOperacoes();
    void mostrarSobre(const QString &texto);
    // A transaction was left for a person to settle: the notice the cashier must acknowledge.
    void avisarPendencia(const QString &nsu);
    void abrirConfiguracoes();
    void aplicarAparencia(const Aparencia &aparencia);

    // Autonomous-only use: the window rests on the operations menu. Set at start-up.
    void usarMenuOperacoes(bool menu) { m_menuOperacoes = menu; }
    bool menuOperacoes() const { return m_menuOperacoes; }

    // --- the window's thread ------------------------------------------------
    QString titulo() const { return m_titulo; }
    QString mensagem() const { return m_mensagem; }
    bool campoVisivel() const { return visivel(CampoTexto); }
    QString campoMascara() const { return m_campo.mascara; }
    bool campoSenha() const { return m_campo.senha; }
    bool campoMoeda() const { return m_campo.moeda; }
    // What the field was last filled with.
    QString campoTexto() const { return m_campoTexto; }
    bool listaVisivel() const { return visivel(ListaOpcoes); }
    QStringList opcoes() const { return m_opcoes; }
    int opcaoInicial() const { return m_opcaoInicial; }
    // The list on screen is the operations menu.
    bool listaDeOperacoes() const { return m_listaDeOperacoes; }
    bool botaoOk() const { return visivel(BotaoOk); }
    bool botaoVoltar() const { return visivel(BotaoVoltar); }
    bool botaoCancelar() const { return visivel(BotaoCancelar); }
    bool botaoSim() const { return visivel(BotaoSim); }
    bool botaoNao() const { return visivel(BotaoNao); }
    bool botaoMenuOk() const { return visivel(BotaoMenuOk); }
    bool botaoMenuCancelar() const { return visivel(BotaoMenuCancelar); }
    bool ocupado() const { return visivel(BarraOcupado); }
    bool qrCodeVisivel() const { return visivel(ImagemQr); }
    QString qrCode() const { return m_qrCode; }
    QColor corDestaque() const { return m_corDestaque; }
    QColor corFonte() const { return m_corFonte; }
    QColor corFonteSecundaria() const { return m_corFonteSecundaria; }
    QColor corFundo() const { return m_corFundo; }
    QColor corSelecao() const { return m_corSelecao; }
    QUrl logo() const { return m_logo; }
    int largura() const { return m_largura; }
    int altura() const { return m_altura; }
    // The last acknowledgement of the pending notice, and the NSU it was about.
    bool termoAceito() const { return m_termoAceito; }
    QString nsuPendente() const { return m_nsuPendente; }

    // --- the window's calls -----------------------------------------------
    // OK: the typed text, or the list entry when the list is the question on screen.
    Q_INVOKABLE void ok(const QString &texto, int indice);
    Q_INVOKABLE void voltar();
    Q_INVOKABLE void cancelar();
    Q_INVOKABLE void sim();
    Q_INVOKABLE void nao();
    Q_INVOKABLE void escolherOperacao(int indice);
    Q_INVOKABLE void voltarAoMenu();
    // The window's close button: the program stays in the tray.
    Q_INVOKABLE void fechar();
    Q_INVOKABLE void fixarNoTopo(QObject *janela);
    Q_INVOKABLE void aceitarTermo();
    // Typed digits as an amount: "1234" is "R$ 12,34".
    Q_INVOKABLE static QString formatarValor(QString digitos);
    static bool corValida(QString cor);

signals:
    void tituloChanged();
    void mensagemChanged();
    void elementosChanged();
    void campoChanged();
    void opcoesChanged();
    void qrCodeChanged();
    void aparenciaChanged();

    // For the QML: what happens once rather than what stays.
    void trazidaParaFrente();
    void ocultada();
    void minimizada();
    void aviso(const QString &texto, bool erro);
    void campoPreenchido(const QString &texto);
    void opcaoSelecionada(int indice);
    void configuracoesAbertas();
    void avisoPendenciaAberto();

    // The cashier's answers. `estado`: 1 typed text, 2 a list entry by its position.
    void confirmado(const QString &valor, int estado);
    void voltou();
    void cancelado();
    void simEscolhido();
    void naoEscolhido();
    void operacaoEscolhida(const QString &nome);
    void menuPedido();
    // The close button; nobody listening: the window hides.
    void fechamentoPedido();

private:
    // What a screen state shows or hides, as bits of m_visiveis.
    enum Elemento : unsigned {
        BotaoOk = 1u << 0,
        BotaoVoltar = 1u << 1,
        BotaoCancelar = 1u << 2,
        BotaoSim = 1u << 3,
        BotaoNao = 1u << 4,
        BotaoMenuOk = 1u << 5,
        BotaoMenuCancelar = 1u << 6,
        CampoTexto = 1u << 7,
        ListaOpcoes = 1u << 8,
        BarraOcupado = 1u << 9,
        ImagemQr = 1u << 10,
    };
    struct Estado
    {
        Tela tela;
        unsigned toca;   // the elements it sets
        unsigned mostra; // of those, the ones on screen
    };
    static const Estado estados[];
    static unsigned elemento(Botao botao);

    bool visivel(Elemento e) const { return (m_visiveis & e) != 0; }
    // Runs `mudanca` on the window's thread: at once when called there,
    // otherwise queued behind whatever this thread posted before.
    void postar(std::function<void()> mudanca);
    void mudarElementos(unsigned toca, unsigned mostra);
    void registrarResposta(const QString &valor, int estado);
    void registrarBotao(const QString &botao);
    void logTela(const QString &rotulo, const QString &texto) const;
    void logLista(const QStringList &opcoes);

    // Applied state: the window's thread only.
    QString m_titulo;
    QString m_mensagem;
    unsigned m_visiveis;
    Campo m_campo;
    QString m_campoTexto;
    QStringList m_opcoes;
    int m_opcaoInicial = 0;
    bool m_listaDeOperacoes = false;
    QString m_qrCode;
    QColor m_corDestaque;
    QColor m_corFonte;
    QColor m_corFonteSecundaria;
    QColor m_corFundo;
    QColor m_corSelecao;
    QUrl m_logo;
    int m_largura = 850;
    int m_altura = 590;
    bool m_termoAceito = false;
    QString m_nsuPendente;
    bool m_menuOperacoes = false;

    // What the log keeps of the screen as posted (any thread): the header last
    // logged, the options on offer, whether typed text may be logged.
    mutable QMutex m_logMutex;
    QString m_logTitulo;
    QStringList m_logOpcoes;
    bool m_logSenha = false;
    bool m_logDigitado = true;
    Log m_log;
};
