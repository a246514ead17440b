#include "LibraryLock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace quillon {

namespace {

QString inFolder(const QString &folder, const char *name)
{
    // "dir/" and "dir" name the same files: "dir/Korvane.mat", never "dir//Korvane.mat".
    QString path = QDir::cleanPath(folder);
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return QDir::toNativeSeparators(path + QLatin1String(name));
}

// The folder that holds a library file as written, with its own links resolved.
QString realFolder(const SideFiles &file)
{
    const QString folder = QFileInfo(QFile::decodeName(file.path)).absolutePath();
    const QString real = QFileInfo(folder).canonicalFilePath();
    return real.isEmpty() ? folder : real;
}

// As the user named it, unless the file is a link into another folder.
QString shownFolder(const SideFiles &file)
{
    const QFileInfo shown(file.shown);
    return QDir::toNativeSeparators(shown.isSymLink() ? realFolder(file) : shown.absolutePath());
}

// Errors of a file system that keeps no locks; any other failure refuses the library.
bool withoutLocks(int error)
{
    return error == ENOLCK || error == EOPNOTSUPP || error == ENOTSUP || error == ENOSYS;
}

} // namespace

SideFiles::SideFiles(const QString &libraryPath) : shown(libraryPath)
{
    const QString real = QFileInfo(libraryPath).canonicalFilePath();
    path = QFile::encodeName(real.isEmpty() ? libraryPath : real);
    saving = path + kSavingSuffix;
    ready = path + kReadySuffix;
    backup = path + kBackupSuffix;
}

QString SideFiles::name() const
{
    return QFileInfo(shown).fileName();
}

QString materialFilePath(const QString &installFolder)
{
    return inFolder(installFolder, kMaterialFileName);
}

QString colorFilePath(const QString &installFolder)
{
    return inFolder(installFolder, kColorFileName);
}

bool existsOnDisk(const QByteArray &path)
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

LibraryLock::LibraryLock(const SideFiles &material, const SideFiles &color, LockUse use)
{
    std::vector<QString> folders{realFolder(material)};
    std::vector<QString> shown{shownFolder(material)};
    if (realFolder(color) != folders.front()) {
        folders.push_back(realFolder(color));
        shown.push_back(shownFolder(color));
    }
    acquire(folders, use == LockUse::Write ? LOCK_EX : LOCK_SH);
    if (m_problem != Problem::None)
        m_folder = shown[size_t(std::find(folders.begin(), folders.end(), m_folder) -
                                folders.begin())];
}

LibraryLock::~LibraryLock()
{
    for (int fd : m_fds)
        ::close(fd);
}

void LibraryLock::acquire(const std::vector<QString> &folders, int operation)
{
    struct Folder {
        int fd;
        dev_t device;
        ino_t inode;
        QString path;
    };
    std::vector<Folder> open;
    for (const QString &folder : folders) {
        const int fd = ::open(QFile::encodeName(folder).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat info {};
        // A folder that is not there holds no library to protect: the caller fails on its own.
        if (fd < 0 && (errno == ENOENT || errno == ENOTDIR))
            continue;
        if (fd < 0 || ::fstat(fd, &info) != 0) {
            m_problem = Problem::Failed;
            m_error = errno;
            m_folder = folder;
            return;
        }
        m_fds.push_back(fd);
        open.push_back({fd, info.st_dev, info.st_ino, folder});
    }
    std::sort(open.begin(), open.end(), [](const Folder &a, const Folder &b) {
        return std::pair(a.device, a.inode) < std::pair(b.device, b.inode);
    });
    constexpr auto kPoll = std::chrono::milliseconds(10);
    QElapsedTimer waited;
    waited.start();
    for (const Folder &folder : open) {
        if (&folder != &open.front() && folder.device == (&folder - 1)->device &&
            folder.inode == (&folder - 1)->inode)
            continue;
        while (::flock(folder.fd, operation | LOCK_NB) != 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            if (withoutLocks(error))
                break;
            m_folder = folder.path;
            if (error != EWOULDBLOCK) {
                m_problem = Problem::Failed;
                m_error = error;
                return;
            }
            if (waited.elapsed() >= kLibraryLockWaitMs) {
                m_problem = Problem::Busy;
                // Only readers, if a shared lock is free to take now.
                m_heldByReader = operation == LOCK_EX && ::flock(folder.fd, LOCK_SH | LOCK_NB) == 0;
                return;
            }
            std::this_thread::sleep_for(kPoll);
        }
    }
}

QString LibraryLock::refusal(const char *consequence) const
{
    if (m_problem == Problem::Busy)
        return QStringLiteral("Another program is %1 the library in \"%2\" just now, so %3. "
                              "Try again in a moment.")
            .arg(m_heldByReader ? u"reading"_qs : u"saving"_qs, m_folder,
                 QLatin1String(consequence));
    return QStringLiteral("The library's folder \"%1\" could not be locked against other "
                          "programs (%2), so %3.")
        .arg(m_folder, systemReason(m_error), QLatin1String(consequence));
}

bool saveLeftovers(const SideFiles &material, const SideFiles &color)
{
    return existsOnDisk(material.saving) || existsOnDisk(color.saving) ||
           existsOnDisk(color.ready);
}

RecoveryOutcome recoverLocked(const SideFiles &material, const SideFiles &color)
{
    RecoveryOutcome outcome;
    if (!existsOnDisk(color.ready)) {
        // Cut off before both new files were complete: the old pair is whole.
        if (existsOnDisk(material.saving) || existsOnDisk(color.saving))
            outcome.message = QStringLiteral("The last save of the library did not complete: the "
                                             "library is as it was before that save, without "
                                             "the changes it was to write.");
        ::unlink(material.saving.constData());
        ::unlink(color.saving.constData());
        return outcome;
    }
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
    if (existsOnDisk(material.saving) &&
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

RecoveryOutcome recoverInterruptedSave(const QString &materialPath, const QString &colorPath)
{
    const SideFiles material(materialPath);
    const SideFiles color(colorPath);
    if (!saveLeftovers(material, color))
        return {};
    const LibraryLock lock(material, color, LockUse::Write);
    if (!lock.usable())
        return {false, lock.busy(), lock.refusal("an interrupted save could not be checked")};
    return recoverLocked(material, color);
}

} // namespace quillon
