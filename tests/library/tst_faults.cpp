#include "LibraryFiles.h"
#include "LibraryStorage.h"
#include "LumeoImport.h"

#include <QtTest>
#include <csignal>
#include <iostream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillon;

namespace {

// Exit codes of a child that saves.
constexpr int kSaved = 0;
constexpr int kFailedNamingFile = 1;
constexpr int kFailedOtherwise = 2;
constexpr qsizetype kLongLineBytes = 10 * 1024 * 1024;
constexpr uid_t kNobody = 65534;

// Also "<fifo>", "<materials>" (a link to the material file) and "<sparse N>" (N bytes); a null
// array: no file.
bool makeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    if (data.isNull())
        return true;
    if (data == "<fifo>")
        return mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
    if (data == "<materials>")
        return QFile::link(kMaterialFileName, path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (data.startsWith("<sparse "))
        return file.resize(data.mid(8).chopped(1).toLongLong());
    return file.write(data) == data.size();
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

// The library a writer process saves: sizes differ too, so that a cut file equals no other.
std::unique_ptr<MaterialLibrary> writerLibrary(quint32 seed)
{
    return generatedLibrary(400 + int(seed), seed);
}

QByteArrayList filesOf(const MaterialLibrary &library)
{
    return {writeMaterialFile(library), writeColorFile(library)};
}

QByteArray materialLines(int count)
{
    QByteArray data;
    for (int n = 0; n < count; ++n)
        data += QByteArray::number(n) + "  M" + QByteArray::number(n) + ", 0.25\r\n";
    return data;
}

// The size limit is one byte short of the new material file.
enum class SaveFault { None, LimitShort, NoNewFiles, AllReadOnly };
// What stands on disk: the pair before the save, the new pair, or a new material file beside
// the old colour file.
enum class Pair { Old, New, NewMaterialOnly };
// Where two processes meet: one folder; the first writes through links into the second's
// folder; the second cannot list the folder (mode 0333, as an ordinary user).
enum class Layout { OneFolder, Linked, Unlistable };

// The renames of a save, counted; one of them fails, or the process is killed after some.
int g_renames = 0;
int g_failingRename = 0;
int g_killAfterRenames = -1;
int injectedRename(const char *from, const char *to)
{
    if (g_killAfterRenames == g_renames)
        raise(SIGKILL);
    if (++g_renames == g_failingRename) {
        errno = EIO;
        return -1;
    }
    return ::rename(from, to);
}

// As a second program on a library folder, for twoProcesses and scripts/kill-loop.sh:
//   tst_faults --writer FOLDER save SEED [STEP MS [yes]]  load, wait for a byte on standard
//       input, save writerLibrary(SEED) with the loaded stamps, pausing MS after STEP, and
//       answer the save's questions (No unless "yes")
//   tst_faults --writer FOLDER loop SEED SEED             save both in turn until killed
//   tst_faults --writer FOLDER read | recover             load, recovering or not
//   tst_faults --writer FOLDER nobody ...                 the same as user nobody, when root
QByteArray g_pauseStep;
unsigned long g_pauseMs = 0;

void say(const char *word, const QString &text = {})
{
    std::cout << word << ' ' << qPrintable(text) << std::endl;
}

int runWriter(const QStringList &args)
{
    if (args.value(1) == u"nobody") {
        if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
            say("cannot become nobody");
            return 1;
        }
        return runWriter(args.mid(0, 1) + args.mid(2));
    }
    const QString material = materialFilePath(args.value(0));
    const QString color = colorFilePath(args.value(0));
    const QString role = args.value(1);
    auto library = std::make_unique<MaterialLibrary>();
    if (role == u"read" || role == u"recover") {
        const LoadOutcome outcome = loadLibraryFiles(
            material, color, *library, role == u"read" ? LoadMode::ReadOnly : LoadMode::Recover);
        say("read",
            QString::number(library->materialCount) + u' ' + outcome.recovery + outcome.message);
        return outcome.ok ? 0 : 1;
    }
    for (int turn = 0; role == u"loop"; turn ^= 1)
        say(saveLibraryFiles(material, color, *writerLibrary(args.value(2 + turn).toUInt())).ok
                ? "saved"
                : "failed");
    g_pauseStep = args.value(3).toLatin1();
    g_pauseMs = args.value(4).toULong();
    LibraryStamps known = loadLibraryFiles(material, color, *library).stamps;
    say("loaded");
    std::cin.get();
    SaveOptions options;
    options.afterStep = [](const char *step) {
        if (g_pauseStep == step) {
            say("at", QString::fromLatin1(step));
            QThread::msleep(g_pauseMs);
        }
    };
    SaveOutcome outcome;
    library = writerLibrary(args.value(2).toUInt());
    while ((outcome = saveLibraryFiles(material, color, *library, known, options)).status ==
               SaveStatus::NeedsConsent &&
           args.value(5) == u"yes") {
        say("asked", outcome.message);
        agreeToOverwrite(outcome, known, options);
    }
    say(outcome.status == SaveStatus::NeedsConsent ? "asked" : "outcome", outcome.message);
    return int(outcome.status);
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }
    void cleanup() { m_dir.reset(); }

