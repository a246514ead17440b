#pragma once

#include "MaterialLibrary.h"

#include <QChartView>
#include <QStringList>
#include <array>

class QBarCategoryAxis;
class QBarSet;
class QValueAxis;

namespace quillon {

// One material's values of one quantity; values[0] is band 1 (31.5 Hz).
struct SpectrumValues {
    std::array<double, kBandCount> values{};
    double axisMaximum = 1.0;
};

// row is a table row, 0..kMaxMaterials; row 0 (the header) reads the empty slot 0.
SpectrumValues spectrumValues(const MaterialLibrary &library, int row, Quantity quantity);

// The bar chart of one material's spectrum beside the table. Its categories are fixed; only the
// ten values and the top of the value axis ever change.
class SpectrumChart : public QChartView {
    Q_OBJECT
public:
    explicit SpectrumChart(QWidget *parent = nullptr);

    void showSpectrum(const SpectrumValues &spectrum);

    double pointValue(int band) const; // band 1..10
    double axisMaximum() const;
    QStringList categoryLabels() const;

    // The chart has a single series, so selecting one changes nothing.
    void selectSeries(int series);
    int seriesCount() const;

private:
    QBarSet *m_bars = nullptr;
    QBarCategoryAxis *m_bandAxis = nullptr;
    QValueAxis *m_valueAxis = nullptr;
};

} // namespace quillon
