#include "AbsorptionConversions.h"
#include "Cp1252.h"
#include "LibraryExport.h"
#include "LibraryFiles.h"
#include "LibraryStorage.h"
#include "PyroomDatabase.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace quillon;

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// In `folder`, with no display: a window system touched would make the process abort.
Run runProcess(const QString &folder, const QString &program, const QStringList &arguments,
               const QByteArray &input = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

Run runQuillon(const QString &folder, const QStringList &arguments, const QByteArray &input = {})
{
    return runProcess(folder, QStringLiteral(QUILLON_EXECUTABLE), arguments, input);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

// Three materials: the worked absorption and insulation examples, and one without values.
std::unique_ptr<MaterialLibrary> sampleLibrary()
{
    auto library = std::make_unique<MaterialLibrary>();
    library->materialCount = 3;
    library->materialNames = {"", encodeCp1252(u"Béton \"brut\""), "Panel", "Empty"};
    const double sabine[2][5] = {{0.35, 0.70, 0.65, 0.60, 0.55}, {0.35, 1.00, 0.65, 0.60, 0.55}};
    const float insulation[2][5] = {{34, 43, 50, 53, 54}, {36, 45, 52, 55, 56}};
    for (size_t n = 1; n <= 3; ++n) {
        library->materialColors[n] = rgbColor(10 * static_cast<int>(n), 20, 255);
        library->hasAlpha[n] = library->hasInsulation[n] = n < 3;
        library->hasScattering[n] = n == 2;
        for (size_t b = 1; b <= kBandCount && n < 3; ++b) {
            const bool rated = b >= 3 && b <= 8;
            library->alphaR[n][b] =
                float(sabineToTrue(b > 3 && rated ? sabine[n - 1][b - 4] : 0.011 * b));
            library->insulationR[n][b] = b < 8 && rated ? insulation[n - 1][b - 3] : 20.5f + b;
            library->scattering[n][b] = 0.05f * b;
        }
    }
    return library;
}

// The commands an overview lists, one a line, or the options a help text names.
QStringList helpWords(const QString &help, bool commands)
{
    static const QRegularExpression command(u"^  ([a-z]+) "_qs,
                                            QRegularExpression::MultilineOption);
    static const QRegularExpression option(uR"((?<![\w-])(--?[A-Za-z][\w-]*))"_qs);
    QStringList words;
    for (const QRegularExpressionMatch &match : (commands ? command : option).globalMatch(help))
        words << match.captured(1);
    return words;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void exportLibrary_data();
    void exportLibrary();
    void commands_data();
    void commands();
    void writesOrFails_data();
    void writesOrFails();
    void imports_data();
    void imports();
    void manPageCoversHelp_data();
    void manPageCoversHelp();

private:
    // A folder with the sample library's files.
    std::unique_ptr<QTemporaryDir> sampleFolder() const
    {
        auto folder = std::make_unique<QTemporaryDir>();
        writeFile(folder->filePath(kMaterialFileName), m_materials);
        writeFile(folder->filePath(kColorFileName), m_colors);
        return folder;
    }
    QTemporaryDir m_root;
    QByteArray m_materials;
    QByteArray m_colors;
    std::unique_ptr<MaterialLibrary> m_library = std::make_unique<MaterialLibrary>();
};

void TestCommandLine::initTestCase()
{
    const auto sample = sampleLibrary();
    m_materials = writeMaterialFile(*sample);
    m_colors = writeColorFile(*sample);
    writeFile(m_root.filePath(kMaterialFileName), m_materials);
    writeFile(m_root.filePath(kColorFileName), m_colors);
    QVERIFY(
        loadLibraryFiles(materialFilePath(m_root.path()), colorFilePath(m_root.path()), *m_library)
            .ok);
}

void TestCommandLine::exportLibrary_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("csv") << "csv";
    QTest::newRow("json") << "json";
}

void TestCommandLine::exportLibrary()
{
    QFETCH(QString, format);
    // What the window loads and its save cuts: a name of 92 characters, a colour beyond 24 bits.
    QTemporaryDir folder;
    const QString materialPath = materialFilePath(folder.path());
    const QString colorPath = colorFilePath(folder.path());
    writeFile(materialPath,
              QByteArray(m_materials)
                  .replace("Panel" + QByteArray(60, ' '), "Panel " + QByteArray(86, 'x')));
    writeFile(colorPath, "-1\r\n" + m_colors.mid(m_colors.indexOf('\n') + 1));
    auto library = std::make_unique<MaterialLibrary>();
    QVERIFY(loadLibraryFiles(materialPath, colorPath, *library).ok);
    const Run run = runQuillon(folder.path(), {"export", "--format", format, "."});
    QVERIFY(run.exitCode == 0 && run.out.contains(u"#1414ff"));
    if (format == u"json") {
        const QJsonValue sabine =
            QJsonDocument::fromJson(run.out.toUtf8())[u"materials"][0][u"absorption_sabine"][0];
        QCOMPARE(sabine.toDouble(), trueToSabine(library->alphaR[1][1]));
    }
    // Back in the same folder: what the window's save writes, byte for byte.
    const Run imported =
        runQuillon(folder.path(), {"import", "--format", format, "-", "."}, run.out.toUtf8());
    QVERIFY2(imported.exitCode == 0 && imported.err.contains(u"note: the name is cut to the 65"),
             qPrintable(imported.err));
    QCOMPARE(readFile(materialPath), writeMaterialFile(*library));
    QCOMPARE(readFile(colorPath), writeColorFile(*library));
}

void TestCommandLine::commands_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");          // a part of the output
    QTest::addColumn<QString>("err");          // a part of the error output
    QTest::addColumn<QByteArray>("materials"); // null: the sample library's folder
    QTest::addColumn<QByteArray>("colors");    // null: no colour file
    auto row = [](const char *tag, const QStringList &arguments, int exitCode, const char *out,
                  const char *err = "", const QByteArray &materials = {},
                  const QByteArray &colors = {}) {
        QTest::newRow(tag) << arguments << exitCode << QString::fromUtf8(out)
                           << QString::fromUtf8(err) << materials << colors;
    };
    const char *noColors = "./korcolor.mat: note: missing; materials get their palette colours, "
                           "and a save writes the file\n";
    row("help", {"--help"}, 0, "Usage: quillon [--read-only] [FOLDER]\n");
    row("every command's help on check", {"ratings", "-h"}, 0,
        "check counts as problems what the editor's load changes or loses");
    row("version", {"-V"}, 0, "quillon 2.0.0\n");
    row("ratings", {"ratings", "."}, 0, "Ctr\n0\tBéton \"brut\"\t0.60\t0.60\t\tC\t52\t-2\t-6\n");
    row("ratings as CSV, option last", {"ratings", ".", "--format=csv"}, 0,
        "Ctr\r\n0,\"Béton \"\"brut\"\"\",0.60,");
    row("ratings as JSON after --", {"ratings", "--format", "json", "--", "."}, 0,
        "[\n {\"number\": 0, \"name\": \"Béton \\\"brut\\\"\", \"NRC\": 0.60,");
    row("unknown command", {"list"}, 2, "", "unknown command 'list', and no folder");
    row("unknown option", {"check", "-v"}, 2, "", "Unknown option 'v'");
    row("export without format", {"export"}, 2, "", "export needs --format");
    row("format named", {"export", "--format", "xml"}, 2, "",
        "unknown format 'xml': use csv, json or pyroomacoustics");
    row("export for pyroomacoustics", {"export", "--format", "pyroomacoustics", "."}, 0,
        "{\"center_freqs\": [31.5, 63, 125, 250, 500, 1000, 2000, 4000, 8000, 16000],");
    row("ratings format named", {"ratings", "--format=xml"}, 2, "", "use tsv, csv or json");
    row("ratings format empty", {"ratings", "--format", ""}, 2, "", "unknown format ''");
    row("output twice", {"ratings", "-o", "a", "--output", "b"}, 2, "", "--output is given");
    row("empty folder", {"export", "--format=csv", ""}, 2, "", "FOLDER argument is empty\nUsage");
    row("two folders", {"check", ".", "."}, 2, "", "more than one folder");
    row("export, no library", {"export", "--format=csv", "missing"}, 2, "", "could not be read");
    // What the window's load report says reaches standard error, and changes no exit status.
    row("export, no colour file", {"export", "--format=csv", "."}, 0, "number,name", noColors,
        m_materials);

    const QStringList check{"check", "."};
    const QList<QByteArray> lines = m_materials.split('\n');
    // Two spaces fewer before the values, and a second decimal on the first insulation value.
    const QByteArray rewritten = QByteArray(lines[0]).replace(",    0.", ",  0.") + '\n' +
                                 QByteArray(lines[1]).replace(" 21.5 ", " 21.50 ") + '\n';
    row("check clean", check, 0, "3 materials, 0 problems, 0 notes\n", "", m_materials, m_colors);
    // Text from the files and the folder's name stand as they are: "%1" is no place holder.
    row("check values beyond float, colour not a number", {"check", "../w%1 %2"}, 1,
        "../w%1 %2/Korvane.mat:2: 1 value does not fit a 32-bit float: read as 0\n../w%1 "
        "%2/korcolor.mat:2: entry \"r%1d\" is not a colour number: materials 1 to 2 get their "
        "palette colours\n3 materials, 3 ",
        "", QByteArray(m_materials).replace(" 21.5 ", " 1e999 "), " 255 \r\n r%1d \r\n 7 \r\n");
    row("check notes only", check, 0,
        "column 141\n./korcolor.mat:2: note: the next save writes this line differently from "
        "column 1\n./korcolor.mat:3: note: 3 colours for 2 materials: the colours from here on",
        "", rewritten, " 255 \r\n0\r\n 7 \r\n");
    // Material numbers count from 0; a folder's trailing slash is not doubled.
    row("check LF ends, folder with a slash", {"check", "./"}, 0,
        "./korcolor.mat:1: note: lines end in LF alone: they are read as lines, and the next save "
        "ends them with CR LF\n./korcolor.mat:3: note: 2 colours for 3 materials: material 2 gets "
        "its palette colour\n3 materials, 0 problems, 3 notes\n",
        "", QByteArray(m_materials).replace("\r\n", "\n"), " 1 \n 2 \n");
    // A blank colour line is an entry of its own, as the window reads it.
    row("check, colour not a number after a blank line", check, 1,
        "./korcolor.mat:2: note: blank: material 1 gets its palette colour\n./korcolor.mat:3: "
        "entry \"x12\" is not a colour number: material 2 gets its palette colour\n3 materials, ",
        "", m_materials, " 255 \r\n\r\n x12 \r\n 7 \r\n 8 \r\n");
    row("check, no colour file", check, 0,
        QByteArray(noColors) + "3 materials, 0 problems, 1 note\n", "", m_materials);
}

