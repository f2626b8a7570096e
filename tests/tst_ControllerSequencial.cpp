#include "tef/ControllerSequencial.h"
#include "ui/PortaoOperador.h"

#include <QJsonDocument>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

// The list of transactions that wait for the POS's confirmation, and the gate
// where the controller thread waits for the cashier's answer.
class TestControllerSequencial : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_log;

    QString lerLog() const
    {
        QFile f(m_log);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    static SequencialInfo entrada(int sequencial, const char *transacao)
    {
        SequencialInfo i;
        i.sequencial = sequencial;
        i.transacao = QString::fromLatin1(transacao);
        return i;
    }
    static QList<int> sequenciais(const ControllerSequencial &c)
    {
        QList<int> r;
        for (const SequencialInfo &i : c.listaSequenciais())
            r << i.sequencial;
        return r;
    }

private slots:
    void initTestCase();
    void init();
    void criarSequencial_data();
    void criarSequencial();
    void adicionaNoFimEAnota();
    void removerSequencial_data();
    void removerSequencial();
    void portaoOperador_data();
    void portaoOperador();
};

void TestControllerSequencial::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_log = m_dir.filePath(QStringLiteral("log.txt"));
    qputenv("Z3_LOG", m_log.toUtf8());
}

void TestControllerSequencial::init()
{
    QFile::remove(m_log);
}

void TestControllerSequencial::criarSequencial_data()
{
    QTest::addColumn<QByteArray>("resposta");
    QTest::addColumn<int>("sequencial"); // -1: refused
    QTest::addColumn<QString>("transacao");
    QTest::addColumn<QStringList>("resto"); // terminal NSU, total, date and time
    const QStringList padrao{"000000", "0", "01/01/1970 00:00:00"};

    QTest::newRow("only the required members take the defaults")
        << QByteArray(R"({"tef":{"sequencial":"12","transacao":"Cartao Vender"}})") << 12 << "Cartao Vender" << padrao;
    QTest::newRow("every member") << QByteArray(R"({"tef":{"sequencial":"7","transacao":"Digital Pagar",)"
                                                R"("nsuTerminal":"000123","valorTotal":"1000",)"
                                                R"("dataHoraTransacao":"06/12/2026 10:11:12"}})")
                                  << 7 << "Digital Pagar" << QStringList{"000123", "1000", "06/12/2026 10:11:12"};
    QTest::newRow("a sequential that is not a decimal number is 0")
        << QByteArray(R"({"tef":{"sequencial":"1a","transacao":"X"}})") << 0 << "X" << padrao;
    QTest::newRow("a numeric sequential is not a text, so 0")
        << QByteArray(R"({"tef":{"sequencial":5,"transacao":"X"}})") << 0 << "X" << padrao;
    QTest::newRow("a sequential beyond 32 bits is 0")
        << QByteArray(R"({"tef":{"sequencial":"99999999999","transacao":"X"}})") << 0 << "X" << padrao;
    QTest::newRow("optional members that are not texts take the defaults")
        << QByteArray(R"({"tef":{"sequencial":"3","transacao":"X","nsuTerminal":12,"valorTotal":null}})") << 3 << "X"
        << padrao;
    QTest::newRow("no tef: refused") << QByteArray(R"({"codigo":5,"mensagem":"erro"})") << -1 << "" << padrao;
    QTest::newRow("no sequential: refused")
        << QByteArray(R"({"tef":{"transacao":"Cartao Vender"}})") << -1 << "" << padrao;
    QTest::newRow("no transaction name: refused") << QByteArray(R"({"tef":{"sequencial":"1"}})") << -1 << "" << padrao;
    QTest::newRow("empty object: refused") << QByteArray("{}") << -1 << "" << padrao;
}

void TestControllerSequencial::criarSequencial()
{
    QFETCH(QByteArray, resposta);
    QFETCH(int, sequencial);
    const auto info = ControllerSequencial::criarSequencial(QJsonDocument::fromJson(resposta).object());
    QCOMPARE(info.has_value(), sequencial >= 0);
    if (!info)
        return;
    QCOMPARE(int(info->sequencial), sequencial);
    QTEST(info->transacao, "transacao");
    QTEST((QStringList{info->nsuTerminal, info->valorTotal, info->dataHoraTransacao}), "resto");
}

void TestControllerSequencial::adicionaNoFimEAnota()
{
    ControllerSequencial c;
    QVERIFY(c.listaSequenciais().isEmpty());
    c.adicionarSequencial(entrada(1, "Cartao Vender"));
    c.adicionarSequencial(entrada(2, "Digital Pagar"));
    c.adicionarSequencial(entrada(2, "Digital Pagar")); // the same number may come again
    QCOMPARE(sequenciais(c), (QList<int>{1, 2, 2}));
    QVERIFY(lerLog().contains(
        QStringLiteral("Sequencial 2 (Digital Pagar) adicionado na lista de sequenciais para confirmação")));
}

