#include "AbsorptionConversions.h"

#include <cmath>

namespace quillon {

namespace {
constexpr double kSquare = 0.426078;
constexpr double kLinear = 1.021123;
constexpr double kFourSquare = 1.704312;    // 4 * kSquare
constexpr double kTwoSquare = 0.852156;     // 2 * kSquare
constexpr double kLinearSquared = 1.042692181129; // kLinear * kLinear
} // namespace

double trueToSabine(double trueAlpha)
{
    return kSquare * trueAlpha * trueAlpha + kLinear * trueAlpha;
}

double sabineToTrue(double sabineAlpha)
{
    return (std::sqrt(kFourSquare * sabineAlpha + kLinearSquared) - kLinear) / kTwoSquare;
}

} // namespace quillon
