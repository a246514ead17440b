#include "LibraryFiles.h"

#include "NumberFormat.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace quillon {

namespace {

constexpr char kLF = '\n';

const NumberPattern &absorptionPattern()
{
    static const NumberPattern pattern = NumberPattern::parse(patterns::kFileAbsorption);
    return pattern;
}

const NumberPattern &insulationPattern()
{
    static const NumberPattern pattern = NumberPattern::parse(patterns::kFileInsulation);
    return pattern;
}

QByteArrayView trimLeadingSpaces(QByteArrayView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    return text.sliced(i);
}

QByteArrayView trimTrailingSpaces(QByteArrayView text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == ' ')
        --end;
    return text.first(end);
}

QByteArrayView trimSpaces(QByteArrayView text)
{
    return trimTrailingSpaces(trimLeadingSpaces(text));
}

float storedOrZero(double value, int *unreadable)
{
    if (const auto stored = toStoredFloat(value))
        return *stored;
    if (unreadable)
        ++*unreadable;
    return 0.0f;
}

void appendGroup(QByteArray &out, const BandRow &row, const NumberPattern &pattern)
{
    // Reused, so that writing a library allocates nothing per group.
    thread_local std::string text;
    text.clear();
    for (int b = 1; b <= kBandCount; ++b)
        appendFormatted(text, row[static_cast<size_t>(b)], pattern);
    out.append(text.data(), static_cast<qsizetype>(text.size()));
}

