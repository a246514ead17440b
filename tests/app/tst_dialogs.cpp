#include "ManualBrowser.h"
#include "UserDialogs.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace quillon;

class TestDialogs : public QObject {
    Q_OBJECT
private slots:
    void messageBoxGivesFocusBack();
    void openerResultDecides_data();
    void openerResultDecides();
    void figuresDrawn_data();
    void figuresDrawn();
    void manualFigureIsPicture();
};

// Enter takes the default button, No where Yes would overwrite something, and the focus returns.
void TestDialogs::messageBoxGivesFocusBack()
{
    QWidget window;
    auto *typing = new QLineEdit(&window);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    for (const auto defaultButton : {QMessageBox::Yes, QMessageBox::No}) {
        typing->setFocus();
        QTimer::singleShot(
            0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Return); });
        QCOMPARE(QtUserDialogs(&window).messageBox(u"Really Do You Want to Exit ?"_qs,
                                                   u"Warning"_qs, QMessageBox::Warning, kYesNo,
                                                   defaultButton),
                 defaultButton);
        QTRY_VERIFY(typing->hasFocus());
    }
}

void TestDialogs::openerResultDecides_data()
{
    QTest::addColumn<int>("exitCode");
    QTest::newRow("opened") << 0;
    QTest::newRow("no viewer") << 3;
}

void TestDialogs::openerResultDecides()
{
    QFETCH(int, exitCode);
    QTemporaryDir bin;
    QFile opener(bin.filePath(u"xdg-open"_qs));
    QVERIFY(opener.open(QIODevice::WriteOnly));
    opener.write(QByteArray("#!/bin/sh\nexit ") + QByteArray::number(exitCode) + '\n');
    opener.close();
    opener.setPermissions(opener.permissions() | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
    std::optional<bool> opened;
    QtUserDialogs dialogs(nullptr);
    dialogs.openLocalFile(u"/lib/Manual/Quillon.htm"_qs, [&](bool result) { opened = result; });
    qputenv("PATH", path);
    QTRY_VERIFY(opened.has_value());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the ended opener
    QCOMPARE(*opened, exitCode == 0);
}

void TestDialogs::figuresDrawn_data()
{
    QTest::addColumn<QString>("shapes"); // in a 100 x 100 box drawn at 50 x 50 pixels
    QTest::addColumn<QColor>("color");   // at pixel (12, 12); transparent: nothing there
    const QString rect = u"<rect x='20' y='20' width='60' height='60' %1/>"_qs;
    QTest::newRow("filled") << rect.arg(u"fill='#ff0000'"_qs) << QColor(Qt::red);
    QTest::newRow("group colour") << u"<g fill='lime'>"_qs + rect.arg(QString()) + u"</g>"_qs
                                  << QColor(Qt::green);
    QTest::newRow("outline only") << rect.arg(u"fill='none' stroke='red' stroke-width='2'"_qs)
                                  << QColor(Qt::transparent);
    QTest::newRow("after unknown parts")
        << u"<title>a&nbsp;b</title><path d='M0 0'/>"_qs + rect.arg(u"fill='blue'"_qs)
        << QColor(Qt::blue);
}

void TestDialogs::figuresDrawn()
{
    QFETCH(QString, shapes);
    QFETCH(QColor, color);
    const QString svg = u"<svg viewBox='0 0 100 100'>"_qs + shapes + u"</svg>"_qs;
    QCOMPARE(drawInlineFigure(svg, QSize(50, 50)).pixelColor(12, 12), color);
}

void TestDialogs::manualFigureIsPicture()
{
    ManualBrowser browser;
    browser.setSource(QUrl::fromLocalFile(qEnvironmentVariable("QUILLON_TEST_DATA") +
                                          u"/../docs/Manual/Quillon.htm"_qs));
    QVERIFY(!browser.toPlainText().contains(u"Concrete unpainted"_qs));
    const QString image =
        QRegularExpression(u"<img src=\"([^\"]+)\""_qs).match(browser.toHtml()).captured(1);
    const auto figure =
        browser.document()->resource(QTextDocument::ImageResource, QUrl(image)).value<QImage>();
    QCOMPARE(figure.size(), QSize(676, 467));
    QCOMPARE(figure.pixelColor(150, 45), QColor(0xff, 0xff, 0xe0)); // the cell editor, right of its text
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
