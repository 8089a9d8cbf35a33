// SPDX-License-Identifier: MIT
#pragma once

// A value shown by a window (a reading, an identifier field). It takes keyboard focus so that its
// text can be selected and copied, and so it draws the style's focus mark while it has the focus,
// like every other stop of the Tab chain.

#include <QLabel>

namespace zr {

class ValueLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

} // namespace zr
