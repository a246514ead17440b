#include "TableEditor.h"

#include "Cp1252.h"
#include "NumberFormat.h"
#include "QuantityTable.h"

#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>

namespace quillon {

namespace {

constexpr int kSwatchLength = 12;
constexpr QChar kSwatchCharacter(0x7F);
// The swatch character has no glyph; the cell editor shows the colour as a bar of blocks.
constexpr QChar kEditorSwatchCharacter(0x2588);

// The rows and bands a change of values touches. A scattering step keeps whole rows: the
// default the scattering tab shows is stored outside the history, and once the step marks the
// row as having scattering values those defaults are saved with it.
SliceShape valuesShape(int top, int bottom, Quantity quantity, int firstBand, int lastBand,
                       bool names)
{
    const ValueTable table = valueTableOf(quantity);
    if (table == ValueTable::Scattering)
        return {top, bottom, table, 1, kBandCount, names, false};
    return {top, bottom, table, firstBand, lastBand, names, false};
}

bool sameContents(const LibrarySlice &a, const LibrarySlice &b)
{
    return a.materialCount == b.materialCount && a.flags == b.flags && a.values == b.values &&
           a.names == b.names && a.colors == b.colors;
}

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

TableEditor::TableEditor(FlexGrid &grid, QLineEdit &cellEditor, QObject *parent)
    : QObject(parent), m_grid(grid), m_cell(cellEditor),
      m_library(std::make_unique<MaterialLibrary>())
{
    connect(&m_grid, &FlexGrid::currentCellChanged, this, &TableEditor::onCurrentCellChanged);
    connect(&m_grid, &FlexGrid::cellClicked, this, &TableEditor::onCellClicked);
    connect(&m_grid, &FlexGrid::characterTyped, this, &TableEditor::startEntry);
    connect(&m_history, &QUndoStack::cleanChanged, this, &TableEditor::updateSaved);
}

TableEditor::~TableEditor() = default;

void TableEditor::layOutTable(int nameColumnTwips)
{
    constexpr int kNumberColumnWidth = 500;
    constexpr int kColorColumnWidth = 600;
    constexpr int kBandColumnWidth = 500;
    m_grid.setGridSize(kGridRows, kGridCols);
    m_grid.setColWidthTwips(kNumberColumn, kNumberColumnWidth);
    m_grid.setColWidthTwips(kNameColumn, nameColumnTwips);
    m_grid.setColWidthTwips(kColorColumn, kColorColumnWidth);
    for (int c = kFirstBandColumn; c <= kLastBandColumn; ++c)
        m_grid.setColWidthTwips(c, kBandColumnWidth);

    GridModel &model = *m_grid.gridModel();
    model.setTextSilently(0, kNumberColumn, u"N. "_qs);
    model.setTextSilently(0, kNameColumn, u"Frequency (Hz)"_qs);
    model.setTextSilently(0, kColorColumn, u"Color"_qs);
    for (int band = 1; band <= kBandCount; ++band)
        model.setTextSilently(0, columnOfBand(band), QLatin1String(bandText(kBandHeadings, band)));
    const QString swatch(kSwatchLength, kSwatchCharacter);
    for (int r = 1; r < kGridRows; ++r) {
        model.setTextSilently(r, kNumberColumn, QLatin1Char(' ') + QString::number(r - 1));
        model.setTextSilently(r, kColorColumn, swatch);
        model.setTextColorSilently(r, kColorColumn,
                                   m_library->materialColors[static_cast<size_t>(r)]);
    }
    for (int n = 1; n <= m_library->materialCount; ++n)
        model.setTextSilently(n, kNameColumn,
                              decodeCp1252(m_library->materialNames[static_cast<size_t>(n)]));
    model.notifyChanged(0, 0, kGridRows - 1, kGridCols - 1);
    m_grid.setCurrentCell(1, kFirstBandColumn);

    m_loaded = true;
    m_history.clear();
    markSaved();
}

void TableEditor::markSaved()
{
    m_history.setClean();
    updateSaved();
}

void TableEditor::updateSaved()
{
    const bool saved = m_loaded && m_history.isClean();
    if (saved == m_library->librarySaved)
        return;
    m_library->librarySaved = saved;
    emit savedChanged(saved);
}

CellSelection TableEditor::selection() const
{
    return {m_grid.row(), m_grid.col(), m_grid.rowSel(), m_grid.colSel()};
}

void TableEditor::restoreSelection(const CellSelection &selection)
{
    if (selection.row < 1 || selection.col < 1)
        return;
    m_grid.setCurrentCell(selection.row, selection.col);
    m_grid.setSelectionEnd(selection.endRow, selection.endCol);
}

void TableEditor::refreshBandColumns()
{
    const CellSelection kept = selection();
    writeBandColumns(*m_grid.gridModel(), *m_library, m_quantity);
    for (int band = 1; band <= kBandCount; ++band)
        m_grid.gridModel()->setHeaderToolTip(
            columnOfBand(band),
            quantityDescription(m_quantity) + u", "_qs + QLatin1String(bandText(kBandNames, band)));
    restoreSelection(kept);
    if (m_loaded)
        loadCellEditor();
    emit spectrumChanged();
}

void TableEditor::onCurrentCellChanged()
{
    if (!m_tableReady)
        return;
    loadCellEditor();
    emit spectrumChanged();
}

void TableEditor::onCellClicked()
{
    if (m_grid.row() >= 1 && m_grid.col() >= 1)
        loadCellEditor();
}

void TableEditor::loadCellEditor()
{
    const int row = m_grid.row();
    const int col = m_grid.col();
    const GridModel &model = *m_grid.gridModel();
    QString text = m_grid.textMatrix(row, col);
    if (col == kColorColumn && !text.isEmpty())
        text = QString(text.size(), kEditorSwatchCharacter);
    m_cell.setText(text);
    QPalette palette = m_cell.palette();
    const MaterialColor color = model.textColor(row, col);
    palette.setColor(QPalette::Text, model.hasTextColor(row, col)
                                         ? QColor(colorRed(color), colorGreen(color),
                                                  colorBlue(color))
                                         : QColor(Qt::black));
    m_cell.setPalette(palette);
}

void TableEditor::startEntry(QChar character)
{
    if (character.unicode() <= 31)
        return;
    m_cell.clear();
    m_cell.setFocus();
    m_cell.setText(QString(character));
    m_cell.setCursorPosition(1);
    m_cell.deselect();
}

TableEditor::CommitResult TableEditor::commitCellEdit()
{
    const int row = m_grid.row();
    const int col = m_grid.col();
    if (row < 1 || col < 1 || row > kMaxMaterials) {
        m_grid.setFocus();
        return CommitResult::Nothing;
    }
    const auto slot = static_cast<size_t>(row);
    const QString typed = m_cell.text();
    const CellSelection where = selection();
    CommitResult result = CommitResult::Stored;
    if (col >= kFirstBandColumn) {
        const int band = bandOfColumn(col);
        const double entered = parseLeadingNumber(QStringView(typed));
        const QString shown = formatNumber(entered, patterns::kEditor);
        const double value = parseLeadingNumber(QStringView(shown));
        const SliceShape shape = valuesShape(row, row, m_quantity, band, band, false);
        LibrarySlice before = captureSlice(*m_library, shape);
        // Nothing is stored that the library could not hold or turn back into a value.
        if (!toStoredFloat(entered) ||
            storeBandValue(*m_library, row, band, m_quantity, value) != StoreResult::Stored)
            return CommitResult::Refused;
        m_library->materialCount = std::max(m_library->materialCount, row);
        m_history.push(new EditValueCommand(*this, row, band, shown, std::move(before),
                                            captureSlice(*m_library, shape), where));
        // The entry shows as typed until the next refresh formats it for its tab.
        m_grid.setTextMatrix(row, col, shown);
    } else {
        SliceShape shape{row, row, ValueTable::Absorption, 1, 0, col == kNameColumn, false};
        LibrarySlice before = captureSlice(*m_library, shape);
        bool lossy = false;
        if (col == kNameColumn)
            m_library->materialNames[slot] = encodeCp1252(typed, &lossy);
        m_library->materialCount = std::max(m_library->materialCount, row);
        LibrarySlice after = captureSlice(*m_library, shape);
        if (!sameContents(before, after)) {
            if (col == kNameColumn)
                m_history.push(new RenameCommand(*this, row, std::move(before), std::move(after),
                                                 where));
            else
                m_history.push(new LibraryCommand(
                    *this, QStringLiteral("materials up to %1").arg(materialNumber(row)),
                    std::move(before), std::move(after), where));
        }
        if (lossy)
            result = CommitResult::LossyName;
    }
    m_cell.setText(typed);
    m_grid.setFocus();
    return result;
}

std::optional<MaterialColor> TableEditor::beginColorChoice()
{
    const int row = m_grid.row();
    if (m_grid.col() != kColorColumn)
        return std::nullopt;
    loadCellEditor();
    if (row < 1 || row > kMaxMaterials)
        return std::nullopt;
    return m_library->materialColors[static_cast<size_t>(row)];
}

void TableEditor::setMaterialColor(int material, MaterialColor color)
{
    if (material < 1 || material > kMaxMaterials)
        return;
    const SliceShape shape{material, material, ValueTable::Absorption, 1, 0, false, true};
    LibrarySlice before = captureSlice(*m_library, shape);
    m_library->materialColors[static_cast<size_t>(material)] = color;
    LibrarySlice after = captureSlice(*m_library, shape);
    if (!sameContents(before, after))
        m_history.push(new RecolorCommand(*this, material, std::move(before), std::move(after),
                                          selection()));
}

std::unique_ptr<QMimeData> TableEditor::copySelection() const
{
    auto data = std::make_unique<QMimeData>();
    const FlexGrid::Block block = m_grid.selectedBlock();
    if (block.top < 1)
        return data;
    ExchangeBlock cells;
    cells.rows = block.bottom - block.top + 1;
    cells.cols = block.right - block.left + 1;
    cells.cells.reserve(static_cast<size_t>(cells.rows) * static_cast<size_t>(cells.cols));
    for (int r = block.top; r <= block.bottom; ++r) {
        for (int c = block.left; c <= block.right; ++c) {
            ExchangeCell cell{m_grid.textMatrix(r, c), std::nullopt};
            if (c >= kFirstBandColumn || c == kNumberColumn)
                cell.number = wholeNumber(cell.text);
            else if (c == kColorColumn && !cell.text.isEmpty())
                cell.text = colorHexText(m_library->materialColors[static_cast<size_t>(r)]);
            cells.cells.push_back(std::move(cell));
        }
    }
    offerBlock(*data, cells, m_grid.clip());
    return data;
}

TableEditor::PasteOutcome TableEditor::paste(const QMimeData &data)
{
    return paste(readOfferedBlock(data));
}

TableEditor::PasteOutcome TableEditor::paste(const ExchangeBlock &source)
{
    PasteOutcome outcome{PasteReport(m_quantity), false};
    PasteReport &report = outcome.report;
    FlexGrid::Block block = m_grid.selectedBlock();
    if (!m_loaded || source.rows < 1 || source.cols < 1 || block.top < 1)
        return outcome;
    const bool singleCell = block.top == block.bottom && block.left == block.right;
    if (singleCell && (source.rows > 1 || source.cols > 1)) {
        block.bottom = std::min(block.top + source.rows - 1, m_grid.rows() - 1);
        block.right = std::min(block.left + source.cols - 1, m_grid.cols() - 1);
        m_grid.setSelectionEnd(block.bottom, block.right);
    }
    const int height = std::min(source.rows, block.bottom - block.top + 1);
    const int width = std::min(source.cols, block.right - block.left + 1);
    const int top = block.top;
    const int bottom = std::min(top + height - 1, kMaxMaterials);
    const int firstCol = std::max(block.left, kFirstBandColumn);
    const int lastCol = std::min(block.left + width - 1, kLastBandColumn);
    const bool names = block.left <= kNameColumn && kNameColumn <= block.left + width - 1;
    const SliceShape shape = valuesShape(top, bottom, m_quantity, bandOfColumn(firstCol),
                                         bandOfColumn(lastCol), names);
    LibrarySlice before = captureSlice(*m_library, shape);

    int lastStored = 0; // rows below the last material join the library only when they got something
    for (int n = top; n <= bottom; ++n) {
        const int i = n - top;
        if (names) {
            lastStored = n;
            bool lossy = false;
            m_library->materialNames[static_cast<size_t>(n)] =
                encodeCp1252(pastedName(source.at(i, kNameColumn - block.left).text), &lossy);
            outcome.lossyNames = outcome.lossyNames || lossy;
        }
        for (int c = firstCol; c <= lastCol; ++c) {
            const int band = bandOfColumn(c);
            const PastedValue pasted = readPastedCell(source.at(i, c - block.left));
            if (pasted.kind == PastedKind::NotANumber) {
                report.note(PasteNote::SkippedText, n, band);
                continue;
            }
            if (storeBandValue(*m_library, n, band, m_quantity, pasted.value) !=
                StoreResult::Stored) {
                report.note(PasteNote::SkippedOutOfRange, n, band);
                continue;
            }
            if (pasted.kind == PastedKind::DecimalComma)
                report.note(PasteNote::DecimalComma, n, band);
            report.checkStored(n, band, pasted.value);
            lastStored = n;
        }
    }
    m_library->materialCount = std::max(m_library->materialCount, lastStored);
    LibrarySlice after = captureSlice(*m_library, shape);
    if (!sameContents(before, after))
        m_history.push(new PasteCommand(*this, height, width, std::move(before),
                                        std::move(after), selection()));
    return outcome;
}

bool TableEditor::importMaterial(const LumeoReadResult &values, const QString &name,
                                 bool *lossyName)
{
    if (m_library->materialCount >= kMaxMaterials)
        return false;
    const int n = m_library->materialCount + 1;
    const auto slot = static_cast<size_t>(n);
    const SliceShape shape{n,    n,   ValueTable::Absorption, kLumeoFirstBand,
                           kLumeoFirstBand + kLumeoBandCount - 1, true, true};
    LibrarySlice before = captureSlice(*m_library, shape);
    m_library->materialCount = n;
    for (int k = 0; k < kLumeoBandCount; ++k)
        m_library->alphaR[slot][static_cast<size_t>(kLumeoFirstBand + k)] =
            values.values[static_cast<size_t>(k)];
    m_library->materialNames[slot] = encodeCp1252(name, lossyName);
    m_library->materialColors[slot] = m_importColors.nextColor();
    m_library->hasAlpha[slot] = true;

    const bool firstTab = m_quantity == Quantity::TrueAbsorption;
    const CellSelection where{n, firstTab ? kLastBandColumn : kColorColumn,
                              n, firstTab ? kLastBandColumn : kColorColumn};
    m_history.push(new ImportCommand(*this, decodeCp1252(m_library->materialNames[slot]),
                                     std::move(before), captureSlice(*m_library, shape), where));
    if (firstTab) {
        // The new row shows its values as the cell editor writes them until the next refresh.
        for (int band = 1; band <= kBandCount; ++band)
            m_grid.setTextMatrix(n, columnOfBand(band),
                                 formatNumber(m_library->alphaR[slot][static_cast<size_t>(band)],
                                              patterns::kEditor));
        loadCellEditor();
    } else {
        m_quantity = Quantity::TrueAbsorption;
        emit quantitySwitched(m_quantity);
    }
    return true;
}

void TableEditor::undo()
{
    if (m_loaded)
        m_history.undo();
}

void TableEditor::redo()
{
    if (m_loaded)
        m_history.redo();
}

void TableEditor::applyStep(const LibrarySlice &slice, const CellSelection &where)
{
    applySlice(*m_library, slice);
    redrawRows(slice.shape.top, slice.shape.bottom);
    restoreSelection(where);
    loadCellEditor();
    emit spectrumChanged();
}

void TableEditor::redrawRows(int top, int bottom)
{
    GridModel &model = *m_grid.gridModel();
    if (top < 1 || bottom < top || model.gridRows() <= kMaxMaterials)
        return;
    for (int n = top; n <= bottom; ++n) {
        const auto slot = static_cast<size_t>(n);
        model.setTextSilently(n, kNameColumn, decodeCp1252(m_library->materialNames[slot]));
        model.setTextColorSilently(n, kColorColumn, m_library->materialColors[slot]);
        for (int band = 1; band <= kBandCount; ++band)
            model.setTextSilently(n, columnOfBand(band),
                                  bandCellText(*m_library, n, band, m_quantity));
    }
    model.notifyChanged(top, kNameColumn, bottom, kLastBandColumn);
}

} // namespace quillon
