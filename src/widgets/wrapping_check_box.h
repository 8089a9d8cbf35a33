// SPDX-License-Identifier: MIT
#pragma once

// A check box whose caption wraps onto further lines when the layout gives it less width than the
// caption needs on one line. It stays a QCheckBox in every other way: its text is its accessible
// name, Space toggles it, a click anywhere on it (the caption too) toggles it, and it draws the
// style's focus mark around the caption while it has the focus.

#include <QCheckBox>

namespace zr {

class WrappingCheckBox : public QCheckBox {
    Q_OBJECT
public:
    using QCheckBox::QCheckBox;

    // The width of the indicator and the caption's longest word: narrower, a word would be cut.
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    void changeEvent(QEvent* event) override;

private:
    struct Parts {
        QRect indicator;
        QRect caption;
    };
    // Where the indicator and the wrapped caption go in a widget `width` pixels wide.
    Parts layoutFor(int width) const;
    int captionLeft() const;
};

} // namespace zr
