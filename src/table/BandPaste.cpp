#include "BandPaste.h"

#include "BandSets.h"
#include "Cp1252.h"
#include "PastedNumbers.h"
#include "QuantityTraits.h"
#include "SpreadsheetExchange.h"

#include <QStringList>
#include <algorithm>
#include <limits>

namespace quillon {

namespace {

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// The library band a third's value is reported at: the octave it belongs to.
int bandOfThird(int third)
{
    return std::clamp((third + 2) / 3, 1, kBandCount);
}

QStringList rowTexts(const ExchangeBlock &block, int row)
{
    QStringList texts;
    for (int c = 0; c < block.cols; ++c)
        texts << block.at(row, c).text;
    return texts;
}

// The first leading cell that holds anything.
std::optional<QByteArray> rowName(const ExchangeBlock &block, int row, int leadingCells,
                                  bool &lossy)
{
    for (int c = 0; c < leadingCells; ++c) {
        const QString &text = block.at(row, c).text;
        if (!text.trimmed().isEmpty()) {
            bool lossyHere = false;
            QByteArray name = encodeCp1252(pastedName(text), &lossyHere);
            lossy = lossy || lossyHere;
            return name;
        }
    }
    return std::nullopt;
}

// The row's values under the header's bands; NaN where a cell gives none.
std::vector<double> rowValues(const ExchangeBlock &block, int row, const BandHeader &header, int n,
                              PasteReport &report)
{
    std::vector<double> values(header.bands.thirds.size(), kNoValue);
    for (size_t i = 0; i < values.size(); ++i) {
        const PastedValue pasted = readPastedCell(block.at(row, header.bandColumns[i]));
        const int band = bandOfThird(header.bands.thirds[i]);
        if (pasted.kind == PastedKind::NotANumber)
            report.note(PasteNote::SkippedText, n, band);
        if (pasted.kind == PastedKind::DecimalComma)
            report.note(PasteNote::DecimalComma, n, band);
        if (pasted.kind == PastedKind::Number || pasted.kind == PastedKind::DecimalComma)
            values[i] = pasted.value;
    }
    return values;
}

QString skippedColumns(const QStringList &names)
{
    if (names.isEmpty())
        return QString();
    return QStringLiteral("\nColumns whose heading is no band frequency were skipped: \"%1\".")
        .arg(names.join(u"\", \""));
}

} // namespace

std::optional<BandPaste> readBandPaste(const MaterialLibrary &library, const ExchangeBlock &block,
                                       int top, Quantity quantity, PasteReport &report)
{
    if (block.rows < 2)
        return std::nullopt;
    const std::optional<BandHeader> header = readBandHeader(rowTexts(block, 0));
    if (!header)
        return std::nullopt;
    BandPaste paste;
    if (!header->bands.problem.isEmpty()) {
        report.setSummary(QStringLiteral("Nothing was pasted: %1.").arg(header->bands.problem));
        return paste;
    }
    const QuantityTraits &traits = quantityTraits(quantity);
    paste.top = top;
    paste.bottom = std::min(top + block.rows - 2, kMaxMaterials);
    paste.hasNames = header->leadingCells > 0;
    std::uint16_t filledBands = 0;
    int filledMaterials = 0;
    for (int n = paste.top; n <= paste.bottom; ++n) {
        const int row = n - top + 1;
        paste.names.push_back(rowName(block, row, header->leadingCells, paste.lossyNames));
        OctaveValues octaves =
            toOctaves(header->bands, rowValues(block, row, *header, n, report), bandMean(quantity));
        if (!(valueGroups(library, n) & traits.shownWith))
            fillUncovered(octaves);
        filledBands |= octaves.filled;
        filledMaterials += octaves.filled != 0;
        auto &stored = paste.values.emplace_back();
        for (int b = 1; b <= kBandCount; ++b) {
            if (!((octaves.covered | octaves.filled) & (1u << b)))
                continue;
            const double value = octaves.values[size_t(b)];
            stored[size_t(b)] = storableValue(quantity, value);
            if (!stored[size_t(b)])
                report.note(PasteNote::SkippedOutOfRange, n, b);
            else
                report.checkStored(n, b, value);
        }
        if (paste.names.back() || octaves.covered)
            paste.lastStored = n;
    }
    report.setSummary(
        describeBands(header->bands, paste.bottom - paste.top + 1, filledBands, filledMaterials) +
        skippedColumns(header->skippedNames));
    return paste;
}

void storeBandPaste(MaterialLibrary &library, const BandPaste &paste, Quantity quantity)
{
    for (int n = paste.top; n <= paste.bottom; ++n) {
        const auto row = static_cast<size_t>(n - paste.top);
        if (paste.names[row])
            library.materialNames[size_t(n)] = *paste.names[row];
        for (int b = 1; b <= kBandCount; ++b) {
            if (const std::optional<float> value = paste.values[row][size_t(b)])
                storeBandValue(library, n, b, quantity, *value);
        }
    }
    library.materialCount = std::max(library.materialCount, paste.lastStored);
}

} // namespace quillon
