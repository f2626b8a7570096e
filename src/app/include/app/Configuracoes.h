#pragma once

#include "base/ConfigTef.h"
#include "base/Log.h"

#include <QObject>
#include <QString>

// What the settings popup reads, checks and saves, and its pickers; the QML
// sees it as "configuracoes".
class Configuracoes : public QObject
{
    Q_OBJECT

public:
    explicit Configuracoes(const QString &arquivo = ConfigTef::defaultFilePath(), QObject *parent = nullptr)
        : QObject(parent), m_arquivo(arquivo)
    {}

    // The settings file as it is now, as the popup fills its fields from it (JSON text); nothing written.
    Q_INVOKABLE QString ler() const;
    // The settings' table, by which the popup fills and collects its fields (JSON array of
    // {"nome", "tipo": "texto"|"inteiro"|"booleano", "padrao", "personalizacao", "liga": ""|"1"|"!0"}).
    Q_INVOKABLE QString tabela() const;
    // Why the popup's settings must not be saved; empty when they may.
    Q_INVOKABLE QString motivoRecusa(const QString &dados) const;
    // Saves them; false, and nothing written, when they are refused or cannot be written.
    Q_INVOKABLE bool salvar(const QString &dados);
    // The printers to choose from: the maker's receipt printer first (JSON array of {"text"}).
    Q_INVOKABLE QString impressoras() const;
    Q_INVOKABLE QString escolherCor() const;
    Q_INVOKABLE QString escolherPasta() const;
    Q_INVOKABLE QString escolherArquivo() const;
    // After a save: the program starts again with the new settings.
    Q_INVOKABLE void reiniciar();

signals:
    void reinicioPedido();

private:
    QString m_arquivo;
    Log m_log;
};
