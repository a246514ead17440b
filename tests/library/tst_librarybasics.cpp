#include "AbsorptionConversions.h"
#include "Cp1252.h"
#include "NumberFormat.h"
#include "QuantityTraits.h"
#include "TextScanner.h"

#include <QLocale>
#include <QtTest>

using namespace quillon;

class TestLibraryBasics : public QObject {
    Q_OBJECT
private slots:
    void formatsPatterns_data();
    void formatsPatterns();
    void parsesNumbers_data();
    void parsesNumbers();
    void scansText_data();
    void scansText();
    void codePage_data();
    void codePage();
    void quantityTabs_data();
    void quantityTabs();
};

// Read-back and the most decimals are the fuzzer's; these are the halves, the least decimals,
// grouping, the locale and what lies beyond its range.
void TestLibraryBasics::formatsPatterns_data()
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
    row("file ins carry", 99.95, kFileInsulation, " 100.0");
    // 0.1235f lies just below the half; its shortest form does not.
    row("float shortest form", double(0.1235f), kEditor, "0.124");
    row("ins 45.256", 45.256, kTableInsulation, "45.26");
    row("editor 0.1", 0.1, kEditor, "0.1");
    row("grouping de_DE", 10000000.0, kRegionalThousands, "10.000.000", "de_DE");
    row("regional decimals de_DE", 13.456, kRegionalDecimals, "13,456", "de_DE");
    row("float max", std::numeric_limits<float>::max(), kFileAbsorption,
        " 340282350000000000000000000000000000000.000");
}

void TestLibraryBasics::formatsPatterns()
{
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, locale);
    // Files and tables format without a locale; only the regional check uses one.
    QTEST(locale.isEmpty() ? formatNumber(value, pattern)
                           : formatNumber(value, pattern, QLocale(locale)),
          "expected");
}

// Exponents far longer than any the fuzzer tries, and a leading plus.
void TestLibraryBasics::parsesNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("plus") << "+0.500" << 0.5;
    QTest::newRow("exponent with leading zeros") << "1e0000000000001" << 10.0;
    QTest::newRow("huge exponent, tiny mantissa") << "0.0001e99999999999999999999x" << qInf();
    QTest::newRow("huge negative exponent") << "7e-99999999999999999999" << 0.0;
}

void TestLibraryBasics::parsesNumbers()
{
    QFETCH(QString, text);
    QTEST(parseLeadingNumber(QStringView(text)), "expected");
    QTEST(parseLeadingNumber(QByteArrayView(text.toLatin1())), "expected");
}

// Lines of a library file ("file"), and cells as the CSV import ("strict") and the paste
// ("whole") read them, joined with "|".
void TestLibraryBasics::scansText_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("read"); // cells: rows end with "/", a fault with "!"
    QTest::newRow("file lines") << "file" << "a\rb\r\nc\nd" << "a|b|c\nd";
    QTest::newRow("file lines by LF") << "file" << "a\nb\n" << "a|b";
    QTest::newRow("strict") << "strict" << "a,\"b,\"\"c\"\"\"\r\n\"d\ne\"" << "a|b,\"c\"/d\ne/";
    QTest::newRow("unclosed") << "strict" << "a,\"b" << "a|!";
    QTest::newRow("text after quote") << "strict" << "\"a\"b,c" << "!";
    QTest::newRow("whole quoted") << "whole" << "\"a\"\"b\"\t\"c\td\"\r\"e\"" << "a\"b|c\td/\"e\"/";
    QTest::newRow("whole open") << "whole" << "\"a\" b\t\"c" << "\"a\" b|\"c/";
}

void TestLibraryBasics::scansText()
{
    QFETCH(QString, how);
    QFETCH(QString, text);
    QStringList read;
    if (how == u"file") {
        LineScanner lines(QStringView(text), LineEnds::LibraryFile);
        for (ScannedLine<QStringView> line; lines.next(line);)
            read += line.text.toString();
    } else {
        CellScanner cells(QStringView(text), how == u"strict" ? u',' : u'\t',
                          how == u"strict" ? Quotes::Strict : Quotes::WholeCell);
        for (QString cell; cells.next(cell);)
            read += cell + (cells.rowEnded() ? u"/"_qs : QString());
        if (cells.fault() != CellFault::None)
            read += u"!"_qs;
    }
    QTEST(read.join(u'|').replace(u"/|"_qs, u"/"_qs), "read");
}

void TestLibraryBasics::codePage_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("lossy"); // the text does not fit: bytes is its encoding only
    QTest::newRow("high half") << QByteArray("\x80\x9f\xa0\xe9\xff") << u"€Ÿ\u00a0éÿ"_qs << false;
    QTest::newRow("undefined bytes kept") << QByteArray("\x81\x8d\x9d") << u"\u0081\u008d\u009d"_qs
                                          << false;
    QTest::newRow("beyond") << QByteArray("a??") << u"a\u0101\U0001F50A"_qs << true;
}

void TestLibraryBasics::codePage()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, lossy);
    bool lost = !lossy;
    QCOMPARE(encodeCp1252(text, &lost), bytes);
    QCOMPARE(lost, lossy);
    if (!lossy)
        QCOMPARE(decodeCp1252(bytes), text);
}

// One material with "True" 0.7466777 (Sabine 1), insulation 40 and scattering 0.3 in every band,
// marked with the given groups; a value stored at band 2, then bands 1 and 2 as the tab shows
// them.
void TestLibraryBasics::quantityTabs_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("groups");
    QTest::addColumn<double>("stored"); // NaN: nothing stored
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("groupsAfter");
    const double none = qQNaN();
    QTest::newRow("True") << 1 << 1 << none << "0.747|0.747" << 1;
    QTest::newRow("Sabine") << 2 << 1 << none << "1.000|1.000" << 1;
    QTest::newRow("Sabine below the limit") << 2 << 1 << -0.7 << "1.000|1.000" << 1;
    QTest::newRow("insulation not marked") << 3 << 1 << none << "|" << 1;
    QTest::newRow("insulation stored") << 3 << 1 << 45.0 << "40.0|45.0" << 3;
    QTest::newRow("scattering default") << 4 << 3 << none << "0.1|0.1" << 3;
    QTest::newRow("default kept in the others") << 4 << 1 << 0.5 << "0.1|0.5" << 7;
}

void TestLibraryBasics::quantityTabs()
{
    QFETCH(int, tab);
    QFETCH(int, groups);
    QFETCH(double, stored);
    static MaterialLibrary library;
    library.alphaR[1].fill(0.7466777f);
    library.insulationR[1].fill(40.0f);
    library.scattering[1].fill(0.3f);
    setValueGroups(library, 1, std::uint8_t(groups));
    const auto quantity = Quantity(tab);
    if (const auto value = storableValue(quantity, stored))
        storeBandValue(library, 1, 2, quantity, *value);
    QTEST(shownText(library, 1, 1, quantity) + u'|' + shownText(library, 1, 2, quantity), "shown");
    QTEST(int(valueGroups(library, 1)), "groupsAfter");
}

QTEST_APPLESS_MAIN(TestLibraryBasics)
#include "tst_librarybasics.moc"
