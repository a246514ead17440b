#include "FlexGrid.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QElapsedTimer>
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

void fill(GridModel &model)
{
    for (int r = 0; r < model.gridRows(); ++r)
        for (int c = 0; c < model.gridCols(); ++c)
            model.setTextSilently(r, c, cellName(r, c));
    model.notifyChanged(0, 0, model.gridRows() - 1, model.gridCols() - 1);
}

// A grid of kRows x kCols whose cells hold "row:col".
struct Fixture {
    FlexGrid grid;
    Fixture(int rows = kRows, int cols = kCols)
    {
        grid.setGridSize(rows, cols);
        fill(*grid.gridModel());
    }
    void show()
    {
        grid.resize(640, 400);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
    }
    QPoint cellCenter(int row, int col) const
    {
        return grid.visualRect(grid.gridModel()->index(row - 1, col - 1)).center();
    }
};

struct Edit {
    int row;
    int col;
    QString text;
};
using Edits = QList<Edit>;
using Block = FlexGrid::Block;

} // namespace

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(Block)

class TestFlexGrid : public QObject {
    Q_OBJECT
private slots:
    void modelPassesTester();
    void modelMapsCellsAndHeaders();
    void modelKeepsTextsOnResize();
    void bulkWriteNotifiesOnce();
    void singleWritesNotifyTheirCell();

    void currentCellAndSelectionEnd_data();
    void currentCellAndSelectionEnd();
    void currentCellChangedOnlyOnChange();
    void resizeKeepsCurrentCellInside();

    void clipListsSelectedBlock_data();
    void clipListsSelectedBlock();
    void setClipLaysTextIntoBlock_data();
    void setClipLaysTextIntoBlock();

    void keySignals_data();
    void keySignals();
    void typingDoesNotSearch();
    void copyKeyLeavesClipboardAlone();
    void shiftArrowsExtendFromAnchor();
    void mouseClickAndDoubleClick();
    void shiftClickAndDragSelectBlocks();
    void moveThatStaysCollapsesBlock_data();
    void moveThatStaysCollapsesBlock();
    void headerClickSelectsWholeRow();
    void headerClickSelectsWholeColumnInPlace();

    void twipsToPixels_data();
    void twipsToPixels();
    void columnWidthsApplyToView();
    void rowsAreCompact();

    void bulkPathsAreFast();
};

void TestFlexGrid::modelPassesTester()
{
    GridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setGridSize(4, 5);
    fill(model);
    model.setTextColor(2, 2, rgbColor(255, 0, 0));
    model.setText(1, 1, QStringLiteral("x"));
    model.setText(0, 3, QStringLiteral("head"));
    model.setGridSize(1, 1);
    model.setGridSize(12, 3);
    fill(model);
    model.setGridSize(0, 0);
}

void TestFlexGrid::modelMapsCellsAndHeaders()
{
    GridModel model;
    model.setGridSize(3, 4);
    fill(model);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.data(model.index(0, 0)).toString(), cellName(1, 1));
    QCOMPARE(model.data(model.index(1, 2)).toString(), cellName(2, 3));
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), cellName(0, 1));
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), cellName(0, 3));
    QCOMPARE(model.headerData(1, Qt::Vertical).toString(), cellName(2, 0));
    QVERIFY(!model.headerData(3, Qt::Horizontal).isValid());
    QVERIFY(model.text(3, 0).isEmpty());
    QVERIFY(model.text(-1, 1).isEmpty());

    QVERIFY(!model.flags(model.index(0, 0)).testFlag(Qt::ItemIsEditable));
    QVERIFY(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsSelectable));

    QVERIFY(!model.data(model.index(0, 1), Qt::ForegroundRole).isValid());
    QVERIFY(!model.hasTextColor(1, 2));
    QCOMPARE(model.textColor(1, 2), GridModel::kNoTextColor);
    model.setTextColor(1, 2, rgbColor(10, 20, 30));
    QVERIFY(model.hasTextColor(1, 2));
    QCOMPARE(model.textColor(1, 2), rgbColor(10, 20, 30));
    const QVariant foreground = model.data(model.index(0, 1), Qt::ForegroundRole);
    QCOMPARE(foreground.value<QColor>(), QColor(10, 20, 30));
    QCOMPARE(foreground.value<QBrush>().color(), QColor(10, 20, 30));
    model.setTextColor(1, 2, 0);
    QCOMPARE(model.data(model.index(0, 1), Qt::ForegroundRole).value<QColor>(), QColor(Qt::black));
    model.setTextColor(1, 2, GridModel::kNoTextColor);
    QVERIFY(!model.hasTextColor(1, 2));
}

