#include "FindBar.h"
#include "LibraryFiles.h"
#include "WindowFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

using namespace quillon;
using quillon::testing::WindowFixture;

class TestWindowEdit : public QObject {
    Q_OBJECT
private slots:
    void init() { QGuiApplication::clipboard()->clear(); }
    void typingNamesAndColours();
    void clipboardAndUndo();
    void rightClickKeepsBlock();
    void textFieldsKeepUndoKeys_data();
    void textFieldsKeepUndoKeys();
    void findAndCompare();
    void saving();
};

void TestWindowEdit::typingNamesAndColours()
{
    WindowFixture f;
    f.load();
    f.clickCell(2, 5);
    const QString before = f.text(2, 5);
    QTest::keyClicks(f.grid(), u"5"_qs); // replaces the text, the cursor after it
    QVERIFY(f.cell()->hasFocus());
    QTest::keyClicks(f.cell(), u"7"_qs);
    QCOMPARE(f.cell()->text(), u"57"_qs);
    QCOMPARE(f.text(2, 5), before);
    f.clickCell(2, 5); // drops the pending entry
    QCOMPARE(f.cell()->text(), before);
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Escape}) // nothing on the table
        QTest::keyClick(f.grid(), key);
    QCOMPARE(f.cell()->text(), before);
    QVERIFY(f.grid()->hasFocus());

    f.enter(3, 1, u"  Dense, heavy brick  "_qs);
    QCOMPARE(f.library().materialNames[3], QByteArray("  Dense, heavy brick  "));
    QVERIFY(f.dialogs->messages.empty());
    f.enter(4, 1, QString::fromUtf8("Beton \u00e9tude \u2013 \u4e2d"));
    QCOMPARE(f.library().materialNames[4], QByteArray("Beton \xe9tude \x96 ?"));
    QCOMPARE(f.dialogs->messages.size(), size_t(1));
    const int beeps = f.dialogs->beeps;
    f.enter(3, 5, u"1e999"_qs); // refused: a beep, and the focus stays in the editor
    QVERIFY(f.dialogs->beeps == beeps + 1 && f.cell()->hasFocus());

    // The swatch: cancelled, then chosen; a bar in the editor, not missing glyphs.
    const MaterialColor old = f.library().materialColors[4];
    const MaterialColor chosen = rgbColor(12, 34, 56);
    f.dialogs->colorAnswers = {std::nullopt, chosen};
    for (const MaterialColor expected : {old, chosen}) {
        f.doubleClickCell(4, 2);
        QCOMPARE(f.dialogs->colorRequests.back(), old);
        QCOMPARE(f.library().materialColors[4], expected);
        QCOMPARE(f.swatchColor(4), expected);
        QCOMPARE(f.cell()->text(), QString(12, QChar(0x2588)));
        QVERIFY(f.grid()->hasFocus());
    }
    f.doubleClickCell(4, 5); // not a swatch: no chooser
    QCOMPARE(f.dialogs->colorRequests.size(), size_t(2));
}

