#include "Artwork.h"
#include "Controls.h"
#include "FindBar.h"
#include "LibraryDocument.h"
#include "LibraryTableModel.h"
#include "MainWindow.h"
#include "MaterialTableView.h"
#include "QuantityTraits.h"
#include "SpectrumChart.h"
#include "StartUp.h"
#include "WindowLayout.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTabBar>
#include <QTimer>
#include <QUndoStack>

// The window's design: its controls with their places, fonts and tab order, the rule that fits
// them to the window's size, and the start-up that hides what waits for a library.

namespace quillon {

namespace {

constexpr int kClientWidth = 10140;
constexpr int kClientHeight = 7008;
constexpr int kTableLeft = 240;
constexpr int kTabStripTop = 120;
constexpr double kControlFontPoints = 7.8;
constexpr double kTabFontPoints = 11.4;
// Until loading every column has the grid's default width.
constexpr int kDefaultColumnTwips = 960;

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

} // namespace

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
    registerFontSubstitutes();
    setWindowIcon(packageIcon());
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPointSizeF(kControlFontPoints);
    windowFont.setBold(true);
    setFont(windowFont);
    resize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));

    // Created from the bottom of the stack up: the tab strip lies beneath everything.
    createTabStrip();
    m_picture = new PictureBox(decorativePicture(), this);
    m_picture->setObjectName(QStringLiteral("startPicture"));
    setTwipsGeometry(m_picture, 756, 960, 4308, 3444);
    connect(m_picture, &PictureBox::clicked, this, &MainWindow::loadLibrary);

    m_document = new LibraryDocument(QString(), this);
    m_tableModel = new LibraryTableModel(*m_document, this);
    m_numberColumnTwips = kDefaultColumnTwips;
    connect(m_document, &LibraryDocument::materialsChanged, this, &MainWindow::onMaterialsChanged);
    connect(m_document, &LibraryDocument::savedChanged, this,
            [this](bool saved) { setWindowModified(!saved); });
    createButtonsAndChart();

    QWidget::setTabOrder(m_quitButton, m_updateFileButton);
    QWidget::setTabOrder(m_updateFileButton, m_cellEditor);
    QWidget::setTabOrder(m_cellEditor, m_actionButton);
    QWidget::setTabOrder(m_actionButton, m_tabStrip->tabBar());
    QWidget::setTabOrder(m_tabStrip->tabBar(), m_chart);
    QWidget::setTabOrder(m_chart, m_copyButton);
    QWidget::setTabOrder(m_copyButton, m_pasteButton);
}

void MainWindow::createTabStrip()
{
    m_tabStrip = new TabStrip(this);
    m_tabStrip->setObjectName(QStringLiteral("quantityTabs"));
    QFont tabFont(QStringLiteral("Times New Roman"));
    tabFont.setPointSizeF(kTabFontPoints);
    tabFont.setBold(true);
    m_tabStrip->setFont(tabFont);
    m_tabStrip->tabBar()->setIconSize(QSize(40, 16));
    // The designed tooltip, then the quantity's symbol and unit on a line of their own.
    auto tip = [](const char16_t *designed, Quantity quantity) {
        return QString::fromUtf16(designed) + u'\n' +
               QString::fromUtf16(quantityTraits(quantity).description);
    };
    m_tabStrip->addTab({QIcon(tabImage(TabImage::TrueAlpha)), QString(),
                        tip(u"\"True\" Absorption Coefficient", Quantity::TrueAbsorption)});
    m_tabStrip->addTab({QIcon(tabImage(TabImage::SabineAlpha)), QString(),
                        tip(u"\"Sabine\" Absorption Coefficient", Quantity::SabineAbsorption)});
    m_tabStrip->addTab(
        {QIcon(), u"  R"_qs, tip(u"Sound Insulation Index", Quantity::Insulation)});
    m_tabStrip->addTab(
        {QIcon(), u"  s"_qs, tip(u"ISO Scattering Coefficient ", Quantity::Scattering)});
    setTwipsGeometry(m_tabStrip, 120, kTabStripTop, 9972, 6732);
    connect(m_tabStrip, &TabStrip::tabClicked, this, &MainWindow::onTabClicked);
}

