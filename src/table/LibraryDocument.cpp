#include "LibraryDocument.h"

#include "BandPaste.h"
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

// The bands a change of values touches. A step that first marks a material's scattering values
// stores the default its other bands showed, so it keeps whole rows.
SliceShape valuesShape(int top, int bottom, Quantity quantity, int firstBand, int lastBand,
                       bool names)
{
    const ValueTable table = quantityTraits(quantity).table;
    if (table == ValueTable::Scattering)
        return {top, bottom, table, 1, kBandCount, names, false};
    return {top, bottom, table, firstBand, lastBand, names, false};
}

// What differs between two slices of one shape, in material numbers.
MaterialChange difference(const SliceShape &shape, const LibrarySlice &before,
                          const LibrarySlice &after)
{
    MaterialChange change{kMaxMaterials, -1};
    change.table = shape.table;
    change.firstBand = kBandCount + 1;
    const int bands = std::max(shape.lastBand - shape.firstBand + 1, 0);
    auto touch = [&change](int n) {
        change.first = std::min(change.first, materialNumber(n));
        change.last = std::max(change.last, materialNumber(n));
    };
    for (int n = shape.top; n <= shape.bottom; ++n) {
        const auto i = static_cast<size_t>(n - shape.top);
        const bool groups = before.groups[i] != after.groups[i];
        const bool names = shape.names && before.names[i] != after.names[i];
        const bool colors = shape.colors && before.colors[i] != after.colors[i];
        bool values = false;
        for (int k = 0; k < bands; ++k) {
            const size_t v = i * size_t(bands) + size_t(k);
            if (before.values[v] != after.values[v]) {
                values = true;
                change.firstBand = std::min(change.firstBand, shape.firstBand + k);
                change.lastBand = std::max(change.lastBand, shape.firstBand + k);
            }
        }
        if (groups || names || colors || values)
            touch(n);
        change.groups = change.groups || groups;
        change.names = change.names || names;
        change.colors = change.colors || colors;
    }
    return change;
}

} // namespace

// One step of the history: redo() makes the change, undo() puts back the part of the library
// it touched as it was before.
class LibraryStep : public QUndoCommand {
public:
    using Change = std::function<void(MaterialLibrary &)>;
    // An entry is kept even when it stores the value there was: its cell shows it as entered.
    LibraryStep(LibraryDocument &document, const QString &text, const SliceShape &shape,
                Change change, std::optional<MaterialChange> entry = std::nullopt)
        : QUndoCommand(text), m_document(document), m_shape(shape), m_change(std::move(change)),
          m_entry(entry)
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
            if (after == m_before && !m_entry) {
                setObsolete(true);
                return;
            }
            m_changed = difference(m_shape, m_before, after);
            if (m_changed.first > m_changed.last && m_entry)
                m_changed = *m_entry;
        }
        emit m_document.materialsChanged(m_changed);
    }
    void undo() override
    {
        restoreSlice(*m_document.m_library, m_shape, m_before);
        emit m_document.materialsChanged(m_changed);
    }

private:
    LibraryDocument &m_document;
    SliceShape m_shape;
    Change m_change;
    std::optional<MaterialChange> m_entry;
    LibrarySlice m_before;
    MaterialChange m_changed;
    bool m_firstRedo = true;
};

LibraryDocument::LibraryDocument(const QString &folder, QObject *parent)
    : QObject(parent), m_folder(folder), m_library(std::make_unique<MaterialLibrary>())
{
    connect(&m_history, &QUndoStack::cleanChanged, this, [this] { emit savedChanged(isSaved()); });
}

LibraryDocument::~LibraryDocument() = default;

void LibraryDocument::setFolder(const QString &folder)
{
    m_folder = folder;
}

LoadOutcome LibraryDocument::load(LoadMode mode)
{
    LoadOutcome outcome = loadLibraryFiles(materialPath(), colorPath(), *m_library, mode);
    if (outcome.ok) {
        m_loaded = true;
        m_stamps = outcome.stamps;
        m_history.clear();
        markSaved();
        emit loaded();
    }
    return outcome;
}

SaveOutcome LibraryDocument::save(const Consent &agree, const SaveOptions &givenOptions)
{
    LibraryStamps known = m_stamps;
    SaveOptions options = givenOptions;
    SaveOutcome outcome;
    if (m_readOnly) {
        outcome.message = QStringLiteral("The library is read-only: nothing was saved.");
        return outcome;
    }
    // The save itself checks for another program's change while it holds the library's lock.
    while ((outcome = saveLibraryFiles(materialPath(), colorPath(), *m_library, known, options))
               .status == SaveStatus::NeedsConsent) {
        if (!agree(outcome.message))
            return outcome;
        agreeToOverwrite(outcome, known, options);
    }
    m_stamps = outcome.stamps;
    if (outcome.ok)
        markSaved();
    return outcome;
}

void LibraryDocument::markSaved()
{
    const bool wasClean = m_history.isClean();
    m_history.setClean();
    if (wasClean)
        emit savedChanged(isSaved());
}

