#include "LibraryFiles.h"
#include "LibraryStorage.h"
#include "MaterialLibrary.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>
#include <unistd.h>

using namespace quillon;

namespace {

const QString kWorker = QStringLiteral(QUILLON_SAVE_WORKER);
// Exit codes of save_worker.
constexpr int kWorkerSaved = 0;
constexpr int kWorkerSaveFailed = 1;
constexpr int kWorkerTimeoutMs = 30000;

constexpr int kKills = 300;
// The kills are spread over this many save cycles of the worker (a save of B and one of A),
// within these bounds: a save's time is mostly the disk's flush.
constexpr int kCyclesToSpreadKillsOver = 2;
constexpr qint64 kMinKillDelayRangeMicroseconds = 20000;
constexpr qint64 kMaxKillDelayRangeMicroseconds = 200000;
constexpr int kCalibrationCycles = 3;
constexpr quint32 kKillSeed = 4711;

constexpr qsizetype kLongLineBytes = 10 * 1024 * 1024;
// Far above a linear reading of the long inputs, far below a quadratic one.
constexpr qint64 kSlowLoadMilliseconds = 10000;

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

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

bool writableByUs(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

// Every material has all three groups, so that both libraries fill their lines.
std::unique_ptr<MaterialLibrary> generatedLibrary(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    auto library = std::make_unique<MaterialLibrary>();
    library->materialCount = count;
    for (int n = 1; n <= count; ++n) {
        const auto slot = static_cast<size_t>(n);
        library->materialNames[slot] =
            "Material " + QByteArray::number(seed) + "-" + QByteArray::number(n);
        for (size_t b = 1; b <= kBandCount; ++b) {
            library->alphaR[slot][b] = static_cast<float>(random.bounded(1000)) / 1000.0f;
            library->insulationR[slot][b] = static_cast<float>(random.bounded(900)) / 10.0f;
            library->scattering[slot][b] = static_cast<float>(random.bounded(1000)) / 1000.0f;
        }
        library->hasAlpha[slot] = library->hasInsulation[slot] = library->hasScattering[slot] =
            true;
        library->materialColors[slot] = static_cast<MaterialColor>(random.bounded(1, 0x1000000));
    }
    return library;
}

// A library as files on disk, with the bytes a save of it writes.
struct LibraryFilesOnDisk {
    QString materialPath;
    QString colorPath;
    QByteArray materialBytes;
    QByteArray colorBytes;
};

LibraryFilesOnDisk writeSource(const QString &folder, int count, quint32 seed)
{
    LibraryFilesOnDisk source;
    QDir().mkpath(folder);
    source.materialPath = materialFilePath(folder);
    source.colorPath = colorFilePath(folder);
    const auto generated = generatedLibrary(count, seed);
    writeBytes(source.materialPath, writeMaterialFile(*generated));
    writeBytes(source.colorPath, writeColorFile(*generated));
    // What the worker writes is what it loads, not what was generated.
    MaterialLibrary loaded;
    if (loadLibraryFiles(source.materialPath, source.colorPath, loaded).ok) {
        source.materialBytes = writeMaterialFile(loaded);
        source.colorBytes = writeColorFile(loaded);
    }
    return source;
}

// Looks for a value that is not finite; returns where, or an empty text.
QString firstUnfiniteValue(const MaterialLibrary &library)
{
    for (int n = 1; n <= library.materialCount && n <= kMaxMaterials; ++n) {
        const auto slot = static_cast<size_t>(n);
        for (size_t b = 1; b <= kBandCount; ++b) {
            if (!std::isfinite(library.alphaR[slot][b]) ||
                !std::isfinite(library.insulationR[slot][b]) ||
                !std::isfinite(library.scattering[slot][b]))
                return QStringLiteral("material %1, band %2").arg(n).arg(b);
        }
    }
    return {};
}

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = static_cast<char>(random.bounded(256));
    return bytes;
}

QByteArray repeated(const QByteArray &piece, qsizetype totalSize)
{
    return piece.repeated(totalSize / piece.size());
}

QByteArray materialLines(int count)
{
    QByteArray data;
    for (int n = 1; n <= count; ++n)
        data += QByteArray::number(n - 1) + "  M" + QByteArray::number(n) + ", 0.25\r\n";
    return data;
}

enum class SaveFault {
    SizeLimitZero,
    SizeLimitFewKilobytes,
    SizeLimitOneByteShort,
    SizeLimitExact,
    ReadOnlyFolder,
    ReadOnlyMaterialFile,
    ReadOnlyColorFile,
    RemovedFolder
};

enum class OddMaterialFile {
    LongLineOfValues,
    LongLineOfDigits,
    LongLineOfDigitsAndBlanks,
    LongLineWithoutComma,
    LongLineOfCommas,
    LongName,
    ThousandLinesEndingInCr,
    ThousandLinesEndingInLf,
    BinarySmall,
    BinaryWithoutCr,
    BinaryLarge
};

enum class Expect { Loads, Refused, Either };

QByteArray oddMaterialBytes(OddMaterialFile kind, quint32 seed)
{
    switch (kind) {
    case OddMaterialFile::LongLineOfValues:
        return "0  Long, " + repeated("0.5 ", kLongLineBytes);
    case OddMaterialFile::LongLineOfDigits:
        return "0  Long, " + QByteArray(kLongLineBytes, '7');
    case OddMaterialFile::LongLineOfDigitsAndBlanks:
        return "0  Long, " + repeated("7 ", kLongLineBytes);
    case OddMaterialFile::LongLineWithoutComma:
        return QByteArray(kLongLineBytes, 'x');
    case OddMaterialFile::LongLineOfCommas:
        return QByteArray(kLongLineBytes, ',');
    case OddMaterialFile::LongName:
        return "0  " + QByteArray(kLongLineBytes, 'N') + ", 0.1\r\n";
    case OddMaterialFile::ThousandLinesEndingInCr:
        return repeated("0  Wall, 0.1\r", 1000 * 13);
    case OddMaterialFile::ThousandLinesEndingInLf:
        return repeated("0  Wall, 0.1\n", 1000 * 13);
    case OddMaterialFile::BinarySmall:
        return randomBytes(64 * 1024, seed);
    case OddMaterialFile::BinaryWithoutCr:
        return randomBytes(1024 * 1024, seed).replace('\r', ' ');
    case OddMaterialFile::BinaryLarge:
        return randomBytes(1024 * 1024, seed);
    }
    return {};
}

enum class OddColorFile {
    RandomBytes,
    Words,
    LongNumber,
    OutOfRange,
    ColorThenGarbage,
    NulBytes,
    NotANumber,
    TooMany
};

QByteArray oddColorBytes(OddColorFile kind)
{
    switch (kind) {
    case OddColorFile::RandomBytes:
        return randomBytes(64 * 1024, 99);
    case OddColorFile::Words:
        return "red\r\ngreen\r\nblue\r\n";
    case OddColorFile::LongNumber:
        return " " + QByteArray(kLongLineBytes, '9') + " \r\n";
    case OddColorFile::OutOfRange:
        return " 2147483647 \r\n 2147483648 \r\n";
    case OddColorFile::ColorThenGarbage:
        return " 255 \r\n 12abc \r\n 77 \r\n";
    case OddColorFile::NulBytes:
        return QByteArray(" 255 \r\n\0\0\0\r\n 77 \r\n", 17);
    case OddColorFile::NotANumber:
        return " nan \r\n inf \r\n";
    case OddColorFile::TooMany:
        return QByteArray(" 5 \r\n").repeated(1200);
    }
    return {};
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void saveUnderFaultInChild_data();
    void saveUnderFaultInChild();
    void killedSaveLeavesWholeFiles();
    void loadsOddMaterialFile_data();
    void loadsOddMaterialFile();
    void loadsOddColorFile_data();
    void loadsOddColorFile();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFaults::init()
{
    QVERIFY2(QFileInfo(kWorker).isExecutable(), qPrintable(kWorker));
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestFaults::cleanup()
{
    m_dir.reset();
}

void TestFaults::saveUnderFaultInChild_data()
{
    QTest::addColumn<SaveFault>("fault");
    QTest::addColumn<bool>("saves");

    QTest::newRow("file size limit 0") << SaveFault::SizeLimitZero << false;
    QTest::newRow("file size limit 4 KB") << SaveFault::SizeLimitFewKilobytes << false;
    QTest::newRow("file size limit one byte short") << SaveFault::SizeLimitOneByteShort << false;
    QTest::newRow("file size limit just enough") << SaveFault::SizeLimitExact << true;
    QTest::newRow("read-only folder") << SaveFault::ReadOnlyFolder << false;
    QTest::newRow("read-only material file") << SaveFault::ReadOnlyMaterialFile << false;
    QTest::newRow("read-only colour file") << SaveFault::ReadOnlyColorFile << false;
    QTest::newRow("removed folder") << SaveFault::RemovedFolder << false;
}

void TestFaults::saveUnderFaultInChild()
{
    QFETCH(SaveFault, fault);
    QFETCH(bool, saves);

    // The new library is far larger than a few kilobytes; the old files are another one.
    const LibraryFilesOnDisk fresh = writeSource(m_dir->filePath("a"), kMaxMaterials, 1);
    const LibraryFilesOnDisk old = writeSource(m_dir->filePath("b"), 40, 2);
    QVERIFY(!fresh.materialBytes.isEmpty() && !old.materialBytes.isEmpty());

    QString folder = m_dir->filePath("library");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(writeBytes(materialFilePath(folder), old.materialBytes));
    QVERIFY(writeBytes(colorFilePath(folder), old.colorBytes));

    qint64 limit = -1;
    QString failing = materialFilePath(folder);
    QString madeReadOnly;
    switch (fault) {
    case SaveFault::SizeLimitZero:
        limit = 0;
        break;
    case SaveFault::SizeLimitFewKilobytes:
        limit = 4096;
        break;
    case SaveFault::SizeLimitOneByteShort:
        limit = fresh.materialBytes.size() - 1;
        break;
    case SaveFault::SizeLimitExact:
        QVERIFY(fresh.colorBytes.size() < fresh.materialBytes.size());
        limit = fresh.materialBytes.size();
        break;
    case SaveFault::ReadOnlyFolder:
        madeReadOnly = folder;
        break;
    case SaveFault::ReadOnlyMaterialFile:
        madeReadOnly = materialFilePath(folder);
        break;
    case SaveFault::ReadOnlyColorFile:
        madeReadOnly = failing = colorFilePath(folder);
        break;
    case SaveFault::RemovedFolder:
        QVERIFY(QDir(folder).removeRecursively());
        break;
    }
    const QFile::Permissions permissions = QFile::permissions(madeReadOnly);
    const auto restore = qScopeGuard([&] {
        if (!madeReadOnly.isEmpty())
            QFile::setPermissions(madeReadOnly, permissions);
    });
    if (!madeReadOnly.isEmpty()) {
        const QFile::Permissions writable =
            QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther;
        QVERIFY(QFile::setPermissions(madeReadOnly, permissions & ~writable));
        if (writableByUs(madeReadOnly))
            QSKIP("This user may write without write permission (root); the file size limits "
                  "and the removed folder cover a failed save.");
    }

    QProcess worker;
    worker.start(kWorker,
                 {QStringLiteral("save"), fresh.materialPath, fresh.colorPath,
                  materialFilePath(folder), colorFilePath(folder), QString::number(limit)});
    QVERIFY2(worker.waitForFinished(kWorkerTimeoutMs), qPrintable(worker.errorString()));
    const QString message = QString::fromLocal8Bit(worker.readAllStandardOutput()).trimmed();
    QCOMPARE(worker.exitStatus(), QProcess::NormalExit);
    QVERIFY2(worker.exitCode() == (saves ? kWorkerSaved : kWorkerSaveFailed),
             qPrintable(QStringLiteral("exit code %1: %2 %3")
                            .arg(worker.exitCode())
                            .arg(message, QString::fromLocal8Bit(worker.readAllStandardError()))));

    if (fault == SaveFault::RemovedFolder) {
        QVERIFY2(message.contains(failing), qPrintable(message));
        QVERIFY(!QFileInfo::exists(folder));
        return;
    }
    if (saves) {
        QVERIFY(message.isEmpty());
        QVERIFY(readBytes(materialFilePath(folder)) == fresh.materialBytes);
        QVERIFY(readBytes(colorFilePath(folder)) == fresh.colorBytes);
    } else {
        QVERIFY2(message.contains(failing), qPrintable(message));
        QVERIFY(readBytes(materialFilePath(folder)) == old.materialBytes);
        QVERIFY(readBytes(colorFilePath(folder)) == old.colorBytes);
    }
    QCOMPARE(entries(folder), QStringList({"Korvane.mat", "korcolor.mat"}));
}

void TestFaults::killedSaveLeavesWholeFiles()
{
    // Different sizes and contents, so that a partial or mixed file equals neither.
    const LibraryFilesOnDisk a = writeSource(m_dir->filePath("a"), kMaxMaterials, 1);
    const LibraryFilesOnDisk b = writeSource(m_dir->filePath("b"), 600, 2);
    QVERIFY(!a.materialBytes.isEmpty() && !b.materialBytes.isEmpty());
    const QString folder = m_dir->filePath("library");
    QVERIFY(QDir().mkpath(folder));
    const QString materialPath = materialFilePath(folder);
    const QString colorPath = colorFilePath(folder);
    // Times a save cycle and leaves A's files, which the worker replaces with B's first.
    QElapsedTimer calibration;
    calibration.start();
    for (int cycle = 0; cycle < kCalibrationCycles; ++cycle) {
        for (const LibraryFilesOnDisk *source : {&b, &a}) {
            MaterialLibrary library;
            QVERIFY(loadLibraryFiles(source->materialPath, source->colorPath, library).ok);
            QVERIFY(saveLibraryFiles(materialPath, colorPath, library).ok);
        }
    }
    const qint64 delayRange =
        qBound(kMinKillDelayRangeMicroseconds,
               calibration.nsecsElapsed() / 1000 / kCalibrationCycles * kCyclesToSpreadKillsOver,
               kMaxKillDelayRangeMicroseconds);
    QVERIFY(readBytes(materialPath) == a.materialBytes);
    QVERIFY(readBytes(colorPath) == a.colorBytes);

    const QStringList arguments = {
        QStringLiteral("loop"), a.materialPath, a.colorPath, b.materialPath, b.colorPath,
        materialPath,           colorPath};

    QRandomGenerator random(kKillSeed);
    int materialFromB = 0;
    int colorFromB = 0;
    int mixedPairs = 0;
    QElapsedTimer timer;
    timer.start();
    for (int kill = 1; kill <= kKills; ++kill) {
        QProcess worker;
        worker.start(kWorker, arguments);
        QVERIFY2(worker.waitForStarted(kWorkerTimeoutMs), qPrintable(worker.errorString()));
        while (!worker.canReadLine())
            QVERIFY2(worker.waitForReadyRead(kWorkerTimeoutMs),
                     qPrintable(worker.readAllStandardError()));
        QCOMPARE(worker.readLine().trimmed(), QByteArray("running"));
        std::this_thread::sleep_for(
            std::chrono::microseconds(random.bounded(static_cast<quint64>(delayRange) + 1)));
        worker.kill();
        QVERIFY(worker.waitForFinished(kWorkerTimeoutMs));
        QVERIFY2(worker.exitStatus() == QProcess::CrashExit,
                 qPrintable("the worker stopped by itself: " + worker.readAll()));

        const QByteArray material = readBytes(materialPath);
        const QByteArray color = readBytes(colorPath);
        QVERIFY2(material == a.materialBytes || material == b.materialBytes,
                 qPrintable(QStringLiteral("kill %1: material file of %2 bytes is neither A's (%3) "
                                           "nor B's (%4)")
                                .arg(kill)
                                .arg(material.size())
                                .arg(a.materialBytes.size())
                                .arg(b.materialBytes.size())));
        QVERIFY2(color == a.colorBytes || color == b.colorBytes,
                 qPrintable(QStringLiteral("kill %1: colour file of %2 bytes is neither A's (%3) "
                                           "nor B's (%4)")
                                .arg(kill)
                                .arg(color.size())
                                .arg(a.colorBytes.size())
                                .arg(b.colorBytes.size())));
        const bool materialIsB = material == b.materialBytes;
        const bool colorIsB = color == b.colorBytes;
        materialFromB += materialIsB ? 1 : 0;
        colorFromB += colorIsB ? 1 : 0;
        mixedPairs += materialIsB != colorIsB ? 1 : 0;
    }

    // A save holds a temporary file for each library file at once; where the system cannot make
    // unnamed ones, a kill may leave both behind. Nothing else may be left.
    QStringList strays = entries(folder);
    QVERIFY(strays.removeOne("Korvane.mat"));
    QVERIFY(strays.removeOne("korcolor.mat"));
    for (const QString &stray : std::as_const(strays))
        QVERIFY2(stray.startsWith("Korvane.mat.") || stray.startsWith("korcolor.mat."),
                 qPrintable(stray));
    QVERIFY2(strays.size() <= 2 * kKills, qPrintable(QString::number(strays.size())));
    qInfo("%d kills after 0 to %lld us in %lld ms: material file from B %d times, colour file "
          "from B %d times, %d mixed pairs, %lld temporary files left",
          kKills, static_cast<long long>(delayRange), static_cast<long long>(timer.elapsed()),
          materialFromB, colorFromB, mixedPairs, static_cast<long long>(strays.size()));
    // Otherwise the kills did not land while the worker was saving.
    QVERIFY(materialFromB > 0 && materialFromB < kKills);
}

void TestFaults::loadsOddMaterialFile_data()
{
    QTest::addColumn<OddMaterialFile>("kind");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<Expect>("expect");
    QTest::addColumn<int>("lines");

    QTest::newRow("10 MB line of values")
        << OddMaterialFile::LongLineOfValues << 0u << Expect::Either << 1;
    QTest::newRow("10 MB line of digits")
        << OddMaterialFile::LongLineOfDigits << 0u << Expect::Either << 1;
    QTest::newRow("10 MB line of digits and blanks")
        << OddMaterialFile::LongLineOfDigitsAndBlanks << 0u << Expect::Either << 1;
    QTest::newRow("10 MB line without comma")
        << OddMaterialFile::LongLineWithoutComma << 0u << Expect::Either << 1;
    QTest::newRow("10 MB line of commas")
        << OddMaterialFile::LongLineOfCommas << 0u << Expect::Either << 1;
    QTest::newRow("10 MB name") << OddMaterialFile::LongName << 0u << Expect::Either << 1;
    QTest::newRow("1000 lines ending in CR")
        << OddMaterialFile::ThousandLinesEndingInCr << 0u << Expect::Refused << 1000;
    QTest::newRow("1000 lines ending in LF, one line")
        << OddMaterialFile::ThousandLinesEndingInLf << 0u << Expect::Loads << 1;
    for (quint32 seed = 1; seed <= 4; ++seed)
        QTest::addRow("64 KB of random bytes, seed %u", seed)
            << OddMaterialFile::BinarySmall << seed << Expect::Either << 0;
    QTest::newRow("1 MB of random bytes without CR")
        << OddMaterialFile::BinaryWithoutCr << 5u << Expect::Loads << 1;
    QTest::newRow("1 MB of random bytes")
        << OddMaterialFile::BinaryLarge << 6u << Expect::Either << 0;
}

void TestFaults::loadsOddMaterialFile()
{
    QFETCH(OddMaterialFile, kind);
    QFETCH(quint32, seed);
    QFETCH(Expect, expect);
    QFETCH(int, lines);

    const QString materialPath = materialFilePath(m_dir->path());
    const QString colorPath = colorFilePath(m_dir->path());
    QVERIFY(writeBytes(materialPath, oddMaterialBytes(kind, seed)));

    auto library = std::make_unique<MaterialLibrary>();
    QElapsedTimer timer;
    timer.start();
    const LoadOutcome outcome = loadLibraryFiles(materialPath, colorPath, *library);
    const qint64 elapsed = timer.elapsed();
    qInfo("%s after %lld ms: %s", outcome.ok ? "loaded" : "refused",
          static_cast<long long>(elapsed),
          outcome.ok ? qPrintable(QStringLiteral("%1 materials, %2 unreadable values")
                                      .arg(library->materialCount)
                                      .arg(outcome.materials.unreadableValues))
                     : qPrintable(outcome.message));
    QVERIFY2(elapsed < kSlowLoadMilliseconds, qPrintable(QString::number(elapsed)));

    if (!outcome.ok) {
        QVERIFY(expect != Expect::Loads);
        QVERIFY2(outcome.message.contains(materialPath), qPrintable(outcome.message));
        if (lines > 0)
            QVERIFY2(outcome.message.contains(QString::number(lines)), qPrintable(outcome.message));
        QCOMPARE(library->materialCount, 0);
        return;
    }
    QVERIFY(expect != Expect::Refused);
    if (lines > 0)
        QCOMPARE(library->materialCount, lines);
    QVERIFY(library->materialCount >= 0 && library->materialCount <= kMaxMaterials);
    const QString unfinite = firstUnfiniteValue(*library);
    QVERIFY2(unfinite.isEmpty(), qPrintable(unfinite));

    // The user may save what was loaded: it must load again as the same number of materials,
    // and from then on a save writes the same material file (colours of 0 do change).
    const QString again = m_dir->filePath("again");
    QVERIFY(QDir().mkpath(again));
    const SaveOutcome saved =
        saveLibraryFiles(materialFilePath(again), colorFilePath(again), *library);
    QVERIFY2(saved.ok, qPrintable(saved.message));
    auto reloaded = std::make_unique<MaterialLibrary>();
    const LoadOutcome reloadOutcome =
        loadLibraryFiles(materialFilePath(again), colorFilePath(again), *reloaded);
    QVERIFY2(reloadOutcome.ok, qPrintable(reloadOutcome.message));
    QCOMPARE(reloaded->materialCount, library->materialCount);
    QCOMPARE(reloadOutcome.materials.unreadableValues, 0);
    QVERIFY(writeMaterialFile(*reloaded) == readBytes(materialFilePath(again)));
}

void TestFaults::loadsOddColorFile_data()
{
    QTest::addColumn<OddColorFile>("kind");
    // -1 where the count depends on the bytes.
    QTest::addColumn<int>("colorsRead");

    QTest::newRow("64 KB of random bytes") << OddColorFile::RandomBytes << -1;
    QTest::newRow("words") << OddColorFile::Words << 0;
    QTest::newRow("10 MB number") << OddColorFile::LongNumber << 0;
    QTest::newRow("beyond 32 bits") << OddColorFile::OutOfRange << 1;
    QTest::newRow("colour, then garbage") << OddColorFile::ColorThenGarbage << 1;
    QTest::newRow("NUL bytes") << OddColorFile::NulBytes << 1;
    QTest::newRow("nan and inf") << OddColorFile::NotANumber << 0;
    QTest::newRow("1200 colours") << OddColorFile::TooMany << kMaxMaterials;
}

void TestFaults::loadsOddColorFile()
{
    QFETCH(OddColorFile, kind);
    QFETCH(int, colorsRead);

    constexpr int kMaterials = 30;
    const QString materialPath = materialFilePath(m_dir->path());
    const QString colorPath = colorFilePath(m_dir->path());
    QVERIFY(writeBytes(materialPath, materialLines(kMaterials)));
    QVERIFY(writeBytes(colorPath, oddColorBytes(kind)));

    auto library = std::make_unique<MaterialLibrary>();
    QElapsedTimer timer;
    timer.start();
    const LoadOutcome outcome = loadLibraryFiles(materialPath, colorPath, *library);
    QVERIFY2(timer.elapsed() < kSlowLoadMilliseconds, qPrintable(QString::number(timer.elapsed())));
    QVERIFY2(outcome.ok, qPrintable(outcome.message));
    QCOMPARE(library->materialCount, kMaterials);
    if (colorsRead >= 0)
        QCOMPARE(outcome.colors.colorsRead, colorsRead);
    QVERIFY(outcome.colors.colorsRead >= 0 && outcome.colors.colorsRead <= kMaxMaterials);
    // Each of the made-up files has an entry that stops the reading, and says which.
    if (kind != OddColorFile::RandomBytes)
        QVERIFY(!outcome.colors.problem.isEmpty());
    for (int n = 1; n <= kMaterials; ++n) {
        const MaterialColor color = library->materialColors[static_cast<size_t>(n)];
        if (n > outcome.colors.colorsRead)
            QCOMPARE(color, defaultColor(n));
        else
            QVERIFY(color != 0);
    }
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
