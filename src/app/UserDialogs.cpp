#include "UserDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace quillon {

int QtUserDialogs::messageBox(const QString &text, const QString &title, int style)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(title);
    box.setText(text);
    constexpr int kIconBits = 0x70;
    switch (style & kIconBits) {
    case kStopIcon:
        box.setIcon(QMessageBox::Critical);
        break;
    case kExclamationIcon:
        box.setIcon(QMessageBox::Warning);
        break;
    case kInformationIcon:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    if (style & kYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? kAnswerYes : kAnswerNo;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return kAnswerOk;
}

std::optional<MaterialColor> QtUserDialogs::chooseColor(MaterialColor initial)
{
    const QColor chosen = QColorDialog::getColor(
        QColor(colorRed(initial), colorGreen(initial), colorBlue(initial)), m_parent);
    if (!chosen.isValid())
        return std::nullopt;
    return rgbColor(chosen.red(), chosen.green(), chosen.blue());
}

std::optional<QString> QtUserDialogs::chooseOpenFile(const QString &title, const QString &filter,
                                                     const QString &initialFolder)
{
    // The filter comes as "description|pattern"; show only the description.
    const qsizetype bar = filter.indexOf(u'|');
    const QString qtFilter = bar < 0 ? filter
                                     : filter.left(bar) + QStringLiteral(" (") +
                                           filter.mid(bar + 1) + QLatin1Char(')');
    const QString path = QFileDialog::getOpenFileName(m_parent, title, initialFolder, qtFilter,
                                                      nullptr, QFileDialog::HideNameFilterDetails);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

bool QtUserDialogs::startDetached(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

bool QtUserDialogs::openLocalFile(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void QtUserDialogs::beep()
{
    QApplication::beep();
}

} // namespace quillon

namespace quillon {

std::optional<int> QtUserDialogs::popupMenu(const QStringList &items, const QPoint &globalPosition)
{
    QMenu menu(m_parent);
    for (const QString &item : items)
        menu.addAction(item);
    const QAction *chosen = menu.exec(globalPosition);
    if (!chosen)
        return std::nullopt;
    return static_cast<int>(menu.actions().indexOf(const_cast<QAction *>(chosen)));
}

} // namespace quillon
