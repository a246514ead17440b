#pragma once

#include "UserDialogs.h"

#include <QAction>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

namespace quillon {

// Answers the window's dialogs from queues and records what it asked.
class FakeDialogs : public UserDialogs {
public:
    struct Message {
        QString text;
        QString title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::Yes;
    };

    std::vector<Message> messages;
    std::deque<QMessageBox::StandardButton> answers;       // to Yes/No questions; Yes when empty
    std::deque<std::optional<MaterialColor>> colorAnswers; // cancel when empty
    std::vector<MaterialColor> colorRequests;
    std::deque<QString> fileAnswers;             // an empty path, or none, cancels
    std::vector<QStringList> fileRequests;       // title, filter, initial folder
    std::vector<QStringList> started;            // program, then its arguments
    std::vector<QString> openedFiles;
    std::deque<std::optional<int>> menuAnswers;
    std::vector<QStringList> menus;
    std::vector<QList<bool>> menuEnabled;
    std::vector<QString> shownManuals;
    bool opensFiles = true;  // whether the desktop opens the manual
    bool manualShows = true; // whether the program's own manual window can show it
    int beeps = 0;

    QMessageBox::StandardButton messageBox(const QString &text, const QString &title,
                                           QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton) override
    {
        messages.push_back({text, title, icon, buttons, defaultButton});
        if (buttons != kYesNo)
            return QMessageBox::Ok;
        return take(answers).value_or(QMessageBox::Yes);
    }
    std::optional<MaterialColor> chooseColor(MaterialColor initial) override
    {
        colorRequests.push_back(initial);
        return take(colorAnswers).value_or(std::nullopt);
    }
    std::optional<QString> chooseOpenFile(const QString &title, const QString &filter,
                                          const QString &initialFolder) override
    {
        fileRequests.push_back({title, filter, initialFolder});
        const QString answer = take(fileAnswers).value_or(QString());
        return answer.isEmpty() ? std::nullopt : std::optional<QString>(answer);
    }
    bool startDetached(const QString &program, const QStringList &arguments) override
    {
        started.push_back(QStringList{program} + arguments);
        return true;
    }
    void openLocalFile(const QString &path, std::function<void(bool)> done) override
    {
        openedFiles.push_back(path);
        done(opensFiles);
    }
    void beep() override { ++beeps; }
    bool showManual(const QString &path) override
    {
        shownManuals.push_back(path);
        return manualShows;
    }
    QAction *popupMenu(const QList<QAction *> &actions, const QPoint &) override
    {
        QStringList items;
        QList<bool> enabled;
        for (const QAction *action : actions) {
            items += action->text();
            enabled += action->isEnabled();
        }
        menus.push_back(items);
        menuEnabled.push_back(enabled);
        const std::optional<int> chosen = take(menuAnswers).value_or(std::nullopt);
        if (!chosen || !enabled.value(*chosen))
            return nullptr;
        actions.at(*chosen)->trigger();
        return actions.at(*chosen);
    }

private:
    template <typename T>
    static std::optional<T> take(std::deque<T> &queue)
    {
        if (queue.empty())
            return std::nullopt;
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

} // namespace quillon
