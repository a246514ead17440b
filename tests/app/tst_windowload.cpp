#include "LibraryFiles.h"
#include "QuantityTraits.h"
#include "WindowFixture.h"

#include <QClipboard>
#include <QSignalSpy>
#include <QtTest>

using namespace quillon;
using quillon::testing::WindowFixture;

namespace {

// Plaster: absorption only; Brick: absorption and insulation; Empty: a name and nothing else.
QByteArray smallLibrary()
{
    MaterialLibrary library;
    library.materialCount = 3;
    library.materialNames[1] = "Plaster";
    library.hasAlpha[1] = true;
    for (size_t b = 1; b <= kBandCount; ++b)
        library.alphaR[1][b] = 0.05f * static_cast<float>(b);
    library.materialNames[2] = "Brick";
    library.hasAlpha[2] = library.hasInsulation[2] = true;
    library.alphaR[2].fill(1.0f);
    library.insulationR[2].fill(48.75f); // written and read back as 48.8
    library.insulationR[2][1] = 52.0f;
    library.materialNames[3] = "Empty";
    return writeMaterialFile(library);
}

const QByteArray kSmallColors = " 255 \r\n 65280 \r\n 0 \r\n 16711680 \r\n";

} // namespace

class TestWindowLoad : public QObject {
    Q_OBJECT
private slots:
    void startUp_data();
    void startUp();
    void loadWays_data();
    void loadWays();
    void tabsFormatTableAndChart_data();
    void tabsFormatTableAndChart();
    void refreshKeepsCellAndSelection_data();
    void refreshKeepsCellAndSelection();
    void keyboard();
    void exitQuestion_data();
    void exitQuestion();
    void sessionEndAsksOnce();
};

void TestWindowLoad::startUp_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("visible");
    QTest::addColumn<QString>("focus");
    const QStringList passed = {u"quantityTabs"_qs, u"spectrumChart"_qs, u"startPicture"_qs,
                                u"actionButton"_qs, u"copyButton"_qs,    u"pasteButton"_qs};
    // Failed: everything but "Update File", which must not save an empty library over the files.
    const QStringList failed =
        passed + QStringList{u"quitButton"_qs, u"cellEditor"_qs, u"materialTable"_qs};
    QTest::newRow("passed") << "C" << 0 << passed << "actionButton";
    QTest::newRow("failed, yes") << "de_DE" << int(QMessageBox::Yes) << failed << "quitButton";
    QTest::newRow("failed, no") << "de_DE" << int(QMessageBox::No) << failed << "quitButton";
}

void TestWindowLoad::startUp()
{
    QFETCH(QString, locale);
    QFETCH(int, answer);
    QFETCH(QStringList, visible);
    QFETCH(QString, focus);
    auto fake = std::make_unique<FakeDialogs>();
    FakeDialogs *dialogs = fake.get();
    if (answer)
        dialogs->answers.push_back(QMessageBox::StandardButton(answer));
    MainWindow window(std::move(fake));
    window.startUp(QDir::tempPath(), QLocale(locale));
    window.show();

    for (const char *name :
         {"quantityTabs", "spectrumChart", "startPicture", "actionButton", "copyButton",
          "pasteButton", "quitButton", "cellEditor", "materialTable", "updateFileButton"}) {
        const auto *control = window.findChild<QWidget *>(QLatin1String(name));
        QCOMPARE(control && control->isVisible(), visible.contains(QLatin1String(name)));
    }
    QCOMPARE(window.focusWidget()->objectName(), focus);
    QCOMPARE(window.windowIcon().availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
    QCOMPARE(dialogs->messages.empty(), answer == 0);
    if (answer != 0) {
        QCOMPARE(dialogs->messages.front().text,
                 u"Your regional settings are not compatible with Korvane. Do You want to change "
                 "them now?"_qs);
        // Yes opens a settings page, or says how to set the format where none is installed.
        QCOMPARE(dialogs->started.size() + dialogs->messages.size(),
                 size_t(answer == QMessageBox::Yes ? 2 : 1));
    }
    window.close();
}

void TestWindowLoad::loadWays_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<int>("lines"); // of a refused material file, -1 for none; 0: a good library
    QTest::addColumn<QString>("caption");
    QTest::newRow("button") << "button" << 0 << "Help";
    QTest::newRow("picture") << "picture" << 0 << "Load Materials";
    QTest::newRow("margin") << "margin" << 0 << "Load Materials";
    QTest::newRow("refused, missing") << "button" << -1 << "Load Materials";
}

