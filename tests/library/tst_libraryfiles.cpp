#include "LibraryFiles.h"
#include "MaterialLibrary.h"

#include <QtTest>
#include <climits>
#include <numeric>

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

// Flags as "ais": which of hasAlpha, hasInsulation and hasScattering are set, '-' where not.
void setMaterial(MaterialLibrary &library, size_t n, const QByteArray &name,
                 const QByteArray &flags, const QList<float> &alpha, const QList<float> &insulation,
                 const QList<float> &scattering)
{
    library.materialNames[n] = name;
    std::copy(alpha.begin(), alpha.end(), library.alphaR[n].begin() + 1);
    std::copy(insulation.begin(), insulation.end(), library.insulationR[n].begin() + 1);
    std::copy(scattering.begin(), scattering.end(), library.scattering[n].begin() + 1);
    library.hasAlpha[n] = flags.contains('a');
    library.hasInsulation[n] = flags.contains('i');
    library.hasScattering[n] = flags.contains('s');
}

// Whatever a line does not set must stay as it was.
const QList<float> kOldAlpha = bands({}, 9.0f);
const QList<float> kOldInsulation = bands({}, 99.0f);
const QList<float> kOldScattering = bands({}, 0.9f);

} // namespace

class TestLibraryFiles : public QObject {
    Q_OBJECT
private slots:
    void writesMaterialLine_data();
    void writesMaterialLine();
    void readsOddLines_data();
    void readsOddLines();
    void readsColorFile_data();
    void readsColorFile();
    void scansCells_data();
    void scansCells();
};

void TestLibraryFiles::writesMaterialLine_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("flags");
    QTest::addColumn<QByteArray>("field"); // the name as written
    QTest::addColumn<int>("groups");       // value groups written: up to the last one flagged

    const QByteArray block = "Concrete block";
    for (const auto &[flags, groups] : std::initializer_list<std::pair<const char *, int>>{
             {"---", 0}, {"a--", 1}, {"-i-", 2}, {"--s", 3}, {"a-s", 3}, {"ais", 3}})
        QTest::newRow(flags) << block << QByteArray(flags) << nameField(block) << groups;

    const auto name = [](const char *tag, const QByteArray &name, const QByteArray &field) {
        QTest::newRow(tag) << name << QByteArray("a--") << field << 1;
    };
    const QByteArray a65(65, 'a');
    const QByteArray cp1252 = "\xA0Pl\xE2tre \x80 \x85 caf\xE9 \x9F\xFF\xA0";
    name("outer spaces", "  Glass pane  ", nameField("  Glass pane  "));
    name("cut at 65", a65 + "bcdef", a65);
    name("commas", "Brick, painted,", nameField("Brick; painted;"));
    name("carriage return", "Wall\rpanel", nameField("Wall panel"));
    name("bytes from 0x80", cp1252, nameField(cp1252));
}

void TestLibraryFiles::writesMaterialLine()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, flags);
    QFETCH(QByteArray, field);
    QFETCH(int, groups);

    MaterialLibrary library;
    library.materialCount = 3;
    setMaterial(library, 3, name, flags,
                {0.01f, 0.01f, 0.02f, 0.02f, 0.02f, 0.03f, 0.04f, 0.05f, 0.05f, 0.05f},
                {35, 40, 45, 50, 55, 60, 65, 65, 65, 65}, bands({}, 0.1f));
    const QByteArrayList values = {" 0.010 0.010 0.020 0.020 0.020 0.030 0.040 0.050 0.050 0.050",
                                   " 35.0 40.0 45.0 50.0 55.0 60.0 65.0 65.0 65.0 65.0",
                                   QByteArray(" 0.100").repeated(10)};
    const QByteArray bare = ",   \r\n";
    const QByteArray written = writeMaterialFile(library);
    QCOMPARE(written, "  0  " + nameField("") + bare + "  1  " + nameField("") + bare + "  2  " +
                          field + ",   " + values.first(groups).join(',') + "\r\n");

    MaterialLibrary back;
    readMaterialFile(written, back);
    // Reading drops the blanks around a name, and only those.
    QCOMPARE(back.materialNames[3], field.trimmed());

    QByteArray last;
    appendMaterialLine(last, library, kMaxMaterials);
    QVERIFY(last.startsWith("998  "));
}

