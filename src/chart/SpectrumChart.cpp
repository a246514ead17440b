#include "SpectrumChart.h"

#include "AbsorptionConversions.h"
#include "Cp1252.h"
#include "QuantityTraits.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QGraphicsLayout>
#include <QLabel>
#include <QLegend>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace quillon {

namespace {

constexpr qreal kLabelPointSize = 7.0;
constexpr int kMaximumTickIntervals = 6;
constexpr qreal kBarWidth = 0.6; // share of each band's slot
constexpr qreal kComparedBarWidth = 0.85;
constexpr qreal kLegendWidthShare = 0.16; // of the chart's width; longer names are elided
// Small enough for eight names in the designed height.
constexpr qreal kLegendPointSize = 6.0;
constexpr int kBorderDarkening = 130;
const QColor kBarColor(70, 115, 175);
const QColor kGridColor(220, 224, 230);

const QStringList &bandLabels()
{
    static const QStringList labels = [] {
        QStringList list;
        for (const char *frequency : kBandFrequencies)
            list << QLatin1String(frequency);
        return list;
    }();
    return labels;
}

// The smallest step of the form {1, 2, 2.5, 5} x 10^k that divides [0, maximum] into at most
// kMaximumTickIntervals parts: 0.2 for 1, 0.25 for 1.5, 20 for 100.
double tickInterval(double maximum)
{
    if (!(maximum > 0.0) || !std::isfinite(maximum))
        return 1.0;
    const double rough = maximum / kMaximumTickIntervals;
    const double decade = std::pow(10.0, std::floor(std::log10(rough)));
    for (double factor : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        if (factor * decade * kMaximumTickIntervals >= maximum * (1.0 - 1e-9))
            return factor * decade;
    }
    return 10.0 * decade;
}

QColor toQColor(MaterialColor color)
{
    return QColor(colorRed(color), colorGreen(color), colorBlue(color));
}

} // namespace

SpectrumValues spectrumValues(const MaterialLibrary &library, int material, Quantity quantity)
{
    Q_ASSERT(material >= -1 && material < kMaxMaterials);
    const int n = materialIndex(material);
    SpectrumValues spectrum;
    const QuantityTraits &traits = quantityTraits(quantity);
    spectrum.axisMaximum = traits.chartTop;
    const BandRow &stored = valueRow(library, traits.table, n);
    for (int band = 1; band <= kBandCount; ++band) {
        double &value = spectrum.values[static_cast<std::size_t>(band - 1)];
        if (const auto shown = shownValue(library, n, band, quantity))
            value = *shown;
        else if (traits.defaultShownWith)
            value = 0.0; // neither the values nor the default apply
        else if (quantity == Quantity::SabineAbsorption)
            value = trueToSabine(stored[size_t(band)]);
        else
            value = stored[size_t(band)];
    }
    return spectrum;
}

SpectrumComparison spectrumComparison(const MaterialLibrary &library, int first, int last,
                                      Quantity quantity)
{
    SpectrumComparison comparison;
    const int count = std::clamp(library.materialCount, 0, kMaxMaterials);
    const int from = std::max(std::min(first, last), 0);
    const int to = std::min(std::max(first, last), count - 1);
    if (from > to)
        return comparison;
    const int shown = std::min(to - from + 1, kMaxComparedMaterials);
    comparison.moreNotShown = to - from + 1 - shown;
    comparison.spectra.reserve(static_cast<size_t>(shown));
    for (int material = from; material < from + shown; ++material) {
        const auto slot = static_cast<size_t>(materialIndex(material));
        const SpectrumValues spectrum = spectrumValues(library, material, quantity);
        comparison.axisMaximum = spectrum.axisMaximum;
        comparison.spectra.push_back({decodeCp1252(library.materialNames[slot]).trimmed(),
                                      library.materialColors[slot], spectrum.values});
    }
    return comparison;
}

QString comparisonNote(int shown, int total)
{
    return QStringLiteral("first %1 of %2 shown").arg(shown).arg(total);
}

