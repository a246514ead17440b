#pragma once

#include "ExchangeBlock.h"
#include "MaterialLibrary.h"
#include "PasteReport.h"

#include <QByteArray>
#include <array>
#include <optional>
#include <vector>

// A pasted block whose first row names band frequencies (a datasheet's table): read by
// frequency instead of by position, one material a row, reduced to the library's octaves.

namespace quillon {

struct BandPaste {
    // Materials top..bottom (indices), one for each row below the header; none when the header
    // names bands that cannot be taken.
    int top = 1;
    int bottom = 0;
    bool hasNames = false;                        // the header has leading cells: the rows' names
    std::vector<std::optional<QByteArray>> names; // none where a row gives no name
    std::vector<std::array<std::optional<float>, kBandCount + 1>> values; // by row, then band
    int lastStored = 0; // rows below the last material join only when they got something
    bool lossyNames = false;
};

// Nothing when the block's first row is not a band header: it pastes by position. The report
// is told what was read, or why nothing was.
std::optional<BandPaste> readBandPaste(const MaterialLibrary &library, const ExchangeBlock &block,
                                       int top, Quantity quantity, PasteReport &report);

void storeBandPaste(MaterialLibrary &library, const BandPaste &paste, Quantity quantity);

} // namespace quillon
