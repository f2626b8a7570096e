#include "TestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The whole program as a shop runs it: a copy of the executable in a folder of
// its own with its configuration beside it; first how it starts (settings
// written, one copy per machine, product and operation type), then, with the
// Z3_Tef product, the simulated vendor library and the POS client on the other
// side of the folders. Nothing is looked at but files: the response and status
// files, the program's log and the simulator's call log.
class TestPrograma : public QObject
{
    Q_OBJECT

private:
    struct Resultado
    {
        int codigoSaida = -1;
        QString saida;
        QMap<QString, QString> campos; // the response as pos_client printed it
    };

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_programa;
    QString m_bibliotecas;
    int m_proximoId = 100;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString pastaResp() const { return path(QStringLiteral("Resp")); }
    QString logText() const { return QString::fromUtf8(testsupport::readAll(path(QStringLiteral("z3_log.txt")))); }

    QList<QJsonObject> chamadas() const
    {
        QList<QJsonObject> lista;
        const QList<QByteArray> linhas = testsupport::readAll(path(QStringLiteral("sim_log.jsonl"))).split('\n');
        for (const QByteArray &linha : linhas) {
            if (!linha.trimmed().isEmpty())
                lista.append(QJsonDocument::fromJson(linha).object());
        }
        return lista;
    }

    QList<QJsonObject> chamadasDe(const QString &funcao) const
    {
        QList<QJsonObject> lista;
        for (const QJsonObject &c : chamadas()) {
            if (c.value(QStringLiteral("funcao")).toString() == funcao)
                lista.append(c);
        }
        return lista;
    }

    // A fresh folder with nothing but a copy of the executable.
    void pastaNova()
    {
        parar();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(QFile::copy(QStringLiteral(Z3_BIN_DIR "/Z3_TEFZoduvud"), path(QStringLiteral("Z3_TEFZoduvud"))));
    }

    void gravarConfig(const QJsonObject &o)
    {
        QVERIFY(testsupport::writeAll(path(QStringLiteral("config_tef.json")), QJsonDocument(o).toJson()));
    }

