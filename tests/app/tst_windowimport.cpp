#include "WindowFixture.h"

#include "LibraryFiles.h"

#include <QMimeData>
#include <QUrl>
#include <QtTest>

using namespace quillon;
using quillon::testing::WindowFixture;

namespace {

QByteArray sampleMaterials() { return WindowFixture::sampleFile("Korvane.mat"); }
QByteArray sampleColors() { return WindowFixture::sampleFile("korcolor.mat"); }

// The first two colours of every run.
constexpr MaterialColor kFirstImportColor = 9734324;   // RGB(180, 136, 148)
constexpr MaterialColor kSecondImportColor = 12995914; // RGB(74, 77, 198)

} // namespace

class TestWindowImport : public QObject {
    Q_OBJECT
private slots:
    void fileLayouts_data();
    void fileLayouts();
    void nameFromPath_data();
    void nameFromPath();
    void importOnFirstTab();
    void importOnOtherTab();
    void consecutiveImportsGetFixedColors();
    void otherTabsShowImport_data();
    void otherTabsShowImport();
    void failuresLeaveLibrary_data();
    void failuresLeaveLibrary();
    void fullLibraryRefuses();
    void dialogCancelAndFolders();
    void contextMenuSwitchesCaption();
    void dropImportsFiles();
};

void TestWindowImport::fileLayouts_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("one line") << QByteArray("0.1,0.2,0.3,0.4,0.5,0.6,0.7,0.8\r\n");
    QTest::newRow("one per line") << QByteArray("0.1\n0.2\n0.3\n0.4\n0.5\n0.6\n0.7\n0.8\n");
    QTest::newRow("blanks and CR") << QByteArray("  0.1  0.2\r0.3 , 0.4\t0.5,0.6\r\n0.7 0.8");
    QTest::newRow("more than eight") << QByteArray("0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9 junk");
}

void TestWindowImport::fileLayouts()
{
    QFETCH(QByteArray, content);
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    const int n = f.window->library().materialCount + 1;
    f.writeFile(u"CARPET"_qs, content);
    f.window->importLumeoMaterial(f.folder.filePath(u"CARPET"_qs));
    const MaterialLibrary &lib = f.window->library();
    QCOMPARE(lib.materialCount, n);
    const auto slot = static_cast<size_t>(n);
    const std::array<float, 11> expected = {0, 0, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0};
    for (size_t b = 1; b <= 10; ++b)
        QCOMPARE(lib.alphaR[slot][b], expected[b]);
    QVERIFY(lib.hasAlpha[slot]);
    QVERIFY(!lib.hasInsulation[slot]);
    QVERIFY(!lib.hasScattering[slot]);
    QCOMPARE(lib.materialNames[slot], QByteArray("CARPET"));
    QVERIFY(f.dialogs->messages.empty());
}

void TestWindowImport::nameFromPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("windows") << "C:\\data\\materials\\CARPET" << "CARPET";
    QTest::newRow("extension") << "C:\\data\\tiles.mat" << "tiles.mat";
    QTest::newRow("unix") << "/home/user/lumeo/glass.txt" << "glass.txt";
    QTest::newRow("mixed") << "D:/lumeo\\sub/velour" << "velour";
    QTest::newRow("no separator") << "CURTAIN" << "CURTAIN";
}

void TestWindowImport::nameFromPath()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(lumeoMaterialName(path), name);
}

void TestWindowImport::importOnFirstTab()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    const int n = f.window->library().materialCount + 1;
    f.writeFile(u"panel.lum"_qs, "0.5 0.25 0.1234 1 0.5 0.5 0.5 0.5");
    f.window->importLumeoMaterial(f.folder.filePath(u"panel.lum"_qs));
    FlexGrid *g = f.grid();
    QCOMPARE(g->textMatrix(n, 1), u"panel.lum"_qs);
    QCOMPARE(g->textMatrix(n, 3), u"0.0"_qs);
    QCOMPARE(g->textMatrix(n, 4), u"0.5"_qs);
    QCOMPARE(g->textMatrix(n, 5), u"0.25"_qs);
    QCOMPARE(g->textMatrix(n, 6), u"0.123"_qs);
    QCOMPARE(g->textMatrix(n, 7), u"1.0"_qs);
    QCOMPARE(g->row(), n);
    QCOMPARE(g->col(), 12);
    QCOMPARE(g->gridModel()->textColor(n, 2), kFirstImportColor);
    QCOMPARE(f.window->selectedQuantity(), Quantity::TrueAbsorption);
    QCOMPARE(f.chart()->pointValue(2), double(0.5f));
}

