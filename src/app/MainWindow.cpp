#include "MainWindow.h"

#include "AbsorptionConversions.h"
#include "Artwork.h"
#include "Controls.h"
#include "Cp1252.h"
#include "FlexGrid.h"
#include "LibraryStorage.h"
#include "MaterialClipboard.h"
#include "NumberFormat.h"
#include "QuantityTable.h"
#include "SpectrumChart.h"
#include "StartUp.h"
#include "SwatchDelegate.h"
#include "WindowLayout.h"

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
constexpr int kNumberColumnWidth = 500;
constexpr double kLoadNameColumnDivisor = 3.4;
constexpr int kLoadColorColumnWidth = 600;
constexpr int kLoadBandColumnWidth = 500;
constexpr int kTwipsPerInch = 1440;

constexpr double kControlFontPoints = 7.8;
constexpr double kTabFontPoints = 11.4;
constexpr int kSwatchLength = 12;
constexpr QChar kSwatchCharacter(0x7F);
constexpr int kPreloadRows = 2;

constexpr int kMessageQuestionStop = kYesNo + kStopIcon;
constexpr int kMessageQuestionExclamation = kYesNo + kExclamationIcon;

const QStringList &bandHeadings()
{
    static const QStringList headings = {u"31.5"_qs, u"63"_qs, u"125"_qs, u"250"_qs, u"500"_qs,
                                         u"1k"_qs,   u"2k"_qs, u"4k"_qs,  u"8k"_qs,  u"16k"_qs};
    return headings;
}

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

