#pragma once

#include "MaterialLibrary.h"

#include <QString>
#include <array>
#include <optional>

namespace quillon {

// Single-number ratings from the octave bands of one material. Absorption ratings use the
// "Sabine" coefficients, insulation ratings the sound reduction index in dB.

// Sabine coefficients at 250, 500, 1000, 2000 and 4000 Hz.
using AbsorptionOctaves = std::array<double, 5>;
// Sabine coefficients at 250, 500, 1000 and 2000 Hz.
using NrcOctaves = std::array<double, 4>;
// Sound reduction index in dB at 125, 250, 500, 1000 and 2000 Hz.
using InsulationOctaves = std::array<double, 5>;

enum class AbsorptionClass { A, B, C, D, E, NotClassified };

struct WeightedAbsorption {
    int alphaW = 0;         // hundredths, a multiple of 5 from 0 to 100
    bool lowShape = false;  // "L"
    bool midShape = false;  // "M"
    bool highShape = false; // "H"
    AbsorptionClass absorptionClass = AbsorptionClass::NotClassified;
};

struct SoundReduction {
    int rw = 0;  // dB
    int c = 0;   // dB
    int ctr = 0; // dB
};

// Empty where the material lacks the value group that a rating needs.
struct MaterialRatings {
    std::optional<int> nrc; // hundredths, a multiple of 5
    std::optional<WeightedAbsorption> alphaW;
    std::optional<SoundReduction> rw;
};

// alpha_w with its shape indicators and class (ISO 11654 on octave values).
WeightedAbsorption weightedAbsorption(const AbsorptionOctaves &sabine);
// The mean of four octave values rounded to the nearest 0.05, halves up; in hundredths.
int noiseReductionCoefficient(const NrcOctaves &sabine);
// R_w with C and C_tr (ISO 717-1 on octave values).
SoundReduction weightedSoundReduction(const InsulationOctaves &insulationDb);

// materialIndex 1..kMaxMaterials.
MaterialRatings ratingsOf(const MaterialLibrary &library, int materialIndex);

inline constexpr char16_t kNoRating[] = u"\u2013";
inline constexpr char16_t kNrcLabel[] = u"NRC (octave)";
// Rich text: the chart prints the symbols with real subscripts.
inline constexpr char16_t kRwLabel[] = u"R<sub>w</sub> (C; C<sub>tr</sub>)";

// "0.60", "1.00"
QString formatHundredths(int hundredths);
// "L", "MH", "" when the curve fits everywhere
QString shapeIndicators(const WeightedAbsorption &rating);
// "A" to "E", or "not classified"
QString absorptionClassText(AbsorptionClass absorptionClass);
// "0.60(MH)", or kNoRating
QString formatAlphaW(const std::optional<WeightedAbsorption> &rating);
// "0.20", or kNoRating
QString formatNrc(const std::optional<int> &nrc);
// "52 (−2; −6) dB", R_w with C and C_tr, with true minus signs; or kNoRating
QString formatRw(const std::optional<SoundReduction> &rating);

// What the chart shows of a material's ratings, as rich text: one short line for the quantity on
// show and a tooltip with all of them.
struct RatingsReadout {
    QString line;
    QString toolTip;
};
// The line holds alpha_w and NRC on the absorption tabs, R_w on the insulation tab and nothing on
// the scattering tab; a missing value group shows kNoRating.
RatingsReadout ratingsReadout(const MaterialLibrary &library, int materialIndex, Quantity quantity);

} // namespace quillon
