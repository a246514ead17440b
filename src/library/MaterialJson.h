#pragma once

#include "MaterialLibrary.h"
#include "QuantityTraits.h"

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cstdint>

#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

namespace quillon {

// One material with everything the library holds of it.
struct WholeMaterial {
    int number = 0;
    QByteArray name; // Windows-1252, as the files hold it
    MaterialColor color = 0;
    BandRow alpha{};
    BandRow insulation{};
    BandRow scattering{};
    bool hasAlpha = false;
    bool hasInsulation = false;
    bool hasScattering = false;
    bool operator==(const WholeMaterial &) const = default;
};
WholeMaterial wholeMaterial(const MaterialLibrary &library, int index);
void storeWholeMaterial(MaterialLibrary &library, int index, const WholeMaterial &material);

// The shortest text that reads back as the same number; JSON has no word for a non-finite one.
template <typename Number> void appendShortest(QByteArray &out, Number value, const char *nonFinite)
{
    if (!std::isfinite(value)) {
        out.append(nonFinite);
        return;
    }
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    out.append(text, end - text);
}

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

// "#rrggbb"
QByteArray colorText(MaterialColor color);
void appendJsonString(QByteArray &out, const QByteArray &utf8);

// Materials first..last (indices) with the groups they have, UTF-8 names, in arrays and in the
// {coeffs, center_freqs} shape that Python room-acoustics packages take.
// AsSaved writes the groups a save writes (a later group brings the earlier ones along), so
// that what is read back saves byte for byte the same.
enum class GroupPresence { AsHeld, AsSaved };
QByteArray materialsJson(const MaterialLibrary &library, int first, int last,
                         GroupPresence presence = GroupPresence::AsHeld);
// What materialsJson wrote, back; nothing when the text is not in its shape.
std::optional<std::vector<WholeMaterial>> readMaterialsJson(QByteArrayView json);

} // namespace quillon
