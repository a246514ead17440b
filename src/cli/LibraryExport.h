#pragma once

#include "MaterialLibrary.h"

#include <QByteArray>

namespace quillon {

// RFC 4180 with CR LF rows, UTF-8 names: one row per material and value group it has.
QByteArray exportCsv(const MaterialLibrary &library);
// Every material with the groups it has, in arrays and in the {coeffs, center_freqs} shape
// that Python room-acoustics packages take.
QByteArray exportJson(const MaterialLibrary &library);
// Tab-separated, one row per material, empty fields where a value group is missing.
QByteArray ratingsTable(const MaterialLibrary &library);

// "#rrggbb"
QByteArray colorText(MaterialColor color);

} // namespace quillon
