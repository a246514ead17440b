#include "GnumericClipboard.h"
#include "LibraryFiles.h"
#include "QuantityTable.h"
#include "TableEditor.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QtTest>
#include <malloc.h>

using namespace quillon;

namespace {

// The editing core on a table and an editor of its own, with no window around them.
struct Core {
    FlexGrid grid;
    QLineEdit cell;
    TableEditor editor{grid, cell};

    Core()
    {
        QFile file(qEnvironmentVariable("QUILLON_TEST_DATA") + u"/Korvane.mat"_qs);
        if (!file.open(QIODevice::ReadOnly))
            qFatal("sample library missing");
        readMaterialFile(file.readAll(), editor.library());
        applyDefaultColors(editor.library(), 0);
        editor.layOutTable(2000);
        editor.refreshBandColumns();
        editor.setTableReady(true);
    }
    QByteArray files() const
    {
        return writeMaterialFile(editor.library()) + writeColorFile(editor.library());
    }
    void select(int row, int col, int endRow, int endCol)
    {
        grid.setCurrentCell(row, col);
        grid.setSelectionEnd(endRow, endCol);
    }
    // One step from a line such as "edit 3 5 0.35", "name 2 Felt", "colour 4",
    // "paste 2 3 0.1\t0.2", "import" or "tab 3".
    void step(const QString &line)
    {
        const QStringList words = line.split(u' ');
        const QString &verb = words.front();
        if (verb == u"tab") {
            editor.setQuantity(static_cast<Quantity>(words[1].toInt()));
            editor.refreshBandColumns();
        } else if (verb == u"edit" || verb == u"name") {
            select(words[1].toInt(), verb == u"name" ? kNameColumn : words[2].toInt(),
                   words[1].toInt(), verb == u"name" ? kNameColumn : words[2].toInt());
            cell.setText(words.last());
            editor.commitCellEdit();
        } else if (verb == u"colour") {
            editor.setMaterialColor(words[1].toInt(), rgbColor(1, 2, 3));
        } else if (verb == u"paste") {
            select(words[1].toInt(), words[2].toInt(), words[1].toInt(), words[2].toInt());
            QMimeData data;
            data.setText(words.mid(3).join(u' '));
            editor.paste(data);
        } else if (verb == u"import") {
            LumeoReadResult read;
            read.ok = true;
            read.values = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f};
            editor.importMaterial(read, u"CARPET"_qs, nullptr);
        }
    }
};

size_t heapInUse()
{
    return mallinfo2().uordblks;
}

} // namespace

class TestTableEditor : public QObject {
    Q_OBJECT
private slots:
    void undoAndRedoEverySequence_data();
    void undoAndRedoEverySequence();
    void undoPutsTheSelectionBack();
    void historyMemory();
    void clipboardRoundTrip();
};

void TestTableEditor::undoAndRedoEverySequence_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("historySteps");
    QTest::addColumn<QString>("lastStep"); // its name
    QTest::newRow("value on each tab")
        << u"edit 2 5 0.35;tab 2;edit 2 6 1;tab 3;edit 4 3 45;tab 4;edit 5 12 0.7"_qs << 4
        << u"entry of 0.7 in material 4 at 16 kHz"_qs;
    QTest::newRow("below the last material")
        << u"edit 40 7 0.5;name 45 Far away;edit 50 2 x"_qs << 3 << u"materials up to 49"_qs;
    QTest::newRow("name and colour")
        << u"name 3 Felt;colour 3"_qs << 2 << u"colour of material 2"_qs;
    QTest::newRow("pastes") << u"paste 2 1 Wall\t\t0.1\t0.2\r0.3\t0.4;tab 4;"
                               "paste 998 10 0.9\t0.8\t0.7\r0.6\t0.5\t0.4;paste 5 5 abc"_qs
                            << 2 << u"paste of 2 \u00d7 3 cells"_qs; // rows x columns
    QTest::newRow("imports on two tabs")
        << u"import;tab 3;import"_qs << 2 << u"import of \"CARPET\""_qs;
    // The scattering tab's default, stored outside the history, is saved once an entry marks
    // the row; an earlier paste that skipped the row must not take it away on redo.
    QTest::newRow("scattering default")
        << u"tab 4;paste 40 12 abc\r0.5;tab 1;edit 40 3 0.2;tab 4;edit 40 3 0;tab 3"_qs << 3
        << u"entry of 0.0 in material 39 at 31.5 Hz"_qs;
    QTest::newRow("unchanged values are no step")
        << u"colour 3;colour 3;name 1 Felt;name 1 Felt;paste 500 3 heading"_qs << 2
        << u"name of material 0"_qs;
}

