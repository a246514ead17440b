#pragma once

#include "ExchangeBlock.h"

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

namespace quillon {

// The spreadsheet flavour that Calc reads and offers beside plain text: SYLK, whose numbers are
// always written with "." and in full, whatever the locale.
inline constexpr char kSylkMimeType[] = "application/x-openoffice-sylk;windows_formatname=\"Sylk\"";

// One C record per cell that is not empty: numbers (finite ones) with the shortest digits that
// give the same double, texts quoted with ";" doubled. A B record keeps the block's size when
// its last rows or columns are empty. Texts in the encoding spreadsheets use for SYLK on the
// clipboard: UTF-8, Windows-1252 on Windows. The reader takes either.
QByteArray writeSylk(const ExchangeBlock &block);

// The C records' values placed by their X and Y (which carry over from record to record, as
// F records move them too); other records are ignored. Nothing when the text is not a SYLK
// block: no ID record first, no E record, a broken C record or a block beyond any table's size.
std::optional<ExchangeBlock> readSylk(QByteArrayView sylk);

} // namespace quillon
