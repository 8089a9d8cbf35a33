// SPDX-License-Identifier: MIT
#include "platform/file_dialog_chooser.h"

#include <QFileDialog>

namespace zr {

QString FileDialogChooser::chooseFile(QWidget* parent, const QString& initialDir,
                                      const QString& filter, const FileChoice& choice)
{
    // A fresh dialog every time, so a cancel can never hand back an earlier choice.
    QFileDialog dialog(parent);
    dialog.setObjectName("fileDialog");
    if (!choice.title.isEmpty())
        dialog.setWindowTitle(choice.title);
    dialog.setDirectory(initialDir);
    dialog.setNameFilter(filter);
    // Saving: the button says "Save", and replacing a file that is there asks first.
    dialog.setAcceptMode(choice.mode == ChooserMode::Save ? QFileDialog::AcceptSave
                                                          : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Qt's own dialog on every desktop: some desktops' dialogs refuse a name that does not exist
    // yet, and some add an extension of their own; the path must come back as typed.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDefaultSuffix(QString());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace zr
