#include "MaterialTableView.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QtMath>
#include <algorithm>
#include <utility>

namespace quillon {

namespace {

constexpr int kRowPadding = 4;
constexpr char16_t kLastControlCode = 31;
constexpr char16_t kDeleteCode = 127;
constexpr int kSwatchInset = 3;

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
        return true;
    default:
        return false;
    }
}

// A swatch is a bar in the material's colour.
class SwatchDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.text.clear();
        if (QStyle *style = background.widget ? background.widget->style() : nullptr)
            style->drawControl(QStyle::CE_ItemViewItem, &background, painter, background.widget);
        const QVariant foreground = index.data(Qt::ForegroundRole);
        if (!foreground.isValid() || index.data(Qt::DisplayRole).toString().isEmpty())
            return;
        painter->fillRect(
            option.rect.adjusted(kSwatchInset, kSwatchInset, -kSwatchInset, -kSwatchInset),
            foreground.value<QColor>());
    }
};

// The style lays a cell's text out three times (size, elision, drawing); a value that fits is
// laid out once here and drawn where the style would draw it. Anything else goes to the style.
class ValueDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        constexpr auto kUnusual = QStyleOptionViewItem::HasDecoration |
                                  QStyleOptionViewItem::HasCheckIndicator |
                                  QStyleOptionViewItem::WrapText;
        const QWidget *widget = opt.widget;
        if (!widget || opt.text.isEmpty() || (opt.features & kUnusual) ||
            (opt.state & (QStyle::State_Editing | QStyle::State_HasFocus))) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyle *style = widget->style();
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &opt, widget) + 1;
        QTextOption textOption;
        textOption.setWrapMode(QTextOption::ManualWrap);
        textOption.setTextDirection(opt.direction);
        textOption.setAlignment(QStyle::visualAlignment(opt.direction, opt.displayAlignment));
        QTextLayout layout(opt.text, opt.font);
        layout.setTextOption(textOption);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(opt.rect.width());
        const qreal natural = line.naturalTextWidth();
        const QSize textSize(qCeil(natural) + 2 * margin, qCeil(line.height()));
        const QRect textRect =
            opt.showDecorationSelected
                ? opt.rect
                : QStyle::alignedRect(opt.direction, opt.displayAlignment,
                                      textSize.boundedTo(opt.rect.size()), opt.rect);
        const QRect inner = textRect.adjusted(margin, 0, -margin, 0);
        if (natural > inner.width() || layout.createLine().isValid()) {
            layout.endLayout();
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        line.setLineWidth(inner.width());
        line.setPosition(QPointF(0, 0));
        layout.endLayout();
        const QRect placed = QStyle::alignedRect(Qt::LayoutDirectionAuto, opt.displayAlignment,
                                                 layout.boundingRect().size().toSize(), inner);

        painter->save();
        painter->setClipRegion(painter->hasClipping() ? painter->clipRegion() & opt.rect
                                                      : QRegion(opt.rect));
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);
        QPalette::ColorGroup group =
            opt.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
        if (group == QPalette::Normal && !(opt.state & QStyle::State_Active))
            group = QPalette::Inactive;
        painter->setPen(opt.palette.color(group, opt.state & QStyle::State_Selected
                                                     ? QPalette::HighlightedText
                                                     : QPalette::Text));
        layout.draw(painter, QPointF(inner.x(), placed.top()));
        painter->restore();
    }
};

} // namespace

