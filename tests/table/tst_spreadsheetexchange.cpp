#include "GnumericClipboard.h"
#include "SpreadsheetExchange.h"

#include <QMimeData>
#include <QtTest>

using namespace quillon;

namespace {

// Rows split by "/", cells by "|", numbers marked "#" in their shortest form.
QString describe(const ExchangeBlock &block)
{
    QStringList rows;
    for (int r = 0; r < block.rows; ++r) {
        QStringList cells;
        for (int c = 0; c < block.cols; ++c) {
            const ExchangeCell &cell = block.at(r, c);
            cells += cell.number
                         ? u'#' + QString::number(*cell.number, 'g', QLocale::FloatingPointShortest)
                         : cell.text;
        }
        rows += cells.join(u'|');
    }
    return rows.join(u'/');
}

} // namespace

class TestSpreadsheetExchange : public QObject {
    Q_OBJECT
private slots:
    void writeAndReadBack();
    void offeredBlock_data();
    void offeredBlock();
    void pastedCell_data();
    void pastedCell();
    void report();
};

void TestSpreadsheetExchange::writeAndReadBack()
{
    ExchangeBlock block{2, 3, {}};
    block.cells = {{u"Béton; \"brut\""_qs, {}}, {u"0.010"_qs, 0.01},
                   {u"33.0"_qs, 33.0},          {u""_qs, {}},
                   {u"-0.050"_qs, -0.05},       {u"0.000"_qs, 1e-7}};
    const QByteArray sylk = writeSylk(block);
    QCOMPARE(sylk, QByteArray("ID;PQUILLON\r\nB;Y2;X3\r\nC;X1;Y1;K\"B\xc3\xa9ton;; \"brut\"\"\r\n"
                              "C;X2;Y1;K0.01\r\nC;X3;Y1;K33\r\nC;X2;Y2;K-0.05\r\n"
                              "C;X3;Y2;K1e-07\r\nE\r\n"));
    const auto back = quillon::readSylk(sylk);
    QVERIFY(back);
    QCOMPARE(describe(*back), u"Béton; \"brut\"|#0.01|#33/|#-0.05|#1e-07"_qs);
    QCOMPARE(readPastedCell(back->at(1, 2)).value, 1e-7); // the number, not the text

    block.cells[3].text = u"\x01<&>\U0001F50A"_qs;
    const QByteArray xml = writeGnumericClipboard(block);
    QVERIFY(xml.contains("<gnm:Cell Row=\"1\" Col=\"0\" ValueType=\"60\">&lt;&amp;&gt;\xf0\x9f"));
    const auto gnumeric = readGnumericClipboard(xml);
    QVERIFY(gnumeric);
    QCOMPARE(describe(*gnumeric), u"Béton; \"brut\"|#0.01|#33/<&>\U0001F50A|#-0.05|#1e-07"_qs);
}

namespace {

// A flavour offered alone, beside the text "-": the text shows when the flavour does not read.
void addFlavourRow(const char *tag, const QByteArray &bytes, const QString &block)
{
    QTest::newRow(tag) << (bytes.startsWith('<') ? bytes : QByteArray())
                       << (bytes.startsWith('<') ? QByteArray() : bytes) << u"-"_qs << block;
}

void addGnumericRows()
{
    QFile sample(qEnvironmentVariable("QUILLON_TEST_DATA") + u"/gnumeric-clipboard.xml"_qs);
    QVERIFY(sample.open(QIODevice::ReadOnly));
    addFlavourRow("captured", sample.readAll(),
                  u"#0.01|Béton \"brut\" <&>;|#0.1234567/#-0.05||#0.02/#1234.5|"
                  "\"Akustik\" Platte|#0.1/TRUE|two\nlines\ttab|#1e-07"_qs);
    const QByteArray open = "<x:ClipboardRange xmlns:x=\"http://www.gnumeric.org/v10.dtd\" ";
    addFlavourRow("base, any order, absent cells",
                  open + "Cols=\"2\" Rows=\"2\" BaseCol=\"3\" BaseRow=\"5\"><x:Cells><x:Cell "
                         "Row=\"6\" Col=\"4\" ValueType=\"40\"> 2 </x:Cell><x:Cell Row=\"5\" "
                         "Col=\"3\" ValueType=\"40\">1e999</x:Cell></x:Cells></x:ClipboardRange>",
                  u"1e999|/|#2"_qs);
    const QByteArray range = "Cols=\"1\" Rows=\"1\" BaseCol=\"0\" BaseRow=\"0\"><x:Cells><x:Cell ";
    for (const QByteArray &broken :
         {open + range + "Row=\"0\" Col=\"1\">1</x:Cell></x:Cells></x:ClipboardRange>",
          open + range + "Row=\"0\" Col=\"0\">1</x:Cells></x:ClipboardRange>",
          open + "Cols=\"9999\" Rows=\"999999\" BaseCol=\"0\" BaseRow=\"0\"/>",
          open + "Cols=\"1\" BaseCol=\"0\" BaseRow=\"0\"/>",
          QByteArray("<ClipboardRange Cols=\"1\" Rows=\"1\" BaseCol=\"0\" BaseRow=\"0\"/>")})
        addFlavourRow(broken.right(40).constData(), broken, u"-"_qs);
}

} // namespace

