#include "LibraryDocument.h"
#include "LibraryTableModel.h"
#include "MaterialTransfer.h"

#include <QMimeData>
#include <QtTest>

using namespace quillon;

namespace {

bool operator==(const WholeMaterial &a, const WholeMaterial &b)
{
    return a.number == b.number && a.name == b.name && a.color == b.color &&
           a.hasAlpha == b.hasAlpha && a.hasInsulation == b.hasInsulation &&
           a.hasScattering == b.hasScattering && (!a.hasAlpha || a.alpha == b.alpha) &&
           (!a.hasInsulation || a.insulation == b.insulation) &&
           (!a.hasScattering || a.scattering == b.scattering);
}

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
        QFile materials(document.materialPath());
        QFile colors(document.colorPath());
        materials.open(QIODevice::ReadOnly);
        colors.open(QIODevice::ReadOnly);
        return materials.readAll() + colors.readAll();
    }
    std::unique_ptr<QMimeData> copyRows(int first, int last) const
    {
        return model.copyBlock({first, kNameColumn, last, kColumnCount - 1});
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
    void readOnlyLibraryRefusesEdits_data();
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
    QTest::newRow("one material") << 12 << 1 << 0 << u"1 material pasted as 0"_qs;
    QTest::newRow("beyond 998: nothing") << 11 << 3 << 997 << u"3 materials do not fit from material "
                                                              "997 on: the last material is 998. "
                                                              "Nothing was pasted."_qs;
}

void TestMaterialTransfer::wholeMaterialsArriveAfterSave()
{
    QFETCH(int, from);
    QFETCH(int, count);
    QFETCH(int, to);
    QFETCH(QString, message);
    const Library source(true);
    Library target(false);
    const QByteArray sourceFiles = source.files();
    const QByteArray targetFiles = target.files();
    const auto copied = source.copyRows(from, from + count - 1);
    const auto pasted = pasteWholeMaterials(target.document, to, *copied);
    QVERIFY(pasted);
    QCOMPARE(pasted->message, message);
    QCOMPARE(target.document.history().count(), pasted->pasted ? 1 : 0);
    QVERIFY(target.document.save([](const QString &) { return false; }).ok);
    QCOMPARE(target.files() == targetFiles, !pasted->pasted);
    LibraryDocument saved(target.folder.path());
    QVERIFY(saved.load().ok);
    for (int i = 0; pasted->pasted && i < count; ++i)
        QVERIFY(materialAt(saved, to + i) == materialAt(source.document, from + i));
    QCOMPARE(saved.library().materialCount, std::max(30, pasted->last + 1));
    target.document.history().undo();
    for (int i = 0; pasted->pasted && i < count && to + i < 30; ++i)
        QVERIFY(materialAt(target.document, to + i) == materialAt(source.document, to + i));
    QCOMPARE(source.files(), sourceFiles);
}

void TestMaterialTransfer::readOnlyLibraryRefusesEdits_data()
{
    QTest::addColumn<QString>("edit");
    for (const char *edit : {"entry", "rename", "recolour", "paste", "paste materials", "import",
                             "extend", "save"})
        QTest::newRow(edit) << QString::fromLatin1(edit);
}

void TestMaterialTransfer::readOnlyLibraryRefusesEdits()
{
    QFETCH(QString, edit);
    Library library(true);
    const QByteArray files = library.files();
    const QByteArray before = materialsJson(library.document.library(), 1, kMaxMaterials);
    LibraryDocument &document = library.document;
    QString shown;
    if (edit == u"entry")
        QCOMPARE(document.enterValue(3, 4, Quantity::TrueAbsorption, u"0.5"_qs, &shown),
                 LibraryDocument::EditResult::Refused);
    else if (edit == u"rename")
        QCOMPARE(document.rename(3, u"Felt"_qs), LibraryDocument::EditResult::Refused);
    else if (edit == u"recolour")
        document.recolour(3, rgbColor(1, 2, 3));
    else if (edit == u"paste")
        document.paste({3, kFirstBandField, 3, kFirstBandField}, ExchangeBlock{1, 1, {{u"0.5"_qs, 0.5}}},
                       Quantity::TrueAbsorption);
    else if (edit == u"paste materials")
        QVERIFY(!pasteWholeMaterials(document, 40, *library.copyRows(1, 2))->pasted);
    else if (edit == u"import")
        QVERIFY(!document.importMaterial(LumeoReadResult{true, {0.5f}, {}}, u"Felt"_qs, nullptr));
    else if (edit == u"extend")
        document.extendTo(100);
    else
        QVERIFY(!document.save([](const QString &) { return true; }).ok);
    QCOMPARE(document.history().count(), 0);
    QCOMPARE(materialsJson(document.library(), 1, kMaxMaterials), before);
    QCOMPARE(library.files(), files);
    QVERIFY(!(library.model.flags(library.model.index(3, kNameColumn)) & Qt::ItemIsEditable));
}

QTEST_GUILESS_MAIN(TestMaterialTransfer)
#include "tst_materialtransfer.moc"
