#pragma once

#include <QString>
#include <cmath>
#include <optional>
#include <vector>

namespace quillon {

// One cell of a block on the clipboard: its text, and its value when it travels as a number.
struct ExchangeCell {
    QString text;
    std::optional<double> number;
};

// rows x cols cells in row-major order.
struct ExchangeBlock {
    int rows = 0;
    int cols = 0;
    std::vector<ExchangeCell> cells;

    const ExchangeCell &at(int row, int col) const
    {
        return cells[static_cast<size_t>(row * cols + col)];
    }

    // fn(row, col, cell, number) for each cell that holds a finite number (number true) or a text.
    template <typename Fn> void forEachFilledCell(Fn fn) const
    {
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < cols; ++c) {
                const ExchangeCell &cell = at(r, c);
                const bool number = cell.number && std::isfinite(*cell.number);
                if (number || !cell.text.isEmpty())
                    fn(r, c, cell, number);
            }
        }
    }
};

} // namespace quillon
