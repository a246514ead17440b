#include "BandSets.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillon {

namespace {

constexpr std::array<double, kThirdCount> kNominal = {
    20,  25,   31.5, 40,   50,   63,   80,   100,  125,  160,  200,  250,   315,   400,   500,  630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};
// Exact mid-band frequencies of either base lie within 1.6 % of the nominal ones; neighbours
// stand 26 % apart.
constexpr double kSnapTolerance = 0.02;
constexpr int kKilo = 1000;
constexpr int kThirdsPerOctave = 3;
constexpr qsizetype kMinimumHeaderBands = 3;
constexpr size_t kBandsWithoutUnit = 6;
constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

std::uint16_t bandBit(int band)
{
    return static_cast<std::uint16_t>(1u << band);
}

bool isOctaveCentre(int third)
{
    return third % kThirdsPerOctave == 2;
}

// Digits with at most one "." or "," among them.
std::optional<double> plainNumber(QStringView text)
{
    QString digits;
    for (const QChar c : text) {
        if (c == u',' || c == u'.') {
            if (digits.contains(u'.'))
                return std::nullopt;
            digits.append(u'.');
        } else if (c.isDigit() && c.unicode() < 0x80) {
            digits.append(c);
        } else {
            return std::nullopt;
        }
    }
    bool ok = false;
    const double value = digits.toDouble(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

QString quoted(const QString &text)
{
    return u'"' + text.trimmed() + u'"';
}

bool holdsUnit(const QString &cell)
{
    const QString lower = cell.trimmed().toLower();
    return lower.contains(u"hz") || lower.contains(u"freq") ||
           (lower.endsWith(u'k') && parseBandFrequency(lower));
}

QString thirdNumber(int third)
{
    const double hz = kNominal[static_cast<size_t>(third)];
    return QString::number(hz >= kKilo ? hz / kKilo : hz);
}

QString thirdUnit(int third)
{
    return kNominal[static_cast<size_t>(third)] >= kKilo ? u"kHz"_qs : u"Hz"_qs;
}

QString materialCount(int count)
{
    return count == 1 ? u"1 material"_qs : QStringLiteral("%1 materials").arg(count);
}

// "125 Hz to 4 kHz", or the one band.
QString bandRange(int lowThird, int highThird)
{
    return lowThird == highThird ? thirdName(lowThird)
                                 : thirdName(lowThird) + u" to "_qs + thirdName(highThird);
}

QString coveredClause(const BandSet &set)
{
    const std::uint16_t covered = coveredOctaves(set);
    if (covered == 0)
        return u"no octave has all three of its bands"_qs;
    int low = kBandCount;
    int high = 1;
    for (int b = 1; b <= kBandCount; ++b) {
        if (covered & bandBit(b)) {
            low = std::min(low, b);
            high = std::max(high, b);
        }
    }
    const QString range = bandRange(thirdOfBand(low), thirdOfBand(high));
    return low == high ? u"octave "_qs + range + u" is a mean of three bands"_qs
                       : u"octaves "_qs + range + u" are means of three bands"_qs;
}

} // namespace

std::optional<int> parseBandFrequency(QStringView text)
{
    QStringView rest = text.trimmed();
    if (rest.endsWith(u"hz", Qt::CaseInsensitive))
        rest = rest.chopped(2).trimmed();
    double multiplier = 1;
    if (rest.endsWith(u'k', Qt::CaseInsensitive)) {
        rest = rest.chopped(1).trimmed();
        multiplier = kKilo;
    }
    const std::optional<double> number = plainNumber(rest);
    if (!number)
        return std::nullopt;
    const double hz = *number * multiplier;
    for (int third = 0; third < kThirdCount; ++third) {
        if (std::abs(hz / kNominal[static_cast<size_t>(third)] - 1) <= kSnapTolerance)
            return third;
    }
    return std::nullopt;
}

QString thirdName(int third)
{
    return thirdNumber(third) + u' ' + thirdUnit(third);
}

BandSet recogniseBandSet(const QStringList &frequencies)
{
    BandSet set;
    for (qsizetype i = 0; i < frequencies.size(); ++i) {
        const QString &text = frequencies[i];
        const std::optional<int> third = parseBandFrequency(text);
        if (!third)
            set.problem = QStringLiteral("%1 is not a nominal band frequency (20 Hz to 20 kHz)")
                              .arg(quoted(text));
        else if (std::find(set.thirds.begin(), set.thirds.end(), *third) != set.thirds.end())
            set.problem = QStringLiteral("%1 is given twice").arg(thirdName(*third));
        else if (i >= 2 && *third - set.thirds.back() != set.thirds[1] - set.thirds[0])
            set.problem =
                QStringLiteral("%1 breaks the spacing of the bands before it").arg(quoted(text));
        else if (i == 1 && std::abs(*third - set.thirds[0]) != 1 &&
                 std::abs(*third - set.thirds[0]) != kThirdsPerOctave)
            set.problem = QStringLiteral("%1 is neither a third nor an octave from %2")
                              .arg(quoted(text), quoted(frequencies[0]));
        if (!set.problem.isEmpty())
            return set;
        set.thirds.push_back(*third);
    }
    const bool octaves = set.thirds.size() > 1
                             ? std::abs(set.thirds[1] - set.thirds[0]) == kThirdsPerOctave
                             : !set.thirds.empty() && isOctaveCentre(set.thirds[0]);
    set.spacing = octaves ? BandSpacing::Octaves : BandSpacing::Thirds;
    for (size_t i = 0; octaves && i < set.thirds.size(); ++i) {
        if (!isOctaveCentre(set.thirds[i])) {
            set.problem = QStringLiteral("%1 is not an octave band centre")
                              .arg(quoted(frequencies[qsizetype(i)]));
            break;
        }
    }
    return set;
}

std::optional<BandHeader> readBandHeader(const QStringList &cells)
{
    BandHeader header;
    QStringList frequencies;
    bool unit = false;
    qsizetype last = cells.size();
    while (last > 0 && cells[last - 1].trimmed().isEmpty())
        --last;
    for (qsizetype c = 0; c < last; ++c) {
        unit = unit || holdsUnit(cells[c]);
        if (parseBandFrequency(cells[c])) {
            frequencies << cells[c];
            header.bandColumns.push_back(int(c));
        } else if (frequencies.isEmpty()) {
            ++header.leadingCells;
        } else {
            header.skippedColumns.push_back(int(c));
            if (!cells[c].trimmed().isEmpty())
                header.skippedNames << cells[c].trimmed();
        }
    }
    if (frequencies.size() < kMinimumHeaderBands)
        return std::nullopt;
    header.bands = recogniseBandSet(frequencies);
    const bool consecutive =
        header.bands.problem.isEmpty() && header.bands.thirds.size() >= kBandsWithoutUnit;
    if (!unit && !consecutive)
        return std::nullopt;
    return header;
}

BandMean bandMean(Quantity quantity)
{
    return quantity == Quantity::Insulation ? BandMean::Energy : BandMean::Arithmetic;
}

OctaveValues toOctaves(const BandSet &set, const std::vector<double> &values, BandMean mean)
{
    std::array<double, kThirdCount> byThird;
    byThird.fill(kNoValue);
    for (size_t i = 0; i < set.thirds.size() && i < values.size(); ++i)
        byThird[static_cast<size_t>(set.thirds[i])] = values[i];
    OctaveValues octaves;
    for (int b = 1; b <= kBandCount; ++b) {
        const int centre = thirdOfBand(b);
        double value = byThird[static_cast<size_t>(centre)];
        if (set.spacing == BandSpacing::Thirds) {
            double sum = 0;
            for (int t = centre - 1; t <= centre + 1; ++t) {
                const double v = byThird[static_cast<size_t>(t)];
                sum += mean == BandMean::Energy ? std::pow(10.0, -v / 10) : v;
            }
            value = mean == BandMean::Energy ? -10 * std::log10(sum / kThirdsPerOctave)
                                             : sum / kThirdsPerOctave;
        }
        if (std::isnan(value))
            continue;
        octaves.values[static_cast<size_t>(b)] = value;
        octaves.covered |= bandBit(b);
    }
    return octaves;
}

std::uint16_t coveredOctaves(const BandSet &set)
{
    return toOctaves(set, std::vector<double>(set.thirds.size(), 0.0), BandMean::Arithmetic)
        .covered;
}

void fillUncovered(OctaveValues &octaves)
{
    if (octaves.covered == 0)
        return;
    for (int b = 1; b <= kBandCount; ++b) {
        if (octaves.covered & bandBit(b))
            continue;
        for (int distance = 1;; ++distance) {
            const int source = (b - distance >= 1 && (octaves.covered & bandBit(b - distance)))
                                   ? b - distance
                                   : b + distance;
            if (source <= kBandCount && (octaves.covered & bandBit(source))) {
                octaves.values[static_cast<size_t>(b)] =
                    octaves.values[static_cast<size_t>(source)];
                octaves.filled |= bandBit(b);
                break;
            }
        }
    }
}

QString bandList(std::uint16_t bands)
{
    QStringList groups;
    QStringList numbers;
    QString unit;
    const auto closeGroup = [&] {
        if (numbers.isEmpty())
            return;
        const QString last = numbers.takeLast();
        groups << (numbers.isEmpty() ? last : numbers.join(u", ") + u" and "_qs + last) + u' ' +
                      unit;
        numbers.clear();
    };
    for (int b = 1; b <= kBandCount; ++b) {
        if (!(bands & bandBit(b)))
            continue;
        if (thirdUnit(thirdOfBand(b)) != unit)
            closeGroup();
        unit = thirdUnit(thirdOfBand(b));
        numbers << thirdNumber(thirdOfBand(b));
    }
    closeGroup();
    return groups.join(u" and ");
}

QString describeBands(const BandSet &set, int materials, std::uint16_t filledBands,
                      int filledMaterials)
{
    if (set.thirds.empty())
        return QString();
    const auto [low, high] = std::minmax_element(set.thirds.begin(), set.thirds.end());
    QString text =
        QStringLiteral("%1 of %2 data, %3")
            .arg(materialCount(materials),
                 set.spacing == BandSpacing::Thirds ? u"one-third-octave"_qs : u"octave"_qs,
                 bandRange(*low, *high));
    QStringList clauses;
    if (set.spacing == BandSpacing::Thirds)
        clauses << coveredClause(set);
    if (filledBands != 0)
        clauses << QStringLiteral("%1 filled from the nearest octave for %2")
                       .arg(bandList(filledBands), materialCount(filledMaterials));
    return clauses.isEmpty() ? text : text + u": "_qs + clauses.join(u"; ");
}

} // namespace quillon
