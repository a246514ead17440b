#include "SpreadsheetExchange.h"

#include "AbsorptionConversions.h"
#include "Cp1252.h"
#include "GnumericClipboard.h"
#include "NumberFormat.h"
#include "QuantityTraits.h"
#include "TextScanner.h"

#include <QList>
#include <QMimeData>
#include <QStringDecoder>
#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <utility>

namespace quillon {

namespace {

constexpr char kRecordEnd[] = "\r\n";
// How a line break inside a text travels in SYLK.
constexpr char16_t kSylkLineBreak[] = u"\x1b :";

// Beyond these no spreadsheet has cells; they also bound what a damaged text can allocate.
constexpr int kMaxSylkRows = 1048576;
constexpr int kMaxSylkCols = 16384;
constexpr qint64 kMaxSylkCells = 1 << 20;

// Fixed notation reads best; exponents only where fixed would be long.
constexpr double kSmallestFixed = 1e-5;
constexpr double kLargestFixed = 1e15;

void appendNumber(QByteArray &out, double value)
{
    if (value == 0.0)
        value = 0.0; // no "-0"
    char buffer[64];
    const double magnitude = std::fabs(value);
    const bool fixed =
        magnitude == 0.0 || (magnitude >= kSmallestFixed && magnitude < kLargestFixed);
    const auto result =
        fixed ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
              : std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

void appendQuoted(QByteArray &out, const QString &text)
{
    QString escaped = text;
    escaped.replace(u"\r\n"_qs, u"\n"_qs).replace(u'\r', u'\n');
    escaped.replace(u";"_qs, u";;"_qs).replace(u"\n"_qs, QString::fromUtf16(kSylkLineBreak));
    out += '"';
    // Spreadsheets read SYLK in the system's 8-bit encoding: the ANSI code page on Windows.
#ifdef Q_OS_WIN
    out += encodeCp1252(escaped);
#else
    out += escaped.toUtf8();
#endif
    out += '"';
}

QString decodeSylk(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    // Older writers use the Windows code page.
    return utf8.hasError() ? decodeCp1252(bytes) : text;
}

// Splits at CR, LF or CR LF; calls line(QStringView) for each line.
// A field's value runs to the next ";" that is not doubled.
qsizetype fieldEnd(QStringView line, qsizetype from)
{
    qsizetype i = from;
    while (i < line.size()) {
        if (line[i] == u';') {
            if (i + 1 < line.size() && line[i + 1] == u';') {
                i += 2;
                continue;
            }
            break;
        }
        ++i;
    }
    return i;
}

std::optional<int> readCoordinate(QStringView digits, int limit)
{
    if (digits.isEmpty() || digits.size() > 9)
        return std::nullopt;
    int value = 0;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value < 1 || value > limit)
        return std::nullopt;
    return value;
}

// The whole text as a number written with ".", sign and exponent allowed, blanks around it.
std::optional<double> readExactNumber(QStringView text)
{
    text = text.trimmed();
    std::string ascii;
    ascii.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return std::nullopt;
        ascii.push_back(static_cast<char>(c.unicode()));
    }
    size_t skip = !ascii.empty() && ascii[0] == '+' ? 1 : 0;
    const char *begin = ascii.data() + skip;
    const char *end = ascii.data() + ascii.size();
    const char *digits = begin != end && *begin == '-' ? begin + 1 : begin;
    // from_chars would also take "inf" and "nan"; a number begins with a digit or a point.
    if (digits == end || !((*digits >= '0' && *digits <= '9') || *digits == '.'))
        return std::nullopt;
    double value = 0.0;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return value;
}

struct PlacedCell {
    int row;
    int col;
    ExchangeCell cell;
};

// Calc's reading of a quoted K value: it ends at a quote followed by a single ";" or at the
// last quote of the line. Returns the position after it, or -1 without a closing quote.
qsizetype readSylkString(QStringView line, qsizetype openQuote, QString &text)
{
    qsizetype closeQuote = -1;
    qsizetype i = openQuote + 1;
    while (i < line.size()) {
        if (line[i] == u'"') {
            closeQuote = i;
            if (i + 1 < line.size() && line[i + 1] == u';') {
                if (i + 2 < line.size() && line[i + 2] == u';') {
                    closeQuote = -1;
                    i += 3;
                    continue;
                }
                break;
            }
        }
        ++i;
    }
    if (closeQuote < 0)
        return -1;
    text = line.sliced(openQuote + 1, closeQuote - openQuote - 1).toString();
    text.replace(u";;"_qs, u";"_qs).replace(QString::fromUtf16(kSylkLineBreak), u"\n"_qs);
    return closeQuote + 1;
}

class SylkReader {
public:
    bool readRecord(QStringView line);
    std::optional<ExchangeBlock> block() const;
    bool ended() const { return m_ended; }

private:
    enum class Record { Contents, Format, Bounds };
    bool readFields(QStringView fields, Record record);

