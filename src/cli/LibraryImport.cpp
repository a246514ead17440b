#include "LibraryImport.h"

#include "AbsorptionConversions.h"
#include "Cp1252.h"
#include "JsonScanner.h"
#include "LibraryFiles.h"
#include "NumberFormat.h"
#include "TextScanner.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>
#include <charconv>
#include <cmath>
#include <concepts>
#include <map>

namespace quillon {

namespace {

// Where the Sabine values wait in a draft until it is known whether "True" ones were given.
constexpr size_t kSabineSlot = kGroupCount;
constexpr int kCsvFieldCount = 4 + kBandCount;
constexpr QByteArrayView kUtf8Mark = "\xEF\xBB\xBF";
// A material takes a few hundred bytes; one far longer is parsed no further.
constexpr qsizetype kMaterialTextLimit = 1024 * 1024;
// Enough of a name to hold kNameFieldWidth characters, each with a few combining marks.
constexpr qsizetype kNameBytesRead = 4096;
// Texts from the input quoted in messages are cut to this.
constexpr qsizetype kQuotedLength = 80;

QString quoted(QStringView text)
{
    const QString shown = text.size() > kQuotedLength
                              ? text.first(kQuotedLength).toString() + u'\u2026'
                              : text.toString();
    return u'"' + shown + u'"';
}

QString quoted(QByteArrayView utf8)
{
    return quoted(QString::fromUtf8(utf8.first(std::min(utf8.size(), 4 * kQuotedLength))));
}

// Findings listed up to kListedFindings, the rest counted.
class Findings {
public:
    bool listing() const { return m_count < kListedFindings; }
    void add(const QString &text)
    {
        if (listing())
            m_lines << text;
        ++m_count;
    }
    QStringList lines() const
    {
        QStringList lines = m_lines;
        if (m_count > kListedFindings)
            lines << QStringLiteral("\u2026 and %1 more")
                         .arg(QLocale(QLocale::English).toString(m_count - kListedFindings));
        return lines;
    }

private:
    QStringList m_lines;
    qint64 m_count = 0;
};

struct Draft {
    ImportedMaterial material;
    std::optional<BandRow> sabine;
    QString where;                                   // where the material was first given
    std::array<QString, kGroupCount + 1> groupWhere; // where each group was given
};

class Reader {
public:
    Reader(const QString &file, QByteArrayView data) : m_file(file), m_data(data) {}

    // `where` is a line number (CSV) or "materials[i]" (JSON).
    void error(const QString &where, const QString &message)
    {
        error(where, [&] { return message; });
    }
    // The message is made only when it is listed: a file of bad rows costs little time.
    template <std::invocable Message> void error(const QString &where, Message &&message)
    {
        m_errors.add(m_errors.listing()
                         ? QStringLiteral("%1:%2%3: %4")
                               .arg(m_file, isLine(where) ? QString() : u" "_qs, where, message())
                         : QString());
    }
    void note(const QString &where, const QString &message)
    {
        m_notes.add(located(where, message));
    }
    // At the line of a byte offset, counted only for what is listed.
    void errorAt(qsizetype offset, const QString &message)
    {
        error(m_errors.listing() ? QString::number(m_data.first(offset).count('\n') + 1) : u"1"_qs,
              message);
    }

    std::optional<float> value(double number, const QString &what, const QString &where);
    std::optional<QByteArray> name(QStringView text, const QString &where);
    std::optional<MaterialColor> color(const QString &text, const QString &where);
    int index(double number, const QString &text, const QString &where);
    Draft *draft(int index, const std::optional<QByteArray> &name,
                 const std::optional<MaterialColor> &color, const QString &where, bool repeatable);
    void setGroup(Draft &d, size_t slot, const BandRow &row, const QString &key,
                  const QString &where);
    ImportInput finish();

private:
    static bool isLine(const QString &where) { return where.front().isDigit(); }
    static QString place(const QString &where)
    {
        return isLine(where) ? u"line "_qs + where : where;
    }
    QString located(const QString &where, const QString &message) const
    {
        return QStringLiteral("%1:%2%3: note: %4")
            .arg(m_file, isLine(where) ? QString() : u" "_qs, where, message);
    }
    void convertSabine(Draft &d);

