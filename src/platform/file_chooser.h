// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QWidget;

namespace zr {

// What a chooser is asked for: a file to read, or a name to write to (a "Save" button, and a
// question before a file that is there already is replaced).
enum class ChooserMode { Open, Save };

struct FileChoice {
    QString title; // the dialog's caption
    ChooserMode mode = ChooserMode::Open;
};

// The file chooser of a log start or a saved picture. Returns the chosen full path unchanged, or
// an empty text when the user cancelled (never a path chosen earlier).
class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual QString chooseFile(QWidget* parent, const QString& initialDir, const QString& filter,
                               const FileChoice& choice) = 0;
};

} // namespace zr
