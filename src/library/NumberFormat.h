#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>
#include <string>

class QLocale;

namespace quillon {

// Reads the longest leading number (sign, digits, point and digits, exponent), skipping
// blanks, tabs and line feeds wherever they stand before or inside it. Only "." is a
// decimal separator. No number reads as 0; a number too large for a double reads as +-inf.
double parseLeadingNumber(QByteArrayView text);
double parseLeadingNumber(QStringView text);

// The nearest 32-bit float when the value is finite and within float range; the library
// holds nothing else.
std::optional<float> toStoredFloat(double value);

// A number pattern such as " #0.000", "##0.0##" or "###,###,###": leading blanks are copied,
// "0" is a digit always shown, "#" a digit shown when significant, "," asks for grouping.
struct NumberPattern {
    int leadingBlanks = 0;
    int minIntegerDigits = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
    bool hasDecimalPoint = false;
    bool grouping = false;

    static NumberPattern parse(QStringView pattern);
};

namespace patterns {
inline constexpr char16_t kFileAbsorption[] = u" #0.000";
inline constexpr char16_t kFileInsulation[] = u" ###0.0";
inline constexpr char16_t kTableTrue[] = u"#0.000";
inline constexpr char16_t kTableSabine[] = u"##0.000";
inline constexpr char16_t kTableInsulation[] = u"##0.0#";
inline constexpr char16_t kEditor[] = u"##0.0##";
inline constexpr char16_t kRegionalThousands[] = u"###,###,###";
inline constexpr char16_t kRegionalDecimals[] = u"###.#####";
} // namespace patterns

// Rounds to the pattern's last decimal, halves away from zero, from the value's shortest
// decimal form (a float's own when the double holds a float exactly), so 0.1235f gives 0.124.
// Always "." and "," as separators: what the library files and the table need.
void appendFormatted(std::string &out, double value, const NumberPattern &pattern);
QString formatNumber(double value, QStringView pattern);
QString formatNumber(double value, const NumberPattern &pattern);
// The same under a locale's decimal point and group separator: the regional check.
QString formatNumber(double value, QStringView pattern, const QLocale &locale);

} // namespace quillon
