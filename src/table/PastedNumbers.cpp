#include "PastedNumbers.h"

#include "NumberFormat.h"
#include "QuantityTraits.h"
#include "TextScanner.h"

#include <optional>
#include <string>

namespace quillon {

namespace {

constexpr int kGroup = 3;

bool isBlank(QChar c)
{
    return isNumberBlank(codeUnit(c));
}

// The rule parseLeadingNumber follows: blanks skipped, a sign, then a digit or a point and a
// digit.
bool beginsWithNumber(QStringView text)
{
    qsizetype i = 0;
    auto peek = [&]() -> QChar {
        while (i < text.size() && isBlank(text[i]))
            ++i;
        return i < text.size() ? text[i] : QChar();
    };
    if (peek() == u'+' || peek() == u'-')
        ++i;
    if (peek() == u'.')
        ++i;
    return peek().isDigit() && peek().unicode() < 0x80;
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool separatesGroupsBeforeComma(QChar c)
{
    return c == u'.' || c == QChar(0x00A0) || c == QChar(0x202F);
}

bool separatesGroupsBeforePoint(QChar c)
{
    return c == u',';
}

struct IntegerPart {
    qsizetype end = 0; // where the digits end, blanks after them skipped
    int separators = 0;
};

// The sign and the integer digits at the front of text, appended to ascii, with blanks skipped.
// Behind a group separator (one kind throughout) the first group holds 1 to 3 digits and every
// further one exactly 3. Nothing when the groups are broken.
std::optional<IntegerPart> readIntegerPart(QStringView text, bool (*isSeparator)(QChar),
                                           std::string &ascii)
{
    IntegerPart part;
    qsizetype &i = part.end;
    auto skipBlanks = [&] {
        while (i < text.size() && isBlank(text[i]))
            ++i;
    };
    skipBlanks();
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        if (text[i++] == u'-')
            ascii.push_back('-');
    }
    QChar separator;
    int groupLength = 0;
    for (skipBlanks(); i < text.size(); ++i, skipBlanks()) {
        const QChar c = text[i];
        if (isDigit(c)) {
            ascii.push_back(static_cast<char>(c.unicode()));
            ++groupLength;
            continue;
        }
        if (!isSeparator(c) || (part.separators > 0 && c != separator))
            break;
        if (groupLength == 0 || groupLength > kGroup ||
            (part.separators > 0 && groupLength != kGroup))
            return std::nullopt;
        separator = c;
        ++part.separators;
        groupLength = 0;
    }
    if (part.separators > 0 && groupLength != kGroup)
        return std::nullopt;
    return part;
}

// The digits read so far, then the rest of the text read on as parseLeadingNumber reads it.
double readOn(const std::string &ascii, QStringView rest)
{
    QString text = QString::fromLatin1(ascii.data(), qsizetype(ascii.size()));
    text += rest;
    return parseLeadingNumber(QStringView(text));
}

// "0,25", "-0,05", "1.234,5", "1 234,5", "1,5E-05", "0,4 0,5": the leading number with a
// comma as its decimal point, followed by a digit.
std::optional<double> readDecimalComma(QStringView text)
{
    std::string ascii;
    const auto integer = readIntegerPart(text, separatesGroupsBeforeComma, ascii);
    if (!integer || integer->end == text.size() || text[integer->end] != u',')
        return std::nullopt;
    const QStringView fraction = text.sliced(integer->end + 1);
    qsizetype first = 0;
    while (first < fraction.size() && isBlank(fraction[first]))
        ++first;
    if (first == fraction.size() || !isDigit(fraction[first]))
        return std::nullopt;
    ascii.push_back('.');
    return readOn(ascii, fraction);
}

// English grouping as a formatted cell shows it: "1,234.50", "1,234,567". A lone "1,234" is
// left to the decimal-comma reading.
std::optional<double> readCommaGrouped(QStringView text)
{
    std::string ascii;
    const auto integer = readIntegerPart(text, separatesGroupsBeforePoint, ascii);
    if (!integer || integer->separators == 0)
        return std::nullopt;
    const QStringView rest = text.sliced(integer->end);
    if (!rest.startsWith(u'.') && integer->separators < 2)
        return std::nullopt;
    return readOn(ascii, rest);
}

} // namespace

PastedValue readPastedCell(const ExchangeCell &cell)
{
    if (cell.number)
        return {PastedKind::Number, *cell.number};
    const QStringView text(cell.text);
    if (text.trimmed().isEmpty())
        return {PastedKind::Empty, 0.0};
    if (const auto value = readCommaGrouped(text))
        return {PastedKind::Number, *value};
    if (const auto value = readDecimalComma(text))
        return {PastedKind::DecimalComma, *value};
    if (beginsWithNumber(text))
        return {PastedKind::Number, parseLeadingNumber(text)};
    return {PastedKind::NotANumber, 0.0};
}

bool repeatsShownDefault(const MaterialLibrary &library, int n, Quantity quantity,
                         const ExchangeBlock &block, int row, int firstCol, int lastCol)
{
    const QuantityTraits &traits = quantityTraits(quantity);
    if (valueGroups(library, n) & traits.shownWith)
        return false;
    const bool showsDefault = valueGroups(library, n) & traits.defaultShownWith;
    for (int col = firstCol; col <= lastCol; ++col) {
        const PastedValue pasted = readPastedCell(block.at(row, col));
        const bool repeats = showsDefault ? storableValue(quantity, pasted.value) ==
                                                std::optional<float>(traits.shownDefault)
                                          : pasted.kind == PastedKind::Empty;
        if (!repeats)
            return false;
    }
    return true;
}

} // namespace quillon
