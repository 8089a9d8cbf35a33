// SPDX-License-Identifier: MIT
#include "widgets/value_label.h"

#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace zr {

void ValueLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect mark;
    mark.initFrom(this);
    mark.rect = contentsRect().adjusted(1, 1, -1, -1);
    mark.backgroundColor = palette().color(backgroundRole());
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, mark);
}

void ValueLabel::focusInEvent(QFocusEvent* event)
{
    QLabel::focusInEvent(event);
    update();
}

void ValueLabel::focusOutEvent(QFocusEvent* event)
{
    QLabel::focusOutEvent(event);
    update();
}

} // namespace zr
