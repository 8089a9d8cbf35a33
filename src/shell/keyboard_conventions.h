// SPDX-License-Identifier: MIT
#pragma once

// Keyboard habits the program's users bring from their desktop, which the menus and windows would
// otherwise lack: F10 or a lone Alt press opens the menu bar (there are no access keys to reach it
// otherwise), Enter presses the focused push button as Space does, Shift+F10 opens the focused
// widget's context menu as the Menu key does, Ctrl+F4 as well as Ctrl+W closes the active child
// window, and F6 (Shift+F6 backwards) moves between the child window the user is in and the status
// bar's controls (Reconnect, while the board is lost), as between any desktop program's panes.

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

    // The control of a child window the user was last at. A detour outside the children
    // (Reconnect, a box) takes it before it starts: controls that go on the way (a button that
    // hides) may hand the focus on to another child meanwhile.
    QPointer<QWidget> childFocus() const { return lastInChild_; }
    // Back to `to` (by default, to the control of a child window the user was last at): its
    // window comes to the front again.
    void returnToChild(QWidget* to = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool belongsToWindow(QObject* watched) const;
    static void openContextMenu(QWidget* widget);
    // False when no child window is active.
    bool closeActiveChild();
    void cyclePanes(QWidget* from, bool backwards);
    void noteFocus(QWidget* now);

    QPointer<QWidget> window_;
    QPointer<QMenuBar> bar_;
    bool altAlone_ = false; // Alt is down and no other key came since
    QPointer<QWidget> lastInChild_;
};

} // namespace zr
