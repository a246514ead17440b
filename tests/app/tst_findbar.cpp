#include "FindBar.h"

#include <QAction>
#include <QtTest>

using namespace quillon;

class TestFindBar : public QObject {
    Q_OBJECT
private slots:
    void handlesKeys_data();
    void handlesKeys();
};

void TestFindBar::handlesKeys_data()
{
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QVariantList>("request"); // {text, forward} or empty
    QTest::addColumn<bool>("closed");

    QTest::newRow("find next") << QKeySequence(QKeySequence::FindNext) << QVariantList{"b", true}
                               << false;
    QTest::newRow("return") << QKeySequence(Qt::Key_Return) << QVariantList{"b", true} << false;
    QTest::newRow("erased") << QKeySequence(Qt::Key_Backspace) << QVariantList{} << false;
    QTest::newRow("escape") << QKeySequence(Qt::Key_Escape) << QVariantList{} << true;
}

void TestFindBar::handlesKeys()
{
    QFETCH(QKeySequence, keys);
    QFETCH(QVariantList, request);
    QFETCH(bool, closed);

    QWidget window;
    // The window's own shortcuts on the same keys must not steal them from the field.
    QAction windowAction(&window);
    windowAction.setShortcuts({QKeySequence::FindNext, QKeySequence::FindPrevious,
                               QKeySequence(Qt::Key_Escape), QKeySequence(Qt::Key_Return)});
    window.addAction(&windowAction);
    QSignalSpy stolen(&windowAction, &QAction::triggered);
    auto *bar = new FindBar(&window);
    window.show();
    bar->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QSignalSpy requests(bar, &FindBar::findRequested);
    QSignalSpy closes(bar, &FindBar::closed);
    QTest::keyClicks(bar, QStringLiteral("b"));
    QCOMPARE(requests.size(), 1); // typing finds at once
    requests.clear();
    bar->showNotFound(true);
    QTest::keySequence(bar, keys);
    // Shown inside the field until nothing is left to find.
    QCOMPARE(bar->isNotFoundShown(), !bar->text().isEmpty());
    QCOMPARE(requests.value(0), request);
    QCOMPARE(closes.size(), closed ? 1 : 0);
    QCOMPARE(bar->isHidden(), closed);
    QCOMPARE(stolen.size(), 0);
}

QTEST_MAIN(TestFindBar)
#include "tst_findbar.moc"
