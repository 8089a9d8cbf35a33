// SPDX-License-Identifier: MIT
#pragma once

// Runs the tool in the test's own process, on a scripted board, and captures what it prints.

#include "board/address_scan.h"
#include "cli/cli_app.h"
#include "support/recording_board.h"

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace zr::test {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
    bool boardOpened = false;
};

// Chip A at `addressA` and chip B at `addressB` answer the scan (0: that chip is missing);
// every other request reads a zero reply.
inline void answerScan(RecordingBoard& board, int addressA = 72, int addressB = 76)
{
    board.responder = [addressA, addressB](const std::vector<std::uint8_t>& frame) {
        RecordingBoard::Reply r{};
        if (frame.size() >= 4 && frame[3] == 247) {
            r[16] = frame[0];
            if (frame[0] == addressA)
                r[5] = static_cast<std::uint8_t>(chipInfo(Chip::A).deviceId);
            else if (frame[0] == addressB)
                r[5] = static_cast<std::uint8_t>(chipInfo(Chip::B).deviceId);
            else
                r[16] = 0;
        }
        return r;
    };
}

// Hands the tool a board the test keeps, so that its requests can be looked at afterwards.
class BorrowedBoard : public BoardLibrary {
public:
    explicit BorrowedBoard(BoardLibrary& board) : board_(board) {}
    std::int16_t LoadFirmWare(const char* path) override { return board_.LoadFirmWare(path); }
    std::int16_t VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                 std::int16_t direction, std::int16_t length,
                                 std::uint8_t* buffer) override
    {
        return board_.VendorIORequest(request, value, index, direction, length, buffer);
    }
    bool boardLost() const override { return board_.boardLost(); }
    bool boardNotResponding() const override { return board_.boardNotResponding(); }
    std::string failureReason() const override { return board_.failureReason(); }

private:
    BoardLibrary& board_;
};

// `board` may be null: then opening the board fails the run with a note in `err`.
inline CliRun runCliInProcess(const std::vector<std::string>& args, RecordingBoard* board)
{
    CliRun run;
    std::ostringstream out, err;
    cli::CliEnvironment env;
    env.programFolder = "/opt/zr410ab";
    env.makeBoard = [&](const cli::Invocation&) -> std::unique_ptr<BoardLibrary> {
        run.boardOpened = true;
        if (!board)
            throw std::logic_error("the board was opened");
        return std::make_unique<BorrowedBoard>(*board);
    };
    try {
        run.status = cli::runCli(args, out, err, env);
    } catch (const std::logic_error& e) {
        err << e.what();
    }
    run.out = out.str();
    run.err = err.str();
    return run;
}

} // namespace zr::test
