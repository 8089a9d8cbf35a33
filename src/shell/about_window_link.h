// SPDX-License-Identifier: MIT
#pragma once

// A label used as a web link: blue until clicked, purple once visited (both lightened on a dark
// background). It can be reached by keyboard and followed with Enter or Space as well as with the
// mouse; assistive technology sees a link it can press.

#include <QLabel>

namespace zr {

class LinkLabel : public QLabel {
    Q_OBJECT
public:
    static inline const QColor kUnvisited{0, 0, 192};
    static inline const QColor kVisited{128, 0, 128};

    LinkLabel(const QString& objectName, const QString& text, QWidget* parent);

    void setVisited(bool visited);
    QColor textColor() const;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The link's colour, lightened where the background is too dark for it.
    void applyColour();
    bool visited_ = false;
};

} // namespace zr
