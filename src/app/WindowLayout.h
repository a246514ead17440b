#pragma once

namespace quillon {

// Lengths in twips: 1/1440 inch.
inline constexpr int kTwipsPerInch = 1440;

struct LayoutInput {
    int windowWidth = 0;  // outer size, frame and caption bar included
    int windowHeight = 0;
    int tableLeft = 240;
    int tabStripTop = 120;
    int numberColumnWidth = 500;
};

struct LayoutResult {
    int tabStripWidth = 0;
    int tabStripHeight = 0;
    int tableWidth = 0;
    int tableHeight = 0;
    int chartWidth = 0;
    int nameColumnWidth = 0;
    int swatchColumnWidth = 0;
    int bandColumnWidth = 0;
};

// Fits the tab strip, the table and the chart to the window's outer size.
LayoutResult layoutWindow(const LayoutInput &input);

// Nearest whole number, halves to the even neighbour.
int roundHalfEven(double value);

} // namespace quillon
