// SPDX-License-Identifier: MIT
#pragma once

#include "platform/file_chooser.h"

namespace zr {

// The open-file dialog of a log start: opens in `initialDir`, lists what `filter` names, lets the
// user type a new name, and returns the path as chosen (no extension added).
class FileDialogChooser : public FileChooser {
public:
    QString chooseFile(QWidget* parent, const QString& initialDir, const QString& filter) override;
};

} // namespace zr
