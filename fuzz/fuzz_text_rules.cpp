// SPDX-License-Identifier: MIT
// The text rules on any text and any number: the leading number of a text, and every formatter
// with any float or double (infinities, NaNs and subnormals included).

#include "console/entry_rules.h"
#include "fuzz_support.h"
#include "text/text_rules.h"

#include <cmath>
#include <cstring>
#include <string_view>

using namespace zr;

namespace {

bool onlyNumberCharacters(const std::string& s)
{
    return s.find_first_not_of("0123456789+-.EINFAinfa ") == std::string::npos && !s.empty();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double leading = text::leadingNumber(text);
    fuzz::require(!std::isnan(leading), "a leading number is never NaN");
    text::roundHalfEven(leading);
    if (const auto whole = text::roundToInt32(leading))
        fuzz::require(std::abs(*whole - leading) <= 0.5, "rounding moves at most a half");
    entry::offsetEntry(text);
    entry::wholeNumberEntry("Field", text, -1000, 1000);

    // The same bytes as a double, a float and whole numbers.
    double d = 0;
    float f = 0;
    std::int64_t i64 = 0;
    std::memcpy(&d, data, std::min(size, sizeof d));
    std::memcpy(&f, data, std::min(size, sizeof f));
    std::memcpy(&i64, data, std::min(size, sizeof i64));

    const std::string two = text::fixedTwoDecimals(d);
    fuzz::require(onlyNumberCharacters(two), "two decimals: number text");
    if (std::isfinite(d))
        fuzz::require(two.size() >= 4 && two[two.size() - 3] == '.', "two decimals: d.dd");
    fuzz::require(onlyNumberCharacters(text::decimalText(f)), "decimal text of a float");
    fuzz::require(onlyNumberCharacters(text::logNumberText(f)), "log text of a float");
    fuzz::require(onlyNumberCharacters(text::logNumberText(static_cast<std::int32_t>(i64))),
                  "log text of a whole number");
    fuzz::require(onlyNumberCharacters(text::decimalText(i64)), "decimal text of a whole number");
    fuzz::require(text::hexText(static_cast<std::uint32_t>(i64)).size() <= 8, "hex text");
    return 0;
}
