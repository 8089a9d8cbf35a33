// SPDX-License-Identifier: MIT
#include "shell/keyboard_conventions.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>

namespace zr {

KeyboardConventions::KeyboardConventions(QWidget* window, QMenuBar* bar)
    : QObject(window), window_(window), bar_(bar)
{
    // On the application, so that keys reach it before the focused widget swallows them.
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { noteFocus(now); });
}

namespace {

QMdiSubWindow* childWindowOf(QWidget* w)
{
    for (; w; w = w->parentWidget())
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w))
            return sub;
    return nullptr;
}

bool takesTabFocus(const QWidget* w)
{
    return (w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled();
}

} // namespace

void KeyboardConventions::noteFocus(QWidget* now)
{
    if (now && belongsToWindow(now) && childWindowOf(now))
        lastInChild_ = now;
}

void KeyboardConventions::returnToChild(QWidget* to)
{
    auto* area = window_ ? window_->findChild<QMdiArea*>() : nullptr;
    if (!area)
        return;
    QWidget* target = to ? to : lastInChild_.data();
    if (!target || !target->isVisible()) {
        QMdiSubWindow* active = area->activeSubWindow();
        target = active ? active->widget() : nullptr;
        if (target && target->focusWidget())
            target = target->focusWidget();
    }
    if (!target)
        return;
    window_->activateWindow();
    if (QMdiSubWindow* sub = childWindowOf(target))
        area->setActiveSubWindow(sub);
    target->setFocus(Qt::OtherFocusReason);
}

void KeyboardConventions::cyclePanes(QWidget* from, bool backwards)
{
    auto* bar = window_ ? window_->findChild<QStatusBar*>() : nullptr;
    QList<QWidget*> controls;
    if (bar)
        for (QWidget* w : bar->findChildren<QWidget*>())
            if (takesTabFocus(w))
                controls << w;
    const bool inBar = bar && from && bar->isAncestorOf(from);
    if (inBar || controls.isEmpty()) {
        returnToChild();
        return;
    }
    (backwards ? controls.constLast() : controls.constFirst())->setFocus(Qt::TabFocusReason);
}

void KeyboardConventions::enterMenuBar()
{
    if (!bar_)
        return;
    for (QAction* item : bar_->actions()) {
        if (item->isEnabled() && item->isVisible() && !item->isSeparator()) {
            bar_->setFocus(Qt::ShortcutFocusReason);
            bar_->setActiveAction(item);
            return;
        }
    }
}

void KeyboardConventions::openContextMenu(QWidget* widget)
{
    // As the Menu key does: at the focused widget, which passes it on to its parents if it has no
    // menu of its own.
    if (!widget)
        return;
    const QPoint at = widget->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Keyboard, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &event);
}

bool KeyboardConventions::closeActiveChild()
{
    auto* area = window_ ? window_->findChild<QMdiArea*>() : nullptr;
    QMdiSubWindow* active = area ? area->activeSubWindow() : nullptr;
    if (!active)
        return false;
    // Exactly as its close box would: the window may still refuse.
    active->close();
    return true;
}

bool KeyboardConventions::belongsToWindow(QObject* watched) const
{
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget && window_ && widget->window() == window_;
}

bool KeyboardConventions::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    if (!belongsToWindow(watched))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::KeyPress) {
        if (key->key() == Qt::Key_Alt && !key->isAutoRepeat()) {
            // Platforms differ on whether the Alt press itself carries the Alt modifier.
            altAlone_ = (key->modifiers() & ~Qt::AltModifier) == Qt::NoModifier;
            return false;
        }
        altAlone_ = false;
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::NoModifier) {
            enterMenuBar();
            return true;
        }
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
            openContextMenu(qobject_cast<QWidget*>(watched));
            return true;
        }
        if (key->key() == Qt::Key_F6 && (key->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier) {
            cyclePanes(qobject_cast<QWidget*>(watched), key->modifiers() == Qt::ShiftModifier);
            return true;
        }
        if ((key->key() == Qt::Key_F4 || key->key() == Qt::Key_W) &&
            key->modifiers() == Qt::ControlModifier && closeActiveChild())
            return true;
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        auto* button = qobject_cast<QPushButton*>(watched);
        // An auto-default button answers Enter itself.
        if (enter && button && !button->autoDefault() && button->isEnabled() &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            button->animateClick();
            return true;
        }
        return false;
    }
    if (key->key() == Qt::Key_Alt && altAlone_ && !key->isAutoRepeat()) {
        altAlone_ = false;
        enterMenuBar();
        return true;
    }
    return false;
}

} // namespace zr
