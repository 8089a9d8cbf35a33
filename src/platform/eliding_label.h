// SPDX-License-Identifier: MIT
#pragma once

// A label for a long text (a path, a description of the board) that shows it elided in the middle
// when it gets less room than the whole text needs, with the whole text as its tooltip and its
// accessible description. Its minimum is the prefix and an ellipsis, so it never forces its window
// wider.

#include <QLabel>

namespace zr {

class ElidingLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidingLabel(QWidget* parent = nullptr);
    // Shows `prefix` followed by `text`; only `text` is elided.
    void setFullText(const QString& prefix, const QString& text);
    QString fullText() const { return prefix_ + full_; }
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();
    QString prefix_;
    QString full_;
};

} // namespace zr
