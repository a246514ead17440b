#include "FlexGrid.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

using namespace quillon;

namespace {

constexpr int kRows = 7;
constexpr int kCols = 6;

QString cellName(int row, int col)
{
    return QStringLiteral("%1:%2").arg(row).arg(col);
}

// Blocks compare as rectangles whose x is the column and y the row, as the points below.
QRect area(int top, int left, int bottom, int right)
{
    return QRect(QPoint(left, top), QPoint(right, bottom));
}
QRect area(const FlexGrid::Block &block)
{
    return area(block.top, block.left, block.bottom, block.right);
}

// A kRows x kCols grid whose cells hold "row:col"; points name cells by column (x) and row (y).
struct Fixture {
    FlexGrid grid;
    explicit Fixture(QPoint current = {1, 1}, QPoint end = {1, 1}, bool shown = false)
    {
        grid.setGridSize(kRows, kCols);
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kCols; ++c)
                grid.setTextMatrix(r, c, cellName(r, c));
        grid.setCurrentCell(current.y(), current.x());
        grid.setSelectionEnd(end.y(), end.x());
        if (shown) {
            grid.resize(640, 400);
            grid.show();
            QVERIFY(QTest::qWaitForWindowExposed(&grid));
        }
    }
    QPoint at(int row, int col) const
    {
        return grid.visualRect(grid.gridModel()->index(row - 1, col - 1)).center();
    }
    QPoint current() const { return {grid.col(), grid.row()}; }
    QPoint end() const { return {grid.colSel(), grid.rowSel()}; }
    int selectedCount() const { return int(grid.selectionModel()->selectedIndexes().size()); }
};

} // namespace

class TestFlexGrid : public QObject {
    Q_OBJECT
private slots:
    void modelPassesTester();
    void selectionAndClip_data();
    void selectionAndClip();
    void keySignals_data();
    void keySignals();
    void clicksDragsAndArrowsSelectBlocks();
    void twipsToPixels();
};

void TestFlexGrid::modelPassesTester()
{
    Fixture f;
    GridModel &model = *f.grid.gridModel();
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setTextColor(2, 3, rgbColor(10, 20, 30));
    QCOMPARE(model.data(model.index(1, 2), Qt::ForegroundRole).value<QColor>(), QColor(10, 20, 30));
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), cellName(0, 3));

    model.setGridSize(3, 3);
    model.setGridSize(4, 5);
    QCOMPARE(model.data(model.index(1, 1)).toString(), cellName(2, 2));
    QVERIFY(model.text(2, 3).isEmpty() && !model.hasTextColor(2, 3));
    model.setGridSize(0, 0);
}

// Each row selects a block, reads it back and moves the current cell, which collapses the block:
// by code, or by a click or a key that leaves the current cell where it is (else the next paste
// would fill the whole old block).
void TestFlexGrid::selectionAndClip_data()
{
    QTest::addColumn<QPoint>("current");
    QTest::addColumn<QPoint>("end");
    QTest::addColumn<QRect>("block");
    QTest::addColumn<int>("move"); // 0: to the block's bottom right by code; -1: a click
    const QPoint end(3, 3);
    QTest::newRow("click on current cell") << QPoint(4, 5) << end << area(3, 3, 5, 4) << -1;
    QTest::newRow("Home on first column")
        << QPoint(1, 5) << end << area(3, 1, 5, 3) << int(Qt::Key_Home);
    QTest::newRow("Up on first row") << QPoint(4, 1) << end << area(1, 3, 3, 4) << int(Qt::Key_Up);
    QTest::newRow("Down on last row")
        << QPoint(4, kRows - 1) << end << area(3, 3, kRows - 1, 4) << int(Qt::Key_Down);
    QTest::newRow("end clamped to the grid")
        << QPoint(4, 2) << QPoint(40, 0) << area(1, 4, 2, 5) << 0;
    QTest::newRow("one cell") << QPoint(2, 2) << QPoint(2, 2) << area(2, 2, 2, 2) << 0;
}

void TestFlexGrid::selectionAndClip()
{
    QFETCH(QPoint, current);
    QFETCH(QPoint, end);
    QFETCH(QRect, block);
    QFETCH(int, move);

    Fixture f(current, end, move != 0);
    QSignalSpy changed(&f.grid, &FlexGrid::currentCellChanged);
    QCOMPARE(area(f.grid.selectedBlock()), block);
    QCOMPARE(f.selectedCount(), block.width() * block.height());
    QCOMPARE(f.current(), current);
    QStringList lines;
    for (int r = block.top(); r <= block.bottom(); ++r) {
        QStringList cells;
        for (int c = block.left(); c <= block.right(); ++c)
            cells << cellName(r, c);
        lines << cells.join(u'\t');
    }
    QCOMPARE(f.grid.clip(), lines.join(u'\r'));

    // Only a new cell is reported.
    const QPoint to = move == 0 ? block.bottomRight() : current;
    if (move == 0)
        f.grid.setCurrentCell(to.y(), to.x());
    else if (move < 0)
        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.at(to.y(), to.x()));
    else
        QTest::keyClick(&f.grid, Qt::Key(move));
    QCOMPARE(f.current(), to);
    QCOMPARE(f.end(), to);
    QCOMPARE(f.selectedCount(), 1);
    QCOMPARE(changed.count(), to == current ? 0 : 1);
    // The header row and cells beyond the grid are never current.
    f.grid.setCurrentCell(0, 2);
    f.grid.setCurrentCell(2, kCols);
    QCOMPARE(f.current(), to);
}

