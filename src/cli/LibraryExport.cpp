#include "LibraryExport.h"

#include "AbsorptionConversions.h"
#include "Cp1252.h"
#include "QuantityTraits.h"
#include "Ratings.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

namespace quillon {

namespace {

// The shortest text that reads back as the same number; JSON has no word for a non-finite one.
template <typename Number> void appendNumber(QByteArray &out, Number value, const char *nonFinite)
{
    if (!std::isfinite(value)) {
        out.append(nonFinite);
        return;
    }
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    out.append(text, end - text);
}

QByteArray nameUtf8(const MaterialLibrary &library, size_t slot)
{
    return decodeCp1252(library.materialNames[slot]).toUtf8();
}

} // namespace

std::uint8_t writtenGroups(const MaterialLibrary &library, int n)
{
    std::uint8_t groups = valueGroups(library, n);
    for (size_t g = kGroupKeys.size() - 1; g > 0; --g)
        if (groups & kGroupKeys[g].flag)
            groups |= kGroupKeys[g - 1].flag;
    return groups;
}

void appendCsvField(QByteArray &out, const QByteArray &field)
{
    if (field.contains(',') || field.contains('"') || field.contains('\r') ||
        field.contains('\n')) {
        QByteArray quoted = field;
        quoted.replace("\"", "\"\"");
        out.append('"').append(quoted).append('"');
    } else {
        out.append(field);
    }
}

namespace {

void appendJsonString(QByteArray &out, const QByteArray &text)
{
    out.append('"');
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out.append('\\').append(c);
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
            out.append(escaped);
        } else {
            out.append(c);
        }
    }
    out.append('"');
}

template <typename Value> void appendJsonArray(QByteArray &out, const BandRow &row, Value valueOf)
{
    out.append('[');
    for (size_t b = 1; b <= kBandCount; ++b) {
        if (b > 1)
            out.append(", ");
        appendNumber(out, valueOf(row[b]), "null");
    }
    out.append(']');
}

QByteArray centerFrequencies()
{
    QByteArray list("[");
    for (size_t b = 0; b < kBandCount; ++b)
        list.append(b == 0 ? "" : ", ").append(kBandFrequencies[b]);
    return list.append(']');
}

void appendJsonBands(QByteArray &out, const char *key, const BandRow &row)
{
    out.append(", \"").append(key).append("\": ");
    appendJsonArray(out, row, [](float v) { return v; });
}

void appendJsonCoefficients(QByteArray &out, const char *key, const BandRow &row,
                            const QByteArray &frequencies)
{
    out.append(", \"").append(key).append("\": {\"coeffs\": ");
    appendJsonArray(out, row, [](float v) { return v; });
    out.append(", \"center_freqs\": ").append(frequencies).append('}');
}

QByteArray withoutTabs(QByteArray text)
{
    for (char &c : text) {
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    }
    return text;
}

} // namespace

QByteArray colorText(MaterialColor color)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colorRed(color), colorGreen(color),
                  colorBlue(color));
    return QByteArray(text);
}

QByteArray csvHead()
{
    QByteArray head(kCsvHeadLead);
    for (const char *frequency : kBandFrequencies)
        head.append(',').append(frequency);
    return head;
}

QByteArray exportCsv(const MaterialLibrary &library)
{
    QByteArray out = csvHead() + "\r\n";
    for (int n = 1; n <= library.materialCount; ++n) {
        const auto slot = static_cast<size_t>(n);
        QByteArray lead = QByteArray::number(materialNumber(n)) + ',';
        appendCsvField(lead, nameUtf8(library, slot));
        lead.append(',').append(colorText(library.materialColors[slot])).append(',');
        const std::uint8_t groups = writtenGroups(library, n);
        // A row without a group keeps a material without values, and its name, in the table.
        if (groups == 0)
            out.append(lead).append(kBandCount, ',').append("\r\n");
        for (const GroupKey &info : kGroupKeys) {
            if (!(groups & info.flag))
                continue;
            out.append(lead).append(info.key);
            for (size_t b = 1; b <= kBandCount; ++b) {
                out.append(',');
                appendNumber(out, valueRow(library, info.table, n)[b], "");
            }
            out.append("\r\n");
        }
    }
    return out;
}

