#include "MainWindow.h"

#include "AbsorptionConversions.h"
#include "Artwork.h"
#include "Controls.h"
#include "Cp1252.h"
#include "FlexGrid.h"
#include "LibraryStorage.h"
#include "NumberFormat.h"
#include "QuantityTable.h"
#include "SpectrumChart.h"
#include "StartUp.h"
#include "SwatchDelegate.h"
#include "TableEditor.h"
#include "WindowLayout.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSessionManager>
#include <QStandardPaths>
#include <QTabBar>

namespace quillon {

namespace {

// The design, in twips.
constexpr int kClientWidth = 10140;
constexpr int kClientHeight = 7008;
constexpr int kGridLeft = 240;
constexpr int kTabStripTop = 120;
constexpr double kLoadNameColumnDivisor = 3.4;
constexpr int kTwipsPerInch = 1440;

constexpr double kControlFontPoints = 7.8;
constexpr double kTabFontPoints = 11.4;
constexpr int kPreloadRows = 2;

constexpr int kMessageQuestionStop = kYesNo + kStopIcon;
constexpr int kMessageQuestionExclamation = kYesNo + kExclamationIcon;

QFont controlFont()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(kControlFontPoints);
    // Set explicitly, or the controls would take the window's bold.
    font.setWeight(QFont::Normal);
    return font;
}

void registerFontSubstitutes()
{
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"),
                                QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Times New Roman"),
                               {QStringLiteral("Liberation Serif"), QStringLiteral("Tinos"),
                                QStringLiteral("DejaVu Serif")});
}

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
    registerFontSubstitutes();
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QString::fromLatin1(kWindowCaption) + u"[*]"_qs);
    setWindowIcon(windowIcon());
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPointSizeF(kControlFontPoints);
    windowFont.setBold(true);
    setFont(windowFont);
    setAcceptDrops(true);
    createControls();
    addHistoryActions();
    resize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));

    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this,
                &MainWindow::commitDataRequested);
    }
}

MainWindow::~MainWindow() = default;

int MainWindow::twipsToPixels(int twips) const
{
    return qRound(twips * logicalDpiX() / static_cast<double>(kTwipsPerInch));
}

int MainWindow::pixelsToTwips(int pixels) const
{
    return qRound(pixels * static_cast<double>(kTwipsPerInch) / logicalDpiX());
}

void MainWindow::setTwipsGeometry(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                        twipsToPixels(height));
}

