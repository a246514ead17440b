#pragma once

#include "FileAccess.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace quillon {

inline constexpr char kMaterialFileName[] = "Korvane.mat";
inline constexpr char kColorFileName[] = "korcolor.mat";
// Beside each library file: a save writes both ".saving" files, marks them complete by
// renaming the colour one to ".ready", then renames both into place. ".bak" keeps the pair
// the last save replaced.
inline constexpr char kSavingSuffix[] = ".saving";
inline constexpr char kReadySuffix[] = ".ready";
inline constexpr char kBackupSuffix[] = ".bak";

QString materialFilePath(const QString &installFolder);
QString colorFilePath(const QString &installFolder);

// What the two files held when they were loaded or last saved.
struct LibraryStamps {
    FileStamp material;
    FileStamp color;
};

// A library file and the fixed names beside it. A link is followed, so that the files are
// replaced, and locked, where they really are.
struct SideFiles {
    QString shown;
    QByteArray path;
    QByteArray saving;
    QByteArray ready;
    QByteArray backup;

    explicit SideFiles(const QString &libraryPath);
    QString name() const;
};

bool existsOnDisk(const QByteArray &path);
void syncFolder(const QByteArray &path);

// Every save and every recovery holds an exclusive lock on the folders where the two files
// really are; readers hold a shared one while they read the pair. Either waits at most this long
// for another program's lock before giving up.
inline constexpr int kLibraryLockWaitMs = 2000;

enum class LockUse { Read, Write };

// flock on the folders rather than a lock file: it needs no new file, so it also guards the
// in-place save in a folder that refuses new files, and the kernel drops it with its holder, so
// a killed writer never leaves a stale lock to guess about. Two folders (files linked elsewhere)
// are locked in the order of their inodes, so that two programs never wait for each other.
class LibraryLock {
public:
    LibraryLock(const SideFiles &material, const SideFiles &color, LockUse use);
    ~LibraryLock();
    LibraryLock(const LibraryLock &) = delete;
    LibraryLock &operator=(const LibraryLock &) = delete;

    // Held, or a file system without locks: the library may be used.
    bool usable() const { return m_problem == Problem::None; }
    bool busy() const { return m_problem == Problem::Busy; }
    // Why the library may not be used, followed by ", so <consequence>."
    QString refusal(const char *consequence) const;

private:
    enum class Problem { None, Busy, Failed };
    void acquire(const std::vector<QString> &folders, int operation);

    std::vector<int> m_fds;
    Problem m_problem = Problem::None;
    QString m_folder;
    int m_error = 0;
    bool m_heldByReader = false;
};

struct RecoveryOutcome {
    bool ok = true;
    // Another program held the library's lock: nothing was done.
    bool busy = false;
    // For the user when not empty: a save was completed, dropped, or could not be completed.
    QString message;
};

// Whether a save was cut off and left its temporaries beside the files.
bool saveLeftovers(const SideFiles &material, const SideFiles &color);

// Completes a save that was cut off between its renames, or removes the temporaries of one
// that was cut off before, so that the pair on disk is wholly old or wholly new. Only under
// the exclusive lock: otherwise the temporaries may be another save's.
RecoveryOutcome recoverLocked(const SideFiles &material, const SideFiles &color);

// recoverLocked under its own lock, taken only where a save left something to recover; says
// `busy` while another program holds the lock.
RecoveryOutcome recoverInterruptedSave(const QString &materialPath, const QString &colorPath);

} // namespace quillon
