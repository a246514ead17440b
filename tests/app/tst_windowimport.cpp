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

// The colours of the first two imports of every run.
constexpr MaterialColor kFirstImportColor = 9734324;   // RGB(180, 136, 148)
constexpr MaterialColor kSecondImportColor = 12995914; // RGB(74, 77, 198)

struct ImportFixture : WindowFixture {
    ImportFixture() : WindowFixture(sampleMaterials(), sampleColors()) { load(); }
    int import(const QString &name, const QByteArray &content)
    {
        writeFile(name, content);
        window->importLumeoMaterial(folder.filePath(name));
        return library().materialCount;
    }
};

} // namespace

class TestWindowImport : public QObject {
    Q_OBJECT
private slots:
    void fileLayouts_data();
    void fileLayouts();
    void nameFromPath_data();
    void nameFromPath();
    void importShowsMaterialByTab_data();
    void importShowsMaterialByTab();
    void failuresLeaveLibrary_data();
    void failuresLeaveLibrary();
    void dialogAndContextMenu();
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
    ImportFixture f;
    const int n = f.import(u"CARPET"_qs, content);
    const auto slot = static_cast<size_t>(n);
    const BandRow expected = {0, 0, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0};
    QCOMPARE(f.library().alphaR[slot], expected);
    QCOMPARE((QList<bool>{f.library().hasAlpha[slot], f.library().hasInsulation[slot],
                          f.library().hasScattering[slot]}),
             (QList<bool>{true, false, false}));
    QCOMPARE(f.library().materialNames[slot], QByteArray("CARPET"));
    QVERIFY(f.dialogs->messages.empty());
}

void TestWindowImport::nameFromPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("windows") << "C:\\data\\materials\\CARPET" << "CARPET";
    QTest::newRow("extension") << "C:\\data\\tiles.mat" << "tiles.mat";
    QTest::newRow("unix") << "/home/user/lumeo/glass.txt" << "glass.txt";
    QTest::newRow("no separator") << "CURTAIN" << "CURTAIN";
}

void TestWindowImport::nameFromPath()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(lumeoMaterialName(path), name);
}

void TestWindowImport::importShowsMaterialByTab_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QStringList>("cells"); // bands 1 to 4 of the new row
    QTest::addColumn<int>("currentColumn");
    QTest::newRow("first tab, editor format") << 1 << QStringList{"0.0", "0.5", "0.25", "0.123"}
                                              << 12;
    QTest::newRow("other tab, refreshed") << 3 << QStringList{"0.000", "0.500", "0.250", "0.123"}
                                          << 2;
}

void TestWindowImport::importShowsMaterialByTab()
{
    QFETCH(int, tab);
    QFETCH(QStringList, cells);
    QFETCH(int, currentColumn);
    ImportFixture f;
    f.selectTab(tab);
    const int n = f.import(u"panel.lum"_qs, "0.5 0.25 0.1234 1 0.5 0.5 0.5 0.5");
    FlexGrid *g = f.grid();
    QCOMPARE(f.window->selectedQuantity(), Quantity::TrueAbsorption);
    QCOMPARE(g->textMatrix(n, 1), u"panel.lum"_qs);
    QCOMPARE((QStringList{g->textMatrix(n, 3), g->textMatrix(n, 4), g->textMatrix(n, 5),
                          g->textMatrix(n, 6)}),
             cells);
    QCOMPARE(g->row(), n);
    QCOMPARE(g->col(), currentColumn);
    QCOMPARE(g->gridModel()->textColor(n, 2), kFirstImportColor);
    QCOMPARE(f.chart()->pointValue(2), double(0.5f));

    // The next import gets the next colour; the other tabs show what the import gave.
    const int next = f.import(u"second"_qs, "1 2 3 4 5 6 7 8");
    QCOMPARE(f.library().materialColors[size_t(next)], kSecondImportColor);
    f.selectTab(2);
    QCOMPARE(g->textMatrix(n, 4), u"0.617"_qs);
    f.selectTab(3);
    QCOMPARE(g->textMatrix(n, 4), QString());
    f.selectTab(4);
    QCOMPARE(g->textMatrix(n, 3), u"0.1"_qs);
}