QColor toQColor(MaterialColor color)
{
    return QColor(colorRed(color), colorGreen(color), colorBlue(color));
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
    : QWidget(parent), m_dialogs(std::move(dialogs)), m_library(std::make_unique<MaterialLibrary>())
{
    if (!m_dialogs)
        m_dialogs = std::make_unique<QtUserDialogs>(this);
    registerFontSubstitutes();
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QString::fromLatin1(kWindowCaption));
    setWindowIcon(windowIcon());
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPointSizeF(kControlFontPoints);
    windowFont.setBold(true);
    setFont(windowFont);
    setAcceptDrops(true);
    createControls();
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
    m_tabStrip->addTab({QIcon(tabImage(TabImage::TrueAlpha)), QString(), u"A"_qs, u"AlphaR"_qs,
                        u"\"True\" Absorption Coefficient"_qs});
    m_tabStrip->addTab({QIcon(tabImage(TabImage::SabineAlpha)), QString(), u"As"_qs,
                        u"AlphaS"_qs, u"\"Sabine\" Absorption Coefficient"_qs});
    m_tabStrip->addTab({QIcon(), u"  R"_qs, u"R"_qs, u"R"_qs, u"Sound Insulation Index"_qs});
    m_tabStrip->addTab({QIcon(), u"  s"_qs, u"d"_qs, u"d"_qs, u"ISO Scattering Coefficient "_qs});
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
    connect(m_grid, &FlexGrid::currentCellChanged, this, &MainWindow::onCurrentCellChanged);
    connect(m_grid, &FlexGrid::cellClicked, this, &MainWindow::onCellClicked);
    connect(m_grid, &FlexGrid::cellDoubleClicked, this, &MainWindow::onCellDoubleClicked);
    connect(m_grid, &FlexGrid::characterTyped, this, &MainWindow::onCharacterTyped);
    connect(m_grid, &FlexGrid::keyDown, this, &MainWindow::onKeyDown);

    auto makeButton = [&](const char *name, const char *caption, int left, int top, int width,
                          int height) {
        auto *button = new QPushButton(QString::fromLatin1(caption), this);
        button->setObjectName(QLatin1String(name));
        button->setFont(font);
        button->setAutoDefault(false);
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
    if (!m_dialogs->openLocalFile(path)) {
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
                                   colorFilePath(m_installFolder), *m_library);
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
    m_library->librarySaved = true;
    m_tableReady = false;
    QCoreApplication::processEvents();
    layOutTable();
    m_libraryLoaded = true;
    m_loading = false;
    refreshQuantityTable();
    if (const QString report = loadReport(outcome); !report.isEmpty())
        m_dialogs->messageBox(report, QString::fromLatin1(kWindowCaption), kExclamationIcon);
}

void MainWindow::layOutTable()
{
    m_grid->setGridSize(kGridRows, kGridCols);
    m_grid->setColWidthTwips(kNumberColumn, kNumberColumnWidth);
    m_grid->setColWidthTwips(kNameColumn,
                             roundHalfEven(pixelsToTwips(frameGeometry().width()) /
                                           kLoadNameColumnDivisor));
    m_grid->setColWidthTwips(kColorColumn, kLoadColorColumnWidth);
    for (int c = kFirstBandColumn; c <= kLastBandColumn; ++c)
        m_grid->setColWidthTwips(c, kLoadBandColumnWidth);

    GridModel &model = *m_grid->gridModel();
    model.setTextSilently(0, kNumberColumn, u"N. "_qs);
    model.setTextSilently(0, kNameColumn, u"Frequency (Hz)"_qs);
    model.setTextSilently(0, kColorColumn, u"Color"_qs);
    for (int band = 1; band <= kBandCount; ++band)
        model.setTextSilently(0, columnOfBand(band), bandHeadings().at(band - 1));
    const QString swatch(kSwatchLength, kSwatchCharacter);
    for (int r = 1; r < kGridRows; ++r) {
        model.setTextSilently(r, kNumberColumn, QLatin1Char(' ') + QString::number(r - 1));
        model.setTextSilently(r, kColorColumn, swatch);
        model.setTextColorSilently(r, kColorColumn, m_library->materialColors[static_cast<size_t>(r)]);
    }
    for (int n = 1; n <= m_library->materialCount; ++n)
        model.setTextSilently(n, kNameColumn,
                              decodeCp1252(m_library->materialNames[static_cast<size_t>(n)]));
    model.notifyChanged(0, 0, kGridRows - 1, kGridCols - 1);
    m_grid->setCurrentCell(1, kFirstBandColumn);
}

void MainWindow::refreshQuantityTable()
{
    BusyPointer busy;
    m_dialogs->beep();
    const bool gridHadFocus = m_grid->hasFocus();
    m_grid->hide();
    m_tableReady = false;
    QCoreApplication::processEvents();
    const int row = m_grid->row();
    const int col = m_grid->col();
    writeBandColumns(*m_grid->gridModel(), *m_library, selectedQuantity());
    m_grid->setCurrentCell(row, col);
    drawSpectrumChart();
    m_grid->show();
    if (gridHadFocus)
        m_grid->setFocus();
    m_tableReady = true;
}

void MainWindow::drawSpectrumChart()
{
    const int row = std::clamp(m_grid->row(), 0, kMaxMaterials);
    m_chart->showSpectrum(spectrumValues(*m_library, row, selectedQuantity()));
}

void MainWindow::onTabClicked()
{
    m_picture->show();
    refreshQuantityTable();
    m_picture->hide();
}

void MainWindow::onCurrentCellChanged()
{
    if (!m_tableReady)
        return;
    loadCellEditor();
    drawSpectrumChart();
}

void MainWindow::onCellClicked()
{
    if (m_grid->row() >= 1 && m_grid->col() >= 1) {
        loadCellEditor();
        m_chart->selectSeries(1);
    }
}

void MainWindow::loadCellEditor()
{
    const int row = m_grid->row();
    const int col = m_grid->col();
    m_cell->setText(m_grid->textMatrix(row, col));
    QPalette palette = m_cell->palette();
    const GridModel &model = *m_grid->gridModel();
    palette.setColor(QPalette::Text, model.hasTextColor(row, col)
                                         ? toQColor(model.textColor(row, col))
                                         : QColor(Qt::black));
    m_cell->setPalette(palette);
}

void MainWindow::onCharacterTyped(QChar character)
{
    if (character.unicode() <= 31)
        return;
    m_cell->clear();
    m_cell->setFocus();
    m_cell->setText(QString(character));
    m_cell->setCursorPosition(1);
    m_cell->deselect();
}

void MainWindow::commitCellEdit()
{
    const int row = m_grid->row();
    const int col = m_grid->col();
    if (row < 1 || col < 1 || row > kMaxMaterials) {
        m_grid->setFocus();
        return;
    }
    const auto slot = static_cast<size_t>(row);
    if (col >= kFirstBandColumn) {
        const double entered = parseLeadingNumber(QStringView(m_cell->text()));
        const QString shown = formatNumber(entered, patterns::kEditor);
        const double value = parseLeadingNumber(QStringView(shown));
        if (!toStoredFloat(entered) ||
            storeBandValue(*m_library, row, bandOfColumn(col), selectedQuantity(), value) !=
                StoreResult::Stored) {
            // Nothing is stored that the library could not hold or turn back into a value.
            m_dialogs->beep();
            return;
        }
        m_grid->setTextMatrix(row, col, shown);
        drawSpectrumChart();
    } else if (col == kNameColumn) {
        bool lossy = false;
        m_library->materialNames[slot] = encodeCp1252(m_cell->text(), &lossy);
        m_grid->setTextMatrix(row, col, decodeCp1252(m_library->materialNames[slot]));
        if (lossy)
            reportLossyName();
    }
    if (row > m_library->materialCount)
        m_library->materialCount = row;
    m_grid->setFocus();
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
    m_cell->setText(m_grid->textMatrix(row, kColorColumn));
    if (row >= 1 && row <= kMaxMaterials) {
        const auto slot = static_cast<size_t>(row);
        if (const auto chosen = m_dialogs->chooseColor(m_library->materialColors[slot])) {
            m_library->materialColors[slot] = *chosen;
            m_grid->gridModel()->setTextColor(row, kColorColumn, *chosen);
        }
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
    if (!m_libraryLoaded)
        return;
    QGuiApplication::clipboard()->setText(m_grid->clip());
}

void MainWindow::pasteSelection()
{
    if (!m_libraryLoaded)
        return;
    const QString text = QGuiApplication::clipboard()->text();
    const FlexGrid::Block block = m_grid->setClip(text);
    const PasteOutcome outcome =
        storePastedBlock(*m_grid->gridModel(), *m_library, selectedQuantity(), block);
    drawSpectrumChart();
    if (outcome.lossyNames)
        reportLossyName();
    if (outcome.skippedValues > 0) {
        m_dialogs->messageBox(
            QStringLiteral("%1 pasted value(s) were not stored: they are not finite numbers, or "
                           "\"Sabine\" coefficients below %2 that have no \"True\" counterpart.")
                .arg(outcome.skippedValues)
                .arg(kMinimumSabine, 0, 'g', 10),
            QString::fromLatin1(kWindowCaption), kExclamationIcon);
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
    const SaveOutcome outcome =
        saveLibraryFiles(materialPath, colorPath, *m_library, m_libraryStamps);
    m_libraryStamps = outcome.stamps;
    if (!outcome.message.isEmpty())
        m_dialogs->messageBox(outcome.message, QString::fromLatin1(kWindowCaption),
                              outcome.ok ? kExclamationIcon : kStopIcon);
    if (!outcome.ok)
        return;
    m_library->librarySaved = true;
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
    if (m_library->materialCount >= kMaxMaterials) {
        refuse(QStringLiteral("the library already holds %1 materials").arg(kMaxMaterials));
        return;
    }
    const LumeoReadResult read = readLumeoFile(path);
    if (!read.ok) {
        refuse(read.problem);
        return;
    }

    const int n = ++m_library->materialCount;
    const auto slot = static_cast<size_t>(n);
    for (int k = 0; k < kLumeoBandCount; ++k)
        m_library->alphaR[slot][static_cast<size_t>(kLumeoFirstBand + k)] =
            read.values[static_cast<size_t>(k)];
    bool lossy = false;
    m_library->materialNames[slot] = encodeCp1252(lumeoMaterialName(path), &lossy);
    m_library->materialColors[slot] = m_importColors.nextColor();
    m_library->hasAlpha[slot] = true;

    m_grid->setCurrentCell(n, kColorColumn);
    m_grid->gridModel()->setTextColor(n, kColorColumn, m_library->materialColors[slot]);
    if (selectedQuantity() == Quantity::TrueAbsorption) {
        m_grid->setCurrentCell(n, kNameColumn);
        m_grid->setTextMatrix(n, kNameColumn, decodeCp1252(m_library->materialNames[slot]));
        for (int band = 1; band <= kBandCount; ++band) {
            m_grid->setCurrentCell(n, columnOfBand(band));
            m_grid->setTextMatrix(n, columnOfBand(band),
                                  formatNumber(m_library->alphaR[slot][static_cast<size_t>(band)],
                                               patterns::kEditor));
        }
    } else {
        m_grid->setTextMatrix(n, kNameColumn, decodeCp1252(m_library->materialNames[slot]));
        m_tabStrip->selectPosition(static_cast<int>(Quantity::TrueAbsorption));
        refreshQuantityTable();
    }
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
    const QString text = m_library->librarySaved
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
