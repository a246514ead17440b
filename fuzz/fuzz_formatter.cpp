// Formats a double (or the float it is taken as) with one of the program's patterns: the
// text shows at most the pattern's decimals and reads back within half a unit of the last.
// Input: 8 bytes of a double, then one byte choosing the pattern and whether the value is
// taken as a 32-bit float.

#include "FuzzCheck.h"
#include "NumberFormat.h"

#include <array>
#include <cmath>
#include <cstring>
#include <utility>

using namespace quillon;

namespace {

// Patterns and their decimals, written out by hand so that a wrong reading of one shows.
constexpr std::array<std::pair<const char16_t *, int>, 8> kPatterns = {{
    {patterns::kFileAbsorption, 3},
    {patterns::kFileInsulation, 1},
    {patterns::kTableTrue, 3},
    {patterns::kTableSabine, 3},
    {patterns::kTableInsulation, 2},
    {patterns::kEditor, 3},
    {patterns::kRegionalThousands, 0},
    {patterns::kRegionalDecimals, 5},
}};

constexpr double kLargest = 1e15;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < sizeof(double) + 1)
        return 0;
    double value;
    std::memcpy(&value, data, sizeof value);
    const uint8_t choice = data[sizeof value];
    const auto [pattern, decimals] = kPatterns[choice % kPatterns.size()];
    if ((choice / kPatterns.size()) % 2 == 1)
        value = static_cast<float>(value);
    if (!std::isfinite(value) || std::fabs(value) >= kLargest)
        return 0;
    const bool isFloat = static_cast<double>(static_cast<float>(value)) == value;

    QString text = formatNumber(value, pattern);
    const qsizetype point = text.indexOf(u'.');
    FUZZ_REQUIRE(point < 0 || text.size() - point - 1 <= decimals, "\"%s\"", qPrintable(text));
    const double readBack = parseLeadingNumber(QStringView(text.remove(u',')));
    const double halfUnit = 0.5 * std::pow(10.0, -decimals);
    // The shortest form of a float may lie up to half a float step from its exact value.
    const double slack = std::fabs(value) * (isFloat ? 6.0e-8 : 2.3e-16);
    FUZZ_REQUIRE(std::fabs(readBack - value) <= halfUnit * (1 + 1e-9) + slack,
                 "value %.17g, text \"%s\", read back %.17g", value, qPrintable(text), readBack);
    return 0;
}
