// SPDX-License-Identifier: MIT
#pragma once

// The simulated evaluation board: SST chips at their addresses answering request 218 as a real
// board carrying SST transactions would, with readings that drift, or fixed by a scenario file.
//
// How it answers:
// - Direction 0, length 7 hands over a request frame (address, write length, read length, four
//   write bytes); the transaction runs at once and its reply waits for the next read. Only four
//   write bytes travel, so with a write length above 4 the board clocks out 0 for the rest.
// - Direction 1, length 64 returns the reply: the chip's write-phase FCS (over address, both
//   lengths and the write bytes), then read-length data bytes, then the read-phase FCS (over the
//   data), the rest 0, cut off at 64 bytes. A read that has no frame before it, an address without
//   a chip and a silent chip read as an idle bus: 64 bytes of 0xFF.
// - Any other request, direction or length fails with a negative result and leaves the buffer
//   alone. Requests are served whether or not firmware was loaded.
// - Chip commands: 247 identifier block (16 bytes), 0 temperatures (internal, external; 1/64
//   degree), 16 rails (ZR410B only; 12V, 5V, Vcc, 2.5V, Vccp in 1/1024 V, then 6 zero bytes), 224
//   external offset: write length 3 stores the two write bytes, any other write length reads it.
//   The offset register is added to the external reading, fixed or drifting. Other commands, a
//   write length of 0 and rails asked of a ZR410A return zero data with proper FCS bytes. Data
//   is cut or padded with 0 to the read length asked for.

#include "board/board_library.h"
#include "board/chips.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace zr::sim {

struct ChipConfig {
    int address = 0; // 0..127
    Chip kind = Chip::A;
    std::optional<int> deviceId;                         // 16-bit; default the kind's own id
    std::optional<std::array<std::uint16_t, 2>> tempRaw; // internal, external; 1/64 degree
    std::optional<std::array<std::uint16_t, 5>> voltRaw; // 1/1024 V
    std::optional<std::uint16_t> offsetRaw;              // 1/64 degree, two's complement; 0
    bool silent = false;
    // What the identifier block gives as client address; the chip's own address if unset. A
    // mismatch models a chip the start-up scan must not take.
    std::optional<int> clientAddress;
};

struct Scenario {
    std::vector<ChipConfig> chips;
    bool firmwareLoads = true;
    // After this many vendor requests the cable is pulled: later requests fail, boardLost() is
    // true.
    std::optional<std::int64_t> unplugAfterRequests;
    // After such an unplug, whether a later LoadFirmWare finds the board again (the unplug does not
    // repeat) or keeps failing with "no board found".
    bool replugOnLoad = false;
    std::uint32_t seed = 1; // drives the drifting readings; same seed and requests, same readings

    // One ZR410A at 72 and one ZR410B at 76, drifting readings.
    static Scenario defaults();
};

class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a scenario file (JSON):
//   { "chips": [ { "address": 72, "kind": "A", "deviceId": 132, "tempRaw": [1600, 1984],
//                  "voltRaw": [12288, 5120, 3379, 2560, 1229], "offsetRaw": 0, "silent": false,
//                  "clientAddress": 72 } ],
//     "firmwareLoads": true, "unplugAfterRequests": 100, "replugOnLoad": false, "seed": 7,
//     "description": "free text" }
// Only "chips" and each chip's "address" and "kind" are required; "voltRaw" needs kind "B".
// Throws ScenarioError with "FILE:LINE: problem" (just "FILE: problem" when it cannot be read).
Scenario loadScenarioFile(const QString& path);

// A scenario is a few KiB; a bigger file is not one, and must not fill the memory.
inline constexpr qsizetype kMaxScenarioBytes = 1024 * 1024;

// The text of a scenario file. Throws ScenarioError for anything but a regular file of at most
// kMaxScenarioBytes (a device such as /dev/zero, a FIFO, a folder) or one that cannot be read.
QByteArray readScenarioText(const QString& path);

// A scenario from its JSON text; `path` names it in the messages.
Scenario readScenario(const QString& path, const QByteArray& text);

class SimulatedBoard : public BoardLibrary {
public:
    explicit SimulatedBoard(Scenario scenario = Scenario::defaults());
    ~SimulatedBoard() override;

    std::int16_t LoadFirmWare(const char* path) override;
    std::int16_t VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                 std::int16_t direction, std::int16_t length,
                                 std::uint8_t* buffer) override;
    bool boardLost() const override;
    std::string failureReason() const override;
    std::string description() const override { return "Simulated board"; }

    // Every VendorIORequest call, failed ones included.
    std::uint64_t requestCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// CRC-8 with polynomial x^8+x^2+x+1, initial value 0, no reflection: the SST frame check.
std::uint8_t sstFcs(const std::uint8_t* bytes, std::size_t count, std::uint8_t initial = 0);

} // namespace zr::sim
