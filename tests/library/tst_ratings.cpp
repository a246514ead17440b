#include "Ratings.h"

#include <QtTest>

using namespace quillon;

namespace {

template <size_t N> std::array<double, N> values(const QString &text)
{
    const QStringList fields = text.split(QLatin1Char(' '));
    Q_ASSERT(fields.size() == static_cast<qsizetype>(N));
    std::array<double, N> result{};
    for (size_t i = 0; i < N; ++i)
        result[i] = fields[static_cast<qsizetype>(i)].toDouble();
    return result;
}

// The data tables: octave values as text, and the rating they give as text.
void columns()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
}
void row(const char *tag, const char *input, const char *expected)
{
    QTest::newRow(tag) << QString::fromUtf8(input) << QString::fromUtf8(expected);
}

} // namespace

class TestRatings : public QObject {
    Q_OBJECT
private slots:
    void alphaW_data();
    void alphaW();
    void nrc_data();
    void nrc();
    void rw_data();
    void rw();
    void readout_data();
    void readout();
};

void TestRatings::alphaW_data()
{
    columns(); // "alpha_w(shape) class"
    row("worked C", "0.35 0.70 0.65 0.60 0.55", "0.60 C");
    row("worked M", "0.35 1.00 0.65 0.60 0.55", "0.60(M) C");
    row("worked full", "1.00 1.00 1.00 1.00 1.00", "1.00 A");
    row("worked low", "0.10 0.10 0.10 0.10 0.10", "0.10 not classified");
    row("sum exactly 0.10", "0.80 0.90 1.00 1.00 0.90", "1.00 A");
    row("0.92 to 0.90", "0.92 0.92 0.92 0.92 0.92", "0.90 A");
    row("0.93 to 0.95", "0.93 0.93 0.93 0.93 0.93", "0.95 A");
    row("above 1 capped", "1.40 1.20 1.30 1.10 1.50", "1.00 A");
    row("negative", "-0.20 -0.10 -0.05 -0.30 -0.50", "0.00 not classified");
    row("shape LH", "0.60 0.35 0.35 0.70 0.70", "0.40(LH) D");
    row("class E", "0.05 0.20 0.25 0.30 0.30", "0.25 E");
}

void TestRatings::alphaW()
{
    QFETCH(QString, input);
    const WeightedAbsorption rating = weightedAbsorption(values<5>(input));
    QTEST(formatAlphaW(rating) + ' ' + absorptionClassText(rating.absorptionClass), "expected");
}

void TestRatings::nrc_data()
{
    columns();
    row("worked", "0.21 0.23 0.22 0.20", "0.20");
    row("half-way rounds up", "0.22 0.23 0.22 0.23", "0.25");
    row("to two decimals first", "0.214 0.214 0.214 0.214", "0.20");
    row("above 1", "1.10 1.20 1.30 1.20", "1.20");
    row("negative half-way", "-0.10 -0.05 0.00 0.05", "0.00");
    row("negative", "-0.20 -0.20 -0.20 -0.20", "-0.20");
}

void TestRatings::nrc()
{
    QFETCH(QString, input);
    QTEST(formatNrc(noiseReductionCoefficient(values<4>(input))), "expected");
}

void TestRatings::rw_data()
{
    columns();
    row("worked, sum exactly 10.0", "34 43 50 53 54", "R_w 52 (−2; −6) dB");
    row("reference curve", "36 45 52 55 56", "R_w 54 (−2; −6) dB");
    // 4.1 + 0.2 + 5.7 dB: sums of floats or doubles come out above 10.
    row("decimals summing to 10.0", "31.9 44.8 46.3 55 56", "R_w 52 (−3; −8) dB");
    row("steep", "20 30 60 70 70", "R_w 41 (−2; −8) dB");
    row("negative", "-5 -5 -5 -5 -5", "R_w −4 (−1; −1) dB");
}

void TestRatings::rw()
{
    QFETCH(QString, input);
    const InsulationOctaves db = values<5>(input);
    QTEST(formatRw(weightedSoundReduction(db)), "expected");
    InsulationOctaves stored{}; // as the library holds them
    std::transform(db.begin(), db.end(), stored.begin(), [](double v) { return float(v); });
    QTEST(formatRw(weightedSoundReduction(stored)), "expected");
}

void TestRatings::readout_data()
{
    QTest::addColumn<Quantity>("quantity");
    QTest::addColumn<int>("material"); // 1 has every group, 2 none
    QTest::addColumn<QString>("line");

    const QString absorption = u"\u03b1_w 1.00, class A \u00b7 NRC (octave) 1.45"_qs;
    QTest::newRow("true") << Quantity::TrueAbsorption << 1 << absorption;
    QTest::newRow("sabine") << Quantity::SabineAbsorption << 1 << absorption;
    QTest::newRow("insulation") << Quantity::Insulation << 1 << u"R_w 52 (−2; −6) dB"_qs;
    QTest::newRow("scattering") << Quantity::Scattering << 1 << QString();
    QTest::newRow("absorption missing")
        << Quantity::SabineAbsorption << 2 << u"\u03b1_w – \u00b7 NRC (octave) –"_qs;
    QTest::newRow("insulation missing") << Quantity::Insulation << 2 << u"R_w –"_qs;
}

void TestRatings::readout()
{
    QFETCH(Quantity, quantity);
    QFETCH(int, material);
    QFETCH(QString, line);

    auto library = std::make_unique<MaterialLibrary>();
    library->materialCount = 2;
    library->hasAlpha[1] = library->hasInsulation[1] = true;
    library->alphaR[1].fill(1.f);
    const float insulation[] = {34, 43, 50, 53, 54}; // from 125 Hz
    std::copy(std::begin(insulation), std::end(insulation), library->insulationR[1].begin() + 3);

    const RatingsReadout readout = ratingsReadout(*library, material, quantity);
    QCOMPARE(readout.line, line);
    QCOMPARE(readout.toolTip, material == 1 ? u"\u03b1_w 1.00, class A\nNRC (octave) 1.45\n"
                                              u"R_w 52 (−2; −6) dB"_qs
                                            : u"\u03b1_w –\nNRC (octave) –\nR_w –"_qs);
}

QTEST_APPLESS_MAIN(TestRatings)
#include "tst_ratings.moc"
