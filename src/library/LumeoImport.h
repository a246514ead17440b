#pragma once

#include "MaterialLibrary.h"

#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>

namespace quillon {

// A Lumeo material file: "True" absorption coefficients for 63 Hz to 8 kHz.
inline constexpr int kLumeoBandCount = 8;
inline constexpr int kLumeoFirstBand = 2; // 63 Hz

struct LumeoReadResult {
    bool ok = false;
    std::array<float, kLumeoBandCount> values{};
    // Why the file could not be taken, for the user, when !ok.
    QString problem;
    // Where the reading stopped: just after the last field it looked at.
    qsizetype end = 0;
    // Bytes taken from the file by readLumeoFile.
    qint64 bytesRead = 0;
};

// Eight numbers separated by commas, blanks or line ends; anything after the eighth is ignored.
LumeoReadResult readLumeoMaterial(QByteArrayView data);

// Reads a regular file of at most kImportFileLimit bytes, and of it no more than the eight
// numbers need.
LumeoReadResult readLumeoFile(const QString &path);

// The file name after the last "/" or "\", extension kept.
QString lumeoMaterialName(const QString &path);

// The import's colour source: a fixed 24-bit linear congruential sequence that starts from the
// same state in every run, so the k-th import of a run always gets the same colour.
class ImportColorSource {
public:
    double next();
    MaterialColor nextColor();

private:
    std::uint32_t m_state = 327680;
};

} // namespace quillon
