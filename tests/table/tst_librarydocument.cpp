#include "LibraryDocument.h"
#include "LibraryFiles.h"
#include "LibraryTableModel.h"
#include "QuantityTraits.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QtTest>
#include <malloc.h>
#include <optional>

using namespace quillon;

namespace {

// The document and its table model on the sample library, with no window and no widgets.
// Steps name cells as the user counts them: row n is material n, column 1 the names.
struct Core {
    LibraryDocument document{qEnvironmentVariable("QUILLON_TEST_DATA")};
    LibraryTableModel model{document};
    // The tester walks the whole model at every signal: the memory test would take seconds.
    std::optional<QAbstractItemModelTester> tester;

    explicit Core(bool testModel = true)
    {
        if (testModel)
            tester.emplace(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        if (!document.load().ok)
            qFatal("sample library missing");
        model.showLibrary();
        model.setQuantity(Quantity::TrueAbsorption);
    }
    QByteArray files() const
    {
        return writeMaterialFile(document.library()) + writeColorFile(document.library());
    }
    QString text(int row, int col) const { return model.index(row - 1, col - 1).data().toString(); }
    // One step from a line such as "edit 3 5 0.35", "name 2 Felt", "colour 4",
    // "paste 2 3 0.1\t0.2", "import" or "tab 3".
    void step(const QString &line)
    {
        const QStringList words = line.split(u' ');
        const QString &verb = words.front();
        const int row = words.value(1).toInt() - 1;
        const int col = verb == u"name" ? kNameColumn : words.value(2).toInt() - 1;
        const CellRange cell{row, col, row, col};
        if (verb == u"tab") {
            model.setQuantity(static_cast<Quantity>(words[1].toInt()));
        } else if (verb == u"edit" || verb == u"name") {
            model.setData(model.index(row, col), words.last());
        } else if (verb == u"colour") {
            document.recolour(materialOfRow(row), rgbColor(1, 2, 3));
        } else if (verb == u"paste") {
            QMimeData data;
            data.setText(words.mid(3).join(u' '));
            document.paste(cell.materials(), data, model.quantity());
        } else if (verb == u"undo") {
            document.history().undo();
        } else if (verb == u"import") {
            LumeoReadResult read;
            read.ok = true;
            read.values = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f};
            if (const auto material = document.importMaterial(read, u"CARPET"_qs, nullptr))
                model.showAsEntered(*material);
        }
    }
};

size_t heapInUse()
{
    return mallinfo2().uordblks;
}

} // namespace

class TestLibraryDocument : public QObject {
    Q_OBJECT
private slots:
    void undoAndRedoEverySequence_data();
    void undoAndRedoEverySequence();
    void entriesByTab_data();
    void entriesByTab();
    void changedCells_data();
    void changedCells();
    void pasteByBand_data();
    void pasteByBand();
    void historyMemory();
    void clipboardRoundTrip();
};

