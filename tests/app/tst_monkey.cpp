// A seeded random walk of user actions through the real window, with the library checked
// against what the table shows and against what a save writes and a load reads back.
//
// QUILLON_MONKEY_SEED and QUILLON_MONKEY_ACTIONS replay a run; QUILLON_MONKEY_TRACE=1 prints
// every action as it is taken (for a run that crashes).

#include "AbsorptionConversions.h"
#include "Cp1252.h"
#include "LibraryFiles.h"
#include "LibraryStorage.h"
#include "LumeoImport.h"
#include "NumberFormat.h"
#include "QuantityTable.h"
#include "WindowFixture.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTabBar>
#include <QtTest>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <random>

using namespace quillon;
using quillon::testing::WindowFixture;

namespace {

constexpr quint64 kDefaultSeed = 20240611;
constexpr int kDefaultActions = 20000;
// A fresh window now and then: pastes of whole columns fill the library up to its last row,
// and a full library refuses imports and has no rows beyond its last material.
constexpr int kEpisodeActions = 1000;
constexpr int kCheckInterval = 200;
constexpr int kTrailLength = 20;
constexpr int kSampleMaterials = 30;
constexpr int kTabCount = 4;
constexpr int kOversizedCellLimit = 20000;

quint64 environmentNumber(const char *name, quint64 fallback)
{
    bool ok = false;
    const quint64 value = qEnvironmentVariable(name).toULongLong(&ok);
    return ok ? value : fallback;
}

enum class Action {
    ClickCell,
    ShiftClickCell,
    DoubleClickCell,
    DragSelect,
    RowHeader,
    ColumnHeader,
    Corner,
    KeyMove,
    TypeOnTable,
    TypeAtFocus,
    EditorKeys,
    EnterInEditor,
    ClickEditor,
    SwitchTab,
    Copy,
    Paste,
    ImportDirect,
    ImportThroughMenu,
    HelpThroughMenu,
    ChooseColor,
    Save,
    Resize,
    QuitDeclined,
    MarginClick,
    ShortcutNoise,
};

struct WeightedAction {
    Action action;
    int weight;
};

constexpr std::array kActions = {
    WeightedAction{Action::ClickCell, 140},
    WeightedAction{Action::ShiftClickCell, 30},
    WeightedAction{Action::DoubleClickCell, 30},
    WeightedAction{Action::DragSelect, 25},
    WeightedAction{Action::RowHeader, 12},
    WeightedAction{Action::ColumnHeader, 3},
    WeightedAction{Action::Corner, 1},
    WeightedAction{Action::KeyMove, 130},
    WeightedAction{Action::TypeOnTable, 110},
    WeightedAction{Action::TypeAtFocus, 50},
    WeightedAction{Action::EditorKeys, 25},
    WeightedAction{Action::EnterInEditor, 100},
    WeightedAction{Action::ClickEditor, 15},
    WeightedAction{Action::SwitchTab, 40},
    WeightedAction{Action::Copy, 45},
    WeightedAction{Action::Paste, 65},
    WeightedAction{Action::ImportDirect, 15},
    WeightedAction{Action::ImportThroughMenu, 8},
    WeightedAction{Action::HelpThroughMenu, 2},
    WeightedAction{Action::ChooseColor, 30},
    WeightedAction{Action::Save, 10},
    WeightedAction{Action::Resize, 3},
    WeightedAction{Action::QuitDeclined, 2},
    WeightedAction{Action::MarginClick, 3},
    WeightedAction{Action::ShortcutNoise, 10},
};

constexpr int totalWeight()
{
    int sum = 0;
    for (const WeightedAction &entry : kActions)
        sum += entry.weight;
    return sum;
}

// Texts a user or another program might hand the table: plain and odd numbers, names with
// commas, blanks and characters beyond Latin-1.
const QStringList &oddNumbers()
{
    static const QStringList texts = {
        u"0,5"_qs,
        u"1e999"_qs,
        u"-1e999"_qs,
        u"-0.7"_qs,
        u"-0.6117965379"_qs,
        u"-0.6117965"_qs,
        u"-0.61179654"_qs,
        u"1e38"_qs,
        u"3.4028235e38"_qs,
        u"3.5e38"_qs,
        u"-1e39"_qs,
        u"1e-45"_qs,
        u"1e-300"_qs,
        u"0.0625"_qs,
        u"0.0005"_qs,
        u"-0.0004"_qs,
        u" 0 . 2 5 "_qs,
        u"+0.3"_qs,
        u".5"_qs,
        u"5."_qs,
        u"1e"_qs,
        u"e5"_qs,
        u"--1"_qs,
        u"0x1A"_qs,
        u"nan"_qs,
        u"inf"_qs,
        u"abc"_qs,
        u"12abc"_qs,
        u"1,000"_qs,
        u"\u00bd"_qs,
        u"\u0663"_qs,
        u"\uff11"_qs,
        u"35.25"_qs,
        u"1e15"_qs,
        u"123456789012"_qs,
        u"-0"_qs,
        u"9.9995"_qs,
        u"0.00049999"_qs,
        u"\t7"_qs,
        u"1\n2"_qs,
    };
    return texts;
}

const QStringList &names()
{
    static const QStringList texts = {
        u"Brick"_qs,
        u"B\u00e9ton arm\u00e9"_qs,
        u"Gipskarton 12,5 mm"_qs,
        u"\u4e2d\u6587\u6750\u6599"_qs,
        u"\u03a9mega panel"_qs,
        u"\u20acuro board \u2013 \u201cquoted\u201d"_qs,
        u"emoji \U0001F600 wall"_qs,
        u"  padded both  "_qs,
        u",comma first"_qs,
        u"trailing comma,"_qs,
        u"semi;colon"_qs,
        u"\u0081\u008d\u008f\u0090\u009d"_qs,
        u"\u0178\u00ff\u00e6\u00f8"_qs,
        u"na\u00efve \u2014 dash"_qs,
        u"\u007f\u007f\u007f"_qs,
        u"Carpet on concrete, heavy, with underlay of felt and rubber, very long name indeed"_qs,
        u"Name with exactly sixty-five characters in it, counting all: wxyz"_qs,
        u"   "_qs,
        QString(),
    };
    return texts;
}

// The value that storing v on a tab puts into the library, when it can be stored.
std::optional<float> storedFor(Quantity quantity, double v)
{
    if (quantity == Quantity::SabineAbsorption) {
        if (!std::isfinite(v) || v < kMinimumSabine)
            return std::nullopt;
        v = sabineToTrue(v);
    }
    return toStoredFloat(v);
}

BandRow &rowOf(MaterialLibrary &library, Quantity quantity, int n)
{
    const auto slot = static_cast<size_t>(n);
    switch (quantity) {
    case Quantity::Insulation:
        return library.insulationR[slot];
    case Quantity::Scattering:
        return library.scattering[slot];
    case Quantity::TrueAbsorption:
    case Quantity::SabineAbsorption:
        break;
    }
    return library.alphaR[slot];
}

void markStored(MaterialLibrary &library, Quantity quantity, int n)
{
    const auto slot = static_cast<size_t>(n);
    library.hasAlpha[slot] = true;
    if (quantity == Quantity::Insulation || quantity == Quantity::Scattering)
        library.hasInsulation[slot] = true;
    if (quantity == Quantity::Scattering)
        library.hasScattering[slot] = true;
}

// The first difference between two libraries, or an empty text.
QString libraryDifference(const MaterialLibrary &actual, const MaterialLibrary &expected)
{
    if (actual.materialCount != expected.materialCount)
        return QStringLiteral("materialCount %1, expected %2")
            .arg(actual.materialCount)
            .arg(expected.materialCount);
    for (size_t n = 1; n <= static_cast<size_t>(kMaxMaterials); ++n) {
        const auto at = [n](const char *what, size_t b = 0) {
            return b ? QStringLiteral("%1[%2][%3]").arg(QLatin1String(what)).arg(n).arg(b)
                     : QStringLiteral("%1[%2]").arg(QLatin1String(what)).arg(n);
        };
        if (actual.materialNames[n] != expected.materialNames[n])
            return at("materialNames") + QStringLiteral(" \"%1\", expected \"%2\"")
                                             .arg(decodeCp1252(actual.materialNames[n]),
                                                  decodeCp1252(expected.materialNames[n]));
        if (actual.hasAlpha[n] != expected.hasAlpha[n])
            return at("hasAlpha");
        if (actual.hasInsulation[n] != expected.hasInsulation[n])
            return at("hasInsulation");
        if (actual.hasScattering[n] != expected.hasScattering[n])
            return at("hasScattering");
        if (actual.materialColors[n] != expected.materialColors[n])
            return at("materialColors") + QStringLiteral(" %1, expected %2")
                                              .arg(actual.materialColors[n])
                                              .arg(expected.materialColors[n]);
        const std::array<std::pair<const char *, const BandRow *>, 3> rows = {{
            {"alphaR", &actual.alphaR[n]},
            {"insulationR", &actual.insulationR[n]},
            {"scattering", &actual.scattering[n]},
        }};
        const std::array<const BandRow *, 3> wanted = {
            &expected.alphaR[n], &expected.insulationR[n], &expected.scattering[n]};
        for (size_t k = 0; k < rows.size(); ++k) {
            for (size_t b = 1; b <= static_cast<size_t>(kBandCount); ++b) {
                const float got = (*rows[k].second)[b];
                const float want = (*wanted[k])[b];
                // Bit patterns, so that a changed sign of zero shows too.
                if (std::bit_cast<std::uint32_t>(got) != std::bit_cast<std::uint32_t>(want))
                    return at(rows[k].first, b) + QStringLiteral(" %1, expected %2")
                                                      .arg(got, 0, 'g', 9)
                                                      .arg(want, 0, 'g', 9);
            }
        }
    }
    return QString();
}

// The library as a save and a new load give it back: names lose the blanks around them (after
// the cut to the file's width and the comma the writer turns into a semicolon), and a black
// colour comes back as its stand-in.
std::unique_ptr<MaterialLibrary> afterRoundTrip(const MaterialLibrary &library)
{
    auto out = std::make_unique<MaterialLibrary>(library);
    for (int n = 1; n <= out->materialCount; ++n) {
        const auto slot = static_cast<size_t>(n);
        QByteArray name = out->materialNames[slot].left(kNameFieldWidth);
        name.replace(',', ';');
        name.replace('\r', ' ');
        qsizetype start = 0;
        qsizetype end = name.size();
        while (start < end && name[start] == ' ')
            ++start;
        while (end > start && name[end - 1] == ' ')
            --end;
        out->materialNames[slot] = name.mid(start, end - start);
        if (out->materialColors[slot] == 0)
            out->materialColors[slot] = kBlackReplacement;
    }
    return out;
}

QString shortened(const QString &text)
{
    constexpr qsizetype kShown = 60;
    QString shown = text.left(kShown);
    shown.replace(u'\r', u"\\r"_qs).replace(u'\n', u"\\n"_qs).replace(u'\t', u"\\t"_qs);
    if (text.size() > kShown)
        shown += QStringLiteral("...(%1 chars)").arg(text.size());
    return shown;
}

} // namespace

