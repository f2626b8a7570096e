#include "receipts/TabelasCartao.h"

#include <QtTest>

// Brand and network names -> the codes written in responses.
class TestTabelasCartao : public QObject
{
    Q_OBJECT

private slots:
    void tablesHoldEveryName()
    {
        QCOMPARE(quantidadeBandeiras(), 210);
        QCOMPARE(quantidadeRedes(), 64);
    }

    void brandCode_data()
    {
        QTest::addColumn<QString>("nome");
        QTest::addColumn<QString>("codigo");

        QTest::newRow("Visa") << "Visa"
                              << "00001";
        QTest::newRow("Mastercard") << "Mastercard"
                                    << "00002";
        QTest::newRow("Diners") << "Diners"
                                << "00003";
        QTest::newRow("Amex") << "Amex"
                              << "00004";
        QTest::newRow("two-name private label") << "Private label Private label mcw"
                                                << "00007";
        QTest::newRow("Jcb") << "Jcb"
                             << "00011";
        QTest::newRow("Hipercard") << "Hipercard"
                                   << "00012";
        QTest::newRow("Aura") << "Aura"
                              << "00013";
        QTest::newRow("Losango Mais") << "Losango Mais"
                                      << "00014";
        QTest::newRow("Sorocred") << "Sorocred"
                                  << "00015";
        QTest::newRow("listed without code") << "Elo"
                                             << "00000";
        QTest::newRow("accented name listed") << QString::fromUtf8("Visa vale refeição") << "00000";
        QTest::newRow("two-name key listed") << "Mastercard Maxxcard"
                                             << "00000";
        QTest::newRow("part of a two-name key is not listed") << "Maxxcard"
                                                              << "000000";
        QTest::newRow("first and last of the list") << "Vscard"
                                                    << "00000";
        QTest::newRow("Abc_cartoes") << "Abc_cartoes"
                                     << "00000";
        QTest::newRow("capitals are another name") << "VISA"
                                                   << "000000";
        QTest::newRow("leading blank is another name") << " Visa"
                                                       << "000000";
        QTest::newRow("unlisted") << "Nova bandeira"
                                  << "000000";
        QTest::newRow("empty") << ""
                               << "000000";
    }

    void brandCode()
    {
        QFETCH(QString, nome);
        QFETCH(QString, codigo);
        QCOMPARE(codigoBandeira(nome), codigo);
    }

    void networkCode_data()
    {
        QTest::addColumn<QString>("nome");
        QTest::addColumn<QString>("codigo");

        QTest::newRow("Cielo") << "Cielo"
                               << "125";
        QTest::newRow("Tecban") << "Tecban"
                                << "1";
        QTest::newRow("Adiq") << "Adiq"
                              << "309";
        QTest::newRow("two-name key") << "Sorocred Stone"
                                      << "47";
        QTest::newRow("second name alone") << "Stone"
                                           << "0";
        QTest::newRow("first name alone") << "Sorocred"
                                          << "0";
        QTest::newRow("Portalcard Redecard") << "Portalcard Redecard"
                                             << "78";
        QTest::newRow("Credishop Dacasacard") << "Credishop Dacasacard"
                                              << "113";
        QTest::newRow("Dotz Edenred") << "Dotz Edenred"
                                      << "224";
        QTest::newRow("Tendencia Trendcard") << "Tendencia Trendcard"
                                             << "305";
        QTest::newRow("listed without code") << "Santander"
                                             << "0";
        QTest::newRow("capitals") << "CIELO"
                                  << "0";
        QTest::newRow("trailing blank") << "Cielo "
                                        << "0";
    }

    void networkCode()
    {
        QFETCH(QString, nome);
        QFETCH(QString, codigo);
        QCOMPARE(codigoRede(nome), codigo);
    }
};

QTEST_GUILESS_MAIN(TestTabelasCartao)
#include "tst_TabelasCartao.moc"
