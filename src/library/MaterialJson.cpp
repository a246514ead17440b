#include "MaterialJson.h"

#include "AbsorptionConversions.h"
#include "Cp1252.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
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

std::uint8_t writtenGroups(const MaterialLibrary &library, int n)
{
    std::uint8_t groups = valueGroups(library, n);
    for (size_t g = kGroupKeys.size() - 1; g > 0; --g)
        if (groups & kGroupKeys[g].flag)
            groups |= kGroupKeys[g - 1].flag;
    return groups;
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

void appendMaterial(QByteArray &out, WholeMaterial m, const QByteArray &frequencies,
                    GroupPresence presence)
{
    if (presence == GroupPresence::AsSaved) {
        m.hasInsulation = m.hasInsulation || m.hasScattering;
        m.hasAlpha = m.hasAlpha || m.hasInsulation;
    }
    out.append("\"number\": ").append(QByteArray::number(m.number));
    out.append(", \"name\": ");
    appendJsonString(out, decodeCp1252(m.name).toUtf8());
    out.append(", \"color\": \"").append(colorText(m.color)).append('"');
    if (m.hasAlpha) {
        appendJsonBands(out, kGroupKeys[0].key, m.alpha);
        out.append(", \"").append(kSabineKey).append("\": ");
        appendJsonArray(out, m.alpha, [](float v) { return trueToSabine(v); });
    }
    if (m.hasInsulation)
        appendJsonBands(out, kGroupKeys[1].key, m.insulation);
    if (m.hasAlpha)
        appendJsonCoefficients(out, kEnergyKey, m.alpha, frequencies);
    // One key can hold one shape: scattering takes the one the Python packages read.
    if (m.hasScattering)
        appendJsonCoefficients(out, kGroupKeys[2].key, m.scattering, frequencies);
}

} // namespace

QByteArray materialsJson(const MaterialLibrary &library, int first, int last,
                         GroupPresence presence)
{
    const QByteArray frequencies = centerFrequencies();
    QByteArray out("{\"center_freqs\": ");
    constexpr qsizetype kBytesPerMaterial = 1024;
    out.reserve(kBytesPerMaterial * std::max(last - first + 1, 0));
    out.append(frequencies).append(",\n \"materials\": [");
    for (int n = first; n <= last; ++n) {
        out.append(n == first ? "\n  {" : ",\n  {");
        appendMaterial(out, wholeMaterial(library, n), frequencies, presence);
        out.append('}');
    }
    out.append(last >= first ? "\n ]}\n" : "]}\n");
    return out;
}

namespace {

// A reader for the shape materialsJson writes, fast enough for a clipboard of 999 materials
// and bounded on any input: keys it does not know are skipped, and any fault ends the read.
class JsonScanner {
public:
    explicit JsonScanner(QByteArrayView text) : m_at(text.data()), m_end(text.data() + text.size()) {}

