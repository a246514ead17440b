#include "PyroomDatabase.h"

#include "BandSets.h"
#include "Cp1252.h"
#include "NumberFormat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

namespace quillon {

namespace {

constexpr char kCategory[] = "Quillon library";
// Objects whose keys are read in the file's order: the top, a group and its categories.
constexpr size_t kOrderedDepth = 3;
constexpr QByteArrayView kNameEndings = " ,;:-(";
constexpr QByteArrayView kUtf8Mark = "\xEF\xBB\xBF";

// A JSON string token as text; QJsonDocument undoes the escapes where there are any.
QString jsonText(QByteArrayView token)
{
    if (!token.contains('\\'))
        return QString::fromUtf8(token.sliced(1, token.size() - 2));
    const QByteArray array = '[' + token.toByteArray() + ']';
    return QJsonDocument::fromJson(array).array().at(0).toString();
}

// The keys of the top object and of the objects one and two below it, in the file's order, by
// the keys that lead there joined with "\n". QJsonObject sorts its keys; the file's order is the
// order of the materials. Run only on text that QJsonDocument took.
std::map<QString, QStringList> keyOrder(QByteArrayView json)
{
    struct Frame {
        bool object;
        bool expectKey;
        QString key;
    };
    std::vector<Frame> stack;
    std::map<QString, QStringList> order;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '"') {
            qsizetype end = i + 1;
            while (end < json.size() && json[end] != '"')
                end += json[end] == '\\' ? 2 : 1;
            Frame &top = stack.back();
            if (top.object && top.expectKey && stack.size() <= kOrderedDepth) {
                top.key = jsonText(json.sliced(i, end + 1 - i));
                QStringList path;
                for (size_t f = 0; f + 1 < stack.size(); ++f)
                    path << stack[f].key;
                order[path.join(u'\n')] << top.key;
            }
            top.expectKey = false;
            i = end;
        } else if (c == '{' || c == '[') {
            stack.push_back({c == '{', true, {}});
        } else if (c == '}' || c == ']') {
            stack.pop_back();
        } else if (c == ',') {
            stack.back().expectKey = true;
        }
    }
    return order;
}

