#include "LibraryTableModel.h"

#include "Cp1252.h"
#include "GnumericClipboard.h"
#include "NumberFormat.h"
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

LibraryTableModel::LibraryTableModel(LibraryDocument &document, QObject *parent)
    : QAbstractTableModel(parent), m_document(document)
{
    connect(&document, &LibraryDocument::materialsChanged, this,
            &LibraryTableModel::onMaterialsChanged);
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

LibraryDocument::EditResult LibraryTableModel::enter(const QModelIndex &index, const QString &typed)
{
    using Result = LibraryDocument::EditResult;
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || !m_showsLibrary)
        return Result::Unchanged;
    const int material = materialOfRow(index.row());
    const int column = index.column();
    if (column == kNameColumn)
        return m_document.rename(material, typed);
    if (column < kFirstBandColumn) {
        m_document.extendTo(material);
        return Result::Stored;
    }
    QString shown;
    const Result result =
        m_document.enterValue(material, bandOfColumn(column), m_quantity, typed, &shown);
    if (result == Result::Stored)
        setEnteredText(index.row(), column, shown);
    return result;
}

bool LibraryTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    return role == Qt::EditRole &&
           enter(index, value.toString()) != LibraryDocument::EditResult::Refused;
}

void LibraryTableModel::showAsEntered(int material)
{
    if (m_quantity != Quantity::TrueAbsorption)
        return;
    const BandRow &values = m_document.library().alphaR[size_t(materialIndex(material))];
    for (int band = 1; band <= kBandCount; ++band)
        setEnteredText(rowOfMaterial(material), columnOfBand(band),
                       formatNumber(values[size_t(band)], patterns::kEditor));
}

void LibraryTableModel::setEnteredText(int row, int column, const QString &text)
{
    m_enteredTexts.insert(cellKey(row, column), text);
    const QModelIndex cell = index(row, column);
    emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::EditRole});
}

void LibraryTableModel::onMaterialsChanged(const MaterialChange &change)
{
    if (!m_showsLibrary || change.first > change.last)
        return;
    // The columns whose texts the change touched, as runs of neighbours.
    std::vector<std::pair<int, int>> runs;
    auto add = [&runs](int from, int to) {
        if (!runs.empty() && runs.back().second + 1 == from)
            runs.back().second = to;
        else
            runs.emplace_back(from, to);
    };
    if (change.names)
        add(kNameColumn, kNameColumn);
    if (change.colors)
        add(kSwatchColumn, kSwatchColumn);
    if (change.groups)
        add(kFirstBandColumn, kLastBandColumn);
    else if (change.firstBand <= change.lastBand &&
             change.table == quantityTraits(m_quantity).table)
        add(columnOfBand(change.firstBand), columnOfBand(change.lastBand));
    const int top = rowOfMaterial(change.first);
    const int bottom = rowOfMaterial(change.last);
    for (const auto &[left, right] : runs) {
        for (int row = top; row <= bottom && !m_enteredTexts.isEmpty(); ++row)
            for (int column = left; column <= right; ++column)
                m_enteredTexts.remove(cellKey(row, column));
        emit dataChanged(index(top, left), index(bottom, right));
    }
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
    const int n = materialIndex(materialOfRow(index.row()));
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
        return QLatin1Char(' ') + QString::number(materialOfRow(section));
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
                    colorHexText(
                    m_document.library().materialColors[size_t(materialIndex(materialOfRow(row)))]);
            text += index(row, column).data().toString();
            cells.cells.push_back(std::move(cell));
        }
    }
    offerBlock(*data, cells, text);
    return data;
}

Qt::ItemFlags LibraryTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // Colours are chosen, not typed.
    return m_showsLibrary && index.column() != kSwatchColumn ? flags | Qt::ItemIsEditable : flags;
}

QStringList LibraryTableModel::mimeTypes() const
{
    return {QString::fromLatin1(kGnumericMimeType), QString::fromLatin1(kSylkMimeType),
            u"text/plain"_qs};
}

QMimeData *LibraryTableModel::mimeData(const QModelIndexList &indexes) const
{
    if (indexes.isEmpty())
        return nullptr;
    CellRange range{indexes.front().row(), indexes.front().column(), indexes.front().row(),
                    indexes.front().column()};
    for (const QModelIndex &cell : indexes) {
        range = {std::min(range.top(), cell.row()), std::min(range.left(), cell.column()),
                 std::max(range.bottom(), cell.row()), std::max(range.right(), cell.column())};
    }
    return copyBlock(range).release();
}

} // namespace quillon
