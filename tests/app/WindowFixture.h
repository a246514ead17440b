#pragma once

#include "FakeDialogs.h"
#include "LumeoImport.h"
#include "MainWindow.h"
#include "MaterialTableView.h"
#include "SpectrumChart.h"

#include <QApplication>
#include <QContextMenuEvent>
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

    explicit WindowFixture(const QByteArray &materials = sampleFile("Korvane.mat"),
                           const QByteArray &colors = sampleFile("korcolor.mat"),
                           const QLocale &locale = QLocale::c())
    {
        writeFile(QStringLiteral("Korvane.mat"), materials);
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
        dialogs->answers.push_front(QMessageBox::Yes); // leave without asking the test
        window->close();
    }

    static QByteArray sampleFile(const char *name)
    {
        QFile file(qEnvironmentVariable("QUILLON_TEST_DATA") + QLatin1Char('/') +
                   QLatin1String(name));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("sample library file %s missing", name);
        return file.readAll();
    }
    void writeFile(const QString &name, const QByteArray &data)
    {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
            qFatal("cannot write test file");
    }
    QByteArray readFile(const QString &name) const
    {
        QFile file(folder.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    template <typename T = QWidget> T *control(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    MaterialTableView *grid() const { return &window->table(); }
    QLineEdit *cell() const { return control<QLineEdit>("cellEditor"); }
    QPushButton *button(const char *name) const { return control<QPushButton>(name); }
    SpectrumChart *chart() const { return control<SpectrumChart>("spectrumChart"); }
    const MaterialLibrary &library() const { return window->library(); }
    float alpha(int n, int band) const
    {
        return library().alphaR[static_cast<size_t>(n)][static_cast<size_t>(band)];
    }

    void click(const char *name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    void load() { click("actionButton"); }

    // The table as the user counts it: row n is material n, column 1 the names, row 0 and
    // column 0 the headings.
    QString text(int row, int col) const
    {
        const QAbstractItemModel &model = *grid()->model();
        if (row == 0)
            return col == 0 ? grid()->cornerText()
                            : model.headerData(col - 1, Qt::Horizontal).toString();
        if (col == 0)
            return model.headerData(row - 1, Qt::Vertical).toString();
        return model.index(row - 1, col - 1).data().toString();
    }
    MaterialColor swatchColor(int row) const
    {
        const QColor color =
            grid()->model()->index(row - 1, kSwatchColumn).data(Qt::ForegroundRole).value<QColor>();
        return rgbColor(color.red(), color.green(), color.blue());
    }
    int row() const { return grid()->currentIndex().row() + 1; }
    int col() const { return grid()->currentIndex().column() + 1; }
    QList<int> selection() const
    {
        const CellRange range = grid()->selectedRange();
        return {range.row + 1, range.column + 1, range.endRow + 1, range.endColumn + 1};
    }
    void select(int row, int col, int endRow, int endCol)
    {
        grid()->selectRange({row - 1, col - 1, endRow - 1, endCol - 1});
    }

    QPoint cellCenter(int row, int col) const
    {
        const QModelIndex index = grid()->model()->index(row - 1, col - 1);
        grid()->scrollTo(index);
        return grid()->visualRect(index).center();
    }
    void clickCell(int row, int col)
    {
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, cellCenter(row, col));
    }
    // A right click as the desktop delivers it: press, context menu, release.
    void rightClickCell(int row, int col)
    {
        const QPoint at = cellCenter(row, col);
        QWidget *viewport = grid()->viewport();
        QTest::mousePress(viewport, Qt::RightButton, {}, at);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QCoreApplication::sendEvent(viewport, &menu);
        QTest::mouseRelease(viewport, Qt::RightButton, {}, at);
    }
    void doubleClickCell(int row, int col)
    {
        clickCell(row, col);
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, cellCenter(row, col));
    }
    void selectTab(int position)
    {
        auto *bar = control("quantityTabs")->findChild<QTabBar *>();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(position - 1).center());
    }
    // Types an entry on the table, as a user starts one, and presses Enter in the cell editor.
    void enter(int row, int col, const QString &text)
    {
        clickCell(row, col);
        QTest::keyClicks(grid(), text.left(1));
        cell()->setText(text);
        QTest::keyClick(cell(), Qt::Key_Return);
    }
};

} // namespace quillon::testing
