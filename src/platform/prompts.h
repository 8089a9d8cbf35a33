// SPDX-License-Identifier: MIT
#pragma once

// Message boxes, behind an interface so that windows can be driven by tests without modal boxes.
// Every box carries the program's title "ZR410A_B" as its caption.

#include <QString>

class QWidget;

namespace zr {

inline const QString kProgramTitle = QStringLiteral("ZR410A_B");

enum class MessageIcon { None, Critical, Warning, Information };

class Prompts {
public:
    virtual ~Prompts() = default;
    // A box with one OK button; returns when the user has closed it.
    virtual void showMessage(QWidget* parent, MessageIcon icon, const QString& text) = 0;
    // A box with Yes and No, Yes the default, no icon. True for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& text) = 0;
};

// The real thing: QMessageBox.
class MessageBoxPrompts : public Prompts {
public:
    void showMessage(QWidget* parent, MessageIcon icon, const QString& text) override;
    bool askYesNo(QWidget* parent, const QString& text) override;
};

} // namespace zr
