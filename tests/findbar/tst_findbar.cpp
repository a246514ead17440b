#include "FindBar.h"

#include <QAction>
#include <QLabel>
#include <QtTest>

using namespace quillon;

class TestFindBar : public QObject {
    Q_OBJECT
private slots:
    void handlesKeys_data();
    void handlesKeys();
    void showsNotFoundInside();
};

void TestFindBar::handlesKeys_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QVariantList>("request"); // {text, forward} or empty
    QTest::addColumn<bool>("closed");

    const QKeySequence next(QKeySequence::FindNext);
    const QKeySequence previous(QKeySequence::FindPrevious);
    QTest::newRow("find next") << "b" << next << QVariantList{"b", true} << false;
    QTest::newRow("find previous") << "b" << previous << QVariantList{"b", false} << false;
    QTest::newRow("return") << "b" << QKeySequence(Qt::Key_Return) << QVariantList{"b", true}
                            << false;
    QTest::newRow("nothing to find") << "" << next << QVariantList{} << false;
    QTest::newRow("escape") << "b" << QKeySequence(Qt::Key_Escape) << QVariantList{} << true;
}

void TestFindBar::handlesKeys()
{
    QFETCH(QString, text);
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
    QTest::keyClicks(bar, text);
    QCOMPARE(requests.size(), text.isEmpty() ? 0 : 1); // typing finds at once
    requests.clear();
    QTest::keySequence(bar, keys);
    QCOMPARE(requests.value(0), request);
    QCOMPARE(closes.size(), closed ? 1 : 0);
    QCOMPARE(bar->isHidden(), closed);
    QCOMPARE(stolen.size(), 0);
}

void TestFindBar::showsNotFoundInside()
{
    FindBar bar;
    bar.show();
    QTest::keyClicks(&bar, "x");
    bar.showNotFound(true);
    QVERIFY(bar.findChild<QLabel *>()->isVisible());
    QVERIFY(bar.textMargins().right() > 0);
    QTest::keyClick(&bar, Qt::Key_Backspace); // no text left, nothing to report
    QVERIFY(!bar.isNotFoundShown() && bar.textMargins().right() == 0);
}

QTEST_MAIN(TestFindBar)
#include "tst_findbar.moc"
