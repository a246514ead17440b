// Formats a double (or the float it is taken as) with one of the program's patterns and
// checks the text against an independent rendering: the shortest decimal form rounded as a
// digit string, halves away from zero. The number read back from the text must lie within
// half a unit of the last decimal shown.
// Input: 8 bytes of a double, then one byte choosing the pattern and whether the value is
// taken as a 32-bit float.

#include "FuzzCheck.h"
#include "NumberFormat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

using namespace quillon;

namespace {

struct PatternCase {
    const char16_t *text;
    int leadingBlanks;
    int minIntegerDigits;
    int minDecimals;
    int maxDecimals;
    bool grouping;
};

// Written out by hand, so that a wrong reading of the pattern shows as well.
constexpr std::array<PatternCase, 8> kPatterns = {{
    {patterns::kFileAbsorption, 1, 1, 3, 3, false},
    {patterns::kFileInsulation, 1, 1, 1, 1, false},
    {patterns::kTableTrue, 0, 1, 3, 3, false},
    {patterns::kTableSabine, 0, 1, 3, 3, false},
    {patterns::kTableInsulation, 0, 1, 1, 2, false},
    {patterns::kEditor, 0, 1, 1, 3, false},
    {patterns::kRegionalThousands, 0, 0, 0, 0, true},
    {patterns::kRegionalDecimals, 0, 0, 0, 5, false},
}};

constexpr double kLargest = 1e15;

// Integer digits and exactly `decimals` fraction digits of |value| rounded from its shortest
// decimal form (the float's own when the value is a float).
void roundedDecimal(double value, bool isFloat, int decimals, std::string &integerPart,
                    std::string &fraction)
{
    char text[64];
    char *end = isFloat ? std::to_chars(text, text + sizeof text, std::fabs(static_cast<float>(value)),
                                        std::chars_format::scientific)
                              .ptr
                        : std::to_chars(text, text + sizeof text, std::fabs(value),
                                        std::chars_format::scientific)
                              .ptr;
    // d.ddde[+-]x: the digits, then the power of ten of the first one.
    const std::string scientific(text, end);
    const size_t e = scientific.find('e');
    std::string digits = scientific.substr(0, e);
    digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());
    const int exponent = std::stoi(scientific.substr(e + 1));
    if (exponent >= 0) {
        if (static_cast<int>(digits.size()) < exponent + 1)
            digits.append(static_cast<size_t>(exponent + 1) - digits.size(), '0');
        integerPart = digits.substr(0, static_cast<size_t>(exponent + 1));
        fraction = digits.substr(static_cast<size_t>(exponent + 1));
    } else {
        integerPart = "0";
        fraction = std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    }
    const bool roundUp = static_cast<int>(fraction.size()) > decimals &&
                         fraction[static_cast<size_t>(decimals)] >= '5';
    fraction.resize(static_cast<size_t>(decimals), '0');
    if (!roundUp)
        return;
    std::string all = integerPart + fraction;
    int k = static_cast<int>(all.size()) - 1;
    for (; k >= 0 && all[static_cast<size_t>(k)] == '9'; --k)
        all[static_cast<size_t>(k)] = '0';
    if (k < 0)
        all.insert(all.begin(), '1');
    else
        ++all[static_cast<size_t>(k)];
    integerPart = all.substr(0, all.size() - static_cast<size_t>(decimals));
    fraction = all.substr(all.size() - static_cast<size_t>(decimals));
}

std::string expectedText(double value, bool isFloat, const PatternCase &pattern)
{
    std::string integerPart;
    std::string fraction;
    roundedDecimal(value, isFloat, pattern.maxDecimals, integerPart, fraction);
    const bool nonZero = (integerPart + fraction).find_first_not_of('0') != std::string::npos;

    while (static_cast<int>(fraction.size()) > pattern.minDecimals && fraction.back() == '0')
        fraction.pop_back();
    integerPart.erase(0, std::min(integerPart.find_first_not_of('0'), integerPart.size()));
    if (static_cast<int>(integerPart.size()) < pattern.minIntegerDigits)
        integerPart.insert(0, static_cast<size_t>(pattern.minIntegerDigits) - integerPart.size(), '0');
    if (pattern.grouping) {
        std::string grouped;
        for (size_t k = 0; k < integerPart.size(); ++k) {
            if (k > 0 && (integerPart.size() - k) % 3 == 0)
                grouped.push_back(',');
            grouped.push_back(integerPart[k]);
        }
        integerPart.swap(grouped);
    }
    std::string out(static_cast<size_t>(pattern.leadingBlanks), ' ');
    if (value < 0 && nonZero)
        out.push_back('-');
    out += integerPart;
    if (!fraction.empty())
        out += '.' + fraction;
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < sizeof(double) + 1)
        return 0;
    double value;
    std::memcpy(&value, data, sizeof value);
    const uint8_t choice = data[sizeof value];
    const PatternCase &pattern = kPatterns[choice % kPatterns.size()];
    const bool asFloat = (choice / kPatterns.size()) % 2 == 1;
    if (asFloat)
        value = static_cast<float>(value);
    if (!std::isfinite(value) || std::fabs(value) >= kLargest)
        return 0;
    const bool isFloat = static_cast<double>(static_cast<float>(value)) == value;

    const NumberPattern parsed = NumberPattern::parse(pattern.text);
    FUZZ_REQUIRE(parsed.leadingBlanks == pattern.leadingBlanks &&
                 parsed.minIntegerDigits == pattern.minIntegerDigits &&
                 parsed.minDecimals == pattern.minDecimals &&
                 parsed.maxDecimals == pattern.maxDecimals && parsed.grouping == pattern.grouping);

    const QString formatted = formatNumber(value, pattern.text);
    const std::string text = formatted.toStdString();
    std::string appended("x");
    appendFormatted(appended, value, parsed);
    FUZZ_REQUIRE(appended == "x" + text);

    const std::string expected = expectedText(value, isFloat, pattern);
    FUZZ_REQUIRE(text == expected, "value %.17g (%s) with \"%s\": got \"%s\", expected \"%s\"",
                 value, isFloat ? "float" : "double",
                 QString::fromUtf16(pattern.text).toLatin1().constData(), text.c_str(),
                 expected.c_str());

    std::string plain = text;
    plain.erase(std::remove(plain.begin(), plain.end(), ','), plain.end());
    const double readBack =
        parseLeadingNumber(QByteArrayView(plain.data(), static_cast<qsizetype>(plain.size())));
    const double halfUnit = 0.5 * std::pow(10.0, -pattern.maxDecimals);
    // The shortest form of a float may lie up to half a float step from its exact value.
    const double slack = std::fabs(value) * (isFloat ? 6.0e-8 : 2.3e-16);
    FUZZ_REQUIRE(std::fabs(readBack - value) <= halfUnit * (1 + 1e-9) + slack,
                 "value %.17g, text \"%s\", read back %.17g", value, text.c_str(), readBack);
    return 0;
}