    bool m_seenId = false;
    bool m_ended = false;
    int m_x = 0;
    int m_y = 0;
    int m_rows = 0;
    int m_cols = 0;
    std::vector<PlacedCell> m_cells;
};

bool SylkReader::readRecord(QStringView line)
{
    if (line.isEmpty())
        return true;
    const qsizetype tagEnd = line.indexOf(u';');
    const QStringView tag = tagEnd < 0 ? line : line.first(tagEnd);
    if (!m_seenId) {
        m_seenId = tag == u"ID";
        return m_seenId;
    }
    if (tag == u"E") {
        m_ended = true;
        return true;
    }
    if (tag == u"C")
        return tagEnd >= 0 && readFields(line.sliced(tagEnd + 1), Record::Contents);
    if (tag == u"F")
        return tagEnd >= 0 && readFields(line.sliced(tagEnd + 1), Record::Format);
    if (tag == u"B")
        return tagEnd >= 0 && readFields(line.sliced(tagEnd + 1), Record::Bounds);
    return true;
}

bool SylkReader::readFields(QStringView fields, Record record)
{
    // X and Y of C and F records move the position; those of a B record give the block's size.
    int &x = record == Record::Bounds ? m_cols : m_x;
    int &y = record == Record::Bounds ? m_rows : m_y;
    std::optional<ExchangeCell> value;
    qsizetype i = 0;
    while (i < fields.size()) {
        const char16_t letter = fields[i].toUpper().unicode();
        qsizetype end = fieldEnd(fields, i + 1);
        if (letter == u'X' || letter == u'Y') {
            const bool isX = letter == u'X';
            const auto coordinate = readCoordinate(fields.sliced(i + 1, end - i - 1),
                                                   isX ? kMaxSylkCols : kMaxSylkRows);
            if (!coordinate)
                return false;
            (isX ? x : y) =
                record == Record::Bounds ? std::max(*coordinate, isX ? x : y) : *coordinate;
        } else if (letter == u'K' && record == Record::Contents) {
            ExchangeCell cell;
            if (i + 1 < fields.size() && fields[i + 1] == u'"') {
                const qsizetype after = readSylkString(fields, i + 1, cell.text);
                if (after < 0)
                    return false;
                end = fieldEnd(fields, after);
            } else {
                const QStringView written = fields.sliced(i + 1, end - i - 1);
                cell.text = written.toString();
                cell.number = readExactNumber(written);
            }
            value = std::move(cell);
        }
        i = end + 1;
    }
    if (!value)
        return true;
    if (m_x == 0 || m_y == 0)
        return false;
    m_rows = std::max(m_rows, m_y);
    m_cols = std::max(m_cols, m_x);
    m_cells.push_back({m_y, m_x, std::move(*value)});
    return true;
}

std::optional<ExchangeBlock> SylkReader::block() const
{
    if (!m_ended || static_cast<qint64>(m_rows) * m_cols > kMaxSylkCells)
        return std::nullopt;
    ExchangeBlock block;
    block.rows = m_rows;
    block.cols = m_cols;
    block.cells.resize(static_cast<size_t>(m_rows) * static_cast<size_t>(m_cols));
    for (const PlacedCell &placed : m_cells)
        block.cells[static_cast<size_t>((placed.row - 1) * m_cols + placed.col - 1)] = placed.cell;
    return block;
}

// The rule parseLeadingNumber follows: blanks skipped, a sign, then a digit or a point and a
// digit.
bool beginsWithNumber(QStringView text)
{
    qsizetype i = 0;
    auto peek = [&]() -> QChar {
        while (i < text.size() && isNumberBlank(codeUnit(text[i])))
            ++i;
        return i < text.size() ? text[i] : QChar();
    };
    if (peek() == u'+' || peek() == u'-')
        ++i;
    if (peek() == u'.')
        ++i;
    return peek().isDigit() && peek().unicode() < 0x80;
}

bool isGroupSeparator(QChar c)
{
    return c == u'.' || c == u' ' || c == QChar(0x00A0) || c == QChar(0x202F);
}

qsizetype skipDigits(QStringView text, qsizetype i, std::string &out)
{
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9')
        out.push_back(static_cast<char>(text[i++].unicode()));
    return i;
}

// What may follow a number in a formatted cell: nothing, or a unit or percent sign after
// optional blanks ("12,50%", "0,5 dB").
bool endsInUnit(QStringView rest)
{
    qsizetype i = 0;
    while (i < rest.size() &&
           (isNumberBlank(codeUnit(rest[i])) || (isGroupSeparator(rest[i]) && rest[i] != u'.')))
        ++i;
    if (i == rest.size())
        return true;
    const QChar first = rest[i];
    return first.isLetter() || first == u'%' || first == QChar(0x2030) || first == QChar(0x00B0);
}

// Sign, then digits; with a group separator, a first group of 1 to 3 digits and further
// groups of exactly 3. Returns the position after them, or -1.
qsizetype readGroupedInteger(QStringView text, std::string &ascii, bool (*isSeparator)(QChar))
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        if (text[i] == u'-')
            ascii.push_back('-');
        ++i;
    }
    const qsizetype firstGroup = i;
    i = skipDigits(text, i, ascii);
    const qsizetype firstGroupLength = i - firstGroup;
    if (firstGroupLength == 0)
        return -1;
    if (i < text.size() && isSeparator(text[i])) {
        constexpr qsizetype kGroup = 3;
        if (firstGroupLength > kGroup)
            return -1;
        const QChar separator = text[i];
        while (i < text.size() && text[i] == separator) {
            const qsizetype groupStart = ++i;
            i = skipDigits(text, i, ascii);
            if (i - groupStart != kGroup)
                return -1;
        }
    }
    return i;
}

