#include "BandSets.h"
#include "PyroomDatabase.h"

#include <QtTest>

using namespace quillon;

class TestBandSets : public QObject {
    Q_OBJECT
private slots:
    void bandSet_data();
    void bandSet();
    void header_data();
    void header();
    void octaves_data();
    void octaves();
    void database_data();
    void database();
};

namespace {

const QString kThirds100To5k =
    u"100;125;160;200;250;315;400;500;630;800;1000;1250;1600;2000;2500;3150;4000;5000"_qs;

QByteArray entry(const QByteArray &key, const QByteArray &description, const QByteArray &coeffs)
{
    return '"' + key + "\": {\"description\": \"" + description + "\", \"coeffs\": [" + coeffs +
           "]}";
}

} // namespace

void TestBandSets::bandSet_data()
{
    QTest::addColumn<QString>("frequencies"); // separated by ";"
    QTest::addColumn<QString>("expected");    // spacing and first and last third, or the problem
    const auto row = [](const QString &list, const QString &expected) {
        QTest::newRow(qPrintable(list)) << list << expected;
    };
    const std::vector<std::pair<const char *, int>> spellings = {
        {"125", 8},  {"125 Hz", 8}, {"1k", 17},       {"1 kHz", 17}, {"1000", 17}, {"31,5", 2},
        {"31.5", 2}, {"62.5", 5},   {" 16 KHZ ", 29}, {"1.25k", 18}, {"20", 0},    {"20000", 30}};
    for (const auto &[text, third] : spellings)
        row(QString::fromUtf8(text),
            QStringLiteral("%1 %2..%2").arg(third % 3 == 2 ? u"octaves" : u"thirds").arg(third));
    for (const char *text : {"45", "19", "25000", "Hz", "1.2.5", "-125", "NRC"})
        row(QString::fromUtf8(text),
            QStringLiteral("\"%1\" is not a nominal band frequency (20 Hz to 20 kHz)").arg(text));
    row(kThirds100To5k, u"thirds 7..24"_qs);
    row(u"125;250;500;1k;2k;4k"_qs, u"octaves 8..23"_qs);
    row(u"4000;2000;1000"_qs, u"octaves 23..17"_qs);
    row(u"125;250;125"_qs, u"125 Hz is given twice"_qs);
    row(u"125;250;1000"_qs, u"\"1000\" breaks the spacing of the bands before it"_qs);
    row(u"125;200"_qs, u"\"200\" is neither a third nor an octave from \"125\""_qs);
    row(u"40;80;160"_qs, u"\"40\" is not an octave band centre"_qs);
}

void TestBandSets::bandSet()
{
    QFETCH(QString, frequencies);
    const BandSet set = recogniseBandSet(frequencies.split(u';'));
    const auto spacing = set.spacing == BandSpacing::Thirds ? u"thirds %1..%2" : u"octaves %1..%2";
    const QString found =
        set.problem.isEmpty()
            ? QStringView(spacing).toString().arg(set.thirds.front()).arg(set.thirds.back())
            : set.problem;
    QTEST(found, "expected");
}

void TestBandSets::header_data()
{
    QTest::addColumn<QString>("cells");
    QTest::addColumn<QString>("expected"); // leading cells|band columns|skipped, "!" refused
    const auto row = [](const char *tag, const char *cells, const char *expected) {
        QTest::newRow(tag) << QString::fromUtf8(cells) << QString::fromUtf8(expected);
    };
    // Too few bands even with a unit; values that happen to be frequencies, not six in a row.
    for (const char *values : {"Hz\t125\t250", "40\t50\t63", "40\t50\t63\t100\t125\t160"})
        row(values, values, "");
    row("six consecutive", "100\t125\t160\t200\t250\t315\t\t", "0|0 1 2 3 4 5|");
    row("label, names, ratings", "Material\tFrequency (Hz)\t125\t250\t500\tNRC\t\xce\xb1w\t\tClass",
        "2|2 3 4|NRC \xce\xb1w Class");
    row("unit in a band", "125 Hz\t250\t500", "0|0 1 2|");
    row("kilo", "1k\t2k\t4k", "0|0 1 2|");
    row("unit, spacing broken", "Hz\t125\t250\t1000", "1|1 2 3|!");
}

