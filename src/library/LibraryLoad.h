#pragma once

#include "LibraryFiles.h"
#include "LibraryLock.h"
#include "MaterialLibrary.h"

#include <QList>
#include <QString>

namespace quillon {

// The pair as a reader takes it, under the shared lock and without changing anything: a save
// that was committed but not yet put in place counts as the library.
struct PairRead {
    // False when the lock could not be taken (another program held it too long); `problem` says
    // why.
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
    // The material file's is Missing when it is not there; Unknown when it was not looked at.
    LibraryStamps stamps;
};

// Reads both files into the library under one lock, in Recover mode after recovering an
// interrupted save (the lock is then exclusive, so that the load waits once). A
// material file that is missing, not a regular file, larger than kLibraryFileLimit or longer than
// kMaxMaterials lines leaves the library untouched. A missing or bad colour file is no failure:
// materials without a colour get their palette colour.
LoadOutcome loadLibraryFiles(const QString &materialPath, const QString &colorPath,
                             MaterialLibrary &library, LoadMode mode = LoadMode::ReadOnly);

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
// "1 colour", "3 colours"
QString counted(int count, const QString &singular);

inline constexpr char kLineFeedEndsNote[] =
    "lines end in LF alone: they are read as lines, and the next save ends them with CR LF";
inline constexpr char kLoneLineFeedNote[] =
    "a line feed without a carriage return: the text after it is read as part of this material";

} // namespace quillon
