#include "Artwork.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <span>
#include <string_view>

namespace quillon {

namespace {

// The standard 16-colour palette.
namespace vga {
const QColor black(0, 0, 0);
const QColor maroon(128, 0, 0);
const QColor green(0, 128, 0);
const QColor olive(128, 128, 0);
const QColor navy(0, 0, 128);
const QColor purple(128, 0, 128);
const QColor teal(0, 128, 128);
const QColor silver(192, 192, 192);
const QColor gray(128, 128, 128);
const QColor red(255, 0, 0);
const QColor lime(0, 255, 0);
const QColor yellow(255, 255, 0);
const QColor blue(0, 0, 255);
const QColor fuchsia(255, 0, 255);
const QColor aqua(0, 255, 255);
const QColor white(255, 255, 255);
} // namespace vga

// Bitmap glyphs, '#' an inked pixel, one string a row.
using Glyph = std::span<const std::string_view>;

// clang-format off
constexpr std::array<std::string_view, 9> kAlpha{
    "..####...##.",
    ".##..##..##.",
    "##....##.#..",
    "##.....###..",
    "##.....##...",
    "##.....###..",
    "##....##.#..",
    ".##..##..##.",
    "..####....##",
};
// clang-format on
constexpr std::array<std::string_view, 7> kCapitalK{"##..##", "##.##.", "####..", "###...",
                                                    "####..", "##.##.", "##..##"};
constexpr std::array<std::string_view, 7> kCapitalS{".####", "##...", "##...", ".###.",
                                                    "...##", "...##", "####."};
constexpr std::array<std::string_view, 5> kSmallO{".###.", "##.##", "##.##", "##.##", ".###."};
constexpr std::array<std::string_view, 5> kSmallR{"##.##", "####.", "##...", "##...", "##..."};
constexpr std::array<std::string_view, 5> kSmallA{".###.", "...##", ".####", "##.##", ".####"};
constexpr std::array<std::string_view, 7> kSmallB{"##...", "##...", "####.", "##.##",
                                                  "##.##", "##.##", "####."};

// Draws the glyph with its bottom row on baseline; returns the x just after it.
int drawGlyph(QPainter &painter, Glyph glyph, int left, int baseline)
{
    int y = baseline - static_cast<int>(glyph.size()) + 1;
    int width = 0;
    for (std::string_view row : glyph) {
        for (std::size_t x = 0; x < row.size(); ++x) {
            if (row[x] == '#')
                painter.fillRect(left + static_cast<int>(x), y, 1, 1, vga::black);
        }
        width = std::max(width, static_cast<int>(row.size()));
        ++y;
    }
    return left + width;
}

constexpr int kGlyphSpacing = 1;
constexpr int kAlphaLeft = 3;
constexpr int kAlphaBaseline = 10;
constexpr int kLoweredGap = 2;
constexpr int kLoweredBaseline = 14;

} // namespace

QPixmap tabImage(TabImage which)
{
    QPixmap pixmap(kTabImageSize);
    pixmap.fill(vga::white);
    QPainter painter(&pixmap);
    int x = drawGlyph(painter, kAlpha, kAlphaLeft, kAlphaBaseline) + kLoweredGap;
    const std::array<Glyph, 3> letters = which == TabImage::TrueAlpha
                                             ? std::array<Glyph, 3>{kCapitalK, kSmallO, kSmallR}
                                             : std::array<Glyph, 3>{kCapitalS, kSmallA, kSmallB};
    for (Glyph glyph : letters)
        x = drawGlyph(painter, glyph, x, kLoweredBaseline) + kGlyphSpacing;
    return pixmap;
}

QIcon packageIcon()
{
    // The package's own icon files, built into the program.
    QIcon icon;
    for (const int side : {16, 32, 48})
        icon.addFile(QStringLiteral(":/icons/quillon-%1.png").arg(side), QSize(side, side));
    return icon;
}

QPixmap decorativePicture(QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(vga::white);
    if (size.isEmpty())
        return pixmap;

    QPainter painter(&pixmap);
    const double width = size.width();
    const double height = size.height();
    const QPointF origin(width / 2.0, height * 0.66);
    const double reach = std::hypot(width, height);

    // Colours run from the upright rays out to the flat ones, alike on both sides; the reflection
    // repeats the fan in the lighter colours, dotted.
    const std::array<QColor, 5> rayColors{vga::navy, vga::teal, vga::green, vga::olive,
                                          vga::maroon};
    const std::array<QColor, 5> reflectionColors{vga::blue, vga::aqua, vga::lime, vga::yellow,
                                                 vga::red};
    constexpr int kRays = 37;
    constexpr double kSpreadDegrees = 84.0; // either side of upright

    painter.setPen(QPen(vga::silver, 1));
    painter.drawLine(QPointF(0, origin.y()), QPointF(width, origin.y()));

    constexpr int kMiddle = kRays / 2;
    for (int ray = 0; ray < kRays; ++ray) {
        const double degrees = kSpreadDegrees * (ray - kMiddle) / kMiddle;
        const double radians = degrees * std::numbers::pi / 180.0;
        const QPointF up(std::sin(radians), -std::cos(radians));
        const QPointF down(up.x(), -up.y());
        const auto band = static_cast<std::size_t>(std::abs(ray - kMiddle) * int(rayColors.size()) /
                                                   (kMiddle + 1));

        painter.setPen(QPen(reflectionColors[band], 1, Qt::DotLine));
        painter.drawLine(origin, origin + down * reach);
        painter.setPen(QPen(rayColors[band], 1));
        painter.drawLine(origin, origin + up * reach);
    }
    return pixmap;
}

} // namespace quillon
