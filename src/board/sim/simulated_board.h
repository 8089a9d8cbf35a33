#pragma once

// The simulated evaluation board: SST chips at their addresses answering request 218 as a real
// board carrying SST transactions would, with readings that drift, or fixed by a scenario file.

#include "board/board_library.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace zr::sim {

struct ChipConfig {
    int address = 0;          // 0..127
    char kind = 'A';          // 'A' (ZR410A) or 'B' (ZR410B)
    std::optional<int> deviceId; // 16-bit; default 132 for A, 133 for B
    std::optional<std::array<std::uint16_t, 2>> tempRaw; // internal, external; 1/64 degree
    std::optional<std::array<std::uint16_t, 5>> voltRaw; // 1/1024 V
    std::optional<std::uint16_t> offsetRaw;               // 1/64 degree, two's complement
    bool silent = false;
};

struct Scenario {
    std::vector<ChipConfig> chips;
    bool firmwareLoads = true;
    std::optional<std::int64_t> unplugAfterRequests;
    std::uint32_t seed = 1;

    // One ZR410A at 72 and one ZR410B at 76, drifting readings.
    static Scenario defaults();
};

class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a scenario file (JSON). Throws ScenarioError with "FILE:LINE: problem".
Scenario loadScenarioFile(const QString& path);

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

    std::uint64_t requestCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// CRC-8 with polynomial x^8+x^2+x+1, initial value 0, no reflection: the SST frame check.
std::uint8_t sstFcs(const std::uint8_t* bytes, std::size_t count, std::uint8_t initial = 0);

} // namespace zr::sim
