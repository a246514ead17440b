#include "MainWindow.h"

#include "Controls.h"
#include "FindBar.h"
#include "FlexGrid.h"
#include "MaterialFind.h"
#include "Ratings.h"
#include "LibraryStorage.h"
#include "QuantityTable.h"
#include "SpectrumChart.h"
#include "TableEditor.h"
#include "WindowLayout.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QLineEdit>
#include <QMimeData>
#include <QSessionManager>

#include <array>

namespace quillon {

namespace {

// The design, in twips.
constexpr double kLoadNameColumnDivisor = 3.4;
constexpr int kMessageQuestionExclamation = kYesNo + kExclamationIcon;

// Restores the pointer when a long operation ends by any path.
class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
};

} // namespace

MainWindow::MainWindow(std::unique_ptr<UserDialogs> dialogs, QWidget *parent)
    : QWidget(parent), m_dialogs(std::move(dialogs))
{
    if (!m_dialogs)
        m_dialogs = std::make_unique<QtUserDialogs>(this);
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QString::fromLatin1(kWindowCaption) + u"[*]"_qs);
    setAcceptDrops(true);
    createControls();
    addShortcuts();

    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this,
                &MainWindow::commitDataRequested);
    }
}

MainWindow::~MainWindow() = default;

const MaterialLibrary &MainWindow::library() const
{
    return m_editor->library();
}

MaterialLibrary &MainWindow::library()
{
    return m_editor->library();
}

bool MainWindow::tableReady() const
{
    return m_editor->tableReady();
}

Quantity MainWindow::selectedQuantity() const
{
    return static_cast<Quantity>(std::clamp(m_tabStrip->selectedPosition(), 1, 4));
}

void MainWindow::mousePressEvent(QMouseEvent *event)
{
    // Only the bare margin around the tab strip loads; presses that controls pass on do not.
    if (!childAt(event->position().toPoint()))
        loadLibrary();
    event->accept();
}

void MainWindow::runActionButton()
{
    const QString caption = m_actionButton->text();
    if (caption == QLatin1String(kLoadCaption)) {
        m_picture->hide();
        m_actionButton->setText(QString::fromLatin1(kHelpCaption));
        m_actionButton->show();
        loadLibrary();
    } else if (caption == QLatin1String(kImportCaption)) {
        chooseImportFile();
    } else if (caption == QLatin1String(kHelpCaption)) {
        openManual();
    }
}

void MainWindow::openManual()
{
    const QString path = QDir::toNativeSeparators(m_installFolder + u"/Manual/Quillon.htm"_qs);
    m_dialogs->openLocalFile(path, [this, path](bool opened) {
        if (!opened && !m_dialogs->showManual(path)) {
            m_dialogs->messageBox(
                QStringLiteral("The manual \"%1\" could not be opened.").arg(path),
                QString::fromLatin1(kHelpCaption), kExclamationIcon);
        }
    });
}

void MainWindow::showActionMenu(const QPoint &globalPosition)
{
    if (!m_libraryLoaded)
        return;
    const QStringList items = {QString::fromLatin1(kImportCaption),
                               QString::fromLatin1(kHelpCaption)};
    if (const auto chosen = m_dialogs->popupMenu(items, globalPosition))
        m_actionButton->setText(items.value(*chosen, m_actionButton->text()));
}

void MainWindow::loadLibrary()
{
    if (m_libraryLoaded || m_loading)
        return;
    m_loading = true;
    const bool quitWasVisible = m_quit->isVisible();
    const bool cellWasVisible = m_cell->isVisible();
    const bool updateWasVisible = m_update->isVisible();
    m_quit->show();
    m_cell->show();
    m_update->show();

    LoadOutcome outcome;
    {
        BusyPointer busy;
        QWidget *focus = QApplication::focusWidget();
        setEnabled(false);
        QCoreApplication::processEvents();
        outcome = loadLibraryFiles(materialFilePath(m_installFolder),
                                   colorFilePath(m_installFolder), library(), LoadMode::Recover);
        update();
        setEnabled(true);
        if (focus)
            focus->setFocus();
    }
    QCoreApplication::processEvents();

    if (!outcome.ok) {
        m_quit->setVisible(quitWasVisible);
        m_cell->setVisible(cellWasVisible);
        m_update->setVisible(updateWasVisible);
        m_actionButton->setText(QString::fromLatin1(kLoadCaption));
        m_picture->show();
        m_loading = false;
        m_dialogs->messageBox(outcome.message, QString::fromLatin1(kWindowCaption), kStopIcon);
        return;
    }

    m_libraryStamps = outcome.stamps;
    m_editor->setTableReady(false);
    QCoreApplication::processEvents();
    m_editor->layOutTable(
        roundHalfEven(pixelsToTwips(frameGeometry().width()) / kLoadNameColumnDivisor));
    m_libraryLoaded = true;
    m_loading = false;
    // However the load was asked for, the picture must not stay between the loaded controls.
    m_picture->hide();
    refreshQuantityTable();
    if (const QString report = loadReport(outcome); !report.isEmpty())
        m_dialogs->messageBox(report, QString::fromLatin1(kWindowCaption), kExclamationIcon);
}

