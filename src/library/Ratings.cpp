#include "Ratings.h"

#include "AbsorptionConversions.h"
#include "NumberFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace quillon {

namespace {

// Keeps every sum and shift well inside int; no real material comes near it.
constexpr double kLargestValue = 1e6;

constexpr std::array<int, 5> kAbsorptionReference = {80, 100, 100, 100, 90};
constexpr int kAbsorptionStep = 5;
constexpr int kAbsorptionTolerance = 10;
constexpr int kShapeExcess = 25;
constexpr int kFullAbsorption = 100;

constexpr std::array<int, 5> kInsulationReference = {360, 450, 520, 550, 560}; // tenths of dB
constexpr int kTenthsPerDb = 10;
constexpr int kInsulationTolerance = 100;
constexpr std::array<double, 5> kPinkSpectrum = {-21, -14, -8, -5, -4};
constexpr std::array<double, 5> kTrafficSpectrum = {-14, -10, -7, -4, -6};

// Octave bands used by the ratings (band 1 is 31.5 Hz).
constexpr int kBand125 = 3;
constexpr int kBand250 = 4;

long long floorDiv(long long a, long long b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// The value in units of the pattern's last decimal, rounded as the library files round it.
long long toUnits(double value, const NumberPattern &pattern)
{
    thread_local std::string text;
    text.clear();
    appendFormatted(text, std::clamp(value, -kLargestValue, kLargestValue), pattern);
    text.erase(std::remove(text.begin(), text.end(), '.'), text.end());
    long long units = 0;
    std::from_chars(text.data(), text.data() + text.size(), units);
    return units;
}

long long toHundredths(double value)
{
    static const NumberPattern pattern = NumberPattern::parse(u"0.00");
    return toUnits(value, pattern);
}

long long toTenths(double value)
{
    static const NumberPattern pattern = NumberPattern::parse(u"0.0");
    return toUnits(value, pattern);
}

AbsorptionClass classOf(int alphaW)
{
    if (alphaW >= 90)
        return AbsorptionClass::A;
    if (alphaW >= 80)
        return AbsorptionClass::B;
    if (alphaW >= 60)
        return AbsorptionClass::C;
    if (alphaW >= 30)
        return AbsorptionClass::D;
    if (alphaW >= 15)
        return AbsorptionClass::E;
    return AbsorptionClass::NotClassified;
}

// -10 lg sum 10^((L - R)/10), taken out of the largest term so that no power overflows.
double adaptationLevel(const std::array<double, 5> &spectrum, const std::array<double, 5> &r)
{
    double largest = -HUGE_VAL;
    for (size_t i = 0; i < r.size(); ++i)
        largest = std::max(largest, spectrum[i] - r[i]);
    double sum = 0.0;
    for (size_t i = 0; i < r.size(); ++i)
        sum += std::pow(10.0, (spectrum[i] - r[i] - largest) / 10.0);
    return -(largest + 10.0 * std::log10(sum));
}

QString signedDb(int value)
{
    return value < 0 ? QStringLiteral("\u2212%1").arg(-value) : QString::number(value);
}

} // namespace

WeightedAbsorption weightedAbsorption(const AbsorptionOctaves &sabine)
{
    // Practical coefficients in hundredths: to the nearest 0.05 (never a tie on whole
    // hundredths), within 0 to 1.00.
    std::array<int, 5> practical{};
    for (size_t i = 0; i < practical.size(); ++i) {
        const auto hundredths =
            static_cast<int>(std::clamp<long long>(toHundredths(sabine[i]), 0, kFullAbsorption));
        practical[i] = (hundredths + kAbsorptionStep / 2) / kAbsorptionStep * kAbsorptionStep;
    }

    // Practical coefficients are at least 0, so the curve fits by a shift of 100 at the latest.
    int shift = 0;
    for (;; shift += kAbsorptionStep) {
        int deviations = 0;
        for (size_t i = 0; i < practical.size(); ++i)
            deviations += std::max(0, kAbsorptionReference[i] - shift - practical[i]);
        if (deviations <= kAbsorptionTolerance)
            break;
    }

    auto exceeds = [&](size_t i) {
        return practical[i] - (kAbsorptionReference[i] - shift) >= kShapeExcess;
    };
    WeightedAbsorption rating;
    rating.alphaW = kAbsorptionReference[1] - shift;
    rating.lowShape = exceeds(0);
    rating.midShape = exceeds(1) || exceeds(2);
    rating.highShape = exceeds(3) || exceeds(4);
    rating.absorptionClass = classOf(rating.alphaW);
    return rating;
}

int noiseReductionCoefficient(const NrcOctaves &sabine)
{
    long long sum = 0;
    for (double value : sabine)
        sum += toHundredths(value);
    // The mean in hundredths is sum / 4; to the nearest 5 is (sum / 4 + 2.5) / 5, halves up.
    constexpr long long kQuarterStep = 4 * kAbsorptionStep;
    return static_cast<int>(floorDiv(sum + kQuarterStep / 2, kQuarterStep) * kAbsorptionStep);
}

SoundReduction weightedSoundReduction(const InsulationOctaves &insulationDb)
{
    std::array<long long, 5> tenths{};
    std::array<double, 5> rounded{};
    long long lowestMargin = 0;
    for (size_t i = 0; i < tenths.size(); ++i) {
        tenths[i] = toTenths(insulationDb[i]);
        rounded[i] = static_cast<double>(tenths[i]) / kTenthsPerDb;
        const long long margin = tenths[i] - kInsulationReference[i];
        lowestMargin = i == 0 ? margin : std::min(lowestMargin, margin);
    }

    auto deviations = [&](long long shiftDb) {
        long long sum = 0;
        for (size_t i = 0; i < tenths.size(); ++i)
            sum += std::max(0LL, kInsulationReference[i] + shiftDb * kTenthsPerDb - tenths[i]);
        return sum;
    };
    // From a position where the curve lies nowhere above the values, raise it while it fits;
    // the lowest band's deviation alone grows by 1 dB a step, so this ends within 11 steps.
    long long shift = floorDiv(lowestMargin, kTenthsPerDb);
    while (deviations(shift + 1) <= kInsulationTolerance)
        ++shift;

    SoundReduction rating;
    rating.rw = static_cast<int>(kInsulationReference[2] / kTenthsPerDb + shift);
    rating.c = static_cast<int>(std::lround(adaptationLevel(kPinkSpectrum, rounded))) - rating.rw;
    rating.ctr =
        static_cast<int>(std::lround(adaptationLevel(kTrafficSpectrum, rounded))) - rating.rw;
    return rating;
}

MaterialRatings ratingsOf(const MaterialLibrary &library, int materialIndex)
{
    MaterialRatings ratings;
    if (materialIndex < 1 || materialIndex > kMaxMaterials)
        return ratings;
    const auto slot = static_cast<size_t>(materialIndex);
    if (library.hasAlpha[slot]) {
        const BandRow &alpha = library.alphaR[slot];
        auto sabineAt = [&](size_t octave) { return trueToSabine(alpha[kBand250 + octave]); };
        ratings.alphaW =
            weightedAbsorption({sabineAt(0), sabineAt(1), sabineAt(2), sabineAt(3), sabineAt(4)});
        ratings.nrc =
            noiseReductionCoefficient({sabineAt(0), sabineAt(1), sabineAt(2), sabineAt(3)});
    }
    if (library.hasInsulation[slot]) {
        const BandRow &r = library.insulationR[slot];
        ratings.rw = weightedSoundReduction(
            {r[kBand125], r[kBand125 + 1], r[kBand125 + 2], r[kBand125 + 3], r[kBand125 + 4]});
    }
    return ratings;
}

QString formatHundredths(int hundredths)
{
    const int whole = std::abs(hundredths);
    return QStringLiteral("%1%2.%3")
        .arg(hundredths < 0 ? QStringLiteral("-") : QString())
        .arg(whole / 100)
        .arg(whole % 100, 2, 10, QLatin1Char('0'));
}

QString shapeIndicators(const WeightedAbsorption &rating)
{
    QString shape;
    if (rating.lowShape)
        shape += QLatin1Char('L');
    if (rating.midShape)
        shape += QLatin1Char('M');
    if (rating.highShape)
        shape += QLatin1Char('H');
    return shape;
}

QString absorptionClassText(AbsorptionClass absorptionClass)
{
    switch (absorptionClass) {
    case AbsorptionClass::A:
        return QStringLiteral("A");
    case AbsorptionClass::B:
        return QStringLiteral("B");
    case AbsorptionClass::C:
        return QStringLiteral("C");
    case AbsorptionClass::D:
        return QStringLiteral("D");
    case AbsorptionClass::E:
        return QStringLiteral("E");
    case AbsorptionClass::NotClassified:
        break;
    }
    return QStringLiteral("not classified");
}

QString formatAlphaW(const std::optional<WeightedAbsorption> &rating)
{
    if (!rating)
        return QString::fromUtf16(kNoRating);
    const QString shape = shapeIndicators(*rating);
    return formatHundredths(rating->alphaW) +
           (shape.isEmpty() ? QString() : QLatin1Char('(') + shape + QLatin1Char(')'));
}

QString formatNrc(const std::optional<int> &nrc)
{
    return nrc ? formatHundredths(*nrc) : QString::fromUtf16(kNoRating);
}

QString formatRw(const std::optional<SoundReduction> &rating)
{
    if (!rating)
        return QString::fromUtf16(kNoRating);
    return QStringLiteral("%1 (%2; %3) dB")
        .arg(signedDb(rating->rw), signedDb(rating->c), signedDb(rating->ctr));
}

RatingsReadout ratingsReadout(const MaterialLibrary &library, int materialIndex, Quantity quantity)
{
    const MaterialRatings ratings = ratingsOf(library, materialIndex);
    QString alphaW = QStringLiteral("\u03b1<sub>w</sub> ") + formatAlphaW(ratings.alphaW);
    if (ratings.alphaW) {
        const AbsorptionClass grade = ratings.alphaW->absorptionClass;
        alphaW += grade == AbsorptionClass::NotClassified
                      ? QStringLiteral(", ") + absorptionClassText(grade)
                      : QStringLiteral(", class ") + absorptionClassText(grade);
    }
    const QString nrc = QString::fromUtf16(kNrcLabel) + QLatin1Char(' ') + formatNrc(ratings.nrc);
    const QString rw = QString::fromUtf16(kRwLabel) + QLatin1Char(' ') + formatRw(ratings.rw);

    RatingsReadout readout;
    readout.toolTip = alphaW + QStringLiteral("<br>") + nrc + QStringLiteral("<br>") + rw;
    switch (quantity) {
    case Quantity::TrueAbsorption:
    case Quantity::SabineAbsorption:
        readout.line = alphaW + QStringLiteral(" \u00b7 ") + nrc;
        break;
    case Quantity::Insulation:
        readout.line = rw;
        break;
    case Quantity::Scattering:
        break;
    }
    return readout;
}

} // namespace quillon