std::optional<double> toDouble(const std::string &ascii)
{
    double value = 0.0;
    const auto result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        return parseLeadingNumber(QByteArrayView(ascii.data(), qsizetype(ascii.size())));
    return value;
}

// "0,25", "-0,05", "1.234,5", "1 234,5": digits in optional groups of three, one comma,
// digits, and an exponent as spreadsheets show very small or large values ("1,5E-05").
std::optional<double> readDecimalComma(QStringView text)
{
    text = text.trimmed();
    std::string ascii;
    qsizetype i = readGroupedInteger(text, ascii, isGroupSeparator);
    if (i < 0 || i >= text.size() || text[i] != u',')
        return std::nullopt;
    ascii.push_back('.');
    const qsizetype fraction = ++i;
    i = skipDigits(text, i, ascii);
    if (i == fraction)
        return std::nullopt;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        const qsizetype mark = i;
        const size_t kept = ascii.size();
        ascii.push_back('e');
        ++i;
        if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
            ascii.push_back(static_cast<char>(text[i++].unicode()));
        const qsizetype exponent = i;
        i = skipDigits(text, i, ascii);
        if (i == exponent) { // a unit that begins with E
            i = mark;
            ascii.resize(kept);
        }
    }
    if (!endsInUnit(text.sliced(i)))
        return std::nullopt;
    return toDouble(ascii);
}

