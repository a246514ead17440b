#pragma once

#include "MaterialLibrary.h"

#include <QColor>

namespace quillon {

// The library's 0x00BBGGRR colours and Qt's, both ways.
inline QColor toQColor(MaterialColor color)
{
    return QColor(colorRed(color), colorGreen(color), colorBlue(color));
}

inline MaterialColor toMaterialColor(const QColor &color)
{
    return rgbColor(color.red(), color.green(), color.blue());
}

} // namespace quillon
