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

std::optional<int> findMaterial(const MaterialLibrary &library, const QString &text, int from,
                                bool forward)
{
    const QString needle = foldForFind(text);
    const int count = std::clamp(library.materialCount, 0, kMaxMaterials);
    if (needle.isEmpty() || count == 0)
        return std::nullopt;
    int material = from;
    if (material < 0 || material >= count)
        material = forward ? -1 : count;
    for (int step = 0; step < count; ++step) {
        material = forward ? (material + 1) % count : (material > 0 ? material - 1 : count - 1);
        const QByteArray &name = library.materialNames[size_t(materialIndex(material))];
        if (foldForFind(decodeCp1252(name)).contains(needle))
            return material;
    }
    return std::nullopt;
}

} // namespace quillon