void TestLibraryFiles::readsOddLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("hadAlpha");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("flags");           // afterwards, as "ais"
    QTest::addColumn<QList<QList<float>>>("values"); // absorption, insulation, scattering

    auto row = [](const char *tag, const QByteArray &line, bool hadAlpha, const QByteArray &name,
                  const QByteArray &flags, const QList<float> &alpha,
                  const QList<float> &insulation = kOldInsulation,
                  const QList<float> &scattering = kOldScattering) {
        QTest::newRow(tag) << line << hadAlpha << name << flags
                           << QList<QList<float>>{alpha, insulation, scattering};
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
    row("more than ten numbers", "0  X, 1 2 3 4 5 6 7 8 9 0.9 1.0", false, "X", "a--",
        {1, 2, 3, 4, 5, 6, 7, 8, 9, 0.91f});
    row("double comma hides later groups", "0  X,, 35 40, 0.5", false, "X", "a--",
        bands({0, 35, 40, 0.5f}));
    row("empty second group", "0  X, 0.1 ,", false, "X", "ai-", bands({0.1f}));
    row("runs of blanks, blanks around commas", "0  X,  0.1    0.2  , 30 40 , 0.5   ", false, "X",
        "ais", bands({0.1f, 0.2f}), bands({30, 40}), bands({0.5f}));
    row("text after third comma", "0  X, 1 2, 3 4, 5 6, 7 8", false, "X", "ais", bands({1, 2}),
        bands({3, 4}), bands({5, 6, 7, 8}));
}

void TestLibraryFiles::readsOddLines()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, hadAlpha);
    QFETCH(QByteArray, flags);

    MaterialLibrary library;
    setMaterial(library, 2, "Old", hadAlpha ? "ais" : "-is", kOldAlpha, kOldInsulation,
                kOldScattering);
    readMaterialLine(line, library, 2);

    QTEST(library.materialNames[2], "name");
    QCOMPARE(library.hasAlpha[2], flags.contains('a'));
    QCOMPARE(library.hasInsulation[2], flags.contains('i'));
    QCOMPARE(library.hasScattering[2], flags.contains('s'));
    QTEST((QList<QList<float>>{toList(library.alphaR[2]), toList(library.insulationR[2]),
                               toList(library.scattering[2])}),
          "values");
}

void TestLibraryFiles::readsColorFile_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QList<int>>("colors"); // one for each material
    QTest::addColumn<bool>("problem");

    QTest::newRow("zero read as dark purple")
        << QByteArray(" 0 \r\n") << QList<int>{4194368} << false;
    QTest::newRow("32-bit limits")
        << QByteArray(" 2147483647 \r\n -2147483648 \r\n") << QList<int>{INT_MAX, INT_MIN} << false;
    QTest::newRow("no blanks, comma") << QByteArray("255\r\n5,6") << QList<int>{255, 5, 6} << false;
    QTest::newRow("blank line keeps later colours on their lines")
        << QByteArray(" 255 \r\n\r\n 7 \r\n \r\n") << QList<int>{255, 32768, 7, 128} << false;
    QTest::newRow("bad entry keeps earlier")
        << QByteArray(" 255 \r\n 12x \r\n 7 \r\n") << QList<int>{255, 32768, 8421376} << true;
    QTest::newRow("beyond 32 bits")
        << QByteArray(" 2147483648 \r\n") << QList<int>{8388608} << true;
    QList<int> first999(kMaxMaterials);
    std::iota(first999.begin(), first999.end(), 1);
    QByteArray thousand;
    for (int n = 1; n <= kMaxMaterials + 1; ++n)
        thousand += " " + QByteArray::number(n) + " \r\n";
    QTest::newRow("1000th entry") << thousand << first999 << true;
}

void TestLibraryFiles::readsColorFile()
{
    QFETCH(QByteArray, data);
    QFETCH(QList<int>, colors);
    QFETCH(bool, problem);

    MaterialLibrary library;
    library.materialCount = static_cast<int>(colors.size());
    const ColorReadReport report = readColorFile(data, library);
    applyDefaultColors(library, report.colorsRead);
    QCOMPARE(!report.problem.isEmpty(), problem);

    QByteArray written;
    for (int color : colors)
        written += " " + QByteArray::number(color) + " \r\n";
    QCOMPARE(writeColorFile(library), written);
}

void TestLibraryFiles::scansCells_data()
{
    QTest::addColumn<QByteArray>("text");  // RFC 4180 at commas
    QTest::addColumn<QByteArray>("cells"); // "|" after a cell, "/" after a row; fault, line
    QTest::newRow("quoted") << QByteArray("\"a,\"\"\r\n\",c\n,") << QByteArray("a,\"\r\n|c/|/ 0 3");
    QTest::newRow("unclosed quote") << QByteArray("a\n\"b\nc") << QByteArray("a/ 1 2");
    QTest::newRow("text after quote") << QByteArray("a,\"b\nc\"d") << QByteArray("a| 2 2");
}

void TestLibraryFiles::scansCells()
{
    QFETCH(QByteArray, text);
    CellScanner scanner(QByteArrayView(text), u',', Quotes::Strict);
    QByteArray seen;
    for (QByteArray cell; scanner.next(cell);)
        seen += cell + (scanner.rowEnded() ? '/' : '|');
    seen += QStringLiteral(" %1 %2").arg(int(scanner.fault())).arg(scanner.line()).toLatin1();
    QTEST(seen, "cells");
}

QTEST_GUILESS_MAIN(TestLibraryFiles)
#include "tst_libraryfiles.moc"
