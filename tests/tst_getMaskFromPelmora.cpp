#include "util/getMaskFromPelmora.h"

#include <QtTest>

// The input mask for a typed value, from the library's type and date format.
class TestGetMaskFromPelmora : public QObject
{
    Q_OBJECT

private slots:
    void mascara_data();
    void mascara();
};

void TestGetMaskFromPelmora::mascara_data()
{
    QTest::addColumn<QJsonObject>("tef");
    QTest::addColumn<QString>("mascara");
    const auto tef = [](const char *tipo, const char *mascara) {
        QJsonObject o;
        if (tipo)
            o.insert(QStringLiteral("automacao_coleta_tipo"), QString::fromUtf8(tipo));
        if (mascara)
            o.insert(QStringLiteral("automacao_coleta_mascara"), QString::fromUtf8(mascara));
        return o;
    };
    QTest::newRow("date type without a format is a short date") << tef("D", nullptr) << "99/99/99;_";
    QTest::newRow("month and year") << tef("D", "MM/yy") << "99/99;_";
    QTest::newRow("short date") << tef("D", "dd/MM/yy") << "99/99/99;_";
    QTest::newRow("long date") << tef("D", "dd/MM/yyyy") << "99/99/9999;_";
    QTest::newRow("any type with a known format") << tef("N", "dd/MM/yyyy") << "99/99/9999;_";
    QTest::newRow("a format without a type gives nothing") << tef(nullptr, "dd/MM/yy") << "";
    QTest::newRow("an empty type gives nothing") << tef("", "dd/MM/yy") << "";
    QTest::newRow("a format in upper case gives nothing") << tef("D", "DD/MM/YY") << "";
    QTest::newRow("an unknown format gives nothing") << tef("D", "yyyy-MM-dd") << "";
    QTest::newRow("a number without a format gives nothing") << tef("N", nullptr) << "";
    QTest::newRow("a lower-case date type is not a date") << tef("d", nullptr) << "";
    QTest::newRow("nothing at all") << QJsonObject() << "";
    QTest::newRow("members that are not texts count as empty")
        << QJsonObject{{"automacao_coleta_tipo", 1}, {"automacao_coleta_mascara", "dd/MM/yy"}} << "";
}

void TestGetMaskFromPelmora::mascara()
{
    QFETCH(QJsonObject, tef);
    QTEST(getMaskFromPelmora(tef), "mascara");
}

QTEST_GUILESS_MAIN(TestGetMaskFromPelmora)
#include "tst_getMaskFromPelmora.moc"
