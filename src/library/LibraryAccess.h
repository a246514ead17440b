#pragma once

#include <QString>

#include <functional>

namespace quillon {

// Whether this process may write the given path, as the kernel would decide with the
// process's effective ids; false also for a path that does not exist.
using WriteProbe = std::function<bool(const QString &path)>;
bool mayWrite(const QString &path);

// A library that cannot be saved in any way: none of its files may be written in place and its
// folder takes no new files. A packaged library in a system folder is one, for an ordinary user.
bool isLibraryReadOnly(const QString &folder, const WriteProbe &mayWritePath = mayWrite);

} // namespace quillon
