#include "NumberFormat.h"

#include "TextScanner.h"

#include <QLocale>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace quillon {

namespace {

constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Collects the characters of the leading number without its blanks, then converts them.
template <typename CharAt>
double parseLeading(qsizetype size, CharAt charAt)
{
    std::string buffer;
    buffer.reserve(32);
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < size && isNumberBlank(codeUnit(charAt(i))))
            ++i;
    };
    auto peek = [&]() -> char {
        skipBlanks();
        return i < size ? charAt(i) : '\0';
    };

    bool negative = false;
    char c = peek();
    if (c == '+' || c == '-') {
        negative = c == '-';
        ++i;
    }
    int mantissaDigits = 0;
    // Decimal position of the first significant digit, for telling overflow from underflow.
    long long magnitude = 0;
    bool seenSignificant = false;
    while (isDigit(c = peek())) {
        buffer.push_back(c);
        ++mantissaDigits;
        if (c != '0' && !seenSignificant) {
            seenSignificant = true;
            magnitude = 0;
        } else if (seenSignificant) {
            ++magnitude;
        }
        ++i;
    }
    if (peek() == '.') {
        ++i;
        buffer.push_back('.');
        long long fractionPosition = 0;
        while (isDigit(c = peek())) {
            buffer.push_back(c);
            ++mantissaDigits;
            ++fractionPosition;
            if (c != '0' && !seenSignificant) {
                seenSignificant = true;
                magnitude = -fractionPosition;
            }
            ++i;
        }
    }
    if (mantissaDigits == 0)
        return 0.0;

    long long exponent = 0;
    c = peek();
    if (c == 'e' || c == 'E') {
        const qsizetype mark = i;
        ++i;
        bool negativeExponent = false;
        char s = peek();
        if (s == '+' || s == '-') {
            negativeExponent = s == '-';
            ++i;
        }
        // Any exponent beyond this is out of range whatever the mantissa; keeping it bounded
        // keeps the arithmetic exact.
        constexpr long long kExponentCap = 100000000000LL;
        bool any = false;
        while (isDigit(s = peek())) {
            any = true;
            exponent = std::min(exponent * 10 + (s - '0'), kExponentCap);
            ++i;
        }
        if (any) {
            if (negativeExponent)
                exponent = -exponent;
            buffer.push_back('e');
            buffer += std::to_string(exponent);
        } else {
            i = mark;
        }
    }

    double value = 0.0;
    const auto result = std::from_chars(buffer.data(), buffer.data() + buffer.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        if (!seenSignificant)
            value = 0.0;
        else
            value = magnitude + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

constexpr std::array<double, 16> kPowersOfTen = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Decimal digits of |value| rounded to `decimals` places, halves away from zero, taken from
// the shortest decimal form. The last `decimals` characters are the fraction.
std::string roundedDigits(double magnitude, int decimals)
{
    const double scaled = magnitude * kPowersOfTen[static_cast<size_t>(decimals)];
    if (scaled < 1e15) {
        const double whole = std::floor(scaled);
        const double fraction = scaled - whole;
        // Far enough from a tie that the shortest decimal form rounds the same way.
        if (std::fabs(fraction - 0.5) > scaled * 1e-6 + 1e-9) {
            auto n = static_cast<unsigned long long>(whole) + (fraction > 0.5 ? 1 : 0);
            char buffer[24];
            auto end = std::to_chars(buffer, buffer + sizeof buffer, n).ptr;
            std::string digits(buffer, end);
            if (digits.size() < static_cast<size_t>(decimals) + 1)
                digits.insert(0, static_cast<size_t>(decimals) + 1 - digits.size(), '0');
            return digits;
        }
    }

    char text[64];
    const auto asFloat = static_cast<float>(magnitude);
    const bool holdsFloat = static_cast<double>(asFloat) == magnitude;
    char *end = holdsFloat
                    ? std::to_chars(text, text + sizeof text, asFloat, std::chars_format::scientific).ptr
                    : std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific)
                          .ptr;
    std::string mantissa;
    const char *p = text;
    for (; p < end && *p != 'e'; ++p) {
        if (isDigit(*p))
            mantissa.push_back(*p);
    }
    int exponent = 0;
    if (p < end)
        std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, exponent);

    // value = 0.mantissa * 10^(exponent + 1); keep the digits down to 10^-decimals.
    const long long integerLength = exponent + 1;
    std::string digits;
    if (integerLength > 0) {
        digits = mantissa;
        if (static_cast<long long>(digits.size()) < integerLength)
            digits.append(static_cast<size_t>(integerLength) - digits.size(), '0');
    } else {
        digits = std::string(static_cast<size_t>(-integerLength), '0') + mantissa;
    }
    // digits now has max(integerLength, 0) integer digits followed by the fraction.
    const long long keep = std::max<long long>(integerLength, 0) + decimals;
    bool roundUp = false;
    if (static_cast<long long>(digits.size()) > keep) {
        roundUp = digits[static_cast<size_t>(keep)] >= '5';
        digits.resize(static_cast<size_t>(keep));
    } else {
        digits.append(static_cast<size_t>(keep) - digits.size(), '0');
    }
    if (roundUp) {
        long long k = static_cast<long long>(digits.size()) - 1;
        for (; k >= 0; --k) {
            if (digits[static_cast<size_t>(k)] == '9') {
                digits[static_cast<size_t>(k)] = '0';
            } else {
                ++digits[static_cast<size_t>(k)];
                break;
            }
        }
        if (k < 0)
            digits.insert(digits.begin(), '1');
    }
    if (digits.size() < static_cast<size_t>(decimals) + 1)
        digits.insert(0, static_cast<size_t>(decimals) + 1 - digits.size(), '0');
    return digits;
}

