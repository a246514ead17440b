#pragma once

#include "ExchangeBlock.h"

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace quillon {

// Gnumeric's own clipboard flavour, which it prefers: it reads the numbers whatever the locale
// and asks no import questions. It does not read SYLK from the clipboard.
inline constexpr char kGnumericMimeType[] = "application/x-gnumeric";

// A gnm:ClipboardRange with one gnm:Cell per cell that is not empty: finite numbers in "."
// notation with the shortest digits that give the same double, everything else as a string.
// Characters that XML cannot carry are left out.
QByteArray writeGnumericClipboard(const ExchangeBlock &block);

// Cells placed by Row and Col counted from BaseRow and BaseCol, in any order; cells left out
// are empty. Numbers (a formula's by its Value) become numbers, other values their text.
// Nothing when the XML is malformed or not a clipboard range, or a cell lies outside it.
std::optional<ExchangeBlock> readGnumericClipboard(QByteArrayView xml);

} // namespace quillon
