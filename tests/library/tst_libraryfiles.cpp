#include "LibraryFiles.h"
#include "MaterialLibrary.h"

#include <QtTest>
#include <climits>

using namespace quillon;

namespace {

QByteArray nameField(const QByteArray &name)
{
    return name + QByteArray(kNameFieldWidth - name.size(), ' ');
}

// The leading bands as given, the others all `rest`.
QList<float> bands(std::initializer_list<float> leading, float rest = 0.0f)
{
    QList<float> list(leading);
    list.resize(kBandCount, rest);
    return list;
}

QList<float> toList(const BandRow &row)
{
    return QList<float>(row.begin() + 1, row.end());
}

void fill(BandRow &row, const QList<float> &values)
{
    std::copy(values.begin(), values.end(), row.begin() + 1);
}

// Whatever a line does not set must stay as it was.
const QList<float> kOldAlpha = bands({}, 9.0f);
const QList<float> kOldInsulation = bands({}, 99.0f);
const QList<float> kOldScattering = bands({}, 0.9f);

} // namespace

class TestLibraryFiles : public QObject {
    Q_OBJECT
private slots:
    void writesWorkedExampleLine();
    void writesGroupsByFlags_data();
    void writesGroupsByFlags();
    void writesAndRereadsNames_data();
    void writesAndRereadsNames();
    void readsOddLines_data();
    void readsOddLines();
    void splitsFileIntoLines_data();
    void splitsFileIntoLines();
    void readsColorFile_data();
    void readsColorFile();
};

void TestLibraryFiles::writesWorkedExampleLine()
{
    MaterialLibrary library;
    library.materialCount = 3;
    library.materialNames[3] = "Concrete block";
    fill(library.alphaR[3], {0.01f, 0.01f, 0.02f, 0.02f, 0.02f, 0.03f, 0.04f, 0.05f, 0.05f, 0.05f});
    fill(library.insulationR[3], {35, 40, 45, 50, 55, 60, 65, 65, 65, 65});
    fill(library.scattering[3], bands({}, 0.1f));
    library.hasAlpha[3] = library.hasInsulation[3] = library.hasScattering[3] = true;

    const QByteArray expected = "  2  " + nameField("Concrete block") + ",   " +
                                " 0.010 0.010 0.020 0.020 0.020 0.030 0.040 0.050 0.050 0.050," +
                                " 35.0 40.0 45.0 50.0 55.0 60.0 65.0 65.0 65.0 65.0," +
                                QByteArray(" 0.100").repeated(10) + "\r\n";
    QCOMPARE(expected.size(), 246 + 2);
    const QByteArray bare = ",   \r\n";
    const QByteArray written = writeMaterialFile(library);
    QCOMPARE(written, "  0  " + nameField("") + bare + "  1  " + nameField("") + bare + expected);

    MaterialLibrary back;
    readMaterialFile(written, back);
    QCOMPARE(writeMaterialFile(back), written);

    QByteArray last;
    library.materialCount = kMaxMaterials;
    appendMaterialLine(last, library, kMaxMaterials);
    QVERIFY(last.startsWith("998  "));
}

void TestLibraryFiles::writesGroupsByFlags_data()
{
    // The tag tells which of hasAlpha, hasInsulation and hasScattering are set.
    QTest::addColumn<int>("groups");
    QTest::newRow("---") << 0;
    QTest::newRow("a--") << 1;
    QTest::newRow("-i-") << 2;
    QTest::newRow("--s") << 3;
    QTest::newRow("ai-") << 2;
    QTest::newRow("a-s") << 3;
    QTest::newRow("-is") << 3;
    QTest::newRow("ais") << 3;
}

void TestLibraryFiles::writesGroupsByFlags()
{
    QFETCH(int, groups);
    const QByteArray flags = QTest::currentDataTag();

    MaterialLibrary library;
    library.materialCount = 1;
    library.materialNames[1] = "Panel";
    fill(library.alphaR[1], bands({}, 0.25f));
    fill(library.insulationR[1], bands({}, 42.5f));
    fill(library.scattering[1], bands({}, 0.75f));
    library.hasAlpha[1] = flags.contains('a');
    library.hasInsulation[1] = flags.contains('i');
    library.hasScattering[1] = flags.contains('s');

    QByteArray expected = "  0  " + nameField("Panel") + ",   ";
    if (groups >= 1)
        expected += QByteArray(" 0.250").repeated(10);
    if (groups >= 2)
        expected += "," + QByteArray(" 42.5").repeated(10);
    if (groups >= 3)
        expected += "," + QByteArray(" 0.750").repeated(10);
    const QByteArray written = writeMaterialFile(library);
    QCOMPARE(written, expected + "\r\n");

    MaterialLibrary back;
    readMaterialFile(written, back);
    QCOMPARE(back.hasAlpha[1], groups >= 1);
    QCOMPARE(back.hasInsulation[1], groups >= 2);
    QCOMPARE(back.hasScattering[1], groups >= 3);
    QCOMPARE(writeMaterialFile(back), written);
}

