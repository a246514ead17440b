#pragma once

#include "LibraryFiles.h"
#include "MaterialLibrary.h"

#include <QString>

namespace quillon {

inline constexpr char kMaterialFileName[] = "Korvane.mat";
inline constexpr char kColorFileName[] = "korcolor.mat";

QString materialFilePath(const QString &installFolder);
QString colorFilePath(const QString &installFolder);

struct LoadOutcome {
    bool ok = false;
    // For the user when !ok: names the file and the reason.
    QString message;
    MaterialReadReport materials;
    ColorReadReport colors;
};

// Reads both files into the library. A material file that is missing, unreadable or longer
// than kMaxMaterials lines leaves the library untouched. A missing or bad colour file is no
// failure: materials without a colour get their palette colour.
LoadOutcome loadLibraryFiles(const QString &materialPath, const QString &colorPath,
                             MaterialLibrary &library);

struct SaveOutcome {
    bool ok = false;
    QString message;
};

// Writes both files completely before replacing either, so a failure leaves the old ones whole.
SaveOutcome saveLibraryFiles(const QString &materialPath, const QString &colorPath,
                             const MaterialLibrary &library);

} // namespace quillon
