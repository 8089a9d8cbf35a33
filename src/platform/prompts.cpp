// SPDX-License-Identifier: MIT
#include "platform/prompts.h"

#include <QMessageBox>

namespace zr {

void MessageBoxPrompts::showMessage(QWidget* parent, MessageIcon icon, const QString& text)
{
    QMessageBox box(parent);
    box.setWindowTitle(kProgramTitle);
    box.setText(text);
    switch (icon) {
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool MessageBoxPrompts::askYesNo(QWidget* parent, const QString& text)
{
    QMessageBox box(parent);
    box.setWindowTitle(kProgramTitle);
    box.setText(text);
    box.setIcon(QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

} // namespace zr
