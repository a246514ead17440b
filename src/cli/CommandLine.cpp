#include "CommandLine.h"

#include "LibraryCheck.h"
#include "LibraryExport.h"
#include "LibraryImport.h"
#include "LibraryStorage.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <memory>
#include <unistd.h>

namespace quillon {

namespace {

enum class Command { Check, Export, Ratings, Import };

struct CommandEntry {
    Command command;
    const char *name;
    const char *usage;
    const char *help;
};

const QString kOverview = QStringLiteral(
    "Usage: quillon [--read-only] [FOLDER]\n"
    "       quillon COMMAND [OPTIONS] [FOLDER]\n"
    "\n"
    "Without a command, quillon starts the editor window on the library in FOLDER\n"
    "(default: the program's own folder; quillon -- check opens a folder named check).\n"
    "With a command, it runs without a display and exits. FOLDER holds Korvane.mat and\n"
    "korcolor.mat.\n"
    "\n"
    "Commands (quillon COMMAND --help tells more):\n"
    "  check [FOLDER]                                   report what does not read cleanly\n"
    "  export --format csv|json [-o FILE] [FOLDER]      write the library as CSV or JSON\n"
    "  ratings [--format tsv|csv|json] [-o FILE] [FOLDER]\n"
    "                                                   NRC, alpha_w and R_w of every material\n"
    "  import --format csv|json [--merge] [--dry-run] FILE|- [FOLDER]\n"
    "                                                   write the library from CSV or JSON\n"
    "\n"
    "Options:\n"
    "  --read-only    without a command: open the library for browsing only\n"
    "  -h, --help     show this text\n"
    "  -V, --version  show the version\n");

const QString kCommonHelp = QStringLiteral(
    "\n"
    "Options of every command: -h, --help shows this text; -V, --version the version; -- ends\n"
    "the options. An option may be given once.\n"
    "\n"
    "FOLDER holds Korvane.mat and korcolor.mat; default: %1\n"
    "Text in and out is UTF-8; the library files hold names in Windows-1252.\n"
    "What the editor's load would replace, check lists among its notes; export, ratings and\n"
    "import --merge print it on standard error as FILE:LINE: note: ..., and it does not change\n"
    "the exit status.\n"
    "Exit status: 0 done (check: no problems); 1 check found problems; 2 a file cannot be read\n"
    "or written, the input is refused, or the command line is wrong.\n");

const std::array<CommandEntry, 4> kCommands = {{
    {Command::Check, "check", "check [FOLDER]",
     "Reports what does not read cleanly, one line each, then a count:\n"
     "  FILE:LINE: message        a problem: the editor's load changes or loses data\n"
     "  FILE:LINE: note: message  the next save writes this differently\n"
     "  N materials, N problems, N notes\n"},
    {Command::Export, "export", "export --format csv|json [-o FILE] [FOLDER]",
     "Writes the library to standard output, or with -o FILE (--output) to FILE through a\n"
     "temporary file, so that a failed run leaves no half file.\n"
     "\n"
     "csv: RFC 4180, CR LF rows, the columns\n"
     "  number,name,color,group,31.5,63,125,250,500,1000,2000,4000,8000,16000\n"
     "  one row per material and value group (absorption_true, insulation_db, scattering);\n"
     "  a material without values has one row with an empty group. Values are the shortest\n"
     "  text that reads back as the same 32-bit float; colours are #rrggbb.\n"
     "json: {\"center_freqs\": [...], \"materials\": [...]}, each material with \"number\",\n"
     "  \"name\", \"color\" and the groups it has: \"absorption_true\", \"absorption_sabine\"\n"
     "  and \"insulation_db\" as ten numbers, \"energy_absorption\" (the \"True\" values) and\n"
     "  \"scattering\" as {\"coeffs\": [...], \"center_freqs\": [...]}.\n"},
    {Command::Ratings, "ratings", "ratings [--format tsv|csv|json] [-o FILE] [FOLDER]",
     "Prints the single-number ratings of every material, to standard output or to FILE\n"
     "(-o, --output; written through a temporary file). Columns: number, name, NRC, alpha_w,\n"
     "shape, class, Rw, C, Ctr; empty (json: null) where a material lacks the values a\n"
     "rating needs.\n"
     "  tsv   the default: tab-separated, LF rows; tabs and line breaks in names are written\n"
     "        as blanks, so that every row has nine fields\n"
     "  csv   RFC 4180, CR LF rows, names quoted where needed\n"
     "  json  a list of objects with those keys\n"},
    {Command::Import, "import", "import --format csv|json [--merge] [--dry-run] FILE|- [FOLDER]",
     "Reads FILE (- for standard input) in the shape export writes and writes the library in\n"
     "FOLDER with the editor's own save, under the library's lock (it waits up to 2 s for\n"
     "another program's save): the previous pair is kept as .bak, and a kill leaves the old\n"
     "pair or the new one.\n"
     "  --merge    only the materials in the input, and of them only the value groups given,\n"
     "             change. Without it the input is the whole library: materials that are not\n"
     "             in it are removed, and numbers it skips become empty materials. A merge\n"
     "             writes nothing when another program changed the files after it read them.\n"
     "  --dry-run  print what would change (materials added, removed and changed, names,\n"
     "             colours, values) and write nothing\n"
     "Groups: absorption_true, insulation_db, scattering, and absorption_sabine, turned into\n"
     "\"True\" values with the editor's conversion where a material has no absorption_true.\n"
     "JSON takes energy_absorption.coeffs as absorption_true. An empty colour (JSON: none)\n"
     "keeps a material's colour; a new material gets its palette colour.\n"
     "Refused, each as FILE:LINE: message (JSON: FILE: materials[i]: message), with nothing\n"
     "written: a value that is not a finite number or does not fit a 32-bit float, a\n"
     "material number outside 0 to 998, a group given twice, an unknown group, column or key,\n"
     "a band count other than 10, a colour that is not #rrggbb, and a name with a line break,\n"
     "with characters outside Windows-1252 or longer than 65.\n"},
}};

int status(ExitStatus s)
{
    return static_cast<int>(s);
}

// The errno of the first failure, or 0.
int writeFully(int fd, QByteArrayView bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote < 0)
            return errno;
        done += wrote;
    }
    return 0;
}

