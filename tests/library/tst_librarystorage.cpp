#include "LibraryFiles.h"
#include "LibraryStorage.h"
#include "MaterialLibrary.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <unistd.h>

using namespace quillon;

namespace {

bool sameLibrary(const MaterialLibrary &a, const MaterialLibrary &b)
{
    return a.materialCount == b.materialCount && a.materialNames == b.materialNames &&
           a.alphaR == b.alphaR && a.insulationR == b.insulationR && a.scattering == b.scattering &&
           a.hasAlpha == b.hasAlpha && a.hasInsulation == b.hasInsulation &&
           a.hasScattering == b.hasScattering && a.materialColors == b.materialColors &&
           a.librarySaved == b.librarySaved;
}

MaterialLibrary sampleLibrary()
{
    MaterialLibrary library;
    library.materialCount = 4;
    library.materialNames[1] = "Concrete";
    library.materialNames[2] = "Caf\xE9 curtain";
    library.materialNames[4] = "Glass";
    for (size_t b = 1; b <= kBandCount; ++b) {
        library.alphaR[1][b] = 0.01f * static_cast<float>(b);
        library.insulationR[1][b] = 30.0f + static_cast<float>(b);
        library.scattering[1][b] = 0.1f;
        library.alphaR[2][b] = 0.55f;
        library.insulationR[4][b] = -2.5f;
    }
    library.hasAlpha[1] = library.hasInsulation[1] = library.hasScattering[1] = true;
    library.hasAlpha[2] = true;
    library.hasInsulation[4] = true;
    library.materialColors[1] = 255;
    library.materialColors[2] = 0;
    library.materialColors[3] = 4194368;
    library.materialColors[4] = -1;
    library.materialColors[5] = 77;
    return library;
}

QByteArray materialLines(int count, bool finalLineEnd = true)
{
    QByteArray data;
    for (int n = 1; n <= count; ++n) {
        data += QByteArray::number(n - 1) + "  M" + QByteArray::number(n - 1) + ", 0.25";
        if (n < count || finalLineEnd)
            data += "\r\n";
    }
    return data;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

enum class SaveFailure {
    MaterialFolderGone,
    ColorFolderGone,
    MaterialPathIsFolder,
    ColorPathIsFolder
};

} // namespace

class TestLibraryStorage : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void buildsPathsInFolder();
    void loadsBothFiles();
    void refusesMissingMaterialFile();
    void refusesMaterialPathThatIsAFolder();
    void refusesTooManyLines_data();
    void refusesTooManyLines();
    void loads999Lines_data();
    void loads999Lines();
    void givesPaletteWithoutColorFile();
    void keepsColorsBeforeBadEntry();
    void loadsEmptyMaterialFile();
    void savesExactBytes();
    void savesEmptyLibraryAsEmptyFiles();
    void failedSaveKeepsOldFiles_data();
    void failedSaveKeepsOldFiles();
    void failedSaveInReadOnlyFolder();
    void roundTripIsStable();

private:
    QString folderPath() const { return m_dir->path(); }
    QString materialPath() const { return materialFilePath(m_dir->path()); }
    QString colorPath() const { return colorFilePath(m_dir->path()); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestLibraryStorage::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestLibraryStorage::cleanup()
{
    m_dir.reset();
}

void TestLibraryStorage::buildsPathsInFolder()
{
    const QString folder = QDir::toNativeSeparators(QStringLiteral("/opt/quillon"));
    QCOMPARE(materialFilePath(QStringLiteral("/opt/quillon")),
             folder + QDir::separator() + QStringLiteral("Korvane.mat"));
    QCOMPARE(colorFilePath(QStringLiteral("/opt/quillon")),
             folder + QDir::separator() + QStringLiteral("korcolor.mat"));
}

void TestLibraryStorage::loadsBothFiles()
{
    writeBytes(materialPath(), "0  Wall, 0.1, 30\r\n\r\n2  Door, 0.2\r\n");
    writeBytes(colorPath(), " 0 \r\n 255 \r\n");

    MaterialLibrary library;
    const LoadOutcome outcome = loadLibraryFiles(materialPath(), colorPath(), library);
    QVERIFY2(outcome.ok, qPrintable(outcome.message));
    QCOMPARE(outcome.materials.lineCount, 3);
    QCOMPARE(outcome.colors.colorsRead, 2);
    QVERIFY(outcome.colors.problem.isEmpty());
    QCOMPARE(library.materialCount, 3);
    QCOMPARE(library.materialNames[1], QByteArray("Wall"));
    QCOMPARE(library.materialNames[2], QByteArray());
    QCOMPARE(library.materialNames[3], QByteArray("Door"));
    QCOMPARE(library.insulationR[1][1], 30.0f);
    QVERIFY(library.hasInsulation[1] && !library.hasAlpha[2] && !library.hasInsulation[3]);
    QCOMPARE(library.materialColors[1], kBlackReplacement);
    QCOMPARE(library.materialColors[2], 255);
    QCOMPARE(library.materialColors[3], defaultColor(3));
}

void TestLibraryStorage::refusesMissingMaterialFile()
{
    writeBytes(colorPath(), " 255 \r\n");
    MaterialLibrary library = sampleLibrary();
    const LoadOutcome outcome = loadLibraryFiles(materialPath(), colorPath(), library);
    QVERIFY(!outcome.ok);
    QVERIFY2(outcome.message.contains(materialPath()), qPrintable(outcome.message));
    QVERIFY(sameLibrary(library, sampleLibrary()));
}

void TestLibraryStorage::refusesMaterialPathThatIsAFolder()
{
    QVERIFY(QDir().mkpath(materialPath()));
    writeBytes(colorPath(), " 255 \r\n");
    MaterialLibrary library = sampleLibrary();
    const LoadOutcome outcome = loadLibraryFiles(materialPath(), colorPath(), library);
    QVERIFY(!outcome.ok);
    QVERIFY2(outcome.message.contains(materialPath()), qPrintable(outcome.message));
    QVERIFY(sameLibrary(library, sampleLibrary()));
}

void TestLibraryStorage::refusesTooManyLines_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("lines");

    QTest::newRow("1000 lines") << materialLines(1000) << 1000;
    QTest::newRow("1000 without final line end") << materialLines(1000, false) << 1000;
    QTest::newRow("999 lines and an empty one") << materialLines(999) + "\r\n" << 1000;
    QTest::newRow("1500 lines") << materialLines(1500) << 1500;
}

void TestLibraryStorage::refusesTooManyLines()
{
    QFETCH(QByteArray, data);
    QFETCH(int, lines);

    writeBytes(materialPath(), data);
    writeBytes(colorPath(), " 255 \r\n");
    MaterialLibrary library = sampleLibrary();
    const LoadOutcome outcome = loadLibraryFiles(materialPath(), colorPath(), library);
    QVERIFY(!outcome.ok);
    QVERIFY2(outcome.message.contains(materialPath()), qPrintable(outcome.message));
    QVERIFY2(outcome.message.contains(QString::number(lines)), qPrintable(outcome.message));
    QVERIFY(sameLibrary(library, sampleLibrary()));
}

void TestLibraryStorage::loads999Lines_data()
{
    QTest::addColumn<bool>("finalLineEnd");
    QTest::newRow("with final line end") << true;
    QTest::newRow("without final line end") << false;
}

void TestLibraryStorage::loads999Lines()
{
    QFETCH(bool, finalLineEnd);

    writeBytes(materialPath(), materialLines(kMaxMaterials, finalLineEnd));
    MaterialLibrary library;
    const LoadOutcome outcome = loadLibraryFiles(materialPath(), colorPath(), library);
    QVERIFY2(outcome.ok, qPrintable(outcome.message));
    QCOMPARE(library.materialCount, kMaxMaterials);
    QCOMPARE(library.materialNames[kMaxMaterials], QByteArray("M998"));
    QCOMPARE(library.alphaR[kMaxMaterials][1], 0.25f);
    QCOMPARE(library.materialColors[kMaxMaterials], defaultColor(kMaxMaterials));
}

void TestLibraryStorage::givesPaletteWithoutColorFile()
{
    writeBytes(materialPath(), materialLines(16));
    MaterialLibrary library;
    const LoadOutcome outcome = loadLibraryFiles(materialPath(), colorPath(), library);
    QVERIFY2(outcome.ok, qPrintable(outcome.message));
    QCOMPARE(outcome.colors.colorsRead, 0);
    for (int n = 1; n <= 16; ++n)
        QCOMPARE(library.materialColors[static_cast<size_t>(n)], defaultColor(n));
    QCOMPARE(library.materialColors[14], 0);
}

void TestLibraryStorage::keepsColorsBeforeBadEntry()
{
    writeBytes(materialPath(), materialLines(4));
    writeBytes(colorPath(), " 11 \r\n 22 \r\n #33 \r\n 44 \r\n");
    MaterialLibrary library;
    const LoadOutcome outcome = loadLibraryFiles(materialPath(), colorPath(), library);
    QVERIFY2(outcome.ok, qPrintable(outcome.message));
    QCOMPARE(outcome.colors.colorsRead, 2);
    QVERIFY(!outcome.colors.problem.isEmpty());
    QCOMPARE(library.materialColors[1], 11);
    QCOMPARE(library.materialColors[2], 22);
    QCOMPARE(library.materialColors[3], defaultColor(3));
    QCOMPARE(library.materialColors[4], defaultColor(4));
}

void TestLibraryStorage::loadsEmptyMaterialFile()
{
    writeBytes(materialPath(), QByteArray());
    writeBytes(colorPath(), " 11 \r\n 22 \r\n");
    MaterialLibrary library;
    const LoadOutcome outcome = loadLibraryFiles(materialPath(), colorPath(), library);
    QVERIFY2(outcome.ok, qPrintable(outcome.message));
    QCOMPARE(library.materialCount, 0);
    QCOMPARE(library.materialColors[1], 11);

    const SaveOutcome saved = saveLibraryFiles(materialPath(), colorPath(), library);
    QVERIFY2(saved.ok, qPrintable(saved.message));
    QCOMPARE(readBytes(materialPath()), QByteArray());
    QCOMPARE(readBytes(colorPath()), QByteArray());
}

void TestLibraryStorage::savesExactBytes()
{
    // Longer old files must not leave a tail behind.
    writeBytes(materialPath(), QByteArray(5000, 'x'));
    writeBytes(colorPath(), QByteArray(5000, 'y'));

    const MaterialLibrary library = sampleLibrary();
    const SaveOutcome outcome = saveLibraryFiles(materialPath(), colorPath(), library);
    QVERIFY2(outcome.ok, qPrintable(outcome.message));
    QCOMPARE(readBytes(materialPath()), writeMaterialFile(library));
    QCOMPARE(readBytes(colorPath()), writeColorFile(library));
    QCOMPARE(entries(folderPath()), QStringList({"Korvane.mat", "korcolor.mat"}));
}

void TestLibraryStorage::savesEmptyLibraryAsEmptyFiles()
{
    writeBytes(materialPath(), "0  Old, 0.1\r\n");
    const SaveOutcome outcome = saveLibraryFiles(materialPath(), colorPath(), MaterialLibrary());
    QVERIFY2(outcome.ok, qPrintable(outcome.message));
    QVERIFY(QFile::exists(materialPath()));
    QVERIFY(QFile::exists(colorPath()));
    QCOMPARE(readBytes(materialPath()), QByteArray());
    QCOMPARE(readBytes(colorPath()), QByteArray());
}

void TestLibraryStorage::failedSaveKeepsOldFiles_data()
{
    QTest::addColumn<SaveFailure>("failure");
    QTest::newRow("material folder gone") << SaveFailure::MaterialFolderGone;
    QTest::newRow("colour folder gone") << SaveFailure::ColorFolderGone;
    QTest::newRow("material path is a folder") << SaveFailure::MaterialPathIsFolder;
    QTest::newRow("colour path is a folder") << SaveFailure::ColorPathIsFolder;
}

void TestLibraryStorage::failedSaveKeepsOldFiles()
{
    QFETCH(SaveFailure, failure);

    const QByteArray oldMaterials = "0  Old, 0.1\r\n";
    const QByteArray oldColors = " 255 \r\n";
    writeBytes(materialPath(), oldMaterials);
    writeBytes(colorPath(), oldColors);

    const QString gone = m_dir->filePath(QStringLiteral("gone"));
    QVERIFY(QDir().mkpath(gone));
    QVERIFY(QDir(gone).removeRecursively());
    const QString other = m_dir->filePath(QStringLiteral("other"));
    QVERIFY(QDir().mkpath(other));

    QString materialTarget = materialPath();
    QString colorTarget = colorPath();
    QString failing;
    switch (failure) {
    case SaveFailure::MaterialFolderGone:
        failing = materialTarget = materialFilePath(gone);
        break;
    case SaveFailure::ColorFolderGone:
        failing = colorTarget = colorFilePath(gone);
        break;
    case SaveFailure::MaterialPathIsFolder:
        failing = materialTarget = materialFilePath(other);
        QVERIFY(QDir().mkpath(materialTarget));
        break;
    case SaveFailure::ColorPathIsFolder:
        failing = colorTarget = colorFilePath(other);
        QVERIFY(QDir().mkpath(colorTarget));
        break;
    }
    const QStringList before = entries(folderPath());

    const SaveOutcome outcome = saveLibraryFiles(materialTarget, colorTarget, sampleLibrary());
    QVERIFY(!outcome.ok);
    QVERIFY2(outcome.message.contains(failing), qPrintable(outcome.message));
    QCOMPARE(readBytes(materialPath()), oldMaterials);
    QCOMPARE(readBytes(colorPath()), oldColors);
    QCOMPARE(entries(folderPath()), before);
    QVERIFY(!QFileInfo::exists(gone));
    QCOMPARE(entries(other).size(), failure == SaveFailure::MaterialPathIsFolder ||
                                            failure == SaveFailure::ColorPathIsFolder
                                        ? 1
                                        : 0);
}

void TestLibraryStorage::failedSaveInReadOnlyFolder()
{
    const QByteArray oldMaterials = "0  Old, 0.1\r\n";
    const QByteArray oldColors = " 255 \r\n";
    writeBytes(materialPath(), oldMaterials);
    writeBytes(colorPath(), oldColors);

    const QString folder = folderPath();
    const QFile::Permissions permissions = QFile::permissions(folder);
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    const auto restore = qScopeGuard([&] { QFile::setPermissions(folder, permissions); });
    if (::access(QFile::encodeName(folder).constData(), W_OK) == 0)
        QSKIP("This user may write into a folder without write permission (root); the removed "
              "folder cases cover a failed save.");

    const SaveOutcome outcome = saveLibraryFiles(materialPath(), colorPath(), sampleLibrary());
    QVERIFY(!outcome.ok);
    QVERIFY2(outcome.message.contains(materialPath()), qPrintable(outcome.message));
    QCOMPARE(readBytes(materialPath()), oldMaterials);
    QCOMPARE(readBytes(colorPath()), oldColors);
}

void TestLibraryStorage::roundTripIsStable()
{
    writeBytes(materialPath(), QByteArray("12   Brick wall  , 0.0625 0.5, 35.25\r\n") + "\r\n" +
                                   "x,0.3 0.4 0.5 0.6 0.7 0.8 0.9 1 1 0.9 1.0\r\n" +
                                   "3  Felt, 1e999, , 0.1\r\n" +
                                   "4  Pl\xE2tre, -0.0625, -1, -0.5\r\n");
    writeBytes(colorPath(), " 0 \r\n -1 \r\n 65280 \r\n");

    MaterialLibrary first;
    const LoadOutcome loaded = loadLibraryFiles(materialPath(), colorPath(), first);
    QVERIFY2(loaded.ok, qPrintable(loaded.message));
    QCOMPARE(loaded.materials.unreadableValues, 1);
    const SaveOutcome saved = saveLibraryFiles(materialPath(), colorPath(), first);
    QVERIFY2(saved.ok, qPrintable(saved.message));
    const QByteArray materialsOnce = readBytes(materialPath());
    const QByteArray colorsOnce = readBytes(colorPath());
    QCOMPARE(materialsOnce, writeMaterialFile(first));
    QCOMPARE(colorsOnce, writeColorFile(first));
    QCOMPARE(colorsOnce, QByteArray(" 4194368 \r\n -1 \r\n 65280 \r\n 128 \r\n 8388736 \r\n"));

    MaterialLibrary second;
    const LoadOutcome reloaded = loadLibraryFiles(materialPath(), colorPath(), second);
    QVERIFY2(reloaded.ok, qPrintable(reloaded.message));
    QCOMPARE(second.materialCount, 5);
    QCOMPARE(second.materialNames[5], QByteArray("Pl\xE2tre"));
    QCOMPARE(second.alphaR[5][1], -0.063f);
    QVERIFY(saveLibraryFiles(materialPath(), colorPath(), second).ok);
    QCOMPARE(readBytes(materialPath()), materialsOnce);
    QCOMPARE(readBytes(colorPath()), colorsOnce);
}

QTEST_GUILESS_MAIN(TestLibraryStorage)
#include "tst_librarystorage.moc"
