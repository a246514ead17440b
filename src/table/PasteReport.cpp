#include "PasteReport.h"

#include "AbsorptionConversions.h"
#include "QuantityTraits.h"

#include <QStringList>

namespace quillon {

void PasteReport::note(PasteNote what, int row, int band)
{
    Tally &tally = m_tallies[index(what)];
    if (tally.count++ == 0) {
        tally.row = row;
        tally.band = band;
    }
}

void PasteReport::checkStored(int row, int band, double value)
{
    const double upper = quantityTraits(m_quantity).usualMaximum;
    if (upper > 0.0 && (value < 0.0 || value > upper))
        note(PasteNote::OutsideUsualRange, row, band);
}

QString PasteReport::message() const
{
    const bool sabine = m_quantity == Quantity::SabineAbsorption;
    QStringList lines;
    if (!m_summary.isEmpty())
        lines += m_summary;
    auto add = [&](PasteNote what, const QString &one, const QString &many) {
        const Tally &tally = m_tallies[index(what)];
        if (tally.count == 0)
            return;
        lines += (tally.count == 1 ? one : many.arg(tally.count)) +
                 QStringLiteral(" First: material %1, band %2.")
                     .arg(materialNumber(tally.row))
                     .arg(QLatin1String(bandText(kBandHeadings, tally.band)));
    };
    add(PasteNote::SkippedText,
        QStringLiteral("1 cell held no number; its value and its text were left as they were."),
        QStringLiteral("%1 cells held no number; their values and texts were left as they were."));
    const QString limit = QString::number(kMinimumSabine, 'g', 4);
    add(PasteNote::SkippedOutOfRange,
        sabine ? QStringLiteral("1 value was not stored: it is not a finite number, or a "
                                "\"Sabine\" coefficient below %1, which has no \"True\" "
                                "counterpart.")
                     .arg(limit)
               : QStringLiteral("1 value was not stored: it is not a finite number."),
        sabine ? QStringLiteral("%1 values were not stored: they are not finite numbers, or "
                                "\"Sabine\" coefficients below %2, which have no \"True\" "
                                "counterpart.")
                     .arg(u"%1"_qs, limit)
               : QStringLiteral("%1 values were not stored: they are not finite numbers."));
    add(PasteNote::DecimalComma,
        QStringLiteral("1 value was read with a decimal comma (0,25 as 0.25)."),
        QStringLiteral("%1 values were read with a decimal comma (0,25 as 0.25)."));
    const QString range =
        u"0 to "_qs + QString::number(quantityTraits(m_quantity).usualMaximum);
    const QString tab = sabine ? u"\"Sabine\""_qs : u"\"True\""_qs;
    add(PasteNote::OutsideUsualRange,
        QStringLiteral("1 stored value lies outside %1, the usual range on the %2 tab; it is "
                       "stored as pasted (a percentage?).")
            .arg(range, tab),
        QStringLiteral("%1 stored values lie outside %2, the usual range on the %3 tab; they are "
                       "stored as pasted (percentages?).")
            .arg(u"%1"_qs, range, tab));
    return lines.join(u'\n');
}

} // namespace quillon