void TestLibraryDocument::undoAndRedoEverySequence_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("historySteps");
    QTest::addColumn<QString>("lastStep"); // its name
    const auto row = [](const char *tag, const char *steps, int count, const char *last) {
        QTest::newRow(tag) << steps << count << last;
    };
    row("value on each tab", "edit 2 5 0.35;tab 2;edit 2 6 1;tab 3;edit 4 3 45;tab 4;edit 5 12 0.7",
        4, "entry of 0.7 in material 4 at 16 kHz");
    row("below the last material", "edit 40 7 0.5;name 45 Far away;edit 50 2 x", 3,
        "materials up to 49");
    row("name and colour", "name 3 Felt;colour 3", 2, "colour of material 2");
    row("the same value again", "edit 2 3 0.01", 1, "entry of 0.01 in material 1 at 31.5 Hz");
    row("pastes",
        "paste 2 1 Wall\t\t0.1\t0.2\r0.3\t0.4;tab 4;paste 998 10 0.9\t0.8\t0.7\r0.6\t0.5\t0.4;"
        "paste 5 5 abc",
        2, "paste of 2 \u00d7 3 cells"); // rows x columns
    row("paste by band, the rows that fit",
        "paste 998 5 Hz\t100\t125\t160\rWall\t1\t2\t3\r\t1\t1\t1\rX\t1\t1\t1", 1,
        "paste of 2 materials by band");
    row("imports on two tabs", "import;tab 3;import", 2, "import of \"CARPET\"");
    // The scattering tab's default is stored by the step that first marks the row's scattering
    // values; an earlier paste that skipped the row must not take it away on redo.
    row("scattering default",
        "tab 4;paste 40 12 abc\r0.5;tab 1;edit 40 3 0.2;tab 4;edit 40 3 0;tab 3", 3,
        "entry of 0.0 in material 39 at 31.5 Hz");
    row("unchanged values are no step",
        "colour 3;colour 3;name 1 Felt;name 1 Felt;paste 500 3 heading;tab 3;paste 13 3 \t;tab 4;"
        "paste 13 3 0.1\t0.100;paste 40 1 \t\t\t",
        2, "name of material 0");
}

void TestLibraryDocument::undoAndRedoEverySequence()
{
    QFETCH(QString, steps);
    QFETCH(int, historySteps);
    Core core;
    const QByteArray loaded = core.files();
    for (const QString &line : steps.split(u';'))
        core.step(line);
    const QByteArray changed = core.files();
    // Nothing is stored where the files do not reach.
    const MaterialLibrary &library = core.document.library();
    for (int n = library.materialCount + 1; n <= kMaxMaterials; ++n)
        QVERIFY(valueGroups(library, n) == 0 && library.materialNames[size_t(n)].isEmpty());
    // An entry of the value a cell already holds is a step that changes no byte.
    QVERIFY((changed != loaded) != (QTest::currentDataTag() == u"the same value again"_qs));
    QCOMPARE(core.document.history().count(), historySteps);
    QTEST(core.document.history().undoText(), "lastStep");
    QVERIFY(!core.document.isSaved());

    for (int i = 0; i < historySteps; ++i)
        core.document.history().undo();
    QCOMPARE(core.files(), loaded);
    QVERIFY(core.document.isSaved());
    for (int i = 0; i < historySteps; ++i)
        core.document.history().redo();
    QCOMPARE(core.files(), changed);
}

void TestLibraryDocument::entriesByTab_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("shown"); // empty: refused, nothing stored
    QTest::addColumn<float>("stored");
    QTest::addColumn<int>("groups"); // the material's value groups afterwards
    QTest::newRow("True 0.12345") << 1 << "0.12345" << "0.123" << 0.123f << 1;
    QTest::newRow("Sabine 1") << 2 << "1" << "1.0" << float(0.7466777) << 1;
    QTest::newRow("insulation 45") << 3 << "45" << "45.0" << 45.0f << 3;
    QTest::newRow("scattering 0.3") << 4 << "0.3" << "0.3" << 0.3f << 7;
    QTest::newRow("Sabine below limit") << 2 << "-0.7" << "" << 0.0f << 0;
    QTest::newRow("overflow") << 1 << "1e999" << "" << 0.0f << 0;
    QTest::newRow("beyond float") << 3 << "1e39" << "" << 0.0f << 0;
}

// An entry in the empty slot after the sample's materials.
void TestLibraryDocument::entriesByTab()
{
    QFETCH(int, tab);
    QFETCH(QString, entry);
    QFETCH(QString, shown);
    QFETCH(float, stored);
    Core core;
    const int n = core.document.library().materialCount + 1;
    core.step(u"tab "_qs + QString::number(tab));
    const QByteArray before = core.files();
    core.step(QStringLiteral("edit %1 7 %2").arg(n).arg(entry));
    const MaterialLibrary &library = core.document.library();
    QTEST(int(valueGroups(library, n)), "groups");
    QCOMPARE(core.text(n, 7), shown);
    if (shown.isEmpty())
        QCOMPARE(core.files(), before);
    else
        QVERIFY(qAbs(valueRow(library, quantityTraits(Quantity(tab)).table, n)[5] - stored) < 1e-7);
}