#define MONKEY_VERIFY(condition, message)                                                          \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            fail(message, __FILE__, __LINE__);                                                     \
            return;                                                                                \
        }                                                                                          \
    } while (false)

#define MONKEY_STOP_ON_FAILURE()                                                                   \
    do {                                                                                           \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

class Monkey {
public:
    Monkey(quint64 seed, int actions)
        : m_seed(seed), m_actions(actions), m_rng(seed),
          m_trace(qEnvironmentVariableIntValue("QUILLON_MONKEY_TRACE") != 0)
    {
    }

    void run();

private:
    // Random choices.
    quint64 below(quint64 bound) { return bound ? m_rng() % bound : 0; }
    int between(int low, int high)
    {
        return low + static_cast<int>(below(static_cast<quint64>(high - low + 1)));
    }
    bool chance(int percent) { return below(100) < static_cast<quint64>(percent); }
    template <typename List> auto pick(const List &list)
    {
        return list.at(static_cast<qsizetype>(below(static_cast<quint64>(list.size()))));
    }
    Action pickAction();
    int pickRow();
    int pickCol();
    QString numberText();
    QString nameText();
    QString cellText();
    QString entryText(int col);
    QString clipboardText();
    QByteArray lumeoFileContent();
    QString lumeoFileName();

    // The window.
    void startEpisode();
    FlexGrid *grid() const { return m_f->grid(); }
    MaterialLibrary &library() const { return m_f->window->library(); }
    QModelIndex indexOf(int row, int col) const
    {
        return grid()->gridModel()->index(row - 1, col - 1);
    }
    QPoint showCell(int row, int col);
    void sendText(QWidget *widget, const QString &text);
    QWidget *keyTarget() const;

    // Actions.
    void act(Action action);
    void clickCell(bool shift);
    void doubleClickCell(int row, int col);
    void dragSelect();
    void rowHeader();
    void columnHeader();
    void corner();
    void keyMove();
    void typeOnTable();
    void typeAtFocus();
    void editorKeys();
    void enterInEditor();
    void clickEditor();
    void switchTab(int position);
    void copy();
    void paste();
    void import(bool throughMenu);
    void helpThroughMenu();
    void chooseColor();
    void save();
    void resize();
    void quitDeclined();
    void marginClick();
    void shortcutNoise();

    // Checks.
    void checkCheap();
    void checkFull();
    void checkSelectedBlock(int top, int left, int bottom, int right);
    void fail(const QString &message, const char *file, int line);
    void note(const QString &description);

    quint64 m_seed;
    int m_actions;
    std::mt19937_64 m_rng;
    bool m_trace;
    int m_index = 0;
    int m_lastCount = 0;
    int m_importFiles = 0;
    std::deque<QString> m_trail;
    std::unique_ptr<WindowFixture> m_f;
};

void Monkey::note(const QString &description)
{
    QString line = QStringLiteral("#%1 %2").arg(m_index).arg(description);
    if (m_trace)
        qInfo().noquote() << line;
    m_trail.push_back(std::move(line));
    if (m_trail.size() > static_cast<size_t>(kTrailLength))
        m_trail.pop_front();
}

void Monkey::fail(const QString &message, const char *file, int line)
{
    QString trail;
    for (const QString &step : m_trail)
        trail += u"\n    "_qs + step;
    qInfo().noquote() << QStringLiteral("monkey failed: seed=%1 action=%2 of %3; replay with "
                                        "QUILLON_MONKEY_SEED=%1 QUILLON_MONKEY_ACTIONS=%4\n"
                                        "  last actions:%5")
                             .arg(m_seed)
                             .arg(m_index)
                             .arg(m_actions)
                             .arg(m_index + 1)
                             .arg(trail);
    QTest::qFail(
        qPrintable(QStringLiteral("seed=%1 action=%2: %3").arg(m_seed).arg(m_index).arg(message)),
        file, line);
}

void Monkey::run()
{
    qInfo().noquote() << QStringLiteral("monkey seed=%1 actions=%2").arg(m_seed).arg(m_actions);
    QElapsedTimer timer;
    timer.start();
    for (m_index = 0; m_index < m_actions; ++m_index) {
        if (m_index % kEpisodeActions == 0) {
            startEpisode();
            MONKEY_STOP_ON_FAILURE();
        }
        act(pickAction());
        MONKEY_STOP_ON_FAILURE();
        checkCheap();
        MONKEY_STOP_ON_FAILURE();
        const bool episodeEnds = (m_index + 1) % kEpisodeActions == 0;
        if ((m_index + 1) % kCheckInterval == 0 || episodeEnds || m_index + 1 == m_actions) {
            checkFull();
            MONKEY_STOP_ON_FAILURE();
        }
    }
    qInfo().noquote() << QStringLiteral(
                             "monkey seed=%1: %2 actions in %3 ms, last materialCount %4")
                             .arg(m_seed)
                             .arg(m_actions)
                             .arg(timer.elapsed())
                             .arg(library().materialCount);
}

void Monkey::startEpisode()
{
    m_f.reset();
    m_f = std::make_unique<WindowFixture>(WindowFixture::sampleFile("Korvane.mat"),
                                          WindowFixture::sampleFile("korcolor.mat"));
    QDir(m_f->folder.path()).mkdir(u"imports"_qs);
    m_f->load();
    note(u"new window, library loaded"_qs);
    MONKEY_VERIFY(m_f->window->libraryLoaded() && library().materialCount == kSampleMaterials,
                  u"the sample library did not load"_qs);
    m_lastCount = library().materialCount;
}

// --- Random choices ------------------------------------------------------------------------

Action Monkey::pickAction()
{
    int roll = static_cast<int>(below(totalWeight()));
    for (const WeightedAction &entry : kActions) {
        if (roll < entry.weight)
            return entry.action;
        roll -= entry.weight;
    }
    return Action::ClickCell;
}

int Monkey::pickRow()
{
    const int count = library().materialCount;
    const int roll = static_cast<int>(below(100));
    if (roll < 75)
        return between(1, std::clamp(count + 3, 1, kMaxMaterials));
    if (roll < 97)
        return std::clamp(between(count - 2, count + 20), 1, kMaxMaterials);
    return between(1, kMaxMaterials);
}

int Monkey::pickCol()
{
    const int roll = static_cast<int>(below(100));
    if (roll < 12)
        return kNameColumn;
    if (roll < 20)
        return kColorColumn;
    return between(kFirstBandColumn, kLastBandColumn);
}

QString Monkey::numberText()
{
    switch (below(4)) {
    case 0:
        return pick(oddNumbers());
    case 1: {
        // One draw per statement: the order of arguments is the compiler's.
        const double decibels = between(0, 1200) / 10.0;
        return QString::number(decibels, 'f', between(0, 2));
    }
    default: {
        const double value = (static_cast<double>(below(3000001)) - 1000000.0) / 1000000.0;
        return QString::number(value, 'f', between(0, 6));
    }
    }
}

QString Monkey::nameText()
{
    if (chance(70))
        return pick(names());
    static const QString letters =
        u"abcdefghijklmnopqrstuvwxyz ABCDEFG,;.-0123456789\u00e9\u00df\u2013\u4e2d\u20ac"_qs;
    QString text;
    const int length = chance(10) ? between(60, 90) : between(1, 20);
    for (int i = 0; i < length; ++i)
        text += letters.at(static_cast<qsizetype>(below(static_cast<quint64>(letters.size()))));
    return text;
}

QString Monkey::cellText()
{
    const int roll = static_cast<int>(below(100));
    if (roll < 65)
        return numberText();
    if (roll < 85)
        return nameText();
    return QString();
}

QString Monkey::entryText(int col)
{
    return col == kNameColumn && chance(80) ? nameText() : cellText();
}

QString Monkey::clipboardText()
{
    const int roll = static_cast<int>(below(100));
    if (roll < 3)
        return QString();
    if (roll < 5)
        return pick(QStringList{u"\r\n"_qs, u"\t\t"_qs, u"\r\r\n\n"_qs, u"\n"_qs});
    int rows = between(1, 3);
    int cols = between(1, 4);
    if (roll < 7) {
        rows = between(100, 1500);
        cols = between(1, 15);
        rows = std::min(rows, kOversizedCellLimit / cols);
    } else if (roll < 25) {
        rows = between(4, 30);
        cols = between(1, 13);
    }
    const QStringList breaks = {u"\r"_qs, u"\n"_qs, u"\r\n"_qs};
    const int breakStyle = static_cast<int>(below(4)); // 3: mixed
    const bool ragged = chance(25);
    QString text;
    for (int r = 0; r < rows; ++r) {
        if (r > 0)
            text += breakStyle < 3 ? breaks.at(breakStyle) : pick(breaks);
        const int cells = ragged ? between(1, cols + 1) : cols;
        for (int c = 0; c < cells; ++c) {
            if (c > 0)
                text += u'\t';
            text += cellText();
        }
    }
    if (chance(30))
        text += breakStyle < 3 ? breaks.at(breakStyle) : pick(breaks);
    return text;
}

QByteArray Monkey::lumeoFileContent()
{
    const int roll = static_cast<int>(below(100));
    int count = 8;
    if (roll < 8)
        count = between(0, 7);
    else if (roll < 20)
        count = between(9, 12);
    const QList<QByteArray> separators = {",", " ", "\n", "\r\n", ", ", "\t", "  ,\r\n  "};
    QByteArray content;
    if (chance(4))
        content += "Lumeo material\n";
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            content += pick(separators);
        if (chance(5)) {
            content += numberText().toUtf8();
        } else {
            const double value = static_cast<double>(below(1001)) / 1000.0;
            content += QByteArray::number(value, 'f', between(1, 3));
        }
    }
    if (chance(50))
        content += pick(separators);
    return content;
}