void TestCommandLine::commands()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QByteArray, materials);
    QFETCH(QByteArray, colors);

    QTemporaryDir parent;
    const QDir folder(parent.filePath(u"w%1 %2"_qs));
    QVERIFY(folder.mkpath(u"."_qs));
    if (!materials.isNull())
        writeFile(folder.filePath(kMaterialFileName), materials);
    if (!colors.isNull())
        writeFile(folder.filePath(kColorFileName), colors);
    const Run run = runQuillon(materials.isNull() ? m_root.path() : folder.path(), arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.out.contains(out), qPrintable(run.out));
    QVERIFY2(err.isEmpty() ? run.err.isEmpty() : run.err.contains(err), qPrintable(run.err));
    // Help names the default folder as the real path.
    if (exitCode == 0 && out.startsWith(u"Usage"))
        QVERIFY(run.out.contains(QFileInfo(QStringLiteral(QUILLON_EXECUTABLE)).absolutePath()));
}

void TestCommandLine::writesOrFails_data()
{
    QTest::addColumn<QString>("shell"); // run by sh -c in the sample folder; $Q is quillon
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");
    QTest::addColumn<bool>("written"); // out.csv holds the export
    auto row = [](const char *tag, const char *shell, int exitCode, const char *err,
                  bool written = false) {
        QTest::newRow(tag) << shell << exitCode << QString::fromUtf8(err) << written;
    };
    row("full disk", "$Q export --format csv . > /dev/full", 2,
        "quillon: cannot write the output: No space left on device\n");
    row("closed output", "$Q ratings . >&-", 2, "quillon: cannot write the output: ");
    row("closed pipe", "$Q export --format json . | head -c 1 >/dev/null", 0, "");
    row("to a file, nothing else", "$Q export -o out.csv --format csv . && test $(ls | wc -l) = 3",
        0, "", true);
    // While another program holds the library's lock, a dry run cannot compare with it.
    row("dry run of a locked library",
        "lib=$($Q export --format csv .) && exec 9<. && flock 9 && "
        "printf '%s\\n' \"$lib\" | $Q import --format csv --dry-run - .",
        2, "quillon: Another program is saving the library");
    // The lock is taken on the folder the files really live in.
    row("locked where the linked files live",
        "mkdir X && mv K*.mat k*.mat X && ln -s X/Korvane.mat X/korcolor.mat . && exec 9<X && "
        "flock 9 && $Q ratings .",
        2, "quillon: Another program is saving the library");
    row("no half file", "$Q export --format csv -o /dev/full/out.csv .", 2,
        "quillon: cannot write the output: /dev/full/out.csv");
    row("- is standard output", "$Q export -o - --format csv . > out.csv", 0, "", true);
    row("into a FIFO", "mkfifo f; cat f > out.csv & $Q export --format csv -o f . && wait $!", 0,
        "", true);
    row("standard output by name", "$Q export --format csv -o /dev/stdout . > out.csv", 0, "",
        true);
    row("through a link",
        "ln -s t out.csv && $Q export --format csv -o out.csv . && test -L out.csv", 0, "", true);
    // Readers never complete a save that was cut off: that is a write.
    row("readers leave a cut save",
        "cp Korvane.mat Korvane.mat.saving && cp korcolor.mat "
        "korcolor.mat.ready && $Q export --format csv . && $Q ratings . && test -f "
        "Korvane.mat.saving -a -f korcolor.mat.ready",
        0, "quillon: note: ");
}

