// parseLeadingNumber on bytes and on the same text as UTF-16 must agree, never give NaN, and
// match a reference built from the grammar: blanks skipped anywhere before or inside the
// number, the longest leading sign/digits/point/digits/exponent, converted by strtod.

#include "FuzzCheck.h"
#include "NumberFormat.h"

#include <QString>

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace quillon;

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

double referenceNumber(const char *text, size_t size)
{
    std::string compact;
    size_t i = 0;
    auto peek = [&]() -> char {
        while (i < size && isBlank(text[i]))
            ++i;
        return i < size ? text[i] : '\0';
    };
    if (peek() == '+' || peek() == '-')
        compact.push_back(text[i++]);
    int digits = 0;
    while (isDigit(peek())) {
        compact.push_back(text[i++]);
        ++digits;
    }
    if (peek() == '.') {
        compact.push_back(text[i++]);
        while (isDigit(peek())) {
            compact.push_back(text[i++]);
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    if (peek() == 'e' || peek() == 'E') {
        const size_t mark = i;
        std::string exponent(1, 'e');
        ++i;
        if (peek() == '+' || peek() == '-')
            exponent.push_back(text[i++]);
        bool any = false;
        while (isDigit(peek())) {
            exponent.push_back(text[i++]);
            any = true;
        }
        if (any)
            compact += exponent;
        else
            i = mark;
    }
    return std::strtod(compact.c_str(), nullptr);
}

bool sameNumber(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto *text = reinterpret_cast<const char *>(data);
    const QByteArrayView bytes(text, static_cast<qsizetype>(size));
    const double fromBytes = parseLeadingNumber(bytes);
    FUZZ_REQUIRE(!std::isnan(fromBytes));

    // Bytes outside ASCII end a number in both forms, so Latin-1 must agree as well.
    const QString wide = QString::fromLatin1(bytes);
    const double fromWide = parseLeadingNumber(QStringView(wide));
    FUZZ_REQUIRE(sameNumber(fromBytes, fromWide), "bytes %.17g, UTF-16 %.17g", fromBytes,
                 fromWide);

    const double reference = referenceNumber(text, size);
    if (std::fabs(reference) < DBL_MIN)
        // Underflow: 0 or the subnormal value are both fine.
        FUZZ_REQUIRE(fromBytes == 0.0 || fromBytes == reference, "got %.17g, reference %.17g",
                     fromBytes, reference);
    else
        FUZZ_REQUIRE(fromBytes == reference, "got %.17g, reference %.17g", fromBytes, reference);
    return 0;
}
