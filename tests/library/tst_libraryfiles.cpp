#include "LibraryFiles.h"
#include "MaterialLibrary.h"

#include <QtTest>
#include <climits>
#include <initializer_list>
#include <limits>

using namespace quillon;

namespace {

constexpr int kLineHead = 5;                     // number field and the two-space gap
constexpr int kValuesStart = kLineHead + 65 + 4; // after the name field and ",   "
constexpr MaterialColor kUntouched = 0x123456;

QByteArray nameField(const QByteArray &name)
{
    return name + QByteArray(kNameFieldWidth - name.size(), ' ');
}

// A line as written for a material without values.
QByteArray bareLine(const QByteArray &number, const QByteArray &name)
{
    return number + "  " + nameField(name) + ",   \r\n";
}

QList<float> bands(std::initializer_list<float> leading)
{
    QList<float> list(leading);
    list.resize(kBandCount, 0.0f);
    return list;
}

QList<float> allBands(float value)
{
    return QList<float>(kBandCount, value);
}

QList<float> toList(const BandRow &row)
{
    return QList<float>(row.begin() + 1, row.end());
}

void fill(BandRow &row, const QList<float> &values)
{
    for (int b = 1; b <= kBandCount; ++b)
        row[static_cast<size_t>(b)] = values[b - 1];
}

QByteArray withoutLineEnd(const QByteArray &line)
{
    return line.endsWith("\r\n") ? line.chopped(2) : line;
}

// Whatever the line itself does not set must stay as it was.
const QList<float> kOldAlpha = allBands(9.0f);
const QList<float> kOldInsulation = allBands(99.0f);
const QList<float> kOldScattering = allBands(0.9f);

} // namespace

class TestLibraryFiles : public QObject {
    Q_OBJECT
private slots:
    void writesWorkedExampleLine();
    void writesNumberField_data();
    void writesNumberField();
    void writesGroupsByFlags_data();
    void writesGroupsByFlags();
    void formatsAndRereadsValues_data();
    void formatsAndRereadsValues();
    void writesAndRereadsNames_data();
    void writesAndRereadsNames();
    void readsOddLines_data();
    void readsOddLines();
    void splitsFileIntoLines_data();
    void splitsFileIntoLines();
    void readsAtMost999Lines();
    void countsValuesOutsideFloat();
    void writesColorFile();
    void readsColorFile_data();
    void readsColorFile();
    void keeps999Of1000Colors();
    void givesPaletteColors_data();
    void givesPaletteColors();
    void writesEmptyLibraryAsEmptyFiles();
    void rewritesMessyFilesStably();
};

void TestLibraryFiles::writesWorkedExampleLine()
{
    MaterialLibrary library;
    library.materialCount = 3;
    constexpr size_t n = 3;
    library.materialNames[n] = "Concrete block";
    fill(library.alphaR[n], {0.01f, 0.01f, 0.02f, 0.02f, 0.02f, 0.03f, 0.04f, 0.05f, 0.05f, 0.05f});
    fill(library.insulationR[n], {35, 40, 45, 50, 55, 60, 65, 65, 65, 65});
    fill(library.scattering[n], allBands(0.1f));
    library.hasAlpha[n] = library.hasInsulation[n] = library.hasScattering[n] = true;

    const QByteArray expected = QByteArray("  2") + "  " + "Concrete block" + QByteArray(51, ' ') +
                                ",   " +
                                " 0.010 0.010 0.020 0.020 0.020 0.030 0.040 0.050 0.050 0.050" +
                                "," + " 35.0 40.0 45.0 50.0 55.0 60.0 65.0 65.0 65.0 65.0" + "," +
                                QByteArray(" 0.100").repeated(10) + "\r\n";
    QCOMPARE(expected.size(), 246 + 2);

    QByteArray line;
    appendMaterialLine(line, library, 3);
    QCOMPARE(line, expected);
    QCOMPARE(writeMaterialFile(library), bareLine("  0", "") + bareLine("  1", "") + expected);

    MaterialLibrary back;
    const MaterialReadReport report = readMaterialFile(writeMaterialFile(library), back);
    QCOMPARE(report.lineCount, 3);
    QCOMPARE(report.unreadableValues, 0);
    QCOMPARE(back.materialCount, 3);
    QCOMPARE(back.materialNames[n], QByteArray("Concrete block"));
    QCOMPARE(toList(back.alphaR[n]), toList(library.alphaR[n]));
    QCOMPARE(toList(back.insulationR[n]), toList(library.insulationR[n]));
    QCOMPARE(toList(back.scattering[n]), toList(library.scattering[n]));
    QVERIFY(back.hasAlpha[n] && back.hasInsulation[n] && back.hasScattering[n]);
    QVERIFY(!back.hasAlpha[1] && !back.hasInsulation[1] && !back.hasScattering[1]);
}