QString Monkey::lumeoFileName()
{
    static const QStringList fileNames = {
        u"CARPET"_qs,
        u"tiles.mat"_qs,
        u"Velour, heavy"_qs,
        u"B\u00e9ton"_qs,
        u"\u4e2d\u6587\u6750\u6599.txt"_qs,
        u"back\\slash"_qs,
        u" spaced "_qs,
        u"Plaster on lath with a name that runs on well past the sixty-five characters"_qs,
        u"\u20ac-panel"_qs,
        u"glass"_qs,
    };
    return QStringLiteral("%1_%2").arg(m_importFiles++).arg(pick(fileNames));
}

// --- The window -----------------------------------------------------------------------------

QPoint Monkey::showCell(int row, int col)
{
    const QModelIndex index = indexOf(row, col);
    grid()->scrollTo(index);
    return grid()->visualRect(index).center();
}

void Monkey::sendText(QWidget *widget, const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch.unicode() >= 0x20 && ch.unicode() < 0x7f) {
            QTest::keyClick(widget, static_cast<char>(ch.unicode()));
            continue;
        }
        QString typed(ch);
        if (ch.isHighSurrogate() && i + 1 < text.size())
            typed += text.at(++i);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, typed);
        QCoreApplication::sendEvent(widget, &release);
    }
}

