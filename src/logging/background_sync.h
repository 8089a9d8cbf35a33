// SPDX-License-Identifier: MIT
#pragma once

// Commits an open log's written lines to stable storage on a thread of its own, so that the
// thread that writes the records (the user-interface thread of the program) never waits for the
// disk; on a USB stick or a network share one commit can take hundreds of milliseconds.
//
// After every commit it also checks that the file still has its name: a log whose file was
// deleted, whose folder was removed or whose medium was unmounted lazily goes on accepting writes
// that nobody will ever read, so that counts as a failure like any other.
//
// The writer hands over nothing but "there is more": the descriptor stays the writer's, which
// must destroy this object before closing it.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace zr::logging {

// The least time between the starts of two commits. Under a second, with room for the commit
// itself: a record is on the disk within a second of its write.
inline constexpr std::chrono::milliseconds kCommitSpacing{900};

// A failure that is no error number of the system: the file no longer has its name.
inline constexpr int kFileVanished = -1;

// True while `path` still names the file open as `fd` (the inode `device`/`inode`) and the file
// still has a name at all.
bool fileStillAtItsPath(int fd, const std::string& path, unsigned long long device,
                        unsigned long long inode);

class BackgroundSync {
public:
    BackgroundSync(int fd, std::string path, unsigned long long device, unsigned long long inode);
    ~BackgroundSync(); // lets a commit under way end, then stops; commits nothing more
    BackgroundSync(const BackgroundSync&) = delete;
    BackgroundSync& operator=(const BackgroundSync&) = delete;

    // More lines were written: commit them soon (within kCommitSpacing of the last commit).
    void request();
    // The first failure seen (an error number, or kFileVanished), 0 while none. Never waits.
    int failure();
    // Commits everything written so far, checks the name once more and stops: the first failure
    // seen, or 0.
    int finish();

private:
    void run();

    const int fd_;
    const std::string path_;
    const unsigned long long device_;
    const unsigned long long inode_;

    std::mutex mutex_;
    std::condition_variable wake_;      // request() or stop
    std::condition_variable committed_; // a commit ended
    std::condition_variable paced_;     // stop or finish, while waiting for the next commit time
    unsigned long long requested_ = 0;  // requests so far
    unsigned long long done_ = 0;       // requests covered by a finished commit
    bool stopping_ = false;
    bool finishing_ = false;
    int failure_ = 0;
    std::thread thread_; // last: starts once everything above is set
};

} // namespace zr::logging
