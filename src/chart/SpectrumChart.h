#pragma once

#include "MaterialLibrary.h"

#include <QChartView>
#include <QStringList>
#include <array>
#include <vector>

class QBarCategoryAxis;
class QLabel;
class QBarSeries;
class QBarSet;
class QValueAxis;

namespace quillon {

// One material's values of one quantity; values[0] is band 1 (31.5 Hz).
struct SpectrumValues {
    std::array<double, kBandCount> values{};
    double axisMaximum = 1.0;
};

// A material's values by its number, 0 to 998; -1, no material, gives zeros.
SpectrumValues spectrumValues(const MaterialLibrary &library, int material, Quantity quantity);

inline constexpr int kMaxComparedMaterials = 8;

struct ComparedSpectrum {
    QString name;
    MaterialColor color = 0;
    std::array<double, kBandCount> values{};
};

struct SpectrumComparison {
    std::vector<ComparedSpectrum> spectra; // at most kMaxComparedMaterials are drawn
    double axisMaximum = 1.0;
    int moreNotShown = 0;
};

// The materials numbered first..last (either order), in order; numbers beyond materialCount and
// below 0 are left out. The first kMaxComparedMaterials are kept.
SpectrumComparison spectrumComparison(const MaterialLibrary &library, int first, int last,
                                      Quantity quantity);
// "first 8 of 12 shown"
QString comparisonNote(int shown, int total);

// The bar chart of one material's spectrum beside the table. Its categories are fixed; only the
// ten values and the top of the value axis ever change.
class SpectrumChart : public QChartView {
    Q_OBJECT
public:
    explicit SpectrumChart(QWidget *parent = nullptr);

    void showSpectrum(const SpectrumValues &spectrum);
    // Bars of several materials side by side in their colours, with a legend of their names,
    // until the next showSpectrum.
    void showComparison(const SpectrumComparison &comparison);
    // A short line above the bars (outside a comparison) and the chart's tooltip, in rich text.
    void setRatingsText(const QString &line, const QString &toolTip);

    double pointValue(int band) const; // band 1..10 of the single material
    double axisMaximum() const;
    QStringList categoryLabels() const;

    bool isComparing() const { return m_comparing; }
    // One name per material shown in a comparison, in legend order; empty otherwise.
    QStringList legendNames() const;
    QColor barColor(int series) const;                // series 1..seriesCount()
    double comparedValue(int series, int band) const; // series 1..seriesCount(), band 1..10
    QString titleText() const;

    // Materials shown: 1 outside a comparison.
    int seriesCount() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void createLabels(const QFont &labelFont);
    void createAxes(const QFont &labelFont);
    void setComparedSetCount(int count);
    void updateTitle();

    QBarSeries *m_series = nullptr;
    QBarSet *m_bars = nullptr;
    std::array<QBarSet *, kMaxComparedMaterials> m_comparedSets{};
    int m_comparedCount = 0;
    bool m_comparing = false;
    QString m_ratingsLine;
    QString m_comparisonNote;
    bool m_titleInUse = false;
    // Drawn over the chart's top margin: a chart title would lay the whole chart out anew at
    // every change of material.
    QLabel *m_titleLabel = nullptr;
    QBarCategoryAxis *m_bandAxis = nullptr;
    QValueAxis *m_valueAxis = nullptr;
};

} // namespace quillon