void LibraryDocument::push(QUndoCommand *step)
{
    if (m_readOnly) {
        delete step;
        return;
    }
    m_history.push(step);
}

namespace {

bool isMaterial(int material)
{
    return material >= 0 && material < kMaxMaterials;
}

LibraryStep::Change raiseCount(int n)
{
    return [n](MaterialLibrary &library) {
        library.materialCount = std::max(library.materialCount, n);
    };
}

} // namespace

LibraryDocument::EditResult LibraryDocument::enterValue(int material, int band, Quantity quantity,
                                                        const QString &typed, QString *shown)
{
    if (m_readOnly)
        return EditResult::Refused;
    if (!isMaterial(material) || band < 1 || band > kBandCount)
        return EditResult::Unchanged;
    const int n = materialIndex(material);
    const double entered = parseLeadingNumber(QStringView(typed));
    *shown = formatNumber(entered, patterns::kEditor);
    // Nothing is stored that the library could not hold or turn back into a value.
    const auto stored = storableValue(quantity, parseLeadingNumber(QStringView(*shown)));
    if (!toStoredFloat(entered) || !stored)
        return EditResult::Refused;
    SliceShape shape = valuesShape(n, n, quantity, band, band, false);
    push(new LibraryStep(
        *this,
        QStringLiteral("entry of %1 in material %2 at %3")
            .arg(*shown)
            .arg(material)
            .arg(QLatin1String(bandText(kBandNames, band))),
        shape,
        [=, raise = raiseCount(n)](MaterialLibrary &library) {
            storeBandValue(library, n, band, quantity, *stored);
            raise(library);
        },
        MaterialChange{material, material, false, false, false, shape.table, band, band}));
    return EditResult::Stored;
}

LibraryDocument::EditResult LibraryDocument::rename(int material, const QString &typed)
{
    if (m_readOnly)
        return EditResult::Refused;
    if (!isMaterial(material))
        return EditResult::Unchanged;
    const int n = materialIndex(material);
    bool lossy = false;
    const QByteArray name = encodeCp1252(typed, &lossy);
    push(new LibraryStep(*this, QStringLiteral("name of material %1").arg(material),
                         {n, n, ValueTable::Absorption, 1, 0, true, false},
                         [=, raise = raiseCount(n)](MaterialLibrary &library) {
                             library.materialNames[size_t(n)] = name;
                             raise(library);
                         }));
    return lossy ? EditResult::LossyName : EditResult::Stored;
}

void LibraryDocument::extendTo(int material)
{
    if (!isMaterial(material))
        return;
    const int n = materialIndex(material);
    push(new LibraryStep(*this, QStringLiteral("materials up to %1").arg(material), {n, n},
                         raiseCount(n)));
}

void LibraryDocument::recolour(int material, MaterialColor color)
{
    if (!isMaterial(material))
        return;
    const int n = materialIndex(material);
    push(new LibraryStep(
        *this, QStringLiteral("colour of material %1").arg(material),
        {n, n, ValueTable::Absorption, 1, 0, false, true},
        [=](MaterialLibrary &library) { library.materialColors[size_t(n)] = color; }));
}
namespace {

// Where a paste writes: materials top..bottom (indices), and their names and bands.
struct PasteArea {
    int top = 1;
    int bottom = 0;
    bool names = false;
    int firstBand = 1;
    int lastBand = 0;
    int height = 0;
    int width = 0;
    int left = 0; // the block's first field
};

// A single field grows to the block's size; a larger target takes what fits of the block.
PasteArea pasteArea(MaterialBlock &target, const ExchangeBlock &source)
{
    if (target.isSingle() && (source.rows > 1 || source.cols > 1)) {
        target.endMaterial = std::min(target.material + source.rows - 1, kMaxMaterials - 1);
        target.endField = std::min(target.field + source.cols - 1, kLastBandField);
    }
    PasteArea area;
    area.height = std::min(source.rows, target.last() - target.first() + 1);
    area.width = std::min(source.cols, target.lastField() - target.firstField() + 1);
    area.left = target.firstField();
    area.top = materialIndex(target.first());
    area.bottom = std::min(area.top + area.height - 1, kMaxMaterials);
    area.firstBand = std::max(area.left, kFirstBandField) - kFirstBandField + 1;
    area.lastBand = std::min(area.left + area.width - 1, kLastBandField) - kFirstBandField + 1;
    area.names = area.left <= kNameField && kNameField <= area.left + area.width - 1;
    return area;
}

struct PastedCells {
    std::vector<QByteArray> names;
    std::vector<std::optional<float>> values; // by material, then band
    int lastStored = 0; // rows below the last material join only when they got something
};

PastedCells readPastedCells(const MaterialLibrary &library, const PasteArea &area,
                            const ExchangeBlock &source, Quantity quantity,
                            LibraryDocument::PasteOutcome &outcome)
{
    PastedCells cells;
    const int bands = std::max(area.lastBand - area.firstBand + 1, 0);
    cells.values.reserve(static_cast<size_t>((area.bottom - area.top + 1) * bands));
    for (int n = area.top; n <= area.bottom; ++n) {
        const int i = n - area.top;
        if (area.names) {
            bool lossy = false;
            cells.names.push_back(
                encodeCp1252(pastedName(source.at(i, kNameField - area.left).text), &lossy));
            outcome.lossyNames = outcome.lossyNames || lossy;
            cells.lastStored = cells.names.back().isEmpty() ? cells.lastStored : n;
        }
        const int firstSourceField = area.firstBand + kFirstBandField - 1 - area.left;
        if (repeatsShownDefault(library, n, quantity, source, i, firstSourceField,
                                firstSourceField + bands - 1)) {
            cells.values.resize(cells.values.size() + size_t(bands));
            continue;
        }
        for (int band = area.firstBand; band <= area.lastBand; ++band) {
            const int field = band + kFirstBandField - 1;
            const PastedValue pasted = readPastedCell(source.at(i, field - area.left));
            std::optional<float> stored;
            if (pasted.kind == PastedKind::NotANumber) {
                outcome.report.note(PasteNote::SkippedText, n, band);
            } else if (!(stored = storableValue(quantity, pasted.value))) {
                outcome.report.note(PasteNote::SkippedOutOfRange, n, band);
            } else {
                if (pasted.kind == PastedKind::DecimalComma)
                    outcome.report.note(PasteNote::DecimalComma, n, band);
                outcome.report.checkStored(n, band, pasted.value);
                cells.lastStored = n;
            }
            cells.values.push_back(stored);
        }
    }
    return cells;
}

} // namespace

