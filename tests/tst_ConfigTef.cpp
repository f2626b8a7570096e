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
    QJsonObject complete() const { return ConfigTef(m_home.filePath(QStringLiteral("nenhum.json"))).configuracao(); }

    static QJsonObject comValor(QJsonObject o, const QString &key, const QJsonValue &value)
    {
        QJsonObject custom = o.value(QStringLiteral("customizacao")).toObject();
        QJsonObject &alvo = custom.contains(key) ? custom : o;
        if (value.isUndefined())
            alvo.remove(key);
        else
            alvo.insert(key, value);
        if (!custom.isEmpty())
            o.insert(QStringLiteral("customizacao"), custom);
        return o;
    }

    bool exchangeFoldersExist() const { return QFileInfo::exists(m_home.filePath(QStringLiteral("Cliente"))); }

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

    // What a new file holds: the stored defaults other copies and the POS's integrators rely on.
    void startUpWritesEveryDefault_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("expected");
        const QString home = m_home.path();
        const QList<QPair<const char *, QJsonValue>> linhas{
            {"path_in", home + "/Cliente/Req"},
            {"path_out", home + "/Cliente/Resp"},
            {"file_req", "IntPos.001"},
            {"file_resp", "IntPos.Sts"},
            {"log", 1},
            {"vitra", 0},
            {"produto_tef", 2},
            {"tag_comprovante", 0},
            {"tag_028_001", 1},
            {"aspas_comprovante", 0},
            {"iniciar_atualizacao_aut", 0},
            {"bloquear_atualizacao", false},
            {"tipo_operacao", 0},
            {"nome_impressora", "Impressoras Varda/Korvanta"},
            {"caminho_pdf", "."},
            {"gerar_pdf", false},
            {"habilita_impressao", false},
            {"visualizar_pdf", false},
            {"codificacao_arquivos", "utf-8"},
            {"dias_historico", 90},
            {"caminho_logo", "Logo Varda Pay - Azul.png"},
            {"cor_fundo", "#ffffff"},
            {"cor_destaque", "#0093ff"},
            {"cor_fonte1", "#000000"},
            {"cor_fonte2", "#ffffff"},
            {"cor_selecao", "#D5D5D5"},
            {"altura_janela", 590},
            {"largura_janela", 850},
        };
        QCOMPARE(linhas.size(), ConfigTef::quantidadeChaves);
        for (const auto &[key, expected] : linhas)
            QTest::newRow(key) << QString::fromLatin1(key) << expected;
    }

    void startUpWritesEveryDefault()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, expected);
        const ConfigTef c(m_path);
        QVERIFY(!QFileInfo::exists(m_path));
        c.prepararInicio();
        const QJsonObject o = stored();
        // 20 settings and "customizacao": one missing would rewrite the file at every start.
        QCOMPARE(o.size(), 21);
        QCOMPARE(o.value(QStringLiteral("customizacao")).toObject().size(), 8);
        QCOMPARE(o, c.configuracao());
        const QJsonObject custom = o.value(QStringLiteral("customizacao")).toObject();
        QCOMPARE((custom.contains(key) ? custom : o).value(key), expected);
        QVERIFY(QFileInfo(c.pathIn()).isDir() && QFileInfo(c.pathOut()).isDir());
        QVERIFY(testsupport::somenteDono(m_path));
    }

    void fileRewrittenOnlyAtStartUpWhenIncomplete_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("produto");
        QTest::addColumn<bool>("rewritten"); // with every setting and nothing else; otherwise left byte for byte
        const auto completo = [this](const char *key, const QJsonValue &value) {
            return QJsonDocument(comValor(complete(), QLatin1String(key), value)).toJson(QJsonDocument::Compact);
        };
        QTest::newRow("only tag_comprovante missing")
            << completo("tag_comprovante", QJsonValue::Undefined) << 2 << false;
        // A file written before the history existed is not rewritten for it (nor loses its unknown keys).
        QTest::newRow("only dias_historico missing") << completo("dias_historico", QJsonValue::Undefined) << 2 << false;
        QTest::newRow("an unknown key survives") << completo("nao_usada", 42) << 2 << false;
        QTest::newRow("a wrong type is not a reason to rewrite") << completo("gerar_pdf", 1) << 2 << false;
        QTest::newRow("codificacao_arquivos missing")
            << completo("codificacao_arquivos", QJsonValue::Undefined) << 2 << true;
        QTest::newRow("a customisation missing") << completo("cor_selecao", QJsonValue::Undefined) << 2 << true;
        QTest::newRow("incomplete: its values kept, unknown keys dropped")
            << QByteArray(R"({"produto_tef": 1, "nao_usada": "x"})") << 1 << true;
        QTest::newRow("not JSON") << QByteArray("produto_tef = 1") << 2 << true;
        QTest::newRow("a JSON array") << QByteArray("[1, 2, 3]") << 2 << true;
        QTest::newRow("object nested 5000 deep")
            << QByteArray("{\"produto_tef\":1,\"x\":") + QByteArray(5000, '[') + QByteArray(5000, ']') + "}" << 2
            << true;
    }

    void fileRewrittenOnlyAtStartUpWhenIncomplete()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, rewritten);
        writeAll(m_path, content);
        const ConfigTef config(m_path);
        QTEST(config.produtoTef(), "produto");
        QCOMPARE(readAll(m_path), content);
        config.prepararInicio();
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
        QTest::newRow("boolean given as text")
            << "bloquear_atualizacao" << QJsonValue("true") << "bloquearAtualizacao" << QVariant(false);
        QTest::newRow("number given as text")
            << "altura_janela" << QJsonValue("600") << "alturaJanela" << QVariant(590);
        QTest::newRow("number given as boolean") << "tag_028_001" << QJsonValue(false) << "tag028001" << QVariant(1);
        QTest::newRow("product not integral") << "produto_tef" << QJsonValue(1.5) << "produtoTef" << QVariant(2);
        QTest::newRow("product far out of int range")
            << "produto_tef" << QJsonValue(1e300) << "produtoTef" << QVariant(2);
        QTest::newRow("product -1 reads as 0") << "produto_tef" << QJsonValue(-1) << "produtoTef" << QVariant(0);
        QTest::newRow("product 1 is the bridge") << "produto_tef" << QJsonValue(1) << "produtoTef" << QVariant(1);
        QTest::newRow("product 3 is invalid") << "produto_tef" << QJsonValue(3) << "produtoTef" << QVariant(-2);
        QTest::newRow("product -7 is invalid") << "produto_tef" << QJsonValue(-7) << "produtoTef" << QVariant(-2);
        QTest::newRow("text given as number") << "file_req" << QJsonValue(7) << "fileReq" << QVariant("IntPos.001");
        QTest::newRow("folder given as number")
            << "path_out" << QJsonValue(7) << "pathOut" << QVariant(m_home.path() + "/Cliente/Resp");
        QTest::newRow("empty text is kept") << "file_req" << QJsonValue("") << "fileReq" << QVariant("");
        QTest::newRow("window height read from customizacao")
            << "altura_janela" << QJsonValue(600) << "alturaJanela" << QVariant(600);
        QTest::newRow("colour given as number") << "cor_fundo" << QJsonValue(255) << "corFundo" << QVariant("#ffffff");
        QTest::newRow("encoding in capitals")
            << "codificacao_arquivos" << QJsonValue("WINDOWS-1252") << "codificacao" << QVariant("windows-1252");
        QTest::newRow("unknown encoding reads as UTF-8")
            << "codificacao_arquivos" << QJsonValue("latin1") << "codificacao" << QVariant("utf-8");
        QTest::newRow("encoding given as number")
            << "codificacao_arquivos" << QJsonValue(1252) << "codificacao" << QVariant("utf-8");
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
        writeAll(m_path, QJsonDocument(comValor(complete(), key, value)).toJson());
        const ConfigTef c(m_path);
        const QMap<QString, QVariant> values = {
            {"gerarPdf", c.gerarPdf()},
            {"bloquearAtualizacao", c.bloquearAtualizacao()},
            {"alturaJanela", c.alturaJanela()},
            {"tag028001", c.tag028001()},
            {"produtoTef", c.produtoTef()},
            {"fileReq", c.fileReq()},
            {"pathOut", c.pathOut()},
            {"corFundo", c.corFundo()},
            {"codificacao", c.codificacaoArquivos()},
            {"diasHistorico", c.diasHistorico()},
        };
        QVERIFY2(values.contains(getter), qPrintable(getter));
        QCOMPARE(values.value(getter), expected);
    }

    void unreadableFileGivesFallbacks()
    {
        QVERIFY(QDir().mkpath(m_path)); // a directory where the file should be
        const ConfigTef c(m_path);
        QCOMPARE((QVariantList{c.produtoTef(), c.pathIn(), c.pathOut(), c.tag028001(), c.alturaJanela(),
                               c.larguraJanela(), c.tipoOperacao(), c.gerarPdf(), c.codificacaoArquivos()}),
                 (QVariantList{0, QString(), QString(), 1, 590, 850, 0, false, "utf-8"}));
        c.prepararInicio(); // logs that it cannot be read, and leaves it
        QVERIFY(QFileInfo(m_path).isDir());
        QVERIFY(qEnvironmentVariableIsEmpty("Z3_LOG"));
        QDir(m_path).removeRecursively();
    }

    void logSettingSwitchesTheLogFileOnAtStartUp_data()
    {
        QTest::addColumn<int>("log");
        QTest::addColumn<QByteArray>("preset");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("log 1 switches it on") << 1 << QByteArray() << QByteArray("z3_log.txt");
        QTest::newRow("log 1 keeps the user's file") << 1 << QByteArray("meu.log") << QByteArray("meu.log");
        QTest::newRow("log 0 leaves it off") << 0 << QByteArray() << QByteArray();
        QTest::newRow("log 2 leaves it off") << 2 << QByteArray() << QByteArray();
    }

    void logSettingSwitchesTheLogFileOnAtStartUp()
    {
        QFETCH(int, log);
        QFETCH(QByteArray, preset);
        QFETCH(QByteArray, expected);
        writeAll(m_path, QJsonDocument(comValor(complete(), QStringLiteral("log"), log)).toJson());
        qputenv("Z3_LOG", preset);
        const ConfigTef config(m_path);
        QCOMPARE(qgetenv("Z3_LOG"), preset);
        config.prepararInicio();
        QCOMPARE(qgetenv("Z3_LOG"), expected);
    }

    // Only the start-up writes: every other reader (the popup, support's queries, the
    // components built at start-up) reads the file, whatever state it is in, and changes nothing.
    void readingWritesNothing_data()
    {
        QTest::addColumn<QString>("arquivo");     // relative to the temporary home
        QTest::addColumn<QByteArray>("content");  // empty: no file
        QTest::addColumn<bool>("somenteLeitura"); // the file's permissions
        QTest::addColumn<int>("produto");
        QTest::newRow("no file") << "config_tef.json" << QByteArray() << false << 2;
        QTest::newRow("no file, nor its folder") << "nao/existe/config_tef.json" << QByteArray() << false << 2;
        QTest::newRow("incomplete file with the log on")
            << "config_tef.json" << QByteArray(R"({"produto_tef": 1, "log": 1})") << false << 1;
        QTest::newRow("incomplete read-only file")
            << "config_tef.json" << QByteArray(R"({"produto_tef": 0, "log": 1})") << true << 0;
    }

    void readingWritesNothing()
    {
        QFETCH(QString, arquivo);
        QFETCH(QByteArray, content);
        QFETCH(bool, somenteLeitura);
        m_path = m_home.filePath(arquivo);
        if (!content.isEmpty())
            writeAll(m_path, content);
        if (somenteLeitura)
            QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner));
        const QStringList antes = QDir(m_home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        for (const ConfigTef &c : {ConfigTef(m_path), ConfigTef::somenteLeitura(m_path)}) {
            QTEST(c.produtoTef(), "produto");
            QCOMPARE(c.pathIn(), m_home.path() + "/Cliente/Req");
            QCOMPARE(c.configuracao().size(), 21);
        }
        QCOMPARE(QFileInfo::exists(m_path), !content.isEmpty());
        if (!content.isEmpty())
            QCOMPARE(readAll(m_path), content);
        QCOMPARE(QDir(m_home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), antes);
        QVERIFY(!exchangeFoldersExist());
        QVERIFY(qEnvironmentVariableIsEmpty("Z3_LOG"));
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile::remove(m_path);
    }

    // The popup's refusals, by the rules of the settings' table.
    void popupRefusals_data()
    {
        QTest::addColumn<QJsonObject>("editado");
        QTest::addColumn<QString>("motivo");
        const QString pastas = QStringLiteral("As pastas de requisição e de resposta devem ser diferentes");
        const QString req = m_home.filePath(QStringLiteral("pdv/req"));
        const QString resp = m_home.filePath(QStringLiteral("pdv/resp"));
        const auto com = [](int tipo, const QString &in, const QString &out) {
            return QJsonObject{{"tipo_operacao", tipo}, {"path_in", in}, {"path_out", out}};
        };
        QTest::newRow("two folders") << com(0, req, resp) << QString();
        QTest::newRow("the same folder") << com(0, req, req) << pastas;
        // The response would be read back as a new request and the sale run again.
        QTest::newRow("the same folder through dot-dot") << com(0, req, resp + "/../req") << pastas;
        QTest::newRow("the same folder through a link") << com(0, req, m_home.filePath("atalho")) << pastas;
        QTest::newRow("the same folder, without file exchange") << com(1, req, req) << QString();
        QTest::newRow("the same folder, the exchange as text")
            << QJsonObject{{"tipo_operacao", "0"}, {"path_in", req}, {"path_out", req}} << pastas;
    }

    void popupRefusals()
    {
        QFETCH(QJsonObject, editado);
        QVERIFY(QDir().mkpath(m_home.filePath(QStringLiteral("pdv/req"))));
        QFile::remove(m_home.filePath("atalho"));
        QVERIFY(QFile::link(m_home.filePath(QStringLiteral("pdv/req")), m_home.filePath("atalho")));
        QTEST(ConfigTef::motivoRecusa(editado), "motivo");
        QFile::remove(m_home.filePath("atalho"));
        QDir(m_home.filePath(QStringLiteral("pdv"))).removeRecursively();
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