void MainWindow::refreshQuantityTable()
{
    BusyPointer busy;
    m_dialogs->beep();
    // Hiding a focused view would pass its focus on and move its current cell with it.
    m_grid->setUpdatesEnabled(false);
    m_editor->setTableReady(false);
    QCoreApplication::processEvents();
    m_editor->setQuantity(selectedQuantity());
    m_editor->refreshBandColumns();
    m_grid->setUpdatesEnabled(true);
    m_grid->show();
    m_editor->setTableReady(true);
}

void MainWindow::drawSpectrumChart()
{
    const int row = std::clamp(m_grid->row(), 0, kMaxMaterials);
    const Quantity quantity = selectedQuantity();
    const FlexGrid::Block block = m_grid->selectedBlock();
    if (m_libraryLoaded && block.top >= 1 && block.bottom > block.top)
        m_chart->showComparison(spectrumComparison(library(), block.top, block.bottom, quantity));
    else
        m_chart->showSpectrum(spectrumValues(library(), row, quantity));
    if (m_libraryLoaded && row >= 1) {
        const RatingsReadout readout = ratingsReadout(library(), row, quantity);
        m_chart->setRatingsText(readout.line, readout.toolTip);
    }
}

void MainWindow::openFind()
{
    if (!m_libraryLoaded)
        return;
    placeFindBar();
    m_findBar->show();
    m_findBar->raise();
    m_findBar->setFocus();
    m_findBar->selectAll();
}

void MainWindow::findMaterialNamed(const QString &text, bool forward)
{
    // While the text is being typed the current material stays if it still matches; F3 and
    // Shift+F3 go on from it.
    const int row = std::max(m_grid->row(), 1);
    const bool typed = text != m_lastFind;
    m_lastFind = text;
    const auto found = findMaterial(library(), text, typed && forward ? row - 1 : row, forward);
    m_findBar->showNotFound(!found);
    if (found)
        m_grid->setCurrentCell(*found, std::max(m_grid->col(), 1));
}

void MainWindow::findAgain(bool forward)
{
    if (m_libraryLoaded && !m_lastFind.isEmpty())
        findMaterialNamed(m_lastFind, forward);
}

void MainWindow::onTabClicked()
{
    m_picture->show();
    refreshQuantityTable();
    m_picture->hide();
}

void MainWindow::commitCellEdit()
{
    switch (m_editor->commitCellEdit()) {
    case TableEditor::CommitResult::Refused:
        m_dialogs->beep();
        break;
    case TableEditor::CommitResult::LossyName:
        reportLossyName();
        break;
    case TableEditor::CommitResult::Stored:
    case TableEditor::CommitResult::Nothing:
        break;
    }
}

void MainWindow::reportLossyName()
{
    m_dialogs->messageBox(
        QStringLiteral("The name holds characters that the library files cannot store; each of "
                       "them was stored as \"?\"."),
        QString::fromLatin1(kWindowCaption), kExclamationIcon);
}

void MainWindow::onCellDoubleClicked()
{
    if (m_grid->col() != kColorColumn)
        return;
    const int row = m_grid->row();
    if (const auto initial = m_editor->beginColorChoice()) {
        if (const auto chosen = m_dialogs->chooseColor(*initial))
            m_editor->setMaterialColor(row, *chosen);
    }
    m_grid->setFocus();
}

void MainWindow::onKeyDown(int key, int shiftState)
{
    constexpr int kCtrlOnly = 2;
    if (key == Qt::Key_C && shiftState == kCtrlOnly)
        copySelection();
    else if (key == Qt::Key_V && shiftState == kCtrlOnly)
        pasteSelection();
}

void MainWindow::copySelection()
{
    if (m_libraryLoaded)
        QGuiApplication::clipboard()->setMimeData(m_editor->copySelection().release());
}

void MainWindow::pasteSelection()
{
    if (!m_libraryLoaded)
        return;
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return;
    const TableEditor::PasteOutcome outcome = m_editor->paste(*data);
    if (outcome.lossyNames)
        reportLossyName();
    const QString message = outcome.report.message();
    if (!message.isEmpty())
        m_dialogs->messageBox(message, QString::fromLatin1(kWindowCaption), kExclamationIcon);
}

void MainWindow::undo()
{
    m_editor->undo();
}

void MainWindow::redo()
{
    m_editor->redo();
}

