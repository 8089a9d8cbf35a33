// SPDX-License-Identifier: MIT
#include "exporter/poller.h"

#include "alarms/taken_tick.h"
#include "app/board_factory.h"
#include "board/address_scan.h"
#include "board/board_lost_error.h"
#include "board/usb_stuff.h"
#include "logging/take_readings.h"

#include <algorithm>

namespace zr::exporter {
namespace {

double unixSecondsNow()
{
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

Poller::Poller(BoardLibrary& board, ReadingsCache& cache, PollerOptions options,
               std::function<void(const std::string&)> say)
    : board_(board), cache_(cache), options_(std::move(options)), say_(std::move(say)),
      alarms_(options_.alarmRules)
{
    snapshot_.board = options_.board;
    for (const alarms::Rule& rule : options_.alarmRules)
        snapshot_.alarms.push_back({rule.name, rule.chip, rule.channel, false});
    cache_.publish(snapshot_);
}

Poller::~Poller()
{
    stop();
}

void Poller::start()
{
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
}

void Poller::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool Poller::waitUntil(Clock::time_point deadline)
{
    std::unique_lock lock(mutex_);
    return !wake_.wait_until(lock, deadline, [this] { return stopping_.load(); });
}

bool Poller::connect()
{
    std::string reason;
    if (USBStuff::LoadBoardFirmware(state_, board_, options_.programFolder, &reason) < 0) {
        boardDown(std::string(USBStuff::kBoardNotFoundMessage) +
                  (reason.empty() ? "" : " " + reason));
        return false;
    }
    ScanResult found;
    try {
        found = ScanForChips(state_, board_);
    } catch (const BoardLostError& lost) {
        boardDown(lost.what());
        return false;
    }
    if (const std::string label = boardLabel(board_); !label.empty())
        snapshot_.board = label;
    snapshot_.chips.clear();
    for (const ChipDescriptor& descriptor : kChips) {
        const Chip chip = descriptor.chip;
        if (!found.found(chip))
            continue;
        snapshot_.chips.push_back({chip, chipAddress(state_, chip), {}, {}, {}, {}});
        auto& failed = snapshot_.failedReads[static_cast<std::size_t>(chipIndex(chip))];
        failed = failed.value_or(0);
    }
    snapshot_.up = true;
    cache_.publish(snapshot_);
    std::string chips;
    for (const ChipReadings& c : snapshot_.chips)
        chips += std::string(chips.empty() ? "" : ", ") + chipName(c.chip) + " at " +
                 std::to_string(c.address);
    lastProblem_.clear();
    if (say_)
        say_("Board " + snapshot_.board +
             " is up; chips found: " + (chips.empty() ? "none" : chips) + ".");
    return true;
}

void Poller::poll()
{
    try {
        for (ChipReadings& c : snapshot_.chips) {
            const logging::TakenReadings taken = logging::takeReadings(state_, board_, c.chip);
            const Clock::time_point now = Clock::now();
            auto keep = [now](auto& reading, std::int16_t result, auto value) {
                if (result < 0)
                    reading.clear();
                else
                    reading.set(value, now);
            };
            keep(c.internal, taken.temperaturesResult, taken.values.intTemp);
            keep(c.external, taken.temperaturesResult, taken.values.extTemp);
            keep(c.offset, taken.offsetResult, taken.values.extOffset);
            if (hasRails(c.chip))
                for (std::size_t i = 0; i < c.voltages.size(); ++i)
                    keep(c.voltages[i], taken.voltagesResult, taken.values.voltages[i]);
            // One count per read that failed (a failed read of the rails loses all five).
            const int failed = (taken.temperaturesResult < 0) + (taken.offsetResult < 0) +
                               (taken.voltagesResult < 0);
            *snapshot_.failedReads[static_cast<std::size_t>(chipIndex(c.chip))] += failed;
            noteAlarms(alarms_.feed(c.chip, alarms::tickOf(taken, c.chip),
                                    std::chrono::system_clock::now()));
        }
    } catch (const BoardLostError& lost) {
        boardDown(lost.what());
        return;
    }
    ++snapshot_.polls;
    snapshot_.lastPollUnixSeconds = unixSecondsNow();
    cache_.publish(snapshot_);
}

void Poller::boardDown(const std::string& why)
{
    const bool wasUp = snapshot_.up;
    snapshot_.up = false;
    for (ChipReadings& c : snapshot_.chips) {
        c.internal.clear();
        c.external.clear();
        c.offset.clear();
        for (auto& v : c.voltages)
            v.clear();
    }
    const auto fired = alarms_.boardLost(std::chrono::system_clock::now());
    for (const alarms::AlarmEvent& event : fired)
        snapshot_.alarms[event.ruleIndex].firing = true;
    cache_.publish(snapshot_);
    if (say_ && (wasUp || why != lastProblem_))
        say_(why);
    lastProblem_ = why;
    noteAlarms(fired);
}

void Poller::noteAlarms(const std::vector<alarms::AlarmEvent>& events)
{
    for (const alarms::AlarmEvent& event : events) {
        snapshot_.alarms[event.ruleIndex].firing = event.state == alarms::AlarmState::Firing;
        if (say_)
            say_(alarms::eventText(event));
    }
}

void Poller::run()
{
    auto retry = options_.firstRetry;
    Clock::time_point next = Clock::now();
    while (!stopping_) {
        if (!snapshot_.up) {
            if (!connect()) {
                if (!waitUntil(Clock::now() + retry))
                    return;
                retry = std::min(retry * 2, options_.longestRetry);
                continue;
            }
            retry = options_.firstRetry;
            next = Clock::now();
        }
        poll();
        if (!snapshot_.up) {
            if (!waitUntil(Clock::now() + retry))
                return;
            retry = std::min(retry * 2, options_.longestRetry);
            continue;
        }
        // A fixed grid: a slow poll does not shift the later ones, missed slots are skipped.
        const Clock::time_point now = Clock::now();
        next += options_.interval;
        if (next < now)
            next += (now - next) / options_.interval * options_.interval + options_.interval;
        if (!waitUntil(next))
            return;
    }
}

} // namespace zr::exporter
