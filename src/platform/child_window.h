#pragma once

// Helpers for windows that live as children of the main window's MDI area. Window geometry is
// kept in twips (1440 per inch) and converted at the screen's logical DPI.

class QWidget;

namespace zr {

inline constexpr double kTwipsPerInch = 1440.0;

int twipsToPixels(int twips, double logicalDpi);

// The widget that carries the window frame of `w`: its MDI sub-window, or `w` itself.
QWidget* childFrame(QWidget* w);

// Sets the outer size (frame included) of the window that holds `w`.
void setOuterSizeTwips(QWidget* w, int widthTwips, int heightTwips);

// Closes the window that holds `w` exactly as its close box would.
void closeChildWindow(QWidget* w);

} // namespace zr
