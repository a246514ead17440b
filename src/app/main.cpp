#include "CommandLine.h"
#include "MainWindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    // A command runs without a display: no window system is touched.
    if (argc > 1) {
        QCoreApplication app(argc, argv);
        return quillon::runCommandLine(QCoreApplication::arguments().mid(1),
                                       QCoreApplication::applicationDirPath());
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    QGuiApplication::setDesktopFileName(QStringLiteral("quillon"));

    quillon::MainWindow window;
    window.startUp(QCoreApplication::applicationDirPath());
    window.show();
    return QApplication::exec();
}