void TestLibraryFiles::writesAndRereadsNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QByteArray>("readBack");

    const QByteArray a64(64, 'a');
    const QByteArray a65(65, 'a');
    const QByteArray cp1252 = "\xA0Pl\xE2tre \x80 \x85 caf\xE9 \x9F\xFF\xA0";

    QTest::newRow("outer spaces") << QByteArray("  Glass pane  ") << nameField("  Glass pane  ")
                                  << QByteArray("Glass pane");
    QTest::newRow("cut at 65") << a65 + "bcdef" << a65 << a65;
    QTest::newRow("cut before a space") << a64 + " tail" << a64 + " " << a64;
    QTest::newRow("commas") << QByteArray("Brick, painted,") << nameField("Brick; painted;")
                            << QByteArray("Brick; painted;");
    QTest::newRow("carriage return")
        << QByteArray("Wall\rpanel") << nameField("Wall panel") << QByteArray("Wall panel");
    QTest::newRow("bytes from 0x80") << cp1252 << nameField(cp1252) << cp1252;
}

void TestLibraryFiles::writesAndRereadsNames()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, field);
    QFETCH(QByteArray, readBack);

    MaterialLibrary library;
    library.materialCount = 1;
    library.materialNames[1] = name;
    fill(library.alphaR[1], bands({}, 0.5f));
    library.hasAlpha[1] = true;

    const QByteArray written = writeMaterialFile(library);
    QCOMPARE(written, "  0  " + field + ",   " + QByteArray(" 0.500").repeated(10) + "\r\n");

    MaterialLibrary back;
    readMaterialFile(written, back);
    QCOMPARE(back.materialNames[1], readBack);
}

void TestLibraryFiles::readsOddLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("hadAlpha");
    QTest::addColumn<QByteArray>("name");
    // Which of hasAlpha, hasInsulation and hasScattering are set afterwards, as "ais" or "-".
    QTest::addColumn<QByteArray>("flags");
    QTest::addColumn<QList<float>>("alpha");
    QTest::addColumn<QList<float>>("insulation");
    QTest::addColumn<QList<float>>("scattering");

    auto row = [](const char *tag, const QByteArray &line, bool hadAlpha, const QByteArray &name,
                  const QByteArray &flags, const QList<float> &alpha,
                  const QList<float> &insulation = kOldInsulation,
                  const QList<float> &scattering = kOldScattering) {
        QTest::newRow(tag) << line << hadAlpha << name << flags << alpha << insulation
                           << scattering;
    };
    // Without a comma after the first character only hasAlpha changes.
    row("no comma", "  3  Wall 0.5 0.6", true, "Old", "-is", kOldAlpha);
    row("comma before first space", "7,0.5 0.6", false, "", "a--", bands({0.5f, 0.6f}));
    row("no space at all", "Wall,0.5", false, "Wall", "a--", bands({0.5f}));
    row("name trimmed", "  12   Brick wall   ,   0.1 0.2", false, "Brick wall", "a--",
        bands({0.1f, 0.2f}));
    // Two characters or fewer after the comma leave hasAlpha as it was.
    row("short rest keeps false", "0  X, 1", false, "X", "---", bands({1}));
    row("short rest keeps true", "0  X, 1", true, "X", "a--", bands({1}));
    row("runs of blanks", "0  X,    0.1     0.2  0.3   ", false, "X", "a--",
        bands({0.1f, 0.2f, 0.3f}));
    row("more than ten numbers", "0  X, 1 2 3 4 5 6 7 8 9 0.9 1.0", false, "X", "a--",
        {1, 2, 3, 4, 5, 6, 7, 8, 9, 0.91f});
    row("double comma hides later groups", "0  X,, 35 40, 0.5", false, "X", "a--",
        bands({0, 35, 40, 0.5f}));
    row("empty second group", "0  X, 0.1 ,", false, "X", "ai-", bands({0.1f}));
    row("blanks around commas", "0  X, 0.1 0.2 , 30 40 , 0.5", false, "X", "ais",
        bands({0.1f, 0.2f}), bands({30, 40}), bands({0.5f}));
    row("text after third comma", "0  X, 1 2, 3 4, 5 6, 7 8", false, "X", "ais", bands({1, 2}),
        bands({3, 4}), bands({5, 6, 7, 8}));
}

