#include "JanelaQml.h"

#include <QQmlContext>
#include <QTest>

#include <algorithm>

JanelaQml::JanelaQml(Janela *janela) : m_engine(std::make_unique<QQmlApplicationEngine>())
{
    m_engine->rootContext()->setContextProperty(QStringLiteral("janela"), janela);
    m_engine->rootContext()->setContextProperty(QStringLiteral("configuracoes"), &m_configuracoes);
    m_engine->load(QUrl(QStringLiteral("qrc:/main.qml")));
    if (!m_engine->rootObjects().isEmpty())
        m_janela = qobject_cast<QQuickWindow *>(m_engine->rootObjects().constFirst());
}

JanelaQml::~JanelaQml() = default;

QObject *JanelaQml::objeto(const QString &nome) const
{
    if (!m_janela)
        return nullptr;
    // Popups and the banner live under the window's overlay and content item.
    QObject *o = m_janela->findChild<QObject *>(nome);
    return o ? o : m_janela->contentItem()->findChild<QObject *>(nome);
}

QObject *JanelaQml::popup(const QString &nome) const
{
    const auto todos = m_janela ? m_janela->contentItem()->findChildren<QObject *>(nome) : QList<QObject *>();
    const auto aberto =
        std::find_if(todos.begin(), todos.end(), [](QObject *o) { return o->property("opened").toBool(); });
    return aberto == todos.end() ? nullptr : *aberto;
}

bool JanelaQml::clica(QQuickItem *alvo) const
{
    if (!alvo || !alvo->isVisible() || !m_janela)
        return false;
    const QPointF centro = alvo->mapToScene(QPointF(alvo->width() / 2, alvo->height() / 2));
    QTest::mouseClick(m_janela, Qt::LeftButton, Qt::NoModifier, centro.toPoint());
    return true;
}
