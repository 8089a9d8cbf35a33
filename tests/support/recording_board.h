// SPDX-License-Identifier: MIT
#pragma once

// A board that records every request and answers reads from a script: the exact bytes a routine
// sends, and the exact reply it decodes.

#include "board/board_library.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace zr::test {

struct RecordedRequest {
    std::int16_t request = 0;
    std::int32_t value = 0;
    std::int32_t index = 0;
    std::int16_t direction = 0;
    std::int16_t length = 0;
    std::vector<std::uint8_t> sent; // the bytes handed over with direction 0
};

class RecordingBoard : public BoardLibrary {
public:
    using Reply = std::array<std::uint8_t, 64>;

    std::int16_t LoadFirmWare(const char* path) override;
    std::int16_t VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                 std::int16_t direction, std::int16_t length,
                                 std::uint8_t* buffer) override;
    bool boardLost() const override;
    bool boardNotResponding() const override;
    std::string failureReason() const override;

    // A reply for the next read; without one, reads answer `defaultReply`.
    void queueReply(const Reply& reply) { replies.push_back(reply); }
    // Builds a reply from the bytes given, the rest 0.
    static Reply reply(std::initializer_list<std::uint8_t> bytes);
    // Computes each read's reply from the frame last sent.
    std::function<Reply(const std::vector<std::uint8_t>& frame)> responder;

    std::vector<RecordedRequest> requests;
    std::vector<std::string> firmwarePaths;
    std::deque<Reply> replies;
    Reply defaultReply{};
    std::int16_t firmwareResult = 0;
    std::int16_t requestResult = 64;
    // The first this many requests succeed whatever requestResult says (the start-up scan: 64).
    int goodRequests = 0;
    // requestResult holds for reads only: every frame goes out.
    bool onlyReadsFail = false;
    bool lost = false;
    bool notResponding = false; // lost because it stopped answering
    std::string reason;
    // After this many requests the board reports itself lost (-1: never).
    int loseAfterRequests = -1;
    // The program's board belongs to its board worker: a call on the user-interface thread (the
    // test's own) fails the running test.
    bool refuseUserInterfaceThread = false;
    // Each request waits this long first, as a transfer on a real bus does.
    std::chrono::microseconds latency{0};

private:
    void checkThread() const;
};

} // namespace zr::test
