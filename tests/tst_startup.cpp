#include "TestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// Starts the real program, as a shop would: a copy of the executable in a folder
// of its own, its configuration beside it, and nothing but files to look at.
class TestStartup : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString logText() const { return QString::fromUtf8(testsupport::readAll(path(QStringLiteral("z3_log.txt")))); }

    std::unique_ptr<QProcess> start(bool offscreen = true, const QStringList &extraEnv = {})
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_dir->path());
        env.remove(QStringLiteral("Z3_LOG"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (!offscreen)
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        for (const QString &kv : extraEnv)
            env.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
        process->setProcessEnvironment(env);
        process->setWorkingDirectory(m_dir->path());
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(path(QStringLiteral("Z3_TEFZoduvud")), QStringList());
        return process;
    }

    // Waits until the log holds the text `count` times, or the process ends first.
    bool waitForLog(const QString &text, int count, QProcess *process, int timeoutMs = 30000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            if (logText().count(text) >= count)
                return true;
            if (process && process->state() == QProcess::NotRunning)
                return logText().count(text) >= count;
            process->waitForFinished(20);
        }
        return false;
    }

    void writeConfig(const QJsonObject &o)
    {
        testsupport::writeAll(path(QStringLiteral("config_tef.json")), QJsonDocument(o).toJson());
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(QFile::copy(QStringLiteral(Z3_BIN_DIR "/Z3_TEFZoduvud"), path(QStringLiteral("Z3_TEFZoduvud"))));
    }

    void emptyFolderStartsAndRefusesASecondCopy()
    {
        auto first = start(/*offscreen=*/false); // no display and no platform chosen
        QVERIFY(waitForLog(QStringLiteral("Produto TEF configurado: 2"), 1, first.get()));
        QCOMPARE(first->state(), QProcess::Running);

        const QJsonObject config =
            QJsonDocument::fromJson(testsupport::readAll(path(QStringLiteral("config_tef.json")))).object();
        QCOMPARE(config.size(), 20); // 19 settings and "customizacao"
        QCOMPARE(config.value(QStringLiteral("customizacao")).toObject().size(), 8);
        QVERIFY(QFileInfo(path(QStringLiteral("Cliente/Req"))).isDir());
        QVERIFY(QFileInfo(path(QStringLiteral("Cliente/Resp"))).isDir());
        const QString log = logText();
        QVERIFY(log.contains(QStringLiteral("{I} \t\t Z3_TEFZoduvud\n")));
        QVERIFY(log.contains(QStringLiteral("{I} \t\t Versão: 01.23.04\n")));
        QVERIFY(log.contains(QStringLiteral("offscreen")));

        auto second = start();
        QVERIFY(second->waitForFinished(30000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(logText().contains(QStringLiteral("{D} \t\t Uma instância já está aberta\n")));
        QCOMPARE(first->state(), QProcess::Running);

        first->terminate(); // ends the event loop and releases the segment
        QVERIFY(first->waitForFinished(30000));
        QCOMPARE(first->exitCode(), 0);
        auto third = start({}, {QStringLiteral("Z3_EXIT_WHEN_IDLE=1")});
        QVERIFY(third->waitForFinished(30000));
        QCOMPARE(logText().count(QStringLiteral("Uma instância já está aberta")), 1);
    }

    void killedCopyDoesNotKeepTheNextOut()
    {
        auto first = start();
        QVERIFY(waitForLog(QStringLiteral("Produto TEF configurado"), 1, first.get()));
        first->kill(); // SIGKILL: nothing released
        QVERIFY(first->waitForFinished(30000));

        auto next = start();
        QVERIFY(waitForLog(QStringLiteral("Produto TEF configurado"), 2, next.get()));
        QCOMPARE(next->state(), QProcess::Running);
        QVERIFY(!logText().contains(QStringLiteral("Uma instância já está aberta")));
        next->terminate();
        QVERIFY(next->waitForFinished(30000));
    }

    void exitCodeByProduct_data()
    {
        QTest::addColumn<QJsonValue>("produto");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("logLine");
        QTest::newRow("product 5 is refused")
            << QJsonValue(5) << 255 << QStringLiteral("{E} \t\t Produto TEF inválido");
        QTest::newRow("product 0 starts") << QJsonValue(0) << 0 << QStringLiteral("Produto TEF configurado: 0");
        QTest::newRow("product 1 starts") << QJsonValue(1) << 0 << QStringLiteral("Produto TEF configurado: 1");
        QTest::newRow("product as text reads as 2")
            << QJsonValue("1") << 0 << QStringLiteral("Produto TEF configurado: 2");
        QTest::newRow("product -1 reads as 0") << QJsonValue(-1) << 0 << QStringLiteral("Produto TEF configurado: 0");
    }

    void exitCodeByProduct()
    {
        QFETCH(QJsonValue, produto);
        QFETCH(int, exitCode);
        QFETCH(QString, logLine);
        writeConfig(QJsonObject{{"produto_tef", produto}});
        auto process = start(true, {QStringLiteral("Z3_EXIT_WHEN_IDLE=1")});
        QVERIFY(process->waitForFinished(30000));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), exitCode);
        QVERIFY2(logText().contains(logLine), qPrintable(logText()));
    }

    // What the window shows at start is in the log (the screen is logged as it changes).
    void operationTypeChoosesTheFirstScreen_data()
    {
        QTest::addColumn<int>("tipoOperacao");
        QTest::addColumn<bool>("lista");
        QTest::newRow("autonomous-only shows the cashier's operations") << 1 << true;
        QTest::newRow("file exchange watches the request folder") << 0 << false;
    }

    void operationTypeChoosesTheFirstScreen()
    {
        QFETCH(int, tipoOperacao);
        QFETCH(bool, lista);
        writeConfig(QJsonObject{{"tipo_operacao", tipoOperacao}});
        auto process = start(true, {QStringLiteral("Z3_EXIT_WHEN_IDLE=1")});
        QVERIFY(process->waitForFinished(30000));
        QCOMPARE(process->exitCode(), 0);
        const QString log = logText();
        QCOMPARE(log.contains(QStringLiteral(
                     "[Base_Controller] Tela, lista: [0] Venda Cartao; [1] PIX; [2] Operação Administrativa\n")),
                 lista);
        QCOMPARE(log.contains(QStringLiteral("[Base_Controller] Tela: Selecione uma operação:")), lista);
        QCOMPARE(log.contains(QStringLiteral("[MonitoraDiretorio] Monitoramento iniciado em: ")), !lista);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
