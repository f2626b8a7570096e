#include "base/DadosSensiveis.h"
#include "base/MascaraColeta.h"
#include "base/Pausas.h"
#include "base/Platform.h"
#include "base/ValorDigitado.h"

#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <sys/stat.h>

#include <memory>

// Secrets kept out of what is logged, the input mask for a typed value, a typed amount in cents, how a
// request file is opened, and the pauses as the tests shorten them.
class TestUtil : public QObject
{
    Q_OBJECT

private slots:
    void masksSecretsKeepsTheRest_data()
    {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("esperado");
        const auto linha = [](const char *nome, const char *texto, const char *esperado) {
            QTest::newRow(nome) << QString::fromUtf8(texto) << QString::fromUtf8(esperado);
        };
        linha("key-number password line", "000-000 = ADM\n375-025 = s3nh@\n999-999 = 0",
              "000-000 = ADM\n375-025 = ****\n999-999 = 0");
        linha("JSON password keys",
              "{\"adm_senha\":\"abc\\\"d\",\"transacao_administracao_senha\":\"x\",\"loja\":\"1\"}",
              "{\"adm_senha\":\"****\",\"transacao_administracao_senha\":\"****\",\"loja\":\"1\"}");
        linha("card number keeps first 6 and last 4", "740-000 = 4111111111111111", "740-000 = 411111******1111");
        linha("long number failing the card check stays", "20261206101500 1234567890123",
              "20261206101500 1234567890123");
        linha("track 2 loses everything after the number", "trilha ;4111111111111111=25121011234?",
              "trilha ;411111******1111=****?");
        linha("track 1 loses name and the rest", "%B4111111111111111^SILVA/JOAO^2512101?", "%B411111******1111^****");
        linha("card number in groups of blanks", "cartao 4111 1111 1111 1111 lido", "cartao 4111 11** **** 1111 lido");
        linha("card number in groups of dashes", "PAN=5500-0000-0000-0004;", "PAN=5500-00**-****-0004;");
        linha("grouped card number after other groups", "lote 12 4111 1111 1111 1111", "lote 12 4111 11** **** 1111");
        linha("grouped digits failing the card check stay", "1234 5678 9012 3456 e 000-000 = CRT",
              "1234 5678 9012 3456 e 000-000 = CRT");
        linha("amounts, dates and ids stay", "003-000 = 1000\n022-000 = 06122026\n001-000 = 123",
              "003-000 = 1000\n022-000 = 06122026\n001-000 = 123");
    }

    void masksSecretsKeepsTheRest()
    {
        QFETCH(QString, texto);
        QTEST(mascararDadosSensiveis(texto), "esperado");
    }

    void inputMask_data()
    {
        // The library's type and date format; nullptr leaves the member out.
        QTest::addColumn<QJsonObject>("tef");
        QTest::addColumn<QString>("mascara");
        const auto linha = [](const char *nome, const char *tipo, const char *formato, const char *mascara) {
            QJsonObject o;
            if (tipo)
                o.insert(QStringLiteral("automacao_coleta_tipo"), QString::fromUtf8(tipo));
            if (formato)
                o.insert(QStringLiteral("automacao_coleta_mascara"), QString::fromUtf8(formato));
            QTest::newRow(nome) << o << QString::fromLatin1(mascara);
        };
        linha("date type without a format is a short date", "D", nullptr, "99/99/99;_");
        linha("month and year", "D", "MM/yy", "99/99;_");
        linha("short date", "D", "dd/MM/yy", "99/99/99;_");
        linha("long date", "D", "dd/MM/yyyy", "99/99/9999;_");
        linha("any type with a known format", "N", "dd/MM/yyyy", "99/99/9999;_");
        linha("a format without a type gives nothing", nullptr, "dd/MM/yy", "");
        linha("a format in upper case gives nothing", "D", "DD/MM/YY", "");
        linha("an unknown format gives nothing", "D", "yyyy-MM-dd", "");
        linha("a number without a format gives nothing", "N", nullptr, "");
        linha("a lower-case date type is not a date", "d", nullptr, "");
        QTest::newRow("members that are not texts count as empty")
            << QJsonObject{{"automacao_coleta_tipo", 1}, {"automacao_coleta_mascara", "dd/MM/yy"}} << "";
    }

    void inputMask()
    {
        QFETCH(QJsonObject, tef);
        QTEST(mascaraDaColeta(tef), "mascara");
    }

