#pragma once

namespace quillon {

// The smallest "Sabine" value that has a "True" counterpart (the quadratic's vertex).
inline constexpr double kMinimumSabine = -0.6117965379;

double trueToSabine(double trueAlpha);
// The larger root of the quadratic; NaN below kMinimumSabine. Callers refuse such values.
double sabineToTrue(double sabineAlpha);

} // namespace quillon
