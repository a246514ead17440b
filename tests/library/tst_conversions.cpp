#include "AbsorptionConversions.h"

#include <QtTest>

using namespace quillon;

class TestConversions : public QObject {
    Q_OBJECT
private slots:
    void workedValues_data();
    void workedValues();
    void belowTheLimit();
};

void TestConversions::workedValues_data()
{
    QTest::addColumn<double>("trueAlpha");
    QTest::addColumn<double>("sabine");
    QTest::addColumn<double>("backTolerance");

    QTest::newRow("0") << 0.0 << 0.0 << 1e-7;
    QTest::newRow("0.05") << 0.05 << 0.052121345 << 1e-7;
    QTest::newRow("0.5") << 0.5 << 0.617081 << 1e-7;
    QTest::newRow("sabine 1") << 0.7466777 << 1.0 << 1e-7;
    QTest::newRow("1") << 1.0 << 1.447201 << 1e-7;
    QTest::newRow("sabine 2") << 1.2775727 << 2.0 << 1e-7;
    QTest::newRow("negative") << -0.5 << -0.404042 << 1e-7;
    QTest::newRow("far above 1") << 40.0 << 722.56972 << 1e-7;
    // The limit is rounded to ten digits; the square root magnifies what is left.
    QTest::newRow("vertex") << -1.198281770 << kMinimumSabine << 1e-5;
}

void TestConversions::workedValues()
{
    QFETCH(double, trueAlpha);
    QFETCH(double, sabine);
    QFETCH(double, backTolerance);
    const double there = trueToSabine(trueAlpha);
    QVERIFY2(qAbs(there - sabine) < 1e-7 * qMax(1.0, sabine),
             qPrintable(QString::number(there, 'g', 12)));
    QVERIFY2(qAbs(sabineToTrue(sabine) - trueAlpha) < backTolerance,
             qPrintable(QString::number(sabineToTrue(sabine), 'g', 12)));
    QVERIFY(qAbs(sabineToTrue(there) - trueAlpha) < backTolerance);
}

void TestConversions::belowTheLimit()
{
    for (double sabine : {kMinimumSabine - 1e-9, -0.7, -5.0})
        QVERIFY(qIsNaN(sabineToTrue(sabine)));
}

QTEST_APPLESS_MAIN(TestConversions)
#include "tst_conversions.moc"