    void typedAmountInCents_data()
    {
        QTest::addColumn<QString>("digitado");
        QTest::addColumn<QString>("centavos"); // empty: no amount
        QTest::newRow("as the money field shows it") << QString::fromUtf8("R$\u00a01.234,56") << "123456";
        QTest::newRow("zero is no amount") << "R$ 0,00"
                                           << "";
        QTest::newRow("a letter or a sign makes it none") << "-R$ 1O,00"
                                                          << "";
        QTest::newRow("digits of another script are none") << QString::fromUtf8("١٢٣") << "";
    }

    void typedAmountInCents()
    {
        QFETCH(QString, digitado);
        QTEST(centavosDigitados(digitado), "centavos");
    }

    // Only a plain file reached without a link is read: a link planted under the request's name must not make
    // the program read a file outside the exchange, and a pipe nobody writes must not hold it.
    void opensOnlyAPlainFileWithoutALink_data()
    {
        QTest::addColumn<QString>("tipo"); // what lies under the name
        QTest::addColumn<QString>("erro"); // empty: opened, and read without its carriage returns
        QTest::newRow("plain file") << "arquivo"
                                    << "";
        QTest::newRow("link to a plain file") << "link" << QString::fromUtf8("É um link simbólico");
        QTest::newRow("link to a folder") << "link para pasta" << QString::fromUtf8("É um link simbólico");
        QTest::newRow("pipe without a writer: refused at once")
            << "fifo" << QString::fromUtf8("Não é um arquivo regular");
        QTest::newRow("folder") << "pasta" << QString::fromUtf8("Não é um arquivo regular");
    }

    void opensOnlyAPlainFileWithoutALink()
    {
        QFETCH(QString, tipo);
        QFETCH(QString, erro);
        QTemporaryDir dir;
        const QString alvo = dir.filePath("fora.txt"), nome = dir.filePath("IntPos.001");
        QFile f(alvo);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("000-000 = CRT\r\n") == 15);
        f.close();
        QVERIFY(QDir().mkdir(dir.filePath("pasta")));
        if (tipo == "arquivo")
            QVERIFY(QFile::copy(alvo, nome));
        else if (tipo.startsWith("link"))
            QVERIFY(QFile::link(tipo.endsWith("pasta") ? dir.filePath("pasta") : alvo, nome));
        else if (tipo == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(nome).constData(), 0600), 0);
        else
            QVERIFY(QDir().mkdir(nome));

        QFile pedido(nome);
        QString motivo;
        bool aberto = false;
        std::unique_ptr<QThread> t(
            QThread::create([&] { aberto = platform::openRegularFileForReading(pedido, &motivo); }));
        t->start();
        const bool voltou = t->wait(5000);
        if (!voltou) { // blocked on the pipe: a writer lets it go
            QFile escritor(nome);
            escritor.open(QIODevice::WriteOnly);
            t->wait(5000);
        }
        QVERIFY2(voltou, "the open blocked");
        QCOMPARE(motivo, erro);
        QCOMPARE(aberto, erro.isEmpty());
        if (aberto)
            QCOMPARE(pedido.readAll(), QByteArray("000-000 = CRT\n"));
    }

    // The tests shorten every pause; a pause cut to nothing would turn a wait into a busy loop.
    void dividedPausesNeverReachZero_data()
    {
        QTest::addColumn<int>("divisor");
        QTest::newRow("none") << 0;
        QTest::newRow("one") << 1;
        QTest::newRow("the tests' hundred") << 100;
        QTest::newRow("larger than every pause") << 1000000;
    }

    void dividedPausesNeverReachZero()
    {
        QFETCH(int, divisor);
        const Pausas reais;
        const Pausas p = reais.divididas(divisor);
        static_assert(sizeof(Pausas) == 14 * sizeof(int), "a new pause joins the list below");
        for (int Pausas::*ms : {&Pausas::leituraRequisicaoMs, &Pausas::antesDoStatusMs, &Pausas::gravacaoRespostaMs,
                                &Pausas::intervaloGravacaoMs, &Pausas::margemEntregaMs, &Pausas::arquivoIncompletoMs,
                                &Pausas::novaTentativaPastaMs, &Pausas::verificacaoPastaMs, &Pausas::mensagemFalhaMs,
                                &Pausas::finalZ3TefMs, &Pausas::statusBridgeMs, &Pausas::finalVantorMs,
                                &Pausas::passoVantorMs, &Pausas::antesDeInstalarMs}) {
            QVERIFY(p.*ms >= 1);
            QVERIFY(divisor <= 1 ? p.*ms == reais.*ms : p.*ms <= reais.*ms);
        }
    }
};

QTEST_GUILESS_MAIN(TestUtil)
#include "tst_Util.moc"
