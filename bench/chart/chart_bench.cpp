// SPDX-License-Identifier: MIT
// Strip-chart tick cost and memory: our chart against QCustomPlot (adaptive sampling) and Qt
// Charts (QLineSeries), offscreen, 1200 x 400, five traces. One tick appends one sample to each
// trace, scrolls the view to it and repaints. The view always spans the whole history, as when
// the user has zoomed out to see the day, so every chart draws all samples (or a faithful
// decimation of them).
//
// Usage: chart_bench [--sizes 1000,100000,345600] [--charts ours,qcustomplot,qtcharts]
//                    [--ticks N] (ticks per measurement for ours and QCustomPlot; Qt Charts gets
//                    fewer, as each of its ticks takes seconds at a day's history)
//
// A full redraw is what a change of the vertical range, the zoom or the size costs: the whole plot
// drawn again from the history (median of several).
//
// Besides the table, one line per measurement for scripts:
//   chart=ours samples=N tick_median_ms=X tick_p99_ms=Y bytes_per_sample=Z full_redraw_ms=W

#include "bench_charts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <malloc.h>
#include <map>
#include <random>

namespace {

struct Options {
    std::vector<std::size_t> sizes{1000, 100'000, 345'600};
    QStringList charts{"ours", "qcustomplot", "qtcharts"};
    int ticks = 400;
};

struct Result {
    QString chart;
    std::size_t samples = 0;
    int ticks = 0;
    double medianMs = 0;
    double p99Ms = 0;
    double bytesPerSample = 0;
    double fullRedrawMs = 0;
};

std::size_t heapInUse()
{
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

// Five supply rails drifting slowly, with noise and a rare spike, like a day on the bench.
BenchData makeData(std::size_t count)
{
    BenchData data;
    data.t0 = 1'796'000'000'000;
    const double levels[kTraces] = {12.0, 5.0, 3.3, 2.5, 1.2};
    std::mt19937 rng(42);
    std::normal_distribution<double> noise(0, 0.02);
    std::uniform_int_distribution<int> spike(0, 9999);
    data.values.resize(kTraces);
    for (int k = 0; k < kTraces; ++k) {
        double drift = 0;
        data.values[k].reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            drift += noise(rng) * 0.05;
            double v = levels[k] + drift + noise(rng);
            if (spike(rng) == 0)
                v += 2.0;
            data.values[k].push_back(static_cast<float>(v));
        }
    }
    return data;
}

std::unique_ptr<BenchChart> makeChart(const QString& name)
{
    if (name == "ours")
        return makeOurChart();
    if (name == "qcustomplot")
        return makeQCustomPlot();
    return makeQtCharts();
}

// Heap held by a shown and painted chart with `count` samples per trace.
std::size_t chartHeap(const QString& name, const BenchData& data, std::size_t count,
                      std::int64_t spanMs, std::unique_ptr<BenchChart>* keep)
{
    QApplication::processEvents();
    const std::size_t before = heapInUse();
    auto chart = makeChart(name);
    chart->widget()->resize(1200, 400);
    if (count > 0)
        chart->load(data, count, spanMs);
    chart->widget()->show();
    QApplication::processEvents();
    chart->widget()->repaint();
    QApplication::processEvents();
    const std::size_t after = heapInUse();
    if (keep)
        *keep = std::move(chart);
    return after - before;
}

int ticksFor(const QString& chart, std::size_t samples, int ticks)
{
    if (chart != "qtcharts")
        return ticks;
    return samples <= 1000 ? 50 : samples <= 100'000 ? 10 : 5;
}

Result measure(const QString& name, const BenchData& data, std::size_t samples, int ticks)
{
    Result r{name, samples, ticks};
    // Span the whole history, including the ticks still to come.
    const std::int64_t spanMs = static_cast<std::int64_t>(samples + ticks + 4) * kSampleMs;

    // The first chart of a kind also fills process-wide caches (fonts, glyphs, styles); only
    // what a further chart adds is its own.
    chartHeap(name, data, std::min<std::size_t>(samples, 1000), spanMs, nullptr);
    const std::size_t empty = chartHeap(name, data, 0, spanMs, nullptr);
    std::unique_ptr<BenchChart> chart;
    const std::size_t full = chartHeap(name, data, samples, spanMs, &chart);
    r.bytesPerSample = full > empty ? double(full - empty) / (double(samples) * kTraces) : 0.0;

    std::size_t next = samples;
    for (int w = 0; w < 3; ++w) { // warm-up: first paints, caches
        chart->tick(data, next++);
        QApplication::processEvents();
    }
    std::vector<double> times;
    QElapsedTimer timer;
    for (int i = 0; i < ticks; ++i) {
        timer.start();
        chart->tick(data, next++);
        QApplication::processEvents();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    r.medianMs = times[times.size() / 2];
    r.p99Ms = times[std::min(times.size() - 1,
                             static_cast<std::size_t>(std::ceil(times.size() * 0.99)) - 1)];

    std::vector<double> redraws;
    const int redrawCount = std::clamp(ticks / 10, 3, 40);
    for (int i = 0; i < redrawCount; ++i) {
        timer.start();
        chart->fullRedraw();
        QApplication::processEvents();
        redraws.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(redraws.begin(), redraws.end());
    r.fullRedrawMs = redraws[redraws.size() / 2];
    return r;
}

Options parse(const QStringList& args)
{
    Options o;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--sizes") {
            o.sizes.clear();
            for (const QString& s : args[i + 1].split(','))
                o.sizes.push_back(s.toULongLong());
        } else if (args[i] == "--charts") {
            o.charts = args[i + 1].split(',');
        } else if (args[i] == "--ticks") {
            o.ticks = std::max(1, args[i + 1].toInt());
        }
    }
    return o;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Options options = parse(app.arguments());
#ifndef NDEBUG
    std::printf("note: built without optimisation; build Release or RelWithDebInfo (make build) "
                "for figures that mean something\n");
#endif

    std::vector<Result> results;
    for (std::size_t samples : options.sizes) {
        const BenchData data = makeData(samples + std::max(options.ticks, 50) + 8);
        for (const QString& chart : options.charts) {
            const Result r = measure(chart, data, samples, ticksFor(chart, samples, options.ticks));
            std::printf("chart=%s samples=%zu tick_median_ms=%.3f tick_p99_ms=%.3f "
                        "bytes_per_sample=%.1f full_redraw_ms=%.3f\n",
                        qPrintable(r.chart), r.samples, r.medianMs, r.p99Ms, r.bytesPerSample,
                        r.fullRedrawMs);
            std::fflush(stdout);
            results.push_back(r);
        }
    }

    std::printf(
        "\n| chart | samples per trace | ticks | tick median (ms) | tick p99 (ms) | bytes per "
        "sample | full redraw (ms) |\n|---|---:|---:|---:|---:|---:|---:|\n");
    for (const Result& r : results)
        std::printf("| %s | %zu | %d | %.3f | %.3f | %.1f | %.3f |\n", qPrintable(r.chart),
                    r.samples, r.ticks, r.medianMs, r.p99Ms, r.bytesPerSample, r.fullRedrawMs);

    // The goals, where all their figures were measured.
    std::map<std::pair<QString, std::size_t>, Result> by;
    for (const Result& r : results)
        by[{r.chart, r.samples}] = r;
    const std::size_t day = 345'600;
    auto has = [&](const QString& c, std::size_t n) { return by.count({c, n}) > 0; };
    std::printf("\n");
    if (has("ours", day) && has("qcustomplot", day))
        std::printf("at %zu: QCustomPlot / ours = %.1fx (goal >= 2x)\n", day,
                    by[{"qcustomplot", day}].medianMs / by[{"ours", day}].medianMs);
    if (has("ours", day) && has("qtcharts", day))
        std::printf("at %zu: Qt Charts / ours = %.0fx (goal >= 500x)\n", day,
                    by[{"qtcharts", day}].medianMs / by[{"ours", day}].medianMs);
    if (has("ours", day) && has("ours", 1000))
        std::printf("ours at %zu / ours at 1000 = %.2fx (goal <= 1.2x)\n", day,
                    by[{"ours", day}].medianMs / by[{"ours", 1000}].medianMs);
    if (has("ours", day) && has("ours", 1000))
        std::printf(
            "ours full redraw at %zu / at 1000 = %.2fx (goal <= 1.5x), %.3f ms (goal < 2)\n", day,
            by[{"ours", day}].fullRedrawMs / by[{"ours", 1000}].fullRedrawMs,
            by[{"ours", day}].fullRedrawMs);
    if (has("ours", day))
        std::printf("ours at %zu: %.1f bytes per sample (goal <= 8)\n", day,
                    by[{"ours", day}].bytesPerSample);
    return 0;
}
