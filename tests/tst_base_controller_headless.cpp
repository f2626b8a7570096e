#include "TestController.h"
#include "TestSupport.h"
#include "app/GlobalFlags.h"

#include <QSignalSpy>
#include <QTest>

// Backends are tested without widgets: the controller must work under a plain
// QCoreApplication, without its tray.
class TestBaseControllerHeadless : public QObject
{
    Q_OBJECT

private slots:
    void worksWithoutATray();
};

void TestBaseControllerHeadless::worksWithoutATray()
{
    testsupport::writeConfig({});
    tefEmProcessamento = false;
    TestController c;
    QVERIFY(!c.trayIcon());
    QVERIFY(!c.menuAutonomo());
    connect(&c, &QThread::started, &c, &Base_Controller::preProcessThread);
    connect(&c, &QThread::finished, &c, &Base_Controller::onFinishThread);
    QSignalSpy idle(&c, &Base_Controller::firstTextChanged);
    QVERIFY(c.paraNoPortao());
    c.onClickButtonOK(QString(), 1);
    QVERIFY(esperaTerminar(c, 10000));
    QTRY_COMPARE(idle.count(), 1);
    tefEmProcessamento = false;
}

QTEST_GUILESS_MAIN(TestBaseControllerHeadless)
#include "tst_base_controller_headless.moc"
