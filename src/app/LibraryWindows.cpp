#include "LibraryWindows.h"

#include "CommandLine.h"
#include "Controls.h"
#include "LibraryAccess.h"
#include "LibraryDocument.h"
#include "LibraryTableModel.h"
#include "MainWindow.h"
#include "MaterialTableView.h"
#include "MaterialTransfer.h"
#include "UserDialogs.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

namespace quillon {

namespace {

const QString kReadOnlyOption = QStringLiteral("--read-only");
const QString kEndOfOptions = QStringLiteral("--");

QString folderProblem(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.exists())
        return QStringLiteral("the folder \"%1\" does not exist").arg(folder);
    if (!info.isDir())
        return QStringLiteral("\"%1\" is not a folder").arg(folder);
    return QString();
}

} // namespace

std::optional<WindowStart> windowStartOf(const QStringList &arguments,
                                         const QString &workingFolder)
{
    const QString first = arguments.value(0);
    if (isCommandName(first) ||
        (first.startsWith(u'-') && first != kReadOnlyOption && first != kEndOfOptions))
        return std::nullopt;
    WindowStart start;
    bool optionsEnded = false;
    QStringList folders;
    for (const QString &argument : arguments) {
        if (!optionsEnded && argument == kEndOfOptions)
            optionsEnded = true;
        else if (!optionsEnded && argument == kReadOnlyOption)
            start.readOnly = true;
        else if (!optionsEnded && argument.startsWith(u'-'))
            start.problem = QStringLiteral("unknown option '%1'").arg(argument);
        else
            folders += argument;
    }
    if (folders.size() > 1)
        start.problem = QStringLiteral("one folder at most, not %1").arg(folders.size());
    else if (folders.size() == 1 && folders[0].isEmpty())
        start.problem = QStringLiteral("the folder is empty");
    else if (folders.size() == 1)
        start.folder = QDir::cleanPath(QDir(workingFolder).absoluteFilePath(folders[0]));
    if (!start.problem.isEmpty() || start.folder.isEmpty())
        return start;
    start.problem = folderProblem(start.folder);
    // A mistyped command reads as a folder: say both.
    if (!optionsEnded && !folders[0].contains(u'/') && !QFileInfo::exists(start.folder))
        start.problem = QStringLiteral("unknown command '%1', and no folder \"%2\" either")
                            .arg(folders[0], start.folder);
    return start;
}

QString windowTitleFor(const QString &folder, const QString &defaultFolder, bool readOnly)
{
    QString title = QString::fromLatin1(kWindowCaption);
    auto real = [](const QString &path) {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        return canonical.isEmpty() ? QDir::cleanPath(path) : canonical;
    };
    if (!folder.isEmpty() && real(folder) != real(defaultFolder)) {
        QString shown = QDir::toNativeSeparators(real(folder));
        const QString home = QDir::toNativeSeparators(QDir::homePath());
        if (shown == home || shown.startsWith(home + QDir::separator()))
            shown = u'~' + shown.mid(home.size());
        title += u" \u2013 "_qs + shown;
    }
    if (readOnly)
        title += u" (read-only)"_qs;
    return title + u"[*]"_qs;
}

bool startLibraryWindow(UserDialogs &dialogs, const QString &folder, bool readOnly)
{
    QStringList arguments;
    if (readOnly)
        arguments += kReadOnlyOption;
    // A folder named like a command, or starting with "-", stays a folder.
    arguments << kEndOfOptions << folder;
    return dialogs.startDetached(QCoreApplication::applicationFilePath(), arguments);
}

void MainWindow::setLibraryFolder(const QString &folder, bool readOnly)
{
    m_libraryFolder = folder;
    m_readOnlyAsked = readOnly;
}

void MainWindow::applyLibraryAccess()
{
    const QString &folder = m_document->folder();
    m_document->setReadOnly(m_readOnlyAsked || isLibraryReadOnly(folder));
    setWindowTitle(windowTitleFor(folder, m_installFolder, m_document->isReadOnly()));
}

void MainWindow::showReadOnly()
{
    if (!m_document->isReadOnly())
        return;
    m_updateFileButton->setEnabled(false);
    m_updateFileButton->setToolTip(
        m_readOnlyAsked ? u"The library was opened read-only: it is never saved."_qs
                        : u"Neither the library's files nor its folder may be written: it "
                          "cannot be saved."_qs);
}

bool MainWindow::refuseReadOnly()
{
    if (!m_document->isReadOnly())
        return false;
    m_dialogs->messageBox(u"This library is read-only: nothing in it can be changed. Copy "
                          "materials from it into another library to change them there."_qs,
                          QString::fromLatin1(kWindowCaption), QMessageBox::Information);
    return true;
}

void MainWindow::createLibraryActions()
{
    m_openLibraryAction = new QAction(u"Open Library\u2026"_qs, this);
    m_openReadOnlyAction = new QAction(u"Open Library Read-Only\u2026"_qs, this);
    connect(m_openLibraryAction, &QAction::triggered, this, [this] { openLibrary(false); });
    connect(m_openReadOnlyAction, &QAction::triggered, this, [this] { openLibrary(true); });
}

void MainWindow::openLibrary(bool readOnly)
{
    const QString title = readOnly ? u"Open Library Read-Only"_qs : u"Open Library"_qs;
    const auto folder = m_dialogs->chooseFolder(title, m_document->folder());
    if (folder && !startLibraryWindow(*m_dialogs, *folder, readOnly))
        m_dialogs->messageBox(QStringLiteral("Quillon could not be started on \"%1\".")
                                  .arg(QDir::toNativeSeparators(*folder)),
                              title, QMessageBox::Warning);
}

bool MainWindow::pasteWholeMaterials(const QMimeData &data, int historyIndex)
{
    const int current = materialOfRow(table().selectedRange().row);
    const auto paste = quillon::pasteWholeMaterials(*m_document, current, data);
    if (!paste)
        return false;
    if (paste->pasted) {
        table().selectRange({rowOfMaterial(paste->first), kNameColumn,
                             rowOfMaterial(paste->last), kColumnCount - 1});
        keepStepSelection(historyIndex);
    }
    if (!paste->message.isEmpty())
        m_dialogs->messageBox(paste->message, QString::fromLatin1(kWindowCaption),
                              paste->pasted ? QMessageBox::Information : QMessageBox::Warning);
    return true;
}

} // namespace quillon
