#include "platform/file_dialog_chooser.h"

#include <QFileDialog>

namespace zr {

QString FileDialogChooser::chooseFile(QWidget* parent, const QString& initialDir,
                                      const QString& filter)
{
    // A fresh dialog every time, so a cancel can never hand back an earlier choice.
    QFileDialog dialog(parent);
    dialog.setDirectory(initialDir);
    dialog.setNameFilter(filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace zr
