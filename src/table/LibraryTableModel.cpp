#include "LibraryTableModel.h"

#include "Cp1252.h"
#include "QuantityTraits.h"

#include <QColor>
#include <QMimeData>
#include <cmath>

namespace quillon {

namespace {

// Before loading the table holds one empty row.
constexpr int kRowsBeforeLoading = 1;
constexpr int kSwatchLength = 12;
constexpr QChar kSwatchCharacter(0x7F);
// The swatch character has no glyph; the cell editor shows the colour as a bar of blocks.
constexpr QChar kEditorSwatchCharacter(0x2588);

// A table text that is one number and nothing else, as a spreadsheet should take it.
std::optional<double> wholeNumber(const QString &text)
{
    bool ok = false;
    const double value = QStringView(text).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

LibraryTableModel::LibraryTableModel(const LibraryDocument &document, QObject *parent)
    : QAbstractTableModel(parent), m_document(document)
{
    connect(&document, &LibraryDocument::stepApplied, this,
            [this](int firstRow, int lastRow, int firstColumn, int lastColumn) {
                onStepApplied(firstRow, lastRow, firstColumn, lastColumn);
            });
}

void LibraryTableModel::setQuantity(Quantity quantity)
{
    m_quantity = quantity;
    m_showsQuantity = true;
    m_enteredTexts.clear();
    // The band headings' tooltips follow too; they are read when shown, and announcing them
    // would lay the header out anew at every switch.
    emit dataChanged(index(0, kFirstBandColumn), index(rowCount() - 1, kLastBandColumn),
                     {Qt::DisplayRole, Qt::EditRole});
}

void LibraryTableModel::showLibrary()
{
    beginResetModel();
    m_showsLibrary = true;
    m_enteredTexts.clear();
    endResetModel();
}

void LibraryTableModel::setEnteredText(int row, int column, const QString &text)
{
    m_enteredTexts.insert(cellKey(row, column), text);
    const QModelIndex cell = index(row, column);
    emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::EditRole});
}

void LibraryTableModel::onStepApplied(int firstRow, int lastRow, int firstColumn, int lastColumn)
{
    if (!m_showsLibrary)
        return;
    for (int row = firstRow; row <= lastRow; ++row)
        for (int column = kNameColumn; column < kColumnCount; ++column)
            m_enteredTexts.remove(cellKey(row, column));
    if (firstColumn <= lastColumn)
        emit dataChanged(index(firstRow, firstColumn), index(lastRow, lastColumn));
}

int LibraryTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_showsLibrary ? kMaxMaterials : kRowsBeforeLoading;
}

int LibraryTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant LibraryTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || !m_showsLibrary)
        return role == Qt::DisplayRole || role == Qt::EditRole ? QVariant(QString()) : QVariant();
    const MaterialLibrary &library = m_document.library();
    const int n = materialOfRow(index.row());
    const int column = index.column();
    if (column == kSwatchColumn) {
        const MaterialColor color = library.materialColors[size_t(n)];
        switch (role) {
        case Qt::DisplayRole:
            return QString(kSwatchLength, kSwatchCharacter);
        case Qt::EditRole:
            return QString(kSwatchLength, kEditorSwatchCharacter);
        case Qt::ForegroundRole:
            // Colours with the high byte set are no colours: the swatch is drawn empty.
            return color < 0
                       ? QVariant()
                       : QVariant(QColor(colorRed(color), colorGreen(color), colorBlue(color)));
        default:
            return {};
        }
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    if (const auto entered = m_enteredTexts.constFind(cellKey(index.row(), column));
        entered != m_enteredTexts.cend())
        return *entered;
    if (column == kNameColumn)
        return decodeCp1252(library.materialNames[size_t(n)]);
    return shownText(library, n, bandOfColumn(column), m_quantity);
}

QVariant LibraryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && (section < 0 || section >= kColumnCount))
        return {};
    if (orientation == Qt::Vertical && (section < 0 || section >= rowCount()))
        return {};
    if (role == Qt::ToolTipRole && orientation == Qt::Horizontal && m_showsQuantity &&
        section >= kFirstBandColumn)
        return QString::fromUtf16(quantityTraits(m_quantity).description) + u", "_qs +
               QLatin1String(bandText(kBandNames, bandOfColumn(section)));
    if (role != Qt::DisplayRole)
        return {};
    if (!m_showsLibrary)
        return QString();
    if (orientation == Qt::Vertical)
        return QLatin1Char(' ') + QString::number(materialNumber(materialOfRow(section)));
    switch (section) {
    case kNameColumn:
        return u"Frequency (Hz)"_qs;
    case kSwatchColumn:
        return u"Color"_qs;
    default:
        return QLatin1String(bandText(kBandHeadings, bandOfColumn(section)));
    }
}

std::unique_ptr<QMimeData> LibraryTableModel::copyBlock(const CellRange &range) const
{
    auto data = std::make_unique<QMimeData>();
    if (range.row < 0)
        return data;
    ExchangeBlock cells;
    cells.rows = range.bottom() - range.top() + 1;
    cells.cols = range.right() - range.left() + 1;
    cells.cells.reserve(size_t(cells.rows) * size_t(cells.cols));
    QString text;
    for (int row = range.top(); row <= range.bottom(); ++row) {
        if (row > range.top())
            text += u'\r';
        for (int column = range.left(); column <= range.right(); ++column) {
            if (column > range.left())
                text += u'\t';
            ExchangeCell cell{index(row, column).data().toString(), std::nullopt};
            if (column >= kFirstBandColumn)
                cell.number = wholeNumber(cell.text);
            else if (column == kSwatchColumn && m_showsLibrary)
                cell.text =
                    colorHexText(m_document.library().materialColors[size_t(materialOfRow(row))]);
            text += index(row, column).data().toString();
            cells.cells.push_back(std::move(cell));
        }
    }
    offerBlock(*data, cells, text);
    return data;
}

Qt::ItemFlags LibraryTableModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace quillon
