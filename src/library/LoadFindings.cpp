#include "LoadFindings.h"

#include <array>

namespace quillon {

namespace {

using Kind = LoadFinding::Kind;
using File = LoadFinding::File;

constexpr std::array<const char *, 3> kGroupNames = {"absorption", "insulation", "scattering"};

// Numbers in runs: "0 to 2, 7".
QString runsText(QList<int> numbers)
{
    std::sort(numbers.begin(), numbers.end());
    QStringList parts;
    for (qsizetype i = 0; i < numbers.size();) {
        qsizetype last = i;
        while (last + 1 < numbers.size() && numbers[last + 1] == numbers[last] + 1)
            ++last;
        parts << (last == i ? QString::number(numbers[i])
                            : QStringLiteral("%1 to %2").arg(numbers[i]).arg(numbers[last]));
        i = last + 1;
    }
    return parts.join(QStringLiteral(", "));
}

// Material indexes as the numbers the user sees.
QString rangesText(const QList<int> &indexes)
{
    QList<int> numbers;
    for (int n : indexes)
        numbers << materialNumber(n);
    return runsText(numbers);
}

QList<LoadFinding> only(const QList<LoadFinding> &found, Kind kind, File file = File::Material)
{
    QList<LoadFinding> kept;
    for (const LoadFinding &f : found)
        if (f.kind == kind && f.file == file)
            kept << f;
    return kept;
}

// The one finding on how many colours the file gave, or nothing.
const LoadFinding *colorCount(const QList<LoadFinding> &found)
{
    for (const LoadFinding &f : found)
        if (f.file == File::Color && f.kind != Kind::LineFeedEnds && f.kind != Kind::BlankColor)
            return &f;
    return nullptr;
}

// Materials after the last colour read: they get their palette colour.
QList<int> paletteMaterials(const LoadFinding *count)
{
    QList<int> palette;
    if (count && count->kind != Kind::ColorsWithoutMaterials)
        for (int n = count->count + 1; n <= count->materials; ++n)
            palette << n;
    return palette;
}

int valueTotal(const QList<LoadFinding> &unreadable)
{
    int total = 0;
    for (const LoadFinding &f : unreadable)
        total += f.count;
    return total;
}

QString whereText(const LoadFinding &f)
{
    return QStringLiteral("material %1, %2 values, %3 band")
        .arg(materialNumber(f.line))
        .arg(QLatin1String(kGroupNames[size_t(f.group - 1)]),
             QLatin1String(kBandNames[size_t(f.band - 1)]));
}

QList<int> blankMaterials(const QList<LoadFinding> &found)
{
    QList<int> blanks;
    for (const LoadFinding &f : only(found, Kind::BlankColor, File::Color))
        blanks << f.material;
    return blanks;
}

void appendColorCount(const LoadOutcome &outcome, QList<LoadFinding> &found)
{
    const ColorReadReport &c = outcome.colors;
    LoadFinding f{.file = File::Color,
                  .count = c.colorsRead,
                  .materials = outcome.materials.lineCount,
                  .text = c.problem};
    if (f.materials == 0)
        f.kind = Kind::ColorsWithoutMaterials;
    else if (outcome.stamps.color.state == FileStamp::State::Missing)
        f.kind = Kind::ColorFileMissing;
    else if (!c.problem.isEmpty() && c.problemLine == 0 && c.colorsRead == 0)
        f.kind = Kind::ColorFileUnreadable;
    else if (c.problemLine > 0)
        f = {.kind = Kind::BadColor, .file = File::Color, .line = c.problemLine,
             .count = c.colorsRead, .materials = f.materials};
    else
        f.kind = Kind::ColorCount;
    const bool allRead = f.kind == Kind::ColorCount || f.kind == Kind::ColorsWithoutMaterials;
    if (!allRead || c.colorsRead != f.materials)
        found << f;
}

} // namespace

QString counted(int count, const QString &singular)
{
    return QStringLiteral("%1 %2%3").arg(count).arg(singular, count == 1 ? u""_qs : u"s"_qs);
}

QList<LoadFinding> loadFindings(const LoadOutcome &outcome)
{
    const MaterialReadReport &m = outcome.materials;
    const ColorReadReport &c = outcome.colors;
    QList<LoadFinding> found;
    if (m.lineFeedEnds)
        found.append({.kind = Kind::LineFeedEnds, .file = File::Material, .line = 1});
    for (const MaterialReadReport::Unreadable &u : m.unreadable)
        found.append({.kind = Kind::UnreadableValues, .line = u.line, .count = u.count,
                      .group = u.group, .band = u.band});
    for (int line : m.loneLineFeeds)
        found.append({.kind = Kind::LoneLineFeed, .line = line});
    if (c.lineFeedEnds)
        found.append({.kind = Kind::LineFeedEnds, .file = File::Color, .line = 1});
    for (qsizetype i = 0; i < c.blankEntries.size(); ++i)
        if (c.blankEntries[i] <= m.lineCount)
            found.append({.kind = Kind::BlankColor, .file = File::Color, .line = c.blankLines[i],
                          .material = c.blankEntries[i]});
    appendColorCount(outcome, found);
    return found;
}

namespace {

// The window's words.

QString reportUnreadable(const QList<LoadFinding> &unreadable)
{
    const int total = valueTotal(unreadable);
    return QStringLiteral("%1 in %2 %3 too large for the library and read as 0; the first "
                          "stands on line %4 (%5).")
        .arg(total == 1 ? u"1 value"_qs : QStringLiteral("%1 values").arg(total),
             QLatin1String(kMaterialFileName), total == 1 ? u"is"_qs : u"are"_qs)
        .arg(unreadable.first().line)
        .arg(whereText(unreadable.first()));
}

QString reportLoneLineFeeds(const QList<LoadFinding> &loneLineFeeds)
{
    QList<int> lines;
    for (const LoadFinding &f : loneLineFeeds)
        lines << f.line;
    const bool one = lines.size() == 1;
    return QStringLiteral("%1 %2 of %3 %4 a line feed without a carriage return; what "
                          "follows it was read as part of %5 %6.")
        .arg(one ? u"Line"_qs : u"Lines"_qs, runsText(lines), QLatin1String(kMaterialFileName),
             one ? u"holds"_qs : u"hold"_qs, one ? u"material"_qs : u"materials"_qs,
             rangesText(lines));
}

QString reportColorCount(const LoadFinding &f)
{
    const QString materialName = QString::fromLatin1(kMaterialFileName);
    const QString colorName = QString::fromLatin1(kColorFileName);
    switch (f.kind) {
    case Kind::ColorsWithoutMaterials:
        return QStringLiteral("%1 is empty, but %2 holds %3: \"Update File\" would leave both "
                              "files empty.")
            .arg(materialName, colorName, counted(f.count, u"colour"_qs));
    case Kind::ColorFileMissing:
    case Kind::ColorFileUnreadable:
        return QStringLiteral("%1 could not be read: %2.").arg(colorName, f.text);
    case Kind::BadColor:
        return QStringLiteral("Line %1 of %2 does not hold a colour number; it and the lines "
                              "after it were not read.")
            .arg(f.line)
            .arg(colorName);
    default:
        return QStringLiteral("%1 holds %2 for %3%4.")
            .arg(colorName, counted(f.count, u"colour"_qs), counted(f.materials, u"material"_qs),
                 f.count > f.materials
                     ? QStringLiteral("; the last %1 are no part of the library")
                           .arg(f.count - f.materials)
                     : QString());
    }
}

void reportColors(const QList<LoadFinding> &found, QStringList &items)
{
    QList<int> palette = blankMaterials(found);
    if (!palette.isEmpty())
        items << QStringLiteral("%1 has a blank line for material %2.")
                     .arg(QLatin1String(kColorFileName), rangesText(palette));
    const LoadFinding *count = colorCount(found);
    if (count)
        items << reportColorCount(*count);
    palette << paletteMaterials(count);
    if (!palette.isEmpty())
        items << (palette.size() == 1 ? QStringLiteral("Material %1 got its palette colour.")
                                      : QStringLiteral("Materials %1 got their palette colours."))
                     .arg(rangesText(palette));
}

} // namespace

QString loadReport(const LoadOutcome &outcome)
{
    const QList<LoadFinding> found = loadFindings(outcome);
    QStringList items;
    for (const File file : {File::Material, File::Color}) {
        if (!only(found, Kind::LineFeedEnds, file).isEmpty())
            items << QStringLiteral("The lines of %1 ended in LF alone; they were read as lines, "
                                    "and the next save ends them with CR LF.")
                         .arg(QLatin1String(file == File::Material ? kMaterialFileName
                                                                   : kColorFileName));
    }
    if (const auto lines = only(found, Kind::LoneLineFeed); !lines.isEmpty())
        items << reportLoneLineFeeds(lines);
    if (const auto unreadable = only(found, Kind::UnreadableValues); !unreadable.isEmpty())
        items << reportUnreadable(unreadable);
    reportColors(found, items);
    QString text = outcome.recovery;
    if (!items.isEmpty()) {
        if (!text.isEmpty())
            text += QStringLiteral("\n\n");
        text += QStringLiteral("Loading the library had to replace what the files hold:\n\n- ") +
                items.join(QStringLiteral("\n- ")) +
                QStringLiteral("\n\n\"Update File\" will write these replacements into the files.");
    }
    return text;
}

namespace {

// The command line's words.

QString noteUnreadable(const QList<LoadFinding> &unreadable)
{
    const int total = valueTotal(unreadable);
    return QStringLiteral("%1 that %2 not fit a 32-bit float %3 read as 0; the first is here (%4)")
        .arg(counted(total, u"value"_qs), total == 1 ? u"does"_qs : u"do"_qs,
             total == 1 ? u"is"_qs : u"are"_qs, whereText(unreadable.first()));
}

LoadNote noteColorCount(const LoadFinding &f, const QString &materialPath,
                        const QString &colorPath)
{
    const QList<int> palette = paletteMaterials(&f);
    const QString paletteText =
        QStringLiteral("%1 %2 %3 palette colour%4")
            .arg(palette.size() == 1 ? u"material"_qs : u"materials"_qs, rangesText(palette),
                 palette.size() == 1 ? u"gets its"_qs : u"get their"_qs,
                 palette.size() == 1 ? u""_qs : u"s"_qs);
    switch (f.kind) {
    case Kind::ColorsWithoutMaterials:
        return {materialPath, 0,
                QStringLiteral("empty, but %1 holds %2: a save leaves both files empty")
                    .arg(colorPath, counted(f.count, u"colour"_qs))};
    case Kind::ColorFileMissing:
        return {colorPath, 0,
                u"missing; materials get their palette colours, and a save writes the file"_qs};
    case Kind::ColorFileUnreadable:
        return {colorPath, 0, QStringLiteral("cannot be read (%1): %2").arg(f.text, paletteText)};
    case Kind::BadColor:
        return {colorPath, f.line,
                QStringLiteral("not a colour number; this line and the ones after it are not "
                               "read%1")
                    .arg(palette.isEmpty() ? QString() : u": "_qs + paletteText)};
    default:
        return {colorPath, 0,
                QStringLiteral("%1 for %2: %3")
                    .arg(counted(f.count, u"colour"_qs), counted(f.materials, u"material"_qs),
                         f.count > f.materials
                             ? QStringLiteral("the last %1 are no part of the library")
                                   .arg(f.count - f.materials)
                             : paletteText)};
    }
}

} // namespace

QList<LoadNote> loadNotes(const LoadOutcome &outcome, const QString &materialPath,
                          const QString &colorPath)
{
    const QList<LoadFinding> found = loadFindings(outcome);
    QList<LoadNote> notes;
    if (!only(found, Kind::LineFeedEnds).isEmpty())
        notes.append({materialPath, 1, QLatin1String(kLineFeedEndsNote)});
    for (const LoadFinding &f : only(found, Kind::LoneLineFeed))
        notes.append({materialPath, f.line, QLatin1String(kLoneLineFeedNote)});
    if (const auto unreadable = only(found, Kind::UnreadableValues); !unreadable.isEmpty())
        notes.append({materialPath, unreadable.first().line, noteUnreadable(unreadable)});
    if (!only(found, Kind::LineFeedEnds, File::Color).isEmpty())
        notes.append({colorPath, 1, QLatin1String(kLineFeedEndsNote)});
    if (const QList<int> blanks = blankMaterials(found); !blanks.isEmpty())
        notes.append(
            {colorPath, 0,
             QStringLiteral("blank lines for %1 %2: they get their palette colours")
                 .arg(blanks.size() == 1 ? u"material"_qs : u"materials"_qs, rangesText(blanks))});
    if (const LoadFinding *count = colorCount(found))
        notes.append(noteColorCount(*count, materialPath, colorPath));
    return notes;
}

} // namespace quillon
