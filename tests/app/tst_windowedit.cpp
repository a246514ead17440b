#include "WindowFixture.h"

#include "LibraryFiles.h"
#include "NumberFormat.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace quillon;
using quillon::testing::WindowFixture;

namespace {

QByteArray sampleMaterials() { return WindowFixture::sampleFile("Korvane.mat"); }
QByteArray sampleColors() { return WindowFixture::sampleFile("korcolor.mat"); }

float alpha(const WindowFixture &f, int n, int band)
{
    return f.window->library().alphaR[static_cast<size_t>(n)][static_cast<size_t>(band)];
}

} // namespace

class TestWindowEdit : public QObject {
    Q_OBJECT
private slots:
    void init();
    void typingStartsEntry();
    void enterStoresByTab_data();
    void enterStoresByTab();
    void editorTextKeptUntilRefresh();
    void nameEntry();
    void entryBelowLastMaterialRaisesCount_data();
    void entryBelowLastMaterialRaisesCount();
    void refusedEntries_data();
    void refusedEntries();
    void controlCharactersDoNothing();
    void clickDropsPendingEntry();
    void colorChoice_data();
    void colorChoice();
    void copyBlockText();
    void pasteSameSize();
    void pasteGrowsFromOneCell();
    void pasteIntoLargerBlock();
    void pasteReversedSelection();
    void pasteNamesAndCommas();
    void pasteOnSabineTab();
    void pasteAcrossTabs();
    void pasteBelowLastMaterial();
    void pasteSkipsUnstorableValues();
    void ctrlShiftCDoesNothing();
    void clipboardBeforeLoadingDoesNothing();
    void saveWritesCanonicalFiles();
    void saveEditedLibraryByteExact();
    void saveEmptyLibrary();
    void failedSaveKeepsOldFiles_data();
    void failedSaveKeepsOldFiles();
};

void TestWindowEdit::init()
{
    QGuiApplication::clipboard()->clear();
}

void TestWindowEdit::typingStartsEntry()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    f.clickCell(2, 5);
    const QString before = f.grid()->textMatrix(2, 5);
    QCOMPARE(f.cell()->text(), before);
    QTest::keyClicks(f.grid(), u"5"_qs);
    QCOMPARE(f.cell()->text(), u"5"_qs);
    QVERIFY(f.cell()->hasFocus());
    QCOMPARE(f.cell()->cursorPosition(), 1);
    QVERIFY(!f.cell()->hasSelectedText());
    QCOMPARE(f.grid()->textMatrix(2, 5), before);
    QTest::keyClicks(f.cell(), u"7"_qs);
    QCOMPARE(f.cell()->text(), u"57"_qs);
}

void TestWindowEdit::enterStoresByTab_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QList<bool>>("flags");
    QTest::newRow("True 0.12345") << 1 << "0.12345" << "0.123" << QList<bool>{true, false, false};
    QTest::newRow("True 0.5") << 1 << "0.5" << "0.5" << QList<bool>{true, false, false};
    QTest::newRow("Sabine 1") << 2 << "1" << "1.0" << QList<bool>{true, false, false};
    QTest::newRow("insulation 45") << 3 << "45" << "45.0" << QList<bool>{true, true, false};
    QTest::newRow("scattering 0.3") << 4 << "0.3" << "0.3" << QList<bool>{true, true, true};
    QTest::newRow("letters") << 1 << "abc" << "0.0" << QList<bool>{true, false, false};
    QTest::newRow("negative") << 1 << "-0.05" << "-0.05" << QList<bool>{true, false, false};
}

