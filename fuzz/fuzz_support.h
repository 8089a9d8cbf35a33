// SPDX-License-Identifier: MIT
#pragma once

// Shared by the fuzz targets: a board that answers every read with bytes the fuzzer chose, and a
// check that stops the run with a message when a property does not hold.

#include "board/board_library.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

namespace zr::fuzz {

// Aborts, so that libFuzzer saves the input, when `holds` is false.
inline void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

// Every read returns `reply` (zero-padded to the length asked for); writes are taken.
class ReplyBoard : public BoardLibrary {
public:
    explicit ReplyBoard(std::span<const std::uint8_t> reply) : reply_(reply) {}
    std::int16_t LoadFirmWare(const char*) override { return 0; }
    std::int16_t VendorIORequest(std::int16_t, std::int32_t, std::int32_t, std::int16_t direction,
                                 std::int16_t length, std::uint8_t* buffer) override
    {
        if (direction == kDirectionToBoard)
            std::copy_n(buffer, std::min<std::size_t>(length, lastFrame.size()), lastFrame.begin());
        if (direction == kDirectionFromBoard) {
            std::fill(buffer, buffer + length, std::uint8_t{0});
            std::copy_n(reply_.begin(), std::min<std::size_t>(reply_.size(), length), buffer);
        }
        return length;
    }
    bool boardLost() const override { return false; }
    std::string failureReason() const override { return {}; }

    std::array<std::uint8_t, 7> lastFrame{}; // the last request frame handed over

private:
    std::span<const std::uint8_t> reply_;
};

} // namespace zr::fuzz
