#include "AbsorptionConversions.h"
#include "Cp1252.h"
#include "LibraryFiles.h"
#include "LibraryStorage.h"

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
Run runQuillon(const QString &folder, const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral(QUILLON_EXECUTABLE), arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
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

// RFC 4180 fields, quoted or not.
QStringList csvFields(const QString &row)
{
    static const QRegularExpression field(
        QStringLiteral("(?:^|,)(?:\"((?:[^\"]|\"\")*)\"|([^,]*))"));
    QStringList fields;
    for (const QRegularExpressionMatch &m : field.globalMatch(row))
        fields << (m.hasCaptured(1)
                       ? m.captured(1).replace(QLatin1String("\"\""), QLatin1String("\""))
                       : m.captured(2));
    return fields;
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

private:
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
    const bool json = format == QLatin1String("json");
    const Run run = runQuillon(m_root.path(), {"export", "--format", format, "."});
    QCOMPARE(run.exitCode, 0);

    // "number|name|colour|group" -> the ten values, as read back and as in the library
    QMap<QString, QList<float>> bands, expected;
    auto key = [](const auto &number, const QString &name, const QString &color,
                  const QString &group) {
        return u"%1|%2|%3|%4"_qs.arg(number).arg(name, color, group);
    };
    if (json) {
        const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8()).object();
        for (const QJsonValue &value : root[u"materials"].toArray()) {
            const QJsonObject m = value.toObject();
            for (const QString &group : m.keys()) {
                if (group == u"absorption_sabine")
                    continue; // the conversion's own output, checked with the conversions
                const QJsonValue v = m[group];
                const QString k =
                    key(m[u"number"].toInt(), m[u"name"].toString(), m[u"color"].toString(), group);
                for (const QJsonValue &x : (v.isObject() ? v[u"coeffs"] : v).toArray())
                    bands[k] << static_cast<float>(x.toDouble());
            }
        }
    } else {
        QStringList rows = run.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(rows.takeFirst(),
                 "number,name,color,group,31.5,63,125,250,500,1000,2000,4000,8000,16000");
        for (const QString &row : rows) {
            const QStringList fields = csvFields(row);
            for (const QString &field : fields.mid(4))
                bands[key(fields[0], fields[1], fields[2], fields[3])] << field.toFloat();
        }
    }

    const MaterialLibrary &lib = *m_library;
    for (int n = 1; n <= lib.materialCount; ++n) {
        const auto slot = static_cast<size_t>(n);
        auto add = [&](bool has, const char *group, const BandRow &row) {
            if (has)
                expected[key(n - 1, decodeCp1252(lib.materialNames[slot]),
                             QString::asprintf("#%02x14ff", 10 * n), QLatin1String(group))] =
                    QList<float>(row.begin() + 1, row.end());
        };
        add(lib.hasAlpha[slot], "absorption_true", lib.alphaR[slot]);
        add(lib.hasInsulation[slot], "insulation_db", lib.insulationR[slot]);
        add(lib.hasScattering[slot], "scattering", lib.scattering[slot]);
        add(json && lib.hasAlpha[slot], "energy_absorption", lib.alphaR[slot]);
    }
    QCOMPARE(bands, expected);
}

