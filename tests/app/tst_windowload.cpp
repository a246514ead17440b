#include "WindowFixture.h"

#include "LibraryFiles.h"

#include <QMessageBox>
#include <QTimer>
#include <QtTest>

using namespace quillon;
using quillon::testing::WindowFixture;

namespace {

// Three materials: absorption only; absorption and insulation; nothing but a name.
QByteArray smallLibrary()
{
    MaterialLibrary library;
    library.materialCount = 3;
    library.materialNames[1] = "Plaster";
    library.hasAlpha[1] = true;
    for (int b = 1; b <= kBandCount; ++b)
        library.alphaR[1][static_cast<size_t>(b)] = 0.05f * static_cast<float>(b);
    library.materialNames[2] = "Brick";
    library.hasAlpha[2] = library.hasInsulation[2] = true;
    library.alphaR[2].fill(1.0f);
    library.insulationR[2].fill(48.75f);
    library.insulationR[2][1] = 52.0f;
    library.materialNames[3] = "Empty";
    return writeMaterialFile(library);
}

const QByteArray kSmallColors = " 255 \r\n 65280 \r\n 0 \r\n 16711680 \r\n";

} // namespace

class TestWindowLoad : public QObject {
    Q_OBJECT
private slots:
    void startUpPassed();
    void startUpFailed_data();
    void startUpFailed();
    void loadWays_data();
    void loadWays();
    void secondLoadDoesNothing();
    void loadRequestDuringLoadIsIgnored();
    void tableAfterLoading();
    void tabFormats_data();
    void tabFormats();
    void chartFollowsTab_data();
    void chartFollowsTab();
    void refreshPutsCurrentCellBack();
    void helpOpensManual();
    void exitQuestion_data();
    void exitQuestion();
    void exitNoKeepsEverything();
    void missingMaterialFile();
    void oversizedMaterialFile();
    void realMessageBoxAnswersYesOnEnter();
};

void TestWindowLoad::startUpPassed()
{
    WindowFixture f(smallLibrary(), kSmallColors);
    for (const char *name : {"TabStrip1", "MSChart1", "Image1", "Command2", "Copy", "Paste"})
        QVERIFY2(f.control<QWidget>(name)->isVisible(), name);
    for (const char *name : {"Command1", "Updatee", "Cell", "Grid1"})
        QVERIFY2(!f.control<QWidget>(name)->isVisible(), name);
    QCOMPARE(f.window->windowTitle(), u"Quillon 2.0"_qs);
    QCOMPARE(f.button("Command2")->text(), u"Load Materials"_qs);
    QCOMPARE(f.cell()->text(), u"0.0"_qs);
    QCOMPARE(f.grid()->rows(), 2);
    QCOMPARE(f.grid()->cols(), 13);
    QCOMPARE(f.window->focusWidget(), f.button("Command2"));
    QVERIFY(f.dialogs->messages.empty());
}

void TestWindowLoad::startUpFailed_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("yes") << kAnswerYes;
    QTest::newRow("no") << kAnswerNo;
}

void TestWindowLoad::startUpFailed()
{
    QFETCH(int, answer);
    auto fake = std::make_unique<FakeDialogs>();
    FakeDialogs *dialogs = fake.get();
    dialogs->answers.push_back(answer);
    MainWindow window(std::move(fake));
    window.startUp(QDir::tempPath(), QLocale(QStringLiteral("de_DE")));
    window.show();

    QVERIFY(!dialogs->messages.empty());
    const auto &question = dialogs->messages.front();
    QCOMPARE(question.text, u"Your regional settings are not compatible with Korvane. Do You want "
                            "to change them now?"_qs);
    QCOMPARE(question.title, u"Warning - incompatible settings!"_qs);
    QCOMPARE(question.style, 20);
    if (answer == kAnswerYes) // a settings page, or word of how to set the format
        QVERIFY(!dialogs->started.empty() || dialogs->messages.size() == 2);
    else
        QVERIFY(dialogs->started.empty() && dialogs->messages.size() == 1);

    for (const char *name : {"TabStrip1", "MSChart1", "Image1", "Command2", "Copy", "Paste",
                             "Command1", "Cell", "Grid1"})
        QVERIFY2(window.findChild<QWidget *>(QLatin1String(name))->isVisible(), name);
    // Nothing loaded, so nothing may be written over the library files.
    QVERIFY(!window.findChild<QWidget *>(u"Updatee"_qs)->isVisible());
    QCOMPARE(window.focusWidget(), window.findChild<QWidget *>(u"Command1"_qs));
    dialogs->answers.push_back(kAnswerYes);
    window.close();
}

