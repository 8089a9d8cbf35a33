// SPDX-License-Identifier: MIT
#pragma once

// A single-precision reading as the number its decimal text says: 25.12, not the 25.1200008 the
// float holds. Logs, the tool's JSON and Python give readings this way, so each shows the figure
// the windows show.

namespace zr::text {

double decimalValue(float value);

} // namespace zr::text
