#include "settings/frame_style.h"

#include "platform/value_label_accessible.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace zr {

QGroupBox* makeFrame(const QString& objectName, const QString& title, QWidget* parent)
{
    auto* frame = new QGroupBox(title, parent);
    frame->setObjectName(objectName);
    return frame;
}

void boldTitleOnly(QGroupBox* frame)
{
    QFont plain = frame->font();
    plain.setBold(false); // explicitly, or the children would still inherit the bold weight
    QFont bold = plain;
    bold.setBold(true);
    frame->setFont(bold);
    // Children inherit the frame's font unless they carry their own.
    for (QWidget* child : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setFont(plain);
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
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    nameValueLabel(label, caption);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setFocusPolicy(Qt::StrongFocus);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("-000.0000000")));
    return label;
}

} // namespace zr
