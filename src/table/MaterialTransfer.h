#pragma once

#include "MaterialJson.h"

#include <QString>
#include <optional>

class QMimeData;

namespace quillon {

class LibraryDocument;

// Whole materials on the clipboard, in the shape `quillon export --format json` writes. Only
// Quillon takes this flavour: spreadsheets see the table's cells as before.
inline constexpr char kMaterialsMimeType[] = "application/x-quillon-materials+json";

// Adds materials first..last (numbers) of the library, whole, to the data.
void offerWholeMaterials(QMimeData &data, const MaterialLibrary &library, int first, int last);

struct WholeMaterialsPaste {
    bool pasted = false;
    int first = 0; // material numbers written
    int last = -1;
    QString message; // for the user: what was pasted, or why nothing was
};
// When the data offers whole materials: writes them from material `first` on as one step,
// or nothing at all when they do not fit; nothing when the data offers none.
std::optional<WholeMaterialsPaste> pasteWholeMaterials(LibraryDocument &document, int first,
                                                       const QMimeData &data);

} // namespace quillon
