// The file exchange as the POS sees it: files put into the request folder, the
// status and response files that come back, in order, with deadlines.
#include "LogCapture.h"
#include "TestBackend.h"
#include "TestSupport.h"

#include "app/ConfigTef.h"
#include "app/GlobalFlags.h"
#include "app/Wiring.h"
#include "exchange/MonitoraDiretorio.h"
#include "exchange/ProtocoloSitef.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <sys/resource.h>

namespace {

// Generous deadlines: every request costs 1.3 s of waits before its status file.
constexpr int kPrazoMs = 15000;

QByteArray pedidoJson(const QString &header, const QString &id, const QJsonObject &extra = {})
{
    QJsonObject parametros = extra;
    parametros.insert(QStringLiteral("identificacao"), id);
    parametros.insert(QStringLiteral("registro_final"), QStringLiteral("0"));
    QJsonObject r;
    r.insert(QStringLiteral("operacao"), 0);
    r.insert(QStringLiteral("header"), header);
    r.insert(QStringLiteral("parametros"), parametros);
    return QJsonDocument(r).toJson(QJsonDocument::Compact);
}

long picoMemoriaKb()
{
    rusage uso{};
    getrusage(RUSAGE_SELF, &uso);
    return uso.ru_maxrss;
}

} // namespace

// Stands in for the autonomous worker: only its signal matters here.
class Autonomo : public QObject
{
    Q_OBJECT
signals:
    void startProcessAutonomo();
};

class TestMonitoraDiretorio : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void statusFileContent_data();
    void statusFileContent();
    void requestFoundWhateverTheCase_data();
    void requestFoundWhateverTheCase();
    void bothFormatsNewerWins_data();
    void bothFormatsNewerWins();
    void noResponseFileForConfirmations_data();
    void noResponseFileForConfirmations();
    void staleLongerTempFileIsReplaced();
    void requestDuringTransactionServedAfterIt();
    void requestWaitingAtStartIsServed_data();
    void requestWaitingAtStartIsServed();

    void badRequestThenNextServed_data();
    void badRequestThenNextServed();
    void hugeRequestRefusedWithBoundedMemory();
    void folderNamedLikeRequestIsNotRetriedInALoop();
    void fullDiskLeavesNoHalfWrittenFile();
    void fullVolumeLeavesNoHalfWrittenFile();
    void failedRenameKeepsTempFileAndNextSucceeds();
    void deletedRequestFolderIsWatchedAgain();

    void operatorOperationPausesAndWritesNoResponse();
    void updaterRunKeepsMonitorPaused();

private:
    QString req(const QString &nome) const { return m_dir->path() + QStringLiteral("/req/") + nome; }
    QString resp(const QString &nome) const { return m_dir->path() + QStringLiteral("/resp/") + nome; }
    // The POS way: written under another name, then renamed.
    void enviar(const QString &nome, const QByteArray &conteudo);
    void criarMonitor(const QJsonObject &ajustes = {}, bool porAssinatura = false);
    // Waits until the backend ran n transactions and the monitor watches again.
    bool esperarAtendimentos(int n);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LogCapture> m_log;
    std::unique_ptr<TestBackend> m_backend;
    std::unique_ptr<MonitoraDiretorio> m_monitor;
    std::unique_ptr<Autonomo> m_autonomo;
};

void TestMonitoraDiretorio::init()
{
    tefEmProcessamento = false;
    atualizacaoSolicitada = false;
    operacaoAutonoma = false;
    requisicaoJson = false;
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_log = std::make_unique<LogCapture>();
}

