// SPDX-License-Identifier: MIT
#pragma once

// A label that shows a value (a reading, a byte list) next to a caption of its own. Screen
// readers need both: the caption says what the value is, the text is the value. Qt names a label
// by its text unless it has an explicit accessible name, and an explicit name would hide the
// shown text; a value label therefore carries the caption as its name and offers the shown text
// as its text and description, which assistive technology reads on demand.

#include <QString>

class QLabel;

namespace zr {

void nameValueLabel(QLabel* label, const QString& caption);

} // namespace zr
