// The file exchange as the POS sees it, with the real transaction core over a stand-in product, and the POS client
// program on the other side of the folders; the real program's is tst_Programa's.
#include "LogCapture.h"
#include "TestBackend.h"
#include "TestSupport.h"

#include "app/TefAutonomo.h"
#include "app/Wiring.h"
#include "base/ConfigTef.h"
#include "exchange/MonitoraDiretorio.h"
#include "exchange/ProtocoloSitef.h"
#include "nucleo/NucleoTransacao.h"
#include "nucleo/Ocupacao.h"

#include <QtTest>

#include <memory>

#include <sys/resource.h>

namespace {

// The pauses a tenth of their real length: long enough for a POS that writes a file in place.
const Pausas kPausas = Pausas().divididas(10);
// One wait's deadline, generous for a loaded machine: an exchange takes a fraction of a second at these
// pauses, and each wait has its own.
constexpr int kPrazoMs = 15000;
const QString kPedido = QStringLiteral("IntPos.001.json");
const QString kStatus = QStringLiteral("IntPos.Sts.json");

QByteArray pedidoJson(const QString &header, const QString &id, QJsonObject parametros = {})
{
    parametros.insert(QStringLiteral("identificacao"), id);
    parametros.insert(QStringLiteral("registro_final"), QStringLiteral("0"));
    return QJsonDocument({{"operacao", 0}, {"header", header}, {"parametros", parametros}})
        .toJson(QJsonDocument::Compact);
}

long picoMemoriaKb()
{
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    return uso.ru_maxrss;
}

} // namespace

class TestMonitoraDiretorio : public QObject
{
    Q_OBJECT

    QString req(const QString &nome) const { return m_dir->path() + QStringLiteral("/req/") + nome; }
    QString resp(const QString &nome) const { return m_dir->path() + QStringLiteral("/resp/") + nome; }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LogCapture> m_log;
    std::unique_ptr<Ocupacao> m_ocupacao;
    std::unique_ptr<TestBackend> m_backend;
    std::unique_ptr<NucleoTransacao> m_nucleo;
    std::unique_ptr<MonitoraDiretorio> m_monitor;
    std::unique_ptr<TefAutonomo> m_autonomo;
    QString m_saida; // the POS client's output

    void criarMonitor(const QJsonObject &ajustes = {}, bool iniciar = true)
    {
        // The rest at its defaults: "IntPos.001", "IntPos.Sts", product 2.
        QJsonObject config{{"path_in", m_dir->filePath("req")}, {"path_out", m_dir->filePath("resp")}};
        for (auto it = ajustes.begin(); it != ajustes.end(); ++it)
            config.insert(it.key(), it.value());
        const QString arquivo = m_dir->path() + QStringLiteral("/config_tef.json");
        QVERIFY(testsupport::writeAll(arquivo, QJsonDocument(config).toJson()));
        const ConfigTef tef(arquivo);
        tef.prepararInicio(); // both folders, as at start-up
        m_ocupacao = std::make_unique<Ocupacao>();
        m_backend = std::make_unique<TestBackend>();
        m_nucleo = std::make_unique<NucleoTransacao>(*m_backend, 2, m_dir->filePath(QStringLiteral("diario.jsonl")));
        m_monitor = std::make_unique<MonitoraDiretorio>(tef);
        m_autonomo = std::make_unique<TefAutonomo>(tef);
        wiring::conectar({m_nucleo.get(), m_ocupacao.get(), nullptr, m_monitor.get(), m_autonomo.get(), kPausas});
        if (iniciar)
            m_monitor->iniciarMonitoramento();
    }

    // The POS way: written under another name, then renamed.
    void enviar(const QString &nome, const QByteArray &conteudo)
    {
        const QString temporario = req(QStringLiteral("pdv.tmp"));
        QVERIFY(testsupport::writeAll(temporario, conteudo));
        QVERIFY(QFile::rename(temporario, req(nome)));
    }

    // Waits until the backend ran exactly n transactions and the monitor watches again; a request served once
    // more than it was sent fails at once.
    bool esperarAtendimentos(int n)
    {
        const auto atendidos = [&] {
            return m_backend->execucoes() == n && !m_nucleo->emExecucao() && m_monitor->monitorando();
        };
        testsupport::waitUntil([&] { return atendidos() || m_backend->execucoes() > n; }, kPrazoMs);
        return atendidos();
    }

