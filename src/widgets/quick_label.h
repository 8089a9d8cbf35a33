// SPDX-License-Identifier: MIT
#pragma once

// A label for one line of plain text that changes often, such as a running count. A plain QLabel
// lays its text out in full on every repaint; this one keeps the layout of its text until the
// text or the font changes, and draws it as a glyph run. It draws what a QLabel draws; anything
// beyond a single plain line (a frame, a margin or indent, another alignment, right-to-left,
// disabled, or a text that needs full shaping) is left to QLabel.

#include "widgets/quick_text.h"

#include <QLabel>

namespace zr {

class QuickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool plainLine() const;

    QuickText laidOut_;
};

} // namespace zr
