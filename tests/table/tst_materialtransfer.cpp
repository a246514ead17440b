#include "LibraryDocument.h"
#include "LibraryTableModel.h"
#include "MaterialTransfer.h"

#include <QMimeData>
#include <QtTest>

using namespace quillon;

namespace {

// The sample library in a folder of its own, loaded.
struct Library {
    QTemporaryDir folder;
    LibraryDocument document{folder.path()};
    LibraryTableModel model{document};

    explicit Library(bool readOnly)
    {
        for (const QString &name : {u"Korvane.mat"_qs, u"korcolor.mat"_qs})
            QFile::copy(qEnvironmentVariable("QUILLON_TEST_DATA") + u'/' + name,
                        folder.filePath(name));
        document.setReadOnly(readOnly);
        if (!document.load().ok)
            qFatal("sample library missing");
        model.showLibrary();
    }
    QByteArray files() const
    {
        QFile materials(document.materialPath()), colors(document.colorPath());
        return materials.open(QIODevice::ReadOnly) && colors.open(QIODevice::ReadOnly)
                   ? materials.readAll() + colors.readAll() : QByteArray();
    }
};

// Wherever it stands.
WholeMaterial materialAt(const LibraryDocument &document, int number)
{
    WholeMaterial material = wholeMaterial(document.library(), materialIndex(number));
    material.number = 0;
    return material;
}

} // namespace

class TestMaterialTransfer : public QObject {
    Q_OBJECT
private slots:
    void wholeMaterialsArriveAfterSave_data();
    void wholeMaterialsArriveAfterSave();
    void readOnlyLibraryRefusesEdits();
};

void TestMaterialTransfer::wholeMaterialsArriveAfterSave_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("message");
    // Sample material 11 has all three groups, 12 and 13 absorption only; 2 to 4 have more.
    QTest::newRow("over richer materials") << 11 << 3 << 2 << u"3 materials pasted as 2 to 4"_qs;
    QTest::newRow("past the last material") << 11 << 3 << 29 << u"3 materials pasted as 29 to 31"_qs;
    QTest::newRow("beyond 998: nothing") << 11 << 3 << 997 << u"3 materials do not fit from material "
                                                              "997 on: the last material is 998. "
                                                              "Nothing was pasted."_qs;
}

void TestMaterialTransfer::wholeMaterialsArriveAfterSave()
{
    QFETCH(int, from);
    QFETCH(int, count);
    QFETCH(int, to);
    Library source(false);
    source.document.rename(12, u"B\u00e9ton \"brut\" \\ \u20ac"_qs); // escapes and Windows-1252
    source.document.setReadOnly(true);
    Library target(false);
    const auto copied =
        source.model.copyBlock({from, kNameColumn, from + count - 1, kColumnCount - 1});
    const auto pasted = pasteWholeMaterials(target.document, to, *copied);
    QVERIFY(pasted);
    QTEST(pasted->message, "message");
    QCOMPARE(target.document.history().count(), pasted->pasted ? 1 : 0);
    QVERIFY(target.document.save([](const QString &) { return false; }).ok);
    LibraryDocument saved(target.folder.path());
    QVERIFY(saved.load().ok);
    for (int i = 0; pasted->pasted && i < count; ++i)
        QVERIFY(materialAt(saved, to + i) == materialAt(source.document, from + i));
    QCOMPARE(saved.library().materialCount, std::max(30, pasted->last + 1));
    target.document.history().undo();
    QCOMPARE(target.document.library().materialCount, 30);
    for (int i = 0; pasted->pasted && i < count && to + i < 30; ++i)
        QVERIFY(materialAt(target.document, to + i) == materialAt(source.document, to + i));
}

void TestMaterialTransfer::readOnlyLibraryRefusesEdits()
{
    Library library(true);
    LibraryDocument &document = library.document;
    const QByteArray files = library.files();
    const QByteArray before = materialsJson(document.library(), 1, kMaxMaterials);
    QString shown;
    const auto refused = LibraryDocument::EditResult::Refused;
    QCOMPARE(document.enterValue(3, 4, Quantity::TrueAbsorption, u"0.5"_qs, &shown), refused);
    QCOMPARE(document.rename(3, u"Felt"_qs), refused);
    document.recolour(3, rgbColor(1, 2, 3));
    document.extendTo(100);
    document.paste({3, kFirstBandField, 3, kFirstBandField}, ExchangeBlock{1, 1, {{u"0.5"_qs, 0.5}}},
                   Quantity::TrueAbsorption);
    const auto copied = library.model.copyBlock({1, kNameColumn, 2, kColumnCount - 1});
    QVERIFY(!pasteWholeMaterials(document, 40, *copied)->pasted);
    QVERIFY(!document.importMaterial(LumeoReadResult{true, {0.5f}, {}}, u"Felt"_qs, nullptr));
    QVERIFY(!document.save([](const QString &) { return true; }).ok);
    QCOMPARE(document.history().count(), 0);
    QCOMPARE(materialsJson(document.library(), 1, kMaxMaterials), before);
    QCOMPARE(library.files(), files);
    QVERIFY(!(library.model.flags(library.model.index(3, kNameColumn)) & Qt::ItemIsEditable));
}

QTEST_GUILESS_MAIN(TestMaterialTransfer)
#include "tst_materialtransfer.moc"
