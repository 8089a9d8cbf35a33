// SPDX-License-Identifier: MIT
#include "text/text_rules.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace zr::text {
namespace {

bool isIgnoredBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

double readHex(std::string_view digits)
{
    double value = 0;
    for (char c : digits) {
        const int d = hexDigitValue(c);
        if (d < 0)
            break;
        value = value * 16 + d;
    }
    return value;
}

// Reads sign, digits, point, fraction and exponent from a text without blanks.
double readDecimal(std::string_view s)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';

    std::string number;
    bool anyDigit = false;
    while (i < s.size() && isDigit(s[i])) {
        number += s[i++];
        anyDigit = true;
    }
    if (i < s.size() && s[i] == '.') {
        number += s[i++];
        while (i < s.size() && isDigit(s[i])) {
            number += s[i++];
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0;
    // An exponent counts only when at least one digit follows its letter and sign.
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            exponent += s[j++];
        if (j < s.size() && isDigit(s[j])) {
            while (j < s.size() && isDigit(s[j]))
                exponent += s[j++];
            number += exponent;
        }
    }
    if (number.front() == '.')
        number.insert(number.begin(), '0');

    double value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
        // Either far too large or far too small: decide by the exponent's sign.
        const bool tiny = number.find("e-") != std::string::npos;
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
}

} // namespace

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

double leadingNumber(std::string_view text)
{
    std::string compact;
    compact.reserve(text.size());
    for (char c : text)
        if (!isIgnoredBlank(c))
            compact += c;

    if (compact.size() >= 2 && compact[0] == '&' && (compact[1] == 'h' || compact[1] == 'H'))
        return readHex(std::string_view(compact).substr(2));
    return readDecimal(compact);
}

double roundHalfEven(double value)
{
    // nearbyint follows the current rounding mode, which is round-to-nearest-even by default.
    return std::nearbyint(value);
}

std::optional<std::int32_t> roundToInt32(double value)
{
    const double r = roundHalfEven(value);
    if (!(r >= std::numeric_limits<std::int32_t>::min() &&
          r <= std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(r);
}

std::string hexText(std::uint32_t value)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", value);
    return buf;
}

std::string decimalText(std::int64_t value)
{
    return std::to_string(value);
}

std::string decimalText(float value)
{
    if (value == 0.0f)
        return "0"; // also for -0
    // to_chars is "%.7G" without the C library's locale: a comma-decimal LC_NUMERIC must not
    // put "25,25" into a comma-separated log.
    char buf[40];
    const auto written = std::to_chars(buf, buf + sizeof buf, static_cast<double>(value),
                                       std::chars_format::general, 7);
    std::string s(buf, written.ptr);
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (s.rfind("0.", 0) == 0)
        s.erase(0, 1);
    else if (s.rfind("-0.", 0) == 0)
        s.erase(1, 1);
    return s;
}

std::string logNumberText(float value)
{
    std::string s = decimalText(value);
    return s.front() == '-' ? s : " " + s;
}

std::string logNumberText(std::int32_t value)
{
    return value < 0 ? decimalText(std::int64_t{value}) : " " + decimalText(std::int64_t{value});
}

std::string fixedDecimals(double value, int decimals)
{
    // The decimal the rest of the program shows (seven significant digits, as decimalText and the
    // log), rounded to `decimals` places with halves away from zero: a legend never contradicts the
    // log for a reading such as 2.495, whose nearest single-precision value lies just below it.
    decimals = std::clamp(decimals, 0, 6);
    if (!(std::abs(value) < 1e12)) {
        // Whole magnitudes this large have nothing left to round: every digit written out.
        // Room for the largest double written in full: 309 digits, sign, point and decimals.
        char big[320];
        const auto written =
            std::to_chars(big, big + sizeof big, value, std::chars_format::fixed, decimals);
        if (written.ec != std::errc())
            return "?"; // cannot happen with this buffer; never hand out unwritten bytes
        return std::string(big, written.ptr);
    }
    // Legends format several readings on every tick: no stream and no printf.
    char buf[64];
    const auto written =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 6);
    const char* const e = std::find(buf, written.ptr, 'e'); // "-2.495000e+00"
    long long digits = 0;
    for (const char* c = buf; c != e; ++c)
        if (*c >= '0' && *c <= '9')
            digits = digits * 10 + (*c - '0');
    int exponent = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), written.ptr, exponent);
    const int shift = exponent - 6 + decimals; // digits * 10^shift units of the last place
    long long units = 0;
    if (shift >= 0) {
        units = digits;
        for (int i = 0; i < shift; ++i)
            units *= 10;
    } else if (shift > -18) {
        long long divisor = 1;
        for (int i = 0; i < -shift; ++i)
            divisor *= 10;
        units = (digits + divisor / 2) / divisor;
    }
    long long scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    const bool negative = value < 0 && units != 0; // no "-0.00": zero has no sign
    char whole[24];
    const auto wholeEnd = std::to_chars(whole, whole + sizeof whole, units / scale).ptr;
    std::string text;
    if (negative)
        text += '-';
    text.append(whole, wholeEnd);
    if (decimals == 0)
        return text;
    text += '.';
    long long fraction = units % scale;
    std::string fractionText(static_cast<std::size_t>(decimals), '0');
    for (int i = decimals - 1; i >= 0; --i, fraction /= 10)
        fractionText[static_cast<std::size_t>(i)] = static_cast<char>('0' + fraction % 10);
    return text + fractionText;
}

std::string fixedTwoDecimals(double value)
{
    return fixedDecimals(value, 2);
}

namespace {

// The length of the UTF-8 sequence at `at`, or 0 when the bytes there are not one.
std::size_t utf8SequenceAt(std::string_view bytes, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, code = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, code = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, code = lead & 0x07;
    else
        return 0;
    if (at + length > bytes.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (byte(at + i) & 0x3F);
    }
    // No overlong forms, no surrogates, nothing past U+10FFFF.
    if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

std::string utf8Text(std::string_view bytes)
{
    std::string text;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = utf8SequenceAt(bytes, at);
        if (length > 0) {
            text += bytes.substr(at, length);
            at += length;
            continue;
        }
        const auto byte = static_cast<unsigned char>(bytes[at++]);
        text += static_cast<char>(0xC0 | byte >> 6);
        text += static_cast<char>(0x80 | (byte & 0x3F));
    }
    return text;
}

} // namespace zr::text
