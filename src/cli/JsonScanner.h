#pragma once

#include <QByteArrayView>
#include <QString>
#include <functional>
#include <vector>

namespace quillon {

// Walks JSON text without building it, so that a large file costs no more than its bytes: checks
// the syntax, finds keys given twice in one object (a parser would keep the last one), and hands
// out the members of an object and the elements of an array as spans of the text.
class JsonScanner {
public:
    struct Span {
        qsizetype start = 0; // the value's first character
        qsizetype end = 0;   // just after its last one
    };
    // Called with the offset of the key's second sighting and the key.
    using DuplicateKey = std::function<void(qsizetype offset, const QString &key)>;

    explicit JsonScanner(QByteArrayView data) : m_data(data) {}

    // Checks the whole text: one value with blanks around it. On false, faultOffset() and
    // fault() say where and what ("unterminated string", ...).
    bool check(const DuplicateKey &duplicateKey);
    qsizetype faultOffset() const { return m_faultOffset; }
    const QString &fault() const { return m_fault; }

    // The top-level value; only after check() succeeded, as are the two below.
    Span root() const;
    // Each member of the object at `object`, in order.
    void members(Span object,
                 const std::function<void(const QString &key, Span value)> &each) const;
    // Each element of the array at `array`, in order.
    void elements(Span array, const std::function<void(Span value)> &each) const;

    // The text of a string value, escapes decoded.
    QString text(Span string) const;

private:
    qsizetype skipBlanks(qsizetype at) const;
    // The end of the value at `at` in text that check() found sound.
    qsizetype skipValid(qsizetype at) const;
    qsizetype value(qsizetype at, int depth);
    qsizetype container(qsizetype at, int depth, bool isObject);
    qsizetype string(qsizetype at);
    qsizetype number(qsizetype at);
    qsizetype fail(qsizetype at, const char *what);
    void findDuplicates(std::vector<Span> &keys);

    QByteArrayView m_data;
    DuplicateKey m_duplicateKey;
    qsizetype m_faultOffset = -1;
    QString m_fault;
};

} // namespace quillon
