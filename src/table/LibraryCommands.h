#pragma once

#include "MaterialLibrary.h"

#include <QByteArray>
#include <QString>
#include <QUndoCommand>

#include <cstdint>
#include <vector>

namespace quillon {

class TableEditor;

// The table that holds a quantity's values; the "Sabine" tab edits the absorption table.
enum class ValueTable { Absorption, Insulation, Scattering };
ValueTable valueTableOf(Quantity quantity);

// The current cell and the other corner of the selected block.
struct CellSelection {
    int row = 0;
    int col = 0;
    int endRow = 0;
    int endCol = 0;
};

// Which part of the library a step touches: rows top..bottom, their flags and count, and
// optionally their names, colours and a band range of one value table.
struct SliceShape {
    int top = 1;
    int bottom = 0;
    ValueTable table = ValueTable::Absorption;
    int firstBand = 1;
    int lastBand = 0; // below firstBand: no values
    bool names = false;
    bool colors = false;
};

// That part's contents at one moment.
struct LibrarySlice {
    SliceShape shape;
    int materialCount = 0;
    std::vector<std::uint8_t> flags;
    std::vector<float> values;
    std::vector<QByteArray> names;
    std::vector<MaterialColor> colors;
};

LibrarySlice captureSlice(const MaterialLibrary &library, const SliceShape &shape);
void applySlice(MaterialLibrary &library, const LibrarySlice &slice);

// One step of the history: the slice before and after it, and the selection it was made in.
// Subclasses differ only in what they are called; each stores just the cells it changed.
class LibraryCommand : public QUndoCommand {
public:
    LibraryCommand(TableEditor &editor, const QString &text, LibrarySlice before,
                   LibrarySlice after, const CellSelection &selection);
    void undo() override;
    void redo() override;

private:
    TableEditor &m_editor;
    LibrarySlice m_before;
    LibrarySlice m_after;
    CellSelection m_selection;
};

class EditValueCommand : public LibraryCommand {
public:
    EditValueCommand(TableEditor &editor, int material, int band, const QString &shown,
                     LibrarySlice before, LibrarySlice after, const CellSelection &selection);
};

class RenameCommand : public LibraryCommand {
public:
    RenameCommand(TableEditor &editor, int material, LibrarySlice before, LibrarySlice after,
                  const CellSelection &selection);
};

class RecolorCommand : public LibraryCommand {
public:
    RecolorCommand(TableEditor &editor, int material, LibrarySlice before, LibrarySlice after,
                   const CellSelection &selection);
};

class PasteCommand : public LibraryCommand {
public:
    PasteCommand(TableEditor &editor, int rows, int cols, LibrarySlice before, LibrarySlice after,
                 const CellSelection &selection);
};

class ImportCommand : public LibraryCommand {
public:
    ImportCommand(TableEditor &editor, const QString &name, LibrarySlice before,
                  LibrarySlice after, const CellSelection &selection);
};

} // namespace quillon