bool isNumberToken(QByteArrayView token)
{
    qsizetype i = 0;
    if (i < token.size() && (token[i] == '+' || token[i] == '-'))
        ++i;
    int digits = 0;
    while (i < token.size() && token[i] >= '0' && token[i] <= '9') {
        ++i;
        ++digits;
    }
    if (i < token.size() && token[i] == '.') {
        ++i;
        while (i < token.size() && token[i] >= '0' && token[i] <= '9') {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
        ++i;
        if (i < token.size() && (token[i] == '+' || token[i] == '-'))
            ++i;
        int exponentDigits = 0;
        while (i < token.size() && token[i] >= '0' && token[i] <= '9') {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return false;
    }
    return i == token.size();
}

constexpr std::array<MaterialColor, 14> kPalette = {
    rgbColor(0, 0, 0),       rgbColor(0, 0, 128),     rgbColor(0, 128, 0),
    rgbColor(0, 128, 128),   rgbColor(128, 0, 0),     rgbColor(128, 0, 128),
    rgbColor(128, 128, 0),   rgbColor(192, 192, 192), rgbColor(128, 128, 128),
    rgbColor(0, 0, 255),     rgbColor(0, 255, 0),     rgbColor(0, 255, 255),
    rgbColor(255, 0, 0),     rgbColor(255, 0, 255)};

} // namespace

std::vector<TextLine> splitLines(QByteArrayView data, int maxLines)
{
    std::vector<TextLine> lines;
    LineScanner scanner(data, LineEnds::LibraryFile);
    for (TextLine line; std::ssize(lines) < maxLines && scanner.next(line);)
        lines.push_back(line);
    return lines;
}

int countMaterialLines(QByteArrayView data)
{
    int count = 0;
    LineScanner scanner(data, LineEnds::LibraryFile);
    for (TextLine line; scanner.next(line);)
        ++count;
    return count;
}

int parseBandValues(QByteArrayView text, BandRow &row, int *firstUnreadableBand)
{
    int unreadable = 0;
    for (int b = 1; b <= kBandCount; ++b) {
        const qsizetype space = b < kBandCount ? text.indexOf(' ') : -1;
        const QByteArrayView field = space < 0 ? text : text.first(space);
        const int before = unreadable;
        row[static_cast<size_t>(b)] = storedOrZero(parseLeadingNumber(field), &unreadable);
        if (unreadable == 1 && before == 0 && firstUnreadableBand)
            *firstUnreadableBand = b;
        text = space < 0 ? QByteArrayView() : trimLeadingSpaces(text.sliced(space + 1));
    }
    return unreadable;
}

namespace {

// The name stands between the number and the first comma; a comma before any blank leaves none.
QByteArray materialName(QByteArrayView s, qsizetype firstComma)
{
    const qsizetype firstSpace = s.indexOf(' ');
    if (firstSpace >= 0 && firstComma < firstSpace)
        return {};
    if (firstSpace < 0)
        return trimSpaces(s.first(firstComma)).toByteArray();
    return trimSpaces(s.sliced(firstSpace + 1, firstComma - firstSpace - 1)).toByteArray();
}

// One entry a line: a line's later groups add to its count.
void noteUnreadable(MaterialReadReport &report, const MaterialReadReport::Unreadable &found)
{
    if (report.unreadable.isEmpty() || report.unreadable.last().line != found.line)
        report.unreadable.append(found);
    else
        report.unreadable.last().count += found.count;
}

} // namespace

void readMaterialLine(QByteArrayView line, MaterialLibrary &library, int n,
                      MaterialReadReport *report)
{
    const auto slot = static_cast<size_t>(n);
    const QByteArrayView s = trimLeadingSpaces(line);
    const qsizetype firstComma = s.indexOf(',');
    if (firstComma <= 0) {
        library.hasAlpha[slot] = false;
        return;
    }
    library.materialNames[slot] = materialName(s, firstComma);

    QByteArrayView rest = trimLeadingSpaces(s.sliced(firstComma + 1));
    if (rest.size() > 2)
        library.hasAlpha[slot] = true;

    QByteArrayView group2;
    QByteArrayView group3;
    const qsizetype secondComma = rest.indexOf(',');
    if (secondComma > 0) {
        group2 = trimLeadingSpaces(rest.sliced(secondComma + 1));
        rest = trimTrailingSpaces(rest.first(secondComma));
        library.hasInsulation[slot] = true;
        const qsizetype thirdComma = group2.indexOf(',');
        if (thirdComma > 0) {
            group3 = trimLeadingSpaces(group2.sliced(thirdComma + 1));
            group2 = trimTrailingSpaces(group2.first(thirdComma));
            library.hasScattering[slot] = true;
        } else {
            library.hasScattering[slot] = false;
        }
    } else {
        library.hasInsulation[slot] = false;
        library.hasScattering[slot] = false;
    }

    const std::array<std::pair<QByteArrayView, BandRow *>, 3> groups = {
        {{rest, &library.alphaR[slot]},
         {group2, &library.insulationR[slot]},
         {group3, &library.scattering[slot]}}};
    for (int g = 0; g < 3; ++g) {
        if (g > 0 && groups[size_t(g)].first.isEmpty())
            continue;
        int band = 0;
        const int unreadable =
            parseBandValues(groups[size_t(g)].first, *groups[size_t(g)].second, &band);
        if (unreadable != 0 && report)
            noteUnreadable(*report, {n, unreadable, g + 1, band});
    }
}

MaterialReadReport readMaterialFile(QByteArrayView data, MaterialLibrary &library)
{
    MaterialReadReport report;
    LineScanner scanner(data, LineEnds::LibraryFile);
    report.lineFeedEnds = scanner.lineFeedEnds();
    int n = 0;
    for (TextLine line; n < kMaxMaterials && scanner.next(line);) {
        ++n;
        readMaterialLine(line.text, library, n, &report);
        if (line.text.contains(kLF))
            report.loneLineFeeds.append(n);
    }
    report.lineCount = n;
    library.materialCount = n;
    return report;
}

MaterialColor defaultColor(int materialIndex)
{
    return kPalette[static_cast<size_t>(materialIndex % 14)];
}

ColorReadReport readColorFile(QByteArrayView data, MaterialLibrary &library)
{
    ColorReadReport report;
    LineScanner scanner(data, LineEnds::LibraryFile);
    report.lineFeedEnds = scanner.lineFeedEnds();
    int line = 0;
    // Blank lines count only when a colour follows them; trailing ones are no entries.
    QList<int> pendingBlanks;
    for (TextLine textLine; scanner.next(textLine);) {
        ++line;
        bool lineHasEntry = false;
        qsizetype at = 0;
        for (QByteArrayView token; nextListField(textLine.text, at, token);) {
            lineHasEntry = true;
            for (qsizetype blank = 0; blank < pendingBlanks.size(); ++blank) {
                if (report.colorsRead == kMaxMaterials)
                    break;
                ++report.colorsRead;
                library.materialColors[static_cast<size_t>(report.colorsRead)] =
                    defaultColor(report.colorsRead);
                report.blankEntries.append(report.colorsRead);
                report.blankLines.append(pendingBlanks[blank]);
            }
            pendingBlanks.clear();
            if (report.colorsRead == kMaxMaterials) {
                report.problem = QStringLiteral("more than %1 colours").arg(kMaxMaterials);
                return report;
            }
            const double value = isNumberToken(token) ? parseLeadingNumber(token) : std::nan("");
            const double whole = std::nearbyint(value);
            if (!(whole >= -2147483648.0 && whole <= 2147483647.0)) {
                report.problem =
                    QStringLiteral("entry %1 is not a colour number").arg(report.colorsRead + 1);
                report.problemLine = line;
                return report;
            }
            auto color = static_cast<MaterialColor>(whole);
            if (color == 0)
                color = kBlackReplacement;
            ++report.colorsRead;
            library.materialColors[static_cast<size_t>(report.colorsRead)] = color;
        }
        if (!lineHasEntry)
            pendingBlanks.append(line);
    }
    return report;
}

void applyDefaultColors(MaterialLibrary &library, int colorsRead)
{
    for (int n = colorsRead + 1; n <= library.materialCount; ++n)
        library.materialColors[static_cast<size_t>(n)] = defaultColor(n);
}

void appendMaterialLine(QByteArray &out, const MaterialLibrary &library, int n)
{
    const auto slot = static_cast<size_t>(n);
    char number[16];
    const auto numberEnd = std::to_chars(number, number + sizeof number, materialNumber(n)).ptr;
    const auto numberLength = static_cast<qsizetype>(numberEnd - number);
    if (numberLength < 3)
        out.append(3 - numberLength, ' ');
    out.append(numberEnd - std::min<qsizetype>(numberLength, 3), std::min<qsizetype>(numberLength, 3));
    out.append("  ", 2);

    // A comma would end the name early on reading and shift the values into other groups.
    QByteArray name = library.materialNames[slot].left(kNameFieldWidth);
    name.replace(',', ';');
    // A carriage return would end the line early and shift every later material.
    name.replace('\r', ' ');
    out.append(name);
    out.append(kNameFieldWidth - name.size(), ' ');
    out.append(",   ", 4);

    const bool scatteringGroup = library.hasScattering[slot];
    const bool insulationGroup = scatteringGroup || library.hasInsulation[slot];
    const bool absorptionGroup = insulationGroup || library.hasAlpha[slot];
    if (absorptionGroup)
        appendGroup(out, library.alphaR[slot], absorptionPattern());
    if (insulationGroup) {
        out.append(',');
        appendGroup(out, library.insulationR[slot], insulationPattern());
    }
    if (scatteringGroup) {
        out.append(',');
        appendGroup(out, library.scattering[slot], absorptionPattern());
    }
    out.append("\r\n", 2);
}

QByteArray writeMaterialFile(const MaterialLibrary &library)
{
    QByteArray out;
    out.reserve(library.materialCount * 250);
    for (int n = 1; n <= library.materialCount; ++n)
        appendMaterialLine(out, library, n);
    return out;
}

QByteArray writeColorFile(const MaterialLibrary &library)
{
    QByteArray out;
    out.reserve(library.materialCount * 14);
    for (int n = 1; n <= library.materialCount; ++n) {
        char number[16];
        const auto end = std::to_chars(number, number + sizeof number,
                                       library.materialColors[static_cast<size_t>(n)])
                             .ptr;
        out.append(' ');
        out.append(number, end - number);
        out.append(" \r\n", 3);
    }
    return out;
}

} // namespace quillon
