// SPDX-License-Identifier: MIT
// The cost of one polling tick of the real program: the main window on the simulated board with
// every polled window open (both temperature graphs, the voltage graph, both save-data windows
// logging to a file), offscreen. A repeating timer in the event loop makes the ticks, as the
// program's own timer does; each walks the main window's table of tick steps, calling each step's
// window in the timer's order, and the loop then paints what the calls changed.
//
// With real spacing the ticks are 250 ms apart, as in the program: caches go cold in between,
// which is part of the cost. Back to back, the ticks follow each other at once.
//
// Usage: tick_bench [--ticks N] [--mode real|back-to-back|both] [--dir FOLDER]
//   FOLDER receives the two log files (default: /dev/shm, else the temporary folder).
//
// Prints, per mode, the process CPU per tick (getrusage, idle waits included), wall time per tick
// and its split into board traffic, charts (updates and paints) and logs, then one line for
// scripts:
//   tick spacing=real|back-to-back ticks=N cpu_ms=X wall_median_ms=Y wall_p99_ms=Z

#include "board/sim/simulated_board.h"
#include "board/tick_steps.h"
#include "graphs/temp_graph_window.h"
#include "graphs/volt_graph_window.h"
#include "logging/save_window.h"
#include "process_cpu.h"
#include "shell/main_window.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kTickMs = 250;

double nowMs()
{
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The simulated board, with the wall time spent in its requests added up.
class TimedBoard : public zr::BoardLibrary {
public:
    std::int16_t LoadFirmWare(const char* path) override { return board_.LoadFirmWare(path); }
    std::int16_t VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                 std::int16_t direction, std::int16_t length,
                                 std::uint8_t* buffer) override
    {
        const double start = nowMs();
        const std::int16_t r =
            board_.VendorIORequest(request, value, index, direction, length, buffer);
        spentMs += nowMs() - start;
        return r;
    }
    bool boardLost() const override { return board_.boardLost(); }
    std::string failureReason() const override { return board_.failureReason(); }

    double spentMs = 0;

private:
    zr::sim::SimulatedBoard board_;
};

class NoPrompts : public zr::Prompts {
public:
    void showMessage(QWidget*, zr::MessageIcon, const QString& text) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    bool askYesNo(QWidget*, const QString&) override { return true; }
};

class FixedChooser : public zr::FileChooser {
public:
    QStringList paths;
    QString chooseFile(QWidget*, const QString&, const QString&) override
    {
        return paths.isEmpty() ? QString() : paths.takeFirst();
    }
};

class NoUrls : public zr::UrlOpener {
public:
    void openUrl(const QString&) override {}
};

const auto kPaintedEvent = static_cast<QEvent::Type>(QEvent::User + 1);

// Receives the marker posted at the end of each tick, once the tick's repaints are done.
class PaintedMarker : public QObject {
public:
    std::function<void()> reached;
    bool event(QEvent* e) override
    {
        if (e->type() != kPaintedEvent)
            return QObject::event(e);
        if (reached)
            reached();
        return true;
    }
};

struct Split {
    double board = 0, charts = 0, logs = 0;
};

struct ModeResult {
    int ticks = 0;
    double cpuMs = 0;
    std::vector<double> wall;
    Split split;
};

double percentile(std::vector<double> v, double share)
{
    std::sort(v.begin(), v.end());
    const auto at = static_cast<std::size_t>(std::ceil(share * static_cast<double>(v.size())));
    return v[std::min(v.size() - 1, at > 0 ? at - 1 : 0)];
}

class Bench {
public:
    explicit Bench(const QString& folder)
        : logs_{QDir(folder).filePath("tick_bench_A.sav"),
                QDir(folder).filePath("tick_bench_B.sav")}
    {
        for (const QString& p : logs_)
            QFile::remove(p);
        files_.paths = logs_;
    }
    ~Bench()
    {
        for (const QString& p : logs_)
            QFile::remove(p);
    }

    bool open()
    {
        if (!window_.MDIForm_Load())
            return false;
        window_.timer()->stop(); // the benchmark makes the ticks itself
        window_.show();
        window_.mTempGraphA_Click();
        window_.mVoltGraphB_Click();
        window_.mTempGraphB_Click();
        window_.mSaveA_Click();
        window_.saveWindow(zr::Chip::A)->cmdSave_Click();
        window_.mSaveB_Click();
        window_.saveWindow(zr::Chip::B)->cmdSave_Click();
        settle();
        return window_.saveWindow(zr::Chip::A)->isLogging() &&
               window_.saveWindow(zr::Chip::B)->isLogging();
    }

