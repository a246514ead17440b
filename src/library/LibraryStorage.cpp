#include "LibraryStorage.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace quillon {

namespace {

constexpr std::array<const char *, 3> kGroupNames = {"absorption", "insulation", "scattering"};
constexpr mode_t kNewFileMode = 0666;

QString inFolder(const QString &folder, const char *name)
{
    // "dir/" and "dir" name the same files: "dir/Korvane.mat", never "dir//Korvane.mat".
    QString path = QDir::cleanPath(folder);
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return QDir::toNativeSeparators(path + QLatin1String(name));
}

// A library file and the fixed names beside it. A link is followed, so that the files are
// replaced where they really are.
struct SideFiles {
    QString shown;
    QByteArray path;
    QByteArray saving;
    QByteArray ready;
    QByteArray backup;

    explicit SideFiles(const QString &libraryPath) : shown(libraryPath)
    {
        const QString real = QFileInfo(libraryPath).canonicalFilePath();
        path = QFile::encodeName(real.isEmpty() ? libraryPath : real);
        saving = path + kSavingSuffix;
        ready = path + kReadySuffix;
        backup = path + kBackupSuffix;
    }
    QString name() const { return QFileInfo(shown).fileName(); }
};

// flock on the library's folder rather than a lock file: it needs no new file, so it also
// guards the in-place save in a folder that refuses new files, and the kernel drops it with
// its holder, so a killed writer never leaves a stale lock to guess about. Where the file
// system offers no locks, the library is used unlocked, as before.
class FolderLock {
public:
    enum class State { Held, Busy, Unsupported };

    explicit FolderLock(const QString &libraryPath)
        : m_fd(::open(QFile::encodeName(QFileInfo(libraryPath).absolutePath()).constData(),
                      O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    // LOCK_SH or LOCK_EX, waiting at most kLibraryLockWaitMs for another holder.
    State acquire(int operation)
    {
        constexpr auto kPoll = std::chrono::milliseconds(10);
        if (m_fd < 0)
            return State::Unsupported;
        QElapsedTimer waited;
        waited.start();
        while (::flock(m_fd, operation | LOCK_NB) != 0) {
            if (errno == EINTR)
                continue;
            if (errno != EWOULDBLOCK)
                return State::Unsupported;
            if (waited.elapsed() >= kLibraryLockWaitMs)
                return State::Busy;
            std::this_thread::sleep_for(kPoll);
        }
        return State::Held;
    }

private:
    int m_fd;
};

QString busyMessage(const QString &libraryPath, const char *consequence)
{
    return QStringLiteral("Another program is saving the library in \"%1\" just now, so %2. "
                          "Try again in a moment.")
        .arg(QDir::toNativeSeparators(QFileInfo(libraryPath).absolutePath()),
             QLatin1String(consequence));
}

bool exists(const QByteArray &path)
{
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0;
}

void syncFolder(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? "/" : path.left(slash);
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

int writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote =
            ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), off_t(done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote < 0)
            return errno;
        done += wrote;
    }
    return ::fsync(fd) == 0 ? 0 : errno;
}

// Creates path afresh with the bytes flushed to disk; the errno of the first failure, or 0.
int writeNewFile(const QByteArray &path, const QByteArray &bytes, const QByteArray &modeFrom)
{
    ::unlink(path.constData());
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
    if (fd < 0)
        return errno;
    struct stat target {};
    if (::stat(modeFrom.constData(), &target) == 0)
        ::fchmod(fd, target.st_mode & 07777);
    int error = writeAll(fd, bytes);
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        ::unlink(path.constData());
    return error;
}

// Keeps the file about to be replaced as its .bak, where the caller has removed the old one.
bool keepBackup(const SideFiles &file)
{
    if (!exists(file.path))
        return true;
    if (::link(file.path.constData(), file.backup.constData()) == 0)
        return true;
    const FileRead old = readRegularFile(QFile::decodeName(file.path), kLibraryFileLimit);
    return old.status == FileRead::Status::Read &&
           writeNewFile(file.backup, old.data, file.path) == 0;
}

// Overwrites a file's content where it stands: room for growth is claimed first, so that a
// full disk fails before the old content is touched.
int overwrite(int fd, const QByteArray &bytes)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return errno;
    if (!S_ISREG(info.st_mode))
        return EINVAL;
    if (bytes.size() > info.st_size) {
        const int error = ::posix_fallocate(fd, info.st_size, bytes.size() - info.st_size);
        if (error != 0 && error != EOPNOTSUPP && error != EINVAL)
            return error;
    }
    if (const int error = writeAll(fd, bytes))
        return error;
    return ::ftruncate(fd, off_t(bytes.size())) == 0 && ::fsync(fd) == 0 ? 0 : errno;
}

