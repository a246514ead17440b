// A seeded random walk of user actions through the real window, with the library checked
// against what a save writes and a load reads back, and against its history.
// QUILLON_MONKEY_SEED and QUILLON_MONKEY_ACTIONS replay a run (a crash: lower the actions).

#include "LibraryDocument.h"
#include "LibraryFiles.h"
#include "WindowFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <deque>
#include <random>

using namespace quillon;
using quillon::testing::WindowFixture;

namespace {

constexpr quint64 kDefaultSeed = 20240611;
constexpr int kDefaultActions = 20000;
// A fresh window now and then: pastes of whole columns fill the library up to its last row,
// and a full library has no rows beyond its last material.
constexpr int kEpisodeActions = 1000;
constexpr int kCheckInterval = 200; // divides kEpisodeActions: every episode ends checked
constexpr size_t kTrailLength = 20;
constexpr int kTabCount = 4;
constexpr int kOversizedCellLimit = 20000;

quint64 environmentNumber(const char *name, quint64 fallback)
{
    bool ok = false;
    const quint64 value = qEnvironmentVariable(name).toULongLong(&ok);
    return ok ? value : fallback;
}

// Texts a user or another program might hand the table.
const QStringList kOddNumbers = {u"0,5"_qs,    u"1e999"_qs,     u"-0.6117965379"_qs, u"3.5e38"_qs,
                                 u"1e-45"_qs,  u" 0 . 2 5 "_qs, u"0x1A"_qs,          u"nan"_qs,
                                 u"\u0663"_qs, u"9.9995"_qs,    u"1\n2"_qs};
const QStringList kNames = {
    u"B\u00e9ton arm\u00e9, \u20acuro \u2013 \u201cquoted\u201d"_qs, u"\u4e2d\u6587 \U0001F600"_qs,
    u"\u0081\u008d\u008f\u0090\u009d\u007f"_qs, u"   "_qs,
    u"Carpet on concrete, heavy, with underlay of felt and rubber, very long name indeed"_qs};

} // namespace

