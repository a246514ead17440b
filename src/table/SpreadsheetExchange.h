#pragma once

#include "MaterialLibrary.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

class QMimeData;

namespace quillon {

// The spreadsheet flavour that Calc reads and offers beside plain text: SYLK, whose numbers are
// always written with "." and in full, whatever the locale.
inline constexpr char kSylkMimeType[] = "application/x-openoffice-sylk;windows_formatname=\"Sylk\"";

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

// One C record per cell that is not empty: numbers (finite ones) with the shortest digits that
// give the same double, texts quoted with ";" doubled. A B record keeps the block's size when
// its last rows or columns are empty. Texts in the encoding spreadsheets use for SYLK on the
// clipboard: UTF-8, Windows-1252 on Windows. The reader takes either.
QByteArray writeSylk(const ExchangeBlock &block);

// The C records' values placed by their X and Y (which carry over from record to record, as
// F records move them too); other records are ignored. Nothing when the text is not a SYLK
// block: no ID record first, no E record, a broken C record or a block beyond any table's size.
std::optional<ExchangeBlock> readSylk(QByteArrayView sylk);

// Cells separated by tabs, rows by CR, LF or CR LF; a break after the last row adds no row.
// Short rows are filled up with empty cells. A cell quoted as spreadsheets quote one that holds
// a tab, a line break or a quote is unquoted, its tabs and breaks kept inside it.
ExchangeBlock readTabText(QStringView text);

// A pasted cell's text as a material name: the files hold a name on one line, so each line
// break becomes a blank.
QString pastedName(QString text);

enum class PastedKind {
    Number,       // a number, or a text that begins with one ("85 %" reads 85)
    DecimalComma, // a text such as "0,25", "1.234,5" or "12,50%", read with the comma as decimal
                  // point; "1,234.50" is English grouping and a Number
    Empty,        // stored as 0
    NotANumber,   // a text without any number: the cell is skipped
};

struct PastedValue {
    PastedKind kind = PastedKind::NotANumber;
    double value = 0.0;
};

// A copied block on the clipboard as the given plain text, as SYLK and as Gnumeric's flavour.
void offerBlock(QMimeData &data, const ExchangeBlock &block, const QString &text);

// What a paste reads: Gnumeric's flavour, else SYLK, else the text; a flavour that does not
// read falls back on the next.
ExchangeBlock readOfferedBlock(const QMimeData &data);

// A swatch in the structured flavours, where the swatch cell's own text would show as nothing.
QString colorHexText(MaterialColor color);

// How a pasted cell of a band column reads.
PastedValue readPastedCell(const ExchangeCell &cell);


enum class PasteNote {
    SkippedText,       // held no number; the cell kept its value and its text
    SkippedOutOfRange, // not finite, or a "Sabine" value without a "True" counterpart
    DecimalComma,
    OutsideUsualRange, // stored, but outside 0..1.5 ("True") or 0..2 ("Sabine")
};

// What one paste has to tell the user, with the first cell of each kind.
class PasteReport {
public:
    explicit PasteReport(Quantity quantity) : m_quantity(quantity) {}

    // row is the table row (material n), band 1 to 10.
    void note(PasteNote what, int row, int band);
    // Notes a value just stored on an absorption tab when it lies outside the tab's usual range.
    void checkStored(int row, int band, double value);

    // The one message for the paste; empty when there is nothing to report.
    QString message() const;

private:
    struct Tally {
        int count = 0;
        int row = 0;
        int band = 0;
    };
    static constexpr size_t index(PasteNote what) { return static_cast<size_t>(what); }

    Quantity m_quantity;
    std::array<Tally, 4> m_tallies{};
};

} // namespace quillon
