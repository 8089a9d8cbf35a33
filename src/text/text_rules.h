// SPDX-License-Identifier: MIT
#pragma once

// The number and text conversions every window shares. All of them are locale independent:
// a bench PC set to German still shows and logs "25.25".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zr::text {

// The number a text starts with. Blanks, tabs and line feeds anywhere are ignored; an optional
// sign, digits, a decimal point with fraction and an exponent are read up to the first character
// that cannot continue the number. A text starting with "&h" (either case) is read as hexadecimal.
// A text that does not start with a number gives 0.
double leadingNumber(std::string_view text);

// The value of one hexadecimal digit (either case), or -1 for any other character.
int hexDigitValue(char c);

// Nearest whole number, exact halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double roundHalfEven(double value);

// roundHalfEven, or nothing when the result does not fit a signed 32-bit integer.
std::optional<std::int32_t> roundToInt32(double value);

// Uppercase hexadecimal digits without leading zeros: 0 -> "0", 4564 -> "11D4".
std::string hexText(std::uint32_t value);

// Decimal text of a whole number: "-12", "0", "37".
std::string decimalText(std::int64_t value);

// Decimal text of a single-precision value: at most seven significant digits, no trailing zeros,
// no point for whole values, no zero before the point below 1 (".75", "-.1199951").
std::string decimalText(float value);

// The log file's number text: decimalText with one leading space for values that are not negative.
std::string logNumberText(float value);
std::string logNumberText(std::int32_t value);

// The "0.00" pattern of the graph legends: at least one digit before the point, exactly two after.
std::string fixedTwoDecimals(double value);
// The same pattern with `decimals` places (0 to 6): the statistics' deviation takes one more.
std::string fixedDecimals(double value, int decimals);

// Bytes as UTF-8 text: valid UTF-8 stays as it is, every other byte becomes the character of the
// same number (a log's date written in an 8-bit locale), so that two texts compare as their bytes.
std::string utf8Text(std::string_view bytes);

} // namespace zr::text
