// SPDX-License-Identifier: MIT
#include "worker/board_worker.h"

#include "board/sst_stuff.h"
#include "board/usb_stuff.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <condition_variable>

namespace zr {
namespace {

// Runs the next job of a queue each time it is woken. The jobs pass through the queue's mutex,
// not through the event: the hand-over between the threads is then the standard library's,
// which ThreadSanitizer sees (Qt's own event queue, uninstrumented, it cannot).
class JobRunner : public QObject {
public:
    explicit JobRunner(std::function<void()> runNext) : runNext_(std::move(runNext)) {}

protected:
    void customEvent(QEvent*) override { runNext_(); }

private:
    std::function<void()> runNext_;
};

constexpr QEvent::Type kWakeUp = QEvent::User;

void runNext(std::mutex& mutex, std::deque<std::function<void()>>& jobs)
{
    std::function<void()> job;
    {
        const std::lock_guard lock(mutex);
        if (jobs.empty())
            return;
        job = std::move(jobs.front());
        jobs.pop_front();
    }
    job();
}

} // namespace

logging::TakenReadings readStep(DeviceState& state, BoardLibrary& board, const TickStep& step)
{
    if (step.window == PolledWindow::SaveData)
        return logging::takeReadings(state, board, step.chip);
    selectChip(state, step.chip);
    logging::TakenReadings taken;
    for (const SstRead read : tickReads(step)) {
        const std::int16_t result = read(state, board);
        // The board's words for a failure hold only until its next request.
        if (result < 0 && taken.failureReason.empty())
            taken.failureReason = board.failureReason();
        (read == SSTStuff::SSTGetVoltages ? taken.voltagesResult : taken.temperaturesResult) =
            result;
    }
    taken.values = logging::readingsOf(state);
    return taken;
}

BoardWorker::BoardWorker(DeviceState& state, BoardLibrary& board) : state_(state), board_(board)
{
    thread_.setObjectName("board worker");
    inbox_ = new JobRunner([this] { runNext(deliveriesMutex_, deliveries_); });
    inbox_->setObjectName("boardWorkerInbox");
    context_ = new JobRunner([this] { runNext(jobsMutex_, jobs_); });
    timer_ = new QTimer(context_);
    timer_->setObjectName("Timer1");
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_, &QTimer::timeout, context_, [this] { timerFired(); });
    context_->moveToThread(&thread_);
    thread_.start();
}

BoardWorker::~BoardWorker()
{
    // Queued behind every sequence asked for: they all run before the thread ends. The worker's
    // last word passes through a mutex of ours, so that everything it did is seen done here.
    std::mutex lastMutex;
    std::condition_variable lastJobRan;
    bool ran = false;
    post([&] {
        timer_->stop();
        context_->deleteLater(); // once the thread ends, on the thread
        thread_.quit();
        const std::lock_guard lock(lastMutex);
        ran = true;
        lastJobRan.notify_one();
    });
    {
        std::unique_lock lock(lastMutex);
        lastJobRan.wait(lock, [&ran] { return ran; });
    }
    thread_.wait();
    delete inbox_;
}

void BoardWorker::post(std::function<void()> work)
{
    {
        const std::lock_guard lock(jobsMutex_);
        jobs_.push_back(std::move(work));
    }
    QCoreApplication::postEvent(context_, new QEvent(kWakeUp));
}

void BoardWorker::handOver(QPointer<QObject> receiver, std::function<void()> then)
{
    {
        const std::lock_guard lock(deliveriesMutex_);
        deliveries_.push_back([receiver = std::move(receiver), then = std::move(then)] {
            if (receiver)
                then();
        });
    }
    QCoreApplication::postEvent(inbox_, new QEvent(kWakeUp));
}

void BoardWorker::onTick(QObject* receiver, std::function<void(const TickReadings&)> deliver)
{
    tickReceiver_ = receiver;
    deliverTick_ = std::move(deliver);
}

void BoardWorker::setPolledSteps(PolledSteps steps)
{
    post([this, steps] { polled_ = steps; });
}

void BoardWorker::startTimer(int intervalMs)
{
    interval_ = intervalMs;
    timerActive_ = true;
    post([this, intervalMs] {
        nextDue_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(intervalMs);
        timer_->start(intervalMs);
    });
}