LibraryDocument::PasteOutcome LibraryDocument::paste(const MaterialBlock &target,
                                                     const ExchangeBlock &source, Quantity quantity)
{
    PasteOutcome outcome{PasteReport(quantity), false, target};
    if (!m_loaded || m_readOnly || source.rows < 1 || source.cols < 1)
        return outcome;
    if (std::optional<BandPaste> read = readBandPaste(
            *m_library, source, materialIndex(target.first()), quantity, outcome.report)) {
        if (read->bottom < read->top)
            return outcome;
        outcome.lossyNames = read->lossyNames;
        outcome.target = {materialNumber(read->top), read->hasNames ? kNameField : kFirstBandField,
                          materialNumber(read->bottom), kLastBandField};
        const int count = read->bottom - read->top + 1;
        push(new LibraryStep(
            *this,
            count == 1 ? u"paste of 1 material by band"_qs
                       : QStringLiteral("paste of %1 materials by band").arg(count),
            valuesShape(read->top, read->bottom, quantity, 1, kBandCount, read->hasNames),
            [quantity, bands = std::move(*read)](MaterialLibrary &library) {
                storeBandPaste(library, bands, quantity);
            }));
        return outcome;
    }
    const PasteArea area = pasteArea(outcome.target, source);
    PastedCells cells = readPastedCells(*m_library, area, source, quantity, outcome);
    push(new LibraryStep(
        *this, QStringLiteral("paste of %1 \u00d7 %2 cells").arg(area.height).arg(area.width),
        valuesShape(area.top, area.bottom, quantity, area.firstBand, area.lastBand, area.names),
        [=, cells = std::move(cells)](MaterialLibrary &library) {
            size_t value = 0;
            for (int n = area.top; n <= area.bottom; ++n) {
                if (!cells.names.empty())
                    library.materialNames[size_t(n)] = cells.names[size_t(n - area.top)];
                for (int band = area.firstBand; band <= area.lastBand; ++band, ++value) {
                    if (cells.values[value])
                        storeBandValue(library, n, band, quantity, *cells.values[value]);
                }
            }
            library.materialCount = std::max(library.materialCount, cells.lastStored);
        }));
    return outcome;
}

LibraryDocument::PasteOutcome LibraryDocument::paste(const MaterialBlock &target,
                                                     const QMimeData &data, Quantity quantity)
{
    return paste(target, readOfferedBlock(data), quantity);
}

std::optional<int> LibraryDocument::importMaterial(const LumeoReadResult &values,
                                                   const QString &name, bool *lossyName)
{
    if (m_readOnly || m_library->materialCount >= kMaxMaterials)
        return std::nullopt;
    const int n = m_library->materialCount + 1;
    const QByteArray stored = encodeCp1252(name, lossyName);
    const MaterialColor color = m_importColors.nextColor();
    push(new LibraryStep(*this, QStringLiteral("import of \"%1\"").arg(decodeCp1252(stored)),
                         {n, n, ValueTable::Absorption, kLumeoFirstBand,
                          kLumeoFirstBand + kLumeoBandCount - 1, true, true},
                         [=](MaterialLibrary &library) {
                             const auto slot = static_cast<size_t>(n);
                             library.materialCount = n;
                             for (int k = 0; k < kLumeoBandCount; ++k)
                                 library.alphaR[slot][size_t(kLumeoFirstBand + k)] =
                                     values.values[size_t(k)];
                             library.materialNames[slot] = stored;
                             library.materialColors[slot] = color;
                             library.hasAlpha[slot] = true;
                         }));
    return materialNumber(n);
}

} // namespace quillon