    // The ticks come from a repeating timer in the event loop, as the program's own do, so the
    // figures hold what a tick costs the program: the timer's wake-up, the tick, and the repaints
    // that follow it in the same loop turn, but no waiting of the benchmark's own.
    ModeResult run(int ticks, bool realSpacing)
    {
        ModeResult r;
        r.ticks = ticks;
        QEventLoop loop;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(realSpacing ? kTickMs : 0);
        int begun = 0;
        double start = 0;
        double stepsEnd = 0;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            start = nowMs();
            steps(r.split);
            stepsEnd = nowMs();
            // Repaints are posted with low priority; this one, posted after them, comes last.
            QCoreApplication::postEvent(&painted_, new QEvent(kPaintedEvent), Qt::LowEventPriority);
            if (++begun == ticks)
                timer.stop();
        });
        painted_.reached = [&] {
            const double end = nowMs();
            r.split.charts += end - stepsEnd;
            r.wall.push_back(end - start);
            if (static_cast<int>(r.wall.size()) == ticks)
                loop.quit();
        };
        const double cpuStart = processCpuMs();
        timer.start();
        loop.exec();
        // Repaints that the frame limit put off belong to the run.
        settle();
        r.cpuMs = (processCpuMs() - cpuStart) / ticks;
        painted_.reached = nullptr;
        return r;
    }

private:
    void poll(const zr::TickStep& step)
    {
        switch (step.window) {
        case zr::PolledWindow::TempGraph:
            window_.tempGraphWindow(step.chip)->UpdateTempGraph();
            break;
        case zr::PolledWindow::VoltGraph:
            window_.voltGraphWindow(step.chip)->UpdateVoltGraph();
            break;
        case zr::PolledWindow::SaveData:
            window_.saveWindow(step.chip)->SaveCurrentData();
            break;
        }
    }

    void steps(Split& split)
    {
        for (const zr::TickStep& step : zr::kTickSteps) {
            const double stepStart = nowMs();
            const double boardBefore = board_.spentMs;
            poll(step);
            const double board = board_.spentMs - boardBefore;
            split.board += board;
            (step.window == zr::PolledWindow::SaveData ? split.logs : split.charts) +=
                nowMs() - stepStart - board;
        }
    }

    void settle()
    {
        for (int i = 0; i < 3; ++i) {
            QEventLoop loop;
            QTimer::singleShot(20, &loop, &QEventLoop::quit);
            loop.exec();
        }
    }

    PaintedMarker painted_;
    QStringList logs_;
    zr::DeviceState state_;
    TimedBoard board_;
    NoPrompts prompts_;
    FixedChooser files_;
    NoUrls urls_;
    zr::SystemClock clock_;
    zr::MainWindow window_{
        {state_, board_, prompts_, files_, urls_, clock_, QStringLiteral(ZR_FIRMWARE_FOLDER)}};
};

void report(const char* spacing, const ModeResult& r)
{
    const double n = r.ticks;
    std::printf("%s spacing: %d ticks\n", spacing, r.ticks);
    std::printf("  process CPU per tick: %.3f ms\n", r.cpuMs);
    std::printf("  wall per tick: median %.3f ms, p99 %.3f ms\n", percentile(r.wall, 0.5),
                percentile(r.wall, 0.99));
    std::printf("  wall split per tick: board %.3f ms, charts %.3f ms, logs %.3f ms\n",
                r.split.board / n, r.split.charts / n, r.split.logs / n);
    std::printf("tick spacing=%s ticks=%d cpu_ms=%.3f wall_median_ms=%.3f wall_p99_ms=%.3f\n",
                spacing, r.ticks, r.cpuMs, percentile(r.wall, 0.5), percentile(r.wall, 0.99));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName("ZR410A_B");
    int ticks = 480;
    QString mode = "both";
    QString folder = QDir("/dev/shm").exists() ? "/dev/shm" : QDir::tempPath();
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--ticks")
            ticks = std::max(1, args[i + 1].toInt());
        else if (args[i] == "--mode")
            mode = args[i + 1];
        else if (args[i] == "--dir")
            folder = args[i + 1];
    }
#ifndef NDEBUG
    std::printf("note: built without optimisation; build Release or RelWithDebInfo (make build) "
                "for figures that mean something\n");
#endif

    Bench bench(folder);
    if (!bench.open()) {
        std::fprintf(stderr, "tick_bench: could not open every window and start both logs in %s\n",
                     qPrintable(folder));
        return 1;
    }
    bench.run(8, false); // warm-up: first paints, fonts, caches
    if (mode == "real" || mode == "both")
        report("real", bench.run(ticks, true));
    if (mode == "back-to-back" || mode == "both")
        report("back-to-back", bench.run(ticks, false));
    return 0;
}
