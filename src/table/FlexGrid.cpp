#include "FlexGrid.h"

#include <QAbstractButton>
#include <QColor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScreen>
#include <QStyleOptionHeader>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <utility>

namespace quillon {

namespace {

constexpr double kTwipsPerPixelAt96Dpi = 15.0;
constexpr double kReferenceDpi = 96.0;
constexpr int kDefaultColWidthTwips = 960;
constexpr int kRowPadding = 4;
constexpr int kInitialRows = 2;
constexpr int kInitialCols = 2;

constexpr int kShiftBit = 1;
constexpr int kCtrlBit = 2;
constexpr int kAltBit = 4;

constexpr char16_t kCellSeparator = u'\t';
constexpr char16_t kCarriageReturn = u'\r';
constexpr char16_t kLastControlCode = 31;
constexpr char16_t kDeleteCode = 127;

const QString &emptyText()
{
    static const QString empty;
    return empty;
}

int shiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers.testFlag(Qt::ShiftModifier) ? kShiftBit : 0) |
           (modifiers.testFlag(Qt::ControlModifier) ? kCtrlBit : 0) |
           (modifiers.testFlag(Qt::AltModifier) ? kAltBit : 0);
}

// Ctrl or Alt alone make a shortcut, whatever text the platform attaches to it; both together
// are how some systems report AltGr, which types characters.
bool typedCharacter(const QKeyEvent &event, QChar *character)
{
    const QString text = event.text();
    if (text.size() != 1)
        return false;
    const QChar ch = text.front();
    if (ch.unicode() <= kLastControlCode || ch.unicode() == kDeleteCode)
        return false;
    const bool ctrl = event.modifiers().testFlag(Qt::ControlModifier);
    const bool alt = event.modifiers().testFlag(Qt::AltModifier);
    if (ctrl != alt)
        return false;
    *character = ch;
    return true;
}

bool isMoveKey(int key)
{
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    default:
        return false;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent) {}

void GridModel::setGridSize(int rows, int cols)
{
    rows = std::max(rows, 0);
    cols = std::max(cols, 0);
    beginResetModel();
    std::vector<QString> texts(static_cast<size_t>(rows) * static_cast<size_t>(cols));
    std::vector<MaterialColor> colors(texts.size(), kNoTextColor);
    const int keptRows = std::min(rows, m_rows);
    const int keptCols = std::min(cols, m_cols);
    for (int r = 0; r < keptRows; ++r) {
        for (int c = 0; c < keptCols; ++c) {
            const size_t to =
                static_cast<size_t>(r) * static_cast<size_t>(cols) + static_cast<size_t>(c);
            texts[to] = std::move(m_texts[slot(r, c)]);
            colors[to] = m_colors[slot(r, c)];
        }
    }
    m_rows = rows;
    m_cols = cols;
    m_texts = std::move(texts);
    m_colors = std::move(colors);
    endResetModel();
}

const QString &GridModel::text(int row, int col) const
{
    return contains(row, col) ? m_texts[slot(row, col)] : emptyText();
}

void GridModel::setText(int row, int col, const QString &text)
{
    if (!contains(row, col))
        return;
    m_texts[slot(row, col)] = text;
    notifyChanged(row, col, row, col);
}

void GridModel::setTextSilently(int row, int col, const QString &text)
{
    if (contains(row, col))
        m_texts[slot(row, col)] = text;
}

void GridModel::notifyChanged(int firstRow, int firstCol, int lastRow, int lastCol)
{
    if (m_rows == 0 || m_cols == 0)
        return;
    const int top = std::clamp(std::min(firstRow, lastRow), 0, m_rows - 1);
    const int bottom = std::clamp(std::max(firstRow, lastRow), 0, m_rows - 1);
    const int left = std::clamp(std::min(firstCol, lastCol), 0, m_cols - 1);
    const int right = std::clamp(std::max(firstCol, lastCol), 0, m_cols - 1);

    if (top == 0 && left == 0)
        emit cornerTextChanged();
    if (top == 0 && right >= 1)
        emit headerDataChanged(Qt::Horizontal, std::max(left, 1) - 1, right - 1);
    if (left == 0 && bottom >= 1)
        emit headerDataChanged(Qt::Vertical, std::max(top, 1) - 1, bottom - 1);
    if (bottom >= 1 && right >= 1)
        emit dataChanged(index(std::max(top, 1) - 1, std::max(left, 1) - 1),
                         index(bottom - 1, right - 1));
}

