#include "FindBar.h"
#include "LibraryFiles.h"
#include "NumberFormat.h"
#include "SpreadsheetExchange.h"
#include "WindowFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

using namespace quillon;
using quillon::testing::WindowFixture;

namespace {

QByteArray sampleMaterials() { return WindowFixture::sampleFile("Korvane.mat"); }
QByteArray sampleColors() { return WindowFixture::sampleFile("korcolor.mat"); }

// The values a tab edits; Sabine values are stored as alpha.
float tabValue(const MaterialLibrary &lib, int tab, int row, int band)
{
    const auto n = static_cast<size_t>(row);
    const BandRow &values = tab == 3   ? lib.insulationR[n]
                            : tab == 4 ? lib.scattering[n]
                                       : lib.alphaR[n];
    return values[static_cast<size_t>(band)];
}

} // namespace

class TestWindowEdit : public QObject {
    Q_OBJECT
private slots:
    void init() { QGuiApplication::clipboard()->clear(); }
    void typingNamesAndColours();
    void enterStoresByTab_data();
    void enterStoresByTab();
    void clipboardAndUndo();
    void rightClickKeepsBlock();
    void textFieldsKeepUndoKeys_data();
    void textFieldsKeepUndoKeys();
    void findAndCompare();
    void saving();
};

void TestWindowEdit::typingNamesAndColours()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    f.clickCell(2, 5);
    const QString before = f.grid()->textMatrix(2, 5);
    QTest::keyClicks(f.grid(), u"5"_qs); // replaces the text, the cursor after it
    QVERIFY(f.cell()->hasFocus());
    QTest::keyClicks(f.cell(), u"7"_qs);
    QCOMPARE(f.cell()->text(), u"57"_qs);
    QCOMPARE(f.grid()->textMatrix(2, 5), before);
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

    // The swatch: cancelled, then chosen; a bar in the editor, not missing glyphs.
    const MaterialColor old = f.library().materialColors[4];
    const MaterialColor chosen = rgbColor(12, 34, 56);
    f.dialogs->colorAnswers = {std::nullopt, chosen};
    for (const MaterialColor expected : {old, chosen}) {
        f.doubleClickCell(4, 2);
        QCOMPARE(f.dialogs->colorRequests.back(), old);
        QCOMPARE(f.library().materialColors[4], expected);
        QCOMPARE(f.grid()->gridModel()->textColor(4, 2), expected);
        QCOMPARE(f.cell()->text(), QString(12, QChar(0x2588)));
        QCOMPARE(f.grid()->textMatrix(4, 2), QString(12, QChar(0x7F)));
        QVERIFY(f.grid()->hasFocus());
    }
    f.doubleClickCell(4, 5); // not a swatch: no chooser
    QCOMPARE(f.dialogs->colorRequests.size(), size_t(2));
}

void TestWindowEdit::enterStoresByTab_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("shown"); // empty: refused with a beep, nothing stored
    QTest::addColumn<float>("stored");
    QTest::addColumn<int>("flags"); // how many of hasAlpha, hasInsulation, hasScattering are set
    QTest::newRow("True 0.12345") << 1 << "0.12345" << "0.123" << 0.123f << 1;
    QTest::newRow("Sabine 1") << 2 << "1" << "1.0" << float(0.7466777) << 1;
    QTest::newRow("insulation 45") << 3 << "45" << "45.0" << 45.0f << 2;
    QTest::newRow("scattering 0.3") << 4 << "0.3" << "0.3" << 0.3f << 3;
    QTest::newRow("Sabine below limit") << 2 << "-0.7" << "" << 0.0f << 0;
    QTest::newRow("overflow") << 1 << "1e999" << "" << 0.0f << 0;
    QTest::newRow("beyond float") << 3 << "1e39" << "" << 0.0f << 0;
}

void TestWindowEdit::enterStoresByTab()
{
    QFETCH(int, tab);
    QFETCH(QString, entry);
    QFETCH(QString, shown);
    QFETCH(float, stored);
    QFETCH(int, flags);
    WindowFixture f(sampleMaterials() + "  30  Blank,   \r\n", sampleColors());
    f.load();
    const int n = f.library().materialCount;
    f.selectTab(tab);
    const QByteArray before = writeMaterialFile(f.library());
    f.enter(n, 7, entry);
    const MaterialLibrary &lib = f.library();
    const auto slot = static_cast<size_t>(n);
    QCOMPARE((QList<bool>{lib.hasAlpha[slot], lib.hasInsulation[slot], lib.hasScattering[slot]}),
             (QList<bool>{flags > 0, flags > 1, flags > 2}));
    if (shown.isEmpty()) {
        QCOMPARE(f.dialogs->beeps, 3); // two refreshes, one refusal
        QCOMPARE(f.grid()->textMatrix(n, 7), QString());
        QCOMPARE(writeMaterialFile(lib), before);
        return;
    }
    QCOMPARE(f.grid()->textMatrix(n, 7), shown);
    QVERIFY(f.grid()->hasFocus());
    QVERIFY(qAbs(tabValue(lib, tab, n, 5) - stored) < 1e-7);
    QVERIFY(qAbs(f.chart()->pointValue(5) - parseLeadingNumber(QStringView(shown))) < 1e-6);
}