void TestLibraryFiles::writesNumberField_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("field");

    QTest::newRow("first") << 1 << QByteArray("  0");
    QTest::newRow("two digits") << 15 << QByteArray(" 14");
    QTest::newRow("three digits") << 101 << QByteArray("100");
    QTest::newRow("last") << kMaxMaterials << QByteArray("998");
}

void TestLibraryFiles::writesNumberField()
{
    QFETCH(int, index);
    QFETCH(QByteArray, field);

    MaterialLibrary library;
    library.materialCount = index;
    library.materialNames[static_cast<size_t>(index)] = "X";
    QByteArray line;
    appendMaterialLine(line, library, index);
    QCOMPARE(line, bareLine(field, "X"));
}

void TestLibraryFiles::writesGroupsByFlags_data()
{
    QTest::addColumn<bool>("alpha");
    QTest::addColumn<bool>("insulation");
    QTest::addColumn<bool>("scattering");
    QTest::addColumn<int>("groups");

    QTest::newRow("none") << false << false << false << 0;
    QTest::newRow("alpha") << true << false << false << 1;
    QTest::newRow("insulation") << false << true << false << 2;
    QTest::newRow("scattering") << false << false << true << 3;
    QTest::newRow("alpha insulation") << true << true << false << 2;
    QTest::newRow("alpha scattering") << true << false << true << 3;
    QTest::newRow("insulation scattering") << false << true << true << 3;
    QTest::newRow("all") << true << true << true << 3;
}

void TestLibraryFiles::writesGroupsByFlags()
{
    QFETCH(bool, alpha);
    QFETCH(bool, insulation);
    QFETCH(bool, scattering);
    QFETCH(int, groups);

    MaterialLibrary library;
    library.materialCount = 1;
    library.materialNames[1] = "Panel";
    fill(library.alphaR[1], allBands(0.25f));
    fill(library.insulationR[1], allBands(42.5f));
    fill(library.scattering[1], allBands(0.75f));
    library.hasAlpha[1] = alpha;
    library.hasInsulation[1] = insulation;
    library.hasScattering[1] = scattering;

    QByteArray expected = "  0  " + nameField("Panel") + ",   ";
    if (groups >= 1)
        expected += QByteArray(" 0.250").repeated(10);
    if (groups >= 2)
        expected += "," + QByteArray(" 42.5").repeated(10);
    if (groups >= 3)
        expected += "," + QByteArray(" 0.750").repeated(10);
    expected += "\r\n";
    const QByteArray written = writeMaterialFile(library);
    QCOMPARE(written, expected);

    MaterialLibrary back;
    readMaterialFile(written, back);
    QCOMPARE(back.materialNames[1], QByteArray("Panel"));
    QCOMPARE(back.hasAlpha[1], groups >= 1);
    QCOMPARE(back.hasInsulation[1], groups >= 2);
    QCOMPARE(back.hasScattering[1], groups >= 3);
    QCOMPARE(toList(back.alphaR[1]), allBands(groups >= 1 ? 0.25f : 0.0f));
    QCOMPARE(toList(back.insulationR[1]), allBands(groups >= 2 ? 42.5f : 0.0f));
    QCOMPARE(toList(back.scattering[1]), allBands(groups >= 3 ? 0.75f : 0.0f));
}

