// SPDX-License-Identifier: MIT
// usb_emulator_run: runs a program against an emulated evaluation board on an emulated USB bus.
//
//   usb_emulator_run [options] -- COMMAND [ARGS...]
//
// The board (the simulated board's chips behind the emulated controller) lives in this process;
// COMMAND runs as its child, and its libusb calls reach the board through umockdev's socket.
// Both need umockdev's preload (the testbed's /sys and /dev exist only through it), so the
// launcher first starts itself again under the preload, as umockdev-wrapper would, and COMMAND
// inherits it. The exit status is COMMAND's.

#include "board/sim/simulated_board.h"
#include "board/usb/usb_ids.h"
#include "usb_emulator.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

const char* const kUsage =
    "Usage: usb_emulator_run [options] -- COMMAND [ARGS...]\n"
    "Runs COMMAND with an emulated evaluation board on an emulated USB bus (umockdev).\n\n"
    "Options:\n"
    "  --attached unprogrammed|programmed|none\n"
    "                          the board at start: waiting for firmware (default), already\n"
    "                          running it, or no board at all\n"
    "  --scenario FILE         the simulated board's chips and readings (JSON)\n"
    "  --usb-ids U,P           the board's USB ids (default 04b4:8613,04b4:1004)\n"
    "  --reenumeration-delay MS  from the firmware's start until the board is back (20)\n"
    "  --stays-away            the board does not come back after its firmware is loaded\n"
    "  --fault hang|stall|line-error\n"
    "                          from the first transfer on (or after --fault-after N others),\n"
    "                          every transfer gets no answer, is refused, or fails on the line\n"
    "  --fault-after N         transfers that still go through before the fault (0)\n"
    "  --latency MS            every answer comes this many milliseconds late (0)\n"
    "  --port CHAIN[:SERIAL]   a board at this port of bus 1 (\"4.2\" is port path 1-4.2),\n"
    "                          with this serial string; repeat it for several boards, each with\n"
    "                          its own simulated chips (default: one board at 1-1, no serial)\n";

pid_t child = 0;

void forward(int signal)
{
    if (child > 0)
        kill(child, signal);
}

int usage(const std::string& problem)
{
    std::cerr << "usb_emulator_run: " << problem << "\n\n" << kUsage;
    return 2;
}

// Starts this program again with umockdev's preload in front of any other.
int restartUnderPreload(char** argv)
{
    std::string preload = "libumockdev-preload.so.0";
    if (const char* others = std::getenv("LD_PRELOAD"); others && *others)
        preload += std::string(":") + others;
    setenv("LD_PRELOAD", preload.c_str(), 1);
    execv("/proc/self/exe", argv);
    std::cerr << "usb_emulator_run: cannot restart under umockdev's preload: "
              << std::strerror(errno) << "\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (!zr::usbtest::UsbEmulator::inMockEnvironment())
        return restartUnderPreload(argv);
    std::string attached = "unprogrammed";
    std::string scenarioFile;
    zr::usbtest::EmulatorOptions options;
    std::optional<zr::usbtest::Fault> fault;
    int faultAfter = 0;
    std::chrono::milliseconds latency{0};
    std::vector<std::pair<std::string, std::string>> ports; // chain, serial
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc && std::strcmp(argv[i + 1], "--") != 0;
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (a == "--stays-away") {
            options.comesBackAfterUpload = false;
        } else if (!hasValue) {
            return usage("unknown option or missing value: " + a);
        } else if (a == "--attached") {
            attached = argv[++i];
            if (attached != "unprogrammed" && attached != "programmed" && attached != "none")
                return usage("--attached takes unprogrammed, programmed or none");
        } else if (a == "--port") {
            const std::string value = argv[++i];
            const std::size_t colon = value.find(':');
            ports.emplace_back(value.substr(0, colon),
                               colon == std::string::npos ? "" : value.substr(colon + 1));
        } else if (a == "--scenario") {
            scenarioFile = argv[++i];
        } else if (a == "--usb-ids") {
            try {
                options.ids = zr::usb::parseUsbIds(argv[++i]);
            } catch (const std::invalid_argument& refused) {
                return usage(std::string("--usb-ids: ") + refused.what());
            }
        } else if (a == "--reenumeration-delay") {
            options.reenumerationDelay = std::chrono::milliseconds(std::atoi(argv[++i]));
        } else if (a == "--fault") {
            const std::string kind = argv[++i];
            if (kind == "hang")
                fault = zr::usbtest::Fault::NoReply;
            else if (kind == "stall")
                fault = zr::usbtest::Fault::Stall;
            else if (kind == "line-error")
                fault = zr::usbtest::Fault::LineError;
            else
                return usage("--fault takes hang, stall or line-error");
        } else if (a == "--fault-after") {
            faultAfter = std::atoi(argv[++i]);
        } else if (a == "--latency") {
            latency = std::chrono::milliseconds(std::atoi(argv[++i]));
        } else {
            return usage("unknown option " + a);
        }
    }
    if (i + 1 >= argc)
        return usage("no command given after --");
    char** command = argv + i + 1;

    if (ports.empty())
        ports.emplace_back(options.port, "");
    std::vector<std::unique_ptr<zr::sim::SimulatedBoard>> boards;
    std::vector<std::unique_ptr<zr::usbtest::UsbEmulator>> emulators;
    for (const auto& [port, serial] : ports) {
        try {
            boards.push_back(std::make_unique<zr::sim::SimulatedBoard>(
                scenarioFile.empty()
                    ? zr::sim::Scenario::defaults()
                    : zr::sim::loadScenarioFile(QString::fromStdString(scenarioFile))));
        } catch (const std::exception& e) {
            std::cerr << "usb_emulator_run: " << e.what() << "\n";
            return 2;
        }
        options.board = boards.back().get();
        options.port = port;
        options.serial = serial;
        auto& emulator = *emulators.emplace_back(new zr::usbtest::UsbEmulator(options));
        if (attached == "unprogrammed")
            emulator.plugUnprogrammed();
        else if (attached == "programmed")
            emulator.plugProgrammed();
    }
    for (auto& emulator : emulators) {
        if (fault)
            emulator->failEveryTransfer(*fault, faultAfter);
        emulator->setLatency(latency);
    }

    std::signal(SIGINT, forward);
    std::signal(SIGTERM, forward);
    child = fork();
    if (child < 0) {
        std::cerr << "usb_emulator_run: cannot start " << command[0] << ": " << std::strerror(errno)
                  << "\n";
        return 2;
    }
    if (child == 0) {
        // Killed with us: a test runner that times out kills only the process it started.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        execvp(command[0], command);
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}
