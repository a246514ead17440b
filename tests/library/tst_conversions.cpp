#include "AbsorptionConversions.h"

#include <QtTest>

using namespace quillon;

class TestConversions : public QObject {
    Q_OBJECT
private slots:
    void workedValues_data();
    void workedValues();
};

void TestConversions::workedValues_data()
{
    QTest::addColumn<double>("trueAlpha"); // NaN: no real value
    QTest::addColumn<double>("sabine");

    QTest::newRow("0") << 0.0 << 0.0;
    QTest::newRow("0.05") << 0.05 << 0.052121345;
    QTest::newRow("0.5") << 0.5 << 0.617081;
    QTest::newRow("sabine 1") << 0.7466777 << 1.0;
    QTest::newRow("1") << 1.0 << 1.447201;
    QTest::newRow("negative") << -0.5 << -0.404042;
    QTest::newRow("vertex") << -1.198281770 << kMinimumSabine;
    for (double below : {kMinimumSabine - 1e-9, -0.7, -5.0})
        QTest::newRow(qPrintable(u"below the limit %1"_qs.arg(below))) << qQNaN() << below;
}

void TestConversions::workedValues()
{
    QFETCH(double, trueAlpha);
    QFETCH(double, sabine);
    const double back = sabineToTrue(sabine);
    QCOMPARE(qIsNaN(back), qIsNaN(trueAlpha));
    if (qIsNaN(trueAlpha))
        return;
    QVERIFY2(qAbs(trueToSabine(trueAlpha) - sabine) < 1e-7 * qMax(1.0, sabine),
             qPrintable(QString::number(trueToSabine(trueAlpha), 'g', 12)));
    // The limit is rounded to ten digits; the square root magnifies what is left.
    QVERIFY2(qAbs(back - trueAlpha) < (sabine == kMinimumSabine ? 1e-5 : 1e-7),
             qPrintable(QString::number(back, 'g', 12)));
}

QTEST_APPLESS_MAIN(TestConversions)
#include "tst_conversions.moc"
