#pragma once

#include "MaterialLibrary.h"

#include <QRandomGenerator>
#include <memory>

namespace quillon {

// Every material has all three groups; different seeds give different files.
inline std::unique_ptr<MaterialLibrary> generatedLibrary(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    auto library = std::make_unique<MaterialLibrary>();
    library->materialCount = count;
    for (size_t n = 1; n <= static_cast<size_t>(count); ++n) {
        library->materialNames[n] = "Material " + QByteArray::number(random.generate());
        library->alphaR[n].fill(static_cast<float>(random.bounded(1000)) / 1000.0f);
        library->hasAlpha[n] = library->hasInsulation[n] = library->hasScattering[n] = true;
        library->materialColors[n] = static_cast<MaterialColor>(random.bounded(1, 0x1000000));
    }
    return library;
}

// The library a writer process saves: sizes differ too, so that a cut file equals no other.
inline std::unique_ptr<MaterialLibrary> writerLibrary(quint32 seed)
{
    return generatedLibrary(400 + int(seed), seed);
}

} // namespace quillon