// English grouping as a formatted cell shows it: "1,234.50", "1,234,567". A lone "1,234" is
// left to the decimal-comma reading.
std::optional<double> readCommaGrouped(QStringView text)
{
    text = text.trimmed();
    std::string ascii;
    qsizetype i = readGroupedInteger(text, ascii, [](QChar c) { return c == u','; });
    if (i < 0)
        return std::nullopt;
    const auto commas = text.first(i).count(u',');
    if (i < text.size() && text[i] == u'.') {
        ascii.push_back('.');
        i = skipDigits(text, i + 1, ascii);
    } else if (commas < 2) {
        return std::nullopt;
    }
    if (commas == 0 || !endsInUnit(text.sliced(i)))
        return std::nullopt;
    return toDouble(ascii);
}

} // namespace

QByteArray writeSylk(const ExchangeBlock &block)
{
    QByteArray out;
    out.reserve(32 + static_cast<qsizetype>(block.cells.size()) * 24);
    out += "ID;PQUILLON";
    out += kRecordEnd;
    out += "B;Y" + QByteArray::number(block.rows) + ";X" + QByteArray::number(block.cols);
    out += kRecordEnd;
    block.forEachFilledCell([&](int r, int c, const ExchangeCell &cell, bool number) {
        out += "C;X" + QByteArray::number(c + 1) + ";Y" + QByteArray::number(r + 1) + ";K";
        if (number)
            appendNumber(out, *cell.number);
        else
            appendQuoted(out, cell.text);
        out += kRecordEnd;
    });
    out += 'E';
    out += kRecordEnd;
    return out;
}

std::optional<ExchangeBlock> readSylk(QByteArrayView sylk)
{
    // Some clipboards hand over a C string with its terminating zero.
    while (!sylk.isEmpty() && sylk.back() == '\0')
        sylk.chop(1);
    const QString text = decodeSylk(sylk);
    SylkReader reader;
    bool ok = true;
    LineScanner lines(QStringView(text), LineEnds::Any);
    for (ScannedLine<QStringView> line; ok && !reader.ended() && lines.next(line);)
        ok = reader.readRecord(line.text);
    if (!ok)
        return std::nullopt;
    return reader.block();
}

ExchangeBlock readTabText(QStringView text)
{
    std::vector<std::vector<QString>> rows;
    std::vector<QString> row;
    CellScanner scanner(text, u'\t', Quotes::WholeCell);
    for (QString cell; scanner.next(cell);) {
        row.push_back(std::move(cell));
        if (scanner.rowEnded())
            rows.push_back(std::exchange(row, {}));
    }
    ExchangeBlock block;
    block.rows = static_cast<int>(rows.size());
    for (const auto &cells : rows)
        block.cols = std::max(block.cols, static_cast<int>(cells.size()));
    block.cells.resize(static_cast<size_t>(block.rows) * static_cast<size_t>(block.cols));
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c)
            block.cells[r * static_cast<size_t>(block.cols) + c].text = std::move(rows[r][c]);
    return block;
}

QString pastedName(QString text)
{
    text.replace(u"\r\n"_qs, u" "_qs).replace(u'\r', u' ').replace(u'\n', u' ');
    return text;
}

void offerBlock(QMimeData &data, const ExchangeBlock &block, const QString &text)
{
    data.setText(text);
    data.setData(QString::fromLatin1(kSylkMimeType), writeSylk(block));
    data.setData(QString::fromLatin1(kGnumericMimeType), writeGnumericClipboard(block));
}

ExchangeBlock readOfferedBlock(const QMimeData &data)
{
    const QString gnumeric = QString::fromLatin1(kGnumericMimeType);
    if (data.hasFormat(gnumeric)) {
        if (auto block = readGnumericClipboard(data.data(gnumeric)))
            return std::move(*block);
    }
    const QString sylk = QString::fromLatin1(kSylkMimeType);
    if (data.hasFormat(sylk)) {
        if (auto block = readSylk(data.data(sylk)))
            return std::move(*block);
    }
    return readTabText(data.text());
}