    // A fresh folder with the executable, its configuration and the two exchange folders.
    void preparar()
    {
        pastaNova();
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("Req")));
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("Resp")));
        gravarConfig({{"path_in", path(QStringLiteral("Req"))},
                      {"path_out", pastaResp()},
                      {"produto_tef", 2},
                      {"tipo_operacao", 0},
                      {"log", 1},
                      {"vitra", 0}});
    }

    // Starts the program in the folder; the log is what the test reads, the
    // terminal copy would only bury the results.
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
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        process->start(path(QStringLiteral("Z3_TEFZoduvud")), QStringList());
        return process;
    }

    // The long-lived copy the exchange tests talk to, with the simulated libraries in this folder.
    void iniciar(const QString &pastaBibliotecas)
    {
        m_bibliotecas = pastaBibliotecas;
        const QString inicio = QStringLiteral("[MonitoraDiretorio] Monitoramento iniciado em: ");
        const int iniciosAntes = logText().count(inicio);
        m_programa = start(true, {QStringLiteral("Z3_LIB_DIR=") + pastaBibliotecas,
                                  QStringLiteral("Z3_SIM_LOG=") + path(QStringLiteral("sim_log.jsonl")),
                                  QStringLiteral("Z3_SIM_CENARIO=") + path(QStringLiteral("cenario.json")),
                                  QStringLiteral("Z3_SIM_ESTADO=") + path(QStringLiteral("host"))});
        QVERIFY(m_programa->waitForStarted(30000));
        QVERIFY2(esperarLog(inicio, iniciosAntes + 1, m_programa.get()), qPrintable(logText().right(900)));
    }

    // The crash: no chance to write or close anything.
    void matarEReiniciar()
    {
        m_programa->kill();
        QVERIFY(m_programa->waitForFinished(30000));
        iniciar(m_bibliotecas);
    }

    // How the simulated host ended the transaction with this sequential number ("" while pending).
    QString noHost(const QString &sequencial) const
    {
        const QJsonObject host =
            QJsonDocument::fromJson(testsupport::readAll(path(QStringLiteral("host/z3_tef_host.json")))).object();
        if (host.value(QStringLiteral("pendentes")).toObject().contains(sequencial))
            return QStringLiteral("pendente");
        return host.value(QStringLiteral("resolvidas")).toObject().value(sequencial).toString();
    }

    QString diario() const { return QString::fromUtf8(testsupport::readAll(path(QStringLiteral("diario_tef.jsonl")))); }

    // The last confirmation call for a sequential number and what the host made of it.
    QString desfechoConfirmacao(const QString &sequencial, int acao) const
    {
        QString desfecho;
        for (const QJsonObject &c : chamadasDe(QStringLiteral("ConfirmarOperacaoTEF2"))) {
            const QJsonArray a = c.value(QStringLiteral("argumentos")).toArray();
            if (QString::number(a.at(1).toInt()) == sequencial && a.at(2).toInt() == acao)
                desfecho = c.value(QStringLiteral("resultado")).toString();
        }
        return desfecho;
    }

    QStringList venda(const QString &valor)
    {
        return {QStringLiteral("CRT"),     QStringLiteral("--id"),     novoId(), QStringLiteral("--valor"), valor,
                QStringLiteral("--field"), QStringLiteral("731-000=1")};
    }

    void parar()
    {
        testsupport::stopProcess(m_programa.get());
        m_programa.reset();
    }

    // Waits until the log holds the text `count` times, or the process ends first.
    bool esperarLog(const QString &text, int count, QProcess *process, int timeoutMs = 30000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            if (logText().count(text) >= count)
                return true;
            if (process->state() == QProcess::NotRunning)
                return logText().count(text) >= count;
            process->waitForFinished(20);
        }
        return false;
    }

    Resultado posClient(const QStringList &args)
    {
        Resultado r;
        QProcess pdv;
        pdv.setProcessChannelMode(QProcess::MergedChannels);
        // A sale takes a few seconds; a response that never comes fails the call in 20 s.
        pdv.start(QStringLiteral(Z3_BIN_DIR "/pos_client"),
                  QStringList{QStringLiteral("--config"), path(QStringLiteral("config_tef.json")),
                              QStringLiteral("--response-timeout"), QStringLiteral("20000")} +
                      args);
        if (!pdv.waitForFinished(40000)) {
            pdv.kill();
            pdv.waitForFinished();
            return r;
        }
        r.codigoSaida = pdv.exitStatus() == QProcess::NormalExit ? pdv.exitCode() : -1;
        r.saida = QString::fromUtf8(pdv.readAll());
        bool naResposta = false;
        for (const QString &linha : r.saida.split(QLatin1Char('\n'))) {
            if (linha == QLatin1String("response:")) {
                naResposta = true;
            } else if (naResposta && linha.startsWith(QLatin1String("  "))) {
                const int igual = linha.indexOf(QLatin1String(" = "));
                r.campos.insert(linha.mid(2, igual - 2), linha.mid(igual + 3));
            }
        }
        return r;
    }

    QString novoId() { return QString::number(m_proximoId++); }

    // A confirmation or activity check: the status file, then no response file.
    void somenteStatus(const QString &operacao, const QStringList &campos)
    {
        const QString marca = QStringLiteral("Operação %1 não requer arquivo IntPos.001").arg(operacao);
        const int antes = logText().count(marca);
        QStringList args{operacao, QStringLiteral("--id"), novoId()};
        for (const QString &c : campos)
            args << QStringLiteral("--field") << c;
        const Resultado r = posClient(args);
        QVERIFY2(r.codigoSaida == 0, qPrintable(r.saida));
        QVERIFY(r.saida.contains(QStringLiteral("status ok: ") + operacao));
        QVERIFY2(esperarLog(marca, antes + 1, m_programa.get()), qPrintable(logText()));
        QVERIFY(!QFileInfo::exists(pastaResp() + QStringLiteral("/IntPos.001")));
        QVERIFY(!QFileInfo::exists(pastaResp() + QStringLiteral("/IntPos.001.json")));
    }

