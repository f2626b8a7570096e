#pragma once

#include "TestController.h"

#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>

#include <memory>

// The real main window, compiled in, loaded against a controller as the
// start-up does, with a restart object that only counts.
class JanelaQml
{
public:
    explicit JanelaQml(Base_Controller *controller);
    ~JanelaQml();

    bool carregada() const { return m_janela != nullptr; }
    QQuickWindow *janela() const { return m_janela; }
    FakeRestartHandler &restart() { return m_restart; }

    // An element of the window, or of an open popup, by objectName.
    QQuickItem *item(const QString &nome) const { return qobject_cast<QQuickItem *>(objeto(nome)); }
    QObject *objeto(const QString &nome) const;
    // The first open popup with this objectName (aviso, config), or nullptr.
    QObject *popup(const QString &nome) const;

    // Clicks an item in the middle; false when it is not on screen.
    bool clica(const QString &nome) const { return clica(item(nome)); }
    bool clica(QQuickItem *item) const;

private:
    FakeRestartHandler m_restart;
    std::unique_ptr<QQmlApplicationEngine> m_engine;
    QQuickWindow *m_janela = nullptr;
};
