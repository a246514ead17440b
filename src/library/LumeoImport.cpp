#include "LumeoImport.h"

#include "FileAccess.h"
#include "NumberFormat.h"
#include "TextScanner.h"

#include <cerrno>
#include <cmath>
#include <unistd.h>

namespace quillon {

namespace {

constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool startsWithNumber(QByteArrayView token)
{
    qsizetype i = 0;
    if (i < token.size() && (token[i] == '+' || token[i] == '-'))
        ++i;
    if (i < token.size() && isDigit(token[i]))
        return true;
    return i + 1 < token.size() && token[i] == '.' && isDigit(token[i + 1]);
}

constexpr std::uint32_t kMultiplier = 1140671485u;
constexpr std::uint32_t kIncrement = 12820163u;
constexpr std::uint32_t kModulusMask = (1u << 24) - 1;
constexpr double kModulus = 16777216.0;
constexpr double kFullComponent = 255.0;
constexpr qsizetype kReadPiece = 4096;

} // namespace

LumeoReadResult readLumeoMaterial(QByteArrayView data)
{
    LumeoReadResult result;
    int count = 0;
    for (QByteArrayView token; count < kLumeoBandCount && nextListField(data, result.end, token);) {
        const bool number = startsWithNumber(token);
        const auto stored = number ? toStoredFloat(parseLeadingNumber(token)) : std::nullopt;
        if (!stored) {
            result.problem =
                QStringLiteral("value %1 (\"%2\") %3")
                    .arg(count + 1)
                    .arg(QString::fromLatin1(token.first(std::min<qsizetype>(token.size(), 40))),
                         number ? QStringLiteral("is a number too large for the library")
                                : QStringLiteral("is not a number"));
            return result;
        }
        result.values[static_cast<size_t>(count++)] = *stored;
    }
    if (count < kLumeoBandCount) {
        result.end = data.size();
        result.problem = QStringLiteral("it holds %1 of the eight absorption coefficients")
                             .arg(count);
        return result;
    }
    result.ok = true;
    return result;
}

LumeoReadResult readLumeoFile(const QString &path)
{
    LumeoReadResult result;
    FileRead::Status status = FileRead::Status::Read;
    const int fd = openRegularFile(path, kImportFileLimit, result.problem, &status);
    if (fd < 0) {
        if (status == FileRead::Status::Missing || status == FileRead::Status::Failed)
            result.problem = QStringLiteral("the file could not be read (%1)").arg(result.problem);
        return result;
    }
    QByteArray data;
    while (true) {
        const qsizetype filled = data.size();
        data.resize(filled + kReadPiece);
        const ssize_t got = ::read(fd, data.data() + filled, size_t(kReadPiece));
        if (got < 0 && errno == EINTR) {
            data.truncate(filled);
            continue;
        }
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            result = {};
            result.problem =
                QStringLiteral("the file could not be read (%1)").arg(systemReason(error));
            return result;
        }
        data.truncate(filled + got);
        const bool atEnd = got == 0 || data.size() > kImportFileLimit;
        // A field that touches the end of what was read may go on in the next piece.
        result = readLumeoMaterial(data);
        if (atEnd || result.end < data.size())
            break;
    }
    ::close(fd);
    result.bytesRead = data.size();
    return result;
}

QString lumeoMaterialName(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(cut + 1);
}

double ImportColorSource::next()
{
    m_state = (m_state * kMultiplier + kIncrement) & kModulusMask;
    return m_state / kModulus;
}

MaterialColor ImportColorSource::nextColor()
{
    const auto component = [this] {
        return static_cast<int>(std::nearbyint(next() * kFullComponent));
    };
    const int red = component();
    const int green = component();
    const int blue = component();
    return rgbColor(red, green, blue);
}

} // namespace quillon
