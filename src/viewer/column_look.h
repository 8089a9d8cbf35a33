// SPDX-License-Identifier: MIT
#pragma once

// How a log's column is drawn: in the colour the graph windows give that reading, on the chart of
// its unit. Temperatures and the offset share degrees; the rails share volts.

#include <QColor>
#include <QString>
#include <string>

namespace zr::viewer {

enum class ValueFamily { Temperature, Voltage };

struct ColumnLook {
    QColor colour;
    ValueFamily family = ValueFamily::Temperature;
};

ColumnLook columnLook(const std::string& column);

// "°C" or "V".
QString unitOf(ValueFamily family);

} // namespace zr::viewer
