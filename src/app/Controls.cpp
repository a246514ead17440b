#include "Controls.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>

namespace quillon {

TabStrip::TabStrip(QWidget *parent) : QWidget(parent), m_bar(new QTabBar(this))
{
    m_bar->setDrawBase(false);
    m_bar->setExpanding(false);
    m_bar->setUsesScrollButtons(false);
    setFocusProxy(m_bar);
    connect(m_bar, &QTabBar::currentChanged, this, [this] {
        if (!m_silent)
            emit tabClicked();
    });
    // A click on the tab already selected asks for its table again.
    connect(m_bar, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && index == m_bar->currentIndex())
            emit tabClicked();
    });
}

void TabStrip::addTab(const Tab &tab)
{
    m_silent = true;
    const int index = m_bar->addTab(tab.icon, tab.caption);
    m_silent = false;
    m_bar->setTabToolTip(index, tab.toolTip);
    m_bar->resize(m_bar->sizeHint());
}

int TabStrip::count() const
{
    return m_bar->count();
}

int TabStrip::selectedPosition() const
{
    return m_bar->currentIndex() + 1;
}

void TabStrip::selectPosition(int position)
{
    m_silent = true;
    m_bar->setCurrentIndex(position - 1);
    m_silent = false;
}

void TabStrip::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.shape = QTabBar::RoundedNorth;
    frame.tabBarSize = m_bar->size();
    frame.tabBarRect = m_bar->geometry();
    const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
    frame.rect = rect().adjusted(0, std::max(m_bar->height() - overlap, 0), 0, 0);
    frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    painter.drawPrimitive(QStyle::PE_FrameTabWidget, frame);
}

void TabStrip::resizeEvent(QResizeEvent *)
{
    m_bar->resize(std::min(m_bar->sizeHint().width(), width()), m_bar->sizeHint().height());
}

void TabStrip::mousePressEvent(QMouseEvent *event)
{
    // The page belongs to the strip, not to the window's bare background.
    event->accept();
}

PictureBox::PictureBox(const QPixmap &picture, QWidget *parent)
    : QWidget(parent), m_picture(picture)
{
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(rect(), m_picture);
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        emit clicked();
}

void CommandButton::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        animateClick();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void CommandButton::paintEvent(QPaintEvent *event)
{
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect textArea =
        style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    if (option.fontMetrics.horizontalAdvance(option.text) <= textArea.width()) {
        QPushButton::paintEvent(event);
        return;
    }
    const QString caption = option.text;
    option.text.clear();
    QStylePainter painter(this);
    painter.drawControl(QStyle::CE_PushButton, option);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                   QPalette::ButtonText));
    painter.drawText(textArea, Qt::AlignCenter | Qt::TextWordWrap, caption);
}

void TextUndoKeys::install(QLineEdit *field)
{
    field->installEventFilter(new TextUndoKeys(field));
}

bool TextUndoKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    const bool undo = key->key() == Qt::Key_Z && modifiers == Qt::ControlModifier;
    const bool redo =
        (key->key() == Qt::Key_Z && modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) ||
        (key->key() == Qt::Key_Y && modifiers == Qt::ControlModifier);
    if (!undo && !redo)
        return false;
    event->accept();
    if (event->type() == QEvent::ShortcutOverride)
        return true;
    auto *field = static_cast<QLineEdit *>(watched);
    if (undo)
        field->undo();
    else
        field->redo();
    return true;
}

} // namespace quillon