class TestMonkey : public QObject {
    Q_OBJECT
private slots:
    void randomUserActions();

private:
    // One draw per statement where order matters: the order of arguments is the compiler's.
    int below(int bound) { return static_cast<int>(m_rng() % static_cast<quint64>(bound)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }
    QString pick(const QStringList &list) { return list.at(below(int(list.size()))); }
    MaterialTableView *grid() const { return m_f->grid(); }
    const MaterialLibrary &library() const { return m_f->window->library(); }

    void startEpisode()
    {
        m_f.reset();
        m_f = std::make_unique<WindowFixture>();
        m_f->load();
        m_loadedFiles = files(library());
    }

    void note(const QString &what)
    {
        QString line = QString::number(m_index) + u": "_qs + what.left(150);
        m_trail.push_back(line.replace(u'\r', u"\\r"_qs).replace(u'\n', u"\\n"_qs));
        if (m_trail.size() > kTrailLength)
            m_trail.pop_front();
    }

    // Mostly near the last material, where the library grows.
    int pickRow()
    {
        const int count = library().materialCount;
        return chance(80) ? between(1, std::min(count + 3, kMaxMaterials))
                          : between(1, kMaxMaterials);
    }

    // Thousandths from low to high, written with up to six decimals.
    QString number(int low, int high)
    {
        const int decimals = between(0, 6);
        return QString::number(between(low, high) / 1000.0, 'f', decimals);
    }

    QString cellText()
    {
        const int roll = below(100);
        if (roll < 20)
            return pick(kOddNumbers);
        if (roll < 70) // decibels, fractions
            return roll < 40 ? number(0, 120000) : number(-1000, 2000);
        return roll < 85 ? pick(kNames) : QString();
    }

    // Blocks of cells in every line-break style, ragged rows, now and then whole columns or none.
    QString clipboardText()
    {
        const int roll = below(100);
        const int cols = between(1, roll < 25 ? 13 : 4);
        const int rows = roll < 6 ? std::min(between(0, 1500), kOversizedCellLimit / cols)
                                  : between(1, roll < 25 ? 30 : 3);
        const QString lineBreak = pick({u"\r"_qs, u"\n"_qs, u"\r\n"_qs}); // cells may hold others
        QStringList lines;
        for (int r = 0; r < rows; ++r) {
            QStringList cells;
            for (int c = chance(25) ? between(1, cols + 1) : cols; c > 0; --c)
                cells << cellText();
            lines << cells.join(u'\t');
        }
        return lines.join(lineBreak) + (chance(30) ? lineBreak : QString());
    }

    // Characters as the keyboard delivers them, also those no key code names.
    void typeText(const QString &text)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            QWidget *focus = QApplication::focusWidget();
            QWidget *target = focus == m_f->cell() ? focus : grid();
            const QString typed = text.mid(i, text.at(i).isHighSurrogate() ? 2 : 1);
            i += typed.size() - 1;
            const QChar c = typed.at(0);
            const int key = c >= u' ' && c < u'\x7f' ? c.toUpper().unicode() : int(Qt::Key_unknown);
            for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QKeyEvent event(type, key, Qt::NoModifier, typed);
                QCoreApplication::sendEvent(target, &event);
            }
        }
    }

    void act()
    {
        static const std::array moves = {Qt::Key_Up,  Qt::Key_Down,     Qt::Key_Left, Qt::Key_Right,
                                         Qt::Key_End, Qt::Key_PageDown, Qt::Key_Tab};
        const int roll = below(1000);
        const int row = pickRow();
        // Columns as the user counts them, the numbers being column 0.
        const int col = chance(12)  ? kNameColumn + 1
                        : chance(9) ? kSwatchColumn + 1
                                    : between(kFirstBandColumn + 1, kLastBandColumn + 1);
        const bool variant = chance(50);
        const bool shift = chance(20); // a block to copy and paste into
        const Qt::KeyboardModifiers modifiers = shift ? Qt::ShiftModifier : Qt::NoModifier;
        if (roll < 200) {
            note(QString::asprintf("click cell (%d, %d)%s", row, col, shift ? " with Shift" : ""));
            QTest::mouseClick(grid()->viewport(), Qt::LeftButton, modifiers,
                              m_f->cellCenter(row, col));
        } else if (roll < 300) { // on the colour column: the colour dialog, answered or cancelled
            const auto color = chance(20)
                                   ? std::nullopt
                                   : std::optional<MaterialColor>(variant ? 0 : below(1 << 24));
            const int at = roll < 240 ? col : kSwatchColumn + 1;
            note(QString::asprintf("double click cell (%d, %d), colour %d", row, at,
                                   color.value_or(-1)));
            m_f->dialogs->colorAnswers = {color};
            m_f->doubleClickCell(row, at);
        } else if (roll < 420) {
            const Qt::Key key = moves.at(below(int(moves.size())));
            note(QString::asprintf("key 0x%x on the table%s", key, shift ? " with Shift" : ""));
            QTest::keyClick(grid(), key, modifiers);
        } else if (roll < 680) { // also nothing, then Enter on what the editor holds
            const bool name = m_f->col() == kNameColumn + 1 && chance(70);
            const QString text = roll >= 620 ? QString() : name ? pick(kNames) : cellText();
            const bool enter = chance(roll < 620 ? 60 : 100);
            note(u"type \""_qs + text + (enter ? u"\" and Enter"_qs : u"\""_qs));
            typeText(text);
            if (enter)
                QTest::keyClick(m_f->cell(), variant ? Qt::Key_Return : Qt::Key_Enter);
        } else if (roll < 730) {
            const int tab = between(1, kTabCount);
            note(QString::asprintf("click tab %d", tab));
            m_f->selectTab(tab);
        } else if (roll < 960) {
            const bool paste = roll >= 790;
            if (paste && chance(80))
                QGuiApplication::clipboard()->setText(clipboardText());
            note(QString::asprintf("%s by %s", paste ? "paste" : "copy",
                                   variant ? "keys" : "button") +
                 (paste ? u" \""_qs + QGuiApplication::clipboard()->text() + u'"' : QString()));
            if (variant)
                QTest::keyClick(grid(), paste ? Qt::Key_V : Qt::Key_C, Qt::ControlModifier);
            else
                QTest::mouseClick(m_f->button(paste ? "pasteButton" : "copyButton"),
                                  Qt::LeftButton);
        } else if (roll < 970) {
            note(u"click Update File"_qs);
            QTest::mouseClick(m_f->button("updateFileButton"), Qt::LeftButton);
        } else { // by keys, or by the table's menu
            const bool undo = roll < 990;
            note(QString::asprintf("%s by %s", undo ? "undo" : "redo", variant ? "keys" : "menu"));
            m_f->dialogs->menuAnswers = {undo ? 0 : 1};
            if (variant)
                QTest::keyClick(grid(), undo ? Qt::Key_Z : Qt::Key_Y, Qt::ControlModifier);
            else
                grid()->customContextMenuRequested(QPoint(5, 5));
        }
    }

    static QByteArray files(const MaterialLibrary &lib)
    {
        return writeMaterialFile(lib) + writeColorFile(lib);
    }

    // Undoing every step gives back the files as loaded; redoing them, the files before.
    QString checkHistory()
    {
        note(u"history check"_qs);
        const QByteArray before = files(library());
        int steps = 0;
        for (; m_f->window->document().history().canUndo(); ++steps)
            m_f->window->undo();
        if (files(library()) != m_loadedFiles)
            return QString::asprintf("undoing all %d steps did not give the loaded files", steps);
        for (int i = 0; i < steps; ++i)
            m_f->window->redo();
        return files(library()) == before
                   ? QString()
                   : QString::asprintf("redoing all %d steps lost changes", steps);
    }

    // A save writes the library as it is, and a load gives back its values; names and colours
    // come back as the reader's own rules have them.
    QString checkFull()
    {
        note(u"full check"_qs);
        QTest::mouseClick(m_f->button("updateFileButton"), Qt::LeftButton);
        const QByteArray saved =
            m_f->readFile(u"Korvane.mat"_qs) + m_f->readFile(u"korcolor.mat"_qs);
        if (saved != files(library()) || !m_f->window->document().isSaved())
            return u"Update File did not write the library"_qs;
        LibraryDocument reloaded(m_f->folder.path());
        if (!reloaded.load().ok)
            return u"the saved library does not load"_qs;
        auto expected = std::make_unique<MaterialLibrary>(library());
        expected->materialNames = reloaded.library().materialNames;
        expected->materialColors = reloaded.library().materialColors;
        return files(*expected) == files(reloaded.library())
                   ? QString()
                   : u"the saved values read back differently"_qs;
    }

    quint64 m_seed = kDefaultSeed;
    std::mt19937_64 m_rng;
    int m_index = 0;
    QByteArray m_loadedFiles;
    std::deque<QString> m_trail;
    std::unique_ptr<WindowFixture> m_f;
};