    void loadsOrRefuses_data();
    void loadsOrRefuses();
    void readsImportFileBounded_data();
    void readsImportFileBounded();
    void faultsLeaveOnePair_data();
    void faultsLeaveOnePair();
    void twoProcesses_data();
    void twoProcesses();
    void saveNamesReadersHoldingTheLock();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString materialPath() const { return materialFilePath(m_dir->path()); }
    QString colorPath() const { return colorFilePath(m_dir->path()); }
    QByteArrayList filesOnDisk(const char *suffix = "") const
    {
        QByteArrayList files;
        for (const QString &path : {materialPath(), colorPath()}) {
            QFile file(path + suffix);
            files << (file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>");
        }
        return files;
    }
};

void TestFaults::loadsOrRefuses_data()
{
    QTest::addColumn<QByteArray>("materials"); // null: no file at all
    QTest::addColumn<QByteArray>("colors");
    QTest::addColumn<int>("count"); // materials loaded; -1: the library is left as it was
    // What the refusal or the load report names besides the material file or "Update File";
    // empty for a load without a report.
    QTest::addColumn<QStringList>("says");

    const QByteArray three = materialLines(3);
    const auto row = [](const char *tag, const QByteArray &materials, const QByteArray &colors,
                        int count, const QStringList &says) {
        QTest::newRow(tag) << materials << colors << count << says;
    };
    row("missing", QByteArray(), " 1 \r\n", -1, {});
    row("999 lines and an empty one", materialLines(999) + "\r\n", " 1 \r\n", -1, {"1000"});
    row("over 64 MiB", "<sparse 67108865>", " 1 \r\n", -1, {"67108865"});
    row("clean", three, " 1 \r\n 2 \r\n 3 \r\n", 3, {});
    row("LF", "0  A, 0.1\n1  B, 0.2\n", " 1 \n\n 3 \n", 2,
        {"lines of korcolor.mat ended in LF alone", "blank line for material 1", "3 colours for 2"});
    row("lone LF in CR LF lines", "0  A, 0.1\r\n1  B\n2  C, 0.2\r\n3  D, 0.3\n\r\n",
        " 1 \r\n 2 \r\n 3 \r\n", 3,
        {"Lines 2 to 3 of Korvane.mat hold a line feed", "materials 1 to 2"});
    // Numbers past the tenth run into it.
    row("10 MB of digits and blanks", "0  Long, " + QByteArray("7 ").repeated(kLongLineBytes / 2),
        " 1 \r\n", 1, {"line 1 (material 0, absorption values, 16 kHz band)"});
    row("999 lines without a final line end, no colour file", materialLines(999).chopped(2),
        QByteArray(), 999, {"korcolor.mat could not be read", "0 to 998"});
    row("values too large", "0  A, 0.1\r\n1  B, 0.1, 30 1e999 2e999\r\n", " 1 \r\n", 2,
        {"line 2 (material 1, insulation values, 63 Hz band)", "1 colour for 2", "Material 1 got"});
    row("more colours", materialLines(2), " 1 \r\n 2 \r\n 3 \r\n", 2,
        {"3 colours for 2 materials; the last 1"});
    row("empty material file", "", " 1 \r\n", 0, {"Korvane.mat is empty", "both files empty"});
    row("colours a named pipe", three, "<fifo>", 3, {"not a regular file", "0 to 2"});
    row("colours a link to the materials", three, "<materials>", 3,
        {"korcolor.mat could not be read: it is a link to Korvane.mat", "0 to 2"});
    row("colours 10 MB number", three, " " + QByteArray(kLongLineBytes, '9') + " \r\n", 3,
        {"Line 1 of korcolor.mat", "0 to 2"});
}

void TestFaults::loadsOrRefuses()
{
    QFETCH(QByteArray, materials);
    QFETCH(QByteArray, colors);
    QFETCH(int, count);
    QFETCH(QStringList, says);

    QVERIFY(makeFile(materialPath(), materials) && makeFile(colorPath(), colors));
    // Slots past the count hold materials of their own; no load or save may show them.
    const auto library = generatedLibrary(40, 2);
    const QByteArrayList before = filesOf(*library);
    const LoadOutcome outcome = loadLibraryFiles(materialPath(), colorPath(), *library);
    QCOMPARE(outcome.ok, count >= 0);
    const QString text = outcome.ok ? loadReport(outcome) : outcome.message;
    QVERIFY2(text.isEmpty() == (says.isEmpty() && outcome.ok), qPrintable(text));
    for (const QString &part :
         says + QStringList{outcome.ok ? u"\"Update File\""_qs : materialPath()})
        QVERIFY2(text.isEmpty() || text.contains(part), qPrintable(text));
    if (!outcome.ok) {
        QVERIFY(filesOf(*library) == before);
        return;
    }
    QCOMPARE(library->materialCount, count);
    for (int n = outcome.colors.colorsRead + 1; n <= count; ++n)
        QCOMPARE(library->materialColors[size_t(n)], defaultColor(n));
    // A save replaces the file a link names, but never a pipe, nor one file with both.
    const SaveOutcome saved = saveLibraryFiles(materialPath(), colorPath(), *library);
    QVERIFY2(saved.ok == !colors.startsWith('<') &&
                 saved.message.contains(colors == "<fifo>"        ? u"not a regular file"_qs
                                        : colors == "<materials>" ? u"are one file (a link)"_qs
                                                                  : QString()),
             qPrintable(saved.message));
    if (!saved.ok)
        return;
    // Another program's edit of the same size is noticed, and so is a removed file.
    QVERIFY(makeFile(colorPath(), QByteArray(filesOnDisk()[1].size(), '7')));
    QVERIFY(QFile::remove(materialPath()));
    const SaveOutcome asked = saveLibraryFiles(materialPath(), colorPath(), *library, saved.stamps);
    QCOMPARE(asked.status, SaveStatus::NeedsConsent);
    QVERIFY2(asked.message.contains(materialPath()) &&
                 asked.message.contains(colorPath()) == (count > 0),
             qPrintable(asked.message));
}

void TestFaults::readsImportFileBounded_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("problem"); // empty: imported

