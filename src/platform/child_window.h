// SPDX-License-Identifier: MIT
#pragma once

// Helpers for windows that live as children of the main window's MDI area. Window geometry is
// kept in twips (1440 per inch) and converted at the screen's logical DPI.

#include <QString>
#include <optional>

class QWidget;

namespace zr {

// What the main window calls on each of its child windows. A window derives from QWidget and
// from this; the calls are checked by the compiler, not looked up by name.
class ChildWindow {
public:
    virtual ~ChildWindow();

    // Called once the window sits in its frame: sizes and places it, sets its flags and focus.
    virtual void Form_Load() = 0;

    // Whether the window talks to a chip; only those are marked while the board is lost.
    virtual bool talksToBoard() const { return true; }

    // While the board is lost the title says so; afterwards it is the window's own again.
    void markBoardLost(bool lost);

    QWidget* widget();

private:
    std::optional<QString> titleBeforeLoss_;
};

inline constexpr double kTwipsPerInch = 1440.0;

int twipsToPixels(int twips, double logicalDpi);

// The widget that carries the window frame of `w`: its MDI sub-window, or `w` itself.
QWidget* childFrame(QWidget* w);

// Sets the outer size (frame included) of the window that holds `w`.
void setOuterSizeTwips(QWidget* w, int widthTwips, int heightTwips);

// Closes the window that holds `w` exactly as its close box would.
void closeChildWindow(QWidget* w);

} // namespace zr