    bool atEnd()
    {
        space();
        return m_at == m_end;
    }
    bool take(char c)
    {
        space();
        if (m_at == m_end || *m_at != c)
            return false;
        ++m_at;
        return true;
    }
    std::optional<QString> string()
    {
        if (!take('"'))
            return std::nullopt;
        QString text;
        const char *run = m_at;
        while (m_at != m_end && *m_at != '"') {
            if (*m_at != '\\') {
                ++m_at;
                continue;
            }
            text += QString::fromUtf8(run, m_at - run);
            if (m_end - m_at < 2)
                return std::nullopt;
            const char c = m_at[1];
            m_at += 2;
            static constexpr char kFrom[] = "\"\\/bfnrt", kTo[] = "\"\\/\b\f\n\r\t";
            if (const char *known = c ? std::strchr(kFrom, c) : nullptr) {
                text += QLatin1Char(kTo[known - kFrom]);
            } else if (c == 'u' && m_end - m_at >= 4) {
                bool ok = false;
                text += QChar(char16_t(QByteArrayView(m_at, 4).toUShort(&ok, 16)));
                m_at += 4;
                if (!ok)
                    return std::nullopt;
            } else {
                return std::nullopt;
            }
            run = m_at;
        }
        if (m_at == m_end)
            return std::nullopt;
        text += QString::fromUtf8(run, m_at++ - run);
        return text;
    }
    // A number, or NaN for null.
    std::optional<double> number()
    {
        space();
        if (m_end - m_at >= 4 && QByteArrayView(m_at, 4) == "null") {
            m_at += 4;
            return std::numeric_limits<double>::quiet_NaN();
        }
        double value = 0;
        const auto [end, error] = std::from_chars(m_at, m_end, value);
        if (error != std::errc() || !std::isfinite(value))
            return std::nullopt;
        m_at = end;
        return value;
    }
    // An object whose values `value(key)` reads; false when it could not.
    template <typename Read> bool object(Read value)
    {
        if (!take('{') || ++m_depth > kMaxDepth)
            return false;
        for (bool first = true; !take('}'); first = false) {
            std::optional<QString> key;
            if ((!first && !take(',')) || !(key = string()) || !take(':') || !value(*key))
                return false;
        }
        --m_depth;
        return true;
    }
    template <typename Read> bool array(Read item)
    {
        if (!take('[') || ++m_depth > kMaxDepth)
            return false;
        for (bool first = true; !take(']'); first = false) {
            if ((!first && !take(',')) || !item())
                return false;
        }
        --m_depth;
        return true;
    }
    bool skip()
    {
        space();
        if (m_at == m_end)
            return false;
        if (*m_at == '{')
            return object([this](const QString &) { return skip(); });
        if (*m_at == '[')
            return array([this] { return skip(); });
        if (*m_at == '"')
            return string().has_value();
        for (const char *word : {"true", "false"}) {
            const auto length = qsizetype(std::strlen(word));
            if (m_end - m_at >= length && QByteArrayView(m_at, length) == word) {
                m_at += length;
                return true;
            }
        }
        return number().has_value();
    }

private:
    static constexpr int kMaxDepth = 64;
    void space()
    {
        while (m_at != m_end && (*m_at == ' ' || *m_at == '\n' || *m_at == '\r' || *m_at == '\t'))
            ++m_at;
    }
    const char *m_at;
    const char *m_end;
    int m_depth = 0;
};

// A group's ten values, as an array or as {"coeffs": [...]}; null stands for a value that was
// not finite.
bool readBands(JsonScanner &json, BandRow &row, bool coefficients)
{
    if (coefficients) {
        bool found = false;
        return json.object([&](const QString &key) {
            if (key != u"coeffs")
                return json.skip();
            found = true;
            return readBands(json, row, false);
        }) && found;
    }
    size_t band = 0;
    return json.array([&] {
        const auto value = json.number();
        if (!value || ++band > kBandCount)
            return false;
        row[band] = static_cast<float>(*value);
        return true;
    }) && band == kBandCount;
}

std::optional<MaterialColor> colorOf(const QString &text)
{
    bool ok = false;
    const uint rgb = text.mid(1).toUInt(&ok, 16);
    if (!ok || text.size() != 7 || !text.startsWith(u'#'))
        return std::nullopt;
    return rgbColor(int(rgb >> 16), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
}

bool readMaterial(JsonScanner &json, WholeMaterial &m)
{
    bool named = false, numbered = false, coloured = false;
    return json.object([&](const QString &key) {
        if (key == u"number") {
            const auto number = json.number();
            m.number = number && std::isfinite(*number) ? int(std::clamp(*number, -1e6, 1e6)) : 0;
            return numbered = number.has_value();
        }
        if (key == u"name") {
            const auto name = json.string();
            m.name = encodeCp1252(name.value_or(QString()));
            return named = name.has_value();
        }
        if (key == u"color") {
            const auto text = json.string();
            const auto color = text ? colorOf(*text) : std::nullopt;
            m.color = color.value_or(0);
            return coloured = color.has_value();
        }
        if (key == QLatin1String(kGroupKeys[0].key))
            return m.hasAlpha = readBands(json, m.alpha, false);
        if (key == QLatin1String(kGroupKeys[1].key))
            return m.hasInsulation = readBands(json, m.insulation, false);
        if (key == QLatin1String(kGroupKeys[2].key))
            return m.hasScattering = readBands(json, m.scattering, true);
        return json.skip();
    }) && named && numbered && coloured;
}

} // namespace

std::optional<std::vector<WholeMaterial>> readMaterialsJson(QByteArrayView text)
{
    JsonScanner json(text);
    std::vector<WholeMaterial> materials;
    const bool read = json.object([&](const QString &key) {
        if (key != u"materials")
            return json.skip();
        return json.array([&] {
            if (materials.size() >= size_t(kMaxMaterials))
                return false;
            return readMaterial(json, materials.emplace_back());
        });
    });
    if (!read || !json.atEnd() || materials.empty())
        return std::nullopt;
    return materials;
}

} // namespace quillon
