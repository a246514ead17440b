#include "SylkFormat.h"

#include "Cp1252.h"
#include "TextScanner.h"

#include <QStringDecoder>
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

} // namespace quillon
