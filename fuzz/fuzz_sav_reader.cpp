// SPDX-License-Identifier: MIT
// The log reader on any bytes, in both modes: neither crashes nor reads past the text, the two
// modes agree (partial stops exactly where strict refuses, with every record before it), and
// every column holds one value per record. Then the writer's own text of readings made from the
// same bytes: always accepted, each value read to the double of the text written.

#include "fuzz_support.h"
#include "logging/log_format.h"
#include "logging/sav_reader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>

using namespace zr;
using namespace zr::logging;

namespace {

std::optional<SavLog> tryRead(std::string_view text, SavMode mode, SavProblem& problem)
{
    try {
        return readSav(text, mode);
    } catch (const SavFormatError& e) {
        problem = e.problem();
        return std::nullopt;
    }
}

void requireWhole(const SavLog& log)
{
    for (const SavColumn& column : log.columns)
        fuzz::require(static_cast<std::int64_t>(column.whole ? column.wholes.size()
                                                             : column.reals.size()) == log.records,
                      "one value per record in every column");
}

void bothModes(std::string_view text)
{
    SavProblem strictProblem, partialProblem;
    const auto strict = tryRead(text, SavMode::Strict, strictProblem);
    const auto partial = tryRead(text, SavMode::Partial, partialProblem);
    if (strict) {
        requireWhole(*strict);
        fuzz::require(partial && !partial->problem && partial->records == strict->records,
                      "a whole log reads the same in both modes");
        return;
    }
    fuzz::require(strictProblem.line >= 1 && !strictProblem.reason.empty(),
                  "a refusal names a line and a reason");
    if (strictProblem.line <= 3) {
        fuzz::require(!partial && partialProblem.line == strictProblem.line,
                      "a broken header is refused in both modes");
        return;
    }
    fuzz::require(partial && partial->problem, "partial reads a log with a whole header");
    requireWhole(*partial);
    fuzz::require(partial->problem->line == strictProblem.line &&
                      partial->problem->reason == strictProblem.reason &&
                      partial->records == strictProblem.line - 4,
                  "partial stops where strict refuses, with every record before it");
}

float floatAt(const std::uint8_t* data, std::size_t size, std::size_t index)
{
    float value = 0;
    if (size >= (index + 1) * sizeof value)
        std::memcpy(&value, data + index * sizeof value, sizeof value);
    return std::isfinite(value) ? value : 0.0f;
}

void writerText(const std::uint8_t* data, std::size_t size)
{
    const Chip chip = size % 2 ? Chip::A : Chip::B;
    LogOptions options;
    const std::uint8_t ticks = size ? data[0] : 0;
    options.internal = ticks & 1;
    options.external = ticks & 2;
    options.externalOffset = ticks & 4;
    for (int i = 0; i < kRailCount; ++i)
        options.voltages[static_cast<std::size_t>(i)] = ticks & (8 << i);
    Readings readings;
    readings.intTemp = floatAt(data, size, 0);
    readings.extTemp = floatAt(data, size, 1);
    // A chip's offset register is a byte; anything in int range exercises the writer just as well,
    // and a float beyond it has no int to convert to.
    readings.extOffset = static_cast<std::int32_t>(std::clamp(floatAt(data, size, 2), -1e6f, 1e6f));
    for (std::size_t i = 0; i < readings.voltages.size(); ++i)
        readings.voltages[i] = floatAt(data, size, 3 + i);

    std::string text = std::string(chipName(chip)) + "\r\n" + dateTimeLine("d", "t") + "\r\n" +
                       headerLine(chip, options) + "\r\n";
    const std::string record = recordLine(chip, options, readings);
    text += record + "\r\n" + record + "\r\n";
    SavProblem problem;
    const auto log = tryRead(text, SavMode::Strict, problem);
    fuzz::require(log && log->records == 2, "the reader takes whatever the writer writes");
    for (const SavColumn& column : log->columns)
        if (!column.whole)
            for (const double value : column.reals)
                fuzz::require(std::isfinite(value), "a written value reads back finite");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    bothModes(std::string_view(reinterpret_cast<const char*>(data), size));
    writerText(data, size);
    return 0;
}
