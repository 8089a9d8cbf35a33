// SPDX-License-Identifier: MIT
#include "exporter/exposition.h"

#include "board/chip_readings.h"
#include "text/text_rules.h"
#include "version.h"

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
// The help names the chip kind that has rails, from the chip table.
const Family& voltageFamily()
{
    static const std::string help = [] {
        std::string names;
        for (const ChipDescriptor& c : kChips)
            if (c.hasRails)
                names += std::string(names.empty() ? "" : " and the ") + c.name;
        return "Supply rail monitored by the " + names + ", in volts.";
    }();
    static const Family family{"zr410ab_voltage_volts", "gauge", "volts", help.c_str()};
    return family;
}
constexpr Family kOffset{"zr410ab_external_offset_celsius", "gauge", "celsius",
                         "Offset the chip adds to its external temperature, in whole degrees "
                         "Celsius."};

constexpr Family kAlarmFiring{"zr410ab_alarm_firing", "gauge", "",
                              "1 while the alarm rule fires, 0 while it is clear; the rules are "
                              "those of serve --alarms."};

constexpr Family kBuildInfo{"zr410ab_build_info", "gauge", "",
                            "The exporter's version as a label; always 1."};

// The temperatures every chip measures, in the text's order; the `sensor` label is the reading's
// key in the readings table, as the tool's JSON calls it.
struct Sensor {
    ChipReading reading;
    Timed<float> ChipReadings::*value;
};
constexpr Sensor kSensors[] = {
    {ChipReading::Internal, &ChipReadings::internal},
    {ChipReading::External, &ChipReadings::external},
};

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
        return board + "," + label("chip", chipInfo(c.chip).name) + "," +
               label("address", std::to_string(c.address));
    };
    const bool live = s.up;
    w.family(kTemperature);
    for (const ChipReadings& c : s.chips)
        for (const Sensor& sensor : kSensors)
            if (const Timed<float>& t = c.*sensor.value; live && t.currentAt(now, maxAge))
                w.sample(chipLabels(c) + "," + label("sensor", readingInfo(sensor.reading).key),
                         sampleValue(t.value));
    w.family(voltageFamily());
    for (const ChipReadings& c : s.chips)
        for (std::size_t i = 0; hasRails(c.chip) && i < kRails.size(); ++i)
            if (live && c.voltages[i].currentAt(now, maxAge))
                w.sample(chipLabels(c) + "," + label("rail", kRails[i].name),
                         sampleValue(c.voltages[i].value));
    w.family(kOffset);
    for (const ChipReadings& c : s.chips)
        if (live && c.offset.currentAt(now, maxAge))
            w.sample(chipLabels(c), std::to_string(c.offset.value));
    // Without rules the family is left out: the text stays as it was for every other exporter.
    if (!s.alarms.empty()) {
        w.family(kAlarmFiring);
        for (const AlarmSeries& alarm : s.alarms)
            for (const ChipReadings& c : s.chips)
                if (c.chip == alarm.chip)
                    w.sample(chipLabels(c) + "," +
                                 label("channel", alarms::channelName(alarm.channel)) + "," +
                                 label("rule", alarm.rule),
                             alarm.firing ? "1" : "0");
    }
    w.family(kBuildInfo);
    w.sample(label("version", version::text), "1");
    return w.finish();
}

} // namespace zr::exporter
