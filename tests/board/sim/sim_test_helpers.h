// SPDX-License-Identifier: MIT
#pragma once

// Shared by the simulated board's tests: raw frames, replies and scenario files on disk.

#include "board/sim/simulated_board.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <vector>

namespace zr::test {

using Reply = std::array<std::uint8_t, 64>;
using Bytes = std::vector<std::uint8_t>;

// One raw SST transaction: a 7-byte frame out, 64 bytes back.
inline Reply rawExchange(sim::SimulatedBoard& board, std::vector<std::uint8_t> frame)
{
    frame.resize(7, 0);
    Reply reply{};
    board.VendorIORequest(SST_VENDOR_REQUEST, 0, 0, kDirectionToBoard, 7, frame.data());
    board.VendorIORequest(SST_VENDOR_REQUEST, 0, 0, kDirectionFromBoard, 64, reply.data());
    return reply;
}

inline std::uint8_t fcsOf(std::vector<std::uint8_t> bytes)
{
    return sim::sstFcs(bytes.data(), bytes.size());
}

inline sim::ChipConfig chip(int address, Chip kind)
{
    sim::ChipConfig c;
    c.address = address;
    c.kind = kind;
    return c;
}

inline sim::Scenario scenarioWith(std::vector<sim::ChipConfig> chips)
{
    sim::Scenario s;
    s.chips = std::move(chips);
    return s;
}

// Writes `content` to `name` in `dir` and returns the full path.
inline QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(content);
    return path;
}

} // namespace zr::test
