#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace quillon {

class UserDialogs;

// What `quillon [--read-only] [FOLDER]` asks of the window.
struct WindowStart {
    QString folder; // absolute; empty for the folder beside the program
    bool readOnly = false;
    QString problem; // for stderr when the window cannot start
};
// Nothing when the arguments name a command or ask for help or the version. A relative folder
// is taken from `workingFolder`.
std::optional<WindowStart> windowStartOf(const QStringList &arguments,
                                         const QString &workingFolder);

// "Quillon 2.0", then the library's folder unless it is the default one, and whether the
// window is read-only; "[*]" stands for the unsaved mark.
QString windowTitleFor(const QString &folder, const QString &defaultFolder, bool readOnly);

// Starts another window of this program on a folder, as a process of its own.
bool startLibraryWindow(UserDialogs &dialogs, const QString &folder, bool readOnly);

} // namespace quillon