void TestWindowEdit::clipboardAndUndo()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    FlexGrid *g = f.grid();
    QGuiApplication::clipboard()->setText(u"0.7"_qs);
    f.click("Paste"); // before loading nothing applies
    f.click("Copy");
    f.rightClickCell(3, 3);
    QCOMPARE(f.dialogs->menuEnabled.back(), (QList<bool>{false, false, false, false}));
    QCOMPARE(f.library().materialCount, 0);
    f.load();
    f.grid()->setCurrentCell(1, 3); // the clipboard keys take Ctrl alone
    QTest::keyClick(f.grid(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(f.grid(), Qt::Key_V, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"0.7"_qs);
    QCOMPARE(f.grid()->textMatrix(1, 3), u"0.010"_qs);

    // Copies give text and SYLK of the block, selected from bottom right to top left.
    g->setCurrentCell(3, 4);
    g->setSelectionEnd(2, 1);
    QTest::keyClick(g, Qt::Key_C, Qt::ControlModifier);
    const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
    QVERIFY(copied->text().startsWith(g->textMatrix(2, 1) + u'\t'));
    QCOMPARE(copied->text().split(u'\r').size(), 2);
    const QString sylkType = QString::fromLatin1(kSylkMimeType);
    const auto block = readSylk(copied->data(sylkType));
    QVERIFY(block && block->rows == 2 && block->cols == 4);

    // The SYLK flavour wins and keeps every digit; a broken one falls back to the text.
    const QList<QPair<QByteArray, float>> offers = {
        {"ID;PCALCOOO32\nC;X1;Y1;K0.1234567\nE\n", 0.1234567f}, {"ID;P\nC;X1;Y1;K", 0.3f}};
    for (const auto &[sylk, stored] : offers) {
        auto *data = new QMimeData;
        data->setText(u"0.3"_qs);
        data->setData(sylkType, sylk);
        QGuiApplication::clipboard()->setMimeData(data);
        g->setCurrentCell(5, 5);
        f.click("Paste");
        QCOMPARE(f.alpha(5, 3), stored);
    }

    const float old = f.alpha(2, 1);
    f.enter(2, 3, u"0.9"_qs);
    f.rightClickCell(3, 3);
    QCOMPARE(f.dialogs->menus.back(), (QStringList{u"Undo entry of 0.9 in material 1 at 31.5 Hz"_qs,
                                                   u"Redo"_qs, u"Copy"_qs, u"Paste"_qs}));
    QCOMPARE(f.dialogs->menuEnabled.back(), (QList<bool>{true, false, true, true}));
    f.dialogs->menuAnswers = {0}; // "Undo ..."
    f.rightClickCell(3, 3);
    QCOMPARE(f.alpha(2, 1), old);
    QCOMPARE(f.grid()->textMatrix(2, 3), formatNumber(old, u"#0.000"));
    for (const QKeySequence &redo :
         {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}) {
        QTest::keySequence(f.grid(), redo);
        QCOMPARE(f.alpha(2, 1), 0.9f);
        QTest::keySequence(f.window.get(), QKeySequence::Undo);
        QCOMPARE(f.alpha(2, 1), old);
    }
}

void TestWindowEdit::rightClickKeepsBlock()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    FlexGrid *g = f.grid();
    auto block = [&] {
        const FlexGrid::Block b = g->selectedBlock();
        return QList<int>{g->row(), g->col(), b.top, b.left, b.bottom, b.right};
    };
    // Materials 4 to 6 at 125 and 250 Hz; the menu's Copy, then its Paste into 10 to 12.
    f.clickCell(5, 5);
    QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::ShiftModifier, f.cellCenter(7, 6));
    const QList<int> dragged = block();
    QCOMPARE(dragged.mid(2), (QList<int>{5, 5, 7, 6}));
    f.click("Copy");
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
    for (const char *field : {"Cell", "FindBar"}) {
        QTest::addRow("%s Ctrl+Y", field)
            << QString::fromLatin1(field) << QKeySequence(Qt::CTRL | Qt::Key_Y);
        QTest::addRow("%s Ctrl+Shift+Z", field)
            << QString::fromLatin1(field) << QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    }
}

