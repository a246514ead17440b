#include "NumberFormat.h"

#include <QLocale>
#include <QtTest>

using namespace quillon;

class TestNumberFormat : public QObject {
    Q_OBJECT
private slots:
    void formatsPatterns_data();
    void formatsPatterns();
    void parsesLeadingNumbers_data();
    void parsesLeadingNumbers();
    void formatsUnderLocale_data();
    void formatsUnderLocale();
    void refusesValuesOutsideFloat();
};

void TestNumberFormat::formatsPatterns_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");

    QTest::newRow("file abs 0.36") << 0.36 << " #0.000" << " 0.360";
    QTest::newRow("file abs 1.5") << 1.5 << " #0.000" << " 1.500";
    QTest::newRow("file abs half up") << 0.0625 << " #0.000" << " 0.063";
    QTest::newRow("file abs negative") << -0.05 << " #0.000" << " -0.050";
    QTest::newRow("file abs negative half") << -0.0625 << " #0.000" << " -0.063";
    QTest::newRow("file abs tiny negative") << -0.0001 << " #0.000" << " 0.000";
    QTest::newRow("file abs large") << 12345.6789 << " #0.000" << " 12345.679";
    QTest::newRow("file ins 35") << 35.0 << " ###0.0" << " 35.0";
    QTest::newRow("file ins 2.25") << 2.25 << " ###0.0" << " 2.3";
    QTest::newRow("file ins 35.25") << 35.25 << " ###0.0" << " 35.3";
    QTest::newRow("file ins 99.95") << 99.95 << " ###0.0" << " 100.0";
    QTest::newRow("float shortest 0.1235f") << double(0.1235f) << "##0.0##" << "0.124";
    QTest::newRow("float 0.05f") << double(0.05f) << "#0.000" << "0.050";
    QTest::newRow("table 0.5") << 0.5 << "#0.000" << "0.500";
    QTest::newRow("table 12.3456") << 12.3456 << "#0.000" << "12.346";
    QTest::newRow("sabine 1.447201") << 1.447201 << "##0.000" << "1.447";
    QTest::newRow("ins 45") << 45.0 << "##0.0#" << "45.0";
    QTest::newRow("ins 45.25") << 45.25 << "##0.0#" << "45.25";
    QTest::newRow("ins 45.256") << 45.256 << "##0.0#" << "45.26";
    QTest::newRow("ins 48.75f") << double(48.75f) << "##0.0#" << "48.75";
    QTest::newRow("editor 0.1") << 0.1 << "##0.0##" << "0.1";
    QTest::newRow("editor 0.12") << 0.12 << "##0.0##" << "0.12";
    QTest::newRow("editor 1") << 1.0 << "##0.0##" << "1.0";
    QTest::newRow("editor 0.12345") << 0.12345 << "##0.0##" << "0.123";
    QTest::newRow("editor 0.9999") << 0.9999 << "##0.0##" << "1.0";
    QTest::newRow("editor negative") << -2.5 << "##0.0##" << "-2.5";
    QTest::newRow("grouping") << 10000000.0 << "###,###,###" << "10,000,000";
    QTest::newRow("grouping short") << 999.0 << "###,###,###" << "999";
    QTest::newRow("grouping 1000") << 1000.0 << "###,###,###" << "1,000";
    QTest::newRow("regional decimals") << 13.456 << "###.#####" << "13.456";
    QTest::newRow("huge") << 1e20 << "#0.000" << "100000000000000000000.000";
    QTest::newRow("float max")
        << double(std::numeric_limits<float>::max()) << " #0.000"
        << " 340282350000000000000000000000000000000.000";
}

void TestNumberFormat::formatsPatterns()
{
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(formatNumber(value, pattern), expected);
}

void TestNumberFormat::parsesLeadingNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("plain") << "0.35" << 0.35;
    QTest::newRow("leading blanks") << "  \t\n0.35" << 0.35;
    QTest::newRow("blanks inside") << "1 2.5" << 12.5;
    QTest::newRow("group remainder") << "0.9 1.0" << 0.91;
    QTest::newRow("comma ends") << "0,5" << 0.0;
    QTest::newRow("comma after") << "12,5" << 12.0;
    QTest::newRow("minus") << "-0.05" << -0.05;
    QTest::newRow("plus") << "+3" << 3.0;
    QTest::newRow("sign then blank") << "- 3" << -3.0;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("exponent") << "1.5e2" << 150.0;
    QTest::newRow("exponent upper negative") << "15E-1x" << 1.5;
    QTest::newRow("exponent without digits") << "2e" << 2.0;
    QTest::newRow("exponent sign without digits") << "2e+" << 2.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("lone sign") << "-" << 0.0;
    QTest::newRow("lone point") << "." << 0.0;
    QTest::newRow("trailing text") << "45dB" << 45.0;
    QTest::newRow("second point ends") << "1.2.3" << 1.2;
    QTest::newRow("underflow") << "1e-999" << 0.0;
    QTest::newRow("exponent with leading zeros") << "1e0000000000001" << 10.0;
    QTest::newRow("signed exponent with leading zeros") << " 4e+00000000000002" << 400.0;
    QTest::newRow("negative exponent with leading zeros") << "5e-0000000000001" << 0.5;
    QTest::newRow("huge exponent, tiny mantissa") << "0.0001e99999999999999999999x" << qInf();
    QTest::newRow("huge negative exponent") << "7e-99999999999999999999" << 0.0;
    QTest::newRow("non-ascii ends") << QString::fromUtf8("4\u00b05") << 4.0;
}

void TestNumberFormat::parsesLeadingNumbers()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(parseLeadingNumber(QStringView(text)), expected);
    const QByteArray latin = text.toLatin1();
    QCOMPARE(parseLeadingNumber(QByteArrayView(latin)), expected);
}

void TestNumberFormat::formatsUnderLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("thousands");
    QTest::addColumn<QString>("decimals");
    QTest::newRow("C") << "C" << "10,000,000" << "13.456";
    QTest::newRow("en_US") << "en_US" << "10,000,000" << "13.456";
    QTest::newRow("de_DE") << "de_DE" << "10.000.000" << "13,456";
}

void TestNumberFormat::formatsUnderLocale()
{
    QFETCH(QString, locale);
    QFETCH(QString, thousands);
    QFETCH(QString, decimals);
    const QLocale l(locale);
    QCOMPARE(formatNumber(10000000, patterns::kRegionalThousands, l), thousands);
    QCOMPARE(formatNumber(13.456, patterns::kRegionalDecimals, l), decimals);
}

void TestNumberFormat::refusesValuesOutsideFloat()
{
    QVERIFY(std::isinf(parseLeadingNumber(QStringView(u"1e999"))));
    QVERIFY(std::isinf(parseLeadingNumber(QStringView(u"-1e999"))));
    QVERIFY(!toStoredFloat(parseLeadingNumber(QStringView(u"1e999"))));
    QVERIFY(!toStoredFloat(1e39));
    QVERIFY(!toStoredFloat(std::nan("")));
    QCOMPARE(*toStoredFloat(0.1), 0.1f);
}

QTEST_APPLESS_MAIN(TestNumberFormat)
#include "tst_numberformat.moc"
