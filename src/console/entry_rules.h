// SPDX-License-Identifier: MIT
#pragma once

// Whole-number entries of the settings windows and the command-line tool: a text is read by the
// leading-number rule, rounded with halves to even, then checked against the field's range.

#include "console/checked_entry.h"

#include <cstdint>
#include <string_view>

namespace zr::entry {

// The rounded leading number of `text` if it lies in min..max; otherwise a refusal that says
// "<field>: <value>; allowed are <min> to <max>."
Checked<std::int32_t> wholeNumberEntry(std::string_view field, std::string_view text,
                                       std::int32_t min, std::int32_t max);

// The external offset to write, whole degrees: -512..1023 fit the register (512..1023 write the
// same value as the number minus 1024).
Checked<std::int32_t> offsetEntry(std::string_view text);

} // namespace zr::entry
