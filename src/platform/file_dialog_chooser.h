#pragma once

#include "platform/file_chooser.h"

namespace zr {

// The platform's open-file dialog, set up so that the user may also type a new name.
class FileDialogChooser : public FileChooser {
public:
    QString chooseFile(QWidget* parent, const QString& initialDir, const QString& filter) override;
};

} // namespace zr
