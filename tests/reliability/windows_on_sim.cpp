// SPDX-License-Identifier: MIT
// The program's real windows on the simulated board, for the kill test and the soak run.
//
//   windows_on_sim log FILE_A FILE_B
//       Both save-data windows log (to FILE_A and FILE_B) on the main window's own 250 ms timer
//       until the process is killed: the desktop program in all but its command line.
//   windows_on_sim soak TICKS FOLDER
//       Every polled window open (both temperature graphs, the voltage graph, both save-data
//       windows logging into FOLDER), driven through TICKS ticks back to back with a clock that
//       advances 250 ms per tick. Prints memory, its growth per simulated day, tick cost and, at
//       1, 7 and 30 days and at the end, how long the charts take to draw their whole history
//       1200 px wide. Judges two things (exit 5): the resident size stays under 200 MB, and the
//       statistics of each trace over an early span (10 to 20 minutes in) read at the end exactly
//       as they did when that span was recent. The charts keep ZR410AB_MEMORY_HOURS of history in
//       memory (24 unless set) and the rest in the cache file.

#include "board/sim/simulated_board.h"
#include "graphs/strip_chart/strip_chart.h"
#include "graphs/temp_graph_window.h"
#include "graphs/volt_graph_window.h"
#include "logging/save_window.h"
#include "shell/main_window.h"
#include "support/board_wait.h"
#include "support/fake_services.h"
#include "support/resident_size.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace zr;

namespace {

constexpr int kTicksPerHour = 4 * 3600;
constexpr int kTraces = 2 + 2 + 5; // both temperature graphs and the voltage graph
constexpr int kWindow = 10'000;    // ticks compared at the start and at the end

using zr::test::residentKb;

struct Program {
    DeviceState state;
    sim::SimulatedBoard board;
    test::FakePrompts prompts;
    test::FakeFileChooser files;
    test::FakeUrlOpener urls;
    test::FakeClock clock;
    MainWindow main{{state, board, prompts, files, urls, clock, ZR_FIRMWARE_FOLDER}};

    bool startLog(Chip chip, const QString& path)
    {
        main.findChild<QAction*>(chip == Chip::A ? "mSaveA" : "mSaveB")->trigger();
        SaveWindow* window = main.saveWindow(chip);
        files.paths.push_back(path);
        window->findChild<QPushButton*>("cmdSave")->click();
        return window->isLogging();
    }
};

int logUntilKilled(const QString& fileA, const QString& fileB)
{
    Program p;
    if (!p.main.MDIForm_Load())
        return 2;
    p.main.show();
    if (!p.startLog(Chip::A, fileA) || !p.startLog(Chip::B, fileB))
        return 3;
    return QApplication::exec();
}

constexpr long long kTicksPerDay = 24LL * kTicksPerHour;
constexpr long kResidentLimitKb = 200 * 1024;

// The figures of every trace of every chart over one span of the timeline.
std::vector<chart::SpanStatistics> spanFigures(const std::vector<chart::StripChart*>& charts,
                                               std::int64_t fromMs, std::int64_t toMs)
{
    std::vector<chart::SpanStatistics> out;
    for (chart::StripChart* c : charts) {
        for (int t = 0; t < c->traceCount(); ++t) {
            const chart::TraceStore& s = c->traceStore(t);
            out.push_back(s.statistics(s.lowerBound(fromMs), s.lowerBound(toMs)));
        }
    }
    return out;
}

bool sameFigures(const chart::SpanStatistics& a, const chart::SpanStatistics& b)
{
    return a.count == b.count && std::memcmp(&a.mean, &b.mean, sizeof a.mean) == 0 &&
           std::memcmp(&a.squaredDeviations, &b.squaredDeviations, sizeof a.mean) == 0 &&
           a.min == b.min && a.max == b.max && a.minIndex == b.minIndex && a.maxIndex == b.maxIndex;
}

// Each chart showing its whole history in a plot 1200 px wide: the first drawing (every column
// summed up afresh) and a second after a change of the vertical range (the summaries kept), in
// ms for all charts together. The charts are put back as they were.
std::pair<double, double> wholeHistoryRedrawMs(const std::vector<chart::StripChart*>& charts)
{
    double fresh = 0, again = 0;
    for (chart::StripChart* c : charts) {
        const QSize size = c->size();
        c->resize(c->width() + 1200 - c->plotRect().width(), c->height());
        c->showWholeHistory();
        auto begin = std::chrono::steady_clock::now();
        c->renderPlot();
        fresh += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
                     .count();
        const double max = c->axisMax();
        c->setAxisMax(max + 1);
        begin = std::chrono::steady_clock::now();
        c->renderPlot();
        again += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
                     .count();
        c->setAxisMax(max);
        c->resize(size);
        c->followNewest();
    }
    return {fresh, again};
}

// Waits for the board worker as waitForBoard does, but returns as soon as the worker's answer
// is handled: the tests' wait sleeps 10 ms between looks, which would make the soak's ticks
// cost 10 ms each and a simulated month take days.
bool waitForBoardPromptly(MainWindow& main)
{
    QEventLoop loop;
    bool done = false;
    main.boardWorker().afterPending(&loop, [&] {
        done = true;
        loop.quit();
    });
    // A timer of its own, gone with the wait: a single-shot one would outlive it by its 20 s and
    // pile up by the hundred thousand.
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(zr::test::kBoardWaitMs);
    if (!done)
        loop.exec();
    return done;
}

struct TickFigures {
    double median = 0;
    double p99 = 0;
};

TickFigures figuresOf(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 99 / 100]};
}