void BoardWorker::stopTimer()
{
    timerActive_ = false;
    post([this] { timer_->stop(); });
}

void BoardWorker::tickNow()
{
    post([this] { runTick(0); });
}

void BoardWorker::timerFired()
{
    // A tick falls due every interval from the start; those that fell due while a sequence ran
    // are gone, and the next one is due an interval after the last that passed.
    const auto interval = std::chrono::milliseconds(timer_->interval());
    const auto now = std::chrono::steady_clock::now();
    int skipped = 0;
    if (now >= nextDue_ + interval) {
        skipped = static_cast<int>((now - nextDue_) / interval);
        nextDue_ += skipped * interval;
    }
    nextDue_ += interval;
    skipped_ += static_cast<std::uint64_t>(skipped);
    runTick(skipped);
}

void BoardWorker::runTick(int skipped)
{
    TickReadings tick;
    tick.number = ++ticks_;
    tick.skippedBefore = skipped;
    tick.skippedTotal = skipped_;
    // Once reported, a lost board gets nothing more until it is brought up again.
    if (reportedLoss_)
        return;
    // A routine may have met the loss first; it is told within this tick.
    if (board_.boardLost()) {
        tick.lost = boardLostError(board_);
    } else {
        for (std::size_t i = 0; i < kTickSteps.size(); ++i) {
            if (!polled_[i])
                continue;
            StepReadings step{kTickSteps[i], {}, {}};
            try {
                step.taken = readStep(state_, board_, step.step);
            } catch (const BoardLostError& lost) {
                tick.lost = lost;
                break;
            } catch (const std::exception& failure) {
                step.error = failure.what();
            }
            tick.steps.push_back(std::move(step));
        }
    }
    reportedLoss_ = tick.lost;
    noteLoss();
    if (deliverTick_)
        handOver(tickReceiver_,
                 [deliver = deliverTick_, tick = std::move(tick)] { deliver(tick); });
}

void BoardWorker::run(QObject* receiver, Routine routine,
                      std::function<void(const RoutineResult&)> done)
{
    post([this, receiver = QPointer<QObject>(receiver), routine = std::move(routine),
          done = std::move(done)] {
        RoutineResult result;
        try {
            routine(state_, board_);
        } catch (...) {
            result.failure = std::current_exception();
        }
        result.after = state_;
        noteLoss();
        handOver(receiver, [done, result = std::move(result)] { done(result); });
    });
}

void BoardWorker::bringUp(QObject* receiver, std::string programFolder,
                          std::function<void(const BringUp&)> done)
{
    post([this, receiver = QPointer<QObject>(receiver), folder = std::move(programFolder),
          done = std::move(done)] {
        BringUp result;
        result.description = board_.description();
        result.port = board_.portPath();
        std::string reason;
        if (USBStuff::LoadBoardFirmware(state_, board_, folder, &reason) < 0) {
            result.failure = reason;
        } else {
            result.firmwareLoaded = true;
            try {
                result.found = ScanForChips(state_, board_);
            } catch (const BoardLostError& fault) {
                result.fault = fault;
            }
        }
        // Ticks reach the board again only when it is back whole.
        if (result.fault)
            reportedLoss_ = result.fault;
        else if (board_.boardLost())
            reportedLoss_ = boardLostError(board_);
        else if (result.firmwareLoaded)
            reportedLoss_.reset();
        noteLoss();
        handOver(receiver, [done, result = std::move(result)] { done(result); });
    });
}

void BoardWorker::afterPending(QObject* receiver, std::function<void()> then)
{
    post([this, receiver = QPointer<QObject>(receiver), then = std::move(then)] {
        noteLoss();
        handOver(receiver, then);
    });
}

void BoardWorker::noteLoss()
{
    std::optional<BoardLostError> now;
    if (board_.boardLost())
        now = boardLostError(board_);
    const std::lock_guard lock(lossMutex_);
    loss_ = std::move(now);
}

std::optional<BoardLostError> BoardWorker::lostFault() const
{
    const std::lock_guard lock(lossMutex_);
    return loss_;
}

} // namespace zr
