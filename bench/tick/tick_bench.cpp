// SPDX-License-Identifier: MIT
// The cost of the polling tick in the real program: the main window with every polled window
// open (both temperature graphs, the voltage graph, both save-data windows logging to a file),
// offscreen, its board worker ticking on its own 250 ms timer.
//
// Boards: the simulated board (default), or the simulated board's chips behind the emulated USB
// board on an emulated bus (`--board usb-emulated`, run under umockdev-wrapper), each transfer
// answered `--latency` microseconds late (default 1000: a full-speed board).
//
// Usage: tick_bench [--ticks N] [--board sim|usb-emulated] [--latency US] [--dir FOLDER]
//   FOLDER receives the two log files (default: /dev/shm, else the temporary folder).
//
// Prints, from the user-interface thread's side: its busy time per tick (drawing, logging,
// repaints; median, p99), its time in board calls (0 by design), how late a 5 ms heartbeat timer
// fires (p99, max), and how long a menu takes to open when asked for at any moment (p99, max);
// from the worker's side: its time in the board per tick against the floor (transfers x latency)
// and the ticks it skipped. Then lines for scripts:
//   tick spacing=real ticks=N cpu_ms=X wall_median_ms=Y wall_p99_ms=Z
//   tick board=B latency_us=L ui_median_ms=… ui_p99_ms=… ui_board_ms=… heartbeat_late_p99_ms=…
//        heartbeat_late_max_ms=… menu_open_p99_ms=… menu_open_max_ms=… worker_median_ms=…
//        worker_floor_ms=… skipped=…

#include "board/sim/simulated_board.h"
#include "board/tick_steps.h"
#include "logging/save_window.h"
#include "process_cpu.h"
#include "shell/main_window.h"
#ifdef ZR_BENCH_USB
#include "board/usb/usb_board.h"
#include "usb_emulator.h"
#endif

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMenu>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double percentile(std::vector<double> v, double share)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const auto at = static_cast<std::size_t>(std::ceil(share * static_cast<double>(v.size())));
    return v[std::min(v.size() - 1, at > 0 ? at - 1 : 0)];
}

// Any board, with the time spent in its requests: on the user-interface thread (should be none)
// and on the worker, per tick of `requestsPerTick` requests.
class TimedBoard : public zr::BoardLibrary {
public:
    explicit TimedBoard(zr::BoardLibrary& board) : board_(board) {}
    std::int16_t LoadFirmWare(const char* path) override { return board_.LoadFirmWare(path); }
    std::int16_t VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                 std::int16_t direction, std::int16_t length,
                                 std::uint8_t* buffer) override
    {
        const auto start = Clock::now();
        const std::int16_t r =
            board_.VendorIORequest(request, value, index, direction, length, buffer);
        const double ms = msSince(start);
        const std::lock_guard lock(mutex_);
        if (QThread::currentThread() == QCoreApplication::instance()->thread())
            uiMs_ += ms;
        if (counting_) {
            tickMs_ += ms;
            if (++inTick_ == requestsPerTick) {
                workerTicks_.push_back(tickMs_);
                tickMs_ = 0;
                inTick_ = 0;
            }
        }
        return r;
    }
    bool boardLost() const override { return board_.boardLost(); }
    bool boardNotResponding() const override { return board_.boardNotResponding(); }
    std::string failureReason() const override { return board_.failureReason(); }
    std::string description() const override { return board_.description(); }

    void startCounting()
    {
        const std::lock_guard lock(mutex_);
        counting_ = true;
        uiMs_ = 0;
    }
    std::vector<double> workerTicks() const
    {
        const std::lock_guard lock(mutex_);
        return workerTicks_;
    }
    double uiMs() const
    {
        const std::lock_guard lock(mutex_);
        return uiMs_;
    }

    static constexpr int requestsPerTick = 16; // every polled window open

private:
    zr::BoardLibrary& board_;
    mutable std::mutex mutex_;
    bool counting_ = false;
    int inTick_ = 0;
    double tickMs_ = 0;
    double uiMs_ = 0;
    std::vector<double> workerTicks_;
};

// The user-interface thread's busy time, split by tick: every event it handles counts towards the
// tick whose readings arrived last. The worker hands each tick over with one event to its inbox;
// the heartbeat's and the menu probe's own events are left out.
class TimedApp : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        // The worker's own events (its timer, its jobs) are not the user-interface thread's.
        if (QThread::currentThread() != thread())
            return QApplication::notify(receiver, event);
        if (depth_ > 0 || !measuring)
            return plain(receiver, event);
        const bool delivery = event->type() == QEvent::User &&
                              receiver->objectName() == QLatin1String("boardWorkerInbox");
        const bool own = receiver == heartbeat || receiver == probe;
        const auto start = Clock::now();
        const bool r = plain(receiver, event);
        const double ms = msSince(start);
        if (delivery)
            uiTicks.push_back(0);
        if (!own && !uiTicks.empty())
            uiTicks.back() += ms;
        if (delivery && passEnd && uiTicks.size() > passTicks)
            passEnd->quit();
        return r;
    }

    bool measuring = false;
    // The pass ends when this many ticks have arrived: no polling timer of the benchmark's own
    // wakes the process, whose CPU is the figure measured.
    QEventLoop* passEnd = nullptr;
    std::size_t passTicks = 0;
    QObject* heartbeat = nullptr;
    QObject* probe = nullptr;
    std::vector<double> uiTicks;