// The cells a step or a tab switch announces, and how long an entry keeps its own text.
void TestLibraryDocument::changedCells_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QList<int>>("changed"); // top, left, bottom, right as the user counts
    QTest::addColumn<QString>("entered");    // the text of cell (2, 5) afterwards
    const auto row = [](const char *tag, const char *setup, const char *steps, QList<int> box,
                        const char *entered) {
        QTest::newRow(tag) << setup << steps << box << entered;
    };
    row("a first value shows the row's others", "tab 1", "edit 900 5 0.5", {900, 3, 900, 12},
        "0.500");
    row("a tab switch", "edit 2 5 0.5", "tab 1", {1, 3, 999, 12}, "0.500");
    row("undo", "edit 2 5 0.25", "undo", {2, 5, 2, 5}, "0.500");
    // Entered texts stay until the next refresh, whatever else changes in their row.
    row("a name", "edit 2 5 0.25", "name 2 Felt", {2, 1, 2, 1}, "0.25");
    row("a colour", "edit 2 5 0.25", "colour 2", {2, 2, 2, 2}, "0.25");
    row("another entry", "edit 2 5 0.25", "edit 2 6 0.5", {2, 6, 2, 6}, "0.25");
    row("a paste beside", "edit 2 5 0.25", "paste 2 7 0.1\t0.2", {2, 7, 2, 8}, "0.25");
    row("a paste over it", "edit 2 5 0.25", "paste 2 5 0.75", {2, 5, 2, 5}, "0.750");
}

void TestLibraryDocument::changedCells()
{
    QFETCH(QString, setup);
    QFETCH(QString, steps);
    Core core;
    for (const QString &line : QStringList{u"edit 2 5 0.5"_qs, u"tab 1"_qs, setup})
        core.step(line);
    QSignalSpy spy(&core.model, &QAbstractItemModel::dataChanged);
    core.step(steps);
    QList<int> box{kMaxMaterials, kColumnCount, 0, 0};
    for (const QList<QVariant> &signal : spy) {
        const QModelIndex from = signal.at(0).toModelIndex();
        const QModelIndex to = signal.at(1).toModelIndex();
        box = {std::min(box[0], from.row() + 1), std::min(box[1], from.column() + 1),
               std::max(box[2], to.row() + 1), std::max(box[3], to.column() + 1)};
    }
    QTEST(box, "changed");
    QTEST(core.text(2, 5), "entered");
}

// A block whose first row names bands is read by frequency; row 30 has values of its own.
void TestLibraryDocument::pasteByBand_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("block");     // pasted at row 30, column 3
    QTest::addColumn<QStringList>("cells"); // row, column, text: as the user counts
    QTest::addColumn<QString>("report"); // what the paste's message says (after the band report)
    const auto row = [](const char *tag, int tab, const char *block, const QStringList &cells,
                        const char *report = "") {
        QTest::newRow(tag) << tab << block << cells << report;
    };
    row("names, thirds, NRC", 1,
        "Frequency (Hz)\t100\t125\t160\tNRC\t200\t250\t315\r"
        "Felt\t0,1\t0,2\t0,3\t0.9\t0,4\t0,5\t0,6\r\t0.2\t0.2\t0.2\t\t0.3\t0.3\t0.6",
        {"30 1 Felt", "30 4 1.000", "30 5 0.200", "30 6 0.500", "31 3 0.200", "31 6 0.400",
         "31 12 0.400"},
        "for 1 material\nColumns whose heading is no band frequency were skipped: \"NRC\".\n6 "
        "values were read with a decimal comma (0,25 as 0.25). First: material 29, band 125.");
    row("Sabine means", 2, "Hz\t400\t500\t630\rX\t0.5\t1\t1.5", {"30 7 1.000", "30 1 X"});
    row("insulation energy means", 3, "Hz\t800\t1000\t1250\rX\t30\t40\t50", {"30 8 34.32"});
    row("a header alone", 3, "50\t63\t80\t100\t125\t160", {"30 3 50.0"});
    row("refused", 1, "Hz\t100\t125\t200\rX\t1\t2\t3", {"30 1 Opening"},
        "Nothing was pasted: \"200\" breaks the spacing of the bands before it.");
}

