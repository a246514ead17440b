// Helper for calc-clipboard-check.sh.
//   clipboard-probe offer  puts a sample block on the clipboard in the three flavours the table's
//                          copy does, and keeps it there until another program takes the clipboard
//   clipboard-probe read   prints what a paste would read from the clipboard: SYLK when offered,
//                          else the text, cell by cell
#include "NumberFormat.h"
#include "SpreadsheetExchange.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTimer>
#include <cstdio>

using namespace quillon;

namespace {

constexpr int kOfferSeconds = 300;

void print(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
}

ExchangeBlock sampleBlock(QString &text)
{
    const QStringList shown = {u"Béton; brut \"fin\""_qs,
                               u"0.010"_qs,
                               u"0.125"_qs,
                               u"Plâtre"_qs,
                               u"33.0"_qs,
                               u"-0.050"_qs};
    ExchangeBlock block{2, 3, {}};
    for (int i = 0; i < shown.size(); ++i) {
        ExchangeCell cell{shown[i], {}};
        if (i % block.cols != 0)
            cell.number = parseLeadingNumber(QStringView(shown[i]));
        block.cells.push_back(cell);
        text += shown[i];
        if (i + 1 < shown.size())
            text += (i + 1) % block.cols == 0 ? u'\r' : u'\t';
    }
    return block;
}

void printBlock(const ExchangeBlock &block)
{
    static const char *const kinds[] = {"number", "decimal comma", "empty (0)", "no number (skip)"};
    for (int r = 0; r < block.rows; ++r) {
        for (int c = 0; c < block.cols; ++c) {
            const ExchangeCell &cell = block.at(r, c);
            const PastedValue value = readPastedCell(cell);
            print(QStringLiteral("  R%1C%2 text=\"%3\" sylk-number=%4 -> %5 %6")
                      .arg(r + 1)
                      .arg(c + 1)
                      .arg(cell.text)
                      .arg(cell.number
                               ? QString::number(*cell.number, 'g', QLocale::FloatingPointShortest)
                               : u"-"_qs)
                      .arg(QString::fromLatin1(kinds[static_cast<int>(value.kind)]))
                      .arg(QString::number(value.value, 'g', QLocale::FloatingPointShortest)));
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    QClipboard *clipboard = QApplication::clipboard();
    if (mode == u"offer") {
        QString text;
        const ExchangeBlock block = sampleBlock(text);
        auto *data = new QMimeData;
        offerBlock(*data, block, text);
        clipboard->setMimeData(data);
        print(u"ready"_qs);
        std::fflush(stdout);
        QObject::connect(clipboard, &QClipboard::dataChanged, &app, [&] {
            if (!clipboard->ownsClipboard())
                app.quit();
        });
        QTimer::singleShot(kOfferSeconds * 1000, &app, &QApplication::quit);
        return app.exec();
    }
    if (mode == u"read") {
        const QMimeData *data = clipboard->mimeData();
        if (!data)
            return 1;
        print(u"formats: "_qs + data->formats().join(u", "_qs));
        const QString sylkType = QString::fromLatin1(kSylkMimeType);
        if (data->hasFormat(sylkType)) {
            const auto block = readSylk(data->data(sylkType));
            print(block ? u"SYLK block:"_qs : u"SYLK unreadable"_qs);
            if (block)
                printBlock(*block);
        }
        print(u"text block:"_qs);
        printBlock(readTabText(data->text()));
        return 0;
    }
    std::fprintf(stderr, "usage: clipboard-probe offer|read\n");
    return 2;
}
