// SPDX-License-Identifier: MIT
#pragma once

#include "platform/prompts.h"

namespace zr {

// For unattended runs (--non-interactive): every message goes to standard error and every question
// is answered with its default button, so nothing waits for a person.
class StderrPrompts : public Prompts {
public:
    void showMessage(QWidget* parent, MessageIcon icon, const QString& text) override;
    bool askYesNo(QWidget* parent, const QString& text) override;
};

} // namespace zr
