#pragma once

#include <QString>
#include <QStringList>

#include <vector>

class QLocale;

namespace quillon {

// The folder that holds the library files and the manual: the executable's own folder, except
// for folders starting with "C:\US", which the library's original set-up kept elsewhere.
QString installFolderFor(const QString &executableFolder);

// True when the locale writes "," between thousands and "." before decimals, the form in which
// the table shows numbers and reads them back.
bool checkRegionalSettings(const QLocale &locale);

inline constexpr char kRegionalQuestion[] =
    "Your regional settings are not compatible with Korvane. Do You want to change them now?";
inline constexpr char kRegionalTitle[] = "Warning - incompatible settings!";

// Desktop pages where the user sets the number format, most common first.
struct SettingsCommand {
    QString program;
    QStringList arguments;
};
std::vector<SettingsCommand> regionalSettingsCommands();

} // namespace quillon
