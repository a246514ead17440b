#include "QuantityTable.h"

#include "AbsorptionConversions.h"
#include "FlexGrid.h"
#include "NumberFormat.h"

#include <cmath>

namespace quillon {

namespace {

const NumberPattern &patternFor(Quantity quantity)
{
    static const NumberPattern trueAbsorption = NumberPattern::parse(patterns::kTableTrue);
    static const NumberPattern sabine = NumberPattern::parse(patterns::kTableSabine);
    static const NumberPattern insulation = NumberPattern::parse(patterns::kTableInsulation);
    static const NumberPattern scattering = NumberPattern::parse(patterns::kEditor);
    switch (quantity) {
    case Quantity::TrueAbsorption:
        return trueAbsorption;
    case Quantity::SabineAbsorption:
        return sabine;
    case Quantity::Insulation:
        return insulation;
    case Quantity::Scattering:
        break;
    }
    return scattering;
}

} // namespace

QString bandCellText(MaterialLibrary &library, int n, int band, Quantity quantity)
{
    const auto slot = static_cast<size_t>(n);
    const auto b = static_cast<size_t>(band);
    const NumberPattern &pattern = patternFor(quantity);
    switch (quantity) {
    case Quantity::TrueAbsorption:
        return library.hasAlpha[slot] ? formatNumber(library.alphaR[slot][b], pattern) : QString();
    case Quantity::SabineAbsorption:
        return library.hasAlpha[slot]
                   ? formatNumber(trueToSabine(library.alphaR[slot][b]), pattern)
                   : QString();
    case Quantity::Insulation:
        return library.hasInsulation[slot] ? formatNumber(library.insulationR[slot][b], pattern)
                                           : QString();
    case Quantity::Scattering:
        if (library.hasScattering[slot])
            return formatNumber(library.scattering[slot][b], pattern);
        if (library.hasAlpha[slot]) {
            library.scattering[slot][b] = kDefaultScattering;
            return formatNumber(kDefaultScattering, pattern);
        }
        return QString();
    }
    return QString();
}

void writeBandColumns(GridModel &grid, MaterialLibrary &library, Quantity quantity)
{
    const int lastRow = std::min(library.materialCount, grid.gridRows() - 1);
    if (lastRow < 1 || grid.gridCols() <= kLastBandColumn)
        return;
    for (int n = 1; n <= lastRow; ++n) {
        for (int band = 1; band <= kBandCount; ++band)
            grid.setTextSilently(n, columnOfBand(band), bandCellText(library, n, band, quantity));
    }
    grid.notifyChanged(1, kFirstBandColumn, lastRow, kLastBandColumn);
}

QString quantityDescription(Quantity quantity)
{
    switch (quantity) {
    case Quantity::TrueAbsorption:
        return QStringLiteral("\"True\" absorption coefficient \u03b1, 0 to 1");
    case Quantity::SabineAbsorption:
        return QStringLiteral("\"Sabine\" absorption coefficient \u03b1, 0 to 1.45");
    case Quantity::Insulation:
        return QStringLiteral("Sound reduction index R, dB");
    case Quantity::Scattering:
        break;
    }
    return QStringLiteral("Scattering coefficient s, 0 to 1");
}

StoreResult storeBandValue(MaterialLibrary &library, int n, int band, Quantity quantity,
                           double value)
{
    const auto slot = static_cast<size_t>(n);
    const auto b = static_cast<size_t>(band);
    if (quantity == Quantity::SabineAbsorption) {
        if (!std::isfinite(value))
            return StoreResult::NotFinite;
        if (value < kMinimumSabine)
            return StoreResult::BelowSabineLimit;
        value = sabineToTrue(value);
    }
    const auto stored = toStoredFloat(value);
    if (!stored)
        return StoreResult::NotFinite;

    switch (quantity) {
    case Quantity::TrueAbsorption:
    case Quantity::SabineAbsorption:
        library.alphaR[slot][b] = *stored;
        library.hasAlpha[slot] = true;
        break;
    case Quantity::Insulation:
        library.insulationR[slot][b] = *stored;
        library.hasAlpha[slot] = true;
        library.hasInsulation[slot] = true;
        break;
    case Quantity::Scattering:
        library.scattering[slot][b] = *stored;
        library.hasAlpha[slot] = true;
        library.hasInsulation[slot] = true;
        library.hasScattering[slot] = true;
        break;
    }
    return StoreResult::Stored;
}

} // namespace quillon
