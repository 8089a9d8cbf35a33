// SPDX-License-Identifier: MIT
// Every call of the scripting layer's board handle from several threads while a log runs on the
// simulated board, once left open and once closed under the log. Built without the interpreter so
// that ThreadSanitizer sees the handle's locking whole; a hang fails by the watchdog, a race by
// the sanitizer, a torn log by the line count.

#include "board/failed_read.h"
#include "logging/log_file.h"
#include "python/board_handle.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;
using zr::Chip;
using zr::python::BoardHandle;

namespace {

int failures = 0;

void check(bool ok, const std::string& what)
{
    if (!ok) {
        std::fprintf(stderr, "FAIL: %s\n", what.c_str());
        ++failures;
    }
}

// One round of every call; a closed board may refuse any of them with ChipNotFoundError.
void everyCall(BoardHandle& board, int round)
{
    const Chip chip = round % 2 ? Chip::A : Chip::B;
    try {
        board.temperatures(chip);
        if (chip == Chip::B)
            board.voltages(chip);
        board.setExternalOffset(chip, round % 600 - 100);
        board.externalOffset(chip);
        board.ping(chip);
        board.dib(chip);
        board.transaction(chip, {0xF7}, 16, 1);
        board.address(chip);
        board.closed();
        if (round % 16 == 0)
            board.scan();
    } catch (const zr::python::ChipNotFoundError&) {
        check(board.closed(), "only a closed board refuses a found chip");
    }
}

int linesIn(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    int lines = 0;
    for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2)
        ++lines;
    check(text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0,
          path + " ends with a whole line");
    return lines;
}

void round(bool closeUnderTheLog, const std::string& path)
{
    zr::python::OpenOptions options;
    options.firmwareFolder = ZR_FIRMWARE_FOLDER;
    BoardHandle board(options);
    std::atomic<bool> logEnded = false;
    zr::python::LogSchedule schedule;
    schedule.interval = 5ms;
    schedule.count = 40;

    auto log = std::async(std::launch::async, [&] {
        std::string outcome = "finished";
        try {
            const auto summary =
                board.log(path, Chip::B, zr::logging::LogOptions{}, schedule, [] { return false; });
            check(summary.records == 40, "the log wrote every record");
        } catch (const zr::python::ChipNotFoundError&) {
            outcome = "closed";
        }
        logEnded = true;
        return outcome;
    });
    std::vector<std::thread> callers;
    for (int t = 0; t < 4; ++t)
        callers.emplace_back([&, t] {
            for (int i = t; !logEnded; ++i)
                everyCall(board, i);
        });
    if (closeUnderTheLog) {
        for (int i = 0; i < 1000 && !std::filesystem::exists(path); ++i)
            std::this_thread::sleep_for(10ms);
        std::this_thread::sleep_for(30ms);
        board.close();
    }

    // A deadlock never ends: give it far more than the 40 records take, then give up loudly.
    if (log.wait_for(60s) != std::future_status::ready) {
        std::fprintf(stderr, "FAIL: the log and its callers hang\n");
        std::_Exit(1);
    }
    for (std::thread& t : callers)
        t.join();
    const std::string outcome = log.get();
    check(outcome == (closeUnderTheLog ? "closed" : "finished"), "the log ended " + outcome);
    const int lines = linesIn(path);
    check(closeUnderTheLog ? lines >= 3 : lines == 43, path + " holds its header and records");
}

} // namespace

int main()
{
    char folder[] = "/tmp/zr-stress-XXXXXX";
    if (!::mkdtemp(folder))
        return 2;
    const std::string dir = folder;
    round(false, dir + "/open.sav");
    round(true, dir + "/closed.sav");
    std::remove((dir + "/open.sav").c_str());
    std::remove((dir + "/closed.sav").c_str());
    ::rmdir(folder);
    std::printf("%s\n", failures ? "FAILED" : "PASS");
    return failures ? 1 : 0;
}
