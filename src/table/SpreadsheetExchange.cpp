#include "SpreadsheetExchange.h"

#include "NumberFormat.h"

#include <QStringList>

#include <algorithm>

namespace quillon {

namespace {
int materialNumberOf(int materialIndex) { return materialIndex - 1; }
} // namespace

QByteArray writeSylk(const ExchangeBlock &) { return {}; }
std::optional<ExchangeBlock> readSylk(QByteArrayView) { return std::nullopt; }

ExchangeBlock readTabText(QStringView text)
{
    if (text.endsWith(u"\r\n"))
        text.chop(2);
    else if (text.endsWith(u'\r') || text.endsWith(u'\n'))
        text.chop(1);
    std::vector<std::vector<QString>> rows(1);
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch == u'\t') {
            rows.back().push_back(text.sliced(start, i - start).toString());
            start = i + 1;
        } else if (ch == u'\r' || ch == u'\n') {
            rows.back().push_back(text.sliced(start, i - start).toString());
            if (ch == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
            rows.emplace_back();
        }
    }
    rows.back().push_back(text.sliced(start).toString());
    ExchangeBlock block;
    block.rows = static_cast<int>(rows.size());
    for (const auto &r : rows)
        block.cols = std::max(block.cols, static_cast<int>(r.size()));
    block.cells.resize(static_cast<size_t>(block.rows) * static_cast<size_t>(block.cols));
    for (int r = 0; r < block.rows; ++r)
        for (int c = 0; c < static_cast<int>(rows[static_cast<size_t>(r)].size()); ++c)
            block.cells[static_cast<size_t>(r * block.cols + c)].text = rows[static_cast<size_t>(r)][static_cast<size_t>(c)];
    return block;
}

PastedValue readPastedCell(const ExchangeCell &cell)
{
    if (cell.number)
        return {PastedKind::Number, *cell.number};
    if (cell.text.trimmed().isEmpty())
        return {PastedKind::Empty, 0};
    return {PastedKind::Number, parseLeadingNumber(QStringView(cell.text))};
}

QString PasteReport::message() const
{
    static const char *const bands[] = {"31.5", "63", "125", "250", "500",
                                        "1k",   "2k", "4k",  "8k",  "16k"};
    auto where = [](const Count &count) {
        return QStringLiteral("first: material %1 at %2")
            .arg(materialNumberOf(count.firstMaterial))
            .arg(QLatin1String(bands[std::clamp(count.firstBand, 1, 10) - 1]));
    };
    QStringList lines;
    if (skippedText.cells > 0)
        lines << QStringLiteral("%1 cell(s) hold no number and were left as they were (%2).")
                     .arg(skippedText.cells)
                     .arg(where(skippedText));
    if (skippedRange.cells > 0)
        lines << QStringLiteral("%1 value(s) were not stored: they are not finite numbers, or "
                                "\"Sabine\" coefficients that have no \"True\" counterpart (%2).")
                     .arg(skippedRange.cells)
                     .arg(where(skippedRange));
    if (decimalComma.cells > 0)
        lines << QStringLiteral("%1 value(s) were read with a decimal comma (%2).")
                     .arg(decimalComma.cells)
                     .arg(where(decimalComma));
    if (outsideRange.cells > 0)
        lines << QStringLiteral("%1 stored value(s) lie outside 0 to %3 (%2); a block of "
                                "percentages is the usual cause. They were stored as pasted.")
                     .arg(outsideRange.cells)
                     .arg(where(outsideRange))
                     .arg(rangeTop);
    return lines.join(u'\n');
}

} // namespace quillon