MaterialColor GridModel::textColor(int row, int col) const
{
    return contains(row, col) ? m_colors[slot(row, col)] : kNoTextColor;
}

bool GridModel::hasTextColor(int row, int col) const
{
    return textColor(row, col) != kNoTextColor;
}

void GridModel::setTextColor(int row, int col, MaterialColor color)
{
    if (!contains(row, col))
        return;
    setTextColorSilently(row, col, color);
    if (row >= 1 && col >= 1) {
        const QModelIndex cell = index(row - 1, col - 1);
        emit dataChanged(cell, cell, {Qt::ForegroundRole});
    }
}

void GridModel::setTextColorSilently(int row, int col, MaterialColor color)
{
    if (contains(row, col))
        m_colors[slot(row, col)] = color < 0 ? kNoTextColor : color;
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : std::max(m_rows - 1, 0);
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : std::max(m_cols - 1, 0);
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const int row = index.row() + 1;
    const int col = index.column() + 1;
    switch (role) {
    case Qt::DisplayRole:
        return m_texts[slot(row, col)];
    case Qt::ForegroundRole: {
        const MaterialColor color = m_colors[slot(row, col)];
        if (color == kNoTextColor)
            return {};
        return QColor(colorRed(color), colorGreen(color), colorBlue(color));
    }
    default:
        return {};
    }
}

void GridModel::setHeaderToolTip(int col, const QString &toolTip)
{
    if (col < 1 || col >= m_cols)
        return;
    m_headerToolTips.resize(static_cast<size_t>(m_cols));
    m_headerToolTips[static_cast<size_t>(col)] = toolTip;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::ToolTipRole && orientation == Qt::Horizontal && section >= 0) {
        const auto col = static_cast<size_t>(section + 1);
        return col < m_headerToolTips.size() && !m_headerToolTips[col].isEmpty()
                   ? QVariant(m_headerToolTips[col])
                   : QVariant();
    }
    if (role != Qt::DisplayRole || section < 0)
        return {};
    if (orientation == Qt::Horizontal)
        return section + 1 < m_cols && m_rows > 0 ? QVariant(text(0, section + 1)) : QVariant();
    return section + 1 < m_rows && m_cols > 0 ? QVariant(text(section + 1, 0)) : QVariant();
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

// ---------------------------------------------------------------------------------------------

FlexGrid::FlexGrid(QWidget *parent) : QTableView(parent), m_model(new GridModel(this))
{
    setModel(m_model);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    // Tab leaves the table, as it leaves every other control; the arrows move between cells.
    setTabKeyNavigation(false);

    QHeaderView *horizontal = horizontalHeader();
    QHeaderView *vertical = verticalHeader();
    horizontal->setSectionResizeMode(QHeaderView::Fixed);
    vertical->setSectionResizeMode(QHeaderView::Fixed);
    horizontal->setMinimumSectionSize(1);

    // The view's own header handling selects whole rows and columns as loose selections;
    // here they become blocks with a proper current cell.
    disconnect(horizontal, &QHeaderView::sectionPressed, this, nullptr);
    disconnect(horizontal, &QHeaderView::sectionEntered, this, nullptr);
    disconnect(vertical, &QHeaderView::sectionPressed, this, nullptr);
    disconnect(vertical, &QHeaderView::sectionEntered, this, nullptr);
    connect(horizontal, &QHeaderView::sectionPressed, this,
            [this](int section) { selectHeaderSection(Qt::Horizontal, section, false); });
    connect(horizontal, &QHeaderView::sectionEntered, this,
            [this](int section) { selectHeaderSection(Qt::Horizontal, section, true); });
    connect(vertical, &QHeaderView::sectionPressed, this,
            [this](int section) { selectHeaderSection(Qt::Vertical, section, false); });
    connect(vertical, &QHeaderView::sectionEntered, this,
            [this](int section) { selectHeaderSection(Qt::Vertical, section, true); });

    // The corner shows the text of cell (0, 0).
    m_cornerButton = findChild<QAbstractButton *>(QString(), Qt::FindDirectChildrenOnly);
    if (m_cornerButton) {
        m_cornerButton->installEventFilter(this);
        connect(m_model, &GridModel::cornerTextChanged, m_cornerButton,
                qOverload<>(&QWidget::update));
    }

    applyRowHeight();
    setGridSize(kInitialRows, kInitialCols);
}

