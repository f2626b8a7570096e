#pragma once

#include "app/Configuracoes.h"
#include "backends/Janela.h"

#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>

#include <memory>

// The real main window, compiled in, loaded against a window model as the
// start-up does, with the settings popup's side of its own.
class JanelaQml
{
public:
    explicit JanelaQml(Janela *janela);
    ~JanelaQml();

    bool carregada() const { return m_janela != nullptr; }
    QQuickWindow *janela() const { return m_janela; }
    Configuracoes &configuracoes() { return m_configuracoes; }

    // An element of the window, or of an open popup, by objectName.
    QQuickItem *item(const QString &nome) const { return qobject_cast<QQuickItem *>(objeto(nome)); }
    QObject *objeto(const QString &nome) const;
    // The first open popup with this objectName (aviso, config), or nullptr.
    QObject *popup(const QString &nome) const;

    // Clicks an item in the middle; false when it is not on screen.
    bool clica(const QString &nome) const { return clica(item(nome)); }
    bool clica(QQuickItem *item) const;

private:
    Configuracoes m_configuracoes;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QQuickWindow *m_janela = nullptr;
};