void TestMonitoraDiretorio::criarMonitor(const QJsonObject &ajustes, bool porAssinatura)
{
    QJsonObject config{{QStringLiteral("path_in"), m_dir->path() + QStringLiteral("/req")},
                       {QStringLiteral("path_out"), m_dir->path() + QStringLiteral("/resp")},
                       {QStringLiteral("file_req"), QStringLiteral("IntPos.001")},
                       {QStringLiteral("file_resp"), QStringLiteral("IntPos.Sts")},
                       {QStringLiteral("produto_tef"), 2}};
    for (auto it = ajustes.begin(); it != ajustes.end(); ++it)
        config.insert(it.key(), it.value());
    const QString arquivo = m_dir->path() + QStringLiteral("/config_tef.json");
    QVERIFY(testsupport::writeAll(arquivo, QJsonDocument(config).toJson()));
    const ConfigTef tef(arquivo); // also creates both folders
    m_backend = std::make_unique<TestBackend>();
    m_monitor = std::make_unique<MonitoraDiretorio>(tef);
    m_autonomo = std::make_unique<Autonomo>();
    if (porAssinatura)
        wiring::connectMonitor(m_monitor.get(), static_cast<QObject *>(m_backend.get()), m_autonomo.get());
    else
        wiring::connectMonitor(m_monitor.get(), m_backend.get(), m_autonomo.get());
}

void TestMonitoraDiretorio::cleanup()
{
    if (m_backend) {
        m_backend->liberar();
        m_backend->wait();
    }
    m_monitor.reset();
    m_backend.reset();
    m_autonomo.reset();
    m_log.reset();
    m_dir.reset();
}

void TestMonitoraDiretorio::enviar(const QString &nome, const QByteArray &conteudo)
{
    const QString temporario = req(QStringLiteral("pdv.tmp"));
    QVERIFY(testsupport::writeAll(temporario, conteudo));
    QVERIFY(QFile::rename(temporario, req(nome)));
}

bool TestMonitoraDiretorio::esperarAtendimentos(int n)
{
    return testsupport::waitUntil(
        [&] { return m_backend->execucoes() >= n && !m_backend->isRunning() && m_monitor->monitorando(); },
        kPrazoMs * n);
}

void TestMonitoraDiretorio::statusFileContent_data()
{
    QTest::addColumn<QString>("arquivo");
    QTest::addColumn<QByteArray>("requisicao");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QByteArray>("esperado");

    QTest::newRow("key-number: three lines, CR LF between, none at the end")
        << "IntPos.001" << QByteArray("000-000 = CRT\r\n001-000 = 1\r\n003-000 = 1000\r\n999-999 = 0\r\n")
        << "IntPos.Sts" << QByteArray("000-000 = CRT\r\n001-000 = 1\r\n999-999 = 0");
    QTest::newRow("JSON: compact header and id")
        << "IntPos.001.json"
        << pedidoJson(QStringLiteral("CRT"), QStringLiteral("7"),
                      {{QStringLiteral("adm_senha"), QStringLiteral("segredo-adm-42")}})
        << "IntPos.Sts.json" << QByteArray(R"({"header":"CRT","id":"7"})");
    QTest::newRow("JSON without id: empty id")
        << "IntPos.001.json" << QByteArray(R"({"operacao":-20,"header":"ATV","parametros":{}})") << "IntPos.Sts.json"
        << QByteArray(R"({"header":"ATV","id":""})");
    QTest::newRow("JSON with non-ASCII id: UTF-8")
        << "IntPos.001.json" << pedidoJson(QStringLiteral("ADM"), QStringLiteral("ação")) << "IntPos.Sts.json"
        << QString(R"({"header":"ADM","id":"ação"})").toUtf8();
}

void TestMonitoraDiretorio::statusFileContent()
{
    QFETCH(QString, arquivo);
    QFETCH(QByteArray, requisicao);
    QFETCH(QString, status);
    QFETCH(QByteArray, esperado);

    const bool json = arquivo.endsWith(QLatin1String(".json"));
    const QString convertida = json ? QString::fromUtf8(requisicao)
                                    : ProtocoloSitef().requestToJson(QString::fromUtf8(requisicao).remove('\r'));
    if (convertida.isEmpty())
        QSKIP("request conversion not available in this build");

    criarMonitor();
    m_monitor->iniciarMonitoramento();
    enviar(arquivo, requisicao);

    QVERIFY(testsupport::waitForFile(resp(status), kPrazoMs));
    QCOMPARE(testsupport::readAll(resp(status)), esperado);
    QVERIFY(!QFile::exists(req(arquivo)));
    QVERIFY(!QFile::exists(resp(MonitoraDiretorio::nomeStatusTemporario())));
    QCOMPARE(m_backend->requisicoes(), QStringList{convertida});
    QCOMPARE(requisicaoJson.load(), json);
    QVERIFY(esperarAtendimentos(1));
    // A password in the request never reaches the log in clear.
    QVERIFY(!m_log->contem(QStringLiteral("segredo-adm-42")));
}