void TestLibraryFiles::formatsAndRereadsValues_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<float>("value");
    QTest::addColumn<QByteArray>("field");

    QTest::newRow("abs 0.36") << 1 << 0.36f << QByteArray(" 0.360");
    QTest::newRow("abs 1.5") << 1 << 1.5f << QByteArray(" 1.500");
    QTest::newRow("abs half away") << 1 << 0.0625f << QByteArray(" 0.063");
    // 0.1235f is just below the half; its shortest form is not.
    QTest::newRow("abs shortest form") << 1 << 0.1235f << QByteArray(" 0.124");
    QTest::newRow("abs carry") << 1 << 0.9995f << QByteArray(" 1.000");
    QTest::newRow("abs negative") << 1 << -0.05f << QByteArray(" -0.050");
    QTest::newRow("abs negative half") << 1 << -0.0625f << QByteArray(" -0.063");
    QTest::newRow("abs negative to zero") << 1 << -0.0004f << QByteArray(" 0.000");
    QTest::newRow("abs large") << 1 << 12345.678f << QByteArray(" 12345.678");
    QTest::newRow("ins whole") << 2 << 35.0f << QByteArray(" 35.0");
    QTest::newRow("ins half away") << 2 << 35.25f << QByteArray(" 35.3");
    QTest::newRow("ins 2.25") << 2 << 2.25f << QByteArray(" 2.3");
    QTest::newRow("ins shortest form carry") << 2 << 99.95f << QByteArray(" 100.0");
    QTest::newRow("ins negative") << 2 << -12.25f << QByteArray(" -12.3");
    QTest::newRow("ins four digits") << 2 << 1234.5f << QByteArray(" 1234.5");
    QTest::newRow("ins five digits") << 2 << 12345.0f << QByteArray(" 12345.0");
    QTest::newRow("abs float max") << 1 << std::numeric_limits<float>::max()
                                   << QByteArray(" 340282350000000000000000000000000000000.000");
    QTest::newRow("ins lowest float") << 2 << std::numeric_limits<float>::lowest()
                                      << QByteArray(" -340282350000000000000000000000000000000.0");
    QTest::newRow("scat 0.1") << 3 << 0.1f << QByteArray(" 0.100");
    QTest::newRow("scat shortest form") << 3 << 0.0025f << QByteArray(" 0.003");
    QTest::newRow("scat negative") << 3 << -0.5f << QByteArray(" -0.500");
}

void TestLibraryFiles::formatsAndRereadsValues()
{
    QFETCH(int, group);
    QFETCH(float, value);
    QFETCH(QByteArray, field);

    MaterialLibrary library;
    library.materialCount = 1;
    library.materialNames[1] = "V";
    BandRow *rows[] = {&library.alphaR[1], &library.insulationR[1], &library.scattering[1]};
    fill(*rows[group - 1], allBands(value));
    library.hasAlpha[1] = group == 1;
    library.hasInsulation[1] = group == 2;
    library.hasScattering[1] = group == 3;

    const QByteArray line = writeMaterialFile(library);
    const QList<QByteArray> groups = withoutLineEnd(line).mid(kValuesStart).split(',');
    QCOMPARE(groups.size(), group);
    QCOMPARE(groups[group - 1], field.repeated(kBandCount));

    MaterialLibrary back;
    QCOMPARE(readMaterialFile(line, back).unreadableValues, 0);
    const BandRow *backRows[] = {&back.alphaR[1], &back.insulationR[1], &back.scattering[1]};
    const auto rounded = static_cast<float>(field.trimmed().toDouble());
    QCOMPARE(toList(*backRows[group - 1]), allBands(rounded));
}

