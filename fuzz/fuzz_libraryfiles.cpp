// Reads a material file and a colour file as loading does, writes them, reads the written
// files into a fresh library and writes again: both writes must give the same bytes.
// Input: material file, a NUL byte, colour file (no NUL: no colour file content).

#include "FuzzCheck.h"
#include "LibraryFiles.h"

#include <cmath>

using namespace quillon;

namespace {

// Returns false when loading refuses the material file.
bool load(QByteArrayView materialData, QByteArrayView colorData, MaterialLibrary &library)
{
    const int lines = countMaterialLines(materialData);
    if (lines > kMaxMaterials)
        return false;
    readMaterialFile(materialData, library);
    applyDefaultColors(library, readColorFile(colorData, library).colorsRead);
    FUZZ_REQUIRE(library.materialCount == lines && library.materialCount <= kMaxMaterials);
    for (const auto *table : {&library.alphaR, &library.insulationR, &library.scattering}) {
        for (const BandRow &row : *table) {
            for (float v : row)
                FUZZ_REQUIRE(std::isfinite(v));
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input = fuzzInput(data, size);
    const qsizetype split = input.indexOf('\0');
    const QByteArrayView materialData = split < 0 ? input : input.first(split);
    const QByteArrayView colorData = split < 0 ? QByteArrayView() : input.sliced(split + 1);

    // Reused for every input: allocating them anew costs more than the rest.
    static MaterialLibrary first;
    static MaterialLibrary second;
    first = MaterialLibrary();
    if (!load(materialData, colorData, first))
        return 0;
    const QByteArray materials = writeMaterialFile(first);
    QByteArray colors = writeColorFile(first);
    second = MaterialLibrary();
    FUZZ_REQUIRE(load(materials, colors, second));
    const QByteArray materialsAgain = writeMaterialFile(second);
    FUZZ_REQUIRE(materialsAgain == materials, "material file changed on rewriting:\n%s\n---\n%s",
                 materials.constData(), materialsAgain.constData());
    // A colour of 0 is written as such but read back as its replacement.
    colors.replace(" 0 \r\n", " " + QByteArray::number(kBlackReplacement) + " \r\n");
    FUZZ_REQUIRE(writeColorFile(second) == colors);
    return 0;
}