void TestMonitoraDiretorio::requestFoundWhateverTheCase_data()
{
    QTest::addColumn<QString>("fileReq");
    QTest::addColumn<QString>("escrito");
    QTest::addColumn<QString>("resposta");

    QTest::newRow("POS spelling, configured alike") << "IntPos.001"
                                                    << "IntPos.001.json"
                                                    << "IntPos.001.json";
    QTest::newRow("lower-case file, mixed-case setting") << "IntPos.001"
                                                         << "intpos.001.json"
                                                         << "IntPos.001.json";
    QTest::newRow("POS spelling, lower-case setting") << "intpos.001"
                                                      << "IntPos.001.JSON"
                                                      << "intpos.001.json";
}

void TestMonitoraDiretorio::requestFoundWhateverTheCase()
{
    QFETCH(QString, fileReq);
    QFETCH(QString, escrito);
    QFETCH(QString, resposta);

    criarMonitor({{QStringLiteral("file_req"), fileReq}});
    m_monitor->iniciarMonitoramento();
    enviar(escrito, pedidoJson(QStringLiteral("CRT"), QStringLiteral("5")));

    // Status and response under the configured names, exactly.
    QVERIFY(testsupport::waitForFile(resp(resposta), kPrazoMs));
    QVERIFY(QFile::exists(resp(QStringLiteral("IntPos.Sts.json"))));
    QVERIFY(!QFile::exists(req(escrito)));
    QCOMPARE(QDir(m_dir->path() + QStringLiteral("/resp")).entryList(QDir::Files).size(), 2);
}

void TestMonitoraDiretorio::bothFormatsNewerWins_data()
{
    QTest::addColumn<int>("idadeChaveS"); // age of the key-number file, seconds
    QTest::addColumn<int>("idadeJsonS");
    QTest::addColumn<bool>("jsonServido");

    QTest::newRow("equal times: key-number served, JSON dropped") << 5 << 5 << false;
    QTest::newRow("JSON newer: JSON served") << 5 << 2 << true;
    QTest::newRow("key-number newer: key-number served") << 2 << 5 << false;
}

void TestMonitoraDiretorio::bothFormatsNewerWins()
{
    QFETCH(int, idadeChaveS);
    QFETCH(int, idadeJsonS);
    QFETCH(bool, jsonServido);

    criarMonitor();
    const QString textoChave = QStringLiteral("000-000 = CNC\n001-000 = 11\n999-999 = 0\n");
    const QByteArray textoJson = pedidoJson(QStringLiteral("CRT"), QStringLiteral("22"));
    const QDateTime agora = QDateTime::currentDateTime();
    for (const auto &[nome, conteudo, idade] :
         {std::make_tuple(QStringLiteral("IntPos.001"), textoChave.toUtf8(), idadeChaveS),
          std::make_tuple(QStringLiteral("IntPos.001.json"), textoJson, idadeJsonS)}) {
        QFile f(req(nome));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(conteudo);
        QVERIFY(f.flush());
        QVERIFY(f.setFileTime(agora.addSecs(-idade), QFileDevice::FileModificationTime));
    }

    m_monitor->iniciarMonitoramento(); // serves what is already waiting
    QVERIFY(esperarAtendimentos(1));
    const QString esperado = jsonServido ? QString::fromUtf8(textoJson) : ProtocoloSitef().requestToJson(textoChave);
    QCOMPARE(m_backend->requisicoes(), QStringList{esperado});
    QCOMPARE(requisicaoJson.load(), jsonServido);
    // The other file is gone unread: nothing is left to be served later.
    QVERIFY(!QFile::exists(req(QStringLiteral("IntPos.001"))));
    QVERIFY(!QFile::exists(req(QStringLiteral("IntPos.001.json"))));
}