void TestCommandLine::writesOrFails()
{
    QFETCH(QString, shell);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    QFETCH(bool, written);

    const auto dir = sampleFolder();
    QTemporaryDir &folder = *dir;
    const QString quillon = QStringLiteral("'" QUILLON_EXECUTABLE "'");
    const Run run =
        runProcess(folder.path(), u"/bin/sh"_qs, {u"-c"_qs, shell.replace(u"$Q"_qs, quillon)});
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(err.isEmpty() ? run.err.isEmpty() : run.err.startsWith(err), qPrintable(run.err));
    QCOMPARE(readFile(folder.filePath(u"out.csv"_qs)),
             written ? runQuillon(folder.path(), {"export", "--format", "csv", "."}).out.toUtf8()
                     : QByteArray());
}

void TestCommandLine::imports_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");         // a part of the output or of the error output
    QTest::addColumn<QByteArrayList>("files"); // afterwards; empty: untouched

    const QByteArray head =
        "number,name,color,group,31.5,63,125,250,500,1000,2000,4000,8000,16000\n";
    const QStringList csv{"--format", "csv"};
    const QStringList json{"--format", "json"};
    const QStringList merge = csv + QStringList{"--merge"};
    const auto row = [](const char *tag, const QStringList &options, const QByteArray &input,
                        int exitCode, const char *says, const MaterialLibrary *result = nullptr) {
        QTest::newRow(tag) << options << input << exitCode << QString::fromUtf8(says)
                           << (result ? QByteArrayList{writeMaterialFile(*result),
                                                       writeColorFile(*result)}
                                      : QByteArrayList());
    };
    const QByteArray tenths = ",0.1,0.2,0.3,0.4,0.5,0.6,0.7,0.8,0.9,1\n";
    const QByteArray panel = "1,Panel,#1414ff,insulation_db" + tenths;

    auto merged = std::make_unique<MaterialLibrary>(*m_library);
    merged->insulationR[2] = {0, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1};
    row("merge one group", merge, head + panel, 0, "3 materials: 0 added, 0 removed, 1 changed\n",
        merged.get());
    row("dry run", merge + QStringList{"--dry-run"}, head + panel, 0,
        "material 1: insulation_db: 31.5 Hz 21.5 becomes 0.1, 63 Hz 22.5 becomes 0.2, 125 Hz");
    // Sabine values count only where no "True" ones are given; an empty colour is kept.
    auto sabine = std::make_unique<MaterialLibrary>(*m_library);
    sabine->materialNames[1] = "X";
    sabine->alphaR[1].fill(float(sabineToTrue(0.5)));
    sabine->alphaR[2] = merged->insulationR[2];
    row("Sabine where no True", merge,
        head + "0,X,,absorption_sabine" + QByteArray(",0.5").repeated(10) + "\n" +
            "1,Panel,,absorption_true" + tenths + "1,Panel,,absorption_sabine" + tenths,
        0, "", sabine.get());
    auto energy = std::make_unique<MaterialLibrary>(*m_library);
    energy->alphaR[3] = merged->insulationR[2];
    energy->hasAlpha[3] = true;
    row("JSON energy_absorption by reversed center_freqs", json + QStringList{"--merge"},
        R"({"center_freqs": [16000, 8000, 4000, 2000, 1000, 500, 250, 125, 63, 31.5], "materials": )"
        R"([{"number": 2, "energy_absorption": {"coeffs": [1, 0.9, 0.8, 0.7, 0.6, 0.5, 0.4, 0.3, )"
        R"(0.2, 0.1]}}]})",
        0, "", energy.get());
    // Material 0 has absorption values and keeps them where the thirds give none.
    auto thirds = std::make_unique<MaterialLibrary>(*m_library);
    thirds->alphaR[3] = {0, 0.5f, 0.5f, 0.5f, 1.25f, 2, 2.75f, 3.5f, 4.25f, 4.25f, 4.25f};
    thirds->hasAlpha[3] = true;
    std::copy_n(thirds->alphaR[3].begin() + 3, 6, thirds->alphaR[1].begin() + 3);
    QByteArray quarters;
    for (int i = 1; i <= 18; ++i)
        quarters += ',' + QByteArray::number(i / 4.0);
    row("one-third octaves by frequency", merge,
        "number,name,color,group,100,125,160,200,250,315,400,500,630,800,1000,1250,1600,2000,"
        "2500,3150,4000,5000\n2,Empty,,absorption_true" +
            quarters + "\n0,\"Béton \"\"brut\"\"\",,absorption_true" + quarters + "\n",
        0,
        "<stdin>:1: note: 2 materials of one-third-octave data, 100 Hz to 5 kHz: octaves 125 Hz "
        "to 4 kHz are means of three bands; 31.5 and 63 Hz and 8 and 16 kHz filled from the "
        "nearest octave for 1 material\n",
        thirds.get());
    // The database's materials join after the library's last one.
    auto appended = std::make_unique<MaterialLibrary>(*m_library);
    appended->materialCount = 5;
    for (size_t n = 4; n <= 5; ++n) {
        appended->materialNames[n] = m_library->materialNames[n - 3];
        appended->alphaR[n] = m_library->alphaR[n - 3];
        appended->hasAlpha[n] = true;
        appended->materialColors[n] = defaultColor(int(n));
    }
    const QStringList pyroom{"--format", "pyroomacoustics"};
    row("pyroomacoustics round trip, merged", pyroom + QStringList{"--merge"},
        writePyroomDatabase(*m_library), 0, "5 materials: 2 added, 0 removed, 0 changed\n",
        appended.get());
    // Entries of 5, 6 and 7 coefficients at 125 Hz to 8 kHz: the library's edges filled.
    auto database = std::make_unique<MaterialLibrary>();
    database->materialCount = 3;
    database->materialNames = {"", "Brick", "Board", "Board (2)"};
    database->alphaR[1] = {0, 0.1f, 0.1f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.5f, 0.5f, 0.5f};
    database->alphaR[2] = {0, 0.1f, 0.1f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.6f, 0.6f};
    database->alphaR[3] = {0, 0.1f, 0.1f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.7f};
    database->hasAlpha = {false, true, true, true};
    database->materialColors = m_library->materialColors;
    row("pyroomacoustics database", pyroom + QStringList{"--replace"},
        R"({"center_freqs": [125, 250, 500, 1000, 2000, 4000, 8000], "absorption": {"Walls": {)"
        R"("b": {"description": "Brick", "coeffs": [0.1, 0.2, 0.3, 0.4, 0.5]}, "c": )"
        R"({"description": "Board", "coeffs": [0.1, 0.2, 0.3, 0.4, 0.5, 0.6]}}, "Floors": {"a": )"
        R"({"description": "Board", "coeffs": [0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7]}}}, )"
        R"("scattering": {"Rough": {"r": {"description": "R", "coeffs": [0.1]}}}})",
        0, "<stdin>: note: 1 scattering entry not imported", database.get());
    auto composed = std::make_unique<MaterialLibrary>(*m_library);
    composed->materialNames[1] = "B\xE9ton";
    row("name composed", merge, head + "0,Be\xCC\x81ton,,,,,,,,,,,,\n", 0, "", composed.get());
    auto whole = std::make_unique<MaterialLibrary>();
    whole->materialCount = 2;
    whole->materialNames[2] = "Only";
    whole->materialColors[1] = defaultColor(1);
    row("whole library, replaced", csv + QStringList{"--replace"},
        head + "1,Only,#000000" + QByteArray(11, ',') + "\n", 0, "", whole.get());
    row("whole library, colours kept", csv,
        QString::fromUtf8(exportCsv(*m_library))
            .remove(QRegularExpression(u"#[0-9a-f]{6}"_qs))
            .toUtf8(),
        0, "3 materials: 0 added, 0 removed, 0 changed\n", m_library.get());

    // Refused: nothing is written.
    const auto refused = [&](const char *tag, const QByteArray &input, const char *says,
                             const QStringList &options = {"--format", "csv"}) {
        row(tag, options, options == csv ? head + input : input, 2, says);
    };
    const QByteArray onlyPanel = "1,Panel,," + QByteArray(10, ',') + "\n";
    refused("materials lost", onlyPanel, "would remove 1 material and empty 1 material that");
    row("materials lost, dry run", csv + QStringList{"--dry-run"}, head + onlyPanel, 2,
        "material 2 removed: \"Empty\"\n0 materials added, 1 removed, 2 changed; nothing was ");
    refused("not a number", QByteArray(panel).replace("0.3", "abc"),
            "<stdin>:2: the 125 Hz value \"abc\" is not a finite number");
    refused("beyond float", QByteArray(panel).replace("0.3", "1e39"),
            "does not fit a 32-bit float");
    refused("number 999", "999,A,,,,,,,,,,,,\n", "the material number 999 is not one of 0 to 998");
    refused("20 problems listed", QByteArray("x\n").repeated(25),
            "<stdin>:21: 1 fields where 14 belong: number, name, color, group and 10 bands\n"
            "\u2026 and 5 more\nquillon: nothing was written");
    refused("group twice", panel + panel, "<stdin>:3: insulation_db of material 1 is given twice");
    refused("unknown group", "1,A,,alpha" + tenths, "unknown group \"alpha\"");
    row("unknown column", csv, "number,name,colour\n", 2,
        "<stdin>:1: the columns are \"number,name,colour\" where number,name,color,group,31.5,");
    // A German spreadsheet's ";" and decimal commas, with pandas' index column.
    row("semicolons, index column", merge,
        ";number;name;color;group;31,5;63;125;250;500;1000;2000;4000;8000;16000\n"
        "7;1;Panel;#1414ff;insulation_db;0,1;0,2;0,3;0,4;0,5;0,6;0,7;0,8;0,9;1\n",
        0, "", merged.get());
    refused("nine bands", "1,A,,scattering,1,2,3,4,5,6,7,8,9\n", "13 fields where 14 belong");
    refused("colour", "1,A,red,,,,,,,,,,,\n", "the colour \"red\" is not #rrggbb");
    refused("name outside Windows-1252", "1,名,,,,,,,,,,,,\n", "Windows-1252 cannot hold");
    refused("not UTF-8", "1,A,,,,,,,,,,,,\n2,B\xE9ton,,,,,,,,,,,,\n",
            "<stdin>:3: the text is not UTF-8 (Latin-1 or Windows-1252?)");
    row("UTF-16", csv, "\xFF\xFEn\0u\0", 2, "<stdin>:1: the text is not UTF-8 (UTF-16?)");
    refused("quote not closed", "1,\"A,,,,,,,,,,,,\n", "<stdin>:2: a quoted field is not closed");
    refused("text after a quote", "\n1,\"A\"B,,,,,,,,,,,,\n", "<stdin>:3: text after a closing");
    refused("Sabine below its minimum",
            "0,X,,absorption_sabine" + QByteArray(",-1").repeated(10) + "\n",
            "no \"True\" value below");
    refused("JSON unknown key", R"({"materials": [{"number": 1, "alpha": []}]})",
            "<stdin>: materials[0]: unknown key \"alpha\"", json);
    refused("JSON nine values",
            R"({"materials": [{"number": 1, "insulation_db": [1,2,3,4,5,6,7,8,9]}]})",
            "insulation_db has 9 values where 10 belong", json);
    refused("JSON number twice", R"({"materials": [{"number": 1}, {"number": 1}]})",
            "materials[1]: material 1 is given twice (first at materials[0])", json);
    refused("JSON key twice", "{\"materials\": [{\"number\": 0,\n\"numb\\u0065r\": 1}]}",
            "<stdin>:2: the key \"number\" is given twice", json);
    refused("not JSON", "{\n\"materials\": [", "<stdin>:2: not JSON", json);
    refused("center_freqs off the grid", R"({"center_freqs": [125, 250, 600], "materials": []})",
            "<stdin>:1: center_freqs: \"600\" is not a nominal band frequency", json);
    refused("coeffs and center_freqs differ",
            R"({"materials": [{"number": 1, "scattering": {"coeffs": [0.1, 0.2, 0.3], )"
            R"("center_freqs": [125, 250, 500, 1000]}}]})",
            "scattering has 3 values where 4 belong, one for each of its center_freqs", json);
}

