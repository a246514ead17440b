#include "AbsorptionConversions.h"

#include <QtTest>

#include <cmath>

using namespace quillon;

namespace {
constexpr double kTolerance = 1e-7;
constexpr double kLowestInvertible = -1.198281770;
} // namespace

class TestConversions : public QObject {
    Q_OBJECT
private slots:
    void trueToSabineValues_data();
    void trueToSabineValues();
    void sabineToTrueValues_data();
    void sabineToTrueValues();
    void roundTrip_data();
    void roundTrip();
    void sabineBelowLimitHasNoTrueValue_data();
    void sabineBelowLimitHasNoTrueValue();
    void storedSabineOfOneShowsOneAgain();
};

void TestConversions::trueToSabineValues_data()
{
    QTest::addColumn<double>("trueAlpha");
    QTest::addColumn<double>("sabine");

    QTest::newRow("0") << 0.0 << 0.0;
    QTest::newRow("0.05") << 0.05 << 0.052121345;
    QTest::newRow("0.1") << 0.1 << 0.10637308;
    QTest::newRow("0.5") << 0.5 << 0.617081;
    QTest::newRow("1") << 1.0 << 1.447201;
    QTest::newRow("vertex") << kLowestInvertible << kMinimumSabine;
    QTest::newRow("negative") << -0.5 << -0.404042;
}

void TestConversions::trueToSabineValues()
{
    QFETCH(double, trueAlpha);
    QFETCH(double, sabine);
    QVERIFY2(std::abs(trueToSabine(trueAlpha) - sabine) < kTolerance,
             qPrintable(QString::number(trueToSabine(trueAlpha), 'g', 12)));
}

void TestConversions::sabineToTrueValues_data()
{
    QTest::addColumn<double>("sabine");
    QTest::addColumn<double>("trueAlpha");
    QTest::addColumn<double>("tolerance");

    QTest::newRow("0") << 0.0 << 0.0 << kTolerance;
    QTest::newRow("0.5") << 0.5 << 0.4170737 << kTolerance;
    QTest::newRow("1") << 1.0 << 0.7466777 << kTolerance;
    QTest::newRow("1.447201") << 1.447201 << 1.0 << kTolerance;
    QTest::newRow("above 1") << 2.0 << 1.2775727 << kTolerance;
    // The limit is rounded to ten digits; the square root magnifies what is left.
    QTest::newRow("at the limit") << kMinimumSabine << kLowestInvertible << 1e-5;
}

void TestConversions::sabineToTrueValues()
{
    QFETCH(double, sabine);
    QFETCH(double, trueAlpha);
    QFETCH(double, tolerance);
    const double result = sabineToTrue(sabine);
    QVERIFY(std::isfinite(result));
    QVERIFY2(std::abs(result - trueAlpha) < tolerance,
             qPrintable(QString::number(result, 'g', 12)));
}

void TestConversions::roundTrip_data()
{
    QTest::addColumn<double>("trueAlpha");

    QTest::newRow("lowest") << kLowestInvertible + 1e-6;
    QTest::newRow("-1") << -1.0;
    QTest::newRow("-0.3") << -0.3;
    QTest::newRow("0") << 0.0;
    QTest::newRow("0.123") << 0.123;
    QTest::newRow("0.999") << 0.999;
    QTest::newRow("2.5") << 2.5;
    QTest::newRow("40") << 40.0;
}

void TestConversions::roundTrip()
{
    QFETCH(double, trueAlpha);
    const double back = sabineToTrue(trueToSabine(trueAlpha));
    QVERIFY2(std::abs(back - trueAlpha) < kTolerance, qPrintable(QString::number(back, 'g', 12)));
}

void TestConversions::sabineBelowLimitHasNoTrueValue_data()
{
    QTest::addColumn<double>("sabine");

    QTest::newRow("just below") << kMinimumSabine - 1e-9;
    QTest::newRow("-0.7") << -0.7;
    QTest::newRow("-5") << -5.0;
}

void TestConversions::sabineBelowLimitHasNoTrueValue()
{
    QFETCH(double, sabine);
    QVERIFY(std::isnan(sabineToTrue(sabine)));
}

void TestConversions::storedSabineOfOneShowsOneAgain()
{
    const float stored = static_cast<float>(sabineToTrue(1.0));
    QCOMPARE(std::round(trueToSabine(stored) * 1000.0) / 1000.0, 1.0);
}

QTEST_APPLESS_MAIN(TestConversions)
#include "tst_conversions.moc"