void TestWindowEdit::enterStoresByTab()
{
    QFETCH(int, tab);
    QFETCH(QString, entry);
    QFETCH(QString, shown);
    QFETCH(QList<bool>, flags);
    // Material 30 has no values at all: an empty name line.
    WindowFixture f(sampleMaterials() + "  30  Blank,   \r\n", sampleColors());
    f.load();
    const int n = f.window->library().materialCount;
    f.selectTab(tab);
    f.enter(n, 7, entry); // band 5, 500 Hz
    QCOMPARE(f.grid()->textMatrix(n, 7), shown);
    QVERIFY(f.grid()->hasFocus());
    const MaterialLibrary &lib = f.window->library();
    const auto slot = static_cast<size_t>(n);
    QCOMPARE((QList<bool>{lib.hasAlpha[slot], lib.hasInsulation[slot], lib.hasScattering[slot]}),
             flags);
    const double value = parseLeadingNumber(QStringView(shown));
    switch (tab) {
    case 1:
        QCOMPARE(lib.alphaR[slot][5], static_cast<float>(value));
        break;
    case 2:
        QCOMPARE(lib.alphaR[slot][5], static_cast<float>(0.7466777));
        // Shown on the first tab as its "True" value.
        f.selectTab(1);
        QCOMPARE(f.grid()->textMatrix(n, 7), u"0.747"_qs);
        break;
    case 3:
        QCOMPARE(lib.insulationR[slot][5], 45.0f);
        break;
    case 4:
        QCOMPARE(lib.scattering[slot][5], 0.3f);
        break;
    }
    if (tab != 2)
        QCOMPARE(f.chart()->pointValue(5), double(static_cast<float>(value)));
}

void TestWindowEdit::editorTextKeptUntilRefresh()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    f.enter(1, 4, u"0.5"_qs);
    QCOMPARE(f.grid()->textMatrix(1, 4), u"0.5"_qs);
    f.selectTab(3);
    f.selectTab(1);
    QCOMPARE(f.grid()->textMatrix(1, 4), u"0.500"_qs);
}

void TestWindowEdit::nameEntry()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    f.enter(3, 1, u"  Dense, heavy brick  "_qs);
    QCOMPARE(f.window->library().materialNames[3], QByteArray("  Dense, heavy brick  "));
    QCOMPARE(f.grid()->textMatrix(3, 1), u"  Dense, heavy brick  "_qs);
    QVERIFY(f.dialogs->messages.empty());

    f.clickCell(4, 1);
    f.cell()->setText(QString::fromUtf8("Beton \u00e9tude \u2013 \u4e2d"));
    QTest::keyClick(f.cell(), Qt::Key_Return);
    QCOMPARE(f.window->library().materialNames[4], QByteArray("Beton \xe9tude \x96 ?"));
    QCOMPARE(f.grid()->textMatrix(4, 1), QString::fromUtf8("Beton \u00e9tude \u2013 ?"));
    QCOMPARE(f.dialogs->messages.size(), size_t(1));
}

void TestWindowEdit::entryBelowLastMaterialRaisesCount_data()
{
    QTest::addColumn<int>("col");
    QTest::addColumn<bool>("stores");
    QTest::newRow("band") << 5 << true;
    QTest::newRow("swatch") << 2 << false;
}

void TestWindowEdit::entryBelowLastMaterialRaisesCount()
{
    QFETCH(int, col);
    QFETCH(bool, stores);
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    const int count = f.window->library().materialCount;
    const int row = count + 5;
    f.enter(row, col, u"0.25"_qs);
    QCOMPARE(f.window->library().materialCount, row);
    QCOMPARE(f.window->library().hasAlpha[static_cast<size_t>(row)], stores);
    QCOMPARE(f.window->library().materialNames[static_cast<size_t>(row - 1)], QByteArray());
    if (stores)
        QCOMPARE(alpha(f, row, 3), 0.25f);
}

void TestWindowEdit::refusedEntries_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("entry");
    QTest::newRow("Sabine below limit") << 2 << "-0.7";
    QTest::newRow("overflow") << 1 << "1e999";
    QTest::newRow("beyond float") << 3 << "1e39";
}