void TestLibraryFiles::writesAndRereadsNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QByteArray>("readBack");

    const QByteArray a65(65, 'a');
    const QByteArray a64(64, 'a');
    const QByteArray cp1252 =
        QByteArray("Pl\xE2") + "tre " + "\x80" + " \x85 caf" + "\xE9" + " \x9F\xFF";

    QTest::newRow("plain") << QByteArray("Concrete") << nameField("Concrete")
                           << QByteArray("Concrete");
    QTest::newRow("empty") << QByteArray() << nameField("") << QByteArray();
    QTest::newRow("outer spaces") << QByteArray("  Glass pane  ") << nameField("  Glass pane  ")
                                  << QByteArray("Glass pane");
    QTest::newRow("exactly 65") << a65 << a65 << a65;
    QTest::newRow("cut at 65") << a65 + "bcdef" << a65 << a65;
    QTest::newRow("cut before a space") << a64 + " tail" << a64 + " " << a64;
    QTest::newRow("comma") << QByteArray("Brick, painted") << nameField("Brick; painted")
                           << QByteArray("Brick; painted");
    QTest::newRow("several commas")
        << QByteArray("a,b,,c") << nameField("a;b;;c") << QByteArray("a;b;;c");
    QTest::newRow("comma cut off") << a65 + ",x" << a65 << a65;
    QTest::newRow("cp1252 bytes") << cp1252 << nameField(cp1252) << cp1252;
    QTest::newRow("no-break spaces kept")
        << QByteArray("\xA0Wood\xA0") << nameField("\xA0Wood\xA0") << QByteArray("\xA0Wood\xA0");
}

void TestLibraryFiles::writesAndRereadsNames()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, field);
    QFETCH(QByteArray, readBack);

    MaterialLibrary library;
    library.materialCount = 1;
    library.materialNames[1] = name;
    fill(library.alphaR[1], allBands(0.5f));
    fill(library.insulationR[1], allBands(40.0f));
    library.hasInsulation[1] = true;

    const QByteArray line = writeMaterialFile(library);
    QCOMPARE(line.size(), kValuesStart + 60 + 51 + 2);
    QCOMPARE(line.mid(kLineHead, kNameFieldWidth), field);
    QCOMPARE(line.mid(kLineHead + kNameFieldWidth, 4), QByteArray(",   "));

    MaterialLibrary back;
    readMaterialFile(line, back);
    QCOMPARE(back.materialNames[1], readBack);
    QVERIFY(back.hasAlpha[1] && back.hasInsulation[1] && !back.hasScattering[1]);
    QCOMPARE(toList(back.alphaR[1]), allBands(0.5f));
    QCOMPARE(toList(back.insulationR[1]), allBands(40.0f));
}