QWidget *Monkey::keyTarget() const
{
    QWidget *focus = QApplication::focusWidget();
    return focus == m_f->cell() ? focus : static_cast<QWidget *>(grid());
}

// --- Actions --------------------------------------------------------------------------------

void Monkey::act(Action action)
{
    switch (action) {
    case Action::ClickCell:
        clickCell(false);
        break;
    case Action::ShiftClickCell:
        clickCell(true);
        break;
    case Action::DoubleClickCell:
        doubleClickCell(pickRow(), pickCol());
        break;
    case Action::DragSelect:
        dragSelect();
        break;
    case Action::RowHeader:
        rowHeader();
        break;
    case Action::ColumnHeader:
        columnHeader();
        break;
    case Action::Corner:
        corner();
        break;
    case Action::KeyMove:
        keyMove();
        break;
    case Action::TypeOnTable:
        typeOnTable();
        break;
    case Action::TypeAtFocus:
        typeAtFocus();
        break;
    case Action::EditorKeys:
        editorKeys();
        break;
    case Action::EnterInEditor:
        enterInEditor();
        break;
    case Action::ClickEditor:
        clickEditor();
        break;
    case Action::SwitchTab:
        switchTab(between(1, kTabCount));
        break;
    case Action::Copy:
        copy();
        break;
    case Action::Paste:
        paste();
        break;
    case Action::ImportDirect:
        import(false);
        break;
    case Action::ImportThroughMenu:
        import(true);
        break;
    case Action::HelpThroughMenu:
        helpThroughMenu();
        break;
    case Action::ChooseColor:
        chooseColor();
        break;
    case Action::Save:
        save();
        break;
    case Action::Resize:
        resize();
        break;
    case Action::QuitDeclined:
        quitDeclined();
        break;
    case Action::MarginClick:
        marginClick();
        break;
    case Action::ShortcutNoise:
        shortcutNoise();
        break;
    }
}

void Monkey::clickCell(bool shift)
{
    const int row = pickRow();
    const int col = pickCol();
    note(QStringLiteral("%1click cell (%2, %3)")
             .arg(shift ? u"shift-"_qs : QString())
             .arg(row)
             .arg(col));
    // The selection end is the anchor that a shifted click extends from.
    const int anchorRow = grid()->rowSel();
    const int anchorCol = grid()->colSel();
    const QPoint at = showCell(row, col);
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton,
                      shift ? Qt::ShiftModifier : Qt::NoModifier, at);
    if (shift) {
        checkSelectedBlock(std::min(row, anchorRow), std::min(col, anchorCol),
                           std::max(row, anchorRow), std::max(col, anchorCol));
        return;
    }
    MONKEY_VERIFY(grid()->row() == row && grid()->col() == col,
                  QStringLiteral("the click left the current cell at (%1, %2)")
                      .arg(grid()->row())
                      .arg(grid()->col()));
    // Also on the cell that was current: a plain click leaves a block of one cell.
    checkSelectedBlock(row, col, row, col);
    MONKEY_STOP_ON_FAILURE();
    MONKEY_VERIFY(
        m_f->cell()->text() == grid()->textMatrix(row, col),
        QStringLiteral("the editor shows \"%1\" after a click on \"%2\"")
            .arg(shortened(m_f->cell()->text()), shortened(grid()->textMatrix(row, col))));
}

void Monkey::doubleClickCell(int row, int col)
{
    note(QStringLiteral("double click cell (%1, %2)").arg(row).arg(col));
    const QPoint at = showCell(row, col);
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(grid()->viewport(), Qt::LeftButton, {}, at);
}

void Monkey::dragSelect()
{
    const int row = pickRow();
    const int col = pickCol();
    const QPoint from = showCell(row, col);
    QWidget *viewport = grid()->viewport();
    const int x = between(0, viewport->width() - 1);
    QPoint to(x, between(0, viewport->height() - 1));
    // Onto a cell in full view: one that shows only in part scrolls the table under the pointer.
    const QModelIndex under = grid()->indexAt(to);
    if (under.isValid() && viewport->rect().contains(grid()->visualRect(under)))
        to = grid()->visualRect(under).center();
    note(QStringLiteral("drag from cell (%1, %2) to pixel (%3, %4)")
             .arg(row)
             .arg(col)
             .arg(to.x())
             .arg(to.y()));
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QTest::mouseMove(viewport, to);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
    const QModelIndex target = grid()->indexAt(to);
    if (!target.isValid() || target != under ||
        !viewport->rect().contains(grid()->visualRect(target)))
        return;
    const int toRow = target.row() + 1;
    const int toCol = target.column() + 1;
    checkSelectedBlock(std::min(row, toRow), std::min(col, toCol), std::max(row, toRow),
                       std::max(col, toCol));
}

void Monkey::rowHeader()
{
    const int row = pickRow();
    note(QStringLiteral("click row header %1").arg(row));
    showCell(row, std::max(grid()->col(), 1));
    QHeaderView *header = grid()->verticalHeader();
    const int y = header->sectionViewportPosition(row - 1) + header->sectionSize(row - 1) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->width() / 2, y));
    checkSelectedBlock(row, 1, row, kGridCols - 1);
}

