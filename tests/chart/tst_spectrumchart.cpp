#include "AbsorptionConversions.h"
#include "SpectrumChart.h"

#include <QImage>
#include <QtTest>
#include <memory>

using namespace quillon;

namespace {

constexpr int kChartWidth = 465;
constexpr int kChartHeight = 161;

void fillRow(MaterialLibrary &library, int row, float alpha, float insulation, float scatter)
{
    for (int band = 1; band <= kBandCount; ++band) {
        library.alphaR[row][band] = alpha;
        library.insulationR[row][band] = insulation;
        library.scattering[row][band] = scatter;
    }
}

SpectrumValues uniform(double value, double maximum)
{
    SpectrumValues spectrum;
    spectrum.values.fill(value);
    spectrum.axisMaximum = maximum;
    return spectrum;
}

// Pixels clearly bluer than grey: the bars, not the axes, grid or labels.
int barPixels(SpectrumChart &chart)
{
    const QImage image = chart.grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.blue() - c.red() > 60)
                ++count;
        }
    }
    return count;
}

} // namespace

class TestSpectrumChart : public QObject {
    Q_OBJECT
private slots:
    void readsQuantityOfRow_data();
    void readsQuantityOfRow();
    void keepsBandOrder();
    void leavesLibraryUnchanged();

    void startsWithDesignedContent();
    void showsValuesAndMaximum();
    void keepsLabelsAcrossQuantities();
    void drawsBarsFromValues();
};

void TestSpectrumChart::readsQuantityOfRow_data()
{
    QTest::addColumn<Quantity>("quantity");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("materialCount");
    QTest::addColumn<float>("alpha");
    QTest::addColumn<float>("insulation");
    QTest::addColumn<float>("scatter");
    QTest::addColumn<bool>("hasAlpha");
    QTest::addColumn<bool>("hasScattering");
    QTest::addColumn<double>("expected");
    QTest::addColumn<double>("expectedMaximum");

    const auto T = Quantity::TrueAbsorption;
    const auto S = Quantity::SabineAbsorption;
    const auto R = Quantity::Insulation;
    const auto D = Quantity::Scattering;

    QTest::newRow("true") << T << 5 << 10 << 0.35f << 42.f << 0.6f << true << true << double(0.35f)
                          << 1.0;
    QTest::newRow("true above axis")
        << T << 5 << 10 << 1.2f << 42.f << 0.6f << true << true << double(1.2f) << 1.0;
    QTest::newRow("sabine of 1") << S << 5 << 10 << 1.f << 42.f << 0.6f << true << true << 1.447201
                                 << 1.5;
    QTest::newRow("sabine of 0") << S << 5 << 10 << 0.f << 42.f << 0.6f << true << true << 0.0
                                 << 1.5;
    QTest::newRow("sabine of 0.5")
        << S << 5 << 10 << 0.5f << 42.f << 0.6f << true << true << 0.6170810 << 1.5;
    QTest::newRow("insulation") << R << 5 << 10 << 0.35f << 42.5f << 0.6f << true << true << 42.5
                                << 100.0;
    QTest::newRow("insulation above axis")
        << R << 5 << 10 << 0.35f << 120.f << 0.6f << false << false << 120.0 << 100.0;
    QTest::newRow("scattering stored")
        << D << 5 << 10 << 0.35f << 42.f << 0.6f << true << true << double(0.6f) << 1.0;
    QTest::newRow("scattering stored without alpha")
        << D << 5 << 10 << 0.35f << 42.f << 0.6f << false << true << double(0.6f) << 1.0;
    QTest::newRow("scattering default with alpha")
        << D << 5 << 10 << 0.35f << 42.f << 0.6f << true << false << 0.1 << 1.0;
    QTest::newRow("scattering neither")
        << D << 5 << 10 << 0.35f << 42.f << 0.6f << false << false << 0.0 << 1.0;
    QTest::newRow("slot beyond count")
        << T << 500 << 3 << 0.25f << 42.f << 0.6f << false << false << 0.25 << 1.0;
    QTest::newRow("header row") << R << 0 << 10 << 0.f << 0.f << 0.f << false << false << 0.0
                                << 100.0;
    QTest::newRow("last slot") << R << kMaxMaterials << 3 << 0.25f << 61.f << 0.6f << false << false
                               << 61.0 << 100.0;
}

void TestSpectrumChart::readsQuantityOfRow()
{
    QFETCH(Quantity, quantity);
    QFETCH(int, row);
    QFETCH(int, materialCount);
    QFETCH(float, alpha);
    QFETCH(float, insulation);
    QFETCH(float, scatter);
    QFETCH(bool, hasAlpha);
    QFETCH(bool, hasScattering);
    QFETCH(double, expected);
    QFETCH(double, expectedMaximum);

    auto library = std::make_unique<MaterialLibrary>();
    library->materialCount = materialCount;
    fillRow(*library, row, alpha, insulation, scatter);
    library->hasAlpha[row] = hasAlpha;
    library->hasScattering[row] = hasScattering;
    // A neighbour with other values catches an off-by-one row.
    const int neighbour = row == 0 ? 1 : row - 1;
    fillRow(*library, neighbour, 0.9f, 99.f, 0.9f);
    library->hasAlpha[neighbour] = library->hasScattering[neighbour] = true;

    const SpectrumValues spectrum = spectrumValues(*library, row, quantity);
    QCOMPARE(spectrum.axisMaximum, expectedMaximum);
    for (int band = 1; band <= kBandCount; ++band) {
        const double value = spectrum.values[static_cast<std::size_t>(band - 1)];
        if (qAbs(value - expected) > 5e-7)
            QFAIL(qPrintable(QStringLiteral("band %1: %2, expected %3")
                                 .arg(band)
                                 .arg(value, 0, 'g', 10)
                                 .arg(expected, 0, 'g', 10)));
    }
}

