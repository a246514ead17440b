#pragma once

#include <QStyledItemDelegate>

namespace quillon {

// Draws a colour-swatch cell as a bar in the cell's text colour.
class SwatchDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
};

} // namespace quillon
