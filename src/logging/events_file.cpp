// SPDX-License-Identifier: MIT
#include "logging/events_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace zr::logging {
namespace {

std::string reasonOf(int error)
{
    return error == kFileVanished
               ? "The file is no longer there (deleted, or its folder or medium removed)"
               : std::generic_category().message(error);
}

} // namespace

EventsFile::EventsFile(std::string path, const std::string& startLine) : path_(std::move(path))
{
    start(startLine);
}

EventsFile::~EventsFile()
{
    release();
}

void EventsFile::start(const std::string& startLine)
{
    // The log's own lock keeps a second writer off this name, so the temporary name is ours.
    const std::string part = path_ + ".part";
    fd_ = ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                 0666);
    if (fd_ < 0) {
        const int error = errno;
        ::unlink(path_.c_str());
        return fail(error);
    }
    int error = 0;
    struct stat info {};
    if (!writeAll(startLine + "\n"))
        error = errno ? errno : EIO;
    else if (::fdatasync(fd_) != 0 || ::fstat(fd_, &info) != 0)
        error = errno;
    else if (::rename(part.c_str(), path_.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(part.c_str());
        // An earlier log's events file must not pass for this log's.
        ::unlink(path_.c_str());
        return fail(error);
    }
    device_ = info.st_dev;
    inode_ = info.st_ino;
    sync_ = std::make_unique<BackgroundSync>(fd_, path_, device_, inode_);
}

void EventsFile::write(const std::string& line)
{
    if (!isOpen())
        return;
    if (const int failure = sync_->failure(); failure != 0)
        return fail(failure);
    if (struct stat info{}; ::fstat(fd_, &info) == 0 && info.st_nlink == 0)
        return fail(kFileVanished);
    if (!writeAll(line + "\n")) {
        const int error = errno ? errno : EIO;
        // Take out whatever part of the line reached the file.
        if (::ftruncate(fd_, size_) == 0)
            ::fdatasync(fd_);
        return fail(error);
    }
    sync_->request();
}

void EventsFile::close()
{
    if (!isOpen())
        return;
    const int error = sync_->finish();
    if (error != 0)
        return fail(error);
    release();
}

bool EventsFile::writeAll(const std::string& bytes)
{
    const char* next = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        errno = 0;
        const ssize_t written = ::write(fd_, next, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        next += written;
        left -= static_cast<std::size_t>(written);
    }
    size_ += static_cast<long long>(bytes.size());
    return true;
}

void EventsFile::fail(int error)
{
    release();
    if (failure_.empty())
        failure_ = reasonOf(error);
}

void EventsFile::release()
{
    sync_.reset(); // before the descriptor goes: the commit thread uses it
    if (fd_ >= 0)
        ::close(std::exchange(fd_, -1));
}

} // namespace zr::logging