void TestWindowImport::importOnOtherTab()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    f.selectTab(3);
    const int n = f.window->library().materialCount + 1;
    f.writeFile(u"panel"_qs, "0.5 0.25 0.1234 1 0.5 0.5 0.5 0.5");
    f.window->importLumeoMaterial(f.folder.filePath(u"panel"_qs));
    FlexGrid *g = f.grid();
    QCOMPARE(f.window->selectedQuantity(), Quantity::TrueAbsorption);
    QCOMPARE(g->row(), n);
    QCOMPARE(g->col(), 2);
    QCOMPARE(g->textMatrix(n, 1), u"panel"_qs);
    QCOMPARE(g->textMatrix(n, 4), u"0.500"_qs);
    QCOMPARE(g->textMatrix(n, 6), u"0.123"_qs);
    QCOMPARE(f.chart()->pointValue(3), double(0.25f));
}

void TestWindowImport::consecutiveImportsGetFixedColors()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    const int n = f.window->library().materialCount + 1;
    f.writeFile(u"a"_qs, "1 2 3 4 5 6 7 8");
    f.window->importLumeoMaterial(f.folder.filePath(u"a"_qs));
    f.window->importLumeoMaterial(f.folder.filePath(u"a"_qs));
    QCOMPARE(f.window->library().materialCount, n + 1);
    QCOMPARE(f.window->library().materialColors[static_cast<size_t>(n)], kFirstImportColor);
    QCOMPARE(f.window->library().materialColors[static_cast<size_t>(n + 1)], kSecondImportColor);
}

void TestWindowImport::otherTabsShowImport_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("band2");  // 63 Hz, imported 0.5
    QTest::addColumn<QString>("band1");  // 31.5 Hz, not in the file
    QTest::newRow("Sabine") << 2 << "0.617" << "0.000";
    QTest::newRow("insulation") << 3 << "" << "";
    QTest::newRow("scattering") << 4 << "0.1" << "0.1";
}

void TestWindowImport::otherTabsShowImport()
{
    QFETCH(int, tab);
    QFETCH(QString, band2);
    QFETCH(QString, band1);
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    const int n = f.window->library().materialCount + 1;
    f.writeFile(u"x"_qs, "0.5 0.5 0.5 0.5 0.5 0.5 0.5 0.5");
    f.window->importLumeoMaterial(f.folder.filePath(u"x"_qs));
    f.selectTab(tab);
    QCOMPARE(f.grid()->textMatrix(n, 4), band2);
    QCOMPARE(f.grid()->textMatrix(n, 3), band1);
}

void TestWindowImport::failuresLeaveLibrary_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing file") << QByteArray() << false;
    QTest::newRow("seven numbers") << QByteArray("0.1 0.2 0.3 0.4 0.5 0.6 0.7") << true;
    QTest::newRow("empty") << QByteArray() << true;
    QTest::newRow("not a number") << QByteArray("0.1 0.2 abc 0.4 0.5 0.6 0.7 0.8") << true;
    QTest::newRow("infinite") << QByteArray("0.1 0.2 1e999 0.4 0.5 0.6 0.7 0.8") << true;
}

void TestWindowImport::failuresLeaveLibrary()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    const QByteArray before = writeMaterialFile(f.window->library());
    const int count = f.window->library().materialCount;
    const int row = f.grid()->row();
    const int col = f.grid()->col();
    if (exists)
        f.writeFile(u"bad"_qs, content);
    f.window->importLumeoMaterial(f.folder.filePath(u"bad"_qs));
    QCOMPARE(f.window->library().materialCount, count);
    QCOMPARE(writeMaterialFile(f.window->library()), before);
    QCOMPARE(f.grid()->textMatrix(count + 1, 1), QString());
    QCOMPARE(f.grid()->row(), row);
    QCOMPARE(f.grid()->col(), col);
    QCOMPARE(f.dialogs->messages.size(), size_t(1));
    QVERIFY(f.dialogs->messages.front().text.contains(u"bad"_qs));

    // A failed import does not use up a colour.
    f.writeFile(u"good"_qs, "1 2 3 4 5 6 7 8");
    f.window->importLumeoMaterial(f.folder.filePath(u"good"_qs));
    QCOMPARE(f.window->library().materialColors[static_cast<size_t>(count + 1)], kFirstImportColor);
}

