// SPDX-License-Identifier: MIT
#pragma once

// One open log file: started with its three header lines, then one record per call.
//
// Durability: every record is handed to the system whole with write(2) (no buffer in this
// process) before the call returns, so a kill or crash of the program loses no record already
// written. The commit to stable storage (fdatasync) runs on a thread of its own right after each
// record (background_sync.h), so the caller never waits for the disk and a record is on the
// medium well within a second. A failure that the system only reports at the commit (a removed
// medium, a full network share), and a file that no longer has its name (deleted, its folder
// removed, its medium unmounted), is reported by the next writeRecord() or by close(); a deleted
// file is found by the next writeRecord() before it writes, whether a commit ran since or not.
//
// The header is one write and one commit, done before the constructor returns: a file holds all
// three header lines or none. A new file gets its name only once its header is whole where the
// file system allows; a start that fails removes a file it created and empties one that was there.
//
// A failed line is taken out again: the file always ends with whole lines. After a failure the
// file is closed and keeps everything written before it.
//
// One file is the log of at most one LogFile: a second start on the same file (by any path that
// leads to it) fails, in this process by the file's identity and across processes by an advisory
// lock (flock), and leaves the running log untouched.
//
// Not thread-safe: one thread drives one LogFile (the commit thread is its own business).

#include "logging/background_sync.h"
#include "logging/log_format.h"
#include "logging/regional_time.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace zr::logging {

class LogError : public std::runtime_error {
public:
    LogError(std::string path, std::string reason, bool fileGone = false);
    const std::string& path() const { return path_; }
    // Why, in words for the user, such as "No space left on device".
    const std::string& reason() const { return reason_; }
    // The file no longer has its name: the records written to it cannot be found any more.
    bool fileGone() const { return fileGone_; }

private:
    std::string path_;
    std::string reason_;
    bool fileGone_ = false;
};

class LogFile {
public:
    // Starts a log at `path` (a file name in the system's encoding, used unchanged): creates the
    // file or empties it, and writes the chip name, dateTimeLine(started) and
    // headerLine(chip, options). Throws LogError when the path cannot be opened for writing, is
    // not a plain file, is already a log, or the header cannot be written and committed; nothing
    // is left open then, a file that was already a log is not touched, a file this start created
    // is removed again and one that was there before is left empty.
    LogFile(std::string path, Chip chip, const LogOptions& options, const DateTimeText& started);
    ~LogFile(); // closes without reporting
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Appends recordLine(chip(), options, readings). Throws LogError when the line cannot be
    // written whole, or when an earlier line could not be committed or the file lost its name;
    // the log is closed then (isOpen() is false) and the line is not written.
    void writeRecord(const LogOptions& options, const Readings& readings);

    // Commits what is left and closes the log (waiting for the disk). Throws LogError when the
    // written lines could not be stored or the file lost its name; the log is closed all the same.
    void close();

    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    Chip chip() const { return chip_; }
    // Bytes in the file: the header and every record written.
    long long size() const { return size_; }

private:
    enum class Origin { Existing, Created, Unnamed };
    // One attempt to open the file and write its header. False, with nothing left open, when a
    // file made without a name could not get one: the caller tries again the plain way.
    bool start(const std::string& header, bool unnamedAllowed);
    void writeAll(const std::string& bytes);
    [[noreturn]] void fail(int error);
    int release(); // the error close(2) reported, or 0

    std::string path_;
    Chip chip_;
    int fd_ = -1;
    long long size_ = 0;
    bool started_ = false; // the three header lines are in the file
    Origin origin_ = Origin::Existing;
    std::unique_ptr<BackgroundSync> sync_; // while started
    unsigned long long device_ = 0;
    unsigned long long inode_ = 0;
};

} // namespace zr::logging