void MainWindow::createControls()
{
    // Created from the bottom of the stack up: the tab strip lies beneath everything.
    m_tabStrip = new TabStrip(this);
    m_tabStrip->setObjectName(QStringLiteral("TabStrip1"));
    QFont tabFont(QStringLiteral("Times New Roman"));
    tabFont.setPointSizeF(kTabFontPoints);
    tabFont.setBold(true);
    m_tabStrip->setFont(tabFont);
    m_tabStrip->tabBar()->setIconSize(QSize(40, 16));
    // The designed tooltip, then the quantity's symbol and unit on a line of their own.
    auto tip = [](const char16_t *designed, Quantity quantity) {
        return QString::fromUtf16(designed) + u'\n' + quantityDescription(quantity);
    };
    m_tabStrip->addTab({QIcon(tabImage(TabImage::TrueAlpha)), QString(), u"A"_qs, u"AlphaR"_qs,
                        tip(u"\"True\" Absorption Coefficient", Quantity::TrueAbsorption)});
    m_tabStrip->addTab({QIcon(tabImage(TabImage::SabineAlpha)), QString(), u"As"_qs,
                        u"AlphaS"_qs,
                        tip(u"\"Sabine\" Absorption Coefficient", Quantity::SabineAbsorption)});
    m_tabStrip->addTab({QIcon(), u"  R"_qs, u"R"_qs, u"R"_qs,
                        tip(u"Sound Insulation Index", Quantity::Insulation)});
    m_tabStrip->addTab({QIcon(), u"  s"_qs, u"d"_qs, u"d"_qs,
                        tip(u"ISO Scattering Coefficient ", Quantity::Scattering)});
    setTwipsGeometry(m_tabStrip, 120, kTabStripTop, 9972, 6732);
    connect(m_tabStrip, &TabStrip::tabClicked, this, &MainWindow::onTabClicked);

    m_picture = new PictureBox(decorativePicture(), this);
    m_picture->setObjectName(QStringLiteral("Image1"));
    setTwipsGeometry(m_picture, 756, 960, 4308, 3444);
    connect(m_picture, &PictureBox::clicked, this, &MainWindow::loadLibrary);

    const QFont font = controlFont();
    m_grid = new FlexGrid(this);
    m_grid->setObjectName(QStringLiteral("Grid1"));
    m_grid->setFont(font);
    m_grid->setGridSize(kPreloadRows, kGridCols);
    m_grid->setItemDelegateForColumn(kColorColumn - 1, new SwatchDelegate(m_grid));
    setTwipsGeometry(m_grid, kGridLeft, 3120, 9732, 3612);
    connect(m_grid, &FlexGrid::cellDoubleClicked, this, &MainWindow::onCellDoubleClicked);
    connect(m_grid, &FlexGrid::keyDown, this, &MainWindow::onKeyDown);
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
        showTableMenu(m_grid->viewport()->mapToGlobal(position));
    });

    auto makeButton = [&](const char *name, const char *caption, int left, int top, int width,
                          int height) {
        auto *button = new CommandButton(QString::fromLatin1(caption), this);
        button->setObjectName(QLatin1String(name));
        button->setFont(font);
        setTwipsGeometry(button, left, top, width, height);
        return button;
    };
    m_paste = makeButton("Paste", "Paste", 1680, 2520, 1215, 495);
    m_copy = makeButton("Copy", "Copy", 240, 2520, 1215, 495);
    connect(m_paste, &QPushButton::clicked, this, &MainWindow::pasteSelection);
    connect(m_copy, &QPushButton::clicked, this, &MainWindow::copySelection);

    m_chart = new SpectrumChart(this);
    m_chart->setObjectName(QStringLiteral("MSChart1"));
    setTwipsGeometry(m_chart, 3000, 600, 6972, 2412);

    m_actionButton = makeButton("Command2", kLoadCaption, 240, 1800, 1215, 495);
    m_actionButton->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_actionButton, &QPushButton::clicked, this, &MainWindow::runActionButton);
    connect(m_actionButton, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &position) {
                showActionMenu(m_actionButton->mapToGlobal(position));
            });

    m_cell = new QLineEdit(QStringLiteral("0.0"), this);
    m_cell->setObjectName(QStringLiteral("Cell"));
    m_cell->setFont(font);
    QPalette cellPalette = m_cell->palette();
    cellPalette.setColor(QPalette::Base, QColor(255, 255, 224));
    cellPalette.setColor(QPalette::Text, Qt::black);
    m_cell->setPalette(cellPalette);
    setTwipsGeometry(m_cell, 240, 600, 2655, 375);
    connect(m_cell, &QLineEdit::returnPressed, this, &MainWindow::commitCellEdit);

    m_editor = new TableEditor(*m_grid, *m_cell, this);
    connect(m_editor, &TableEditor::spectrumChanged, this, &MainWindow::drawSpectrumChart);
    connect(m_editor, &TableEditor::savedChanged, this,
            [this](bool saved) { setWindowModified(!saved); });
    connect(m_editor, &TableEditor::quantitySwitched, this, [this](Quantity quantity) {
        m_tabStrip->selectPosition(static_cast<int>(quantity));
        refreshQuantityTable();
    });

    m_update = makeButton("Updatee", "Update File", 240, 1080, 2655, 495);
    connect(m_update, &QPushButton::clicked, this, &MainWindow::saveLibrary);
    m_quit = makeButton("Command1", "Quit", 1680, 1800, 1215, 495);
    connect(m_quit, &QPushButton::clicked, this, &QWidget::close);

    QWidget::setTabOrder(m_quit, m_update);
    QWidget::setTabOrder(m_update, m_cell);
    QWidget::setTabOrder(m_cell, m_actionButton);
    QWidget::setTabOrder(m_actionButton, m_tabStrip->tabBar());
    QWidget::setTabOrder(m_tabStrip->tabBar(), m_chart);
    QWidget::setTabOrder(m_chart, m_copy);
    QWidget::setTabOrder(m_copy, m_paste);
    QWidget::setTabOrder(m_paste, m_grid);
}

void MainWindow::addHistoryActions()
{
    auto *undoAction = new QAction(this);
    undoAction->setShortcuts(QKeySequence::Undo);
    connect(undoAction, &QAction::triggered, this, &MainWindow::undo);
    auto *redoAction = new QAction(this);
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    for (const QKeySequence &key : {QKeySequence(Qt::CTRL | Qt::Key_Y),
                                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}) {
        if (!redoKeys.contains(key))
            redoKeys.append(key);
    }
    redoAction->setShortcuts(redoKeys);
    connect(redoAction, &QAction::triggered, this, &MainWindow::redo);
    addActions({undoAction, redoAction});
}

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

