#include "MaterialTableView.h"

#include <QClipboard>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>

using namespace quillon;

namespace {

constexpr int kRows = 7;
constexpr int kCols = 6;

// Blocks compare as rectangles whose x is the column and y the row, as the points below.
QRect area(int top, int left, int bottom, int right)
{
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

// A table of kRows - 1 x kCols - 1 cells counted from 1, as the user counts them beside the
// headings; points name cells by column (x) and row (y).
struct Fixture {
    QStandardItemModel model{kRows - 1, kCols - 1};
    MaterialTableView grid;
    explicit Fixture(QPoint current = {1, 1}, QPoint end = {1, 1}, bool shown = false)
    {
        grid.setModel(&model);
        grid.selectRange({current.y() - 1, current.x() - 1, end.y() - 1, end.x() - 1});
        if (shown) {
            grid.resize(640, 400);
            grid.show();
            QVERIFY(QTest::qWaitForWindowExposed(&grid));
        }
    }
    QPoint at(int row, int col) const
    {
        return grid.visualRect(model.index(row - 1, col - 1)).center();
    }
    QPoint current() const
    {
        const CellRange range = grid.selectedRange();
        return {range.column + 1, range.row + 1};
    }
    QPoint end() const
    {
        const CellRange range = grid.selectedRange();
        return {range.endColumn + 1, range.endRow + 1};
    }
    QRect block() const
    {
        const CellRange range = grid.selectedRange();
        return area(range.top() + 1, range.left() + 1, range.bottom() + 1, range.right() + 1);
    }
    void setCurrentCell(int row, int col) { grid.setCurrentCell(row - 1, col - 1); }
    int selectedCount() const { return int(grid.selectionModel()->selectedIndexes().size()); }
};

} // namespace

class TestMaterialTableView : public QObject {
    Q_OBJECT
private slots:
    void selectionBlocks_data();
    void selectionBlocks();
    void keySignals_data();
    void keySignals();
    void clicksDragsAndArrowsSelectBlocks();
};

// Each row selects a block, reads it back and moves the current cell, which collapses the block:
// by code, or by a click or a key that leaves the current cell where it is (else the next paste
// would fill the whole old block).
void TestMaterialTableView::selectionBlocks_data()
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

void TestMaterialTableView::selectionBlocks()
{
    QFETCH(QPoint, current);
    QFETCH(QPoint, end);
    QFETCH(QRect, block);
    QFETCH(int, move);

    Fixture f(current, end, move != 0);
    QSignalSpy changed(&f.grid, &MaterialTableView::currentCellChanged);
    QCOMPARE(f.block(), block);
    QCOMPARE(f.selectedCount(), block.width() * block.height());
    QCOMPARE(f.current(), current);

    // Only a new cell is reported.
    const QPoint to = move == 0 ? block.bottomRight() : current;
    if (move == 0)
        f.setCurrentCell(to.y(), to.x());
    else if (move < 0)
        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.at(to.y(), to.x()));
    else
        QTest::keyClick(&f.grid, Qt::Key(move));
    QCOMPARE(f.current(), to);
    QCOMPARE(f.end(), to);
    QCOMPARE(f.selectedCount(), 1);
    QCOMPARE(changed.count(), to == current ? 0 : 1);
    // The header row and cells beyond the grid are never current.
    f.setCurrentCell(0, 2);
    f.setCurrentCell(2, kCols);
    QCOMPARE(f.current(), to);
}

void TestMaterialTableView::keySignals_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("typed");

    const Qt::KeyboardModifiers none, ctrl(Qt::ControlModifier);
    const auto row = [](const char *tag, int key, Qt::KeyboardModifiers modifiers, const char *text,
                        const char *typed = "") {
        QTest::newRow(tag) << key << modifiers << QString(text) << QString(typed);
    };
    row("digit", Qt::Key_5, none, "5", "5"); // not a jump to row 5, as a column search would
    row("shifted", Qt::Key_A, Qt::ShiftModifier, "A", "A");
    row("AltGr", Qt::Key_At, ctrl | Qt::AltModifier, "@", "@");
    row("Ctrl+C", Qt::Key_C, ctrl, "c");
    row("Ctrl+C control code", Qt::Key_C, ctrl, "\x03");
    row("Alt+V", Qt::Key_V, Qt::AltModifier, "v");
    row("Delete", Qt::Key_Delete, none, "\x7f");
    row("arrow", Qt::Key_Right, none, "");
}

void TestMaterialTableView::keySignals()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, text);
    QFETCH(QString, typed);

    Fixture f(QPoint(2, 2), QPoint(2, 2));
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    QSignalSpy characters(&f.grid, &MaterialTableView::characterTyped);
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(&f.grid, &press);

    QCOMPARE(characters.count(), typed.size());
    QCOMPARE(characters.value(0).value(0).toString(), typed);
    QCOMPARE(f.current().y(), 2);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
}

void TestMaterialTableView::clicksDragsAndArrowsSelectBlocks()
{
    Fixture f({1, 1}, {1, 1}, true);
    // Moved by keyboard: the anchor follows the current cell, not the last click.
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.at(5, 5));
    QTest::keyClick(&f.grid, Qt::Key_Up);
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, Qt::ShiftModifier, f.at(2, 3));
    QCOMPARE(f.block(), area(2, 3, 4, 5));
    QTest::keyClick(&f.grid, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(f.block(), area(3, 3, 4, 5));

    QSignalSpy clicked(&f.grid, &MaterialTableView::cellClicked);
    QTest::mousePress(f.grid.viewport(), Qt::LeftButton, {}, f.at(5, 4));
    QTest::mouseMove(f.grid.viewport(), f.at(4, 3));
    QTest::mouseMove(f.grid.viewport(), f.at(3, 2));
    QTest::mouseRelease(f.grid.viewport(), Qt::LeftButton, {}, f.at(3, 2));
    QCOMPARE(f.block(), area(3, 2, 5, 4));
    QCOMPARE(f.selectedCount(), 9);
    QCOMPARE(clicked.count(), 1);

    // A header click selects the whole row or column where the user is looking: no jump.
    QHeaderView *rows = f.grid.verticalHeader();
    QTest::mouseClick(
        rows->viewport(), Qt::LeftButton, {},
        QPoint(rows->width() / 2, rows->sectionViewportPosition(2) + rows->sectionSize(2) / 2));
    QCOMPARE(f.block(), area(3, 1, 3, kCols - 1));
    f.model.setRowCount(999);
    f.setCurrentCell(500, 2);
    const int scrolled = f.grid.verticalScrollBar()->value();
    QHeaderView *cols = f.grid.horizontalHeader();
    QTest::mouseClick(
        cols->viewport(), Qt::LeftButton, {},
        QPoint(cols->sectionViewportPosition(3) + cols->sectionSize(3) / 2, cols->height() / 2));
    QCOMPARE(f.block(), area(1, 4, 999, 4));
    QVERIFY(scrolled > 0 && f.grid.verticalScrollBar()->value() == scrolled);
}

QTEST_MAIN(TestMaterialTableView)
#include "tst_materialtableview.moc"