void FlexGrid::setGridSize(int rows, int cols)
{
    const int oldRow = row();
    const int oldCol = col();
    const int oldEndRow = m_endRow;
    const int oldEndCol = m_endCol;

    m_model->setGridSize(rows, cols);
    m_colWidthsTwips.resize(static_cast<size_t>(m_model->gridCols()), kDefaultColWidthTwips);
    applyColumnWidths();

    const int lastRow = m_model->gridRows() - 1;
    const int lastCol = m_model->gridCols() - 1;
    if (lastRow >= 1 && lastCol >= 1) {
        const int newRow = std::clamp(oldRow, 1, lastRow);
        const int newCol = std::clamp(oldCol, 1, lastCol);
        m_endRow = oldEndRow >= 1 ? std::clamp(oldEndRow, 1, lastRow) : newRow;
        m_endCol = oldEndCol >= 1 ? std::clamp(oldEndCol, 1, lastCol) : newCol;
        const QScopedValueRollback keepSelectionEnd(m_extending, true);
        selectionModel()->setCurrentIndex(m_model->index(newRow - 1, newCol - 1),
                                          QItemSelectionModel::NoUpdate);
        enforceSelection();
    } else {
        m_endRow = 0;
        m_endCol = 0;
    }
    reportCurrentCell();
}

int FlexGrid::row() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

int FlexGrid::col() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.column() + 1 : 0;
}

int FlexGrid::rowSel() const
{
    return currentIndex().isValid() ? m_endRow : 0;
}

int FlexGrid::colSel() const
{
    return currentIndex().isValid() ? m_endCol : 0;
}

void FlexGrid::setCurrentCell(int row, int col)
{
    if (row < 1 || row >= rows() || col < 1 || col >= cols())
        return;
    m_endRow = row;
    m_endCol = col;
    const QModelIndex cell = m_model->index(row - 1, col - 1);
    if (cell == currentIndex())
        enforceSelection();
    else
        selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect);
}

void FlexGrid::setSelectionEnd(int rowSel, int colSel)
{
    if (!currentIndex().isValid())
        return;
    m_endRow = std::clamp(rowSel, 1, rows() - 1);
    m_endCol = std::clamp(colSel, 1, cols() - 1);
    enforceSelection();
}

FlexGrid::Block FlexGrid::selectedBlock() const
{
    const int r = row();
    const int c = col();
    if (r < 1 || c < 1)
        return {};
    return {std::min(r, m_endRow), std::min(c, m_endCol), std::max(r, m_endRow),
            std::max(c, m_endCol)};
}

QString FlexGrid::clip() const
{
    const Block block = selectedBlock();
    if (block.top < 1)
        return {};
    constexpr qsizetype kTypicalCellLength = 8;
    QString out;
    out.reserve(static_cast<qsizetype>(block.bottom - block.top + 1) *
                (block.right - block.left + 1) * kTypicalCellLength);
    for (int r = block.top; r <= block.bottom; ++r) {
        if (r > block.top)
            out += QChar(kCarriageReturn);
        for (int c = block.left; c <= block.right; ++c) {
            if (c > block.left)
                out += QChar(kCellSeparator);
            out += m_model->text(r, c);
        }
    }
    return out;
}

int FlexGrid::colWidthTwips(int col) const
{
    if (col < 0 || col >= static_cast<int>(m_colWidthsTwips.size()))
        return 0;
    return m_colWidthsTwips[static_cast<size_t>(col)];
}

void FlexGrid::setColWidthTwips(int col, int twips)
{
    if (col < 0 || col >= static_cast<int>(m_colWidthsTwips.size()))
        return;
    m_colWidthsTwips[static_cast<size_t>(col)] = std::max(twips, 0);
    const int pixels = twipsToPixels(m_colWidthsTwips[static_cast<size_t>(col)], logicalDpiX());
    if (col == 0)
        verticalHeader()->setFixedWidth(pixels);
    else
        horizontalHeader()->resizeSection(col - 1, pixels);
}

