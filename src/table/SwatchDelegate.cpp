#include "SwatchDelegate.h"

#include <QPainter>

namespace quillon {

void SwatchDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                           const QModelIndex &index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    QStyle *style = background.widget ? background.widget->style() : nullptr;
    if (style)
        style->drawControl(QStyle::CE_ItemViewItem, &background, painter, background.widget);

    const QVariant foreground = index.data(Qt::ForegroundRole);
    if (!foreground.isValid() || index.data(Qt::DisplayRole).toString().isEmpty())
        return;
    const QRect bar = option.rect.adjusted(3, 3, -3, -3);
    painter->fillRect(bar, foreground.value<QBrush>().color());
}

} // namespace quillon
