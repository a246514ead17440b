#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace quillon {

// Material names are stored in the files' 8-bit Windows-1252 code page.
QString decodeCp1252(QByteArrayView bytes);
// Characters the code page cannot hold become "?"; `lossy` tells whether that happened.
QByteArray encodeCp1252(QStringView text, bool *lossy = nullptr);

} // namespace quillon
