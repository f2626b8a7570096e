#include "TestSupport.h"
#include "app/ConfigTef.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using testsupport::readAll;
using testsupport::writeAll;

class TestConfigTef : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QString m_path;

    QJsonObject stored() const { return QJsonDocument::fromJson(readAll(m_path)).object(); }

    // A complete file whose folders live in the temporary home.
    QJsonObject complete() const
    {
        QJsonObject o = ConfigTef(m_home.filePath(QStringLiteral("seed.json"))).configuracao();
        QFile::remove(m_home.filePath(QStringLiteral("seed.json")));
        return o;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toUtf8());
    }

    void init()
    {
        m_path = m_home.filePath(QStringLiteral("config_tef.json"));
        QFile::remove(m_path);
        QDir(m_home.filePath(QStringLiteral("Cliente"))).removeRecursively();
        qputenv("Z3_LOG", "");
    }

    void missingFileIsWrittenWithEveryDefault()
    {
        const ConfigTef config(m_path);
        const QJsonObject o = stored();
        const QJsonObject custom = o.value(QStringLiteral("customizacao")).toObject();
        QCOMPARE(o.size(), 20); // 19 settings and "customizacao"
        QCOMPARE(custom.size(), 8);
        QCOMPARE(o, config.configuracao());

        QCOMPARE(config.pathIn(), m_home.path() + QStringLiteral("/Cliente/Req"));
        QCOMPARE(config.pathOut(), m_home.path() + QStringLiteral("/Cliente/Resp"));
        QVERIFY(QFileInfo(config.pathIn()).isDir());
        QVERIFY(QFileInfo(config.pathOut()).isDir());
        QCOMPARE(config.fileReq(), QStringLiteral("IntPos.001"));
        QCOMPARE(config.fileResp(), QStringLiteral("IntPos.Sts"));
        QCOMPARE(config.log(), 1);
        QCOMPARE(config.produtoTef(), 2);
        QCOMPARE(config.tag028001(), 1);
        QCOMPARE(config.nomeImpressora(), QStringLiteral("Impressoras Varda/Korvanta"));
        QCOMPARE(config.caminhoPdf(), QStringLiteral("."));
        QCOMPARE(config.caminhoLogo(), QStringLiteral("Logo Varda Pay - Azul.png"));
        QCOMPARE(config.corSelecao(), QStringLiteral("#D5D5D5"));
        QCOMPARE(config.alturaJanela(), 590);
        QCOMPARE(config.larguraJanela(), 850);
        QVERIFY(!config.gerarPdf());
        QVERIFY(!config.bloquearAtualizacao());
        QCOMPARE(config.codificacaoArquivos(), QStringLiteral("utf-8"));
    }

    void incompleteFileIsRewrittenKeepingItsValues()
    {
        writeAll(m_path, R"({"produto_tef": 1, "nao_usada": "x"})");
        const ConfigTef config(m_path);
        QCOMPARE(config.produtoTef(), 1);
        const QJsonObject o = stored();
        QCOMPARE(o.value(QStringLiteral("produto_tef")).toInt(), 1);
        QCOMPARE(o.size(), 20);
        QVERIFY(!o.contains(QStringLiteral("nao_usada"))); // dropped by the rewrite
    }

    void completeFileIsLeftUntouched_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<bool>("remove");
        QTest::newRow("only tag_comprovante missing") << "tag_comprovante" << QJsonValue() << true;
        QTest::newRow("an unknown key survives") << "nao_usada" << QJsonValue(42) << false;
        QTest::newRow("a wrong type is not a reason to rewrite") << "gerar_pdf" << QJsonValue(1) << false;
    }

    void completeFileIsLeftUntouched()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QFETCH(bool, remove);
        QJsonObject o = complete();
        if (remove)
            o.remove(key);
        else
            o.insert(key, value);
        const QByteArray before = QJsonDocument(o).toJson(QJsonDocument::Compact);
        writeAll(m_path, before);
        const ConfigTef config(m_path);
        QCOMPARE(readAll(m_path), before);
        QCOMPARE(config.tagComprovante(), 0);
    }

    void valuesReadAsTheyMayBeUsed_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QString>("getter");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("boolean given as number") << "gerar_pdf" << QJsonValue(1) << "gerarPdf" << QVariant(false);
        QTest::newRow("number given as text")
            << "altura_janela" << QJsonValue("600") << "alturaJanela" << QVariant(590);
        QTest::newRow("product given as text") << "produto_tef" << QJsonValue("1") << "produtoTef" << QVariant(2);
        QTest::newRow("product not integral") << "produto_tef" << QJsonValue(1.5) << "produtoTef" << QVariant(2);
        QTest::newRow("product far out of int range")
            << "produto_tef" << QJsonValue(1e300) << "produtoTef" << QVariant(2);
        QTest::newRow("product -1 reads as 0") << "produto_tef" << QJsonValue(-1) << "produtoTef" << QVariant(0);
        QTest::newRow("product 1 is the bridge") << "produto_tef" << QJsonValue(1) << "produtoTef" << QVariant(1);
        QTest::newRow("product 3 is invalid") << "produto_tef" << QJsonValue(3) << "produtoTef" << QVariant(-2);
        QTest::newRow("product -7 is invalid") << "produto_tef" << QJsonValue(-7) << "produtoTef" << QVariant(-2);
        QTest::newRow("text given as number") << "file_req" << QJsonValue(7) << "fileReq" << QVariant("IntPos.001");
        QTest::newRow("empty text is kept") << "file_req" << QJsonValue("") << "fileReq" << QVariant("");
        QTest::newRow("text given as object")
            << "cor_fundo" << QJsonValue(QJsonObject{}) << "corFundo" << QVariant("#ffffff");
        QTest::newRow("encoding in capitals")
            << "codificacao_arquivos" << QJsonValue("WINDOWS-1252") << "codificacao" << QVariant("windows-1252");
        QTest::newRow("unknown encoding reads as UTF-8")
            << "codificacao_arquivos" << QJsonValue("latin1") << "codificacao" << QVariant("utf-8");
    }

    void valuesReadAsTheyMayBeUsed()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QFETCH(QString, getter);
        QFETCH(QVariant, expected);
        QJsonObject o = complete();
        if (o.contains(key)) {
            o.insert(key, value);
        } else {
            QJsonObject custom = o.value(QStringLiteral("customizacao")).toObject();
            custom.insert(key, value);
            o.insert(QStringLiteral("customizacao"), custom);
        }
        writeAll(m_path, QJsonDocument(o).toJson());
        const ConfigTef c(m_path);
        const QMap<QString, QVariant> values = {
            {"gerarPdf", c.gerarPdf()}, {"alturaJanela", c.alturaJanela()}, {"produtoTef", c.produtoTef()},
            {"fileReq", c.fileReq()},   {"corFundo", c.corFundo()},         {"codificacao", c.codificacaoArquivos()},
        };
        QCOMPARE(values.value(getter), expected);
    }

    void badFilesGiveDefaultsAndAreOverwritten_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("not JSON") << QByteArray("produto_tef = 1");
        QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe\x01{\x80", 6);
        QTest::newRow("a JSON array") << QByteArray("[1, 2, 3]");
        QTest::newRow("10 MB of text") << QByteArray(10 * 1024 * 1024, 'a');
        QTest::newRow("nested 5000 deep") << QByteArray(5000, '[') + QByteArray(5000, ']');
        QTest::newRow("object nested 5000 deep")
            << QByteArray("{\"produto_tef\":1,\"x\":") + QByteArray(5000, '[') + QByteArray(5000, ']') + "}";
    }

    void badFilesGiveDefaultsAndAreOverwritten()
    {
        QFETCH(QByteArray, content);
        writeAll(m_path, content);
        const ConfigTef config(m_path);
        QCOMPARE(config.produtoTef(), 2);
        QCOMPARE(stored(), config.configuracao());
    }

    void unreadableFileGivesFallbacks()
    {
        QVERIFY(QDir().mkpath(m_path)); // a directory where the file should be
        const ConfigTef config(m_path);
        QCOMPARE(config.produtoTef(), 0);
        QCOMPARE(config.pathIn(), QString());
        QCOMPARE(config.pathOut(), QString());
        QCOMPARE(config.tag028001(), 1);
        QCOMPARE(config.alturaJanela(), 590);
        QCOMPARE(config.larguraJanela(), 850);
        QCOMPARE(config.tipoOperacao(), 0);
        QVERIFY(!config.gerarPdf());
        QVERIFY(QFileInfo(m_path).isDir());
        QDir(m_path).removeRecursively();
    }

    void logSettingSwitchesTheLogFileOn_data()
    {
        QTest::addColumn<int>("log");
        QTest::addColumn<QByteArray>("preset");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("log 1 switches it on") << 1 << QByteArray() << QByteArray("z3_log.txt");
        QTest::newRow("log 1 keeps the user's file") << 1 << QByteArray("meu.log") << QByteArray("meu.log");
        QTest::newRow("log 0 leaves it off") << 0 << QByteArray() << QByteArray();
        QTest::newRow("log 2 leaves it off") << 2 << QByteArray() << QByteArray();
    }

    void logSettingSwitchesTheLogFileOn()
    {
        QFETCH(int, log);
        QFETCH(QByteArray, preset);
        QFETCH(QByteArray, expected);
        QJsonObject o = complete();
        o.insert(QStringLiteral("log"), log);
        writeAll(m_path, QJsonDocument(o).toJson());
        qputenv("Z3_LOG", preset);
        ConfigTef config(m_path);
        QCOMPARE(qgetenv("Z3_LOG"), expected);
        qputenv("Z3_LOG", "");
    }

    void settingsFolder_data()
    {
        QTest::addColumn<QString>("programa");
        QTest::addColumn<QString>("esperada");
        QTest::newRow("writable program folder keeps them") << m_home.path() << m_home.path();
        QTest::newRow("packaged copy uses the user's folder")
            << QStringLiteral(Z3_INSTALL_DIR) << QStringLiteral("/x/Z3_TEFZoduvud");
        QTest::newRow("missing program folder too")
            << m_home.filePath("nao/existe") << QStringLiteral("/x/Z3_TEFZoduvud");
    }

    void settingsFolder()
    {
        QFETCH(QString, programa);
        QFETCH(QString, esperada);
        qputenv("XDG_CONFIG_HOME", "/x");
        QCOMPARE(ConfigTef::pastaPara(programa), esperada);
        qunsetenv("XDG_CONFIG_HOME");
    }

    void saveReplacesTheWholeFile()
    {
        const ConfigTef config(m_path);
        const QJsonObject edited{{"produto_tef", 0}, {"path_in", "/x"}};
        QVERIFY(config.salvar(edited));
        QCOMPARE(stored(), edited);
        QCOMPARE(ConfigTef(m_path).produtoTef(), 0);
    }

    void saveReportsFailure_data()
    {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("a full disk") << true;
        QTest::newRow("a folder in the way") << false;
    }

    void saveReportsFailure()
    {
        QFETCH(bool, fullDisk);
        const ConfigTef config(m_path);
        QFile::remove(m_path);
        if (fullDisk)
            QVERIFY(QFile::link(QStringLiteral("/dev/full"), m_path));
        else
            QVERIFY(QDir().mkpath(m_path));
        QVERIFY(!config.salvar(QJsonObject{{"produto_tef", 1}}));
        QFile::remove(m_path);
        QDir(m_path).removeRecursively();
    }
};

QTEST_GUILESS_MAIN(TestConfigTef)
#include "tst_ConfigTef.moc"