void TestWindowEdit::refusedEntries()
{
    QFETCH(int, tab);
    QFETCH(QString, entry);
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    f.selectTab(tab);
    const QByteArray before = writeMaterialFile(f.window->library());
    const QString cellBefore = f.grid()->textMatrix(2, 6);
    const int beeps = f.dialogs->beeps;
    f.enter(2, 6, entry);
    QCOMPARE(f.dialogs->beeps, beeps + 1);
    QCOMPARE(f.grid()->textMatrix(2, 6), cellBefore);
    QCOMPARE(writeMaterialFile(f.window->library()), before);
    QCOMPARE(f.cell()->text(), entry);
}

void TestWindowEdit::controlCharactersDoNothing()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    f.clickCell(2, 5);
    const QString text = f.cell()->text();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Escape, Qt::Key_Tab})
        QTest::keyClick(f.grid(), key);
    QCOMPARE(f.cell()->text(), text);
    QVERIFY(!f.cell()->hasFocus());
}

void TestWindowEdit::clickDropsPendingEntry()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    f.clickCell(2, 5);
    QTest::keyClicks(f.grid(), u"9"_qs);
    f.clickCell(2, 5);
    QCOMPARE(f.cell()->text(), f.grid()->textMatrix(2, 5));
    f.clickCell(3, 1);
    QCOMPARE(f.cell()->text(), f.grid()->textMatrix(3, 1));
}

void TestWindowEdit::colorChoice_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::newRow("confirm") << true;
    QTest::newRow("cancel") << false;
}

void TestWindowEdit::colorChoice()
{
    QFETCH(bool, confirm);
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    const MaterialColor before = f.window->library().materialColors[4];
    const MaterialColor chosen = rgbColor(12, 34, 56);
    f.dialogs->colorAnswers.push_back(confirm ? std::optional<MaterialColor>(chosen) : std::nullopt);
    f.doubleClickCell(4, 2);
    QCOMPARE(f.dialogs->colorRequests.size(), size_t(1));
    QCOMPARE(f.dialogs->colorRequests.front(), before);
    const MaterialColor expected = confirm ? chosen : before;
    QCOMPARE(f.window->library().materialColors[4], expected);
    QCOMPARE(f.grid()->gridModel()->textColor(4, 2), expected);
    QCOMPARE(f.cell()->text(), QString(12, QChar(0x7F)));
    QVERIFY(f.grid()->hasFocus());

    // A double click elsewhere chooses nothing.
    f.doubleClickCell(4, 5);
    QCOMPARE(f.dialogs->colorRequests.size(), size_t(1));
}

void TestWindowEdit::copyBlockText()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    FlexGrid *g = f.grid();
    g->setCurrentCell(2, 0 + 1);
    g->setSelectionEnd(3, 4);
    QTest::keyClick(g, Qt::Key_C, Qt::ControlModifier);
    const QString expected = g->textMatrix(2, 1) + u'\t' + g->textMatrix(2, 2) + u'\t' +
                             g->textMatrix(2, 3) + u'\t' + g->textMatrix(2, 4) + u'\r' +
                             g->textMatrix(3, 1) + u'\t' + g->textMatrix(3, 2) + u'\t' +
                             g->textMatrix(3, 3) + u'\t' + g->textMatrix(3, 4);
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
}

void TestWindowEdit::pasteSameSize()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    FlexGrid *g = f.grid();
    g->setCurrentCell(1, 3);
    g->setSelectionEnd(2, 12);
    QTest::mouseClick(f.button("Copy"), Qt::LeftButton);
    g->setCurrentCell(10, 3);
    g->setSelectionEnd(11, 12);
    const QByteArray name10 = f.window->library().materialNames[10];
    QTest::mouseClick(f.button("Paste"), Qt::LeftButton);
    for (int b = 1; b <= kBandCount; ++b) {
        QCOMPARE(alpha(f, 10, b), alpha(f, 1, b));
        QCOMPARE(alpha(f, 11, b), alpha(f, 2, b));
    }
    QCOMPARE(f.window->library().materialNames[10], name10);
    QCOMPARE(g->textMatrix(10, 3), g->textMatrix(1, 3));
}

