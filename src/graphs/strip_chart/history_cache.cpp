// SPDX-License-Identifier: MIT
#include "graphs/strip_chart/history_cache.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace zr::chart {
namespace {

// All `size` bytes at `offset` through pread or pwrite, which may move fewer at a time or be
// interrupted; false at an error or at the end of the file.
template <typename Transfer, typename Bytes>
bool wholly(Transfer transfer, int fd, std::uint64_t offset, Bytes* at, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = transfer(fd, at, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        at += n;
        offset += static_cast<std::uint64_t>(n);
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

class FileOnDisk : public CacheFile {
public:
    explicit FileOnDisk(int fd) : fd_(fd) {}
    ~FileOnDisk() override { ::close(fd_); }
    FileOnDisk(const FileOnDisk&) = delete;
    FileOnDisk& operator=(const FileOnDisk&) = delete;

    bool writeAt(std::uint64_t offset, const void* data, std::size_t size) override
    {
        return wholly(::pwrite, fd_, offset, static_cast<const char*>(data), size);
    }
    bool readAt(std::uint64_t offset, void* data, std::size_t size) override
    {
        return wholly(::pread, fd_, offset, static_cast<char*>(data), size);
    }
    void discard() override
    {
        if (::ftruncate(fd_, 0) != 0) {
            // The next write fails as well, and says so.
        }
    }

private:
    int fd_;
};

} // namespace

std::string userCacheFolder()
{
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    // Only an absolute path counts, as the base directory rules have it.
    if (xdg && xdg[0] == '/')
        return std::string(xdg) + "/zr410ab";
    const char* home = std::getenv("HOME");
    return std::string(home && home[0] ? home : "/tmp") + "/.cache/zr410ab";
}

bool onMemoryFileSystem(const std::string& folder)
{
    struct statfs fs {};
    if (::statfs(folder.c_str(), &fs) != 0)
        return false;
    return static_cast<unsigned long>(fs.f_type) == TMPFS_MAGIC ||
           static_cast<unsigned long>(fs.f_type) == RAMFS_MAGIC;
}

std::unique_ptr<CacheFile> openCacheFileIn(const std::string& folder,
                                           const std::function<bool(const std::string&)>& inMemory,
                                           std::string& why)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        why = "cannot make " + folder + ": " + error.message();
        return nullptr;
    }
    if (inMemory(folder)) {
        why = folder + " is kept in memory (tmpfs or ramfs)";
        return nullptr;
    }
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        // A file system without unnamed files: a named one, unlinked at once.
        std::string path = folder + "/history-XXXXXX";
        fd = ::mkostemp(path.data(), O_CLOEXEC);
        if (fd >= 0)
            ::unlink(path.c_str());
    }
    if (fd < 0) {
        why = "cannot make a file in " + folder + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<FileOnDisk>(fd);
}

std::unique_ptr<CacheFile> openUserCacheFile(std::string& why)
{
    return openCacheFileIn(userCacheFolder(), onMemoryFileSystem, why);
}

HistoryPolicy& defaultHistoryPolicy()
{
    static HistoryPolicy policy = [] {
        HistoryPolicy p;
        if (const char* hours = std::getenv("ZR410AB_MEMORY_HOURS")) {
            char* end = nullptr;
            const double h = std::strtod(hours, &end);
            if (end != hours && std::isfinite(h) && h > 0)
                p.inMemoryMs = static_cast<std::int64_t>(h * 3600 * 1000);
        }
        return p;
    }();
    return policy;
}

bool HistoryCache::write(const float* values, const std::int8_t* corrections, std::size_t count)
{
    if (writeFailed_)
        return false;
    const std::size_t pages = count / kPageSamples;
    buffer_.resize(pages * kPageBytes);
    for (std::size_t p = 0; p < pages; ++p) {
        char* out = buffer_.data() + p * kPageBytes;
        std::memcpy(out, values + p * kPageSamples, kPageSamples * sizeof(float));
        std::memcpy(out + kPageSamples * sizeof(float), corrections + p * kPageSamples,
                    kPageSamples);
    }
    const std::uint64_t offset = written_ / kPageSamples * std::uint64_t{kPageBytes};
    const bool ok = file_->writeAt(offset, buffer_.data(), buffer_.size());
    buffer_.clear();
    buffer_.shrink_to_fit();
    if (!ok) {
        writeFailed_ = true;
        return false;
    }
    written_ += pages * kPageSamples;
    return true;
}

const HistoryCache::Page* HistoryCache::page(std::size_t number)
{
    for (auto it = recent_.begin(); it != recent_.end(); ++it) {
        if (it->number == number) {
            recent_.splice(recent_.begin(), recent_, it);
            return &recent_.front();
        }
    }
    if (readFailed_)
        return nullptr;
    Page fresh{number, std::vector<char>(kPageBytes)};
    if (!file_->readAt(number * std::uint64_t{kPageBytes}, fresh.bytes.data(), kPageBytes)) {
        readFailed_ = true;
        return nullptr;
    }
    if (recent_.size() == kPagesKept)
        recent_.pop_back();
    recent_.push_front(std::move(fresh));
    return &recent_.front();
}

bool HistoryCache::read(std::size_t i, float& value, std::int8_t& correction)
{
    if (i >= written_)
        return false;
    const Page* p = page(i / kPageSamples);
    if (!p)
        return false;
    const std::size_t k = i % kPageSamples;
    std::memcpy(&value, p->bytes.data() + k * sizeof(float), sizeof(float));
    correction = static_cast<std::int8_t>(p->bytes[kPageSamples * sizeof(float) + k]);
    return true;
}

void HistoryCache::clear()
{
    file_->discard();
    written_ = 0;
    writeFailed_ = false;
    readFailed_ = false;
    recent_.clear();
}

std::size_t HistoryCache::bytesUsed() const
{
    return recent_.size() * (kPageBytes + sizeof(Page) + 2 * sizeof(void*));
}

} // namespace zr::chart