QString counted(int count, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

class DatabaseReader {
public:
    void problem(const QString &text)
    {
        if (m_seen.contains(text))
            return;
        m_seen.insert(text);
        if (m_problems.size() < kMaxReadProblems)
            m_problems << text;
        else
            ++m_unlisted;
    }

    // The description on a word boundary within the files' width, unique among the names.
    QByteArray name(const QString &description)
    {
        bool lossy = false;
        QByteArray base = encodeCp1252(description.simplified(), &lossy);
        m_lossy += lossy ? 1 : 0;
        if (base.size() > kNameFieldWidth) {
            ++m_shortened;
            const qsizetype blank = base.lastIndexOf(' ', kNameFieldWidth);
            base.truncate(blank > 0 ? blank : kNameFieldWidth);
            while (!base.isEmpty() && kNameEndings.contains(base.back()))
                base.chop(1);
        }
        QByteArray name = base;
        for (int k = 2; m_names.contains(name); ++k) {
            const QByteArray suffix = " (" + QByteArray::number(k) + ')';
            name = base.left(kNameFieldWidth - suffix.size()).trimmed() + suffix;
        }
        m_renamed += name != base ? 1 : 0;
        m_names.insert(name);
        return name;
    }

    void entry(const QJsonValue &entry, const QString &where, const BandSet &set);
    DatabaseRead finish(const BandSet &set, int scatteringEntries);

private:
    DatabaseRead m_read;
    QStringList m_problems;
    QSet<QString> m_seen;
    int m_unlisted = 0;
    QSet<QByteArray> m_names;
    int m_shortened = 0;
    int m_renamed = 0;
    int m_lossy = 0;
    std::uint16_t m_filledBands = 0;
    int m_filledMaterials = 0;
    size_t m_widest = 0; // the most coefficients an entry held
};

void DatabaseReader::entry(const QJsonValue &entry, const QString &where, const BandSet &set)
{
    const QJsonArray coeffs = entry[u"coeffs"].toArray();
    std::vector<double> values;
    for (const QJsonValue v : coeffs)
        values.push_back(v.isDouble() ? v.toDouble() : std::nan(""));
    if (coeffs.isEmpty() || size_t(coeffs.size()) > set.thirds.size() ||
        std::any_of(values.begin(), values.end(), [](double v) { return std::isnan(v); })) {
        problem(QStringLiteral("%1: \"coeffs\" is not a list of 1 to %2 numbers")
                    .arg(where)
                    .arg(set.thirds.size()));
        return;
    }
    if (m_read.materials.size() >= size_t(kMaxMaterials)) {
        problem(QStringLiteral("more than %1 materials: the rest are not read").arg(kMaxMaterials));
        return;
    }
    BandSet given = set;
    given.thirds.resize(values.size());
    OctaveValues octaves = toOctaves(given, values, BandMean::Arithmetic);
    fillUncovered(octaves);
    if (octaves.covered == 0) {
        problem(QStringLiteral("%1: its coefficients cover no octave").arg(where));
        return;
    }
    DatabaseMaterial material;
    for (int b = 1; b <= kBandCount; ++b) {
        const std::optional<float> stored = toStoredFloat(octaves.values[size_t(b)]);
        if (!stored) {
            problem(QStringLiteral("%1: a coefficient does not fit a 32-bit float").arg(where));
            return;
        }
        material.absorption[size_t(b)] = *stored;
    }
    const QString description = entry[u"description"].toString();
    material.name = name(description.trimmed().isEmpty() ? where.section(u'/', -1) : description);
    material.filled = octaves.filled;
    m_widest = std::max(m_widest, given.thirds.size());
    m_filledBands |= octaves.filled;
    m_filledMaterials += octaves.filled != 0 ? 1 : 0;
    m_read.materials.push_back(material);
}

DatabaseRead DatabaseReader::finish(const BandSet &set, int scatteringEntries)
{
    BandSet given = set;
    given.thirds.resize(std::min(m_widest, set.thirds.size()));
    if (!m_read.materials.empty())
        m_read.notes << describeBands(given, int(m_read.materials.size()), m_filledBands,
                                      m_filledMaterials);
    if (m_shortened > 0)
        m_read.notes << counted(m_shortened, "name", "names") +
                            QStringLiteral(" shortened to %1 characters on a word boundary")
                                .arg(kNameFieldWidth);
    if (m_lossy > 0)
        m_read.notes << counted(m_lossy, "name", "names") +
                            u" with characters that Windows-1252 cannot hold, written as \"?\""_qs;
    if (m_renamed > 0)
        m_read.notes << counted(m_renamed, "name", "names") + u" numbered to stay unique"_qs;
    if (scatteringEntries > 0)
        m_read.notes << counted(scatteringEntries, "scattering entry", "scattering entries") +
                            u" not imported: the library holds scattering only beside "
                            "absorption and insulation"_qs;
    m_read.problems = m_problems;
    if (m_unlisted > 0)
        m_read.problems << QStringLiteral("%1 more problems").arg(m_unlisted);
    return m_read;
}

BandSet fileBands(const QJsonValue &frequencies)
{
    QStringList texts;
    for (const QJsonValue v : frequencies.toArray())
        texts << (v.isDouble() ? QString::number(v.toDouble()) : v.toString());
    BandSet set = recogniseBandSet(texts);
    if (texts.isEmpty())
        set.problem = u"\"center_freqs\" is not a list of frequencies"_qs;
    return set;
}

int entryCount(const QJsonValue &group)
{
    int count = 0;
    for (const QJsonValue category : group.toObject())
        count += int(category.toObject().size());
    return count;
}

void appendJsonString(QByteArray &out, const QString &text)
{
    out.append(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact).chopped(1).mid(1));
}

