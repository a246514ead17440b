#pragma once

#include "FakeDialogs.h"
#include "FlexGrid.h"
#include "MainWindow.h"
#include "SpectrumChart.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace quillon::testing {

// A window on a library folder of its own, with dialogs the test answers.
struct WindowFixture {
    QTemporaryDir folder;
    FakeDialogs *dialogs = nullptr;
    std::unique_ptr<MainWindow> window;

    explicit WindowFixture(const QByteArray &materials, const QByteArray &colors = QByteArray(),
                           const QLocale &locale = QLocale::c(), bool withColorFile = true)
    {
        writeFile(QStringLiteral("Korvane.mat"), materials);
        if (withColorFile)
            writeFile(QStringLiteral("korcolor.mat"), colors);
        auto fake = std::make_unique<FakeDialogs>();
        dialogs = fake.get();
        window = std::make_unique<MainWindow>(std::move(fake));
        window->startUp(folder.path(), locale);
        window->show();
        QApplication::setActiveWindow(window.get());
        if (!QTest::qWaitForWindowExposed(window.get()))
            qWarning("window not exposed");
    }
    ~WindowFixture()
    {
        // Leave without the exit question.
        dialogs->answers.push_front(kAnswerYes);
        window->close();
    }

    static QByteArray sampleFile(const char *name)
    {
        QFile file(QString::fromLocal8Bit(qgetenv("QUILLON_TEST_DATA")) + QLatin1Char('/') +
                   QLatin1String(name));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("sample library file %s missing", name);
        return file.readAll();
    }

    void writeFile(const QString &name, const QByteArray &data)
    {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write test file");
        file.write(data);
    }
    QByteArray readFile(const QString &name) const
    {
        QFile file(folder.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    template <typename T>
    T *control(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    FlexGrid *grid() const { return control<FlexGrid>("Grid1"); }
    QLineEdit *cell() const { return control<QLineEdit>("Cell"); }
    QPushButton *button(const char *name) const { return control<QPushButton>(name); }
    SpectrumChart *chart() const { return control<SpectrumChart>("MSChart1"); }
    QWidget *picture() const { return control<QWidget>("Image1"); }

    void load() { QTest::mouseClick(button("Command2"), Qt::LeftButton); }

    // Clicks the cell at grid coordinates (row >= 1, col >= 1).
    void clickCell(int row, int col)
    {
        FlexGrid *g = grid();
        const QModelIndex index = g->gridModel()->index(row - 1, col - 1);
        g->scrollTo(index);
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(index).center());
    }
    void doubleClickCell(int row, int col)
    {
        FlexGrid *g = grid();
        const QModelIndex index = g->gridModel()->index(row - 1, col - 1);
        g->scrollTo(index);
        const QPoint at = g->visualRect(index).center();
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, at);
    }
    void selectTab(int position)
    {
        auto *strip = window->findChild<QWidget *>(QStringLiteral("TabStrip1"));
        auto *bar = strip->findChild<QTabBar *>();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(position - 1).center());
    }
    // Types an entry on the table and presses Enter in the cell editor.
    void enter(int row, int col, const QString &text)
    {
        clickCell(row, col);
        QTest::keyClicks(grid(), text.left(1));
        QTest::keyClicks(cell(), text.mid(1));
        QTest::keyClick(cell(), Qt::Key_Return);
    }
};

} // namespace quillon::testing
