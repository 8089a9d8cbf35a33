// SPDX-License-Identifier: MIT
#include "exporter/exposition.h"

#include "text/text_rules.h"

#include <cstdio>

namespace zr::exporter {
namespace {

struct Family {
    const char* name; // with its unit, without _total
    const char* type;
    const char* unit; // OpenMetrics UNIT; "" for none
    const char* help;
};

constexpr Family kBoardUp{"zr410ab_board_up", "gauge", "",
                          "1 while the evaluation board is attached and its chips are polled, 0 "
                          "while it is lost or not found."};
constexpr Family kPolls{"zr410ab_polls", "counter", "",
                        "Polls of the chips completed since the exporter started."};
constexpr Family kFailedReads{"zr410ab_failed_reads", "counter", "",
                              "Reads of the chip that the board reported as failed; their "
                              "readings were left out."};
constexpr Family kLastPoll{"zr410ab_last_poll_timestamp_seconds", "gauge", "seconds",
                           "When the last poll of the chips completed, in seconds since the Unix "
                           "epoch."};
constexpr Family kTemperature{"zr410ab_temperature_celsius", "gauge", "celsius",
                              "Temperature measured by the chip: its own (internal) or at its "
                              "external sensor, in degrees Celsius."};
constexpr Family kVoltage{"zr410ab_voltage_volts", "gauge", "volts",
                          "Supply rail monitored by the ZR410B, in volts."};
constexpr Family kOffset{"zr410ab_external_offset_celsius", "gauge", "celsius",
                         "Offset the chip adds to its external temperature, in whole degrees "
                         "Celsius."};

std::string escaped(const std::string& value)
{
    std::string out;
    for (char c : value) {
        if (c == '\\' || c == '"')
            out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out;
}

class Writer {
public:
    explicit Writer(ExpositionFormat format) : format_(format) {}

    void family(const Family& f)
    {
        const bool open = format_ == ExpositionFormat::OpenMetrics;
        const std::string name =
            std::string(f.name) + (!open && std::string(f.type) == "counter" ? "_total" : "");
        text_ += "# HELP " + name + " " + f.help + "\n";
        text_ += "# TYPE " + name + " " + f.type + "\n";
        if (open && *f.unit)
            text_ += "# UNIT " + name + " " + f.unit + "\n";
        sampleName_ = std::string(f.name) + (std::string(f.type) == "counter" ? "_total" : "");
    }

    void sample(const std::string& labels, const std::string& value)
    {
        text_ += sampleName_ + "{" + labels + "} " + value + "\n";
    }

    std::string finish()
    {
        if (format_ == ExpositionFormat::OpenMetrics)
            text_ += "# EOF\n";
        return std::move(text_);
    }

private:
    ExpositionFormat format_;
    std::string text_;
    std::string sampleName_;
};

std::string label(const char* name, const std::string& value)
{
    return std::string(name) + "=\"" + escaped(value) + "\"";
}

} // namespace

ExpositionFormat formatForAccept(std::string_view accept)
{
    return accept.find("application/openmetrics-text") != std::string_view::npos
               ? ExpositionFormat::OpenMetrics
               : ExpositionFormat::Prometheus;
}

const char* contentType(ExpositionFormat format)
{
    return format == ExpositionFormat::OpenMetrics
               ? "application/openmetrics-text; version=1.0.0; charset=utf-8"
               : "text/plain; version=0.0.4; charset=utf-8";
}

std::string sampleValue(float value)
{
    std::string text = text::decimalText(value);
    const std::size_t digits = text[0] == '-' ? 1 : 0;
    if (text.size() > digits && text[digits] == '.')
        text.insert(digits, "0");
    return text;
}

std::string renderMetrics(const Snapshot& s, Clock::time_point now, Clock::duration maxAge,
                          ExpositionFormat format)
{
    Writer w(format);
    const std::string board = label("board", s.board);

    w.family(kBoardUp);
    w.sample(board, s.up ? "1" : "0");

    w.family(kPolls);
    w.sample(board, std::to_string(s.polls));

    w.family(kFailedReads);
    for (const ChipDescriptor& chip : kChips)
        if (const auto& count = s.failedReads[static_cast<std::size_t>(chipIndex(chip.chip))])
            w.sample(board + "," + label("chip", chip.name), std::to_string(*count));

    w.family(kLastPoll);
    if (s.lastPollUnixSeconds) {
        char text[32];
        std::snprintf(text, sizeof text, "%.3f", *s.lastPollUnixSeconds);
        w.sample(board, text);
    }

    auto chipLabels = [&board](const ChipReadings& c) {
        return board + "," + label("chip", chipName(c.chip)) + "," +
               label("address", std::to_string(c.address));
    };
    const bool live = s.up;
    w.family(kTemperature);
    for (const ChipReadings& c : s.chips) {
        if (live && c.internal.currentAt(now, maxAge))
            w.sample(chipLabels(c) + ",sensor=\"internal\"", sampleValue(c.internal.value));
        if (live && c.external.currentAt(now, maxAge))
            w.sample(chipLabels(c) + ",sensor=\"external\"", sampleValue(c.external.value));
    }
    w.family(kVoltage);
    for (const ChipReadings& c : s.chips)
        for (std::size_t i = 0; hasRails(c.chip) && i < c.voltages.size(); ++i)
            if (live && c.voltages[i].currentAt(now, maxAge))
                w.sample(chipLabels(c) + "," + label("rail", kRails[i].name),
                         sampleValue(c.voltages[i].value));
    w.family(kOffset);
    for (const ChipReadings& c : s.chips)
        if (live && c.offset.currentAt(now, maxAge))
            w.sample(chipLabels(c), std::to_string(c.offset.value));
    return w.finish();
}

} // namespace zr::exporter
