// SPDX-License-Identifier: MIT
#include "graphs/strip_chart/chart_accessible.h"

#include "graphs/strip_chart/strip_chart.h"

#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QPointer>
#include <QWindow>
#include <mutex>
#include <vector>

namespace zr::chart {
namespace {

QString rangeText(const StripChart& chart)
{
    return QStringLiteral("Vertical range: %1 to %2")
        .arg(QString::number(chart.axisMin()), QString::number(chart.axisMax()));
}

// The chart's child at `index`: a label, the vertical range after them, then the items the chart
// lists (cursor readouts, markers). The kind is worked out on every read, so the element stays
// right while items come and go. It has no QObject of its own, so it is registered with Qt's
// accessibility cache by the chart's interface, which owns it.
class ChartItemAccessible : public QAccessibleInterface {
public:
    ChartItemAccessible(StripChart* chart, int index) : chart_(chart), index_(index) {}

    bool isValid() const override
    {
        return chart_ && index_ < chart_->labelCount() + 1 + chart_->accessibleItemCount();
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return chart_ ? chart_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override
    {
        return QAccessible::queryAccessibleInterface(chart_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Description && isValid() && index_ < chart_->labelCount())
            return chart_->label(index_).toolTip;
        if (t != QAccessible::Name || !isValid())
            return {};
        if (index_ < chart_->labelCount())
            return chart_->label(index_).text.trimmed();
        if (index_ == chart_->labelCount())
            return rangeText(*chart_);
        return chart_->accessibleItemText(index_ - chart_->labelCount() - 1);
    }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.readOnly = true;
        s.invisible = !chart_ || !chart_->isVisible();
        return s;
    }
    QRect rect() const override
    {
        if (!isValid())
            return {};
        QRect box;
        if (index_ < chart_->labelCount())
            box = chart_->labelBox(index_).toAlignedRect();
        else if (index_ == chart_->labelCount()) { // the value axis, left of the plot
            const QRect plot = chart_->plotRect();
            box = QRect(0, plot.top(), plot.left(), plot.height());
        } else
            box = chart_->accessibleItemRect(index_ - chart_->labelCount() - 1);
        return box.isNull() ? QRect() : QRect(chart_->mapToGlobal(box.topLeft()), box.size());
    }

private:
    QPointer<StripChart> chart_;
    int index_;
};

class ChartAccessible : public QAccessibleWidget {
public:
    explicit ChartAccessible(StripChart* chart) : QAccessibleWidget(chart, QAccessible::Chart) {}
    ~ChartAccessible() override
    {
        for (QAccessible::Id id : items_)
            if (id)
                QAccessible::deleteAccessibleInterface(id);
    }

    // Children: the labels in their order, then the vertical range, then the listed items.
    int childCount() const override
    {
        return chart()->labelCount() + 1 + chart()->accessibleItemCount();
    }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (items_.size() < static_cast<std::size_t>(childCount()))
            items_.resize(static_cast<std::size_t>(childCount()), 0);
        QAccessible::Id& id = items_[static_cast<std::size_t>(index)];
        if (!id)
            id = QAccessible::registerAccessibleInterface(new ChartItemAccessible(chart(), index));
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i] && QAccessible::accessibleInterface(items_[i]) == child)
                return static_cast<int>(i);
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        for (int i = 0; i < childCount(); ++i)
            if (QAccessibleInterface* c = child(i); c->rect().contains(x, y))
                return c;
        return nullptr;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name) {
            const QString own = widget()->accessibleName();
            return own.isEmpty() ? chart()->title() : own;
        }
        return QAccessibleWidget::text(t);
    }

    QAccessibleInterface* rangeItem() const { return child(chart()->labelCount()); }

private:
    StripChart* chart() const { return static_cast<StripChart*>(widget()); }

    mutable std::vector<QAccessible::Id> items_;
};

QAccessibleInterface* chartFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("zr::chart::StripChart") && object && object->isWidgetType())
        return new ChartAccessible(static_cast<StripChart*>(object));
    return nullptr;
}

// The chart's interface, if a client has asked for it; a chart nobody reads costs one check.
ChartAccessible* listenedChart(StripChart* chart)
{
    if (!QAccessible::isActive())
        return nullptr;
    return dynamic_cast<ChartAccessible*>(QAccessible::queryAccessibleInterface(chart));
}

void announceNameChange(QAccessibleInterface* item)
{
    if (!item)
        return;
    QAccessibleEvent event(item, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

} // namespace

void installChartAccessibility()
{
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(chartFactory); });
}

void chartLabelChanged(StripChart* chart, int label)
{
    if (ChartAccessible* iface = listenedChart(chart)) {
        announceNameChange(iface->child(label));
        if (iface->text(QAccessible::Name) == chart->label(label).text.trimmed()) {
            QAccessibleEvent event(iface, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&event);
        }
    }
}

void chartRangeChanged(StripChart* chart)
{
    if (ChartAccessible* iface = listenedChart(chart))
        announceNameChange(iface->rangeItem());
}

void chartItemsChanged(StripChart* chart)
{
    ChartAccessible* iface = listenedChart(chart);
    if (!iface)
        return;
    QAccessibleEvent reorder(iface, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&reorder);
    for (int i = chart->labelCount() + 1; i < iface->childCount(); ++i)
        announceNameChange(iface->child(i));
}

} // namespace zr::chart
