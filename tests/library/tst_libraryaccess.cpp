#include "LibraryAccess.h"
#include "LibraryStorage.h"

#include <QtTest>
#include <unistd.h>

using namespace quillon;

class TestLibraryAccess : public QObject {
    Q_OBJECT
private slots:
    void readOnlyOnlyWhenNothingTakesWrites_data();
    void readOnlyOnlyWhenNothingTakesWrites();
    void packagedLibraryAsOrdinaryUser();
};

void TestLibraryAccess::readOnlyOnlyWhenNothingTakesWrites_data()
{
    QTest::addColumn<QStringList>("writable"); // of "folder", "materials", "colors"
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("packaged: nothing writable") << QStringList() << true;
    QTest::newRow("folder takes new files") << QStringList{u"folder"_qs} << false;
    QTest::newRow("material file in place") << QStringList{u"materials"_qs} << false;
    QTest::newRow("colour file in place") << QStringList{u"colors"_qs} << false;
}

void TestLibraryAccess::readOnlyOnlyWhenNothingTakesWrites()
{
    QFETCH(QStringList, writable);
    QFETCH(bool, readOnly);
    const QString folder = u"/opt/quillon"_qs;
    const QHash<QString, QString> names = {{folder, u"folder"_qs},
                                           {materialFilePath(folder), u"materials"_qs},
                                           {colorFilePath(folder), u"colors"_qs}};
    QCOMPARE(isLibraryReadOnly(folder, [&](const QString &path) {
                 return writable.contains(names.value(path));
             }),
             readOnly);
}

// Root may write anywhere, so the real probe is checked as an ordinary user: the suite runs
// this function again as "nobody" over a folder root prepared.
void TestLibraryAccess::packagedLibraryAsOrdinaryUser()
{
    const QString given = qEnvironmentVariable("QUILLON_PACKAGED");
    if (!given.isEmpty()) {
        QVERIFY(isLibraryReadOnly(given));
        QVERIFY(!isLibraryReadOnly(QDir::tempPath()));
        return;
    }
    const QString runuser = QStandardPaths::findExecutable(u"runuser"_qs);
    if (::geteuid() != 0 || runuser.isEmpty())
        QSKIP("needs root and runuser to become an ordinary user");
    QTemporaryDir packaged;
    for (const QString &name : {materialFilePath(packaged.path()), colorFilePath(packaged.path())}) {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::ReadOther));
    }
    QFile::setPermissions(packaged.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                               QFile::ExeOther);
    QProcess run;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QUILLON_PACKAGED"_qs, packaged.path());
    run.setProcessEnvironment(environment);
    run.start(runuser, {u"-u"_qs, u"nobody"_qs, u"--"_qs, QCoreApplication::applicationFilePath(),
                        u"packagedLibraryAsOrdinaryUser"_qs});
    QVERIFY(run.waitForFinished());
    QVERIFY2(run.exitCode() == 0, run.readAllStandardOutput().constData());
    QFile::setPermissions(packaged.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QTEST_GUILESS_MAIN(TestLibraryAccess)
#include "tst_libraryaccess.moc"
