// SPDX-License-Identifier: MIT
#include "widgets/wrapping_check_box.h"

#include <QEvent>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <algorithm>

namespace zr {
namespace {

constexpr int kFocusPad = 2; // room around the caption for the focus mark
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

} // namespace

int WrappingCheckBox::captionLeft() const
{
    QStyleOptionButton opt;
    initStyleOption(&opt);
    return style()->pixelMetric(QStyle::PM_IndicatorWidth, &opt, this) +
           style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &opt, this) + kFocusPad;
}

WrappingCheckBox::Parts WrappingCheckBox::layoutFor(int width) const
{
    QStyleOptionButton opt;
    initStyleOption(&opt);
    const int boxWidth = style()->pixelMetric(QStyle::PM_IndicatorWidth, &opt, this);
    const int boxHeight = style()->pixelMetric(QStyle::PM_IndicatorHeight, &opt, this);
    const QFontMetrics fm = fontMetrics();
    const int left = captionLeft();
    const int textWidth = std::max(1, width - left - kFocusPad);
    const QRect text = fm.boundingRect(QRect(0, 0, textWidth, 1 << 20), kTextFlags, this->text());
    // The indicator stands beside the first line of the caption.
    const int lineHeight = fm.height();
    const int top = kFocusPad + std::max(0, (boxHeight - lineHeight) / 2);
    Parts parts;
    parts.caption = QRect(left, top, textWidth, text.height());
    parts.indicator = QRect(0, top + (lineHeight - boxHeight) / 2, boxWidth, boxHeight);
    return parts;
}

QSize WrappingCheckBox::minimumSizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    int widest = 0;
    for (const QString& word : text().split(' ', Qt::SkipEmptyParts))
        widest = std::max(widest, fm.horizontalAdvance(word));
    const int width = captionLeft() + widest + kFocusPad;
    return {width, heightForWidth(width)};
}

QSize WrappingCheckBox::sizeHint() const
{
    // As narrow as it may get: the layout around it decides how much of the caption wraps.
    return minimumSizeHint();
}

int WrappingCheckBox::heightForWidth(int width) const
{
    const Parts parts = layoutFor(width);
    return std::max(parts.indicator.bottom(), parts.caption.bottom()) + 1 + kFocusPad;
}

void WrappingCheckBox::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    const Parts parts = layoutFor(width());
    QStyleOptionButton box = opt;
    box.rect = parts.indicator;
    box.state &= ~QStyle::State_HasFocus;
    p.drawPrimitive(QStyle::PE_IndicatorCheckBox, box);
    p.drawItemText(parts.caption, kTextFlags, palette(), isEnabled(), text(), QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = parts.caption.adjusted(-kFocusPad, -kFocusPad, kFocusPad, kFocusPad);
        focus.backgroundColor = palette().color(QPalette::Window);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool WrappingCheckBox::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}

void WrappingCheckBox::changeEvent(QEvent* event)
{
    QCheckBox::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateGeometry();
}

} // namespace zr