void TestWindowLoad::loadWays()
{
    QFETCH(QString, way);
    QFETCH(int, lines);
    QFETCH(QString, caption);
    const QByteArray line("  0  Line,    0.1\r\n");
    WindowFixture f(lines ? line.repeated(std::max(lines, 0)) : smallLibrary(), kSmallColors);
    if (lines < 0)
        QFile::remove(f.folder.filePath(u"Korvane.mat"_qs));
    auto requestLoad = [&] {
        if (way == u"button")
            f.load();
        else if (way == u"picture")
            QTest::mouseClick(f.control("startPicture"), Qt::LeftButton, {}, QPoint(5, 5));
        else
            QTest::mouseClick(f.window.get(), Qt::LeftButton, {}, QPoint(2, 2));
    };
    // A second request, queued while the first runs.
    QMetaObject::invokeMethod(f.window.get(), &MainWindow::loadLibrary, Qt::QueuedConnection);
    requestLoad();
    const bool loaded = lines == 0;
    QCOMPARE(f.window->document().isLoaded(), loaded);
    QCOMPARE(f.button("actionButton")->text(), caption);
    QCOMPARE(f.control("startPicture")->isVisible(), !loaded);
    for (const char *name : {"quitButton", "updateFileButton", "cellEditor", "materialTable"})
        QVERIFY2((f.control(name) && f.control(name)->isVisible()) == loaded, name);
    QCOMPARE(f.dialogs->messages.size(), size_t(1));
    // The one message names the refused file, or the colour file's colour too many.
    QVERIFY(
        f.dialogs->messages.front().text.contains(loaded ? u"korcolor.mat"_qs : u"Korvane.mat"_qs));
    f.dialogs->messages.clear();
    if (!loaded) {
        QCOMPARE(f.library().materialCount, 0);
        f.writeFile(u"Korvane.mat"_qs, line.repeated(999));
        f.load();
        QCOMPARE(f.library().materialCount, 999);
        return;
    }

    QCOMPARE(f.grid()->model()->rowCount(), 999);
    QStringList header;
    for (int c = 0; c < 13; ++c)
        header << f.text(0, c);
    QCOMPARE(header.join(u'|'), u"N. |Frequency (Hz)|Color|31.5|63|125|250|500|1k|2k|4k|8k|16k"_qs);
    QCOMPARE((QList<int>{f.row(), f.col()}), (QList<int>{1, 3}));

    // Later requests do not load again; the button hides the picture and turns to help, and
    // the next click opens the manual.
    f.writeFile(u"Korvane.mat"_qs, QByteArray());
    if (way != u"button") {
        requestLoad();
        f.load();
    }
    f.load();
    QCOMPARE(f.library().materialCount, 3);
    QCOMPARE(f.button("actionButton")->text(), u"Help"_qs);
    const QString manual = QDir::toNativeSeparators(f.folder.path() + u"/Manual/Quillon.htm"_qs);
    QCOMPARE(f.dialogs->openedFiles, std::vector<QString>{manual});
    // Where the desktop cannot open it, the program shows the manual itself; only when that
    // fails too is the user told.
    f.dialogs->opensFiles = false;
    f.load();
    QCOMPARE(f.dialogs->shownManuals, std::vector<QString>{manual});
    QVERIFY(f.dialogs->messages.empty());
    f.dialogs->manualShows = false;
    f.load();
    QCOMPARE(f.dialogs->messages.size(), size_t(1));
}