void TestControllerSequencial::removerSequencial_data()
{
    QTest::addColumn<QList<int>>("iniciais");
    QTest::addColumn<int>("indice");
    QTest::addColumn<QList<int>>("restantes");
    QTest::addColumn<QString>("linha");
    const QList<int> tres{10, 20, 30};
    QTest::newRow("first of three leaves the later two in order")
        << tres << 0 << QList<int>{20, 30} << "Sequencial 10 (Cartao Vender) removido da lista de sequenciais";
    QTest::newRow("last of three") << tres << 2 << QList<int>{10, 20}
                                   << "Sequencial 30 (Cartao Vender) removido da lista de sequenciais";
    QTest::newRow("one past the end clears the list") << tres << 3 << QList<int>{} << "Lista de sequenciais foi limpa";
    QTest::newRow("-1 clears the list") << tres << -1 << QList<int>{} << "Lista de sequenciais foi limpa";
    QTest::newRow("clearing an empty list is no error")
        << QList<int>{} << -1 << QList<int>{} << "Lista de sequenciais foi limpa";
}

void TestControllerSequencial::removerSequencial()
{
    QFETCH(QList<int>, iniciais);
    QFETCH(int, indice);
    QFETCH(QString, linha);
    ControllerSequencial c;
    for (int s : iniciais)
        c.adicionarSequencial(entrada(s, "Cartao Vender"));
    const QList<SequencialInfo> antes = c.listaSequenciais();
    c.removerSequencial(indice);
    QTEST(sequenciais(c), "restantes");
    QCOMPARE(antes.size(), iniciais.size()); // a list handed out earlier stays as it was
    QVERIFY2(lerLog().contains(linha), qPrintable(lerLog()));
}

void TestControllerSequencial::portaoOperador_data()
{
    // Steps: fechar[:offered count], responde:text (taken) / ignora:text (refused),
    // oferece:N / recusa:N (opcaoOferecida), encerra, espera (a wait starts on
    // another thread), =X (that wait, or a new one, ends with X: a typed text,
    // Nenhuma or Cancelar).
    QTest::addColumn<QString>("passos");
    QTest::newRow("an answer right after the gate closes, before the wait, is kept") << "fechar responde:sim =sim";
    QTest::newRow("an answer during the wait ends it") << "fechar espera responde:sim =sim";
    QTest::newRow("an answer with no question waiting is dropped") << "ignora:velha fechar responde:nova =nova";
    QTest::newRow("a wait with no question open ends at once with none") << "=Nenhuma";
    QTest::newRow("a second answer to an answered question is ignored")
        << "fechar responde:primeira ignora:segunda =primeira";
    QTest::newRow("ending releases the wait in progress") << "fechar espera encerra =Cancelar";
    QTest::newRow("after ending every wait is Cancelar at once") << "encerra fechar =Cancelar fechar =Cancelar";
    QTest::newRow("after ending an answer is dropped") << "encerra fechar ignora:sim =Cancelar";
    QTest::newRow("a list position outside the offered count is refused")
        << "fechar:3 oferece:0 oferece:2 recusa:3 recusa:-1";
    QTest::newRow("with no count any position is taken") << "fechar oferece:7";
}

void TestControllerSequencial::portaoOperador()
{
    QFETCH(QString, passos);
    PortaoOperador portao;
    RespostaOperador resposta;
    std::unique_ptr<QThread> espera;
    // A failed step must not leave a thread blocked in the gate, nor the test hanging on it.
    const auto fim = qScopeGuard([&] {
        portao.encerrar();
        if (espera && !espera->wait(5000) && !(portao.responder(RespostaOperador::cancelar()) && espera->wait(5000)))
            qFatal("a wait in the gate outlived the end of the test");
    });
    const auto aguardar = [&] {
        espera.reset(QThread::create([&] { resposta = portao.aguardar(); }));
        espera->start();
    };
    for (const QString &passo : passos.split(QLatin1Char(' '))) {
        const QString nome = passo.section(QLatin1Char(':'), 0, 0), arg = passo.section(QLatin1Char(':'), 1);
        if (nome == QLatin1String("fechar")) {
            portao.fechar(arg.isEmpty() ? PortaoOperador::qualquerOpcao : arg.toInt());
        } else if (nome == QLatin1String("responde") || nome == QLatin1String("ignora")) {
            QVERIFY2(portao.responder(RespostaOperador::digitado(arg)) == (nome == QLatin1String("responde")),
                     qPrintable(passo));
        } else if (nome == QLatin1String("oferece") || nome == QLatin1String("recusa")) {
            QVERIFY2(portao.opcaoOferecida(arg.toInt()) == (nome == QLatin1String("oferece")), qPrintable(passo));
        } else if (nome == QLatin1String("encerra")) {
            portao.encerrar();
        } else if (nome == QLatin1String("espera")) {
            aguardar();
        } else {
            if (!espera)
                aguardar();
            QVERIFY2(espera->wait(5000), qPrintable(passo + QStringLiteral(": the wait did not end")));
            espera.reset();
            using T = RespostaOperador::Tipo;
            const QString obtida = resposta.tipo == T::Texto      ? resposta.texto
                                   : resposta.tipo == T::Nenhuma  ? QStringLiteral("Nenhuma")
                                   : resposta.tipo == T::Cancelar ? QStringLiteral("Cancelar")
                                                                  : QStringLiteral("other");
            QCOMPARE(obtida, passo.mid(1));
        }
    }
}

QTEST_GUILESS_MAIN(TestControllerSequencial)
#include "tst_ControllerSequencial.moc"
