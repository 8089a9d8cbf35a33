// SPDX-License-Identifier: MIT
#include "widgets/quick_label.h"

#include <QPainter>

namespace zr {

bool QuickLabel::plainLine() const
{
    return isEnabled() && frameWidth() == 0 && margin() == 0 && indent() <= 0 &&
           alignment() == (Qt::AlignLeft | Qt::AlignVCenter) && textFormat() == Qt::PlainText &&
           layoutDirection() == Qt::LeftToRight && !wordWrap() && !text().isRightToLeft();
}

void QuickLabel::paintEvent(QPaintEvent* event)
{
    if (!plainLine()) {
        QLabel::paintEvent(event);
        return;
    }
    laidOut_.setText(text(), font());
    if (!laidOut_.isQuick()) {
        QLabel::paintEvent(event);
        return;
    }
    if (text().isEmpty())
        return;
    QPainter painter(this);
    painter.setPen(QPen(palette().brush(foregroundRole()), painter.pen().widthF()));
    // Centred on the line's height, as a plain label centres its text.
    const QRect box = contentsRect();
    laidOut_.draw(painter,
                  QPointF(box.left(), box.top() + (box.height() - laidOut_.size().height()) / 2));
}

} // namespace zr