void TestFlexGrid::modelKeepsTextsOnResize()
{
    GridModel model;
    model.setGridSize(3, 3);
    fill(model);
    model.setTextColor(2, 2, rgbColor(1, 2, 3));
    model.setGridSize(4, 2);
    QCOMPARE(model.text(2, 1), cellName(2, 1));
    QVERIFY(model.text(3, 1).isEmpty());
    model.setGridSize(4, 4);
    QCOMPARE(model.text(1, 1), cellName(1, 1));
    QVERIFY(model.text(2, 2).isEmpty());
    QVERIFY(!model.hasTextColor(2, 2));
}

void TestFlexGrid::bulkWriteNotifiesOnce()
{
    Fixture f(1000, 13);
    GridModel &model = *f.grid.gridModel();
    QSignalSpy data(&model, &GridModel::dataChanged);
    QSignalSpy headers(&model, &GridModel::headerDataChanged);
    QSignalSpy corner(&model, &GridModel::cornerTextChanged);

    for (int r = 1; r < 1000; ++r)
        for (int c = 3; c < 13; ++c)
            model.setTextSilently(r, c, QStringLiteral("0.5"));
    QCOMPARE(data.count(), 0);
    model.notifyChanged(1, 3, 999, 12);
    QCOMPARE(data.count(), 1);
    QCOMPARE(data.at(0).at(0).value<QModelIndex>(), model.index(0, 2));
    QCOMPARE(data.at(0).at(1).value<QModelIndex>(), model.index(998, 11));
    QCOMPARE(headers.count(), 0);
    QCOMPARE(model.text(999, 12), QStringLiteral("0.5"));

    // A block over both headers and the corner: one notification for each part.
    data.clear();
    model.notifyChanged(999, 12, 0, 0);
    QCOMPARE(data.count(), 1);
    QCOMPARE(headers.count(), 2);
    QCOMPARE(corner.count(), 1);
}

void TestFlexGrid::singleWritesNotifyTheirCell()
{
    GridModel model;
    model.setGridSize(4, 4);
    QSignalSpy data(&model, &GridModel::dataChanged);
    QSignalSpy headers(&model, &GridModel::headerDataChanged);

    model.setText(2, 3, QStringLiteral("a"));
    QCOMPARE(data.count(), 1);
    QCOMPARE(data.at(0).at(0).value<QModelIndex>(), model.index(1, 2));
    QCOMPARE(data.at(0).at(1).value<QModelIndex>(), model.index(1, 2));

    model.setText(0, 2, QStringLiteral("head"));
    QCOMPARE(data.count(), 1);
    QCOMPARE(headers.count(), 1);
    QCOMPARE(headers.at(0).at(0).value<Qt::Orientation>(), Qt::Horizontal);
    QCOMPARE(headers.at(0).at(1).toInt(), 1);
    QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("head"));

    model.setText(3, 0, QStringLiteral(" 2"));
    QCOMPARE(headers.count(), 2);
    QCOMPARE(headers.at(1).at(0).value<Qt::Orientation>(), Qt::Vertical);
    QCOMPARE(headers.at(1).at(1).toInt(), 2);

    model.setTextColor(1, 1, rgbColor(0, 0, 255));
    QCOMPARE(data.count(), 2);
    QCOMPARE(data.at(1).at(2).value<QList<int>>(), QList<int>{Qt::ForegroundRole});
}

void TestFlexGrid::currentCellAndSelectionEnd_data()
{
    QTest::addColumn<QPoint>("current"); // x is the column, y the row
    QTest::addColumn<QPoint>("end");
    QTest::addColumn<QPoint>("expectedCurrent");
    QTest::addColumn<QPoint>("expectedEnd");
    QTest::addColumn<Block>("block");

    QTest::newRow("single cell") << QPoint(3, 2) << QPoint(3, 2) << QPoint(3, 2) << QPoint(3, 2)
                                 << Block{2, 3, 2, 3};
    QTest::newRow("down right") << QPoint(2, 2) << QPoint(4, 5) << QPoint(2, 2) << QPoint(4, 5)
                                << Block{2, 2, 5, 4};
    QTest::newRow("up left") << QPoint(4, 5) << QPoint(1, 1) << QPoint(4, 5) << QPoint(1, 1)
                             << Block{1, 1, 5, 4};
    QTest::newRow("up right") << QPoint(1, 6) << QPoint(5, 3) << QPoint(1, 6) << QPoint(5, 3)
                              << Block{3, 1, 6, 5};
    QTest::newRow("end clamped to the grid")
        << QPoint(2, 2) << QPoint(40, 0) << QPoint(2, 2) << QPoint(5, 1) << Block{1, 2, 2, 5};
    QTest::newRow("header row is never current")
        << QPoint(2, 0) << QPoint(2, 0) << QPoint(1, 1) << QPoint(2, 1) << Block{1, 1, 1, 2};
    QTest::newRow("beyond the grid is ignored")
        << QPoint(6, 3) << QPoint(6, 3) << QPoint(1, 1) << QPoint(5, 3) << Block{1, 1, 3, 5};
}

