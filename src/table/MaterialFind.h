#pragma once

#include "MaterialLibrary.h"

#include <QString>
#include <QStringView>
#include <optional>

namespace quillon {

// Lower case without accents, so that "beton" matches "Béton".
QString foldForFind(QStringView text);

// The next material (numbers 0 to materialCount - 1) after `from`, or before it when !forward,
// whose name contains text after folding both; the search wraps around and checks `from` itself
// last. A `from` outside the materials starts at the first (forward) or last material.
std::optional<int> findMaterial(const MaterialLibrary &library, const QString &text, int from,
                                bool forward);

} // namespace quillon
