#pragma once

#include "BandSets.h"
#include "LibraryExport.h"
#include "MaterialLibrary.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace quillon {

enum class ImportFormat { Csv, Json, Pyroomacoustics };

inline constexpr int kGroupCount = int(kGroupKeys.size());
// Problems, and notes, listed one by one; the rest are counted in one line.
inline constexpr int kListedFindings = 20;

struct ImportedMaterial {
    int index = 0;                      // materialIndex, 1 to kMaxMaterials
    std::optional<QByteArray> name;     // Windows-1252; absent: kept (merge) or empty
    std::optional<MaterialColor> color; // absent: kept, or the palette colour for a new material
    std::array<std::optional<BandRow>, kGroupCount> groups;
    // Bit b: band b had no data and took the nearest octave's value; a merge keeps a material's
    // own value there.
    std::array<std::uint16_t, kGroupCount> filled{};
};

// Values given at other frequencies than the ten octaves: what a note says was reduced and filled.
struct BandUse {
    BandSet set;
    QString notePrefix; // "FILE:LINE: note: "
    struct Group {
        int index;
        size_t group;
        std::uint16_t filled;
    };
    std::vector<Group> groups;
};

struct ImportInput {
    std::vector<ImportedMaterial> materials;
    std::vector<BandUse> bandUses;
    // "FILE:LINE: message" (JSON: "FILE: materials[i]: message"); nothing may be written when
    // there is any.
    QStringList errors;
    // "FILE:LINE: note: message": what the import changed so that the files hold it.
    QStringList notes;
};

// Reads the shape that export writes; "absorption_sabine" becomes "True" absorption where a
// material has no "absorption_true". Names are cut to what the files hold, as a save cuts them.
// Band columns (CSV) or center_freqs (JSON) in another band set are reduced to the ten octaves.
// A pyroomacoustics database gives its absorption entries as materials 1 to n.
ImportInput readImport(QByteArrayView data, ImportFormat format, const QString &fileShown);

// Renumbers a database's materials from `first` on; false when they do not all fit in the
// library.
bool numberFrom(ImportInput &input, int first);

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
// One note per band set: with --merge a material that has values in a group keeps them where
// the input has no data, and nothing is filled for it.
QStringList bandNotes(const ImportInput &input, const MaterialLibrary &before, bool merge);

// What a save of `after` changes in files that hold `before`: one line per change, and counts.
struct ChangeList {
    QStringList lines;
    int added = 0;
    int removed = 0;
    int changed = 0;
};
ChangeList describeChanges(const MaterialLibrary &before, const MaterialLibrary &after);

} // namespace quillon
