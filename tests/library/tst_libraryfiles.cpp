#include "LibraryFiles.h"

#include <QtTest>

using namespace quillon;

namespace {

QByteArray nameField(const QByteArray &name)
{
    return name + QByteArray(kNameFieldWidth - name.size(), ' ');
}

// Each value group starts filled with its own value, so that a group a line leaves alone shows.
constexpr std::array<float, 3> kOld = {9.0f, 99.0f, 0.9f};

// "name|ais|absorption|insulation|scattering": '-' for an unset flag, each group's values up to
// the last one not 0, or "old" for a group left alone.
QByteArray describe(const MaterialLibrary &library, size_t n)
{
    QByteArray text = library.materialNames[n] + '|' + (library.hasAlpha[n] ? 'a' : '-') +
                      (library.hasInsulation[n] ? 'i' : '-') +
                      (library.hasScattering[n] ? 's' : '-');
    const BandRow *rows[] = {&library.alphaR[n], &library.insulationR[n], &library.scattering[n]};
    for (size_t g = 0; g < 3; ++g) {
        QByteArrayList values;
        for (int b = 1; b <= kBandCount; ++b)
            values << QByteArray::number((*rows[g])[size_t(b)]);
        while (!values.isEmpty() && values.last() == "0")
            values.removeLast();
        text += '|' + (values.count(QByteArray::number(kOld[g])) == kBandCount ? "old"
                                                                               : values.join(' '));
    }
    return text;
}

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
};

void TestLibraryFiles::writesMaterialLine_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("flags");
    QTest::addColumn<QByteArray>("field"); // the name as written
    QTest::addColumn<int>("groups");       // value groups written: up to the last one flagged

    const QByteArray block = "Concrete block";
    for (const auto &[flags, groups] : std::initializer_list<std::pair<const char *, int>>{
             {"---", 0}, {"a--", 1}, {"-i-", 2}, {"--s", 3}, {"ais", 3}})
        QTest::newRow(flags) << block << QByteArray(flags) << nameField(block) << groups;

    const auto name = [](const char *tag, const QByteArray &name, const QByteArray &field) {
        QTest::newRow(tag) << name << QByteArray("a--") << field << 1;
    };
    const QByteArray cp1252 = "\xA0Pl\xE2tre \x80 \x85 caf\xE9 \x9F\xFF\xA0";
    name("cut at 65", QByteArray(65, 'a') + "bcdef", QByteArray(65, 'a'));
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
    library.materialCount = 1;
    library.materialNames[1] = name;
    library.alphaR[1] = {0, 0.01f, 0.01f, 0.02f, 0.02f, 0.02f, 0.03f, 0.04f, 0.05f, 0.05f, 0.05f};
    library.insulationR[1] = {0, 35, 40, 45, 50, 55, 60, 65, 65, 65, 65};
    library.scattering[1].fill(0.1f);
    library.hasAlpha[1] = flags.contains('a');
    library.hasInsulation[1] = flags.contains('i');
    library.hasScattering[1] = flags.contains('s');
    const QByteArrayList values = {" 0.010 0.010 0.020 0.020 0.020 0.030 0.040 0.050 0.050 0.050",
                                   " 35.0 40.0 45.0 50.0 55.0 60.0 65.0 65.0 65.0 65.0",
                                   QByteArray(" 0.100").repeated(10)};
    QCOMPARE(writeMaterialFile(library),
             "  0  " + field + ",   " + values.first(groups).join(',') + "\r\n");
}

void TestLibraryFiles::readsOddLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("hadAlpha");
    QTest::addColumn<QByteArray>("material"); // afterwards, as describe() gives it

    auto row = [](const char *tag, const QByteArray &line, bool hadAlpha, const char *material) {
        QTest::newRow(tag) << line << hadAlpha << QByteArray(material);
    };
    // Without a comma after the first character only hasAlpha changes.
    row("no comma", "  3  Wall 0.5 0.6", true, "Old|-is|old|old|old");
    row("comma before first space", "7,0.5 0.6", false, "|a--|0.5 0.6|old|old");
    row("no space at all", "Wall,0.5", false, "Wall|a--|0.5|old|old");
    row("name trimmed", "  12   Brick wall   ,   0.1 0.2", false, "Brick wall|a--|0.1 0.2|old|old");
    // Two characters or fewer after the comma leave hasAlpha as it was.
    row("short rest keeps false", "0  X, 1", false, "X|---|1|old|old");
    row("short rest keeps true", "0  X, 1", true, "X|a--|1|old|old");
    row("more than ten numbers", "0  X, 1 2 3 4 5 6 7 8 9 0.9 1.0", false,
        "X|a--|1 2 3 4 5 6 7 8 9 0.91|old|old");
    row("double comma hides later groups", "0  X,, 35 40, 0.5", false, "X|a--|0 35 40 0.5|old|old");
    row("empty second group", "0  X, 0.1 ,", false, "X|ai-|0.1|old|old");
    row("runs of blanks, blanks around commas", "0  X,  0.1    0.2  , 30 40 , 0.5   ", false,
        "X|ais|0.1 0.2|30 40|0.5");
    row("text after third comma", "0  X, 1 2, 3 4, 5 6, 7 8", false, "X|ais|1 2|3 4|5 6 7 8");
}

void TestLibraryFiles::readsOddLines()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, hadAlpha);

    MaterialLibrary library;
    library.materialNames[2] = "Old";
    library.hasAlpha[2] = hadAlpha;
    library.hasInsulation[2] = library.hasScattering[2] = true;
    library.alphaR[2].fill(kOld[0]);
    library.insulationR[2].fill(kOld[1]);
    library.scattering[2].fill(kOld[2]);
    readMaterialLine(line, library, 2);
    QTEST(describe(library, 2), "material");
}

void TestLibraryFiles::readsColorFile_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("written"); // the colour file written back, a line a material
    QTest::addColumn<bool>("problem");

    auto row = [](const char *tag, const QByteArray &data, const QByteArray &written,
                  bool problem) { QTest::newRow(tag) << data << written << problem; };
    row("zero read as dark purple", " 0 \r\n", " 4194368 \r\n", false);
    row("no blanks, comma", "255\r\n5,6", " 255 \r\n 5 \r\n 6 \r\n", false);
    row("blank line keeps later colours on their lines", " 255 \r\n\r\n 7 \r\n \r\n",
        " 255 \r\n 32768 \r\n 7 \r\n 128 \r\n", false);
    row("bad entry keeps earlier", " 255 \r\n 12x \r\n 7 \r\n", " 255 \r\n 32768 \r\n 8421376 \r\n",
        true);
    row("beyond 32 bits", " 2147483648 \r\n", " 8388608 \r\n", true);
    row("1000th entry", QByteArray(" 5 \r\n").repeated(kMaxMaterials + 1),
        QByteArray(" 5 \r\n").repeated(kMaxMaterials), true);
}

void TestLibraryFiles::readsColorFile()
{
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, written);

    MaterialLibrary library;
    library.materialCount = static_cast<int>(written.count("\r\n"));
    const ColorReadReport report = readColorFile(data, library);
    applyDefaultColors(library, report.colorsRead);
    QTEST(!report.problem.isEmpty(), "problem");
    QCOMPARE(writeColorFile(library), written);
}

QTEST_GUILESS_MAIN(TestLibraryFiles)
#include "tst_libraryfiles.moc"
