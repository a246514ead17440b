#include "LibraryImport.h"

#include "AbsorptionConversions.h"
#include "Cp1252.h"
#include "LibraryExport.h"
#include "LibraryFiles.h"
#include "NumberFormat.h"
#include "TextScanner.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <charconv>
#include <cmath>
#include <map>

namespace quillon {

namespace {

constexpr std::array<const char *, kGroupCount> kGroupKeys = {"absorption_true", "insulation_db",
                                                              "scattering"};
constexpr char kSabineKey[] = "absorption_sabine";
// Where the Sabine values wait in a draft until it is known whether "True" ones were given.
constexpr size_t kSabineSlot = kGroupCount;
constexpr int kCsvFieldCount = 4 + kBandCount;
constexpr QByteArrayView kUtf8Mark = "\xEF\xBB\xBF";

struct Draft {
    ImportedMaterial material;
    std::optional<BandRow> sabine;
    QString where;                                   // where the material was first given
    std::array<QString, kGroupCount + 1> groupWhere; // where each group was given
};

class Reader {
public:
    explicit Reader(const QString &file) : m_file(file) {}

    // `where` is a line number (CSV) or "materials[i]" (JSON).
    void error(const QString &where, const QString &message)
    {
        m_errors << QStringLiteral("%1:%2%3: %4")
                        .arg(m_file, isLine(where) ? QString() : u" "_qs, where, message);
    }
    static bool isLine(const QString &where) { return where.front().isDigit(); }
    static QString place(const QString &where)
    {
        return isLine(where) ? u"line "_qs + where : where;
    }

    std::optional<float> value(double number, const QString &what, const QString &where)
    {
        if (!std::isfinite(number)) {
            error(where, QStringLiteral("%1 is not a finite number").arg(what));
            return std::nullopt;
        }
        const std::optional<float> stored = toStoredFloat(number);
        if (!stored)
            error(where, QStringLiteral("%1 does not fit a 32-bit float").arg(what));
        return stored;
    }

    std::optional<QByteArray> name(const QString &text, const QString &where)
    {
        const QString trimmed = text.trimmed();
        bool lossy = false;
        const QByteArray bytes = encodeCp1252(trimmed, &lossy);
        if (lossy || trimmed.contains(QLatin1Char('\r')) || trimmed.contains(QLatin1Char('\n')))
            error(where, QStringLiteral("the name \"%1\" holds a line break or characters that "
                                        "Windows-1252 cannot hold")
                             .arg(trimmed));
        else if (bytes.size() > kNameFieldWidth)
            error(where, QStringLiteral("the name \"%1\" has %2 characters; the files hold %3")
                             .arg(trimmed, QString::number(bytes.size()),
                                  QString::number(kNameFieldWidth)));
        else
            return bytes;
        return std::nullopt;
    }

