#include "cli/reading_text.h"

#include "text/text_rules.h"

namespace zr::cli {

std::string temperatureText(float celsius)
{
    return text::decimalText(celsius) + "°C";
}

std::array<DibRow, 8> dibRows(const DeviceState& s)
{
    return {{
        {"Device Capability", "deviceCapability", s.DibDeviceCapability},
        {"Version/Revision", "versionRevision", s.DibVersionRevision},
        {"Vendor ID", "vendorId", s.DibVendorId},
        {"Device ID", "deviceId", s.DibDeviceId},
        {"Device Interface", "deviceInterface", s.DibDeviceInterface},
        {"Function Interface", "functionInterface", s.DibFunctionInterface},
        {"Silicon Revision ID", "siliconRevisionId", s.DibSiliconRevision},
        {"Client Address", "clientAddress", s.DibClientAddress},
    }};
}

std::string dibValueText(std::int32_t value)
{
    return "0x" + text::hexText(static_cast<std::uint32_t>(value));
}

} // namespace zr::cli
