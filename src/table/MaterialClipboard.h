#pragma once

#include "FlexGrid.h"
#include "MaterialLibrary.h"

namespace quillon {

struct PasteOutcome {
    int skippedValues = 0;   // not finite, or "Sabine" values without a "True" counterpart
    bool lossyNames = false; // a name held characters the file's code page cannot
};

// Stores every cell of a block just laid into the table: the name of each row, and the band
// cells (columns below the first band column count as the first band) as the quantity's
// values. Rows below the last material join the library.
PasteOutcome storePastedBlock(GridModel &grid, MaterialLibrary &library, Quantity quantity,
                              const FlexGrid::Block &block);

} // namespace quillon