void TestWindowEdit::pasteGrowsFromOneCell()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    FlexGrid *g = f.grid();
    QGuiApplication::clipboard()->setText(u"0.11\t0.22\t0.33\r\n0.44\t0.55\t0.66\r\n"_qs);
    g->setCurrentCell(5, 11);
    QTest::keyClick(g, Qt::Key_V, Qt::ControlModifier);
    // Clipped at the table's last column.
    QCOMPARE(g->textMatrix(5, 11), u"0.11"_qs);
    QCOMPARE(g->textMatrix(5, 12), u"0.22"_qs);
    QCOMPARE(g->textMatrix(6, 12), u"0.55"_qs);
    QCOMPARE(alpha(f, 5, 9), 0.11f);
    QCOMPARE(alpha(f, 6, 10), 0.55f);
    QCOMPARE(g->rowSel(), 6);
    QCOMPARE(g->colSel(), 12);
}

void TestWindowEdit::pasteIntoLargerBlock()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    FlexGrid *g = f.grid();
    const QString kept = g->textMatrix(5, 5);
    QGuiApplication::clipboard()->setText(u"0.9\t0.8\n"_qs);
    g->setCurrentCell(4, 3);
    g->setSelectionEnd(5, 5);
    QTest::mouseClick(f.button("Paste"), Qt::LeftButton);
    QCOMPARE(alpha(f, 4, 1), 0.9f);
    QCOMPARE(alpha(f, 4, 2), 0.8f);
    // Cells that got no text keep theirs, and are stored again from it.
    QCOMPARE(g->textMatrix(5, 5), kept);
    QCOMPARE(alpha(f, 5, 3), static_cast<float>(parseLeadingNumber(QStringView(kept))));
}

void TestWindowEdit::pasteReversedSelection()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    FlexGrid *g = f.grid();
    QGuiApplication::clipboard()->setText(u"0.1\t0.2\r0.3\t0.4"_qs);
    g->setCurrentCell(8, 6);
    g->setSelectionEnd(7, 5);
    QTest::mouseClick(f.button("Paste"), Qt::LeftButton);
    QCOMPARE(alpha(f, 7, 3), 0.1f);
    QCOMPARE(alpha(f, 7, 4), 0.2f);
    QCOMPARE(alpha(f, 8, 3), 0.3f);
    QCOMPARE(alpha(f, 8, 4), 0.4f);
}

void TestWindowEdit::pasteNamesAndCommas()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    FlexGrid *g = f.grid();
    QGuiApplication::clipboard()->setText(u"New wall\t0,5\t 0 . 2 5 "_qs);
    g->setCurrentCell(6, 1);
    g->setSelectionEnd(6, 1);
    QTest::mouseClick(f.button("Paste"), Qt::LeftButton);
    QCOMPARE(f.window->library().materialNames[6], QByteArray("New wall"));
    // "0,5" went into the swatch column, which stores nothing; band 1 reads " 0 . 2 5 ".
    QCOMPARE(alpha(f, 6, 1), 0.25f);

    QGuiApplication::clipboard()->setText(u"0,5"_qs);
    g->setCurrentCell(6, 4);
    QTest::mouseClick(f.button("Paste"), Qt::LeftButton);
    QCOMPARE(alpha(f, 6, 2), 0.0f);
}

void TestWindowEdit::pasteOnSabineTab()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    f.selectTab(2);
    FlexGrid *g = f.grid();
    const float original = alpha(f, 3, 5);
    g->setCurrentCell(3, 7);
    QTest::mouseClick(f.button("Copy"), Qt::LeftButton);
    g->setCurrentCell(9, 7);
    QTest::mouseClick(f.button("Paste"), Qt::LeftButton);
    // The shown Sabine value turns back into the "True" value within the display's rounding.
    QVERIFY(qAbs(alpha(f, 9, 5) - original) < 0.001);
}

