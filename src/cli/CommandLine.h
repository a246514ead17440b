#pragma once

#include <QString>
#include <QStringList>

namespace quillon {

enum class ExitStatus { Success = 0, Problems = 1, Failure = 2 };

// Runs `quillon COMMAND ...` without a display, on the process's standard input, output and
// error; `arguments` follow the program name. A FOLDER argument defaults to `defaultFolder`.
// Returns the process's exit status.
// True when the argument names one of the commands.
bool isCommandName(const QString &argument);

int runCommandLine(const QStringList &arguments, const QString &defaultFolder);

} // namespace quillon