void Monkey::columnHeader()
{
    const int col = pickCol();
    note(QStringLiteral("click column header %1").arg(col));
    showCell(std::max(grid()->row(), 1), col);
    QHeaderView *header = grid()->horizontalHeader();
    const int x = header->sectionViewportPosition(col - 1) + header->sectionSize(col - 1) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    checkSelectedBlock(1, col, kGridRows - 1, col);
}

void Monkey::corner()
{
    note(u"click the table's corner"_qs);
    auto *button = grid()->findChild<QAbstractButton *>(QString(), Qt::FindDirectChildrenOnly);
    MONKEY_VERIFY(button, u"the table has no corner button"_qs);
    QTest::mouseClick(button, Qt::LeftButton);
    checkSelectedBlock(1, 1, kGridRows - 1, kGridCols - 1);
}

void Monkey::keyMove()
{
    static const std::array keys = {Qt::Key_Up,       Qt::Key_Down,   Qt::Key_Left, Qt::Key_Right,
                                    Qt::Key_Up,       Qt::Key_Down,   Qt::Key_Left, Qt::Key_Right,
                                    Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Home, Qt::Key_End,
                                    Qt::Key_Tab,      Qt::Key_Backtab};
    const Qt::Key key = keys.at(below(keys.size()));
    Qt::KeyboardModifiers modifiers;
    const int roll = static_cast<int>(below(100));
    if (roll < 30)
        modifiers = Qt::ShiftModifier;
    else if (roll < 33)
        modifiers = Qt::ControlModifier;
    const int repeat = chance(20) ? between(2, 5) : 1;
    note(QStringLiteral("key 0x%1 modifiers 0x%2 x%3 on the table")
             .arg(int(key), 0, 16)
             .arg(int(modifiers), 0, 16)
             .arg(repeat));
    for (int i = 0; i < repeat; ++i)
        QTest::keyClick(grid(), key, modifiers);
    // Without Shift the block is the current cell alone, also where the key could not move it.
    if (!modifiers.testFlag(Qt::ShiftModifier))
        checkSelectedBlock(grid()->row(), grid()->col(), grid()->row(), grid()->col());
}

void Monkey::typeOnTable()
{
    const int col = grid()->col();
    QString text = entryText(col);
    if (text.isEmpty())
        text = u"0"_qs;
    const bool enter = chance(70);
    note(QStringLiteral("type \"%1\" on the table at (%2, %3)%4")
             .arg(shortened(text))
             .arg(grid()->row())
             .arg(col)
             .arg(enter ? u" and Enter"_qs : QString()));
    const QString cellBefore = grid()->textMatrix(grid()->row(), col);
    sendText(grid(), text.left(1));
    QLineEdit *editor = m_f->cell();
    // Delete (127) is a key, not a character, on the table.
    const char16_t first = text.at(0).unicode();
    if (first > 31 && first != 127 && !text.at(0).isSurrogate()) {
        MONKEY_VERIFY(editor->hasFocus() && editor->text() == text.left(1) &&
                          editor->cursorPosition() == 1,
                      QStringLiteral("typing \"%1\" on the table left the editor with \"%2\"")
                          .arg(text.left(1), editor->text()));
        MONKEY_VERIFY(grid()->textMatrix(grid()->row(), col) == cellBefore,
                      u"typing on the table changed its cell"_qs);
    }
    sendText(keyTarget(), text.mid(1));
    if (enter)
        enterInEditor();
}

void Monkey::typeAtFocus()
{
    const QString text =
        chance(50) ? numberText().left(between(1, 6)) : nameText().left(between(1, 8));
    QWidget *target = keyTarget();
    note(QStringLiteral("type \"%1\" at the %2")
             .arg(shortened(text), target == grid() ? u"table"_qs : u"editor"_qs));
    sendText(target, text);
}

void Monkey::editorKeys()
{
    static const std::array keys = {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Left,
                                    Qt::Key_Right,     Qt::Key_Home,   Qt::Key_End};
    const Qt::Key key = keys.at(below(keys.size()));
    const Qt::KeyboardModifiers modifiers = chance(20) ? Qt::ShiftModifier : Qt::NoModifier;
    note(QStringLiteral("editor key 0x%1").arg(int(key), 0, 16));
    QTest::keyClick(m_f->cell(), key, modifiers);
}

void Monkey::enterInEditor()
{
    FlexGrid *g = grid();
    const int row = g->row();
    const int col = g->col();
    const Quantity quantity = m_f->window->selectedQuantity();
    const QString text = m_f->cell()->text();
    const QString cellBefore = g->textMatrix(row, col);
    const auto expected = std::make_unique<MaterialLibrary>(library());
    const int beeps = m_f->dialogs->beeps;
    note(QStringLiteral("Enter in the editor holding \"%1\" at (%2, %3) on tab %4")
             .arg(shortened(text))
             .arg(row)
             .arg(col)
             .arg(int(quantity)));
    QTest::keyClick(m_f->cell(), chance(10) ? Qt::Key_Enter : Qt::Key_Return);

    QString shown = cellBefore;
    bool stored = true;
    if (col >= kFirstBandColumn) {
        const double entered = parseLeadingNumber(QStringView(text));
        const QString formatted = formatNumber(entered, patterns::kEditor);
        const auto value = storedFor(quantity, parseLeadingNumber(QStringView(formatted)));
        stored = value && toStoredFloat(entered);
        if (stored) {
            shown = formatted;
            rowOf(*expected, quantity, row)[static_cast<size_t>(bandOfColumn(col))] = *value;
            markStored(*expected, quantity, row);
        }
    } else if (col == kNameColumn) {
        expected->materialNames[static_cast<size_t>(row)] = encodeCp1252(text);
        shown = decodeCp1252(expected->materialNames[static_cast<size_t>(row)]);
    }
    if (stored)
        expected->materialCount = std::max(expected->materialCount, row);
    else
        MONKEY_VERIFY(m_f->dialogs->beeps == beeps + 1, u"a refused entry did not beep"_qs);
    MONKEY_VERIFY(g->textMatrix(row, col) == shown,
                  QStringLiteral("after Enter the cell shows \"%1\", expected \"%2\"")
                      .arg(shortened(g->textMatrix(row, col)), shortened(shown)));
    const QString difference = libraryDifference(library(), *expected);
    MONKEY_VERIFY(difference.isEmpty(), u"after Enter: "_qs + difference);
    if (stored)
        MONKEY_VERIFY(g->hasFocus(), u"the table did not get the focus back after Enter"_qs);
}

void Monkey::clickEditor()
{
    note(u"click into the editor"_qs);
    QLineEdit *editor = m_f->cell();
    QTest::mouseClick(editor, Qt::LeftButton, {},
                      QPoint(between(1, editor->width() - 2), editor->height() / 2));
    editor->setFocus();
}