void TestCommandLine::commands_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // the whole output, or how it begins when it ends in "..."
    QTest::addColumn<QString>("err"); // a part of the error output
    QTest::addColumn<QByteArray>("materials"); // null: the sample library's folder
    QTest::addColumn<QByteArray>("colors");    // null: no colour file
    auto row = [](const char *tag, const QStringList &arguments, int exitCode, const char *out,
                  const char *err = "", const QByteArray &materials = {},
                  const QByteArray &colors = {}) {
        QTest::newRow(tag) << arguments << exitCode << QString::fromUtf8(out)
                           << QString::fromUtf8(err) << materials << colors;
    };
    row("help", {"--help"}, 0, "Usage: quillon...");
    row("version", {"--version"}, 0, "quillon 2.0.0\n");
    row("ratings", {"ratings", "."}, 0,
        "number\tname\tNRC\talpha_w\tshape\tclass\tRw\tC\tCtr\n"
        "0\tBéton \"brut\"\t0.60\t0.60\t\tC\t52\t-2\t-6\n"
        "1\tPanel\t0.65\t0.60\tM\tC\t54\t-2\t-6\n2\tEmpty\t\t\t\t\t\t\t\n");
    row("unknown command", {"list"}, 2, "", "Usage: quillon");
    row("unknown option", {"check", "-v"}, 2, "", "Usage: quillon");
    row("export without format", {"export"}, 2, "", "--format");
    row("export as xml", {"export", "--format", "xml"}, 2, "", "--format");
    row("export, no library", {"export", "--format=csv", "missing"}, 2, "", "could not be read");

    const QStringList check{"check", "."};
    const QList<QByteArray> lines = m_materials.split('\n');
    // Two spaces fewer before the values, and a second decimal on the first insulation value.
    const QByteArray rewritten = QByteArray(lines[0]).replace(",    0.", ",  0.") + '\n' +
                                 QByteArray(lines[1]).replace(" 21.5 ", " 21.50 ") + '\n';
    row("check clean", check, 0, "3 materials, 0 problems, 0 notes\n", "", m_materials, m_colors);
    // Text from the files stands as it is: "%1" is no place holder.
    row("check values beyond float, colour not a number", check, 1,
        "./Korvane.mat:1: 1 value does not fit a 32-bit float: read as 0\n"
        "./Korvane.mat:2: 1 value does not fit a 32-bit float: read as 0\n"
        "./korcolor.mat:2: entry \"r%1d\" is not a colour number: materials 1 to 2 get their "
        "palette colours\n3 materials, 3 problems, 0 notes\n",
        "", QByteArray(m_materials).replace(" 21.5 ", " 1e999 "), " 255 \r\n r%1d \r\n 7 \r\n");
    row("check notes only", check, 0,
        "./Korvane.mat:1: note: the next save writes this line differently from column 74\n"
        "./Korvane.mat:2: note: the next save writes this line differently from column 141\n"
        "./korcolor.mat:2: note: the next save writes this line differently from column 1\n"
        "./korcolor.mat:3: note: 3 colours for 2 materials: the colours from here on are not "
        "used, and the next save leaves them out\n2 materials, 0 problems, 4 notes\n",
        "", rewritten, " 255 \r\n0\r\n 7 \r\n");
    // Material numbers count from 0; a folder's trailing slash is not doubled.
    row("check LF ends, folder with a slash", {"check", "./"}, 0,
        "./Korvane.mat:1: note: lines end in LF alone: they are read as lines, and the next save "
        "ends them with CR LF\n"
        "./korcolor.mat:1: note: lines end in LF alone: they are read as lines, and the next save "
        "ends them with CR LF\n"
        "./korcolor.mat:3: note: 2 colours for 3 materials: material 2 gets its palette colour\n"
        "3 materials, 0 problems, 3 notes\n",
        "", QByteArray(m_materials).replace("\r\n", "\n"), " 1 \n 2 \n");
    // The folder's name stands as it is.
    row("check, %1 in the folder's name", {"check", "../w%1 %2"}, 1,
        "../w%1 %2/korcolor.mat:2: entry \"abc\" is not a colour number: materials 1 to 2 get "
        "their palette colours\n3 materials, 1 problem, 0 notes\n",
        "", m_materials, " 255 \r\n abc \r\n 7 \r\n");
    row("check, no colour file", check, 2, "", "korcolor.mat: cannot be read", m_materials);
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
    if (out.endsWith(u"..."))
        QVERIFY2(run.out.startsWith(out.chopped(3)), qPrintable(run.out));
    else
        QCOMPARE(run.out, out);
    QVERIFY2(err.isEmpty() ? run.err.isEmpty() : run.err.contains(err), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