void TestCommandLine::imports()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, input);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    QFETCH(QByteArrayList, files);

    const auto dir = sampleFolder();
    QTemporaryDir &folder = *dir;
    const Run run =
        runQuillon(folder.path(), QStringList{"import"} + options + QStringList{"-", "."}, input);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2((run.out + run.err).contains(says), qPrintable(run.out + run.err));
    if (files.isEmpty())
        files = QByteArrayList{m_materials, m_colors};
    QCOMPARE(readFile(folder.filePath(kMaterialFileName)), files[0]);
    QCOMPARE(readFile(folder.filePath(kColorFileName)), files[1]);
}

void TestCommandLine::manPageCoversHelp_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("--help") << QStringList{u"--help"_qs};
    for (const QString &command : helpWords(runQuillon(u"."_qs, {u"--help"_qs}).out, true))
        QTest::newRow(qPrintable(command + u" -h"_qs)) << QStringList{command, u"-h"_qs};
}

void TestCommandLine::manPageCoversHelp()
{
    QFETCH(QStringList, arguments);
    const QString help = runQuillon(u"."_qs, arguments).out;
    QStringList words = helpWords(help, false);
    for (const QString &listed : helpWords(arguments.size() == 1 ? help : QString(), true))
        words << u"quillon "_qs + listed;
    QVERIFY(words.contains(u"--help"_qs));
    QFile file(QStringLiteral(QUILLON_MAN_PAGE));
    QVERIFY(file.open(QIODevice::ReadOnly));
    // The words as the page's reader sees them: fonts, break points and escaped hyphens undone.
    static const QRegularExpression markup(uR"(\\f[BIRP]|\\:|\\&)"_qs);
    const QString page =
        QString::fromUtf8(file.readAll()).remove(markup).replace(u"\\-"_qs, u"-"_qs);
    for (const QString &word : words)
        QVERIFY2(page.contains(QRegularExpression(
                     uR"((?<![\w-]))"_qs + QRegularExpression::escape(word) + uR"((?![\w-]))"_qs)),
                 qPrintable(word + u" is not in the man page"_qs));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
