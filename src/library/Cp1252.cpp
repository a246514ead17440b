#include "Cp1252.h"

#include <array>

namespace quillon {

namespace {

// 0x80..0x9F; the five bytes the code page leaves undefined keep their C1 code points so
// that every byte survives a decode and an encode.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

QString decodeCp1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = (b >= 0x80 && b < 0xA0) ? QChar(kHighControls[b - 0x80]) : QChar(b);
    }
    return text;
}

QByteArray encodeCp1252(QStringView text, bool *lossy)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    bool lost = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        char b = '?';
        if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
            b = static_cast<char>(c);
        } else {
            bool found = false;
            for (size_t k = 0; k < kHighControls.size(); ++k) {
                if (kHighControls[k] == c) {
                    b = static_cast<char>(0x80 + k);
                    found = true;
                    break;
                }
            }
            if (!found) {
                lost = true;
                // A surrogate pair is one character: one "?" for it.
                if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                    text[i + 1].isLowSurrogate())
                    ++i;
            }
        }
        bytes.append(b);
    }
    if (lossy)
        *lossy = lost;
    return bytes;
}

} // namespace quillon