void TestLibraryFiles::readsOddLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("hadAlpha");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("hasAlpha");
    QTest::addColumn<bool>("hasInsulation");
    QTest::addColumn<bool>("hasScattering");
    QTest::addColumn<QList<float>>("alpha");
    QTest::addColumn<QList<float>>("insulation");
    QTest::addColumn<QList<float>>("scattering");

    const QByteArray old("Old");
    // Empty slots: only hasAlpha changes.
    for (const char *line : {"", "     ", "  3  Wall 0.5 0.6", ",0.5 0.6", "   , 0.5 0.6"}) {
        QTest::addRow("empty slot \"%s\"", line)
            << QByteArray(line) << true << old << false << true << true << kOldAlpha
            << kOldInsulation << kOldScattering;
    }
    QTest::newRow("comma before first space")
        << QByteArray("7,0.5 0.6") << false << QByteArray() << true << false << false
        << bands({0.5f, 0.6f}) << kOldInsulation << kOldScattering;
    QTest::newRow("no space at all")
        << QByteArray("Wall,0.5") << false << QByteArray("Wall") << true << false << false
        << bands({0.5f}) << kOldInsulation << kOldScattering;
    QTest::newRow("name trimmed") << QByteArray("  12   Brick wall   ,   0.1 0.2") << false
                                  << QByteArray("Brick wall") << true << false << false
                                  << bands({0.1f, 0.2f}) << kOldInsulation << kOldScattering;
    QTest::newRow("short rest keeps false")
        << QByteArray("0  X, 1") << false << QByteArray("X") << false << false << false
        << bands({1}) << kOldInsulation << kOldScattering;
    QTest::newRow("short rest keeps true")
        << QByteArray("0  X, 1") << true << QByteArray("X") << true << false << false << bands({1})
        << kOldInsulation << kOldScattering;
    QTest::newRow("no values") << QByteArray("0  X,   ") << true << QByteArray("X") << true << false
                               << false << allBands(0) << kOldInsulation << kOldScattering;
    QTest::newRow("more than ten numbers")
        << QByteArray("0  X, 1 2 3 4 5 6 7 8 9 0.9 1.0") << false << QByteArray("X") << true
        << false << false << QList<float>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0.91f} << kOldInsulation
        << kOldScattering;
    QTest::newRow("fewer than ten numbers")
        << QByteArray("0  X, 0.5 0.6 0.7") << false << QByteArray("X") << true << false << false
        << bands({0.5f, 0.6f, 0.7f}) << kOldInsulation << kOldScattering;
    QTest::newRow("runs of blanks")
        << QByteArray("0  X,    0.1     0.2  0.3   ") << false << QByteArray("X") << true << false
        << false << bands({0.1f, 0.2f, 0.3f}) << kOldInsulation << kOldScattering;
    QTest::newRow("double comma") << QByteArray("0  X,, 35 40") << false << QByteArray("X") << true
                                  << false << false << bands({0, 35, 40}) << kOldInsulation
                                  << kOldScattering;
    QTest::newRow("double comma hides later groups")
        << QByteArray("0  X,, 35 40, 0.5") << false << QByteArray("X") << true << false << false
        << bands({0, 35, 40, 0.5f}) << kOldInsulation << kOldScattering;
    QTest::newRow("two groups") << QByteArray("0  X, 0.1, 30") << false << QByteArray("X") << true
                                << true << false << bands({0.1f}) << bands({30}) << kOldScattering;
    QTest::newRow("empty second group")
        << QByteArray("0  X, 0.1 ,") << false << QByteArray("X") << true << true << false
        << bands({0.1f}) << kOldInsulation << kOldScattering;
    QTest::newRow("blanks around commas")
        << QByteArray("0  X, 0.1 0.2 , 30 40 , 0.5") << false << QByteArray("X") << true << true
        << true << bands({0.1f, 0.2f}) << bands({30, 40}) << bands({0.5f});
    QTest::newRow("text after third comma")
        << QByteArray("0  X, 1 2, 3 4, 5 6, 7 8") << false << QByteArray("X") << true << true
        << true << bands({1, 2}) << bands({3, 4}) << bands({5, 6, 7, 8});
    QTest::newRow("negative values")
        << QByteArray("0  X, -0.050 -1.5, -3.0") << false << QByteArray("X") << true << true
        << false << bands({-0.05f, -1.5f}) << bands({-3}) << kOldScattering;
    QTest::newRow("text as value")
        << QByteArray("0  X, abc 0.5") << false << QByteArray("X") << true << false << false
        << bands({0, 0.5f}) << kOldInsulation << kOldScattering;
}

void TestLibraryFiles::readsOddLines()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, hadAlpha);

    MaterialLibrary library;
    constexpr size_t n = 2;
    library.materialNames[n] = "Old";
    fill(library.alphaR[n], kOldAlpha);
    fill(library.insulationR[n], kOldInsulation);
    fill(library.scattering[n], kOldScattering);
    library.hasAlpha[n] = hadAlpha;
    library.hasInsulation[n] = library.hasScattering[n] = true;

    int unreadable = 0;
    readMaterialLine(line, library, 2, &unreadable);

    QTEST(library.materialNames[n], "name");
    QTEST(library.hasAlpha[n], "hasAlpha");
    QTEST(library.hasInsulation[n], "hasInsulation");
    QTEST(library.hasScattering[n], "hasScattering");
    QTEST(toList(library.alphaR[n]), "alpha");
    QTEST(toList(library.insulationR[n]), "insulation");
    QTEST(toList(library.scattering[n]), "scattering");
    QCOMPARE(unreadable, 0);
    QCOMPARE(library.materialNames[1], QByteArray());
    QCOMPARE(library.materialNames[3], QByteArray());
}

