#pragma once

#include "MaterialLibrary.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <vector>

namespace quillon {

enum class ImportFormat { Csv, Json };

// The value groups as the library holds them: absorption ("True"), insulation, scattering.
inline constexpr int kGroupCount = 3;

struct ImportedMaterial {
    int index = 0;                      // materialIndex, 1 to kMaxMaterials
    std::optional<QByteArray> name;     // Windows-1252; absent: kept (merge) or empty
    std::optional<MaterialColor> color; // absent: kept (merge) or the palette colour
    std::array<std::optional<BandRow>, kGroupCount> groups;
};

struct ImportInput {
    std::vector<ImportedMaterial> materials;
    // "FILE:LINE: message" (JSON: "FILE: materials[i]: message"); nothing may be written when
    // there is any.
    QStringList errors;
};

// Reads the shape that export writes; "absorption_sabine" becomes "True" absorption where a
// material has no "absorption_true".
ImportInput readImport(QByteArrayView data, ImportFormat format, const QString &fileShown);

// Whole (merge false): the library becomes exactly the input's materials. Merge: only the
// input's materials, and of them only the groups given, change.
void applyImport(const ImportInput &input, MaterialLibrary &library, bool merge);

// What a save of `after` changes in files that hold `before`, one line each, then a count.
QStringList describeChanges(const MaterialLibrary &before, const MaterialLibrary &after);

} // namespace quillon
