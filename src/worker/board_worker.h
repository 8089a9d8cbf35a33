// SPDX-License-Identifier: MIT
#pragma once

// The board worker: the one thread that talks to the evaluation board.
//
// Thread contract
// - The worker owns the board library and the bus half of the shared device state
//   (CurrentAddress, ResponseStatus, XferBuffer, the readings, the DIB fields and the firmware
//   path) from construction until destruction. Only code run by the worker (a tick, a routine, a
//   bring-up) touches them; the user-interface thread never calls the board library.
// - The addresses (AddressA, AddressB) are written by a bring-up on the worker and may be read on
//   the asking thread once the bring-up's completion has arrived there. The window flags
//   (TempGraphAOpen…) are the user-interface thread's: the worker never reads them, it is told
//   which tick steps to run with setPolledSteps().
// - Work is asked for from the thread that built the worker (the user-interface thread), as
//   sequences: a tick (the polled steps of kTickSteps, in that order), a routine (one button's
//   SST calls) or a bring-up (firmware load and scan). Sequences run one at a time, whole, in the
//   order asked; the timer's ticks join that queue. A timer tick that falls due while a sequence
//   still runs is skipped and counted, never queued, so no backlog builds up on a slow board.
// - Results are copies (the readings, a snapshot of the device state after a routine), handed to
//   the asking thread through its event loop in the order the sequences ran. Nobody outside the
//   worker reads its buffers. A result for a receiver destroyed meanwhile is dropped.
// - A board that goes or stops answering during a tick is reported with that tick, and later
//   ticks send nothing until a bring-up succeeds. A routine meeting the loss reports it to its
//   caller; the next tick reports it too.

#include "board/address_scan.h"
#include "board/board_library.h"
#include "board/board_lost_error.h"
#include "board/device_state.h"
#include "board/tick_steps.h"
#include "logging/take_readings.h"

#include <QObject>
#include <QPointer>
#include <QThread>
#include <atomic>
#include <bitset>
#include <chrono>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class QTimer;

namespace zr {

// Which rows of kTickSteps a tick runs.
using PolledSteps = std::bitset<kTickSteps.size()>;

// What one tick step read: the readings, each read's result and the board's words for a failure.
struct StepReadings {
    TickStep step;
    logging::TakenReadings taken;
    std::string error; // an unexpected failure of the step's routines, in words for the user
};

struct TickReadings {
    std::uint64_t number = 0;        // ticks run so far, this one included
    std::vector<StepReadings> steps; // the steps that ran, in kTickSteps order
    // The board went or stopped answering in this tick; the steps after it did not run.
    std::optional<BoardLostError> lost;
    int skippedBefore = 0;          // timer ticks skipped right before this one (board too slow)
    std::uint64_t skippedTotal = 0; // since the worker started
};

// The reads of one tick step, in the order tickReads() gives, on the step's chip.
logging::TakenReadings readStep(DeviceState& state, BoardLibrary& board, const TickStep& step);

struct BringUp {
    bool firmwareLoaded = false;
    std::string failure;                 // why the firmware did not load; may be empty
    std::optional<ScanResult> found;     // the scan's findings, when it ran to its end
    std::optional<BoardLostError> fault; // the board went or stopped answering during the scan
    std::string description;             // what the program talks to (BoardLibrary::description)
    std::string port;                    // its USB port path (BoardLibrary::portPath)
};

// The state a routine left, for its caller to show.
struct RoutineResult {
    DeviceState after;
    std::exception_ptr failure; // what the routine threw, or null
};

class BoardWorker {
public:
    using Routine = std::function<void(DeviceState&, BoardLibrary&)>;

    BoardWorker(DeviceState& state, BoardLibrary& board);
    // Lets every sequence already asked for run, then stops the thread.
    ~BoardWorker();
    BoardWorker(const BoardWorker&) = delete;
    BoardWorker& operator=(const BoardWorker&) = delete;

    // Where tick results go: `deliver` runs on `receiver`'s thread. Set before the first tick.
    void onTick(QObject* receiver, std::function<void(const TickReadings&)> deliver);
    void setPolledSteps(PolledSteps steps);
    void startTimer(int intervalMs = kTickIntervalMs);
    void stopTimer();
    bool timerActive() const { return timerActive_; }
    int timerInterval() const { return interval_; }
    // One tick after everything asked before, as when the timer fires.
    void tickNow();

    void run(QObject* receiver, Routine routine, std::function<void(const RoutineResult&)> done);
    void bringUp(QObject* receiver, std::string programFolder,
                 std::function<void(const BringUp&)> done);
    // `then` runs on `receiver`'s thread once every sequence asked before has run and its result
    // has been handed over.
    void afterPending(QObject* receiver, std::function<void()> then);

    // The board's loss as the worker saw it after its last sequence; empty while it answers.
    std::optional<BoardLostError> lostFault() const;

private:
    void post(std::function<void()> work);
    // Runs `then` on `receiver`'s thread, unless the receiver is gone by then.
    void handOver(QPointer<QObject> receiver, std::function<void()> then);
    void timerFired();
    void runTick(int skipped);
    void noteLoss();

    DeviceState& state_;
    BoardLibrary& board_;
    QThread thread_;
    QObject* context_ = nullptr; // lives on thread_
    QTimer* timer_ = nullptr;    // a child of context_
    QObject* inbox_ = nullptr;   // lives on the asking thread; results pass through it in order

    // Asking thread only.
    QPointer<QObject> tickReceiver_;
    std::function<void(const TickReadings&)> deliverTick_;
    std::atomic<bool> timerActive_{false};
    std::atomic<int> interval_{kTickIntervalMs};

    // Worker thread only.
    PolledSteps polled_;
    std::optional<BoardLostError> reportedLoss_;
    std::uint64_t ticks_ = 0;
    std::uint64_t skipped_ = 0;
    std::chrono::steady_clock::time_point nextDue_{};

    // The two queues: jobs for the worker, results for the asking thread, each in order.
    std::mutex jobsMutex_;
    std::deque<std::function<void()>> jobs_;
    std::mutex deliveriesMutex_;
    std::deque<std::function<void()>> deliveries_;

    mutable std::mutex lossMutex_;
    std::optional<BoardLostError> loss_;
};

} // namespace zr
