#pragma once

#include <QFunctionPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>
#include <memory>

class QLibrary;

// What every binding of a closed vendor library shares: the QLibrary, the
// resolution of its entry points from a table, the list of names that did not
// resolve, and the text that reports an entry point as unavailable. A binding
// keeps one typed pointer per entry point and calls it only when it resolved.
class ClosedLibraryBinding
{
public:
    struct EntryPoint
    {
        const char *name;
        std::function<void(QFunctionPointer)> store;
    };

    // One row of the table: the exported name and the typed pointer it fills.
    template <typename F>
    static EntryPoint entry(const char *name, F &pointer)
    {
        return {name, [&pointer](QFunctionPointer f) {
                    pointer = reinterpret_cast<F>(f);
                }};
    }

    // `owner` tags the log lines, e.g. "Z3_Tef_Library".
    explicit ClosedLibraryBinding(const QString &owner);
    ~ClosedLibraryBinding();
    ClosedLibraryBinding(const ClosedLibraryBinding &) = delete;
    ClosedLibraryBinding &operator=(const ClosedLibraryBinding &) = delete;

    // Loads the file and fills every pointer of the table, null where a name does
    // not resolve (logged and listed). False when the file is no library or does
    // not load; the pointers are then all null.
    bool load(const QString &file, std::initializer_list<EntryPoint> table);
    // Unloads and nulls every pointer of the table given to load().
    bool unload();
    bool isLoaded() const;
    QStringList unresolved() const { return m_unresolved; }

    // What a call answers when its entry point is not available:
    // "Função X da biblioteca Y não está disponível".
    static QString unavailable(const QString &library, const char *function);

private:
    void clear();

    QString m_owner;
    std::unique_ptr<QLibrary> m_lib;
    std::vector<EntryPoint> m_table;
    QStringList m_unresolved;
};