int FlexGrid::twipsToPixels(int twips, qreal logicalDpi)
{
    return static_cast<int>(
        std::lround(twips / kTwipsPerPixelAt96Dpi * (logicalDpi / kReferenceDpi)));
}

void FlexGrid::selectAll()
{
    if (rows() < 2 || cols() < 2)
        return;
    setCurrentCell(1, 1);
    setSelectionEnd(rows() - 1, cols() - 1);
}

void FlexGrid::keyboardSearch(const QString &) {}

void FlexGrid::keyPressEvent(QKeyEvent *event)
{
    emit keyDown(event->key(), shiftState(event->modifiers()));
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
        event->accept();
        const bool backwards = event->key() == Qt::Key_Backtab ||
                               event->modifiers().testFlag(Qt::ShiftModifier);
        focusNextPrevChild(!backwards);
        return;
    }

    QChar character;
    if (typedCharacter(*event, &character)) {
        event->accept();
        emit characterTyped(character);
        return;
    }
    // The view would put the current cell alone on the clipboard.
    if (event->matches(QKeySequence::Copy)) {
        event->accept();
        return;
    }
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    const QScopedValueRollback extend(m_extending, shift);
    const QModelIndex before = currentIndex();
    QTableView::keyPressEvent(event);
    // A move that stays on the current cell (at the table's edge) drops the block as any move.
    if (!shift && before.isValid() && currentIndex() == before && isMoveKey(event->key())) {
        m_endRow = row();
        m_endCol = col();
    }
    enforceSelection();
}

void FlexGrid::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex pressed = indexAt(event->position().toPoint());
    const bool onCell = pressed.isValid();
    // The context menu acts on the block under the pointer, as in any spreadsheet.
    m_rightPressedOnCell = onCell && event->button() == Qt::RightButton;
    if (m_rightPressedOnCell) {
        const Block block = selectedBlock();
        const int r = pressed.row() + 1;
        const int c = pressed.column() + 1;
        if (r < block.top || r > block.bottom || c < block.left || c > block.right)
            setCurrentCell(r, c);
        event->accept();
        return;
    }
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    {
        const QScopedValueRollback extend(m_extending, shift);
        QTableView::mousePressEvent(event);
        // A press on the current cell does not move it, so currentChanged cannot drop the block.
        if (onCell && !shift && event->button() == Qt::LeftButton && pressed == currentIndex()) {
            m_endRow = pressed.row() + 1;
            m_endCol = pressed.column() + 1;
        }
        enforceSelection();
    }
    m_pressedOnCell = onCell && event->button() == Qt::LeftButton;
    m_dragSelecting = m_pressedOnCell;
}

void FlexGrid::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragSelecting || !event->buttons().testFlag(Qt::LeftButton)) {
        QTableView::mouseMoveEvent(event);
        return;
    }
    const QScopedValueRollback extend(m_extending, true);
    QTableView::mouseMoveEvent(event);
    // Outside the cells the view leaves the current cell behind; follow the nearest cell.
    const QRect area = viewport()->rect();
    const QPoint pos = event->position().toPoint();
    const QPoint inside(std::clamp(pos.x(), area.left(), area.right()),
                        std::clamp(pos.y(), area.top(), area.bottom()));
    const QModelIndex cell = indexAt(inside);
    if (cell.isValid() && cell != currentIndex())
        selectionModel()->setCurrentIndex(cell, QItemSelectionModel::NoUpdate);
    enforceSelection();
}

void FlexGrid::mouseReleaseEvent(QMouseEvent *event)
{
    if (std::exchange(m_rightPressedOnCell, false) && event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QTableView::mouseReleaseEvent(event);
    const bool clicked = m_pressedOnCell && event->button() == Qt::LeftButton;
    m_pressedOnCell = false;
    m_dragSelecting = false;
    if (clicked)
        emit cellClicked();
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    const bool onCell = indexAt(event->position().toPoint()).isValid();
    QTableView::mouseDoubleClickEvent(event);
    enforceSelection();
    m_pressedOnCell = false;
    m_dragSelecting = false;
    if (onCell && event->button() == Qt::LeftButton)
        emit cellDoubleClicked();
}

void FlexGrid::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        applyRowHeight();
}

