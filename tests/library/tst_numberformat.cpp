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

    auto row = [](const char *tag, double value, const char *pattern, const char *expected) {
        QTest::newRow(tag) << value << QString::fromLatin1(pattern)
                           << QString::fromLatin1(expected);
    };
    row("file abs half", 0.0625, " #0.000", " 0.063");
    row("file abs negative half", -0.0625, " #0.000", " -0.063");
    row("file abs no negative zero", -0.0001, " #0.000", " 0.000");
    row("file ins 2.25", 2.25, " ###0.0", " 2.3");
    row("file ins carry", 99.95, " ###0.0", " 100.0");
    // 0.1235f lies just below the half; its shortest form does not.
    row("float shortest form", double(0.1235f), "##0.0##", "0.124");
    row("table 12.3456", 12.3456, "#0.000", "12.346");
    row("ins 45", 45.0, "##0.0#", "45.0");
    row("ins 45.256", 45.256, "##0.0#", "45.26");
    row("editor 0.1", 0.1, "##0.0##", "0.1");
    row("editor 0.12345", 0.12345, "##0.0##", "0.123");
    row("grouping", 10000000.0, "###,###,###", "10,000,000");
    row("grouping short", 999.0, "###,###,###", "999");
    row("regional decimals", 13.456, "###.#####", "13.456");
    row("float max", std::numeric_limits<float>::max(), " #0.000",
        " 340282350000000000000000000000000000000.000");
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

    QTest::newRow("leading blanks") << "  \t\n0.35" << 0.35;
    QTest::newRow("blanks inside") << "1 2.5" << 12.5;
    QTest::newRow("comma ends") << "0,5" << 0.0;
    QTest::newRow("sign then blank") << "+ 3" << 3.0;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("exponent upper negative") << "15E-1x" << 1.5;
    QTest::newRow("exponent without digits") << "2e+" << 2.0;
    QTest::newRow("lone sign") << "-" << 0.0;
    QTest::newRow("second point ends") << "1.2.3" << 1.2;
    QTest::newRow("non-ascii ends") << QString::fromUtf8("4\u00b05") << 4.0;
    QTest::newRow("exponent with leading zeros") << "1e0000000000001" << 10.0;
    QTest::newRow("negative exponent with leading zeros") << "-5e-0000000000001" << -0.5;
    QTest::newRow("too large") << "1e999" << qInf();
    QTest::newRow("huge exponent, tiny mantissa") << "0.0001e99999999999999999999x" << qInf();
    QTest::newRow("huge negative exponent") << "7e-99999999999999999999" << 0.0;
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
    QTest::addColumn<QString>("thousands");
    QTest::addColumn<QString>("decimals");
    QTest::newRow("C") << QStringLiteral("10,000,000") << QStringLiteral("13.456");
    QTest::newRow("de_DE") << QStringLiteral("10.000.000") << QStringLiteral("13,456");
}

void TestNumberFormat::formatsUnderLocale()
{
    const QLocale locale(QString::fromLatin1(QTest::currentDataTag()));
    QTEST(formatNumber(10000000, patterns::kRegionalThousands, locale), "thousands");
    QTEST(formatNumber(13.456, patterns::kRegionalDecimals, locale), "decimals");
}

void TestNumberFormat::refusesValuesOutsideFloat()
{
    QVERIFY(!toStoredFloat(parseLeadingNumber(QStringView(u"1e999"))));
    QVERIFY(!toStoredFloat(1e39));
    QCOMPARE(*toStoredFloat(0.1), 0.1f);
}

QTEST_APPLESS_MAIN(TestNumberFormat)
#include "tst_numberformat.moc"
