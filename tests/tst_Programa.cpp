#include "TestSupport.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <utility>

#include <sys/stat.h>

// A desktop's tray host as far as Qt looks for one: the StatusNotifierWatcher,
// with a host registered, noting the items that register with it.
class VigiaBandeja : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistrado)
    Q_PROPERTY(int ProtocolVersion READ versaoProtocolo)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ itens)

public:
    bool hostRegistrado() const { return true; }
    int versaoProtocolo() const { return 0; }
    QStringList itens() const { return m_itens; }

public slots:
    void RegisterStatusNotifierItem(const QString &servico) { m_itens << servico; }
    void RegisterStatusNotifierHost(const QString &) {}

private:
    QStringList m_itens;
};

// The labels of a com.canonical.dbusmenu layout, depth first, two blanks a level; separators have none.
void rotulosDoMenu(const QDBusArgument &no, int nivel, QStringList *rotulos)
{
    int id = 0;
    QVariantMap propriedades;
    no.beginStructure();
    no >> id >> propriedades;
    const QString rotulo = propriedades.value("label").toString();
    if (!rotulo.isEmpty())
        *rotulos << QString(2 * (nivel - 1), ' ') + rotulo;
    no.beginArray();
    while (!no.atEnd()) {
        QDBusVariant filho;
        no >> filho;
        rotulosDoMenu(filho.variant().value<QDBusArgument>(), nivel + 1, rotulos);
    }
    no.endArray();
    no.endStructure();
}

// The whole program as a shop runs it, a copy of the executable in a folder of its own: first how it starts,
// then with Z3_Tef, the simulated library and the POS client. Only files are looked at: responses, logs, call log.
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
    int m_produto = 2;
    int m_proximoId = 100;
    // The program's pauses are divided by this (Z3_PAUSAS_DIVISOR); 1 where a test needs the real ones.
    int m_divisor = 10;
    QFile::Permissions m_permissoesResposta;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString pastaResp() const { return path("Resp"); }
    QString logText() const { return QString::fromUtf8(testsupport::readAll(path("z3_log.txt"))); }
    QString diario() const { return QString::fromUtf8(testsupport::readAll(path("diario_tef.jsonl"))); }
    QString saida() const { return QString::fromUtf8(testsupport::readAll(path("saida.txt"))); }
    // Where the window says what it did: its own messages are printed, not logged.
    int ocorrencias(const QString &linha) const
    {
        return (linha.startsWith("qml: ") ? saida() : logText()).count(linha);
    }
    QList<QJsonObject> chamadas() const { return testsupport::chamadasSimuladas(path("sim_log.jsonl")); }
    QString novoId() { return QString::number(m_proximoId++); }
    QStringList venda(const QString &valor)
    {
        return {"CRT", "--id", novoId(), "--valor", valor, "--field", "731-000=1"};
    }
    void gravarConfig(const QJsonObject &o)
    {
        QVERIFY(testsupport::writeAll(path("config_tef.json"), QJsonDocument(o).toJson()));
    }

    QList<QJsonObject> chamadasDe(const QString &funcao) const
    {
        QList<QJsonObject> lista;
        for (const QJsonObject &c : chamadas())
            if (c.value("funcao").toString() == funcao)
                lista.append(c);
        return lista;
    }

    // A fresh folder with nothing but a copy of the executable; for the exchange,
    // also its configuration and the two exchange folders.
    void pastaNova(bool troca = false, int produto = 2)
    {
        parar();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(QFile::copy(Z3_BIN_DIR "/Z3_TEFZoduvud", path("Z3_TEFZoduvud")));
        if (!troca)
            return;
        QVERIFY(QDir(m_dir->path()).mkpath("Req") && QDir(m_dir->path()).mkpath("Resp"));
        const QString config =
            R"({"path_in":"%1","path_out":"%2","produto_tef":%3,"tipo_operacao":0,"log":1,"vitra":0})";
        QVERIFY(
            testsupport::writeAll(path("config_tef.json"), config.arg(path("Req"), pastaResp()).arg(produto).toUtf8()));
        m_produto = produto;
    }

    // Starts the program in the folder; the log is what the test reads. What it
    // prints goes to a file beside it: the window's own messages are only there.
    std::unique_ptr<QProcess> start(const QStringList &extraEnv = {}, bool offscreen = true,
                                    const QStringList &args = {})
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", m_dir->path());
        env.insert("Z3_PAUSAS_DIVISOR", QString::number(m_divisor));
        for (const char *fora : {"Z3_LOG", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(fora);
        if (!offscreen)
            env.remove("QT_QPA_PLATFORM");
        for (const QString &kv : extraEnv)
            env.insert(kv.section('=', 0, 0), kv.section('=', 1));
        process->setProcessEnvironment(env);
        process->setWorkingDirectory(m_dir->path());
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->setStandardOutputFile(path("saida.txt"), QIODevice::Append);
        process->start(path("Z3_TEFZoduvud"), args);
        return process;
    }

    // The long-lived copy the exchange tests talk to, with the simulated libraries in this folder.
    void iniciar(const QString &pastaBibliotecas)
    {
        m_bibliotecas = pastaBibliotecas;
        const QString inicio = "[MonitoraDiretorio] Monitoramento iniciado em: ";
        const int iniciosAntes = logText().count(inicio);
        m_programa = start({"Z3_LIB_DIR=" + pastaBibliotecas, "Z3_SIM_LOG=" + path("sim_log.jsonl"),
                            "Z3_SIM_CENARIO=" + path("cenario.json"), "Z3_SIM_ESTADO=" + path("host"),
                            "Z3_SIM_IMPRESSORA=" + path("impressora")});
        QVERIFY(m_programa->waitForStarted(30000));
        QVERIFY2(esperarLog(inicio, iniciosAntes + 1, m_programa.get()), qPrintable(logText().right(900)));
    }

    // The crash: no chance to write or close anything.
    void matar()
    {
        m_programa->kill();
        QVERIFY(m_programa->waitForFinished(30000));
    }

    void parar()
    {
        testsupport::stopProcess(m_programa.get());
        m_programa.reset();
    }

    // How the simulated host ended the transaction with this sequential number ("" while pending).
    QString noHost(const QString &sequencial) const
    {
        const QJsonObject host = QJsonDocument::fromJson(testsupport::readAll(path("host/z3_tef_host.json"))).object();
        if (host.value("pendentes").toObject().contains(sequencial))
            return "pendente";
        return host.value("resolvidas").toObject().value(sequencial).toString();
    }

    // The last confirmation call for a sequential number and what the host made of it.
    QString desfechoConfirmacao(const QString &sequencial, int acao) const
    {
        QString desfecho;
        for (const QJsonObject &c : chamadasDe("ConfirmarOperacaoTEF2")) {
            const QJsonArray a = c.value("argumentos").toArray();
            if (QString::number(a.at(1).toInt()) == sequencial && a.at(2).toInt() == acao)
                desfecho = c.value("resultado").toString();
        }
        return desfecho;
    }

    // The library calls that move money, by product.
    QList<QJsonObject> pagamentos() const
    {
        QList<QJsonObject> lista;
        for (const QJsonObject &c : chamadas()) {
            const QString f = c.value("funcao").toString();
            if (f == "RealizarPagamentoTEF" || f.startsWith("IniciaVenda"))
                lista.append(c);
        }
        return lista;
    }

    // The library's key of the last sale: its sequential number (Z3_Tef), its NSU (Z3_Bridge).
    QString ultimaVenda() const
    {
        const QList<QJsonObject> p = pagamentos();
        return p.isEmpty() ? QString() : p.last().value(m_produto == 2 ? "sequencial" : "nsu").toString();
    }

    // How the library settled the sale: "confirmada", "desfeita" or "" (still waiting).
    QString desfecho(const QString &venda) const
    {
        if (m_produto == 2) {
            const QString host = noHost(venda);
            return host == "pendente" ? QString() : host;
        }
        // The bridge's sale is final: only a cancellation of its NSU undoes it; a CNF settles it in the journal.
        for (const QJsonObject &c : chamadasDe("IniciaCancelamentoVenda"))
            if (c.value("argumentos").toArray().at(4).toString() == venda && c.value("resultado") == "aprovada")
                return "desfeita";
        const QStringList linhas = diario().trimmed().split('\n');
        for (auto it = linhas.crbegin(); it != linhas.crend(); ++it) {
            const QJsonObject registro = QJsonDocument::fromJson(it->toUtf8()).object();
            if (registro.value("nsuTerminal").toString() == venda)
                return registro.value("desfecho").toString() == "confirmada" ? "confirmada" : "";
        }
        return QString();
    }

    // A response file written by the program for a request the test wrote itself, field by field.
    QMap<QString, QString> respostaEscrita(int prazoMs)
    {
        QMap<QString, QString> campos;
        if (!testsupport::waitForFile(pastaResp() + "/IntPos.001", prazoMs))
            return campos;
        QTest::qWait(50); // renamed into place whole; let the rename settle
        m_permissoesResposta = QFileInfo(pastaResp() + "/IntPos.001").permissions();
        for (const QString &linha : QString::fromUtf8(testsupport::readAll(pastaResp() + "/IntPos.001")).split("\r\n"))
            campos.insert(linha.section(" = ", 0, 0), linha.section(" = ", 1));
        QFile::remove(pastaResp() + "/IntPos.001");
        QFile::remove(pastaResp() + "/IntPos.Sts");
        return campos;
    }

    // Waits until the log holds the text `count` times, or the process ends first.
    bool esperarLog(const QString &text, int count, QProcess *process)
    {
        const auto visto = [&] {
            return logText().count(text) >= count;
        };
        testsupport::waitUntil([&] { return visto() || process->state() == QProcess::NotRunning; }, 30000);
        return visto();
    }

    // A sale takes a few seconds; a response that never comes fails the call in `prazo` ms.
    Resultado posClient(const QStringList &args, const QString &prazo = "20000")
    {
        Resultado r;
        const QStringList opcoes{"--config", path("config_tef.json"), "--response-timeout", prazo};
        r.codigoSaida = testsupport::runPosClient(opcoes + args, 40000, &r.saida);
        bool naResposta = false;
        for (const QString &linha : r.saida.split('\n')) {
            if (linha == "response:")
                naResposta = true;
            else if (naResposta && linha.startsWith("  "))
                r.campos.insert(linha.mid(2, linha.indexOf(" = ") - 2), linha.section(" = ", 1));
        }
        return r;
    }

    // Support's queries, as a person or a monitoring agent runs them: what they print, apart from what they say.
    struct Consulta
    {
        int codigo = -1;
        QByteArray saida;
        QByteArray erro;
    };
    Consulta consultar(const QStringList &args)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", m_dir->path());
        env.remove("Z3_LOG");
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(m_dir->path());
        p.start(path("Z3_TEFZoduvud"), args);
        Consulta c;
        if (p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit)
            c.codigo = p.exitCode();
        c.saida = p.readAllStandardOutput();
        c.erro = p.readAllStandardError();
        return c;
    }

    // RFC 4180: fields split by commas, records by CR LF, quotes around a field that holds either.
    static QList<QStringList> lerCsv(const QString &texto)
    {
        QList<QStringList> registros;
        QStringList registro;
        QString campo;
        bool aspas = false;
        for (int i = 0; i < texto.size(); ++i) {
            const QChar c = texto.at(i);
            if (aspas && c == '"' && texto.mid(i + 1, 1) == "\"") {
                campo += '"';
                ++i;
            } else if (c == '"') {
                aspas = !aspas;
            } else if (!aspas && c == ',') {
                registro << std::exchange(campo, QString());
            } else if (!aspas && texto.mid(i, 2) == "\r\n") {
                registros << (registro << std::exchange(campo, QString()));
                registro.clear();
                ++i;
            } else {
                campo += c;
            }
        }
        if (!registro.isEmpty() || !campo.isEmpty())
            registros << (registro << campo); // not ended by CR LF: shows as a difference
        return registros;
    }

    // A second launch, as a launcher's action starts it: it ends by itself, with 0, whatever the answer.
    void lancar(const QStringList &args)
    {
        auto segunda = start({}, true, args);
        QVERIFY(segunda->waitForFinished(30000));
        QCOMPARE(segunda->exitStatus(), QProcess::NormalExit);
        QCOMPARE(segunda->exitCode(), 0);
    }

    // The socket the running copy listens on, as its log names it.
    QString canal() const
    {
        const QString marca = "[CanalInstancia] Aguardando ações de outras execuções em ";
        const QString log = logText();
        const int i = log.lastIndexOf(marca);
        return i < 0 ? QString() : log.mid(i + marca.size()).section('\n', 0, 0);
    }

    // Anything at all on that socket: what comes back before it is closed.
    QByteArray conversar(const QByteArray &pedido)
    {
        QLocalSocket socket;
        socket.connectToServer(canal());
        if (!socket.waitForConnected(10000))
            return "sem conexão: " + socket.errorString().toUtf8();
        socket.write(pedido);
        QByteArray resposta;
        testsupport::waitUntil(
            [&] {
                resposta += socket.readAll();
                return socket.state() == QLocalSocket::UnconnectedState;
            },
            10000);
        return resposta + socket.readAll();
    }

    // A confirmation or activity check: the status file, then no response file.
    void somenteStatus(const QString &operacao, const QStringList &campos)
    {
        const QString marca = QString("Operação %1 não requer arquivo IntPos.001").arg(operacao);
        const int antes = logText().count(marca);
        QStringList args{operacao, "--id", novoId()};
        for (const QString &c : campos)
            args << "--field" << c;
        const Resultado r = posClient(args);
        QVERIFY2(r.codigoSaida == 0 && r.saida.contains("status ok: " + operacao), qPrintable(r.saida));
        QVERIFY2(esperarLog(marca, antes + 1, m_programa.get()), qPrintable(logText()));
        QVERIFY(!QFileInfo::exists(pastaResp() + "/IntPos.001") &&
                !QFileInfo::exists(pastaResp() + "/IntPos.001.json"));
    }