void printError(const QString &text)
{
    writeFully(STDERR_FILENO, text.toUtf8());
}

// Standard output, or `path` replaced whole. A reader that closed the pipe early wanted no
// more: that ends quietly.
int writeOutput(const QByteArray &bytes, const QString &path)
{
    if (path.isEmpty()) {
        const int error = writeFully(STDOUT_FILENO, bytes);
        if (error == 0)
            return status(ExitStatus::Success);
        if (error != EPIPE)
            printError(
                QStringLiteral("quillon: cannot write the output: %1\n").arg(systemReason(error)));
        return status(ExitStatus::Failure);
    }
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return status(ExitStatus::Success);
    printError(
        QStringLiteral("quillon: cannot write the output: %1: %2\n").arg(path, file.errorString()));
    return status(ExitStatus::Failure);
}

struct Invocation {
    const CommandEntry *entry = nullptr;
    QString folder;
    QString format;
    QString output;
    QString input;
    bool merge = false;
    bool dryRun = false;
};

int usageError(const CommandEntry *entry, const QString &why)
{
    printError(QStringLiteral("quillon: %1\nUsage: quillon %2\nSee 'quillon %3--help'.\n")
                   .arg(why, QLatin1String(entry ? entry->usage : "[COMMAND [OPTIONS] [FOLDER]]"),
                        entry ? QLatin1String(entry->name) + u' ' : QString()));
    return status(ExitStatus::Failure);
}

void printNotes(const LoadOutcome &outcome, const QString &materialPath, const QString &colorPath)
{
    QString text;
    if (!outcome.recovery.isEmpty())
        text += QStringLiteral("quillon: note: %1\n").arg(outcome.recovery);
    for (const LoadNote &note : loadNotes(outcome, materialPath, colorPath))
        text +=
            QStringLiteral("%1%2: note: %3\n")
                .arg(note.file, note.line > 0 ? QStringLiteral(":%1").arg(note.line) : QString(),
                     note.text);
    printError(text);
}

int runCheck(const Invocation &invocation)
{
    const QString materialPath = materialFilePath(invocation.folder);
    const QString colorPath = colorFilePath(invocation.folder);
    const PairRead pair = readLibraryPair(materialPath, colorPath);
    if (!pair.ok) {
        printError(QStringLiteral("quillon: %1\n").arg(pair.problem));
        return status(ExitStatus::Failure);
    }
    if (!pair.note.isEmpty())
        printError(QStringLiteral("quillon: note: %1\n").arg(pair.note));
    if (pair.material.status != FileRead::Status::Read) {
        printError(QStringLiteral("quillon: %1: cannot be read: %2\n")
                       .arg(materialPath, pair.material.problem));
        return status(ExitStatus::Failure);
    }
    QString colorProblem;
    if (pair.color.status == FileRead::Status::Missing)
        colorProblem =
            u"missing; materials get their palette colours, and a save writes the file"_qs;
    else if (pair.color.status != FileRead::Status::Read)
        colorProblem = QStringLiteral("cannot be read (%1): materials get their palette colours")
                           .arg(pair.color.problem);
    const CheckResult result =
        checkLibrary(pair.material.data, pair.color.data, materialPath, colorPath, colorProblem);
    QString text;
    for (const CheckFinding &finding : result.findings)
        text += formatFinding(finding) + u'\n';
    text += checkSummary(result) + u'\n';
    if (const int written = writeOutput(text.toUtf8(), QString()))
        return written;
    return status(result.count(FindingKind::Problem) > 0 ? ExitStatus::Problems
                                                         : ExitStatus::Success);
}

