#include "MainWindow.h"

#include "Artwork.h"
#include "Controls.h"
#include "FindBar.h"
#include "FlexGrid.h"
#include "QuantityTable.h"
#include "SpectrumChart.h"
#include "StartUp.h"
#include "SwatchDelegate.h"
#include "TableEditor.h"
#include "WindowLayout.h"

#include <QAction>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTabBar>

// The window's design: its controls with their places, fonts and tab order, the rule that fits
// them to the window's size, and the start-up that hides what waits for a library.

namespace quillon {

namespace {

constexpr int kClientWidth = 10140;
constexpr int kClientHeight = 7008;
constexpr int kGridLeft = 240;
constexpr int kTabStripTop = 120;
constexpr int kTwipsPerInch = 1440;
constexpr double kControlFontPoints = 7.8;
constexpr double kTabFontPoints = 11.4;
constexpr int kPreloadRows = 2;
constexpr int kMessageQuestionStop = kYesNo + kStopIcon;

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
    // A block over several materials compares their spectra.
    connect(m_grid->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_editor && m_editor->tableReady())
            drawSpectrumChart();
    });
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
    TextUndoKeys::install(m_cell);

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

void MainWindow::addShortcuts()
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
    auto *findAction = new QAction(this);
    findAction->setShortcuts(QKeySequence::Find);
    connect(findAction, &QAction::triggered, this, &MainWindow::openFind);
    // Searching on needs no field: the last text found goes on from the current material.
    auto *findNextAction = new QAction(this);
    findNextAction->setShortcuts(QKeySequence::FindNext);
    connect(findNextAction, &QAction::triggered, this, [this] { findAgain(true); });
    auto *findPreviousAction = new QAction(this);
    findPreviousAction->setShortcuts(QKeySequence::FindPrevious);
    connect(findPreviousAction, &QAction::triggered, this, [this] { findAgain(false); });
    addActions({undoAction, redoAction, findAction, findNextAction, findPreviousAction});

    m_findBar = new FindBar(this);
    TextUndoKeys::install(m_findBar);
    m_findBar->hide();
    m_findBar->setFont(controlFont());
    connect(m_findBar, &FindBar::findRequested, this, &MainWindow::findMaterialNamed);
    connect(m_findBar, &FindBar::closed, this, [this] { m_grid->setFocus(); });
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
    const RecoveryOutcome recovery =
        recoverInterruptedSave(materialFilePath(m_installFolder), colorFilePath(m_installFolder));
    // While another program saves, the load recovers if anything is left to recover.
    if (!recovery.message.isEmpty() && !recovery.busy)
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
    placeFindBar();
    m_grid->setColWidthTwips(kNameColumn, result.column1Width);
    m_grid->setColWidthTwips(kColorColumn, result.column2Width);
    for (int c = kFirstBandColumn; c <= kLastBandColumn; ++c)
        m_grid->setColWidthTwips(c, result.bandColumnWidth);
}

} // namespace quillon
