#include "MainWindow.h"

#include "Controls.h"
#include "FindBar.h"
#include "LibraryDocument.h"
#include "LibraryStorage.h"
#include "LibraryTableModel.h"
#include "MaterialFind.h"
#include "MaterialTableView.h"
#include "NumberFormat.h"
#include "Ratings.h"
#include "SpectrumChart.h"
#include "WindowLayout.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QLineEdit>
#include <QMimeData>
#include <QSessionManager>
#include <QUndoStack>
#include <array>

namespace quillon {

namespace {

// The design, in twips.
constexpr double kLoadNameColumnDivisor = 3.4;
constexpr int kNumberColumnTwips = 500;
constexpr int kSwatchColumnTwips = 600;
constexpr int kBandColumnTwips = 500;

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
    return m_document->library();
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
    switch (m_actionMode) {
    case ActionMode::LoadMaterials:
        m_picture->hide();
        setActionMode(ActionMode::Help);
        m_actionButton->show();
        loadLibrary();
        break;
    case ActionMode::ImportLumeo:
        chooseImportFile();
        break;
    case ActionMode::Help:
        openManual();
        break;
    }
}

void MainWindow::setActionMode(ActionMode mode)
{
    static constexpr std::array kCaptions = {kLoadCaption, kImportCaption, kHelpCaption};
    m_actionMode = mode;
    m_actionButton->setText(QString::fromLatin1(kCaptions.at(static_cast<size_t>(mode))));
}

void MainWindow::openManual()
{
    const QString path = QDir::toNativeSeparators(m_installFolder + u"/Manual/Quillon.htm"_qs);
    m_dialogs->openLocalFile(path, [this, path](bool opened) {
        if (!opened && !m_dialogs->showManual(path)) {
            m_dialogs->messageBox(
                QStringLiteral("The manual \"%1\" could not be opened.").arg(path),
                QString::fromLatin1(kHelpCaption), QMessageBox::Warning);
        }
    });
}

void MainWindow::showActionMenu(const QPoint &globalPosition)
{
    if (!m_document->isLoaded())
        return;
    QAction importMode(QString::fromLatin1(kImportCaption));
    QAction helpMode(QString::fromLatin1(kHelpCaption));
    connect(&importMode, &QAction::triggered, this,
            [this] { setActionMode(ActionMode::ImportLumeo); });
    connect(&helpMode, &QAction::triggered, this, [this] { setActionMode(ActionMode::Help); });
    m_dialogs->popupMenu({&importMode, &helpMode}, globalPosition);
}

void MainWindow::loadLibrary()
{
    if (m_document->isLoaded())
        return;
    LoadOutcome outcome;
    {
        BusyPointer busy;
        outcome = m_document->load(LoadMode::Recover);
    }
    if (!outcome.ok) {
        setActionMode(ActionMode::LoadMaterials);
        m_picture->show();
        m_dialogs->messageBox(outcome.message, QString::fromLatin1(kWindowCaption),
                              QMessageBox::Critical);
        return;
    }
    m_quitButton->show();
    m_cellEditor->show();
    m_updateFileButton->show();
    m_stepSelections.clear();
    m_tableModel->showLibrary();
    table().setCornerText(u"N. "_qs);
    m_numberColumnTwips = kNumberColumnTwips;
    applyColumnWidths(
        roundHalfEven(pixelsToTwips(frameGeometry().width()) / kLoadNameColumnDivisor),
        kSwatchColumnTwips, kBandColumnTwips);
    table().setCurrentCell(0, kFirstBandColumn);
    m_copyAction->setEnabled(true);
    m_pasteAction->setEnabled(true);
    // However the load was asked for, the picture must not stay between the loaded controls.
    m_picture->hide();
    refreshQuantityTable();
    if (const QString report = loadReport(outcome); !report.isEmpty())
        m_dialogs->messageBox(report, QString::fromLatin1(kWindowCaption), QMessageBox::Warning);
}

void MainWindow::refreshQuantityTable()
{
    BusyPointer busy;
    m_dialogs->beep();
    const CellRange kept = table().selectedRange();
    m_tableModel->setQuantity(selectedQuantity());
    table().selectRange(kept);
    if (m_document->isLoaded())
        loadCellEditor();
    drawSpectrumChart();
    table().show();
}

void MainWindow::onCurrentCellChanged()
{
    if (!m_document->isLoaded())
        return;
    loadCellEditor();
    drawSpectrumChart();
}

void MainWindow::onMaterialsChanged()
{
    loadCellEditor();
    drawSpectrumChart();
}

void MainWindow::keepStepSelection(int historyIndexBefore)
{
    const int index = m_document->history().index();
    if (index == historyIndexBefore)
        return;
    m_stepSelections.resize(static_cast<size_t>(index));
    m_stepSelections.back() = table().selectedRange();
}

void MainWindow::showStepSelection(int step)
{
    if (step >= 0 && static_cast<size_t>(step) < m_stepSelections.size())
        table().selectRange(m_stepSelections[static_cast<size_t>(step)]);
}

void MainWindow::loadCellEditor()
{
    const QModelIndex current = table().currentIndex();
    m_cellEditor->setText(current.data(Qt::EditRole).toString());
    const QVariant color = current.data(Qt::ForegroundRole);
    QPalette palette = m_cellEditor->palette();
    palette.setColor(QPalette::Text, color.isValid() ? color.value<QColor>() : QColor(Qt::black));
    m_cellEditor->setPalette(palette);
}

void MainWindow::startEntry(QChar character)
{
    m_cellEditor->clear();
    m_cellEditor->setFocus();
    m_cellEditor->setText(QString(character));
    m_cellEditor->setCursorPosition(1);
    m_cellEditor->deselect();
}

void MainWindow::drawSpectrumChart()
{
    const CellRange range = table().selectedRange();
    const int material = std::clamp(materialOfRow(range.row), -1, kMaxMaterials - 1);
    const Quantity quantity = selectedQuantity();
    const bool loaded = m_document->isLoaded();
    if (loaded && range.row >= 0 && range.bottom() > range.top())
        m_chart->showComparison(spectrumComparison(library(), materialOfRow(range.top()),
                                                   materialOfRow(range.bottom()), quantity));
    else
        m_chart->showSpectrum(spectrumValues(library(), material, quantity));
    if (loaded && material >= 0) {
        const RatingsReadout readout =
            ratingsReadout(library(), materialIndex(material), quantity);
        m_chart->setRatingsText(readout.line, readout.toolTip);
    }
}

void MainWindow::openFind()
{
    if (!m_document->isLoaded())
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
    const QModelIndex current = table().currentIndex();
    const int material = std::max(materialOfRow(current.row()), 0);
    const bool typed = text != m_lastFind;
    m_lastFind = text;
    const auto found =
        findMaterial(library(), text, typed && forward ? material - 1 : material, forward);
    m_findBar->showNotFound(!found);
    if (found)
        table().setCurrentCell(rowOfMaterial(*found), std::max(current.column(), 0));
}

void MainWindow::findAgain(bool forward)
{
    if (m_document->isLoaded() && !m_lastFind.isEmpty())
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
    const CellRange where = table().selectedRange();
    const QString typed = m_cellEditor->text();
    const int historyIndex = m_document->history().index();
    const auto result =
        m_tableModel->enter(m_tableModel->index(where.row, where.column), typed);
    keepStepSelection(historyIndex);
    switch (result) {
    case LibraryDocument::EditResult::Refused:
        m_dialogs->beep();
        return;
    case LibraryDocument::EditResult::LossyName:
        // The editor keeps the entry as typed.
        m_cellEditor->setText(typed);
        table().setFocus();
        reportLossyName();
        return;
    case LibraryDocument::EditResult::Stored:
        m_cellEditor->setText(typed);
        break;
    case LibraryDocument::EditResult::Unchanged:
        break;
    }
    table().setFocus();
}

void MainWindow::reportLossyName()
{
    m_dialogs->messageBox(
        QStringLiteral("The name holds characters that the library files cannot store; each of "
                       "them was stored as \"?\"."),
        QString::fromLatin1(kWindowCaption), QMessageBox::Warning);
}

void MainWindow::onCellDoubleClicked()
{
    const CellRange where = table().selectedRange();
    if (where.column != kSwatchColumn)
        return;
    loadCellEditor();
    if (m_document->isLoaded()) {
        const int material = materialOfRow(where.row);
        const MaterialColor color = library().materialColors[size_t(materialIndex(material))];
        if (const auto chosen = m_dialogs->chooseColor(color)) {
            const int historyIndex = m_document->history().index();
            m_document->recolour(material, *chosen);
            keepStepSelection(historyIndex);
        }
    }
    table().setFocus();
}

void MainWindow::copySelection()
{
    if (m_document->isLoaded())
        QGuiApplication::clipboard()->setMimeData(
            m_tableModel->copyBlock(table().selectedRange()).release());
}

void MainWindow::pasteSelection()
{
    if (!m_document->isLoaded())
        return;
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return;
    const int historyIndex = m_document->history().index();
    const LibraryDocument::PasteOutcome outcome =
        m_document->paste(table().selectedRange().materials(), *data, m_tableModel->quantity());
    table().selectRange(CellRange::of(outcome.target));
    keepStepSelection(historyIndex);
    if (outcome.lossyNames)
        reportLossyName();
    const QString message = outcome.report.message();
    if (!message.isEmpty())
        m_dialogs->messageBox(message, QString::fromLatin1(kWindowCaption), QMessageBox::Warning);
}

void MainWindow::undo()
{
    QUndoStack &history = m_document->history();
    const int before = history.index();
    history.undo();
    if (history.index() < before)
        showStepSelection(history.index());
}

void MainWindow::redo()
{
    QUndoStack &history = m_document->history();
    const int before = history.index();
    history.redo();
    if (history.index() > before)
        showStepSelection(before);
}

void MainWindow::showTableMenu(const QPoint &globalPosition)
{
    m_dialogs->popupMenu({m_undoAction, m_redoAction, m_copyAction, m_pasteAction},
                         globalPosition);
}

void MainWindow::saveLibrary()
{
    const QString caption = QString::fromLatin1(kWindowCaption);
    if (!m_document->isLoaded()) {
        m_dialogs->messageBox(QStringLiteral("There is no library to save yet: load the "
                                             "materials first."),
                              caption, QMessageBox::Warning);
        return;
    }
    SaveOutcome outcome;
    {
        BusyPointer busy;
        outcome = m_document->save([&](const QString &question) {
            QApplication::restoreOverrideCursor();
            const bool agreed = m_dialogs->messageBox(question, caption, QMessageBox::Warning,
                                                      kYesNo, QMessageBox::No) == QMessageBox::Yes;
            QApplication::setOverrideCursor(Qt::WaitCursor);
            return agreed;
        });
    }
    if (outcome.status != SaveStatus::NeedsConsent && !outcome.message.isEmpty())
        m_dialogs->messageBox(outcome.message, caption,
                              outcome.ok ? QMessageBox::Warning : QMessageBox::Critical);
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
            title, QMessageBox::Warning);
    };
    const LumeoReadResult read = readLumeoFile(path);
    if (!read.ok) {
        refuse(read.problem);
        return;
    }
    bool lossy = false;
    const int historyIndex = m_document->history().index();
    const auto material = m_document->importMaterial(read, lumeoMaterialName(path), &lossy);
    if (!material) {
        refuse(QStringLiteral("the library already holds %1 materials").arg(kMaxMaterials));
        return;
    }
    const bool shown = m_tableModel->quantity() == Quantity::TrueAbsorption;
    table().setCurrentCell(rowOfMaterial(*material), shown ? kLastBandColumn : kSwatchColumn);
    keepStepSelection(historyIndex);
    if (shown) {
        m_tableModel->showAsEntered(*material);
        loadCellEditor();
    } else {
        m_tabStrip->selectPosition(static_cast<int>(Quantity::TrueAbsorption));
        refreshQuantityTable();
    }
    if (lossy)
        reportLossyName();
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (m_document->isLoaded() && event->mimeData()->hasUrls()) {
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
    if (!m_document->isLoaded())
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
    const QString text = m_document->isSaved()
                             ? QStringLiteral("Really Do You Want to Exit ?")
                             : QStringLiteral("Really Do You Want to Exit Without Saving ?");
    return m_dialogs->messageBox(text, QStringLiteral("Warning"), QMessageBox::Warning, kYesNo) ==
           QMessageBox::Yes;
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