void FlexGrid::showEvent(QShowEvent *event)
{
    QTableView::showEvent(event);
    watchScreen();
}

bool FlexGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_cornerButton && event->type() == QEvent::Paint) {
        QStyleOptionHeader option;
        option.initFrom(m_cornerButton);
        option.state |= QStyle::State_Raised;
        option.position = QStyleOptionHeader::OnlyOneSection;
        option.text = m_model->text(0, 0);
        option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        QPainter painter(m_cornerButton);
        m_cornerButton->style()->drawControl(QStyle::CE_Header, &option, &painter, m_cornerButton);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void FlexGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (current.isValid() && (!m_extending || m_endRow < 1 || m_endCol < 1)) {
        m_endRow = current.row() + 1;
        m_endCol = current.column() + 1;
    }
    enforceSelection();
    reportCurrentCell();
}

void FlexGrid::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QTableView::selectionChanged(selected, deselected);
    enforceSelection();
}

void FlexGrid::applyColumnWidths()
{
    for (int c = 0; c < static_cast<int>(m_colWidthsTwips.size()); ++c)
        setColWidthTwips(c, m_colWidthsTwips[static_cast<size_t>(c)]);
}

void FlexGrid::applyRowHeight()
{
    const int height = fontMetrics().height() + kRowPadding;
    verticalHeader()->setMinimumSectionSize(height);
    verticalHeader()->setDefaultSectionSize(height);
}

void FlexGrid::watchScreen()
{
    QWindow *handle = window()->windowHandle();
    if (!handle || m_screenConnection)
        return;
    auto followScreen = [this](QScreen *screen) {
        disconnect(m_dpiConnection);
        if (screen)
            m_dpiConnection = connect(screen, &QScreen::logicalDotsPerInchChanged, this,
                                      &FlexGrid::applyColumnWidths);
        applyColumnWidths();
    };
    m_screenConnection = connect(handle, &QWindow::screenChanged, this, followScreen);
    followScreen(handle->screen());
}

void FlexGrid::selectHeaderSection(Qt::Orientation orientation, int section, bool extend)
{
    if (rows() < 2 || cols() < 2)
        return;
    const int cell = section + 1;
    // The whole row or column is selected where the user is looking: no jump to its start.
    const bool autoScrolled = hasAutoScroll();
    setAutoScroll(false);
    if (orientation == Qt::Horizontal) {
        if (extend && currentIndex().isValid()) {
            setSelectionEnd(m_endRow, cell);
        } else {
            setCurrentCell(1, cell);
            setSelectionEnd(rows() - 1, cell);
        }
    } else {
        if (extend && currentIndex().isValid()) {
            setSelectionEnd(cell, m_endCol);
        } else {
            setCurrentCell(cell, 1);
            setSelectionEnd(cell, cols() - 1);
        }
    }
    setAutoScroll(autoScrolled);
}

void FlexGrid::enforceSelection()
{
    QItemSelectionModel *selection = selectionModel();
    if (m_enforcing || !selection)
        return;
    const QModelIndex current = selection->currentIndex();
    if (!current.isValid())
        return;
    const int endRow = std::clamp(m_endRow, 1, rows() - 1) - 1;
    const int endCol = std::clamp(m_endCol, 1, cols() - 1) - 1;
    const QModelIndex topLeft =
        m_model->index(std::min(current.row(), endRow), std::min(current.column(), endCol));
    const QModelIndex bottomRight =
        m_model->index(std::max(current.row(), endRow), std::max(current.column(), endCol));
    const QItemSelectionRange wanted(topLeft, bottomRight);
    const QItemSelection now = selection->selection();
    if (now.size() == 1 && now.front() == wanted)
        return;
    const QScopedValueRollback guard(m_enforcing, true);
    selection->select(QItemSelection(topLeft, bottomRight), QItemSelectionModel::ClearAndSelect);
}

void FlexGrid::reportCurrentCell()
{
    const int r = row();
    const int c = col();
    if (r == m_reportedRow && c == m_reportedCol)
        return;
    m_reportedRow = r;
    m_reportedCol = c;
    emit currentCellChanged();
}

} // namespace quillon
