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
    return std::make_unique<usb::UsbBoard>(options.usbIds.value_or(usb::UsbIds{}));
}

} // namespace zr
