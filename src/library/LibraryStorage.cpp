#include "LibraryStorage.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace quillon {

namespace {

QString inFolder(const QString &folder, const char *name)
{
    return QDir::toNativeSeparators(folder + QLatin1Char('/') + QLatin1String(name));
}

} // namespace

QString materialFilePath(const QString &installFolder)
{
    return inFolder(installFolder, kMaterialFileName);
}

QString colorFilePath(const QString &installFolder)
{
    return inFolder(installFolder, kColorFileName);
}

LoadOutcome loadLibraryFiles(const QString &materialPath, const QString &colorPath,
                             MaterialLibrary &library)
{
    LoadOutcome outcome;
    QFile materialFile(materialPath);
    if (!materialFile.open(QIODevice::ReadOnly)) {
        outcome.message = QStringLiteral("The material file \"%1\" could not be read: %2.")
                              .arg(materialPath, materialFile.errorString());
        return outcome;
    }
    const QByteArray materialData = materialFile.readAll();
    if (materialFile.error() != QFileDevice::NoError) {
        outcome.message = QStringLiteral("The material file \"%1\" could not be read: %2.")
                              .arg(materialPath, materialFile.errorString());
        return outcome;
    }
    materialFile.close();

    const int lines = countMaterialLines(materialData);
    if (lines > kMaxMaterials) {
        outcome.message =
            QStringLiteral("The material file \"%1\" has %2 lines, but the library holds at "
                           "most %3 materials. Nothing was loaded.")
                .arg(materialPath)
                .arg(lines)
                .arg(kMaxMaterials);
        outcome.materials.lineCount = lines;
        return outcome;
    }
    outcome.materials = readMaterialFile(materialData, library);

    QFile colorFile(colorPath);
    if (colorFile.open(QIODevice::ReadOnly)) {
        const QByteArray colorData = colorFile.readAll();
        outcome.colors = readColorFile(colorData, library);
    } else {
        outcome.colors.problem = colorFile.errorString();
    }
    applyDefaultColors(library, outcome.colors.colorsRead);
    outcome.ok = true;
    return outcome;
}

SaveOutcome saveLibraryFiles(const QString &materialPath, const QString &colorPath,
                             const MaterialLibrary &library)
{
    SaveOutcome outcome;
    auto failure = [&](const QString &path, const QString &reason) {
        outcome.message =
            QStringLiteral("The library could not be saved: \"%1\": %2. The files on disk "
                           "were left as they were.")
                .arg(path, reason);
        return outcome;
    };

    QSaveFile materialFile(materialPath);
    QSaveFile colorFile(colorPath);
    if (!materialFile.open(QIODevice::WriteOnly))
        return failure(materialPath, materialFile.errorString());
    const QByteArray materialData = writeMaterialFile(library);
    if (materialFile.write(materialData) != materialData.size() || !materialFile.flush())
        return failure(materialPath, materialFile.errorString());
    if (!colorFile.open(QIODevice::WriteOnly))
        return failure(colorPath, colorFile.errorString());
    const QByteArray colorData = writeColorFile(library);
    if (colorFile.write(colorData) != colorData.size() || !colorFile.flush())
        return failure(colorPath, colorFile.errorString());
    // Both are complete in their temporary files; only the two renames remain.
    if (!materialFile.commit())
        return failure(materialPath, materialFile.errorString());
    if (!colorFile.commit())
        return failure(colorPath, colorFile.errorString());
    outcome.ok = true;
    return outcome;
}

} // namespace quillon