void TestFlexGrid::currentCellAndSelectionEnd()
{
    QFETCH(QPoint, current);
    QFETCH(QPoint, end);
    QFETCH(QPoint, expectedCurrent);
    QFETCH(QPoint, expectedEnd);
    QFETCH(Block, block);

    Fixture f;
    f.grid.setCurrentCell(1, 1);
    f.grid.setCurrentCell(current.y(), current.x());
    f.grid.setSelectionEnd(end.y(), end.x());

    QCOMPARE(QPoint(f.grid.col(), f.grid.row()), expectedCurrent);
    QCOMPARE(QPoint(f.grid.colSel(), f.grid.rowSel()), expectedEnd);
    const Block selected = f.grid.selectedBlock();
    QCOMPARE(selected.top, block.top);
    QCOMPARE(selected.left, block.left);
    QCOMPARE(selected.bottom, block.bottom);
    QCOMPARE(selected.right, block.right);

    // The view shows exactly that block.
    const QItemSelection shown = f.grid.selectionModel()->selection();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.front().top(), block.top - 1);
    QCOMPARE(shown.front().left(), block.left - 1);
    QCOMPARE(shown.front().bottom(), block.bottom - 1);
    QCOMPARE(shown.front().right(), block.right - 1);

    // Moving the current cell collapses the selection onto it.
    f.grid.setCurrentCell(block.bottom, block.right);
    QCOMPARE(f.grid.rowSel(), block.bottom);
    QCOMPARE(f.grid.colSel(), block.right);
    QCOMPARE(f.grid.selectionModel()->selectedIndexes().size(), 1);
}

void TestFlexGrid::currentCellChangedOnlyOnChange()
{
    Fixture f;
    f.grid.setCurrentCell(1, 1);
    QSignalSpy changed(&f.grid, &FlexGrid::currentCellChanged);
    f.grid.setCurrentCell(3, 4);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(f.grid.row(), 3);
    f.grid.setCurrentCell(3, 4);
    f.grid.setSelectionEnd(5, 5);
    QCOMPARE(changed.count(), 1);
    // The same cell again collapses the selection without a change.
    f.grid.setCurrentCell(3, 4);
    QCOMPARE(f.grid.selectionModel()->selectedIndexes().size(), 1);
    QCOMPARE(changed.count(), 1);

    QTest::keyClick(&f.grid, Qt::Key_Down);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(f.grid.row(), 4);
    QCOMPARE(f.grid.col(), 4);
}

void TestFlexGrid::resizeKeepsCurrentCellInside()
{
    Fixture f;
    QCOMPARE(f.grid.row(), 1);
    QCOMPARE(f.grid.col(), 1);
    f.grid.setCurrentCell(5, 4);
    QSignalSpy changed(&f.grid, &FlexGrid::currentCellChanged);
    f.grid.setGridSize(20, 13);
    QCOMPARE(f.grid.row(), 5);
    QCOMPARE(f.grid.col(), 4);
    QCOMPARE(changed.count(), 0);
    f.grid.setGridSize(3, 3);
    QCOMPARE(f.grid.row(), 2);
    QCOMPARE(f.grid.col(), 2);
    QCOMPARE(changed.count(), 1);
    f.grid.setGridSize(1, 3);
    QCOMPARE(f.grid.row(), 0);
    QCOMPARE(f.grid.clip(), QString());
    QCOMPARE(changed.count(), 2);
}

void TestFlexGrid::clipListsSelectedBlock_data()
{
    QTest::addColumn<QPoint>("current");
    QTest::addColumn<QPoint>("end");
    QTest::addColumn<QString>("expected");

    QTest::newRow("one cell") << QPoint(2, 3) << QPoint(2, 3) << QStringLiteral("3:2");
    QTest::newRow("one row") << QPoint(1, 2) << QPoint(3, 2) << QStringLiteral("2:1\t2:2\t2:3");
    QTest::newRow("one column") << QPoint(4, 1) << QPoint(4, 3) << QStringLiteral("1:4\r2:4\r3:4");
    QTest::newRow("block") << QPoint(2, 4) << QPoint(3, 5) << QStringLiteral("4:2\t4:3\r5:2\t5:3");
    QTest::newRow("block reversed")
        << QPoint(3, 5) << QPoint(2, 4) << QStringLiteral("4:2\t4:3\r5:2\t5:3");
    QTest::newRow("block anti-diagonal")
        << QPoint(2, 5) << QPoint(3, 4) << QStringLiteral("4:2\t4:3\r5:2\t5:3");
}