void TestWindowLoad::loadWays_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("pictureVisible");
    QTest::newRow("button") << "button" << "Help" << false;
    QTest::newRow("picture") << "picture" << "Load Materials" << true;
    QTest::newRow("margin") << "margin" << "Load Materials" << true;
}

void TestWindowLoad::loadWays()
{
    QFETCH(QString, way);
    QFETCH(QString, caption);
    QFETCH(bool, pictureVisible);
    WindowFixture f(smallLibrary(), kSmallColors);
    if (way == u"button")
        f.load();
    else if (way == u"picture")
        QTest::mouseClick(f.picture(), Qt::LeftButton, {}, QPoint(5, 5));
    else
        QTest::mouseClick(f.window.get(), Qt::LeftButton, {}, QPoint(2, 2));

    QVERIFY(f.window->libraryLoaded());
    QVERIFY(f.window->tableReady());
    QCOMPARE(f.window->library().materialCount, 3);
    QCOMPARE(f.button("Command2")->text(), caption);
    QCOMPARE(f.picture()->isVisible(), pictureVisible);
    for (const char *name : {"Command1", "Updatee", "Cell", "Grid1"})
        QVERIFY2(f.control<QWidget>(name)->isVisible(), name);

    // A later "Load Materials" click hides the picture and turns to help without loading.
    if (way != u"button") {
        f.load();
        QCOMPARE(f.button("Command2")->text(), u"Help"_qs);
        QVERIFY(!f.picture()->isVisible());
        QCOMPARE(f.dialogs->beeps, 1);
    }
}

void TestWindowLoad::secondLoadDoesNothing()
{
    WindowFixture f(smallLibrary(), kSmallColors);
    f.load();
    f.grid()->setCurrentCell(2, 5);
    f.writeFile(u"Korvane.mat"_qs, QByteArray());
    QTest::mouseClick(f.picture(), Qt::LeftButton, {}, QPoint(5, 5));
    f.window->loadLibrary();
    QCOMPARE(f.window->library().materialCount, 3);
    QCOMPARE(f.grid()->row(), 2);
    QCOMPARE(f.grid()->col(), 5);
    QCOMPARE(f.dialogs->beeps, 1);
}

void TestWindowLoad::loadRequestDuringLoadIsIgnored()
{
    WindowFixture f(smallLibrary(), kSmallColors);
    // Delivered while the load lets the window process its events.
    QMetaObject::invokeMethod(f.window.get(), &MainWindow::loadLibrary, Qt::QueuedConnection);
    f.window->loadLibrary();
    QCoreApplication::processEvents();
    QCOMPARE(f.dialogs->beeps, 1);
    QVERIFY(f.window->libraryLoaded());
}

void TestWindowLoad::tableAfterLoading()
{
    WindowFixture f(smallLibrary(), kSmallColors);
    f.load();
    FlexGrid *g = f.grid();
    QCOMPARE(g->rows(), 1000);
    QCOMPARE(g->cols(), 13);
    const QStringList header = {u"N. "_qs, u"Frequency (Hz)"_qs, u"Color"_qs, u"31.5"_qs,
                                u"63"_qs,  u"125"_qs,            u"250"_qs,   u"500"_qs,
                                u"1k"_qs,  u"2k"_qs,             u"4k"_qs,    u"8k"_qs,
                                u"16k"_qs};
    for (int c = 0; c < 13; ++c)
        QCOMPARE(g->textMatrix(0, c), header.at(c));
    QCOMPARE(g->textMatrix(1, 0), u" 0"_qs);
    QCOMPARE(g->textMatrix(999, 0), u" 998"_qs);
    QCOMPARE(g->textMatrix(1, 1), u"Plaster"_qs);
    QCOMPARE(g->textMatrix(3, 1), u"Empty"_qs);
    QCOMPARE(g->textMatrix(4, 1), QString());
    QCOMPARE(g->textMatrix(500, 2), QString(12, QChar(0x7F)));
    const GridModel &model = *g->gridModel();
    QCOMPARE(model.textColor(1, 2), 255);
    QCOMPARE(model.textColor(3, 2), 4194368); // a 0 in the colour file
    // Beyond the last material: the colour file's entry, else black.
    QCOMPARE(model.textColor(4, 2), 16711680);
    QCOMPARE(model.textColor(5, 2), 0);
    QCOMPARE(g->row(), 1);
    QCOMPARE(g->col(), 3);
    QCOMPARE(g->colWidthTwips(0), 500);
    QCOMPARE(g->colWidthTwips(2), 600);
    QCOMPARE(g->colWidthTwips(3), 500);
    QVERIFY(f.window->library().librarySaved);
}

