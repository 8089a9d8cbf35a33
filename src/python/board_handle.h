// SPDX-License-Identifier: MIT
#pragma once

// One evaluation board as a script drives it: brought up like the program does (firmware, then
// the scan of 64 to 95), then one call per chip operation. Every call runs the same SST routines,
// input rules and log writer as the windows and the command-line tool, so a script sees the same
// numbers and writes the same files. Calls from several threads are taken one at a time, each
// under the handle's mutex; a log takes it for one record at a time.

#include "board/address_scan.h"
#include "board/board_library.h"
#include "board/chips.h"
#include "board/device_state.h"
#include "board/rails.h"
#include "board/usb/board_ports.h"
#include "logging/log_format.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace zr::python {

// The board could not be brought up (no board, firmware refused, a bad scenario file).
class BoardNotFoundError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The scan found no chip of that kind, or the board was closed.
class ChipNotFoundError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct OpenOptions {
    std::string kind = "sim";   // "sim" or "usb"
    std::string scenarioFile;   // simulated board only
    std::string usbIds;         // "VID:PID,VID:PID"; empty for the board library's own
    std::string devicePort;     // USB port path such as "1-4.2"; empty for the only board
    std::string firmwareFolder; // the folder that holds SSTFW.hex
};

struct IdentifierBlock {
    int deviceCapability, versionRevision, vendorId, deviceId;
    int deviceInterface, functionInterface, siliconRevision, clientAddress;
};

struct LogSchedule {
    std::chrono::milliseconds interval{250};
    std::optional<std::int64_t> count; // records written
    std::optional<std::chrono::milliseconds> duration;
};

struct LogSummary {
    std::int64_t records = 0;
    std::int64_t failedReadings = 0;
    bool interrupted = false;
    std::string eventsProblem; // why the events file beside the log stopped; empty while it did not
};

class BoardHandle {
public:
    // Throws BoardNotFoundError with the reason underneath the program's own message.
    explicit BoardHandle(const OpenOptions& options);
    ~BoardHandle();

    // Probes 64 to 95 again; the chips found are those later calls address.
    ScanResult scan();
    // The address the last scan found the chip at, or nothing.
    std::optional<int> address(Chip chip) const;

    IdentifierBlock dib(Chip chip);
    // Readings as single-precision values carry their decimal text's value (25.31, not
    // 25.309999465942383), the digits the windows and the tool show.
    std::pair<double, double> temperatures(Chip chip);
    std::array<double, kRailCount> voltages(Chip chip);
    int externalOffset(Chip chip);
    // Refuses an offset outside the window's range (std::out_of_range) before anything is sent.
    void setExternalOffset(Chip chip, int offset);
    // The chip's response status byte.
    int ping(Chip chip);
    // The General SST IO panel's transaction: at most 61 data bytes (the first is the command),
    // write length 0..255, read length 0..62, refused with std::invalid_argument before anything
    // is sent. Returns the read length + 2 reply bytes.
    std::vector<std::uint8_t> transaction(Chip chip, const std::vector<std::uint8_t>& data,
                                          int readLength, int writeLength);

    // Writes a log through the program's writer until the schedule ends or `interrupted` says
    // so (polled at least every 50 ms while waiting, without the mutex). A failed reading leaves
    // no record and the log goes on; a lost or closed board closes the file first, then throws.
    // A path that is empty or holds a NUL is refused (std::invalid_argument) before anything.
    // The events file beside the log (`<path>.events`) is written alongside; its failure ends
    // only it and is said in the summary.
    LogSummary log(const std::string& path, Chip chip, const logging::LogOptions& columns,
                   const LogSchedule& schedule, const std::function<bool()>& interrupted);

    // Releases the board (the USB interface); later calls raise ChipNotFoundError.
    void close();
    bool closed() const;

private:
    void requireOpen() const;
    void select(Chip chip);
    template <typename Routine> void read(Chip chip, Routine routine, const char* readings);

    mutable std::mutex mutex_;
    DeviceState state_;
    std::unique_ptr<BoardLibrary> board_;
    ScanResult found_;
};

// What `zr410ab-cli boards` lists, for the ids "VID:PID,VID:PID" (empty: the board library's
// own). Throws std::invalid_argument for ids that do not fit, BoardNotFoundError when USB cannot
// be used.
std::vector<usb::BoardListing> listBoards(const std::string& usbIds);

// "internal", "external", "offset" and the rail names, in any case; rails on a chip with rails.
// Throws std::invalid_argument naming the column that does not fit.
logging::LogOptions logColumns(Chip chip, const std::vector<std::string>& names);

} // namespace zr::python