void TestFlexGrid::clipListsSelectedBlock()
{
    QFETCH(QPoint, current);
    QFETCH(QPoint, end);
    QFETCH(QString, expected);

    Fixture f;
    f.grid.setCurrentCell(current.y(), current.x());
    f.grid.setSelectionEnd(end.y(), end.x());
    QCOMPARE(f.grid.clip(), expected);
}

void TestFlexGrid::setClipLaysTextIntoBlock_data()
{
    QTest::addColumn<QPoint>("current");
    QTest::addColumn<QPoint>("end");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Block>("block");
    QTest::addColumn<Edits>("edits");

    const Edits twoByTwo{{2, 2, "a"}, {2, 3, "b"}, {3, 2, "c"}, {3, 3, "d"}};
    QTest::newRow("CR LF") << QPoint(2, 2) << QPoint(2, 2) << QStringLiteral("a\tb\r\nc\td")
                           << Block{2, 2, 3, 3} << twoByTwo;
    QTest::newRow("CR") << QPoint(2, 2) << QPoint(2, 2) << QStringLiteral("a\tb\rc\td")
                        << Block{2, 2, 3, 3} << twoByTwo;
    QTest::newRow("LF") << QPoint(2, 2) << QPoint(2, 2) << QStringLiteral("a\tb\nc\td")
                        << Block{2, 2, 3, 3} << twoByTwo;
    QTest::newRow("trailing CR LF")
        << QPoint(2, 2) << QPoint(2, 2) << QStringLiteral("a\tb\r\nc\td\r\n") << Block{2, 2, 3, 3}
        << twoByTwo;
    QTest::newRow("trailing CR") << QPoint(2, 2) << QPoint(2, 2) << QStringLiteral("a\tb\rc\td\r")
                                 << Block{2, 2, 3, 3} << twoByTwo;
    QTest::newRow("only one trailing break is dropped")
        << QPoint(2, 2) << QPoint(2, 2) << QStringLiteral("a\n\n") << Block{2, 2, 3, 2}
        << Edits{{2, 2, "a"}, {3, 2, ""}};
    QTest::newRow("one cell into one cell")
        << QPoint(4, 3) << QPoint(4, 3) << QStringLiteral(" 0.25 ") << Block{3, 4, 3, 4}
        << Edits{{3, 4, " 0.25 "}};
    QTest::newRow("grows to the right edge")
        << QPoint(4, 1) << QPoint(4, 1) << QStringLiteral("a\tb\tc\td") << Block{1, 4, 1, 5}
        << Edits{{1, 4, "a"}, {1, 5, "b"}};
    QTest::newRow("grows to the bottom edge")
        << QPoint(1, 5) << QPoint(1, 5) << QStringLiteral("a\rb\rc\rd") << Block{5, 1, 6, 1}
        << Edits{{5, 1, "a"}, {6, 1, "b"}};
    QTest::newRow("ragged rows grow to the longest")
        << QPoint(1, 1) << QPoint(1, 1) << QStringLiteral("a\rb\tc\td\re\tf") << Block{1, 1, 3, 3}
        << Edits{{1, 1, "a"}, {2, 1, "b"}, {2, 2, "c"}, {2, 3, "d"}, {3, 1, "e"}, {3, 2, "f"}};
    QTest::newRow("empty cells are written")
        << QPoint(1, 1) << QPoint(1, 1) << QStringLiteral("\tx\t") << Block{1, 1, 1, 3}
        << Edits{{1, 1, ""}, {1, 2, "x"}, {1, 3, ""}};
    QTest::newRow("small text into larger block")
        << QPoint(1, 1) << QPoint(3, 3) << QStringLiteral("a\tb") << Block{1, 1, 3, 3}
        << Edits{{1, 1, "a"}, {1, 2, "b"}};
    QTest::newRow("small text into reversed block")
        << QPoint(3, 3) << QPoint(1, 1) << QStringLiteral("a\rb") << Block{1, 1, 3, 3}
        << Edits{{1, 1, "a"}, {2, 1, "b"}};
    QTest::newRow("large text into smaller block is cut")
        << QPoint(2, 2) << QPoint(3, 3) << QStringLiteral("a\tb\tx\rc\td\tx\rx\tx\tx")
        << Block{2, 2, 3, 3} << twoByTwo;
    QTest::newRow("empty text") << QPoint(2, 2) << QPoint(3, 4) << QString() << Block{2, 2, 4, 3}
                                << Edits{};
}

