// SPDX-License-Identifier: MIT
// The program's real windows on the simulated board, for the kill test and the soak run.
//
//   windows_on_sim log FILE_A FILE_B
//       Both save-data windows log (to FILE_A and FILE_B) on the main window's own 250 ms timer
//       until the process is killed: the desktop program in all but its command line.
//   windows_on_sim soak TICKS FOLDER
//       Every polled window open (both temperature graphs, the voltage graph, both save-data
//       windows logging into FOLDER), driven through TICKS ticks back to back with a clock that
//       advances 250 ms per tick. Prints memory and tick cost; judges nothing (exit 0), so that a
//       leak checker's verdict is the exit status.

#include "board/sim/simulated_board.h"
#include "graphs/temp_graph_window.h"
#include "graphs/volt_graph_window.h"
#include "logging/save_window.h"
#include "shell/main_window.h"
#include "support/board_wait.h"
#include "support/fake_services.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using namespace zr;

namespace {

constexpr int kTicksPerHour = 4 * 3600;
constexpr int kTraces = 2 + 2 + 5; // both temperature graphs and the voltage graph
constexpr int kWindow = 10'000;    // ticks compared at the start and at the end

// Resident memory of this process in kB (Linux).
long residentKb()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

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
    const std::vector<QWidget*> charts{&p.main.tempGraphWindow(Chip::A)->chart(),
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
    std::vector<double> first;
    std::vector<double> last(static_cast<std::size_t>(std::min<long long>(ticks, kWindow)));
    for (long long t = 1; t <= ticks; ++t) {
        const auto begin = std::chrono::steady_clock::now();
        p.clock.time += std::chrono::milliseconds(250);
        p.main.Timer1_Timer();
        if (!zr::test::waitForBoard(p.main))
            return 4;
        for (QWidget* chart : charts)
            chart->repaint();
        QCoreApplication::processEvents();
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
                .count();
        if (t <= kWindow)
            first.push_back(ms);
        last[static_cast<std::size_t>(t % static_cast<long long>(last.size()))] = ms;
        if (t == kTicksPerHour)
            hourKb = residentKb();
        if (t % (24LL * kTicksPerHour) == 0 || t == ticks)
            std::printf("rss after %.1f h: %ld kB\n", static_cast<double>(t) / kTicksPerHour,
                        residentKb());
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
    std::printf("tick first %zu: median %.3f ms p99 %.3f ms; last %zu: median %.3f ms p99 %.3f "
                "ms; ratio of medians %.2f (goal <= 1.2)\n",
                first.size(), start.median, start.p99, last.size(), end.median, end.p99,
                end.median / start.median);
    std::printf("log sizes: %s %lld bytes, %s %lld bytes\n", qPrintable(fileA),
                QFileInfo(fileA).size(), qPrintable(fileB), QFileInfo(fileB).size());
    p.prompts.answers = {true, true};
    p.main.close();
    return 0;
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