// Given its chart at once, the view does not build a default one only to replace it.
SpectrumChart::SpectrumChart(QWidget *parent) : QChartView(new QChart, parent)
{
    QChart *chart = this->chart();
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->hide();
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(0, 4, 4, 0));
    chart->layout()->setContentsMargins(0, 0, 0, 0);

    m_bars = new QBarSet(QStringLiteral("C1"));
    m_bars->setColor(kBarColor);
    m_bars->setBorderColor(kBarColor.darker(130));
    for (int band = 1; band <= kBandCount; ++band)
        m_bars->append(0.0);

    for (QBarSet *&set : m_comparedSets) {
        set = new QBarSet(QString(), this);
        for (int band = 1; band <= kBandCount; ++band)
            set->append(0.0);
    }

    auto *series = new QBarSeries;
    m_series = series;
    series->setBarWidth(kBarWidth);
    series->append(m_bars);
    chart->addSeries(series);

    QFont labelFont = font();
    labelFont.setPointSizeF(kLabelPointSize);
    // Narrow enough for "16000" under its bar at the designed width.
    labelFont.setStretch(QFont::Condensed);
    createLabels(labelFont);
    createAxes(labelFont);

    setRenderHint(QPainter::Antialiasing);
    setFrameShape(QFrame::NoFrame);
}

void SpectrumChart::createLabels(const QFont &labelFont)
{
    m_titleLabel = new QLabel(this);
    m_titleLabel->setFont(labelFont);
    m_titleLabel->setAlignment(Qt::AlignCenter);
    m_titleLabel->setTextFormat(Qt::RichText); // the ratings' subscripts
    m_titleLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_titleLabel->hide();
    QFont legendFont = labelFont;
    legendFont.setPointSizeF(kLegendPointSize);
    chart()->legend()->setFont(legendFont);
    chart()->legend()->setAlignment(Qt::AlignRight);
    chart()->legend()->setContentsMargins(0, 0, 0, 0);
    chart()->legend()->layout()->setContentsMargins(0, 0, 0, 0);
    chart()->legend()->setShowToolTips(true);
}

void SpectrumChart::createAxes(const QFont &labelFont)
{
    m_bandAxis = new QBarCategoryAxis;
    m_bandAxis->append(bandLabels());
    m_bandAxis->setLabelsFont(labelFont);
    m_bandAxis->setGridLineVisible(false);
    chart()->addAxis(m_bandAxis, Qt::AlignBottom);
    m_series->attachAxis(m_bandAxis);

    m_valueAxis = new QValueAxis;
    m_valueAxis->setLabelsFont(labelFont);
    m_valueAxis->setLabelFormat(QStringLiteral("%g"));
    m_valueAxis->setGridLineColor(kGridColor);
    m_valueAxis->setTickType(QValueAxis::TicksDynamic);
    m_valueAxis->setTickAnchor(0.0);
    const double top = quantityTraits(Quantity::TrueAbsorption).chartTop;
    m_valueAxis->setRange(0.0, top);
    m_valueAxis->setTickInterval(tickInterval(top));
    chart()->addAxis(m_valueAxis, Qt::AlignLeft);
    m_series->attachAxis(m_valueAxis);
}

void SpectrumChart::showSpectrum(const SpectrumValues &spectrum)
{
    if (m_comparing) {
        setComparedSetCount(0);
        m_series->append(m_bars);
        m_series->setBarWidth(kBarWidth);
        chart()->legend()->hide();
        m_comparing = false;
        updateTitle();
    }
    if (m_valueAxis->max() != spectrum.axisMaximum) {
        // The interval first: a new range lays the ticks out at once with the interval it finds.
        m_valueAxis->setTickInterval(tickInterval(spectrum.axisMaximum));
        m_valueAxis->setMax(spectrum.axisMaximum);
    }
    // Every replace relayouts the bars, so unchanged values are left alone.
    for (int index = 0; index < kBandCount; ++index) {
        const double value = spectrum.values[static_cast<std::size_t>(index)];
        if (m_bars->at(index) != value)
            m_bars->replace(index, value);
    }
}

