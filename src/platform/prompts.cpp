// SPDX-License-Identifier: MIT
#include "platform/prompts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace zr {
namespace {

// A box hands the focus back to the control the user was at, not to whatever the desktop
// activates once it has gone.
class FocusReturn {
public:
    FocusReturn() : widget_(QApplication::focusWidget()) {}
    ~FocusReturn()
    {
        if (!widget_ || !widget_->isVisible())
            return;
        widget_->activateWindow();
        widget_->setFocus(Qt::OtherFocusReason);
    }
    FocusReturn(const FocusReturn&) = delete;
    FocusReturn& operator=(const FocusReturn&) = delete;

private:
    QPointer<QWidget> widget_;
};

} // namespace

void MessageBoxPrompts::showMessage(QWidget* parent, MessageIcon icon, const QString& text)
{
    const FocusReturn back;
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
    const FocusReturn back;
    QMessageBox box(parent);
    box.setWindowTitle(kProgramTitle);
    box.setText(text);
    box.setIcon(QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

} // namespace zr