void Monkey::switchTab(int position)
{
    note(QStringLiteral("click tab %1").arg(position));
    QTabBar *bar = m_f->window->findChild<QTabBar *>();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(position - 1).center());
    MONKEY_VERIFY(int(m_f->window->selectedQuantity()) == position,
                  u"the tab click did not select the tab"_qs);
}

void Monkey::copy()
{
    const bool keys = chance(50);
    const FlexGrid::Block block = grid()->selectedBlock();
    note(QStringLiteral("copy rows %1-%2 columns %3-%4 by %5")
             .arg(block.top)
             .arg(block.bottom)
             .arg(block.left)
             .arg(block.right)
             .arg(keys ? u"Ctrl+C"_qs : u"the button"_qs));
    if (keys)
        QTest::keyClick(grid(), Qt::Key_C, Qt::ControlModifier);
    else
        QTest::mouseClick(m_f->button("Copy"), Qt::LeftButton);
    QStringList rows;
    for (int r = block.top; r <= block.bottom; ++r) {
        QStringList cells;
        for (int c = block.left; c <= block.right; ++c)
            cells += grid()->textMatrix(r, c);
        rows += cells.join(u'\t');
    }
    MONKEY_VERIFY(QGuiApplication::clipboard()->text() == rows.join(u'\r'),
                  u"the clipboard does not hold the selected block"_qs);
}

void Monkey::paste()
{
    if (chance(80))
        QGuiApplication::clipboard()->setText(clipboardText());
    const QString text = QGuiApplication::clipboard()->text();
    const bool keys = chance(50);
    const Quantity quantity = m_f->window->selectedQuantity();
    const FlexGrid::Block before = grid()->selectedBlock();
    note(QStringLiteral("paste \"%1\" into rows %2-%3 columns %4-%5 on tab %6 by %7")
             .arg(shortened(text))
             .arg(before.top)
             .arg(before.bottom)
             .arg(before.left)
             .arg(before.right)
             .arg(int(quantity))
             .arg(keys ? u"Ctrl+V"_qs : u"the button"_qs));
    const auto expected = std::make_unique<MaterialLibrary>(library());
    if (keys)
        QTest::keyClick(grid(), Qt::Key_V, Qt::ControlModifier);
    else
        QTest::mouseClick(m_f->button("Paste"), Qt::LeftButton);

    // Every cell of the block, as the table now shows it, is stored.
    const FlexGrid::Block block = grid()->selectedBlock();
    MONKEY_VERIFY(block.top == before.top && block.left == before.left,
                  u"the paste moved the block's top left corner"_qs);
    const int left = std::max(block.left, kFirstBandColumn);
    const int right = std::clamp(block.right, kFirstBandColumn, kLastBandColumn);
    for (int n = block.top; n <= block.bottom; ++n) {
        expected->materialNames[static_cast<size_t>(n)] =
            encodeCp1252(grid()->textMatrix(n, kNameColumn));
        for (int c = left; c <= right; ++c) {
            const auto value =
                storedFor(quantity, parseLeadingNumber(QStringView(grid()->textMatrix(n, c))));
            if (!value)
                continue;
            rowOf(*expected, quantity, n)[static_cast<size_t>(bandOfColumn(c))] = *value;
            markStored(*expected, quantity, n);
        }
    }
    expected->materialCount = std::max(expected->materialCount, block.bottom);
    const QString difference = libraryDifference(library(), *expected);
    MONKEY_VERIFY(difference.isEmpty(), u"after the paste: "_qs + difference);
}

void Monkey::import(bool throughMenu)
{
    const QString folder = m_f->folder.filePath(u"imports"_qs);
    QString path = folder + u'/' + lumeoFileName();
    const int roll = static_cast<int>(below(100));
    QByteArray content;
    if (roll < 5) {
        path += u".missing"_qs;
    } else if (roll < 7) {
        path = folder;
    } else {
        content = lumeoFileContent();
        QFile file(path);
        MONKEY_VERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size(),
                      u"cannot write the import file"_qs);
    }
    const bool cancel = throughMenu && chance(15);
    note(QStringLiteral("import \"%1\" holding \"%2\"%3%4")
             .arg(QFileInfo(path).fileName(), shortened(QString::fromUtf8(content)),
                  throughMenu ? u" through the menu and dialog"_qs : QString(),
                  cancel ? u" (cancelled)"_qs : QString()));

    const auto before = std::make_unique<MaterialLibrary>(library());
    const size_t messages = m_f->dialogs->messages.size();
    if (throughMenu) {
        FakeDialogs &dialogs = *m_f->dialogs;
        dialogs.menuAnswers = {0};
        dialogs.fileAnswers = {cancel ? QString() : path};
        QPushButton *action = m_f->button("Command2");
        QContextMenuEvent menu(QContextMenuEvent::Mouse, action->rect().center(),
                               action->mapToGlobal(action->rect().center()));
        QCoreApplication::sendEvent(action, &menu);
        MONKEY_VERIFY(action->text() == QLatin1String(kImportCaption),
                      u"the menu did not switch the action button to the import"_qs);
        QTest::mouseClick(action, Qt::LeftButton);
        MONKEY_VERIFY(dialogs.fileAnswers.empty(), u"the import dialog was not opened"_qs);
    } else {
        m_f->window->importLumeoMaterial(path);
    }

    const MaterialLibrary &lib = library();
    const int n = before->materialCount + 1;
    const LumeoReadResult read = readLumeoMaterial(content);
    const bool imports = !cancel && read.ok && n <= kMaxMaterials && !content.isEmpty();
    if (!imports) {
        const QString difference = libraryDifference(lib, *before);
        MONKEY_VERIFY(difference.isEmpty(),
                      u"a refused import changed the library: "_qs + difference);
        MONKEY_VERIFY(cancel || m_f->dialogs->messages.size() > messages,
                      u"a refused import was not reported"_qs);
        return;
    }
    const auto slot = static_cast<size_t>(n);
    MONKEY_VERIFY(lib.materialCount == n, u"the import did not add one material"_qs);
    MONKEY_VERIFY(lib.hasAlpha[slot] && lib.hasInsulation[slot] == before->hasInsulation[slot] &&
                      lib.hasScattering[slot] == before->hasScattering[slot],
                  u"the import set the wrong flags"_qs);
    MONKEY_VERIFY(lib.materialNames[slot] == encodeCp1252(lumeoMaterialName(path)),
                  u"the imported material is misnamed"_qs);
    for (int k = 0; k < kLumeoBandCount; ++k)
        MONKEY_VERIFY(lib.alphaR[slot][static_cast<size_t>(kLumeoFirstBand + k)] ==
                          read.values[static_cast<size_t>(k)],
                      QStringLiteral("imported band %1 is wrong").arg(kLumeoFirstBand + k));
    MONKEY_VERIFY(m_f->window->selectedQuantity() == Quantity::TrueAbsorption,
                  u"the import left another tab selected"_qs);
    MONKEY_VERIFY(grid()->gridModel()->textColor(n, kColorColumn) == lib.materialColors[slot],
                  u"the imported swatch is not in the material's colour"_qs);
}