    const QByteArray eight = "0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8";
    QTest::newRow("eight, then 900 KB") << eight + " " + QByteArray(900 * 1024, 'x') << QString();
    QTest::newRow("eight across pieces") << QByteArray(4090, ' ') + eight << QString();
    QTest::newRow("seven") << QByteArray("0.1 0.2 0.3 0.4 0.5 0.6 0.7") << u"7 of the eight"_qs;
    QTest::newRow("a word") << QByteArray("0.1 0.2 abc 0.4 0.5 0.6 0.7 0.8")
                            << u"3 (\"abc\") is not a number"_qs;
    QTest::newRow("too large a number") << QByteArray("0.1 1e39 0.3 0.4 0.5 0.6 0.7 0.8")
                                        << u"2 (\"1e39\") is a number too large"_qs;
    QTest::newRow("over 1 MiB") << QByteArray("<sparse 1048577>") << u"1048577 bytes"_qs;
}

void TestFaults::readsImportFileBounded()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, problem);

    const QString path = m_dir->filePath(u"lumeo"_qs);
    QVERIFY(makeFile(path, data));
    const LumeoReadResult result = readLumeoFile(path);
    QVERIFY2(result.ok == problem.isEmpty() && result.problem.contains(problem),
             qPrintable(result.problem));
    // Eight values need no more than the first pieces of a large file.
    QVERIFY2(!result.ok || (result.values[7] == 0.8f && result.bytesRead < 16 * 1024),
             qPrintable(QString::number(result.bytesRead)));
}

