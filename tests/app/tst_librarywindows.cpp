#include "FakeDialogs.h"
#include "LibraryWindows.h"
#include "MainWindow.h"

#include <QClipboard>
#include <QPushButton>
#include <QtTest>

using namespace quillon;

class TestLibraryWindows : public QObject {
    Q_OBJECT
private slots:
    void windowArguments_data();
    void windowArguments();
    void titles();
    void readOnlyWindowRefusesAndOpensOthers();
    void missingFolderOpensNoWindow();
};

void TestLibraryWindows::windowArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("folder"); // below the working folder
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("problem");
    auto row = [](const char *tag, const QStringList &arguments, const QString &folder,
                  bool readOnly = false, const QString &problem = {}) {
        QTest::newRow(tag) << arguments << folder << readOnly << problem;
    };
    row("nothing: beside the program", {}, {});
    row("a folder named like a command", {u"--"_qs, u"check"_qs}, u"check"_qs);
    row("relative with blanks, read-only", {u"--read-only"_qs, u"my lib/"_qs}, u"my lib"_qs, true);
    row("a file", {u"lib/file"_qs}, u"lib/file"_qs, false, u"\"%1/lib/file\" is not a folder"_qs);
    row("two folders", {u"lib"_qs, u"check"_qs}, {}, false, u"one folder at most, not 2"_qs);
    row("unknown option", {u"lib"_qs, u"--frob"_qs}, u"lib"_qs, false,
        u"unknown option '--frob'"_qs);
}

void TestLibraryWindows::windowArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, folder);
    QFETCH(bool, readOnly);
    QFETCH(QString, problem);
    QTemporaryDir work;
    for (const char *name : {"lib", "my lib", "check"})
        QDir(work.path()).mkdir(QLatin1String(name));
    QFile(work.filePath(u"lib/file"_qs)).open(QIODevice::WriteOnly);
    const auto start = windowStartOf(arguments, work.path());
    QVERIFY(start); // commands and their mistakes: tst_commandline
    QCOMPARE(start->problem, QString(problem).replace(u"%1"_qs, work.path()));
    QCOMPARE(start->folder, folder.isEmpty() ? QString() : work.filePath(folder));
    QCOMPARE(start->readOnly, readOnly);
}

void TestLibraryWindows::titles()
{
    const QString beside = u"/opt/quillon"_qs;
    QCOMPARE(windowTitleFor(beside + u'/', beside, false), u"Quillon 2.0[*]"_qs);
    QCOMPARE(windowTitleFor(QDir::homePath() + u"/libraries/reference"_qs, beside, true),
             u"Quillon 2.0 \u2013 ~/libraries/reference (read-only)[*]"_qs);
}

void TestLibraryWindows::readOnlyWindowRefusesAndOpensOthers()
{
    QTemporaryDir library;
    for (const QString &name : {u"Korvane.mat"_qs, u"korcolor.mat"_qs})
        QFile::copy(qEnvironmentVariable("QUILLON_TEST_DATA") + u'/' + name,
                    library.filePath(name));
    auto owned = std::make_unique<FakeDialogs>();
    FakeDialogs &dialogs = *owned;
    MainWindow window(std::move(owned));
    window.setLibraryFolder(library.path(), true);
    window.startUp(QDir::tempPath() + u"/elsewhere"_qs, QLocale::c());
    QVERIFY(window.windowTitle().endsWith(u" (read-only)[*]"_qs));
    window.runActionButton();
    auto *update = window.findChild<QPushButton *>(u"updateFileButton"_qs);
    QVERIFY(!update->isEnabled() && !update->toolTip().isEmpty());
    QGuiApplication::clipboard()->setText(u"0.5"_qs);
    window.pasteSelection();
    QCOMPARE(dialogs.messages.size(), size_t(1));
    QVERIFY(dialogs.messages.front().text.contains(u"read-only"_qs));
    dialogs.fileAnswers.push_back(u"/srv/check"_qs);
    window.openLibrary(true);
    QCOMPARE(dialogs.started.back(), (QStringList{QCoreApplication::applicationFilePath(),
                                                  u"--read-only"_qs, u"--"_qs, u"/srv/check"_qs}));
}

void TestLibraryWindows::missingFolderOpensNoWindow()
{
    QProcess quillon;
    quillon.start(QStringLiteral(QUILLON_EXECUTABLE), {u"./no such folder"_qs});
    QVERIFY(quillon.waitForFinished(10000));
    QCOMPARE(quillon.exitCode(), 2);
    QVERIFY(quillon.readAllStandardError().contains("/no such folder\" does not exist"));
}

QTEST_MAIN(TestLibraryWindows)
#include "tst_librarywindows.moc"
