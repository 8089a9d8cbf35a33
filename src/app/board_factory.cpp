// SPDX-License-Identifier: MIT
#include "app/board_factory.h"

#include "board/sim/simulated_board.h"
#include "board/usb/usb_board.h"

namespace zr {

std::unique_ptr<BoardLibrary> makeBoard(const ProgramOptions& options)
{
    if (options.board == "sim") {
        sim::Scenario scenario =
            options.scenarioFile.empty()
                ? sim::Scenario::defaults()
                : sim::loadScenarioFile(QString::fromStdString(options.scenarioFile));
        return std::make_unique<sim::SimulatedBoard>(std::move(scenario));
    }
    usb::UsbBoardOptions usbOptions;
    usbOptions.ids = options.usbIds.value_or(usb::UsbIds{});
    usbOptions.portPath = options.devicePort;
    if (options.usbTimeoutMs)
        usbOptions.transferTimeout = std::chrono::milliseconds(*options.usbTimeoutMs);
    return std::make_unique<usb::UsbBoard>(usbOptions);
}

} // namespace zr

namespace zr {

std::string boardLabel(const BoardLibrary& board)
{
    if (const auto* usbBoard = dynamic_cast<const usb::UsbBoard*>(&board))
        return usbBoard->portPath();
    return "sim";
}

} // namespace zr