void TestWindowEdit::pasteAcrossTabs()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    FlexGrid *g = f.grid();
    g->setCurrentCell(1, 3);
    g->setSelectionEnd(1, 12);
    QTest::mouseClick(f.button("Copy"), Qt::LeftButton);
    f.selectTab(3);
    g->setCurrentCell(12, 3);
    QTest::mouseClick(f.button("Paste"), Qt::LeftButton);
    const MaterialLibrary &lib = f.window->library();
    for (int b = 1; b <= kBandCount; ++b)
        QCOMPARE(lib.insulationR[12][static_cast<size_t>(b)], alpha(f, 1, b));
    QVERIFY(lib.hasInsulation[12]);
    QVERIFY(lib.hasAlpha[12]);
}

void TestWindowEdit::pasteBelowLastMaterial()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    const int count = f.window->library().materialCount;
    QGuiApplication::clipboard()->setText(u"Extra\t\t0.5\nMore\t\t0.6"_qs);
    f.grid()->setCurrentCell(count + 2, 1);
    QTest::mouseClick(f.button("Paste"), Qt::LeftButton);
    QCOMPARE(f.window->library().materialCount, count + 3);
    QCOMPARE(f.window->library().materialNames[static_cast<size_t>(count + 3)], QByteArray("More"));
    QCOMPARE(alpha(f, count + 3, 1), 0.6f);
}

void TestWindowEdit::pasteSkipsUnstorableValues()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    f.selectTab(2);
    const float kept = alpha(f, 2, 1);
    QGuiApplication::clipboard()->setText(u"-0.9\t1e999\t0.5"_qs);
    f.grid()->setCurrentCell(2, 3);
    QTest::mouseClick(f.button("Paste"), Qt::LeftButton);
    QCOMPARE(alpha(f, 2, 1), kept);
    QVERIFY(qAbs(alpha(f, 2, 3) - 0.4170737f) < 1e-6);
    QCOMPARE(f.dialogs->messages.size(), size_t(1));
    QVERIFY(f.dialogs->messages.front().text.startsWith(u"2 "_qs));
}

void TestWindowEdit::ctrlShiftCDoesNothing()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    QGuiApplication::clipboard()->setText(u"untouched"_qs);
    f.grid()->setCurrentCell(1, 3);
    QTest::keyClick(f.grid(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(f.grid(), Qt::Key_V, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"untouched"_qs);
    QCOMPARE(f.grid()->textMatrix(1, 3), u"0.010"_qs);
}

void TestWindowEdit::clipboardBeforeLoadingDoesNothing()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    QGuiApplication::clipboard()->setText(u"0.7"_qs);
    QTest::mouseClick(f.button("Paste"), Qt::LeftButton);
    QTest::mouseClick(f.button("Copy"), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"0.7"_qs);
    QCOMPARE(f.window->library().materialCount, 0);
}

void TestWindowEdit::saveWritesCanonicalFiles()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    QTest::mouseClick(f.button("Updatee"), Qt::LeftButton);
    QVERIFY(f.dialogs->messages.empty());
    // The sample is already in canonical form.
    QCOMPARE(f.readFile(u"Korvane.mat"_qs), sampleMaterials());
    QCOMPARE(f.readFile(u"korcolor.mat"_qs), sampleColors());
}