// Export and ratings load the library as the window does, but never write.
int runOnLibrary(const Invocation &invocation)
{
    const QString materialPath = materialFilePath(invocation.folder);
    const QString colorPath = colorFilePath(invocation.folder);
    auto library = std::make_unique<MaterialLibrary>();
    const LoadOutcome outcome =
        loadLibraryFiles(materialPath, colorPath, *library, LoadMode::ReadOnly);
    if (!outcome.ok) {
        printError(QStringLiteral("quillon: %1\n").arg(outcome.message));
        return status(ExitStatus::Failure);
    }
    printNotes(outcome, materialPath, colorPath);
    QByteArray bytes;
    if (invocation.entry->command == Command::Export)
        bytes = invocation.format == u"json" ? exportJson(*library) : exportCsv(*library);
    else
        bytes = ratingsTable(*library, invocation.format == u"json"  ? RatingsFormat::Json
                                       : invocation.format == u"csv" ? RatingsFormat::Csv
                                                                     : RatingsFormat::Tsv);
    return writeOutput(bytes, invocation.output);
}

FileRead readStandardInput()
{
    FileRead result;
    QByteArray data;
    char buffer[65536];
    while (true) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result.problem = systemReason(errno);
            return result;
        }
        if (got == 0)
            break;
        data.append(buffer, got);
        if (data.size() > kLibraryFileLimit) {
            result.problem = QStringLiteral("more than %1").arg(sizeText(kLibraryFileLimit));
            return result;
        }
    }
    result.status = FileRead::Status::Read;
    result.data = std::move(data);
    return result;
}

int runImport(const Invocation &invocation)
{
    const bool fromStandardInput = invocation.input == u"-";
    const FileRead input = fromStandardInput ? readStandardInput()
                                             : readRegularFile(invocation.input, kLibraryFileLimit);
    const QString shown = fromStandardInput ? u"<stdin>"_qs : invocation.input;
    if (input.status != FileRead::Status::Read) {
        printError(QStringLiteral("quillon: %1: cannot be read: %2\n").arg(shown, input.problem));
        return status(ExitStatus::Failure);
    }
    const ImportInput imported = readImport(
        input.data, invocation.format == u"json" ? ImportFormat::Json : ImportFormat::Csv, shown);
    if (!imported.errors.isEmpty()) {
        printError(imported.errors.join(u'\n') + u"\nquillon: nothing was written\n"_qs);
        return status(ExitStatus::Failure);
    }

    const QString materialPath = materialFilePath(invocation.folder);
    const QString colorPath = colorFilePath(invocation.folder);
    // The library on disk matters only to a merge and to the list of changes.
    auto before = std::make_unique<MaterialLibrary>();
    LibraryStamps known;
    if (invocation.merge || invocation.dryRun) {
        const LoadOutcome loaded = loadLibraryFiles(materialPath, colorPath, *before);
        if (!loaded.ok && QFileInfo::exists(materialPath)) {
            if (invocation.merge) {
                printError(QStringLiteral("quillon: %1\n").arg(loaded.message));
                return status(ExitStatus::Failure);
            }
            before = std::make_unique<MaterialLibrary>();
        }
        if (loaded.ok && invocation.merge) {
            printNotes(loaded, materialPath, colorPath);
            known = loaded.stamps;
        }
    }
    auto after = std::make_unique<MaterialLibrary>(*before);
    applyImport(imported, *after, invocation.merge);
    if (invocation.dryRun)
        return writeOutput((describeChanges(*before, *after).join(u'\n') + u'\n').toUtf8(),
                           QString());

    // A merge replaces only what it read: another program's change in between is not overwritten.
    const SaveOutcome saved = saveLibraryFiles(materialPath, colorPath, *after, known);
    if (saved.status == SaveStatus::NeedsConsent) {
        printError(
            saved.readOnlyFound
                ? u"quillon: the library files are marked read-only; nothing was written\n"_qs
                : u"quillon: another program changed the library while it was imported; "
                  "nothing was written\n"_qs);
        return status(ExitStatus::Failure);
    }
    if (!saved.message.isEmpty())
        printError(QStringLiteral("quillon: %1%2\n")
                       .arg(saved.ok ? u"note: "_qs : QString(), saved.message));
    return status(saved.ok ? ExitStatus::Success : ExitStatus::Failure);
}

const CommandEntry *findCommand(const QString &name)
{
    for (const CommandEntry &entry : kCommands)
        if (name == QLatin1String(entry.name))
            return &entry;
    return nullptr;
}

} // namespace

