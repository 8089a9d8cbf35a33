// SPDX-License-Identifier: MIT
#include "platform/value_label_accessible.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <mutex>

namespace zr {
namespace {

constexpr const char* kValueLabelProperty = "zrValueLabel";

// Read-only text over the label's shown text, without selection or caret.
class ValueLabelAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ValueLabelAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText)
    {
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            return widget()->accessibleName();
        case QAccessible::Description:
        case QAccessible::Value:
            return shown();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    // QAccessibleTextInterface
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override { return shown().mid(start, end - start); }
    int characterCount() const override { return static_cast<int>(shown().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override
    {
        *start = offset;
        *end = offset;
        return {};
    }

private:
    QString shown() const { return static_cast<const QLabel*>(widget())->text(); }
};

QAccessibleInterface* valueLabelFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("QLabel") && object &&
        object->property(kValueLabelProperty).toBool())
        return new ValueLabelAccessible(static_cast<QLabel*>(object));
    return nullptr;
}

} // namespace

void nameValueLabel(QLabel* label, const QString& caption)
{
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(valueLabelFactory); });
    label->setProperty(kValueLabelProperty, true);
    label->setAccessibleName(caption);
}

} // namespace zr