void MainWindow::showTableMenu(const QPoint &globalPosition)
{
    const QUndoStack &history = m_editor->history();
    const bool loaded = m_libraryLoaded;
    const QStringList items = {
        history.canUndo() ? u"Undo "_qs + history.undoText() : u"Undo"_qs,
        history.canRedo() ? u"Redo "_qs + history.redoText() : u"Redo"_qs, u"Copy"_qs,
        u"Paste"_qs};
    const QList<bool> enabled = {loaded && history.canUndo(), loaded && history.canRedo(), loaded,
                                 loaded};
    const std::array<void (MainWindow::*)(), 4> actions = {
        &MainWindow::undo, &MainWindow::redo, &MainWindow::copySelection,
        &MainWindow::pasteSelection};
    const auto chosen = m_dialogs->popupMenu(items, globalPosition, enabled);
    if (chosen && enabled.value(*chosen))
        (this->*actions.at(static_cast<size_t>(*chosen)))();
}

void MainWindow::saveLibrary()
{
    if (!m_libraryLoaded) {
        m_dialogs->messageBox(QStringLiteral("There is no library to save yet: load the "
                                             "materials first."),
                              QString::fromLatin1(kWindowCaption), kExclamationIcon);
        return;
    }
    const QString materialPath = materialFilePath(m_installFolder);
    const QString colorPath = colorFilePath(m_installFolder);
    LibraryStamps known = m_libraryStamps;
    SaveOptions options;
    SaveOutcome outcome;
    // The save itself checks for another program's change while it holds the library's lock.
    while (
        (outcome = saveLibraryFiles(materialPath, colorPath, library(), known, options)).status ==
        SaveStatus::NeedsConsent) {
        if (m_dialogs->messageBox(outcome.message, QString::fromLatin1(kWindowCaption),
                                  kYesNo + kExclamationIcon + kDefaultNo) != kAnswerYes)
            return;
        agreeToOverwrite(outcome, known, options);
    }
    m_libraryStamps = outcome.stamps;
    if (!outcome.message.isEmpty())
        m_dialogs->messageBox(outcome.message, QString::fromLatin1(kWindowCaption),
                              outcome.ok ? kExclamationIcon : kStopIcon);
    if (!outcome.ok)
        return;
    m_editor->markSaved();
}

void MainWindow::chooseImportFile()
{
    const QString initialFolder =
        m_lastImportPath.isEmpty() ? m_installFolder : QFileInfo(m_lastImportPath).absolutePath();
    // Lumeo files carry no fixed extension: every file is listed.
    const auto chosen = m_dialogs->chooseOpenFile(u"Load a Lumeo Material File"_qs,
                                                  u"Lumeo Material files|*"_qs, initialFolder);
    if (!chosen)
        return;
    m_lastImportPath = *chosen;
    importLumeoMaterial(m_lastImportPath);
}

void MainWindow::importLumeoMaterial(const QString &path)
{
    const QString title = QString::fromLatin1(kImportCaption);
    auto refuse = [&](const QString &why) {
        m_dialogs->messageBox(
            QStringLiteral("\"%1\" was not imported: %2. The library was not changed.")
                .arg(QDir::toNativeSeparators(path), why),
            title, kExclamationIcon);
    };
    if (library().materialCount >= kMaxMaterials) {
        refuse(QStringLiteral("the library already holds %1 materials").arg(kMaxMaterials));
        return;
    }
    const LumeoReadResult read = readLumeoFile(path);
    if (!read.ok) {
        refuse(read.problem);
        return;
    }
    bool lossy = false;
    m_editor->importMaterial(read, lumeoMaterialName(path), &lossy);
    if (lossy)
        reportLossyName();
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (m_libraryLoaded && event->mimeData()->hasUrls()) {
        const QList<QUrl> urls = event->mimeData()->urls();
        if (std::any_of(urls.begin(), urls.end(), [](const QUrl &url) { return url.isLocalFile(); })) {
            event->acceptProposedAction();
            return;
        }
    }
    event->ignore();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    if (!m_libraryLoaded)
        return;
    const QList<QUrl> urls = event->mimeData()->urls();
    event->acceptProposedAction();
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            importLumeoMaterial(url.toLocalFile());
    }
}

bool MainWindow::confirmExit()
{
    const QString text = library().librarySaved
                             ? QStringLiteral("Really Do You Want to Exit ?")
                             : QStringLiteral("Really Do You Want to Exit Without Saving ?");
    return m_dialogs->messageBox(text, QStringLiteral("Warning"), kMessageQuestionExclamation) ==
           kAnswerYes;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_exitConfirmed || confirmExit()) {
        m_exitConfirmed = true;
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::commitDataRequested(QSessionManager &manager)
{
    if (m_exitConfirmed || !manager.allowsInteraction())
        return;
    const bool leave = confirmExit();
    manager.release();
    if (leave)
        m_exitConfirmed = true;
    else
        manager.cancel();
}

} // namespace quillon
