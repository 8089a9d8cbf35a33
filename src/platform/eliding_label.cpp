// SPDX-License-Identifier: MIT
#include "platform/eliding_label.h"

#include <algorithm>
#include <cmath>

namespace zr {

ElidingLabel::ElidingLabel(QWidget* parent) : QLabel(parent)
{
    // Tells the check for clipped captions that a shortened text here is by design.
    setProperty("elides", true);
}

void ElidingLabel::setFullText(const QString& prefix, const QString& text)
{
    prefix_ = prefix;
    full_ = text;
    setToolTip(text);
    // A screen reader gets the whole text too, not only the shortened one on screen.
    setAccessibleDescription(prefix + text);
    elide();
    updateGeometry();
}

QSize ElidingLabel::minimumSizeHint() const
{
    const int margins = contentsMargins().left() + contentsMargins().right();
    return {fontMetrics().horizontalAdvance(prefix_ + QStringLiteral("\u2026")) + margins,
            QLabel::minimumSizeHint().height()};
}

QSize ElidingLabel::sizeHint() const
{
    const int margins = contentsMargins().left() + contentsMargins().right();
    // Rounded up, and a pixel over: the whole text fits what elide() measures it against.
    const double text = QFontMetricsF(font()).horizontalAdvance(prefix_ + full_);
    return {static_cast<int>(std::ceil(text)) + 1 + margins, QLabel::sizeHint().height()};
}

void ElidingLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    elide();
}

void ElidingLabel::elide()
{
    const int room = std::max(0, contentsRect().width() - fontMetrics().horizontalAdvance(prefix_));
    const QString shown = prefix_ + fontMetrics().elidedText(full_, Qt::ElideMiddle, room);
    if (shown != text()) // an unchanged text is not painted again
        setText(shown);
}

} // namespace zr
