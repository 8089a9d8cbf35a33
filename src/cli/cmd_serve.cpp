// SPDX-License-Identifier: MIT
#include "board/usb/board_ports.h"
#include "board/usb_stuff.h"
#include "cli/alarm_output.h"
#include "cli/board_session.h"
#include "cli/command_table.h"
#include "cli/exit_status.h"
#include "cli/interrupt.h"
#include "cli/output.h"
#include "cli/periodic.h"
#include "exporter/metrics_server.h"
#include "exporter/poller.h"

#include <csignal>
#include <iostream>
#include <mutex>
#include <pthread.h>

namespace zr::cli {
namespace {

constexpr std::chrono::milliseconds kDefaultInterval{1000};
// A reading older than this many intervals is no longer shown as current.
constexpr int kIntervalsUntilStale = 3;

// The poller's and the server's threads leave SIGINT and SIGTERM to the main thread, whose
// sleep they then wake at once.
class SignalsToMainThread {
public:
    SignalsToMainThread()
    {
        sigemptyset(&set_);
        sigaddset(&set_, SIGINT);
        sigaddset(&set_, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &set_, nullptr);
    }
    void threadsStarted() { pthread_sigmask(SIG_UNBLOCK, &set_, nullptr); }
    ~SignalsToMainThread() { threadsStarted(); }

private:
    sigset_t set_;
};

exporter::ListenAddress listenAddress(const Invocation& inv)
{
    const auto text = inv.value("--listen");
    if (!text)
        throw usageError("'serve' needs --listen ADDRESS:PORT, e.g. --listen 127.0.0.1:9410");
    try {
        return exporter::parseListenAddress(*text);
    } catch (const std::invalid_argument& refused) {
        throw usageError(std::string("--listen: ") + refused.what());
    }
}

std::string metricsUrl(const exporter::ListenAddress& address)
{
    const std::string port = std::to_string(address.port);
    if (address.host.empty())
        return "http://localhost:" + port + "/metrics and every other address of this machine";
    const bool six = address.host.find(':') != std::string::npos;
    return "http://" + (six ? "[" + address.host + "]" : address.host) + ":" + port + "/metrics";
}

// A board that is missing is waited for; several boards with none chosen are refused at once,
// as every other command refuses them, rather than retried for ever.
void refuseSeveralBoards(const ProgramOptions& options)
{
    if (options.board != "usb" || !options.devicePort.empty())
        return;
    std::vector<usb::BoardListing> boards;
    try {
        boards = usb::listEvaluationBoards(options.usbIds.value_or(usb::UsbIds{}));
    } catch (const std::runtime_error&) {
        return; // the poller reports it
    }
    if (boards.size() < 2)
        return;
    std::string list;
    for (const usb::BoardListing& b : boards)
        list += (list.empty() ? "" : ", ") + b.portPath;
    throw CliError(kExitBoardMissing, std::string(USBStuff::kBoardNotFoundMessage) +
                                          "\nSeveral evaluation boards are attached: " + list +
                                          ". Choose one with --device PORTPATH.");
}

} // namespace

int runServe(CommandContext& ctx)
{
    const exporter::ListenAddress address = listenAddress(ctx.invocation);
    const auto interval = ctx.invocation.has("--interval")
                              ? scheduleFromOptions(ctx.invocation).interval
                              : kDefaultInterval;
    const ProgramOptions options = programOptions(ctx.invocation);
    auto rules = alarmRules(ctx.invocation);
    refuseSeveralBoards(options);
    const std::unique_ptr<BoardLibrary> board = ctx.makeBoard();

    exporter::ReadingsCache cache;
    exporter::MetricsServer server(cache, kIntervalsUntilStale * interval);
    try {
        server.bind(address);
    } catch (const std::runtime_error& refused) {
        throw CliError(kExitListenFailed, refused.what());
    }

    std::mutex sayMutex;
    auto say = [&ctx, &sayMutex](const std::string& line) {
        std::lock_guard lock(sayMutex);
        ctx.err << kToolName << ": " << line << std::endl;
    };
    exporter::PollerOptions pollerOptions;
    pollerOptions.interval = interval;
    pollerOptions.programFolder = ctx.programFolder;
    pollerOptions.board = options.board == "sim" ? "sim" : options.devicePort;
    if (rules)
        pollerOptions.alarmRules = std::move(*rules);

    InterruptGuard interrupts;
    {
        SignalsToMainThread mainThreadSignals;
        exporter::Poller poller(*board, cache, pollerOptions, say);
        try {
            server.start();
        } catch (const std::runtime_error& refused) {
            throw CliError(kExitListenFailed, refused.what());
        }
        poller.start();
        mainThreadSignals.threadsStarted();
        say("serving the readings at " + metricsUrl(address) + ", polled every " +
            std::to_string(interval.count()) + " ms");
        while (sleepUntil(std::chrono::steady_clock::now() + std::chrono::seconds(1))) {
        }
        server.stop();
        poller.stop();
    }
    say("stopped");
    return kExitOk;
}

} // namespace zr::cli
