// SPDX-License-Identifier: MIT
#include "board/sst_stuff.h"
#include "board/tick_steps.h"
#include "cli/argument_numbers.h"
#include "cli/board_session.h"
#include "cli/command_table.h"
#include "cli/exit_status.h"
#include "cli/output.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <ostream>
#include <vector>

namespace zr::cli {
namespace {

constexpr std::int64_t kDefaultRuns = 200;
constexpr std::int64_t kMostRuns = 1'000'000;
constexpr int kWarmUpRuns = 5;
constexpr int kRequestsPerTransaction = 2;
// A full-speed control request takes at least one 1 ms USB frame.
constexpr double kUsbFrameMs = 1.0;

struct Figures {
    double medianMs = 0;
    double p99Ms = 0;
};

Figures figuresOf(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    const std::size_t n = ms.size();
    Figures f;
    f.medianMs = n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
    f.p99Ms = ms[static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(n))) - 1];
    return f;
}

template <typename Work> std::vector<double> timeRuns(std::int64_t runs, Work work)
{
    for (int i = 0; i < kWarmUpRuns; ++i)
        work();
    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(runs));
    for (std::int64_t i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        ms.push_back(took.count());
    }
    return ms;
}

// Four significant digits: the simulated board answers in microseconds, USB in milliseconds.
std::string millis(double ms)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4g ms", ms);
    return buf;
}

QJsonObject figuresJson(const Figures& f, int requests)
{
    return QJsonObject{{"requests", requests}, {"medianMs", f.medianMs}, {"p99Ms", f.p99Ms}};
}

struct TickCount {
    int transactions = 0;
    int temperatures = 0;
    int offsets = 0;
    int voltages = 0;
};

TickCount countTick()
{
    TickCount count;
    for (const TickStep& step : kTickSteps) {
        for (SstRead routine : tickReads(step)) {
            ++count.transactions;
            count.temperatures += routine == SSTStuff::SSTGetTemperatures;
            count.offsets += routine == SSTStuff::SSTGetExtOffset;
            count.voltages += routine == SSTStuff::SSTGetVoltages;
        }
    }
    return count;
}

} // namespace

int runBench(CommandContext& ctx)
{
    const Invocation& inv = ctx.invocation;
    // Bounded so that the timings of every run fit in memory.
    const std::int64_t runs = inv.has("--count")
                                  ? wholeInRange("--count", *inv.value("--count"), 1, kMostRuns)
                                  : kDefaultRuns;
    const auto session = ctx.openBoard();
    std::optional<Chip> anyFound;
    for (const ChipDescriptor& chip : kChips)
        if (!anyFound && session->found(chip.chip))
            anyFound = chip.chip;
    if (!anyFound)
        session->require(kChips.front().chip);
    // With a chip missing, its windows' requests go to one that answered: the cost is the same.
    const auto target = [&](Chip chip) { return session->found(chip) ? chip : *anyFound; };

    // A failed read would time an error path, not the board: the benchmark stops on one.
    const auto read = [&](Chip chip, ReadRoutine routine) {
        session->read(chip, routine, "board's reply", "the benchmark stopped");
    };
    using namespace SSTStuff;
    const Figures transaction =
        figuresOf(timeRuns(runs, [&] { read(*anyFound, SSTGetTemperatures); }));
    // One polling tick with every polled window open, step by step as the timer makes it.
    const TickCount count = countTick();
    const Figures tick = figuresOf(timeRuns(runs, [&] {
        for (const TickStep& step : kTickSteps)
            for (SstRead routine : tickReads(step))
                read(target(step.chip), routine);
    }));
    const int requestsPerTick = kRequestsPerTransaction * count.transactions;

    const std::string boardName = checkBoardOptions(inv);
    const double floorTransaction = kRequestsPerTransaction * kUsbFrameMs;
    const double floorTick = requestsPerTick * kUsbFrameMs;
    if (inv.json) {
        printJson(ctx.out,
                  QJsonObject{{"board", QString::fromStdString(boardName)},
                              {"runs", static_cast<qint64>(runs)},
                              {"transaction", figuresJson(transaction, kRequestsPerTransaction)},
                              {"tick", figuresJson(tick, requestsPerTick)},
                              {"usbFullSpeedFloorMs", QJsonObject{{"transaction", floorTransaction},
                                                                  {"tick", floorTick}}}});
        return kExitOk;
    }
    ctx.out << "Board: " << boardName << ", " << runs << " runs each\n"
            << "Transaction (SSTGetTemperatures, " << kRequestsPerTransaction
            << " board requests): median " << millis(transaction.medianMs) << ", p99 "
            << millis(transaction.p99Ms) << "\n"
            << "Tick (" << requestsPerTick << " board requests: " << count.temperatures
            << " temperatures, " << count.offsets << " offsets, " << count.voltages
            << " voltages): median " << millis(tick.medianMs) << ", p99 " << millis(tick.p99Ms)
            << "\n"
            << "Full-speed USB floor (one 1 ms frame per request): " << millis(floorTransaction)
            << " per transaction, " << millis(floorTick) << " per tick\n";
    return kExitOk;
}

} // namespace zr::cli
