// readLumeoMaterial either takes eight finite values or says why not, and stops inside its input.

#include "FuzzCheck.h"
#include "LumeoImport.h"

#include <algorithm>
#include <cmath>

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const LumeoReadResult result = readLumeoMaterial(fuzzInput(data, size));
    FUZZ_REQUIRE(result.ok == result.problem.isEmpty());
    FUZZ_REQUIRE(result.end >= 0 && result.end <= static_cast<qsizetype>(size));
    FUZZ_REQUIRE(!result.ok || std::all_of(result.values.begin(), result.values.end(),
                                           [](float v) { return std::isfinite(v); }));
    return 0;
}
