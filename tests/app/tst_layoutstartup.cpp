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
    void installFolder_data();
    void installFolder();
    void regionalCheck_data();
    void regionalCheck();
};

void TestLayoutStartUp::layoutMatchesWorkedExamples_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("numberColumn");
    QTest::addColumn<QList<int>>(
        "expected"); // tab w, tab h, table w, table h, chart w, name, swatch, band

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
    QFETCH(int, numberColumn);
    QFETCH(QList<int>, expected);
    LayoutInput input;
    input.windowWidth = width;
    input.windowHeight = height;
    input.numberColumnWidth = numberColumn;
    const LayoutResult r = layoutWindow(input);
    const QList<int> actual = {r.tabStripWidth,     r.tabStripHeight, r.tableWidth,
                               r.tableHeight,       r.chartWidth,     r.nameColumnWidth,
                               r.swatchColumnWidth, r.bandColumnWidth};
    QCOMPARE(actual, expected);
}

void TestLayoutStartUp::installFolder_data()
{
    QTest::addColumn<QString>("executableFolder");
    QTest::addColumn<QString>("expected");
    for (const auto &[from, to] : {std::pair{"c:\\usr\\bin", "C:\\korvane2"},
                                   {"D:\\US\\x", "D:\\US\\x"},
                                   {"C:\\U", "C:\\U"}})
        QTest::newRow(from) << QString(from) << QString(to);
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
