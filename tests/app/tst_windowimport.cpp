#include "WindowFixture.h"

#include "LibraryFiles.h"

#include <QMimeData>
#include <QUrl>
#include <QtTest>

using namespace quillon;
using quillon::testing::WindowFixture;

namespace {

// The colours of the first two imports of every run.
constexpr MaterialColor kFirstImportColor = 9734324;   // RGB(180, 136, 148)
constexpr MaterialColor kSecondImportColor = 12995914; // RGB(74, 77, 198)

} // namespace

class TestWindowImport : public QObject {
    Q_OBJECT
private slots:
    void importsOrRefusesFile_data();
    void importsOrRefusesFile();
    void dialogMenuAndDrop();
};

void TestWindowImport::importsOrRefusesFile_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file
    QTest::addColumn<bool>("imported");
    QTest::newRow("one line") << QByteArray("0.5,0.25,0.1234,1,0.6,0.7,0.8,0.9\r\n") << true;
    QTest::newRow("missing file") << QByteArray() << false;
    QTest::newRow("library full") << QByteArray("0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8") << false;
}

void TestWindowImport::importsOrRefusesFile()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, imported);
    WindowFixture f;
    f.load();
    const auto import = [&f](const QString &name, const QByteArray &content) {
        f.writeFile(name, content);
        f.window->importLumeoMaterial(f.folder.filePath(name));
        return f.library().materialCount;
    };
    if (QTest::currentDataTag() == QLatin1String("library full"))
        f.enter(kMaxMaterials, 2, u"x"_qs); // an entry in the last slot fills the library
    const QByteArray before = writeMaterialFile(f.library());
    const int count = f.library().materialCount;
    const QList<int> cell{f.row(), f.col()};
    if (!content.isEmpty())
        f.writeFile(u"CARPET"_qs, content);
    f.window->importLumeoMaterial(f.folder.filePath(u"CARPET"_qs));
    if (imported) {
        const int n = count + 1;
        QCOMPARE(f.library().materialNames[size_t(n)], QByteArray("CARPET"));
        QVERIFY(f.dialogs->messages.empty());
        // On the first tab the new row is written in the editor's format, not refreshed.
        QCOMPARE((QStringList{f.text(n, 3), f.text(n, 4), f.text(n, 5), f.text(n, 6)}),
                 (QStringList{"0.0", "0.5", "0.25", "0.123"}));
        QCOMPARE((QList<int>{f.row(), f.col()}), (QList<int>{n, 12}));
        QCOMPARE(f.swatchColor(n), kFirstImportColor);
        QCOMPARE(f.chart()->pointValue(2), double(0.5f));
        const int next = import(u"second"_qs, "1 2 3 4 5 6 7 8");
        QCOMPARE(f.library().materialColors[size_t(next)], kSecondImportColor);
        return;
    }
    QCOMPARE(writeMaterialFile(f.library()), before);
    QCOMPARE((QList<int>{f.row(), f.col()}), cell);
    QCOMPARE(f.dialogs->messages.size(), size_t(1));
    QVERIFY(f.dialogs->messages.front().text.contains(u"CARPET"_qs));
    if (count < kMaxMaterials) { // a failed import does not use up a colour
        const int n = import(u"good"_qs, "1 2 3 4 5 6 7 8");
        QCOMPARE(f.library().materialColors[size_t(n)], kFirstImportColor);
    }
}

void TestWindowImport::dialogMenuAndDrop()
{
    WindowFixture f;
    QPushButton *button = f.button("actionButton");
    f.writeFile(u"one"_qs, "1 2 3 4 5 6 7 8");
    f.writeFile(u"two"_qs, "8 7 6 5 4 3 2 1");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(f.folder.filePath(u"one"_qs)),
                  QUrl::fromLocalFile(f.folder.filePath(u"two"_qs))});
    const QPoint at(f.window->width() / 2, 5);
    auto dragAccepted = [&] {
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(f.window.get(), &enter);
        return enter.isAccepted();
    };
    // The rows of the button's picture that hold caption text, in bands.
    auto textBands = [&] {
        const QImage image = button->grab().toImage();
        int bands = 0;
        bool inBand = false;
        for (int y = 0; y < image.height(); ++y) {
            bool dark = false;
            for (int x = 3; x < image.width() - 3 && !dark; ++x)
                dark = qGray(image.pixel(x, y)) < 80;
            bands += dark && !inBand;
            inBand = dark;
        }
        return bands;
    };
    const QSize designed = button->size();
    const int loadCaptionBands = textBands();
    emit button->customContextMenuRequested(QPoint(5, 5)); // neither offered before loading
    QVERIFY(f.dialogs->menus.empty());
    QVERIFY(!dragAccepted());

    f.load();
    f.dialogs->menuAnswers = {0};
    emit button->customContextMenuRequested(QPoint(5, 5));
    QCOMPARE(f.dialogs->menus.back(), (QStringList{u"Import Lumeo Material"_qs, u"Help"_qs}));
    QCOMPARE(button->text(), u"Import Lumeo Material"_qs);
    // The longer caption wraps onto a second line within the designed size.
    QCOMPARE(textBands(), loadCaptionBands + 1);
    QCOMPARE(button->size(), designed);

    const int count = f.library().materialCount;
    f.load(); // cancelled: nothing changes, no message
    QCOMPARE(f.library().materialCount, count);
    QVERIFY(f.dialogs->messages.empty() && f.window->lastImportPath().isEmpty());
    QCOMPARE(f.dialogs->fileRequests.back(),
             (QStringList{u"Load a Lumeo Material File"_qs, u"Lumeo Material files|*"_qs,
                          f.folder.path()}));
    QDir(f.folder.path()).mkdir(u"lumeo"_qs);
    f.writeFile(u"lumeo/wool"_qs, "1 2 3 4 5 6 7 8");
    f.dialogs->fileAnswers = {f.folder.filePath(u"lumeo/wool"_qs)};
    f.load();
    QCOMPARE(f.library().materialCount, count + 1);
    f.load(); // the next dialog starts in the folder of the last file
    QCOMPARE(f.dialogs->fileRequests.back().last(), f.folder.filePath(u"lumeo"_qs));
    QCOMPARE(f.window->lastImportPath(), f.folder.filePath(u"lumeo/wool"_qs));

    QVERIFY(dragAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.window.get(), &drop);
    QCOMPARE(f.library().materialCount, count + 3);
    QCOMPARE(f.library().materialNames[size_t(count + 3)], QByteArray("two"));
    QCOMPARE(f.alpha(count + 3, 2), 8.0f);

    f.dialogs->menuAnswers = {std::nullopt, 1};
    emit button->customContextMenuRequested(QPoint(5, 5));
    QCOMPARE(button->text(), u"Import Lumeo Material"_qs);
    emit button->customContextMenuRequested(QPoint(5, 5));
    f.load();
    QCOMPARE(button->text(), u"Help"_qs);
    QCOMPARE(f.dialogs->openedFiles.size(), size_t(1));
}

QTEST_MAIN(TestWindowImport)
#include "tst_windowimport.moc"