void TestWindowEdit::saveEditedLibraryByteExact()
{
    QByteArray lines = "  0  Only scattering,   0.1 0.2,  40 41, 0.3 0.4\r\n"
                       "  1  Only insulation ,   0.5,  33\r\n"
                       "  2  No values,   \r\n";
    WindowFixture f(lines, " 255 \r\n 0 \r\n");
    f.load();
    MaterialLibrary &lib = f.window->library();
    lib.hasAlpha[1] = lib.hasInsulation[1] = false; // only hasScattering
    f.enter(2, 3, u"-0.05"_qs);
    f.enter(3, 1, u"Name, with comma and a very long tail that goes past the sixty-five mark"_qs);
    QTest::mouseClick(f.button("Updatee"), Qt::LeftButton);

    auto group = [](std::initializer_list<const char *> fields) {
        QByteArray out;
        for (const char *field : fields)
            out += ' ' + QByteArray(field);
        return out;
    };
    QByteArray expected;
    expected += "  0  " + QByteArray("Only scattering").leftJustified(65, ' ') + ",   " +
                group({"0.100", "0.200", "0.000", "0.000", "0.000", "0.000", "0.000", "0.000",
                       "0.000", "0.000"}) +
                "," +
                group({"40.0", "41.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0"}) +
                "," +
                group({"0.300", "0.400", "0.000", "0.000", "0.000", "0.000", "0.000", "0.000",
                       "0.000", "0.000"}) +
                "\r\n";
    expected += "  1  " + QByteArray("Only insulation").leftJustified(65, ' ') + ",   " +
                group({"-0.050", "0.000", "0.000", "0.000", "0.000", "0.000", "0.000", "0.000",
                       "0.000", "0.000"}) +
                "," + group({"33.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0", "0.0"}) +
                "\r\n";
    expected += "  2  " +
                QByteArray("Name; with comma and a very long tail that goes past the sixty-five mark")
                    .left(65) +
                ",   \r\n";
    QCOMPARE(f.readFile(u"Korvane.mat"_qs), expected);
    QCOMPARE(f.readFile(u"korcolor.mat"_qs), QByteArray(" 255 \r\n 4194368 \r\n 8421376 \r\n"));
    QVERIFY(f.dialogs->messages.empty());
}

void TestWindowEdit::saveEmptyLibrary()
{
    WindowFixture f(QByteArray(), " 255 \r\n");
    f.load();
    QCOMPARE(f.window->library().materialCount, 0);
    QTest::mouseClick(f.button("Updatee"), Qt::LeftButton);
    QCOMPARE(f.readFile(u"Korvane.mat"_qs), QByteArray());
    QCOMPARE(f.readFile(u"korcolor.mat"_qs), QByteArray());
}

void TestWindowEdit::failedSaveKeepsOldFiles_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("file size limit") << "limit";
    QTest::newRow("read-only folder") << "read-only";
    QTest::newRow("removed folder") << "removed";
}

void TestWindowEdit::failedSaveKeepsOldFiles()
{
    QFETCH(QString, fault);
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    f.enter(1, 3, u"0.77"_qs);
    const QByteArray oldMaterials = f.readFile(u"Korvane.mat"_qs);
    const QByteArray oldColors = f.readFile(u"korcolor.mat"_qs);
    const bool saved = f.window->library().librarySaved;

    rlimit oldLimit{};
    if (fault == u"limit") {
        // Writes past the limit fail with EFBIG, for root as for anyone.
        signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &oldLimit);
        rlimit small = oldLimit;
        small.rlim_cur = 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    } else if (fault == u"read-only") {
        QFile::setPermissions(f.folder.path(), QFile::ReadOwner | QFile::ExeOwner);
        QFile probe(f.folder.filePath(u"probe"_qs));
        if (probe.open(QIODevice::WriteOnly)) {
            probe.close();
            probe.remove();
            QFile::setPermissions(f.folder.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("folder permissions do not bind this user (root)");
        }
    } else {
        QVERIFY(f.folder.remove());
    }

    QTest::mouseClick(f.button("Updatee"), Qt::LeftButton);

    if (fault == u"limit")
        setrlimit(RLIMIT_FSIZE, &oldLimit);
    else if (fault == u"read-only")
        QFile::setPermissions(f.folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(f.dialogs->messages.size(), size_t(1));
    QVERIFY(f.dialogs->messages.front().text.contains(u"Korvane.mat"_qs));
    QCOMPARE(f.dialogs->messages.front().style, 16);
    QCOMPARE(f.window->library().librarySaved, saved);
    if (fault != u"removed") {
        QCOMPARE(f.readFile(u"Korvane.mat"_qs), oldMaterials);
        QCOMPARE(f.readFile(u"korcolor.mat"_qs), oldColors);
        QCOMPARE(QDir(f.folder.path()).entryList(QDir::Files).size(), 2);
    }
}

QTEST_MAIN(TestWindowEdit)
#include "tst_windowedit.moc"
