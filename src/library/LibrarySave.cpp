#include "LibrarySave.h"

#include "LibraryFiles.h"

#include <QFile>
#include <QScopeGuard>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {

namespace {

constexpr mode_t kNewFileMode = 0666;

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
    if (!existsOnDisk(file.path))
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

namespace {

// One save's files, options and outcome, shared by its stages.
struct SaveRun {
    const SideFiles &material;
    const SideFiles &color;
    const SaveOptions &options;
    SaveOutcome &outcome;

    void step(const char *name) const
    {
        if (options.afterStep)
            options.afterStep(name);
    }
    int rename(const QByteArray &from, const QByteArray &to) const
    {
        return (options.rename ? options.rename : ::rename)(from.constData(), to.constData());
    }
    bool refuse(const QString &why) const
    {
        outcome.message = QStringLiteral("The library could not be saved: %1. The files on disk "
                                         "were left as they were.")
                              .arg(why);
        return false;
    }
};

// False, with the outcome said, when the files may not be replaced as they stand.
bool mayReplace(const SaveRun &run, const LibraryStamps &known)
{
    // A link is followed, but never to replace a device, a pipe or a folder.
    QStringList readOnly;
    for (const SideFiles *file : {&run.material, &run.color}) {
        struct stat info {};
        if (::stat(file->path.constData(), &info) != 0)
            continue;
        if (!S_ISREG(info.st_mode))
            return run.refuse(QStringLiteral("\"%1\" is not a regular file").arg(file->shown));
        if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            readOnly << file->name();
    }
    if (run.material.path == run.color.path)
        return run.refuse(QStringLiteral("\"%1\" and \"%2\" are one file (a link), and it cannot "
                                         "hold both the materials and the colours")
                              .arg(run.material.shown, run.color.shown));
    SaveOutcome &outcome = run.outcome;
    outcome.found = stampsOnDisk(run.material.shown, run.color.shown);
    const QStringList changed =
        changedSince(run.material.shown, run.color.shown, known, outcome.found);
    if (changed.isEmpty() && (readOnly.isEmpty() || run.options.replaceReadOnly))
        return true;
    outcome.status = SaveStatus::NeedsConsent;
    outcome.readOnlyFound = changed.isEmpty();
    outcome.message = !changed.isEmpty()
                          ? externalChangeQuestion(changed)
                          : QStringLiteral("%1 marked read-only. Replace %2 with the library as "
                                           "Quillon holds it? No writes nothing.")
                                .arg(readOnly.join(u" and "_qs) +
                                         (readOnly.size() == 1 ? u" is"_qs : u" are"_qs),
                                     readOnly.size() == 1 ? u"it"_qs : u"them"_qs);
    return false;
}

// The two ".saving" files, or both files in place where the folder refuses new files. True
// when the renames are to follow.
bool writeTemporaries(const SaveRun &run, const QByteArray &materialData,
                      const QByteArray &colorData, const LibraryStamps &known)
{
    int error = writeNewFile(run.material.saving, materialData, run.material.path);
    const SideFiles *failing = &run.material;
    if (error == 0) {
        error = writeNewFile(run.color.saving, colorData, run.color.path);
        failing = &run.color;
        if (error != 0)
            ::unlink(run.material.saving.constData());
    }
    if (error == EACCES || error == EPERM) {
        run.outcome = saveInPlace(run.material, run.color, materialData, colorData, known, error);
        run.outcome.status = run.outcome.ok ? SaveStatus::Saved : SaveStatus::Failed;
        return false;
    }
    if (error != 0)
        run.outcome.message = savingFailed(failing->shown, error);
    return error == 0;
}

// From the rename of the colour file to ".ready" on, the new pair is complete and recovery
// puts it in place.
bool commit(const SaveRun &run)
{
    const SideFiles &material = run.material;
    const SideFiles &color = run.color;
    if (run.rename(color.saving, color.ready) != 0) {
        const int error = errno;
        ::unlink(material.saving.constData());
        ::unlink(color.saving.constData());
        run.outcome.message = savingFailed(color.shown, error);
        return false;
    }
    syncFolder(color.ready);
    run.step("committed");
    if (run.rename(material.saving, material.path) == 0)
        return true;
    const int error = errno;
    if (::unlink(color.ready.constData()) == 0) {
        ::unlink(material.saving.constData());
        run.outcome.message = savingFailed(material.shown, error);
    } else {
        run.outcome.message =
            QStringLiteral("The library could not be saved yet: \"%1\": %2. The files in "
                           "use still hold the old library; the new one waits as \"%3\" and "
                           "\"%4\", and Quillon puts it in place when it next starts, loads "
                           "or saves.")
                .arg(material.shown, systemReason(error), QFile::decodeName(material.saving),
                     QFile::decodeName(color.ready));
    }
    return false;
}

void placeColors(const SaveRun &run, const QByteArray &colorData, bool backedUp)
{
    const SideFiles &material = run.material;
    const SideFiles &color = run.color;
    if (run.rename(color.ready, color.path) != 0) {
        run.outcome.message =
            QStringLiteral("The library was only half saved: %1 holds the new library, but "
                           "\"%2\" could not be replaced: %3, so it still holds the old colours. "
                           "The new colour file waits as \"%4\", and Quillon puts it in place "
                           "when it next starts, loads or saves.")
                .arg(material.name(), color.shown, systemReason(errno),
                     QFile::decodeName(color.ready));
        return;
    }
    run.outcome.stamps.color = stampOf(colorData);
    syncFolder(material.path);
    syncFolder(color.path);
    run.outcome.ok = true;
    run.outcome.status = SaveStatus::Saved;
    if (!backedUp)
        run.outcome.message = QStringLiteral("The library was saved, but the previous files could "
                                             "not be kept as %1%3 and %2%3.")
                                  .arg(material.name(), color.name(), QLatin1String(kBackupSuffix));
}

} // namespace

SaveOutcome saveLibraryFiles(const QString &materialPath, const QString &colorPath,
                             const MaterialLibrary &library, const LibraryStamps &known,
                             const SaveOptions &options)
{
    SaveOutcome outcome;
    outcome.stamps = known;
    const SideFiles material(materialPath);
    const SideFiles color(colorPath);
    const SaveRun run{material, color, options, outcome};
    const LibraryLock lock(material, color, LockUse::Write);
    if (!lock.usable()) {
        outcome.status = lock.busy() ? SaveStatus::Busy : SaveStatus::Failed;
        outcome.message = lock.refusal("nothing was saved");
        return outcome;
    }
    run.step("locked");
    const RecoveryOutcome recovery = recoverLocked(material, color);
    if (!recovery.ok) {
        outcome.message = recovery.message + QStringLiteral(" Nothing was saved.");
        return outcome;
    }
    if (!mayReplace(run, known))
        return outcome;
    run.step("checked");
    const QByteArray materialData = writeMaterialFile(library);
    const QByteArray colorData = writeColorFile(library);
    if (!writeTemporaries(run, materialData, colorData, known))
        return outcome;
    run.step("written");
    // Both old copies go first, so that a kill in between leaves one .bak missing rather than
    // two that do not belong together.
    ::unlink(material.backup.constData());
    ::unlink(color.backup.constData());
    const bool backedUp = keepBackup(material) && keepBackup(color);
    if (!commit(run))
        return outcome;
    outcome.stamps.material = stampOf(materialData);
    run.step("placed");
    placeColors(run, colorData, backedUp);
    return outcome;
}

} // namespace quillon