void MainWindow::createButtonsAndChart()
{
    const QFont font = controlFont();
    auto makeButton = [&](const char *name, const char *caption, int left, int top, int width,
                          int height) {
        auto *button = new CommandButton(QString::fromLatin1(caption), this);
        button->setObjectName(QLatin1String(name));
        button->setFont(font);
        setTwipsGeometry(button, left, top, width, height);
        return button;
    };
    m_pasteButton = makeButton("pasteButton", "Paste", 1680, 2520, 1215, 495);
    m_copyButton = makeButton("copyButton", "Copy", 240, 2520, 1215, 495);

    m_chart = new SpectrumChart(this);
    m_chart->setObjectName(QStringLiteral("spectrumChart"));
    setTwipsGeometry(m_chart, 3000, 600, 6972, 2412);

    m_actionButton = makeButton("actionButton", kLoadCaption, 240, 1800, 1215, 495);
    m_actionButton->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_actionButton, &QPushButton::clicked, this, &MainWindow::runActionButton);
    connect(m_actionButton, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &position) {
                showActionMenu(m_actionButton->mapToGlobal(position));
            });

    m_cellEditor = new QLineEdit(QStringLiteral("0.0"), this);
    m_cellEditor->setObjectName(QStringLiteral("cellEditor"));
    m_cellEditor->setFont(font);
    QPalette cellPalette = m_cellEditor->palette();
    cellPalette.setColor(QPalette::Base, QColor(255, 255, 224));
    cellPalette.setColor(QPalette::Text, Qt::black);
    m_cellEditor->setPalette(cellPalette);
    setTwipsGeometry(m_cellEditor, 240, 600, 2655, 375);
    connect(m_cellEditor, &QLineEdit::returnPressed, this, &MainWindow::commitCellEdit);
    TextUndoKeys::install(m_cellEditor);

    m_updateFileButton = makeButton("updateFileButton", "Update File", 240, 1080, 2655, 495);
    connect(m_updateFileButton, &QPushButton::clicked, this, &MainWindow::saveLibrary);
    m_quitButton = makeButton("quitButton", "Quit", 1680, 1800, 1215, 495);
    connect(m_quitButton, &QPushButton::clicked, this, &QWidget::close);
}

MaterialTableView &MainWindow::table()
{
    if (m_table)
        return *m_table;
    const QFont font = controlFont();
    m_table = new MaterialTableView(this);
    m_table->setObjectName(QStringLiteral("materialTable"));
    m_table->setFont(font);
    m_table->setModel(m_tableModel);
    applyColumnWidths(kDefaultColumnTwips, kDefaultColumnTwips, kDefaultColumnTwips);
    setTwipsGeometry(m_table, kTableLeft, 3120, 9732, 3612);
    connect(m_table, &MaterialTableView::cellDoubleClicked, this, &MainWindow::onCellDoubleClicked);
    connect(m_table, &MaterialTableView::currentCellChanged, this,
            &MainWindow::onCurrentCellChanged);
    connect(m_table, &MaterialTableView::cellClicked, this, [this] {
        if (m_table->currentIndex().isValid())
            loadCellEditor();
    });
    connect(m_table, &MaterialTableView::characterTyped, this, &MainWindow::startEntry);
    // A block over several materials compares their spectra.
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_document->isLoaded())
            drawSpectrumChart();
    });
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_table, &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
        showTableMenu(m_table->viewport()->mapToGlobal(position));
    });
    m_table->addActions({m_copyAction, m_pasteAction});
    m_table->hide();
    // Where it was designed: above the picture, beneath the buttons, last in the tab order.
    m_table->stackUnder(m_pasteButton);
    QWidget::setTabOrder(m_pasteButton, m_table);
    layoutWindow();
    return *m_table;
}

void MainWindow::addShortcuts()
{
    // The history's actions, but through the window, which puts the selection back.
    QUndoStack &history = m_document->history();
    m_undoAction = history.createUndoAction(this);
    m_undoAction->setShortcuts(QKeySequence::Undo);
    m_redoAction = history.createRedoAction(this);
    for (QAction *action : {m_undoAction, m_redoAction})
        disconnect(action, &QAction::triggered, &history, nullptr);
    connect(m_undoAction, &QAction::triggered, this, &MainWindow::undo);
    connect(m_redoAction, &QAction::triggered, this, &MainWindow::redo);
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    for (const QKeySequence &key : {QKeySequence(Qt::CTRL | Qt::Key_Y),
                                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}) {
        if (!redoKeys.contains(key))
            redoKeys.append(key);
    }
    m_redoAction->setShortcuts(redoKeys);
    auto *findAction = new QAction(u"Find"_qs, this);
    findAction->setShortcuts(QKeySequence::Find);
    connect(findAction, &QAction::triggered, this, &MainWindow::openFind);
    // Searching on needs no field: the last text found goes on from the current material.
    auto *findNextAction = new QAction(u"Find Next"_qs, this);
    findNextAction->setShortcuts(QKeySequence::FindNext);
    connect(findNextAction, &QAction::triggered, this, [this] { findAgain(true); });
    auto *findPreviousAction = new QAction(u"Find Previous"_qs, this);
    findPreviousAction->setShortcuts(QKeySequence::FindPrevious);
    connect(findPreviousAction, &QAction::triggered, this, [this] { findAgain(false); });
    addActions({m_undoAction, m_redoAction, findAction, findNextAction, findPreviousAction});

    // The clipboard keys belong to the table; the buttons and the table's menu trigger the
    // same actions.
    m_copyAction = new QAction(u"Copy"_qs, this);
    m_copyAction->setShortcuts(QKeySequence::Copy);
    m_copyAction->setShortcutContext(Qt::WidgetShortcut);
    connect(m_copyAction, &QAction::triggered, this, &MainWindow::copySelection);
    m_pasteAction = new QAction(u"Paste"_qs, this);
    m_pasteAction->setShortcuts(QKeySequence::Paste);
    m_pasteAction->setShortcutContext(Qt::WidgetShortcut);
    connect(m_pasteAction, &QAction::triggered, this, &MainWindow::pasteSelection);
    for (QAction *action : {m_copyAction, m_pasteAction})
        action->setEnabled(false); // until a library is loaded
    connect(m_copyButton, &QPushButton::clicked, m_copyAction, &QAction::trigger);
    connect(m_pasteButton, &QPushButton::clicked, m_pasteAction, &QAction::trigger);

    m_findBar = new FindBar(this);
    TextUndoKeys::install(m_findBar);
    m_findBar->hide();
    m_findBar->setFont(controlFont());
    connect(m_findBar, &FindBar::findRequested, this, &MainWindow::findMaterialNamed);
    connect(m_findBar, &FindBar::closed, this, [this] { table().setFocus(); });
}

