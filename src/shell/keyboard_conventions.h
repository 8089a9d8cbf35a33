// SPDX-License-Identifier: MIT
#pragma once

// Keyboard habits the program's users bring from their desktop, which the menus and windows would
// otherwise lack: F10 or a lone Alt press opens the menu bar (there are no access keys to reach it
// otherwise), Enter presses the focused push button as Space does, Shift+F10 opens the focused
// widget's context menu as the Menu key does, and Ctrl+F4 as well as Ctrl+W closes the active
// child window.

#include <QObject>
#include <QPointer>

class QMenuBar;
class QWidget;

namespace zr {

class KeyboardConventions : public QObject {
    Q_OBJECT
public:
    // Serves the key presses of `window` and of every widget inside it; `bar` is its menu bar.
    KeyboardConventions(QWidget* window, QMenuBar* bar);

    // Opens the first enabled menu of the bar (or highlights its first enabled command), from
    // where the arrow keys, Enter and Escape work as in any menu.
    void enterMenuBar();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool belongsToWindow(QObject* watched) const;
    static void openContextMenu(QWidget* widget);
    // False when no child window is active.
    bool closeActiveChild();

    QPointer<QWidget> window_;
    QPointer<QMenuBar> bar_;
    bool altAlone_ = false; // Alt is down and no other key came since
};

} // namespace zr