    std::optional<MaterialColor> color(const QString &text, const QString &where)
    {
        static const QRegularExpression pattern(QStringLiteral("^#[0-9a-fA-F]{6}$"));
        if (!pattern.match(text).hasMatch()) {
            error(where, QStringLiteral("the colour \"%1\" is not #rrggbb").arg(text));
            return std::nullopt;
        }
        const uint rgb = QStringView(text).sliced(1).toUInt(nullptr, 16);
        return rgbColor(int(rgb >> 16), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
    }

    // Number 0 to 998 as the material index; 0 when refused.
    int index(double number, const QString &text, const QString &where)
    {
        if (number >= 0 && number < kMaxMaterials && number == std::floor(number))
            return int(number) + 1;
        error(where, QStringLiteral("the material number %1 is not one of 0 to %2")
                         .arg(text, QString::number(kMaxMaterials - 1)));
        return 0;
    }

    // The draft of material `index`, made on first sight with its name and colour; later
    // sightings (CSV rows) must agree with them.
    Draft *draft(int index, const std::optional<QByteArray> &name,
                 const std::optional<MaterialColor> &color, const QString &where, bool repeatable)
    {
        auto [it, isNew] = m_drafts.try_emplace(index);
        Draft &d = it->second;
        if (isNew) {
            d.material.index = index;
            d.material.name = name;
            d.material.color = color;
            d.where = where;
            return &d;
        }
        if (!repeatable)
            error(where, QStringLiteral("material %1 is given twice (first at %2)")
                             .arg(materialNumber(index))
                             .arg(place(d.where)));
        else if (d.material.name != name || d.material.color != color)
            error(where, QStringLiteral("the name or colour of material %1 differs from the one "
                                        "given at %2")
                             .arg(materialNumber(index))
                             .arg(place(d.where)));
        else
            return &d;
        return nullptr;
    }

    void setGroup(Draft &d, size_t slot, const BandRow &row, const QString &key,
                  const QString &where)
    {
        if (!d.groupWhere[slot].isEmpty()) {
            error(where, QStringLiteral("%1 of material %2 is given twice (first at %3)")
                             .arg(key)
                             .arg(materialNumber(d.material.index))
                             .arg(place(d.groupWhere[slot])));
            return;
        }
        d.groupWhere[slot] = where;
        if (slot == kSabineSlot)
            d.sabine = row;
        else
            d.material.groups[slot] = row;
    }

    ImportInput finish()
    {
        ImportInput input;
        for (auto &[index, d] : m_drafts) {
            if (d.sabine && !d.material.groups[0]) {
                BandRow row{};
                bool convertible = true;
                for (int b = 1; b <= kBandCount; ++b) {
                    const double sabine = (*d.sabine)[size_t(b)];
                    const auto converted =
                        value(sabineToTrue(sabine),
                              QStringLiteral("the %1 value %2 at %3 (no \"True\" value below %4)")
                                  .arg(QLatin1String(kSabineKey))
                                  .arg(sabine)
                                  .arg(QLatin1String(kBandNames[size_t(b - 1)]))
                                  .arg(kMinimumSabine),
                              d.groupWhere[kSabineSlot]);
                    convertible = convertible && converted;
                    row[size_t(b)] = converted.value_or(0.0f);
                }
                if (convertible)
                    d.material.groups[0] = row;
            }
            input.materials.push_back(d.material);
        }
        input.errors = m_errors;
        return input;
    }

    QString m_file;
    QStringList m_errors;
    std::map<int, Draft> m_drafts;
};

// Group keys as the slot they fill, kSabineSlot for the Sabine values; -1 when unknown.
int groupSlot(QStringView key)
{
    for (size_t g = 0; g < kGroupKeys.size(); ++g)
        if (key == QLatin1String(kGroupKeys[g]))
            return int(g);
    return key == QLatin1String(kSabineKey) ? int(kSabineSlot) : -1;
}

QString groupList()
{
    return QStringLiteral("absorption_true, absorption_sabine, insulation_db or scattering");
}

struct CsvRow {
    int line = 0;
    QList<QByteArray> fields;
};

// RFC 4180; rows end in CR LF, LF or CR; blank lines are skipped.
std::vector<CsvRow> splitCsv(QByteArrayView data, Reader &reader)
{
    std::vector<CsvRow> rows;
    CellScanner scanner(data, u',', Quotes::Strict);
    CsvRow row{scanner.line(), {}};
    for (QByteArray field; scanner.next(field);) {
        row.fields << std::move(field);
        if (!scanner.rowEnded())
            continue;
        if (row.fields.size() > 1 || !row.fields.first().isEmpty())
            rows.push_back(std::move(row));
        row = {scanner.line(), {}};
    }
    if (scanner.fault() == CellFault::UnclosedQuote)
        reader.error(QString::number(row.line), u"a quoted field is not closed"_qs);
    else if (scanner.fault() == CellFault::TextAfterQuote)
        reader.error(QString::number(scanner.line()), u"text after a closing quote"_qs);
    return rows;
}

void readCsv(QByteArrayView data, Reader &reader)
{
    const std::vector<CsvRow> rows = splitCsv(data, reader);
    const QList<QByteArray> head = csvHead().split(',');
    if (rows.empty() || rows.front().fields != head) {
        reader.error(u"1"_qs, QStringLiteral("the columns must be %1").arg(csvHead()));
        return;
    }
    for (size_t r = 1; r < rows.size(); ++r) {
        const CsvRow &row = rows[r];
        const QString where = QString::number(row.line);
        if (row.fields.size() != kCsvFieldCount) {
            reader.error(where, QStringLiteral("%1 fields where %2 belong: number, name, color, "
                                               "group and %3 bands")
                                    .arg(row.fields.size())
                                    .arg(kCsvFieldCount)
                                    .arg(kBandCount));
            continue;
        }
        const QByteArray &numberText = row.fields[0];
        int number = -1;
        const auto parsed =
            std::from_chars(numberText.data(), numberText.data() + numberText.size(), number);
        const bool whole = parsed.ec == std::errc() && parsed.ptr == numberText.end();
        const int index = reader.index(whole ? number : -1, QString::fromUtf8(numberText), where);
        const std::optional<QByteArray> name = reader.name(QString::fromUtf8(row.fields[1]), where);
        const QString colorText = QString::fromUtf8(row.fields[2]);
        std::optional<MaterialColor> color;
        if (!colorText.isEmpty())
            color = reader.color(colorText, where);
        const QString group = QString::fromUtf8(row.fields[3]);
        const int slot = groupSlot(group);
        if (!group.isEmpty() && slot < 0)
            reader.error(where,
                         QStringLiteral("unknown group \"%1\": use %2").arg(group, groupList()));
        if (index == 0 || !name || (!colorText.isEmpty() && !color) ||
            (!group.isEmpty() && slot < 0))
            continue;
        Draft *d = reader.draft(index, name, color, where, true);
        if (!d)
            continue;
        BandRow values{};
        bool valid = true;
        for (int b = 1; b <= kBandCount; ++b) {
            const QByteArray &text = row.fields[3 + b];
            const QString what =
                QStringLiteral("the %1 value \"%2\"")
                    .arg(QLatin1String(kBandNames[size_t(b - 1)]), QString::fromUtf8(text));
            if (group.isEmpty()) {
                if (!text.isEmpty()) {
                    reader.error(where, what + u" stands in a row without a group"_qs);
                    valid = false;
                }
                continue;
            }
            double number = std::nan("");
            const auto read = std::from_chars(text.data(), text.data() + text.size(), number);
            if (read.ptr != text.end() || text.isEmpty() ||
                (read.ec != std::errc() && read.ec != std::errc::result_out_of_range))
                number = std::nan("");
            else if (read.ec == std::errc::result_out_of_range)
                number = HUGE_VAL;
            const auto stored = reader.value(number, what, where);
            valid = valid && stored;
            values[size_t(b)] = stored.value_or(0.0f);
        }
        if (valid && slot >= 0)
            reader.setGroup(*d, size_t(slot), values, group, where);
    }
}

// Ten numbers, or an object {"coeffs": [...], "center_freqs": [...]} where `coefficients`.
std::optional<BandRow> jsonBands(const QJsonValue &value, const QString &key, bool coefficients,
                                 const QString &where, Reader &reader)
{
    QJsonArray array = value.toArray();
    if (coefficients && value.isObject()) {
        const QJsonObject object = value.toObject();
        for (const QString &k : object.keys())
            if (k != u"coeffs" && k != u"center_freqs")
                reader.error(where, QStringLiteral("unknown key \"%1\" in %2").arg(k, key));
        array = object[u"coeffs"].toArray();
    } else if (!value.isArray()) {
        reader.error(where,
                     QStringLiteral("%1 is not a list of %2 numbers").arg(key).arg(kBandCount));
        return std::nullopt;
    }
    if (array.size() != kBandCount) {
        reader.error(where, QStringLiteral("%1 has %2 values where %3 belong")
                                .arg(key)
                                .arg(array.size())
                                .arg(kBandCount));
        return std::nullopt;
    }
    BandRow row{};
    bool valid = true;
    for (int b = 1; b <= kBandCount; ++b) {
        const QJsonValue v = array[b - 1];
        const auto stored = reader.value(
            v.isDouble() ? v.toDouble() : std::nan(""),
            QStringLiteral("the %1 value of %2").arg(QLatin1String(kBandNames[size_t(b - 1)]), key),
            where);
        valid = valid && stored;
        row[size_t(b)] = stored.value_or(0.0f);
    }
    return valid ? std::optional(row) : std::nullopt;
}

void readJson(QByteArrayView data, Reader &reader)
{
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(data.toByteArray(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        const auto line =
            data.first(std::min<qsizetype>(parseError.offset, data.size())).count('\n') + 1;
        reader.error(QString::number(line),
                     QStringLiteral("not JSON: %1").arg(parseError.errorString()));
        return;
    }
    const QJsonObject root = document.object();
    for (const QString &key : root.keys())
        if (key != u"materials" && key != u"center_freqs")
            reader.error(u"1"_qs, QStringLiteral("unknown key \"%1\"").arg(key));
    if (!root[u"materials"].isArray()) {
        reader.error(u"1"_qs, u"the top level must be an object with a list \"materials\""_qs);
        return;
    }
    const QJsonArray materials = root[u"materials"].toArray();
    for (qsizetype i = 0; i < materials.size(); ++i) {
        const QString where = QStringLiteral("materials[%1]").arg(i);
        if (!materials[i].isObject()) {
            reader.error(where, u"not an object"_qs);
            continue;
        }
        const QJsonObject object = materials[i].toObject();
        const QJsonValue number = object[u"number"];
        const int index = reader.index(
            number.isDouble() ? number.toDouble() : -1,
            QString::fromUtf8(
                QJsonDocument(QJsonArray{number}).toJson(QJsonDocument::Compact).chopped(1).mid(1)),
            where);
        std::optional<QByteArray> name;
        if (object.contains(u"name") && !object[u"name"].isString())
            reader.error(where, u"the name is not a text"_qs);
        else if (object.contains(u"name"))
            name = reader.name(object[u"name"].toString(), where);
        std::optional<MaterialColor> color;
        if (object.contains(u"color"))
            color = reader.color(object[u"color"].toString(), where);
        if (index == 0 || (object.contains(u"name") && !name) ||
            (object.contains(u"color") && !color))
            continue;
        Draft *d = reader.draft(index, name, color, where, false);
        if (!d)
            continue;
        std::optional<BandRow> energy;
        for (const QString &key : object.keys()) {
            if (key == u"number" || key == u"name" || key == u"color")
                continue;
            const bool isEnergy = key == u"energy_absorption";
            const int slot = groupSlot(key);
            if (slot < 0 && !isEnergy) {
                reader.error(where, QStringLiteral("unknown key \"%1\": use %2 or "
                                                   "energy_absorption")
                                        .arg(key, groupList()));
                continue;
            }
            const auto row =
                jsonBands(object[key], key, isEnergy || key == u"scattering", where, reader);
            if (row && isEnergy)
                energy = row;
            else if (row)
                reader.setGroup(*d, size_t(slot), *row, key, where);
        }
        auto &absorption = d->material.groups[0];
        if (energy && absorption && *energy != *absorption)
            reader.error(where, u"absorption_true and energy_absorption.coeffs differ"_qs);
        else if (energy)
            absorption = energy;
    }
}

struct WrittenMaterial {
    QByteArray name;
    std::array<QList<QByteArray>, kGroupCount> groups;
    int groupCount = 0;
};

// A material as the save writes it, taken apart again.
WrittenMaterial writtenMaterial(const MaterialLibrary &library, int n)
{
    constexpr qsizetype kGroupsStart = 3 + 2 + kNameFieldWidth + 4;
    QByteArray line;
    appendMaterialLine(line, library, n);
    line.chop(2);
    WrittenMaterial written;
    written.name = line.mid(5, kNameFieldWidth).trimmed();
    const QByteArray groups = line.mid(kGroupsStart);
    if (groups.isEmpty())
        return written;
    const QList<QByteArray> parts = groups.split(',');
    written.groupCount = int(parts.size());
    for (qsizetype g = 0; g < parts.size() && g < kGroupCount; ++g)
        for (const QByteArray &field : parts[g].split(' '))
            if (!field.isEmpty())
                written.groups[size_t(g)] << field;
    return written;
}

QString quotedName(const QByteArray &name)
{
    return u'"' + decodeCp1252(name) + u'"';
}

} // namespace

ImportInput readImport(QByteArrayView data, ImportFormat format, const QString &fileShown)
{
    Reader reader(fileShown);
    if (data.startsWith(kUtf8Mark))
        data = data.sliced(kUtf8Mark.size());
    if (format == ImportFormat::Csv)
        readCsv(data, reader);
    else
        readJson(data, reader);
    return reader.finish();
}

void applyImport(const ImportInput &input, MaterialLibrary &library, bool merge)
{
    const int kept = merge ? library.materialCount : 0;
    int count = kept;
    for (const ImportedMaterial &m : input.materials)
        count = std::max(count, m.index);
    // Slots past the kept materials may hold leftovers of a load; numbers the input skips become
    // empty materials.
    for (int n = kept + 1; n <= count; ++n) {
        const auto slot = size_t(n);
        library.materialNames[slot].clear();
        library.alphaR[slot] = library.insulationR[slot] = library.scattering[slot] = BandRow{};
        library.hasAlpha[slot] = library.hasInsulation[slot] = library.hasScattering[slot] = false;
        library.materialColors[slot] = defaultColor(n);
    }
    library.materialCount = count;
    for (const ImportedMaterial &m : input.materials) {
        const auto slot = size_t(m.index);
        if (m.name)
            library.materialNames[slot] = *m.name;
        if (m.color)
            library.materialColors[slot] = *m.color;
        const std::array<std::pair<BandRow *, bool *>, kGroupCount> targets = {
            {{&library.alphaR[slot], &library.hasAlpha[slot]},
             {&library.insulationR[slot], &library.hasInsulation[slot]},
             {&library.scattering[slot], &library.hasScattering[slot]}}};
        for (size_t g = 0; g < targets.size(); ++g) {
            if (m.groups[g]) {
                *targets[g].first = *m.groups[g];
                *targets[g].second = true;
            }
        }
    }
}

QStringList describeChanges(const MaterialLibrary &before, const MaterialLibrary &after)
{
    QStringList lines;
    int added = 0;
    int removed = 0;
    int changed = 0;
    for (int n = 1; n <= std::max(before.materialCount, after.materialCount); ++n) {
        const QString material = QStringLiteral("material %1").arg(materialNumber(n));
        if (n > after.materialCount) {
            lines << QStringLiteral("%1 removed: %2")
                         .arg(material, quotedName(writtenMaterial(before, n).name));
            ++removed;
            continue;
        }
        const WrittenMaterial now = writtenMaterial(after, n);
        if (n > before.materialCount) {
            lines << QStringLiteral("%1 added: %2").arg(material, quotedName(now.name));
            ++added;
            continue;
        }
        const WrittenMaterial old = writtenMaterial(before, n);
        const qsizetype linesBefore = lines.size();
        if (old.name != now.name)
            lines << QStringLiteral("%1: name %2 becomes %3")
                         .arg(material, quotedName(old.name), quotedName(now.name));
        const MaterialColor oldColor = before.materialColors[size_t(n)];
        const MaterialColor newColor = after.materialColors[size_t(n)];
        if (oldColor != newColor)
            lines << QStringLiteral("%1: colour %2 becomes %3")
                         .arg(material, QString::fromLatin1(colorText(oldColor)),
                              QString::fromLatin1(colorText(newColor)));
        for (size_t g = 0; g < kGroupCount; ++g) {
            const QString key =
                QStringLiteral("%1: %2").arg(material, QLatin1String(kGroupKeys[g]));
            const bool had = int(g) < old.groupCount;
            const bool has = int(g) < now.groupCount;
            if (had != has) {
                lines << key + (has ? u" added"_qs : u" removed"_qs);
                continue;
            }
            int values = 0;
            for (int b = 0; b < kBandCount; ++b)
                values += old.groups[g].value(b) != now.groups[g].value(b) ? 1 : 0;
            if (values > 0)
                lines << QStringLiteral("%1: %2 of %3 values change")
                             .arg(key)
                             .arg(values)
                             .arg(kBandCount);
        }
        changed += lines.size() > linesBefore ? 1 : 0;
    }
    lines << QStringLiteral("%1 added, %2 removed, %3 changed; nothing was written")
                 .arg(added == 1 ? u"1 material"_qs : QStringLiteral("%1 materials").arg(added))
                 .arg(removed)
                 .arg(changed);
    return lines;
}

} // namespace quillon