// Lower-case letters, digits and "_": the keys the package looks materials up by.
QByteArray materialKey(const QByteArray &name, int n, QSet<QByteArray> &used)
{
    QByteArray key;
    for (const char c : name.toLower()) {
        const bool word = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (word)
            key.append(c);
        else if (!key.isEmpty() && !key.endsWith('_'))
            key.append('_');
    }
    while (key.endsWith('_'))
        key.chop(1);
    const QByteArray number = QByteArray::number(materialNumber(n));
    if (key.isEmpty())
        key = "material_" + number;
    while (used.contains(key))
        key.append('_').append(number);
    used.insert(key);
    return key;
}

void appendGroup(QByteArray &out, const char *group, const MaterialLibrary &library,
                 const std::array<bool, kMaxMaterials + 1> &has, const auto &rows)
{
    out.append(",\n \"").append(group).append("\": {\"").append(kCategory).append("\": {");
    QSet<QByteArray> keys;
    bool first = true;
    for (int n = 1; n <= library.materialCount; ++n) {
        const auto slot = size_t(n);
        if (!has[slot])
            continue;
        const QByteArray name = library.materialNames[slot];
        out.append(first ? "\n  \"" : ",\n  \"").append(materialKey(name, n, keys));
        out.append("\": {\"description\": ");
        appendJsonString(out, decodeCp1252(name));
        out.append(", \"coeffs\": [");
        for (size_t b = 1; b <= kBandCount; ++b) {
            char text[32];
            const float value = rows[slot][b];
            const auto end = std::to_chars(text, text + sizeof text, value).ptr;
            out.append(b > 1 ? ", " : "");
            out.append(std::isfinite(value) ? QByteArray(text, end - text) : "null");
        }
        out.append("]}");
        first = false;
    }
    out.append(first ? "}}" : "\n }}");
}

} // namespace

DatabaseRead readPyroomDatabase(QByteArrayView json)
{
    DatabaseReader reader;
    if (json.startsWith(kUtf8Mark))
        json = json.sliced(kUtf8Mark.size());
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json.toByteArray(), &error);
    const QJsonObject root = document.object();
    const BandSet set = fileBands(root[u"center_freqs"]);
    if (error.error != QJsonParseError::NoError)
        reader.problem(QStringLiteral("not JSON: %1").arg(error.errorString()));
    else if (!document.isObject())
        reader.problem(u"the top level is not an object"_qs);
    else if (!set.problem.isEmpty())
        reader.problem(u"center_freqs: "_qs + set.problem);
    else if (!root[u"absorption"].isObject())
        reader.problem(u"no \"absorption\" object"_qs);
    else {
        const std::map<QString, QStringList> order = keyOrder(json);
        const QJsonObject absorption = root[u"absorption"].toObject();
        const auto keys = [&order](const QString &path) {
            const auto found = order.find(path);
            return found == order.end() ? QStringList() : found->second;
        };
        // A key given twice is one entry, as QJsonObject holds it.
        QSet<QString> read;
        for (const QString &category : keys(u"absorption"_qs)) {
            const QJsonObject entries = absorption[category].toObject();
            for (const QString &key : keys(u"absorption\n"_qs + category)) {
                const QString where = u"absorption/"_qs + category + u'/' + key;
                if (!read.contains(where))
                    reader.entry(entries[key], where, set);
                read.insert(where);
            }
        }
    }
    return reader.finish(set, entryCount(root[u"scattering"]));
}

QByteArray writePyroomDatabase(const MaterialLibrary &library)
{
    QByteArray out("{\"center_freqs\": [");
    for (size_t b = 0; b < kBandCount; ++b)
        out.append(b == 0 ? "" : ", ").append(kBandFrequencies[b]);
    out.append(']');
    appendGroup(out, "absorption", library, library.hasAlpha, library.alphaR);
    appendGroup(out, "scattering", library, library.hasScattering, library.scattering);
    return out.append("\n}\n");
}

} // namespace quillon
