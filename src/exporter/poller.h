// SPDX-License-Identifier: MIT
#pragma once

// The exporter's poller: on its own thread it brings the board up (firmware, address scan), reads
// every chip found once per interval, as a save-data window does on a tick, and publishes the
// readings to the cache. A lost board is retried after 1 s, then after twice as long each time, up
// to 30 s, with the firmware loaded and the addresses scanned anew, so a replugged board is taken
// up again without anyone restarting the exporter. Alarm rules, when given, are evaluated on
// every poll; each change is said to the operator and shows in the snapshot.

#include "alarms/alarm_engine.h"
#include "board/board_library.h"
#include "exporter/readings_cache.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace zr::exporter {

struct PollerOptions {
    std::chrono::milliseconds interval{1000};
    std::chrono::milliseconds firstRetry{1000};
    std::chrono::milliseconds longestRetry{30000};
    std::string programFolder; // where the firmware file lies
    // The board label until the board is up (the chosen port path); then the board's own.
    std::string board;
    // Evaluated once per poll on the readings it took; a lost board fires the failing ones.
    std::vector<alarms::Rule> alarmRules;
};

class Poller {
public:
    // `say` receives one line for the operator whenever the board's state changes.
    Poller(BoardLibrary& board, ReadingsCache& cache, PollerOptions options,
           std::function<void(const std::string&)> say = {});
    ~Poller(); // stops the thread
    Poller(const Poller&) = delete;
    Poller& operator=(const Poller&) = delete;

    void start();
    void stop();

    // One step each, on the caller's thread (the thread uses them too). connect() loads the
    // firmware and scans; true when the board is up. poll() reads every chip once; it marks the
    // board down when it is lost.
    bool connect();
    void poll();
    bool up() const { return snapshot_.up; }

private:
    void run();
    // Sleeps until `deadline` or stop(); false on stop.
    bool waitUntil(Clock::time_point deadline);
    void boardDown(const std::string& why);
    void noteAlarms(const std::vector<alarms::AlarmEvent>& events);

    BoardLibrary& board_;
    ReadingsCache& cache_;
    PollerOptions options_;
    std::function<void(const std::string&)> say_;
    DeviceState state_;
    alarms::AlarmEngine alarms_;
    Snapshot snapshot_; // the poller's own copy; published after every step
    std::string lastProblem_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::atomic<bool> stopping_ = false;
    std::thread thread_;
};

} // namespace zr::exporter
