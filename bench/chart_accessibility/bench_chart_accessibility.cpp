// SPDX-License-Identifier: MIT
// What the strip chart's accessibility costs per tick: the legend and range updates of one tick
// (two legend texts and both axis ends), and one full read of the chart by a screen reader (title,
// every legend line, the range).
//
// Offscreen nobody listens and a tick pays one check; run it on a desktop or under Xvfb with
// QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 and an accessibility bus to measure the announcements too.

#include "graphs/strip_chart/strip_chart.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double medianUs(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    zr::chart::StripChart chart;
    chart.addTrace(Qt::red, "Internal");
    chart.addTrace(Qt::blue, "External");
    for (const char* text : {"Remote: ", "External:",
                             "Temperature (\xC2\xB0"
                             "C)"})
        chart.addLabel({text, Qt::black, QFont(), {0.9, 0.1}});
    QFont title;
    title.setPointSizeF(13.5);
    chart.addLabel({"ZR410A", Qt::darkGreen, title, {0.44, 0.12}});
    chart.resize(800, 400);
    chart.show();
    app.processEvents();

    constexpr int kTicks = 20000;
    std::vector<double> tick;
    std::vector<double> read;
    tick.reserve(kTicks);
    QElapsedTimer t;
    for (int i = 0; i < kTicks; ++i) {
        const double reading = 20.0 + (i % 1000) * 0.01;
        t.start();
        chart.setLabelText(0, QStringLiteral("Internal: %1\xC2\xB0"
                                             "C")
                                  .arg(reading, 0, 'f', 2));
        chart.setLabelText(1, QStringLiteral("External: %1\xC2\xB0"
                                             "C")
                                  .arg(reading + 5, 0, 'f', 2));
        chart.setAxisMin(10 + i % 7);
        chart.setAxisMax(50 + i % 5);
        tick.push_back(t.nsecsElapsed() / 1e3);
        if (i % 20 == 0) {
            t.start();
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&chart);
            QString all = iface->text(QAccessible::Name);
            for (int c = 0; c < iface->childCount(); ++c)
                all += iface->child(c)->text(QAccessible::Name);
            read.push_back(t.nsecsElapsed() / 1e3);
        }
        if (i % 500 == 0)
            app.processEvents();
    }
    std::printf("accessibility_active=%d ticks=%d\n", QAccessible::isActive() ? 1 : 0, kTicks);
    std::printf("legend_and_range_update_median_us=%.2f (two legend texts, both axis ends, with "
                "the text formatting)\n",
                medianUs(tick));
    std::printf("full_read_median_us=%.2f (title, %d legend lines, range)\n", medianUs(read),
                chart.labelCount());
    return 0;
}