void TestMonkey::randomUserActions()
{
    m_seed = environmentNumber("QUILLON_MONKEY_SEED", kDefaultSeed);
    m_rng.seed(m_seed);
    const int actions = int(environmentNumber("QUILLON_MONKEY_ACTIONS", kDefaultActions));
    qInfo("monkey seed=%llu actions=%d", m_seed, actions);
    for (m_index = 0; m_index < actions; ++m_index) {
        if (m_index % kEpisodeActions == 0)
            startEpisode();
        act();
        QString problem;
        if (library().materialCount > kMaxMaterials)
            problem = QString::asprintf("materialCount went to %d", library().materialCount);
        const bool last = m_index + 1 == actions;
        if (problem.isEmpty() && ((m_index + 1) % kCheckInterval == 0 || last))
            problem = checkFull();
        if (problem.isEmpty() && ((m_index + 1) % kEpisodeActions == 0 || last))
            problem = checkHistory();
        if (!problem.isEmpty())
            QFAIL(qPrintable(QString::asprintf(
                "seed=%llu action=%d: %ls\n  last actions:\n    %ls", m_seed, m_index,
                qUtf16Printable(problem),
                qUtf16Printable(QStringList(m_trail.begin(), m_trail.end()).join(u"\n    "_qs)))));
    }
}

QTEST_MAIN(TestMonkey)
#include "tst_monkey.moc"
