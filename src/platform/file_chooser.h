// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QWidget;

namespace zr {

// The open-file chooser of a log start. Returns the chosen full path unchanged, or an empty text
// when the user cancelled (never a path chosen earlier).
class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual QString chooseFile(QWidget* parent, const QString& initialDir,
                               const QString& filter) = 0;
};

} // namespace zr
