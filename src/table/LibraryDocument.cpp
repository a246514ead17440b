#include "LibraryDocument.h"

#include "Cp1252.h"
#include "NumberFormat.h"
#include "QuantityTraits.h"

#include <QMimeData>
#include <functional>

namespace quillon {

namespace {

// Which part of the library a step touches: rows top..bottom with their groups and the
// count, and optionally their names, colours and a band range of one value table.
struct SliceShape {
    int top = 1;
    int bottom = 0;
    ValueTable table = ValueTable::Absorption;
    int firstBand = 1;
    int lastBand = 0; // below firstBand: no values
    bool names = false;
    bool colors = false;
};

struct LibrarySlice {
    int materialCount = 0;
    std::vector<std::uint8_t> groups;
    std::vector<float> values;
    std::vector<QByteArray> names;
    std::vector<MaterialColor> colors;

    bool operator==(const LibrarySlice &) const = default;
};

LibrarySlice captureSlice(const MaterialLibrary &library, const SliceShape &shape)
{
    LibrarySlice slice;
    slice.materialCount = library.materialCount;
    for (int n = shape.top; n <= shape.bottom; ++n) {
        const auto slot = static_cast<size_t>(n);
        slice.groups.push_back(valueGroups(library, n));
        const BandRow &row = valueRow(library, shape.table, n);
        for (int band = shape.firstBand; band <= shape.lastBand; ++band)
            slice.values.push_back(row[static_cast<size_t>(band)]);
        if (shape.names)
            slice.names.push_back(library.materialNames[slot]);
        if (shape.colors)
            slice.colors.push_back(library.materialColors[slot]);
    }
    return slice;
}

void restoreSlice(MaterialLibrary &library, const SliceShape &shape, const LibrarySlice &slice)
{
    library.materialCount = slice.materialCount;
    size_t value = 0;
    for (int n = shape.top; n <= shape.bottom; ++n) {
        const auto slot = static_cast<size_t>(n);
        const auto i = static_cast<size_t>(n - shape.top);
        setValueGroups(library, n, slice.groups[i]);
        BandRow &row = valueRow(library, shape.table, n);
        for (int band = shape.firstBand; band <= shape.lastBand; ++band)
            row[static_cast<size_t>(band)] = slice.values[value++];
        if (shape.names)
            library.materialNames[slot] = slice.names[i];
        if (shape.colors)
            library.materialColors[slot] = slice.colors[i];
    }
}

// The rows and bands a change of values touches. A step that first marks a material's
// scattering values stores the default its other bands showed, so it keeps whole rows.
SliceShape valuesShape(int top, int bottom, Quantity quantity, int firstBand, int lastBand,
                       bool names)
{
    const ValueTable table = quantityTraits(quantity).table;
    if (table == ValueTable::Scattering)
        return {top, bottom, table, 1, kBandCount, names, false};
    return {top, bottom, table, firstBand, lastBand, names, false};
}

} // namespace

// One step of the history: redo() makes the change, undo() puts back the part of the library
// it touched as it was before.
class LibraryStep : public QUndoCommand {
public:
    using Change = std::function<void(MaterialLibrary &)>;
    LibraryStep(LibraryDocument &document, const QString &text, const SliceShape &shape,
                const CellRange &selection, Change change, bool keptUnchanged = false)
        : QUndoCommand(text), m_document(document), m_shape(shape), m_selection(selection),
          m_change(std::move(change)), m_keptUnchanged(keptUnchanged)
    {
    }

    void redo() override
    {
        MaterialLibrary &library = *m_document.m_library;
        m_before = captureSlice(library, m_shape);
        m_change(library);
        if (m_firstRedo) {
            m_firstRedo = false;
            const LibrarySlice after = captureSlice(library, m_shape);
            // A step that changes nothing is not kept, except an entry.
            if (after == m_before && !m_keptUnchanged) {
                setObsolete(true);
                return;
            }
            m_groupsChanged = after.groups != m_before.groups;
        }
        announce();
    }
    void undo() override
    {
        restoreSlice(*m_document.m_library, m_shape, m_before);
        announce();
    }

private:
    void announce()
    {
        int first = kColumnCount;
        int last = -1;
        auto cover = [&](int from, int to) {
            first = std::min(first, from);
            last = std::max(last, to);
        };
        if (m_shape.names)
            cover(kNameColumn, kNameColumn);
        if (m_shape.colors)
            cover(kSwatchColumn, kSwatchColumn);
        if (m_groupsChanged)
            cover(kFirstBandColumn, kLastBandColumn);
        else if (m_shape.firstBand <= m_shape.lastBand)
            cover(columnOfBand(m_shape.firstBand), columnOfBand(m_shape.lastBand));
        emit m_document.stepApplied(rowOfMaterial(m_shape.top), rowOfMaterial(m_shape.bottom),
                                    first, last, m_selection);
    }

