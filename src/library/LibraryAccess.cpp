#include "LibraryAccess.h"

#include "LibraryStorage.h"

#include <QFile>
#include <fcntl.h>
#include <unistd.h>

namespace quillon {

bool mayWrite(const QString &path)
{
    // The effective ids, as an open for writing would use, not the real ones access() takes.
    return ::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK, AT_EACCESS) == 0;
}

bool isLibraryReadOnly(const QString &folder, const WriteProbe &mayWritePath)
{
    return !mayWritePath(folder) && !mayWritePath(materialFilePath(folder)) &&
           !mayWritePath(colorFilePath(folder));
}

} // namespace quillon
