#include "logging/log_file.h"

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

std::string reasonOf(int error)
{
    return std::generic_category().message(error);
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

LogError::LogError(std::string path, std::string reason)
    : std::runtime_error(path + ": " + reason), path_(std::move(path)), reason_(std::move(reason))
{
}

LogFile::LogFile(std::string path, Chip chip, const LogOptions& options,
                 const DateTimeText& started)
    : path_(std::move(path)), chip_(chip)
{
    treatFileSizeLimitAsWriteError();

    // A named pipe or a device would block the program or swallow the log: refuse before
    // opening, and again after, in case the name changed in between.
    struct stat info {};
    if (::stat(path_.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        throw LogError(path_, kNotAPlainFile);

    // Not emptied yet: the file may turn out to be another log's.
    const int fd =
        ::open(path_.c_str(), O_WRONLY | O_CREAT | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, 0666);
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

    if (::ftruncate(fd_, 0) != 0)
        fail(errno);
    writeLine(chipName(chip_));
    writeLine(dateTimeLine(started.date, started.time));
    writeLine(headerLine(chip_, options));
    started_ = true;
}

LogFile::~LogFile()
{
    release();
}

void LogFile::writeRecord(const LogOptions& options, const Readings& readings)
{
    writeLine(recordLine(chip_, options, readings));
}

void LogFile::close()
{
    if (!isOpen())
        return;
    const int error = release();
    if (error != 0)
        throw LogError(path_, reasonOf(error));
}

void LogFile::writeLine(std::string line)
{
    if (!isOpen())
        throw LogError(path_, reasonOf(EBADF));
    line += kLineEnd;
    const char* next = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(fd_, next, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            fail(written < 0 ? errno : EIO);
        next += written;
        left -= static_cast<std::size_t>(written);
    }
    if (::fdatasync(fd_) != 0)
        fail(errno);
    size_ += static_cast<long long>(line.size());
}

void LogFile::fail(int error)
{
    // Take out whatever part of the failed line reached the file; of a header that could not be
    // written whole, nothing stays.
    if (::ftruncate(fd_, started_ ? size_ : 0) == 0)
        ::fdatasync(fd_);
    release();
    throw LogError(path_, reasonOf(error));
}

int LogFile::release()
{
    if (!isOpen())
        return 0;
    const int fd = std::exchange(fd_, -1);
    openLogs().remove({device_, inode_});
    // Closing also drops the flock. Never retried: the descriptor is gone whatever close says.
    return ::close(fd) == 0 ? 0 : errno;
}

} // namespace zr::logging