constexpr unsigned long long integerPowerOfTen(int exponent)
{
    unsigned long long result = 1;
    for (int k = 0; k < exponent; ++k)
        result *= 10;
    return result;
}

// The common case, with the decimals fixed at compile time: a value well away from a rounding
// tie, written from the back into a small buffer.
template <int Decimals>
bool appendFast(std::string &out, double value, const NumberPattern &pattern, char decimalPoint)
{
    constexpr unsigned long long kUnit = integerPowerOfTen(Decimals);
    const double scaled = std::fabs(value) * static_cast<double>(kUnit);
    if (!(scaled < 1e15))
        return false;
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (!(std::fabs(fraction - 0.5) > scaled * 1e-6 + 1e-9))
        return false;
    const auto n = static_cast<unsigned long long>(whole) + (fraction > 0.5 ? 1 : 0);
    unsigned long long integer = n / kUnit;

    char buffer[48];
    char *const end = buffer + sizeof buffer;
    char *p = end;
    if constexpr (Decimals > 0) {
        char fractionText[Decimals];
        unsigned long long fractionDigits = n % kUnit;
        for (int k = Decimals - 1; k >= 0; --k) {
            fractionText[k] = static_cast<char>('0' + fractionDigits % 10);
            fractionDigits /= 10;
        }
        int length = Decimals;
        while (length > pattern.minDecimals && fractionText[length - 1] == '0')
            --length;
        if (pattern.hasDecimalPoint && length > 0) {
            p -= length;
            std::memcpy(p, fractionText, static_cast<size_t>(length));
            *--p = decimalPoint;
        }
    }
    int integerLength = 0;
    while (integer > 0) {
        *--p = static_cast<char>('0' + integer % 10);
        integer /= 10;
        ++integerLength;
    }
    for (; integerLength < pattern.minIntegerDigits; ++integerLength)
        *--p = '0';
    if (value < 0 && n != 0)
        *--p = '-';
    out.append(p, static_cast<size_t>(end - p));
    return true;
}

bool appendFast(std::string &out, double value, const NumberPattern &pattern, int decimals,
                char decimalPoint)
{
    if (pattern.grouping || pattern.minIntegerDigits > 20)
        return false;
    switch (decimals) {
    case 0:
        return appendFast<0>(out, value, pattern, decimalPoint);
    case 1:
        return appendFast<1>(out, value, pattern, decimalPoint);
    case 2:
        return appendFast<2>(out, value, pattern, decimalPoint);
    case 3:
        return appendFast<3>(out, value, pattern, decimalPoint);
    case 4:
        return appendFast<4>(out, value, pattern, decimalPoint);
    case 5:
        return appendFast<5>(out, value, pattern, decimalPoint);
    default:
        return false;
    }
}

