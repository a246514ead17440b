#pragma once

#include <QByteArray>

#include <array>
#include <cstdint>

namespace quillon {

inline constexpr int kMaxMaterials = 999;
inline constexpr int kBandCount = 10;
inline constexpr int kNameFieldWidth = 65;

// Index 0 is unused so that band b is element b, as everywhere else in the program.
using BandRow = std::array<float, kBandCount + 1>;

// Colours are 0x00BBGGRR, red in the low byte, read and written as signed 32-bit numbers.
using MaterialColor = std::int32_t;

constexpr MaterialColor rgbColor(int red, int green, int blue)
{
    return static_cast<MaterialColor>((static_cast<std::uint32_t>(blue) << 16) |
                                      (static_cast<std::uint32_t>(green) << 8) |
                                      static_cast<std::uint32_t>(red));
}
constexpr int colorRed(MaterialColor c) { return static_cast<int>(c & 0xFF); }
constexpr int colorGreen(MaterialColor c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int colorBlue(MaterialColor c) { return static_cast<int>((c >> 16) & 0xFF); }

// Material n (1..999) lives at index n of every table; slot 0 is never a material.
// Names are the files' 8-bit Windows-1252 bytes, so an unedited name is written back as read.
struct MaterialLibrary {
    int materialCount = 0;
    std::array<QByteArray, kMaxMaterials + 1> materialNames;
    std::array<BandRow, kMaxMaterials + 1> alphaR{};
    std::array<BandRow, kMaxMaterials + 1> insulationR{};
    std::array<BandRow, kMaxMaterials + 1> scattering{};
    std::array<bool, kMaxMaterials + 1> hasAlpha{};
    std::array<bool, kMaxMaterials + 1> hasInsulation{};
    std::array<bool, kMaxMaterials + 1> hasScattering{};
    std::array<MaterialColor, kMaxMaterials + 1> materialColors{};
};

// The number shown and written for material n, and back.
inline constexpr int materialNumber(int materialIndex) { return materialIndex - 1; }
inline constexpr int materialIndex(int materialNumber) { return materialNumber + 1; }

// Band b (1 to 10) at index b - 1: as the table heads its column, as the chart and the exports
// label it, and in words.
inline constexpr std::array<const char *, kBandCount> kBandHeadings = {
    "31.5", "63", "125", "250", "500", "1k", "2k", "4k", "8k", "16k"};
inline constexpr std::array<const char *, kBandCount> kBandFrequencies = {
    "31.5", "63", "125", "250", "500", "1000", "2000", "4000", "8000", "16000"};
inline constexpr std::array<const char *, kBandCount> kBandNames = {
    "31.5 Hz", "63 Hz", "125 Hz", "250 Hz", "500 Hz", "1 kHz", "2 kHz", "4 kHz", "8 kHz", "16 kHz"};
inline const char *bandText(const std::array<const char *, kBandCount> &texts, int band)
{
    return band >= 1 && band <= kBandCount ? texts[static_cast<size_t>(band - 1)] : "";
}

// The four quantities, numbered as the tabs that show them.
enum class Quantity { TrueAbsorption = 1, SabineAbsorption = 2, Insulation = 3, Scattering = 4 };

} // namespace quillon