void TestWindowLoad::tabsFormatTableAndChart_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("brickBand1"); // in the table; its formats: tst_librarydocument
    QTest::addColumn<double>("brickChartBand1");
    QTest::addColumn<double>("axisMaximum");
    QTest::newRow("True") << 1 << "1.000" << 1.0 << 1.0;
    QTest::newRow("Sabine") << 2 << "1.447" << 1.447201 << 1.5;
    QTest::newRow("insulation") << 3 << "52.0" << 52.0 << 100.0;
    QTest::newRow("scattering") << 4 << "0.1" << double(0.1f) << 1.0;
}

void TestWindowLoad::tabsFormatTableAndChart()
{
    QFETCH(int, tab);
    QFETCH(QString, brickBand1);
    QFETCH(double, brickChartBand1);
    QFETCH(double, axisMaximum);
    WindowFixture f(smallLibrary(), kSmallColors);
    f.load();
    f.selectTab(tab); // the tab already shown is refreshed too
    QCOMPARE(f.dialogs->beeps, 2);
    QCOMPARE(f.window->document().history().count(), 0); // showing a tab stores nothing
    QCOMPARE(f.text(2, 3), brickBand1);
    f.clickCell(2, 5);
    QVERIFY(qAbs(f.chart()->pointValue(1) - brickChartBand1) < 1e-6);
    QCOMPARE(f.chart()->axisMaximum(), axisMaximum);
    // Tabs and band headings name the quantity with its unit.
    const QString quantity = QString::fromUtf16(quantityTraits(Quantity(tab)).description);
    QVERIFY(
        f.control("quantityTabs")->findChild<QTabBar *>()->tabToolTip(tab - 1).endsWith(quantity));
    QCOMPARE(f.grid()->model()->headerData(6, Qt::Horizontal, Qt::ToolTipRole).toString(),
             quantity + u", 500 Hz"_qs);
}

void TestWindowLoad::refreshKeepsCellAndSelection_data()
{
    QTest::addColumn<QString>("refresh");
    QTest::newRow("two tab clicks") << "tabs";
    QTest::newRow("paste over the current cell") << "paste";
    QTest::newRow("import") << "import";
}

void TestWindowLoad::refreshKeepsCellAndSelection()
{
    QFETCH(QString, refresh);
    WindowFixture f(smallLibrary(), kSmallColors);
    f.load();
    MaterialTableView *g = f.grid();
    f.clickCell(2, 3); // the table has the focus, as a user's click gives it
    QVERIFY(g->hasFocus());
    f.select(2, 3, refresh == u"paste" ? 2 : 3, 4);
    QList<int> expected = f.selection();
    if (refresh == u"tabs") {
        f.selectTab(3);
        f.selectTab(1);
    } else if (refresh == u"paste") {
        QGuiApplication::clipboard()->setText(u"0.25\t0.5"_qs);
        QTest::keyClick(g, Qt::Key_V, Qt::ControlModifier);
    } else {
        f.writeFile(u"CARPET"_qs, "0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8");
        f.selectTab(2);
        f.window->importLumeoMaterial(f.folder.filePath(u"CARPET"_qs));
        expected = {4, 2, 4, 2}; // on the new material's swatch, and no further
        // Shown on the first tab, in its format.
        QCOMPARE(f.window->selectedQuantity(), Quantity::TrueAbsorption);
        QCOMPARE(f.text(4, 4), u"0.100"_qs);
    }
    QCOMPARE((f.selection()), expected);
    QVERIFY(g->isVisible());
    // The editor and the chart show what the library now holds, so Enter stores nothing stale.
    if (refresh != u"import")
        QCOMPARE(f.cell()->text(), f.text(f.row(), f.col()));
    QCOMPARE(f.chart()->pointValue(2), double(f.alpha(f.row(), 2)));
    if (refresh == u"paste") {
        QCOMPARE(f.cell()->text(), u"0.250"_qs);
        QTest::mouseClick(f.cell(), Qt::LeftButton);
        QTest::keyClick(f.cell(), Qt::Key_Return);
        QVERIFY(f.alpha(2, 1) == 0.25f && f.alpha(2, 2) == 0.5f);
    }
}

