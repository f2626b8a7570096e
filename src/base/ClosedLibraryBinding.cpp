#include "base/ClosedLibraryBinding.h"

#include "base/Log.h"

#include <QLibrary>

ClosedLibraryBinding::ClosedLibraryBinding(const QString &owner) : m_owner(owner), m_lib(std::make_unique<QLibrary>())
{}

ClosedLibraryBinding::~ClosedLibraryBinding() = default;

void ClosedLibraryBinding::clear()
{
    for (const EntryPoint &e : m_table)
        e.store(nullptr);
    m_unresolved.clear();
}

bool ClosedLibraryBinding::load(const QString &file, std::initializer_list<EntryPoint> table)
{
    clear();
    m_table.assign(table.begin(), table.end());
    clear();
    if (!QLibrary::isLibrary(file))
        return false;
    m_lib->setFileName(file);
    if (!m_lib->load())
        return false;
    for (const EntryPoint &e : m_table) {
        const QFunctionPointer f = m_lib->resolve(e.name);
        e.store(f);
        if (!f) {
            m_unresolved << QString::fromLatin1(e.name);
            Log().error(QStringLiteral("[%1] Função não encontrada na biblioteca: %2")
                            .arg(m_owner, QString::fromLatin1(e.name)));
        }
    }
    return true;
}

bool ClosedLibraryBinding::unload()
{
    clear();
    return m_lib->unload();
}

bool ClosedLibraryBinding::isLoaded() const
{
    return m_lib->isLoaded();
}

QString ClosedLibraryBinding::unavailable(const QString &library, const char *function)
{
    return QStringLiteral("Função %1 da biblioteca %2 não está disponível").arg(QString::fromLatin1(function), library);
}
