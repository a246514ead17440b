// Lays a block text into the 1000 x 13 material grid with setClip and checks that the block
// it reports lies within the table at the selection's top left, has the text's shape when it
// grows from a single cell, and that clip() of it gives its cells, pasted or kept.
// Input: a flag byte (bit 0: text is Latin-1 rather than UTF-8; bit 1: a single selected
// cell), the current cell (2 bytes row, 1 byte column), the selection end as signed offsets
// (1 byte rows, 1 byte columns), then the block text.

#include "FlexGrid.h"
#include "FuzzCheck.h"

#include <QApplication>

#include <algorithm>
#include <vector>

using namespace quillon;

namespace {

constexpr int kRows = 1000;
constexpr int kCols = 13;
constexpr size_t kHeaderSize = 6;

FlexGrid *grid = nullptr;
std::vector<QString> baseline; // what each cell holds between inputs

const QString &baselineText(int row, int col) { return baseline[size_t(row * kCols + col)]; }

// Rows end at CR LF, CR or LF, one break at the very end closing the last row; cells are
// separated by tabs.
std::vector<QStringList> splitRows(QString text)
{
    if (text.isEmpty())
        return {};
    text.chop(text.endsWith(u"\r\n") ? 2 : text.endsWith(u'\r') || text.endsWith(u'\n') ? 1 : 0);
    std::vector<QStringList> rows;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    for (const QString &line : text.split(u'\n'))
        rows.push_back(line.split(u'\t'));
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    new QApplication(*argc, *argv);
    grid = new FlexGrid;
    grid->setGridSize(kRows, kCols);
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kCols; ++c) {
            baseline.push_back(QStringLiteral("%1:%2").arg(r).arg(c));
            grid->gridModel()->setTextSilently(r, c, baseline.back());
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < kHeaderSize)
        return 0;
    const int row = (data[1] | data[2] << 8) % (kRows - 1) + 1;
    const int col = data[3] % (kCols - 1) + 1;
    grid->setCurrentCell(row, col);
    if (!(data[0] & 2))
        grid->setSelectionEnd(std::clamp(row + static_cast<int8_t>(data[4]), 1, kRows - 1),
                              std::clamp(col + static_cast<int8_t>(data[5]) % kCols, 1, kCols - 1));
    const QByteArrayView bytes = fuzzInput(data + kHeaderSize, size - kHeaderSize);
    const QString text = data[0] & 1 ? QString::fromLatin1(bytes) : QString::fromUtf8(bytes);
    const FlexGrid::Block selected = grid->selectedBlock();

    const FlexGrid::Block block = grid->setClip(text);
    FUZZ_REQUIRE(block.top == selected.top && block.left == selected.left);
    FUZZ_REQUIRE(block.bottom >= block.top && block.bottom <= kRows - 1 &&
                 block.right >= block.left && block.right <= kCols - 1);
    const std::vector<QStringList> pasted = splitRows(text);
    qsizetype pastedCols = 0;
    for (const QStringList &cells : pasted)
        pastedCols = std::max(pastedCols, cells.size());
    const bool grows = selected.top == selected.bottom && selected.left == selected.right &&
                       (pasted.size() > 1 || pastedCols > 1);
    FUZZ_REQUIRE(block.bottom == (grows ? std::min<int>(block.top + pasted.size() - 1, kRows - 1)
                                        : selected.bottom) &&
                     block.right == (grows ? std::min<int>(block.left + pastedCols - 1, kCols - 1)
                                           : selected.right),
                 "block %d,%d..%d,%d", block.top, block.left, block.bottom, block.right);

    // Cells of the block as clip() gives them, and the ring around it, where a stray write lands.
    const QStringList clipRows = grid->clip().split(u'\r');
    FUZZ_REQUIRE(clipRows.size() == block.bottom - block.top + 1);
    for (int r = block.top - 1; r <= std::min(block.bottom + 1, kRows - 1); ++r) {
        const auto i = static_cast<size_t>(r - block.top);
        const bool inRows = r >= block.top && r <= block.bottom;
        const QStringList cells = inRows ? clipRows[qsizetype(i)].split(u'\t') : QStringList();
        FUZZ_REQUIRE(!inRows || cells.size() == block.right - block.left + 1);
        for (int c = block.left - 1; c <= std::min(block.right + 1, kCols - 1); ++c) {
            const qsizetype j = c - block.left;
            const bool inBlock = inRows && j >= 0 && j < cells.size();
            const bool isPasted = inBlock && i < pasted.size() && j < pasted[i].size();
            const QString actual = inBlock ? cells[j] : grid->textMatrix(r, c);
            FUZZ_REQUIRE(actual == (isPasted ? pasted[i][j] : baselineText(r, c)),
                         "cell %d,%d holds \"%s\"", r, c, qPrintable(actual));
            grid->gridModel()->setTextSilently(r, c, baselineText(r, c));
        }
    }
    return 0;
}
