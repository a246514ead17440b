#include "StartUp.h"
#include "WindowLayout.h"

#include <QLocale>
#include <QtTest>

using namespace quillon;

class TestLayoutStartUp : public QObject {
    Q_OBJECT
private slots:
    void layoutMatchesWorkedExamples_data();
    void layoutMatchesWorkedExamples();
    void roundsHalvesToEven_data();
    void roundsHalvesToEven();
    void installFolder_data();
    void installFolder();
    void regionalCheck_data();
    void regionalCheck();
};

void TestLayoutStartUp::layoutMatchesWorkedExamples_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("column0");
    QTest::addColumn<QList<int>>("expected"); // tab w, tab h, grid w, grid h, chart w, col1, col2, band

    QTest::newRow("designed outer size")
        << 10260 << 7413 << 500 << QList<int>{9780, 6753, 9580, 3653, 6780, 2931, 1000, 485};
    QTest::newRow("narrow 700") << 700 << 7413 << 500
                                << QList<int>{220, 6753, 20, 3653, 100, 200, 1000, 1};
    QTest::newRow("low 700") << 10260 << 700 << 500
                             << QList<int>{9780, 100, 9580, 100, 6780, 2931, 1000, 485};
    QTest::newRow("W 7000") << 7000 << 7413 << 500
                            << QList<int>{6520, 6753, 6320, 3653, 3520, 2000, 1000, 252};
    // Narrower than the rule allows: the table keeps a width of zero, not a negative one.
    QTest::newRow("very narrow") << 300 << 7413 << 500
                                 << QList<int>{100, 6753, 0, 3653, 100, 86, 1000, 1};
    QTest::newRow("no number column yet")
        << 10260 << 7413 << 0 << QList<int>{9780, 6753, 9580, 3653, 6780, 2931, 1000, 535};
}

void TestLayoutStartUp::layoutMatchesWorkedExamples()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, column0);
    QFETCH(QList<int>, expected);
    LayoutInput input;
    input.windowWidth = width;
    input.windowHeight = height;
    input.numberColumnWidth = column0;
    const LayoutResult r = layoutWindow(input);
    const QList<int> actual = {r.tabStripWidth, r.tabStripHeight, r.tableWidth,    r.tableHeight,
                               r.chartWidth,    r.nameColumnWidth,   r.swatchColumnWidth, r.bandColumnWidth};
    QCOMPARE(actual, expected);
}

void TestLayoutStartUp::roundsHalvesToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("484.5") << 484.5 << 484;
    QTest::newRow("485.5") << 485.5 << 486;
    QTest::newRow("-0.5") << -0.5 << 0;
}

void TestLayoutStartUp::roundsHalvesToEven()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(roundHalfEven(value), expected);
}

void TestLayoutStartUp::installFolder_data()
{
    QTest::addColumn<QString>("executableFolder");
    QTest::addColumn<QString>("expected");
    QTest::newRow("c:\\usr\\bin") << "c:\\usr\\bin" << "C:\\korvane2";
    QTest::newRow("D:\\US\\x") << "D:\\US\\x" << "D:\\US\\x";
    QTest::newRow("C:\\U") << "C:\\U" << "C:\\U";
}

void TestLayoutStartUp::installFolder()
{
    QFETCH(QString, executableFolder);
    QFETCH(QString, expected);
    QCOMPARE(installFolderFor(executableFolder), expected);
}

void TestLayoutStartUp::regionalCheck_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("compatible");
    QTest::newRow("en_US") << "en_US" << true;
    QTest::newRow("de_DE") << "de_DE" << false;
    // An apostrophe between thousands, "." before decimals: the thousands probe alone fails.
    QTest::newRow("de_CH") << "de_CH" << false;
}

void TestLayoutStartUp::regionalCheck()
{
    QFETCH(QString, locale);
    QFETCH(bool, compatible);
    QCOMPARE(checkRegionalSettings(QLocale(locale)), compatible);
}

QTEST_APPLESS_MAIN(TestLayoutStartUp)
#include "tst_layoutstartup.moc"
