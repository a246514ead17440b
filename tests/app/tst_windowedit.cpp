#include "WindowFixture.h"

#include "FindBar.h"
#include "LibraryFiles.h"
#include "NumberFormat.h"
#include "QuantityTable.h"
#include "SpreadsheetExchange.h"

#include <QClipboard>
#include <QContextMenuEvent>
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

// One stored value to check: material, band, value (NaN: the value before the action).
struct Stored {
    int row;
    int band;
    double value;
};

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

Q_DECLARE_METATYPE(Stored)

class TestWindowEdit : public QObject {
    Q_OBJECT
private slots:
    void init() { QGuiApplication::clipboard()->clear(); }
    void typingNamesAndColours();
    void enterStoresByTab_data();
    void enterStoresByTab();
    void paste_data();
    void paste();
    void clipboardAndUndo();
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
    QCOMPARE(f.grid()->textMatrix(4, 1), QString::fromUtf8("Beton \u00e9tude \u2013 ?"));
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

    // An entry below the last material makes the rows up to it part of the library.
    const int count = f.library().materialCount;
    f.enter(count + 3, 2, u"0.25"_qs); // the swatch column stores nothing
    QCOMPARE(f.library().materialCount, count + 3);
    QVERIFY(!f.library().hasAlpha[static_cast<size_t>(count + 3)]);
    f.enter(count + 5, 3, u"0.25"_qs);
    QCOMPARE(f.library().materialCount, count + 5);
    QCOMPARE(f.alpha(count + 5, 1), 0.25f);
}

void TestWindowEdit::enterStoresByTab_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("shown"); // empty: refused with a beep, nothing stored
    QTest::addColumn<float>("stored");
    QTest::addColumn<int>("flags"); // how many of hasAlpha, hasInsulation, hasScattering are set
    QTest::newRow("True 0.12345") << 1 << "0.12345" << "0.123" << 0.123f << 1;
    QTest::newRow("True negative") << 1 << "-0.05" << "-0.05" << -0.05f << 1;
    QTest::newRow("letters") << 1 << "abc" << "0.0" << 0.0f << 1;
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
    // The editor's text stays until the next refresh writes the tab's own format.
    f.selectTab(1);
    QCOMPARE(f.grid()->textMatrix(n, 7), formatNumber(lib.alphaR[slot][5], u"#0.000"));
}

void TestWindowEdit::paste_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("selection"); // current row, col, selection end row, col
    QTest::addColumn<QList<Stored>>("stored");
    QTest::addColumn<int>("messages");
    const double kept = qQNaN();
    QTest::newRow("same size, reversed selection")
        << 1 << "0.1\t0.2\r0.3\t0.4" << QList<int>{8, 6, 7, 5}
        << QList<Stored>{{7, 3, 0.1}, {7, 4, 0.2}, {8, 3, 0.3}, {8, 4, 0.4}} << 0;
    QTest::newRow("grows from one cell, clipped, CR LF")
        << 1 << "0.11\t0.22\t0.33\r\n0.44\t0.55\t0.66\r\n"
        << QList<int>{5, 11, 5, 11} << QList<Stored>{{5, 9, 0.11}, {5, 10, 0.22}, {6, 10, 0.55}}
        << 0;
    QTest::newRow("fewer cells than the block, LF")
        << 1 << "0.9\t0.8\n"
        << QList<int>{4, 3, 5, 5} << QList<Stored>{{4, 1, 0.9}, {4, 2, 0.8}, {5, 3, kept}} << 0;
    QTest::newRow("name, swatch text and blanks")
        << 1 << "New wall\t0,5\t 0 . 2 5 " << QList<int>{6, 1, 6, 1} << QList<Stored>{{6, 1, 0.25}}
        << 0;
    QTest::newRow("decimal comma, text skipped") << 1 << "0,5\tabc" << QList<int>{6, 4, 6, 4}
                                                 << QList<Stored>{{6, 2, 0.5}, {6, 3, kept}} << 1;
    QTest::newRow("Sabine, unstorable skipped")
        << 2 << "-0.9\t1e999\t0.5" << QList<int>{2, 3, 2, 3}
        << QList<Stored>{{2, 1, kept}, {2, 3, 0.4170737}} << 1;
    QTest::newRow("insulation tab") << 3 << "40\t41" << QList<int>{12, 3, 12, 3}
                                    << QList<Stored>{{12, 1, 40}, {12, 2, 41}} << 0;
}

