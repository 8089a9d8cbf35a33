// SPDX-License-Identifier: MIT
#pragma once

// The status bar's permanent account of what the program talks to: the board, then the chips the
// start-up scan found and where.

#include "board/address_scan.h"
#include "board/device_state.h"

#include <QString>

namespace zr {

// "ZR410A at 72, ZR410B at 76", "ZR410B at 76", or "No chip answered at 64–95".
QString chipsFoundText(const ScanResult& found, const DeviceState& state);

// "Simulated board: ZR410A at 72, ZR410B at 76".
QString connectionText(const QString& boardDescription, const ScanResult& found,
                       const DeviceState& state);

} // namespace zr
