#pragma once

#include "LibraryStorage.h"
#include "LibraryTableModel.h"
#include "MaterialLibrary.h"
#include "UserDialogs.h"

#include <QLocale>
#include <QWidget>

#include <memory>
#include <vector>

class QAction;
class QLineEdit;
class QPushButton;
class QSessionManager;

namespace quillon {

class CommandButton;
class FindBar;
class LibraryDocument;
class MaterialTableView;
class PictureBox;
class SpectrumChart;
class TabStrip;

inline constexpr char kWindowCaption[] = "Quillon 2.0";
inline constexpr char kLoadCaption[] = "Load Materials";
inline constexpr char kImportCaption[] = "Import Lumeo Material";
inline constexpr char kHelpCaption[] = "Help";

// What the action button does, and so its caption.
enum class ActionMode { LoadMaterials, ImportLumeo, Help };

// The program's one window: its controls, and the document they show and edit.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    // dialogs: the window's way to ask the user and start programs; the real ones when null.
    explicit MainWindow(std::unique_ptr<UserDialogs> dialogs = nullptr, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Runs once before the window is first shown.
    void startUp(const QString &executableFolder, const QLocale &locale = QLocale::system());

    void loadLibrary();
    void refreshQuantityTable();
    void drawSpectrumChart();
    void commitCellEdit();
    void copySelection();
    void pasteSelection();
    void saveLibrary();
    void runActionButton();
    void setActionMode(ActionMode mode);
    void openManual();
    void chooseImportFile();
    void importLumeoMaterial(const QString &path);
    // True when the user agreed to leave.
    bool confirmExit();

    void undo();
    void redo();
    // Ctrl+F: the find field over the tab strip, once a library is loaded.
    void openFind();

    const MaterialLibrary &library() const;
    LibraryDocument &document() { return *m_document; }
    // Built when first needed: it is hidden until a library is loaded.
    MaterialTableView &table();
    const QString &installFolder() const { return m_installFolder; }
    const QString &lastImportPath() const { return m_lastImportPath; }
    Quantity selectedQuantity() const;
    UserDialogs &dialogs() { return *m_dialogs; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void createControls();
    void createTabStrip();
    void createButtonsAndChart();
    void addShortcuts();
    void placeFindBar();
    void findMaterialNamed(const QString &text, bool forward);
    void findAgain(bool forward);
    void setTwipsGeometry(QWidget *widget, int left, int top, int width, int height);
    int twipsToPixels(int twips) const;
    int pixelsToTwips(int pixels) const;
    void layoutWindow();
    void onTabClicked();
    void onCellDoubleClicked();
    void onCurrentCellChanged();
    void onMaterialsChanged();
    // Remembers where the table's selection is once a step was made, for its undo and redo.
    void keepStepSelection(int historyIndexBefore);
    void showStepSelection(int step);
    void loadCellEditor();
    void startEntry(QChar character);
    void applyColumnWidths(int nameTwips, int swatchTwips, int bandTwips);
    void showActionMenu(const QPoint &globalPosition);
    void showTableMenu(const QPoint &globalPosition);
    void openRegionalSettings();
    void commitDataRequested(QSessionManager &manager);
    void reportLossyName();

    std::unique_ptr<UserDialogs> m_dialogs;
    QString m_installFolder;
    QString m_lastImportPath;
    bool m_exitConfirmed = false;
    ActionMode m_actionMode = ActionMode::LoadMaterials;

    TabStrip *m_tabStrip = nullptr;
    PictureBox *m_picture = nullptr;
    MaterialTableView *m_table = nullptr;
    LibraryDocument *m_document = nullptr;
    LibraryTableModel *m_tableModel = nullptr;
    QAction *m_copyAction = nullptr;
    QAction *m_pasteAction = nullptr;
    QAction *m_undoAction = nullptr;
    QAction *m_redoAction = nullptr;
    int m_numberColumnTwips = 0;
    std::vector<CellRange> m_stepSelections; // by step of the history
    CommandButton *m_pasteButton = nullptr;
    CommandButton *m_copyButton = nullptr;
    SpectrumChart *m_chart = nullptr;
    CommandButton *m_actionButton = nullptr;
    QLineEdit *m_cellEditor = nullptr;
    CommandButton *m_updateFileButton = nullptr;
    CommandButton *m_quitButton = nullptr;
    FindBar *m_findBar = nullptr;
    QString m_lastFind;
};

} // namespace quillon
