// Pastes into the document over a small library, without widgets, and checks that only the
// pasted block (a band-headed block: its rows, whole) changes (and, where the scattering default was shown, its rows), every value
// stays finite, and undo and redo give back the files before and after the
// paste byte for byte.
// Input: a flag byte (bit 0: the payload is offered as SYLK beside the text; bits 1-2: the tab;
// bit 3: a single selected cell), the current cell (2 bytes material, 1 byte column counted
// from the names as 1), the selection end as signed offsets (1 byte rows, 1 byte columns), then
// the payload.

#include "BandPaste.h"
#include "FuzzCheck.h"
#include "LibraryDocument.h"
#include "LibraryFiles.h"
#include "QuantityTraits.h"

#include <QCoreApplication>
#include <QMimeData>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>

using namespace quillon;

namespace {

constexpr size_t kHeaderSize = 6;
constexpr size_t kSampleMaterials = 6;

LibraryDocument *document = nullptr;

QByteArray files(const MaterialLibrary &library)
{
    return writeMaterialFile(library) + writeColorFile(library);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    new QCoreApplication(*argc, *argv);
    static MaterialLibrary library;
    library.materialCount = kSampleMaterials;
    // Materials 1 and 2 with absorption only, 3 with insulation too, 4 and 5 with all three.
    for (size_t n = 1; n <= kSampleMaterials; ++n) {
        library.materialNames[n] = "Material " + QByteArray::number(qsizetype(n));
        library.hasAlpha[n] = n < kSampleMaterials;
        library.hasInsulation[n] = n >= 3 && n < kSampleMaterials;
        library.hasScattering[n] = n >= 4 && n < kSampleMaterials;
        for (size_t b = 1; b <= kBandCount; ++b) {
            library.alphaR[n][b] = 0.05f * float(b + n);
            library.insulationR[n][b] = library.scattering[n][b] = float(b);
        }
    }
    const QTemporaryDir folder;
    const QString path = folder.path();
    FUZZ_REQUIRE(saveLibraryFiles(materialFilePath(path), colorFilePath(path), library).ok);
    document = new LibraryDocument(folder.path());
    FUZZ_REQUIRE(document->load().ok);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < kHeaderSize)
        return 0;
    const auto quantity = static_cast<Quantity>((data[0] >> 1 & 3) + 1);
    const int row = (data[1] | data[2] << 8) % kMaxMaterials;
    const int col = data[3] % kFieldCount;
    MaterialBlock target{row, col, row, col};
    if (!(data[0] & 8)) {
        target.endMaterial = std::clamp(row + static_cast<int8_t>(data[4]), 0, kMaxMaterials - 1);
        target.endField = std::clamp(col + static_cast<int8_t>(data[5]) % (kFieldCount + 1), 0,
                                      kFieldCount - 1);
    }
    const QByteArrayView payload = fuzzInput(data + kHeaderSize, size - kHeaderSize);
    QMimeData mime;
    mime.setText(QString::fromUtf8(payload));
    const auto sylk = data[0] & 1 ? readSylk(payload) : std::nullopt;
    if (data[0] & 1)
        mime.setData(QString::fromLatin1(kSylkMimeType), payload.toByteArray());
    const ExchangeBlock source = sylk ? *sylk : readTabText(mime.text());

    // Where the paste may write: the selection, grown from a single cell to the source's size.
    // (materials and columns counted from the names as 1).
    struct {
        int top, left, bottom, right;
    } block{materialIndex(target.first()), target.firstField() + 1, materialIndex(target.last()),
            target.lastField() + 1};
    if (target.isSingle()) {
        block.bottom = kMaxMaterials;
        block.right = kFieldCount;
    }
    block.bottom = std::min(block.bottom, block.top + source.rows - 1);
    block.right = std::min(block.right, block.left + source.cols - 1);
    const int nameColumn = kNameField + 1;
    const int firstBandColumn = kFirstBandField + 1;
    // A block under a row of band frequencies writes whole rows from the current material on.
    PasteReport bandReport(quantity);
    if (const auto byBand =
            readBandPaste(document->library(), source, block.top, quantity, bandReport)) {
        block = {byBand->top, nameColumn, byBand->bottom, kFieldCount};
    }

    static MaterialLibrary before;
    before = document->library();
    const QByteArray filesBefore = files(before);
    document->paste(target, mime, quantity);
    const MaterialLibrary &after = document->library();
    const QuantityTraits &traits = quantityTraits(quantity);

    FUZZ_REQUIRE(after.materialCount >= before.materialCount &&
                 after.materialCount <= kMaxMaterials);
    // The library before the paste with the block's values, names and marks taken over must be
    // the library after it.
    static MaterialLibrary expected;
    expected = before;
    expected.materialCount = after.materialCount;
    for (int n = block.top; n <= block.bottom; ++n) {
        const std::uint8_t groups = valueGroups(before, n);
        FUZZ_REQUIRE((valueGroups(after, n) & groups) == groups, "material %d lost a mark", n);
        setValueGroups(expected, n, valueGroups(after, n));
        if (block.left <= nameColumn && nameColumn <= block.right)
            expected.materialNames[size_t(n)] = after.materialNames[size_t(n)];
        BandRow &row = valueRow(expected, traits.table, n);
        // The default a row showed is stored with its first values.
        if ((groups & traits.defaultShownWith) && !(groups & traits.shownWith) &&
            (valueGroups(after, n) & traits.shownWith))
            std::fill(row.begin() + 1, row.end(), traits.shownDefault);
        for (int c = std::max(block.left, firstBandColumn); c <= block.right; ++c) {
            const auto band = static_cast<size_t>(c - firstBandColumn + 1);
            row[band] = valueRow(after, traits.table, n)[band];
            FUZZ_REQUIRE(std::isfinite(row[band]), "material %d band %zu", n, band);
        }
    }
    FUZZ_REQUIRE(expected.materialColors == after.materialColors &&
                     expected.materialNames == after.materialNames &&
                     expected.alphaR == after.alphaR && expected.insulationR == after.insulationR &&
                     expected.scattering == after.scattering && expected.hasAlpha == after.hasAlpha &&
                     expected.hasInsulation == after.hasInsulation &&
                     expected.hasScattering == after.hasScattering,
                 "the paste changed the library outside its block");

    QUndoStack &history = document->history();
    FUZZ_REQUIRE(history.count() <= 1);
    if (history.count() == 1) {
        const QByteArray filesAfter = files(after);
        history.undo();
        FUZZ_REQUIRE(files(document->library()) == filesBefore, "undo differs");
        history.redo();
        FUZZ_REQUIRE(files(document->library()) == filesAfter, "redo differs");
        history.undo();
        history.clear();
    }
    return 0;
}
