// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace zr {

// A one-line text asked of the user (a note on a chart). Nothing when the user cancelled.
class TextPrompt {
public:
    virtual ~TextPrompt() = default;
    virtual std::optional<QString> askText(QWidget* parent, const QString& title,
                                           const QString& label) = 0;
};

// The real thing: QInputDialog.
class InputDialogTextPrompt : public TextPrompt {
public:
    std::optional<QString> askText(QWidget* parent, const QString& title,
                                   const QString& label) override;
};

} // namespace zr
