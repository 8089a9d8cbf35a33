// SPDX-License-Identifier: MIT
#include "logging/background_sync.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zr::logging {

bool fileStillAtItsPath(int fd, const std::string& path, unsigned long long device,
                        unsigned long long inode)
{
    struct stat open {};
    if (::fstat(fd, &open) == 0 && open.st_nlink == 0)
        return false; // unlinked, or its folder removed
    struct stat named {};
    if (::stat(path.c_str(), &named) != 0)
        // Gone, or a folder on the way is: removed, or its medium unmounted. Any other error
        // (a permission changed on the way) says nothing about the file itself.
        return errno != ENOENT && errno != ENOTDIR;
    return named.st_dev == device && named.st_ino == inode;
}

BackgroundSync::BackgroundSync(int fd, std::string path, unsigned long long device,
                               unsigned long long inode)
    : fd_(fd), path_(std::move(path)), device_(device), inode_(inode), thread_([this] { run(); })
{
}

BackgroundSync::~BackgroundSync()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    paced_.notify_one();
    thread_.join();
}

void BackgroundSync::request()
{
    {
        std::lock_guard lock(mutex_);
        ++requested_;
    }
    wake_.notify_one();
}

int BackgroundSync::failure()
{
    std::lock_guard lock(mutex_);
    return failure_;
}

int BackgroundSync::finish()
{
    {
        std::lock_guard lock(mutex_);
        finishing_ = true;
    }
    paced_.notify_one();
    request();
    std::unique_lock lock(mutex_);
    const unsigned long long wanted = requested_;
    committed_.wait(lock, [&] { return done_ >= wanted || failure_ != 0; });
    return failure_;
}

void BackgroundSync::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || (requested_ > done_ && failure_ == 0); });
        if (stopping_)
            return;
        const auto started = std::chrono::steady_clock::now();
        const unsigned long long covered = requested_;
        lock.unlock();
        // One commit covers every line written before it started, however many that were.
        int error = 0;
        if (::fdatasync(fd_) != 0)
            error = errno;
        else if (!fileStillAtItsPath(fd_, path_, device_, inode_))
            error = kFileVanished;
        lock.lock();
        if (error != 0 && failure_ == 0)
            failure_ = error;
        done_ = covered;
        committed_.notify_all();
        // Then a rest, so that there is at most one commit per kCommitSpacing: a record still
        // reaches the disk within about that long, and a log writing four records a second
        // wakes this thread about once a second rather than four times. Closing the log does
        // not wait for it.
        paced_.wait_until(lock, started + kCommitSpacing, [&] { return stopping_ || finishing_; });
    }
}

} // namespace zr::logging