QByteArray exportJson(const MaterialLibrary &library)
{
    const QByteArray frequencies = centerFrequencies();
    QByteArray out("{\"center_freqs\": ");
    out.append(frequencies).append(",\n \"materials\": [");
    for (int n = 1; n <= library.materialCount; ++n) {
        const auto slot = static_cast<size_t>(n);
        out.append(n == 1 ? "\n  {" : ",\n  {");
        out.append("\"number\": ").append(QByteArray::number(materialNumber(n)));
        out.append(", \"name\": ");
        appendJsonString(out, nameUtf8(library, slot));
        out.append(", \"color\": \"").append(colorText(library.materialColors[slot])).append('"');
        const std::uint8_t groups = writtenGroups(library, n);
        const auto row = [&](size_t g) -> const BandRow & {
            return valueRow(library, kGroupKeys[g].table, n);
        };
        if (groups & kAlphaGroup) {
            appendJsonBands(out, kGroupKeys[0].key, row(0));
            out.append(", \"").append(kSabineKey).append("\": ");
            appendJsonArray(out, row(0), [](float v) { return trueToSabine(v); });
        }
        if (groups & kInsulationGroup)
            appendJsonBands(out, kGroupKeys[1].key, row(1));
        if (groups & kAlphaGroup)
            appendJsonCoefficients(out, kEnergyKey, row(0), frequencies);
        // One key can hold one shape: scattering takes the one the Python packages read.
        if (groups & kScatteringGroup)
            appendJsonCoefficients(out, kGroupKeys[2].key, row(2), frequencies);
        out.append('}');
    }
    out.append(library.materialCount > 0 ? "\n ]}\n" : "]}\n");
    return out;
}

QByteArray ratingsTable(const MaterialLibrary &library, RatingsFormat format)
{
    constexpr std::array<const char *, 9> kKeys = {"number", "name", "NRC", "alpha_w", "shape",
                                                   "class",  "Rw",   "C",   "Ctr"};
    const char *const separator = format == RatingsFormat::Tsv ? "\t" : ",";
    const char *const rowEnd = format == RatingsFormat::Csv ? "\r\n" : "\n";
    QByteArray out;
    if (format == RatingsFormat::Json) {
        out.append('[');
    } else {
        for (const char *key : kKeys)
            out.append(key).append(key == kKeys.back() ? rowEnd : separator);
    }
    for (int n = 1; n <= library.materialCount; ++n) {
        const MaterialRatings ratings = ratingsOf(library, n);
        // Texts and numbers; no value where a rating is missing.
        std::array<std::optional<QByteArray>, 9> fields;
        fields[0] = QByteArray::number(materialNumber(n));
        fields[1] = nameUtf8(library, static_cast<size_t>(n));
        if (ratings.nrc)
            fields[2] = formatHundredths(*ratings.nrc).toLatin1();
        if (const auto &a = ratings.alphaW) {
            fields[3] = formatHundredths(a->alphaW).toLatin1();
            fields[4] = shapeIndicators(*a).toLatin1();
            fields[5] = absorptionClassText(a->absorptionClass).toLatin1();
        }
        if (const auto &r = ratings.rw) {
            fields[6] = QByteArray::number(r->rw);
            fields[7] = QByteArray::number(r->c);
            fields[8] = QByteArray::number(r->ctr);
        }
        if (format == RatingsFormat::Json)
            out.append(n == 1 ? "\n {" : ",\n {");
        for (size_t i = 0; i < fields.size(); ++i) {
            const QByteArray field = fields[i].value_or(QByteArray());
            const bool isText = i == 1 || i == 4 || i == 5;
            if (format == RatingsFormat::Json) {
                out.append(i == 0 ? "\"" : ", \"").append(kKeys[i]).append("\": ");
                if (!fields[i])
                    out.append("null");
                else if (isText)
                    appendJsonString(out, field);
                else
                    out.append(field);
            } else {
                if (format == RatingsFormat::Tsv)
                    out.append(withoutTabs(field));
                else
                    appendCsvField(out, field);
                out.append(i + 1 == fields.size() ? rowEnd : separator);
            }
        }
        if (format == RatingsFormat::Json)
            out.append('}');
    }
    if (format == RatingsFormat::Json)
        out.append(library.materialCount > 0 ? "\n]\n" : "]\n");
    return out;
}

} // namespace quillon
