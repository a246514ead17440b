#include "CommandLine.h"
#include "LibraryWindows.h"
#include "MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments += QString::fromLocal8Bit(argv[i]);
    const auto start = quillon::windowStartOf(arguments, QDir::currentPath());
    // A command runs without a display: no window system is touched.
    if (!start) {
        QCoreApplication app(argc, argv);
        return quillon::runCommandLine(QCoreApplication::arguments().mid(1),
                                       QCoreApplication::applicationDirPath());
    }
    if (!start->problem.isEmpty()) {
        std::fprintf(stderr, "quillon: %s; no window was opened\n",
                     start->problem.toLocal8Bit().constData());
        return static_cast<int>(quillon::ExitStatus::Failure);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    QGuiApplication::setDesktopFileName(QStringLiteral("quillon"));

    quillon::MainWindow window;
    window.setLibraryFolder(start->folder, start->readOnly);
    window.startUp(QCoreApplication::applicationDirPath());
    window.show();
    return QApplication::exec();
}
