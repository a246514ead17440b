#include "SpreadsheetExchange.h"

#include "ColorConversion.h"
#include "GnumericClipboard.h"
#include "TextScanner.h"

#include <QMimeData>
#include <algorithm>
#include <utility>

namespace quillon {

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
    return toQColor(color).name().toUpper();
}

} // namespace quillon
