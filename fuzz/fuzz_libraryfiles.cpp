// Reads a material file and a colour file as loading does, writes them, reads the written
// files into a fresh library and writes again: both writes must give the same bytes.
// Input: material file, a NUL byte, colour file (no NUL: no colour file content).

#include "FuzzCheck.h"
#include "LibraryFiles.h"

#include <algorithm>
#include <cmath>

using namespace quillon;

namespace {

// Loads both files into a fresh library and writes them back.
std::pair<QByteArray, QByteArray> rewrite(QByteArrayView materialData, QByteArrayView colorData)
{
    // Reused for every input: allocating it anew costs more than the rest.
    static MaterialLibrary library;
    library = MaterialLibrary();
    readMaterialFile(materialData, library);
    applyDefaultColors(library, readColorFile(colorData, library).colorsRead);
    FUZZ_REQUIRE(library.materialCount == countMaterialLines(materialData));
    auto finite = [](float v) { return std::isfinite(v); };
    for (const auto *table : {&library.alphaR, &library.insulationR, &library.scattering})
        for (const BandRow &row : *table)
            FUZZ_REQUIRE(std::all_of(row.begin(), row.end(), finite));
    return {writeMaterialFile(library), writeColorFile(library)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input = fuzzInput(data, size);
    const qsizetype split = input.indexOf('\0');
    const QByteArrayView materials = split < 0 ? input : input.first(split);
    if (countMaterialLines(materials) > kMaxMaterials)
        return 0; // loading refuses it
    auto [written, colors] =
        rewrite(materials, split < 0 ? QByteArrayView() : input.sliced(split + 1));
    const auto [again, colorsAgain] = rewrite(written, colors);
    FUZZ_REQUIRE(again == written, "material file changed on rewriting:\n%s\n---\n%s",
                 written.constData(), again.constData());
    // A colour of 0 is written as such but read back as its replacement.
    colors.replace(" 0 \r\n", " " + QByteArray::number(kBlackReplacement) + " \r\n");
    FUZZ_REQUIRE(colorsAgain == colors);
    return 0;
}