void TestWindowImport::fullLibraryRefuses()
{
    QByteArray lines;
    for (int i = 0; i < kMaxMaterials; ++i)
        lines += "  0  M,    0.1\r\n";
    WindowFixture f(lines, QByteArray());
    f.load();
    f.writeFile(u"good"_qs, "1 2 3 4 5 6 7 8");
    f.window->importLumeoMaterial(f.folder.filePath(u"good"_qs));
    QCOMPARE(f.window->library().materialCount, kMaxMaterials);
    QCOMPARE(f.dialogs->messages.size(), size_t(1));
    QVERIFY(f.dialogs->messages.front().text.contains(u"999"_qs));
}

void TestWindowImport::dialogCancelAndFolders()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.load();
    f.dialogs->menuAnswers.push_back(0);
    emit f.button("Command2")->customContextMenuRequested(QPoint(5, 5));
    QCOMPARE(f.button("Command2")->text(), u"Import Lumeo Material"_qs);

    const int count = f.window->library().materialCount;
    f.dialogs->fileAnswers.push_back(QString());
    QTest::mouseClick(f.button("Command2"), Qt::LeftButton);
    QCOMPARE(f.window->library().materialCount, count);
    QVERIFY(f.dialogs->messages.empty());
    QCOMPARE(f.dialogs->fileRequestTitles.back(), u"Load a Lumeo Material File"_qs);
    QCOMPARE(f.dialogs->fileRequestFilters.back(), u"Lumeo Material files (*.)|*"_qs);
    QCOMPARE(f.dialogs->fileRequestFolders.back(), f.folder.path());
    QVERIFY(f.window->lastImportPath().isEmpty());

    QDir(f.folder.path()).mkdir(u"lumeo"_qs);
    f.writeFile(u"lumeo/wool"_qs, "1 2 3 4 5 6 7 8");
    f.dialogs->fileAnswers.push_back(f.folder.filePath(u"lumeo/wool"_qs));
    QTest::mouseClick(f.button("Command2"), Qt::LeftButton);
    QCOMPARE(f.window->library().materialCount, count + 1);
    QCOMPARE(f.window->lastImportPath(), f.folder.filePath(u"lumeo/wool"_qs));
    QCOMPARE(f.button("Command2")->text(), u"Import Lumeo Material"_qs);

    f.dialogs->fileAnswers.push_back(QString());
    QTest::mouseClick(f.button("Command2"), Qt::LeftButton);
    QCOMPARE(f.dialogs->fileRequestFolders.back(), f.folder.filePath(u"lumeo"_qs));
    QCOMPARE(f.window->lastImportPath(), f.folder.filePath(u"lumeo/wool"_qs));
}

void TestWindowImport::contextMenuSwitchesCaption()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    // Not offered before loading.
    emit f.button("Command2")->customContextMenuRequested(QPoint(5, 5));
    QVERIFY(f.dialogs->menus.empty());
    f.load();
    f.dialogs->menuAnswers = {0, std::nullopt, 1};
    emit f.button("Command2")->customContextMenuRequested(QPoint(5, 5));
    QCOMPARE(f.dialogs->menus.back(),
             (QStringList{u"Import Lumeo Material"_qs, u"Help"_qs}));
    QCOMPARE(f.button("Command2")->text(), u"Import Lumeo Material"_qs);
    emit f.button("Command2")->customContextMenuRequested(QPoint(5, 5));
    QCOMPARE(f.button("Command2")->text(), u"Import Lumeo Material"_qs);
    emit f.button("Command2")->customContextMenuRequested(QPoint(5, 5));
    QCOMPARE(f.button("Command2")->text(), u"Help"_qs);
    QTest::mouseClick(f.button("Command2"), Qt::LeftButton);
    QCOMPARE(f.dialogs->openedFiles.size(), size_t(1));
}

void TestWindowImport::dropImportsFiles()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    f.writeFile(u"one"_qs, "1 2 3 4 5 6 7 8");
    f.writeFile(u"two"_qs, "8 7 6 5 4 3 2 1");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(f.folder.filePath(u"one"_qs)),
                  QUrl::fromLocalFile(f.folder.filePath(u"two"_qs))});
    const QPoint at(f.window->width() / 2, 5);

    QDragEnterEvent refused(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.window.get(), &refused);
    QVERIFY(!refused.isAccepted());

    f.load();
    const int count = f.window->library().materialCount;
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.window.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.window.get(), &drop);
    QCOMPARE(f.window->library().materialCount, count + 2);
    QCOMPARE(f.window->library().materialNames[static_cast<size_t>(count + 2)], QByteArray("two"));
    QCOMPARE(f.window->library().alphaR[static_cast<size_t>(count + 2)][2], 8.0f);
}

QTEST_MAIN(TestWindowImport)
#include "tst_windowimport.moc"