private:
    bool plain(QObject* receiver, QEvent* event)
    {
        ++depth_;
        const bool r = QApplication::notify(receiver, event);
        --depth_;
        return r;
    }
    int depth_ = 0;
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
    QString chooseFile(QWidget*, const QString&, const QString&, const zr::FileChoice&) override
    {
        return paths.isEmpty() ? QString() : paths.takeFirst();
    }
};

class NoUrls : public zr::UrlOpener {
public:
    void openUrl(const QString&) override {}
};

// A menu asked to open at the moment the probe fires, as a click would: queued behind whatever
// the thread has to do, then shown.
class MenuProbe : public QObject {
public:
    explicit MenuProbe(QMenu* menu) : menu_(menu) {}
    void ask()
    {
        asked_ = Clock::now();
        QCoreApplication::postEvent(this, new QEvent(QEvent::User));
    }
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        menu_->popup(QPoint(10, 10));
        latencies.push_back(msSince(asked_));
        menu_->hide();
        return true;
    }
    std::vector<double> latencies;

private:
    QMenu* menu_;
    Clock::time_point asked_;
};

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Options {
    int ticks = 120; // for each of the two passes
    QString board = "sim";
    int latencyUs = 1000;
    QString folder = QDir("/dev/shm").exists() ? "/dev/shm" : QDir::tempPath();
};

int run(TimedApp& app, zr::BoardLibrary& real, const Options& o,
        const std::function<void()>& afterLoad)
{
    TimedBoard board(real);
    const QStringList logs{QDir(o.folder).filePath("tick_bench_A.sav"),
                           QDir(o.folder).filePath("tick_bench_B.sav")};
    for (const QString& p : logs)
        QFile::remove(p);
    zr::DeviceState state;
    NoPrompts prompts;
    FixedChooser files;
    files.paths = logs;
    NoUrls urls;
    zr::SystemClock clock;
    zr::MainWindow window(
        {state, board, prompts, files, urls, clock, QStringLiteral(ZR_FIRMWARE_FOLDER)});
    if (!window.MDIForm_Load())
        return 1;
    afterLoad();
    window.show();
    for (const char* item : {"mTempGraphA", "mVoltGraphB", "mTempGraphB", "mSaveA", "mSaveB"})
        window.findChild<QAction*>(item)->trigger();
    window.saveWindow(zr::Chip::A)->cmdSave_Click();
    window.saveWindow(zr::Chip::B)->cmdSave_Click();
    if (!window.saveWindow(zr::Chip::A)->isLogging() ||
        !window.saveWindow(zr::Chip::B)->isLogging()) {
        std::fprintf(stderr, "tick_bench: could not start both logs in %s\n", qPrintable(o.folder));
        return 1;
    }
    settle(8 * zr::kTickIntervalMs); // warm-up: first paints, fonts, caches

    // The heartbeat: how late a 5 ms timer fires.
    std::vector<double> late;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    auto last = Clock::now();
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        late.push_back(std::max(0.0, std::chrono::duration<double, std::milli>(now - last).count() -
                                         heartbeat.interval()));
        last = now;
    });
    // A menu asked for every 37 ms: at every phase of the tick over the run.
    MenuProbe probe(window.findChild<QMenu*>("mZR410A"));
    QTimer asking;
    QObject::connect(&asking, &QTimer::timeout, &probe, &MenuProbe::ask);
    app.heartbeat = &heartbeat;
    app.probe = &probe;

    // `ticks` ticks as they come from the worker's timer.
    const auto ticksPass = [&](int ticks) {
        app.uiTicks.clear();
        app.measuring = true;
        QEventLoop loop;
        app.passEnd = &loop;
        app.passTicks = static_cast<std::size_t>(ticks);
        // A board that is lost, or one so slow that ticks hardly run, ends the pass at a deadline.
        QTimer::singleShot(4 * ticks * zr::kTickIntervalMs, &loop, &QEventLoop::quit);
        loop.exec();
        app.passEnd = nullptr;
        app.measuring = false;
        std::vector<double> ui = app.uiTicks;
        if (!ui.empty())
            ui.pop_back(); // the last may be cut short
        return ui;
    };

    // First the program alone, for its CPU per tick; then with the probes, whose own wake-ups
    // would count in that figure, for the latencies.
    board.startCounting();
    const double cpuStart = processCpuMs();
    const auto start = Clock::now();
    const std::vector<double> ui = ticksPass(o.ticks);
    const double cpuMs = processCpuMs() - cpuStart;
    const double uiBoard = board.uiMs();
    last = Clock::now();
    heartbeat.start(5);
    asking.start(37);
    ticksPass(o.ticks);
    heartbeat.stop();
    asking.stop();
    const double wallMs = msSince(start);
    window.boardWorker().stopTimer();

    const int ticks = std::max(1, static_cast<int>(ui.size()));
    if (window.boardIsLost())
        std::printf("the board was lost: %s\n",
                    qPrintable(window.findChild<QLabel*>("lblConnection")->toolTip()));
    const std::vector<double> worker = board.workerTicks();
    const double floorMs =
        o.board == "sim" ? 0.0 : TimedBoard::requestsPerTick * o.latencyUs / 1000.0;
    // The skipped ticks: due ones that never ran.
    const int due = static_cast<int>(wallMs / zr::kTickIntervalMs);
    const int skipped = std::max(0, due - static_cast<int>(worker.size()));

    std::printf("board %s, %d us per transfer, %d ticks\n", qPrintable(o.board),
                o.board == "sim" ? 0 : o.latencyUs, ticks);
    std::printf("  process CPU per tick: %.3f ms\n", cpuMs / ticks);
    std::printf("  user-interface thread per tick: median %.3f ms, p99 %.3f ms; in board calls "
                "%.3f ms\n",
                percentile(ui, 0.5), percentile(ui, 0.99), uiBoard / ticks);
    std::printf("  heartbeat (5 ms) late: p99 %.3f ms, max %.3f ms\n", percentile(late, 0.99),
                percentile(late, 1.0));
    std::printf("  menu open when asked: p90 %.3f ms, p99 %.3f ms, max %.3f ms (%zu asks)\n",
                percentile(probe.latencies, 0.9), percentile(probe.latencies, 0.99),
                percentile(probe.latencies, 1.0), probe.latencies.size());
    std::printf("  worker in the board per tick: median %.3f ms, p99 %.3f ms; floor %.3f ms "
                "(%d transfers); %d ticks skipped\n",
                percentile(worker, 0.5), percentile(worker, 0.99), floorMs,
                TimedBoard::requestsPerTick, skipped);
    if (o.board == "sim")
        std::printf("tick spacing=real ticks=%d cpu_ms=%.3f wall_median_ms=%.3f "
                    "wall_p99_ms=%.3f\n",
                    ticks, cpuMs / ticks, percentile(ui, 0.5), percentile(ui, 0.99));
    std::printf("tick board=%s latency_us=%d ui_median_ms=%.3f ui_p99_ms=%.3f ui_board_ms=%.3f "
                "heartbeat_late_p99_ms=%.3f heartbeat_late_max_ms=%.3f menu_open_p99_ms=%.3f "
                "menu_open_max_ms=%.3f worker_median_ms=%.3f worker_floor_ms=%.3f skipped=%d\n",
                qPrintable(o.board), o.board == "sim" ? 0 : o.latencyUs, percentile(ui, 0.5),
                percentile(ui, 0.99), uiBoard / ticks, percentile(late, 0.99),
                percentile(late, 1.0), percentile(probe.latencies, 0.99),
                percentile(probe.latencies, 1.0), percentile(worker, 0.5), floorMs, skipped);
    std::fflush(stdout);
    for (const QString& p : logs)
        QFile::remove(p);
    return 0;
}

