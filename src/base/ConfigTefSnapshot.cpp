#include "base/ConfigTefSnapshot.h"

#include "base/ConfigTef.h"

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <qplatformdefs.h>

namespace {

// A write in the same second as the one we read leaves the same time and, often, the
// same size. Until the file is older than this at the moment it was read, its time
// proves nothing and its bytes are compared instead. Two seconds cover the coarsest
// file system clock (FAT).
constexpr qint64 margemSegundos = 2;

int opcao(const QJsonObject &o, ConfigTef::Chave chave)
{
    return ConfigTef::lerValor(o, chave).toInt();
}

} // namespace

ConfigTefSnapshot::ConfigTefSnapshot(const QString &filePath) : m_filePath(filePath) {}

// Qt's own stat, not QFileInfo: its times come as local QDateTimes, and each costs a
// look at the system's time zone file, more than the rest of a conversion's checks.
ConfigTefSnapshot::Identidade ConfigTefSnapshot::identidadeAtual() const
{
    Identidade r;
    QT_STATBUF st;
    if (QT_STAT(m_caminhoLocal.constData(), &st) != 0)
        return r;
    r.existe = true;
    r.dispositivo = static_cast<quint64>(st.st_dev);
    r.inode = static_cast<quint64>(st.st_ino);
    r.tamanho = static_cast<qint64>(st.st_size);
    r.modificado = static_cast<qint64>(st.st_mtime);
    r.alterado = static_cast<qint64>(st.st_ctime);
    return r;
}

const ConfigTefSnapshot::Comprovante &ConfigTefSnapshot::comprovante()
{
    // Resolved at first use: the application object may not exist yet when a converter is built.
    if (m_caminhoLocal.isEmpty()) {
        if (m_filePath.isEmpty())
            m_filePath = ConfigTef::defaultFilePath();
        m_caminhoLocal = QFile::encodeName(m_filePath);
    }
    const Identidade identidade = identidadeAtual();
    if (!m_carregado || m_incerto || !(identidade == m_identidade))
        carregar(identidade);
    return m_comprovante;
}

void ConfigTefSnapshot::carregar(const Identidade &identidade)
{
    const qint64 lidoEm = QDateTime::currentSecsSinceEpoch();
    QByteArray conteudo;
    QFile file(m_filePath);
    const bool lido = file.open(QIODevice::ReadOnly);
    if (lido)
        conteudo = file.readAll();

    if (!m_carregado || conteudo != m_conteudo) {
        // A missing or unreadable file gives the defaults, as ConfigTef's getters do.
        const QJsonObject o = QJsonDocument::fromJson(conteudo).object();
        m_comprovante.tagComprovante = opcao(o, ConfigTef::Chave::TagComprovante);
        m_comprovante.tag028001 = opcao(o, ConfigTef::Chave::Tag028001);
        m_comprovante.aspasComprovante = opcao(o, ConfigTef::Chave::AspasComprovante);
        m_conteudo = conteudo;
    }
    m_identidade = identidade;
    m_carregado = true;
    // A file that stat cannot see (a name the system's 8-bit encoding cannot hold) has
    // no time to trust: its bytes decide at every call.
    m_incerto = lido && (!identidade.existe || lidoEm - identidade.modificado <= margemSegundos);
}
