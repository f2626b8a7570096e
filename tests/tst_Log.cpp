#include "TestSupport.h"
#include "base/Log.h"

#include <QtTest>

#include <memory>
#include <vector>

namespace {

// The Qt message output is not what these tests look at; keep the run quiet.
void silence(QtMsgType, const QMessageLogContext &, const QString &) {}

QStringList fileLines(const QString &path)
{
    return QString::fromUtf8(testsupport::readAll(path)).split('\n', Qt::SkipEmptyParts);
}

// Today's file in the daily log folder.
QString dailyFile(const QString &folder)
{
    return folder + QDate::currentDate().toString(QStringLiteral("/ddMMyy")) + QStringLiteral("_Z3-LOG.txt");
}

const QString prefix = QStringLiteral(R"(^\{\d\d/\d\d/\d\d \d\d:\d\d:\d\d:\d\d\d\}\{Z3_TEFZoduvud\})");

} // namespace

class TestLog : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qInstallMessageHandler(silence);
    }

    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_dir.path()));
        QVERIFY(QDir::setCurrent(m_dir.path()));
        qputenv("Z3_LOG", "z3_log.txt");
        qputenv("Z3_LOG_PATH", "");
    }

    void lineLayout()
    {
        // What each entry point writes after the time stamp and the program's name, one line each.
        const Log log;
        const QString msg = QStringLiteral("[MonitoraDiretorio] Monitoramento pausado ção");
        log.debug(msg);
        log.info(msg);
        log.warning(msg); // one tab only
        log.error(msg);
        log.info("Versão"); // a C string is UTF-8
        log.info(QStringList{"a", "b", "c"});
        log.info("log: ", -12);
        const QStringList expected{"{D} \t\t " + msg, "{I} \t\t " + msg,  "{W} \t " + msg,    "{E} \t\t " + msg,
                                   "{I} \t\t Versão", "{I} \t\t a, b, c", "{I} \t\t log: -12"};
        QVERIFY(testsupport::readAll(QStringLiteral("z3_log.txt")).endsWith('\n'));
        QVERIFY(testsupport::somenteDono(QStringLiteral("z3_log.txt"))); // it holds amounts and NSUs
        QCOMPARE(fileLines(QStringLiteral("z3_log.txt")).replaceInStrings(QRegularExpression(prefix), QString()),
                 expected);
    }

    void dailyLogGoesToAnExistingFolderOnly()
    {
        qputenv("Z3_LOG", ""); // and no main log
        const QString daily = m_dir.filePath(QStringLiteral("diario"));
        qputenv("Z3_LOG_PATH", daily.toUtf8());
        Log().info("antes");
        QVERIFY(QDir(m_dir.path()).isEmpty()); // a missing folder is not created

        QDir().mkpath(daily);
        Log().info("depois");
        QCOMPARE(fileLines(dailyFile(daily)).replaceInStrings(QRegularExpression(prefix), QString()),
                 QStringList{"{I} \t\t depois"});
        QVERIFY(testsupport::somenteDono(dailyFile(daily)));
    }

    void rotationAboveTheLimitOnly_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("rotated");
        QTest::newRow("exactly 100 MiB stays") << qint64(104857600) << false;
        QTest::newRow("one byte more rotates") << qint64(104857601) << true;
    }

    void rotationAboveTheLimitOnly()
    {
        QFETCH(qint64, size);
        QFETCH(bool, rotated);
        Log().info("primeira linha");
        QVERIFY(QFile::resize(QStringLiteral("z3_log.txt"), size)); // sparse: instant and takes no disk
        testsupport::writeAll(QStringLiteral("Z3_LOG.bkp"), "old backup\n");
        Log().info("linha nova");

        // Rotated: the old backup replaced by the full log, which starts again; both the user's alone.
        QCOMPARE(QFileInfo(QStringLiteral("Z3_LOG.bkp")).size(), rotated ? size : qint64(sizeof "old backup\n" - 1));
        QCOMPARE(QFileInfo(QStringLiteral("z3_log.txt")).size() < size, rotated);
        QCOMPARE(testsupport::somenteDono(QStringLiteral("Z3_LOG.bkp")), rotated);
        QVERIFY(testsupport::somenteDono(QStringLiteral("z3_log.txt")));
    }

    void concurrentWritersNeverBreakALine()
    {
        const QString daily = m_dir.filePath(QStringLiteral("diario"));
        QDir().mkpath(daily);
        qputenv("Z3_LOG_PATH", daily.toUtf8());
        constexpr int threads = 8;
        constexpr int perThread = 10000;
        std::vector<std::unique_ptr<QThread>> workers;
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back(QThread::create([t] {
                const Log log;
                const QString tag = QStringLiteral("[T%1] ").arg(t);
                for (int i = 0; i < perThread; ++i)
                    log.warning(tag + QString::number(i) + QStringLiteral(" abcdefghijklmnopqrstuvwxyz"));
            }));
            workers.back()->start();
        }
        for (const auto &w : workers)
            QVERIFY(w->wait(120000));

        const QRegularExpression re(prefix + QStringLiteral(R"(\{W\} \t \[T(\d)\] (\d+) abcdefghijklmnopqrstuvwxyz$)"));
        for (const QString &path : {QStringLiteral("z3_log.txt"), dailyFile(daily)}) {
            const QStringList lines = fileLines(path);
            QCOMPARE(lines.size(), threads * perThread);
            std::vector<int> next(threads, 0);
            for (const QString &line : lines) {
                const auto m = re.match(line);
                QVERIFY2(m.hasMatch(), qPrintable(line));
                const int t = m.captured(1).toInt();
                QCOMPARE(m.captured(2).toInt(), next[t]++); // each thread's lines in its own order
            }
        }
    }

    void traceLayout()
    {
        const QString line = Log::formatarTrace(QtWarningMsg, QStringLiteral("getMask"), QStringLiteral("Entrou [1]"));
        const QRegularExpression re(
            QStringLiteral(R"(^\{\d\d/\d\d/\d{4} \d\d:\d\d:\d\d\|Warning\}\t\{getMask\} Entrou \[1\]$)"));
        QVERIFY2(re.match(line).hasMatch(), qPrintable(line));
        QVERIFY(Log::formatarTrace(QtCriticalMsg, {}, {}).contains(QStringLiteral("|Critical}")));
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "tst_Log.moc"