void TestMonitoraDiretorio::noResponseFileForConfirmations_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<bool>("resposta");

    QTest::newRow("CNF: status only") << "CNF" << false;
    QTest::newRow("cnf in lower case: status only") << "cnf" << false;
    QTest::newRow("Ncn in mixed case: status only") << "Ncn" << false;
    QTest::newRow("ATV: status only") << "ATV" << false;
    QTest::newRow("CRT: response file") << "CRT" << true;
}

void TestMonitoraDiretorio::noResponseFileForConfirmations()
{
    QFETCH(QString, header);
    QFETCH(bool, resposta);

    criarMonitor();
    const QString resultado = QStringLiteral(R"({"header":"%1","identificacao":"3"})").arg(header);
    m_backend->setResultado([resultado](const QJsonObject &) { return resultado; });
    m_monitor->iniciarMonitoramento();
    enviar(QStringLiteral("IntPos.001.json"), pedidoJson(header, QStringLiteral("3")));

    QVERIFY(esperarAtendimentos(1));
    QVERIFY(QFile::exists(resp(QStringLiteral("IntPos.Sts.json"))));
    QCOMPARE(QFile::exists(resp(QStringLiteral("IntPos.001.json"))), resposta);
    QVERIFY(!QFile::exists(resp(MonitoraDiretorio::nomeArquivoTemporario())));
    if (resposta)
        QCOMPARE(testsupport::readAll(resp(QStringLiteral("IntPos.001.json"))), resultado.toUtf8());
    else
        QVERIFY(
            m_log->contem(QStringLiteral("[MonitoraDiretorio] Operação %1 não requer arquivo IntPos.001").arg(header)));
}

void TestMonitoraDiretorio::staleLongerTempFileIsReplaced()
{
    criarMonitor();
    QVERIFY(testsupport::writeAll(resp(MonitoraDiretorio::nomeArquivoTemporario()), QByteArray(8192, 'x')));
    QVERIFY(testsupport::writeAll(resp(QStringLiteral("IntPos.001.json")), QByteArray("resposta antiga")));
    m_monitor->iniciarMonitoramento();
    enviar(QStringLiteral("IntPos.001.json"), pedidoJson(QStringLiteral("CRT"), QStringLiteral("9")));

    QVERIFY(esperarAtendimentos(1));
    const QByteArray esperado =
        TestBackend::resultadoEco(
            QJsonDocument::fromJson(pedidoJson(QStringLiteral("CRT"), QStringLiteral("9"))).object())
            .toUtf8();
    QCOMPARE(testsupport::readAll(resp(QStringLiteral("IntPos.001.json"))), esperado);
    QVERIFY(!QFile::exists(resp(MonitoraDiretorio::nomeArquivoTemporario())));
}

void TestMonitoraDiretorio::requestDuringTransactionServedAfterIt()
{
    criarMonitor();
    m_backend->segurar();
    m_monitor->iniciarMonitoramento();
    enviar(QStringLiteral("IntPos.001.json"), pedidoJson(QStringLiteral("CRT"), QStringLiteral("1")));
    QTRY_VERIFY_WITH_TIMEOUT(m_backend->emEspera(), kPrazoMs);

    // The second request lands while the first transaction runs: nobody watches.
    QVERIFY(!m_monitor->monitorando());
    enviar(QStringLiteral("IntPos.001.json"), pedidoJson(QStringLiteral("CRT"), QStringLiteral("2")));
    QCoreApplication::processEvents();
    QVERIFY(QFile::exists(req(QStringLiteral("IntPos.001.json"))));
    QCOMPARE(m_backend->requisicoes().size(), 1);

    m_backend->liberar();
    QVERIFY(esperarAtendimentos(2));
    QCOMPARE(m_backend->requisicoes().size(), 2);
    QVERIFY(m_backend->requisicoes().at(1).contains(QLatin1String("\"identificacao\":\"2\"")));

    // Order seen in the log: first answer renamed into place, then the second request read.
    const int primeiraResposta = m_log->indice(QStringLiteral("Arquivo renomeado com sucesso para"));
    const int segundoPedido = m_log->indice(QStringLiteral("\"identificacao\":\"2\""));
    QVERIFY(primeiraResposta >= 0);
    QVERIFY(segundoPedido > primeiraResposta);
    QTRY_COMPARE_WITH_TIMEOUT(m_log->contar(QStringLiteral("Arquivo renomeado com sucesso para")), 2, kPrazoMs);
    QVERIFY(testsupport::readAll(resp(QStringLiteral("IntPos.001.json"))).contains("\"identificacao\":\"2\""));
}

