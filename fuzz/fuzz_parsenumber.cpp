// parseLeadingNumber on bytes and on the same text as UTF-16 must agree, never give NaN, and
// match strtod on the longest leading number of the text with its blanks removed.

#include "FuzzCheck.h"
#include "NumberFormat.h"

#include <QRegularExpression>
#include <QString>

#include <cfloat>
#include <cmath>

using namespace quillon;

namespace {

double referenceNumber(QString text)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?"));
    text.remove(u' ').remove(u'\t').remove(u'\n');
    const QRegularExpressionMatch match = number.match(text);
    return match.hasMatch() ? std::strtod(match.captured().toLatin1().constData(), nullptr) : 0.0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes = fuzzInput(data, size);
    const double fromBytes = parseLeadingNumber(bytes);
    FUZZ_REQUIRE(!std::isnan(fromBytes));

    // Bytes outside ASCII end a number in both forms, so Latin-1 must agree as well.
    const QString wide = QString::fromLatin1(bytes);
    const double fromWide = parseLeadingNumber(QStringView(wide));
    FUZZ_REQUIRE(fromBytes == fromWide, "bytes %.17g, UTF-16 %.17g", fromBytes, fromWide);

    const double reference = referenceNumber(wide);
    // Underflow: 0 or the subnormal value are both fine.
    const bool underflow = std::fabs(reference) < DBL_MIN && fromBytes == 0.0;
    FUZZ_REQUIRE(fromBytes == reference || underflow, "got %.17g, reference %.17g", fromBytes,
                 reference);
    return 0;
}