private slots:
    void emptyFolderStartsAndRefusesASecondCopy()
    {
        pastaNova();
        auto first = start(/*offscreen=*/false); // no display and no platform chosen
        QVERIFY(esperarLog(QStringLiteral("Produto TEF configurado: 2"), 1, first.get()));
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
        QVERIFY(log.contains(QStringLiteral("{I} \t\t Pasta da configuração: ") +
                             QFileInfo(m_dir->path()).canonicalFilePath() + "\n"));

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

    // Answered on the terminal: no settings, no log, and not silenced by another copy's lock.
    void commandLineAnswersAndLeaves_data()
    {
        QTest::addColumn<QString>("opcao");
        QTest::addColumn<QStringList>("trechos");
        QTest::newRow("version") << QStringLiteral("--version") << QStringList{"\nZ3_TEFZoduvud 01.23.04\n"};
        QTest::newRow("help lists options and variables")
            << QStringLiteral("--help")
            << QStringList{"--version", "--help", "Z3_LOG_PATH", "Z3_LIB_DIR", "XDG_CONFIG_HOME", "Z3_SIM_CENARIO"};
    }

    void commandLineAnswersAndLeaves()
    {
        QFETCH(QString, opcao);
        QFETCH(QStringList, trechos);
        pastaNova();
        auto first = start();
        QVERIFY(esperarLog(QStringLiteral("Produto TEF configurado"), 1, first.get()));
        QTemporaryDir outra;
        const QString copia = outra.filePath(QStringLiteral("Z3_TEFZoduvud"));
        QVERIFY(QFile::copy(path(QStringLiteral("Z3_TEFZoduvud")), copia));
        QProcess process;
        process.start(copia, {opcao});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        const QString saida = QLatin1Char('\n') + QString::fromUtf8(process.readAllStandardOutput());
        for (const QString &trecho : trechos)
            QVERIFY2(saida.contains(trecho), qPrintable(saida));
        QCOMPARE(QDir(outra.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"Z3_TEFZoduvud"});
        testsupport::stopProcess(first.get());
    }

    void killedCopyDoesNotKeepTheNextOut()
    {
        pastaNova();
        auto first = start();
        QVERIFY(esperarLog(QStringLiteral("Produto TEF configurado"), 1, first.get()));
        first->kill(); // SIGKILL: nothing released
        QVERIFY(first->waitForFinished(30000));

        auto next = start();
        QVERIFY(esperarLog(QStringLiteral("Produto TEF configurado"), 2, next.get()));
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
        QTest::newRow("offscreen alone draws in software")
            << QJsonValue(2) << 0 << QStringLiteral("{W} \t Sem OpenGL na plataforma \"offscreen\"");
    }

    void exitCodeByProduct()
    {
        QFETCH(QJsonValue, produto);
        QFETCH(int, exitCode);
        QFETCH(QString, logLine);
        pastaNova();
        gravarConfig(QJsonObject{{"produto_tef", produto}});
        // Offscreen without a renderer chosen, as a user would start it by hand.
        auto process = start(true, {QStringLiteral("Z3_EXIT_WHEN_IDLE=1"), QStringLiteral("QT_QUICK_BACKEND=")});
        QVERIFY(process->waitForFinished(30000));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QVERIFY2(process->exitCode() == exitCode, qPrintable(logText().right(3000)));
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
        pastaNova();
        gravarConfig(QJsonObject{{"tipo_operacao", tipoOperacao}});
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
    // TEF product 0 with its simulated library: what needs no cashier is answered
    // at once, and never brings up the window.
    void vantorAnswersWithoutTheCashier()
    {
        preparar();
        gravarConfig({{"path_in", path(QStringLiteral("Req"))},
                      {"path_out", pastaResp()},
                      {"produto_tef", 0},
                      {"tipo_operacao", 0},
                      {"log", 1}});
        iniciar(qEnvironmentVariable("Z3_LIB_DIR", QStringLiteral(Z3_BIN_DIR)));
        somenteStatus(QStringLiteral("ATV"), {});
        somenteStatus(QStringLiteral("CNF"), {});
        QStringList funcoes; // the updater's start-up check logs its calls beside them
        for (const QJsonObject &c : chamadas())
            if (c.value(QStringLiteral("funcao")).toString().startsWith(QLatin1String("VardaTEF_")))
                funcoes << c.value(QStringLiteral("funcao")).toString();
        QCOMPARE(funcoes, (QStringList{QStringLiteral("VardaTEF_ConfirmarOperacaoTEF"),
                                       QStringLiteral("VardaTEF_FinalizarOperacaoTEF")}));
        QVERIFY2(!logText().contains(QStringLiteral("Janela travada no topo da pilha")), qPrintable(logText()));
        parar();
    }

    // From here on, one copy runs for the whole exchange, as in a shop.
    void startsWithTheSimulatedLibrary()
    {
        preparar();
        const QString libs = qEnvironmentVariable("Z3_LIB_DIR", QStringLiteral(Z3_BIN_DIR));
        QVERIFY(QFileInfo::exists(libs + QStringLiteral("/Z3_Tef01.so")));
        iniciar(libs);
    }

    void cleanupTestCase() { parar(); }

    void activityCheckGetsStatusOnly()
    {
        somenteStatus(QStringLiteral("ATV"), {});
        QVERIFY(chamadasDe(QStringLiteral("RealizarPagamentoTEF")).isEmpty());
    }

    void sale_data()
    {
        QTest::addColumn<bool>("json");
        QTest::addColumn<QString>("valor");
        QTest::addColumn<QString>("tipoCartao");
        QTest::addColumn<QString>("requerConfirmacao");
        QTest::addColumn<bool>("aprovada");

        QTest::newRow("credit sale stays pending and carries both receipts")
            << false << QStringLiteral("1000") << QStringLiteral("1") << QStringLiteral("2") << true;
        QTest::newRow("declined sale needs no confirmation")
            << false << QStringLiteral("1051") << QStringLiteral("1") << QStringLiteral("1") << false;
        QTest::newRow("JSON sale is confirmed at once")
            << true << QStringLiteral("2500") << QStringLiteral("1") << QStringLiteral("1") << true;
        QTest::newRow("declined JSON sale")
            << true << QStringLiteral("351") << QStringLiteral("1") << QStringLiteral("1") << false;
    }

    void sale()
    {
        QFETCH(bool, json);
        QFETCH(QString, valor);
        QFETCH(QString, tipoCartao);
        QFETCH(QString, requerConfirmacao);
        QFETCH(bool, aprovada);

        const int pagamentosAntes = chamadasDe(QStringLiteral("RealizarPagamentoTEF")).size();
        const int confirmacoesAntes = chamadasDe(QStringLiteral("ConfirmarOperacaoTEF")).size();
        const int finalizacoesAntes = chamadasDe(QStringLiteral("FinalizarOperacaoTEF")).size();
        const QString id = novoId();
        QStringList args{QStringLiteral("CRT"),
                         QStringLiteral("--id"),
                         id,
                         QStringLiteral("--valor"),
                         valor,
                         QStringLiteral("--field"),
                         QStringLiteral("731-000=") + tipoCartao};
        if (json)
            args << QStringLiteral("--json");
        const Resultado r = posClient(args);
        QVERIFY2(r.codigoSaida == 0, qPrintable(r.saida));

        // The amount and card type went to the library as the request gave them.
        const QList<QJsonObject> pagamentos = chamadasDe(QStringLiteral("RealizarPagamentoTEF"));
        QVERIFY(pagamentos.size() > pagamentosAntes);
        QCOMPARE(pagamentos.last().value(QStringLiteral("argumentos")).toArray().at(0).toInt(), tipoCartao.toInt());
        // A pending sale keeps the TEF operation open; anything else closes it.
        QCOMPARE(chamadasDe(QStringLiteral("FinalizarOperacaoTEF")).size(),
                 finalizacoesAntes + (requerConfirmacao == QLatin1String("2") ? 0 : 1));

        if (json) {
            QCOMPARE(r.campos.value(QStringLiteral("requer_confirmacao")), requerConfirmacao);
            QCOMPARE(r.campos.value(QStringLiteral("id")), id);
            const QJsonObject tef = QJsonDocument::fromJson(r.campos.value(QStringLiteral("tef")).toUtf8()).object();
            QCOMPARE(tef.value(QStringLiteral("valorTotal")).toString(), valor);
            QCOMPARE(tef.value(QStringLiteral("retorno")).toString(),
                     aprovada ? QStringLiteral("0") : QStringLiteral("5"));
            // Confirmed by the program itself, only when approved.
            QCOMPARE(chamadasDe(QStringLiteral("ConfirmarOperacaoTEF")).size(), confirmacoesAntes + (aprovada ? 1 : 0));
            return;
        }

        const QMap<QString, QString> &c = r.campos;
        QCOMPARE(c.value(QStringLiteral("000-000")), QStringLiteral("CRT"));
        QCOMPARE(c.value(QStringLiteral("001-000")), id);
        QCOMPARE(c.value(QStringLiteral("729-000")), requerConfirmacao);
        QCOMPARE(c.value(QStringLiteral("003-000")), valor);
        QCOMPARE(c.value(QStringLiteral("009-000")), aprovada ? QStringLiteral("0") : QStringLiteral("5"));
        QCOMPARE(r.saida.trimmed().endsWith(QLatin1String("999-999 = 0")), true);
        for (const char *bloco : {"712-000", "714-000", "028-000"})
            QCOMPARE(c.contains(QLatin1String(bloco)), aprovada);
        if (aprovada) {
            QVERIFY(c.value(QStringLiteral("713-001")).length() > 0);
            QVERIFY(c.value(QStringLiteral("715-001")).length() > 0);
            QCOMPARE(c.value(QStringLiteral("712-000")).toInt(), r.saida.count(QStringLiteral("  713-")));
            QCOMPARE(c.value(QStringLiteral("714-000")).toInt(), r.saida.count(QStringLiteral("  715-")));
            QVERIFY(!c.value(QStringLiteral("027-000")).isEmpty());
        }
        QCOMPARE(chamadasDe(QStringLiteral("ConfirmarOperacaoTEF")).size(), confirmacoesAntes);
        if (requerConfirmacao != QLatin1String("2"))
            return;

        // The POS confirms: status file only, and the library's confirmation of that sequence.
        const int confirmacoes2Antes = chamadasDe(QStringLiteral("ConfirmarOperacaoTEF2")).size();
        somenteStatus(QStringLiteral("CNF"), {QStringLiteral("010-000=") + c.value(QStringLiteral("010-000")),
                                              QStringLiteral("012-000=") + c.value(QStringLiteral("012-000")),
                                              QStringLiteral("027-000=") + c.value(QStringLiteral("027-000"))});
        const QList<QJsonObject> confirmacoes = chamadasDe(QStringLiteral("ConfirmarOperacaoTEF2"));
        QCOMPARE(confirmacoes.size(), confirmacoes2Antes + 1);
        const QJsonArray argumentos = confirmacoes.last().value(QStringLiteral("argumentos")).toArray();
        QCOMPARE(argumentos.at(1).toInt(), c.value(QStringLiteral("027-000")).toInt());
        QCOMPARE(argumentos.at(2).toInt(), 1);
        QCOMPARE(chamadasDe(QStringLiteral("FinalizarOperacaoTEF")).size(), finalizacoesAntes + 1);
    }

    void supervisorPasswordReachesTheLibraryButNotTheLog()
    {
        const QString senha = QStringLiteral("987654");
        const Resultado r =
            posClient({QStringLiteral("ADM"), QStringLiteral("--id"), novoId(), QStringLiteral("--field"),
                       QStringLiteral("011-000=2"), QStringLiteral("--field"), QStringLiteral("375-025=") + senha});
        QVERIFY2(r.codigoSaida == 0, qPrintable(r.saida));
        QCOMPARE(r.campos.value(QStringLiteral("009-000")), QStringLiteral("0"));
        QVERIFY(QString::fromUtf8(testsupport::readAll(path(QStringLiteral("sim_log.jsonl")))).contains(senha));
        QVERIFY(logText().contains(QStringLiteral("ADM")));
        QVERIFY(!logText().contains(senha));
    }

    void refusedStartIsNotReadAsApproval()
    {
        // The library answers the start with the code that means "approved" in a transaction.
        const QString cenario = path(QStringLiteral("cenario.json"));
        QVERIFY(testsupport::writeAll(cenario, R"({"iniciar_retorno":"0"})"));
        const Resultado r =
            posClient({QStringLiteral("CRT"), QStringLiteral("--id"), novoId(), QStringLiteral("--valor"),
                       QStringLiteral("1000"), QStringLiteral("--field"), QStringLiteral("731-000=1")});
        QVERIFY(QFile::remove(cenario));
        QVERIFY2(r.codigoSaida == 0, qPrintable(r.saida));
        QVERIFY(r.campos.value(QStringLiteral("009-000")) != QLatin1String("0"));
        QCOMPARE(r.campos.value(QStringLiteral("375-000")), QStringLiteral("-1"));
        QCOMPARE(r.campos.value(QStringLiteral("030-000")), QStringLiteral("Falha ao iniciar"));
        QVERIFY(r.campos.value(QStringLiteral("729-000")).isEmpty());
    }

    // Requests the conversion refused: a plain failure for the POS, and not one
    // library call that could open or move a transaction.
    void refusedRequestIsNeverCharged_data()
    {
        QTest::addColumn<QByteArray>("pedido");
        QTest::addColumn<QString>("mensagem");
        QTest::newRow("no final record") << QByteArray("000-000 = CRT\n001-000 = 94\n003-000 = 1000\n731-000 = 1\n")
                                         << QStringLiteral("Chave registro final [999-999] não encontrada");
        QTest::newRow("cut by a NUL")
            << QByteArray("000-000 = CRT\n001-000 = 94\n003-000 = 1000\n731-000 = 1\0\n999-999 = 0\n")
            << QStringLiteral("Chave registro final [999-999] não encontrada");
        QTest::newRow("garbage after a valid header")
            << QByteArray("000-000 = CRT\n001-000 = 94\nlixo\n003-000 = 1000\n731-000 = 1\n999-999 = 0\n")
            << QStringLiteral("Arquivo com formato inválido");
    }

    void refusedRequestIsNeverCharged()
    {
        QFETCH(QByteArray, pedido);
        QFETCH(QString, mensagem);
        const int chamadasAntes = chamadas().size();
        const QString temporario = path(QStringLiteral("Req/pedido.tmp"));
        QVERIFY(testsupport::writeAll(temporario, pedido));
        QVERIFY(QFile::rename(temporario, path(QStringLiteral("Req/IntPos.001"))));

        const QString resposta = pastaResp() + QStringLiteral("/IntPos.001");
        QVERIFY2(testsupport::waitForFile(resposta, 30000), qPrintable(logText()));
        QMap<QString, QString> campos;
        for (const QString &linha : QString::fromUtf8(testsupport::readAll(resposta)).split(QStringLiteral("\r\n")))
            campos.insert(linha.section(QStringLiteral(" = "), 0, 0), linha.section(QStringLiteral(" = "), 1));
        QVERIFY(QFile::remove(resposta));
        QVERIFY(QFile::remove(pastaResp() + QStringLiteral("/IntPos.Sts")));

        QCOMPARE(campos.value(QStringLiteral("000-000")), QStringLiteral("CRT"));
        QCOMPARE(campos.value(QStringLiteral("001-000")), QStringLiteral("94"));
        QVERIFY(campos.value(QStringLiteral("009-000")) != QLatin1String("0"));
        QCOMPARE(campos.value(QStringLiteral("030-000")), mensagem);
        QVERIFY(campos.value(QStringLiteral("729-000")) != QLatin1String("2"));
        QCOMPARE(chamadas().size(), chamadasAntes);
        QVERIFY(logText().contains(QStringLiteral("Requisição recusada, nenhuma transação realizada: ") + mensagem));
    }

    void nothingLeftBehind()
    {
        const QStringList restos =
            QDir(pastaResp()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot) +
            QDir(path(QStringLiteral("Req"))).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
        QVERIFY2(restos.isEmpty(), qPrintable(restos.join(QLatin1Char(' '))));
        QCOMPARE(m_programa->state(), QProcess::Running);
    }

    void crashWhilePendingThenPosResolves_data()
    {
        QTest::addColumn<QString>("operacao");
        QTest::addColumn<int>("acao");
        QTest::addColumn<bool>("emEntrega"); // the crash came while the response was being written
        QTest::newRow("CNF after the restart confirms it in the library") << "CNF" << 1 << false;
        QTest::newRow("NCN after the restart undoes it in the library") << "NCN" << 0 << false;
        QTest::newRow("crash while answering: kept for the POS's CNF") << "CNF" << 1 << true;
    }

    void crashWhilePendingThenPosResolves()
    {
        QFETCH(QString, operacao);
        QFETCH(int, acao);
        QFETCH(bool, emEntrega);
        const Resultado r = posClient(venda(QStringLiteral("1200")));
        QVERIFY2(r.codigoSaida == 0, qPrintable(r.saida));
        QCOMPARE(r.campos.value(QStringLiteral("729-000")), QStringLiteral("2"));
        const QString seq = r.campos.value(QStringLiteral("027-000"));
        QCOMPARE(noHost(seq), QStringLiteral("pendente"));
        // Answered to the POS: the journal's last line says so before the crash may come.
        const QString respondida = QStringLiteral("\"estado\":\"respondida\"");
        QTRY_VERIFY_WITH_TIMEOUT(diario().trimmed().split(QLatin1Char('\n')).last().contains(respondida), 15000);

        m_programa->kill();
        QVERIFY(m_programa->waitForFinished(30000));
        if (emEntrega) {
            // The line that would have followed the response never made it to the disk.
            QStringList linhas = diario().trimmed().split(QLatin1Char('\n'));
            linhas.last().replace(respondida, QStringLiteral("\"estado\":\"em_entrega\""));
            QVERIFY(testsupport::writeAll(path(QStringLiteral("diario_tef.jsonl")),
                                          (linhas.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8()));
        }
        iniciar(m_bibliotecas);
        QVERIFY(logText().contains(emEntrega ? QStringLiteral("}{W} \t Transação restaurada como pendente")
                                             : QStringLiteral("}{I} \t\t Transação restaurada como pendente")));
        QVERIFY(desfechoConfirmacao(seq, 0).isEmpty()); // restored, not undone
        QStringList campos{QStringLiteral("010-000=") + r.campos.value(QStringLiteral("010-000")),
                           QStringLiteral("012-000=") + r.campos.value(QStringLiteral("012-000"))};
        if (acao == 1)
            campos << QStringLiteral("027-000=") + seq;
        somenteStatus(operacao, campos);
        QCOMPARE(desfechoConfirmacao(seq, acao), acao == 1 ? QStringLiteral("confirmada") : QStringLiteral("desfeita"));
        QCOMPARE(noHost(seq), acao == 1 ? QStringLiteral("confirmada") : QStringLiteral("desfeita"));
    }

    void crashBeforeTheResponseUndoesAtRestart()
    {
        QProcess pdv;
        pdv.start(QStringLiteral(Z3_BIN_DIR "/pos_client"),
                  QStringList{QStringLiteral("--config"), path(QStringLiteral("config_tef.json")),
                              QStringLiteral("--response-timeout"), QStringLiteral("4000")} +
                      venda(QStringLiteral("1300")));
        // Approved and journaled; the response comes a second later.
        const QString aprovada = QStringLiteral("adicionado na lista de sequenciais para confirmação");
        QVERIFY(esperarLog(aprovada, logText().count(aprovada) + 1, m_programa.get()));
        m_programa->kill();
        QVERIFY(m_programa->waitForFinished(30000));
        QVERIFY(pdv.waitForFinished(30000));
        QCOMPARE(pdv.exitCode(), 4); // the POS never had a response
        const QList<QJsonObject> pagamentos = chamadasDe(QStringLiteral("RealizarPagamentoTEF"));
        const QString seq = pagamentos.last().value(QStringLiteral("sequencial")).toString();
        QCOMPARE(noHost(seq), QStringLiteral("pendente"));

        iniciar(m_bibliotecas);
        QCOMPARE(desfechoConfirmacao(seq, 0), QStringLiteral("desfeita"));
        QCOMPARE(noHost(seq), QStringLiteral("desfeita"));
        QVERIFY(logText().contains(QStringLiteral("}{E} \t\t Transação aprovada sem resposta ao PDV (CRT")));
        QFile::remove(pastaResp() + QStringLiteral("/IntPos.Sts"));
    }

    void responseThatCannotBeWrittenUndoesTheSale()
    {
        const QString obstaculo = pastaResp() + QStringLiteral("/arquivo_tef.tmp");
        QVERIFY(QDir().mkpath(obstaculo + QStringLiteral("/x")));
        QStringList args = venda(QStringLiteral("1500"));
        args << QStringLiteral("--response-timeout") << QStringLiteral("12000");
        const Resultado r = posClient(args);
        QCOMPARE(r.codigoSaida, 4); // status, then no response
        const QString desfeita = QStringLiteral("não chegou ao PDV: a transação será desfeita");
        QVERIFY(esperarLog(desfeita, 1, m_programa.get()));
        QVERIFY(esperarLog(QStringLiteral("Transação desfeita com sucesso"), 1, m_programa.get()));
        const QString seq =
            chamadasDe(QStringLiteral("RealizarPagamentoTEF")).last().value(QStringLiteral("sequencial")).toString();
        QCOMPARE(desfechoConfirmacao(seq, 0), QStringLiteral("desfeita"));
        QCOMPARE(noHost(seq), QStringLiteral("desfeita"));
        QVERIFY(QDir(obstaculo).removeRecursively());
        QFile::remove(pastaResp() + QStringLiteral("/IntPos.Sts"));
    }

    void confirmationOfNothingIsLogged()
    {
        somenteStatus(QStringLiteral("CNF"), {QStringLiteral("010-000=REDEX"), QStringLiteral("012-000=999999"),
                                              QStringLiteral("027-000=424242")});
        QVERIFY(logText().contains(
            QStringLiteral("}{W} \t CNF sem transação pendente correspondente: 010-000 = REDEX, 012-000 = 999999, "
                           "027-000 = 424242")));
    }

    void journalReadAtStart_data()
    {
        QTest::addColumn<QByteArray>("conteudo");
        QTest::addColumn<QByteArray>("depois"); // the journal after the start; empty: kept aside whole
        const QByteArray resolvida = "{\"chave\":7,\"desfecho\":\"confirmada\",\"estado\":\"resolvida\",\"formato\":"
                                     "\"SiTef\",\"identificacao\":\"1\",\"operacao\":\"CRT\"}\n";
        QTest::newRow("unreadable line: kept aside")
            << QByteArray("{\"registros\":[{\"chave\":1,\n") + resolvida << QByteArray();
        QTest::newRow("last line cut by a crash: dropped")
            << resolvida + QByteArray("{\"chave\":8,\"estado\":\"em_and") << resolvida;
    }

    void journalReadAtStart()
    {
        QFETCH(QByteArray, conteudo);
        QFETCH(QByteArray, depois);
        QVERIFY(testsupport::writeAll(path(QStringLiteral("diario_tef.jsonl")), conteudo));
        matarEReiniciar();
        const QStringList guardados =
            QDir(m_dir->path()).entryList({QStringLiteral("diario_tef.jsonl.ilegivel-*")}, QDir::Files);
        if (depois.isEmpty()) {
            QVERIFY(logText().contains(QStringLiteral("ilegível (linha 1 ilegível)")));
            QCOMPARE(guardados.size(), 1);
            QCOMPARE(testsupport::readAll(path(guardados.first())), conteudo);
            QVERIFY(QFile::remove(path(guardados.first())));
        } else {
            QVERIFY(logText().contains(QStringLiteral("última linha incompleta (27 bytes) descartada")));
            QVERIFY(guardados.isEmpty());
            QCOMPARE(diario().toUtf8(), depois);
        }
        somenteStatus(QStringLiteral("ATV"), {});
    }

    void missingLibraryStillAnswers_data()
    {
        QTest::addColumn<bool>("json");
        QTest::newRow("key-number request") << false;
        QTest::newRow("JSON request") << true;
    }

    void missingLibraryStillAnswers()
    {
        QFETCH(bool, json);
        if (QTest::currentDataTag() == QLatin1String("key-number request")) {
            preparar();
            QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("sem_bibliotecas")));
            iniciar(path(QStringLiteral("sem_bibliotecas")));
        }
        QStringList args{QStringLiteral("CRT"),      QStringLiteral("--id"), novoId(),
                         QStringLiteral("--valor"),  QStringLiteral("1000"), QStringLiteral("--field"),
                         QStringLiteral("731-000=1")};
        if (json)
            args << QStringLiteral("--json");
        const Resultado r = posClient(args);
        QVERIFY2(r.codigoSaida == 0, qPrintable(r.saida));
        if (json) {
            QVERIFY(r.campos.value(QStringLiteral("codigo")).toInt() != 0);
            QVERIFY(!r.campos.value(QStringLiteral("mensagem")).isEmpty());
        } else {
            QVERIFY(r.campos.value(QStringLiteral("375-000")).toInt() != 0);
            QVERIFY(!r.campos.value(QStringLiteral("375-001")).isEmpty());
            QVERIFY(!r.campos.contains(QStringLiteral("729-000")) ||
                    r.campos.value(QStringLiteral("729-000")) != QLatin1String("2"));
        }
        QVERIFY(chamadas().isEmpty());
        // Still serving requests afterwards.
        somenteStatus(QStringLiteral("ATV"), {});
        QCOMPARE(m_programa->state(), QProcess::Running);
    }

    void endsCleanly()
    {
        m_programa->terminate();
        QVERIFY(m_programa->waitForFinished(30000));
        QCOMPARE(m_programa->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_programa->exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPrograma)
#include "tst_Programa.moc"
