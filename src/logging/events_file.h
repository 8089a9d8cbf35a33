// SPDX-License-Identifier: MIT
#pragma once

// The events file beside a log: written with care, never at the log's expense.
//
// It lives as the log does (log_file.h): every line is handed to the system whole with one
// write(2) before the call returns, and committed to stable storage on a thread of its own
// within a second; a line that fails is taken out again, so the file only ever ends with whole
// lines. The start line is written and committed under a temporary name that then replaces any
// earlier file of the events file's name: a kill leaves the old file or the new one with its
// start line, never a file without it.
//
// A failure (the write, the commit, the file losing its name) ends the file: it keeps its lines,
// nothing more is written, and failure() says why. Nothing is ever thrown, so the log goes on.
//
// Not thread-safe: one thread writes one EventsFile (the commit thread is its own business).

#include "logging/background_sync.h"

#include <memory>
#include <string>

namespace zr::logging {

class EventsFile {
public:
    // Replaces the file at `path` with one holding `startLine`.
    EventsFile(std::string path, const std::string& startLine);
    ~EventsFile(); // closes without reporting
    EventsFile(const EventsFile&) = delete;
    EventsFile& operator=(const EventsFile&) = delete;

    // Appends one line (without its line end).
    void write(const std::string& line);
    // Commits what is left and closes.
    void close();

    // Why the file ended early, in words for the user; empty while it has not.
    const std::string& failure() const { return failure_; }

    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

private:
    void start(const std::string& startLine);
    bool writeAll(const std::string& bytes);
    void fail(int error);
    void release();

    std::string path_;
    std::string failure_;
    int fd_ = -1;
    long long size_ = 0;
    unsigned long long device_ = 0;
    unsigned long long inode_ = 0;
    std::unique_ptr<BackgroundSync> sync_; // while open
};

} // namespace zr::logging