void TestFlexGrid::setClipLaysTextIntoBlock()
{
    QFETCH(QPoint, current);
    QFETCH(QPoint, end);
    QFETCH(QString, text);
    QFETCH(Block, block);
    QFETCH(Edits, edits);

    Fixture f;
    f.grid.setCurrentCell(current.y(), current.x());
    f.grid.setSelectionEnd(end.y(), end.x());
    QSignalSpy data(f.grid.gridModel(), &GridModel::dataChanged);
    QSignalSpy changed(&f.grid, &FlexGrid::currentCellChanged);

    const Block result = f.grid.setClip(text);
    QCOMPARE(result.top, block.top);
    QCOMPARE(result.left, block.left);
    QCOMPARE(result.bottom, block.bottom);
    QCOMPARE(result.right, block.right);
    QCOMPARE(data.count(), text.isEmpty() ? 0 : 1);
    QCOMPARE(changed.count(), 0);

    // The block is now the selection, with the current cell where it was.
    QCOMPARE(f.grid.row(), current.y());
    QCOMPARE(f.grid.col(), current.x());
    const Block selected = f.grid.selectedBlock();
    QCOMPARE(selected.top, block.top);
    QCOMPARE(selected.left, block.left);
    QCOMPARE(selected.bottom, block.bottom);
    QCOMPARE(selected.right, block.right);

    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < kCols; ++c) {
            QString expected = cellName(r, c);
            for (const Edit &edit : edits)
                if (edit.row == r && edit.col == c)
                    expected = edit.text;
            QCOMPARE(f.grid.textMatrix(r, c), expected);
        }
    }
}

void TestFlexGrid::keySignals_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("shiftState");
    QTest::addColumn<QString>("typed");

    using M = Qt::KeyboardModifiers;
    QTest::newRow("digit") << int(Qt::Key_5) << M() << "5" << 0 << "5";
    QTest::newRow("letter") << int(Qt::Key_A) << M() << "a" << 0 << "a";
    QTest::newRow("shifted letter") << int(Qt::Key_A) << M(Qt::ShiftModifier) << "A" << 1 << "A";
    QTest::newRow("space") << int(Qt::Key_Space) << M() << " " << 0 << " ";
    QTest::newRow("full stop") << int(Qt::Key_Period) << M() << "." << 0 << ".";
    QTest::newRow("non-Latin") << int(Qt::Key_Adiaeresis) << M() << QString(QChar(0xE4)) << 0
                               << QString(QChar(0xE4));
    QTest::newRow("AltGr") << int(Qt::Key_At) << M(Qt::ControlModifier | Qt::AltModifier) << "@"
                           << 6 << "@";
    QTest::newRow("Ctrl+C") << int(Qt::Key_C) << M(Qt::ControlModifier) << "c" << 2 << "";
    QTest::newRow("Ctrl+C control code")
        << int(Qt::Key_C) << M(Qt::ControlModifier) << "\x03" << 2 << "";
    QTest::newRow("Ctrl+Shift+C") << int(Qt::Key_C) << M(Qt::ControlModifier | Qt::ShiftModifier)
                                  << "C" << 3 << "";
    QTest::newRow("Ctrl+V") << int(Qt::Key_V) << M(Qt::ControlModifier) << "v" << 2 << "";
    QTest::newRow("Alt+V") << int(Qt::Key_V) << M(Qt::AltModifier) << "v" << 4 << "";
    QTest::newRow("Enter") << int(Qt::Key_Return) << M() << "\r" << 0 << "";
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << M() << "\b" << 0 << "";
    QTest::newRow("Delete") << int(Qt::Key_Delete) << M() << "\x7f" << 0 << "";
    QTest::newRow("arrow") << int(Qt::Key_Right) << M() << "" << 0 << "";
}

void TestFlexGrid::keySignals()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, text);
    QFETCH(int, shiftState);
    QFETCH(QString, typed);

    Fixture f;
    f.grid.setCurrentCell(2, 2);
    QSignalSpy keys(&f.grid, &FlexGrid::keyDown);
    QSignalSpy characters(&f.grid, &FlexGrid::characterTyped);

    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(&f.grid, &press);

    QCOMPARE(keys.count(), 1);
    QCOMPARE(keys.at(0).at(0).toInt(), key);
    QCOMPARE(keys.at(0).at(1).toInt(), shiftState);
    if (typed.isEmpty()) {
        QCOMPARE(characters.count(), 0);
    } else {
        QCOMPARE(characters.count(), 1);
        QCOMPARE(characters.at(0).at(0).value<QChar>(), typed.front());
    }
}

