#include "LibraryLoad.h"

#include <QFile>
#include <array>

namespace quillon {

namespace {

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

} // namespace

QString counted(int count, const QString &singular)
{
    return QStringLiteral("%1 %2%3").arg(count).arg(singular, count == 1 ? u""_qs : u"s"_qs);
}

namespace {

// Under the lock: no save runs meanwhile, so a ".ready" file is a committed save that was cut
// off, and it is the library.
PairRead readPairLocked(const SideFiles &material, const SideFiles &color)
{
    PairRead pair;
    QString materialSource = material.shown;
    QString colorSource = color.shown;
    if (existsOnDisk(color.ready)) {
        if (existsOnDisk(material.saving))
            materialSource = QFile::decodeName(material.saving);
        colorSource = QFile::decodeName(color.ready);
        pair.note = QStringLiteral("The last save of the library was cut off after it was "
                                   "complete but before it was put in place: the library was "
                                   "read from \"%1\" and \"%2\", which Quillon puts in place "
                                   "when it next loads or saves.")
                        .arg(materialSource, colorSource);
    }
    pair.material = readRegularFile(materialSource, kLibraryFileLimit);
    if (material.path == color.path) {
        pair.color.status = FileRead::Status::Failed;
        pair.color.stamp.state = FileStamp::State::Unreadable;
        pair.color.problem =
            QStringLiteral("it is a link to %1, the material file").arg(material.name());
    } else {
        pair.color = readRegularFile(colorSource, kLibraryFileLimit);
    }
    pair.ok = true;
    return pair;
}

// The files as read into the library; false and `message` when the material file is refused.
bool readInto(const PairRead &pair, const QString &materialPath, MaterialLibrary &library,
              LoadOutcome &outcome)
{
    const FileRead &materials = pair.material;
    outcome.stamps.material = materials.stamp;
    if (materials.status != FileRead::Status::Read) {
        outcome.message = QStringLiteral("The material file \"%1\" could not be read: %2. "
                                         "Nothing was loaded.")
                              .arg(materialPath, materials.problem);
        return false;
    }
    const int lines = countMaterialLines(materials.data);
    if (lines > kMaxMaterials) {
        outcome.message =
            QStringLiteral("The material file \"%1\" has %2 lines, but the library holds at "
                           "most %3 materials. Nothing was loaded.")
                .arg(materialPath, QString::number(lines), QString::number(kMaxMaterials));
        outcome.materials.lineCount = lines;
        return false;
    }
    outcome.materials = readMaterialFile(materials.data, library);
    const FileRead &colors = pair.color;
    outcome.stamps.color = colors.stamp;
    if (colors.status == FileRead::Status::Read)
        outcome.colors = readColorFile(colors.data, library);
    else
        outcome.colors.problem = colors.problem;
    applyDefaultColors(library, outcome.colors.colorsRead);
    return true;
}

} // namespace

PairRead readLibraryPair(const QString &materialPath, const QString &colorPath)
{
    const SideFiles material(materialPath);
    const SideFiles color(colorPath);
    const LibraryLock lock(material, color, LockUse::Read);
    if (!lock.usable())
        return {false, lock.refusal("nothing was read"), {}, {}, {}};
    return readPairLocked(material, color);
}

LoadOutcome loadLibraryFiles(const QString &materialPath, const QString &colorPath,
                             MaterialLibrary &library, LoadMode mode)
{
    LoadOutcome outcome;
    const SideFiles material(materialPath);
    const SideFiles color(colorPath);
    const bool recover = mode == LoadMode::Recover && saveLeftovers(material, color);
    const LibraryLock lock(material, color, recover ? LockUse::Write : LockUse::Read);
    if (!lock.usable()) {
        outcome.message = lock.refusal("nothing was read");
        return outcome;
    }
    if (recover) {
        const RecoveryOutcome recovery = recoverLocked(material, color);
        if (!recovery.ok) {
            outcome.message = recovery.message + QStringLiteral(" Nothing was loaded.");
            return outcome;
        }
        outcome.recovery = recovery.message;
    }
    const PairRead pair = readPairLocked(material, color);
    if (!pair.note.isEmpty())
        outcome.recovery = pair.note;
    outcome.ok = readInto(pair, materialPath, library, outcome);
    return outcome;
}

namespace {

// The window's report on the colour file, for a material file of `count` lines.
void reportColors(const ColorReadReport &c, int count, QStringList &items)
{
    const QString materialName = QString::fromLatin1(kMaterialFileName);
    const QString colorName = QString::fromLatin1(kColorFileName);
    QList<int> palette;
    for (int n : c.blankEntries)
        if (n <= count)
            palette << n;
    if (!palette.isEmpty())
        items << QStringLiteral("%1 has a blank line for material %2.")
                     .arg(colorName, rangesText(palette));
    if (count == 0 && c.colorsRead > 0) {
        items << QStringLiteral("%1 is empty, but %2 holds %3: \"Update File\" would "
                                "leave both files empty.")
                     .arg(materialName, colorName, counted(c.colorsRead, u"colour"_qs));
    } else if (count > 0) {
        const bool unreadableFile = !c.problem.isEmpty() && c.problemLine == 0 && c.colorsRead == 0;
        if (unreadableFile)
            items << QStringLiteral("%1 could not be read: %2.").arg(colorName, c.problem);
        else if (c.problemLine > 0)
            items << QStringLiteral("Line %1 of %2 does not hold a colour number; it and the "
                                    "lines after it were not read.")
                         .arg(c.problemLine)
                         .arg(colorName);
        else if (c.colorsRead != count)
            items << QStringLiteral("%1 holds %2 for %3%4.")
                         .arg(colorName, counted(c.colorsRead, u"colour"_qs),
                              counted(count, u"material"_qs),
                              c.colorsRead > count
                                  ? QStringLiteral("; the last %1 are no part of the library")
                                        .arg(c.colorsRead - count)
                                  : QString());
        for (int n = c.colorsRead + 1; n <= count; ++n)
            palette << n;
    }
    if (!palette.isEmpty())
        items << (palette.size() == 1 ? QStringLiteral("Material %1 got its palette colour.")
                                      : QStringLiteral("Materials %1 got their palette colours."))
                     .arg(rangesText(palette));

}

} // namespace

QString loadReport(const LoadOutcome &outcome)
{
    const QString materialName = QString::fromLatin1(kMaterialFileName);
    const QString colorName = QString::fromLatin1(kColorFileName);
    const MaterialReadReport &m = outcome.materials;
    const ColorReadReport &c = outcome.colors;
    QStringList items;
    for (const auto &[name, lineFeedEnds] :
         {std::pair{materialName, m.lineFeedEnds}, std::pair{colorName, c.lineFeedEnds}}) {
        if (lineFeedEnds)
            items << QStringLiteral("The lines of %1 ended in LF alone; they were read as lines, "
                                    "and the next save ends them with CR LF.")
                         .arg(name);
    }
    if (!m.loneLineFeeds.isEmpty())
        items << QStringLiteral("%1 %2 of %3 %4 a line feed without a carriage return; what "
                                "follows it was read as part of %5 %6.")
                     .arg(m.loneLineFeeds.size() == 1 ? u"Line"_qs : u"Lines"_qs,
                          runsText(m.loneLineFeeds), materialName,
                          m.loneLineFeeds.size() == 1 ? u"holds"_qs : u"hold"_qs,
                          m.loneLineFeeds.size() == 1 ? u"material"_qs : u"materials"_qs,
                          rangesText(m.loneLineFeeds));
    if (m.unreadableValues > 0)
        items << QStringLiteral("%1 in %2 %3 too large for the library and read as 0; the first "
                                "stands on line %4 (material %5, %6 values, %7 band).")
                     .arg(m.unreadableValues == 1
                              ? u"1 value"_qs
                              : QStringLiteral("%1 values").arg(m.unreadableValues),
                          materialName, m.unreadableValues == 1 ? u"is"_qs : u"are"_qs)
                     .arg(m.firstUnreadableLine)
                     .arg(materialNumber(m.firstUnreadableLine))
                     .arg(QLatin1String(kGroupNames[size_t(m.firstUnreadableGroup - 1)]),
                          QLatin1String(kBandNames[size_t(m.firstUnreadableBand - 1)]));

    reportColors(c, outcome.materials.lineCount, items);
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

// The notes on a colour file that does not give every material of `count` its colour.
void noteColors(const LoadOutcome &outcome, int count, const QString &colorPath,
                QList<LoadNote> &notes)
{
    const ColorReadReport &c = outcome.colors;
    QList<int> palette;
    for (int n = c.colorsRead + 1; n <= count; ++n)
        palette << n;
    const QString paletteText =
        QStringLiteral("%1 %2 %3 palette colour%4")
            .arg(palette.size() == 1 ? u"material"_qs : u"materials"_qs, rangesText(palette),
                 palette.size() == 1 ? u"gets its"_qs : u"get their"_qs,
                 palette.size() == 1 ? u""_qs : u"s"_qs);
    if (outcome.stamps.color.state == FileStamp::State::Missing)
        notes.append(
            {colorPath, 0,
             u"missing; materials get their palette colours, and a save writes the file"_qs});
    else if (!c.problem.isEmpty() && c.problemLine == 0 && c.colorsRead == 0)
        notes.append(
            {colorPath, 0, QStringLiteral("cannot be read (%1): %2").arg(c.problem, paletteText)});
    else if (c.problemLine > 0)
        notes.append({colorPath, c.problemLine,
                      QStringLiteral("not a colour number; this line and the ones after it are "
                                     "not read%1")
                          .arg(palette.isEmpty() ? QString() : u": "_qs + paletteText)});
    else if (c.colorsRead != count)
        notes.append({colorPath, 0,
                      QStringLiteral("%1 for %2: %3")
                          .arg(counted(c.colorsRead, u"colour"_qs), counted(count, u"material"_qs),
                               c.colorsRead > count
                                   ? QStringLiteral("the last %1 are no part of the library")
                                         .arg(c.colorsRead - count)
                                   : paletteText)});
}

} // namespace

QList<LoadNote> loadNotes(const LoadOutcome &outcome, const QString &materialPath,
                          const QString &colorPath)
{
    const MaterialReadReport &m = outcome.materials;
    const ColorReadReport &c = outcome.colors;
    const int count = m.lineCount;
    QList<LoadNote> notes;
    if (m.lineFeedEnds)
        notes.append({materialPath, 1, QLatin1String(kLineFeedEndsNote)});
    for (int line : m.loneLineFeeds)
        notes.append({materialPath, line, QLatin1String(kLoneLineFeedNote)});
    if (m.unreadableValues > 0)
        notes.append({materialPath, m.firstUnreadableLine,
                      QStringLiteral("%1 that %2 not fit a 32-bit float %3 read as 0; the first "
                                     "is here (material %4, %5 values, %6 band)")
                          .arg(counted(m.unreadableValues, u"value"_qs),
                               m.unreadableValues == 1 ? u"does"_qs : u"do"_qs,
                               m.unreadableValues == 1 ? u"is"_qs : u"are"_qs)
                          .arg(materialNumber(m.firstUnreadableLine))
                          .arg(QLatin1String(kGroupNames[size_t(m.firstUnreadableGroup - 1)]),
                               QLatin1String(kBandNames[size_t(m.firstUnreadableBand - 1)]))});
    if (c.lineFeedEnds)
        notes.append({colorPath, 1, QLatin1String(kLineFeedEndsNote)});
    QList<int> blanks;
    for (int n : c.blankEntries)
        if (n <= count)
            blanks << n;
    if (!blanks.isEmpty())
        notes.append(
            {colorPath, 0,
             QStringLiteral("blank lines for %1 %2: they get their palette colours")
                 .arg(blanks.size() == 1 ? u"material"_qs : u"materials"_qs, rangesText(blanks))});
    if (count == 0) {
        if (c.colorsRead > 0)
            notes.append({materialPath, 0,
                          QStringLiteral("empty, but %1 holds %2: a save leaves both files empty")
                              .arg(colorPath, counted(c.colorsRead, u"colour"_qs))});
        return notes;
    }
    noteColors(outcome, count, colorPath, notes);
    return notes;
}

} // namespace quillon