// The menu probe's pop-ups make the offscreen platform say, each time, what it cannot do.
void quietPlatform(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!message.startsWith(QLatin1String("This plugin does not support")))
        qt_message_output(type, context, message);
}

} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(quietPlatform);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApp app(argc, argv);
    QApplication::setApplicationName("ZR410A_B");
    Options o;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--ticks")
            o.ticks = std::max(2, args[i + 1].toInt());
        else if (args[i] == "--board")
            o.board = args[i + 1];
        else if (args[i] == "--latency")
            o.latencyUs = std::max(0, args[i + 1].toInt());
        else if (args[i] == "--dir")
            o.folder = args[i + 1];
    }
#ifndef NDEBUG
    std::printf("note: built without optimisation; build Release or RelWithDebInfo (make build) "
                "for figures that mean something\n");
#endif
    zr::sim::SimulatedBoard chips;
    if (o.board == "sim")
        return run(app, chips, o, [] {});
    if (o.board != "usb-emulated") {
        std::fprintf(stderr, "tick_bench: --board sim or usb-emulated\n");
        return 2;
    }
#ifdef ZR_BENCH_USB
    if (!zr::usbtest::UsbEmulator::inMockEnvironment()) {
        std::fprintf(stderr,
                     "tick_bench: run it under umockdev-wrapper for --board usb-emulated\n");
        return 77;
    }
    zr::usbtest::EmulatorOptions emulated;
    emulated.board = &chips;
    zr::usbtest::UsbEmulator emulator(emulated);
    emulator.plugUnprogrammed();
    zr::usb::UsbBoard usb;
    return run(app, usb, o, [&] { emulator.setLatency(std::chrono::microseconds(o.latencyUs)); });
#else
    std::fprintf(stderr, "tick_bench: built without the emulated USB board (umockdev)\n");
    return 2;
#endif
}