void TestLibraryFiles::splitsFileIntoLines_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArrayList>("names");

    QTest::newRow("empty file") << QByteArray() << QByteArrayList();
    QTest::newRow("CR LF") << QByteArray("0  A, 0.1\r\n1  B, 0.2\r\n") << QByteArrayList{"A", "B"};
    QTest::newRow("last line without end")
        << QByteArray("0  A, 0.1\r\n1  B, 0.2") << QByteArrayList{"A", "B"};
    QTest::newRow("CR alone") << QByteArray("0  A, 0.1\r1  B, 0.2\r") << QByteArrayList{"A", "B"};
    QTest::newRow("empty line keeps numbering")
        << QByteArray("0  A, 0.1\r\n\r\n2  C, 0.3\r\n") << QByteArrayList{"A", "", "C"};
    QTest::newRow("empty line at end")
        << QByteArray("0  A, 0.1\r\n\r\n") << QByteArrayList{"A", ""};
    QTest::newRow("CR then CR LF")
        << QByteArray("0  A, 0.1\r\r\n1  B, 0.2\r\n") << QByteArrayList{"A", "", "B"};
    QTest::newRow("only line ends") << QByteArray("\r\n\r\n") << QByteArrayList{"", ""};
    QTest::newRow("LF alone is text")
        << QByteArray("0  A, 0.1\n1  B, 0.2\n") << QByteArrayList{"A"};
}

void TestLibraryFiles::splitsFileIntoLines()
{
    QFETCH(QByteArray, data);
    QFETCH(QByteArrayList, names);

    MaterialLibrary library;
    const MaterialReadReport report = readMaterialFile(data, library);
    QCOMPARE(countMaterialLines(data), names.size());
    QCOMPARE(report.lineCount, names.size());
    QCOMPARE(library.materialCount, names.size());
    for (int n = 1; n <= names.size(); ++n) {
        const auto slot = static_cast<size_t>(n);
        QCOMPARE(library.materialNames[slot], names[n - 1]);
        QCOMPARE(library.hasAlpha[slot], !names[n - 1].isEmpty());
    }
    QCOMPARE(library.materialNames[static_cast<size_t>(names.size() + 1)], QByteArray());
}

void TestLibraryFiles::readsAtMost999Lines()
{
    QByteArray data;
    for (int n = 1; n <= kMaxMaterials + 1; ++n)
        data += QByteArray::number(n - 1) + "  M" + QByteArray::number(n) + ", 0.5\r\n";
    QCOMPARE(countMaterialLines(data), kMaxMaterials + 1);

    MaterialLibrary library;
    readMaterialFile(data, library);
    QCOMPARE(library.materialCount, kMaxMaterials);
    QCOMPARE(library.materialNames[kMaxMaterials], QByteArray("M999"));
    QCOMPARE(library.alphaR[kMaxMaterials][1], 0.5f);
}

void TestLibraryFiles::countsValuesOutsideFloat()
{
    BandRow row{};
    QCOMPARE(parseBandValues("1e999 2 3.4e38 1e39", row), 2);
    QCOMPARE(toList(row), bands({0, 2, 3.4e38f, 0}));

    const QByteArray data = "0  X, 1e999 0.5 -1e999, 1e39, 0.25\r\n"
                            "1  Y, 0.1, 2, 1e400\r\n";
    MaterialLibrary library;
    const MaterialReadReport report = readMaterialFile(data, library);
    QCOMPARE(report.unreadableValues, 4);
    QCOMPARE(toList(library.alphaR[1]), bands({0, 0.5f, 0}));
    QCOMPARE(toList(library.insulationR[1]), bands({0}));
    QCOMPARE(toList(library.scattering[1]), bands({0.25f}));
    QCOMPARE(toList(library.scattering[2]), bands({0}));
    QVERIFY(library.hasScattering[2]);
}

