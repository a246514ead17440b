#pragma once

#include "LibraryDocument.h"

#include <QAbstractTableModel>
#include <QHash>
#include <memory>

class QMimeData;

namespace quillon {

// The library as the material table shows it, one quantity at a time: the texts are made
// from the library when the view asks for them.
class LibraryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit LibraryTableModel(const LibraryDocument &document, QObject *parent = nullptr);

    Quantity quantity() const { return m_quantity; }
    // Shows a quantity's values; entered texts give way to the tab's own.
    void setQuantity(Quantity quantity);
    // From loading on, a row for every material slot with its number and headings.
    void showLibrary();
    bool showsLibrary() const { return m_showsLibrary; }
    // An entry shows as it was entered until the next change of quantity or of its row.
    void setEnteredText(int row, int column, const QString &text);
    // The block's texts as the table shows them, tab-separated with carriage returns between
    // rows, and the block in the structured flavours with band values as numbers and swatches
    // as colours.
    std::unique_ptr<QMimeData> copyBlock(const CellRange &range) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    // DisplayRole: the cell's text; EditRole: the cell editor's; ForegroundRole: a swatch's colour.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    void onStepApplied(int firstRow, int lastRow, int firstColumn, int lastColumn);
    static int cellKey(int row, int column) { return row * kColumnCount + column; }

    const LibraryDocument &m_document;
    Quantity m_quantity = Quantity::TrueAbsorption;
    bool m_showsLibrary = false;
    bool m_showsQuantity = false;
    QHash<int, QString> m_enteredTexts;
};

} // namespace quillon
