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

// One label of the chart, or (index -1) its vertical range. It has no QObject of its own, so it
// is registered with Qt's accessibility cache by the chart's interface, which owns it.
class ChartItemAccessible : public QAccessibleInterface {
public:
    ChartItemAccessible(StripChart* chart, int label) : chart_(chart), label_(label) {}

    bool isValid() const override { return chart_ && label_ < chart_->labelCount(); }
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
        if (t == QAccessible::Description && isValid() && label_ >= 0)
            return chart_->label(label_).toolTip;
        if (t != QAccessible::Name || !isValid())
            return {};
        return label_ < 0 ? rangeText(*chart_) : chart_->label(label_).text.trimmed();
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
        if (label_ < 0) { // the value axis, left of the plot
            const QRect plot = chart_->plotRect();
            return QRect(chart_->mapToGlobal(QPoint(0, plot.top())),
                         QSize(plot.left(), plot.height()));
        }
        const QRect box = chart_->labelBox(label_).toAlignedRect();
        return QRect(chart_->mapToGlobal(box.topLeft()), box.size());
    }

private:
    QPointer<StripChart> chart_;
    int label_;
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

    // Children: the labels in their order, then the vertical range.
    int childCount() const override { return chart()->labelCount() + 1; }
    QAccessibleInterface* child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (items_.size() < static_cast<std::size_t>(childCount()))
            items_.resize(static_cast<std::size_t>(childCount()), 0);
        QAccessible::Id& id = items_[static_cast<std::size_t>(index)];
        if (!id) {
            const int label = index < chart()->labelCount() ? index : -1;
            id = QAccessible::registerAccessibleInterface(new ChartItemAccessible(chart(), label));
        }
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
            return own.isEmpty() ? title() : own;
        }
        return QAccessibleWidget::text(t);
    }

    QAccessibleInterface* rangeItem() const { return child(chart()->labelCount()); }

private:
    StripChart* chart() const { return static_cast<StripChart*>(widget()); }

    // The label in the largest type is the chart's title.
    QString title() const
    {
        const StripChart& c = *chart();
        int best = -1;
        for (int i = 0; i < c.labelCount(); ++i)
            if (best < 0 || c.label(i).font.pointSizeF() > c.label(best).font.pointSizeF())
                best = i;
        return best < 0 ? QString() : c.label(best).text.trimmed();
    }

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

} // namespace zr::chart
