#include "WindowLayout.h"

#include <algorithm>
#include <cmath>

namespace quillon {

namespace {
constexpr int kMinimumLength = 100;
constexpr int kRightMargin = 240;
constexpr int kTableInsideTabStrip = 200;
constexpr int kChartLeftReserve = 3000;
constexpr int kBottomMargin = 540;
constexpr int kTableTopReserve = 3100;
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
    const int v = std::max(input.windowWidth - input.tableLeft - kRightMargin, kMinimumLength);
    result.tabStripWidth = v;
    // A very narrow window would give the table a negative width.
    result.tableWidth = std::max(v - kTableInsideTabStrip, 0);
    result.chartWidth = std::max(v - kChartLeftReserve, kMinimumLength);
    const int h = std::max(input.windowHeight - input.tabStripTop - kBottomMargin, kMinimumLength);
    result.tabStripHeight = h;
    result.tableHeight = std::max(h - kTableTopReserve, kMinimumLength);
    result.nameColumnWidth = roundHalfEven(input.windowWidth / kNameColumnDivisor);
    result.swatchColumnWidth = kColorColumnWidth;
    double band = (static_cast<double>(result.tableWidth) - input.numberColumnWidth -
                   result.nameColumnWidth - result.swatchColumnWidth) /
                      10.0 -
                  kBandColumnGap;
    band = std::max(band, 1.0);
    result.bandColumnWidth = roundHalfEven(band);
    return result;
}

} // namespace quillon
