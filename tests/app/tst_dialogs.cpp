#include "ManualBrowser.h"
#include "UserDialogs.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextBlock>
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

void TestDialogs::messageBoxGivesFocusBack()
{
    QWidget window;
    new QLineEdit(&window);
    auto *typing = new QLineEdit(&window);
    typing->move(0, 40);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    typing->setFocus();
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    QtUserDialogs(&window).messageBox(u"Pasted."_qs, u"Quillon"_qs, kExclamationIcon);
    QTRY_VERIFY(typing->hasFocus());
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
    opener.write(QStringLiteral("#!/bin/sh\necho \"$1\" > \"%1\"\nexit %2\n")
                     .arg(bin.filePath(u"asked"_qs))
                     .arg(exitCode)
                     .toUtf8());
    opener.close();
    opener.setPermissions(opener.permissions() | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
    std::optional<bool> opened;
    QtUserDialogs dialogs(nullptr);
    dialogs.openLocalFile(u"/lib/Manual/Quillon.htm"_qs, [&](bool result) { opened = result; });
    qputenv("PATH", path);
    QTRY_VERIFY(opened.has_value());
    QCOMPARE(*opened, exitCode == 0);
    QFile asked(bin.filePath(u"asked"_qs));
    QVERIFY(asked.open(QIODevice::ReadOnly));
    QCOMPARE(asked.readAll().trimmed(), QByteArray("file:///lib/Manual/Quillon.htm"));
}

void TestDialogs::figuresDrawn_data()
{
    QTest::addColumn<QString>("svg");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QColor>("color"); // invalid: nothing drawn there
    const QString box = u"<svg viewBox=\"0 0 100 100\">%1</svg>"_qs;
    const QString rect = u"<rect x=\"20\" y=\"20\" width=\"60\" height=\"60\" %1/>"_qs;
    QTest::newRow("filled, scaled") << box.arg(rect.arg(u"fill=\"#ff0000\""_qs)) << QPoint(12, 12)
                                    << QColor(Qt::red);
    QTest::newRow("outside") << box.arg(rect.arg(u"fill=\"red\""_qs)) << QPoint(8, 8) << QColor();
    QTest::newRow("group colour")
        << box.arg(u"<g fill=\"#00ff00\">"_qs + rect.arg(QString()) + u"</g>"_qs) << QPoint(25, 25)
        << QColor(Qt::green);
    QTest::newRow("outline only")
        << box.arg(rect.arg(u"fill=\"none\" stroke=\"blue\" stroke-width=\"4\""_qs))
        << QPoint(25, 25) << QColor();
    QTest::newRow("after unknown parts")
        << box.arg(u"<title>a&nbsp;b</title><path d=\"M0 0\"/>"_qs + rect.arg(u"fill=\"blue\""_qs))
        << QPoint(25, 25) << QColor(Qt::blue);
}

void TestDialogs::figuresDrawn()
{
    QFETCH(QString, svg);
    QFETCH(QPoint, at);
    QFETCH(QColor, color);
    const QImage image = drawInlineFigure(svg, QSize(50, 50));
    QCOMPARE(image.pixelColor(at), color.isValid() ? color : QColor(Qt::transparent));
}

void TestDialogs::manualFigureIsPicture()
{
    ManualBrowser browser;
    browser.setSource(QUrl::fromLocalFile(qEnvironmentVariable("QUILLON_TEST_DATA") +
                                          u"/../docs/Manual/Quillon.htm"_qs));
    QVERIFY(browser.toPlainText().contains(u"The window after loading"_qs));
    QVERIFY(!browser.toPlainText().contains(u"Concrete unpainted"_qs));
    QImage figure;
    for (QTextBlock block = browser.document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextImageFormat format = it.fragment().charFormat().toImageFormat();
            if (format.isValid())
                figure = browser.document()
                             ->resource(QTextDocument::ImageResource, QUrl(format.name()))
                             .value<QImage>();
        }
    }
    QCOMPARE(figure.size(), QSize(676, 467));
    QCOMPARE(figure.pixelColor(40, 50), QColor(0xff, 0xff, 0xe0)); // the cell editor
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