void TestWindowLoad::keyboard()
{
    WindowFixture f(smallLibrary(), kSmallColors);
    f.load();
    for (const char *name :
         {"actionButton", "quitButton", "updateFileButton", "copyButton", "pasteButton"}) {
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
            f.dialogs->answers = {QMessageBox::No}; // stay, should "Quit" ask
            QPushButton *target = f.button(name);
            target->setFocus();
            QSignalSpy clicked(target, &QPushButton::clicked);
            QTest::keyClick(target, key,
                            key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
            QTRY_VERIFY2(clicked.size() == 1, name);
        }
    }

    // The table is the last stop of the tab order; the arrows move between its cells.
    f.clickCell(2, 4);
    QTest::keyClick(f.grid(), Qt::Key_Right);
    QCOMPARE(f.col(), 5);
    QTest::keyClick(f.grid(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), f.button("quitButton"));
    f.clickCell(2, 4);
    QTest::keyClick(f.grid(), Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), f.button("pasteButton"));
    QCOMPARE((QList<int>{f.row(), f.col()}), (QList<int>{2, 4}));
}

void TestWindowLoad::exitQuestion_data()
{
    QTest::addColumn<QString>("before"); // what the user did before leaving
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("question");
    const QString unsaved = u"Really Do You Want to Exit Without Saving ?"_qs;
    const QString saved = u"Really Do You Want to Exit ?"_qs;
    QTest::newRow("nothing loaded") << "" << int(QMessageBox::Yes) << unsaved;
    QTest::newRow("loaded") << "load" << int(QMessageBox::Yes) << saved;
    QTest::newRow("edited, no") << "load edit" << int(QMessageBox::No) << unsaved;
    QTest::newRow("edited and saved") << "load edit save" << int(QMessageBox::Yes) << saved;
}

void TestWindowLoad::exitQuestion()
{
    QFETCH(QString, before);
    QFETCH(int, answer);
    QFETCH(QString, question);
    WindowFixture f(smallLibrary(), kSmallColors);
    for (const QString &step : before.split(u' ', Qt::SkipEmptyParts)) {
        if (step == u"load") {
            f.load();
            f.selectTab(3);
        } else if (step == u"edit") {
            f.enter(2, 4, u"33"_qs);
        } else {
            f.click("updateFileButton");
        }
    }
    // The title carries the modified mark exactly while the question warns.
    QCOMPARE(f.window->isWindowModified(), question.contains(u"Without") && !before.isEmpty());
    f.dialogs->answers.push_back(QMessageBox::StandardButton(answer));
    if (f.button("quitButton")->isVisible())
        f.click("quitButton");
    else
        f.window->close();
    const FakeDialogs::Message &asked = f.dialogs->messages.back();
    QCOMPARE((QStringList{asked.text, asked.title}), (QStringList{question, u"Warning"_qs}));
    QVERIFY(asked.icon == QMessageBox::Warning && asked.buttons == kYesNo);
    QCOMPARE(f.window->isVisible(), answer == QMessageBox::No);
    if (answer == QMessageBox::No) // staying keeps the tab and the cell
        QVERIFY(f.window->selectedQuantity() == Quantity::Insulation && f.row() == 2);
}

void TestWindowLoad::sessionEndAsksOnce()
{
    WindowFixture f(smallLibrary(), kSmallColors);
    f.load();
    f.enter(2, 4, u"33"_qs);
    const size_t asked = f.dialogs->messages.size();
    QVERIFY(f.window->agreeToSessionEnd(false)); // a session that may not ask is not held up
    QCOMPARE(f.dialogs->messages.size(), asked);
    f.dialogs->answers = {QMessageBox::No, QMessageBox::Yes};
    QVERIFY(!f.window->agreeToSessionEnd(true));
    QVERIFY(f.window->agreeToSessionEnd(true));
    f.window->close(); // the session's close asks no second time
    QCOMPARE(f.dialogs->messages.size(), asked + 2);
    QVERIFY(!f.window->isVisible());
}

QTEST_MAIN(TestWindowLoad)
#include "tst_windowload.moc"
