// SPDX-License-Identifier: MIT
#include "text/decimal_value.h"

#include "text/text_rules.h"

#include <charconv>
#include <string>

namespace zr::text {

double decimalValue(float value)
{
    const std::string text = decimalText(value);
    double number = 0;
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

} // namespace zr::text
