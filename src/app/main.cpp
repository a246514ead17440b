#include "MainWindow.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    QGuiApplication::setDesktopFileName(QStringLiteral("quillon"));

    quillon::MainWindow window;
    window.startUp(QCoreApplication::applicationDirPath());
    window.show();
    return QApplication::exec();
}