    // Waits until the monitor watches again having handed nothing on; anything handed on fails at once.
    bool esperarNadaAtendido()
    {
        testsupport::waitUntil([&] { return m_monitor->monitorando() || m_backend->execucoes() > 0; }, kPrazoMs);
        return m_monitor->monitorando() && m_backend->execucoes() == 0;
    }

    // The exchange goes on after a fault: the n-th request gets its status and response in full.
    void proximoAtendido(int n, const QString &id)
    {
        QFile::remove(resp(kStatus));
        enviar(kPedido, pedidoJson(QStringLiteral("CRT"), id));
        QVERIFY(esperarAtendimentos(n));
        QVERIFY(m_backend->requisicoes().constLast().contains(QStringLiteral("\"identificacao\":\"%1\"").arg(id)));
        QCOMPARE(testsupport::readAll(resp(kStatus)), QStringLiteral(R"({"header":"CRT","id":"%1"})").arg(id).toUtf8());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(resp(kPedido)).isFile(), kPrazoMs);
        QVERIFY(testsupport::readAll(resp(kPedido)).contains(QStringLiteral("\"%1\"").arg(id).toUtf8()));
        QVERIFY(!QFile::exists(resp(MonitoraDiretorio::nomeArquivoTemporario())));
    }

    // Runs the POS client to its end while this thread keeps serving; its exit code.
    int cliente(const QStringList &argumentos, int prazoMs)
    {
        // A response that never comes fails the client in seconds, not at its own five-minute default.
        const QStringList pastas{"--req",
                                 req(QString()),
                                 "--resp",
                                 resp(QString()),
                                 "--status-timeout",
                                 "5000",
                                 "--response-timeout",
                                 QString::number(kPrazoMs)};
        return testsupport::runPosClient(pastas + argumentos, prazoMs, &m_saida);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_log = std::make_unique<LogCapture>();
    }

    void cleanup()
    {
        if (m_backend)
            m_backend->liberar();
        m_nucleo.reset(); // waits for a held run to end
        m_autonomo.reset();
        m_monitor.reset();
        m_backend.reset();
        m_ocupacao.reset();
        m_log.reset();
    }

    void statusFileContent_data()
    {
        QTest::addColumn<QString>("fileReq"); // as configured
        QTest::addColumn<QString>("arquivo"); // as the POS wrote it
        QTest::addColumn<QByteArray>("requisicao");
        QTest::addColumn<QByteArray>("esperado");
        QTest::addColumn<QString>("resposta"); // the response file; empty: none

        const auto linha = [](const char *nome, const char *fileReq, const QString &arquivo,
                              const QByteArray &requisicao, const QByteArray &esperado, const QString &resposta) {
            QTest::newRow(nome) << QString(fileReq) << arquivo << requisicao << esperado << resposta;
        };
        const QByteArray crt5 = pedidoJson(QStringLiteral("CRT"), QStringLiteral("5"));
        const QByteArray sts5 = R"({"header":"CRT","id":"5"})";
        linha("key-number: three lines, CR LF between, none at the end", "IntPos.001", "IntPos.001",
              "000-000 = CRT\r\n001-000 = 1\r\n003-000 = 1000\r\n375-025 = segredo-adm-42\r\n999-999 = 0\r\n",
              "000-000 = CRT\r\n001-000 = 1\r\n999-999 = 0", "IntPos.001");
        linha("JSON: compact header and id", "IntPos.001", kPedido,
              pedidoJson(QStringLiteral("CRT"), QStringLiteral("7"), {{"adm_senha", "segredo-adm-42"}}),
              R"({"header":"CRT","id":"7"})", kPedido);
        linha("JSON without id: empty id, no response", "IntPos.001", kPedido,
              R"({"operacao":-20,"header":"ATV","parametros":{}})", R"({"header":"ATV","id":""})", "");
        linha("JSON with non-ASCII id: UTF-8", "IntPos.001", kPedido, pedidoJson(QStringLiteral("ADM"), "ação"),
              QString(R"({"header":"ADM","id":"ação"})").toUtf8(), kPedido);
        // Confirmations and the activity check are told by the status file alone, whatever the header's case.
        linha("Ncn in mixed case: status only", "IntPos.001", kPedido, pedidoJson(QStringLiteral("Ncn"), "3"),
              R"({"header":"Ncn","id":"3"})", "");
        // Found whatever the case; answered under the configured names, exactly.
        linha("lower-case file, mixed-case setting", "IntPos.001", "intpos.001.json", crt5, sts5, kPedido);
        linha("POS spelling, lower-case setting", "intpos.001", "IntPos.001.JSON", crt5, sts5, "intpos.001.json");
    }

    void statusFileContent()
    {
        QFETCH(QString, fileReq);
        QFETCH(QString, arquivo);
        QFETCH(QByteArray, requisicao);
        QFETCH(QString, resposta);

        const bool json = arquivo.endsWith(QLatin1String(".json"), Qt::CaseInsensitive);
        const QString status = json ? kStatus : QStringLiteral("IntPos.Sts");
        const QString convertida = json ? QString::fromUtf8(requisicao)
                                        : ProtocoloSitef().requestToJson(QString::fromUtf8(requisicao).remove('\r'));

        criarMonitor({{"file_req", fileReq}});
        if (!resposta.isEmpty()) { // written over, not into: no stale tail, no old answer taken for this one
            QVERIFY(testsupport::writeAll(resp(MonitoraDiretorio::nomeArquivoTemporario()), QByteArray(8192, 'x')));
            QVERIFY(testsupport::writeAll(resp(resposta), QByteArray("resposta antiga")));
        }
        enviar(arquivo, requisicao);

        QVERIFY(testsupport::waitForFile(resp(status), kPrazoMs));
        QTEST(testsupport::readAll(resp(status)), "esperado");
        QVERIFY(!QFile::exists(req(arquivo)));
        QTRY_COMPARE_WITH_TIMEOUT(m_backend->requisicoes(), QStringList{convertida}, kPrazoMs);
        QVERIFY(esperarAtendimentos(1));
        QStringList esperados{status, resposta};
        esperados.removeAll(QString());
        esperados.sort();
        QTRY_COMPARE_WITH_TIMEOUT(QDir(resp(QString())).entryList(QDir::Files, QDir::Name), esperados, kPrazoMs);
        if (json && !resposta.isEmpty())
            QCOMPARE(testsupport::readAll(resp(resposta)),
                     TestBackend::resultadoEco(QJsonDocument::fromJson(requisicao).object()).toUtf8());
        // A password in the request never reaches the log in clear.
        QVERIFY(!m_log->contem(QStringLiteral("segredo-adm-42")));
    }

    void bothFormatsWaitingAtStart_data()
    {
        QTest::addColumn<int>("idadeChaveS"); // age of the key-number file in seconds
        QTest::addColumn<int>("idadeJsonS");
        QTest::addColumn<bool>("jsonServido");

        QTest::newRow("equal times: key-number served, JSON dropped") << 5 << 5 << false;
        QTest::newRow("JSON newer: JSON served") << 5 << 2 << true;
    }

    void bothFormatsWaitingAtStart()
    {
        QFETCH(int, idadeChaveS);
        QFETCH(int, idadeJsonS);
        QFETCH(bool, jsonServido);

        criarMonitor({}, false);
        const QString textoChave = QStringLiteral("000-000 = CNC\n001-000 = 11\n999-999 = 0\n");
        const QByteArray textoJson = pedidoJson(QStringLiteral("CRT"), QStringLiteral("22"));
        const QDateTime agora = QDateTime::currentDateTime();
        for (const auto &[nome, conteudo, idade] :
             {std::make_tuple(QStringLiteral("IntPos.001"), textoChave.toUtf8(), idadeChaveS),
              std::make_tuple(kPedido, textoJson, idadeJsonS)}) {
            QFile f(req(nome));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(conteudo) == conteudo.size() && f.flush());
            QVERIFY(f.setFileTime(agora.addSecs(-idade), QFileDevice::FileModificationTime));
        }

        m_monitor->iniciarMonitoramento(); // serves what is already waiting
        QVERIFY(m_log->esperar(QStringLiteral("Arquivo SiTef encontrado"), kPrazoMs));
        QVERIFY(m_log->indice(QStringLiteral("Monitoramento iniciado em: ")) <
                m_log->indice(QStringLiteral("Arquivo SiTef encontrado")));
        QVERIFY(esperarAtendimentos(1));
        const QString esperado =
            jsonServido ? QString::fromUtf8(textoJson) : ProtocoloSitef().requestToJson(textoChave);
        QCOMPARE(m_backend->requisicoes(), QStringList{esperado});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(resp(jsonServido ? kPedido : QStringLiteral("IntPos.001"))), kPrazoMs);
        // The other file is gone unread: nothing is left to be served later.
        QVERIFY(!QFile::exists(req(QStringLiteral("IntPos.001"))));
        QVERIFY(!QFile::exists(req(kPedido)));
    }

    void requestDuringTransactionServedAfterIt()
    {
        criarMonitor();
        m_backend->segurar();
        enviar(kPedido, pedidoJson(QStringLiteral("CRT"), QStringLiteral("1")));
        QTRY_VERIFY_WITH_TIMEOUT(m_backend->emEspera(), kPrazoMs);

        // The second request lands while the first transaction runs: nobody watches.
        QVERIFY(!m_monitor->monitorando());
        enviar(kPedido, pedidoJson(QStringLiteral("CRT"), QStringLiteral("2")));
        QCoreApplication::processEvents();
        QVERIFY(QFile::exists(req(kPedido)));
        QCOMPARE(m_backend->requisicoes().size(), 1);

        m_backend->liberar();
        QVERIFY(esperarAtendimentos(2));
        QVERIFY(m_backend->requisicoes().value(1).contains(QLatin1String("\"identificacao\":\"2\"")));

        // Order seen in the log: first answer renamed into place, then the second request read.
        const int primeiraResposta = m_log->indice(QStringLiteral("Arquivo renomeado com sucesso para"));
        QVERIFY(primeiraResposta >= 0);
        QVERIFY(m_log->indice(QStringLiteral("\"identificacao\":\"2\"")) > primeiraResposta);
        QTRY_COMPARE_WITH_TIMEOUT(m_log->contar(QStringLiteral("Arquivo renomeado com sucesso para")), 2, kPrazoMs);
        QVERIFY(testsupport::readAll(resp(kPedido)).contains("\"identificacao\":\"2\""));
    }

    void badRequestThenNextServed_data()
    {
        QTest::addColumn<QString>("forma"); // empty: written the POS way
        QTest::addColumn<QString>("nome");
        QTest::addColumn<QByteArray>("conteudo");
        QTest::addColumn<QString>("linha");
        QTest::addColumn<QString>("requisicao"); // what the backend gets; empty: nothing
        QTest::addColumn<bool>("arquivoFica");

        const auto linha = [](const char *nome, const char *forma, const QString &arquivo, const QByteArray &conteudo,
                              const char *log, const QString &requisicao, bool fica) {
            QTest::newRow(nome) << QString(forma) << arquivo << conteudo << QString(log) << requisicao << fica;
        };
        static const char comNul[] = "000-000 = CRT\n001-000 = 94\n003-000 = 10\0"
                                     "00\n999-999 = 0\n";
        linha("empty request: deleted, not served", "", "IntPos.001", "", "vazio.", "", false);
        linha("unrelated file: left alone", "", "notas.txt", "nada", "Arquivo SiTef não encontrado", "", true);
        linha("JSON that never parses: refused once it stays unchanged", "", kPedido,
              "{\"header\":", "não foi concluído em", R"({"msg_erro":"Arquivo de requisição incompleto"})", false);
        linha("cut by a NUL: refused, never a sale for the amount before it", "", "IntPos.001",
              QByteArray(comNul, sizeof comNul - 1), "não foi concluído em",
              R"({"header":"CRT","msg_erro":"Chave registro final [999-999] não encontrada","operacao":0,)"
              R"("parametros":{"identificacao":"94","valor":"10"}})",
              false);
        linha("folder named like the request: noticed once, never retried", "pasta", "IntPos.001", "",
              "[MonitoraDiretorio] Impossível abrir arquivo ", "", true);
        linha("link to a file outside: removed unread, what it leads to untouched", "link", "IntPos.001",
              "000-000 = CRT\n001-000 = 1\n003-000 = 1000\n999-999 = 0\n", "é um link simbólico", "", false);
        linha("50 MB: refused with bounded memory", "50 MB", "IntPos.001", "", "excede o tamanho máximo", "", false);
    }

    void badRequestThenNextServed()
    {
        QFETCH(QString, forma);
        QFETCH(QString, nome);
        QFETCH(QByteArray, conteudo);
        QFETCH(QString, linha);
        QFETCH(QString, requisicao);

        criarMonitor();
        const QString vitima = m_dir->filePath(QStringLiteral("vitima.txt"));
        long antes = 0;
        if (forma == QLatin1String("pasta")) {
            QVERIFY(QDir().mkpath(req(nome)));
        } else if (forma == QLatin1String("link")) {
            QVERIFY(testsupport::writeAll(vitima, conteudo) && QFile::link(vitima, req(nome)));
        } else if (forma == QLatin1String("50 MB")) {
            QFile f(req(QStringLiteral("pdv.tmp")));
            QVERIFY(f.open(QIODevice::WriteOnly));
            const QByteArray linha = QByteArray("123-456 = ").append(QByteArray(1014, 'a')).append('\n');
            for (int i = 0; i < 50 * 1024; ++i)
                f.write(linha);
            f.close();
            antes = picoMemoriaKb();
            QVERIFY(QFile::rename(f.fileName(), req(nome)));
        } else {
            enviar(nome, conteudo);
        }

        QVERIFY(m_log->esperar(linha, kPrazoMs + kPausas.arquivoIncompletoMs));
        if (!requisicao.isEmpty()) {
            QVERIFY(esperarAtendimentos(1));
            QCOMPARE(m_backend->requisicoes(), QStringList{requisicao});
        } else {
            QVERIFY(esperarNadaAtendido());
        }
        QTEST(QFileInfo::exists(req(nome)), "arquivoFica");
        if (antes)
            QVERIFY2(picoMemoriaKb() - antes < 16 * 1024, "reading a 50 MB request must not hold it in memory");
        proximoAtendido(requisicao.isEmpty() ? 1 : 2, QStringLiteral("77"));
        if (forma == QLatin1String("pasta"))
            QCOMPARE(m_log->contar(linha + req(nome)), 1);
        if (forma == QLatin1String("link")) {
            QCOMPARE(testsupport::readAll(vitima), conteudo);
            QVERIFY(!m_log->contem(QStringLiteral("003-000 = 1000"))); // its text never reaches the log
        }
    }

    void temporaryNamesInTheWay_data()
    {
        QTest::addColumn<QString>("obstaculo");
        QTest::addColumn<bool>("inicia");
        QTest::addColumn<bool>("responde");
        QTest::addColumn<int>("liberaMs"); // the obstacle goes away after this long; 0: it stays
        QTest::newRow("links at both temporary names: the file they lead to keeps its bytes")
            << "link" << true << true << 0;
        QTest::newRow("status cannot be written: nothing started") << "arquivo_sts.tmp" << false << false << 0;
        QTest::newRow("response cannot be written: tried again, then reported")
            << "arquivo_tef.tmp" << true << false << 0;
        QTest::newRow("the way clears while retrying: delivered, no sale undone")
            << "arquivo_tef.tmp" << true << true << kPausas.gravacaoRespostaMs / 3;
        QTest::newRow("response cannot be renamed into place: kept aside, reported") << kPedido << true << false << 0;
    }

    void temporaryNamesInTheWay()
    {
        QFETCH(QString, obstaculo);
        QFETCH(bool, inicia);
        QFETCH(bool, responde);
        QFETCH(int, liberaMs);
        criarMonitor();
        const QString vitima = m_dir->filePath(QStringLiteral("fora_das_pastas.txt"));
        QVERIFY(testsupport::writeAll(vitima, "intocado"));
        if (obstaculo == QLatin1String("link")) {
            QVERIFY(QFile::link(vitima, resp(MonitoraDiretorio::nomeArquivoTemporario())));
            QVERIFY(QFile::link(vitima, resp(MonitoraDiretorio::nomeStatusTemporario())));
        } else {
            // A folder with something in it can be neither removed nor written over, like a full disk.
            QVERIFY(QDir().mkpath(resp(obstaculo + QStringLiteral("/x"))));
        }
        // A previous answer left in the folder must not pass for this one's.
        if (obstaculo == QLatin1String("arquivo_tef.tmp"))
            QVERIFY(testsupport::writeAll(resp(kPedido), pedidoJson(QStringLiteral("CRT"), QStringLiteral("0"))));
        QSignalSpy gravadas(m_monitor.get(), &MonitoraDiretorio::respostaGravada);
        // The retries hold the monitor's thread: the way is cleared from another one.
        std::unique_ptr<QThread> libera(QThread::create([this, obstaculo, liberaMs] {
            QThread::msleep(static_cast<unsigned long>(liberaMs));
            QDir(resp(obstaculo)).removeRecursively();
        }));
        const auto aoSair = qScopeGuard([&] { libera->wait(); });
        if (liberaMs > 0)
            libera->start();
        enviar(kPedido, pedidoJson(QStringLiteral("CRT"), QStringLiteral("1")));

        if (inicia) {
            QVERIFY(esperarAtendimentos(1));
            QTRY_COMPARE_WITH_TIMEOUT(gravadas.size(), 1, kPrazoMs);
            QCOMPARE(gravadas.at(0).at(1).toBool(), responde);
            QCOMPARE(testsupport::readAll(resp(kStatus)), QByteArray(R"({"header":"CRT","id":"1"})"));
        } else {
            QVERIFY(m_log->esperar(QStringLiteral("[MonitoraDiretorio] Transação não iniciada"), kPrazoMs));
            QVERIFY(esperarNadaAtendido());
            QVERIFY(!QFile::exists(resp(kStatus)));
        }
        QCOMPARE(QFileInfo(resp(kPedido)).isFile(), responde);
        if (obstaculo == kPedido)
            QVERIFY(testsupport::readAll(resp(MonitoraDiretorio::nomeArquivoTemporario())).contains("\"1\""));
        QCOMPARE(testsupport::readAll(vitima), QByteArray("intocado"));
        if (obstaculo != QLatin1String("link"))
            QVERIFY(QDir(resp(obstaculo)).removeRecursively());
        proximoAtendido(inicia ? 2 : 1, QStringLiteral("2"));
    }

    void replacedRequestFolderIsWatchedAgain_data()
    {
        QTest::addColumn<bool>("apagada");
        // The watch stays with the folder under its new name; nothing tells of the new one.
        QTest::newRow("renamed away while watched, made anew") << false;
        QTest::newRow("deleted during a transaction, made anew later") << true;
    }

    void replacedRequestFolderIsWatchedAgain()
    {
        QFETCH(bool, apagada);
        criarMonitor();
        const QString pasta = m_dir->filePath(QStringLiteral("req"));
        if (apagada) {
            m_backend->segurar();
            enviar(kPedido, pedidoJson(QStringLiteral("CRT"), QStringLiteral("1")));
            QTRY_VERIFY_WITH_TIMEOUT(m_backend->emEspera(), kPrazoMs);
            QVERIFY(QDir(pasta).removeRecursively());
            m_backend->liberar();
            QVERIFY(m_log->esperar(QStringLiteral("Não é possível iniciar o monitoramento no caminho especificado"),
                                   kPrazoMs));
        } else {
            QVERIFY(QDir().rename(pasta, pasta + QStringLiteral(".old")));
        }
        QVERIFY(QDir().mkpath(pasta));
        proximoAtendido(apagada ? 2 : 1, QStringLiteral("2"));
    }

    void requestWrittenInPlace_data()
    {
        QTest::addColumn<QString>("nome");
        QTest::addColumn<QByteArrayList>("partes"); // written into the request file a while apart
        QTest::addColumn<QString>("requisicao");    // what the backend gets

        const QByteArray chave = "000-000 = CRT\n001-000 = 94\n003-000 = 1000\n999-999 = 0\n";
        QTest::newRow("key-number in two chunks: served whole, for the whole amount")
            << "IntPos.001" << QByteArrayList{chave.left(39), chave.mid(39)}
            << ProtocoloSitef().requestToJson(QString::fromUtf8(chave));
        const QByteArray json = pedidoJson(QStringLiteral("CRT"), QStringLiteral("95"), {{"valor", "1000"}});
        QTest::newRow("JSON in three chunks: served whole")
            << kPedido << QByteArrayList{json.left(20), json.mid(20, 20), json.mid(40)} << QString::fromUtf8(json);
    }

    void requestWrittenInPlace()
    {
        QFETCH(QString, nome);
        QFETCH(QByteArrayList, partes);
        QFETCH(QString, requisicao);
        criarMonitor();

        QFile arquivo(req(nome));
        QVERIFY(arquivo.open(QIODevice::WriteOnly));
        for (const QByteArray &parte : partes) {
            QVERIFY(arquivo.write(parte) == parte.size() && arquivo.flush());
            QTest::qWait(kPausas.arquivoIncompletoMs / 3); // the POS's pace; the monitor goes on serving meanwhile
        }
        arquivo.close();

        QVERIFY(esperarAtendimentos(1));
        QCOMPARE(m_backend->requisicoes(), QStringList{requisicao});
        QVERIFY(!QFile::exists(req(nome)));
        proximoAtendido(2, QStringLiteral("96"));
    }

    void fileEncoding_data()
    {
        QTest::addColumn<QString>("codificacao");
        QTest::addColumn<QByteArray>("pedido");
        const QByteArray latino = "000-000 = CRT\n001-000 = a\xe7\xe3o\n999-999 = 0\n"; // "ação" in Windows-1252
        QTest::newRow("UTF-8 setting, Windows-1252 request: read as Windows-1252, answered in UTF-8")
            << "utf-8" << latino;
        QTest::newRow("UTF-8 setting, UTF-8 request")
            << "utf-8" << QByteArray("000-000 = CRT\n001-000 = a\xc3\xa7\xc3\xa3o\n999-999 = 0\n");
        QTest::newRow("Windows-1252 setting: read and answered in Windows-1252") << "windows-1252" << latino;
    }

    void fileEncoding()
    {
        QFETCH(QString, codificacao);
        QFETCH(QByteArray, pedido);
        criarMonitor({{"codificacao_arquivos", codificacao}});
        m_backend->setResultado([](const QJsonObject &) {
            return QStringLiteral(R"({"header":"CRT","codigo":0,"mensagem":"Transação aprovada"})");
        });
        enviar(QStringLiteral("IntPos.001"), pedido);

        QVERIFY(esperarAtendimentos(1));
        QVERIFY(m_backend->requisicoes().constFirst().contains(QStringLiteral("\"identificacao\":\"ação\"")));
        const QTextCodec *saida = QTextCodec::codecForName(codificacao.toLatin1());
        QCOMPARE(testsupport::readAll(resp(QStringLiteral("IntPos.Sts"))),
                 saida->fromUnicode(QStringLiteral("000-000 = CRT\r\n001-000 = ação\r\n999-999 = 0")));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(resp(QStringLiteral("IntPos.001"))), kPrazoMs);
        QVERIFY(testsupport::readAll(resp(QStringLiteral("IntPos.001")))
                    .contains(saida->fromUnicode(QStringLiteral("375-001 = Transação aprovada"))));
    }

    void sameFolderForBothIsRefused_data()
    {
        QTest::addColumn<QString>("saida"); // path_out, relative to the temporary folder
        QTest::newRow("through dot-dot") << "resp/../req";
        QTest::newRow("through a link") << "link-para-req";
    }

    void sameFolderForBothIsRefused()
    {
        QFETCH(QString, saida);
        QVERIFY(QDir().mkpath(req(QString())) && QDir().mkpath(resp(QString())));
        QVERIFY(QFile::link(req(QString()), m_dir->filePath(QStringLiteral("link-para-req"))));
        QVERIFY(testsupport::writeAll(req(QStringLiteral("IntPos.001")), "000-000 = CRT\n001-000 = 1\n999-999 = 0\n"));
        criarMonitor({{"path_out", m_dir->path() + QLatin1Char('/') + saida}}, false);
        QSignalSpy erro(m_monitor.get(), &MonitoraDiretorio::erroMonitoramento);
        m_monitor->iniciarMonitoramento();

        QVERIFY(m_log->contem(QStringLiteral("Pasta de requisição e pasta de resposta são a mesma")));
        QVERIFY(!m_monitor->monitorando());
        QCOMPARE(erro.size(), 1);
        QTest::qWait(100);
        QVERIFY(QFile::exists(req(QStringLiteral("IntPos.001")))); // left for a corrected configuration
        QCOMPARE(m_backend->requisicoes().size(), 0);
    }

    void operatorOperationPausesAndWritesNoResponse()
    {
        criarMonitor();
        QVERIFY(m_monitor->monitorando());
        m_backend->segurar();
        m_autonomo->slotTefProcessAutonomo(QStringLiteral("PIX"));
        QVERIFY(!m_monitor->monitorando()); // paused before the thread runs
        QTRY_VERIFY_WITH_TIMEOUT(m_backend->emEspera(), kPrazoMs);

        // A POS request meanwhile waits in the folder; the cashier's result is no response file.
        enviar(kPedido, pedidoJson(QStringLiteral("CRT"), QStringLiteral("8")));
        QTest::qWait(50);
        QVERIFY(QFile::exists(req(kPedido)));
        m_backend->liberar();
        QVERIFY(esperarAtendimentos(2));
        QCOMPARE(m_ocupacao->dono(), Ocupacao::Dono::Ninguem);
        QVERIFY(m_backend->requisicoes().constFirst().contains(QLatin1String("\"header\":\"PIX\"")));
        QTRY_COMPARE_WITH_TIMEOUT(QDir(resp(QString())).entryList(QDir::Files, QDir::Name),
                                  (QStringList{kPedido, kStatus}), kPrazoMs);
        QVERIFY(testsupport::readAll(resp(kPedido)).contains("\"8\""));
    }

    // A tray click that arrives while the exchange serves a request (its file taken, its waits under way) is
    // refused: it never replaces the POS's request, and the POS gets its response.
    void cashierClickDuringAPosRequestIsRefused()
    {
        criarMonitor({}, false);
        QSignalSpy erros(m_autonomo.get(), &TefAutonomo::showError);
        enviar(kPedido, pedidoJson(QStringLiteral("CRT"), QStringLiteral("9")));
        // Queued before the monitor serves the folder: it runs as soon as the monitor lets go of the thread.
        QMetaObject::invokeMethod(
            m_autonomo.get(), [this] { m_autonomo->slotTefProcessAutonomo(QStringLiteral("Venda Cartão")); },
            Qt::QueuedConnection);
        m_monitor->iniciarMonitoramento(); // serves the waiting request: reads it, waits 1.3 s, submits it
        QVERIFY(esperarAtendimentos(1));
        QCOMPARE(erros.size(), 1);
        QCOMPARE(m_backend->requisicoes().size(), 1);
        QVERIFY(m_backend->requisicoes().constFirst().contains(QLatin1String("\"identificacao\":\"9\"")));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(resp(kPedido)).isFile(), kPrazoMs);
        QVERIFY(m_log->contem(QStringLiteral("Venda Cartão não iniciada")));
    }

    void posClientBurstServedInOrder()
    {
        criarMonitor();
        // A handful is enough: each one must wait for the previous request file to be taken.
        constexpr int n = 4;
        QCOMPARE(cliente({"CRT", "--json", "--quiet", "--id", "1", "--count", QString::number(n)}, n * kPrazoMs), 0);
        // Each request file was taken before its answer: one left behind would be served forever.
        QVERIFY(QDir(req(QString())).entryList(QDir::Files).isEmpty());
        QVERIFY(esperarAtendimentos(n));
        const QStringList requisicoes = m_backend->requisicoes();
        QCOMPARE(requisicoes.size(), n);
        for (int i = 0; i < n; ++i)
            QVERIFY(requisicoes.at(i).contains(QStringLiteral("\"identificacao\":\"%1\"").arg(i + 1)));
    }

    void posClientReportsASilentManager()
    {
        QVERIFY(QDir().mkpath(req(QString())) && QDir().mkpath(resp(QString())));
        QCOMPARE(cliente({"ATV", "--status-timeout", "300"}, 10000), 2);
        QVERIFY(m_saida.contains(QLatin1String("manager inactive")));
    }
};

QTEST_GUILESS_MAIN(TestMonitoraDiretorio)
#include "tst_MonitoraDiretorio.moc"