void TestWindowLoad::tabFormats_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QStringList>("row1");  // bands 1, 2 and 10 of Plaster
    QTest::addColumn<QStringList>("row2");  // bands 1, 2 and 10 of Brick
    QTest::addColumn<QString>("row3");      // band 1 of Empty
    QTest::newRow("True") << 1 << QStringList{u"0.050"_qs, u"0.100"_qs, u"0.500"_qs}
                          << QStringList{u"1.000"_qs, u"1.000"_qs, u"1.000"_qs} << QString();
    QTest::newRow("Sabine") << 2 << QStringList{u"0.052"_qs, u"0.106"_qs, u"0.617"_qs}
                            << QStringList{u"1.447"_qs, u"1.447"_qs, u"1.447"_qs} << QString();
    QTest::newRow("insulation") << 3 << QStringList{QString(), QString(), QString()}
                                << QStringList{u"52.0"_qs, u"48.8"_qs, u"48.8"_qs} << QString();
    QTest::newRow("scattering") << 4 << QStringList{u"0.1"_qs, u"0.1"_qs, u"0.1"_qs}
                                << QStringList{u"0.1"_qs, u"0.1"_qs, u"0.1"_qs} << QString();
}

void TestWindowLoad::tabFormats()
{
    QFETCH(int, tab);
    QFETCH(QStringList, row1);
    QFETCH(QStringList, row2);
    QFETCH(QString, row3);
    WindowFixture f(smallLibrary(), kSmallColors);
    f.load();
    f.selectTab(tab);
    QCOMPARE(f.window->selectedQuantity(), static_cast<Quantity>(tab));
    const FlexGrid *g = f.grid();
    QCOMPARE((QStringList{g->textMatrix(1, 3), g->textMatrix(1, 4), g->textMatrix(1, 12)}), row1);
    QCOMPARE((QStringList{g->textMatrix(2, 3), g->textMatrix(2, 4), g->textMatrix(2, 12)}), row2);
    QCOMPARE(g->textMatrix(3, 3), row3);
    QCOMPARE(g->textMatrix(4, 3), QString());
    // Clicking the tab already shown refreshes it too.
    QCOMPARE(f.dialogs->beeps, 2);
    if (tab == 4) {
        // The default is written into the library, yet the material still has no scattering.
        QCOMPARE(f.window->library().scattering[1][5], 0.1f);
        QVERIFY(!f.window->library().hasScattering[1]);
        QCOMPARE(f.window->library().scattering[3][5], 0.0f);
    }
}

void TestWindowLoad::chartFollowsTab_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("row");
    QTest::addColumn<double>("band1");
    QTest::addColumn<double>("band10");
    QTest::addColumn<double>("maximum");
    QTest::newRow("True") << 1 << 1 << double(0.05f) << double(0.5f) << 1.0;
    QTest::newRow("Sabine") << 2 << 2 << 1.447201 << 1.447201 << 1.5;
    QTest::newRow("insulation") << 3 << 2 << 52.0 << double(48.8f) << 100.0;
    QTest::newRow("scattering default") << 4 << 1 << double(0.1f) << double(0.1f) << 1.0;
    QTest::newRow("scattering none") << 4 << 3 << 0.0 << 0.0 << 1.0;
}

void TestWindowLoad::chartFollowsTab()
{
    QFETCH(int, tab);
    QFETCH(int, row);
    QFETCH(double, band1);
    QFETCH(double, band10);
    QFETCH(double, maximum);
    WindowFixture f(smallLibrary(), kSmallColors);
    f.load();
    f.selectTab(tab);
    f.clickCell(row, 5);
    SpectrumChart *chart = f.chart();
    QVERIFY(qAbs(chart->pointValue(1) - band1) < 1e-6);
    QVERIFY(qAbs(chart->pointValue(10) - band10) < 1e-6);
    QCOMPARE(chart->axisMaximum(), maximum);
    QCOMPARE(chart->categoryLabels().first(), u"31.5"_qs);
    QCOMPARE(chart->categoryLabels().last(), u"16000"_qs);
}

void TestWindowLoad::refreshPutsCurrentCellBack()
{
    WindowFixture f(smallLibrary(), kSmallColors);
    f.load();
    FlexGrid *g = f.grid();
    g->setCurrentCell(7, 6);
    g->setSelectionEnd(2, 4);
    f.selectTab(3);
    QCOMPARE(g->row(), 7);
    QCOMPARE(g->col(), 6);
    QCOMPARE(g->rowSel(), 7);
    QCOMPARE(g->colSel(), 6);
    QVERIFY(g->isVisible());
    QVERIFY(f.window->tableReady());
    QVERIFY(!f.picture()->isVisible());
}

