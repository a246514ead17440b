#pragma once

#include "MaterialLibrary.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QPoint;
class QWidget;

namespace quillon {

// Message box styles and answers, as the window's questions use them.
enum MessageStyle : int {
    kYesNo = 4,
    kStopIcon = 16,
    kExclamationIcon = 48,
    kInformationIcon = 64,
    // No is the default button, for questions whose Yes overwrites something.
    kDefaultNo = 256,
};
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;
inline constexpr int kAnswerOk = 1;

// Every modal dialog and every start of another program goes through here, so that tests
// can answer them.
class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // Returns kAnswerYes / kAnswerNo for a Yes/No box (Yes is the default button unless
    // kDefaultNo), else kAnswerOk.
    virtual int messageBox(const QString &text, const QString &title, int style) = 0;
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
    // A popup menu at a screen position; the index of the chosen item, or nothing. Items whose
    // entry in `enabled` is false are shown greyed.
    virtual std::optional<int> popupMenu(const QStringList &items, const QPoint &globalPosition,
                                         const QList<bool> &enabled = {}) = 0;
};

// The real dialogs, parented to the given window.
class QtUserDialogs : public UserDialogs {
public:
    explicit QtUserDialogs(QWidget *parent) : m_parent(parent) {}

    int messageBox(const QString &text, const QString &title, int style) override;
    std::optional<MaterialColor> chooseColor(MaterialColor initial) override;
    std::optional<QString> chooseOpenFile(const QString &title, const QString &filter,
                                          const QString &initialFolder) override;
    bool startDetached(const QString &program, const QStringList &arguments) override;
    void openLocalFile(const QString &path, std::function<void(bool opened)> done) override;
    void beep() override;
    bool showManual(const QString &path) override;
    std::optional<int> popupMenu(const QStringList &items, const QPoint &globalPosition,
                                 const QList<bool> &enabled = {}) override;

private:
    QWidget *m_parent;
    // Owns the connections to openers still running, which end with these dialogs.
    QObject m_openers;
};

} // namespace quillon