void TestFlexGrid::keySignals_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("shiftState");
    QTest::addColumn<QString>("typed");

    const Qt::KeyboardModifiers none, ctrl(Qt::ControlModifier);
    // "5" would jump to row 5 if typing searched the column.
    QTest::newRow("digit") << int(Qt::Key_5) << none << "5" << 0 << "5";
    QTest::newRow("shifted") << int(Qt::Key_A) << (none | Qt::ShiftModifier) << "A" << 1 << "A";
    QTest::newRow("AltGr") << int(Qt::Key_At) << (ctrl | Qt::AltModifier) << "@" << 6 << "@";
    QTest::newRow("Ctrl+C") << int(Qt::Key_C) << ctrl << "c" << 2 << "";
    QTest::newRow("Ctrl+C control code") << int(Qt::Key_C) << ctrl << "\x03" << 2 << "";
    QTest::newRow("Alt+V") << int(Qt::Key_V) << (none | Qt::AltModifier) << "v" << 4 << "";
    QTest::newRow("Delete") << int(Qt::Key_Delete) << none << "\x7f" << 0 << "";
    QTest::newRow("arrow") << int(Qt::Key_Right) << none << "" << 0 << "";
}

void TestFlexGrid::keySignals()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, text);
    QFETCH(int, shiftState);
    QFETCH(QString, typed);

    Fixture f(QPoint(2, 2), QPoint(2, 2));
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    QSignalSpy keys(&f.grid, &FlexGrid::keyDown);
    QSignalSpy characters(&f.grid, &FlexGrid::characterTyped);
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(&f.grid, &press);

    QCOMPARE(keys.count(), 1);
    QCOMPARE(keys.at(0), (QVariantList{key, shiftState}));
    QCOMPARE(characters.count(), typed.size());
    QCOMPARE(characters.value(0).value(0).toString(), typed);
    QCOMPARE(f.grid.row(), 2);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
}

void TestFlexGrid::clicksDragsAndArrowsSelectBlocks()
{
    Fixture f({1, 1}, {1, 1}, true);
    // Moved by keyboard: the anchor follows the current cell, not the last click.
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.at(5, 5));
    QTest::keyClick(&f.grid, Qt::Key_Up);
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, Qt::ShiftModifier, f.at(2, 3));
    QCOMPARE(area(f.grid.selectedBlock()), area(2, 3, 4, 5));
    QTest::keyClick(&f.grid, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(area(f.grid.selectedBlock()), area(3, 3, 4, 5));

    QSignalSpy clicked(&f.grid, &FlexGrid::cellClicked);
    QTest::mousePress(f.grid.viewport(), Qt::LeftButton, {}, f.at(5, 4));
    QTest::mouseMove(f.grid.viewport(), f.at(4, 3));
    QTest::mouseMove(f.grid.viewport(), f.at(3, 2));
    QTest::mouseRelease(f.grid.viewport(), Qt::LeftButton, {}, f.at(3, 2));
    QCOMPARE(area(f.grid.selectedBlock()), area(3, 2, 5, 4));
    QCOMPARE(f.selectedCount(), 9);
    QCOMPARE(clicked.count(), 1);

    // A header click selects the whole row or column where the user is looking: no jump.
    QHeaderView *rows = f.grid.verticalHeader();
    QTest::mouseClick(
        rows->viewport(), Qt::LeftButton, {},
        QPoint(rows->width() / 2, rows->sectionViewportPosition(2) + rows->sectionSize(2) / 2));
    QCOMPARE(area(f.grid.selectedBlock()), area(3, 1, 3, kCols - 1));
    f.grid.setGridSize(1000, kCols);
    f.grid.setCurrentCell(500, 2);
    const int scrolled = f.grid.verticalScrollBar()->value();
    QHeaderView *cols = f.grid.horizontalHeader();
    QTest::mouseClick(
        cols->viewport(), Qt::LeftButton, {},
        QPoint(cols->sectionViewportPosition(3) + cols->sectionSize(3) / 2, cols->height() / 2));
    QCOMPARE(area(f.grid.selectedBlock()), area(1, 4, 999, 4));
    QVERIFY(scrolled > 0 && f.grid.verticalScrollBar()->value() == scrolled);
}

void TestFlexGrid::twipsToPixels()
{
    QCOMPARE(FlexGrid::twipsToPixels(500, 96.0), 33); // the number column
    QCOMPARE(FlexGrid::twipsToPixels(500, 144.0), 50);
    QCOMPARE(FlexGrid::twipsToPixels(8, 96.0), 1); // rounded up
}

QTEST_MAIN(TestFlexGrid)
#include "tst_flexgrid.moc"
