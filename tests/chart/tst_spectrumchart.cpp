#include "SpectrumChart.h"

#include <QLegend>
#include <QtTest>
#include <memory>

using namespace quillon;

class TestSpectrumChart : public QObject {
    Q_OBJECT
private slots:
    void comparesSelectedRows_data();
    void comparesSelectedRows();
};

void TestSpectrumChart::comparesSelectedRows_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("note");

    QTest::newRow("upwards from before the first") << 1 << -1 << QStringList{"M1", "M2"} << "";
    QTest::newRow("more than eight")
        << 0 << 11 << QStringList{"M1", "M2", "B\u00e9ton", "M4", "M5", "M6", "M7", "M8"}
        << "first 8 of 10 shown";
}

void TestSpectrumChart::comparesSelectedRows()
{
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QStringList, names);

    auto library = std::make_unique<MaterialLibrary>();
    library->materialCount = 10;
    for (int n = 1; n <= 12; ++n) {
        library->materialNames[n] = "M" + QByteArray::number(n) + "  ";
        library->materialColors[n] = rgbColor(n * 20, 0, 255 - n * 20);
        library->insulationR[n].fill(float(n));
    }
    library->materialNames[3] = "B\xe9ton";

    SpectrumChart chart;
    chart.resize(465, 161);
    // The second spectrum shares all values but one with the first, and some lie above its axis.
    SpectrumValues single;
    for (int i = 0; i < kBandCount; ++i)
        single.values[std::size_t(i)] = 10.0 * i + 0.5;
    single.values[9] += 250.0;
    chart.showSpectrum(single);
    single.values[9] -= 250.0;
    single.axisMaximum = 1.5;
    chart.showSpectrum(single);
    const QImage before = chart.grab().toImage();

    chart.showComparison(spectrumComparison(*library, first, last, Quantity::Insulation));
    QCOMPARE(chart.legendNames(), names);
    QTEST(chart.titleText(), "note");
    QCOMPARE(chart.axisMaximum(), 100.0);
    QVERIFY(chart.chart()->legend()->isVisible());
    const int from = materialIndex(std::max(std::min(first, last), 0));
    for (int series = 1; series <= names.size(); ++series) {
        const MaterialColor color = library->materialColors[from + series - 1];
        QCOMPARE(chart.barColor(series),
                 QColor(colorRed(color), colorGreen(color), colorBlue(color)));
        QCOMPARE(chart.comparedValue(series, 7), double(from + series - 1));
    }

    // Back to one material, the chart is drawn exactly as before the comparison.
    chart.showSpectrum(single);
    QCOMPARE(chart.grab().toImage(), before); // no legend, no second series
    QCOMPARE(chart.axisMaximum(), 1.5);
    for (int band = 1; band <= kBandCount; ++band)
        QCOMPARE(chart.pointValue(band), single.values[std::size_t(band - 1)]);
    QCOMPARE(chart.categoryLabels().last(), u"16000"_qs); // the long names, not "16k"
}

QTEST_MAIN(TestSpectrumChart)
#include "tst_spectrumchart.moc"