void TestFlexGrid::typingDoesNotSearch()
{
    Fixture f;
    f.grid.setTextMatrix(5, 2, QStringLiteral("5"));
    f.grid.setCurrentCell(1, 2);
    QSignalSpy characters(&f.grid, &FlexGrid::characterTyped);
    QSignalSpy changed(&f.grid, &FlexGrid::currentCellChanged);
    QTest::keyClicks(&f.grid, QStringLiteral("5:"));
    QCOMPARE(characters.count(), 2);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(f.grid.row(), 1);

    // Navigation keys still move the cell, and report themselves.
    QSignalSpy keys(&f.grid, &FlexGrid::keyDown);
    QTest::keyClick(&f.grid, Qt::Key_Down);
    QTest::keyClick(&f.grid, Qt::Key_Right);
    QCOMPARE(keys.count(), 2);
    QCOMPARE(f.grid.row(), 2);
    QCOMPARE(f.grid.col(), 3);
    QCOMPARE(changed.count(), 2);
}

void TestFlexGrid::copyKeyLeavesClipboardAlone()
{
    Fixture f;
    f.grid.setCurrentCell(2, 2);
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    QSignalSpy keys(&f.grid, &FlexGrid::keyDown);
    QTest::keyClick(&f.grid, Qt::Key_C, Qt::ControlModifier);
    // The Ctrl key itself comes first.
    QCOMPARE(keys.count(), 2);
    QCOMPARE(keys.at(1).at(0).toInt(), int(Qt::Key_C));
    QCOMPARE(keys.at(1).at(1).toInt(), 2);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
}

void TestFlexGrid::shiftArrowsExtendFromAnchor()
{
    Fixture f;
    f.grid.setCurrentCell(2, 2);
    QTest::keyClick(&f.grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&f.grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&f.grid, Qt::Key_Right, Qt::ShiftModifier);
    Block block = f.grid.selectedBlock();
    QCOMPARE(block.top, 2);
    QCOMPARE(block.left, 2);
    QCOMPARE(block.bottom, 4);
    QCOMPARE(block.right, 3);
    QCOMPARE(f.grid.selectionModel()->selectedIndexes().size(), 6);
    // One corner is the current cell, the other the selection end.
    QCOMPARE(QPoint(f.grid.col(), f.grid.row()), QPoint(3, 4));
    QCOMPARE(QPoint(f.grid.colSel(), f.grid.rowSel()), QPoint(2, 2));
    QCOMPARE(f.grid.clip(), QStringLiteral("2:2\t2:3\r3:2\t3:3\r4:2\t4:3"));

    QTest::keyClick(&f.grid, Qt::Key_Up, Qt::ShiftModifier);
    QTest::keyClick(&f.grid, Qt::Key_Up, Qt::ShiftModifier);
    QTest::keyClick(&f.grid, Qt::Key_Up, Qt::ShiftModifier);
    block = f.grid.selectedBlock();
    QCOMPARE(block.top, 1);
    QCOMPARE(block.bottom, 2);
    QCOMPARE(f.grid.selectionModel()->selectedIndexes().size(), 4);

    QTest::keyClick(&f.grid, Qt::Key_Down);
    QCOMPARE(f.grid.selectionModel()->selectedIndexes().size(), 1);
    QCOMPARE(f.grid.rowSel(), f.grid.row());
    QCOMPARE(f.grid.colSel(), f.grid.col());
}

void TestFlexGrid::mouseClickAndDoubleClick()
{
    Fixture f;
    f.show();
    QSignalSpy clicked(&f.grid, &FlexGrid::cellClicked);
    QSignalSpy doubleClicked(&f.grid, &FlexGrid::cellDoubleClicked);
    QSignalSpy changed(&f.grid, &FlexGrid::currentCellChanged);

    int rowAtClick = 0;
    connect(&f.grid, &FlexGrid::cellClicked, &f.grid, [&] { rowAtClick = f.grid.row(); });
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.cellCenter(3, 2));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(rowAtClick, 3);
    QCOMPARE(f.grid.col(), 2);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(doubleClicked.count(), 0);

    int colAtDoubleClick = 0;
    connect(&f.grid, &FlexGrid::cellDoubleClicked, &f.grid,
            [&] { colAtDoubleClick = f.grid.col(); });
    // The platform's sequence: press, release, double click, release.
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.cellCenter(4, 3));
    QTest::mouseDClick(f.grid.viewport(), Qt::LeftButton, {}, f.cellCenter(4, 3));
    QTest::mouseRelease(f.grid.viewport(), Qt::LeftButton, {}, f.cellCenter(4, 3));
    QCOMPARE(clicked.count(), 2);
    QCOMPARE(doubleClicked.count(), 1);
    QCOMPARE(colAtDoubleClick, 3);
    QCOMPARE(f.grid.row(), 4);

    // Below the last row there is no cell.
    f.grid.setGridSize(3, kCols);
    const int clicks = clicked.count();
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {},
                      QPoint(5, f.grid.viewport()->height() - 2));
    QCOMPARE(clicked.count(), clicks);
    QCOMPARE(f.grid.selectionModel()->selectedIndexes().size(), 1);
}

