#include "QuantityTraits.h"

#include "AbsorptionConversions.h"
#include "NumberFormat.h"

#include <algorithm>
#include <cmath>

namespace quillon {

namespace {

constexpr float kDefaultScattering = 0.1f;

const std::array<QuantityTraits, 4> kTraits = {{
    {patterns::kTableTrue, ValueTable::Absorption, kAlphaGroup, kAlphaGroup, 0, 0.0f, 1.0, 1.5,
     u"\"True\" absorption coefficient \u03b1, 0 to 1"},
    {patterns::kTableSabine, ValueTable::Absorption, kAlphaGroup, kAlphaGroup, 0, 0.0f, 1.5, 2.0,
     u"\"Sabine\" absorption coefficient \u03b1, 0 to 1.45"},
    {patterns::kTableInsulation, ValueTable::Insulation, kAlphaGroup | kInsulationGroup,
     kInsulationGroup, 0, 0.0f, 100.0, 0.0, u"Sound reduction index R, dB"},
    {patterns::kEditor, ValueTable::Scattering, kAlphaGroup | kInsulationGroup | kScatteringGroup,
     kScatteringGroup, kAlphaGroup, kDefaultScattering, 1.0, 0.0,
     u"Scattering coefficient s, 0 to 1"},
}};

const NumberPattern &tablePattern(Quantity quantity)
{
    static const std::array<NumberPattern, 4> parsed = {
        NumberPattern::parse(kTraits[0].tablePattern),
        NumberPattern::parse(kTraits[1].tablePattern),
        NumberPattern::parse(kTraits[2].tablePattern),
        NumberPattern::parse(kTraits[3].tablePattern)};
    return parsed[static_cast<size_t>(quantity) - 1];
}

} // namespace

const QuantityTraits &quantityTraits(Quantity quantity)
{
    return kTraits[static_cast<size_t>(quantity) - 1];
}

std::uint8_t valueGroups(const MaterialLibrary &library, int n)
{
    const auto slot = static_cast<size_t>(n);
    return static_cast<std::uint8_t>((library.hasAlpha[slot] ? kAlphaGroup : 0) |
                                     (library.hasInsulation[slot] ? kInsulationGroup : 0) |
                                     (library.hasScattering[slot] ? kScatteringGroup : 0));
}

void setValueGroups(MaterialLibrary &library, int n, std::uint8_t groups)
{
    const auto slot = static_cast<size_t>(n);
    library.hasAlpha[slot] = groups & kAlphaGroup;
    library.hasInsulation[slot] = groups & kInsulationGroup;
    library.hasScattering[slot] = groups & kScatteringGroup;
}

BandRow &valueRow(MaterialLibrary &library, ValueTable table, int n)
{
    const auto slot = static_cast<size_t>(n);
    switch (table) {
    case ValueTable::Insulation:
        return library.insulationR[slot];
    case ValueTable::Scattering:
        return library.scattering[slot];
    case ValueTable::Absorption:
        break;
    }
    return library.alphaR[slot];
}

const BandRow &valueRow(const MaterialLibrary &library, ValueTable table, int n)
{
    return valueRow(const_cast<MaterialLibrary &>(library), table, n);
}

std::optional<double> shownValue(const MaterialLibrary &library, int n, int band, Quantity quantity)
{
    const QuantityTraits &traits = quantityTraits(quantity);
    const std::uint8_t groups = valueGroups(library, n);
    if (!(groups & traits.shownWith))
        return (groups & traits.defaultShownWith) ? std::optional<double>(traits.shownDefault)
                                                  : std::nullopt;
    const double stored = valueRow(library, traits.table, n)[static_cast<size_t>(band)];
    return quantity == Quantity::SabineAbsorption ? trueToSabine(stored) : stored;
}

QString shownText(const MaterialLibrary &library, int n, int band, Quantity quantity)
{
    const auto value = shownValue(library, n, band, quantity);
    return value ? formatNumber(*value, tablePattern(quantity)) : QString();
}

std::optional<float> storableValue(Quantity quantity, double entered)
{
    if (quantity == Quantity::SabineAbsorption) {
        if (!std::isfinite(entered) || entered < kMinimumSabine)
            return std::nullopt;
        entered = sabineToTrue(entered);
    }
    return toStoredFloat(entered);
}

void storeBandValue(MaterialLibrary &library, int n, int band, Quantity quantity, float stored)
{
    const QuantityTraits &traits = quantityTraits(quantity);
    const std::uint8_t groups = valueGroups(library, n);
    BandRow &row = valueRow(library, traits.table, n);
    if (!(groups & traits.shownWith) && (groups & traits.defaultShownWith))
        std::fill(row.begin() + 1, row.end(), traits.shownDefault);
    row[static_cast<size_t>(band)] = stored;
    setValueGroups(library, n, groups | traits.groupsMarkedOnStore);
}

} // namespace quillon
