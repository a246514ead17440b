#include "LibraryCheck.h"

#include "LibraryFiles.h"
#include "LibraryStorage.h"

#include <algorithm>
#include <memory>

namespace quillon {

namespace {

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
        LoadOutcome outcome;
        outcome.materials = readMaterialFile(materialData, *m_library);
        if (colorProblem.isEmpty())
            outcome.colors = readColorFile(colorData, *m_library);
        m_found = loadFindings(outcome);
        checkMaterials(materialData);
        if (colorProblem.isEmpty())
            checkColors(colorData, outcome.colors);
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

    // The load's findings of one kind as check words them; returns their lines.
    std::vector<int> addFound(LoadFinding::Kind kind, LoadFinding::File file)
    {
        std::vector<int> lines;
        for (const LoadFinding &f : m_found) {
            if (f.kind != kind || f.file != file)
                continue;
            const CheckFinding c = checkFinding(f);
            add(c.file, c.line, c.kind, c.message);
            lines.push_back(f.line);
        }
        return lines;
    }

    CheckFinding checkFinding(const LoadFinding &f) const
    {
        const QString &file = f.file == LoadFinding::File::Material ? m_materialFile : m_colorFile;
        switch (f.kind) {
        case LoadFinding::Kind::LoneLineFeed:
            return {file, f.line, FindingKind::Problem, QLatin1String(kLoneLineFeedNote)};
        case LoadFinding::Kind::UnreadableValues:
            return {file, f.line, FindingKind::Problem,
                    QStringLiteral("%1 not fit a 32-bit float: read as 0")
                        .arg(f.count == 1 ? QStringLiteral("1 value does")
                                          : QStringLiteral("%1 values do").arg(f.count))};
        case LoadFinding::Kind::BlankColor:
            return {file, f.line, FindingKind::Note,
                    QStringLiteral("blank: %1").arg(paletteColours(f.material, f.material))};
        default:
            return {file, f.line, FindingKind::Note, QLatin1String(kLineFeedEndsNote)};
        }
    }

    // Lines that end in LF alone get one note for the whole file.
    void noteRewrites(const QString &file, const std::vector<TextLine> &lines,
                      const std::vector<TextLine> &written, const std::vector<int> &skip,
                      bool lineFeedEnds)
    {
        const size_t common = std::min(lines.size(), written.size());
        for (size_t i = 0; i < common; ++i) {
            if (std::find(skip.begin(), skip.end(), static_cast<int>(i + 1)) != skip.end())
                continue;
            if (const int column = firstDifference(lines[i], written[i], !lineFeedEnds))
                add(file, static_cast<int>(i + 1), FindingKind::Note,
                    QStringLiteral("the next save writes this line differently from column %1")
                        .arg(column));
        }
    }

    void checkMaterials(QByteArrayView data)
    {
        using Kind = LoadFinding::Kind;
        const int lineCount = countMaterialLines(data);
        m_refused = lineCount > kMaxMaterials;
        if (m_refused)
            add(m_materialFile, kMaxMaterials + 1, FindingKind::Problem,
                QStringLiteral("more than %1 lines (%2): the library holds %1 materials, so "
                               "the file is not loaded at all")
                    .arg(kMaxMaterials)
                    .arg(lineCount));
        std::vector<int> problems = addFound(Kind::UnreadableValues, LoadFinding::File::Material);
        for (int line : addFound(Kind::LoneLineFeed, LoadFinding::File::Material))
            problems.push_back(line);
        const bool lineFeedEnds = !addFound(Kind::LineFeedEnds, LoadFinding::File::Material).empty();

        const int count = m_library->materialCount;
        QByteArray written;
        written.reserve(count * 250);
        for (int n = 1; n <= count; ++n)
            appendMaterialLine(written, *m_library, n);
        noteRewrites(m_materialFile, splitLines(data, kMaxMaterials), splitLines(written, count),
                     problems, lineFeedEnds);
    }

    void checkColors(QByteArrayView data, const ColorReadReport &report)
    {
        const int materials = m_library->materialCount;
        const ColorEntries found = colorEntries(data, kMaxMaterials + 1);
        const std::vector<ColorEntry> &entries = found.kept;
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
        const std::vector<int> blanks = addFound(LoadFinding::Kind::BlankColor, LoadFinding::File::Color);
        const bool lineFeedEnds = !addFound(LoadFinding::Kind::LineFeedEnds, LoadFinding::File::Color).empty();
        noteRewrites(m_colorFile, splitLines(data, read),
                     splitLines(writeColorFile(*m_library), materials), blanks, lineFeedEnds);
    }

    QString m_materialFile;
    QString m_colorFile;
    std::unique_ptr<MaterialLibrary> m_library;
    CheckResult m_result;
    QList<LoadFinding> m_found;
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