void TestWindowEdit::textFieldsKeepUndoKeys()
{
    QFETCH(QString, field);
    QFETCH(QKeySequence, keys);
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    f.enter(2, 3, u"0.9"_qs);
    QTest::keySequence(f.grid(), QKeySequence::Undo); // a library step to redo
    QTest::keySequence(f.grid(), field == u"Cell" ? QKeySequence(u"0"_qs) : QKeySequence::Find);
    auto *edit = f.control<QLineEdit>(field.toLatin1().constData());
    QTest::keyClicks(edit, field == u"Cell" ? u".45"_qs : u"0.45"_qs);
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
    QCOMPARE(f.grid()->row(), 1);
    QTest::keyClicks(find, u"x"_qs);
    QVERIFY(find->isNotFoundShown() && f.dialogs->messages.empty());
    QCOMPARE(f.grid()->row(), 1);
    QTest::keyClick(find, Qt::Key_Backspace);
    QTest::keyClick(find, Qt::Key_Escape);
    QVERIFY(!find->isVisible() && f.grid()->hasFocus());
    // F3 and Shift+F3 go on from anywhere, also once the field has closed.
    for (const auto &[key, row] :
         {std::pair{QKeySequence::FindNext, 3}, {QKeySequence::FindPrevious, 1}}) {
        QTest::keySequence(f.button("Copy"), key);
        QCOMPARE(f.grid()->row(), row);
    }

    // A block over several materials compares them; one row shows the single spectrum again.
    SpectrumChart *chart = f.chart();
    f.clickCell(1, 4);
    QTest::mouseClick(f.grid()->viewport(), Qt::LeftButton, Qt::ShiftModifier, f.cellCenter(3, 6));
    QVERIFY(chart->isComparing());
    QCOMPARE(chart->legendNames(),
             (QStringList{u"B\u00e9ton brut"_qs, u"Plaster"_qs, u"Beton light"_qs}));
    QCOMPARE(chart->barColor(3), QColor(0, 0, 255)); // series count from 1
    QCOMPARE(chart->comparedValue(2, 1), double(0.2f));
    f.clickCell(2, 4);
    QVERIFY(!chart->isComparing() && chart->seriesCount() == 1);
    QCOMPARE(chart->pointValue(1), double(0.2f));
}

void TestWindowEdit::saving()
{
    WindowFixture f("  0  Plaster,   0.1\r\n  1  Brick,   0.5\r\n  2  Wool,   0.9\r\n",
                    " 255 \r\n 0 \r\n");
    f.load();
    f.dialogs->messages.clear(); // the load reports a colour less than materials
    f.enter(2, 3, u"0.25"_qs);
    f.click("Updatee");
    QVERIFY(f.dialogs->messages.empty());
    QVERIFY(f.readFile(u"Korvane.mat"_qs).contains(" 0.250 "));
    QVERIFY(!f.window->isWindowModified());

    // A failed save keeps the old files and says so.
    f.enter(1, 3, u"0.77"_qs);
    const QByteArray oldFiles = f.readFile(u"Korvane.mat"_qs) + f.readFile(u"korcolor.mat"_qs);
    // Writes past the limit fail with EFBIG, for root as for anyone.
    signal(SIGXFSZ, SIG_IGN);
    rlimit oldLimit{};
    getrlimit(RLIMIT_FSIZE, &oldLimit);
    const rlimit small{256, oldLimit.rlim_max};
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    f.click("Updatee");
    setrlimit(RLIMIT_FSIZE, &oldLimit);
    QCOMPARE(f.dialogs->messages.size(), size_t(1));
    QVERIFY(f.dialogs->messages.front().text.contains(u"Korvane.mat"_qs));
    QCOMPARE(f.dialogs->messages.front().style, 16);
    QCOMPARE(f.readFile(u"Korvane.mat"_qs) + f.readFile(u"korcolor.mat"_qs), oldFiles);
    QVERIFY(f.window->isWindowModified()); // nothing was saved

    // Another program's edit, then the read-only mark, are asked about, No by default; the
    // previous pair stays beside the new one.
    const QByteArray theirs = "  0  Added elsewhere,   0.5\r\n";
    f.writeFile(u"Korvane.mat"_qs, theirs);
    QVERIFY(QFile::setPermissions(f.folder.filePath(u"korcolor.mat"_qs), QFile::ReadOwner));
    for (const int answer : {kAnswerNo, kAnswerYes}) {
        f.dialogs->answers = {answer, answer};
        f.click("Updatee");
        QVERIFY(f.dialogs->messages.back().text.contains(answer == kAnswerNo ? u"Korvane.mat"_qs
                                                                             : u"read-only"_qs));
        QCOMPARE(f.dialogs->messages.back().style, kYesNo + kExclamationIcon + kDefaultNo);
        QCOMPARE(f.readFile(u"Korvane.mat"_qs) == theirs, answer == kAnswerNo);
    }
    QVERIFY(QFile::setPermissions(f.folder.filePath(u"korcolor.mat"_qs),
                                  QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(f.readFile(u"Korvane.mat.bak"_qs), theirs);
    const size_t asked = f.dialogs->messages.size();
    f.click("Updatee"); // the next save asks nothing
    QCOMPARE(f.dialogs->messages.size(), asked);
}

QTEST_MAIN(TestWindowEdit)
#include "tst_windowedit.moc"
