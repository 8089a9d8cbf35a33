// SPDX-License-Identifier: MIT
#include "logging/log_file.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace zr::logging {
namespace {

const std::string kNotAPlainFile = "Not a plain file";
const std::string kAlreadyALog = "Another log is already writing to this file";

const std::string kFileGone =
    "The file is no longer there (deleted, or its folder or medium removed)";

std::string reasonOf(int error)
{
    return error == kFileVanished ? kFileGone : std::generic_category().message(error);
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Files open as logs in this process, by device and inode: two names that lead to one file
// (links, "..", another mount) are still one log.
class OpenLogs {
public:
    using Identity = std::pair<unsigned long long, unsigned long long>;

    bool add(Identity file)
    {
        std::lock_guard lock(mutex_);
        return files_.insert(file).second;
    }
    void remove(Identity file)
    {
        std::lock_guard lock(mutex_);
        files_.erase(file);
    }

private:
    std::mutex mutex_;
    std::set<Identity> files_;
};

OpenLogs& openLogs()
{
    static OpenLogs logs;
    return logs;
}

// By default the system ends a process whose file grows past its size limit (ulimit -f). A log
// hitting that limit must stop like any other failed write instead of taking the program, and
// the other window's log, with it. A handler someone else installed is left alone.
void treatFileSizeLimitAsWriteError()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
            struct sigaction ignore {};
            ignore.sa_handler = SIG_IGN;
            sigemptyset(&ignore.sa_mask);
            sigaction(SIGXFSZ, &ignore, nullptr);
        }
    });
}

} // namespace

LogError::LogError(std::string path, std::string reason, bool fileGone)
    : std::runtime_error(path + ": " + reason), path_(std::move(path)), reason_(std::move(reason)),
      fileGone_(fileGone)
{
}

LogFile::LogFile(std::string path, Chip chip, const LogOptions& options,
                 const DateTimeText& started)
    : path_(std::move(path)), chip_(chip)
{
    treatFileSizeLimitAsWriteError();
    std::string header;
    for (const std::string& line : headerLines(chip_, options, started.date, started.time))
        (header += line) += kLineEnd;
    if (!start(header, true))
        start(header, false);
}

bool LogFile::start(const std::string& header, bool unnamedAllowed)
{
    // A named pipe or a device would block the program or swallow the log: refuse before
    // opening, and again after, in case the name changed in between.
    struct stat info {};
    if (::stat(path_.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        throw LogError(path_, kNotAPlainFile);

    // Not emptied yet: the file may turn out to be another log's. A file that is not there yet
    // is made without a name where the file system can, and named once its header is whole.
    constexpr int kFlags = O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    Origin origin = Origin::Existing;
    int fd = ::open(path_.c_str(), kFlags);
    if (fd < 0 && errno == ENOENT && unnamedAllowed) {
        fd = ::open(folderOf(path_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        origin = Origin::Unnamed;
    }
    if (fd < 0) {
        fd = ::open(path_.c_str(), kFlags | O_CREAT | O_EXCL, 0666);
        origin = Origin::Created;
    }
    if (fd < 0 && errno == EEXIST) { // made by someone else in between, or a dangling link
        fd = ::open(path_.c_str(), kFlags | O_CREAT, 0666);
        origin = Origin::Existing;
    }
    if (fd < 0)
        throw LogError(path_, reasonOf(errno));
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        throw LogError(path_, reasonOf(error));
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        throw LogError(path_, kNotAPlainFile);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    const OpenLogs::Identity identity{info.st_dev, info.st_ino};
    if (!openLogs().add(identity)) {
        ::close(fd);
        throw LogError(path_, kAlreadyALog);
    }
    // A file system without flock still has the check above within this program.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        openLogs().remove(identity);
        ::close(fd);
        throw LogError(path_, kAlreadyALog);
    }
    fd_ = fd;
    device_ = identity.first;
    inode_ = identity.second;
    origin_ = origin;

    if (origin_ == Origin::Existing && ::ftruncate(fd_, 0) != 0)
        fail(errno);
    // One write and one commit: a kill leaves all three lines or none.
    writeAll(header);
    if (::fdatasync(fd_) != 0)
        fail(errno);
    if (origin_ == Origin::Unnamed) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd_);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path_.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            release();
            size_ = 0;
            return false;
        }
    }
    started_ = true;
    sync_ = std::make_unique<BackgroundSync>(fd_, path_, device_, inode_);
    return true;
}

LogFile::~LogFile()
{
    release();
}

void LogFile::writeRecord(const LogOptions& options, const Readings& readings)
{
    if (!isOpen())
        throw LogError(path_, reasonOf(EBADF));
    // A commit that failed, or a file that lost its name, since the last record.
    if (const int failure = sync_->failure(); failure != 0)
        fail(failure);
    // A deleted file (or its folder) is found before the next record, not only at the next
    // commit: records written into a file nobody can find again are records lost. One fstat.
    if (struct stat info{}; ::fstat(fd_, &info) == 0 && info.st_nlink == 0)
        fail(kFileVanished);
    std::string line = recordLine(chip_, options, readings);
    line += kLineEnd;
    writeAll(line);
    sync_->request();
}

void LogFile::close()
{
    if (!isOpen())
        return;
    int error = sync_ ? sync_->finish() : 0;
    const int closeError = release();
    if (error == 0)
        error = closeError;
    if (error != 0)
        throw LogError(path_, reasonOf(error), error == kFileVanished);
}

void LogFile::writeAll(const std::string& bytes)
{
    const char* next = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd_, next, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            fail(written < 0 ? errno : EIO);
        next += written;
        left -= static_cast<std::size_t>(written);
    }
    size_ += static_cast<long long>(bytes.size());
}

void LogFile::fail(int error)
{
    if (started_) {
        // Take out whatever part of the failed line reached the file.
        if (::ftruncate(fd_, size_) == 0)
            ::fdatasync(fd_);
    } else if (origin_ == Origin::Created) {
        // Nobody had this file before this start: no half-made file stays behind.
        if (fileStillAtItsPath(fd_, path_, device_, inode_))
            ::unlink(path_.c_str());
    } else if (origin_ == Origin::Existing) {
        // Its old content is gone already; of the new header nothing stays.
        if (::ftruncate(fd_, 0) == 0)
            ::fdatasync(fd_);
    }
    release();
    throw LogError(path_, reasonOf(error), error == kFileVanished);
}

int LogFile::release()
{
    if (!isOpen())
        return 0;
    sync_.reset(); // before the descriptor goes: the commit thread uses it
    const int fd = std::exchange(fd_, -1);
    openLogs().remove({device_, inode_});
    // Closing also drops the flock. Never retried: the descriptor is gone whatever close says.
    return ::close(fd) == 0 ? 0 : errno;
}

} // namespace zr::logging
