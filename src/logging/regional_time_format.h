// SPDX-License-Identifier: MIT
#pragma once

// Internal to regional_time.cpp, open to its tests.

#include <QString>

namespace zr::logging {

// A Qt time format that shows the seconds: "HH:mm" -> "HH:mm:ss", "H.mm" -> "H.mm.ss",
// "h:mm AP" -> "h:mm:ss AP"; a format that has seconds, or no minutes, is returned as it is.
QString timeFormatWithSeconds(const QString& format);

} // namespace zr::logging