void appendWithSeparators(std::string &out, double value, const NumberPattern &pattern,
                          char decimalPoint, const std::string &groupSeparator)
{
    out.append(static_cast<size_t>(pattern.leadingBlanks), ' ');
    if (!std::isfinite(value))
        value = 0.0;
    const int decimals = std::clamp(pattern.maxDecimals, 0, 15);
    if (appendFast(out, value, pattern, decimals, decimalPoint))
        return;
    const std::string digits = roundedDigits(std::fabs(value), decimals);

    const size_t integerEnd = digits.size() - static_cast<size_t>(decimals);
    size_t fractionEnd = digits.size();
    while (fractionEnd > integerEnd + static_cast<size_t>(pattern.minDecimals) &&
           digits[fractionEnd - 1] == '0')
        --fractionEnd;
    size_t integerStart = 0;
    while (integerStart < integerEnd && digits[integerStart] == '0')
        ++integerStart;
    const bool anyNonZero = digits.find_first_not_of('0') != std::string::npos &&
                            digits.find_first_not_of('0') < fractionEnd;

    if (value < 0 && anyNonZero)
        out.push_back('-');
    size_t integerLength = integerEnd - integerStart;
    const size_t padding =
        integerLength < static_cast<size_t>(pattern.minIntegerDigits)
            ? static_cast<size_t>(pattern.minIntegerDigits) - integerLength
            : 0;
    std::string integerPart(padding, '0');
    integerPart.append(digits, integerStart, integerLength);
    if (pattern.grouping && integerPart.size() > 3) {
        std::string grouped;
        const size_t lead = integerPart.size() % 3;
        for (size_t k = 0; k < integerPart.size(); ++k) {
            if (k != 0 && (k - lead) % 3 == 0 && k >= lead)
                grouped += groupSeparator;
            grouped.push_back(integerPart[k]);
        }
        integerPart.swap(grouped);
    }
    out += integerPart;
    if (pattern.hasDecimalPoint && fractionEnd > integerEnd) {
        out.push_back(decimalPoint);
        out.append(digits, integerEnd, fractionEnd - integerEnd);
    }
}

} // namespace

double parseLeadingNumber(QByteArrayView text)
{
    // Most fields are plain numbers such as "0.350": convert them in place.
    const char *begin = text.data();
    const char *end = begin + text.size();
    if (begin != end) {
        const char *digits = *begin == '-' ? begin + 1 : begin;
        if (digits != end && (isDigit(*digits) || *digits == '.')) {
            double value = 0.0;
            const auto result = std::from_chars(begin, end, value);
            if (result.ec == std::errc()) {
                const char next = result.ptr == end ? '\0' : *result.ptr;
                if (!isNumberBlank(codeUnit(next)) && !isDigit(next) && next != '.' &&
                    next != 'e' && next != 'E')
                    return value;
            }
        }
    }
    return parseLeading(text.size(), [&](qsizetype i) { return text[i]; });
}

double parseLeadingNumber(QStringView text)
{
    // Any character outside ASCII ends the number, as any other non-number character does.
    return parseLeading(text.size(), [&](qsizetype i) {
        const char16_t c = text[i].unicode();
        return c < 0x80 ? static_cast<char>(c) : '\x7f';
    });
}

std::optional<float> toStoredFloat(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const auto stored = static_cast<float>(value);
    if (!std::isfinite(stored))
        return std::nullopt;
    return stored;
}

NumberPattern NumberPattern::parse(QStringView pattern)
{
    NumberPattern result;
    qsizetype i = 0;
    while (i < pattern.size() && pattern[i] == u' ') {
        ++result.leadingBlanks;
        ++i;
    }
    for (; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'.') {
            result.hasDecimalPoint = true;
        } else if (c == u',') {
            if (!result.hasDecimalPoint)
                result.grouping = true;
        } else if (c == u'0') {
            if (result.hasDecimalPoint) {
                ++result.minDecimals;
                ++result.maxDecimals;
            } else {
                ++result.minIntegerDigits;
            }
        } else if (c == u'#' && result.hasDecimalPoint) {
            ++result.maxDecimals;
        }
    }
    return result;
}

void appendFormatted(std::string &out, double value, const NumberPattern &pattern)
{
    static const std::string comma(",");
    appendWithSeparators(out, value, pattern, '.', comma);
}

QString formatNumber(double value, QStringView pattern)
{
    return formatNumber(value, NumberPattern::parse(pattern));
}

QString formatNumber(double value, const NumberPattern &pattern)
{
    std::string out;
    appendFormatted(out, value, pattern);
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

QString formatNumber(double value, QStringView pattern, const QLocale &locale)
{
    // Placeholders that no digit, sign or blank can be, swapped for the locale's texts.
    std::string out;
    const std::string groupMark("\x01");
    appendWithSeparators(out, value, NumberPattern::parse(pattern), '\x02', groupMark);
    QString text = QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
    text.replace(QChar(0x01), locale.groupSeparator());
    text.replace(QChar(0x02), locale.decimalPoint());
    return text;
}

} // namespace quillon