    LibraryDocument &m_document;
    SliceShape m_shape;
    CellRange m_selection;
    Change m_change;
    bool m_keptUnchanged;
    LibrarySlice m_before;
    bool m_firstRedo = true;
    bool m_groupsChanged = false;
};

LibraryDocument::LibraryDocument(QObject *parent)
    : QObject(parent), m_library(std::make_unique<MaterialLibrary>())
{
    connect(&m_history, &QUndoStack::cleanChanged, this, [this] { emit savedChanged(isSaved()); });
}

LibraryDocument::~LibraryDocument() = default;

LoadOutcome LibraryDocument::load(const QString &materialPath, const QString &colorPath,
                                  LoadMode mode)
{
    LoadOutcome outcome = loadLibraryFiles(materialPath, colorPath, *m_library, mode);
    if (outcome.ok) {
        m_loaded = true;
        m_history.clear();
        markSaved();
    }
    return outcome;
}

void LibraryDocument::markSaved()
{
    const bool wasClean = m_history.isClean();
    m_history.setClean();
    if (wasClean)
        emit savedChanged(isSaved());
}

void LibraryDocument::push(LibraryStep *step)
{
    m_history.push(step);
}

LibraryDocument::EditResult LibraryDocument::enter(const CellRange &where, Quantity quantity,
                                                   const QString &typed, QString *shown)
{
    const int n = materialOfRow(where.row);
    if (n < 1 || n > kMaxMaterials || where.column < 0)
        return EditResult::Unchanged;
    auto raiseCount = [n](MaterialLibrary &library) {
        library.materialCount = std::max(library.materialCount, n);
    };
    if (where.column >= kFirstBandColumn) {
        const int band = bandOfColumn(where.column);
        const double entered = parseLeadingNumber(QStringView(typed));
        *shown = formatNumber(entered, patterns::kEditor);
        // Nothing is stored that the library could not hold or turn back into a value.
        const auto stored = storableValue(quantity, parseLeadingNumber(QStringView(*shown)));
        if (!toStoredFloat(entered) || !stored)
            return EditResult::Refused;
        push(new LibraryStep(
            *this,
            QStringLiteral("entry of %1 in material %2 at %3")
                .arg(*shown)
                .arg(materialNumber(n))
                .arg(QLatin1String(bandText(kBandNames, band))),
            valuesShape(n, n, quantity, band, band, false), where,
            [=](MaterialLibrary &library) {
                storeBandValue(library, n, band, quantity, *stored);
                raiseCount(library);
            },
            true));
        return EditResult::Stored;
    }
    if (where.column == kNameColumn) {
        bool lossy = false;
        const QByteArray name = encodeCp1252(typed, &lossy);
        push(new LibraryStep(*this, QStringLiteral("name of material %1").arg(materialNumber(n)),
                             {n, n, ValueTable::Absorption, 1, 0, true, false}, where,
                             [=](MaterialLibrary &library) {
                                 library.materialNames[size_t(n)] = name;
                                 raiseCount(library);
                             }));
        return lossy ? EditResult::LossyName : EditResult::Stored;
    }
    push(new LibraryStep(*this, QStringLiteral("materials up to %1").arg(materialNumber(n)), {n, n},
                         where, raiseCount));
    return EditResult::Stored;
}

void LibraryDocument::recolour(const CellRange &where, MaterialColor color)
{
    const int n = materialOfRow(where.row);
    if (n < 1 || n > kMaxMaterials)
        return;
    push(new LibraryStep(
        *this, QStringLiteral("colour of material %1").arg(materialNumber(n)),
        {n, n, ValueTable::Absorption, 1, 0, false, true}, where,
        [=](MaterialLibrary &library) { library.materialColors[size_t(n)] = color; }));
}

LibraryDocument::PasteOutcome LibraryDocument::paste(const CellRange &target,
                                                     const ExchangeBlock &source, Quantity quantity)
{
    PasteOutcome outcome{PasteReport(quantity), false, target};
    if (!m_loaded || source.rows < 1 || source.cols < 1)
        return outcome;
    CellRange &block = outcome.target;
    if (block.isSingleCell() && (source.rows > 1 || source.cols > 1)) {
        block.endRow = std::min(block.row + source.rows - 1, rowOfMaterial(kMaxMaterials));
        block.endColumn = std::min(block.column + source.cols - 1, kLastBandColumn);
    }
    const int height = std::min(source.rows, block.bottom() - block.top() + 1);
    const int width = std::min(source.cols, block.right() - block.left() + 1);
    const int left = block.left();
    const int top = materialOfRow(block.top());
    const int bottom = std::min(top + height - 1, kMaxMaterials);
    const int firstColumn = std::max(left, kFirstBandColumn);
    const int lastColumn = std::min(left + width - 1, kLastBandColumn);
    const bool names = left <= kNameColumn && kNameColumn <= left + width - 1;
    const int bands = std::max(lastColumn - firstColumn + 1, 0);

    std::vector<QByteArray> pastedNames;
    std::vector<std::optional<float>> values;
    values.reserve(static_cast<size_t>((bottom - top + 1) * bands));
    int lastStored =
        0; // rows below the last material join the library only when they got something
    for (int n = top; n <= bottom; ++n) {
        const int i = n - top;
        if (names) {
            bool lossy = false;
            pastedNames.push_back(
                encodeCp1252(pastedName(source.at(i, kNameColumn - left).text), &lossy));
            outcome.lossyNames = outcome.lossyNames || lossy;
            lastStored = pastedNames.back().isEmpty() ? lastStored : n;
        }
        if (repeatsShownDefault(*m_library, n, quantity, source, i, firstColumn - left,
                                lastColumn - left)) {
            values.resize(values.size() + size_t(bands));
            continue;
        }
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const int band = bandOfColumn(column);
            const PastedValue pasted = readPastedCell(source.at(i, column - left));
            std::optional<float> stored;
            if (pasted.kind == PastedKind::NotANumber) {
                outcome.report.note(PasteNote::SkippedText, n, band);
            } else if (!(stored = storableValue(quantity, pasted.value))) {
                outcome.report.note(PasteNote::SkippedOutOfRange, n, band);
            } else {
                if (pasted.kind == PastedKind::DecimalComma)
                    outcome.report.note(PasteNote::DecimalComma, n, band);
                outcome.report.checkStored(n, band, pasted.value);
                lastStored = n;
            }
            values.push_back(stored);
        }
    }
    push(new LibraryStep(
        *this, QStringLiteral("paste of %1 \u00d7 %2 cells").arg(height).arg(width),
        valuesShape(top, bottom, quantity, bandOfColumn(firstColumn), bandOfColumn(lastColumn),
                    names),
        block,
        [=, names = std::move(pastedNames), values = std::move(values)](MaterialLibrary &library) {
            size_t value = 0;
            for (int n = top; n <= bottom; ++n) {
                if (!names.empty())
                    library.materialNames[size_t(n)] = names[size_t(n - top)];
                for (int band = bandOfColumn(firstColumn); band <= bandOfColumn(lastColumn);
                     ++band, ++value) {
                    if (values[value])
                        storeBandValue(library, n, band, quantity, *values[value]);
                }
            }
            library.materialCount = std::max(library.materialCount, lastStored);
        }));
    return outcome;
}

