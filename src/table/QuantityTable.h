#pragma once

#include "MaterialLibrary.h"

#include <QString>

namespace quillon {

class GridModel;

// The material table's shape: row n shows material n, row 0 is the header.
inline constexpr int kGridRows = kMaxMaterials + 1;
inline constexpr int kGridCols = kBandCount + 3;
inline constexpr int kNumberColumn = 0;
inline constexpr int kNameColumn = 1;
inline constexpr int kColorColumn = 2;
inline constexpr int kFirstBandColumn = 3;
inline constexpr int kLastBandColumn = kFirstBandColumn + kBandCount - 1;
inline constexpr float kDefaultScattering = 0.1f;

constexpr int bandOfColumn(int column) { return column - kFirstBandColumn + 1; }
constexpr int columnOfBand(int band) { return band + kFirstBandColumn - 1; }

// What band b of material n shows on a quantity's tab; empty when the material has no such
// values. On the scattering tab a material with absorption values only gets the default
// scattering written into the library first.
QString bandCellText(MaterialLibrary &library, int n, int band, Quantity quantity);

// Rewrites the band columns of materials 1..materialCount with one notification.
void writeBandColumns(GridModel &grid, MaterialLibrary &library, Quantity quantity);

// The quantity with its symbol and unit, as the tooltips name it.
QString quantityDescription(Quantity quantity);

enum class StoreResult { Stored, NotFinite, BelowSabineLimit };

// Stores a value entered or pasted on a quantity's tab and marks the groups the file needs.
StoreResult storeBandValue(MaterialLibrary &library, int n, int band, Quantity quantity,
                           double value);

} // namespace quillon
