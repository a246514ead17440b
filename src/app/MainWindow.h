#pragma once

#include "LibraryStorage.h"
#include "LumeoImport.h"
#include "MaterialLibrary.h"
#include "UserDialogs.h"

#include <QLocale>
#include <QWidget>

#include <memory>

class QLineEdit;
class QPushButton;
class QSessionManager;

namespace quillon {

class FlexGrid;
class PictureBox;
class SpectrumChart;
class TabStrip;

inline constexpr char kWindowCaption[] = "Quillon 2.0";
inline constexpr char kLoadCaption[] = "Load Materials";
inline constexpr char kImportCaption[] = "Import Lumeo Material";
inline constexpr char kHelpCaption[] = "Help";

// The program's one window: it owns the library, its flags and every control.
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
    void loadCellEditor();
    void commitCellEdit();
    void copySelection();
    void pasteSelection();
    void saveLibrary();
    void runActionButton();
    void openManual();
    void chooseImportFile();
    void importLumeoMaterial(const QString &path);
    // True when the user agreed to leave.
    bool confirmExit();

    const MaterialLibrary &library() const { return *m_library; }
    MaterialLibrary &library() { return *m_library; }
    bool libraryLoaded() const { return m_libraryLoaded; }
    bool tableReady() const { return m_tableReady; }
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
    void setTwipsGeometry(QWidget *widget, int left, int top, int width, int height);
    int twipsToPixels(int twips) const;
    int pixelsToTwips(int pixels) const;
    void layoutWindow();
    void layOutTable();
    void onTabClicked();
    void onCurrentCellChanged();
    void onCellClicked();
    void onCellDoubleClicked();
    void onCharacterTyped(QChar character);
    void onKeyDown(int key, int shiftState);
    void showActionMenu(const QPoint &globalPosition);
    void openRegionalSettings();
    void commitDataRequested(QSessionManager &manager);
    void reportLossyName();

    std::unique_ptr<UserDialogs> m_dialogs;
    std::unique_ptr<MaterialLibrary> m_library;
    ImportColorSource m_importColors;
    QString m_installFolder;
    LibraryStamps m_libraryStamps;
    QString m_lastImportPath;
    bool m_libraryLoaded = false;
    bool m_tableReady = false;
    bool m_loading = false;
    bool m_exitConfirmed = false;

    TabStrip *m_tabStrip = nullptr;
    PictureBox *m_picture = nullptr;
    FlexGrid *m_grid = nullptr;
    QPushButton *m_paste = nullptr;
    QPushButton *m_copy = nullptr;
    SpectrumChart *m_chart = nullptr;
    QPushButton *m_actionButton = nullptr;
    QLineEdit *m_cell = nullptr;
    QPushButton *m_update = nullptr;
    QPushButton *m_quit = nullptr;
};

} // namespace quillon