void TestLibraryDocument::pasteByBand()
{
    QFETCH(int, tab);
    QFETCH(QString, block);
    QFETCH(QStringList, cells);
    QFETCH(QString, report);
    Core core;
    core.step(u"tab "_qs + QString::number(tab));
    QMimeData data;
    data.setText(block);
    const auto outcome = core.document.paste({29, kFirstBandField, 29, kFirstBandField}, data,
                                             core.model.quantity());
    for (const QString &cell : cells) {
        const QStringList at = cell.split(u' ');
        QCOMPARE(core.text(at[0].toInt(), at[1].toInt()), at.mid(2).join(u' '));
    }
    QVERIFY2(outcome.report.message().contains(report), qPrintable(outcome.report.message()));
    QCOMPARE(core.document.history().count(), report.startsWith(u"Nothing") ? 0 : 1);
}

void TestLibraryDocument::historyMemory()
{
    Core core(false);
    const size_t start = heapInUse();
    for (int i = 0; i < 1000; ++i)
        core.step(QStringLiteral("edit %1 %2 0.%3").arg(1 + i % 30).arg(3 + i % 10).arg(i));
    QVERIFY2(heapInUse() - start < 1024 * 1024, "1,000 single-cell steps");

    const QString row = u"0.5\t"_qs.repeated(kBandCount - 1) + u"0.5\r"_qs;
    const size_t before = heapInUse();
    core.step(u"paste 1 3 "_qs + row.repeated(kMaxMaterials));
    QVERIFY2(heapInUse() - before < 1024 * 1024, "a 999 x 10 paste");
}

// Swatches travel as colours in the structured flavours (one block feeds them all) and as the
// cell's own text in the plain one.
void TestLibraryDocument::clipboardRoundTrip()
{
    Core core;
    core.document.recolour(1, rgbColor(0x12, 0x34, 0xAB));
    const MaterialLibrary &library = core.document.library();
    const auto data = core.model.copyBlock({1, kNameColumn, 2, kLastBandColumn});
    QVERIFY(data->text().startsWith(core.text(2, 1) + u'\t' + QString(12, QChar(0x7F))));
    QVERIFY(data->data(QString::fromLatin1(kSylkMimeType)).contains("C;X2;Y1;K\"#1234AB\""));

    const QModelIndexList corners = {core.model.index(2, kLastBandColumn),
                                     core.model.index(1, kNameColumn)};
    const std::unique_ptr<QMimeData> dragged(core.model.mimeData(corners));
    for (const QString &format : core.model.mimeTypes())
        QCOMPARE(dragged->data(format), data->data(format));
    // Names and values are typed; colours are chosen.
    for (int column = 0; column < kColumnCount; ++column)
        QCOMPARE(bool(core.model.flags(core.model.index(1, column)) & Qt::ItemIsEditable),
                 column != kSwatchColumn);
    core.document.paste({19, kNameField, 19, kNameField}, *data, core.model.quantity());
    for (size_t i = 0; i < 2; ++i)
        QVERIFY(library.materialNames[20 + i] == library.materialNames[2 + i] &&
                library.alphaR[20 + i] == library.alphaR[2 + i]);
}

QTEST_GUILESS_MAIN(TestLibraryDocument)
#include "tst_librarydocument.moc"
