#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <type_traits>

// The one scanner of lines and fields for every text Quillon reads: the library files, the
// import files and pasted text, as bytes (QByteArrayView) or as UTF-16 (QStringView).

namespace quillon {

enum class LineEnds {
    // CR or CR LF, a lone LF being text inside its line; but LF in data that holds no CR and
    // at least one LF (as scripts on Linux write it).
    LibraryFile,
    Any, // CR, LF or CR LF
};

constexpr char16_t codeUnit(char c)
{
    return static_cast<unsigned char>(c);
}
constexpr char16_t codeUnit(QChar c)
{
    return c.unicode();
}

// What number readers skip before a number.
constexpr bool isNumberBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }

// The length of the line end at i: 2 for CR LF, 1 for CR or LF, else 0.
template <typename View> qsizetype lineEndAt(View text, qsizetype i)
{
    const char16_t c = i < text.size() ? codeUnit(text[i]) : u'\0';
    if (c != u'\r')
        return c == u'\n' ? 1 : 0;
    return i + 1 < text.size() && codeUnit(text[i + 1]) == u'\n' ? 2 : 1;
}

template <typename View> struct ScannedLine {
    View text;
    View end; // the line end as it stands, empty at the end of the data
};
using TextLine = ScannedLine<QByteArrayView>;

template <typename View> class LineScanner {
public:
    LineScanner(View data, LineEnds ends) : m_data(data)
    {
        if (ends == LineEnds::LibraryFile)
            m_end = !data.contains(Char(u'\r')) && data.contains(Char(u'\n')) ? u'\n' : u'\r';
    }
    bool lineFeedEnds() const { return m_end == u'\n'; }
    // False when no line is left.
    bool next(ScannedLine<View> &line)
    {
        const qsizetype size = m_data.size();
        if (m_position >= size)
            return false;
        qsizetype end = m_end ? m_data.indexOf(Char(m_end), m_position) : m_position;
        end = end < 0 ? size : end;
        while (!m_end && end < size && lineEndAt(m_data, end) == 0)
            ++end;
        const qsizetype next = end + lineEndAt(m_data, end);
        line = {m_data.sliced(m_position, end - m_position), m_data.sliced(end, next - end)};
        m_position = next;
        return true;
    }

private:
    using Char = std::remove_cvref_t<decltype(View()[0])>;
    View m_data;
    char16_t m_end = u'\0'; // the one character that ends lines, or none for any line end
    qsizetype m_position = 0;
};

// The next field from position on between runs of blanks, line ends and commas, as the numbers
// of a material and the colours stand; false when none is left.
template <typename View> bool nextListField(View text, qsizetype &position, View &field)
{
    auto separates = [&](qsizetype i) {
        const char16_t c = codeUnit(text[i]);
        return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u',';
    };
    while (position < text.size() && separates(position))
        ++position;
    const qsizetype start = position;
    while (position < text.size() && !separates(position))
        ++position;
    field = text.sliced(start, position - start);
    return position > start;
}

enum class Quotes {
    // RFC 4180: a cell that opens with a quote must close it and end there.
    Strict,
    // As spreadsheets copy cells: quoted only when the quotes enclose the whole cell and it holds
    // a delimiter, a line break or a doubled quote; otherwise the quotes are text.
    WholeCell,
};

enum class CellFault { None, UnclosedQuote, TextAfterQuote };

// Cells that end at a delimiter or a line end (CR, LF or CR LF); rows end at line ends.
template <typename View> class CellScanner {
public:
    using Text = std::conditional_t<std::is_same_v<View, QStringView>, QString, QByteArray>;

    CellScanner(View data, char16_t delimiter, Quotes quotes)
        : m_data(data), m_delimiter(delimiter), m_quotes(quotes)
    {
    }
    // False at the end of the data or at a fault.
    bool next(Text &text)
    {
        const qsizetype size = m_data.size();
        if (m_fault != CellFault::None || (m_position >= size && !m_afterDelimiter))
            return false;
        if (!readQuoted(text)) {
            if (m_fault != CellFault::None)
                return false;
            const qsizetype start = m_position;
            while (m_position < size && !endsCell(m_position))
                ++m_position;
            text = Text(m_data.data() + start, m_position - start);
        }
        const qsizetype lineEnd = lineEndAt(m_data, m_position);
        m_afterDelimiter = m_position < size && lineEnd == 0;
        m_position += m_afterDelimiter ? 1 : lineEnd;
        m_line += lineEnd > 0 ? 1 : 0;
        return true;
    }
    // Whether the last cell read ends its row.
    bool rowEnded() const { return !m_afterDelimiter; }
    CellFault fault() const { return m_fault; }
    // The line (from 1) the scanner stands on; line feeds inside quoted cells count.
    int line() const { return m_line; }

private:
    bool endsCell(qsizetype i) const
    {
        const char16_t c = codeUnit(m_data[i]);
        return c == m_delimiter || c == u'\r' || c == u'\n';
    }
    // Reads a quoted cell at the position; false, with the position kept, when there is none.
    bool readQuoted(Text &text)
    {
        const qsizetype size = m_data.size();
        if (m_position >= size || codeUnit(m_data[m_position]) != u'"')
            return false;
        text.clear();
        bool needed = false;
        int lineFeeds = 0;
        for (qsizetype i = m_position + 1; i < size; ++i) {
            const bool doubled =
                codeUnit(m_data[i]) == u'"' && i + 1 < size && codeUnit(m_data[i + 1]) == u'"';
            if (codeUnit(m_data[i]) != u'"' || doubled) {
                needed = needed || doubled || endsCell(i);
                lineFeeds += codeUnit(m_data[i]) == u'\n' ? 1 : 0;
                text += m_data[doubled ? i++ : i];
                continue;
            }
            const bool enclosed = i + 1 == size || endsCell(i + 1);
            if (m_quotes == Quotes::WholeCell && (!needed || !enclosed))
                return false;
            m_line += lineFeeds;
            m_fault = enclosed ? CellFault::None : CellFault::TextAfterQuote;
            m_position = i + 1;
            return enclosed;
        }
        if (m_quotes == Quotes::Strict)
            m_fault = CellFault::UnclosedQuote;
        return false;
    }

    View m_data;
    char16_t m_delimiter;
    Quotes m_quotes;
    qsizetype m_position = 0;
    int m_line = 1;
    bool m_afterDelimiter = false;
    CellFault m_fault = CellFault::None;
};

} // namespace quillon
