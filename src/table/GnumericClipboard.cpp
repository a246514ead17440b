#include "GnumericClipboard.h"

#include <QXmlStreamReader>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace quillon {

namespace {

constexpr char16_t kNamespace[] = u"http://www.gnumeric.org/v10.dtd";

// Gnumeric's value types: 40 a number, 60 a string; 30 the integer type of older versions.
constexpr int kIntegerType = 30;
constexpr int kFloatType = 40;

// Beyond these no spreadsheet has cells; they also bound what a damaged range can allocate.
constexpr int kMaxRows = 1048576;
constexpr int kMaxCols = 16384;
constexpr qint64 kMaxCells = 1 << 20;

bool isXmlCharacter(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

struct Entity {
    char32_t character;
    const char16_t *text;
};
// A bare CR would be read back as LF.
constexpr Entity kEntities[] = {
    {U'&', u"&amp;"}, {U'<', u"&lt;"}, {U'>', u"&gt;"}, {U'"', u"&quot;"}, {U'\r', u"&#13;"}};

void appendText(QByteArray &out, const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        const auto entity = std::find_if(std::begin(kEntities), std::end(kEntities),
                                         [c](const Entity &e) { return e.character == c; });
        if (entity != std::end(kEntities))
            escaped += QStringView(entity->text);
        else if (isXmlCharacter(c))
            escaped += QChar::fromUcs4(c);
    }
    out += escaped.toUtf8();
}

void appendInteger(QByteArray &out, int value)
{
    char buffer[16];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end - buffer);
}

void appendNumber(QByteArray &out, double value)
{
    if (value == 0.0)
        value = 0.0; // no "-0"
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end - buffer);
}

std::optional<double> readNumber(QStringView text)
{
    text = text.trimmed();
    char ascii[64];
    if (text.size() >= qsizetype(sizeof ascii))
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i)
        ascii[i] = text[i].unicode() < 0x80 ? char(text[i].unicode()) : '?';
    double value = 0.0;
    const char *end = ascii + text.size();
    const auto result = std::from_chars(ascii, end, value);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> readIndex(const QXmlStreamAttributes &attributes, QLatin1String name, int limit)
{
    bool ok = false;
    const int value = attributes.value(name).toInt(&ok);
    if (!ok || value < 0 || value > limit)
        return std::nullopt;
    return value;
}

} // namespace

QByteArray writeGnumericClipboard(const ExchangeBlock &block)
{
    QByteArray out;
    out.reserve(256 + static_cast<qsizetype>(block.cells.size()) * 64);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?><gnm:ClipboardRange xmlns:gnm=\"";
    out += QStringView(kNamespace).toLatin1();
    out += "\" Cols=\"" + QByteArray::number(block.cols) + "\" Rows=\"" +
           QByteArray::number(block.rows) + "\" BaseCol=\"0\" BaseRow=\"0\"><gnm:Cells>";
    block.forEachFilledCell([&](int r, int c, const ExchangeCell &cell, bool number) {
        const qsizetype start = out.size();
        out += "<gnm:Cell Row=\"";
        appendInteger(out, r);
        out += "\" Col=\"";
        appendInteger(out, c);
        out += number ? "\" ValueType=\"40\">" : "\" ValueType=\"60\">";
        const qsizetype content = out.size();
        if (number)
            appendNumber(out, *cell.number);
        else
            appendText(out, cell.text);
        if (out.size() == content)
            out.truncate(start); // nothing XML can carry
        else
            out += "</gnm:Cell>";
    });
    out += "</gnm:Cells></gnm:ClipboardRange>\n";
    return out;
}

std::optional<ExchangeBlock> readGnumericClipboard(QByteArrayView bytes)
{
    // Some clipboards hand over a C string with its terminating zero.
    while (!bytes.isEmpty() && bytes.back() == '\0')
        bytes.chop(1);
    QXmlStreamReader xml(QByteArray::fromRawData(bytes.data(), bytes.size()));
    const QString gnm = QString::fromUtf16(kNamespace);
    if (!xml.readNextStartElement() || xml.namespaceUri() != gnm || xml.name() != u"ClipboardRange")
        return std::nullopt;
    const QXmlStreamAttributes range = xml.attributes();
    const auto rows = readIndex(range, QLatin1String("Rows"), kMaxRows);
    const auto cols = readIndex(range, QLatin1String("Cols"), kMaxCols);
    const auto baseRow = readIndex(range, QLatin1String("BaseRow"), kMaxRows);
    const auto baseCol = readIndex(range, QLatin1String("BaseCol"), kMaxCols);
    if (!rows || !cols || !baseRow || !baseCol || qint64(*rows) * *cols > kMaxCells)
        return std::nullopt;
    ExchangeBlock block;
    block.rows = *rows;
    block.cols = *cols;
    block.cells.resize(static_cast<size_t>(block.rows) * static_cast<size_t>(block.cols));

    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"Cell" ||
            xml.namespaceUri() != gnm)
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        const auto row = readIndex(attributes, QLatin1String("Row"), kMaxRows);
        const auto col = readIndex(attributes, QLatin1String("Col"), kMaxCols);
        if (!row || !col || *row < *baseRow || *col < *baseCol || *row - *baseRow >= block.rows ||
            *col - *baseCol >= block.cols)
            return std::nullopt;
        const int type = attributes.value(QLatin1String("ValueType")).toInt();
        // A formula's element holds the formula; its value stands in Value.
        const bool formula = attributes.hasAttribute(QLatin1String("Value"));
        const QString content = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        ExchangeCell &cell =
            block.cells[static_cast<size_t>((*row - *baseRow) * block.cols + *col - *baseCol)];
        cell.text = formula ? attributes.value(QLatin1String("Value")).toString() : content;
        if (type == kFloatType || type == kIntegerType)
            cell.number = readNumber(cell.text);
    }
    if (xml.hasError())
        return std::nullopt;
    return block;
}

} // namespace quillon