void TestMonitoraDiretorio::requestWaitingAtStartIsServed_data()
{
    QTest::addColumn<bool>("porAssinatura");
    QTest::newRow("backend joined by its type") << false;
    QTest::newRow("backend known only as an object") << true;
}

void TestMonitoraDiretorio::requestWaitingAtStartIsServed()
{
    QFETCH(bool, porAssinatura);
    criarMonitor({}, porAssinatura);
    QVERIFY(testsupport::writeAll(req(QStringLiteral("IntPos.001.json")),
                                  pedidoJson(QStringLiteral("CRT"), QStringLiteral("4"))));
    QSignalSpy inicio(m_monitor.get(), &MonitoraDiretorio::startTefProcess);
    m_monitor->iniciarMonitoramento();
    QCOMPARE(inicio.count(), 1);
    QVERIFY(m_log->indice(QStringLiteral("Monitoramento iniciado em: ")) <
            m_log->indice(QStringLiteral("Arquivo SiTef encontrado")));
    QVERIFY(esperarAtendimentos(1));
    QVERIFY(testsupport::waitForFile(resp(QStringLiteral("IntPos.001.json")), kPrazoMs));
}

void TestMonitoraDiretorio::badRequestThenNextServed_data()
{
    QTest::addColumn<QString>("nome");
    QTest::addColumn<QByteArray>("conteudo");
    QTest::addColumn<QString>("linha");
    QTest::addColumn<bool>("chegaAoBackend");
    QTest::addColumn<bool>("arquivoFica");

    QByteArray lixo(4096, '\0');
    QRandomGenerator gerador(20261206);
    for (char &c : lixo)
        c = static_cast<char>(gerador.bounded(256));
    lixo[100] = '\r';
    lixo[2000] = '\0';

    QTest::newRow("empty request: deleted, not served") << "IntPos.001" << QByteArray() << "vazio." << false << false;
    QTest::newRow("unrelated file: left alone")
        << "notas.txt" << QByteArray("nada") << "Arquivo SiTef não encontrado" << false << true;
    QTest::newRow("binary garbage: served as text up to the first NUL")
        << "IntPos.001" << lixo << "Arquivo SiTef encontrado" << true << false;
    QTest::newRow("JSON garbage: backend still runs, no status")
        << "IntPos.001.json" << QByteArray("{\"header\":") << "Erro na criação do arquivo STS: " << true << false;
}