void TestFaults::faultsLeaveOnePair_data()
{
    QTest::addColumn<SaveFault>("fault");
    QTest::addColumn<int>("failingRename");
    QTest::addColumn<int>("killAfterRenames"); // -1: not killed
    QTest::addColumn<QString>("says");         // what a message names; empty: no message
    QTest::addColumn<Pair>("afterSave");
    QTest::addColumn<Pair>("afterRecovery");

    const auto row = [](const char *tag, SaveFault fault, int failing, int kill, QString says,
                        Pair afterSave, Pair afterRecovery) {
        QTest::newRow(tag) << fault << failing << kill << says << afterSave << afterRecovery;
    };
    using enum SaveFault;
    using enum Pair;
    row("file size limit one byte short", LimitShort, 0, -1, u"Korvane.mat\": File too large"_qs,
        Old, Old);
    row("folder refuses new files", NoNewFiles, 0, -1, u"not protected"_qs, New, New);
    row("folder and files read-only", AllReadOnly, 0, -1, u"Korvane.mat"_qs, Old, Old);
    row("first rename fails", None, 1, -1, u"korcolor.mat"_qs, Old, Old);
    row("second rename fails", None, 2, -1, u"Korvane.mat"_qs, Old, Old);
    row("third rename fails", None, 3, -1, u"korcolor.mat.ready"_qs, NewMaterialOnly, New);
    row("killed before the renames", None, 0, 0, {}, Old, Old);
    row("killed between the two renames", None, 0, 2, {}, NewMaterialOnly, New);
}

