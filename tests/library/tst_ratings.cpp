#include "Ratings.h"

#include <QtTest>

using namespace quillon;

enum class Rating { AlphaW, Nrc, Rw };

class TestRatings : public QObject {
    Q_OBJECT
private slots:
    void ratings_data();
    void ratings();
    void readout_data();
    void readout();
};

void TestRatings::ratings_data()
{
    QTest::addColumn<Rating>("rating");
    QTest::addColumn<QString>("input"); // octave values from the rating's first band
    QTest::addColumn<QString>("expected");

    const auto row = [](const char *tag, Rating rating, const char *input, const char *expected) {
        QTest::newRow(tag) << rating << QString::fromUtf8(input) << QString::fromUtf8(expected);
    };
    using enum Rating;
    // alpha_w(shape) and class
    row("worked C", AlphaW, "0.35 0.70 0.65 0.60 0.55", "0.60 C");
    row("worked M", AlphaW, "0.35 1.00 0.65 0.60 0.55", "0.60(M) C");
    row("worked full", AlphaW, "1.00 1.00 1.00 1.00 1.00", "1.00 A");
    row("worked low", AlphaW, "0.10 0.10 0.10 0.10 0.10", "0.10 not classified");
    row("sum exactly 0.10", AlphaW, "0.80 0.90 1.00 1.00 0.90", "1.00 A");
    row("0.92 to 0.90", AlphaW, "0.92 0.92 0.92 0.92 0.92", "0.90 A");
    row("0.93 to 0.95", AlphaW, "0.93 0.93 0.93 0.93 0.93", "0.95 A");
    row("above 1 capped", AlphaW, "1.40 1.20 1.30 1.10 1.50", "1.00 A");
    row("negative", AlphaW, "-0.20 -0.10 -0.05 -0.30 -0.50", "0.00 not classified");
    row("shape LH", AlphaW, "0.60 0.35 0.35 0.70 0.70", "0.40(LH) D");
    row("class E", AlphaW, "0.05 0.20 0.25 0.30 0.30", "0.25 E");
    row("NRC worked", Nrc, "0.21 0.23 0.22 0.20", "0.20");
    row("NRC half-way rounds up", Nrc, "0.22 0.23 0.22 0.23", "0.25");
    row("NRC to two decimals first", Nrc, "0.214 0.214 0.214 0.214", "0.20");
    row("NRC above 1", Nrc, "1.10 1.20 1.30 1.20", "1.20");
    row("NRC negative half-way", Nrc, "-0.10 -0.05 0.00 0.05", "0.00");
    row("NRC negative", Nrc, "-0.20 -0.20 -0.20 -0.20", "-0.20");
    row("R_w worked, sum exactly 10.0", Rw, "34 43 50 53 54", "52 (−2; −6) dB");
    row("R_w reference curve", Rw, "36 45 52 55 56", "54 (−2; −6) dB");
    // 4.1 + 0.2 + 5.7 dB: sums of floats or doubles come out above 10.
    row("R_w decimals summing to 10.0", Rw, "31.9 44.8 46.3 55 56", "52 (−3; −8) dB");
    row("R_w steep", Rw, "20 30 60 70 70", "41 (−2; −8) dB");
    row("R_w negative", Rw, "-5 -5 -5 -5 -5", "−4 (−1; −1) dB");
}

void TestRatings::ratings()
{
    QFETCH(Rating, rating);
    QFETCH(QString, input);
    const QStringList fields = input.split(u' ');
    // The library holds floats; they must give the same ratings.
    for (const bool asFloat : {false, true}) {
        std::array<double, 5> v{};
        for (qsizetype i = 0; i < fields.size(); ++i)
            v[size_t(i)] = asFloat ? double(fields[i].toFloat()) : fields[i].toDouble();
        const WeightedAbsorption alpha = weightedAbsorption(v);
        QTEST(rating == Rating::Nrc ? formatNrc(noiseReductionCoefficient({v[0], v[1], v[2], v[3]}))
              : rating == Rating::Rw
                  ? formatRw(weightedSoundReduction(v))
                  : formatAlphaW(alpha) + ' ' + absorptionClassText(alpha.absorptionClass),
              "expected");
    }
}

void TestRatings::readout_data()
{
    QTest::addColumn<Quantity>("quantity");
    QTest::addColumn<int>("material"); // 1 has every group, 2 none
    QTest::addColumn<QString>("line");

    const QString absorption = u"\u03b1<sub>w</sub> 1.00, class A \u00b7 NRC (octave) 1.45"_qs;
    QTest::newRow("true") << Quantity::TrueAbsorption << 1 << absorption;
    QTest::newRow("sabine") << Quantity::SabineAbsorption << 1 << absorption;
    QTest::newRow("insulation") << Quantity::Insulation << 1
                                << u"R<sub>w</sub> (C; C<sub>tr</sub>) 52 (−2; −6) dB"_qs;
    QTest::newRow("scattering") << Quantity::Scattering << 1 << QString();
    QTest::newRow("absorption missing")
        << Quantity::SabineAbsorption << 2 << u"\u03b1<sub>w</sub> – \u00b7 NRC (octave) –"_qs;
    QTest::newRow("insulation missing")
        << Quantity::Insulation << 2 << u"R<sub>w</sub> (C; C<sub>tr</sub>) –"_qs;
}

void TestRatings::readout()
{
    QFETCH(Quantity, quantity);
    QFETCH(int, material);

    auto library = std::make_unique<MaterialLibrary>();
    library->materialCount = 2;
    library->hasAlpha[1] = library->hasInsulation[1] = true;
    library->alphaR[1].fill(1.f);
    const float insulation[] = {34, 43, 50, 53, 54}; // from 125 Hz
    std::copy(std::begin(insulation), std::end(insulation), library->insulationR[1].begin() + 3);

    const RatingsReadout readout = ratingsReadout(*library, material, quantity);
    QTEST(readout.line, "line");
    const QString rw = u"<br>R<sub>w</sub> (C; C<sub>tr</sub>) "_qs;
    QCOMPARE(readout.toolTip, material == 1
                                  ? u"\u03b1<sub>w</sub> 1.00, class A<br>NRC (octave) 1.45"_qs +
                                        rw + u"52 (−2; −6) dB"_qs
                                  : u"\u03b1<sub>w</sub> –<br>NRC (octave) –"_qs + rw + u"–"_qs);
}

QTEST_APPLESS_MAIN(TestRatings)
#include "tst_ratings.moc"
