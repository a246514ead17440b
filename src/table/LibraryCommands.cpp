#include "LibraryCommands.h"

#include "QuantityTable.h"
#include "TableEditor.h"

#include <QCoreApplication>

namespace quillon {

namespace {

enum FlagBit : std::uint8_t { kAlphaBit = 1, kInsulationBit = 2, kScatteringBit = 4 };

std::array<BandRow, kMaxMaterials + 1> &tableRows(MaterialLibrary &library, ValueTable table)
{
    switch (table) {
    case ValueTable::Insulation:
        return library.insulationR;
    case ValueTable::Scattering:
        return library.scattering;
    case ValueTable::Absorption:
        break;
    }
    return library.alphaR;
}

const std::array<BandRow, kMaxMaterials + 1> &tableRows(const MaterialLibrary &library,
                                                        ValueTable table)
{
    return tableRows(const_cast<MaterialLibrary &>(library), table);
}

} // namespace

ValueTable valueTableOf(Quantity quantity)
{
    switch (quantity) {
    case Quantity::Insulation:
        return ValueTable::Insulation;
    case Quantity::Scattering:
        return ValueTable::Scattering;
    case Quantity::TrueAbsorption:
    case Quantity::SabineAbsorption:
        break;
    }
    return ValueTable::Absorption;
}

LibrarySlice captureSlice(const MaterialLibrary &library, const SliceShape &shape)
{
    LibrarySlice slice;
    slice.shape = shape;
    slice.materialCount = library.materialCount;
    const auto &rows = tableRows(library, shape.table);
    for (int n = shape.top; n <= shape.bottom; ++n) {
        const auto slot = static_cast<size_t>(n);
        slice.flags.push_back(static_cast<std::uint8_t>(
            (library.hasAlpha[slot] ? kAlphaBit : 0) |
            (library.hasInsulation[slot] ? kInsulationBit : 0) |
            (library.hasScattering[slot] ? kScatteringBit : 0)));
        for (int band = shape.firstBand; band <= shape.lastBand; ++band)
            slice.values.push_back(rows[slot][static_cast<size_t>(band)]);
        if (shape.names)
            slice.names.push_back(library.materialNames[slot]);
        if (shape.colors)
            slice.colors.push_back(library.materialColors[slot]);
    }
    return slice;
}

void applySlice(MaterialLibrary &library, const LibrarySlice &slice)
{
    const SliceShape &shape = slice.shape;
    library.materialCount = slice.materialCount;
    auto &rows = tableRows(library, shape.table);
    size_t value = 0;
    for (int n = shape.top; n <= shape.bottom; ++n) {
        const auto slot = static_cast<size_t>(n);
        const auto i = static_cast<size_t>(n - shape.top);
        const std::uint8_t flags = slice.flags[i];
        library.hasAlpha[slot] = flags & kAlphaBit;
        library.hasInsulation[slot] = flags & kInsulationBit;
        library.hasScattering[slot] = flags & kScatteringBit;
        for (int band = shape.firstBand; band <= shape.lastBand; ++band)
            rows[slot][static_cast<size_t>(band)] = slice.values[value++];
        if (shape.names)
            library.materialNames[slot] = slice.names[i];
        if (shape.colors)
            library.materialColors[slot] = slice.colors[i];
    }
}

LibraryCommand::LibraryCommand(TableEditor &editor, const QString &text, LibrarySlice before,
                               LibrarySlice after, const CellSelection &selection)
    : QUndoCommand(text), m_editor(editor), m_before(std::move(before)),
      m_after(std::move(after)), m_selection(selection)
{
}

void LibraryCommand::undo()
{
    m_editor.applyStep(m_before, m_selection);
}

void LibraryCommand::redo()
{
    m_editor.applyStep(m_after, m_selection);
}

EditValueCommand::EditValueCommand(TableEditor &editor, int material, int band,
                                   const QString &shown, LibrarySlice before, LibrarySlice after,
                                   const CellSelection &selection)
    : LibraryCommand(editor,
                     QStringLiteral("entry of %1 in material %2 at %3")
                         .arg(shown)
                         .arg(materialNumber(material))
                         .arg(QLatin1String(bandText(kBandNames, band))),
                     std::move(before), std::move(after), selection)
{
}

RenameCommand::RenameCommand(TableEditor &editor, int material, LibrarySlice before,
                             LibrarySlice after, const CellSelection &selection)
    : LibraryCommand(editor, QStringLiteral("name of material %1").arg(materialNumber(material)),
                     std::move(before), std::move(after), selection)
{
}

RecolorCommand::RecolorCommand(TableEditor &editor, int material, LibrarySlice before,
                               LibrarySlice after, const CellSelection &selection)
    : LibraryCommand(editor,
                     QStringLiteral("colour of material %1").arg(materialNumber(material)),
                     std::move(before), std::move(after), selection)
{
}

PasteCommand::PasteCommand(TableEditor &editor, int rows, int cols, LibrarySlice before,
                           LibrarySlice after, const CellSelection &selection)
    : LibraryCommand(editor, QStringLiteral("paste of %1 \u00d7 %2 cells").arg(rows).arg(cols),
                     std::move(before), std::move(after), selection)
{
}

ImportCommand::ImportCommand(TableEditor &editor, const QString &name, LibrarySlice before,
                             LibrarySlice after, const CellSelection &selection)
    : LibraryCommand(editor, QStringLiteral("import of \"%1\"").arg(name), std::move(before),
                     std::move(after), selection)
{
}

} // namespace quillon