    QString m_file;
    QByteArrayView m_data;
    Findings m_errors;
    Findings m_notes;
    std::map<int, Draft> m_drafts;
};

std::optional<float> Reader::value(double number, const QString &what, const QString &where)
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

// As the save writes it: composed, without the blanks the reader drops, cut to the field.
std::optional<QByteArray> Reader::name(QStringView text, const QString &where)
{
    QString composed = text.toString().normalized(QString::NormalizationForm_C);
    qsizetype start = 0;
    qsizetype end = composed.size();
    while (start < end && composed[start] == u' ')
        ++start;
    while (end > start && composed[end - 1] == u' ')
        --end;
    composed = composed.sliced(start, end - start);
    bool lossy = false;
    const QByteArray bytes = encodeCp1252(composed, &lossy);
    if (lossy || composed.contains(u'\r')) {
        error(where, QStringLiteral("the name %1 holds a carriage return or characters that "
                                    "Windows-1252 cannot hold")
                         .arg(quoted(composed)));
        return std::nullopt;
    }
    if (bytes.size() <= kNameFieldWidth)
        return bytes;
    const QByteArray cut = bytes.first(kNameFieldWidth);
    note(where, QStringLiteral("the name is cut to the %1 characters the files hold: %2")
                    .arg(kNameFieldWidth)
                    .arg(quoted(decodeCp1252(cut))));
    return cut;
}

std::optional<MaterialColor> Reader::color(const QString &text, const QString &where)
{
    static const QRegularExpression pattern(QStringLiteral("^#[0-9a-fA-F]{6}$"));
    if (!pattern.match(text).hasMatch()) {
        error(where, QStringLiteral("the colour %1 is not #rrggbb").arg(quoted(text)));
        return std::nullopt;
    }
    const uint rgb = QStringView(text).sliced(1).toUInt(nullptr, 16);
    return rgbColor(int(rgb >> 16), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
}

// Number 0 to 998 as the material index; 0 when refused.
int Reader::index(double number, const QString &text, const QString &where)
{
    if (number >= 0 && number < kMaxMaterials && number == std::floor(number))
        return int(number) + 1;
    error(where, [&] {
        return QStringLiteral("the material number %1 is not one of 0 to %2")
            .arg(text.left(kQuotedLength), QString::number(kMaxMaterials - 1));
    });
    return 0;
}

// The draft of material `index`, made on first sight with its name and colour; later sightings
// (CSV rows) must agree with them.
Draft *Reader::draft(int index, const std::optional<QByteArray> &name,
                     const std::optional<MaterialColor> &color, const QString &where,
                     bool repeatable)
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

void Reader::setGroup(Draft &d, size_t slot, const BandRow &row, const QString &key,
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

void Reader::convertSabine(Draft &d)
{
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

ImportInput Reader::finish()
{
    ImportInput input;
    for (auto &[index, d] : m_drafts) {
        if (d.sabine && !d.material.groups[0])
            convertSabine(d);
        input.materials.push_back(d.material);
    }
    input.errors = m_errors.lines();
    input.notes = m_notes.lines();
    return input;
}

// Group keys as the slot they fill, kSabineSlot for the Sabine values; -1 when unknown.
int groupSlot(QStringView key)
{
    for (size_t g = 0; g < kGroupKeys.size(); ++g)
        if (key == QLatin1String(kGroupKeys[g].key))
            return int(g);
    return key == QLatin1String(kSabineKey) ? int(kSabineSlot) : -1;
}

QString groupList()
{
    return QStringLiteral("absorption_true, absorption_sabine, insulation_db or scattering");
}

// The length of the UTF-8 sequence at i, or 0 when it is not one (overlong forms, surrogates
// and code points past U+10FFFF included).
int utf8Length(QByteArrayView data, qsizetype i)
{
    const auto byte = [&](qsizetype k) {
        return k < data.size() ? static_cast<unsigned char>(data[k]) : 0u;
    };
    const unsigned lead = byte(i);
    if (lead < 0x80)
        return 1;
    const int length = lead >= 0xC2 && lead < 0xE0   ? 2
                       : lead >= 0xE0 && lead < 0xF0 ? 3
                       : lead >= 0xF0 && lead < 0xF5 ? 4
                                                     : 0;
    // The second byte's range, narrower after E0, ED, F0 and F4.
    const unsigned low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (length == 0 || byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (int k = 2; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    return length;
}

// The first line that is not UTF-8, and what it is likely to be instead; 0 when all is UTF-8.
std::pair<int, QString> notUtf8(QByteArrayView data)
{
    // A CSV or JSON file begins with ASCII: a zero byte among the first two is UTF-16's.
    if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF") ||
        (data.size() >= 2 && (data[0] == '\0' || data[1] == '\0')))
        return {1, u"UTF-16"_qs};
    for (qsizetype i = 0; i < data.size();) {
        const int length = utf8Length(data, i);
        if (length == 0)
            return {int(data.first(i).count('\n') + 1), u"Latin-1 or Windows-1252"_qs};
        i += length;
    }
    return {0, QString()};
}

struct CsvRow {
    int line = 0;
    int fieldCount = 0;
    QList<QByteArray> fields; // the first kCsvFieldCount + 1 only
};

// The next row that is not blank; false at the end or at a fault.
bool nextCsvRow(CellScanner<QByteArrayView> &scanner, CsvRow &row)
{
    row = {scanner.line(), 0, {}};
    for (QByteArray field; scanner.next(field);) {
        if (++row.fieldCount <= kCsvFieldCount + 1)
            row.fields << std::move(field);
        if (!scanner.rowEnded())
            continue;
        if (row.fieldCount > 1 || !row.fields.first().isEmpty())
            return true;
        row = {scanner.line(), 0, {}};
    }
    return false;
}

bool csvHeadAgrees(const CsvRow &row, Reader &reader)
{
    const QByteArray head = csvHead();
    if (row.fields == head.split(','))
        return true;
    const QByteArray found = row.fields.join(',');
    reader.error(QString::number(std::max(row.line, 1)),
                 QStringLiteral("the columns are %1 where %2 belong%3")
                     .arg(quoted(QByteArrayView(found)), QString::fromLatin1(head),
                          row.fieldCount == 1 && found.contains(';')
                              ? u"; the separator here is \";\", not \",\""_qs
                              : QString()));
    return false;
}

// The material a row is about, with its name and colour; nullptr when refused.
Draft *csvMaterial(const CsvRow &row, const QString &where, int slot, Reader &reader)
{
    const QByteArray &numberText = row.fields[0];
    int number = -1;
    const auto parsed =
        std::from_chars(numberText.data(), numberText.data() + numberText.size(), number);
    const bool whole = parsed.ec == std::errc() && parsed.ptr == numberText.end();
    const int index = reader.index(whole ? number : -1, QString::fromUtf8(numberText), where);
    const QByteArray &nameText = row.fields[1];
    qsizetype read = std::min(nameText.size(), kNameBytesRead);
    while (read < nameText.size() && read > 0 && (nameText[read] & 0xC0) == 0x80)
        --read; // not inside a character
    const std::optional<QByteArray> name =
        reader.name(QString::fromUtf8(nameText.first(read)), where);
    const QString colorText = QString::fromUtf8(row.fields[2].left(kQuotedLength * 4));
    std::optional<MaterialColor> color;
    if (!colorText.isEmpty())
        color = reader.color(colorText, where);
    const QByteArray &group = row.fields[3];
    if (!group.isEmpty() && slot < 0)
        reader.error(where,
                     QStringLiteral("unknown group %1: use %2").arg(quoted(group), groupList()));
    if (index == 0 || !name || (!colorText.isEmpty() && !color) || (!group.isEmpty() && slot < 0))
        return nullptr;
    return reader.draft(index, name, color, where, true);
}

// A band's field: the shortest text of a number, as export writes it.
double csvNumber(const QByteArray &text)
{
    double number = std::nan("");
    const auto read = std::from_chars(text.data(), text.data() + text.size(), number);
    if (read.ptr != text.end() || text.isEmpty() ||
        (read.ec != std::errc() && read.ec != std::errc::result_out_of_range))
        return std::nan("");
    return read.ec == std::errc::result_out_of_range ? HUGE_VAL : number;
}

void readCsvRow(const CsvRow &row, Reader &reader)
{
    const QString where = QString::number(row.line);
    if (row.fieldCount != kCsvFieldCount) {
        reader.error(where, [&] {
            return QStringLiteral("%1 fields where %2 belong: number, name, color, group and %3 "
                                  "bands")
                .arg(row.fieldCount)
                .arg(kCsvFieldCount)
                .arg(kBandCount);
        });
        return;
    }
    const QByteArray &group = row.fields[3];
    const int slot = groupSlot(QString::fromUtf8(group.left(kQuotedLength)));
    Draft *d = csvMaterial(row, where, slot, reader);
    if (!d)
        return;
    BandRow values{};
    bool valid = true;
    for (int b = 1; b <= kBandCount; ++b) {
        const QByteArray &text = row.fields[3 + b];
        const QString what = QStringLiteral("the %1 value %2")
                                 .arg(QLatin1String(kBandNames[size_t(b - 1)]), quoted(text));
        if (group.isEmpty()) {
            if (!text.isEmpty())
                reader.error(where, what + u" stands in a row without a group"_qs);
            valid = valid && text.isEmpty();
            continue;
        }
        const auto stored = reader.value(csvNumber(text), what, where);
        valid = valid && stored;
        values[size_t(b)] = stored.value_or(0.0f);
    }
    if (valid && slot >= 0)
        reader.setGroup(*d, size_t(slot), values, QString::fromUtf8(group), where);
}

// RFC 4180; rows end in CR LF, LF or CR; blank lines are skipped. One row at a time, so that a
// long file of bad rows costs no more than its bytes.
void readCsv(QByteArrayView data, Reader &reader)
{
    CellScanner scanner(data, u',', Quotes::Strict);
    CsvRow row;
    bool headRead = false;
    while (nextCsvRow(scanner, row)) {
        if (headRead)
            readCsvRow(row, reader);
        else if (!csvHeadAgrees(row, reader))
            return;
        headRead = true;
    }
    if (scanner.fault() == CellFault::UnclosedQuote)
        reader.error(QString::number(row.line), u"a quoted field is not closed"_qs);
    else if (scanner.fault() == CellFault::TextAfterQuote)
        reader.error(QString::number(scanner.line()), u"text after a closing quote"_qs);
    else if (!headRead)
        csvHeadAgrees(row, reader);
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
                reader.error(where, QStringLiteral("unknown key %1 in %2").arg(quoted(k), key));
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

// The material an object is about, with its name and colour; nullptr when refused.
Draft *jsonMaterial(const QJsonObject &object, const QString &where, Reader &reader)
{
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
    if (index == 0 || (object.contains(u"name") && !name) || (object.contains(u"color") && !color))
        return nullptr;
    return reader.draft(index, name, color, where, false);
}

void readJsonMaterial(QByteArrayView text, qsizetype i, Reader &reader)
{
    const QString where = QStringLiteral("materials[%1]").arg(i);
    if (text.size() > kMaterialTextLimit) {
        reader.error(where, QStringLiteral("longer than %1 bytes").arg(kMaterialTextLimit));
        return;
    }
    if (!text.startsWith('{')) {
        reader.error(where, u"not an object"_qs);
        return;
    }
    const QJsonObject object = QJsonDocument::fromJson(text.toByteArray()).object();
    Draft *d = jsonMaterial(object, where, reader);
    if (!d)
        return;
    std::optional<BandRow> energy;
    for (const QString &key : object.keys()) {
        if (key == u"number" || key == u"name" || key == u"color")
            continue;
        const bool isEnergy = key == QLatin1String(kEnergyKey);
        const int slot = groupSlot(key);
        if (slot < 0 && !isEnergy) {
            reader.error(where, QStringLiteral("unknown key %1: use %2 or %3")
                                    .arg(quoted(key), groupList(), QLatin1String(kEnergyKey)));
            continue;
        }
        const auto row = jsonBands(
            object[key], key, isEnergy || key == QLatin1String(kGroupKeys[2].key), where, reader);
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

// Checked whole first, then read one material at a time, so that memory stays near the file's
// size whatever it holds.
void readJson(QByteArrayView data, Reader &reader)
{
    JsonScanner scanner(data);
    const bool sound = scanner.check([&](qsizetype offset, const QString &key) {
        reader.errorAt(offset, QStringLiteral("the key %1 is given twice").arg(quoted(key)));
    });
    if (!sound) {
        reader.errorAt(scanner.faultOffset(), QStringLiteral("not JSON: %1").arg(scanner.fault()));
        return;
    }
    const JsonScanner::Span root = scanner.root();
    std::optional<JsonScanner::Span> materials;
    if (data[root.start] == '{')
        scanner.members(root, [&](const QString &key, JsonScanner::Span value) {
            if (key == u"materials")
                materials = value;
            else if (key != u"center_freqs")
                reader.error(u"1"_qs, QStringLiteral("unknown key %1").arg(quoted(key)));
        });
    if (!materials || data[materials->start] != '[') {
        reader.error(u"1"_qs, u"the top level must be an object with a list \"materials\""_qs);
        return;
    }
    qsizetype i = 0;
    scanner.elements(*materials, [&](JsonScanner::Span m) {
        readJsonMaterial(data.sliced(m.start, m.end - m.start), i++, reader);
    });
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

// The lines for one material in both libraries; empty when the files hold it unchanged.
QStringList materialChanges(const MaterialLibrary &before, const MaterialLibrary &after, int n)
{
    const QString material = QStringLiteral("material %1").arg(materialNumber(n));
    const WrittenMaterial old = writtenMaterial(before, n);
    const WrittenMaterial now = writtenMaterial(after, n);
    QStringList lines;
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
            QStringLiteral("%1: %2").arg(material, QLatin1String(kGroupKeys[g].key));
        const bool had = int(g) < old.groupCount;
        const bool has = int(g) < now.groupCount;
        if (had != has) {
            lines << key + (has ? u" added"_qs : u" removed"_qs);
            continue;
        }
        QStringList values;
        for (int b = 0; b < kBandCount; ++b)
            if (old.groups[g].value(b) != now.groups[g].value(b))
                values << QStringLiteral("%1 %2 becomes %3")
                              .arg(QLatin1String(kBandNames[size_t(b)]),
                                   QString::fromLatin1(old.groups[g].value(b)),
                                   QString::fromLatin1(now.groups[g].value(b)));
        if (!values.isEmpty())
            lines << key + u": "_qs + values.join(u", "_qs);
    }
    return lines;
}

} // namespace

ImportInput readImport(QByteArrayView data, ImportFormat format, const QString &fileShown)
{
    if (data.startsWith(kUtf8Mark))
        data = data.sliced(kUtf8Mark.size());
    Reader reader(fileShown, data);
    if (const auto [line, encoding] = notUtf8(data); line > 0)
        reader.error(QString::number(line),
                     QStringLiteral("the text is not UTF-8 (%1?): save it as UTF-8").arg(encoding));
    else if (format == ImportFormat::Csv)
        readCsv(data, reader);
    else
        readJson(data, reader);
    return reader.finish();
}

ImportLosses applyImport(const ImportInput &input, MaterialLibrary &library, bool merge)
{
    const int before = library.materialCount;
    int count = merge ? before : 0;
    std::array<bool, kMaxMaterials + 1> given{};
    for (const ImportedMaterial &m : input.materials) {
        count = std::max(count, m.index);
        given[size_t(m.index)] = true;
    }
    ImportLosses losses;
    losses.removed = std::max(0, before - count);
    // Slots past the kept materials may hold leftovers of a load; numbers a whole import skips,
    // and numbers past the library, become empty materials.
    for (int n = merge ? before + 1 : 1; n <= count; ++n) {
        const auto slot = size_t(n);
        const bool hadContent =
            n <= before && (!library.materialNames[slot].isEmpty() || valueGroups(library, n) != 0);
        losses.emptied += !given[slot] && hadContent ? 1 : 0;
        library.materialNames[slot].clear();
        library.alphaR[slot] = library.insulationR[slot] = library.scattering[slot] = BandRow{};
        setValueGroups(library, n, 0);
        if (n > before || !given[slot])
            library.materialColors[slot] = defaultColor(n);
    }
    library.materialCount = count;
    for (const ImportedMaterial &m : input.materials) {
        const auto slot = size_t(m.index);
        if (m.name)
            library.materialNames[slot] = *m.name;
        // A colour beyond 24 bits that the files hold is shown as its low 24 bits: kept.
        MaterialColor &color = library.materialColors[slot];
        if (m.color && (m.index > before || colorText(color) != colorText(*m.color)))
            color = *m.color;
        for (size_t g = 0; g < kGroupKeys.size(); ++g) {
            if (m.groups[g]) {
                valueRow(library, kGroupKeys[g].table, m.index) = *m.groups[g];
                setValueGroups(library, m.index,
                               valueGroups(library, m.index) | kGroupKeys[g].flag);
            }
        }
    }
    return losses;
}

ChangeList describeChanges(const MaterialLibrary &before, const MaterialLibrary &after)
{
    ChangeList changes;
    for (int n = 1; n <= std::max(before.materialCount, after.materialCount); ++n) {
        const QString material = QStringLiteral("material %1").arg(materialNumber(n));
        if (n > after.materialCount) {
            changes.lines << QStringLiteral("%1 removed: %2")
                                 .arg(material, quotedName(writtenMaterial(before, n).name));
            ++changes.removed;
        } else if (n > before.materialCount) {
            changes.lines << QStringLiteral("%1 added: %2")
                                 .arg(material, quotedName(writtenMaterial(after, n).name));
            ++changes.added;
        } else if (const QStringList lines = materialChanges(before, after, n); !lines.isEmpty()) {
            changes.lines << lines;
            ++changes.changed;
        }
    }
    return changes;
}

} // namespace quillon
