#include "WindowLayout.h"

#include <algorithm>
#include <cmath>

namespace quillon {

namespace {
constexpr int kMinimumLength = 100;
constexpr int kRightMargin = 240;
constexpr int kGridInsideTabStrip = 200;
constexpr int kChartLeftReserve = 3000;
constexpr int kBottomMargin = 540;
constexpr int kGridTopReserve = 3100;
constexpr double kNameColumnDivisor = 3.5;
constexpr int kColorColumnWidth = 1000;
constexpr int kBandColumnGap = 30;
} // namespace

int roundHalfEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

LayoutResult layoutWindow(const LayoutInput &input)
{
    LayoutResult result;
    const int v = std::max(input.windowWidth - input.gridLeft - kRightMargin, kMinimumLength);
    result.tabStripWidth = v;
    // A very narrow window would give the table a negative width.
    result.gridWidth = std::max(v - kGridInsideTabStrip, 0);
    result.chartWidth = std::max(v - kChartLeftReserve, kMinimumLength);
    const int h = std::max(input.windowHeight - input.tabStripTop - kBottomMargin, kMinimumLength);
    result.tabStripHeight = h;
    result.gridHeight = std::max(h - kGridTopReserve, kMinimumLength);
    result.column1Width = roundHalfEven(input.windowWidth / kNameColumnDivisor);
    result.column2Width = kColorColumnWidth;
    double band = (static_cast<double>(result.gridWidth) - input.column0Width -
                   result.column1Width - result.column2Width) /
                      10.0 -
                  kBandColumnGap;
    band = std::max(band, 1.0);
    result.bandColumnWidth = roundHalfEven(band);
    return result;
}

} // namespace quillon
