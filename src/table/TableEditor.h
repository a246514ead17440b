#pragma once

#include "FlexGrid.h"
#include "LibraryCommands.h"
#include "LumeoImport.h"
#include "MaterialLibrary.h"
#include "SpreadsheetExchange.h"

#include <QObject>
#include <QUndoStack>

#include <memory>

class QLineEdit;
class QMimeData;

namespace quillon {

// The editing core behind the window: it owns the library and its history, applies every
// change through the history, and keeps the table and the cell editor showing the library.
// The window forwards its controls' events here and redraws the chart when told.
class TableEditor : public QObject {
    Q_OBJECT
public:
    TableEditor(FlexGrid &grid, QLineEdit &cellEditor, QObject *parent = nullptr);
    ~TableEditor() override;

    MaterialLibrary &library() { return *m_library; }
    const MaterialLibrary &library() const { return *m_library; }
    QUndoStack &history() { return m_history; }

    Quantity quantity() const { return m_quantity; }
    void setQuantity(Quantity quantity) { m_quantity = quantity; }
    bool tableReady() const { return m_tableReady; }
    void setTableReady(bool ready) { m_tableReady = ready; }
    bool isLoaded() const { return m_loaded; }

    // After the files were read into library(): the table's rows, numbers, names and swatches,
    // the current cell on the first band of the first material, and an empty, saved history.
    void layOutTable(int nameColumnTwips);
    // The history's present state is what the files hold.
    void markSaved();

    // Rewrites the band columns for quantity(); the current cell and the selection stay.
    void refreshBandColumns();
    void loadCellEditor();
    void startEntry(QChar character);

    enum class CommitResult { Stored, Nothing, Refused, LossyName };
    CommitResult commitCellEdit();

    // Loads the swatch into the cell editor and returns the current material's colour, or
    // nothing when the current cell is no swatch of a material row.
    std::optional<MaterialColor> beginColorChoice();
    void setMaterialColor(int material, MaterialColor color);

    // The selected block as tab-separated text, as SYLK and as Gnumeric's flavour.
    std::unique_ptr<QMimeData> copySelection() const;
    struct PasteOutcome {
        PasteReport report;
        bool lossyNames = false; // a name held characters the files cannot store
    };
    // Prefers Gnumeric's flavour, then SYLK, then the text.
    PasteOutcome paste(const QMimeData &data);
    PasteOutcome paste(const ExchangeBlock &block);

    // Appends a material read from a Lumeo file; false when the library is full.
    bool importMaterial(const LumeoReadResult &values, const QString &name, bool *lossyName);

    void undo();
    void redo();

    // Applies one step of the history and shows it; for the commands.
    void applyStep(const LibrarySlice &slice, const CellSelection &selection);

signals:
    // The chart should show the current row again.
    void spectrumChanged();
    // The import switched the shown quantity; the tab strip should follow.
    void quantitySwitched(Quantity quantity);
    // Unsaved changes appeared or went away.
    void savedChanged(bool saved);

private:
    void onCurrentCellChanged();
    void onCellClicked();
    CellSelection selection() const;
    void restoreSelection(const CellSelection &selection);
    void redrawRows(int top, int bottom);
    void updateSaved();

    FlexGrid &m_grid;
    QLineEdit &m_cell;
    std::unique_ptr<MaterialLibrary> m_library;
    QUndoStack m_history;
    ImportColorSource m_importColors;
    Quantity m_quantity = Quantity::TrueAbsorption;
    bool m_tableReady = false;
    bool m_loaded = false;
};

} // namespace quillon
