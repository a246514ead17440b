// readLumeoMaterial either takes eight finite values, the first eight fields of the file, or
// says why not; lumeoMaterialName of the input taken as a path is its last path component.

#include "FuzzCheck.h"
#include "LumeoImport.h"
#include "NumberFormat.h"

#include <cmath>

using namespace quillon;

namespace {

bool isSeparator(char c) { return c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input = fuzzInput(data, size);
    const LumeoReadResult result = readLumeoMaterial(input);
    FUZZ_REQUIRE(result.ok == result.problem.isEmpty());
    qsizetype end = 0;
    for (int k = 0; result.ok && k < kLumeoBandCount; ++k) {
        qsizetype start = end;
        while (start < input.size() && isSeparator(input[start]))
            ++start;
        FUZZ_REQUIRE(start < input.size(), "value %d has no field", k + 1);
        for (end = start; end < input.size() && !isSeparator(input[end]);)
            ++end;
        const float v = result.values[static_cast<size_t>(k)];
        const double field = parseLeadingNumber(input.sliced(start, end - start));
        FUZZ_REQUIRE(std::isfinite(v) && v == static_cast<float>(field),
                     "value %d is %.9g, its field reads %.17g", k + 1, v, field);
    }

    for (const QString &path : {QString::fromUtf8(input), QString::fromLatin1(input)}) {
        const QString name = lumeoMaterialName(path);
        const qsizetype cut = path.size() - name.size();
        FUZZ_REQUIRE(!name.contains(u'/') && !name.contains(u'\\') && path.endsWith(name));
        FUZZ_REQUIRE(cut == 0 || path[cut - 1] == u'/' || path[cut - 1] == u'\\');
    }
    return 0;
}
