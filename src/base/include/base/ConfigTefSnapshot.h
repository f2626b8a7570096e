#pragma once

#include <QByteArray>
#include <QString>

// The receipt options of config_tef.json for the response conversions, read again
// only when the file changed: a saved setting applies to the next response, and a
// response no longer costs a read and parse of the file. Each option is read as
// ConfigTef's table says. Not shared between threads: each converter keeps its own.
class ConfigTefSnapshot
{
public:
    struct Comprovante
    {
        int tagComprovante = 0;
        int tag028001 = 1;
        int aspasComprovante = 0;
    };

    // The file beside the executable unless given.
    explicit ConfigTefSnapshot(const QString &filePath = QString());

    // The options as the file holds them now; the defaults when it is missing or unreadable.
    const Comprovante &comprovante();

private:
    // Which file it is (a file saved anew in its place is another one) and when and
    // how it was last written.
    struct Identidade
    {
        bool existe = false;
        quint64 dispositivo = 0;
        quint64 inode = 0;
        qint64 tamanho = -1;
        qint64 modificado = 0;
        qint64 alterado = 0;
        bool operator==(const Identidade &o) const
        {
            return existe == o.existe && dispositivo == o.dispositivo && inode == o.inode && tamanho == o.tamanho &&
                   modificado == o.modificado && alterado == o.alterado;
        }
    };

    Identidade identidadeAtual() const;
    void carregar(const Identidade &identidade);

    QString m_filePath;
    QByteArray m_caminhoLocal;
    Identidade m_identidade;
    QByteArray m_conteudo;
    bool m_carregado = false;
    bool m_incerto = true;
    Comprovante m_comprovante;
};
