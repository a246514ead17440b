#pragma once

#include "MaterialLibrary.h"

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QPoint;
class QWidget;

class QAction;

namespace quillon {

inline constexpr QMessageBox::StandardButtons kYesNo = QMessageBox::Yes | QMessageBox::No;

// Every modal dialog and every start of another program goes through here, so that tests
// can answer them.
class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // The button pressed. With Yes and No, Escape answers No and Yes is the default unless
    // defaultButton says otherwise (No for questions whose Yes overwrites something).
    virtual QMessageBox::StandardButton
    messageBox(const QString &text, const QString &title, QMessageBox::Icon icon,
               QMessageBox::StandardButtons buttons = QMessageBox::Ok,
               QMessageBox::StandardButton defaultButton = QMessageBox::Yes) = 0;
    // The confirmed colour, or nothing when the user cancelled.
    virtual std::optional<MaterialColor> chooseColor(MaterialColor initial) = 0;
    // The chosen file's full path, or nothing when the user cancelled.
    virtual std::optional<QString> chooseOpenFile(const QString &title, const QString &filter,
                                                  const QString &initialFolder) = 0;
    // Starts a program without waiting for it; false when it could not be started.
    virtual bool startDetached(const QString &program, const QStringList &arguments) = 0;
    // Opens a local file with the desktop's viewer for it, without waiting. `done` learns from
    // the desktop's opener, once it has ended, whether the file was opened; it may run at once.
    virtual void openLocalFile(const QString &path, std::function<void(bool opened)> done) = 0;
    virtual void beep() = 0;
    // Shows the manual in a window of the program's own; false when it cannot be read.
    virtual bool showManual(const QString &path) = 0;
    // The actions as a popup menu at a screen position, with their shortcuts and states; the
    // chosen one is triggered and returned.
    virtual QAction *popupMenu(const QList<QAction *> &actions, const QPoint &globalPosition) = 0;
};

// The real dialogs, parented to the given window.
class QtUserDialogs : public UserDialogs {
public:
    explicit QtUserDialogs(QWidget *parent) : m_parent(parent) {}

    QMessageBox::StandardButton
    messageBox(const QString &text, const QString &title, QMessageBox::Icon icon,
               QMessageBox::StandardButtons buttons = QMessageBox::Ok,
               QMessageBox::StandardButton defaultButton = QMessageBox::Yes) override;
    std::optional<MaterialColor> chooseColor(MaterialColor initial) override;
    std::optional<QString> chooseOpenFile(const QString &title, const QString &filter,
                                          const QString &initialFolder) override;
    bool startDetached(const QString &program, const QStringList &arguments) override;
    void openLocalFile(const QString &path, std::function<void(bool opened)> done) override;
    void beep() override;
    bool showManual(const QString &path) override;
    QAction *popupMenu(const QList<QAction *> &actions, const QPoint &globalPosition) override;

private:
    QWidget *m_parent;
    // Owns the connections to openers still running, which end with these dialogs.
    QObject m_openers;
};

} // namespace quillon
