// SPDX-License-Identifier: MIT
#include "platform/text_prompt.h"

#include <QInputDialog>

namespace zr {

std::optional<QString> InputDialogTextPrompt::askText(QWidget* parent, const QString& title,
                                                      const QString& label)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent, title, label, QLineEdit::Normal, QString(), &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

} // namespace zr
