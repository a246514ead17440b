#include "CommandLine.h"

#include "LibraryCheck.h"
#include "LibraryExport.h"
#include "LibraryStorage.h"

#include <memory>

namespace quillon {

namespace {

const QString kUsage = QStringLiteral(
    "Usage: quillon [COMMAND [OPTIONS] [FOLDER]]\n"
    "\n"
    "Without a command, quillon starts the editor window. With one, it runs without a\n"
    "display. FOLDER holds Korvane.mat and korcolor.mat (default: the program's folder).\n"
    "\n"
    "  check [FOLDER]                     report what does not read cleanly, one line each\n"
    "  export --format csv|json [FOLDER]  write the library to standard output\n"
    "  ratings [FOLDER]                   print NRC, alpha_w and R_w of every material\n"
    "  --help                             show this text\n"
    "  --version                          show the version\n"
    "\n"
    "Exit status: 0 done (check: no problems), 1 check found problems,\n"
    "2 a file cannot be read or the command line is wrong.\n");

const QString kFormatOption = QStringLiteral("--format");

int status(ExitStatus s)
{
    return static_cast<int>(s);
}

struct Invocation {
    QString command;
    QString folder;
    QString format;
};

int usageError(QTextStream &err, const QString &why)
{
    err << "quillon: " << why << "\n\n" << kUsage;
    return status(ExitStatus::Failure);
}

// Check, export and ratings read the pair as it stands and never write: a save cut off after
// its commit is read as the library and reported, and left for the window to put in place.
void reportNote(const QString &note, QTextStream &err)
{
    if (!note.isEmpty())
        err << "quillon: note: " << note << '\n';
}

int runCheck(const Invocation &invocation, QTextStream &out, QTextStream &err)
{
    const QString materialPath = materialFilePath(invocation.folder);
    const QString colorPath = colorFilePath(invocation.folder);
    const PairRead pair = readLibraryPair(materialPath, colorPath);
    if (!pair.ok) {
        err << "quillon: " << pair.problem << '\n';
        return status(ExitStatus::Failure);
    }
    reportNote(pair.note, err);
    bool readable = true;
    for (const auto &[path, file] :
         {std::pair{materialPath, &pair.material}, std::pair{colorPath, &pair.color}}) {
        if (file->status != FileRead::Status::Read) {
            err << "quillon: " << path << ": cannot be read: " << file->problem << '\n';
            readable = false;
        }
    }
    if (!readable)
        return status(ExitStatus::Failure);

    const CheckResult result =
        checkLibrary(pair.material.data, pair.color.data, materialPath, colorPath);
    for (const CheckFinding &finding : result.findings)
        out << formatFinding(finding) << '\n';
    out << checkSummary(result) << '\n';
    return status(result.count(FindingKind::Problem) > 0 ? ExitStatus::Problems
                                                         : ExitStatus::Success);
}

// Export and ratings load the library as the window does, but without its recovery.
int runOnLibrary(const Invocation &invocation, QTextStream &out, QTextStream &err,
                 QByteArray (*write)(const MaterialLibrary &))
{
    auto library = std::make_unique<MaterialLibrary>();
    const LoadOutcome outcome =
        loadLibraryFiles(materialFilePath(invocation.folder), colorFilePath(invocation.folder),
                         *library, LoadMode::ReadOnly);
    if (!outcome.ok) {
        err << "quillon: " << outcome.message << '\n';
        return status(ExitStatus::Failure);
    }
    reportNote(outcome.recovery, err);
    out << QString::fromUtf8(write(*library));
    return status(ExitStatus::Success);
}

} // namespace

int runCommandLine(const QStringList &arguments, const QString &defaultFolder, QTextStream &out,
                   QTextStream &err)
{
    Invocation invocation;
    invocation.command = arguments.value(0);
    if (arguments.size() == 1 && invocation.command == QLatin1String("--help")) {
        out << kUsage;
        return status(ExitStatus::Success);
    }
    if (arguments.size() == 1 && invocation.command == QLatin1String("--version")) {
        out << "quillon " << QStringLiteral(QUILLON_VERSION) << '\n';
        return status(ExitStatus::Success);
    }
    const bool isExport = invocation.command == QLatin1String("export");
    if (!isExport && invocation.command != QLatin1String("check") &&
        invocation.command != QLatin1String("ratings"))
        return usageError(err, QStringLiteral("unknown command \"%1\"").arg(invocation.command));

    QStringList folders;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (isExport && argument == kFormatOption) {
            if (++i == arguments.size())
                return usageError(err, QStringLiteral("--format needs csv or json"));
            invocation.format = arguments[i];
        } else if (isExport && argument.startsWith(kFormatOption + QLatin1Char('='))) {
            invocation.format = argument.mid(kFormatOption.size() + 1);
        } else if (argument.startsWith(QLatin1Char('-'))) {
            return usageError(err, QStringLiteral("unknown option \"%1\"").arg(argument));
        } else {
            folders << argument;
        }
    }
    if (folders.size() > 1)
        return usageError(err, QStringLiteral("more than one folder given"));
    invocation.folder = folders.value(0, defaultFolder);

    if (invocation.command == QLatin1String("check"))
        return runCheck(invocation, out, err);
    if (invocation.command == QLatin1String("ratings"))
        return runOnLibrary(invocation, out, err, ratingsTable);
    if (invocation.format == QLatin1String("csv"))
        return runOnLibrary(invocation, out, err, exportCsv);
    if (invocation.format == QLatin1String("json"))
        return runOnLibrary(invocation, out, err, exportJson);
    return usageError(err, QStringLiteral("export needs --format csv or --format json"));
}

} // namespace quillon
