#pragma once

#include "ExchangeBlock.h"
#include "MaterialLibrary.h"

namespace quillon {

enum class PastedKind {
    Number,       // a number, or a text that begins with one ("85 %" reads 85)
    DecimalComma, // a text such as "0,25", "1.234,5" or "12,50%", read with the comma as decimal
                  // point; "1,234.50" is English grouping and a Number
    Empty,        // stored as 0
    NotANumber,   // a text without any number: the cell is skipped
};

struct PastedValue {
    PastedKind kind = PastedKind::NotANumber;
    double value = 0.0;
};

// How a pasted cell of a band column reads. Its leading number is read as parseLeadingNumber
// reads one, blanks skipped and the rest ignored, in either notation: with "." as the decimal
// point, or with "," and ".", blanks or no-break spaces between groups of three digits.
PastedValue readPastedCell(const ExchangeCell &cell);

// Whether the cells of block row `row` from firstCol to lastCol read just what the quantity's
// tab shows for material n while n has no values of the tab's own (nothing, or the scattering
// default): a block copied and pasted back unchanged, which leaves n without them.
bool repeatsShownDefault(const MaterialLibrary &library, int n, Quantity quantity,
                         const ExchangeBlock &block, int row, int firstCol, int lastCol);

} // namespace quillon
