#pragma once

#include "MaterialLibrary.h"
#include "QuantityTraits.h"

#include <QByteArray>
#include <array>
#include <cstdint>

namespace quillon {

// RFC 4180 with CR LF rows, UTF-8 names: one row per material and value group it has, and one
// with an empty group for a material without values.
QByteArray exportCsv(const MaterialLibrary &library);
// Every material with the groups it has, in arrays and in the {coeffs, center_freqs} shape
// that Python room-acoustics packages take.
QByteArray exportJson(const MaterialLibrary &library);
enum class RatingsFormat { Tsv, Csv, Json };
// One row per material, empty fields (JSON: null) where a value group is missing. TSV writes
// tabs and line breaks in names as blanks, so that every row has nine fields.
QByteArray ratingsTable(const MaterialLibrary &library, RatingsFormat format);

// The shape and keys of the exports, shared with the import.
inline constexpr char kCsvHeadLead[] = "number,name,color,group";
// The value groups the library holds, in the order the material file holds them.
struct GroupKey {
    ValueTable table;
    ValueGroup flag;
    const char *key;
};
inline constexpr std::array<GroupKey, 3> kGroupKeys = {
    {{ValueTable::Absorption, kAlphaGroup, "absorption_true"},
     {ValueTable::Insulation, kInsulationGroup, "insulation_db"},
     {ValueTable::Scattering, kScatteringGroup, "scattering"}}};
inline constexpr char kSabineKey[] = "absorption_sabine";
inline constexpr char kEnergyKey[] = "energy_absorption";
// The groups a save writes for material n: a later group brings the earlier ones along.
std::uint8_t writtenGroups(const MaterialLibrary &library, int n);
QByteArray csvHead();
void appendCsvField(QByteArray &out, const QByteArray &field);

// "#rrggbb"
QByteArray colorText(MaterialColor color);

} // namespace quillon
