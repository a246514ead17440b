#include "LibraryLoad.h"

#include <QFile>

namespace quillon {

namespace {

// Under the lock: no save runs meanwhile, so a ".ready" file is a committed save that was cut
// off, and it is the library.
PairRead readPairLocked(const SideFiles &material, const SideFiles &color)
{
    PairRead pair;
    QString materialSource = material.shown;
    QString colorSource = color.shown;
    if (existsOnDisk(color.ready)) {
        if (existsOnDisk(material.saving))
            materialSource = QFile::decodeName(material.saving);
        colorSource = QFile::decodeName(color.ready);
        pair.note = QStringLiteral("The last save of the library was cut off after it was "
                                   "complete but before it was put in place: the library was "
                                   "read from \"%1\" and \"%2\", which Quillon puts in place "
                                   "when it next loads or saves.")
                        .arg(materialSource, colorSource);
    }
    pair.material = readRegularFile(materialSource, kLibraryFileLimit);
    if (material.path == color.path) {
        pair.color.status = FileRead::Status::Failed;
        pair.color.stamp.state = FileStamp::State::Unreadable;
        pair.color.problem =
            QStringLiteral("it is a link to %1, the material file").arg(material.name());
    } else {
        pair.color = readRegularFile(colorSource, kLibraryFileLimit);
    }
    pair.ok = true;
    return pair;
}

// The files as read into the library; false and `message` when the material file is refused.
bool readInto(const PairRead &pair, const QString &materialPath, MaterialLibrary &library,
              LoadOutcome &outcome)
{
    const FileRead &materials = pair.material;
    outcome.stamps.material = materials.stamp;
    if (materials.status != FileRead::Status::Read) {
        outcome.message = QStringLiteral("The material file \"%1\" could not be read: %2. "
                                         "Nothing was loaded.")
                              .arg(materialPath, materials.problem);
        return false;
    }
    const int lines = countMaterialLines(materials.data);
    if (lines > kMaxMaterials) {
        outcome.message =
            QStringLiteral("The material file \"%1\" has %2 lines, but the library holds at "
                           "most %3 materials. Nothing was loaded.")
                .arg(materialPath, QString::number(lines), QString::number(kMaxMaterials));
        outcome.materials.lineCount = lines;
        return false;
    }
    outcome.materials = readMaterialFile(materials.data, library);
    const FileRead &colors = pair.color;
    outcome.stamps.color = colors.stamp;
    if (colors.status == FileRead::Status::Read)
        outcome.colors = readColorFile(colors.data, library);
    else
        outcome.colors.problem = colors.problem;
    applyDefaultColors(library, outcome.colors.colorsRead);
    return true;
}

} // namespace

PairRead readLibraryPair(const QString &materialPath, const QString &colorPath)
{
    const SideFiles material(materialPath);
    const SideFiles color(colorPath);
    const LibraryLock lock(material, color, LockUse::Read);
    if (!lock.usable())
        return {false, lock.refusal("nothing was read"), {}, {}, {}};
    return readPairLocked(material, color);
}

LoadOutcome loadLibraryFiles(const QString &materialPath, const QString &colorPath,
                             MaterialLibrary &library, LoadMode mode)
{
    LoadOutcome outcome;
    const SideFiles material(materialPath);
    const SideFiles color(colorPath);
    const bool recover = mode == LoadMode::Recover && saveLeftovers(material, color);
    const LibraryLock lock(material, color, recover ? LockUse::Write : LockUse::Read);
    if (!lock.usable()) {
        outcome.message = lock.refusal("nothing was read");
        return outcome;
    }
    if (recover) {
        const RecoveryOutcome recovery = recoverLocked(material, color);
        if (!recovery.ok) {
            outcome.message = recovery.message + QStringLiteral(" Nothing was loaded.");
            return outcome;
        }
        outcome.recovery = recovery.message;
    }
    const PairRead pair = readPairLocked(material, color);
    if (!pair.note.isEmpty())
        outcome.recovery = pair.note;
    outcome.ok = readInto(pair, materialPath, library, outcome);
    return outcome;
}

} // namespace quillon
