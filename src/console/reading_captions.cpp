// SPDX-License-Identifier: MIT
#include "console/reading_captions.h"

#include "text/text_rules.h"

namespace zr::captions {

const std::array<DibField, 8> kDibFields{{
    {"Device Capability",
     [](const DeviceState& s) -> std::uint32_t { return s.DibDeviceCapability; }},
    {"Version/Revision",
     [](const DeviceState& s) -> std::uint32_t { return s.DibVersionRevision; }},
    {"Vendor ID", [](const DeviceState& s) -> std::uint32_t { return s.DibVendorId; }},
    {"Device ID", [](const DeviceState& s) -> std::uint32_t { return s.DibDeviceId; }},
    {"Device Interface",
     [](const DeviceState& s) -> std::uint32_t { return s.DibDeviceInterface; }},
    {"Function Interface",
     [](const DeviceState& s) -> std::uint32_t { return s.DibFunctionInterface; }},
    {"Client Address", [](const DeviceState& s) -> std::uint32_t { return s.DibClientAddress; }},
    {"Silicon Revision ID",
     [](const DeviceState& s) -> std::uint32_t { return s.DibSiliconRevision; }},
}};

std::string hex(std::uint32_t value)
{
    return "0x" + text::hexText(value);
}

std::string temperature(float celsius)
{
    return text::decimalText(celsius) + "\xC2\xB0"
                                        "C";
}

} // namespace zr::captions
