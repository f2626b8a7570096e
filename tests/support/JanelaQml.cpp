#include "JanelaQml.h"

#include <QQmlContext>
#include <QTest>

JanelaQml::JanelaQml(Base_Controller *controller) : m_engine(std::make_unique<QQmlApplicationEngine>())
{
    m_engine->rootContext()->setContextProperty(QStringLiteral("controller"), controller);
    m_engine->rootContext()->setContextProperty(QStringLiteral("RestartHandler"), &m_restart);
    m_engine->load(QUrl(QStringLiteral("qrc:/main.qml")));
    if (!m_engine->rootObjects().isEmpty())
        m_janela = qobject_cast<QQuickWindow *>(m_engine->rootObjects().constFirst());
}

JanelaQml::~JanelaQml() = default;

QObject *JanelaQml::objeto(const QString &nome) const
{
    if (!m_janela)
        return nullptr;
    if (QObject *o = m_janela->findChild<QObject *>(nome))
        return o;
    // Popups and the banner live under the window's overlay and content item.
    if (QObject *o = m_janela->contentItem()->findChild<QObject *>(nome))
        return o;
    return nullptr;
}

QQuickItem *JanelaQml::item(const QString &nome) const
{
    return qobject_cast<QQuickItem *>(objeto(nome));
}

QObject *JanelaQml::popup(const QString &nome) const
{
    if (!m_janela)
        return nullptr;
    const auto todos = m_janela->contentItem()->findChildren<QObject *>(nome);
    for (QObject *o : todos) {
        if (o->property("opened").toBool())
            return o;
    }
    return nullptr;
}

bool JanelaQml::clica(const QString &nome) const
{
    return clica(item(nome));
}

bool JanelaQml::clica(QQuickItem *alvo) const
{
    if (!alvo || !alvo->isVisible() || !m_janela)
        return false;
    const QPointF centro = alvo->mapToScene(QPointF(alvo->width() / 2, alvo->height() / 2));
    QTest::mouseClick(m_janela, Qt::LeftButton, Qt::NoModifier, centro.toPoint());
    return true;
}
