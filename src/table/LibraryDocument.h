#pragma once

#include "LibraryStorage.h"
#include "LumeoImport.h"
#include "MaterialLibrary.h"
#include "SpreadsheetExchange.h"

#include <QObject>
#include <QUndoStack>
#include <algorithm>
#include <memory>

class QMimeData;

namespace quillon {

// The material table's cells: row n - 1 shows material n, one column per name, swatch and band.
inline constexpr int kNameColumn = 0;
inline constexpr int kSwatchColumn = 1;
inline constexpr int kFirstBandColumn = 2;
inline constexpr int kLastBandColumn = kFirstBandColumn + kBandCount - 1;
inline constexpr int kColumnCount = kLastBandColumn + 1;

constexpr int bandOfColumn(int column)
{
    return column - kFirstBandColumn + 1;
}
constexpr int columnOfBand(int band)
{
    return band + kFirstBandColumn - 1;
}
constexpr int materialOfRow(int row)
{
    return row + 1;
}
constexpr int rowOfMaterial(int material)
{
    return material - 1;
}

class LibraryStep;

// A block of table cells given by its current cell and the opposite corner.
struct CellRange {
    int row = 0;
    int column = 0;
    int endRow = 0;
    int endColumn = 0;

    int top() const { return std::min(row, endRow); }
    int bottom() const { return std::max(row, endRow); }
    int left() const { return std::min(column, endColumn); }
    int right() const { return std::max(column, endColumn); }
    bool isSingleCell() const { return row == endRow && column == endColumn; }
    bool operator==(const CellRange &) const = default;
};

// The library being edited and its history. Every change is a step of the history; the
// library is saved when the history stands at its clean state.
class LibraryDocument : public QObject {
    Q_OBJECT
public:
    explicit LibraryDocument(QObject *parent = nullptr);
    ~LibraryDocument() override;

    const MaterialLibrary &library() const { return *m_library; }
    QUndoStack &history() { return m_history; }
    bool isLoaded() const { return m_loaded; }
    bool isSaved() const { return m_loaded && m_history.isClean(); }

    // Reads both files; a library read in full starts an empty, saved history.
    LoadOutcome load(const QString &materialPath, const QString &colorPath,
                     LoadMode mode = LoadMode::ReadOnly);
    void markSaved();

    enum class EditResult { Stored, Unchanged, Refused, LossyName };
    // An entry typed into the cell at where.row/where.column on a quantity's tab. A value shows
    // and is stored as *shown ("##0.0##").
    EditResult enter(const CellRange &where, Quantity quantity, const QString &typed,
                     QString *shown);
    void recolour(const CellRange &where, MaterialColor color);

    struct PasteOutcome {
        PasteReport report;
        bool lossyNames = false;
        CellRange target; // a single cell grows to the pasted block
    };
    PasteOutcome paste(const CellRange &target, const ExchangeBlock &block, Quantity quantity);
    // Prefers Gnumeric's flavour, then SYLK, then the text.
    PasteOutcome paste(const CellRange &target, const QMimeData &data, Quantity quantity);

    // Appends a material read from a Lumeo file; false when the library is full.
    bool importMaterial(const LumeoReadResult &values, const QString &name, Quantity shown,
                        bool *lossyName);

signals:
    // A step was made, undone or redone: it changed the cells of rows firstRow..lastRow between
    // firstColumn and lastColumn (none when lastColumn < firstColumn); selection is where it
    // was made.
    void stepApplied(int firstRow, int lastRow, int firstColumn, int lastColumn,
                     const CellRange &selection);
    void savedChanged(bool saved);

private:
    friend class LibraryStep;
    void push(LibraryStep *step);

    std::unique_ptr<MaterialLibrary> m_library;
    QUndoStack m_history;
    ImportColorSource m_importColors;
    bool m_loaded = false;
};

} // namespace quillon
