#include "FindBar.h"

#include <QKeyEvent>
#include <QLabel>

namespace quillon {

namespace {

const QColor kNotFoundText(160, 30, 30);
const QColor kNotFoundBackground(255, 228, 228);
constexpr int kLabelGap = 4; // pixels between the typed text, the label and the frame

} // namespace

FindBar::FindBar(QWidget *parent) : QLineEdit(parent)
{
    setObjectName(QStringLiteral("FindBar"));
    setPlaceholderText(tr("Find material"));
    setClearButtonEnabled(false);

    m_notFound = new QLabel(tr("not found"), this);
    m_notFound->setObjectName(QStringLiteral("FindBarNotFound"));
    QPalette labelPalette = m_notFound->palette();
    labelPalette.setColor(QPalette::WindowText, kNotFoundText);
    m_notFound->setPalette(labelPalette);
    m_notFound->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_notFound->hide();

    connect(this, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (text.isEmpty())
            showNotFound(false);
        else
            emit findRequested(text, true);
    });
}

void FindBar::showNotFound(bool notFound)
{
    if (notFound == isNotFoundShown())
        return;
    m_notFound->setVisible(notFound);
    QPalette tinted; // resolves nothing, so the field falls back to its inherited colours
    if (notFound)
        tinted.setColor(QPalette::Base, kNotFoundBackground);
    setPalette(tinted);
    setTextMargins(0, 0, notFound ? m_notFound->sizeHint().width() + kLabelGap : 0, 0);
    placeNotFoundLabel();
}

bool FindBar::isNotFoundShown() const
{
    return !m_notFound->isHidden();
}

FindBar::KeyAction FindBar::keyAction(const QKeyEvent *event)
{
    if (event->matches(QKeySequence::FindNext))
        return KeyAction::FindNext;
    if (event->matches(QKeySequence::FindPrevious))
        return KeyAction::FindPrevious;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return event->modifiers() & Qt::ShiftModifier ? KeyAction::FindPrevious
                                                      : KeyAction::FindNext;
    case Qt::Key_Escape:
        return KeyAction::Close;
    default:
        return KeyAction::None;
    }
}

bool FindBar::event(QEvent *event)
{
    // The window's own shortcuts for these keys must not take them from the field.
    if (event->type() == QEvent::ShortcutOverride &&
        keyAction(static_cast<QKeyEvent *>(event)) != KeyAction::None) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void FindBar::keyPressEvent(QKeyEvent *event)
{
    switch (keyAction(event)) {
    case KeyAction::FindNext:
    case KeyAction::FindPrevious:
        if (!text().isEmpty())
            emit findRequested(text(), keyAction(event) == KeyAction::FindNext);
        event->accept();
        return;
    case KeyAction::Close:
        hide();
        emit closed();
        event->accept();
        return;
    case KeyAction::None:
        break;
    }
    QLineEdit::keyPressEvent(event);
}

void FindBar::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    placeNotFoundLabel();
}

void FindBar::placeNotFoundLabel()
{
    const QSize hint = m_notFound->sizeHint();
    m_notFound->setGeometry(width() - hint.width() - kLabelGap, (height() - hint.height()) / 2,
                            hint.width(), hint.height());
}

} // namespace quillon