void TestWindowEdit::clipboardAndUndo()
{
    WindowFixture f;
    MaterialTableView *g = f.grid();
    QGuiApplication::clipboard()->setText(u"0.7"_qs);
    f.click("pasteButton"); // before loading nothing applies
    f.click("copyButton");
    f.rightClickCell(3, 3);
    QCOMPARE(f.dialogs->menuEnabled.back(), (QList<bool>{false, false, false, false, true, true}));
    QCOMPARE(f.library().materialCount, 0);
    f.load();
    f.select(1, 3, 1, 3); // the clipboard keys take Ctrl alone
    QTest::keyClick(f.grid(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(f.grid(), Qt::Key_V, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"0.7"_qs);
    QCOMPARE(f.text(1, 3), u"0.010"_qs);

    // A copy gives the block selected from bottom right to top left.
    f.select(3, 4, 2, 1);
    g->setFocus(); // the clipboard keys belong to the focused table
    QTest::keyClick(g, Qt::Key_C, Qt::ControlModifier);
    const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
    QVERIFY(copied->text().startsWith(f.text(2, 1) + u'\t'));
    QCOMPARE(copied->text().split(u'\r').size(), 2);

    const float old = f.alpha(2, 1);
    f.enter(2, 3, u"0.9"_qs);
    f.rightClickCell(3, 3);
    QCOMPARE(f.dialogs->menus.back(), (QStringList{u"Undo entry of 0.9 in material 1 at 31.5 Hz"_qs,
                                                   u"Redo"_qs, u"Copy"_qs, u"Paste"_qs,
                                                   u"Open Library\u2026"_qs,
                                                   u"Open Library Read-Only\u2026"_qs}));
    QCOMPARE(f.dialogs->menuEnabled.back(), (QList<bool>{true, false, true, true, true, true}));
    f.dialogs->menuAnswers = {0}; // "Undo ..."
    f.rightClickCell(3, 3);
    QCOMPARE(f.alpha(2, 1), old);
    for (const QKeySequence &redo :
         {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}) {
        QTest::keySequence(f.grid(), redo);
        QCOMPARE(f.alpha(2, 1), 0.9f);
        QTest::keySequence(f.window.get(), QKeySequence::Undo);
        QCOMPARE(f.alpha(2, 1), old);
    }
    // Undo and redo put the selection back where their step was made.
    QGuiApplication::clipboard()->setText(u"0.1\t0.2\r0.3\t0.4"_qs);
    f.select(3, 4, 3, 4);
    f.click("pasteButton");
    for (const auto keys : {QKeySequence::Undo, QKeySequence::Redo}) {
        f.clickCell(6, 6);
        QTest::keySequence(f.window.get(), keys);
        QCOMPARE(f.selection(), (QList<int>{3, 4, 4, 5}));
    }

    // A datasheet's table pastes by frequency from the current cell's row, whatever its column;
    // a name the files cannot hold is reported before the paste's own report.
    QGuiApplication::clipboard()->setText(
        u"Material\t125 Hz\t250 Hz\t500 Hz\rFelt\t0.1\t0.2\t0.3\rFoam \u4e2d\t0.4\t0.5\t0.6"_qs);
    f.select(31, 7, 31, 7);
    const size_t shown = f.dialogs->messages.size();
    f.click("pasteButton");
    QCOMPARE(f.selection(), (QList<int>{31, 1, 32, 12}));
    QCOMPARE(f.dialogs->messages.size(), shown + 2);
    QVERIFY(f.dialogs->messages[shown].text.contains(u"cannot store"));
    QVERIFY(f.dialogs->messages.back().text.startsWith(u"2 materials of octave data"));
}

void TestWindowEdit::rightClickKeepsBlock()
{
    WindowFixture f;
    f.load();
    MaterialTableView *g = f.grid();
    auto block = [&] {
        const CellRange b = g->selectedRange();
        return QList<int>{f.row(),      f.col(),        b.top() + 1,
                          b.left() + 1, b.bottom() + 1, b.right() + 1};
    };
    // Materials 4 to 6 at 125 and 250 Hz; the menu's Copy, then its Paste into 10 to 12.
    f.clickCell(5, 5);
    QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::ShiftModifier, f.cellCenter(7, 6));
    const QList<int> dragged = block();
    QCOMPARE(dragged.mid(2), (QList<int>{5, 5, 7, 6}));
    f.click("copyButton");
    const QString byButton = QGuiApplication::clipboard()->text();
    QGuiApplication::clipboard()->clear();
    f.dialogs->menuAnswers = {2, 3, std::nullopt};
    f.rightClickCell(6, 6);
    QCOMPARE(block(), dragged);
    QCOMPARE(QGuiApplication::clipboard()->text(), byButton);
    f.clickCell(11, 5);
    QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::ShiftModifier, f.cellCenter(13, 6));
    f.rightClickCell(13, 5);
    QCOMPARE(block(), (QList<int>{13, 6, 11, 5, 13, 6}));
    for (int n = 11; n <= 13; ++n)
        QCOMPARE(f.alpha(n, 4), f.alpha(n - 6, 4));
    f.rightClickCell(20, 7); // outside the block: the current cell moves there first
    QCOMPARE(block(), (QList<int>{20, 7, 20, 7, 20, 7}));
}

void TestWindowEdit::textFieldsKeepUndoKeys_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QKeySequence>("keys");
    // Both fields share one key filter: each key once is enough.
    QTest::newRow("cellEditor Ctrl+Y") << u"cellEditor"_qs << QKeySequence(Qt::CTRL | Qt::Key_Y);
    QTest::newRow("FindBar Ctrl+Shift+Z")
        << u"FindBar"_qs << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
}

void TestWindowEdit::textFieldsKeepUndoKeys()
{
    QFETCH(QString, field);
    QFETCH(QKeySequence, keys);
    WindowFixture f;
    f.load();
    f.enter(2, 3, u"0.9"_qs);
    QTest::keySequence(f.grid(), QKeySequence::Undo); // a library step to redo
    QTest::keySequence(f.grid(),
                       field == u"cellEditor" ? QKeySequence(u"0"_qs) : QKeySequence::Find);
    auto *edit = f.control<QLineEdit>(field.toLatin1().constData());
    QTest::keyClicks(edit, field == u"cellEditor" ? u".45"_qs : u"0.45"_qs);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier); // takes the erase back
    QCOMPARE(edit->text(), u"0.45"_qs);
    QTest::keySequence(edit, keys); // and erases again
    QCOMPARE(f.alpha(2, 1), 0.01f);
    QCOMPARE(edit->text(), u"0.4"_qs);
}

