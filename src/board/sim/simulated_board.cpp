#include "board/sim/simulated_board.h"

namespace zr::sim {

struct SimulatedBoard::Impl {
    Scenario scenario;
};

Scenario Scenario::defaults()
{
    return {};
}

Scenario loadScenarioFile(const QString&)
{
    throw ScenarioError("scenario files are not read yet");
}

SimulatedBoard::SimulatedBoard(Scenario scenario) : d(new Impl{std::move(scenario)}) {}
SimulatedBoard::~SimulatedBoard() = default;

std::int16_t SimulatedBoard::LoadFirmWare(const char*)
{
    return -1;
}

std::int16_t SimulatedBoard::VendorIORequest(std::int16_t, std::int32_t, std::int32_t,
                                             std::int16_t, std::int16_t, std::uint8_t*)
{
    return -1;
}

bool SimulatedBoard::boardLost() const
{
    return false;
}

std::string SimulatedBoard::failureReason() const
{
    return {};
}

std::uint64_t SimulatedBoard::requestCount() const
{
    return 0;
}

std::uint8_t sstFcs(const std::uint8_t*, std::size_t, std::uint8_t initial)
{
    return initial;
}

} // namespace zr::sim
