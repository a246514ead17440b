#pragma once

#include "MaterialLibrary.h"
#include "TextScanner.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <vector>

namespace quillon {

// The first maxLines lines of a library file.
std::vector<TextLine> splitLines(QByteArrayView data, int maxLines);

// What the line reader could not take as it stands; it never fails.
struct MaterialReadReport {
    int lineCount = 0;
    // Lines ended in LF alone; a save writes CR LF.
    bool lineFeedEnds = false;
    // Lines (from 1) of a CR-ended file that hold a lone LF, read as text of that material.
    QList<int> loneLineFeeds;
    // Values that do not fit a 32-bit float (1e999, say); each is stored as 0. One entry per
    // line: how many, and where the first stands (value group 1 to 3 and band).
    struct Unreadable {
        int line = 0;
        int count = 0;
        int group = 0;
        int band = 0;
    };
    QList<Unreadable> unreadable;
};

struct ColorReadReport {
    int colorsRead = 0;
    bool lineFeedEnds = false;
    // Empty when the whole file was read; otherwise why the reading stopped early.
    QString problem;
    // The line of an entry that is not a colour number; 0 when none.
    int problemLine = 0;
    // Materials whose line was blank: they got their palette colour; and those lines.
    QList<int> blankEntries;
    QList<int> blankLines;
};

int countMaterialLines(QByteArrayView data);

// Reads ten band values from one group of a material line; returns the unreadable count and
// sets *firstUnreadableBand when there are any.
int parseBandValues(QByteArrayView text, BandRow &row, int *firstUnreadableBand = nullptr);

// Reads one material line into material n.
void readMaterialLine(QByteArrayView line, MaterialLibrary &library, int n,
                      MaterialReadReport *report = nullptr);

// Reads every line into materials 1, 2, ... and sets materialCount. The caller refuses files
// of more than kMaxMaterials lines first (countMaterialLines); extra lines are not read.
MaterialReadReport readMaterialFile(QByteArrayView data, MaterialLibrary &library);

MaterialColor defaultColor(int materialIndex);
inline constexpr MaterialColor kBlackReplacement = rgbColor(64, 0, 64);

// Reads colours into slots 1, 2, ...; keeps what was read before a bad entry or a 1000th one.
// A blank line is an entry of its own that gets the palette colour.
ColorReadReport readColorFile(QByteArrayView data, MaterialLibrary &library);
// Gives materials after the last colour read, up to materialCount, their palette colour.
void applyDefaultColors(MaterialLibrary &library, int colorsRead);

void appendMaterialLine(QByteArray &out, const MaterialLibrary &library, int n);
QByteArray writeMaterialFile(const MaterialLibrary &library);
QByteArray writeColorFile(const MaterialLibrary &library);

} // namespace quillon
