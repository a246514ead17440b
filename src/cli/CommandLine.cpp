#include "CommandLine.h"

#include "LibraryCheck.h"
#include "LibraryExport.h"
#include "LibraryImport.h"
#include "LibraryStorage.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <unistd.h>

namespace quillon {

namespace {

enum class Command { Check, Export, Ratings, Import };

// The options beyond --help and --version that a command takes.
enum OptionSet : unsigned { kFormatOption = 1, kOutputOption = 2, kImportOptions = 4 };

struct CommandEntry {
    Command command;
    const char *name;
    unsigned options;
    const char *formats; // the --format values it takes, the first one in "use ..."
    bool formatRequired;
    const char *usage;
    const char *help;
};

const QString kOverview = QStringLiteral(
    "Usage: quillon [COMMAND [OPTIONS] [FOLDER]]\n"
    "\n"
    "Without a command, quillon starts the editor window. With one, it runs without a\n"
    "display and exits. FOLDER holds Korvane.mat and korcolor.mat.\n"
    "\n"
    "Commands (quillon COMMAND --help tells more):\n"
    "  check [FOLDER]                                   report what does not read cleanly\n"
    "  export --format csv|json [-o FILE] [FOLDER]      write the library as CSV or JSON\n"
    "  ratings [--format tsv|csv|json] [-o FILE] [FOLDER]\n"
    "                                                   NRC, alpha_w and R_w of every material\n"
    "  import --format csv|json [--merge] [--replace] [--dry-run] FILE|- [FOLDER]\n"
    "                                                   write the library from CSV or JSON\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this text\n"
    "  -V, --version  show the version\n");

const QString kCommonHelp = QStringLiteral(
    "\n"
    "Options of every command: -h, --help shows this text; -V, --version the version; -- ends\n"
    "the options. An option may be given once.\n"
    "\n"
    "FOLDER holds Korvane.mat and korcolor.mat; default: %1\n"
    "Text in and out is UTF-8; the library files hold names in Windows-1252.\n"
    "check counts as problems what the editor's load changes or loses (more than 999 lines,\n"
    "values beyond a 32-bit float, a colour entry that is not a number, a line feed without a\n"
    "carriage return), and as notes what the next save writes differently. export, ratings and\n"
    "import --merge print those notes on standard error as FILE:LINE: note: ..., and they do\n"
    "not change the exit status.\n"
    "Exit status: 0 done (check: no problems); 1 check found problems; 2 a file cannot be read\n"
    "or written, the input is refused, or the command line is wrong.\n");

constexpr char kOutputHelp[] =
    "With -o FILE (--output) the output goes to FILE: a regular file, or a new one, is replaced\n"
    "whole through a temporary file, so that a failed run leaves no half file (a link keeps\n"
    "pointing to it); a FIFO or a device such as /dev/stdout is written as the shell's >\n"
    "writes it; -o - is standard output.\n";

const std::array<CommandEntry, 4> kCommands = {{
    {Command::Check, "check", 0, "", false, "check [FOLDER]",
     "Reports what does not read cleanly, one line each, then a count:\n"
     "  FILE:LINE: message        a problem: the editor's load changes or loses data\n"
     "  FILE:LINE: note: message  the next save writes this differently\n"
     "  N materials, N problems, N notes\n"},
    {Command::Export, "export", kFormatOption | kOutputOption, "csv json", true,
     "export --format csv|json [-o FILE] [FOLDER]",
     "Writes the library to standard output or to FILE.\n"
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
    {Command::Ratings, "ratings", kFormatOption | kOutputOption, "tsv csv json", false,
     "ratings [--format tsv|csv|json] [-o FILE] [FOLDER]",
     "Prints the single-number ratings of every material, to standard output or to FILE.\n"
     "Columns: number, name, NRC, alpha_w, shape, class, Rw, C, Ctr; empty (json: null) where\n"
     "a material lacks the values a rating needs.\n"
     "  tsv   the default: tab-separated, LF rows; tabs and line breaks in names are written\n"
     "        as blanks, so that every row has nine fields\n"
     "  csv   RFC 4180, CR LF rows, names quoted where needed\n"
     "  json  a list of objects with those keys\n"},
    {Command::Import, "import", kFormatOption | kImportOptions, "csv json", true,
     "import --format csv|json [--merge] [--replace] [--dry-run] FILE|- [FOLDER]",
     "Reads FILE (- for standard input) in the shape export writes and writes the library in\n"
     "FOLDER with the editor's own save, under the library's lock (it waits up to 2 s for\n"
     "another program's save): the previous pair is kept as .bak, and a kill leaves the old\n"
     "pair or the new one. Then it prints one line on standard error:\n"
     "  N materials: N added, N removed, N changed\n"
     "  --merge    only the materials in the input, and of them only the value groups given,\n"
     "             change. Without it the input is the whole library: materials that are not\n"
     "             in it are removed, and numbers it skips become empty materials.\n"
     "  --replace  without it, an import that would remove or empty materials writes\n"
     "             nothing, says how many, and exits with status 2\n"
     "  --dry-run  print what would change (materials added, removed and changed, names,\n"
     "             colours and the values that change) and write nothing\n"
     "An import writes nothing when another program changed the files after it read them.\n"
     "Groups: absorption_true, insulation_db, scattering, and absorption_sabine, turned into\n"
     "\"True\" values with the editor's conversion where a material has no absorption_true.\n"
     "JSON takes energy_absorption.coeffs as absorption_true. An empty colour (JSON: none)\n"
     "keeps a material's colour; a new material gets its palette colour. A name longer than\n"
     "65 characters is cut as a save cuts it, with a note.\n"
     "Refused, each as FILE:LINE: message (JSON: FILE: materials[i]: message; the first 20\n"
     "listed, the rest counted), with nothing written: text that is not UTF-8, a value that\n"
     "is not a finite number or does not fit a 32-bit float, a material number outside 0 to\n"
     "998, a material, group or JSON key given twice, an unknown group, column or key, a band\n"
     "count other than 10, a colour that is not #rrggbb, and a name with a carriage return\n"
     "or with characters outside Windows-1252.\n"},
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

int outputFailed(const QString &path, const QString &reason)
{
    printError(QStringLiteral("quillon: cannot write the output: %1%2\n")
                   .arg(path.isEmpty() ? QString() : path + u": "_qs, reason));
    return status(ExitStatus::Failure);
}

// A reader that closed the pipe early wanted no more: that ends quietly.
int writeStandardOutput(const QByteArray &bytes)
{
    const int error = writeFully(STDOUT_FILENO, bytes);
    if (error == 0)
        return status(ExitStatus::Success);
    if (error != EPIPE)
        outputFailed(QString(), systemReason(error));
    return status(ExitStatus::Failure);
}

// Opened and written as the shell's ">" does, for what cannot be replaced by a rename.
int writeInPlace(const QByteArray &bytes, const QString &path)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    int error = fd < 0 ? errno : writeFully(fd, bytes);
    if (fd >= 0 && ::close(fd) != 0 && error == 0)
        error = errno;
    return error == 0 ? status(ExitStatus::Success) : outputFailed(path, systemReason(error));
}

// Standard output for an empty path or "-"; a regular file or a new name replaced whole; a
// FIFO, a device or a name for standard output written in place.
int writeOutput(const QByteArray &bytes, const QString &path)
{
    if (path.isEmpty() || path == u"-")
        return writeStandardOutput(bytes);
    const QFileInfo info(path);
    if ((info.exists() && !info.isFile()) || path.startsWith(u"/dev/") ||
        path.startsWith(u"/proc/"))
        return writeInPlace(bytes, path);
    // A link is followed, so that it keeps pointing to the file.
    QSaveFile file(info.exists() ? info.canonicalFilePath() : path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return status(ExitStatus::Success);
    return outputFailed(path, file.errorString());
}

struct Invocation {
    const CommandEntry *entry = nullptr;
    QString folder;
    QString format;
    QString output;
    QString input;
    bool merge = false;
    bool dryRun = false;
    bool replace = false;
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

// The input read and checked, its notes printed; nothing when it is refused.
std::optional<ImportInput> readImportInput(const Invocation &invocation)
{
    const bool fromStandardInput = invocation.input == u"-";
    const FileRead input = fromStandardInput ? readStandardInput()
                                             : readRegularFile(invocation.input, kLibraryFileLimit);
    const QString shown = fromStandardInput ? u"<stdin>"_qs : invocation.input;
    if (input.status != FileRead::Status::Read) {
        printError(QStringLiteral("quillon: %1: cannot be read: %2\n").arg(shown, input.problem));
        return std::nullopt;
    }
    ImportInput imported = readImport(
        input.data, invocation.format == u"json" ? ImportFormat::Json : ImportFormat::Csv, shown);
    if (!imported.errors.isEmpty()) {
        printError(imported.errors.join(u'\n') + u"\nquillon: nothing was written\n"_qs);
        return std::nullopt;
    }
    if (!imported.notes.isEmpty())
        printError(imported.notes.join(u'\n') + u'\n');
    return imported;
}

// The library the import changes: what an import keeps, removes or lists comes from it. A
// library that does not exist yet is empty; one that cannot be read stops the import, except
// for a whole import allowed to replace it.
bool loadForImport(const Invocation &invocation, MaterialLibrary &library, LibraryStamps &known)
{
    const QString materialPath = materialFilePath(invocation.folder);
    const QString colorPath = colorFilePath(invocation.folder);
    const LoadOutcome loaded = loadLibraryFiles(materialPath, colorPath, library);
    if (loaded.ok) {
        if (invocation.merge)
            printNotes(loaded, materialPath, colorPath);
        // Another program's change in between is not overwritten.
        known = loaded.stamps;
        return true;
    }
    library = MaterialLibrary();
    const bool replacing = invocation.replace && !invocation.merge && !invocation.dryRun;
    // Only a library that is not there yet counts as empty.
    if (loaded.stamps.material.state == FileStamp::State::Missing || replacing)
        return true;
    printError(QStringLiteral("quillon: %1\n").arg(loaded.message));
    return false;
}

int saveImport(const Invocation &invocation, const MaterialLibrary &library,
               const LibraryStamps &known, const ChangeList &changes)
{
    const SaveOutcome saved = saveLibraryFiles(materialFilePath(invocation.folder),
                                               colorFilePath(invocation.folder), library, known);
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
    if (!saved.ok)
        return status(ExitStatus::Failure);
    printError(QStringLiteral("%1: %2 added, %3 removed, %4 changed\n")
                   .arg(counted(library.materialCount, u"material"_qs))
                   .arg(changes.added)
                   .arg(changes.removed)
                   .arg(changes.changed));
    return status(ExitStatus::Success);
}

int runImport(const Invocation &invocation)
{
    const std::optional<ImportInput> imported = readImportInput(invocation);
    auto before = std::make_unique<MaterialLibrary>();
    LibraryStamps known;
    if (!imported || !loadForImport(invocation, *before, known))
        return status(ExitStatus::Failure);
    auto after = std::make_unique<MaterialLibrary>(*before);
    const ImportLosses losses = applyImport(*imported, *after, invocation.merge);
    const ChangeList changes = describeChanges(*before, *after);
    if (invocation.dryRun) {
        QStringList lines = changes.lines;
        lines << QStringLiteral("%1 added, %2 removed, %3 changed; nothing was written\n")
                     .arg(counted(changes.added, u"material"_qs))
                     .arg(changes.removed)
                     .arg(changes.changed);
        if (const int failed = writeOutput(lines.join(u'\n').toUtf8(), QString()))
            return failed;
    }
    if (losses.removed + losses.emptied > 0 && !invocation.replace) {
        QStringList losing;
        if (losses.removed > 0)
            losing << u"remove "_qs + counted(losses.removed, u"material"_qs);
        if (losses.emptied > 0)
            losing << u"empty "_qs + counted(losses.emptied, u"material"_qs);
        printError(QStringLiteral("quillon: the import would %1 that the input lacks; nothing "
                                  "was written (--replace allows it)\n")
                       .arg(losing.join(u" and "_qs)));
        return status(ExitStatus::Failure);
    }
    return invocation.dryRun ? status(ExitStatus::Success)
                             : saveImport(invocation, *after, known, changes);
}

const CommandEntry *findCommand(const QString &name)
{
    for (const CommandEntry &entry : kCommands)
        if (name == QLatin1String(entry.name))
            return &entry;
    return nullptr;
}

struct CommandOptions {
    QCommandLineOption help{QStringList{u"h"_qs, u"help"_qs}};
    QCommandLineOption version{QStringList{u"V"_qs, u"version"_qs}};
    QCommandLineOption format{u"format"_qs, QString(), u"FORMAT"_qs};
    QCommandLineOption output{QStringList{u"o"_qs, u"output"_qs}, QString(), u"FILE"_qs};
    QCommandLineOption merge{u"merge"_qs};
    QCommandLineOption dryRun{u"dry-run"_qs};
    QCommandLineOption replace{u"replace"_qs};

    QList<QCommandLineOption> takenBy(const CommandEntry *entry) const
    {
        QList<QCommandLineOption> taken{help, version};
        const unsigned set = entry ? entry->options : 0;
        if (set & kFormatOption)
            taken << format;
        if (set & kOutputOption)
            taken << output;
        if (set & kImportOptions)
            taken << merge << dryRun << replace;
        return taken;
    }
};

// The option given more than once, in words; empty when none is.
QString givenTwice(const QCommandLineParser &parser, const QList<QCommandLineOption> &taken)
{
    const QStringList given = parser.optionNames();
    for (const QCommandLineOption &option : taken) {
        const auto count = std::count_if(given.begin(), given.end(), [&](const QString &n) {
            return option.names().contains(n);
        });
        if (count > 1)
            return QStringLiteral("--%1 is given more than once").arg(option.names().last());
    }
    return QString();
}

// FILE and FOLDER; what is wrong with them, or empty.
QString readPositional(QStringList positional, const QString &defaultFolder, Invocation &invocation)
{
    if (invocation.entry->command == Command::Import) {
        if (positional.isEmpty())
            return u"import needs a FILE, or - for standard input"_qs;
        invocation.input = positional.takeFirst();
        if (invocation.input.isEmpty())
            return u"the FILE argument is empty"_qs;
    }
    if (positional.size() > 1)
        return u"more than one folder given"_qs;
    if (!positional.isEmpty() && positional.first().isEmpty())
        return u"the FOLDER argument is empty"_qs;
    invocation.folder = positional.value(0, defaultFolder);
    return QString();
}

// The options' values; what is wrong with them, or empty.
QString readOptions(const QCommandLineParser &parser, const CommandOptions &options,
                    Invocation &invocation)
{
    const CommandEntry &entry = *invocation.entry;
    const bool formatGiven = (entry.options & kFormatOption) && parser.isSet(options.format);
    const bool outputGiven = (entry.options & kOutputOption) && parser.isSet(options.output);
    const bool importOptions = entry.options & kImportOptions;
    invocation.output = outputGiven ? parser.value(options.output) : QString();
    if (outputGiven && invocation.output.isEmpty())
        return u"the --output argument is empty"_qs;
    invocation.merge = importOptions && parser.isSet(options.merge);
    invocation.dryRun = importOptions && parser.isSet(options.dryRun);
    invocation.replace = importOptions && parser.isSet(options.replace);

    const QStringList formats = QString::fromLatin1(entry.formats).split(u' ');
    invocation.format = formatGiven ? parser.value(options.format) : QString();
    if (formatGiven && !formats.contains(invocation.format))
        return QStringLiteral("unknown format '%1': use %2 or %3")
            .arg(invocation.format, formats.mid(0, formats.size() - 1).join(u", "_qs),
                 formats.last());
    if (entry.formatRequired && !formatGiven)
        return QStringLiteral("%1 needs --format csv or --format json").arg(entry.name);
    return QString();
}

// What the command line asks for in `invocation`; or the exit status when the parsing is
// all there is to do (help, version, a wrong command line).
std::optional<int> parseCommandLine(const QStringList &arguments, const QString &defaultFolder,
                                    Invocation &invocation)
{
    const QString first = arguments.value(0);
    const CommandEntry *entry = findCommand(first);
    if (!entry && !first.startsWith(u'-'))
        return usageError(nullptr, QStringLiteral("unknown command '%1'").arg(first));
    const CommandOptions options;
    const QList<QCommandLineOption> taken = options.takenBy(entry);
    QCommandLineParser parser;
    parser.addOptions(taken);
    if (!parser.parse(QStringList{u"quillon"_qs} + arguments.mid(entry ? 1 : 0)))
        return usageError(entry, parser.errorText());
    if (const QString twice = givenTwice(parser, taken); !twice.isEmpty())
        return usageError(entry, twice);
    if (parser.isSet(options.help)) {
        const QString text =
            entry
                ? QStringLiteral("Usage: quillon %1\n\n%2%3")
                      .arg(QLatin1String(entry->usage), QLatin1String(entry->help),
                           (entry->options & kOutputOption) ? u"\n"_qs + QLatin1String(kOutputHelp)
                                                            : QString())
                : kOverview;
        return writeOutput((text + kCommonHelp.arg(defaultFolder)).toUtf8(), QString());
    }
    if (parser.isSet(options.version))
        return writeOutput("quillon " QUILLON_VERSION "\n", QString());
    if (!entry)
        return usageError(nullptr, u"a command is missing"_qs);
    invocation.entry = entry;
    QString wrong = readPositional(parser.positionalArguments(), defaultFolder, invocation);
    if (wrong.isEmpty())
        wrong = readOptions(parser, options, invocation);
    if (!wrong.isEmpty())
        return usageError(entry, wrong);
    return std::nullopt;
}

} // namespace

int runCommandLine(const QStringList &arguments, const QString &defaultFolder)
{
    Invocation invocation;
    if (const std::optional<int> done = parseCommandLine(arguments, defaultFolder, invocation))
        return *done;
    switch (invocation.entry->command) {
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
