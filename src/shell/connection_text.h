// SPDX-License-Identifier: MIT
#pragma once

// The status bar's permanent account of what the program talks to: the board, then the chips the
// start-up scan found and where, or since when and why the board is gone.

#include "board/address_scan.h"
#include "board/device_state.h"

#include <QString>

namespace zr {

// "ZR410A at 72, ZR410B at 76", "ZR410B at 76", or "No chip answered at 64–95".
QString chipsFoundText(const ScanResult& found, const DeviceState& state);

// "Simulated board: ZR410A at 72, ZR410B at 76".
QString connectionText(const QString& boardDescription, const ScanResult& found,
                       const DeviceState& state);

// "USB board 1-4.2: lost at 10:41:03 (no device)", "Simulated board: not responding since
// 10:41:03 (the board did not answer within 250 ms)". No chip is claimed: none can be reached.
QString lostBoardText(const QString& boardDescription, bool notResponding, const QString& time,
                      const QString& reason);

} // namespace zr