QString savingFailed(const QString &path, int error)
{
    return QStringLiteral("The library could not be saved: \"%1\": %2. The files on disk were "
                          "left as they were.")
        .arg(path, systemReason(error));
}

SaveOutcome saveInPlace(const SideFiles &material, const SideFiles &color,
                        const QByteArray &materialData, const QByteArray &colorData,
                        const LibraryStamps &known, int refusal)
{
    SaveOutcome outcome;
    outcome.stamps = known;
    const int materialFd = ::open(material.path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    const int colorFd = ::open(color.path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    const auto closeBoth = qScopeGuard([&] {
        for (int fd : {materialFd, colorFd})
            if (fd >= 0)
                ::close(fd);
    });
    if (materialFd < 0 || colorFd < 0) {
        outcome.message = savingFailed(QFile::decodeName(material.saving), refusal);
        return outcome;
    }
    if (const int error = overwrite(materialFd, materialData)) {
        outcome.message = QStringLiteral("The library could not be saved: \"%1\": %2. The "
                                         "folder does not allow new files, so the file was "
                                         "written in place and may now be incomplete.")
                              .arg(material.shown, systemReason(error));
        return outcome;
    }
    outcome.stamps.material = stampOf(materialData);
    if (const int error = overwrite(colorFd, colorData)) {
        outcome.message = QStringLiteral("Only part of the library was saved: \"%1\" holds the "
                                         "new library, but \"%2\" could not be written: %3. "
                                         "It may now be incomplete.")
                              .arg(material.shown, color.shown, systemReason(error));
        return outcome;
    }
    outcome.stamps.color = stampOf(colorData);
    outcome.ok = true;
    outcome.message = QStringLiteral("The library was saved, but the folder does not allow new "
                                     "files, so %1 and %2 were written in place: this save was "
                                     "not protected against a crash, and no .bak copies of the "
                                     "previous files were kept.")
                          .arg(material.name(), color.name());
    return outcome;
}

// Numbers in runs: "0 to 2, 7".
QString runsText(QList<int> numbers)
{
    std::sort(numbers.begin(), numbers.end());
    QStringList parts;
    for (qsizetype i = 0; i < numbers.size();) {
        qsizetype last = i;
        while (last + 1 < numbers.size() && numbers[last + 1] == numbers[last] + 1)
            ++last;
        parts << (last == i ? QString::number(numbers[i])
                            : QStringLiteral("%1 to %2").arg(numbers[i]).arg(numbers[last]));
        i = last + 1;
    }
    return parts.join(QStringLiteral(", "));
}

// Material indexes as the numbers the user sees.
QString rangesText(const QList<int> &indexes)
{
    QList<int> numbers;
    for (int n : indexes)
        numbers << materialNumber(n);
    return runsText(numbers);
}

} // namespace

QString counted(int count, const QString &singular)
{
    return QStringLiteral("%1 %2%3").arg(count).arg(singular, count == 1 ? u""_qs : u"s"_qs);
}

QString materialFilePath(const QString &installFolder)
{
    return inFolder(installFolder, kMaterialFileName);
}

QString colorFilePath(const QString &installFolder)
{
    return inFolder(installFolder, kColorFileName);
}

namespace {

// Only under the folder's exclusive lock: otherwise the temporaries may be another save's.
RecoveryOutcome recoverLocked(const QString &materialPath, const QString &colorPath)
{
    const SideFiles material(materialPath);
    const SideFiles color(colorPath);
    if (!exists(color.ready)) {
        // Cut off before both new files were complete: the old pair is whole.
        RecoveryOutcome outcome;
        if (exists(material.saving) || exists(color.saving))
            outcome.message = QStringLiteral("The last save of the library did not complete: the "
                                             "library is as it was before that save, without "
                                             "the changes it was to write.");
        ::unlink(material.saving.constData());
        ::unlink(color.saving.constData());
        return outcome;
    }
    RecoveryOutcome outcome;
    auto fail = [&](const QByteArray &from, const QString &to) {
        outcome.ok = false;
        outcome.message =
            QStringLiteral("The last save of the library was interrupted and could not be "
                           "completed: \"%1\" could not be renamed to \"%2\": %3. Until it is, "
                           "%4 and %5 may not belong together.")
                .arg(QFile::decodeName(from), to, systemReason(errno), material.name(),
                     color.name());
        return outcome;
    };
    if (exists(material.saving) &&
        ::rename(material.saving.constData(), material.path.constData()) != 0)
        return fail(material.saving, material.shown);
    if (::rename(color.ready.constData(), color.path.constData()) != 0)
        return fail(color.ready, color.shown);
    syncFolder(material.path);
    syncFolder(color.path);
    outcome.message = QStringLiteral("The last save of the library was interrupted. It has now "
                                     "been completed: %1 and %2 hold the library as it was saved.")
                          .arg(material.name(), color.name());
    return outcome;
}

LibraryStamps stampsOnDisk(const QString &materialPath, const QString &colorPath)
{
    return {currentStamp(materialPath), currentStamp(colorPath)};
}

QStringList changedSince(const QString &materialPath, const QString &colorPath,
                         const LibraryStamps &known, const LibraryStamps &found)
{
    QStringList changed;
    if (known.material.state != FileStamp::State::Unknown &&
        !found.material.sameContent(known.material))
        changed << materialPath;
    if (known.color.state != FileStamp::State::Unknown && !found.color.sameContent(known.color))
        changed << colorPath;
    return changed;
}

} // namespace

RecoveryOutcome recoverInterruptedSave(const QString &materialPath, const QString &colorPath)
{
    FolderLock lock(materialPath);
    if (lock.acquire(LOCK_EX) == FolderLock::State::Busy) {
        RecoveryOutcome outcome;
        outcome.ok = false;
        outcome.busy = true;
        outcome.message = busyMessage(materialPath, "an interrupted save could not be checked");
        return outcome;
    }
    return recoverLocked(materialPath, colorPath);
}

PairRead readLibraryPair(const QString &materialPath, const QString &colorPath)
{
    PairRead pair;
    FolderLock lock(materialPath);
    if (lock.acquire(LOCK_SH) == FolderLock::State::Busy) {
        pair.problem = busyMessage(materialPath, "nothing was read");
        return pair;
    }
    const SideFiles material(materialPath);
    const SideFiles color(colorPath);
    QString materialSource = materialPath;
    QString colorSource = colorPath;
    if (exists(color.ready)) {
        // No save runs while the lock is shared, so this is a committed save that was cut off.
        if (exists(material.saving))
            materialSource = QFile::decodeName(material.saving);
        colorSource = QFile::decodeName(color.ready);
        pair.note = QStringLiteral("The last save of the library was cut off after it was "
                                   "complete but before it was put in place: the library was "
                                   "read from \"%1\" and \"%2\", which Quillon puts in place "
                                   "when it next loads or saves.")
                        .arg(materialSource, colorSource);
    }
    pair.material = readRegularFile(materialSource, kLibraryFileLimit);
    if (material.path == color.path) {
        pair.color.status = FileRead::Status::Failed;
        pair.color.stamp.state = FileStamp::State::Unreadable;
        pair.color.problem =
            QStringLiteral("it is a link to %1, the material file").arg(material.name());
    } else {
        pair.color = readRegularFile(colorSource, kLibraryFileLimit);
    }
    pair.ok = true;
    return pair;
}

LoadOutcome loadLibraryFiles(const QString &materialPath, const QString &colorPath,
                             MaterialLibrary &library, LoadMode mode)
{
    LoadOutcome outcome;
    if (mode == LoadMode::Recover) {
        const SideFiles material(materialPath);
        const SideFiles color(colorPath);
        // Another program's save that holds the lock now leaves nothing to recover afterwards.
        if (exists(material.saving) || exists(color.saving) || exists(color.ready)) {
            const RecoveryOutcome recovery = recoverInterruptedSave(materialPath, colorPath);
            if (!recovery.ok && !recovery.busy) {
                outcome.message = recovery.message + QStringLiteral(" Nothing was loaded.");
                return outcome;
            }
            if (!recovery.busy)
                outcome.recovery = recovery.message;
        }
    }
    const PairRead pair = readLibraryPair(materialPath, colorPath);
    if (!pair.ok) {
        outcome.message = pair.problem;
        return outcome;
    }
    if (!pair.note.isEmpty())
        outcome.recovery = pair.note;
    const FileRead &materials = pair.material;
    if (materials.status != FileRead::Status::Read) {
        outcome.message = QStringLiteral("The material file \"%1\" could not be read: %2. "
                                         "Nothing was loaded.")
                              .arg(materialPath, materials.problem);
        return outcome;
    }
    const int lines = countMaterialLines(materials.data);
    if (lines > kMaxMaterials) {
        outcome.message =
            QStringLiteral("The material file \"%1\" has %2 lines, but the library holds at "
                           "most %3 materials. Nothing was loaded.")
                .arg(materialPath, QString::number(lines), QString::number(kMaxMaterials));
        outcome.materials.lineCount = lines;
        return outcome;
    }
    outcome.materials = readMaterialFile(materials.data, library);
    outcome.stamps.material = materials.stamp;

    const FileRead &colors = pair.color;
    outcome.stamps.color = colors.stamp;
    if (colors.status == FileRead::Status::Read)
        outcome.colors = readColorFile(colors.data, library);
    else
        outcome.colors.problem = colors.problem;
    applyDefaultColors(library, outcome.colors.colorsRead);
    outcome.ok = true;
    return outcome;
}

QString loadReport(const LoadOutcome &outcome)
{
    const QString materialName = QString::fromLatin1(kMaterialFileName);
    const QString colorName = QString::fromLatin1(kColorFileName);
    const int count = outcome.materials.lineCount;
    const MaterialReadReport &m = outcome.materials;
    const ColorReadReport &c = outcome.colors;
    QStringList items;
    for (const auto &[name, lineFeedEnds] :
         {std::pair{materialName, m.lineFeedEnds}, std::pair{colorName, c.lineFeedEnds}}) {
        if (lineFeedEnds)
            items << QStringLiteral("The lines of %1 ended in LF alone; they were read as lines, "
                                    "and the next save ends them with CR LF.")
                         .arg(name);
    }
    if (!m.loneLineFeeds.isEmpty())
        items << QStringLiteral("%1 %2 of %3 %4 a line feed without a carriage return; what "
                                "follows it was read as part of %5 %6.")
                     .arg(m.loneLineFeeds.size() == 1 ? u"Line"_qs : u"Lines"_qs,
                          runsText(m.loneLineFeeds), materialName,
                          m.loneLineFeeds.size() == 1 ? u"holds"_qs : u"hold"_qs,
                          m.loneLineFeeds.size() == 1 ? u"material"_qs : u"materials"_qs,
                          rangesText(m.loneLineFeeds));
    if (m.unreadableValues > 0)
        items << QStringLiteral("%1 in %2 %3 too large for the library and read as 0; the first "
                                "stands on line %4 (material %5, %6 values, %7 band).")
                     .arg(m.unreadableValues == 1
                              ? u"1 value"_qs
                              : QStringLiteral("%1 values").arg(m.unreadableValues),
                          materialName, m.unreadableValues == 1 ? u"is"_qs : u"are"_qs)
                     .arg(m.firstUnreadableLine)
                     .arg(materialNumber(m.firstUnreadableLine))
                     .arg(QLatin1String(kGroupNames[size_t(m.firstUnreadableGroup - 1)]),
                          QLatin1String(kBandNames[size_t(m.firstUnreadableBand - 1)]));

    QList<int> palette;
    for (int n : c.blankEntries)
        if (n <= count)
            palette << n;
    if (!palette.isEmpty())
        items << QStringLiteral("%1 has a blank line for material %2.")
                     .arg(colorName, rangesText(palette));
    if (count == 0 && c.colorsRead > 0) {
        items << QStringLiteral("%1 is empty, but %2 holds %3: \"Update File\" would "
                                "leave both files empty.")
                     .arg(materialName, colorName, counted(c.colorsRead, u"colour"_qs));
    } else if (count > 0) {
        const bool unreadableFile = !c.problem.isEmpty() && c.problemLine == 0 && c.colorsRead == 0;
        if (unreadableFile)
            items << QStringLiteral("%1 could not be read: %2.").arg(colorName, c.problem);
        else if (c.problemLine > 0)
            items << QStringLiteral("Line %1 of %2 does not hold a colour number; it and the "
                                    "lines after it were not read.")
                         .arg(c.problemLine)
                         .arg(colorName);
        else if (c.colorsRead != count)
            items << QStringLiteral("%1 holds %2 for %3%4.")
                         .arg(colorName, counted(c.colorsRead, u"colour"_qs),
                              counted(count, u"material"_qs),
                              c.colorsRead > count
                                  ? QStringLiteral("; the last %1 are no part of the library")
                                        .arg(c.colorsRead - count)
                                  : QString());
        for (int n = c.colorsRead + 1; n <= count; ++n)
            palette << n;
    }
    if (!palette.isEmpty())
        items << (palette.size() == 1 ? QStringLiteral("Material %1 got its palette colour.")
                                      : QStringLiteral("Materials %1 got their palette colours."))
                     .arg(rangesText(palette));

    QString text = outcome.recovery;
    if (!items.isEmpty()) {
        if (!text.isEmpty())
            text += QStringLiteral("\n\n");
        text += QStringLiteral("Loading the library had to replace what the files hold:\n\n- ") +
                items.join(QStringLiteral("\n- ")) +
                QStringLiteral("\n\n\"Update File\" will write these replacements into the files.");
    }
    return text;
}

QList<LoadNote> loadNotes(const LoadOutcome &outcome, const QString &materialPath,
                          const QString &colorPath)
{
    const MaterialReadReport &m = outcome.materials;
    const ColorReadReport &c = outcome.colors;
    const int count = m.lineCount;
    QList<LoadNote> notes;
    if (m.lineFeedEnds)
        notes.append({materialPath, 1, QLatin1String(kLineFeedEndsNote)});
    for (int line : m.loneLineFeeds)
        notes.append({materialPath, line, QLatin1String(kLoneLineFeedNote)});
    if (m.unreadableValues > 0)
        notes.append({materialPath, m.firstUnreadableLine,
                      QStringLiteral("%1 that %2 not fit a 32-bit float %3 read as 0; the first "
                                     "is here (material %4, %5 values, %6 band)")
                          .arg(counted(m.unreadableValues, u"value"_qs),
                               m.unreadableValues == 1 ? u"does"_qs : u"do"_qs,
                               m.unreadableValues == 1 ? u"is"_qs : u"are"_qs)
                          .arg(materialNumber(m.firstUnreadableLine))
                          .arg(QLatin1String(kGroupNames[size_t(m.firstUnreadableGroup - 1)]),
                               QLatin1String(kBandNames[size_t(m.firstUnreadableBand - 1)]))});
    if (c.lineFeedEnds)
        notes.append({colorPath, 1, QLatin1String(kLineFeedEndsNote)});
    QList<int> blanks;
    for (int n : c.blankEntries)
        if (n <= count)
            blanks << n;
    if (!blanks.isEmpty())
        notes.append(
            {colorPath, 0,
             QStringLiteral("blank lines for %1 %2: they get their palette colours")
                 .arg(blanks.size() == 1 ? u"material"_qs : u"materials"_qs, rangesText(blanks))});
    if (count == 0) {
        if (c.colorsRead > 0)
            notes.append({materialPath, 0,
                          QStringLiteral("empty, but %1 holds %2: a save leaves both files empty")
                              .arg(colorPath, counted(c.colorsRead, u"colour"_qs))});
        return notes;
    }
    QList<int> palette;
    for (int n = c.colorsRead + 1; n <= count; ++n)
        palette << n;
    const QString paletteText =
        QStringLiteral("%1 %2 %3 palette colour%4")
            .arg(palette.size() == 1 ? u"material"_qs : u"materials"_qs, rangesText(palette),
                 palette.size() == 1 ? u"gets its"_qs : u"get their"_qs,
                 palette.size() == 1 ? u""_qs : u"s"_qs);
    if (outcome.stamps.color.state == FileStamp::State::Missing)
        notes.append(
            {colorPath, 0,
             u"missing; materials get their palette colours, and a save writes the file"_qs});
    else if (!c.problem.isEmpty() && c.problemLine == 0 && c.colorsRead == 0)
        notes.append(
            {colorPath, 0, QStringLiteral("cannot be read (%1): %2").arg(c.problem, paletteText)});
    else if (c.problemLine > 0)
        notes.append({colorPath, c.problemLine,
                      QStringLiteral("not a colour number; this line and the ones after it are "
                                     "not read%1")
                          .arg(palette.isEmpty() ? QString() : u": "_qs + paletteText)});
    else if (c.colorsRead != count)
        notes.append({colorPath, 0,
                      QStringLiteral("%1 for %2: %3")
                          .arg(counted(c.colorsRead, u"colour"_qs), counted(count, u"material"_qs),
                               c.colorsRead > count
                                   ? QStringLiteral("the last %1 are no part of the library")
                                         .arg(c.colorsRead - count)
                                   : paletteText)});
    return notes;
}

QStringList filesChangedOnDisk(const QString &materialPath, const QString &colorPath,
                               const LibraryStamps &known)
{
    return changedSince(materialPath, colorPath, known, stampsOnDisk(materialPath, colorPath));
}

QString externalChangeQuestion(const QStringList &changedPaths)
{
    return QStringLiteral("Another program has changed %1 since Quillon loaded or last saved "
                          "%2:\n\n%3\n\nOverwrite %2 with the library as Quillon holds it? "
                          "The other program's changes will be lost. No writes nothing.")
        .arg(changedPaths.size() == 1 ? u"this file"_qs : u"these files"_qs,
             changedPaths.size() == 1 ? u"it"_qs : u"them"_qs, changedPaths.join(u'\n'));
}

void agreeToOverwrite(const SaveOutcome &question, LibraryStamps &known, SaveOptions &options)
{
    if (question.status != SaveStatus::NeedsConsent)
        return;
    known = question.found;
    options.replaceReadOnly = options.replaceReadOnly || question.readOnlyFound;
}

SaveOutcome saveLibraryFiles(const QString &materialPath, const QString &colorPath,
                             const MaterialLibrary &library, const LibraryStamps &known,
                             const SaveOptions &options)
{
    SaveOutcome outcome;
    outcome.stamps = known;
    const RenameFunction renameFile = options.rename ? options.rename : ::rename;
    const auto step = [&](const char *name) {
        if (options.afterStep)
            options.afterStep(name);
    };
    FolderLock lock(materialPath);
    if (lock.acquire(LOCK_EX) == FolderLock::State::Busy) {
        outcome.status = SaveStatus::Busy;
        outcome.message = busyMessage(materialPath, "nothing was saved");
        return outcome;
    }
    step("locked");
    const RecoveryOutcome recovery = recoverLocked(materialPath, colorPath);
    if (!recovery.ok) {
        outcome.message = recovery.message + QStringLiteral(" Nothing was saved.");
        return outcome;
    }
    const SideFiles material(materialPath);
    const SideFiles color(colorPath);
    const auto refuse = [&](const QString &why) {
        outcome.message = QStringLiteral("The library could not be saved: %1. The files on disk "
                                         "were left as they were.")
                              .arg(why);
        return outcome;
    };
    // A link is followed, but never to replace a device, a pipe or a folder.
    QStringList readOnly;
    for (const SideFiles *file : {&material, &color}) {
        struct stat info {};
        if (::stat(file->path.constData(), &info) != 0)
            continue;
        if (!S_ISREG(info.st_mode))
            return refuse(QStringLiteral("\"%1\" is not a regular file").arg(file->shown));
        if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            readOnly << file->name();
    }
    if (material.path == color.path)
        return refuse(QStringLiteral("\"%1\" and \"%2\" are one file (a link), and it cannot hold "
                                     "both the materials and the colours")
                          .arg(material.shown, color.shown));

    outcome.found = stampsOnDisk(materialPath, colorPath);
    const QStringList changed = changedSince(materialPath, colorPath, known, outcome.found);
    if (!changed.isEmpty() || (!readOnly.isEmpty() && !options.replaceReadOnly)) {
        outcome.status = SaveStatus::NeedsConsent;
        outcome.readOnlyFound = changed.isEmpty();
        outcome.message = !changed.isEmpty()
                              ? externalChangeQuestion(changed)
                              : QStringLiteral("%1 marked read-only. Replace %2 with the library "
                                               "as Quillon holds it? No writes nothing.")
                                    .arg(readOnly.join(u" and "_qs) +
                                             (readOnly.size() == 1 ? u" is"_qs : u" are"_qs),
                                         readOnly.size() == 1 ? u"it"_qs : u"them"_qs);
        return outcome;
    }
    step("checked");
    const QByteArray materialData = writeMaterialFile(library);
    const QByteArray colorData = writeColorFile(library);

    int error = writeNewFile(material.saving, materialData, material.path);
    const SideFiles *failing = &material;
    if (error == 0) {
        error = writeNewFile(color.saving, colorData, color.path);
        failing = &color;
        if (error != 0)
            ::unlink(material.saving.constData());
    }
    if (error == EACCES || error == EPERM) {
        outcome = saveInPlace(material, color, materialData, colorData, known, error);
        outcome.status = outcome.ok ? SaveStatus::Saved : SaveStatus::Failed;
        return outcome;
    }
    if (error != 0) {
        outcome.message = savingFailed(failing->shown, error);
        return outcome;
    }

    step("written");
    // Both old copies go first, so that a kill in between leaves one .bak missing rather than
    // two that do not belong together.
    ::unlink(material.backup.constData());
    ::unlink(color.backup.constData());
    const bool backedUp = keepBackup(material) && keepBackup(color);
    // From this rename on, the new pair is complete and recovery puts it in place.
    if (renameFile(color.saving.constData(), color.ready.constData()) != 0) {
        error = errno;
        ::unlink(material.saving.constData());
        ::unlink(color.saving.constData());
        outcome.message = savingFailed(color.shown, error);
        return outcome;
    }
    syncFolder(color.ready);
    step("committed");
    if (renameFile(material.saving.constData(), material.path.constData()) != 0) {
        error = errno;
        if (::unlink(color.ready.constData()) == 0) {
            ::unlink(material.saving.constData());
            outcome.message = savingFailed(material.shown, error);
        } else {
            outcome.message =
                QStringLiteral("The library could not be saved yet: \"%1\": %2. The files in "
                               "use still hold the old library; the new one waits as \"%3\" and "
                               "\"%4\", and Quillon puts it in place when it next starts, loads "
                               "or saves.")
                    .arg(material.shown, systemReason(error), QFile::decodeName(material.saving),
                         QFile::decodeName(color.ready));
        }
        return outcome;
    }
    outcome.stamps.material = stampOf(materialData);
    step("placed");
    if (renameFile(color.ready.constData(), color.path.constData()) != 0) {
        error = errno;
        outcome.message =
            QStringLiteral("The library was only half saved: %1 holds the new library, but "
                           "\"%2\" could not be replaced: %3, so it still holds the old colours. "
                           "The new colour file waits as \"%4\", and Quillon puts it in place "
                           "when it next starts, loads or saves.")
                .arg(material.name(), color.shown, systemReason(error),
                     QFile::decodeName(color.ready));
        return outcome;
    }
    outcome.stamps.color = stampOf(colorData);
    syncFolder(material.path);
    syncFolder(color.path);
    outcome.ok = true;
    outcome.status = SaveStatus::Saved;
    if (!backedUp)
        outcome.message = QStringLiteral("The library was saved, but the previous files could "
                                         "not be kept as %1%3 and %2%3.")
                              .arg(material.name(), color.name(), QLatin1String(kBackupSuffix));
    return outcome;
}

} // namespace quillon