LibraryDocument::PasteOutcome LibraryDocument::paste(const CellRange &target, const QMimeData &data,
                                                     Quantity quantity)
{
    return paste(target, readOfferedBlock(data), quantity);
}

bool LibraryDocument::importMaterial(const LumeoReadResult &values, const QString &name,
                                     Quantity shown, bool *lossyName)
{
    if (m_library->materialCount >= kMaxMaterials)
        return false;
    const int n = m_library->materialCount + 1;
    const QByteArray stored = encodeCp1252(name, lossyName);
    const MaterialColor color = m_importColors.nextColor();
    const int column = shown == Quantity::TrueAbsorption ? kLastBandColumn : kSwatchColumn;
    push(new LibraryStep(
        *this, QStringLiteral("import of \"%1\"").arg(decodeCp1252(stored)),
        {n, n, ValueTable::Absorption, kLumeoFirstBand, kLumeoFirstBand + kLumeoBandCount - 1, true,
         true},
        {rowOfMaterial(n), column, rowOfMaterial(n), column}, [=](MaterialLibrary &library) {
            const auto slot = static_cast<size_t>(n);
            library.materialCount = n;
            for (int k = 0; k < kLumeoBandCount; ++k)
                library.alphaR[slot][size_t(kLumeoFirstBand + k)] = values.values[size_t(k)];
            library.materialNames[slot] = stored;
            library.materialColors[slot] = color;
            library.hasAlpha[slot] = true;
        }));
    return true;
}

} // namespace quillon