void TestLibraryFiles::readsOddLines()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, hadAlpha);
    QFETCH(QByteArray, flags);

    MaterialLibrary library;
    library.materialNames[2] = "Old";
    fill(library.alphaR[2], kOldAlpha);
    fill(library.insulationR[2], kOldInsulation);
    fill(library.scattering[2], kOldScattering);
    library.hasAlpha[2] = hadAlpha;
    library.hasInsulation[2] = library.hasScattering[2] = true;

    readMaterialLine(line, library, 2);

    QTEST(library.materialNames[2], "name");
    QCOMPARE(library.hasAlpha[2], flags.contains('a'));
    QCOMPARE(library.hasInsulation[2], flags.contains('i'));
    QCOMPARE(library.hasScattering[2], flags.contains('s'));
    QTEST(toList(library.alphaR[2]), "alpha");
    QTEST(toList(library.insulationR[2]), "insulation");
    QTEST(toList(library.scattering[2]), "scattering");
}

void TestLibraryFiles::splitsFileIntoLines_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArrayList>("names");

    QTest::newRow("CR alone") << QByteArray("0  A, 0.1\r1  B, 0.2\r") << QByteArrayList{"A", "B"};
    QTest::newRow("empty line keeps numbering")
        << QByteArray("0  A, 0.1\r\n\r\n2  C, 0.3\r\n") << QByteArrayList{"A", "", "C"};
    QTest::newRow("CR then CR LF")
        << QByteArray("0  A, 0.1\r\r\n1  B, 0.2\r\n") << QByteArrayList{"A", "", "B"};
    QTest::newRow("LF alone is text")
        << QByteArray("0  A, 0.1\n1  B, 0.2\n") << QByteArrayList{"A"};
}

void TestLibraryFiles::splitsFileIntoLines()
{
    QFETCH(QByteArray, data);
    QFETCH(QByteArrayList, names);

    MaterialLibrary library;
    QCOMPARE(countMaterialLines(data), names.size());
    QCOMPARE(readMaterialFile(data, library).lineCount, names.size());
    QCOMPARE(library.materialCount, names.size());
    for (int n = 1; n <= names.size(); ++n)
        QCOMPARE(library.materialNames[static_cast<size_t>(n)], names[n - 1]);
}

void TestLibraryFiles::readsColorFile_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("materialCount");
    QTest::addColumn<QList<int>>("colors");
    QTest::addColumn<bool>("problem");

    QTest::newRow("zero read as dark purple")
        << QByteArray(" 0 \r\n") << 1 << QList<int>{4194368} << false;
    QTest::newRow("32-bit limits") << QByteArray(" 2147483647 \r\n -2147483648 \r\n") << 2
                                   << QList<int>{INT_MAX, INT_MIN} << false;
    QTest::newRow("no blanks, comma")
        << QByteArray("255\r\n5,6") << 3 << QList<int>{255, 5, 6} << false;
    QTest::newRow("fewer lines than materials")
        << QByteArray(" 255 \r\n") << 4 << QList<int>{255, 32768, 8421376, 128} << false;
    QTest::newRow("blank line keeps later colours on their lines")
        << QByteArray(" 255 \r\n\r\n 7 \r\n \r\n") << 4 << QList<int>{255, 32768, 7, 128} << false;
    QTest::newRow("bad entry keeps earlier")
        << QByteArray(" 255 \r\n 12x \r\n 7 \r\n") << 3 << QList<int>{255, 32768, 8421376} << true;
    QTest::newRow("beyond 32 bits")
        << QByteArray(" 2147483648 \r\n") << 1 << QList<int>{8388608} << true;
    QByteArray thousand;
    QList<int> first999;
    for (int n = 1; n <= kMaxMaterials + 1; ++n) {
        thousand += " " + QByteArray::number(n) + " \r\n";
        if (n <= kMaxMaterials)
            first999.append(n);
    }
    QTest::newRow("1000th entry") << thousand << kMaxMaterials << first999 << true;
}

void TestLibraryFiles::readsColorFile()
{
    QFETCH(QByteArray, data);
    QFETCH(int, materialCount);
    QFETCH(QList<int>, colors);
    QFETCH(bool, problem);

    MaterialLibrary library;
    library.materialCount = materialCount;
    const ColorReadReport report = readColorFile(data, library);
    applyDefaultColors(library, report.colorsRead);

    QCOMPARE(!report.problem.isEmpty(), problem);
    QCOMPARE(QList<int>(library.materialColors.begin() + 1,
                        library.materialColors.begin() + 1 + colors.size()),
             colors);
}

QTEST_GUILESS_MAIN(TestLibraryFiles)
#include "tst_libraryfiles.moc"
