// SPDX-License-Identifier: MIT
#include "console/entry_rules.h"

#include "board/sst_stuff.h"
#include "text/text_rules.h"

#include <cmath>

namespace zr::entry {
namespace {

std::string withoutBlanks(std::string_view text)
{
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n')
            s += c;
    return s;
}

// The value as the user should recognise it: the plain number when that is what was typed,
// otherwise the text together with what it rounds to.
std::string shownValue(std::string_view text, double rounded)
{
    const std::string quoted = "\"" + std::string(text) + "\"";
    if (!std::isfinite(rounded) || std::fabs(rounded) >= 1e15)
        return quoted + " is out of range";
    const std::string number = text::decimalText(static_cast<std::int64_t>(rounded));
    if (withoutBlanks(text) == number)
        return number;
    return quoted + " gives " + number;
}

} // namespace

Checked<std::int32_t> wholeNumberEntry(std::string_view field, std::string_view text,
                                       std::int32_t min, std::int32_t max)
{
    const double rounded = text::roundHalfEven(text::leadingNumber(text));
    if (rounded >= min && rounded <= max)
        return static_cast<std::int32_t>(rounded);
    return Refusal{std::string(field) + ": " + shownValue(text, rounded) + "; allowed are " +
                   text::decimalText(std::int64_t{min}) + " to " +
                   text::decimalText(std::int64_t{max}) + "."};
}

Checked<std::int32_t> offsetEntry(std::string_view text)
{
    return wholeNumberEntry("External Offset", text, SSTStuff::kMinOffset, SSTStuff::kMaxOffset);
}

} // namespace zr::entry
