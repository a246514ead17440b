#include "MaterialClipboard.h"

#include "Cp1252.h"
#include "NumberFormat.h"
#include "QuantityTable.h"

#include <algorithm>

namespace quillon {

PasteOutcome storePastedBlock(GridModel &grid, MaterialLibrary &library, Quantity quantity,
                              const FlexGrid::Block &block)
{
    PasteOutcome outcome;
    const int top = std::max(block.top, 1);
    const int bottom = std::min(block.bottom, kMaxMaterials);
    const int left = std::max(block.left, kFirstBandColumn);
    const int right = std::clamp(block.right, kFirstBandColumn, kLastBandColumn);
    for (int n = top; n <= bottom; ++n) {
        bool lossy = false;
        const QString shown = grid.text(n, kNameColumn);
        library.materialNames[static_cast<size_t>(n)] = encodeCp1252(shown, &lossy);
        if (lossy) {
            outcome.lossyNames = true;
            grid.setText(n, kNameColumn, decodeCp1252(library.materialNames[static_cast<size_t>(n)]));
        }
        for (int c = left; c <= right; ++c) {
            const double value = parseLeadingNumber(QStringView(grid.text(n, c)));
            if (storeBandValue(library, n, bandOfColumn(c), quantity, value) != StoreResult::Stored)
                ++outcome.skippedValues;
        }
    }
    if (bottom > library.materialCount)
        library.materialCount = bottom;
    return outcome;
}

} // namespace quillon
