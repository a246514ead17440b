#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace quillon {

// The window's pictures, drawn in code in the flat colours of a 16-colour display, and its icon.

enum class TabImage { TrueAlpha, SabineAlpha };

inline constexpr QSize kTabImageSize(40, 16);
inline constexpr QSize kDecorativePictureSize(357, 285);

// A Greek alpha followed by the lowered letters "Kor" or "Sab", black on white.
QPixmap tabImage(TabImage which);

// The card-index box of the package icons, in 16, 32 and 48 pixel sizes.
QIcon packageIcon();

// A fan of rays spreading upward from a point near the bottom centre, above its lighter reflection.
QPixmap decorativePicture(QSize size = kDecorativePictureSize);

} // namespace quillon
