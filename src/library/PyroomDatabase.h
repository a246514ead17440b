#pragma once

#include "MaterialLibrary.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <cstdint>
#include <vector>

// The material database shape of the pyroomacoustics package: "center_freqs" at the top, then
// "absorption" and "scattering", each by category, each material with "description" and
// "coeffs" (possibly fewer than the frequencies, covering the first bands).

namespace quillon {

inline constexpr int kMaxReadProblems = 20;

struct DatabaseMaterial {
    QByteArray name;          // Windows-1252, unique, at most kNameFieldWidth bytes
    BandRow absorption{};     // "True" absorption, all ten bands
    std::uint16_t filled = 0; // bit b: band b filled from the nearest octave
};

struct DatabaseRead {
    std::vector<DatabaseMaterial> materials; // in the file's order
    // What was reduced and filled, shortened names, scattering entries not imported.
    QStringList notes;
    // Entries or a file that could not be read: each once, at most kMaxReadProblems.
    QStringList problems;
};

DatabaseRead readPyroomDatabase(QByteArrayView json);

// Every material with absorption under one category, with its scattering where it has some.
QByteArray writePyroomDatabase(const MaterialLibrary &library);

} // namespace quillon
