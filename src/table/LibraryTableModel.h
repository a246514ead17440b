#pragma once

#include "LibraryDocument.h"

#include <QAbstractTableModel>
#include <QHash>
#include <memory>

class QMimeData;

namespace quillon {

// The material table's cells: row r shows material number r, one column per field of it.
inline constexpr int kNameColumn = kNameField;
inline constexpr int kSwatchColumn = kColorField;
inline constexpr int kFirstBandColumn = kFirstBandField;
inline constexpr int kLastBandColumn = kLastBandField;
inline constexpr int kColumnCount = kFieldCount;

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
    return row;
}
constexpr int rowOfMaterial(int material)
{
    return material;
}

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

    MaterialBlock materials() const
    {
        return {materialOfRow(row), column, materialOfRow(endRow), endColumn};
    }
    static CellRange of(const MaterialBlock &block)
    {
        return {rowOfMaterial(block.material), block.field, rowOfMaterial(block.endMaterial),
                block.endField};
    }
};

// The library as the material table shows it, one quantity at a time: the texts are made
// from the library when the view asks for them. An entered or imported value shows as it was
// entered until the next change of quantity, or until a step changes its cell.
class LibraryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit LibraryTableModel(LibraryDocument &document, QObject *parent = nullptr);

    Quantity quantity() const { return m_quantity; }
    // Shows a quantity's values; entered texts give way to the tab's own.
    void setQuantity(Quantity quantity);
    // From loading on, a row for every material with its number and headings.
    void showLibrary();
    bool showsLibrary() const { return m_showsLibrary; }
    // What the cell editor's text does to a cell: a value, a name, or for the other cells the
    // library reaching down to the material.
    LibraryDocument::EditResult enter(const QModelIndex &index, const QString &typed);
    // An imported material's values show as the cell editor writes them.
    void showAsEntered(int material);
    // The block's texts as the table shows them, tab-separated with carriage returns between
    // rows, and the block in the structured flavours with band values as numbers and swatches
    // as colours.
    std::unique_ptr<QMimeData> copyBlock(const CellRange &range) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    // DisplayRole: the cell's text; EditRole: the cell editor's; ForegroundRole: a swatch's colour.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    // The flavours of copyBlock for the block that holds the indexes.
    QMimeData *mimeData(const QModelIndexList &indexes) const override;

private:
    void onMaterialsChanged(const MaterialChange &change);
    void setEnteredText(int row, int column, const QString &text);
    static int cellKey(int row, int column) { return row * kColumnCount + column; }

    LibraryDocument &m_document;
    Quantity m_quantity = Quantity::TrueAbsorption;
    bool m_showsLibrary = false;
    bool m_showsQuantity = false;
    QHash<int, QString> m_enteredTexts;
};

} // namespace quillon
