#include "TestSupport.h"
#include "base/ConfigTef.h"
#include "base/Platform.h"

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
        const ConfigTef c(m_path);
        const QJsonObject o = stored();
        QCOMPARE(o.size(), 21); // 20 settings and "customizacao": one missing would rewrite the file at every start
        QCOMPARE(o.value(QStringLiteral("customizacao")).toObject().size(), 8);
        QCOMPARE(o, c.configuracao());
        QVERIFY(QFileInfo(c.pathIn()).isDir() && QFileInfo(c.pathOut()).isDir());
        QVERIFY(testsupport::somenteDono(m_path));
        QCOMPARE((QVariantList{c.pathIn(), c.pathOut(), c.fileReq(), c.fileResp(), c.log(), c.produtoTef(),
                               c.tag028001(), c.tagComprovante(), c.nomeImpressora(), c.caminhoPdf(), c.caminhoLogo(),
                               c.corFundo(), c.corSelecao(), c.alturaJanela(), c.larguraJanela(), c.gerarPdf(),
                               c.bloquearAtualizacao(), c.codificacaoArquivos(), c.diasHistorico()}),
                 (QVariantList{m_home.path() + "/Cliente/Req", m_home.path() + "/Cliente/Resp", "IntPos.001",
                               "IntPos.Sts", 1, 2, 1, 0, "Impressoras Varda/Korvanta", ".", "Logo Varda Pay - Azul.png",
                               "#ffffff", "#D5D5D5", 590, 850, false, false, "utf-8", 90}));
    }

    void fileRewrittenOnlyWhenIncomplete_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("produto");
        QTest::addColumn<bool>("rewritten"); // with every setting and nothing else; otherwise left byte for byte
        const auto completo = [this](const char *key, const QJsonValue &value) {
            QJsonObject o = complete();
            if (value.isUndefined())
                o.remove(QLatin1String(key));
            else
                o.insert(QLatin1String(key), value);
            return QJsonDocument(o).toJson(QJsonDocument::Compact);
        };
        QTest::newRow("only tag_comprovante missing")
            << completo("tag_comprovante", QJsonValue::Undefined) << 2 << false;
        // A file written before the history existed is not rewritten for it (nor loses its unknown keys).
        QTest::newRow("only dias_historico missing") << completo("dias_historico", QJsonValue::Undefined) << 2 << false;
        QTest::newRow("an unknown key survives") << completo("nao_usada", 42) << 2 << false;
        QTest::newRow("a wrong type is not a reason to rewrite") << completo("gerar_pdf", 1) << 2 << false;
        QTest::newRow("incomplete: its values kept, unknown keys dropped")
            << QByteArray(R"({"produto_tef": 1, "nao_usada": "x"})") << 1 << true;
        QTest::newRow("not JSON") << QByteArray("produto_tef = 1") << 2 << true;
        QTest::newRow("a JSON array") << QByteArray("[1, 2, 3]") << 2 << true;
        QTest::newRow("object nested 5000 deep")
            << QByteArray("{\"produto_tef\":1,\"x\":") + QByteArray(5000, '[') + QByteArray(5000, ']') + "}" << 2
            << true;
    }

    void fileRewrittenOnlyWhenIncomplete()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, rewritten);
        writeAll(m_path, content);
        const ConfigTef config(m_path);
        QTEST(config.produtoTef(), "produto");
        if (rewritten)
            QCOMPARE(stored(), config.configuracao());
        else
            QCOMPARE(readAll(m_path), content);
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
        QTest::newRow("product not integral") << "produto_tef" << QJsonValue(1.5) << "produtoTef" << QVariant(2);
        QTest::newRow("product far out of int range")
            << "produto_tef" << QJsonValue(1e300) << "produtoTef" << QVariant(2);
        QTest::newRow("product -1 reads as 0") << "produto_tef" << QJsonValue(-1) << "produtoTef" << QVariant(0);
        QTest::newRow("product 1 is the bridge") << "produto_tef" << QJsonValue(1) << "produtoTef" << QVariant(1);
        QTest::newRow("product 3 is invalid") << "produto_tef" << QJsonValue(3) << "produtoTef" << QVariant(-2);
        QTest::newRow("product -7 is invalid") << "produto_tef" << QJsonValue(-7) << "produtoTef" << QVariant(-2);
        QTest::newRow("text given as number") << "file_req" << QJsonValue(7) << "fileReq" << QVariant("IntPos.001");
        QTest::newRow("empty text is kept") << "file_req" << QJsonValue("") << "fileReq" << QVariant("");
        QTest::newRow("window height read from customizacao")
            << "altura_janela" << QJsonValue(600) << "alturaJanela" << QVariant(600);
        QTest::newRow("encoding in capitals")
            << "codificacao_arquivos" << QJsonValue("WINDOWS-1252") << "codificacao" << QVariant("windows-1252");
        QTest::newRow("unknown encoding reads as UTF-8")
            << "codificacao_arquivos" << QJsonValue("latin1") << "codificacao" << QVariant("utf-8");
        QTest::newRow("history kept at least a day")
            << "dias_historico" << QJsonValue(0) << "diasHistorico" << QVariant(1);
        QTest::newRow("history days as text read as 90")
            << "dias_historico" << QJsonValue("30") << "diasHistorico" << QVariant(90);
    }

    void valuesReadAsTheyMayBeUsed()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QFETCH(QString, getter);
        QFETCH(QVariant, expected);
        QJsonObject o = complete();
        QJsonObject custom = o.value(QStringLiteral("customizacao")).toObject();
        (o.contains(key) ? o : custom).insert(key, value);
        o.insert(QStringLiteral("customizacao"), custom);
        writeAll(m_path, QJsonDocument(o).toJson());
        const ConfigTef c(m_path);
        const QMap<QString, QVariant> values = {
            {"gerarPdf", c.gerarPdf()},           {"alturaJanela", c.alturaJanela()},
            {"produtoTef", c.produtoTef()},       {"fileReq", c.fileReq()},
            {"corFundo", c.corFundo()},           {"codificacao", c.codificacaoArquivos()},
            {"diasHistorico", c.diasHistorico()},
        };
        QCOMPARE(values.value(getter), expected);
    }

    void unreadableFileGivesFallbacks()
    {
        QVERIFY(QDir().mkpath(m_path)); // a directory where the file should be
        const ConfigTef c(m_path);
        QCOMPARE((QVariantList{c.produtoTef(), c.pathIn(), c.pathOut(), c.tag028001(), c.alturaJanela(),
                               c.larguraJanela(), c.tipoOperacao(), c.gerarPdf()}),
                 (QVariantList{0, QString(), QString(), 1, 590, 850, 0, false}));
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
    }

    // Support's status query reads the settings of the copy that runs: it must change nothing at all.
    void readOnlyReadingWritesNothing_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file
        QTest::addColumn<int>("produto");
        QTest::newRow("no file") << QByteArray() << 2;
        QTest::newRow("incomplete file with the log on") << QByteArray(R"({"produto_tef": 1, "log": 1})") << 1;
    }

    void readOnlyReadingWritesNothing()
    {
        QFETCH(QByteArray, content);
        if (!content.isEmpty())
            writeAll(m_path, content);
        const ConfigTef c = ConfigTef::somenteLeitura(m_path);
        QTEST(c.produtoTef(), "produto");
        QCOMPARE(c.pathIn(), m_home.path() + "/Cliente/Req");
        QCOMPARE(readAll(m_path), content);
        QVERIFY(!QFileInfo::exists(m_home.filePath(QStringLiteral("Cliente"))));
        QVERIFY(qEnvironmentVariableIsEmpty("Z3_LOG"));
    }

    // The settings' folder holds the journal, the history and the log as well.
    void settingsFolderMadeForTheUserAlone()
    {
        const QString feita = m_home.filePath(QStringLiteral("config/Z3_TEFZoduvud"));
        QVERIFY(platform::makePrivateFolder(feita));
        QVERIFY(testsupport::somenteDono(feita));
        const auto aberta = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                            QFileDevice::ReadOther | QFileDevice::ExeOther;
        QVERIFY(QFile::setPermissions(feita, aberta));
        QVERIFY(platform::makePrivateFolder(feita)); // one that exists is the user's choice
        QVERIFY(!testsupport::somenteDono(feita));
        QDir(m_home.filePath(QStringLiteral("config"))).removeRecursively();
    }

    void settingsFolder_data()
    {
        QTest::addColumn<QString>("programa");
        QTest::addColumn<QString>("esperada");
        const QString usuario = QStringLiteral("/x/Z3_TEFZoduvud"); // under XDG_CONFIG_HOME
        QTest::newRow("writable program folder keeps them") << m_home.path() << m_home.path();
        QTest::newRow("packaged copy uses the user's folder") << QStringLiteral(Z3_INSTALL_DIR) << usuario;
        QTest::newRow("missing program folder too") << m_home.filePath("nao/existe") << usuario;
    }

    void settingsFolder()
    {
        QFETCH(QString, programa);
        QFETCH(QString, esperada);
        qputenv("XDG_CONFIG_HOME", "/x");
        QCOMPARE(ConfigTef::pastaPara(programa), esperada);
        qunsetenv("XDG_CONFIG_HOME");
    }

    void save_data()
    {
        QTest::addColumn<QString>("obstacle"); // what stands at the file's path; empty: nothing
        QTest::newRow("the whole file is replaced") << QString();
        QTest::newRow("a full disk is reported") << "/dev/full";
        QTest::newRow("a folder in the way is reported") << "folder";
    }

    void save()
    {
        QFETCH(QString, obstacle);
        const ConfigTef config(m_path);
        const QJsonObject edited{{"produto_tef", 0}, {"path_in", "/x"}};
        if (!obstacle.isEmpty()) {
            QFile::remove(m_path);
            QVERIFY(obstacle == "folder" ? QDir().mkpath(m_path) : QFile::link(obstacle, m_path));
        }
        QCOMPARE(config.salvar(edited), obstacle.isEmpty());
        if (obstacle.isEmpty())
            QCOMPARE(stored(), edited);
        QFile::remove(m_path);
        QDir(m_path).removeRecursively();
    }
};

QTEST_GUILESS_MAIN(TestConfigTef)
#include "tst_ConfigTef.moc"
