#pragma once

#include "MaterialLibrary.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// Band sets of datasheets and public tables, recognised by their centre frequencies, and their
// reduction to the library's ten octaves.

namespace quillon {

// The nominal one-third-octave frequencies from 20 Hz (third 0) to 20 kHz (third 30).
inline constexpr int kThirdCount = 31;
// Library band b is third 3b - 1 and spans thirds 3b - 2 to 3b.
constexpr int thirdOfBand(int band)
{
    return 3 * band - 1;
}

// The third a frequency text names: "125", "125 Hz", "1k", "1 kHz", "31,5", "31.5"; nothing
// for any other text or a frequency off the nominal grid.
std::optional<int> parseBandFrequency(QStringView text);
// "31.5 Hz", "1.25 kHz"
QString thirdName(int third);

enum class BandSpacing { Thirds, Octaves };

struct BandSet {
    BandSpacing spacing = BandSpacing::Octaves;
    // The third of every frequency given, in the order given (rising or falling).
    std::vector<int> thirds;
    // Why the list is not a band set, naming the value; empty when it is one.
    QString problem;
};

// Consecutive thirds or consecutive octave centres; anything else is refused.
BandSet recogniseBandSet(const QStringList &frequencies);

// A row of cells read as a band header: the leading text cells, then bands and skipped cells.
struct BandHeader {
    int leadingCells = 0;
    BandSet bands;                // bands.problem set: a header whose bands cannot be taken
    std::vector<int> bandColumns; // the column of each of bands.thirds
    std::vector<int> skippedColumns;
    QStringList skippedNames;
};

// A header names three bands or more and holds a label or unit ("Frequency (Hz)", "Hz",
// "125 Hz", "1k") or names six consecutive bands or more, so that a row of ordinary values
// that happen to be nominal frequencies (40, 50) is not taken for one.
std::optional<BandHeader> readBandHeader(const QStringList &cells);

// Absorption and scattering take the arithmetic mean of three thirds, insulation the energy mean.
enum class BandMean { Arithmetic, Energy };
BandMean bandMean(Quantity quantity);

// One material's octave values; bit b of a mask stands for band b.
struct OctaveValues {
    std::array<double, kBandCount + 1> values{};
    std::uint16_t covered = 0;
    std::uint16_t filled = 0;
};

// values[i] is the value at set.thirds[i], NaN where the data has none. An octave is covered
// only when it has all three of its thirds (thirds data) or its centre (octave data).
OctaveValues toOctaves(const BandSet &set, const std::vector<double> &values, BandMean mean);
// The octaves covered by data in every band of the set.
std::uint16_t coveredOctaves(const BandSet &set);

// For a material without values in the group: every uncovered band takes the value of the
// nearest covered one, below the data the lowest, above it the highest.
void fillUncovered(OctaveValues &octaves);

// "31.5 and 63 Hz and 8 and 16 kHz"
QString bandList(std::uint16_t bands);

// "3 materials of one-third-octave data, 100 Hz to 5 kHz: octaves 125 Hz to 4 kHz are means of
// three bands; 31.5 and 63 Hz and 8 and 16 kHz filled from the nearest octave for 2 materials"
QString describeBands(const BandSet &set, int materials, std::uint16_t filledBands,
                      int filledMaterials);

} // namespace quillon
