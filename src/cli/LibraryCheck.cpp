#include "LibraryCheck.h"

#include "LibraryFiles.h"
#include "LibraryStorage.h"

#include <algorithm>
#include <memory>

namespace quillon {

namespace {

constexpr char kLF = '\n';
constexpr QByteArrayView kLineEnd = "\r\n";

// The first column (from 1) where a line differs from what a save would write, or 0.
int firstDifference(const TextLine &line, const TextLine &written, bool compareEnds)
{
    const qsizetype common = std::min(line.text.size(), written.text.size());
    for (qsizetype i = 0; i < common; ++i) {
        if (line.text[i] != written.text[i])
            return static_cast<int>(i + 1);
    }
    if (line.text.size() != written.text.size() || (compareEnds && line.end != kLineEnd))
        return static_cast<int>(common + 1);
    return 0;
}

struct ColorEntry {
    QByteArrayView text;
    int line = 0;
};

// The entries as the colour reader splits them, the first `keep` with the line each stands on.
struct ColorEntries {
    std::vector<ColorEntry> kept;
    int count = 0;
};

ColorEntries colorEntries(QByteArrayView data, size_t keep)
{
    ColorEntries entries;
    LineScanner scanner(data, LineEnds::LibraryFile);
    int line = 0;
    // As the reader counts them: a blank line is an entry once a colour follows it.
    std::vector<int> blanks;
    const auto add = [&](QByteArrayView text, int at) {
        ++entries.count;
        if (entries.kept.size() < keep)
            entries.kept.push_back({text, at});
    };
    for (TextLine textLine; scanner.next(textLine);) {
        ++line;
        qsizetype at = 0;
        QByteArrayView field;
        if (!nextListField(textLine.text, at, field)) {
            blanks.push_back(line);
            continue;
        }
        for (int blank : blanks)
            add({}, blank);
        blanks.clear();
        do
            add(field, line);
        while (nextListField(textLine.text, at, field));
    }
    return entries;
}

// Materials first to last (indexes) shown by their numbers.
QString paletteColours(int first, int last)
{
    if (first == last)
        return QStringLiteral("material %1 gets its palette colour").arg(materialNumber(first));
    return QStringLiteral("materials %1 to %2 get their palette colours")
        .arg(materialNumber(first))
        .arg(materialNumber(last));
}

class Checker {
public:
    Checker(const QString &materialFile, const QString &colorFile)
        : m_materialFile(materialFile), m_colorFile(colorFile),
          m_library(std::make_unique<MaterialLibrary>())
    {
    }

    CheckResult run(QByteArrayView materialData, QByteArrayView colorData,
                    const QString &colorProblem)
    {
        checkMaterials(materialData);
        if (colorProblem.isEmpty())
            checkColors(colorData);
        else if (m_library->materialCount > 0)
            add(m_colorFile, 0, FindingKind::Note, colorProblem);
        auto place = [this](const CheckFinding &f) {
            return std::pair(f.file == m_materialFile ? 0 : 1, f.line);
        };
        std::stable_sort(
            m_result.findings.begin(), m_result.findings.end(),
            [&](const CheckFinding &a, const CheckFinding &b) { return place(a) < place(b); });
        m_result.materialCount = m_library->materialCount;
        return std::move(m_result);
    }

private:
    void add(const QString &file, int line, FindingKind kind, const QString &message)
    {
        // A refused file is never saved, so nothing is worth noting.
        if (m_refused && kind == FindingKind::Note)
            return;
        m_result.findings.push_back({file, line, kind, message});
    }

    // Lines that end in LF alone get one note for the whole file.
    void noteRewrites(const QString &file, const std::vector<TextLine> &lines,
                      const std::vector<TextLine> &written, const std::vector<bool> &skip,
                      bool lineFeedEnds)
    {
        if (lineFeedEnds)
            add(file, 1, FindingKind::Note, QLatin1String(kLineFeedEndsNote));
        const size_t common = std::min(lines.size(), written.size());
        for (size_t i = 0; i < common; ++i) {
            if (skip[i])
                continue;
            if (const int column = firstDifference(lines[i], written[i], !lineFeedEnds))
                add(file, static_cast<int>(i + 1), FindingKind::Note,
                    QStringLiteral("the next save writes this line differently from column %1")
                        .arg(column));
        }
    }

