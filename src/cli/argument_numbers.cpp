// SPDX-License-Identifier: MIT
#include "cli/argument_numbers.h"

#include "cli/exit_status.h"
#include "text/text_rules.h"

#include <charconv>

namespace zr::cli {

std::optional<std::int64_t> wholeDecimal(std::string_view text)
{
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '+' || negative))
        text.remove_prefix(1);
    // from_chars takes no sign of its own here, so "--5" and "+-5" stay refused.
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    constexpr std::uint64_t kLargest = static_cast<std::uint64_t>(INT64_MAX);
    if (magnitude > kLargest + (negative ? 1 : 0))
        return std::nullopt;
    if (negative)
        return magnitude == kLargest + 1 ? INT64_MIN : -static_cast<std::int64_t>(magnitude);
    return static_cast<std::int64_t>(magnitude);
}

std::optional<std::uint8_t> hexByte(std::string_view text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    if (text.empty() || text.size() > 2)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        const int digit = text::hexDigitValue(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + digit;
    }
    return static_cast<std::uint8_t>(value);
}

std::int64_t wholeInRange(const std::string& name, const std::string& text, std::int64_t lowest,
                          std::int64_t highest)
{
    const std::optional<std::int64_t> value = wholeDecimal(text);
    if (!value || *value < lowest || *value > highest)
        throw usageError(name + ": '" + text + "' is not a whole number from " +
                         std::to_string(lowest) + " to " + std::to_string(highest));
    return *value;
}

} // namespace zr::cli
