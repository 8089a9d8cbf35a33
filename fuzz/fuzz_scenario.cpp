// SPDX-License-Identifier: MIT
// The scenario reader on any text, and the simulated board it builds, driven through a start-up
// scan and every routine, as the program and the tool would drive it.

#include "board/address_scan.h"
#include "board/board_lost_error.h"
#include "board/sim/simulated_board.h"
#include "board/sst_stuff.h"
#include "fuzz_support.h"

using namespace zr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    sim::Scenario scenario;
    try {
        scenario = sim::readScenario("fuzz.json", text);
    } catch (const sim::ScenarioError& refused) {
        fuzz::require(QByteArray(refused.what()).startsWith("fuzz.json:"), "names the file");
        return 0;
    }
    sim::SimulatedBoard board(scenario);
    if (board.LoadFirmWare(ZR_FUZZ_FIRMWARE_FILE) < 0)
        return 0;
    DeviceState s;
    try {
        const ScanResult found = ScanForChips(s, board);
        for (const ChipDescriptor& described : kChips) {
            const Chip chip = described.chip;
            if (!found.found(chip))
                continue;
            fuzz::require(chipAddress(s, chip) >= kFirstScanAddress &&
                              chipAddress(s, chip) <= kLastScanAddress,
                          "a chip found lies in the scanned range");
            selectChip(s, chip);
            SSTStuff::SSTGetDIB(s, board);
            SSTStuff::SSTGetTemperatures(s, board);
            SSTStuff::SSTGetVoltages(s, board);
            SSTStuff::SSTSetExtOffset(s, board, -5);
            SSTStuff::SSTGetExtOffset(s, board);
            SSTStuff::SSTPing(s, board);
        }
    } catch (const BoardLostError&) {
        fuzz::require(board.boardLost(), "lost only when unplugged");
    }
    return 0;
}
