// SPDX-License-Identifier: MIT
#pragma once

#include "platform/file_chooser.h"

namespace zr {

// The desktop's file dialog: opens in `initialDir`, lists what `filter` names, lets the user type
// a new name, and returns the path as chosen (no extension added).
class FileDialogChooser : public FileChooser {
public:
    QString chooseFile(QWidget* parent, const QString& initialDir, const QString& filter,
                       const FileChoice& choice) override;
};

} // namespace zr
