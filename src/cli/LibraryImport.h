#pragma once

#include "LibraryExport.h"
#include "MaterialLibrary.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace quillon {

enum class ImportFormat { Csv, Json };

inline constexpr int kGroupCount = int(kGroupKeys.size());
// Problems, and notes, listed one by one; the rest are counted in one line.
inline constexpr int kListedFindings = 20;

struct ImportedMaterial {
    int index = 0;                      // materialIndex, 1 to kMaxMaterials
    std::optional<QByteArray> name;     // Windows-1252; absent: kept (merge) or empty
    std::optional<MaterialColor> color; // absent: kept, or the palette colour for a new material
    std::array<std::optional<BandRow>, kGroupCount> groups;
};

struct ImportInput {
    std::vector<ImportedMaterial> materials;
    // "FILE:LINE: message" (JSON: "FILE: materials[i]: message"); nothing may be written when
    // there is any.
    QStringList errors;
    // "FILE:LINE: note: message": what the import changed so that the files hold it.
    QStringList notes;
};

// Reads the shape that export writes; "absorption_sabine" becomes "True" absorption where a
// material has no "absorption_true". Names are cut to what the files hold, as a save cuts them.
ImportInput readImport(QByteArrayView data, ImportFormat format, const QString &fileShown);

// What a whole import takes away: materials past its last one, and materials that it skips
// which had a name or values.
struct ImportLosses {
    int removed = 0;
    int emptied = 0;
};

// Whole (merge false): the library becomes exactly the input's materials. Merge: only the
// input's materials, and of them only the groups given, change. Either way a material given
// without a colour, or with the colour it has, keeps the colour as the files hold it.
ImportLosses applyImport(const ImportInput &input, MaterialLibrary &library, bool merge);

// What a save of `after` changes in files that hold `before`: one line per change, and counts.
struct ChangeList {
    QStringList lines;
    int added = 0;
    int removed = 0;
    int changed = 0;
};
ChangeList describeChanges(const MaterialLibrary &before, const MaterialLibrary &after);

} // namespace quillon