void TestWindowEdit::findAndCompare()
{
    WindowFixture f(
        "  0  B\xe9ton brut,   0.1\r\n  1  Plaster,   0.2\r\n  2  Beton light,   0.3\r\n",
        " 255 \r\n 65280 \r\n 16711680 \r\n");
    f.load();
    auto *find = f.window->findChild<FindBar *>(u"FindBar"_qs);
    QTest::keySequence(f.grid(), QKeySequence::Find);
    QVERIFY(find->isVisible() && find->hasFocus());
    QTest::keyClicks(find, u"beton"_qs); // accents and case do not matter
    QCOMPARE(f.row(), 1);
    QTest::keyClicks(find, u"x"_qs);
    QVERIFY(find->isNotFoundShown() && f.dialogs->messages.empty());
    QCOMPARE(f.row(), 1);
    QTest::keyClick(find, Qt::Key_Backspace);
    QTest::keyClick(find, Qt::Key_Escape);
    QVERIFY(!find->isVisible() && f.grid()->hasFocus());
    // F3 and Shift+F3 go on from anywhere, also once the field has closed.
    for (const auto &[key, row] :
         {std::pair{QKeySequence::FindNext, 3}, {QKeySequence::FindPrevious, 1}}) {
        QTest::keySequence(f.button("copyButton"), key);
        QCOMPARE(f.row(), row);
    }

    // A block over several materials compares them; one row shows the single spectrum again.
    SpectrumChart *chart = f.chart();
    f.clickCell(1, 4);
    QTest::mouseClick(f.grid()->viewport(), Qt::LeftButton, Qt::ShiftModifier, f.cellCenter(3, 6));
    QVERIFY(chart->isComparing() && chart->seriesCount() == 3); // what it draws: tst_spectrumchart
    f.clickCell(2, 4);
    QVERIFY(!chart->isComparing() && chart->seriesCount() == 1);
}

void TestWindowEdit::saving()
{
    WindowFixture f("  0  Plaster,   0.1\r\n  1  Brick,   0.5\r\n  2  Wool,   0.9\r\n",
                    " 255 \r\n 0 \r\n");
    f.load();
    f.dialogs->messages.clear(); // the load reports a colour less than materials
    f.enter(2, 3, u"0.25"_qs);
    f.click("updateFileButton");
    QVERIFY(f.dialogs->messages.empty());
    QVERIFY(f.readFile(u"Korvane.mat"_qs).contains(" 0.250 "));
    QVERIFY(!f.window->isWindowModified());

    // A failed save is reported as an error, and the document stays unsaved.
    f.enter(1, 3, u"0.77"_qs);
    // Writes past the limit fail with EFBIG, for root as for anyone.
    signal(SIGXFSZ, SIG_IGN);
    rlimit oldLimit{};
    getrlimit(RLIMIT_FSIZE, &oldLimit);
    const rlimit small{256, oldLimit.rlim_max};
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    f.click("updateFileButton");
    setrlimit(RLIMIT_FSIZE, &oldLimit);
    QCOMPARE(f.dialogs->messages.size(), size_t(1));
    QVERIFY(f.dialogs->messages.front().text.contains(u"Korvane.mat"_qs) &&
            f.dialogs->messages.front().icon == QMessageBox::Critical);
    QVERIFY(f.window->isWindowModified());

    // Another program's edit, then the read-only mark, are asked about, No by default.
    const QByteArray theirs = "  0  Added elsewhere,   0.5\r\n";
    f.writeFile(u"Korvane.mat"_qs, theirs);
    QVERIFY(QFile::setPermissions(f.folder.filePath(u"korcolor.mat"_qs), QFile::ReadOwner));
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        f.dialogs->answers = {answer, answer};
        f.click("updateFileButton");
        QVERIFY(f.dialogs->messages.back().text.contains(
            answer == QMessageBox::No ? u"Korvane.mat"_qs : u"read-only"_qs));
        const FakeDialogs::Message &asked = f.dialogs->messages.back();
        QVERIFY(asked.icon == QMessageBox::Warning && asked.buttons == kYesNo &&
                asked.defaultButton == QMessageBox::No);
        QCOMPARE(f.readFile(u"Korvane.mat"_qs) == theirs, answer == QMessageBox::No);
    }
    QVERIFY(QFile::setPermissions(f.folder.filePath(u"korcolor.mat"_qs),
                                  QFile::ReadOwner | QFile::WriteOwner));
    const size_t asked = f.dialogs->messages.size();
    f.click("updateFileButton"); // the next save asks nothing
    QCOMPARE(f.dialogs->messages.size(), asked);
}

QTEST_MAIN(TestWindowEdit)
#include "tst_windowedit.moc"