void TestTableEditor::undoAndRedoEverySequence()
{
    QFETCH(QString, steps);
    QFETCH(int, historySteps);
    QFETCH(QString, lastStep);
    Core core;
    const QByteArray loaded = core.files();
    for (const QString &line : steps.split(u';'))
        core.step(line);
    const QByteArray changed = core.files();
    QCOMPARE(core.editor.history().count(), historySteps);
    QCOMPARE(core.editor.history().undoText(), lastStep);
    QVERIFY(!core.editor.library().librarySaved);

    for (int i = 0; i < historySteps; ++i)
        core.editor.undo();
    QCOMPARE(core.files(), loaded);
    QVERIFY(core.editor.library().librarySaved);
    for (int i = 0; i < historySteps; ++i)
        core.editor.redo();
    QCOMPARE(core.files(), changed);
}

void TestTableEditor::undoPutsTheSelectionBack()
{
    Core core;
    core.step(u"paste 3 4 0.1\t0.2\t0.3\r0.4\t0.5\t0.6"_qs);
    QCOMPARE(core.cell.text(), u"0.100"_qs); // the editor follows the paste
    core.select(9, 9, 9, 9);
    core.editor.undo();
    QCOMPARE((QList<int>{core.grid.row(), core.grid.col(), core.grid.rowSel(), core.grid.colSel()}),
             (QList<int>{3, 4, 4, 6}));
    QCOMPARE(core.cell.text(), core.grid.textMatrix(3, 4));
}

void TestTableEditor::historyMemory()
{
    Core core;
    const size_t start = heapInUse();
    for (int i = 0; i < 1000; ++i)
        core.step(QStringLiteral("edit %1 %2 0.%3").arg(1 + i % 30).arg(3 + i % 10).arg(i));
    QVERIFY2(heapInUse() - start < 1024 * 1024, "1,000 single-cell steps");

    Core full;
    QString block;
    for (int r = 0; r < kMaxMaterials; ++r)
        block += u"0.5\t0.5\t0.5\t0.5\t0.5\t0.5\t0.5\t0.5\t0.5\t0.5\r"_qs;
    const size_t before = heapInUse();
    full.step(u"paste 1 3 "_qs + block);
    QVERIFY2(heapInUse() - before < 1024 * 1024, "a 999 x 10 paste");
}

// Swatches travel as colours in the structured flavours and as the cell's own text in the plain
// one.
void TestTableEditor::clipboardRoundTrip()
{
    Core core;
    MaterialLibrary &library = core.editor.library();
    library.materialColors[2] = rgbColor(0x12, 0x34, 0xAB);
    core.select(2, kNameColumn, 3, kLastBandColumn);
    QGuiApplication::clipboard()->setMimeData(core.editor.copySelection().release());
    const QMimeData &data = *QGuiApplication::clipboard()->mimeData();
    QVERIFY(data.text().startsWith(library.materialNames[2] + u'\t' + QString(12, QChar(0x7F))));
    QVERIFY(data.data(QString::fromLatin1(kSylkMimeType)).contains("C;X2;Y1;K\"#1234AB\""));
    QVERIFY(data.data(QString::fromLatin1(kGnumericMimeType))
                .contains("Row=\"0\" Col=\"1\" ValueType=\"60\">#1234AB<"));

    core.select(20, kNameColumn, 20, kNameColumn);
    core.editor.paste(data);
    for (size_t i = 0; i < 2; ++i)
        QVERIFY(library.materialNames[20 + i] == library.materialNames[2 + i] &&
                library.alphaR[20 + i] == library.alphaR[2 + i]);
}

QTEST_MAIN(TestTableEditor)
#include "tst_tableeditor.moc"
