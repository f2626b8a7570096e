#pragma once

#include <QString>

class QLibrary;

// The updater library binding and the updater actions it serves. The library is
// loaded on first use by an action and unloaded with this object.
class Atualizador
{
public:
    Atualizador();
    ~Atualizador();
    Atualizador(const Atualizador &) = delete;
    Atualizador &operator=(const Atualizador &) = delete;

    // The action chosen by `modo` (0 verify, 1 download and install, 2 decline);
    // runs on the controller thread.
    void executar(int modo);

    const QString &produto() const { return m_produto; }
    const QString &arquitetura() const { return m_arquitetura; }
    const QString &nomeInstalador() const { return m_nomeInstalador; }

private:
    QString m_produto;
    QString m_arquitetura;
    QString m_nomeInstalador;

    using FnRealizarConfiguracao = void (*)(const char *, const char *, const char *, const char *, const char *);
    using FnRealizarVerificacao = const char *(*)();
    using FnRealizarDownload = const char *(*)(const char *);
    QLibrary *m_lib = nullptr;
    FnRealizarConfiguracao m_realizarConfiguracao = nullptr;
    FnRealizarVerificacao m_realizarVerificacao = nullptr;
    FnRealizarDownload m_realizarDownload = nullptr;
};