QString colorHexText(MaterialColor color)
{
    return QStringLiteral("#%1%2%3")
        .arg(colorRed(color), 2, 16, QLatin1Char('0'))
        .arg(colorGreen(color), 2, 16, QLatin1Char('0'))
        .arg(colorBlue(color), 2, 16, QLatin1Char('0'))
        .toUpper();
}

PastedValue readPastedCell(const ExchangeCell &cell)
{
    if (cell.number)
        return {PastedKind::Number, *cell.number};
    const QStringView text(cell.text);
    if (text.trimmed().isEmpty())
        return {PastedKind::Empty, 0.0};
    if (const auto value = readDecimalComma(text))
        return {PastedKind::DecimalComma, *value};
    if (const auto value = readCommaGrouped(text))
        return {PastedKind::Number, *value};
    if (beginsWithNumber(text))
        return {PastedKind::Number, parseLeadingNumber(text)};
    return {PastedKind::NotANumber, 0.0};
}

void PasteReport::note(PasteNote what, int row, int band)
{
    Tally &tally = m_tallies[index(what)];
    if (tally.count++ == 0) {
        tally.row = row;
        tally.band = band;
    }
}

void PasteReport::checkStored(int row, int band, double value)
{
    const double upper = quantityTraits(m_quantity).usualMaximum;
    if (upper > 0.0 && (value < 0.0 || value > upper))
        note(PasteNote::OutsideUsualRange, row, band);
}

QString PasteReport::message() const
{
    const bool sabine = m_quantity == Quantity::SabineAbsorption;
    QStringList lines;
    auto add = [&](PasteNote what, const QString &one, const QString &many) {
        const Tally &tally = m_tallies[index(what)];
        if (tally.count == 0)
            return;
        lines += (tally.count == 1 ? one : many.arg(tally.count)) +
                 QStringLiteral(" First: material %1, band %2.")
                     .arg(materialNumber(tally.row))
                     .arg(QLatin1String(bandText(kBandHeadings, tally.band)));
    };
    add(PasteNote::SkippedText,
        QStringLiteral("1 cell held no number; its value and its text were left as they were."),
        QStringLiteral("%1 cells held no number; their values and texts were left as they were."));
    const QString limit = QString::number(kMinimumSabine, 'g', 4);
    add(PasteNote::SkippedOutOfRange,
        sabine ? QStringLiteral("1 value was not stored: it is not a finite number, or a "
                                "\"Sabine\" coefficient below %1, which has no \"True\" "
                                "counterpart.")
                     .arg(limit)
               : QStringLiteral("1 value was not stored: it is not a finite number."),
        sabine ? QStringLiteral("%1 values were not stored: they are not finite numbers, or "
                                "\"Sabine\" coefficients below %2, which have no \"True\" "
                                "counterpart.")
                     .arg(u"%1"_qs, limit)
               : QStringLiteral("%1 values were not stored: they are not finite numbers."));
    add(PasteNote::DecimalComma,
        QStringLiteral("1 value was read with a decimal comma (0,25 as 0.25)."),
        QStringLiteral("%1 values were read with a decimal comma (0,25 as 0.25)."));
    const QString range = sabine ? u"0 to 2"_qs : u"0 to 1.5"_qs;
    const QString tab = sabine ? u"\"Sabine\""_qs : u"\"True\""_qs;
    add(PasteNote::OutsideUsualRange,
        QStringLiteral("1 stored value lies outside %1, the usual range on the %2 tab; it is "
                       "stored as pasted (a percentage?).")
            .arg(range, tab),
        QStringLiteral("%1 stored values lie outside %2, the usual range on the %3 tab; they are "
                       "stored as pasted (percentages?).")
            .arg(u"%1"_qs, range, tab));
    return lines.join(u'\n');
}

} // namespace quillon