void TestBandSets::header()
{
    QFETCH(QString, cells);
    const std::optional<BandHeader> header = readBandHeader(cells.split(u'\t'));
    QString found;
    for (const int c : header ? header->bandColumns : std::vector<int>())
        found += QString::number(c) + u' ';
    if (header)
        found = QStringLiteral("%1|%2|%3%4")
                    .arg(header->leadingCells)
                    .arg(found.trimmed(), header->skippedNames.join(u' '),
                         header->bands.problem.isEmpty() ? u"" : u"!");
    QTEST(found, "expected");
}

void TestBandSets::octaves_data()
{
    QTest::addColumn<QString>("frequencies");
    QTest::addColumn<QString>("values"); // "-": no value
    QTest::addColumn<BandMean>("mean");
    QTest::addColumn<QString>("octaves"); // 31.5 Hz to 16 kHz after the fill
    QTest::addColumn<QString>("report");  // after "1 material of "
    const auto row = [](const char *tag, const QString &frequencies, const char *values,
                        BandMean mean, const char *octaves, const char *report) {
        QTest::newRow(tag) << frequencies << QString::fromUtf8(values) << mean
                           << QString::fromUtf8(octaves) << QString::fromUtf8(report);
    };
    row("insulation energy mean", u"400;500;630"_qs, "30 40 50", BandMean::Energy,
        "34.3 34.3 34.3 34.3 34.3 34.3 34.3 34.3 34.3 34.3",
        "one-third-octave data, 400 Hz to 630 Hz: octave 500 Hz is a mean of three bands; 31.5, "
        "63, 125 and 250 Hz and 1, 2, 4, 8 and 16 kHz filled from the nearest octave for 1 "
        "material");
    row("absorption mean, edges filled", u"25;31.5;40;50;63;80;100;125"_qs,
        "0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8", BandMean::Arithmetic,
        "0.2 0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5",
        "one-third-octave data, 25 Hz to 125 Hz: octaves 31.5 Hz to 63 Hz are means of three "
        "bands; 125, 250 and 500 Hz and 1, 2, 4, 8 and 16 kHz filled from the nearest octave for 1 "
        "material");
    row("fewer than three thirds", u"12500;16000"_qs, "0.7 0.8", BandMean::Arithmetic,
        "0 0 0 0 0 0 0 0 0 0",
        "one-third-octave data, 12.5 kHz to 16 kHz: no octave has all three of its bands");
    row("octaves direct, gap from below", u"4000;2000;1000;500;250;125"_qs, "0.6 0.5 0.4 - 0.2 0.1",
        BandMean::Arithmetic, "0.1 0.1 0.1 0.2 0.2 0.4 0.5 0.6 0.6 0.6",
        "octave data, 125 Hz to 4 kHz: 31.5, 63 and 500 Hz and 8 and 16 kHz filled from the "
        "nearest octave for 1 material");
}

void TestBandSets::octaves()
{
    QFETCH(QString, frequencies);
    QFETCH(QString, values);
    QFETCH(BandMean, mean);
    QFETCH(QString, report);
    std::vector<double> given;
    for (const QString &v : values.split(u' '))
        given.push_back(v == u"-" ? qQNaN() : v.toDouble());
    const BandSet set = recogniseBandSet(frequencies.split(u';'));
    OctaveValues result = toOctaves(set, given, mean);
    fillUncovered(result);
    QStringList found;
    for (int b = 1; b <= kBandCount; ++b)
        found << QString::number(result.values[size_t(b)], 'g', 3);
    QTEST(found.join(u' '), "octaves");
    QCOMPARE(describeBands(set, 1, result.filled, 1), u"1 material of "_qs + report);
}

