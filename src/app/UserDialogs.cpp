#include "UserDialogs.h"

#include "ManualBrowser.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace quillon {

namespace {

// A closing modal window leaves no window active on some desktops; the control that had the
// focus gets it back, so the keys work again without a click.
class FocusKeeper {
public:
    FocusKeeper() : m_focus(QApplication::focusWidget()) {}
    ~FocusKeeper()
    {
        if (!m_focus || !m_focus->isVisible())
            return;
        m_focus->activateWindow();
        m_focus->setFocus(Qt::ActiveWindowFocusReason);
    }
    FocusKeeper(const FocusKeeper &) = delete;
    FocusKeeper &operator=(const FocusKeeper &) = delete;

private:
    QPointer<QWidget> m_focus;
};

} // namespace

QMessageBox::StandardButton QtUserDialogs::messageBox(const QString &text, const QString &title,
                                                      QMessageBox::Icon icon,
                                                      QMessageBox::StandardButtons buttons,
                                                      QMessageBox::StandardButton defaultButton)
{
    const FocusKeeper keeper;
    QMessageBox box(icon, title, text, buttons, m_parent);
    if (buttons.testFlag(QMessageBox::Yes)) {
        box.setDefaultButton(defaultButton);
        box.setEscapeButton(QMessageBox::No);
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

std::optional<MaterialColor> QtUserDialogs::chooseColor(MaterialColor initial)
{
    const FocusKeeper keeper;
    const QColor chosen = QColorDialog::getColor(
        QColor(colorRed(initial), colorGreen(initial), colorBlue(initial)), m_parent);
    if (!chosen.isValid())
        return std::nullopt;
    return rgbColor(chosen.red(), chosen.green(), chosen.blue());
}

std::optional<QString> QtUserDialogs::chooseOpenFile(const QString &title, const QString &filter,
                                                     const QString &initialFolder)
{
    const FocusKeeper keeper;
    // The filter comes as "description|pattern" and shows as "description (pattern)".
    const qsizetype bar = filter.indexOf(u'|');
    const QString qtFilter = bar < 0 ? filter
                                     : filter.left(bar) + QStringLiteral(" (") +
                                           filter.mid(bar + 1) + QLatin1Char(')');
    const QString path = QFileDialog::getOpenFileName(m_parent, title, initialFolder, qtFilter);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

bool QtUserDialogs::startDetached(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

void QtUserDialogs::openLocalFile(const QString &path, std::function<void(bool opened)> done)
{
    const QUrl url = QUrl::fromLocalFile(path);
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // The desktop's opener may start and then fail (no viewer for the type): its exit tells.
    const QString opener = QStandardPaths::findExecutable(u"xdg-open"_qs);
    if (!opener.isEmpty()) {
        // Not parented to the window: leaving the program must not end a viewer it waits for.
        auto *process = new QProcess;
        process->setStandardOutputFile(QProcess::nullDevice());
        QObject::connect(process, &QProcess::finished, &m_openers,
                         [process, done](int exitCode, QProcess::ExitStatus status) {
                             process->deleteLater();
                             done(status == QProcess::NormalExit && exitCode == 0);
                         });
        QObject::connect(process, &QProcess::errorOccurred, &m_openers,
                         [process, done](QProcess::ProcessError error) {
                             if (error != QProcess::FailedToStart)
                                 return;
                             process->deleteLater();
                             done(false);
                         });
        process->start(opener, {url.toString()});
        return;
    }
#endif
    done(QDesktopServices::openUrl(url));
}

bool QtUserDialogs::showManual(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    file.close();
    // One manual window, raised again when asked a second time.
    QTextBrowser *browser = m_parent ? m_parent->findChild<QTextBrowser *>(u"Manual"_qs) : nullptr;
    if (!browser) {
        browser = new ManualBrowser(m_parent);
        browser->setObjectName(u"Manual"_qs);
        browser->setWindowFlag(Qt::Window);
        browser->setOpenExternalLinks(true);
        browser->resize(760, 640);
    }
    browser->setSource(QUrl::fromLocalFile(path));
    browser->setWindowTitle(browser->documentTitle().isEmpty() ? u"Quillon manual"_qs
                                                               : browser->documentTitle());
    browser->show();
    browser->raise();
    browser->activateWindow();
    return true;
}

void QtUserDialogs::beep()
{
    QApplication::beep();
}

} // namespace quillon

namespace quillon {

QAction *QtUserDialogs::popupMenu(const QList<QAction *> &actions, const QPoint &globalPosition)
{
    QMenu menu(m_parent);
    menu.addActions(actions);
    return menu.exec(globalPosition);
}

} // namespace quillon