void TestSpreadsheetExchange::offeredBlock_data()
{
    QTest::addColumn<QByteArray>("gnumeric"); // an empty flavour is one that is not offered
    QTest::addColumn<QByteArray>("sylk");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("block");
    ExchangeBlock one{1, 1, {{u"g"_qs, {}}}};
    const QByteArray gnumeric = writeGnumericClipboard(one);
    one.cells[0].text = u"s"_qs;
    const QByteArray sylk = writeSylk(one);
    QTest::newRow("all three") << gnumeric << sylk << u"t"_qs << u"g"_qs;
    QTest::newRow("Gnumeric malformed") << QByteArray("<broken") << sylk << u"t"_qs << u"s"_qs;
    QTest::newRow("CR rows, trailing break") << QByteArray() << QByteArray() << u"a\tb\rc\td\r"_qs
                                             << u"a|b/c|d"_qs;
    QTest::newRow("CR LF and LF, short row")
        << QByteArray() << QByteArray() << u"a\tb\r\nc\n\n"_qs << u"a|b/c|/|"_qs;
    addFlavourRow("calc",
                  "ID;PCALCOOO32\nC;X1;Y1;K0.1234567\nC;X2;Y1;K\"abc\"\nC;X1;Y2;K-1.5E-3\n"
                  "C;X2;Y2;K2e+2\nE\n",
                  u"#0.1234567|abc/#-0.0015|#200"_qs);
    addFlavourRow("any order, position carried, unknown records",
                  "ID;PWXL;N;E\r\nP;PGeneral\r\nC;Y2;X1;K\"b\"\r\nO;L;D\r\nC;X2;K1\r\n"
                  "F;P0;FG0G;X2;Y1\r\nC;K7\r\nC;X1;Y1;K\"a\"\r\nE\r\n",
                  u"a|#7/b|#1"_qs);
    addFlavourRow("semicolons, quotes, line break",
                  "ID;P\nC;X1;Y1;K\"a;;b\"\"c;;\"\nC;X2;Y1;K\"x\";;y\";E1\nC;X3;Y1;K\"1\x1b :2\"\nE\n",
                  u"a;b\"\"c;|x\";y|1\n2"_qs);
    addFlavourRow("bounds, zero byte, code page",
                  QByteArray("ID;P\nB;Y2;X2\nC;X1;Y1;K\"B\xe9ton\"\nE\n") + '\0', u"Béton|/|"_qs);
    addFlavourRow("not a number stays text", "ID;P\nC;X1;Y1;KTRUE\nE\n", u"TRUE"_qs);
    for (const char *broken :
         {"ID;PX\nC;X1;Y1;K1\n", "ID;P\nC;K1\nE\n", "ID;P\nC;X0;Y1;K1\nE\n",
          "ID;P\nC;X1;Y1;K\"abc\nE\n", "ID;P\nC;X9999;Y999999;K1\nE\n", "0.1\t0.2\r\n"})
        addFlavourRow(broken, broken, u"-"_qs);
    addGnumericRows();
}

