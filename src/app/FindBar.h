#pragma once

#include <QLineEdit>

class QLabel;

namespace quillon {

// The find field over the window: asks for the next or previous material whose name contains
// its text, and says "not found" inside itself.
class FindBar : public QLineEdit {
    Q_OBJECT
public:
    explicit FindBar(QWidget *parent = nullptr);

    void showNotFound(bool notFound);
    bool isNotFoundShown() const;

signals:
    // On every edit that leaves text, on Return and FindNext (forward), on FindPrevious.
    void findRequested(const QString &text, bool forward);
    // Escape hid the field.
    void closed();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    enum class KeyAction { None, FindNext, FindPrevious, Close };
    static KeyAction keyAction(const QKeyEvent *event);
    void placeNotFoundLabel();

    QLabel *m_notFound = nullptr;
};

} // namespace quillon