void TestWindowImport::failuresLeaveLibrary_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QTest::newRow("missing file") << QByteArray() << false;
    QTest::newRow("seven numbers") << QByteArray("0.1 0.2 0.3 0.4 0.5 0.6 0.7") << true;
    QTest::newRow("not a number") << QByteArray("0.1 0.2 abc 0.4 0.5 0.6 0.7 0.8") << true;
    QTest::newRow("infinite") << QByteArray("0.1 0.2 1e999 0.4 0.5 0.6 0.7 0.8") << true;
    QTest::newRow("library full") << QByteArray("1 2 3 4 5 6 7 8") << true;
}

void TestWindowImport::failuresLeaveLibrary()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    ImportFixture f;
    if (QTest::currentDataTag() == QLatin1String("library full"))
        f.window->library().materialCount = kMaxMaterials;
    const QByteArray before = writeMaterialFile(f.library());
    const int count = f.library().materialCount;
    const int row = f.grid()->row();
    const int col = f.grid()->col();
    if (exists)
        f.writeFile(u"bad"_qs, content);
    f.window->importLumeoMaterial(f.folder.filePath(u"bad"_qs));
    QCOMPARE(f.library().materialCount, count);
    QCOMPARE(writeMaterialFile(f.library()), before);
    QCOMPARE((QList<int>{f.grid()->row(), f.grid()->col()}), (QList<int>{row, col}));
    QCOMPARE(f.dialogs->messages.size(), size_t(1));
    QVERIFY(f.dialogs->messages.front().text.contains(u"bad"_qs));
    if (count < kMaxMaterials) { // a failed import does not use up a colour
        const int n = f.import(u"good"_qs, "1 2 3 4 5 6 7 8");
        QCOMPARE(f.library().materialColors[size_t(n)], kFirstImportColor);
    }
}

void TestWindowImport::dialogAndContextMenu()
{
    WindowFixture f(sampleMaterials(), sampleColors());
    QPushButton *button = f.button("Command2");
    emit button->customContextMenuRequested(QPoint(5, 5)); // not offered before loading
    QVERIFY(f.dialogs->menus.empty());
    f.load();
    f.dialogs->menuAnswers = {0};
    emit button->customContextMenuRequested(QPoint(5, 5));
    QCOMPARE(f.dialogs->menus.back(), (QStringList{u"Import Lumeo Material"_qs, u"Help"_qs}));
    QCOMPARE(button->text(), u"Import Lumeo Material"_qs);

    const int count = f.library().materialCount;
    f.load(); // cancelled: nothing changes, no message
    QCOMPARE(f.library().materialCount, count);
    QVERIFY(f.dialogs->messages.empty() && f.window->lastImportPath().isEmpty());
    QCOMPARE(f.dialogs->fileRequests.back(),
             (QStringList{u"Load a Lumeo Material File"_qs, u"Lumeo Material files (*.)|*"_qs,
                          f.folder.path()}));

    QDir(f.folder.path()).mkdir(u"lumeo"_qs);
    f.writeFile(u"lumeo/wool"_qs, "1 2 3 4 5 6 7 8");
    f.dialogs->fileAnswers = {f.folder.filePath(u"lumeo/wool"_qs)};
    f.load();
    QCOMPARE(f.library().materialCount, count + 1);
    QCOMPARE(button->text(), u"Import Lumeo Material"_qs);
    f.load(); // the next dialog starts in the folder of the last file
    QCOMPARE(f.dialogs->fileRequests.back().last(), f.folder.filePath(u"lumeo"_qs));
    QCOMPARE(f.window->lastImportPath(), f.folder.filePath(u"lumeo/wool"_qs));

    f.dialogs->menuAnswers = {std::nullopt, 1};
    emit button->customContextMenuRequested(QPoint(5, 5));
    QCOMPARE(button->text(), u"Import Lumeo Material"_qs);
    emit button->customContextMenuRequested(QPoint(5, 5));
    f.load();
    QCOMPARE(button->text(), u"Help"_qs);
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
    QDragEnterEvent early(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.window.get(), &early);
    QVERIFY(!early.isAccepted()); // not before loading

    f.load();
    const int count = f.library().materialCount;
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.window.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.window.get(), &drop);
    QCOMPARE(f.library().materialCount, count + 2);
    QCOMPARE(f.library().materialNames[size_t(count + 2)], QByteArray("two"));
    QCOMPARE(f.alpha(count + 2, 2), 8.0f);
}

QTEST_MAIN(TestWindowImport)
#include "tst_windowimport.moc"