void TestLibraryFiles::writesColorFile()
{
    MaterialLibrary library;
    library.materialCount = 5;
    const MaterialColor colors[] = {kBlackReplacement, 0, -1, 255, INT_MIN, 12345};
    for (size_t n = 1; n <= 6; ++n)
        library.materialColors[n] = colors[n - 1];

    // The sixth colour lies beyond the last material and is not written.
    QCOMPARE(writeColorFile(library),
             QByteArray(" 4194368 \r\n 0 \r\n -1 \r\n 255 \r\n -2147483648 \r\n"));
}

void TestLibraryFiles::readsColorFile_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("materialCount");
    QTest::addColumn<QList<int>>("colors");
    QTest::addColumn<int>("colorsRead");
    QTest::addColumn<bool>("problem");

    QTest::newRow("two colours") << QByteArray(" 255 \r\n 65280 \r\n") << 2
                                 << QList<int>{255, 65280} << 2 << false;
    QTest::newRow("zero read as dark purple")
        << QByteArray(" 0 \r\n 0 \r\n") << 2 << QList<int>{4194368, 4194368} << 2 << false;
    QTest::newRow("negative") << QByteArray(" -1 \r\n -16777216 \r\n") << 2
                              << QList<int>{-1, -16777216} << 2 << false;
    QTest::newRow("32-bit limits") << QByteArray(" 2147483647 \r\n -2147483648 \r\n") << 2
                                   << QList<int>{INT_MAX, INT_MIN} << 2 << false;
    QTest::newRow("no blanks") << QByteArray("255\r\n65280") << 2 << QList<int>{255, 65280} << 2
                               << false;
    QTest::newRow("comma ends a number")
        << QByteArray(" 5, 6 \r\n") << 2 << QList<int>{5, 6} << 2 << false;
    QTest::newRow("fewer lines than materials")
        << QByteArray(" 255 \r\n") << 4 << QList<int>{255, 32768, 8421376, 128} << 1 << false;
    QTest::newRow("more lines than materials")
        << QByteArray(" 1 \r\n 2 \r\n 3 \r\n") << 1 << QList<int>{1, 2, 3} << 3 << false;
    QTest::newRow("empty file") << QByteArray() << 3 << QList<int>{8388608, 32768, 8421376} << 0
                                << false;
    QTest::newRow("bad entry keeps earlier") << QByteArray(" 255 \r\n abc \r\n 7 \r\n") << 3
                                             << QList<int>{255, 32768, 8421376} << 1 << true;
    QTest::newRow("nothing stored after bad entry")
        << QByteArray(" 255 \r\n abc \r\n 7 \r\n") << 1 << QList<int>{255} << 1 << true;
    QTest::newRow("trailing text")
        << QByteArray(" 255 \r\n 12x \r\n") << 2 << QList<int>{255, 32768} << 1 << true;
    QTest::newRow("beyond 32 bits")
        << QByteArray(" 2147483648 \r\n") << 1 << QList<int>{8388608} << 0 << true;
}

void TestLibraryFiles::readsColorFile()
{
    QFETCH(QByteArray, data);
    QFETCH(int, materialCount);
    QFETCH(QList<int>, colors);
    QFETCH(int, colorsRead);
    QFETCH(bool, problem);

    MaterialLibrary library;
    library.materialCount = materialCount;
    library.materialColors.fill(kUntouched);
    const ColorReadReport report = readColorFile(data, library);
    applyDefaultColors(library, report.colorsRead);

    QCOMPARE(report.colorsRead, colorsRead);
    QCOMPARE(!report.problem.isEmpty(), problem);
    for (int n = 1; n <= colors.size(); ++n)
        QCOMPARE(library.materialColors[static_cast<size_t>(n)], colors[n - 1]);
    QCOMPARE(library.materialColors[static_cast<size_t>(colors.size() + 1)], kUntouched);
}