void TestFlexGrid::moveThatStaysCollapsesBlock_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("key"); // 0: a click on the current cell
    QTest::newRow("click on current cell") << 5 << 4 << 0;
    QTest::newRow("Home on first column") << 5 << 1 << int(Qt::Key_Home);
    QTest::newRow("Up on first row") << 1 << 4 << int(Qt::Key_Up);
    QTest::newRow("Down on last row") << kRows - 1 << 4 << int(Qt::Key_Down);
}

// A block selected earlier must not survive a click or a move that leaves the current cell
// where it is: the next paste would fill the whole old block.
void TestFlexGrid::moveThatStaysCollapsesBlock()
{
    QFETCH(int, row);
    QFETCH(int, col);
    QFETCH(int, key);
    Fixture f;
    f.show();
    f.grid.setCurrentCell(row, col);
    f.grid.setSelectionEnd(row == 1 ? 3 : row - 2, col == 1 ? 3 : col - 1);
    if (key == 0)
        QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.cellCenter(row, col));
    else
        QTest::keyClick(&f.grid, Qt::Key(key));
    QCOMPARE(f.grid.row(), row);
    QCOMPARE(f.grid.col(), col);
    QCOMPARE(f.grid.rowSel(), row);
    QCOMPARE(f.grid.colSel(), col);
    QCOMPARE(f.grid.selectionModel()->selectedIndexes().size(), 1);
}

void TestFlexGrid::shiftClickAndDragSelectBlocks()
{
    Fixture f;
    f.show();
    f.grid.setCurrentCell(2, 2);
    // Moved by keyboard: the anchor follows the current cell, not the last click.
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.cellCenter(5, 5));
    QTest::keyClick(&f.grid, Qt::Key_Up);
    QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, Qt::ShiftModifier, f.cellCenter(2, 3));
    Block block = f.grid.selectedBlock();
    QCOMPARE(block.top, 2);
    QCOMPARE(block.left, 3);
    QCOMPARE(block.bottom, 4);
    QCOMPARE(block.right, 5);
    QCOMPARE(f.grid.selectionModel()->selectedIndexes().size(), 9);

    QSignalSpy clicked(&f.grid, &FlexGrid::cellClicked);
    QTest::mousePress(f.grid.viewport(), Qt::LeftButton, {}, f.cellCenter(5, 4));
    QTest::mouseMove(f.grid.viewport(), f.cellCenter(4, 3));
    QTest::mouseMove(f.grid.viewport(), f.cellCenter(3, 2));
    QTest::mouseRelease(f.grid.viewport(), Qt::LeftButton, {}, f.cellCenter(3, 2));
    block = f.grid.selectedBlock();
    QCOMPARE(block.top, 3);
    QCOMPARE(block.left, 2);
    QCOMPARE(block.bottom, 5);
    QCOMPARE(block.right, 4);
    QCOMPARE(f.grid.selectionModel()->selectedIndexes().size(), 9);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(f.grid.clip(), QStringLiteral("3:2\t3:3\t3:4\r4:2\t4:3\t4:4\r5:2\t5:3\t5:4"));
}

void TestFlexGrid::headerClickSelectsWholeRow()
{
    Fixture f;
    f.show();
    QHeaderView *header = f.grid.verticalHeader();
    const QPoint onRow3(header->width() / 2,
                        header->sectionViewportPosition(2) + header->sectionSize(2) / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onRow3);
    QCOMPARE(f.grid.row(), 3);
    QCOMPARE(f.grid.col(), 1);
    QCOMPARE(f.grid.rowSel(), 3);
    QCOMPARE(f.grid.colSel(), kCols - 1);
    QCOMPARE(f.grid.selectionModel()->selectedIndexes().size(), kCols - 1);

    f.grid.selectAll();
    QCOMPARE(f.grid.selectionModel()->selectedIndexes().size(), (kRows - 1) * (kCols - 1));
    QCOMPARE(f.grid.row(), 1);
    QCOMPARE(f.grid.rowSel(), kRows - 1);
}

void TestFlexGrid::headerClickSelectsWholeColumnInPlace()
{
    Fixture f(1000, kCols);
    f.show();
    f.grid.setCurrentCell(500, 2);
    const int scrolled = f.grid.verticalScrollBar()->value();
    QVERIFY(scrolled > 0);
    QHeaderView *header = f.grid.horizontalHeader();
    const QPoint onColumn4(header->sectionViewportPosition(3) + header->sectionSize(3) / 2,
                           header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onColumn4);
    const Block block = f.grid.selectedBlock();
    QCOMPARE(block.top, 1);
    QCOMPARE(block.left, 4);
    QCOMPARE(block.bottom, 999);
    QCOMPARE(block.right, 4);
    QCOMPARE(f.grid.verticalScrollBar()->value(), scrolled);
}

