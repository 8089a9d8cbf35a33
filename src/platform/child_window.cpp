// SPDX-License-Identifier: MIT
#include "platform/child_window.h"

#include <QMdiSubWindow>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace zr {

ChildWindow::~ChildWindow() = default;

QWidget* ChildWindow::widget()
{
    return dynamic_cast<QWidget*>(this);
}

void ChildWindow::markBoardLost(bool lost)
{
    QWidget* w = widget();
    if (!w || !talksToBoard())
        return;
    if (lost && !titleBeforeLoss_) {
        titleBeforeLoss_ = w->windowTitle();
        w->setWindowTitle(*titleBeforeLoss_ + " - board lost");
    } else if (!lost && titleBeforeLoss_) {
        w->setWindowTitle(*titleBeforeLoss_);
        titleBeforeLoss_.reset();
    }
}

int twipsToPixels(int twips, double logicalDpi)
{
    return static_cast<int>(std::lround(twips * logicalDpi / kTwipsPerInch));
}

QWidget* childFrame(QWidget* w)
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget()))
        return sub;
    return w;
}

void setOuterSizeTwips(QWidget* w, int widthTwips, int heightTwips)
{
    QWidget* outer = childFrame(w);
    const QScreen* screen = outer->screen();
    const double dpiX = screen ? screen->logicalDotsPerInchX() : 96.0;
    const double dpiY = screen ? screen->logicalDotsPerInchY() : 96.0;
    const QSize outerSize(twipsToPixels(widthTwips, dpiX), twipsToPixels(heightTwips, dpiY));
    // resize() of a top-level window sets its client size: take the frame off first. An MDI
    // sub-window's own size already includes its frame.
    const QSize frame =
        outer->isWindow() ? outer->frameGeometry().size() - outer->size() : QSize(0, 0);
    outer->resize(outerSize - frame);
}

void closeChildWindow(QWidget* w)
{
    childFrame(w)->close();
}

} // namespace zr
