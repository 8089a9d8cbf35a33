// SPDX-License-Identifier: MIT
// A month of samples at 4 per second in three charts with the graph windows' nine traces, fed as
// fast as they take them: resident size and chart bytes, the whole history drawn 1200 px wide
// (first drawing and redraw) at 1, 7 and 30 days, and whether the statistics of minutes 10 to 20
// still read as they did then. What the soak (windows_on_sim soak) measures with the whole
// program, in seconds rather than an hour.
//
//   history_bench [DAYS]     (30 by default; ZR410AB_MEMORY_HOURS as in the program)

#include "graphs/strip_chart/strip_chart.h"
#include "support/resident_size.h"

#include <QApplication>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

using namespace zr::chart;

namespace {

constexpr std::int64_t kStartMs = 1'796'000'000'000;
constexpr long long kSamplesPerDay = 4LL * 86'400;

using zr::test::residentKb;

double msSince(std::chrono::steady_clock::time_point begin)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
        .count();
}

std::vector<SpanStatistics> figures(const std::vector<std::unique_ptr<StripChart>>& charts)
{
    std::vector<SpanStatistics> out;
    for (const auto& c : charts)
        for (int t = 0; t < c->traceCount(); ++t) {
            const TraceStore& s = c->traceStore(t);
            out.push_back(
                s.statistics(s.lowerBound(kStartMs + 600'000), s.lowerBound(kStartMs + 1'200'000)));
        }
    return out;
}

bool same(const SpanStatistics& a, const SpanStatistics& b)
{
    return a.count == b.count && std::memcmp(&a.mean, &b.mean, sizeof a.mean) == 0 &&
           std::memcmp(&a.squaredDeviations, &b.squaredDeviations, sizeof a.mean) == 0 &&
           a.minIndex == b.minIndex && a.maxIndex == b.maxIndex;
}

void report(long long day, const std::vector<std::unique_ptr<StripChart>>& charts)
{
    std::size_t bytes = 0, samples = 0;
    double fresh = 0, again = 0;
    for (const auto& c : charts) {
        for (int t = 0; t < c->traceCount(); ++t) {
            bytes += c->traceStore(t).bytesUsed();
            samples += c->traceStore(t).size();
        }
        c->showWholeHistory();
        auto begin = std::chrono::steady_clock::now();
        c->renderPlot();
        fresh += msSince(begin);
        c->setAxisMax(c->axisMax() + 1);
        begin = std::chrono::steady_clock::now();
        c->renderPlot();
        again += msSince(begin);
        c->followNewest();
    }
    std::printf("history day=%lld rss_kb=%ld chart_bytes=%zu bytes_per_sample=%.3f "
                "whole_first_ms=%.2f whole_redraw_ms=%.2f\n",
                day, residentKb(), bytes, static_cast<double>(bytes) / static_cast<double>(samples),
                fresh, again);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const long long days = argc > 1 ? std::atoll(argv[1]) : 30;
    std::vector<std::unique_ptr<StripChart>> charts;
    for (int traces : {2, 2, 5}) {
        auto c = std::make_unique<StripChart>();
        for (int t = 0; t < traces; ++t)
            c->addTrace(Qt::red, QStringLiteral("trace %1").arg(t));
        c->setSampleInterval(250);
        c->resize(1400, 400);
        c->resize(c->width() + 1200 - c->plotRect().width(), 400);
        charts.push_back(std::move(c));
    }
    std::vector<SpanStatistics> early;
    const auto begin = std::chrono::steady_clock::now();
    for (long long i = 1; i <= days * kSamplesPerDay; ++i) {
        const std::int64_t t = kStartMs + i * 250 + (i * 7919) % 31 - 15;
        int k = 0;
        for (const auto& c : charts)
            for (int tr = 0; tr < c->traceCount(); ++tr, ++k)
                c->addSample(tr, t,
                             25 + k + 3 * std::sin(static_cast<double>(i) / 5000.0 + k) +
                                 0.01 * static_cast<double>((i * 2654435761LL + k) % 1000) / 1000);
        if (i == 4 * 1800)
            early = figures(charts);
        if (i % kSamplesPerDay == 0) {
            const long long day = i / kSamplesPerDay;
            if (day == 1 || day == 7 || day == 30 || day == days)
                report(day, charts);
            else
                std::printf("history day=%lld rss_kb=%ld\n", day, residentKb());
        }
    }
    const std::vector<SpanStatistics> now = figures(charts);
    const bool exact = std::equal(now.begin(), now.end(), early.begin(), early.end(), same);
    std::printf("history fed in %.1f s; statistics of minutes 10 to 20: %s\n",
                msSince(begin) / 1000, exact ? "as when recent" : "CHANGED");
    for (const auto& c : charts)
        if (!c->historyStatus().isEmpty())
            std::printf("history status: %s\n", qPrintable(c->historyStatus()));
    return exact ? 0 : 1;
}
