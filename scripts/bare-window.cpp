// A bare Qt window of the main window's size: what start-up is compared against.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    constexpr int kTwipsPerInch = 1440;
    constexpr int kClientWidthTwips = 10140;
    constexpr int kClientHeightTwips = 7008;
    const double dpi = window.logicalDpiX();
    window.resize(qRound(kClientWidthTwips * dpi / kTwipsPerInch),
                  qRound(kClientHeightTwips * dpi / kTwipsPerInch));
    window.setWindowTitle(QStringLiteral("bare"));
    window.show();
    return app.exec();
}