MaterialTableView::MaterialTableView(QWidget *parent) : QTableView(parent)
{
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    // Tab leaves the table, as it leaves every other control; the arrows move between cells.
    setTabKeyNavigation(false);
    setItemDelegateForColumn(kSwatchColumn, new SwatchDelegate(this));
    auto *values = new ValueDelegate(this);
    for (int column = kFirstBandColumn; column <= kLastBandColumn; ++column)
        setItemDelegateForColumn(column, values);

    QHeaderView *horizontal = horizontalHeader();
    QHeaderView *vertical = verticalHeader();
    horizontal->setSectionResizeMode(QHeaderView::Fixed);
    vertical->setSectionResizeMode(QHeaderView::Fixed);
    horizontal->setMinimumSectionSize(1);

    // The view's own header handling selects whole rows and columns as loose selections;
    // here they become blocks with a proper current cell.
    for (QHeaderView *header : {horizontal, vertical}) {
        disconnect(header, &QHeaderView::sectionPressed, this, nullptr);
        disconnect(header, &QHeaderView::sectionEntered, this, nullptr);
        connect(header, &QHeaderView::sectionPressed, this, [this, header](int section) {
            selectHeaderSection(header->orientation(), section, false);
        });
        connect(header, &QHeaderView::sectionEntered, this, [this, header](int section) {
            selectHeaderSection(header->orientation(), section, true);
        });
    }

    m_cornerButton = findChild<QAbstractButton *>(QString(), Qt::FindDirectChildrenOnly);
    if (m_cornerButton)
        m_cornerButton->installEventFilter(this);
    applyRowHeight();
}

void MaterialTableView::setModel(QAbstractItemModel *model)
{
    QTableView::setModel(model);
    setCurrentCell(0, 0);
}

void MaterialTableView::setCornerText(const QString &text)
{
    m_cornerText = text;
    if (m_cornerButton)
        m_cornerButton->update();
}

CellRange MaterialTableView::selectedRange() const
{
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return {-1, -1, -1, -1};
    return {current.row(), current.column(), m_anchorRow, m_anchorColumn};
}

void MaterialTableView::selectRange(const CellRange &range)
{
    QAbstractItemModel *cells = model();
    if (!cells || range.row < 0 || range.row >= cells->rowCount() || range.column < 0 ||
        range.column >= cells->columnCount())
        return;
    m_anchorRow = std::clamp(range.endRow, 0, cells->rowCount() - 1);
    m_anchorColumn = std::clamp(range.endColumn, 0, cells->columnCount() - 1);
    const QModelIndex cell = cells->index(range.row, range.column);
    if (cell == currentIndex()) {
        enforceSelection();
    } else {
        const QScopedValueRollback keepAnchor(m_extending, true);
        selectionModel()->setCurrentIndex(cell, QItemSelectionModel::NoUpdate);
    }
}

void MaterialTableView::selectAll()
{
    if (model() && model()->rowCount() > 0)
        selectRange({0, 0, model()->rowCount() - 1, model()->columnCount() - 1});
}

void MaterialTableView::keyboardSearch(const QString &) {}

void MaterialTableView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
        event->accept();
        const bool backwards =
            event->key() == Qt::Key_Backtab || event->modifiers().testFlag(Qt::ShiftModifier);
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
        m_anchorRow = before.row();
        m_anchorColumn = before.column();
    }
    enforceSelection();
}

void MaterialTableView::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex pressed = indexAt(event->position().toPoint());
    const bool onCell = pressed.isValid();
    // The context menu acts on the block under the pointer, as in any spreadsheet.
    m_rightPressedOnCell = onCell && event->button() == Qt::RightButton;
    if (m_rightPressedOnCell) {
        const CellRange block = selectedRange();
        if (pressed.row() < block.top() || pressed.row() > block.bottom() ||
            pressed.column() < block.left() || pressed.column() > block.right())
            setCurrentCell(pressed.row(), pressed.column());
        event->accept();
        return;
    }
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    {
        const QScopedValueRollback extend(m_extending, shift);
        QTableView::mousePressEvent(event);
        // A press on the current cell does not move it, so currentChanged cannot drop the block.
        if (onCell && !shift && event->button() == Qt::LeftButton && pressed == currentIndex()) {
            m_anchorRow = pressed.row();
            m_anchorColumn = pressed.column();
        }
        enforceSelection();
    }
    m_pressedOnCell = onCell && event->button() == Qt::LeftButton;
    m_dragSelecting = m_pressedOnCell;
}

void MaterialTableView::mouseMoveEvent(QMouseEvent *event)
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
    const QModelIndex cell = indexAt(QPoint(std::clamp(pos.x(), area.left(), area.right()),
                                            std::clamp(pos.y(), area.top(), area.bottom())));
    if (cell.isValid() && cell != currentIndex())
        selectionModel()->setCurrentIndex(cell, QItemSelectionModel::NoUpdate);
    enforceSelection();
}