void Monkey::helpThroughMenu()
{
    note(u"choose Help in the action menu and click it"_qs);
    FakeDialogs &dialogs = *m_f->dialogs;
    dialogs.menuAnswers = {chance(80) ? std::optional<int>(1) : std::nullopt};
    QPushButton *action = m_f->button("Command2");
    QContextMenuEvent menu(QContextMenuEvent::Mouse, action->rect().center(),
                           action->mapToGlobal(action->rect().center()));
    QCoreApplication::sendEvent(action, &menu);
    const size_t opened = dialogs.openedFiles.size();
    const bool help = action->text() == QLatin1String(kHelpCaption);
    dialogs.fileAnswers.clear(); // the import would be cancelled
    QTest::mouseClick(action, Qt::LeftButton);
    if (help)
        MONKEY_VERIFY(dialogs.openedFiles.size() == opened + 1, u"Help did not open the manual"_qs);
}

void Monkey::chooseColor()
{
    const int row = pickRow();
    std::optional<MaterialColor> answer;
    if (chance(80)) {
        const int red = between(0, 255);
        const int green = between(0, 255);
        answer = chance(10) ? 0 : rgbColor(red, green, between(0, 255));
    }
    m_f->dialogs->colorAnswers = {answer};
    const auto before = std::make_unique<MaterialLibrary>(library());
    const size_t requests = m_f->dialogs->colorRequests.size();
    doubleClickCell(row, kColorColumn);
    note(QStringLiteral("choose colour %1 for row %2")
             .arg(answer ? QString::number(*answer) : u"(cancel)"_qs)
             .arg(row));
    MONKEY_VERIFY(m_f->dialogs->colorRequests.size() == requests + 1 &&
                      m_f->dialogs->colorRequests.back() ==
                          before->materialColors[static_cast<size_t>(row)],
                  u"the colour dialog was not opened on the row's colour"_qs);
    if (answer)
        before->materialColors[static_cast<size_t>(row)] = *answer;
    const QString difference = libraryDifference(library(), *before);
    MONKEY_VERIFY(difference.isEmpty(), u"after the colour choice: "_qs + difference);
    MONKEY_VERIFY(grid()->gridModel()->textColor(row, kColorColumn) ==
                      library().materialColors[static_cast<size_t>(row)],
                  u"the swatch is not in the material's colour"_qs);
    MONKEY_VERIFY(grid()->hasFocus(), u"the table did not get the focus back"_qs);
}

void Monkey::save()
{
    note(u"click Update File"_qs);
    const size_t messages = m_f->dialogs->messages.size();
    QTest::mouseClick(m_f->button("Updatee"), Qt::LeftButton);
    MONKEY_VERIFY(m_f->dialogs->messages.size() == messages,
                  u"the save reported: "_qs + m_f->dialogs->messages.back().text);
    MONKEY_VERIFY(m_f->readFile(QLatin1String(kMaterialFileName)) == writeMaterialFile(library()),
                  u"the saved material file is not the library"_qs);
    MONKEY_VERIFY(m_f->readFile(QLatin1String(kColorFileName)) == writeColorFile(library()),
                  u"the saved colour file is not the library"_qs);
}

void Monkey::resize()
{
    const int width = between(500, 1400);
    const QSize size(width, between(380, 1000));
    note(QStringLiteral("resize the window to %1x%2").arg(size.width()).arg(size.height()));
    m_f->window->resize(size);
    QCoreApplication::processEvents();
}

void Monkey::quitDeclined()
{
    note(u"click Quit and answer No"_qs);
    m_f->dialogs->answers = {kAnswerNo};
    QTest::mouseClick(m_f->button("Command1"), Qt::LeftButton);
    MONKEY_VERIFY(m_f->window->isVisible(), u"the window closed after No"_qs);
    MONKEY_VERIFY(m_f->dialogs->messages.back().text == u"Really Do You Want to Exit ?"_qs,
                  u"the exit question was not asked"_qs);
}

void Monkey::marginClick()
{
    note(u"click the window's bare margin"_qs);
    const auto before = std::make_unique<MaterialLibrary>(library());
    QTest::mouseClick(m_f->window.get(), Qt::LeftButton, {}, QPoint(1, 1));
    const QString difference = libraryDifference(library(), *before);
    MONKEY_VERIFY(difference.isEmpty(),
                  u"a second load request changed the library: "_qs + difference);
}

