#pragma once

#include <QJsonObject>
#include <QString>

#include <array>

// The settings file config_tef.json (in `pasta()`), read once into a value:
// every setting is a row of one table (its key, type, default, whether the
// file counts as complete without it, where it sits, who reads it, what the
// settings popup refuses for it). Reading writes nothing; the start-up's
// `prepararInicio()` is the only step that writes the file or makes folders.
class ConfigTef
{
public:
    enum class Chave {
        PathIn,
        PathOut,
        FileReq,
        FileResp,
        Log,
        Vitra,
        ProdutoTef,
        TagComprovante,
        Tag028001,
        AspasComprovante,
        IniciarAtualizacaoAut,
        BloquearAtualizacao,
        TipoOperacao,
        NomeImpressora,
        CaminhoPdf,
        GerarPdf,
        HabilitaImpressao,
        VisualizarPdf,
        CodificacaoArquivos,
        DiasHistorico,
        CaminhoLogo,
        CorFundo,
        CorDestaque,
        CorFonte1,
        CorFonte2,
        CorSelecao,
        AlturaJanela,
        LarguraJanela,
    };

    enum class Tipo {
        Texto,
        Inteiro,
        Booleano,
    };

    // For a number used as a switch: which values turn it on, as its reader takes it.
    enum class Liga {
        NaoSeAplica,
        SoComUm,
        ComNaoZero,
    };

    // What the settings popup refuses to save.
    enum class Regra {
        Nenhuma,
        // While files are exchanged, not the request folder: the response would be read back as a new request.
        DiferenteDaPastaDeRequisicao,
    };

    struct Definicao
    {
        Chave chave;
        const char *nome;
        Tipo tipo;
        // The default: a number or flag (0/1), or a text; a folder that depends on the system comes from `local`.
        int numero;
        const char *texto;
        QString (*local)();
        // A file without it is written back whole at start-up.
        bool obrigatoria;
        // Inside the "customizacao" object rather than at the root.
        bool personalizacao;
        Liga liga;
        Regra regra;
        const char *leitor; // who reads it, for whoever changes it
    };

    static constexpr int quantidadeChaves = static_cast<int>(Chave::LarguraJanela) + 1;
    // Every setting, in the order of `Chave`.
    static const std::array<Definicao, quantidadeChaves> &tabela();
    static const Definicao &definicao(Chave chave) { return tabela()[static_cast<size_t>(chave)]; }
    static QJsonValue padrao(const Definicao &d);
    // A setting of a whole file's object as it is read: the stored value when it has the row's type, else the default.
    static QJsonValue lerValor(const QJsonObject &arquivo, Chave chave);

    // The default file (`defaultFilePath()`), read; its folder is not created.
    ConfigTef();
    explicit ConfigTef(const QString &filePath);

    // The same reading, for support's read-only queries: nothing written, no log switched on, no line logged.
    static ConfigTef somenteLeitura(const QString &filePath);

    static QString defaultFilePath();
    // The folder of the settings, the transaction journal and the log: beside
    // the executable while that folder can be written (a build, a portable
    // copy); for the packaged copy, which the package manager owns, or a
    // read-only one, the user's "$XDG_CONFIG_HOME/Z3_TEFZoduvud", created here.
    static QString pasta();
    static QString pastaPara(const QString &pastaPrograma);
    QString filePath() const { return m_filePath; }

    // Start-up's part, once per run: the "log" setting switches the log file on
    // (Z3_LOG, unless already set), a file that was new or lacked a required
    // setting is written back whole, and the exchange folders are made.
    void prepararInicio() const;

    QString texto(Chave chave) const;
    int numero(Chave chave) const;
    bool booleano(Chave chave) const;

    QString pathIn() const { return texto(Chave::PathIn); }
    QString pathOut() const { return texto(Chave::PathOut); }
    QString fileReq() const { return texto(Chave::FileReq); }
    QString fileResp() const { return texto(Chave::FileResp); }
    int log() const { return numero(Chave::Log); }
    int vitra() const { return numero(Chave::Vitra); }
    // A product of ProdutoTef; -1 and non-integers read as 0; any other integer is -2 (invalid).
    int produtoTef() const;
    int tagComprovante() const { return numero(Chave::TagComprovante); }
    int tag028001() const { return numero(Chave::Tag028001); }
    int aspasComprovante() const { return numero(Chave::AspasComprovante); }
    int iniciarAtualizacaoAut() const { return numero(Chave::IniciarAtualizacaoAut); }
    bool bloquearAtualizacao() const { return booleano(Chave::BloquearAtualizacao); }
    int tipoOperacao() const { return numero(Chave::TipoOperacao); }
    QString nomeImpressora() const { return texto(Chave::NomeImpressora); }
    QString caminhoPdf() const { return texto(Chave::CaminhoPdf); }
    bool gerarPdf() const { return booleano(Chave::GerarPdf); }
    bool habilitaImpressao() const { return booleano(Chave::HabilitaImpressao); }
    bool visualizarPdf() const { return booleano(Chave::VisualizarPdf); }
    // Days the history of finished transactions is kept (at least 1).
    int diasHistorico() const;
    // Text encoding of the key-number request, status and response files:
    // "utf-8" (the default) or "windows-1252"; anything else reads as "utf-8".
    QString codificacaoArquivos() const;

    QString caminhoLogo() const { return texto(Chave::CaminhoLogo); }
    QString corFundo() const { return texto(Chave::CorFundo); }
    QString corDestaque() const { return texto(Chave::CorDestaque); }
    QString corFonte1() const { return texto(Chave::CorFonte1); }
    QString corFonte2() const { return texto(Chave::CorFonte2); }
    QString corSelecao() const { return texto(Chave::CorSelecao); }
    int alturaJanela() const { return numero(Chave::AlturaJanela); }
    int larguraJanela() const { return numero(Chave::LarguraJanela); }

    // Whether two folder settings name the same folder once links, "." and
    // ".." are resolved (a folder that does not exist yet is compared by its
    // absolute, cleaned path).
    static bool mesmaPasta(const QString &a, const QString &b);

    // Why settings edited in the popup (the whole file's object) must not be
    // saved, by the table's rules; empty when they may.
    static QString motivoRecusa(const QJsonObject &configuracao);

    // The root object with "customizacao" set to the customisation object.
    QJsonObject configuracao() const;
    // Replaces the whole file with the given object, as indented JSON.
    bool salvar(const QJsonObject &objeto) const;

private:
    enum class Estado {
        Novo,
        Incompleto,
        Completo,
        Ilegivel, // there, but it could not be opened: nothing filled
    };

    QJsonValue valor(Chave chave) const;

    QString m_filePath;
    Estado m_estado = Estado::Novo;
    QJsonObject m_root;
    QJsonObject m_custom;
};
