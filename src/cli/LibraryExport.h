#pragma once

#include "MaterialJson.h"
#include "MaterialLibrary.h"

#include <QByteArray>
#include <array>
#include <cstdint>

namespace quillon {

// RFC 4180 with CR LF rows, UTF-8 names: one row per material and value group it has, and one
// with an empty group for a material without values.
QByteArray exportCsv(const MaterialLibrary &library);
// Every material with the groups it has, in arrays and in the {coeffs, center_freqs} shape
// that Python room-acoustics packages take.
QByteArray exportJson(const MaterialLibrary &library);
enum class RatingsFormat { Tsv, Csv, Json };
// One row per material, empty fields (JSON: null) where a value group is missing. TSV writes
// tabs and line breaks in names as blanks, so that every row has nine fields.
QByteArray ratingsTable(const MaterialLibrary &library, RatingsFormat format);

// The shape and keys of the exports, shared with the import.
inline constexpr char kCsvHeadLead[] = "number,name,color,group";
QByteArray csvHead();
void appendCsvField(QByteArray &out, const QByteArray &field);

} // namespace quillon