void TestSpectrumChart::keepsBandOrder()
{
    auto library = std::make_unique<MaterialLibrary>();
    library->materialCount = 1;
    library->hasAlpha[1] = library->hasScattering[1] = true;
    for (int band = 1; band <= kBandCount; ++band) {
        library->alphaR[1][band] = 0.05f * band;
        library->insulationR[1][band] = 7.f * band;
        library->scattering[1][band] = 0.09f * band;
    }

    const SpectrumValues trueAlpha = spectrumValues(*library, 1, Quantity::TrueAbsorption);
    const SpectrumValues sabine = spectrumValues(*library, 1, Quantity::SabineAbsorption);
    const SpectrumValues insulation = spectrumValues(*library, 1, Quantity::Insulation);
    const SpectrumValues scatter = spectrumValues(*library, 1, Quantity::Scattering);
    for (int band = 1; band <= kBandCount; ++band) {
        const auto i = static_cast<std::size_t>(band - 1);
        QCOMPARE(trueAlpha.values[i], double(0.05f * band));
        // Computed from the stored float, in double precision.
        QCOMPARE(sabine.values[i], trueToSabine(double(0.05f * band)));
        QCOMPARE(insulation.values[i], double(7.f * band));
        QCOMPARE(scatter.values[i], double(0.09f * band));
    }
}

void TestSpectrumChart::leavesLibraryUnchanged()
{
    auto library = std::make_unique<MaterialLibrary>();
    library->materialCount = 3;
    fillRow(*library, 1, 0.3f, 30.f, 0.0f);
    library->hasAlpha[1] = true; // the 0.1 scattering default must stay a display value
    fillRow(*library, 2, 0.4f, 40.f, 0.5f);
    library->hasAlpha[2] = library->hasScattering[2] = true;
    const auto before = std::make_unique<MaterialLibrary>(*library);

    for (int row : {0, 1, 2, 3, 999})
        for (auto quantity : {Quantity::TrueAbsorption, Quantity::SabineAbsorption,
                              Quantity::Insulation, Quantity::Scattering})
            spectrumValues(*library, row, quantity);

    QCOMPARE(library->materialCount, before->materialCount);
    QVERIFY(library->alphaR == before->alphaR);
    QVERIFY(library->insulationR == before->insulationR);
    QVERIFY(library->scattering == before->scattering);
    QVERIFY(library->hasAlpha == before->hasAlpha);
    QVERIFY(library->hasInsulation == before->hasInsulation);
    QVERIFY(library->hasScattering == before->hasScattering);
}

void TestSpectrumChart::startsWithDesignedContent()
{
    SpectrumChart chart;
    QCOMPARE(chart.seriesCount(), 1);
    QCOMPARE(chart.axisMaximum(), 1.0);
    for (int band = 1; band <= kBandCount; ++band)
        QCOMPARE(chart.pointValue(band), 0.0);
    const QStringList expected{"31.5", "63",   "125",  "250",  "500",
                               "1000", "2000", "4000", "8000", "16000"};
    QCOMPARE(chart.categoryLabels(), expected);
}

void TestSpectrumChart::showsValuesAndMaximum()
{
    SpectrumChart chart;
    SpectrumValues spectrum;
    for (int i = 0; i < kBandCount; ++i)
        spectrum.values[static_cast<std::size_t>(i)] = 10.0 * (i + 1) + 0.5;
    spectrum.axisMaximum = 100.0;
    chart.showSpectrum(spectrum);
    QCOMPARE(chart.axisMaximum(), 100.0);
    for (int band = 1; band <= kBandCount; ++band)
        QCOMPARE(chart.pointValue(band), 10.0 * band + 0.5);

    // Values beyond the top stay as given and do not move the axis; equal values may be skipped
    // internally, so a second spectrum sharing some values must still come out whole.
    spectrum.values[0] = 0.0;
    spectrum.values[9] = 250.0;
    chart.showSpectrum(spectrum);
    QCOMPARE(chart.axisMaximum(), 100.0);
    QCOMPARE(chart.pointValue(1), 0.0);
    QCOMPARE(chart.pointValue(5), 50.5);
    QCOMPARE(chart.pointValue(10), 250.0);

    chart.selectSeries(1);
    QCOMPARE(chart.seriesCount(), 1);
    QCOMPARE(chart.pointValue(10), 250.0);
}

void TestSpectrumChart::keepsLabelsAcrossQuantities()
{
    SpectrumChart chart;
    const QStringList labels = chart.categoryLabels();
    for (double maximum : {1.5, 100.0, 1.0, 1.5}) {
        chart.showSpectrum(uniform(maximum / 3, maximum));
        QCOMPARE(chart.axisMaximum(), maximum);
        QCOMPARE(chart.pointValue(4), maximum / 3);
        QCOMPARE(chart.categoryLabels(), labels);
    }
}

void TestSpectrumChart::drawsBarsFromValues()
{
    SpectrumChart chart;
    chart.resize(kChartWidth, kChartHeight);
    QCOMPARE(barPixels(chart), 0);

    chart.showSpectrum(uniform(0.5, 1.0));
    const int half = barPixels(chart);
    QVERIFY(half > 0);

    chart.showSpectrum(uniform(1.0, 1.0));
    const int full = barPixels(chart);
    QVERIFY2(full > half * 3 / 2, qPrintable(QStringLiteral("%1 vs %2").arg(full).arg(half)));

    // The same values on a doubled axis draw bars half as tall.
    chart.showSpectrum(uniform(1.0, 2.0));
    QVERIFY(qAbs(barPixels(chart) - half) < half / 10);
}

QTEST_MAIN(TestSpectrumChart)
#include "tst_spectrumchart.moc"