void TestFlexGrid::twipsToPixels_data()
{
    QTest::addColumn<int>("twips");
    QTest::addColumn<double>("dpi");
    QTest::addColumn<int>("pixels");

    QTest::newRow("number column") << 500 << 96.0 << 33;
    QTest::newRow("swatch column") << 600 << 96.0 << 40;
    QTest::newRow("one inch") << 1440 << 96.0 << 96;
    QTest::newRow("150 percent") << 500 << 144.0 << 50;
    QTest::newRow("120 dpi") << 500 << 120.0 << 42;
    QTest::newRow("rounds down") << 7 << 96.0 << 0;
    QTest::newRow("rounds up") << 8 << 96.0 << 1;
    QTest::newRow("zero") << 0 << 96.0 << 0;
}

void TestFlexGrid::twipsToPixels()
{
    QFETCH(int, twips);
    QFETCH(double, dpi);
    QFETCH(int, pixels);
    QCOMPARE(FlexGrid::twipsToPixels(twips, dpi), pixels);
}

void TestFlexGrid::columnWidthsApplyToView()
{
    Fixture f(kRows, 13);
    const int dpi = f.grid.logicalDpiX();
    f.grid.setColWidthTwips(0, 500);
    f.grid.setColWidthTwips(1, 2900);
    f.grid.setColWidthTwips(3, 500);
    QCOMPARE(f.grid.colWidthTwips(1), 2900);
    QCOMPARE(f.grid.colWidthTwips(13), 0);
    QCOMPARE(f.grid.columnWidth(0), FlexGrid::twipsToPixels(2900, dpi));
    QCOMPARE(f.grid.columnWidth(2), FlexGrid::twipsToPixels(500, dpi));

    // Widths survive a change of the grid's size.
    f.grid.setGridSize(1000, 13);
    QCOMPARE(f.grid.columnWidth(2), FlexGrid::twipsToPixels(500, dpi));

    f.show();
    QHeaderView *header = f.grid.verticalHeader();
    QCOMPARE(header->width(), FlexGrid::twipsToPixels(500, dpi));
    // The cells start where the number column ends.
    QCOMPARE(f.grid.viewport()->geometry().left(), header->geometry().right() + 1);
}

void TestFlexGrid::rowsAreCompact()
{
    Fixture f(1000, 13);
    QHeaderView *header = f.grid.verticalHeader();
    QCOMPARE(header->defaultSectionSize(), f.grid.fontMetrics().height() + 4);
    QCOMPARE(header->sectionSize(998), header->defaultSectionSize());
    QCOMPARE(header->sectionResizeMode(0), QHeaderView::Fixed);
    QCOMPARE(f.grid.horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    QCOMPARE(f.grid.editTriggers(), QAbstractItemView::NoEditTriggers);
}

void TestFlexGrid::bulkPathsAreFast()
{
    Fixture f(1000, 13);
    f.show();
    GridModel &model = *f.grid.gridModel();
    QStringList values;
    for (int i = 0; i < 1000; ++i)
        values << QString::number(i / 1000.0, 'f', 3);

    QElapsedTimer timer;
    timer.start();
    for (int r = 1; r < 1000; ++r)
        for (int c = 3; c < 13; ++c)
            model.setTextSilently(r, c, values.at(r));
    model.notifyChanged(1, 3, 999, 12);
    const double writeMs = timer.nsecsElapsed() / 1e6;

    f.grid.setCurrentCell(999, 12);
    f.grid.setSelectionEnd(1, 1);
    timer.restart();
    const QString all = f.grid.clip();
    const double clipMs = timer.nsecsElapsed() / 1e6;
    QCOMPARE(all.count(QLatin1Char('\r')), 998);

    f.grid.setCurrentCell(1, 3);
    QString block;
    for (int r = 0; r < 999; ++r)
        block += QStringLiteral("0.1\t0.2\t0.3\t0.4\t0.5\t0.6\t0.7\t0.8\t0.9\t1.0\r\n");
    timer.restart();
    const Block pasted = f.grid.setClip(block);
    const double pasteMs = timer.nsecsElapsed() / 1e6;
    QCOMPARE(pasted.bottom, 999);
    QCOMPARE(pasted.right, 12);
    QCOMPARE(model.text(999, 12), QStringLiteral("1.0"));

    qInfo("write 999x10: %.2f ms, clip 999x12: %.2f ms, setClip 999x10: %.2f ms", writeMs, clipMs,
          pasteMs);
    // Generous bounds: they catch per-cell notifications, not a busy machine.
    QVERIFY(writeMs < 100);
    QVERIFY(clipMs < 200);
    QVERIFY(pasteMs < 300);
}

QTEST_MAIN(TestFlexGrid)
#include "tst_flexgrid.moc"