bool isCommandName(const QString &argument)
{
    return findCommand(argument) != nullptr;
}

int runCommandLine(const QStringList &arguments, const QString &defaultFolder)
{
    const QString first = arguments.value(0);
    const CommandEntry *entry = findCommand(first);
    const QCommandLineOption help(QStringList{u"h"_qs, u"help"_qs});
    const QCommandLineOption version(QStringList{u"V"_qs, u"version"_qs});
    const QCommandLineOption format(u"format"_qs, QString(), u"FORMAT"_qs);
    const QCommandLineOption output(QStringList{u"o"_qs, u"output"_qs}, QString(), u"FILE"_qs);
    const QCommandLineOption merge(u"merge"_qs);
    const QCommandLineOption dryRun(u"dry-run"_qs);

    QCommandLineParser parser;
    parser.addOption(help);
    parser.addOption(version);
    QList<QCommandLineOption> options = {help, version};
    if (!entry && !first.startsWith(u'-'))
        return usageError(nullptr, QStringLiteral("unknown command '%1'").arg(first));
    const Command command = entry ? entry->command : Command::Check;
    if (entry && command != Command::Check)
        options << format;
    if (entry && (command == Command::Export || command == Command::Ratings))
        options << output;
    if (entry && command == Command::Import)
        options << merge << dryRun;
    for (const QCommandLineOption &option : options.mid(2))
        parser.addOption(option);
    if (!parser.parse(QStringList{u"quillon"_qs} + arguments.mid(entry ? 1 : 0)))
        return usageError(entry, parser.errorText());
    const QStringList given = parser.optionNames();
    for (const QCommandLineOption &option : options) {
        const auto count = std::count_if(given.begin(), given.end(), [&](const QString &n) {
            return option.names().contains(n);
        });
        if (count > 1)
            return usageError(
                entry, QStringLiteral("--%1 is given more than once").arg(option.names().last()));
    }
    if (parser.isSet(help)) {
        const QString text = entry ? QStringLiteral("Usage: quillon %1\n\n%2")
                                        .arg(QLatin1String(entry->usage), QLatin1String(entry->help))
                                  : kOverview;
        return writeOutput((text + kCommonHelp.arg(defaultFolder)).toUtf8(), QString());
    }
    if (parser.isSet(version))
        return writeOutput("quillon " QUILLON_VERSION "\n", QString());
    if (!entry)
        return usageError(nullptr, u"a command is missing"_qs);

    Invocation invocation;
    invocation.entry = entry;
    QStringList positional = parser.positionalArguments();
    if (command == Command::Import) {
        if (positional.isEmpty())
            return usageError(entry, u"import needs a FILE, or - for standard input"_qs);
        invocation.input = positional.takeFirst();
        if (invocation.input.isEmpty())
            return usageError(entry, u"the FILE argument is empty"_qs);
    }
    if (positional.size() > 1)
        return usageError(entry, u"more than one folder given"_qs);
    if (!positional.isEmpty() && positional.first().isEmpty())
        return usageError(entry, u"the FOLDER argument is empty"_qs);
    invocation.folder = positional.value(0, defaultFolder);
    const auto isSet = [&](const QCommandLineOption &option) {
        return std::any_of(
                   options.begin(), options.end(),
                   [&](const QCommandLineOption &o) { return o.names() == option.names(); }) &&
               parser.isSet(option);
    };
    invocation.output = isSet(output) ? parser.value(output) : QString();
    if (isSet(output) && invocation.output.isEmpty())
        return usageError(entry, u"the --output argument is empty"_qs);
    invocation.merge = isSet(merge);
    invocation.dryRun = isSet(dryRun);

    const QStringList formats = command == Command::Ratings
                                    ? QStringList{u"tsv"_qs, u"csv"_qs, u"json"_qs}
                                    : QStringList{u"csv"_qs, u"json"_qs};
    invocation.format = isSet(format) ? parser.value(format) : QString();
    if (command != Command::Check && !invocation.format.isEmpty() &&
        !formats.contains(invocation.format))
        return usageError(entry, QStringLiteral("unknown format '%1': use %2")
                                    .arg(invocation.format, formats.join(u", "_qs).replace(
                                                                QStringLiteral(", json"),
                                                                QStringLiteral(" or json"))));
    if ((command == Command::Export || command == Command::Import) && invocation.format.isEmpty())
        return usageError(entry, QStringLiteral("%1 needs --format csv or --format json")
                                    .arg(QLatin1String(entry->name)));

    switch (command) {
    case Command::Check:
        return runCheck(invocation);
    case Command::Export:
    case Command::Ratings:
        return runOnLibrary(invocation);
    case Command::Import:
        return runImport(invocation);
    }
    return status(ExitStatus::Failure);
}

} // namespace quillon
