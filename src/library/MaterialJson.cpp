#include "MaterialJson.h"

#include "AbsorptionConversions.h"
#include "Cp1252.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <limits>

namespace quillon {

WholeMaterial wholeMaterial(const MaterialLibrary &library, int index)
{
    const auto slot = static_cast<size_t>(index);
    return {materialNumber(index),         library.materialNames[slot],
            library.materialColors[slot],  library.alphaR[slot],
            library.insulationR[slot],     library.scattering[slot],
            library.hasAlpha[slot],        library.hasInsulation[slot],
            library.hasScattering[slot]};
}

void storeWholeMaterial(MaterialLibrary &library, int index, const WholeMaterial &material)
{
    const auto slot = static_cast<size_t>(index);
    library.materialNames[slot] = material.name;
    library.materialColors[slot] = material.color;
    library.alphaR[slot] = material.alpha;
    library.insulationR[slot] = material.insulation;
    library.scattering[slot] = material.scattering;
    library.hasAlpha[slot] = material.hasAlpha;
    library.hasInsulation[slot] = material.hasInsulation;
    library.hasScattering[slot] = material.hasScattering;
}

QByteArray colorText(MaterialColor color)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colorRed(color), colorGreen(color),
                  colorBlue(color));
    return QByteArray(text);
}

void appendJsonString(QByteArray &out, const QByteArray &utf8)
{
    out.append('"');
    for (const char c : utf8) {
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

namespace {

template <typename Value> void appendJsonArray(QByteArray &out, const BandRow &row, Value valueOf)
{
    out.append('[');
    for (size_t b = 1; b <= kBandCount; ++b) {
        if (b > 1)
            out.append(", ");
        appendShortest(out, valueOf(row[b]), "null");
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

float asIs(float v)
{
    return v;
}

void appendJsonBands(QByteArray &out, const char *key, const BandRow &row)
{
    out.append(", \"").append(key).append("\": ");
    appendJsonArray(out, row, asIs);
}

void appendJsonCoefficients(QByteArray &out, const char *key, const BandRow &row,
                            const QByteArray &frequencies)
{
    out.append(", \"").append(key).append("\": {\"coeffs\": ");
    appendJsonArray(out, row, asIs);
    out.append(", \"center_freqs\": ").append(frequencies).append('}');
}

void appendMaterial(QByteArray &out, const WholeMaterial &m, const QByteArray &frequencies)
{
    out.append("\"number\": ").append(QByteArray::number(m.number));
    out.append(", \"name\": ");
    appendJsonString(out, decodeCp1252(m.name).toUtf8());
    out.append(", \"color\": \"").append(colorText(m.color)).append('"');
    if (m.hasAlpha) {
        appendJsonBands(out, "absorption_true", m.alpha);
        out.append(", \"absorption_sabine\": ");
        appendJsonArray(out, m.alpha, [](float v) { return trueToSabine(v); });
    }
    if (m.hasInsulation)
        appendJsonBands(out, "insulation_db", m.insulation);
    if (m.hasAlpha)
        appendJsonCoefficients(out, "energy_absorption", m.alpha, frequencies);
    // One key can hold one shape: scattering takes the one the Python packages read.
    if (m.hasScattering)
        appendJsonCoefficients(out, "scattering", m.scattering, frequencies);
}

} // namespace

QByteArray materialsJson(const MaterialLibrary &library, int first, int last)
{
    const QByteArray frequencies = centerFrequencies();
    QByteArray out("{\"center_freqs\": ");
    out.append(frequencies).append(",\n \"materials\": [");
    for (int n = first; n <= last; ++n) {
        out.append(n == first ? "\n  {" : ",\n  {");
        appendMaterial(out, wholeMaterial(library, n), frequencies);
        out.append('}');
    }
    out.append(last >= first ? "\n ]}\n" : "]}\n");
    return out;
}

namespace {

// A group's ten values, null standing for a value that was not finite.
bool readBands(const QJsonValue &value, BandRow &row)
{
    const QJsonArray array = value.isObject() ? value[u"coeffs"].toArray() : value.toArray();
    if (array.size() != kBandCount)
        return false;
    for (int b = 0; b < kBandCount; ++b) {
        const QJsonValue v = array[b];
        if (!v.isDouble() && !v.isNull())
            return false;
        row[size_t(b + 1)] = v.isNull() ? std::numeric_limits<float>::quiet_NaN()
                                        : static_cast<float>(v.toDouble());
    }
    return true;
}

std::optional<WholeMaterial> readMaterial(const QJsonObject &object)
{
    WholeMaterial m;
    const QString color = object[u"color"].toString();
    bool ok = false;
    const uint rgb = color.mid(1).toUInt(&ok, 16);
    if (!ok || color.size() != 7 || !color.startsWith(u'#') || !object[u"number"].isDouble() || !object[u"name"].isString())
        return std::nullopt;
    m.number = object[u"number"].toInt();
    m.name = encodeCp1252(object[u"name"].toString());
    m.color = rgbColor(int(rgb >> 16), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
    m.hasAlpha = object.contains(u"absorption_true");
    m.hasInsulation = object.contains(u"insulation_db");
    m.hasScattering = object.contains(u"scattering");
    if ((m.hasAlpha && !readBands(object[u"absorption_true"], m.alpha)) ||
        (m.hasInsulation && !readBands(object[u"insulation_db"], m.insulation)) ||
        (m.hasScattering && !readBands(object[u"scattering"], m.scattering)))
        return std::nullopt;
    return m;
}

} // namespace

std::optional<std::vector<WholeMaterial>> readMaterialsJson(QByteArrayView json)
{
    const QJsonArray list = QJsonDocument::fromJson(json.toByteArray())[u"materials"].toArray();
    std::vector<WholeMaterial> materials;
    materials.reserve(size_t(list.size()));
    for (const QJsonValue &value : list) {
        auto material = readMaterial(value.toObject());
        if (!material)
            return std::nullopt;
        materials.push_back(std::move(*material));
    }
    if (materials.empty())
        return std::nullopt;
    return materials;
}

} // namespace quillon
