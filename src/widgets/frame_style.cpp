// SPDX-License-Identifier: MIT
#include "widgets/frame_style.h"

#include "platform/value_label_accessible.h"
#include "widgets/value_label.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>

namespace zr {

QGroupBox* makeFrame(const QString& objectName, const QString& title, QWidget* parent)
{
    auto* frame = new QGroupBox(title, parent);
    frame->setObjectName(objectName);
    return frame;
}

void boldTitleOnly(QGroupBox* frame, double titlePoints)
{
    QFont plain = frame->font();
    // Set in full, or the children would still inherit the title's weight and size.
    plain.setBold(false);
    plain.setPointSizeF(plain.pointSizeF());
    QFont bold = plain;
    bold.setBold(true);
    if (titlePoints > 0)
        bold.setPointSizeF(titlePoints);
    frame->setFont(bold);
    // Children inherit the frame's font unless they carry their own.
    for (QWidget* child : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setFont(plain);
}

QCheckBox* addCheckBox(QGroupBox* frame, const QString& objectName, const QString& caption,
                       bool ticked)
{
    auto* box = new QCheckBox(caption, frame);
    box->setObjectName(objectName);
    box->setChecked(ticked);
    frame->layout()->addWidget(box);
    return box;
}

QPushButton* makeButton(const QString& objectName, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    return button;
}

QLabel* makeCaption(const QString& objectName, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    return label;
}

QLabel* makeValueLabel(const QString& objectName, const QString& caption, QWidget* parent)
{
    auto* label = new ValueLabel(parent);
    label->setObjectName(objectName);
    nameValueLabel(label, caption);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setFocusPolicy(Qt::StrongFocus);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("-000.0000000")));
    return label;
}

} // namespace zr
