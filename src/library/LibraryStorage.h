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

struct RecoveryOutcome {
    bool ok = true;
    // For the user when not empty: a save was completed, or could not be.
    QString message;
};

// Completes a save that was cut off between its renames, or removes the temporaries of one
// that was cut off before, so that the pair on disk is wholly old or wholly new.
RecoveryOutcome recoverInterruptedSave(const QString &materialPath, const QString &colorPath);

struct LoadOutcome {
    bool ok = false;
    // For the user when !ok: names the file and the reason.
    QString message;
    QString recovery;
    MaterialReadReport materials;
    ColorReadReport colors;
    LibraryStamps stamps;
};

// Recovers an interrupted save, then reads both files into the library. A material file that
// is missing, not a regular file, larger than kLibraryFileLimit or longer than kMaxMaterials
// lines leaves the library untouched. A missing or bad colour file is no failure: materials
// without a colour get their palette colour.
LoadOutcome loadLibraryFiles(const QString &materialPath, const QString &colorPath,
                             MaterialLibrary &library);

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
struct SaveSeams {
    RenameFunction rename = nullptr; // nullptr: the system's rename
};

struct SaveOutcome {
    bool ok = false;
    // For the user when not empty, also after a save that succeeded with a caveat.
    QString message;
    // What each file now holds, as far as this save changed it; `known` otherwise.
    LibraryStamps stamps;
};

// Writes both files so that a kill or a failure leaves the old pair or the new pair (after
// recoverInterruptedSave). A folder that refuses new files while the files are writable gets
// them written in place, without that protection, and the message says so.
SaveOutcome saveLibraryFiles(const QString &materialPath, const QString &colorPath,
                             const MaterialLibrary &library, const LibraryStamps &known = {},
                             const SaveSeams &seams = {});

} // namespace quillon
