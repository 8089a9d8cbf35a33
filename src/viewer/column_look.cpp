// SPDX-License-Identifier: MIT
#include "viewer/column_look.h"

#include "board/rails.h"
#include "graphs/graph_chart_setup.h"

namespace zr::viewer {

ColumnLook columnLook(const std::string& column)
{
    for (const RailDescriptor& rail : kRails)
        if (column == rail.name)
            return {QColor(rail.colour.red, rail.colour.green, rail.colour.blue),
                    ValueFamily::Voltage};
    if (column == "Internal")
        return {kInternalColour, ValueFamily::Temperature};
    if (column == "External")
        return {kExternalColour, ValueFamily::Temperature};
    // The offset has no live graph; a colour apart from the two temperatures'.
    return {kDarkGreen, ValueFamily::Temperature};
}

QString unitOf(ValueFamily family)
{
    return family == ValueFamily::Voltage ? QStringLiteral("V") : QStringLiteral("°C");
}

} // namespace zr::viewer