void MaterialTableView::mouseReleaseEvent(QMouseEvent *event)
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

void MaterialTableView::mouseDoubleClickEvent(QMouseEvent *event)
{
    const bool onCell = indexAt(event->position().toPoint()).isValid();
    QTableView::mouseDoubleClickEvent(event);
    enforceSelection();
    m_pressedOnCell = false;
    m_dragSelecting = false;
    if (onCell && event->button() == Qt::LeftButton)
        emit cellDoubleClicked();
}

void MaterialTableView::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        applyRowHeight();
}

bool MaterialTableView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_cornerButton && event->type() == QEvent::Paint) {
        QStyleOptionHeader option;
        option.initFrom(m_cornerButton);
        option.state |= QStyle::State_Raised;
        option.position = QStyleOptionHeader::OnlyOneSection;
        option.text = m_cornerText;
        option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        QPainter painter(m_cornerButton);
        m_cornerButton->style()->drawControl(QStyle::CE_Header, &option, &painter, m_cornerButton);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void MaterialTableView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (current.isValid() && (!m_extending || m_anchorRow < 0 || m_anchorColumn < 0)) {
        m_anchorRow = current.row();
        m_anchorColumn = current.column();
    }
    enforceSelection();
    reportCurrentCell();
}

void MaterialTableView::selectionChanged(const QItemSelection &selected,
                                         const QItemSelection &deselected)
{
    QTableView::selectionChanged(selected, deselected);
    enforceSelection();
}

void MaterialTableView::applyRowHeight()
{
    const int height = fontMetrics().height() + kRowPadding;
    verticalHeader()->setMinimumSectionSize(height);
    verticalHeader()->setDefaultSectionSize(height);
}

void MaterialTableView::selectHeaderSection(Qt::Orientation orientation, int section, bool extend)
{
    if (!model() || model()->rowCount() < 1)
        return;
    const int lastRow = model()->rowCount() - 1;
    const int lastColumn = model()->columnCount() - 1;
    const CellRange now = selectedRange();
    // The whole row or column is selected where the user is looking: no jump to its start.
    const bool autoScrolled = hasAutoScroll();
    setAutoScroll(false);
    if (orientation == Qt::Horizontal)
        selectRange(extend && now.row >= 0 ? CellRange{now.row, now.column, now.endRow, section}
                                           : CellRange{0, section, lastRow, section});
    else
        selectRange(extend && now.row >= 0 ? CellRange{now.row, now.column, section, now.endColumn}
                                           : CellRange{section, 0, section, lastColumn});
    setAutoScroll(autoScrolled);
}

void MaterialTableView::enforceSelection()
{
    QItemSelectionModel *selection = selectionModel();
    if (m_enforcing || !selection)
        return;
    const QModelIndex current = selection->currentIndex();
    if (!current.isValid())
        return;
    const int anchorRow = std::clamp(m_anchorRow, 0, model()->rowCount() - 1);
    const int anchorColumn = std::clamp(m_anchorColumn, 0, model()->columnCount() - 1);
    const QModelIndex topLeft = model()->index(std::min(current.row(), anchorRow),
                                               std::min(current.column(), anchorColumn));
    const QModelIndex bottomRight = model()->index(std::max(current.row(), anchorRow),
                                                   std::max(current.column(), anchorColumn));
    const QItemSelectionRange wanted(topLeft, bottomRight);
    const QItemSelection now = selection->selection();
    if (now.size() == 1 && now.front() == wanted)
        return;
    const QScopedValueRollback guard(m_enforcing, true);
    selection->select(QItemSelection(topLeft, bottomRight), QItemSelectionModel::ClearAndSelect);
}

void MaterialTableView::reportCurrentCell()
{
    const QModelIndex current = currentIndex();
    if (current == m_reported)
        return;
    m_reported = current;
    emit currentCellChanged();
}

} // namespace quillon
