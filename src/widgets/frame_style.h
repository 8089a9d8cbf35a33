// SPDX-License-Identifier: MIT
#pragma once

// Shared look of the child windows: bold frame titles over plain contents, value labels with a
// sunken border, check boxes, and failures of a button's device work reported instead of thrown.

#include "platform/prompts.h"

#include <QString>
#include <exception>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;

namespace zr {

// A button or a fixed caption carrying its control name.
QPushButton* makeButton(const QString& objectName, const QString& caption, QWidget* parent);
QLabel* makeCaption(const QString& objectName, const QString& text, QWidget* parent);

// A frame whose title is bold; call boldTitleOnly() once its contents exist.
QGroupBox* makeFrame(const QString& objectName, const QString& title, QWidget* parent);
// Makes the frame's title bold while everything inside keeps the plain font; a title size in
// points, when given, applies to the title alone.
void boldTitleOnly(QGroupBox* frame, double titlePoints = 0);

// A check box carrying its control name, added to the frame's layout.
QCheckBox* addCheckBox(QGroupBox* frame, const QString& objectName, const QString& caption,
                       bool ticked);

// A label that shows a reading. Assistive technology gets `caption` as its name and the shown
// value as its text (value_label_accessible.h). It can be reached by keyboard and its text
// selected and copied.
QLabel* makeValueLabel(const QString& objectName, const QString& caption, QWidget* parent);

// Runs the device work of one button. An exception from the board link (a lost board, a value a
// routine refuses) must not reach the event loop: the user is told in a box and the window stays
// usable.
template <typename Work> void runReportingFailure(Prompts& prompts, QWidget* window, Work&& work)
{
    try {
        work();
    } catch (const std::exception& failure) {
        prompts.showMessage(window, MessageIcon::Critical, QString::fromUtf8(failure.what()));
    }
}

} // namespace zr
