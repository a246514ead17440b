// Reads a material file and a colour file as loading does, writes them, reads the written
// files into a fresh library and writes again: the written text must be a fixed point.
// Input: material file, a NUL byte, colour file (no NUL: no colour file content).

#include "FuzzCheck.h"
#include "LibraryFiles.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>

using namespace quillon;

namespace {

struct Written {
    QByteArray materials;
    QByteArray colors;
};

// Three libraries reused for every input: allocating them anew costs more than the rest.
MaterialLibrary &freshLibrary(int which)
{
    static const auto pristine = std::make_unique<const MaterialLibrary>();
    static const auto libraries = std::make_unique<std::array<MaterialLibrary, 3>>();
    MaterialLibrary &library = (*libraries)[static_cast<size_t>(which)];
    library = *pristine;
    return library;
}

// Reading touches no slot beyond materialCount; the rest keep the zeros of a fresh library.
bool allValuesFinite(const MaterialLibrary &library)
{
    for (size_t n = 0; n <= static_cast<size_t>(library.materialCount); ++n) {
        for (const auto *table : {&library.alphaR, &library.insulationR, &library.scattering}) {
            for (float v : (*table)[n]) {
                if (!std::isfinite(v))
                    return false;
            }
        }
    }
    return true;
}

// Returns false when loading refuses the material file.
bool load(QByteArrayView materialData, QByteArrayView colorData, MaterialLibrary &library)
{
    if (countMaterialLines(materialData) > kMaxMaterials)
        return false;
    readMaterialFile(materialData, library);
    const ColorReadReport colors = readColorFile(colorData, library);
    FUZZ_REQUIRE(colors.colorsRead >= 0 && colors.colorsRead <= kMaxMaterials);
    applyDefaultColors(library, colors.colorsRead);
    FUZZ_REQUIRE(library.materialCount >= 0 && library.materialCount <= kMaxMaterials);
    FUZZ_REQUIRE(allValuesFinite(library));
    return true;
}

Written write(const MaterialLibrary &library)
{
    return {writeMaterialFile(library), writeColorFile(library)};
}

// A colour of 0 is written as such but read back as its replacement.
QByteArray blackReplaced(const QByteArray &colors)
{
    QByteArray out = colors;
    out.replace(" 0 \r\n", " " + QByteArray::number(kBlackReplacement) + " \r\n");
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const qsizetype split = input.indexOf('\0');
    const QByteArrayView materialData = split < 0 ? input : input.first(split);
    const QByteArrayView colorData = split < 0 ? QByteArrayView() : input.sliced(split + 1);

    MaterialLibrary *first = &freshLibrary(0);
    if (!load(materialData, colorData, *first))
        return 0;
    FUZZ_REQUIRE(first->materialCount == countMaterialLines(materialData));
    const Written once = write(*first);
    FUZZ_REQUIRE(countMaterialLines(once.materials) == first->materialCount);
    FUZZ_REQUIRE(once.materials.size() == 0 || once.materials.endsWith("\r\n"));

    MaterialLibrary *second = &freshLibrary(1);
    FUZZ_REQUIRE(load(once.materials, once.colors, *second));
    FUZZ_REQUIRE(second->materialCount == first->materialCount);
    const Written twice = write(*second);
    FUZZ_REQUIRE(twice.materials == once.materials, "material file changed on rewriting:\n%s\n---\n%s",
                 once.materials.constData(), twice.materials.constData());
    FUZZ_REQUIRE(twice.colors == blackReplaced(once.colors),
                 "colour file changed on rewriting:\n%s\n---\n%s", once.colors.constData(),
                 twice.colors.constData());

    MaterialLibrary *third = &freshLibrary(2);
    FUZZ_REQUIRE(load(twice.materials, twice.colors, *third));
    const Written thrice = write(*third);
    FUZZ_REQUIRE(thrice.materials == twice.materials && thrice.colors == twice.colors);
    return 0;
}
