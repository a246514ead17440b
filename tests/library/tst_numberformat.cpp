#include "NumberFormat.h"

#include <QLocale>
#include <QtTest>

using namespace quillon;

class TestNumberFormat : public QObject {
    Q_OBJECT
private slots:
    void formatsPatterns_data();
    void formatsPatterns();
    void parsesHugeExponents_data();
    void parsesHugeExponents();
};

// Read-back and the most decimals are the fuzzer's; these are the halves, the least decimals,
// grouping, the locale and what lies beyond its range.
void TestNumberFormat::formatsPatterns_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("locale"); // empty: none
    QTest::addColumn<QString>("expected");

    auto row = [](const char *tag, double value, const char16_t *pattern, const char *expected,
                  const char *locale = "") {
        QTest::newRow(tag) << value << QString::fromUtf16(pattern) << QString::fromLatin1(locale)
                           << QString::fromLatin1(expected);
    };
    using namespace patterns;
    row("file abs half", 0.0625, kFileAbsorption, " 0.063");
    row("file abs negative half", -0.0625, kFileAbsorption, " -0.063");
    row("file abs no negative zero", -0.0001, kFileAbsorption, " 0.000");
    row("file ins 2.25", 2.25, kFileInsulation, " 2.3");
    row("file ins carry", 99.95, kFileInsulation, " 100.0");
    // 0.1235f lies just below the half; its shortest form does not.
    row("float shortest form", double(0.1235f), kEditor, "0.124");
    row("table 12.3456", 12.3456, kTableTrue, "12.346");
    row("ins 45", 45.0, kTableInsulation, "45.0");
    row("ins 45.256", 45.256, kTableInsulation, "45.26");
    row("editor 0.1", 0.1, kEditor, "0.1");
    row("editor 0.12345", 0.12345, kEditor, "0.123");
    row("grouping", 10000000.0, kRegionalThousands, "10,000,000");
    row("grouping short", 999.0, kRegionalThousands, "999");
    row("regional decimals", 13.456, kRegionalDecimals, "13.456");
    row("grouping de_DE", 10000000.0, kRegionalThousands, "10.000.000", "de_DE");
    row("regional decimals de_DE", 13.456, kRegionalDecimals, "13,456", "de_DE");
    row("float max", std::numeric_limits<float>::max(), kFileAbsorption,
        " 340282350000000000000000000000000000000.000");
}

void TestNumberFormat::formatsPatterns()
{
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, locale);
    // Files and tables format without a locale; only the regional check uses one.
    QTEST(locale.isEmpty() ? formatNumber(value, pattern)
                           : formatNumber(value, pattern, QLocale(locale)),
          "expected");
}

// Exponents far longer than any the fuzzer tries; the rest of the reading it compares with strtod.
void TestNumberFormat::parsesHugeExponents_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("exponent with leading zeros") << "1e0000000000001" << 10.0;
    QTest::newRow("negative exponent with leading zeros") << "-5e-0000000000001" << -0.5;
    QTest::newRow("too large") << "1e999" << qInf();
    QTest::newRow("huge exponent, tiny mantissa") << "0.0001e99999999999999999999x" << qInf();
    QTest::newRow("huge negative exponent") << "7e-99999999999999999999" << 0.0;
}

void TestNumberFormat::parsesHugeExponents()
{
    QFETCH(QString, text);
    QTEST(parseLeadingNumber(QStringView(text)), "expected");
}

QTEST_APPLESS_MAIN(TestNumberFormat)
#include "tst_numberformat.moc"
