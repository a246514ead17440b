#include "LibraryFiles.h"
#include "LibraryStorage.h"

#include <QtTest>
#include <chrono>
#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace quillon;

namespace {

// Exit codes of a child that saves.
constexpr int kSaved = 0;
constexpr int kFailedNamingFile = 1;
constexpr int kFailedOtherwise = 2;
constexpr int kKills = 300;
constexpr qsizetype kLongLineBytes = 10 * 1024 * 1024;

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every material has all three groups; different seeds give different files.
std::unique_ptr<MaterialLibrary> generatedLibrary(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    auto library = std::make_unique<MaterialLibrary>();
    library->materialCount = count;
    for (size_t n = 1; n <= static_cast<size_t>(count); ++n) {
        library->materialNames[n] = "Material " + QByteArray::number(random.generate());
        library->alphaR[n].fill(static_cast<float>(random.bounded(1000)) / 1000.0f);
        library->hasAlpha[n] = library->hasInsulation[n] = library->hasScattering[n] = true;
        library->materialColors[n] = static_cast<MaterialColor>(random.bounded(1, 0x1000000));
    }
    return library;
}

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (char &c : bytes)
        c = static_cast<char>(random.bounded(256));
    return bytes;
}

QByteArray materialLines(int count)
{
    QByteArray data;
    for (int n = 0; n < count; ++n)
        data += QByteArray::number(n) + "  M" + QByteArray::number(n) + ", 0.25\r\n";
    return data;
}

enum class SaveFault {
    SizeLimitOneByteShort,
    SizeLimitExact,
    ReadOnlyFolder,
    RemovedFolder,
    RemovedColorFolder
};

} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }
    void cleanup() { m_dir.reset(); }

    void loadsOrRefusesMaterialFile_data();
    void loadsOrRefusesMaterialFile();
    void loadsColorFile_data();
    void loadsColorFile();
    void roundTripIsStable();
    void failedSaveKeepsOldFiles_data();
    void failedSaveKeepsOldFiles();
    void killedSaveLeavesWholeFiles();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString materialPath() const { return materialFilePath(m_dir->path()); }
    QString colorPath() const { return colorFilePath(m_dir->path()); }
};

void TestFaults::loadsOrRefusesMaterialFile_data()
{
    QTest::addColumn<QByteArray>("data"); // null: no file at all
    QTest::addColumn<bool>("loads");
    // The materials loaded, or the lines the refusal names; 0 where that depends on the bytes.
    QTest::addColumn<int>("lines");

    QTest::newRow("missing") << QByteArray() << false << 0;
    QTest::newRow("999 lines, no final line end") << materialLines(999).chopped(2) << true << 999;
    QTest::newRow("999 lines and an empty one") << materialLines(999) + "\r\n" << false << 1000;
    QTest::newRow("1000 lines ending in CR")
        << QByteArray("0  Wall, 0.1\r").repeated(1000) << false << 1000;
    QTest::newRow("10 MB of digits and blanks")
        << "0  Long, " + QByteArray("7 ").repeated(kLongLineBytes / 2) << true << 1;
    QTest::newRow("1 MB binary") << randomBytes(1024 * 1024, 6) << false << 0;
    QTest::newRow("1 MB binary without CR")
        << randomBytes(1024 * 1024, 5).replace('\r', ' ') << true << 1;
}

void TestFaults::loadsOrRefusesMaterialFile()
{
    QFETCH(QByteArray, data);
    QFETCH(bool, loads);
    QFETCH(int, lines);

    if (!data.isNull())
        QVERIFY(writeBytes(materialPath(), data));
    const auto library = generatedLibrary(40, 2);
    const QByteArray before = writeMaterialFile(*library) + writeColorFile(*library);
    const LoadOutcome outcome = loadLibraryFiles(materialPath(), colorPath(), *library);
    QVERIFY2(outcome.ok == loads, qPrintable(outcome.message));
    if (!loads) {
        QVERIFY2(outcome.message.contains(materialPath()), qPrintable(outcome.message));
        if (lines > 0)
            QVERIFY2(outcome.message.contains(QString::number(lines)), qPrintable(outcome.message));
        QVERIFY(writeMaterialFile(*library) + writeColorFile(*library) == before);
        return;
    }
    QCOMPARE(library->materialCount, lines);

    // What was loaded may be saved, and must load again as it was saved.
    QVERIFY(saveLibraryFiles(materialPath(), colorPath(), *library).ok);
    const auto again = std::make_unique<MaterialLibrary>();
    const LoadOutcome reloaded = loadLibraryFiles(materialPath(), colorPath(), *again);
    QVERIFY2(reloaded.ok, qPrintable(reloaded.message));
    QCOMPARE(reloaded.materials.unreadableValues, 0);
    QVERIFY(writeMaterialFile(*again) == writeMaterialFile(*library));
}

