#pragma once

#include "UserDialogs.h"

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
        int style = 0;
    };
    struct Started {
        QString program;
        QStringList arguments;
    };

    std::vector<Message> messages;
    std::deque<int> answers; // Yes/No answers; Yes when empty
    std::deque<std::optional<MaterialColor>> colorAnswers;
    std::vector<MaterialColor> colorRequests;
    std::deque<QString> fileAnswers; // an empty path cancels
    std::vector<QString> fileRequestFolders;
    std::vector<QString> fileRequestTitles;
    std::vector<QString> fileRequestFilters;
    std::vector<Started> started;
    bool startSucceeds = true;
    std::vector<QString> openedFiles;
    std::deque<std::optional<int>> menuAnswers;
    std::vector<QStringList> menus;
    int beeps = 0;

    int messageBox(const QString &text, const QString &title, int style) override
    {
        messages.push_back({text, title, style});
        if (!(style & kYesNo))
            return kAnswerOk;
        if (answers.empty())
            return kAnswerYes;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<MaterialColor> chooseColor(MaterialColor initial) override
    {
        colorRequests.push_back(initial);
        if (colorAnswers.empty())
            return std::nullopt;
        auto answer = colorAnswers.front();
        colorAnswers.pop_front();
        return answer;
    }
    std::optional<QString> chooseOpenFile(const QString &title, const QString &filter,
                                          const QString &initialFolder) override
    {
        fileRequestTitles.push_back(title);
        fileRequestFilters.push_back(filter);
        fileRequestFolders.push_back(initialFolder);
        if (fileAnswers.empty())
            return std::nullopt;
        const QString answer = fileAnswers.front();
        fileAnswers.pop_front();
        if (answer.isEmpty())
            return std::nullopt;
        return answer;
    }
    bool startDetached(const QString &program, const QStringList &arguments) override
    {
        started.push_back({program, arguments});
        return startSucceeds;
    }
    bool openLocalFile(const QString &path) override
    {
        openedFiles.push_back(path);
        return true;
    }
    void beep() override { ++beeps; }
    std::optional<int> popupMenu(const QStringList &items, const QPoint &) override
    {
        menus.push_back(items);
        if (menuAnswers.empty())
            return std::nullopt;
        auto answer = menuAnswers.front();
        menuAnswers.pop_front();
        return answer;
    }
};

} // namespace quillon
