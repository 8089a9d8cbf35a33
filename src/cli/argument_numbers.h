// SPDX-License-Identifier: MIT
#pragma once

// Numbers typed on the tool's command line, read whole. The windows read the leading number of a
// field, which suits a person watching the result; a script that passes "five", "" or "0x10" must
// get a refusal naming that text, never a 0 sent to the chip.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zr::cli {

// An optional sign and decimal digits, nothing else: "-5", "+12", "250". Nothing for "", " 5",
// "5.0", "1e3", "0x10", "nan" or a value beyond 64 bits.
std::optional<std::int64_t> wholeDecimal(std::string_view text);

// One or two hexadecimal digits, either case, optionally after "0x" or "0X": "F7", "e0", "0x1f".
std::optional<std::uint8_t> hexByte(std::string_view text);

// A whole decimal number from `lowest` to `highest`; otherwise a usage CliError
// "NAME: 'TEXT' is not a whole number from LOWEST to HIGHEST".
std::int64_t wholeInRange(const std::string& name, const std::string& text, std::int64_t lowest,
                          std::int64_t highest);

} // namespace zr::cli