void SpectrumChart::showComparison(const SpectrumComparison &comparison)
{
    const int shown = std::min(static_cast<int>(comparison.spectra.size()), kMaxComparedMaterials);
    if (!m_comparing) {
        m_series->take(m_bars);
        m_bars->setParent(this);
        m_series->setBarWidth(kComparedBarWidth);
        m_comparing = true;
    }
    if (m_valueAxis->max() != comparison.axisMaximum) {
        m_valueAxis->setTickInterval(tickInterval(comparison.axisMaximum));
        m_valueAxis->setMax(comparison.axisMaximum);
    }
    for (int index = 0; index < shown; ++index) {
        const ComparedSpectrum &spectrum = comparison.spectra[static_cast<size_t>(index)];
        QBarSet *set = m_comparedSets[static_cast<size_t>(index)];
        set->setLabel(spectrum.name);
        const QColor color = toQColor(spectrum.color);
        if (set->color() != color) {
            set->setColor(color);
            set->setBorderColor(color.darker(kBorderDarkening));
        }
        for (int band = 0; band < kBandCount; ++band) {
            const double value = spectrum.values[static_cast<size_t>(band)];
            if (set->at(band) != value)
                set->replace(band, value);
        }
    }
    // Sets join the series only once they hold their values, so each is laid out once.
    setComparedSetCount(shown);

    chart()->legend()->setVisible(shown > 0);
    const int total = static_cast<int>(comparison.spectra.size()) + comparison.moreNotShown;
    m_comparisonNote = total > shown ? comparisonNote(shown, total) : QString();
    updateTitle();
}

void SpectrumChart::resizeEvent(QResizeEvent *event)
{
    QChartView::resizeEvent(event);
    m_titleLabel->resize(width(), m_titleLabel->height());
    // The band labels need the rest of the width.
    chart()->legend()->setMaximumWidth(width() * kLegendWidthShare);
}

void SpectrumChart::setComparedSetCount(int count)
{
    while (m_comparedCount < count)
        m_series->append(m_comparedSets[static_cast<size_t>(m_comparedCount++)]);
    while (m_comparedCount > count) {
        QBarSet *set = m_comparedSets[static_cast<size_t>(--m_comparedCount)];
        m_series->take(set);
        set->setParent(this);
    }
}

void SpectrumChart::setRatingsText(const QString &line, const QString &toolTip)
{
    m_ratingsLine = line;
    m_titleInUse = true;
    setToolTip(toolTip);
    updateTitle();
}

void SpectrumChart::updateTitle()
{
    // Once used, the title line stays, so the bars do not jump between tabs and modes.
    if ((m_titleInUse || m_comparing) && m_titleLabel->isHidden()) {
        const int lineHeight = m_titleLabel->fontMetrics().height();
        const QMargins margins = chart()->margins();
        chart()->setMargins(margins + QMargins(0, lineHeight, 0, 0));
        m_titleLabel->setGeometry(0, margins.top(), width(), lineHeight);
        m_titleLabel->show();
    }
    m_titleLabel->setText(m_comparing ? m_comparisonNote : m_ratingsLine);
}

QString SpectrumChart::titleText() const
{
    return m_titleLabel->text().trimmed();
}

QStringList SpectrumChart::legendNames() const
{
    QStringList names;
    if (m_comparing) {
        for (int index = 0; index < m_comparedCount; ++index)
            names.append(m_comparedSets[static_cast<size_t>(index)]->label());
    }
    return names;
}

QColor SpectrumChart::barColor(int series) const
{
    Q_ASSERT(series >= 1 && series <= seriesCount());
    return m_comparing ? m_comparedSets[static_cast<size_t>(series - 1)]->color() : m_bars->color();
}

double SpectrumChart::comparedValue(int series, int band) const
{
    Q_ASSERT(series >= 1 && series <= seriesCount() && band >= 1 && band <= kBandCount);
    return m_comparing ? m_comparedSets[static_cast<size_t>(series - 1)]->at(band - 1)
                       : m_bars->at(band - 1);
}

double SpectrumChart::pointValue(int band) const
{
    Q_ASSERT(band >= 1 && band <= kBandCount);
    return m_bars->at(band - 1);
}

double SpectrumChart::axisMaximum() const
{
    return m_valueAxis->max();
}

QStringList SpectrumChart::categoryLabels() const
{
    return m_bandAxis->categories();
}

int SpectrumChart::seriesCount() const
{
    return m_comparing ? m_comparedCount : 1;
}

} // namespace quillon
