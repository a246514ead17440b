#include "JsonScanner.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <cctype>

namespace quillon {

namespace {

// Deeper than any file of materials; keeps the walk's recursion small.
constexpr int kMaxDepth = 128;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

bool JsonScanner::check(const DuplicateKey &duplicateKey)
{
    m_duplicateKey = duplicateKey;
    const qsizetype end = value(skipBlanks(0), 0);
    if (end >= 0 && skipBlanks(end) < m_data.size())
        fail(skipBlanks(end), "garbage at the end of the document");
    return m_faultOffset < 0;
}

qsizetype JsonScanner::skipBlanks(qsizetype at) const
{
    while (at < m_data.size() && isBlank(m_data[at]))
        ++at;
    return at;
}

qsizetype JsonScanner::fail(qsizetype at, const char *what)
{
    if (m_faultOffset < 0) {
        m_faultOffset = at;
        m_fault = QString::fromLatin1(what);
    }
    return -1;
}

qsizetype JsonScanner::value(qsizetype at, int depth)
{
    if (at >= m_data.size())
        return fail(at, "illegal value");
    const char c = m_data[at];
    if (c == '{' || c == '[')
        return depth >= kMaxDepth ? fail(at, "too deeply nested document")
                                  : container(at, depth + 1, c == '{');
    if (c == '"')
        return string(at);
    if (c == '-' || isDigit(c))
        return number(at);
    for (const QByteArrayView word : {"true", "false", "null"})
        if (m_data.sliced(at).startsWith(word))
            return at + word.size();
    return fail(at, "illegal value");
}

qsizetype JsonScanner::container(qsizetype at, int depth, bool isObject)
{
    const char close = isObject ? '}' : ']';
    std::vector<Span> keys;
    at = skipBlanks(at + 1);
    if (at < m_data.size() && m_data[at] == close)
        return at + 1;
    while (true) {
        if (isObject) {
            if (at >= m_data.size() || m_data[at] != '"')
                return fail(at, "unterminated object");
            const qsizetype keyEnd = string(at);
            if (keyEnd < 0)
                return -1;
            if (m_duplicateKey)
                keys.push_back({at, keyEnd});
            at = skipBlanks(keyEnd);
            if (at >= m_data.size() || m_data[at] != ':')
                return fail(at, "missing name separator");
            at = skipBlanks(at + 1);
        }
        at = value(at, depth);
        if (at < 0)
            return -1;
        at = skipBlanks(at);
        if (at < m_data.size() && m_data[at] == close)
            break;
        if (at >= m_data.size() || m_data[at] != ',')
            return fail(at, isObject ? "unterminated object" : "unterminated array");
        at = skipBlanks(at + 1);
    }
    findDuplicates(keys);
    return at + 1;
}

qsizetype JsonScanner::string(qsizetype at)
{
    for (qsizetype i = at + 1; i < m_data.size(); ++i) {
        const auto c = static_cast<unsigned char>(m_data[i]);
        if (c == '"')
            return i + 1;
        if (c < 0x20)
            return fail(i, "illegal value");
        if (c != '\\')
            continue;
        const char escaped = i + 1 < m_data.size() ? m_data[i + 1] : '\0';
        if (escaped == 'u') {
            for (qsizetype h = i + 2; h < i + 6; ++h)
                if (h >= m_data.size() || !std::isxdigit(static_cast<unsigned char>(m_data[h])))
                    return fail(i, "invalid escape sequence");
            i += 5;
        } else if (QByteArrayView("\"\\/bfnrt").contains(escaped) && escaped != '\0') {
            ++i;
        } else {
            return fail(i, "invalid escape sequence");
        }
    }
    return fail(at, "unterminated string");
}

qsizetype JsonScanner::number(qsizetype at)
{
    const qsizetype size = m_data.size();
    const auto digits = [&](qsizetype i) {
        const qsizetype start = i;
        while (i < size && isDigit(m_data[i]))
            ++i;
        return i > start ? i : -1;
    };
    qsizetype i = at + (m_data[at] == '-' ? 1 : 0);
    i = i < size && m_data[i] == '0' ? i + 1 : digits(i);
    if (i >= 0 && i < size && m_data[i] == '.')
        i = digits(i + 1);
    if (i >= 0 && i < size && (m_data[i] == 'e' || m_data[i] == 'E')) {
        i += i + 1 < size && (m_data[i + 1] == '+' || m_data[i + 1] == '-') ? 2 : 1;
        i = digits(i);
    }
    return i < 0 ? fail(at, "illegal number") : i;
}

void JsonScanner::findDuplicates(std::vector<Span> &keys)
{
    if (keys.size() < 2)
        return;
    // Keys compare as their decoded text; most have no escape and compare as they stand.
    const auto canonical = [&](const Span &key) {
        const QByteArrayView raw = m_data.sliced(key.start + 1, key.end - key.start - 2);
        return raw.contains('\\') ? text(key).toUtf8()
                                  : QByteArray::fromRawData(raw.data(), raw.size());
    };
    std::stable_sort(keys.begin(), keys.end(),
                     [&](const Span &a, const Span &b) { return canonical(a) < canonical(b); });
    std::vector<Span> repeated;
    for (size_t k = 1; k < keys.size(); ++k)
        if (canonical(keys[k]) == canonical(keys[k - 1]))
            repeated.push_back(keys[k]);
    std::sort(repeated.begin(), repeated.end(),
              [](const Span &a, const Span &b) { return a.start < b.start; });
    for (const Span &key : repeated)
        m_duplicateKey(key.start, text(key));
}

JsonScanner::Span JsonScanner::root() const
{
    const qsizetype start = skipBlanks(0);
    return {start, skipValid(start)};
}

qsizetype JsonScanner::skipValid(qsizetype at) const
{
    const qsizetype size = m_data.size();
    const auto endsScalar = [&](char c) { return isBlank(c) || c == ',' || c == '}' || c == ']'; };
    int depth = 0;
    qsizetype i = at;
    do {
        const char c = m_data[i];
        if (c == '"') {
            for (++i; m_data[i] != '"'; ++i)
                i += m_data[i] == '\\' ? 1 : 0;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            --depth;
        } else if (depth == 0) {
            while (i < size && !endsScalar(m_data[i]))
                ++i;
            return i;
        }
        ++i;
    } while (depth > 0 && i < size);
    return i;
}

void JsonScanner::members(Span object,
                          const std::function<void(const QString &key, Span value)> &each) const
{
    qsizetype at = skipBlanks(object.start + 1);
    while (at < object.end && m_data[at] == '"') {
        const Span key{at, skipValid(at)};
        const qsizetype start = skipBlanks(skipBlanks(key.end) + 1);
        const Span value{start, skipValid(start)};
        each(text(key), value);
        at = skipBlanks(skipBlanks(value.end) + 1);
    }
}

void JsonScanner::elements(Span array, const std::function<void(Span value)> &each) const
{
    qsizetype at = skipBlanks(array.start + 1);
    while (at < array.end && m_data[at] != ']') {
        const Span value{at, skipValid(at)};
        each(value);
        at = skipBlanks(skipBlanks(value.end) + 1);
    }
}

QString JsonScanner::text(Span string) const
{
    const QByteArrayView raw = m_data.sliced(string.start, string.end - string.start);
    if (!raw.contains('\\'))
        return QString::fromUtf8(raw.sliced(1, raw.size() - 2));
    const QByteArray list = '[' + raw.toByteArray() + ']';
    return QJsonDocument::fromJson(list).array().at(0).toString();
}

} // namespace quillon
