// SPDX-License-Identifier: MIT
#include "python/board_handle.h"

#include "app/board_factory.h"
#include "board/board_lost_error.h"
#include "board/failed_read.h"
#include "board/sst_stuff.h"
#include "board/usb/usb_ids.h"
#include "board/usb_stuff.h"
#include "console/sst_io.h"
#include "logging/log_session.h"
#include "logging/regional_time.h"
#include "logging/take_readings.h"
#include "text/decimal_value.h"
#include "text/text_rules.h"

#include <algorithm>
#include <cctype>
#include <thread>

namespace zr::python {
namespace {

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The board the program would bring up with the same options, checked by the program's own
// command-line rules.
std::unique_ptr<BoardLibrary> makeBoardFor(const OpenOptions& options)
{
    std::vector<std::string> args{"--board", options.kind};
    if (!options.scenarioFile.empty())
        args.insert(args.end(), {"--scenario", options.scenarioFile});
    if (!options.usbIds.empty())
        args.insert(args.end(), {"--usb-ids", options.usbIds});
    if (!options.devicePort.empty())
        args.insert(args.end(), {"--device", options.devicePort});
    const ParsedCommandLine parsed = parseCommandLine(args);
    if (!parsed.options)
        throw std::invalid_argument(parsed.error);
    try {
        return makeBoard(*parsed.options);
    } catch (const std::runtime_error& e) {
        throw BoardNotFoundError(e.what());
    }
}

} // namespace

BoardHandle::BoardHandle(const OpenOptions& options) : board_(makeBoardFor(options))
{
    std::string reason;
    if (USBStuff::LoadBoardFirmware(state_, *board_, options.firmwareFolder, &reason) < 0)
        throw BoardNotFoundError(std::string(USBStuff::kBoardNotFoundMessage) +
                                 (reason.empty() ? "" : "\n" + reason));
    found_ = ScanForChips(state_, *board_);
}

BoardHandle::~BoardHandle() = default;

void BoardHandle::requireOpen() const
{
    if (!board_)
        throw ChipNotFoundError("the board is closed");
}

ScanResult BoardHandle::scan()
{
    const std::lock_guard lock(mutex_);
    requireOpen();
    found_ = ScanForChips(state_, *board_);
    return found_;
}

std::optional<int> BoardHandle::address(Chip chip) const
{
    const std::lock_guard lock(mutex_);
    if (!board_ || !found_.found(chip))
        return std::nullopt;
    return chipAddress(state_, chip);
}

void BoardHandle::select(Chip chip)
{
    requireOpen();
    if (!found_.found(chip))
        throw ChipNotFoundError(std::string(chipName(chip)) + " did not answer at SST addresses " +
                                std::to_string(kFirstScanAddress) + " to " +
                                std::to_string(kLastScanAddress) + ".");
    selectChip(state_, chip);
}

template <typename Routine> void BoardHandle::read(Chip chip, Routine routine, const char* readings)
{
    select(chip);
    requireSuccessfulRead(routine(state_, *board_), *board_, chip, readings,
                          "nothing was returned");
}

IdentifierBlock BoardHandle::dib(Chip chip)
{
    const std::lock_guard lock(mutex_);
    read(chip, SSTStuff::SSTGetDIB, "identifier block");
    const DeviceState& s = state_;
    return {s.DibDeviceCapability, s.DibVersionRevision, s.DibVendorId,
            s.DibDeviceId,         s.DibDeviceInterface, s.DibFunctionInterface,
            s.DibSiliconRevision,  s.DibClientAddress};
}

std::pair<double, double> BoardHandle::temperatures(Chip chip)
{
    const std::lock_guard lock(mutex_);
    read(chip, SSTStuff::SSTGetTemperatures, "temperatures");
    return {text::decimalValue(state_.IntTemp), text::decimalValue(state_.ExtTemp)};
}

std::array<double, kRailCount> BoardHandle::voltages(Chip chip)
{
    if (!hasRails(chip))
        throw std::invalid_argument(std::string(chipName(chip)) + " has no supply rails");
    const std::lock_guard lock(mutex_);
    read(chip, SSTStuff::SSTGetVoltages, "voltages");
    std::array<double, kRailCount> volts{};
    std::transform(state_.Voltage.begin(), state_.Voltage.end(), volts.begin(), text::decimalValue);
    return volts;
}

int BoardHandle::externalOffset(Chip chip)
{
    const std::lock_guard lock(mutex_);
    read(chip, SSTStuff::SSTGetExtOffset, "external offset");
    return state_.ExtOffset;
}

void BoardHandle::setExternalOffset(Chip chip, int offset)
{
    const std::lock_guard lock(mutex_);
    if (offset < SSTStuff::kMinOffset || offset > SSTStuff::kMaxOffset)
        throw std::out_of_range("External Offset " + std::to_string(offset) +
                                " is out of range; allowed are " +
                                std::to_string(SSTStuff::kMinOffset) + " to " +
                                std::to_string(SSTStuff::kMaxOffset) + ".");
    select(chip);
    requireSuccessfulRead(SSTStuff::SSTSetExtOffset(state_, *board_, offset), *board_, chip,
                          "reply to the offset write", "the offset may not have been written");
}

int BoardHandle::ping(Chip chip)
{
    const std::lock_guard lock(mutex_);
    read(chip, SSTStuff::SSTPing, "ping reply");
    return state_.ResponseStatus;
}

std::vector<std::uint8_t> BoardHandle::transaction(Chip chip, const std::vector<std::uint8_t>& data,
                                                   int readLength, int writeLength)
{
    if (data.empty())
        throw std::invalid_argument(sstio::kNoCommandByteSet);
    if (data.size() > static_cast<std::size_t>(sstio::kMaxDataBytes))
        throw std::invalid_argument(std::to_string(data.size()) +
                                    " data bytes do not fit; at most " +
                                    std::to_string(sstio::kMaxDataBytes) + " are allowed.");
    if (writeLength < 0 || writeLength > sstio::kMaxWriteLength)
        throw std::invalid_argument("write length " + std::to_string(writeLength) +
                                    " is out of range; allowed are 0 to " +
                                    std::to_string(sstio::kMaxWriteLength) + ".");
    if (readLength < 0 || readLength > sstio::kMaxReadLength)
        throw std::invalid_argument("read length " + std::to_string(readLength) +
                                    " is out of range; allowed are 0 to " +
                                    std::to_string(sstio::kMaxReadLength) + ".");
    const std::lock_guard lock(mutex_);
    select(chip);
    sstio::Request request;
    request.data = data;
    request.writeLength = static_cast<std::uint8_t>(writeLength);
    request.readLength = static_cast<std::uint8_t>(readLength);
    requireSuccessfulRead(sstio::send(state_, *board_, chip, request), *board_, chip, "reply",
                          "nothing was returned");
    const auto reply = sstio::shownReply(state_, request.readLength);
    return {reply.begin(), reply.end()};
}

LogSummary BoardHandle::log(const std::string& path, Chip chip, const logging::LogOptions& columns,
                            const LogSchedule& schedule, const std::function<bool()>& interrupted)
{
    using Clock = std::chrono::steady_clock;
    if (path.empty())
        throw std::invalid_argument("the log path is empty");
    if (path.find('\0') != std::string::npos)
        throw std::invalid_argument("the log path holds a NUL byte, which would cut it short");
    std::unique_lock lock(mutex_);
    select(chip);
    LogSummary summary;
    const auto now = [] { return std::chrono::system_clock::now(); };
    logging::LogSession file(path, chip, columns, now(), schedule.interval,
                             {chipAddress(state_, chip), board_->description(), board_->portPath()},
                             [&summary](const std::string& events, const std::string& reason) {
                                 summary.eventsProblem = events + ": " + reason;
                             });
    file.note(chipEvent(chip, EventKind::LogStarted));
    lock.unlock();
    const auto stop = [&] {
        file.note(chipEvent(chip, EventKind::LogStopped));
        file.close(now());
    };
    const Clock::time_point start = Clock::now();
    Clock::time_point next = start;
    const auto finished = [&] {
        return (schedule.count && summary.records >= *schedule.count) ||
               (schedule.duration && Clock::now() - start >= *schedule.duration);
    };
    while (!finished()) {
        // The board is held for one record at a time: between records other threads have it,
        // and `interrupted` (which may wait for the interpreter) runs without it, so a caller
        // holding the interpreter while it waits for the board cannot deadlock with the log.
        const logging::TakenReadings taken = [&] {
            try {
                const std::lock_guard record(mutex_);
                select(chip);
                return logging::takeReadings(state_, *board_, chip);
            } catch (const BoardLostError& lost) {
                file.note(boardEvent(lost.notResponding() ? EventKind::BoardNotResponding
                                                          : EventKind::BoardLost));
                stop(); // everything written stays
                throw;
            } catch (...) {
                stop();
                throw;
            }
        }();
        try {
            logging::requireSuccessfulReads(taken, chip, "no record was written");
            file.writeRecord(columns, taken.values, Clock::now(), now());
            ++summary.records;
        } catch (const FailedReadError&) {
            ++summary.failedReadings;
        }
        // A fixed grid: a slow step skips the slots it overran rather than piling them up.
        do
            next += schedule.interval;
        while (next <= Clock::now());
        while (Clock::now() < next && !finished()) {
            if (interrupted()) {
                summary.interrupted = true;
                stop();
                return summary;
            }
            std::this_thread::sleep_until(
                std::min(next, Clock::now() + std::chrono::milliseconds(50)));
        }
    }
    stop();
    return summary;
}

void BoardHandle::close()
{
    const std::lock_guard lock(mutex_);
    board_.reset();
}

bool BoardHandle::closed() const
{
    const std::lock_guard lock(mutex_);
    return !board_;
}

std::vector<usb::BoardListing> listBoards(const std::string& usbIds)
{
    const usb::UsbIds ids = usbIds.empty() ? usb::UsbIds{} : usb::parseUsbIds(usbIds);
    try {
        return usb::listEvaluationBoards(ids);
    } catch (const std::runtime_error& e) {
        throw BoardNotFoundError(e.what());
    }
}

logging::LogOptions logColumns(Chip chip, const std::vector<std::string>& names)
{
    logging::LogOptions o;
    o.internal = o.external = o.externalOffset = false;
    o.voltages.fill(false);
    for (const std::string& name : names) {
        const std::string key = lowered(name);
        if (key == "internal")
            o.internal = true;
        else if (key == "external")
            o.external = true;
        else if (key == "offset" || key == "external offset")
            o.externalOffset = true;
        else {
            const auto rail =
                std::find_if(kRails.begin(), kRails.end(),
                             [&](const RailDescriptor& r) { return lowered(r.name) == key; });
            if (rail == kRails.end())
                throw std::invalid_argument("unknown column '" + name + "'");
            if (!hasRails(chip))
                throw std::invalid_argument("'" + name + "' is a rail; " + chipName(chip) +
                                            " has none");
            o.voltages[static_cast<std::size_t>(rail - kRails.begin())] = true;
        }
    }
    return o;
}

} // namespace zr::python