void TestMonitoraDiretorio::badRequestThenNextServed()
{
    QFETCH(QString, nome);
    QFETCH(QByteArray, conteudo);
    QFETCH(QString, linha);
    QFETCH(bool, chegaAoBackend);
    QFETCH(bool, arquivoFica);

    criarMonitor();
    m_monitor->iniciarMonitoramento();
    enviar(nome, conteudo);

    QVERIFY(m_log->esperar(linha, kPrazoMs));
    if (chegaAoBackend) {
        QVERIFY(esperarAtendimentos(1));
        const int nul = conteudo.indexOf('\0');
        const QString texto = QString::fromUtf8((nul < 0 ? conteudo : conteudo.left(nul)).replace('\r', QByteArray()));
        if (nome.endsWith(QLatin1String(".json")))
            QCOMPARE(m_backend->requisicoes(), QStringList{texto});
        else
            QCOMPARE(m_backend->requisicoes(), QStringList{ProtocoloSitef().requestToJson(texto)});
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(m_monitor->monitorando(), kPrazoMs);
        QCOMPARE(m_backend->requisicoes().size(), 0);
    }
    QCOMPARE(QFile::exists(req(nome)), arquivoFica);

    // The exchange goes on: the next request gets its status and response.
    QFile::remove(resp(QStringLiteral("IntPos.Sts.json")));
    enviar(QStringLiteral("IntPos.001.json"), pedidoJson(QStringLiteral("CRT"), QStringLiteral("77")));
    QVERIFY(esperarAtendimentos(chegaAoBackend ? 2 : 1));
    QCOMPARE(testsupport::readAll(resp(QStringLiteral("IntPos.Sts.json"))),
             QByteArray(R"({"header":"CRT","id":"77"})"));
    QVERIFY(testsupport::readAll(resp(QStringLiteral("IntPos.001.json"))).contains("\"77\""));
}

void TestMonitoraDiretorio::hugeRequestRefusedWithBoundedMemory()
{
    criarMonitor();
    m_monitor->iniciarMonitoramento();
    {
        QFile f(req(QStringLiteral("pdv.tmp")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QByteArray linha = QByteArray("123-456 = ").append(QByteArray(1014, 'a')).append('\n');
        for (int i = 0; i < 50 * 1024; ++i)
            f.write(linha);
    }
    const long antes = picoMemoriaKb();
    QVERIFY(QFile::rename(req(QStringLiteral("pdv.tmp")), req(QStringLiteral("IntPos.001"))));

    QVERIFY(m_log->esperar(QStringLiteral("excede o tamanho máximo"), kPrazoMs));
    QTRY_VERIFY_WITH_TIMEOUT(m_monitor->monitorando(), kPrazoMs);
    QVERIFY(!QFile::exists(req(QStringLiteral("IntPos.001"))));
    QCOMPARE(m_backend->requisicoes().size(), 0);
    QVERIFY2(picoMemoriaKb() - antes < 16 * 1024, "reading a 50 MB request must not hold it in memory");

    enviar(QStringLiteral("IntPos.001.json"), pedidoJson(QStringLiteral("CRT"), QStringLiteral("8")));
    QVERIFY(esperarAtendimentos(1));
}

void TestMonitoraDiretorio::folderNamedLikeRequestIsNotRetriedInALoop()
{
    criarMonitor();
    QVERIFY(QDir().mkpath(req(QStringLiteral("IntPos.001"))));
    m_monitor->iniciarMonitoramento();
    const QString linha =
        QStringLiteral("[MonitoraDiretorio] Impossível abrir arquivo ") + req(QStringLiteral("IntPos.001"));
    QVERIFY(m_log->esperar(linha, kPrazoMs));
    QTRY_VERIFY_WITH_TIMEOUT(m_monitor->monitorando(), kPrazoMs);

    enviar(QStringLiteral("IntPos.001.json"), pedidoJson(QStringLiteral("CRT"), QStringLiteral("6")));
    QVERIFY(esperarAtendimentos(1));
    QVERIFY(QFileInfo(req(QStringLiteral("IntPos.001"))).isDir());
    // Noticed on folder changes only, never retried on its own.
    QCOMPARE(m_log->contar(linha), 1);
}

void TestMonitoraDiretorio::fullDiskLeavesNoHalfWrittenFile()
{
    if (!QFileInfo(QStringLiteral("/dev/full")).exists())
        QSKIP("no /dev/full here");
    criarMonitor();
    // Every write to the temporary names ends in "no space left on device".
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), resp(MonitoraDiretorio::nomeArquivoTemporario())));
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), resp(MonitoraDiretorio::nomeStatusTemporario())));
    m_monitor->iniciarMonitoramento();
    enviar(QStringLiteral("IntPos.001.json"), pedidoJson(QStringLiteral("CRT"), QStringLiteral("1")));

    QVERIFY(esperarAtendimentos(1));
    QVERIFY(m_log->esperar(QStringLiteral("[MonitoraDiretorio] Falha ao gravar arquivo de resposta "), kPrazoMs));
    QVERIFY(m_log->contem(QStringLiteral("[MonitoraDiretorio] Impossível escrever no arquivo STS")));
    QVERIFY(!QFile::exists(resp(QStringLiteral("IntPos.Sts.json"))));
    QVERIFY(!QFile::exists(resp(QStringLiteral("IntPos.001.json"))));

    // Space again: the next request is answered in full.
    enviar(QStringLiteral("IntPos.001.json"), pedidoJson(QStringLiteral("CRT"), QStringLiteral("2")));
    QVERIFY(esperarAtendimentos(2));
    QCOMPARE(testsupport::readAll(resp(QStringLiteral("IntPos.Sts.json"))), QByteArray(R"({"header":"CRT","id":"2"})"));
    QVERIFY(testsupport::readAll(resp(QStringLiteral("IntPos.001.json"))).contains("\"2\""));
}