void TestFaults::faultsLeaveOnePair()
{
    QFETCH(SaveFault, fault);
    QFETCH(int, failingRename);
    QFETCH(int, killAfterRenames);
    QFETCH(QString, says);
    QFETCH(Pair, afterSave);
    QFETCH(Pair, afterRecovery);

    const auto fresh = generatedLibrary(kMaxMaterials, 1);
    const auto old = generatedLibrary(40, 2);
    QVERIFY(saveLibraryFiles(materialPath(), colorPath(), *old).ok);
    const auto materialSize = static_cast<rlim_t>(writeMaterialFile(*fresh).size());
    const rlim_t limit = fault == SaveFault::LimitShort ? materialSize - 1 : RLIM_INFINITY;
    // A folder that refuses new files: read-only for this user, or, for root, owned by root
    // while the files belong to the user the saving child becomes.
    const bool noNewFiles = fault == SaveFault::NoNewFiles || fault == SaveFault::AllReadOnly;
    const mode_t fileMode = fault == SaveFault::AllReadOnly ? 0444 : 0644;
    for (const QString &path : {materialPath(), colorPath()})
        QVERIFY(!noNewFiles ||
                (chmod(QFile::encodeName(path), fileMode) == 0 &&
                 (geteuid() != 0 || chown(QFile::encodeName(path), kNobody, kNobody) == 0)));
    const QByteArray folder = QFile::encodeName(m_dir->path());
    QVERIFY(!noNewFiles || chmod(folder, geteuid() == 0 ? 0755 : 0555) == 0);
    const auto restore = qScopeGuard([&] { chmod(folder, 0700); });

    // Forked, so that the file size limit, the user and the kill hit the save, not the test.
    const pid_t child = fork();
    if (child == 0) {
        // Otherwise the kernel kills the child at the limit instead of failing the write.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit fileSize{limit, limit};
        setrlimit(RLIMIT_FSIZE, &fileSize);
        if (noNewFiles && geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0))
            _exit(kFailedOtherwise);
        g_failingRename = failingRename;
        g_killAfterRenames = killAfterRenames;
        const SaveOutcome outcome =
            saveLibraryFiles(materialPath(), colorPath(), *fresh, {}, {&injectedRename, {}, true});
        const bool told =
            says.isEmpty() ? outcome.message.isEmpty() : outcome.message.contains(says);
        _exit(!told ? kFailedOtherwise : outcome.ok ? kSaved : kFailedNamingFile);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QCOMPARE(WIFSIGNALED(status), killAfterRenames >= 0);
    QVERIFY(WIFSIGNALED(status) ||
            WEXITSTATUS(status) == (afterSave == Pair::New ? kSaved : kFailedNamingFile));

    const auto files = [&](Pair pair) {
        return QByteArrayList{writeMaterialFile(pair == Pair::Old ? *old : *fresh),
                              writeColorFile(pair == Pair::New ? *fresh : *old)};
    };
    QCOMPARE(filesOnDisk(), files(afterSave));
    const RecoveryOutcome recovery = recoverInterruptedSave(materialPath(), colorPath());
    QVERIFY2(recovery.ok, qPrintable(recovery.message));
    // Only a save cut off before its commit is dropped, and the user is told.
    QCOMPARE(recovery.message.contains(u"did not complete"_qs), killAfterRenames == 0);
    QCOMPARE(filesOnDisk(), files(afterRecovery));
    const QStringList left = QDir(m_dir->path()).entryList(QDir::Files);
    QCOMPARE(left.filter(kSavingSuffix) + left.filter(kReadySuffix), QStringList());
    // Files written in place leave no backup.
    if (afterRecovery == Pair::New)
        QCOMPARE(filesOnDisk(kBackupSuffix),
                 noNewFiles ? QByteArrayList(2, "<unreadable>") : files(Pair::Old));
}

void TestFaults::twoProcesses_data()
{
    QTest::addColumn<QString>("pauseStep");  // where the first writer pauses with the lock held
    QTest::addColumn<int>("pauseMs");        // 0: it is killed there
    QTest::addColumn<QStringList>("second"); // the other process's role and arguments
    QTest::addColumn<QString>("secondSays");
    // Seeds of writerLibrary for the pair and the .bak pair at the end: 1 the pair before, 2 the
    // first writer's, 3 the second's.
    QTest::addColumn<QList<int>>("pairs");
    QTest::addColumn<Layout>("layout");

    const auto row = [](const char *tag, const char *step, int ms, const QStringList &second,
                        const char *says, const QList<int> &pairs,
                        Layout layout = Layout::OneFolder) {
        QTest::newRow(tag) << step << ms << second << says << pairs << layout;
    };
    const QStringList agreeing{"save", "3", "-", "0", "yes"};
    row("second save waits, then asks", "written", 500, agreeing,
        "asked Another program has changed", {3, 2});
    row("reader waits for the save", "committed", 500, {"read"}, "read 402", {2, 1});
    // One wait covers its recovery and its reading.
    row("recovery during a save", "committed", 3000, {"recover"},
        "read 0 Another program is saving the library", {2, 1});
    row("killed holder, then a reader", "committed", 0, {"read"},
        "read 402 The last save of the library was cut off", {1, 1});
    row("killed holder, then a save", "committed", 0, agreeing, "outcome", {3, 2});
    row("files linked into the other's folder", "written", 500, agreeing,
        "asked Another program has changed", {3, 2}, Layout::Linked);
    row("unlistable folder", "written", 500, QStringList{"nobody"} + agreeing,
        "outcome The library's folder", {2, 1}, Layout::Unlistable);
}

