// SPDX-License-Identifier: MIT
#pragma once

// Reaching a window's controls by their object names, as an automation client would.

#include "support/board_wait.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

namespace zr::test {

template <typename T = QWidget> T* control(QWidget* window, const QString& name)
{
    T* found = window->findChild<T*>(name);
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
}

// The text a control shows: a label's or text box's text, a button's caption, a frame's title.
inline QString textOf(QWidget* window, const QString& name)
{
    QWidget* w = control(window, name);
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text();
    if (auto* box = qobject_cast<QPlainTextEdit*>(w))
        return box->toPlainText();
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text();
    if (auto* frame = qobject_cast<QGroupBox*>(w))
        return frame->title();
    qFatal("%s shows no text", qPrintable(name));
}

inline void setText(QWidget* window, const QString& name, const QString& text)
{
    QWidget* w = control(window, name);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        edit->setText(text);
    else
        control<QPlainTextEdit>(window, name)->setPlainText(text);
}

// Presses the button and waits until what it asked of the board is done and shown.
inline void click(QWidget* window, const QString& button)
{
    control<QAbstractButton>(window, button)->click();
    if (auto* main = qobject_cast<MainWindow*>(window->window()))
        QVERIFY(waitForBoard(*main));
}

} // namespace zr::test