void Monkey::shortcutNoise()
{
    const QString clip = QGuiApplication::clipboard()->text();
    const auto before = std::make_unique<MaterialLibrary>(library());
    switch (below(6)) {
    case 0:
    case 1:
        note(u"Ctrl+Shift+C on the table"_qs);
        QTest::keyClick(grid(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        break;
    case 2:
    case 3:
    case 4:
        note(u"Ctrl+Alt+V on the table"_qs);
        QTest::keyClick(grid(), Qt::Key_V, Qt::ControlModifier | Qt::AltModifier);
        break;
    default:
        note(u"Ctrl+A on the table"_qs);
        QTest::keyClick(grid(), Qt::Key_A, Qt::ControlModifier);
        checkSelectedBlock(1, 1, kGridRows - 1, kGridCols - 1);
        MONKEY_STOP_ON_FAILURE();
        break;
    }
    MONKEY_VERIFY(QGuiApplication::clipboard()->text() == clip, u"the clipboard changed"_qs);
    const QString difference = libraryDifference(library(), *before);
    MONKEY_VERIFY(difference.isEmpty(), u"the library changed: "_qs + difference);
}

// --- Checks ---------------------------------------------------------------------------------

void Monkey::checkSelectedBlock(int top, int left, int bottom, int right)
{
    const FlexGrid::Block block = grid()->selectedBlock();
    MONKEY_VERIFY(block.top == top && block.left == left && block.bottom == bottom &&
                      block.right == right,
                  QStringLiteral("the selected block is rows %1-%2 columns %3-%4, expected rows "
                                 "%5-%6 columns %7-%8")
                      .arg(block.top)
                      .arg(block.bottom)
                      .arg(block.left)
                      .arg(block.right)
                      .arg(top)
                      .arg(bottom)
                      .arg(left)
                      .arg(right));
}

void Monkey::checkCheap()
{
    const MaterialLibrary &lib = library();
    MONKEY_VERIFY(
        lib.materialCount >= m_lastCount && lib.materialCount <= kMaxMaterials,
        QStringLiteral("materialCount went from %1 to %2").arg(m_lastCount).arg(lib.materialCount));
    m_lastCount = lib.materialCount;
    FlexGrid *g = grid();
    MONKEY_VERIFY(g->rows() == kGridRows && g->cols() == kGridCols,
                  u"the table changed its size"_qs);
    MONKEY_VERIFY(g->row() >= 1 && g->row() < kGridRows && g->col() >= 1 && g->col() < kGridCols &&
                      g->rowSel() >= 1 && g->rowSel() < kGridRows && g->colSel() >= 1 &&
                      g->colSel() < kGridCols,
                  QStringLiteral("current cell (%1, %2), selection end (%3, %4)")
                      .arg(g->row())
                      .arg(g->col())
                      .arg(g->rowSel())
                      .arg(g->colSel()));
    MONKEY_VERIFY(m_f->window->tableReady() && m_f->window->isVisible() && g->isVisible(),
                  u"the table is not ready and shown"_qs);
    // Whatever changed the current material's values or moved to another one redrew the chart.
    const SpectrumValues spectrum = spectrumValues(lib, g->row(), m_f->window->selectedQuantity());
    for (int b = 1; b <= kBandCount; ++b) {
        MONKEY_VERIFY(m_f->chart()->pointValue(b) == spectrum.values[static_cast<size_t>(b - 1)],
                      QStringLiteral("the chart shows %1 in band %2 for row %3, the library %4")
                          .arg(m_f->chart()->pointValue(b))
                          .arg(b)
                          .arg(g->row())
                          .arg(spectrum.values[static_cast<size_t>(b - 1)]));
    }
}

void Monkey::checkFull()
{
    note(u"full check"_qs);
    const MaterialLibrary &lib = library();
    for (size_t n = 1; n <= static_cast<size_t>(kMaxMaterials); ++n) {
        for (size_t b = 1; b <= static_cast<size_t>(kBandCount); ++b) {
            MONKEY_VERIFY(std::isfinite(lib.alphaR[n][b]) && std::isfinite(lib.insulationR[n][b]) &&
                              std::isfinite(lib.scattering[n][b]),
                          QStringLiteral("material %1 band %2 holds a value that is not finite")
                              .arg(n)
                              .arg(b));
        }
    }

    m_f->window->refreshQuantityTable();
    const Quantity quantity = m_f->window->selectedQuantity();
    auto copy = std::make_unique<MaterialLibrary>(lib);
    const GridModel &model = *grid()->gridModel();
    for (int n = 1; n < kGridRows; ++n) {
        const auto slot = static_cast<size_t>(n);
        MONKEY_VERIFY(
            model.text(n, kNumberColumn) == u' ' + QString::number(n - 1),
            QStringLiteral("row %1 shows number \"%2\"").arg(n).arg(model.text(n, kNumberColumn)));
        MONKEY_VERIFY(
            model.textColor(n, kColorColumn) == lib.materialColors[slot],
            QStringLiteral("the swatch of row %1 is not in the material's colour").arg(n));
        if (n > lib.materialCount)
            continue;
        MONKEY_VERIFY(model.text(n, kNameColumn) == decodeCp1252(lib.materialNames[slot]),
                      QStringLiteral("row %1 shows name \"%2\", the library holds \"%3\"")
                          .arg(n)
                          .arg(model.text(n, kNameColumn), decodeCp1252(lib.materialNames[slot])));
        for (int b = 1; b <= kBandCount; ++b) {
            const QString expected = bandCellText(*copy, n, b, quantity);
            MONKEY_VERIFY(model.text(n, columnOfBand(b)) == expected,
                          QStringLiteral("cell (%1, %2) on tab %3 shows \"%4\", expected \"%5\"")
                              .arg(n)
                              .arg(columnOfBand(b))
                              .arg(int(quantity))
                              .arg(model.text(n, columnOfBand(b)), expected));
        }
    }
    if (quantity == Quantity::Scattering) {
        for (int n = 1; n <= lib.materialCount; ++n) {
            const auto slot = static_cast<size_t>(n);
            if (!lib.hasAlpha[slot] || lib.hasScattering[slot])
                continue;
            for (size_t b = 1; b <= static_cast<size_t>(kBandCount); ++b)
                MONKEY_VERIFY(
                    lib.scattering[slot][b] == kDefaultScattering,
                    QStringLiteral("material %1 without scattering values holds %2 in band %3 "
                                   "after the scattering tab was shown")
                        .arg(n)
                        .arg(lib.scattering[slot][b])
                        .arg(b));
        }
    }
    // The refresh already put the default scattering values in.
    const QString written = libraryDifference(*copy, lib);
    MONKEY_VERIFY(written.isEmpty(), u"the refresh left defaults to be written: "_qs + written);

    save();
    MONKEY_STOP_ON_FAILURE();
    auto reloaded = std::make_unique<MaterialLibrary>();
    const LoadOutcome outcome =
        loadLibraryFiles(m_f->folder.filePath(QLatin1String(kMaterialFileName)),
                         m_f->folder.filePath(QLatin1String(kColorFileName)), *reloaded);
    MONKEY_VERIFY(outcome.ok, u"the saved library does not load: "_qs + outcome.message);
    MONKEY_VERIFY(reloaded->materialCount == lib.materialCount,
                  QStringLiteral("%1 materials saved, %2 loaded")
                      .arg(lib.materialCount)
                      .arg(reloaded->materialCount));
    const auto canonical = afterRoundTrip(lib);
    const QByteArray materials = writeMaterialFile(*canonical);
    const QByteArray reloadedMaterials = writeMaterialFile(*reloaded);
    if (reloadedMaterials != materials) {
        const QList<QByteArray> want = materials.split('\n');
        const QList<QByteArray> got = reloadedMaterials.split('\n');
        qsizetype line = 0;
        while (line < want.size() && line < got.size() && want.at(line) == got.at(line))
            ++line;
        MONKEY_VERIFY(false, QStringLiteral("the material file does not survive a load: line %1 "
                                            "reads back as\n%2\ninstead of\n%3")
                                 .arg(line + 1)
                                 .arg(QString::fromLatin1(got.value(line)),
                                      QString::fromLatin1(want.value(line))));
    }
    MONKEY_VERIFY(writeColorFile(*reloaded) == writeColorFile(*canonical),
                  u"the colour file does not survive a load"_qs);
}

class TestMonkey : public QObject {
    Q_OBJECT
private slots:
    void randomUserActions();
};

void TestMonkey::randomUserActions()
{
    const quint64 seed = environmentNumber("QUILLON_MONKEY_SEED", kDefaultSeed);
    const int actions =
        static_cast<int>(environmentNumber("QUILLON_MONKEY_ACTIONS", kDefaultActions));
    Monkey monkey(seed, actions);
    monkey.run();
}

QTEST_MAIN(TestMonkey)
#include "tst_monkey.moc"