void TestWindowEdit::paste()
{
    QFETCH(int, tab);
    QFETCH(QString, text);
    QFETCH(QList<int>, selection);
    QFETCH(QList<Stored>, stored);
    QFETCH(int, messages);
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    f.selectTab(tab);
    const MaterialLibrary before = f.library();
    QGuiApplication::clipboard()->setText(text);
    f.grid()->setCurrentCell(selection[0], selection[1]);
    f.grid()->setSelectionEnd(selection[2], selection[3]);
    f.click("Paste");
    for (const Stored &s : stored) {
        const double expected = qIsNaN(s.value) ? tabValue(before, tab, s.row, s.band) : s.value;
        QVERIFY2(qAbs(tabValue(f.library(), tab, s.row, s.band) - expected) < 1e-6,
                 qPrintable(QStringLiteral("row %1 band %2").arg(s.row).arg(s.band)));
    }
    QCOMPARE(f.dialogs->messages.size(), size_t(messages));
    // The pasted cells show the stored values in the tab's format, not the pasted text.
    const FlexGrid::Block block = f.grid()->selectedBlock();
    for (int r = block.top; r <= block.bottom; ++r)
        for (int c = std::max(block.left, kFirstBandColumn); c <= block.right; ++c)
            QCOMPARE(f.grid()->textMatrix(r, c),
                     bandCellText(f.window->library(), r, bandOfColumn(c), Quantity(tab)));
    if (text.startsWith(u"New wall"))
        QCOMPARE(f.library().materialNames[6], QByteArray("New wall"));
    if (tab == 3)
        QVERIFY(f.library().hasAlpha[12] && f.library().hasInsulation[12]);

    // Rows below the last material join the library.
    const int count = f.library().materialCount;
    QGuiApplication::clipboard()->setText(u"Extra\t\t0.5\nMore\t\t0.6"_qs);
    f.grid()->setCurrentCell(count + 2, 1);
    QTest::keyClick(f.grid(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.library().materialCount, count + 3);
    QCOMPARE(f.library().materialNames[size_t(count + 3)], QByteArray("More"));
}

void TestWindowEdit::clipboardAndUndo()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    FlexGrid *g = f.grid();
    auto openMenu = [&] {
        const QPoint at = f.cellCenter(3, 3);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, g->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(g->viewport(), &event);
    };
    QGuiApplication::clipboard()->setText(u"0.7"_qs);
    f.click("Paste"); // before loading nothing applies
    f.click("Copy");
    openMenu();
    QCOMPARE(f.dialogs->menuEnabled.back(), (QList<bool>{false, false, false, false}));
    QCOMPARE(f.library().materialCount, 0);
    f.load();
    f.grid()->setCurrentCell(1, 3); // the clipboard keys take Ctrl alone
    QTest::keyClick(f.grid(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(f.grid(), Qt::Key_V, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"0.7"_qs);
    QCOMPARE(f.grid()->textMatrix(1, 3), u"0.010"_qs);

    // Copies give text and SYLK: selected from bottom right to top left.
    g->setCurrentCell(3, 4);
    g->setSelectionEnd(2, 1);
    QTest::keyClick(g, Qt::Key_C, Qt::ControlModifier);
    QString text;
    for (int r = 2; r <= 3; ++r)
        for (int c = 1; c <= 4; ++c)
            text += g->textMatrix(r, c) + (c < 4 ? u"\t"_qs : r < 3 ? u"\r"_qs : QString());
    const QMimeData *copied = QGuiApplication::clipboard()->mimeData();
    QCOMPARE(copied->text(), text);
    const QString sylkType = QString::fromLatin1(kSylkMimeType);
    const auto block = readSylk(copied->data(sylkType));
    QVERIFY(block && block->rows == 2 && block->cols == 4);
    QCOMPARE(block->at(0, 0).text, g->textMatrix(2, 1)); // the name, as a string
    QVERIFY(!block->at(0, 0).number);
    QCOMPARE(*block->at(1, 3).number, g->textMatrix(3, 4).toDouble());

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
    openMenu();
    QCOMPARE(f.dialogs->menus.back(), (QStringList{u"Undo entry of 0.9 in material 1 at 31.5 Hz"_qs,
                                                   u"Redo"_qs, u"Copy"_qs, u"Paste"_qs}));
    QCOMPARE(f.dialogs->menuEnabled.back(), (QList<bool>{true, false, true, true}));
    f.dialogs->menuAnswers = {0}; // "Undo ..."
    openMenu();
    QCOMPARE(f.alpha(2, 1), old);
    QCOMPARE(f.grid()->textMatrix(2, 3), formatNumber(old, u"#0.000"));
    for (const QKeySequence &redo :
         {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}) {
        QTest::keySequence(f.grid(), redo);
        QCOMPARE(f.alpha(2, 1), 0.9f);
        QTest::keySequence(f.window.get(), QKeySequence::Undo);
        QCOMPARE(f.alpha(2, 1), old);
    }
    // In the cell editor the keys undo its own typing, not the library.
    f.enter(2, 3, u"0.8"_qs);
    QTest::mouseClick(f.cell(), Qt::LeftButton);
    QTest::keyClicks(f.cell(), u"5"_qs);
    QTest::keySequence(f.cell(), QKeySequence::Undo);
    QCOMPARE(f.alpha(2, 1), 0.8f);
    QCOMPARE(f.cell()->text(), u"0.8"_qs);
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
    for (const auto &[key, row] : {std::pair{QKeySequence::FindNext, 3}, // on, round again, back
                                   {QKeySequence::FindNext, 1}, {QKeySequence::FindPrevious, 3}}) {
        QTest::keySequence(find, key);
        QCOMPARE(f.grid()->row(), row);
    }
    QTest::keyClicks(find, u"x"_qs);
    QVERIFY(find->isNotFoundShown() && f.dialogs->messages.empty());
    QCOMPARE(f.grid()->row(), 3);
    QTest::keyClick(find, Qt::Key_Escape);
    QVERIFY(!find->isVisible() && f.grid()->hasFocus());

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
    const QByteArray lines = "  0  Only scattering,   0.1 0.2,  40 41, 0.3 0.4\r\n"
                             "  1  Only insulation ,   0.5,  33\r\n"
                             "  2  No values,   \r\n";
    WindowFixture f(lines, " 255 \r\n 0 \r\n");
    f.load();
    f.dialogs->messages.clear(); // the load reports a colour less than materials
    MaterialLibrary &lib = f.window->library();
    lib.hasAlpha[1] = lib.hasInsulation[1] = false; // only hasScattering
    f.enter(2, 3, u"-0.05"_qs);
    f.enter(3, 1, u"Name, with comma and a very long tail that goes past the sixty-five mark"_qs);
    f.click("Updatee");
    QVERIFY(f.dialogs->messages.empty());

    auto group = [](const QByteArray &given, const QByteArray &zero) {
        return given + (' ' + zero).repeated(kBandCount - 2);
    };
    const QByteArray expected =
        "  0  " + QByteArray("Only scattering").leftJustified(65) + ",   " +
        group(" 0.100 0.200", "0.000") + "," + group(" 40.0 41.0", "0.0") + "," +
        group(" 0.300 0.400", "0.000") + "\r\n" + "  1  " +
        QByteArray("Only insulation").leftJustified(65) + ",   " + group(" -0.050 0.000", "0.000") +
        "," + group(" 33.0 0.0", "0.0") + "\r\n" +
        "  2  Name; with comma and a very long tail that goes past the sixty-fi,   \r\n";
    QCOMPARE(f.readFile(u"Korvane.mat"_qs), expected);
    QCOMPARE(f.readFile(u"korcolor.mat"_qs), QByteArray(" 255 \r\n 4194368 \r\n 8421376 \r\n"));

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

    // Another program's edit is asked about; the previous pair stays beside the new one.
    const QByteArray theirs = "  0  Added elsewhere,   0.5\r\n";
    f.writeFile(u"Korvane.mat"_qs, theirs);
    for (const int answer : {kAnswerNo, kAnswerYes}) {
        f.dialogs->answers = {answer};
        f.click("Updatee");
        QVERIFY(f.dialogs->messages.back().text.contains(u"Korvane.mat"_qs));
        QCOMPARE(f.dialogs->messages.back().style, kYesNo + kExclamationIcon);
        QCOMPARE(f.readFile(u"Korvane.mat"_qs) == theirs, answer == kAnswerNo);
    }
    QCOMPARE(f.readFile(u"Korvane.mat.bak"_qs), theirs);
    const size_t asked = f.dialogs->messages.size();
    f.click("Updatee"); // the next save asks nothing
    QCOMPARE(f.dialogs->messages.size(), asked);

    // The sample is already canonical; an empty library saves as two empty files.
    for (const QByteArray &materials : {sampleMaterials(), QByteArray()}) {
        const QByteArray colors = materials.isEmpty() ? QByteArray(" 255 \r\n") : sampleColors();
        WindowFixture again(materials, colors);
        again.load();
        again.click("Updatee");
        QCOMPARE(again.readFile(u"Korvane.mat"_qs) + again.readFile(u"korcolor.mat"_qs),
                 materials.isEmpty() ? QByteArray() : materials + colors);
    }
}

QTEST_MAIN(TestWindowEdit)
#include "tst_windowedit.moc"
