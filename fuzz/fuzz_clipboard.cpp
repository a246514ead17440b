// Lays a block text into the 1000 x 13 material grid with setClip and checks the block it
// reports, the texts of its cells against an independent split of the block text, the shape
// of clip() and that no cell around the block changed.
// Input: a flag byte (bit 0: text is Latin-1 rather than UTF-8; bit 1: a single selected
// cell), the current cell (2 bytes row, 1 byte column), the selection end as signed offsets
// (1 byte rows, 1 byte columns), then the block text.

#include "FlexGrid.h"
#include "FuzzCheck.h"

#include <QApplication>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace quillon;

namespace {

constexpr int kRows = 1000;
constexpr int kCols = 13;
constexpr size_t kHeaderSize = 6;

QApplication *application = nullptr;
FlexGrid *grid = nullptr;
std::vector<QString> baseline;

const QString &baselineText(int row, int col)
{
    return baseline[static_cast<size_t>(row * kCols + col)];
}

// Rows end at CR LF, CR or LF, one break at the very end closing the last row; cells are
// separated by tabs.
std::vector<std::vector<QString>> splitRows(const QString &text)
{
    QString body = text;
    if (body.endsWith(u"\r\n"))
        body.chop(2);
    else if (body.endsWith(u'\r') || body.endsWith(u'\n'))
        body.chop(1);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    body.replace(u'\r', u'\n');
    std::vector<std::vector<QString>> rows;
    for (const QString &line : body.split(u'\n')) {
        const QStringList cells = line.split(u'\t');
        rows.emplace_back(cells.begin(), cells.end());
    }
    return rows;
}

bool inBlock(const FlexGrid::Block &block, int row, int col)
{
    return row >= block.top && row <= block.bottom && col >= block.left && col <= block.right;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "fuzz_clipboard";
    static char *argv[] = {name, nullptr};
    application = new QApplication(argc, argv);
    grid = new FlexGrid;
    grid->setGridSize(kRows, kCols);
    baseline.resize(static_cast<size_t>(kRows * kCols));
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kCols; ++c) {
            baseline[static_cast<size_t>(r * kCols + c)] = QStringLiteral("%1:%2").arg(r).arg(c);
            grid->gridModel()->setTextSilently(r, c, baselineText(r, c));
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < kHeaderSize)
        return 0;
    const bool latin1 = data[0] & 1;
    const bool singleCell = data[0] & 2;
    const int row = (data[1] | data[2] << 8) % (kRows - 1) + 1;
    const int col = data[3] % (kCols - 1) + 1;
    const int rowSel = std::clamp(row + static_cast<int8_t>(data[4]), 1, kRows - 1);
    const int colSel = std::clamp(col + static_cast<int8_t>(data[5]) % kCols, 1, kCols - 1);
    const auto *textData = reinterpret_cast<const char *>(data + kHeaderSize);
    const auto textSize = static_cast<qsizetype>(size - kHeaderSize);
    const QString text = latin1 ? QString::fromLatin1(textData, textSize)
                                : QString::fromUtf8(textData, textSize);

    grid->setCurrentCell(row, col);
    if (!singleCell)
        grid->setSelectionEnd(rowSel, colSel);
    const FlexGrid::Block selected = grid->selectedBlock();
    FUZZ_REQUIRE(grid->row() == row && grid->col() == col);
    FUZZ_REQUIRE(selected.top == std::min(row, grid->rowSel()) &&
                 selected.bottom == std::max(row, grid->rowSel()) &&
                 selected.left == std::min(col, grid->colSel()) &&
                 selected.right == std::max(col, grid->colSel()));

    const FlexGrid::Block block = grid->setClip(text);
    FUZZ_REQUIRE(block.top >= 1 && block.top <= block.bottom && block.bottom <= kRows - 1,
                 "rows %d..%d", block.top, block.bottom);
    FUZZ_REQUIRE(block.left >= 1 && block.left <= block.right && block.right <= kCols - 1,
                 "columns %d..%d", block.left, block.right);
    FUZZ_REQUIRE(block.top == selected.top && block.left == selected.left);
    const FlexGrid::Block after = grid->selectedBlock();
    FUZZ_REQUIRE(after.top == block.top && after.left == block.left &&
                 after.bottom == block.bottom && after.right == block.right);

    const std::vector<std::vector<QString>> cells =
        text.isEmpty() ? std::vector<std::vector<QString>>() : splitRows(text);
    const int clipRows = static_cast<int>(cells.size());
    int clipCols = 0;
    for (const auto &cellsOfRow : cells)
        clipCols = std::max(clipCols, static_cast<int>(cellsOfRow.size()));
    const bool grows = selected.top == selected.bottom && selected.left == selected.right &&
                       (clipRows > 1 || clipCols > 1);
    const int expectedBottom = grows ? std::min(selected.top + clipRows - 1, kRows - 1) : selected.bottom;
    const int expectedRight = grows ? std::min(selected.left + clipCols - 1, kCols - 1) : selected.right;
    FUZZ_REQUIRE(block.bottom == expectedBottom && block.right == expectedRight,
                 "block %d,%d..%d,%d, expected bottom %d right %d", block.top, block.left,
                 block.bottom, block.right, expectedBottom, expectedRight);

    // Rows around the block and the grid's first and last rows: a stray write lands there.
    std::vector<int> checkedRows{0, kRows - 1};
    for (int r = std::max(block.top - 2, 1); r <= std::min(block.bottom + 2, kRows - 2); ++r)
        checkedRows.push_back(r);
    for (int r : checkedRows) {
        for (int c = 0; c < kCols; ++c) {
            const QString actual = grid->textMatrix(r, c);
            if (!inBlock(block, r, c)) {
                FUZZ_REQUIRE(actual == baselineText(r, c), "cell %d,%d outside the block changed", r, c);
                continue;
            }
            const auto i = static_cast<size_t>(r - block.top);
            const auto j = static_cast<size_t>(c - block.left);
            const bool pasted = i < cells.size() && j < cells[i].size();
            FUZZ_REQUIRE(actual == (pasted ? cells[i][j] : baselineText(r, c)),
                         "cell %d,%d holds \"%s\"", r, c, qPrintable(actual));
        }
    }

    const QStringList clipRowsText = grid->clip().split(u'\r');
    FUZZ_REQUIRE(clipRowsText.size() == block.bottom - block.top + 1);
    for (qsizetype i = 0; i < clipRowsText.size(); ++i) {
        const QStringList clipCells = clipRowsText[i].split(u'\t');
        FUZZ_REQUIRE(clipCells.size() == block.right - block.left + 1);
        for (qsizetype j = 0; j < clipCells.size(); ++j)
            FUZZ_REQUIRE(clipCells[j] == grid->textMatrix(block.top + static_cast<int>(i),
                                                          block.left + static_cast<int>(j)));
    }

    for (int r = block.top; r <= block.bottom; ++r) {
        for (int c = block.left; c <= block.right; ++c)
            grid->gridModel()->setTextSilently(r, c, baselineText(r, c));
    }
    return 0;
}