void TestSpreadsheetExchange::offeredBlock()
{
    QFETCH(QByteArray, gnumeric);
    QFETCH(QByteArray, sylk);
    QFETCH(QString, text);
    QMimeData data;
    if (!gnumeric.isEmpty())
        data.setData(QString::fromLatin1(kGnumericMimeType), gnumeric);
    if (!sylk.isEmpty())
        data.setData(QString::fromLatin1(kSylkMimeType), sylk);
    data.setText(text);
    QTEST(describe(readOfferedBlock(data)), "block");
}

void TestSpreadsheetExchange::pastedCell_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("value");

    const int number = int(PastedKind::Number);
    const int comma = int(PastedKind::DecimalComma);
    QTest::newRow("-0,05") << u" -0,05 "_qs << comma << -0.05;
    QTest::newRow("1.234,5") << u"1.234,5"_qs << comma << 1234.5;
    QTest::newRow("blank groups") << u"1\u00a0234\u00a0567,5"_qs << comma << 1234567.5;
    QTest::newRow("1,5E-05") << u"1,5E-05"_qs << comma << 1.5e-5;
    QTest::newRow("12,50%") << u"12,50%"_qs << comma << 12.5;
    QTest::newRow("1,234") << u"1,234"_qs << comma << 1.234;
    QTest::newRow("two numbers") << u"0,4\n0,5 0,6"_qs << comma << 0.4;
    QTest::newRow(",5") << u",5"_qs << comma << 0.5;
    QTest::newRow("1,234.50") << u"1,234.50"_qs << number << 1234.5;
    QTest::newRow("1,234,567 Hz") << u"1,234,567 Hz"_qs << number << 1234567.0;
    QTest::newRow("group of 2") << u"1.23,5"_qs << number << 1.23;
    QTest::newRow("group of 4") << u"1234.567,5"_qs << number << 1234.567;
    QTest::newRow("+0.500") << u"+0.500"_qs << number << 0.5;
    QTest::newRow("empty") << u"  "_qs << int(PastedKind::Empty) << 0.0;
    for (const char *text : {"abc", "-", ".", ","})
        QTest::newRow(text) << QString::fromLatin1(text) << int(PastedKind::NotANumber) << 0.0;
}

void TestSpreadsheetExchange::pastedCell()
{
    QFETCH(QString, text);
    const PastedValue read = readPastedCell({text, {}});
    QTEST(int(read.kind), "kind");
    QTEST(read.value, "value");
    QCOMPARE(pastedName(u"a\r\nb\rc\nd"_qs), u"a b c d"_qs);
}

void TestSpreadsheetExchange::report()
{
    PasteReport sabine(Quantity::SabineAbsorption);
    for (double value : {0.0, 2.0, -0.01, 2.5, 85.0})
        sabine.checkStored(5, 3, value);
    sabine.checkStored(4, 7, 1.9);
    sabine.note(PasteNote::DecimalComma, 3, 1);
    sabine.note(PasteNote::DecimalComma, 2, 10);
    sabine.note(PasteNote::SkippedText, 12, 6);
    QCOMPARE(sabine.message(),
             u"1 cell held no number; its value and its text were left as they were. First: "
             "material 11, band 1k.\n2 values were read with a decimal comma (0,25 as 0.25). "
             "First: material 2, band 31.5.\n3 stored values lie outside 0 to 2, the usual range "
             "on the \"Sabine\" tab; they are stored as pasted (percentages?). First: material 4, "
             "band 125."_qs);

    PasteReport insulation(Quantity::Insulation), truth(Quantity::TrueAbsorption);
    insulation.checkStored(1, 1, 55.0);
    truth.checkStored(1, 1, 1.5);
    insulation.note(PasteNote::SkippedOutOfRange, 2, 2);
    QCOMPARE(insulation.message() + truth.message(),
             u"1 value was not stored: it is not a finite number. First: material 1, band 63."_qs);
}

QTEST_APPLESS_MAIN(TestSpreadsheetExchange)
#include "tst_spreadsheetexchange.moc"
