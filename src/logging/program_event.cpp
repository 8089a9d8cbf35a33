// SPDX-License-Identifier: MIT
#include "logging/program_event.h"

#include "text/text_rules.h"

#include <array>

namespace zr {
namespace {

struct EventKindDescriptor {
    EventKind kind;
    std::string_view name;
    std::string_view text; // the label, or its first word when details follow
};

constexpr std::array<EventKindDescriptor, 11> kEventKinds{{
    {EventKind::OffsetWritten, "offset", "Offset"},
    {EventKind::RawWrite, "xfer", "Xfer"},
    {EventKind::FirmwareLoaded, "firmware", "Firmware loaded"},
    {EventKind::Reconnect, "reconnect", "Reconnect"},
    {EventKind::BoardLost, "lost", "Board lost"},
    {EventKind::BoardNotResponding, "not-responding", "Board not responding"},
    {EventKind::LogStarted, "log-start", "Log started"},
    {EventKind::LogStopped, "log-stop", "Log stopped"},
    {EventKind::OptionChanged, "option", ""},
    {EventKind::Note, "note", ""},
    {EventKind::Alarm, "alarm", ""},
}};

const EventKindDescriptor& describe(EventKind kind)
{
    return kEventKinds[static_cast<std::size_t>(kind)];
}

ProgramEvent make(std::optional<Chip> chip, EventKind kind, std::string_view detail = {})
{
    std::string text(describe(kind).text);
    if (!text.empty() && !detail.empty())
        text += ' ';
    text += detail;
    return {chip, kind, std::move(text), std::nullopt};
}

} // namespace

std::string_view eventKindName(EventKind kind)
{
    return describe(kind).name;
}

ProgramEvent boardEvent(EventKind kind)
{
    return make(std::nullopt, kind);
}

ProgramEvent chipEvent(Chip chip, EventKind kind)
{
    return make(chip, kind);
}

ProgramEvent offsetWritten(Chip chip, std::int32_t offset)
{
    return make(chip, EventKind::OffsetWritten, text::decimalText(std::int64_t{offset}));
}

ProgramEvent rawWrite(Chip chip, std::span<const std::uint8_t> written)
{
    std::string bytes;
    for (const std::uint8_t byte : written) {
        if (!bytes.empty())
            bytes += ' ';
        bytes += text::hexText(byte);
    }
    return make(chip, EventKind::RawWrite, bytes);
}

ProgramEvent optionChanged(Chip chip, std::string_view column, bool ticked)
{
    return make(chip, EventKind::OptionChanged,
                std::string(column) + (ticked ? " ticked" : " cleared"));
}

ProgramEvent userNote(Chip chip, std::string_view text)
{
    return make(chip, EventKind::Note, text);
}

ProgramEvent alarmChanged(Chip chip, AlarmChange change)
{
    ProgramEvent event = make(chip, EventKind::Alarm, change.rule + " " + change.state);
    event.alarm = std::move(change);
    return event;
}

} // namespace zr
