// readLumeoMaterial either takes eight finite values, the first eight fields of the file, or
// says why not; lumeoMaterialName of the input taken as a path is its last path component.

#include "FuzzCheck.h"
#include "LumeoImport.h"
#include "NumberFormat.h"

#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdint>

using namespace quillon;

namespace {

bool isSeparator(char c) { return c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const LumeoReadResult result = readLumeoMaterial(input);
    if (result.ok) {
        FUZZ_REQUIRE(result.problem.isEmpty());
        qsizetype i = 0;
        for (int k = 0; k < kLumeoBandCount; ++k) {
            const float v = result.values[static_cast<size_t>(k)];
            FUZZ_REQUIRE(std::isfinite(v));
            while (i < input.size() && isSeparator(input[i]))
                ++i;
            FUZZ_REQUIRE(i < input.size(), "value %d has no field", k + 1);
            qsizetype end = i;
            while (end < input.size() && !isSeparator(input[end]))
                ++end;
            const double field = parseLeadingNumber(input.sliced(i, end - i));
            FUZZ_REQUIRE(static_cast<double>(v) == static_cast<double>(static_cast<float>(field)),
                         "value %d is %.9g, its field reads %.17g", k + 1, v, field);
            i = end;
        }
    } else {
        FUZZ_REQUIRE(!result.problem.isEmpty());
    }

    for (const QString &path : {QString::fromUtf8(input), QString::fromLatin1(input)}) {
        const QString name = lumeoMaterialName(path);
        FUZZ_REQUIRE(!name.contains(u'/') && !name.contains(u'\\'));
        FUZZ_REQUIRE(path.endsWith(name));
        const qsizetype cut = path.size() - name.size();
        FUZZ_REQUIRE(cut == 0 || path[cut - 1] == u'/' || path[cut - 1] == u'\\');
    }
    return 0;
}
