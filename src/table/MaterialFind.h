#pragma once

#include "MaterialLibrary.h"

#include <QString>
#include <QStringView>
#include <optional>

namespace quillon {

// Lower case without accents, so that "beton" matches "Béton".
QString foldForFind(QStringView text);

// The next material (1..materialCount) after fromRow, or before it when !forward, whose name
// contains text after folding both; the search wraps around and checks fromRow itself last.
// A fromRow outside the materials starts at the first (forward) or last material.
std::optional<int> findMaterial(const MaterialLibrary &library, const QString &text, int fromRow,
                                bool forward);

} // namespace quillon