void TestFaults::loadsColorFile_data()
{
    QTest::addColumn<QByteArray>("data"); // null: no file at all
    QTest::addColumn<int>("colorsRead");  // -1 where that depends on the bytes

    QTest::newRow("missing") << QByteArray() << 0;
    QTest::newRow("64 KB of random bytes") << randomBytes(64 * 1024, 99) << -1;
    QTest::newRow("10 MB number") << " " + QByteArray(kLongLineBytes, '9') + " \r\n" << 0;
}

void TestFaults::loadsColorFile()
{
    QFETCH(QByteArray, data);
    QFETCH(int, colorsRead);

    const QList<MaterialColor> palette = {8388608,  32768,   8421376,  128,   8388736,  32896,
                                          12632256, 8421504, 16711680, 65280, 16776960, 255,
                                          16711935, 0,       8388608,  32768};
    QVERIFY(writeBytes(materialPath(), materialLines(palette.size())));
    if (!data.isNull())
        QVERIFY(writeBytes(colorPath(), data));
    MaterialLibrary library;
    const LoadOutcome outcome = loadLibraryFiles(materialPath(), colorPath(), library);
    QVERIFY2(outcome.ok, qPrintable(outcome.message));
    QVERIFY(colorsRead < 0 || outcome.colors.colorsRead == colorsRead);
    for (int n = 1; n <= palette.size(); ++n) {
        const MaterialColor color = library.materialColors[static_cast<size_t>(n)];
        QVERIFY(n <= outcome.colors.colorsRead ? color != 0 : color == palette[n - 1]);
    }
}

void TestFaults::roundTripIsStable()
{
    QVERIFY(writeBytes(materialPath(),
                       "5 Concrete   ,0.0625 0.1235 -0.05 1 2 3 4 5 6 0.9 1.0, 35.25 40 , 0.1\r\n"
                       "\r\n"
                       "x,0.3 0.4\r\n"
                       "3  Felt, 1e999, , 0.1\r\n"
                       "4  Pl\xE2tre, -0.0625, -1, -0.5\r\n"));
    QVERIFY(writeBytes(colorPath(), " 0 \r\n -1 \r\n 65280 \r\n"));

    MaterialLibrary first;
    const LoadOutcome loaded = loadLibraryFiles(materialPath(), colorPath(), first);
    QVERIFY2(loaded.ok, qPrintable(loaded.message));
    QCOMPARE(loaded.materials.unreadableValues, 1);
    QVERIFY(saveLibraryFiles(materialPath(), colorPath(), first).ok);
    const QByteArray materials = readBytes(materialPath());
    const QByteArray colors = readBytes(colorPath());
    QCOMPARE(materials.left(materials.indexOf('\n') + 1),
             "  0  Concrete" + QByteArray(57, ' ') + ",   " +
                 " 0.063 0.124 -0.050 1.000 2.000 3.000 4.000 5.000 6.000 0.910," + " 35.3 40.0" +
                 QByteArray(" 0.0").repeated(8) + "," + " 0.100" +
                 QByteArray(" 0.000").repeated(9) + "\r\n");
    QCOMPARE(colors, QByteArray(" 4194368 \r\n -1 \r\n 65280 \r\n 128 \r\n 8388736 \r\n"));

    MaterialLibrary second;
    QVERIFY(loadLibraryFiles(materialPath(), colorPath(), second).ok);
    QCOMPARE(second.materialCount, 5);
    QVERIFY(saveLibraryFiles(materialPath(), colorPath(), second).ok);
    QCOMPARE(readBytes(materialPath()), materials);
    QCOMPARE(readBytes(colorPath()), colors);

    // An empty library, whatever its unused slots hold, saves as two empty files.
    second.materialCount = 0;
    QVERIFY(saveLibraryFiles(materialPath(), colorPath(), second).ok);
    QCOMPARE(readBytes(materialPath()) + readBytes(colorPath()), QByteArray());
}

