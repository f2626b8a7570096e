// What the monitor and the other components log must not carry secrets in clear.
#include "util/DadosSensiveis.h"

#include <QtTest>

class TestDadosSensiveis : public QObject
{
    Q_OBJECT

private slots:
    void masksSecretsKeepsTheRest_data();
    void masksSecretsKeepsTheRest();
};

void TestDadosSensiveis::masksSecretsKeepsTheRest_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("esperado");

    QTest::newRow("key-number password line") << "000-000 = ADM\n375-025 = s3nh@\n999-999 = 0"
                                              << "000-000 = ADM\n375-025 = ****\n999-999 = 0";
    QTest::newRow("JSON password keys") << R"({"adm_senha":"abc\"d","transacao_administracao_senha":"x","loja":"1"})"
                                        << R"({"adm_senha":"****","transacao_administracao_senha":"****","loja":"1"})";
    QTest::newRow("card number keeps first 6 and last 4") << "740-000 = 4111111111111111"
                                                          << "740-000 = 411111******1111";
    QTest::newRow("long number failing the card check stays") << "20261206101500 1234567890123"
                                                              << "20261206101500 1234567890123";
    QTest::newRow("track 2 loses everything after the number") << "trilha ;4111111111111111=25121011234?"
                                                               << "trilha ;411111******1111=****?";
    QTest::newRow("track 1 loses name and the rest") << "%B4111111111111111^SILVA/JOAO^2512101?"
                                                     << "%B411111******1111^****";
    QTest::newRow("card number in groups of blanks") << "cartao 4111 1111 1111 1111 lido"
                                                     << "cartao 4111 11** **** 1111 lido";
    QTest::newRow("card number in groups of dashes") << "PAN=5500-0000-0000-0004;"
                                                     << "PAN=5500-00**-****-0004;";
    QTest::newRow("grouped card number after other groups") << "lote 12 4111 1111 1111 1111"
                                                            << "lote 12 4111 11** **** 1111";
    QTest::newRow("grouped digits failing the card check stay") << "1234 5678 9012 3456 e 000-000 = CRT"
                                                                << "1234 5678 9012 3456 e 000-000 = CRT";
    QTest::newRow("amounts, dates and ids stay") << "003-000 = 1000\n022-000 = 06122026\n001-000 = 123"
                                                 << "003-000 = 1000\n022-000 = 06122026\n001-000 = 123";
}

void TestDadosSensiveis::masksSecretsKeepsTheRest()
{
    QFETCH(QString, texto);
    QFETCH(QString, esperado);
    QCOMPARE(mascararDadosSensiveis(texto), esperado);
}

QTEST_GUILESS_MAIN(TestDadosSensiveis)
#include "tst_DadosSensiveis.moc"
