// SPDX-License-Identifier: MIT
#pragma once

// The board as the program brings it up: firmware loaded from the executable's folder, then the
// SST addresses 64 to 95 scanned. Commands address the chip the scan found.

#include "app/command_line.h"
#include "board/address_scan.h"
#include "board/board_library.h"
#include "board/chips.h"
#include "cli/arguments.h"

#include <functional>
#include <memory>
#include <string>

namespace zr::cli {

// What a command did not do when the board failed its read: the stale buffer is no reading.
inline constexpr const char* kNothingPrinted = "nothing was printed";

using ReadRoutine = std::int16_t (*)(DeviceState&, BoardLibrary&);

class BoardSession {
public:
    explicit BoardSession(std::unique_ptr<BoardLibrary> board) : board_(std::move(board)) {}

    // Loads the firmware and scans; throws CliError (board missing) when either fails.
    void start(const std::string& programFolder);

    bool found(Chip chip) const { return found_.found(chip); }
    // Throws CliError unless the scan found the chip: a board fault when the board failed some
    // probe of the scan (the chip may be behind it), chip missing otherwise.
    void require(Chip chip) const;
    // Throws a board-fault CliError, starting with `whatWasNotFound`, when the board failed some
    // probe of the scan.
    void requireCleanScan(const std::string& whatWasNotFound) const;
    // Points CurrentAddress at the chip, as every window does before each routine it calls.
    void select(Chip chip) { selectChip(state_, chip); }
    // Points at the chip and runs one routine. A read the board reports as failed leaves stale
    // bytes, so it throws FailedReadError, naming `readings` and `consequence`, instead.
    void read(Chip chip, ReadRoutine routine, const char* readings,
              const char* consequence = kNothingPrinted);
    int address(Chip chip) const { return chipAddress(state_, chip); }

    DeviceState& state() { return state_; }
    BoardLibrary& board() { return *board_; }

private:
    DeviceState state_;
    std::unique_ptr<BoardLibrary> board_;
    ScanResult found_;
};

using BoardFactory = std::function<std::unique_ptr<BoardLibrary>(const Invocation&)>;

// Checks --board, --scenario, --usb-ids and --device by the program's own rules; throws a usage
// CliError naming the option that does not fit. Returns the board's name, "sim" or "usb".
std::string checkBoardOptions(const Invocation& invocation);

// The board options as the program reads them; throws as checkBoardOptions.
ProgramOptions programOptions(const Invocation& invocation);

// The board those options ask for. Throws a usage CliError for a scenario file it cannot read.
std::unique_ptr<BoardLibrary> makeBoardFromOptions(const Invocation& invocation);

// "A"/"a" or "B"/"b"; anything else is a usage error naming the argument.
Chip parseChip(const std::string& text);

} // namespace zr::cli
