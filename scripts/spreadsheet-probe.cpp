// Helper for spreadsheet-clipboard-check.sh; runs the table's own copy and paste on the
// sample library, with no window around them.
//   spreadsheet-probe offer DATA  copies materials 1 to 3 (names, swatches, the ten "True"
//                               values; names with quotes and accents) as the table's copy
//                               does, prints them, and keeps them on the clipboard until
//                               another program takes it
//   spreadsheet-probe read DATA   pastes the clipboard onto materials 10 to 12 as the table's
//                               paste does and prints them, then the paste's report
#include "Cp1252.h"
#include "LibraryFiles.h"
#include "NumberFormat.h"
#include "QuantityTable.h"
#include "TableEditor.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QTimer>
#include <cstdio>

using namespace quillon;

namespace {

constexpr int kOfferSeconds = 300;
constexpr int kRows = 3;
constexpr int kSourceRow = 1;
constexpr int kTargetRow = 10;

void print(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

void printRows(const MaterialLibrary &library, int first)
{
    for (int n = first; n < first + kRows; ++n) {
        QString line = decodeCp1252(library.materialNames[static_cast<size_t>(n)]);
        for (int band = 1; band <= kBandCount; ++band)
            line += u'|' +
                    formatNumber(library.alphaR[static_cast<size_t>(n)][static_cast<size_t>(band)],
                                 patterns::kTableTrue);
        print(line);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString mode = argc > 2 ? QString::fromLocal8Bit(argv[1]) : QString();
    FlexGrid grid;
    QLineEdit cell;
    TableEditor editor(grid, cell);
    QFile file(QString::fromLocal8Bit(argv[argc - 1]) + u"/Korvane.mat"_qs);
    if (mode.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "usage: spreadsheet-probe offer|read DATA_FOLDER\n");
        return 2;
    }
    MaterialLibrary &library = editor.library();
    readMaterialFile(file.readAll(), library);
    applyDefaultColors(library, 0);
    const QStringList names = {u"Béton \"brut\""_qs, u"\"Akustik\" Platte"_qs,
                               u"Plâtre; <fin> & co"_qs};
    for (int i = 0; i < kRows; ++i)
        library.materialNames[static_cast<size_t>(kSourceRow + i)] = encodeCp1252(names[i]);
    editor.layOutTable(2000);
    editor.refreshBandColumns();
    editor.setTableReady(true);
    QClipboard *clipboard = QApplication::clipboard();

    if (mode == u"offer") {
        grid.setCurrentCell(kSourceRow, kNameColumn);
        grid.setSelectionEnd(kSourceRow + kRows - 1, kLastBandColumn);
        printRows(library, kSourceRow);
        clipboard->setMimeData(editor.copySelection().release());
        QObject::connect(clipboard, &QClipboard::dataChanged, &app, [&] {
            if (!clipboard->ownsClipboard())
                app.quit();
        });
        QTimer::singleShot(kOfferSeconds * 1000, &app, &QApplication::quit);
        return app.exec();
    }
    const QMimeData *data = clipboard->mimeData();
    if (!data)
        return 1;
    grid.setCurrentCell(kTargetRow, kNameColumn);
    grid.setSelectionEnd(kTargetRow + kRows - 1, kLastBandColumn);
    const TableEditor::PasteOutcome outcome = editor.paste(*data);
    printRows(library, kTargetRow);
    print(u"formats: "_qs + data->formats().join(u", "_qs));
    print(u"report: "_qs + outcome.report.message());
    return 0;
}