void TestWindowLoad::helpOpensManual()
{
    WindowFixture f(smallLibrary(), kSmallColors);
    f.load();
    QVERIFY(f.dialogs->openedFiles.empty());
    f.load();
    QCOMPARE(f.dialogs->openedFiles.size(), size_t(1));
    QCOMPARE(f.dialogs->openedFiles.front(),
             QDir::toNativeSeparators(f.folder.path() + u"/Manual/Quillon.htm"_qs));
    QCOMPARE(f.button("Command2")->text(), u"Help"_qs);
}

void TestWindowLoad::exitQuestion_data()
{
    QTest::addColumn<bool>("loadFirst");
    QTest::addColumn<QString>("question");
    QTest::newRow("before loading") << false << "Really Do You Want to Exit Without Saving ?";
    QTest::newRow("after loading") << true << "Really Do You Want to Exit ?";
}

void TestWindowLoad::exitQuestion()
{
    QFETCH(bool, loadFirst);
    QFETCH(QString, question);
    WindowFixture f(smallLibrary(), kSmallColors);
    if (loadFirst)
        f.load();
    f.dialogs->answers.push_back(kAnswerYes);
    QVERIFY(f.window->close());
    QCOMPARE(f.dialogs->messages.back().text, question);
    QCOMPARE(f.dialogs->messages.back().title, u"Warning"_qs);
    QCOMPARE(f.dialogs->messages.back().style, 52);
    QVERIFY(!f.window->isVisible());
}

void TestWindowLoad::exitNoKeepsEverything()
{
    WindowFixture f(smallLibrary(), kSmallColors);
    f.load();
    f.selectTab(3);
    f.grid()->setCurrentCell(2, 4);
    const QByteArray before = writeMaterialFile(f.window->library());
    f.dialogs->answers.push_back(kAnswerNo);
    QTest::mouseClick(f.button("Command1"), Qt::LeftButton);
    QVERIFY(f.window->isVisible());
    QCOMPARE(f.dialogs->messages.back().text, u"Really Do You Want to Exit ?"_qs);
    QCOMPARE(writeMaterialFile(f.window->library()), before);
    QCOMPARE(f.window->selectedQuantity(), Quantity::Insulation);
    QCOMPARE(f.grid()->row(), 2);
    QCOMPARE(f.grid()->col(), 4);
}

void TestWindowLoad::missingMaterialFile()
{
    WindowFixture f(smallLibrary(), kSmallColors);
    QFile::remove(f.folder.filePath(u"Korvane.mat"_qs));
    f.load();
    QVERIFY(!f.window->libraryLoaded());
    QCOMPARE(f.dialogs->messages.size(), size_t(1));
    QVERIFY(f.dialogs->messages.front().text.contains(
        QDir::toNativeSeparators(f.folder.filePath(u"Korvane.mat"_qs))));
    QCOMPARE(f.button("Command2")->text(), u"Load Materials"_qs);
    QVERIFY(f.picture()->isVisible());
    QVERIFY(!f.button("Updatee")->isVisible());

    // Once the file is there, loading works.
    f.writeFile(u"Korvane.mat"_qs, smallLibrary());
    f.load();
    QVERIFY(f.window->libraryLoaded());
    QCOMPARE(f.window->library().materialCount, 3);
}

void TestWindowLoad::oversizedMaterialFile()
{
    QByteArray lines;
    for (int i = 0; i < 1000; ++i)
        lines += "  0  Line,    0.1\r\n";
    WindowFixture f(lines, QByteArray());
    f.load();
    QVERIFY(!f.window->libraryLoaded());
    QCOMPARE(f.window->library().materialCount, 0);
    QCOMPARE(f.dialogs->messages.size(), size_t(1));
    QVERIFY(f.dialogs->messages.front().text.contains(u"1000"_qs));
    QCOMPARE(f.button("Command2")->text(), u"Load Materials"_qs);

    // 999 lines load completely.
    lines.chop(lines.size() / 1000);
    f.writeFile(u"Korvane.mat"_qs, lines);
    f.load();
    QVERIFY(f.window->libraryLoaded());
    QCOMPARE(f.window->library().materialCount, 999);
    QCOMPARE(f.grid()->textMatrix(999, 1), u"Line"_qs);
}

void TestWindowLoad::realMessageBoxAnswersYesOnEnter()
{
    QWidget parent;
    QtUserDialogs dialogs(&parent);
    QTimer::singleShot(0, [] {
        QWidget *box = QApplication::activeModalWidget();
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), u"Warning"_qs);
        QTest::keyClick(box, Qt::Key_Return);
    });
    QCOMPARE(dialogs.messageBox(u"Really Do You Want to Exit ?"_qs, u"Warning"_qs, 52), kAnswerYes);
    QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
    QCOMPARE(dialogs.messageBox(u"Really Do You Want to Exit ?"_qs, u"Warning"_qs, 52), kAnswerNo);
}

QTEST_MAIN(TestWindowLoad)
#include "tst_windowload.moc"
