#pragma once

#include "LibraryLoad.h"

#include <QList>
#include <QString>

namespace quillon {

// What loading had to read other than the files hold, one line's or one file's at a time, with
// the figures each reporter (the window, check and the other commands) words in its own way.
struct LoadFinding {
    enum class Kind {
        LineFeedEnds,           // the file's lines end in LF alone (line 1)
        LoneLineFeed,           // the material line holds a line feed without a CR
        UnreadableValues,       // `count` values on the line do not fit; the first in group/band
        BlankColor,             // the colour line of `material` is blank
        // At most one of the next five: how many colours the colour file gave.
        ColorsWithoutMaterials, // no materials, but `count` colours
        ColorFileMissing,
        ColorFileUnreadable,    // `text` says why
        BadColor,               // the line does not hold a colour number
        ColorCount,             // `count` colours read for `materials`
    };
    enum class File { Material, Color };

    Kind kind = Kind::LineFeedEnds;
    File file = File::Material;
    int line = 0;
    // Values on the line, or colours read.
    int count = 0;
    // Materials in the library, for the colour file's findings.
    int materials = 0;
    int material = 0;
    int group = 0;
    int band = 0;
    QString text = {};
};

QList<LoadFinding> loadFindings(const LoadOutcome &outcome);

// The window's one message on the findings, after what recovery did; empty for files read
// cleanly.
QString loadReport(const LoadOutcome &outcome);

// The findings for a command line, one note each: "FILE:LINE: note: text", or "FILE: note: text"
// for the whole file (line 0).
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
