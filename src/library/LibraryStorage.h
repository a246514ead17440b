#pragma once

#include "FileAccess.h"
#include "LibraryFiles.h"
#include "MaterialLibrary.h"

#include <QString>
#include <QStringList>

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

// Every save and every recovery holds an exclusive lock on the library's folder for its whole
// run; readers hold a shared one while they read the pair. Either waits at most this long for
// another program's lock before giving up.
inline constexpr int kLibraryLockWaitMs = 2000;

struct RecoveryOutcome {
    bool ok = true;
    // Another program held the library's lock: nothing was done.
    bool busy = false;
    // For the user when not empty: a save was completed, dropped, or could not be completed.
    QString message;
};

// Completes a save that was cut off between its renames, or removes the temporaries of one
// that was cut off before, so that the pair on disk is wholly old or wholly new. Does nothing
// but say `busy` while another program holds the folder's lock.
RecoveryOutcome recoverInterruptedSave(const QString &materialPath, const QString &colorPath);

// The pair as a reader takes it, under the shared lock and without changing anything: a save
// that was committed but not yet put in place counts as the library.
struct PairRead {
    // False when another program held the lock too long; `problem` says so.
    bool ok = false;
    QString problem;
    FileRead material;
    FileRead color;
    // For the user when not empty: the committed save that was read in place of the files.
    QString note;
};
PairRead readLibraryPair(const QString &materialPath, const QString &colorPath);

// Whether a load may complete or drop an interrupted save before reading (only the window
// does), or reads and never writes.
enum class LoadMode { ReadOnly, Recover };

struct LoadOutcome {
    bool ok = false;
    // For the user when !ok: names the file and the reason.
    QString message;
    // What recovery did, or the note that a committed save was read in place of the files.
    QString recovery;
    MaterialReadReport materials;
    ColorReadReport colors;
    LibraryStamps stamps;
};

// Reads both files into the library, in Recover mode after recovering an interrupted save. A
// material file that is missing, not a regular file, larger than kLibraryFileLimit or longer than
// kMaxMaterials lines leaves the library untouched. A missing or bad colour file is no failure:
// materials without a colour get their palette colour.
LoadOutcome loadLibraryFiles(const QString &materialPath, const QString &colorPath,
                             MaterialLibrary &library, LoadMode mode = LoadMode::ReadOnly);

// "1 material", "3 materials"
QString counted(int count, const QString &singular);

// One message on whatever the reader had to replace or default, which the next save would
// write; empty for files read cleanly.
QString loadReport(const LoadOutcome &outcome);

// What loadReport says, one note each, for a command line: "FILE:LINE: note: text", or
// "FILE: note: text" for the whole file (line 0).
struct LoadNote {
    QString file;
    int line = 0;
    QString text;
};
QList<LoadNote> loadNotes(const LoadOutcome &outcome, const QString &materialPath,
                          const QString &colorPath);
inline constexpr char kLineFeedEndsNote[] =
    "lines end in LF alone: they are read as lines, and the next save ends them with CR LF";
inline constexpr char kLoneLineFeedNote[] =
    "a line feed without a carriage return: the text after it is read as part of this material";

// The paths of the files whose content is no longer what the stamps say.
QStringList filesChangedOnDisk(const QString &materialPath, const QString &colorPath,
                               const LibraryStamps &known);
QString externalChangeQuestion(const QStringList &changedPaths);

using RenameFunction = int (*)(const char *from, const char *to);
// Called with the name of each step a save has just finished: "locked", "checked", "written",
// "committed", "placed".
using SaveStepHook = void (*)(const char *step);
struct SaveOptions {
    RenameFunction rename = nullptr; // nullptr: the system's rename
    SaveStepHook afterStep = nullptr;
    // The user agreed to replace library files that are marked read-only.
    bool replaceReadOnly = false;
};
using SaveSeams = SaveOptions;

enum class SaveStatus {
    Saved,
    Failed,
    // Another program was saving this library: nothing was written.
    Busy,
    // Nothing was written; `message` is a question for the user (No keeps the files).
    NeedsConsent,
};

struct SaveOutcome {
    bool ok = false;
    SaveStatus status = SaveStatus::Failed;
    // For the user when not empty, also after a save that succeeded with a caveat.
    QString message;
    // What each file now holds, as far as this save changed it; `known` otherwise.
    LibraryStamps stamps;
    // With NeedsConsent: what the question is about.
    LibraryStamps found;
    bool readOnlyFound = false;
};

// After the user said Yes to a NeedsConsent outcome: what to save with next, so that the save
// replaces what the question named, but asks again should the files change in the meantime.
void agreeToOverwrite(const SaveOutcome &question, LibraryStamps &known, SaveOptions &options);

// Writes both files so that a kill or a failure leaves the old pair or the new pair (after
// recoverInterruptedSave). A folder that refuses new files while the files are writable gets
// them written in place, without that protection, and the message says so. Holds the folder's
// exclusive lock throughout; files that changed since `known` (Unknown stamps: not checked) or
// are marked read-only are not replaced without consent. The check and the writes are one step
// for every program that saves through here.
SaveOutcome saveLibraryFiles(const QString &materialPath, const QString &colorPath,
                             const MaterialLibrary &library, const LibraryStamps &known = {},
                             const SaveOptions &options = {});

} // namespace quillon
