#pragma once

#include <QIcon>
#include <QPixmap>
#include <QPushButton>
#include <QString>
#include <QWidget>

class QLineEdit;
class QTabBar;

namespace quillon {

// A tab strip that frames its area like a tab widget's pane but holds no pages: the window's
// other controls sit on it. Tabs are identified by their position, 1 to count.
class TabStrip : public QWidget {
    Q_OBJECT
public:
    struct Tab {
        QIcon icon;
        QString caption;
        QString toolTip;
    };

    explicit TabStrip(QWidget *parent = nullptr);

    void addTab(const Tab &tab);
    int count() const;
    int selectedPosition() const;
    // Selects a tab without reporting it as the user's click.
    void selectPosition(int position);
    QTabBar *tabBar() const { return m_bar; }

signals:
    // The user selected another tab.
    void tabClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QTabBar *m_bar;
    bool m_silent = false;
};

// A picture stretched to the control's size; reports clicks.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(const QPixmap &picture, QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QPixmap m_picture;
};

// A push button pressed by Enter as well as Space, whose caption wraps onto a second line
// when it is wider than the button.
class CommandButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};

// Keeps Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y in a text field as its own undo and redo, whatever the
// desktop's key scheme, so the window's undo of the library never takes them from the field.
class TextUndoKeys : public QObject {
    Q_OBJECT
public:
    // Watches the field and lives as long as it does.
    static void install(QLineEdit *field);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};

} // namespace quillon