    void checkMaterials(QByteArrayView data)
    {
        const std::vector<TextLine> lines = splitLines(data, kMaxMaterials);
        const int lineCount = countMaterialLines(data);
        m_refused = lineCount > kMaxMaterials;
        if (m_refused)
            add(m_materialFile, kMaxMaterials + 1, FindingKind::Problem,
                QStringLiteral("more than %1 lines (%2): the library holds %1 materials, so "
                               "the file is not loaded at all")
                    .arg(kMaxMaterials)
                    .arg(lineCount));

        const int count = std::min({lineCount, kMaxMaterials, static_cast<int>(lines.size())});
        std::vector<bool> hasProblem(static_cast<size_t>(count), false);
        for (int n = 1; n <= count; ++n) {
            const QByteArrayView line = lines[static_cast<size_t>(n - 1)].text;
            MaterialReadReport lineReport;
            readMaterialLine(line, *m_library, n, &lineReport);
            const int unreadable = lineReport.unreadableValues;
            if (unreadable > 0) {
                add(m_materialFile, n, FindingKind::Problem,
                    QStringLiteral("%1 not fit a 32-bit float: read as 0")
                        .arg(unreadable == 1 ? QStringLiteral("1 value does")
                                             : QStringLiteral("%1 values do").arg(unreadable)));
                hasProblem[static_cast<size_t>(n - 1)] = true;
            }
            if (line.contains(kLF)) {
                add(m_materialFile, n, FindingKind::Problem, QLatin1String(kLoneLineFeedNote));
                hasProblem[static_cast<size_t>(n - 1)] = true;
            }
        }
        m_library->materialCount = count;

        QByteArray written;
        written.reserve(count * 250);
        for (int n = 1; n <= count; ++n)
            appendMaterialLine(written, *m_library, n);
        noteRewrites(m_materialFile, lines, splitLines(written, count), hasProblem,
                     LineScanner(data, LineEnds::LibraryFile).lineFeedEnds());
    }

    void checkColors(QByteArrayView data)
    {
        const int materials = m_library->materialCount;
        const ColorEntries found = colorEntries(data, kMaxMaterials + 1);
        const std::vector<ColorEntry> &entries = found.kept;
        const ColorReadReport report = readColorFile(data, *m_library);
        const int read = report.colorsRead;
        const int entryCount = found.count;
        const bool stoppedAtBadEntry =
            !report.problem.isEmpty() && read < kMaxMaterials && read < entryCount;

        if (stoppedAtBadEntry) {
            const ColorEntry &bad = entries[static_cast<size_t>(read)];
            const QString what = QStringLiteral("entry \"%1\" is not a colour number")
                                     .arg(QString::fromLatin1(bad.text));
            if (read < materials)
                add(m_colorFile, bad.line, FindingKind::Problem,
                    QStringLiteral("%1: %2").arg(what, paletteColours(read + 1, materials)));
            else
                add(m_colorFile, bad.line, FindingKind::Note,
                    QStringLiteral("%1, but no material uses it").arg(what));
        } else if (entryCount < materials) {
            const int line = entries.empty() ? 1 : entries.back().line + 1;
            add(m_colorFile, line, FindingKind::Note,
                QStringLiteral("%1 for %2: %3")
                    .arg(counted(entryCount, u"colour"_qs), counted(materials, u"material"_qs),
                         paletteColours(entryCount + 1, materials)));
        }
        if (entryCount > materials && (!stoppedAtBadEntry || read >= materials))
            add(m_colorFile, entries[static_cast<size_t>(materials)].line, FindingKind::Note,
                QStringLiteral("%1 for %2: the colours from here on are not used, and the "
                               "next save leaves them out")
                    .arg(counted(entryCount, u"colour"_qs), counted(materials, u"material"_qs)));

        applyDefaultColors(*m_library, read);
        // Lines beyond the colours read are covered by the notes above.
        const std::vector<TextLine> compared = splitLines(data, read);
        std::vector<bool> blank(compared.size(), false);
        for (qsizetype i = 0; i < report.blankEntries.size(); ++i) {
            const int line = report.blankLines[i];
            if (report.blankEntries[i] > materials)
                continue;
            add(m_colorFile, line, FindingKind::Note,
                QStringLiteral("blank: %1")
                    .arg(paletteColours(report.blankEntries[i], report.blankEntries[i])));
            if (line <= std::ssize(blank))
                blank[size_t(line - 1)] = true;
        }
        noteRewrites(m_colorFile, compared, splitLines(writeColorFile(*m_library), materials),
                     blank, LineScanner(data, LineEnds::LibraryFile).lineFeedEnds());
    }

    QString m_materialFile;
    QString m_colorFile;
    std::unique_ptr<MaterialLibrary> m_library;
    CheckResult m_result;
    bool m_refused = false;
};

} // namespace

int CheckResult::count(FindingKind kind) const
{
    return static_cast<int>(
        std::count_if(findings.begin(), findings.end(),
                      [kind](const CheckFinding &f) { return f.kind == kind; }));
}

CheckResult checkLibrary(QByteArrayView materialData, QByteArrayView colorData,
                         const QString &materialFile, const QString &colorFile,
                         const QString &colorProblem)
{
    return Checker(materialFile, colorFile).run(materialData, colorData, colorProblem);
}

QString formatFinding(const CheckFinding &finding)
{
    return QStringLiteral("%1%2: %3%4")
        .arg(finding.file, finding.line > 0 ? QStringLiteral(":%1").arg(finding.line) : QString(),
             finding.kind == FindingKind::Note ? QStringLiteral("note: ") : QString(),
             finding.message);
}

QString checkSummary(const CheckResult &result)
{
    return QStringLiteral("%1, %2, %3")
        .arg(counted(result.materialCount, u"material"_qs),
             counted(result.count(FindingKind::Problem), u"problem"_qs),
             counted(result.count(FindingKind::Note), u"note"_qs));
}

} // namespace quillon
