// SPDX-License-Identifier: MIT
#include "cli/board_session.h"

#include "app/board_factory.h"
#include "app/command_line.h"
#include "board/board_lost_error.h"
#include "board/failed_read.h"
#include "board/usb_stuff.h"
#include "cli/exit_status.h"

#include <cctype>

namespace zr::cli {

void BoardSession::start(const std::string& programFolder)
{
    std::string reason;
    if (USBStuff::LoadBoardFirmware(state_, *board_, programFolder, &reason) < 0)
        throw CliError(kExitBoardMissing,
                       std::string(USBStuff::kBoardNotFoundMessage) +
                           (reason.empty() ? "" : "\n" + reason),
                       reason);
    found_ = ScanForChips(state_, *board_);
}

void BoardSession::requireCleanScan(const std::string& whatWasNotFound) const
{
    if (found_.failedProbes == 0)
        return;
    throw CliError(kExitBoardMissing,
                   whatWasNotFound + ": the board failed " + std::to_string(found_.failedProbes) +
                       " of the " + std::to_string(kLastScanAddress - kFirstScanAddress + 1) +
                       " probes of the scan for chips (" + found_.failureReason + ").",
                   found_.failureReason);
}

void BoardSession::read(Chip chip, ReadRoutine routine, const char* readings,
                        const char* consequence)
{
    select(chip);
    requireSuccessfulRead(routine(state_, *board_), *board_, chip, readings, consequence);
}

void BoardSession::require(Chip chip) const
{
    if (found(chip))
        return;
    // A chip behind a failed probe may be there: that is the board's fault, not the chip's.
    requireCleanScan(std::string(chipName(chip)) + " was not found");
    throw CliError(kExitChipMissing, std::string(chipName(chip)) +
                                         " did not answer at SST addresses " +
                                         std::to_string(kFirstScanAddress) + " to " +
                                         std::to_string(kLastScanAddress) + ".");
}

ProgramOptions programOptions(const Invocation& inv)
{
    const ParsedCommandLine parsed = parseCommandLine(inv.boardArguments);
    if (!parsed.options)
        throw usageError(parsed.error);
    return *parsed.options;
}

std::string checkBoardOptions(const Invocation& inv)
{
    return programOptions(inv).board;
}

std::unique_ptr<BoardLibrary> makeBoardFromOptions(const Invocation& inv)
{
    const ProgramOptions options = programOptions(inv);
    try {
        return makeBoard(options);
    } catch (const std::exception& e) {
        throw usageError(std::string("--scenario: ") + e.what());
    }
}

Chip parseChip(const std::string& text)
{
    std::string letters;
    for (const ChipDescriptor& chip : kChips) {
        const std::string letter = chip.letter;
        if (text.size() == 1 && std::toupper(static_cast<unsigned char>(text[0])) == letter[0])
            return chip.chip;
        letters += (letters.empty() ? "" : " or ") + letter;
    }
    throw usageError("unknown chip '" + text + "' (use " + letters + ")");
}

} // namespace zr::cli
