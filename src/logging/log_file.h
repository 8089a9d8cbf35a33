#pragma once

// One open log file: started with its three header lines, then one record per call.
//
// Durability: every line is handed to the system with write(2) (no buffer in this process) and
// committed with fdatasync(2) before the call returns, so a crash or kill of the program loses no
// record already written, and a failure the system only reports at write-back (a removed
// medium, a full network share) still surfaces on the record that met it.
//
// A failed line is taken out again: the file always ends with whole lines. After a failure the
// file is closed and keeps everything written before it.
//
// One file is the log of at most one LogFile: a second start on the same file (by any path that
// leads to it) fails, in this process by the file's identity and across processes by an advisory
// lock (flock), and leaves the running log untouched.
//
// Not thread-safe: one thread drives one LogFile.

#include "logging/log_format.h"
#include "logging/regional_time.h"

#include <stdexcept>
#include <string>

namespace zr::logging {

class LogError : public std::runtime_error {
public:
    LogError(std::string path, std::string reason);
    const std::string& path() const { return path_; }
    // Why, in words for the user, such as "No space left on device".
    const std::string& reason() const { return reason_; }

private:
    std::string path_;
    std::string reason_;
};

class LogFile {
public:
    // Starts a log at `path` (a file name in the system's encoding, used unchanged): creates the
    // file or empties it, and writes the chip name, dateTimeLine(started) and
    // headerLine(chip, options). Throws LogError when the path cannot be opened for writing, is
    // not a plain file, is already a log, or a header line cannot be written; nothing is left
    // open then, a file that was already a log is not touched, and a header that could not be
    // written whole is taken out again.
    LogFile(std::string path, Chip chip, const LogOptions& options, const DateTimeText& started);
    ~LogFile(); // closes without reporting
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Appends recordLine(chip(), options, readings). Throws LogError when the line cannot be
    // written whole; the log is closed then (isOpen() is false).
    void writeRecord(const LogOptions& options, const Readings& readings);

    // Closes the log. Throws LogError when the system reports, at this last moment, that written
    // lines could not be stored; the log is closed all the same.
    void close();

    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    Chip chip() const { return chip_; }
    // Bytes in the file: the header and every record written.
    long long size() const { return size_; }

private:
    void writeLine(std::string line);
    [[noreturn]] void fail(int error);
    int release(); // the error close(2) reported, or 0

    std::string path_;
    Chip chip_;
    int fd_ = -1;
    long long size_ = 0;
    bool started_ = false; // the three header lines are in the file
    unsigned long long device_ = 0;
    unsigned long long inode_ = 0;
};

} // namespace zr::logging