void TestMonitoraDiretorio::fullVolumeLeavesNoHalfWrittenFile()
{
    // A small mounted volume (as root: mount -t tmpfs -o size=64k tmpfs DIR) used
    // as the response folder and filled to the last byte.
    const QString volume = qEnvironmentVariable("Z3_TEST_SMALL_VOLUME");
    if (volume.isEmpty())
        QSKIP("set Z3_TEST_SMALL_VOLUME to an empty, small mounted volume");
    criarMonitor({{QStringLiteral("path_out"), volume}});
    const QString enchimento = volume + QStringLiteral("/enchimento");
    {
        QFile f(enchimento);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QByteArray bloco(512, 'x');
        while (f.write(bloco) == bloco.size() && f.flush()) {
        }
    }
    const QString resultado =
        QStringLiteral(R"({"header":"CRT","comprovante":"%1"})").arg(QString(8192, QLatin1Char('c')));
    m_backend->setResultado([resultado](const QJsonObject &) { return resultado; });
    m_monitor->iniciarMonitoramento();
    enviar(QStringLiteral("IntPos.001.json"), pedidoJson(QStringLiteral("CRT"), QStringLiteral("1")));

    QVERIFY(esperarAtendimentos(1));
    QVERIFY(m_log->esperar(QStringLiteral("[MonitoraDiretorio] Falha ao gravar arquivo de resposta "), kPrazoMs));
    QVERIFY(!QFile::exists(volume + QStringLiteral("/IntPos.001.json")));
    QVERIFY(!QFile::exists(volume + QLatin1Char('/') + MonitoraDiretorio::nomeArquivoTemporario()));

    QVERIFY(QFile::remove(enchimento));
    enviar(QStringLiteral("IntPos.001.json"), pedidoJson(QStringLiteral("CRT"), QStringLiteral("2")));
    QVERIFY(esperarAtendimentos(2));
    QCOMPARE(testsupport::readAll(volume + QStringLiteral("/IntPos.Sts.json")),
             QByteArray(R"({"header":"CRT","id":"2"})"));
    QCOMPARE(testsupport::readAll(volume + QStringLiteral("/IntPos.001.json")), resultado.toUtf8());
    const QStringList sobras = QDir(volume).entryList(QDir::Files);
    for (const QString &nome : sobras)
        QFile::remove(volume + QLatin1Char('/') + nome);
}

