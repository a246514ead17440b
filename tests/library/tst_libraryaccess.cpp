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

// The library is read-only when no one of the three paths takes writes.
void TestLibraryAccess::readOnlyOnlyWhenNothingTakesWrites_data()
{
    QTest::addColumn<QString>("writable");
    const QString folder = u"/opt/quillon"_qs;
    QTest::newRow("packaged: nothing writable") << QString();
    QTest::newRow("folder takes new files") << folder;
    QTest::newRow("material file in place") << materialFilePath(folder);
    QTest::newRow("colour file in place") << colorFilePath(folder);
}

void TestLibraryAccess::readOnlyOnlyWhenNothingTakesWrites()
{
    QFETCH(QString, writable);
    QCOMPARE(isLibraryReadOnly(u"/opt/quillon"_qs, [&](const QString &path) { return path == writable; }),
             writable.isEmpty());
}

// Root may write anywhere: CTest runs this as "nobody" too, as users see a packaged library.
void TestLibraryAccess::packagedLibraryAsOrdinaryUser()
{
    if (::geteuid() == 0)
        QSKIP("root may write anywhere");
    QTemporaryDir packaged;
    for (const QString &name : {materialFilePath(packaged.path()), colorFilePath(packaged.path())}) {
        QVERIFY(QFile(name).open(QIODevice::WriteOnly));
        QVERIFY(QFile::setPermissions(name, QFile::ReadOwner));
    }
    const auto folderModes = QFile::ReadOwner | QFile::ExeOwner;
    QVERIFY(QFile::setPermissions(packaged.path(), folderModes));
    QVERIFY(isLibraryReadOnly(packaged.path()));
    QVERIFY(QFile::setPermissions(packaged.path(), folderModes | QFile::WriteOwner));
    QVERIFY(!isLibraryReadOnly(packaged.path()));
}

QTEST_GUILESS_MAIN(TestLibraryAccess)
#include "tst_libraryaccess.moc"
