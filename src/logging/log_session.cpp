// SPDX-License-Identifier: MIT
#include "logging/log_session.h"

#include "logging/regional_time.h"

#include <utility>

namespace zr::logging {

LogSession::LogSession(std::string path, Chip chip, const LogOptions& options,
                       std::chrono::system_clock::time_point started,
                       std::chrono::milliseconds interval, const LogSource& source, Report report)
    : LogSession(std::move(path), chip, options, regionalDateTime(started), started, interval,
                 source, std::move(report))
{
}

LogSession::LogSession(std::string path, Chip chip, const LogOptions& options,
                       const DateTimeText& when, std::chrono::system_clock::time_point started,
                       std::chrono::milliseconds interval, const LogSource& source, Report report)
    : chip_(chip), interval_(interval), log_(std::move(path), chip, options, when),
      report_(std::move(report)), columns_(headerLine(chip, options))
{
    const EventsStart start{chip,
                            headerLines(chip, options, when.date, when.time),
                            columnNames(chip, options),
                            started,
                            interval,
                            source.address,
                            source.board,
                            source.port};
    events_ =
        std::make_unique<EventsFile>(log_.path() + std::string(kEventsSuffix), startLine(start));
    // The log has just started well: an events file that did not is told at once.
    reportEventsFailure();
}

LogSession::~LogSession()
{
    stopEvents(std::chrono::system_clock::now(), false);
}

void LogSession::writeRecord(const LogOptions& options, const Readings& readings,
                             std::chrono::steady_clock::time_point steady,
                             std::chrono::system_clock::time_point wall)
{
    if (!stopped_) {
        anchorIfDue(steady, wall);
        if (std::string columns = headerLine(chip_, options); columns != columns_) {
            events_->write(optionsLine(records_, columnNames(chip_, options)));
            columns_ = std::move(columns);
        }
    }
    try {
        log_.writeRecord(options, readings);
    } catch (const LogError&) {
        // The log ends here; its events file says so and where, and keeps quiet about itself.
        report_ = nullptr;
        stopEvents(wall, false);
        throw;
    }
    ++records_;
    reportEventsFailure();
}

void LogSession::anchorIfDue(std::chrono::steady_clock::time_point steady,
                             std::chrono::system_clock::time_point wall)
{
    if (anchorRecord_ >= 0) {
        const auto expected = anchorSteady_ + interval_ * (records_ - anchorRecord_);
        const auto stray = steady > expected ? steady - expected : expected - steady;
        if (2 * stray < interval_ && steady - anchorSteady_ < kAnchorSpacing)
            return;
    }
    events_->write(anchorLine(records_, wall));
    anchorRecord_ = records_;
    anchorSteady_ = steady;
}

void LogSession::note(const ProgramEvent& event)
{
    if (!stopped_)
        events_->write(markerLine(records_, event));
}

void LogSession::stopEvents(std::chrono::system_clock::time_point wall, bool commit)
{
    if (stopped_)
        return;
    stopped_ = true;
    events_->write(stopLine(records_, wall));
    if (commit)
        events_->close();
}

void LogSession::reportEventsFailure()
{
    if (report_ && !events_->failure().empty())
        std::exchange(report_, nullptr)(events_->path(), events_->failure());
}

void LogSession::abandon(std::chrono::system_clock::time_point wall)
{
    report_ = nullptr;
    stopEvents(wall, false);
}

void LogSession::close(std::chrono::system_clock::time_point wall)
{
    stopEvents(wall, true);
    try {
        log_.close();
    } catch (const LogError&) {
        report_ = nullptr;
        throw;
    }
    reportEventsFailure();
}

} // namespace zr::logging