void TestLibraryFiles::keeps999Of1000Colors()
{
    QByteArray data;
    for (int n = 1; n <= kMaxMaterials + 1; ++n)
        data += " " + QByteArray::number(n) + " \r\n";

    MaterialLibrary library;
    library.materialCount = 5;
    const ColorReadReport report = readColorFile(data, library);
    applyDefaultColors(library, report.colorsRead);
    QCOMPARE(report.colorsRead, kMaxMaterials);
    QVERIFY(!report.problem.isEmpty());
    QCOMPARE(library.materialColors[1], 1);
    QCOMPARE(library.materialColors[kMaxMaterials], kMaxMaterials);
}

void TestLibraryFiles::givesPaletteColors_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("color");

    const int palette[] = {0,        8388608, 32768,    8421376, 128,      8388736, 32896,
                           12632256, 8421504, 16711680, 65280,   16776960, 255,     16711935};
    for (int n = 1; n <= 14; ++n)
        QTest::addRow("material %d", n) << n << palette[n % 14];
    QTest::newRow("material 15") << 15 << 8388608;
    QTest::newRow("material 28") << 28 << 0;
    QTest::newRow("material 999") << kMaxMaterials << 8388736;
}

void TestLibraryFiles::givesPaletteColors()
{
    QFETCH(int, index);
    QFETCH(int, color);
    QCOMPARE(defaultColor(index), color);

    MaterialLibrary library;
    library.materialCount = index;
    applyDefaultColors(library, index - 1);
    QCOMPARE(library.materialColors[static_cast<size_t>(index)], color);
}

void TestLibraryFiles::writesEmptyLibraryAsEmptyFiles()
{
    MaterialLibrary library;
    library.materialNames[1] = "Not a material";
    library.hasAlpha[1] = true;
    library.materialColors[1] = 255;
    QCOMPARE(writeMaterialFile(library), QByteArray());
    QCOMPARE(writeColorFile(library), QByteArray());
}

void TestLibraryFiles::rewritesMessyFilesStably()
{
    const QByteArray materials =
        QByteArray("5 Concrete   ,0.0625 0.1235 -0.05 1 2 3 4 5 6 0.9 1.0, 35.25 40 , 0.1\r\n") +
        "\r\n" + "9,0.5\r\n" + "  3  " + QByteArray(70, 'n') + ", 0.2\r\n" +
        "1  Caf\xE9 noir,  , 40\r\n" + "2  Tile,, 1 2, 3\r\n" + "7  Only name,\r\n";
    const QByteArray colors = " 0 \r\n 255 \r\n";

    MaterialLibrary first;
    readMaterialFile(materials, first);
    applyDefaultColors(first, readColorFile(colors, first).colorsRead);
    const QByteArray materialsOnce = writeMaterialFile(first);
    const QByteArray colorsOnce = writeColorFile(first);

    const QList<QByteArray> lines = materialsOnce.split('\n');
    QCOMPARE(lines.size(), 8);
    QCOMPARE(lines[0] + '\n', "  0  " + nameField("Concrete") + ",   " +
                                  " 0.063 0.124 -0.050 1.000 2.000 3.000 4.000 5.000 6.000 0.910," +
                                  " 35.3 40.0" + QByteArray(" 0.0").repeated(8) + "," + " 0.100" +
                                  QByteArray(" 0.000").repeated(9) + "\r\n");
    QCOMPARE(lines[1] + '\n', bareLine("  1", ""));
    QCOMPARE(lines[6] + '\n', "  6  " + nameField("Only name") + ",   \r\n");
    QCOMPARE(colorsOnce, QByteArray(" 4194368 \r\n 255 \r\n 8421376 \r\n 128 \r\n 8388736 \r\n"
                                    " 32896 \r\n 12632256 \r\n"));

    MaterialLibrary second;
    readMaterialFile(materialsOnce, second);
    applyDefaultColors(second, readColorFile(colorsOnce, second).colorsRead);
    QCOMPARE(writeMaterialFile(second), materialsOnce);
    QCOMPARE(writeColorFile(second), colorsOnce);
}

QTEST_GUILESS_MAIN(TestLibraryFiles)
#include "tst_libraryfiles.moc"
