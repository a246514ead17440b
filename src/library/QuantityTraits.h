#pragma once

#include "MaterialLibrary.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace quillon {

// The table of the library that holds a quantity's values; "Sabine" values live as "True" ones.
enum class ValueTable { Absorption, Insulation, Scattering };

// A material's value groups as bits.
enum ValueGroup : std::uint8_t { kAlphaGroup = 1, kInsulationGroup = 2, kScatteringGroup = 4 };

// Everything that differs between the four quantities.
struct QuantityTraits {
    const char16_t *tablePattern;
    ValueTable table;
    std::uint8_t groupsMarkedOnStore;
    // The group whose values the tab shows, and the group that makes it show the default instead.
    ValueGroup shownWith;
    std::uint8_t defaultShownWith;
    float shownDefault;
    double chartTop;
    double usualMaximum; // 0: no usual range is checked on paste
    const char16_t *description;
};

const QuantityTraits &quantityTraits(Quantity quantity);

std::uint8_t valueGroups(const MaterialLibrary &library, int n);
void setValueGroups(MaterialLibrary &library, int n, std::uint8_t groups);
BandRow &valueRow(MaterialLibrary &library, ValueTable table, int n);
const BandRow &valueRow(const MaterialLibrary &library, ValueTable table, int n);

// The value a quantity's tab shows for material n and band b (the "Sabine" one computed, the
// default where it applies); nothing for an empty cell.
std::optional<double> shownValue(const MaterialLibrary &library, int n, int band,
                                 Quantity quantity);
// The cell's text on the quantity's tab.
QString shownText(const MaterialLibrary &library, int n, int band, Quantity quantity);

// The float stored for a value entered on a quantity's tab; nothing when it cannot be stored
// (not finite, or a "Sabine" value without a "True" counterpart).
std::optional<float> storableValue(Quantity quantity, double entered);
// Stores a value from storableValue and marks the groups the file needs. A material whose tab
// showed the default keeps it in the bands not stored.
void storeBandValue(MaterialLibrary &library, int n, int band, Quantity quantity, float stored);

} // namespace quillon