void MainWindow::placeFindBar()
{
    constexpr int kFindWidthTwips = 3000;
    const int width = twipsToPixels(kFindWidthTwips);
    const int height = m_tabStrip->tabBar()->height() - 4;
    m_findBar->setGeometry(m_tabStrip->geometry().right() - width - 2, m_tabStrip->y() + 2, width,
                           std::max(height, m_findBar->minimumSizeHint().height()));
}

void MainWindow::startUp(const QString &executableFolder, const QLocale &locale)
{
    m_installFolder = installFolderFor(executableFolder);
    m_document->setFolder(m_installFolder);
    const RecoveryOutcome recovery =
        recoverInterruptedSave(m_document->materialPath(), m_document->colorPath());
    // While another program saves, the load recovers if anything is left to recover.
    if (!recovery.message.isEmpty() && !recovery.busy)
        m_dialogs->messageBox(recovery.message, QString::fromLatin1(kWindowCaption),
                              recovery.ok ? QMessageBox::Information : QMessageBox::Warning);
    if (!checkRegionalSettings(locale)) {
        const auto answer = m_dialogs->messageBox(QString::fromLatin1(kRegionalQuestion),
                                                  QString::fromLatin1(kRegionalTitle),
                                                  QMessageBox::Critical, kYesNo);
        if (answer == QMessageBox::Yes)
            openRegionalSettings();
        // Saving before a library is loaded would write an empty library over the files.
        m_updateFileButton->hide();
        table().show();
        m_quitButton->setFocus();
        return;
    }
    m_quitButton->hide();
    m_cellEditor->hide();
    m_updateFileButton->hide();
    m_actionButton->setFocus();
    // The hidden table is built once the window is up, so that neither the first showing nor
    // the load waits for it.
    QTimer::singleShot(0, this, [this] { table(); });
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
        QString::fromLatin1(kRegionalTitle), QMessageBox::Information);
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
    input.tableLeft = kTableLeft;
    input.tabStripTop = kTabStripTop;
    input.numberColumnWidth = m_numberColumnTwips;
    const LayoutResult result = quillon::layoutWindow(input);

    m_tabStrip->resize(twipsToPixels(result.tabStripWidth), twipsToPixels(result.tabStripHeight));
    if (m_table)
        m_table->resize(twipsToPixels(result.tableWidth), twipsToPixels(result.tableHeight));
    m_chart->resize(twipsToPixels(result.chartWidth), m_chart->height());
    placeFindBar();
    applyColumnWidths(result.nameColumnWidth, result.swatchColumnWidth, result.bandColumnWidth);
}

void MainWindow::applyColumnWidths(int nameTwips, int swatchTwips, int bandTwips)
{
    if (!m_table)
        return;
    m_table->verticalHeader()->setFixedWidth(twipsToPixels(m_numberColumnTwips));
    QHeaderView *header = m_table->horizontalHeader();
    header->resizeSection(kNameColumn, twipsToPixels(nameTwips));
    header->resizeSection(kSwatchColumn, twipsToPixels(swatchTwips));
    for (int column = kFirstBandColumn; column <= kLastBandColumn; ++column)
        header->resizeSection(column, twipsToPixels(bandTwips));
}

} // namespace quillon
