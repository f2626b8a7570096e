#pragma once

#include "base/Log.h"

#include <QJsonObject>
#include <QString>

// The settings file config_tef.json (in `pasta()`). Every construction
// reads the file again, fills missing settings with defaults, writes the file
// back when it was new or incomplete and creates the exchange folders.
class ConfigTef
{
public:
    ConfigTef();
    explicit ConfigTef(const QString &filePath);

    // The settings as the file holds them, with the defaults for what is
    // missing, and nothing else: no file or folder written, no log switched
    // on, no line logged (support's read-only queries).
    static ConfigTef somenteLeitura(const QString &filePath);

    static QString defaultFilePath();
    // The folder of the settings, the transaction journal and the log: beside
    // the executable while that folder can be written (a build, a portable
    // copy); for the packaged copy, which the package manager owns, or a
    // read-only one, the user's "$XDG_CONFIG_HOME/Z3_TEFZoduvud", created here.
    static QString pasta();
    static QString pastaPara(const QString &pastaPrograma);
    QString filePath() const { return m_filePath; }

    QString pathIn() const { return texto(m_root, "path_in"); }
    QString pathOut() const { return texto(m_root, "path_out"); }
    QString fileReq() const { return texto(m_root, "file_req"); }
    QString fileResp() const { return texto(m_root, "file_resp"); }
    int log() const { return numero(m_root, "log", 0); }
    int vitra() const { return numero(m_root, "vitra", 0); }
    // A product of ProdutoTef; -1 and non-integers read as 0; any other integer is -2 (invalid).
    int produtoTef() const;
    int tagComprovante() const { return numero(m_root, "tag_comprovante", 0); }
    int tag028001() const { return numero(m_root, "tag_028_001", 1); }
    int aspasComprovante() const { return numero(m_root, "aspas_comprovante", 0); }
    int iniciarAtualizacaoAut() const { return numero(m_root, "iniciar_atualizacao_aut", 0); }
    bool bloquearAtualizacao() const { return booleano(m_root, "bloquear_atualizacao"); }
    int tipoOperacao() const { return numero(m_root, "tipo_operacao", 0); }
    QString nomeImpressora() const { return texto(m_root, "nome_impressora"); }
    QString caminhoPdf() const { return texto(m_root, "caminho_pdf"); }
    bool gerarPdf() const { return booleano(m_root, "gerar_pdf"); }
    bool habilitaImpressao() const { return booleano(m_root, "habilita_impressao"); }
    bool visualizarPdf() const { return booleano(m_root, "visualizar_pdf"); }
    // Days the history of finished transactions is kept (at least 1).
    int diasHistorico() const;
    // Text encoding of the key-number request, status and response files:
    // "utf-8" (the default) or "windows-1252"; anything else reads as "utf-8".
    QString codificacaoArquivos() const;

    QString caminhoLogo() const { return texto(m_custom, "caminho_logo"); }
    QString corFundo() const { return texto(m_custom, "cor_fundo"); }
    QString corDestaque() const { return texto(m_custom, "cor_destaque"); }
    QString corFonte1() const { return texto(m_custom, "cor_fonte1"); }
    QString corFonte2() const { return texto(m_custom, "cor_fonte2"); }
    QString corSelecao() const { return texto(m_custom, "cor_selecao"); }
    int alturaJanela() const { return numero(m_custom, "altura_janela", 590); }
    int larguraJanela() const { return numero(m_custom, "largura_janela", 850); }

    void setPathIn(const QString &v) { m_root.insert(QStringLiteral("path_in"), v); }
    void setPathOut(const QString &v) { m_root.insert(QStringLiteral("path_out"), v); }
    void setFileReq(const QString &v) { m_root.insert(QStringLiteral("file_req"), v); }
    void setFileResp(const QString &v) { m_root.insert(QStringLiteral("file_resp"), v); }
    void setLog(int v);
    void setVitra(int v) { m_root.insert(QStringLiteral("vitra"), v); }
    void setProdutoTef(int v) { m_root.insert(QStringLiteral("produto_tef"), v); }
    void setTagComprovante(int v) { m_root.insert(QStringLiteral("tag_comprovante"), v); }
    void setTag028001(int v) { m_root.insert(QStringLiteral("tag_028_001"), v); }
    void setAspasComprovante(int v) { m_root.insert(QStringLiteral("aspas_comprovante"), v); }
    void setIniciarAtualizacaoAut(int v) { m_root.insert(QStringLiteral("iniciar_atualizacao_aut"), v); }
    void setBloquearAtualizacao(bool v) { m_root.insert(QStringLiteral("bloquear_atualizacao"), v); }
    void setTipoOperacao(int v) { m_root.insert(QStringLiteral("tipo_operacao"), v); }
    void setNomeImpressora(const QString &v) { m_root.insert(QStringLiteral("nome_impressora"), v); }
    void setCaminhoPdf(const QString &v) { m_root.insert(QStringLiteral("caminho_pdf"), v); }
    void setGerarPdf(bool v) { m_root.insert(QStringLiteral("gerar_pdf"), v); }
    void setHabilitaImpressao(bool v) { m_root.insert(QStringLiteral("habilita_impressao"), v); }
    void setVisualizarPdf(bool v) { m_root.insert(QStringLiteral("visualizar_pdf"), v); }
    void setCodificacaoArquivos(const QString &v) { m_root.insert(QStringLiteral("codificacao_arquivos"), v); }

    void setCaminhoLogo(const QString &v) { m_custom.insert(QStringLiteral("caminho_logo"), v); }
    void setCorFundo(const QString &v) { m_custom.insert(QStringLiteral("cor_fundo"), v); }
    void setCorDestaque(const QString &v) { m_custom.insert(QStringLiteral("cor_destaque"), v); }
    void setCorFonte1(const QString &v) { m_custom.insert(QStringLiteral("cor_fonte1"), v); }
    void setCorFonte2(const QString &v) { m_custom.insert(QStringLiteral("cor_fonte2"), v); }
    void setCorSelecao(const QString &v) { m_custom.insert(QStringLiteral("cor_selecao"), v); }
    void setAlturaJanela(int v) { m_custom.insert(QStringLiteral("altura_janela"), v); }
    void setLarguraJanela(int v) { m_custom.insert(QStringLiteral("largura_janela"), v); }

    // Whether two folder settings name the same folder once links, "." and
    // ".." are resolved (a folder that does not exist yet is compared by its
    // absolute, cleaned path).
    static bool mesmaPasta(const QString &a, const QString &b);

    // The root object with "customizacao" set to the customisation object.
    QJsonObject configuracao() const;
    // Replaces the whole file with the given object, as indented JSON.
    bool salvar(const QJsonObject &objeto) const;

private:
    enum class Efeitos { Todos, Nenhum };
    ConfigTef(const QString &filePath, Efeitos efeitos);

    void carregar(Efeitos efeitos);
    void criarDiretorios() const;
    bool gravar(const QJsonObject &objeto) const;

    static QString texto(const QJsonObject &o, const char *chave);
    static int numero(const QJsonObject &o, const char *chave, int fallback);
    static bool booleano(const QJsonObject &o, const char *chave);

    QString m_filePath;
    QJsonObject m_root;
    QJsonObject m_custom;
    Log m_log;
};