void TestBandSets::database_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("expected"); // names, notes and problems, one a line
    const QByteArray freqs = "{\"center_freqs\": [125, 250, 500, 1000, 2000, 4000, 8000], ";
    QTest::newRow("file order, short entries, shortened, unique, scattering")
        << freqs + "\"absorption\": {\"Walls\": {" +
               entry("z",
                     "Plaster on lath, rough finish, over studs and a fibreglass cavity fill of "
                     "fifty mm",
                     "1,1,1,1,1,1,1") +
               ", " + entry("a", "Carpet", "0.1,0.2,0.3,0.4,0.5,0.6") + "}, \"Floors\": {" +
               entry("c", "Carpet", "0.2,0.2,0.2,0.2,0.2") + ", " +
               entry("x", "", "1,2,3,4,5,6,7,8") + "}}, \"scattering\": {\"Diffusers\": {" +
               entry("d", "RPG", "0.1") + "}}}"
        << u"Plaster on lath, rough finish, over studs and a fibreglass cavity 1..1\nCarpet 0.1..0.6\nCarpet (2) 0.2..0.2\n3 materials of octave data, 125 Hz to 8 kHz: 31.5 and 63 Hz and 4, 8 and 16 kHz filled from the nearest octave for 3 materials\n1 name shortened to 65 characters on a word boundary\n1 name numbered to stay unique\n1 scattering entry not imported: the library holds scattering only beside absorption and insulation\nabsorption/Floors/x: \"coeffs\" is not a list of 1 to 7 numbers"_qs;
    QTest::newRow("off the grid")
        << QByteArray("{\"center_freqs\": [125, 45], \"absorption\": {}}")
        << u"center_freqs: \"45\" is not a nominal band frequency (20 Hz to 20 kHz)"_qs;
    QTest::newRow("not JSON") << QByteArray("{\"center_freqs\": [")
                              << u"not JSON: unterminated array"_qs;
    QByteArray many = freqs + "\"absorption\": {\"All\": {";
    for (int i = 0; i < 1001 + 25; ++i)
        many += (i ? ", " : "") + entry(QByteArray::number(i), "M", i < 1001 ? "0.5" : "\"a\"");
    QStringList expected(u"M 0.5..0.5"_qs);
    for (int i = 2; i <= 999; ++i)
        expected << QStringLiteral("M (%1) 0.5..0.5").arg(i);
    expected
        << u"999 materials of octave data, 125 Hz: 31.5, 63, 250 and 500 Hz and 1, 2, 4, 8 and 16 kHz filled from the nearest octave for 999 materials"_qs
        << u"998 names numbered to stay unique"_qs
        << u"more than 999 materials: the rest are not read"_qs;
    for (int i = 1001; i < 1001 + 19; ++i)
        expected << QStringLiteral("absorption/All/%1: \"coeffs\" is not a list of 1 to 7 numbers")
                        .arg(i);
    expected << u"6 more problems"_qs;
    QTest::newRow("capped") << many + "}}}" << expected.join(u'\n');
    MaterialLibrary library;
    library.materialCount = 3;
    library.materialNames[1] = "Brick";
    library.materialNames[2] = "Curtain \"velour\" \xe9";
    for (size_t b = 1; b <= kBandCount; ++b)
        library.alphaR[1][b] = library.scattering[1][b] = library.alphaR[2][b] = 0.01f * float(b);
    library.hasAlpha[1] = library.hasAlpha[2] = library.hasScattering[1] = true;
    library.hasInsulation[3] = true;
    QTest::newRow("written")
        << writePyroomDatabase(library)
        << u"Brick 0.01..0.1\nCurtain \"velour\" \u00e9 0.01..0.1\n2 materials of octave data, 31.5 Hz to 16 kHz\n1 scattering entry not imported: the library holds scattering only beside absorption and insulation"_qs;
}

void TestBandSets::database()
{
    QFETCH(QByteArray, json);
    const DatabaseRead read = readPyroomDatabase(json);
    QStringList found;
    for (const DatabaseMaterial &m : read.materials)
        found << QStringLiteral("%1 %2..%3").arg(QString::fromLatin1(m.name)).arg(m.absorption[1])
                     .arg(m.absorption[kBandCount]);
    found << read.notes << read.problems;
    QTEST(found.join(u'\n'), "expected");
}

QTEST_APPLESS_MAIN(TestBandSets)
#include "tst_bandsets.moc"