int soak(long long ticks, const QString& folder)
{
    Program p;
    if (!p.main.MDIForm_Load())
        return 2;
    p.main.boardWorker().stopTimer(); // the ticks below are the only ones
    p.main.show();
    for (const char* item : {"mTempGraphA", "mTempGraphB", "mVoltGraphB"})
        p.main.findChild<QAction*>(item)->trigger();
    // With real 250 ms spacing every tick repaints the charts; back to back, their frame limiter
    // would skip most repaints, so each tick repaints them itself.
    const std::vector<chart::StripChart*> charts{&p.main.tempGraphWindow(Chip::A)->chart(),
                                                 &p.main.tempGraphWindow(Chip::B)->chart(),
                                                 &p.main.voltGraphWindow()->chart()};
    const QString fileA = QDir(folder).filePath("soak-a.sav");
    const QString fileB = QDir(folder).filePath("soak-b.sav");
    if (!p.startLog(Chip::A, fileA) || !p.startLog(Chip::B, fileB))
        return 3;

    std::printf("soak: %lld ticks (%.1f h at 4 per second), %d traces, logs in %s\n", ticks,
                static_cast<double>(ticks) / kTicksPerHour, kTraces, qPrintable(folder));
    const long startKb = residentKb();
    long hourKb = -1;
    long dayKb = -1;
    long peakKb = startKb;
    std::int64_t startMs = -1;
    std::vector<chart::SpanStatistics> earlyFigures; // 10 to 20 minutes in, read at 30 minutes
    std::vector<double> first;
    std::vector<double> last(static_cast<std::size_t>(std::min<long long>(ticks, kWindow)));
    for (long long t = 1; t <= ticks; ++t) {
        const auto begin = std::chrono::steady_clock::now();
        p.clock.time += std::chrono::milliseconds(250);
        p.main.Timer1_Timer();
        if (!waitForBoardPromptly(p.main))
            return 4;
        for (QWidget* chart : charts)
            chart->repaint();
        if (t == 1)
            startMs = charts.front()->traceStore(0).lastTime();
        if (t == kTicksPerHour / 2)
            earlyFigures = spanFigures(charts, startMs + 600'000, startMs + 1'200'000);
        QCoreApplication::processEvents();
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
                .count();
        if (t <= kWindow)
            first.push_back(ms);
        last[static_cast<std::size_t>(t % static_cast<long long>(last.size()))] = ms;
        if (t == kTicksPerHour)
            hourKb = residentKb();
        if (t == kTicksPerDay)
            dayKb = residentKb();
        if (t % kTicksPerDay == 0 || t == ticks) {
            const long kb = residentKb();
            peakKb = std::max(peakKb, kb);
            std::printf("rss after %.1f h: %ld kB\n", static_cast<double>(t) / kTicksPerHour, kb);
            const long long day = t / kTicksPerDay;
            if (t % kTicksPerDay == 0 && (day == 1 || day == 7 || day == 30)) {
                const auto [fresh, again] = wholeHistoryRedrawMs(charts);
                std::printf("day %lld: whole history at 1200 px: first drawing %.2f ms, redraw "
                            "%.2f ms (3 charts)\n",
                            day, fresh, again);
            }
        }
        std::fflush(stdout);
    }
    if (p.main.boardIsLost() || !p.main.saveWindow(Chip::A)->isLogging() ||
        !p.main.saveWindow(Chip::B)->isLogging()) {
        std::printf("soak: the run did not end with both logs running\n");
        return 4;
    }

    const long endKb = residentKb();
    const TickFigures start = figuresOf(first);
    const TickFigures end = figuresOf(last);
    std::printf("rss at start: %ld kB, after 1 h: %ld kB, at end: %ld kB\n", startKb, hourKb,
                endKb);
    if (hourKb > 0) {
        const double historyKb =
            static_cast<double>(ticks - kTicksPerHour) * kTraces * 8 / 1024.0; // 8 B per sample
        std::printf("rss growth after 1 h: %ld kB; allowed: chart history %.0f kB + 5120 kB "
                    "(%s)\n",
                    endKb - hourKb, historyKb,
                    endKb - hourKb <= historyKb + 5120 ? "met" : "NOT met");
    }
    if (dayKb > 0 && ticks >= 2 * kTicksPerDay) {
        const double days = static_cast<double>(ticks) / kTicksPerDay;
        std::printf("rss growth after the first day: %.0f kB per day (goal <= 1024)\n",
                    static_cast<double>(endKb - dayKb) / (days - 1));
    }
    if (ticks % kTicksPerDay != 0 ||
        (ticks / kTicksPerDay != 1 && ticks / kTicksPerDay != 7 && ticks / kTicksPerDay != 30)) {
        const auto [fresh, again] = wholeHistoryRedrawMs(charts);
        std::printf("end: whole history at 1200 px: first drawing %.2f ms, redraw %.2f ms "
                    "(3 charts)\n",
                    fresh, again);
    }
    std::printf("tick first %zu: median %.3f ms p99 %.3f ms; last %zu: median %.3f ms p99 %.3f "
                "ms; ratio of medians %.2f (goal <= 1.1)\n",
                first.size(), start.median, start.p99, last.size(), end.median, end.p99,
                end.median / start.median);
    std::printf("log sizes: %s %lld bytes, %s %lld bytes\n", qPrintable(fileA),
                QFileInfo(fileA).size(), qPrintable(fileB), QFileInfo(fileB).size());
    for (chart::StripChart* c : charts) {
        if (!c->historyStatus().isEmpty())
            std::printf("%s: %s\n", qPrintable(c->title()), qPrintable(c->historyStatus()));
    }
    bool judged = true;
    peakKb = std::max(peakKb, endKb);
#ifndef __SANITIZE_ADDRESS__ // the sanitizer's own bookkeeping is not the program's
    if (peakKb >= kResidentLimitKb) {
        std::printf("soak: resident size reached %ld kB (limit %ld kB)\n", peakKb,
                    kResidentLimitKb);
        judged = false;
    }
#endif
    if (!earlyFigures.empty()) {
        const std::vector<chart::SpanStatistics> now =
            spanFigures(charts, startMs + 600'000, startMs + 1'200'000);
        const bool same = std::equal(now.begin(), now.end(), earlyFigures.begin(),
                                     earlyFigures.end(), sameFigures);
        std::printf("statistics of minutes 10 to 20, %zu traces: %s\n", now.size(),
                    same ? "as when recent" : "CHANGED");
        judged = judged && same;
    }
    p.prompts.answers = {true, true};
    p.main.close();
    return judged ? 0 : 5;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() == 3 && args[0] == "log")
        return logUntilKilled(args[1], args[2]);
    if (args.size() == 3 && args[0] == "soak" && args[1].toLongLong() > 0)
        return soak(args[1].toLongLong(), args[2]);
    std::fprintf(stderr, "usage: windows_on_sim log FILE_A FILE_B\n"
                         "       windows_on_sim soak TICKS FOLDER\n");
    return 1;
}