private slots:
    void emptyFolderStartsAndRefusesASecondCopy()
    {
        pastaNova();
        auto first = start({}, /*offscreen=*/false); // no display and no platform chosen
        QVERIFY(esperarLog("Produto TEF configurado: 2", 1, first.get()));
        QCOMPARE(first->state(), QProcess::Running);

        QVERIFY(QFileInfo(path("config_tef.json")).size() > 0 && QFileInfo(path("Cliente/Req")).isDir() &&
                QFileInfo(path("Cliente/Resp")).isDir());
        for (const char *proprio : {"config_tef.json", "z3_log.txt"})
            QVERIFY2(testsupport::somenteDono(path(proprio)), proprio);
        for (const QString &linha :
             {QString("{I} \t\t Z3_TEFZoduvud\n"), QString("{I} \t\t Versão: 01.23.04\n"), QString("offscreen"),
              "{I} \t\t Pasta da configuração: " + QFileInfo(m_dir->path()).canonicalFilePath() + "\n"})
            QVERIFY2(logText().contains(linha), qPrintable(linha));

        auto second = start();
        QVERIFY(second->waitForFinished(30000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(logText().contains("{D} \t\t Uma instância já está aberta\n"));
        QCOMPARE(first->state(), QProcess::Running);
        // No tray offscreen: the way to the menu is said once, by the copy that has the menu.
        QCOMPARE(logText().count("{W} \t Sem bandeja do sistema: o menu está nas ações do lançador"), 1);

        // Answered on the terminal by a copy elsewhere: no settings, no log, and not silenced by the lock.
        QTemporaryDir outra;
        QVERIFY(QFile::copy(path("Z3_TEFZoduvud"), outra.filePath("Z3_TEFZoduvud")));
        QString saida;
        for (const char *opcao : {"--version", "--help"}) {
            QProcess process;
            process.start(outra.filePath("Z3_TEFZoduvud"), {opcao});
            QVERIFY(process.waitForFinished(30000));
            QCOMPARE(process.exitCode(), 0);
            saida += '\n' + QString::fromUtf8(process.readAllStandardOutput());
        }
        for (const char *trecho :
             {"\nZ3_TEFZoduvud 01.23.04\n", "--version", "--help", "Z3_LOG_PATH", "Z3_LIB_DIR", "XDG_CONFIG_HOME",
              "Z3_SIM_CENARIO", "--segundo-plano", "\n  --venda-cartao ", "\n  --configuracoes ", "\n  --sair ",
              "\n  --estado ", "\n  --transacoes DIA ", "\n  --reimprimir "})
            QVERIFY2(saida.contains(trecho), qPrintable(saida));
        QCOMPARE(QDir(outra.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"Z3_TEFZoduvud"});

        first->kill(); // SIGKILL: nothing released, yet the next copy must not be kept out
        QVERIFY(first->waitForFinished(30000));
        auto third = start({"Z3_EXIT_WHEN_IDLE=1"});
        QVERIFY(third->waitForFinished(30000));
        QCOMPARE(logText().count("Produto TEF configurado: 2"), 2);
        QCOMPARE(logText().count("Uma instância já está aberta"), 1);
    }

    // How a copy started by hand reads its settings; "!" marks a line that must be absent.
    void startsAsConfigured_data()
    {
        QTest::addColumn<QJsonObject>("config");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("linhas");
        QTest::addColumn<QStringList>("argumentos");
        const QString monitor = "[MonitoraDiretorio] Monitoramento iniciado em: ";
        QTest::newRow("product 5 is refused")
            << QJsonObject{{"produto_tef", 5}} << 255 << QStringList{"{E} \t\t Produto TEF inválido"} << QStringList();
        QTest::newRow("product 0 starts, and on the way out tells its library")
            << QJsonObject{{"produto_tef", 0}} << 0
            << QStringList{"Produto TEF configurado: 0",
                           "[Vantor_Controller] Z3_VANTOR_Zoduvud PRONTO PARA SER ENCERRADO COM SEGURANÇA"}
            << QStringList();
        QTest::newRow("autonomous-only shows the cashier's operations")
            << QJsonObject{{"tipo_operacao", 1}} << 0
            << QStringList{"[Janela] Tela, lista: [0] Venda Cartao; [1] PIX; [2] Operação Administrativa\n",
                           "[Janela] Tela: Selecione uma operação:", "!" + monitor}
            << QStringList();
        QTest::newRow("file exchange watches the folder; offscreen alone draws in software")
            << QJsonObject{{"tipo_operacao", 0}} << 0
            << QStringList{monitor, "!Tela, lista:", "{W} \t Sem OpenGL na plataforma \"offscreen\""} << QStringList();
        QTest::newRow("an action with no copy running: start, then do it")
            << QJsonObject{} << 0
            << QStringList{"Produto TEF configurado: 2", "[AcoesBandeja] Ação \"sobre\" recebida de linha de comando",
                           "[Janela] Tela, título: Sobre"}
            << QStringList{"--sobre"};
        QTest::newRow("sair with no copy running starts nothing")
            << QJsonObject{} << 0 << QStringList{"Nenhuma instância aberta para encerrar", "!Produto TEF configurado"}
            << QStringList{"--sair"};
        // These two rows run without the libraries, so that loading the display's is said in the log.
        QTest::newRow("the customer display switched on is loaded")
            << QJsonObject{{"vitra", 1}} << 0 << QStringList{"[Vitra_Controller] Erro ao carregar a biblioteca"}
            << QStringList();
        QTest::newRow("the customer display is on at 1 only")
            << QJsonObject{{"vitra", 2}} << 0 << QStringList{"!Vitra_Controller"} << QStringList();
        QTest::newRow("two actions: neither, and nothing touched")
            << QJsonObject{} << 2 << QStringList{"!Z3_TEFZoduvud"} << QStringList{"--pix", "--sair"};
    }

    void startsAsConfigured()
    {
        QFETCH(QJsonObject, config);
        QFETCH(int, exitCode);
        QFETCH(QStringList, linhas);
        QFETCH(QStringList, argumentos);
        pastaNova();
        gravarConfig(config);
        // Offscreen without a renderer chosen, as a user would start it by hand.
        QStringList ambiente{"Z3_EXIT_WHEN_IDLE=1", "QT_QUICK_BACKEND="};
        if (config.contains("vitra"))
            ambiente << "Z3_LIB_DIR=" + m_dir->path();
        auto process = start(ambiente, true, argumentos);
        QVERIFY(process->waitForFinished(30000));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QVERIFY2(process->exitCode() == exitCode, qPrintable(logText().right(3000)));
        for (const QString &linha : linhas)
            QVERIFY2(logText().contains(linha.mid(linha.startsWith('!'))) != linha.startsWith('!'),
                     qPrintable(linha + '\n' + logText()));
    }

    // Desktops with an indicator host (KDE, XFCE, Cinnamon, GNOME with its extension) keep the tray: the
    // icon registers through the StatusNotifierItem protocol, its menu readable as dbusmenu.
    void trayRegistersWithAnIndicatorHost()
    {
        if (qEnvironmentVariableIsEmpty("Z3_TESTE_BANDEJA"))
            QSKIP("needs a private session bus and an X display: ctest runs it as tst_Programa_bandeja");
        QDBusConnection barramento = QDBusConnection::sessionBus();
        VigiaBandeja vigia;
        QVERIFY(barramento.registerObject("/StatusNotifierWatcher", &vigia,
                                          QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
        QVERIFY(barramento.registerService("org.kde.StatusNotifierWatcher"));
        pastaNova(true);
        auto programa = start({"DISPLAY=" + qEnvironmentVariable("DISPLAY"), "QT_QPA_PLATFORM=xcb"});
        QVERIFY2(testsupport::waitUntil([&] { return !vigia.itens().isEmpty(); }, 30000), qPrintable(logText()));

        const QString item = vigia.itens().first();
        QDBusMessage propriedade =
            QDBusMessage::createMethodCall(item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get");
        propriedade << "org.kde.StatusNotifierItem"
                    << "Menu";
        const QDBusMessage menu = barramento.call(propriedade, QDBus::Block, 10000);
        QVERIFY2(menu.type() == QDBusMessage::ReplyMessage, qPrintable(menu.errorMessage()));
        const QString caminhoMenu =
            menu.arguments().value(0).value<QDBusVariant>().variant().value<QDBusObjectPath>().path();
        QDBusMessage layout = QDBusMessage::createMethodCall(item, caminhoMenu, "com.canonical.dbusmenu", "GetLayout");
        layout << 0 << -1 << QStringList{"label"};
        const QDBusMessage resposta = barramento.call(layout, QDBus::Block, 10000);
        QVERIFY2(resposta.type() == QDBusMessage::ReplyMessage, qPrintable(resposta.errorMessage()));
        QStringList rotulos;
        rotulosDoMenu(resposta.arguments().value(1).value<QDBusArgument>(), 0, &rotulos);
        QCOMPARE(rotulos, (QStringList{"TEF Autonomo", "  Venda Cartão", "  PIX", "  Operação Administrativa",
                                       "Reimprimir último comprovante", "Verificar Atualização", "Abrir",
                                       "Configurações", "Sobre", "Sair"}));
        QVERIFY(esperarLog("[CanalInstancia] Aguardando ações", 1, programa.get()));
        QVERIFY(!logText().contains("Sem bandeja do sistema"));
        testsupport::stopProcess(programa.get());
    }

    // From here on, one copy runs for the whole exchange, as in a shop.
    void startsWithTheSimulatedLibrary()
    {
        pastaNova(true);
        const QString libs = qEnvironmentVariable("Z3_LIB_DIR", Z3_BIN_DIR);
        QVERIFY(QFileInfo::exists(libs + "/Z3_Tef01.so"));
        iniciar(libs);
        somenteStatus("ATV", {}); // an activity check moves no money
        QVERIFY(chamadasDe("RealizarPagamentoTEF").isEmpty());
    }

    void cleanupTestCase() { parar(); }

    void sale_data()
    {
        QTest::addColumn<bool>("json");
        QTest::addColumn<QString>("valor");
        QTest::addColumn<bool>("aprovada");
        QTest::newRow("credit sale stays pending and carries both receipts") << false << "1000" << true;
        QTest::newRow("declined sale needs no confirmation") << false << "1051" << false;
        QTest::newRow("JSON sale is confirmed at once") << true << "2500" << true;
        QTest::newRow("declined JSON sale") << true << "351" << false;
    }

    void sale()
    {
        QFETCH(bool, json);
        QFETCH(QString, valor);
        QFETCH(bool, aprovada);
        const QString requerConfirmacao = !json && aprovada ? "2" : "1"; // only a key-number approval waits for the POS
        const int pagamentosAntes = chamadasDe("RealizarPagamentoTEF").size();
        const int confirmacoesAntes = chamadasDe("ConfirmarOperacaoTEF").size();
        const int finalizacoesAntes = chamadasDe("FinalizarOperacaoTEF").size();
        QStringList args = venda(valor);
        const QString id = args.at(2);
        if (json)
            args << "--json";
        const Resultado r = posClient(args);
        QVERIFY2(r.codigoSaida == 0, qPrintable(r.saida));

        // The amount and card type went to the library as the request gave them.
        const QList<QJsonObject> pagamentos = chamadasDe("RealizarPagamentoTEF");
        QVERIFY(pagamentos.size() > pagamentosAntes && pagamentos.last().value("argumentos").toArray().at(0) == 1);
        // A pending sale keeps the TEF operation open; anything else closes it.
        QCOMPARE(chamadasDe("FinalizarOperacaoTEF").size(), finalizacoesAntes + (requerConfirmacao == "2" ? 0 : 1));
        // Confirmed by the program itself only for an approved JSON sale.
        QCOMPARE(chamadasDe("ConfirmarOperacaoTEF").size(), confirmacoesAntes + (json && aprovada ? 1 : 0));
        const QMap<QString, QString> &c = r.campos;
        if (json) {
            QCOMPARE(c.value("requer_confirmacao"), requerConfirmacao);
            QCOMPARE(c.value("id"), id);
            const QJsonObject tef = QJsonDocument::fromJson(c.value("tef").toUtf8()).object();
            QCOMPARE(tef.value("valorTotal").toString(), valor);
            QCOMPARE(tef.value("retorno").toString(), aprovada ? "0" : "5");
            return;
        }
        for (const QString &campo : QStringList{"000-000 = CRT", "001-000 = " + id, "729-000 = " + requerConfirmacao,
                                                "003-000 = " + valor, QString("009-000 = ") + (aprovada ? "0" : "5")})
            QCOMPARE(campo.left(10) + c.value(campo.left(7)), campo);
        for (const char *bloco : {"712-000", "714-000", "028-000"})
            QCOMPARE(c.contains(bloco), aprovada);
        if (!aprovada)
            return;

        // The POS confirms: status file only, and the library's confirmation of that sequence.
        somenteStatus(
            "CNF", {"010-000=" + c.value("010-000"), "012-000=" + c.value("012-000"), "027-000=" + c.value("027-000")});
        QCOMPARE(desfechoConfirmacao(c.value("027-000"), 1), "confirmada");
        QCOMPARE(chamadasDe("FinalizarOperacaoTEF").size(), finalizacoesAntes + 1);
    }

    void refusedStartIsNotReadAsApproval()
    {
        // The library answers the start with the code that means "approved" in a transaction.
        QVERIFY(testsupport::writeAll(path("cenario.json"), R"({"iniciar_retorno":"0"})"));
        const Resultado r = posClient(venda("1000"));
        QVERIFY(QFile::remove(path("cenario.json")));
        QVERIFY2(r.codigoSaida == 0, qPrintable(r.saida));
        QVERIFY(r.campos.value("009-000") != "0");
        QCOMPARE(r.campos.value("375-000"), "-1");
        QCOMPARE(r.campos.value("030-000"), "Falha ao iniciar");
        QVERIFY(r.campos.value("729-000").isEmpty());
    }

    // What keeps a customer from being charged for a sale the POS abandoned or never heard of, the same for every
    // product that answers without the cashier: Z3_Bridge (1) and Z3_Tef (2); Vantor's is tst_Vantor_Controller's.
    void moneyGuarantees_data()
    {
        QTest::addColumn<int>("produto");
        QTest::addColumn<QString>("caso");
        for (const int produto : {1, 2}) {
            for (const char *caso :
                 {"recusada", "resposta nao gravada", "morte antes da resposta", "morte depois da resposta",
                  "morte durante a entrega", "ncn", "ncn recusado", "diario"}) {
                QTest::addRow("%s, produto %d", caso, produto) << produto << QString::fromLatin1(caso);
            }
        }
    }

    void moneyGuarantees()
    {
        QFETCH(int, produto);
        QFETCH(QString, caso);
        const QString libs = qEnvironmentVariable("Z3_LIB_DIR", Z3_BIN_DIR);
        if (m_produto != produto || !m_programa || m_programa->state() != QProcess::Running) {
            pastaNova(true, produto);
            iniciar(libs);
        }
        const int pagamentosAntes = pagamentos().size();
        if (caso == "recusada") {
            // A line without "=": the whole request is refused, and no library sees it.
            QVERIFY(testsupport::writeAll(path("pedido.tmp"), "000-000 = CRT\n001-000 = 5\n003-000 = 1000\nlixo\n"
                                                              "731-000 = 1\n999-999 = 0\n"));
            QVERIFY(QFile::rename(path("pedido.tmp"), path("Req/IntPos.001")));
            const QMap<QString, QString> r = respostaEscrita(20000);
            QVERIFY2(!r.isEmpty(), qPrintable(logText().right(2000)));
            QVERIFY(r.value("009-000") != "0");
            // The POS may read as another user: the exchange's files are not the program's own records.
            const mode_t mascara = ::umask(0);
            ::umask(mascara);
            QCOMPARE(m_permissoesResposta.testFlag(QFile::ReadOther), !(mascara & S_IROTH));
            QCOMPARE(pagamentos().size(), pagamentosAntes);
            return;
        }
        if (caso == "diario") {
            // The journal's temporary name taken by a folder from the start: the journal cannot be written.
            const QString obstaculo = path("diario_tef.jsonl.tmp");
            parar();
            QVERIFY(QDir().mkpath(obstaculo + "/x"));
            iniciar(libs);
            const Resultado r = posClient(venda("1000"));
            QVERIFY(QDir(obstaculo).removeRecursively());
            QVERIFY2(r.codigoSaida == 0, qPrintable(r.saida));
            QVERIFY(r.campos.value("009-000") != "0");
            QCOMPARE(pagamentos().size(), pagamentosAntes);
            QVERIFY(logText().contains("Diário de transações indisponível"));
            return;
        }
        if (caso == "resposta nao gravada") {
            const QString obstaculo = pastaResp() + "/arquivo_tef.tmp";
            QVERIFY(QDir().mkpath(obstaculo + "/x"));
            // Status, then no response whatever the client waits: the response cannot be written.
            QCOMPARE(posClient(venda("1500"), "1000").codigoSaida, 4);
            QVERIFY(esperarLog("não chegou ao PDV: a transação será desfeita", 1, m_programa.get()));
            QTRY_COMPARE_WITH_TIMEOUT(desfecho(ultimaVenda()), QString("desfeita"), 15000);
            // Nothing else waits: the library's operation the sale left open is closed after the undo.
            const auto ultimas = [this] {
                const QStringList f = testsupport::funcoesSimuladas(path("sim_log.jsonl"));
                return f.mid(f.size() - 2);
            };
            if (produto == 2)
                QTRY_COMPARE_WITH_TIMEOUT(ultimas(), (QStringList{"ConfirmarOperacaoTEF2", "FinalizarOperacaoTEF"}),
                                          5000);
            QVERIFY(QDir(obstaculo).removeRecursively());
            QFile::remove(pastaResp() + "/IntPos.Sts");
            return;
        }
        if (caso == "morte antes da resposta") {
            // The window between the approval and the response is the cashier's last screen: its real length.
            m_divisor = 1;
            const auto depois = qScopeGuard([this] { m_divisor = 10; });
            matar();
            iniciar(m_bibliotecas);
            QProcess pdv;
            pdv.start(Z3_BIN_DIR "/pos_client",
                      QStringList{"--config", path("config_tef.json"), "--response-timeout", "1500"} + venda("1300"));
            // Approved and journaled; the cashier's closing screen still shows.
            const QString aprovada = "adicionado na lista de sequenciais para confirmação";
            QVERIFY(esperarLog(aprovada, logText().count(aprovada) + 1, m_programa.get()));
            matar();
            QVERIFY(pdv.waitForFinished(30000));
            QCOMPARE(pdv.exitCode(), 4); // the POS never had a response
            const QString v = ultimaVenda();
            QCOMPARE(desfecho(v), QString());
            m_divisor = 10; // the next rows use this copy
            iniciar(m_bibliotecas);
            QCOMPARE(desfecho(v), QString("desfeita"));
            QVERIFY(logText().contains("}{E} \t\t Transação aprovada sem resposta ao PDV (CRT"));
            QFile::remove(pastaResp() + "/IntPos.Sts");
            return;
        }
        // An approved sale, answered.
        const Resultado r = posClient(venda("1200"));
        QVERIFY2(r.codigoSaida == 0 && r.campos.value("009-000") == "0", qPrintable(r.saida));
        const QString v = ultimaVenda();
        const QStringList campos{"010-000=" + r.campos.value("010-000"), "012-000=" + r.campos.value("012-000"),
                                 "027-000=" + r.campos.value("027-000")};
        if (caso == "ncn") {
            // The POS could not finish the coupon: the sale it names is undone.
            somenteStatus("NCN", campos);
            QTRY_COMPARE_WITH_TIMEOUT(desfecho(v), QString("desfeita"), 10000);
            return;
        }
        if (caso == "ncn recusado") {
            // The library will not undo it: left for a person, said at once and at every start.
            QVERIFY(testsupport::writeAll(path("cenario.json"),
                                          produto == 2 ? R"({"confirmar_retorno":"0"})" : R"({"decisao":"erro"})"));
            somenteStatus("NCN", campos);
            QFile::remove(path("cenario.json"));
            QVERIFY(esperarLog("não resolvida: verifique-a no TEF", 1, m_programa.get()));
            QVERIFY(diario().trimmed().split('\n').last().contains("\"estado\":\"nao_resolvida\""));
            QCOMPARE(desfecho(v), QString());
            parar();
            iniciar(m_bibliotecas);
            QVERIFY(logText().contains("}{E} \t\t Transação não resolvida (CRT"));
            return;
        }
        const QString respondida = "\"estado\":\"respondida\"";
        QTRY_VERIFY_WITH_TIMEOUT(diario().trimmed().split('\n').last().contains(respondida), 15000);
        matar();
        const bool emEntrega = caso == "morte durante a entrega";
        if (emEntrega) {
            // The line that would have followed the response never made it to the disk.
            QStringList linhas = diario().trimmed().split('\n');
            linhas.last().replace(respondida, "\"estado\":\"em_entrega\"");
            QVERIFY(testsupport::writeAll(path("diario_tef.jsonl"), (linhas.join('\n') + '\n').toUtf8()));
        }
        iniciar(m_bibliotecas);
        // Restored for the POS to settle, never undone behind its back.
        QVERIFY(logText().contains(emEntrega ? "}{W} \t Transação restaurada como pendente"
                                             : "}{I} \t\t Transação restaurada como pendente"));
        QCOMPARE(desfecho(v), QString());
        somenteStatus("CNF", campos);
        QTRY_COMPARE_WITH_TIMEOUT(desfecho(v), QString("confirmada"), 10000);
    }

    // A CNF that matches nothing pending confirms nothing.
    void confirmationOfNothingConfirmsNothing()
    {
        const int antes = chamadasDe("ConfirmarOperacaoTEF2").size();
        somenteStatus("CNF", {"010-000=REDEX", "012-000=999999", "027-000=424242"});
        QCOMPARE(chamadasDe("ConfirmarOperacaoTEF2").size(), antes);
        QVERIFY(logText().contains("CNF sem transação pendente correspondente: 010-000 = REDEX"));
    }

    void journalReadAtStart_data()
    {
        QTest::addColumn<QByteArray>("conteudo");
        QTest::addColumn<QByteArray>("depois"); // the journal after the start; empty: kept aside whole
        const QByteArray resolvida = "{\"chave\":7,\"desfecho\":\"confirmada\",\"estado\":\"resolvida\",\"formato\":"
                                     "\"SiTef\",\"identificacao\":\"1\",\"operacao\":\"CRT\"}\n";
        QTest::newRow("unreadable line: kept aside")
            << QByteArray("{\"registros\":[{\"chave\":1,\n") + resolvida << QByteArray();
        // A record older than the product field was written by Z3_Tef, and is read as such.
        QTest::newRow("last line cut by a crash: dropped") << resolvida + QByteArray("{\"chave\":8,\"estado\":\"em_and")
                                                           << QByteArray(resolvida).replace("}\n", ",\"produto\":2}\n");
    }

    void journalReadAtStart()
    {
        QFETCH(QByteArray, conteudo);
        QFETCH(QByteArray, depois);
        QVERIFY(testsupport::writeAll(path("diario_tef.jsonl"), conteudo));
        matar();
        iniciar(m_bibliotecas);
        const QStringList guardados = QDir(m_dir->path()).entryList({"diario_tef.jsonl.ilegivel-*"}, QDir::Files);
        if (depois.isEmpty()) {
            QVERIFY(logText().contains("ilegível (linha 1 ilegível)"));
            QCOMPARE(guardados.size(), 1);
            QCOMPARE(testsupport::readAll(path(guardados.first())), conteudo);
            QVERIFY(QFile::remove(path(guardados.first())));
        } else {
            QVERIFY(logText().contains("última linha incompleta (27 bytes) descartada"));
            QVERIFY(guardados.isEmpty());
            QCOMPARE(diario().toUtf8(), depois);
        }
        somenteStatus("ATV", {});
    }

    // A desktop without a tray: every entry comes from a second launch, as the launcher's actions start it.
    void secondLaunchHandsOver_data()
    {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<QString>("acao");   // as the running copy logs it; empty: nothing reaches it
        QTest::addColumn<QString>("efeito"); // what the running copy then does
        QTest::newRow("no action shows the window") << QStringList{} << "abrir"
                                                    << "[Janela] Janela travada no topo da pilha";
        QTest::newRow("settings open the configuration popup") << QStringList{"--configuracoes"} << "configuracoes"
                                                               << "[Janela] Configurações abertas";
        QTest::newRow("about shows the about box") << QStringList{"--sobre"} << "sobre"
                                                   << "[Janela] Tela, título: Sobre";
        QTest::newRow("the session's autostart leaves it alone") << QStringList{"--segundo-plano"} << ""
                                                                 << "";
        // Last: the check runs on the backend thread, which the next test waits for.
        QTest::newRow("update looks for a new version") << QStringList{"--atualizacao"} << "atualizacao"
                                                        << "[Atualizador] RealizarVerificacao";
    }

    void secondLaunchHandsOver()
    {
        QFETCH(QStringList, argumentos);
        QFETCH(QString, acao);
        QFETCH(QString, efeito);
        const QString recebida = "[AcoesBandeja] Ação \"%1\" recebida de outra execução (pid ";
        const int acoesAntes = logText().count("[AcoesBandeja] Ação");
        const int efeitosAntes = efeito.isEmpty() ? 0 : ocorrencias(efeito);
        lancar(argumentos);
        QCOMPARE(m_programa->state(), QProcess::Running);
        if (acao.isEmpty()) {
            QCOMPARE(logText().count("[AcoesBandeja] Ação"), acoesAntes);
            return;
        }
        QVERIFY2(logText().contains(recebida.arg(acao)), qPrintable(logText().right(2000)));
        QVERIFY(logText().contains(QString("{I} \t\t Ação \"%1\" entregue à instância aberta: ok\n").arg(acao)));
        QVERIFY2(testsupport::waitUntil([&] { return ocorrencias(efeito) > efeitosAntes; }, 20000),
                 qPrintable(saida().right(2000)));
    }

    void channelRefusesAnythingElse_data()
    {
        QTest::addColumn<QByteArray>("pedido");
        QTest::addColumn<QByteArray>("resposta");
        const QByteArray invalido = "recusado: pedido inválido\n";
        QTest::newRow("unknown action") << QByteArray("acao formatar\n") << QByteArray("recusado: ação desconhecida\n");
        QTest::newRow("two requests at once") << QByteArray("acao sobre\nacao sair\n") << invalido;
        QTest::newRow("NUL and binary") << QByteArray("acao \0sair\xff\n", 12) << invalido;
        QTest::newRow("endless line") << QByteArray(4096, 'a') << QByteArray("recusado: pedido longo demais\n");
        QTest::newRow("nothing said") << QByteArray() << QByteArray("recusado: nenhum pedido no prazo\n");
    }

    void channelRefusesAnythingElse()
    {
        QFETCH(QByteArray, pedido);
        QFETCH(QByteArray, resposta);
        const QRegularExpression recusa(R"(\[(CanalInstancia|AcoesBandeja)\] [^\n]* recusad)");
        const int recusasAntes = logText().count(recusa);
        QCOMPARE(conversar(pedido), resposta);
        QCOMPARE(logText().count(recusa), recusasAntes + 1);
        QVERIFY(!logText().contains("Ação \"sair\" recebida"));
        QCOMPARE(m_programa->state(), QProcess::Running);
    }

    void channelIsTheUsersAndNeverHoldsTheProgram()
    {
        const QFileInfo socket(canal());
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        const QString pasta = QFileInfo(runtime).isDir() ? runtime : QDir::tempPath();
        QVERIFY2(socket.exists() && socket.absolutePath() == QDir(pasta).absolutePath(), qPrintable(canal()));
        QCOMPARE(socket.ownerId(), QFileInfo(m_dir->path()).ownerId());
        const auto outros = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                            QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
        QVERIFY((socket.permissions() & outros) == 0);

        // A peer that connects and says nothing: the POS is served meanwhile.
        QLocalSocket calado;
        calado.connectToServer(canal());
        QVERIFY(calado.waitForConnected(10000));
        somenteStatus("ATV", {});
        QVERIFY(testsupport::waitUntil([&] { return calado.state() == QLocalSocket::UnconnectedState; }, 10000));
    }

    void cashiersSaleFromASecondLaunch()
    {
        const int popups = ocorrencias("qml: Componente criado com sucesso!");
        lancar({"--venda-cartao"});
        for (const QString &linha :
             {QString("[AcoesBandeja] Ação \"venda-cartao\" recebida de outra execução"),
              QString("[TefAutonomo] Iniciando venda cartão"), QString("[Janela] Tela, título: Venda"),
              QString("[Janela] Tela: Digite o valor da transação")})
            QVERIFY2(esperarLog(linha, 1, m_programa.get()), qPrintable(linha + '\n' + logText().right(3000)));

        // While the sale waits for the cashier, the tray's entries are off: so are these.
        for (const QString &acao : {QString("configuracoes"), QString("reimprimir"), QString("sair")}) {
            lancar({"--" + acao});
            QVERIFY(logText().contains(QString("Ação \"%1\" recusada: operação em andamento").arg(acao)));
            QVERIFY(logText().contains(
                QString("{W} \t Ação \"%1\" entregue à instância aberta: recusado: operação em andamento").arg(acao)));
        }
        QVERIFY(logText().contains("[Janela] Tela, aviso de erro: Sair: não disponível (operação em andamento)"));
        QCOMPARE(ocorrencias("qml: Componente criado com sucesso!"), popups); // no settings popup opened
        QCOMPARE(m_programa->state(), QProcess::Running);
    }

    void sairEndsTheProgramWhenIdle()
    {
        matar(); // the sale above never had an amount: nothing charged
        const QFileInfo deixado(canal());
        QVERIFY(deixado.exists());
        iniciar(m_bibliotecas); // over the socket the killed copy left
        QCOMPARE(canal(), deixado.filePath());
        lancar({"--sair"});
        QVERIFY(m_programa->waitForFinished(30000));
        QCOMPARE(m_programa->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_programa->exitCode(), 0);
        QVERIFY(logText().contains("Ação \"sair\" entregue à instância aberta: ok"));
        QVERIFY(!QFileInfo::exists(canal()));
    }

    // The pauses with their real values, which every other test here shortens: the status file not before the
    // exchange's 1.3 s, the bridge's response not before its 3 s on the cashier's screen as well.
    void realPausesHold()
    {
        m_divisor = 1;
        const auto depois = qScopeGuard([this] { m_divisor = 10; });
        pastaNova(true, 1);
        iniciar(qEnvironmentVariable("Z3_LIB_DIR", Z3_BIN_DIR));
        const Resultado r = posClient(venda("1000") << "--timing");
        QVERIFY2(r.codigoSaida == 0, qPrintable(r.saida));
        const auto ms = [&r](const char *o) {
            return r.saida.section(QString("%1 after ").arg(o), 1).section(" ms", 0, 0).toInt();
        };
        QVERIFY2(ms("status") >= 1300 && ms("response") >= 4300, qPrintable(r.saida));
    }

    // Every way out waits for the operation under way: a termination signal (a logout, a shutdown) at each stage
    // of a sale ends with the POS's response written, and the program gone; idle, it ends at once.
    void leavingWaitsForTheOperation_data()
    {
        QTest::addColumn<int>("produto");
        QTest::addColumn<QString>("estagio");   // when the signal comes
        QTest::addColumn<QString>("resultado"); // the response's 009-000; empty: no request
        QTest::newRow("idle") << 2 << "ocioso"
                              << "";
        QTest::newRow("Z3_Tef, request taken, library not called yet") << 2 << "antes"
                                                                       << "0";
        QTest::newRow("Z3_Tef, the cashier's question open: cancelled") << 2 << "pergunta"
                                                                        << "4";
        QTest::newRow("Z3_Tef, approved, response not written yet") << 2 << "aprovada"
                                                                    << "0";
        QTest::newRow("Z3_Bridge, approved, response not written yet") << 1 << "aprovada"
                                                                       << "0";
        QTest::newRow("Vantor, the cashier's menu open: cancelled") << 0 << "pergunta"
                                                                    << "65282";
    }

    void leavingWaitsForTheOperation()
    {
        QFETCH(int, produto);
        QFETCH(QString, estagio);
        QFETCH(QString, resultado);
        // A stage bounded by a pause lasts as long as its real pause, for the signal to fall in it; a question
        // waits for the cashier whatever the pauses.
        if (estagio == "antes" || estagio == "aprovada")
            m_divisor = 1;
        const auto depois = qScopeGuard([this] { m_divisor = 10; });
        pastaNova(true, produto);
        iniciar(qEnvironmentVariable("Z3_LIB_DIR", Z3_BIN_DIR));
        QProcess pdv;
        if (estagio != "ocioso") {
            QStringList pedido{"CRT", "--id", novoId(), "--field", "731-000=1"};
            if (estagio != "pergunta")
                pedido << "--valor"
                       << "1000";
            pdv.start(Z3_BIN_DIR "/pos_client",
                      QStringList{"--config", path("config_tef.json"), "--response-timeout", "60000"} + pedido);
            const QString marca = estagio == "antes"      ? "[MonitoraDiretorio] Arquivo SiTef encontrado"
                                  : estagio == "pergunta" ? (produto == 0 ? "Tela, lista: [0] Pagamento débito"
                                                                          : "Tela: campo de digitação aberto")
                                                          : "adicionado na lista de sequenciais para confirmação";
            QVERIFY2(esperarLog(marca, 1, m_programa.get()), qPrintable(logText().right(2000)));
        }
        m_programa->terminate();
        QVERIFY(m_programa->waitForFinished(90000));
        QCOMPARE(m_programa->exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_programa->exitCode(), 0);
        if (estagio == "ocioso") {
            QVERIFY(logText().contains("[Encerramento] Encerrando (SIGTERM)"));
            return;
        }
        QVERIFY(logText().contains("[Encerramento] Encerrando após a operação em andamento (SIGTERM)"));
        QVERIFY(pdv.waitForFinished(30000));
        const QString saida = QString::fromUtf8(pdv.readAll());
        QVERIFY2(pdv.exitCode() == 0 && saida.contains("  009-000 = " + resultado + "\n"), qPrintable(saida));
        // An approval the POS has waits for its CNF at the next start, as after any restart.
        if (resultado == "0")
            QVERIFY(diario().trimmed().split('\n').last().contains("\"estado\":\"respondida\""));
    }

    // The restart after the settings are saved (here asked by a second launch, as support would) leaves exactly
    // one copy, serving: the new one waits for the old one's lock instead of giving way to it.
    void restartKeepsOneCopyServing()
    {
        pastaNova(true);
        // The copies the restarts start are no children of this test: none outlives it, whatever happens.
        const auto semCopias = qScopeGuard([this] { QProcess::execute("pkill", {"-f", path("Z3_TEFZoduvud")}); });
        iniciar(qEnvironmentVariable("Z3_LIB_DIR", Z3_BIN_DIR));
        const QString inicio = "[MonitoraDiretorio] Monitoramento iniciado em: ";
        for (int i = 1; i <= 20; ++i) {
            lancar({"--reiniciar"});
            QVERIFY2(testsupport::waitUntil([&] { return logText().count(inicio) > i; }, 30000),
                     qPrintable(logText().right(2000)));
        }
        QVERIFY(m_programa->state() == QProcess::NotRunning || m_programa->waitForFinished(30000)); // long gone
        QVERIFY(!logText().contains("a execução anterior não encerrou"));
        somenteStatus("ATV", {});
        QProcess pgrep;
        pgrep.start("pgrep", {"-c", "-f", path("Z3_TEFZoduvud")});
        QVERIFY(pgrep.waitForFinished(10000));
        QCOMPARE(QString::fromLatin1(pgrep.readAll()).trimmed(), QString("1"));
        lancar({"--sair"});
        QVERIFY(testsupport::waitUntil([&] { return logText().contains("[Encerramento] Encerrando (Sair)"); }, 30000));
    }

    // An update on offer waits for SIM or NÃO without holding the exchange: requests are served meanwhile, and
    // the offer comes back on screen after each.
    void updateOfferDoesNotHoldTheExchange()
    {
        pastaNova(true);
        QJsonObject config = QJsonDocument::fromJson(testsupport::readAll(path("config_tef.json"))).object();
        config.insert("iniciar_atualizacao_aut", 1);
        gravarConfig(config);
        QVERIFY(QDir().mkpath(path("versoes")));
        QVERIFY(QFile::copy(Z3_BIN_DIR "/Z3_Updater_instalador.sh", path("versoes/Z3_TEFZoduvud-v01.24.00.sh")));
        m_bibliotecas = qEnvironmentVariable("Z3_LIB_DIR", Z3_BIN_DIR);
        m_programa = start({"Z3_LIB_DIR=" + m_bibliotecas, "Z3_SIM_LOG=" + path("sim_log.jsonl"),
                            "Z3_SIM_ATUALIZACOES=" + path("versoes"), "Z3_SIM_INSTALADOR=" + path("instalador.log")});
        const QString oferta = "Tela: Nova versão disponível: 01.24.00 / Deseja baixar atualização agora?";
        QVERIFY2(esperarLog(oferta, 1, m_programa.get()), qPrintable(logText().right(2000)));
        somenteStatus("ATV", {});
        const Resultado r = posClient(venda("1000"));
        QVERIFY2(r.codigoSaida == 0 && r.campos.value("009-000") == "0", qPrintable(r.saida));
        QVERIFY(esperarLog(oferta, 2, m_programa.get())); // back on screen after the sale
        QVERIFY(!QFileInfo::exists(path("instalador.log")));
        parar();
    }

    // Support's check of a checkout, as a monitoring agent runs it: one copy of the program in a folder of its
    // own, started and stopped between the rows.
    void stateForMonitoring_data()
    {
        QTest::addColumn<bool>("copia");
        QTest::addColumn<QByteArray>("diario"); // written before the row; empty: left as it is
        QTest::addColumn<QByteArray>("log");    // added to the log before the row
        QTest::addColumn<int>("codigo");
        QTest::addColumn<QStringList>("estados");
        const QByteArray naoResolvida =
            R"({"chave":3,"desde":"2026-01-02T10:00:00-03:00","desfecho":"desfazimento recusado","estado":)"
            R"("nao_resolvida","formato":"SiTef","identificacao":"7","nsuTerminal":"000042","operacao":"CRT",)"
            R"("produto":2,"sequencial":42,"transacao":"Cartao Vender","valorTotal":"1200"})"
            "\n"
            R"({"chave":4,"estado":"respondida","formato":"SiTef","identificacao":"8","nsuTerminal":"000043",)"
            R"("operacao":"CRT","produto":2,"sequencial":43,"transacao":"Cartao Vender","valorTotal":"1050"})"
            "\n";
        // The last error line, before the exchange's routine one and an info line; a card number in it.
        const QByteArray log = "{06/12/26 10:15:30:417}{Z3_TEFZoduvud}{E} \t\t Falha com 4111111111111111\n"
                               "{06/12/26 10:15:31:002}{Z3_TEFZoduvud}{E} \t\t [MonitoraDiretorio] Arquivo SiTef "
                               "não encontrado\n{06/12/26 10:15:31:003}{Z3_TEFZoduvud}{I} \t\t ok\n";
        QTest::newRow("no copy running") << false << QByteArray() << QByteArray() << 1 << QStringList();
        QTest::newRow("one copy, idle") << true << QByteArray() << QByteArray() << 0 << QStringList();
        QTest::newRow("an unresolved transaction")
            << true << naoResolvida << QByteArray() << 2 << QStringList{"nao_resolvida", "respondida"};
        QTest::newRow("unresolved, no copy running")
            << false << QByteArray() << log << 2 << QStringList{"nao_resolvida", "respondida"};
    }

    void stateForMonitoring()
    {
        QFETCH(bool, copia);
        QFETCH(QByteArray, diario);
        QFETCH(QByteArray, log);
        QFETCH(int, codigo);
        QFETCH(QStringList, estados);
        if (QTest::currentDataTag() == QLatin1String("no copy running"))
            pastaNova(true);
        if (!copia || !diario.isEmpty())
            parar();
        if (!diario.isEmpty())
            QVERIFY(testsupport::writeAll(path("diario_tef.jsonl"), diario));
        if (!log.isEmpty())
            QVERIFY(testsupport::writeAll(path("z3_log.txt"), testsupport::readAll(path("z3_log.txt")) + log));
        if (copia && !m_programa)
            iniciar(qEnvironmentVariable("Z3_LIB_DIR", Z3_BIN_DIR));
        const QStringList antes = QDir(m_dir->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
        const QByteArray logAntes = testsupport::readAll(path("z3_log.txt"));

        const Consulta c = consultar({"--estado"});
        QCOMPARE(c.codigo, codigo);
        const QJsonObject e = QJsonDocument::fromJson(c.saida).object();
        QCOMPARE(e.value("em_execucao").toBool(), copia);
        QCOMPARE(e.value("pid").toVariant().toLongLong(), copia ? m_programa->processId() : 0);
        for (const auto &[membro, valor] :
             {std::pair{"versao", QString("01.23.04")}, std::pair{"nome_produto", QString("Z3_Tef")},
              std::pair{"pasta_requisicao", path("Req")}, std::pair{"pasta_resposta", pastaResp()},
              std::pair{"pasta_configuracao", QFileInfo(m_dir->path()).canonicalFilePath()}})
            QCOMPARE(e.value(membro).toString(), valor);
        QCOMPARE(e.value("produto_tef").toInt(), 2);
        QStringList lidos;
        for (const QJsonValue &t : e.value("transacoes").toArray())
            lidos << t.toObject().value("estado").toString();
        QCOMPARE(lidos, estados);
        if (!estados.isEmpty()) {
            const QJsonObject t = e.value("transacoes").toArray().first().toObject();
            QCOMPARE(t.value("id").toString(), "7");
            QCOMPARE(t.value("nsu").toString(), "000042");
            QCOMPARE(t.value("valor").toString(), "12.00");
            QCOMPARE(t.value("desde").toString(), "2026-01-02T10:00:00-03:00");
        }
        const QJsonObject erro = e.value("ultimo_erro").toObject();
        if (!log.isEmpty()) {
            QCOMPARE(erro.value("mensagem").toString(), "Falha com 411111******1111");
            QCOMPARE(erro.value("hora").toString(), "2026-12-06T10:15:30.417");
        } else if (!diario.isEmpty()) {
            // The start-up said it at error level.
            QVERIFY(logText().contains("}{E} \t\t Transação não resolvida (CRT id 7"));
            QVERIFY(erro.value("hora").toString().startsWith(QDate::currentDate().toString(Qt::ISODate)));
        }
        // Read only: the running copy heard nothing of it, and no file was made or touched.
        if (copia) {
            // A late start-up line of the running copy may follow; neither a start of the query's own nor a word
            // to the running copy may.
            const QByteArray logDepois = testsupport::readAll(path("z3_log.txt"));
            QVERIFY(logDepois.startsWith(logAntes));
            const QByteArray novo = logDepois.mid(logAntes.size());
            QVERIFY2(!novo.contains("Versão: ") && !novo.contains("[CanalInstancia]") &&
                         !novo.contains("[AcoesBandeja]"),
                     novo.constData());
        }
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), antes);
    }

    // A day at a checkout read back by the bookkeeper: a sale confirmed, a decline, a sale the POS abandoned and,
    // where the library serves it without the cashier, a cancellation; a library that puts a card number where
    // the brand goes.
    void dayOfSalesReadBackAsCsv_data()
    {
        QTest::addColumn<int>("produto");
        QTest::addColumn<QByteArray>("cenario");
        QTest::addColumn<QString>("bandeira"); // of the approved sales, as the CSV gives it
        QTest::newRow("Z3_Bridge") << 1 << QByteArray(R"({"resposta":{"nomeCartaoPadrao":"4111111111111111"}})")
                                   << "411111******1111";
        QTest::newRow("Z3_Tef") << 2 << QByteArray(R"({"tef":{"nomeBandeira":"4111111111111111"}})")
                                << "411111******1111";
        // A field holding a line break stays one field of one record.
        QTest::newRow("Z3_Tef, a brand in two lines")
            << 2 << QByteArray(R"({"tef":{"nomeBandeira":"VISA\r\nDEBITO"}})") << "VISA\r\nDEBITO";
    }

    void dayOfSalesReadBackAsCsv()
    {
        QFETCH(int, produto);
        QFETCH(QByteArray, cenario);
        QFETCH(QString, bandeira);
        pastaNova(true, produto);
        iniciar(qEnvironmentVariable("Z3_LIB_DIR", Z3_BIN_DIR));
        const auto campos = [](const Resultado &r) {
            return QStringList{"010-000=" + r.campos.value("010-000"), "012-000=" + r.campos.value("012-000"),
                               "027-000=" + r.campos.value("027-000")};
        };
        QVERIFY(testsupport::writeAll(path("cenario.json"), cenario));
        const Resultado confirmada = posClient(venda("1000"));
        QVERIFY(QFile::remove(path("cenario.json")));
        QVERIFY2(confirmada.campos.value("009-000") == "0", qPrintable(confirmada.saida));
        somenteStatus("CNF", campos(confirmada));
        QVERIFY(posClient(venda("1051")).campos.value("009-000") != "0");
        const Resultado desfeita = posClient(venda("2000"));
        somenteStatus("NCN", campos(desfeita));
        QStringList esperadas{"CRT|10.00|aprovada", "CRT|10.51|negada", "CRT|20.00|desfeita"};
        if (produto == 1) {
            const Resultado cancelamento =
                posClient({"CNC", "--id", novoId(), "--valor", "1000", "--nsu", confirmada.campos.value("012-000"),
                           "--data", confirmada.campos.value("022-000"), "--hora", confirmada.campos.value("023-000")});
            QVERIFY2(cancelamento.campos.value("009-000") == "0", qPrintable(cancelamento.saida));
            esperadas << "CNC|10.00|aprovada";
        }

        const Consulta c = consultar({"--transacoes", "-"});
        QCOMPARE(c.codigo, 0);
        QCOMPARE(c.erro, QByteArray());
        const QList<QStringList> csv = lerCsv(QString::fromUtf8(c.saida));
        QVERIFY(!csv.isEmpty());
        QCOMPARE(csv.first(),
                 QString("data,hora,origem,produto,operacao,valor,bandeira,rede,nsu,autorizacao,estado").split(','));
        QStringList lidas;
        for (const QStringList &linha : csv.mid(1)) {
            QCOMPARE(linha.size(), 11);
            lidas << QStringList{linha[4], linha[5], linha[10]}.join('|');
            QCOMPARE(linha[0], QDate::currentDate().toString(Qt::ISODate));
            QCOMPARE(linha[2], "pdv");
            QCOMPARE(linha[3], produto == 1 ? "Z3_Bridge" : "Z3_Tef");
            QVERIFY(!linha[8].isEmpty()); // NSU
            if (linha[10] != "negada")
                QVERIFY2(!linha[7].isEmpty() && !linha[9].isEmpty(), qPrintable(linha.join(','))); // network, auth
        }
        QCOMPARE(lidas, esperadas);
        QCOMPARE(csv.at(1).at(6), bandeira);
        QCOMPARE(csv.at(1).at(8), confirmada.campos.value("012-000"));
        // The card number the library gave never reaches the records in clear.
        for (const QByteArray &texto :
             {c.saida, testsupport::readAll(path("historico_tef.jsonl")), testsupport::readAll(path("z3_log.txt"))})
            QVERIFY(!texto.contains("4111111111111111"));
        for (const char *proprio : {"historico_tef.jsonl", "diario_tef.jsonl", "z3_log.txt"})
            QVERIFY2(testsupport::somenteDono(path(proprio)), proprio);

        // Another day has nothing; a day written some other way is refused, with nothing on standard output.
        const Consulta outroDia = consultar({"--transacoes", "2001-01-01"});
        QCOMPARE(outroDia.codigo, 0);
        QCOMPARE(outroDia.saida, c.saida.left(c.saida.indexOf("\r\n") + 2));
        const Consulta invalido = consultar({"--transacoes", "06/12/2026"});
        QCOMPARE(invalido.codigo, 2);
        QCOMPARE(invalido.saida, QByteArray());
    }

    // Lines older than dias_historico days go at start-up; a line the program cannot date stays.
    void historyKeptForItsDays_data()
    {
        QTest::addColumn<QJsonValue>("dias");
        QTest::addColumn<int>("mantidos"); // days kept before today
        QTest::newRow("90 by default") << QJsonValue(QJsonValue::Undefined) << 90;
        QTest::newRow("dias_historico 7") << QJsonValue(7) << 7;
    }

    void historyKeptForItsDays()
    {
        QFETCH(QJsonValue, dias);
        QFETCH(int, mantidos);
        pastaNova();
        QJsonObject config{{"tipo_operacao", 1}};
        if (!dias.isUndefined())
            config.insert("dias_historico", dias);
        gravarConfig(config);
        const QDate hoje = QDate::currentDate();
        const auto linha = [&hoje](int diasAtras) {
            return QString(R"({"data":"%1","estado":"aprovada","hora":"10:00:00","operacao":"CRT","valor":"1.00"})")
                       .arg(hoje.addDays(-diasAtras).toString(Qt::ISODate))
                       .toUtf8() +
                   '\n';
        };
        QVERIFY(testsupport::writeAll(path("historico_tef.jsonl"),
                                      linha(mantidos + 1) + linha(mantidos) + "sem data\n" + linha(0)));
        auto programa = start({"Z3_EXIT_WHEN_IDLE=1"});
        QVERIFY(programa->waitForFinished(30000));
        QCOMPARE(programa->exitCode(), 0);
        QCOMPARE(testsupport::readAll(path("historico_tef.jsonl")), linha(mantidos) + "sem data\n" + linha(0));
        QVERIFY(testsupport::somenteDono(path("historico_tef.jsonl")));
    }

    // The receipt printer jammed: the last approved sale's receipts again, on the maker's printer and as PDF,
    // marked as a copy; never those of a sale undone since, and nothing when there is none.
    void reprintsTheLastApprovedReceipt_data()
    {
        QTest::addColumn<int>("produto");
        QTest::newRow("Z3_Bridge") << 1;
        QTest::newRow("Z3_Tef") << 2;
    }

    void reprintsTheLastApprovedReceipt()
    {
        QFETCH(int, produto);
        pastaNova(true, produto);
        QJsonObject config = QJsonDocument::fromJson(testsupport::readAll(path("config_tef.json"))).object();
        config.insert("habilita_impressao", true);
        config.insert("gerar_pdf", true);
        gravarConfig(config);
        iniciar(qEnvironmentVariable("Z3_LIB_DIR", Z3_BIN_DIR));
        const QString recusa = "Ação \"reimprimir\" entregue à instância aberta: recusado: Nenhum comprovante";
        lancar({"--reimprimir"});
        QVERIFY2(logText().contains(recusa), qPrintable(logText().right(2000)));

        const Resultado venda1 = posClient(venda("1000"));
        QCOMPARE(venda1.campos.value("009-000"), "0");
        somenteStatus("CNF", {"010-000=" + venda1.campos.value("010-000"), "012-000=" + venda1.campos.value("012-000"),
                              "027-000=" + venda1.campos.value("027-000")});
        const Resultado desfeita = posClient(venda("2000"));
        somenteStatus("NCN",
                      {"010-000=" + desfeita.campos.value("010-000"), "012-000=" + desfeita.campos.value("012-000"),
                       "027-000=" + desfeita.campos.value("027-000")});
        posClient(venda("1051")); // declined: not a receipt to reprint
        lancar({"--reimprimir"});
        QVERIFY(logText().contains("Ação \"reimprimir\" entregue à instância aberta: ok"));

        const QString nsu = venda1.campos.value("012-000");
        QDir impressora(path("impressora"));
        QVERIFY(testsupport::waitUntil([&] { return impressora.entryList({"job-*.json"}, QDir::Files).size() == 2; },
                                       20000));
        for (const QString &job : impressora.entryList({"job-*.json"}, QDir::Files, QDir::Name)) {
            const QJsonObject j = QJsonDocument::fromJson(testsupport::readAll(impressora.filePath(job))).object();
            const QByteArray texto = QByteArray::fromBase64(j.value("texto_base64").toString().toLatin1());
            QVERIFY2(texto.startsWith("2ª VIA\r\n") || texto.startsWith("2ª VIA\n"), texto.left(40).constData());
            QVERIFY(texto.contains(nsu.toUtf8()));
        }
        const QString pasta = path("TEF/ADM/" + QDate::currentDate().toString("yyyy/M/d"));
        for (const char *via : {"lojista", "cliente"}) {
            const QString pdf = QString("%1/adm_reimpressao_%2_%3.pdf").arg(pasta, via, nsu);
            QVERIFY2(testsupport::waitForFile(pdf, 20000), qPrintable(pdf));
            QProcess texto;
            texto.start("pdftotext", {pdf, "-"});
            if (texto.waitForFinished(20000) && texto.exitCode() == 0)
                QVERIFY(texto.readAllStandardOutput().startsWith("2ª VIA"));
        }
        QVERIFY(!QFileInfo::exists(path("TEF/VENDA"))); // the sale's own receipts were never filed anew
    }

    void missingLibraryStillAnswers()
    {
        pastaNova(true);
        QVERIFY(QDir(m_dir->path()).mkpath("sem_bibliotecas"));
        iniciar(path("sem_bibliotecas"));
        const Resultado r = posClient(venda("1000"));
        QVERIFY2(r.codigoSaida == 0, qPrintable(r.saida));
        QVERIFY(r.campos.value("375-000").toInt() != 0);
        QVERIFY(!r.campos.value("375-001").isEmpty());
        QVERIFY(r.campos.value("729-000") != "2");
        QVERIFY(chamadas().isEmpty());
        // Still serving requests afterwards.
        somenteStatus("ATV", {});
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
