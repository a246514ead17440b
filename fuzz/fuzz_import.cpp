// The import readers never fail on any input: they refuse it with a bounded list of reasons, or
// give materials the files can hold; what they give applies to a library and lists its changes.

#include "FuzzCheck.h"
#include "LibraryImport.h"

#include <cmath>
#include <memory>

using namespace quillon;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first byte picks the reader.
    const QByteArrayView input = fuzzInput(data, size);
    const ImportFormat format =
        !input.isEmpty() && input[0] & 1 ? ImportFormat::Json : ImportFormat::Csv;
    const ImportInput result =
        readImport(input.sliced(std::min<qsizetype>(1, size)), format, QStringLiteral("in"));
    FUZZ_REQUIRE(result.errors.size() <= kListedFindings + 1 &&
                 result.notes.size() <= kListedFindings + 1);
    if (!result.errors.isEmpty())
        return 0;
    for (const ImportedMaterial &m : result.materials) {
        FUZZ_REQUIRE(m.index >= 1 && m.index <= kMaxMaterials, "index %d", m.index);
        FUZZ_REQUIRE(!m.name || (m.name->size() <= kNameFieldWidth && !m.name->contains('\r')));
        for (const auto &group : m.groups)
            for (int b = 1; group && b <= kBandCount; ++b)
                FUZZ_REQUIRE(std::isfinite((*group)[size_t(b)]));
    }
    auto library = std::make_unique<MaterialLibrary>();
    const auto before = std::make_unique<MaterialLibrary>();
    applyImport(result, *library, format == ImportFormat::Json);
    const ChangeList changes = describeChanges(*before, *library);
    FUZZ_REQUIRE(changes.added == library->materialCount && changes.removed == 0);
    return 0;
}