void TestFaults::failedSaveKeepsOldFiles_data()
{
    QTest::addColumn<SaveFault>("fault");
    QTest::newRow("file size limit one byte short") << SaveFault::SizeLimitOneByteShort;
    QTest::newRow("file size limit just enough") << SaveFault::SizeLimitExact;
    QTest::newRow("read-only folder") << SaveFault::ReadOnlyFolder;
    QTest::newRow("removed folder") << SaveFault::RemovedFolder;
    QTest::newRow("colour file in a removed folder") << SaveFault::RemovedColorFolder;
}

void TestFaults::failedSaveKeepsOldFiles()
{
    QFETCH(SaveFault, fault);

    const auto fresh = generatedLibrary(kMaxMaterials, 1);
    const auto old = generatedLibrary(40, 2);
    QVERIFY(saveLibraryFiles(materialPath(), colorPath(), *old).ok);
    const bool saves = fault == SaveFault::SizeLimitExact;
    const auto materialSize = static_cast<rlim_t>(writeMaterialFile(*fresh).size());
    const rlim_t limit = saves                                       ? materialSize
                         : fault == SaveFault::SizeLimitOneByteShort ? materialSize - 1
                                                                     : RLIM_INFINITY;
    const QString gone = m_dir->filePath("gone");
    const QString materialTarget =
        fault == SaveFault::RemovedFolder ? materialFilePath(gone) : materialPath();
    const QString colorTarget =
        fault == SaveFault::RemovedFolder || fault == SaveFault::RemovedColorFolder
            ? colorFilePath(gone)
            : colorPath();
    const QString failing = fault == SaveFault::RemovedColorFolder ? colorTarget : materialTarget;
    const QString folder = m_dir->path();
    const auto restore = qScopeGuard([&] {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    if (fault == SaveFault::ReadOnlyFolder) {
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        if (::access(QFile::encodeName(folder).constData(), W_OK) == 0)
            QSKIP("This user writes without write permission (root).");
    }

    // Forked, so that the file size limit hits the save and not the test.
    const pid_t child = fork();
    if (child == 0) {
        // Otherwise the kernel kills the child at the limit instead of failing the write.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit fileSize{limit, limit};
        setrlimit(RLIMIT_FSIZE, &fileSize);
        const SaveOutcome outcome = saveLibraryFiles(materialTarget, colorTarget, *fresh);
        _exit(outcome.ok                          ? kSaved
              : outcome.message.contains(failing) ? kFailedNamingFile
                                                  : kFailedOtherwise);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), saves ? kSaved : kFailedNamingFile);
    QVERIFY(readBytes(materialPath()) == writeMaterialFile(saves ? *fresh : *old));
    QVERIFY(readBytes(colorPath()) == writeColorFile(saves ? *fresh : *old));
    QVERIFY(!QFileInfo::exists(gone));
}

void TestFaults::killedSaveLeavesWholeFiles()
{
    // Different sizes and contents, so that a partial or mixed file equals neither.
    const auto a = generatedLibrary(kMaxMaterials, 1);
    const auto b = generatedLibrary(600, 2);
    const QByteArrayList aFiles = {writeMaterialFile(*a), writeColorFile(*a)};
    const QByteArrayList bFiles = {writeMaterialFile(*b), writeColorFile(*b)};

    // The kills are spread over about two save cycles; A's files are there before the first.
    QElapsedTimer cycle;
    cycle.start();
    QVERIFY(saveLibraryFiles(materialPath(), colorPath(), *b).ok);
    QVERIFY(saveLibraryFiles(materialPath(), colorPath(), *a).ok);
    const auto delayRange = std::clamp<qint64>(cycle.nsecsElapsed() / 500, 20000, 200000);

    QRandomGenerator random(4711);
    int materialFromB = 0;
    for (int kill = 1; kill <= kKills; ++kill) {
        const pid_t child = fork();
        if (child == 0) {
            for (bool useB = true;; useB = !useB)
                if (!saveLibraryFiles(materialPath(), colorPath(), useB ? *b : *a).ok)
                    _exit(1);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(delayRange)));
        ::kill(child, SIGKILL);
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY2(WIFSIGNALED(status), "the saving child stopped by itself");
        const QByteArrayList files = {readBytes(materialPath()), readBytes(colorPath())};
        for (int f = 0; f < 2; ++f)
            QVERIFY2(files[f] == aFiles[f] || files[f] == bFiles[f],
                     qPrintable(QStringLiteral("kill %1, file %2").arg(kill).arg(f)));
        materialFromB += files[0] == bFiles[0] ? 1 : 0;
    }
    // Otherwise the kills did not land while the child was saving.
    QVERIFY(materialFromB > 0 && materialFromB < kKills);
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