void TestMonitoraDiretorio::failedRenameKeepsTempFileAndNextSucceeds()
{
    criarMonitor();
    // A non-empty folder under the response name can be neither removed nor replaced.
    QVERIFY(QDir().mkpath(resp(QStringLiteral("IntPos.001.json/x"))));
    m_monitor->iniciarMonitoramento();
    enviar(QStringLiteral("IntPos.001.json"), pedidoJson(QStringLiteral("CRT"), QStringLiteral("1")));

    QVERIFY(esperarAtendimentos(1));
    QVERIFY(m_log->esperar(QStringLiteral("[MonitoraDiretorio] Falha ao renomear arquivo para ") +
                               resp(QStringLiteral("IntPos.001.json")),
                           kPrazoMs));
    QVERIFY(testsupport::readAll(resp(MonitoraDiretorio::nomeArquivoTemporario())).contains("\"1\""));

    QVERIFY(QDir(resp(QStringLiteral("IntPos.001.json"))).removeRecursively());
    enviar(QStringLiteral("IntPos.001.json"), pedidoJson(QStringLiteral("CRT"), QStringLiteral("2")));
    QVERIFY(esperarAtendimentos(2));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(resp(QStringLiteral("IntPos.001.json"))).isFile(), kPrazoMs);
    QVERIFY(testsupport::readAll(resp(QStringLiteral("IntPos.001.json"))).contains("\"2\""));
    QVERIFY(!QFile::exists(resp(MonitoraDiretorio::nomeArquivoTemporario())));
}

void TestMonitoraDiretorio::deletedRequestFolderIsWatchedAgain()
{
    criarMonitor();
    m_backend->segurar();
    m_monitor->iniciarMonitoramento();
    enviar(QStringLiteral("IntPos.001.json"), pedidoJson(QStringLiteral("CRT"), QStringLiteral("1")));
    QTRY_VERIFY_WITH_TIMEOUT(m_backend->emEspera(), kPrazoMs);

    QVERIFY(QDir(req(QString())).removeRecursively());
    m_backend->liberar();
    QVERIFY(m_log->esperar(
        QStringLiteral("[MonitoraDiretorio] Não é possível iniciar o monitoramento no caminho especificado"),
        kPrazoMs));
    QVERIFY(!m_monitor->monitorando());

    // The folder comes back with a request already in it.
    QVERIFY(QDir().mkpath(req(QString())));
    enviar(QStringLiteral("IntPos.001.json"), pedidoJson(QStringLiteral("CRT"), QStringLiteral("2")));
    QVERIFY(esperarAtendimentos(2));
    QVERIFY(m_backend->requisicoes().at(1).contains(QLatin1String("\"identificacao\":\"2\"")));
}

void TestMonitoraDiretorio::operatorOperationPausesAndWritesNoResponse()
{
    criarMonitor();
    // The backend's start by the worker, made elsewhere in the program.
    connect(m_autonomo.get(), SIGNAL(startProcessAutonomo()), m_backend.get(), SLOT(start()));
    m_monitor->iniciarMonitoramento();
    QVERIFY(m_monitor->monitorando());

    operacaoAutonoma = true;
    emit m_autonomo->startProcessAutonomo();
    QVERIFY(!m_monitor->monitorando()); // paused before the thread runs
    QVERIFY(m_log->indice(QStringLiteral("[MonitoraDiretorio] Monitoramento pausado")) >= 0);

    QVERIFY(esperarAtendimentos(1));
    QVERIFY(!tefEmProcessamento);
    QVERIFY(QDir(resp(QString())).entryList(QDir::Files).isEmpty());
}

void TestMonitoraDiretorio::updaterRunKeepsMonitorPaused()
{
    criarMonitor();
    m_monitor->iniciarMonitoramento();
    const int retomadas = m_log->contar(QStringLiteral("Iniciando monitoramento de diretório"));
    atualizacaoSolicitada = true;
    QSignalSpy fim(m_backend.get(), &QThread::finished);
    emit m_autonomo->startProcessAutonomo();
    m_backend->start();
    // The thread may finish before the wait begins: count what already arrived.
    QTRY_VERIFY_WITH_TIMEOUT(fim.count() > 0, kPrazoMs);
    QCoreApplication::processEvents();
    QVERIFY(!m_monitor->monitorando());
    QCOMPARE(m_log->contar(QStringLiteral("Iniciando monitoramento de diretório")), retomadas);
}

QTEST_GUILESS_MAIN(TestMonitoraDiretorio)
#include "tst_monitoradiretorio.moc"