void TestFaults::twoProcesses()
{
    QFETCH(QString, pauseStep);
    QFETCH(int, pauseMs);
    QFETCH(QStringList, second);
    QFETCH(QString, secondSays);
    QFETCH(QList<int>, pairs);
    QFETCH(Layout, layout);

    constexpr int kWaitMs = 20000;
    QVERIFY(saveLibraryFiles(materialPath(), colorPath(), *writerLibrary(1)).ok);
    const QString linked = m_dir->filePath(u"L"_qs);
    QVERIFY(layout != Layout::Linked ||
            (QDir().mkdir(linked) && QFile::link(u"../"_qs + kMaterialFileName,
                                                 materialFilePath(linked)) &&
             QFile::link(u"../"_qs + kColorFileName, colorFilePath(linked))));
    const QByteArray folder = QFile::encodeName(m_dir->path());
    const auto restore = qScopeGuard([&] { chmod(folder, 0700); });
    QProcess first, other;
    QByteArray firstOut, otherOut;
    const auto start = [&](QProcess &process, const QStringList &arguments) {
        const bool viaLink = &process == &first && layout == Layout::Linked;
        process.start(QCoreApplication::applicationFilePath(),
                      QStringList{u"--writer"_qs, viaLink ? linked : m_dir->path()} + arguments);
        return process.waitForStarted();
    };
    const auto waitFor = [](QProcess &process, QByteArray &seen, const QString &text) {
        while (!seen.contains(text.toUtf8()) && process.waitForReadyRead(kWaitMs))
            seen += process.readAll();
        return seen.contains(text.toUtf8());
    };
    const bool otherSaves = second.contains(u"save"_qs);
    const bool killed = pauseMs == 0;
    QVERIFY(!otherSaves || (start(other, second) && waitFor(other, otherOut, u"loaded"_qs)));
    QVERIFY(start(first,
                  {u"save"_qs, u"2"_qs, pauseStep, QString::number(killed ? kWaitMs : pauseMs)}));
    QVERIFY(waitFor(first, firstOut, u"loaded"_qs));
    first.write("go\n");
    QVERIFY(waitFor(first, firstOut, u"at "_qs + pauseStep));
    QVERIFY(layout != Layout::Unlistable || chmod(folder, 0333) == 0);
    if (killed) {
        first.kill();
        QVERIFY(first.waitForFinished(kWaitMs));
    }
    QVERIFY(otherSaves ? other.write("go\n") == 3 : start(other, second));
    QVERIFY(other.waitForFinished(kWaitMs) && (killed || first.waitForFinished(kWaitMs)));
    otherOut += other.readAll();
    firstOut += first.readAll();
    chmod(folder, 0700);
    if (otherOut.contains("cannot become nobody"))
        QSKIP("root cannot become an ordinary user here");
    QVERIFY2(otherOut.contains(secondSays.toUtf8()), otherOut.constData());
    QVERIFY2(killed || (first.exitCode() == 0 && firstOut.contains("outcome")),
             firstOut.constData());

    QCOMPARE(filesOnDisk(), filesOf(*writerLibrary(quint32(pairs[0]))));
    QCOMPARE(filesOnDisk(kBackupSuffix), filesOf(*writerLibrary(quint32(pairs[1]))));
    const QStringList left = QDir(m_dir->path()).entryList(QDir::Files);
    // A reader leaves a cut save for the next writer to complete.
    QCOMPARE((left.filter(kSavingSuffix) + left.filter(kReadySuffix)).isEmpty(),
             otherSaves || !killed);
}

void TestFaults::saveNamesReadersHoldingTheLock()
{
    QVERIFY(saveLibraryFiles(materialPath(), colorPath(), *writerLibrary(1)).ok);
    const LibraryLock reading(SideFiles(materialPath()), SideFiles(colorPath()), LockUse::Read);
    const SaveOutcome outcome = saveLibraryFiles(materialPath(), colorPath(), *writerLibrary(2));
    QCOMPARE(outcome.status, SaveStatus::Busy);
    QVERIFY2(outcome.message.startsWith(u"Another program is reading the library"_qs),
             qPrintable(outcome.message));
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 2 && qstrcmp(argv[1], "--writer") == 0)
        return runWriter(app.arguments().mid(2));
    TestFaults test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_faults.moc"