void MainWindow::startUp(const QString &executableFolder, const QLocale &locale)
{
    m_installFolder = installFolderFor(executableFolder);
    const RecoveryOutcome recovery =
        recoverInterruptedSave(materialFilePath(m_installFolder), colorFilePath(m_installFolder));
    if (!recovery.message.isEmpty())
        m_dialogs->messageBox(recovery.message, QString::fromLatin1(kWindowCaption),
                              recovery.ok ? kInformationIcon : kExclamationIcon);
    if (!checkRegionalSettings(locale)) {
        const int answer = m_dialogs->messageBox(QString::fromLatin1(kRegionalQuestion),
                                                 QString::fromLatin1(kRegionalTitle),
                                                 kMessageQuestionStop);
        if (answer == kAnswerYes)
            openRegionalSettings();
        // Saving before a library is loaded would write an empty library over the files.
        m_update->hide();
        m_quit->setFocus();
        return;
    }
    m_quit->hide();
    m_cell->hide();
    m_grid->hide();
    m_update->hide();
    m_actionButton->setFocus();
}

void MainWindow::openRegionalSettings()
{
    for (const SettingsCommand &command : regionalSettingsCommands()) {
        if (QStandardPaths::findExecutable(command.program).isEmpty())
            continue;
        if (m_dialogs->startDetached(command.program, command.arguments))
            return;
    }
    m_dialogs->messageBox(
        QStringLiteral("No regional settings page was found on this desktop.\n\nQuillon needs a "
                       "number format that writes \",\" between thousands and \".\" before "
                       "decimals. Choose such a format in your desktop's region settings, or "
                       "start Quillon with, for example, LC_NUMERIC=en_US.UTF-8 set."),
        QString::fromLatin1(kRegionalTitle), kInformationIcon);
}

Quantity MainWindow::selectedQuantity() const
{
    return static_cast<Quantity>(std::clamp(m_tabStrip->selectedPosition(), 1, 4));
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutWindow();
}

void MainWindow::layoutWindow()
{
    const QRect outer = frameGeometry();
    LayoutInput input;
    input.windowWidth = pixelsToTwips(outer.width());
    input.windowHeight = pixelsToTwips(outer.height());
    input.gridLeft = kGridLeft;
    input.tabStripTop = kTabStripTop;
    input.column0Width = m_grid->colWidthTwips(kNumberColumn);
    const LayoutResult result = quillon::layoutWindow(input);

    m_tabStrip->resize(twipsToPixels(result.tabStripWidth), twipsToPixels(result.tabStripHeight));
    m_grid->resize(twipsToPixels(result.gridWidth), twipsToPixels(result.gridHeight));
    m_chart->resize(twipsToPixels(result.chartWidth), m_chart->height());
    m_grid->setColWidthTwips(kNameColumn, result.column1Width);
    m_grid->setColWidthTwips(kColorColumn, result.column2Width);
    for (int c = kFirstBandColumn; c <= kLastBandColumn; ++c)
        m_grid->setColWidthTwips(c, result.bandColumnWidth);
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
    if (!m_dialogs->openLocalFile(path) && !m_dialogs->showManual(path)) {
        m_dialogs->messageBox(QStringLiteral("The manual \"%1\" could not be opened.").arg(path),
                              QString::fromLatin1(kHelpCaption), kExclamationIcon);
    }
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
                                   colorFilePath(m_installFolder), library());
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
    m_chart->showSpectrum(spectrumValues(library(), row, selectedQuantity()));
}

void MainWindow::onTabClicked()
{
    m_picture->show();
    refreshQuantityTable();
    m_picture->hide();
}

void MainWindow::loadCellEditor()
{
    m_editor->loadCellEditor();
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
    const auto chosen = m_dialogs->popupMenu(items, globalPosition, enabled);
    if (!chosen || !enabled.value(*chosen))
        return;
    switch (*chosen) {
    case 0:
        undo();
        break;
    case 1:
        redo();
        break;
    case 2:
        copySelection();
        break;
    default:
        pasteSelection();
        break;
    }
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
    const QStringList changed = filesChangedOnDisk(materialPath, colorPath, m_libraryStamps);
    if (!changed.isEmpty() &&
        m_dialogs->messageBox(externalChangeQuestion(changed), QString::fromLatin1(kWindowCaption),
                              kYesNo + kExclamationIcon) != kAnswerYes)
        return;
    const SaveOutcome outcome = saveLibraryFiles(materialPath, colorPath, library(), m_libraryStamps);
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
    const auto chosen = m_dialogs->chooseOpenFile(u"Load a Lumeo Material File"_qs,
                                                  u"Lumeo Material files (*.)|*"_qs, initialFolder);
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
