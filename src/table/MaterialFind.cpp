#include "MaterialFind.h"

#include "Cp1252.h"

#include <algorithm>

namespace quillon {

namespace {

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

QString foldForFind(QStringView text)
{
    // Most names are plain ASCII, and decomposing them would only cost time.
    if (isAscii(text))
        return text.toString().toCaseFolded();
    QString decomposed = text.toString().normalized(QString::NormalizationForm_D);
    decomposed.removeIf([](QChar c) { return c.isMark(); });
    return decomposed.toCaseFolded();
}

std::optional<int> findMaterial(const MaterialLibrary &library, const QString &text, int fromRow,
                                bool forward)
{
    const QString needle = foldForFind(text);
    const int count = std::clamp(library.materialCount, 0, kMaxMaterials);
    if (needle.isEmpty() || count == 0)
        return std::nullopt;
    int row = fromRow;
    if (row < 1 || row > count)
        row = forward ? 0 : count + 1;
    for (int step = 0; step < count; ++step) {
        row = forward ? row % count + 1 : (row > 1 ? row - 1 : count);
        const QString name = decodeCp1252(library.materialNames[static_cast<size_t>(row)]);
        if (foldForFind(name).contains(needle))
            return row;
    }
    return std::nullopt;
}

} // namespace quillon
