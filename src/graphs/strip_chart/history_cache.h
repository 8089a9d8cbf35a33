// SPDX-License-Identifier: MIT
#pragma once

// Where a trace's older samples go once they leave memory: a file in the user's cache folder
// ($XDG_CACHE_HOME/zr410ab, else ~/.cache/zr410ab), unlinked as soon as it is made, so that it
// vanishes when the program ends, however it ends. A memory-backed file system (tmpfs, ramfs:
// /run, /dev/shm) is refused, since a file there costs the very memory it is meant to save.
//
// Samples are written in pages of 256 (their values, then their one-byte time corrections), a
// whole number of pages at a time, in order; a page read back stays in a small recently-used set,
// since the samples near a span's edge or a column's boundary are read together. Nothing is
// mapped: mapped pages would count in the resident size.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

namespace zr::chart {

// The file itself, behind an interface so that tests can make it fail.
class CacheFile {
public:
    virtual ~CacheFile() = default;
    // All of `size` bytes, or false.
    virtual bool writeAt(std::uint64_t offset, const void* data, std::size_t size) = 0;
    virtual bool readAt(std::uint64_t offset, void* data, std::size_t size) = 0;
    // Forgets the content.
    virtual void discard() = 0;
};

// A fresh, already unlinked file in `folder` (made if missing); null with the reason in `why`
// when the folder is on a memory-backed file system (as `inMemory` judges it) or the file cannot
// be made.
std::unique_ptr<CacheFile> openCacheFileIn(const std::string& folder,
                                           const std::function<bool(const std::string&)>& inMemory,
                                           std::string& why);
// The same in the user's cache folder, judged by the folder's file system type.
std::unique_ptr<CacheFile> openUserCacheFile(std::string& why);
bool onMemoryFileSystem(const std::string& folder);
std::string userCacheFolder();

// How much of a trace's history stays in memory, and where the rest goes.
struct HistoryPolicy {
    std::int64_t inMemoryMs = 24LL * 3600 * 1000;
    std::function<std::unique_ptr<CacheFile>(std::string& why)> openFile = openUserCacheFile;
};
// What new traces take: 24 hours in memory unless ZR410AB_MEMORY_HOURS (a decimal number of
// hours) says otherwise. Tests and tools may change it before making traces.
HistoryPolicy& defaultHistoryPolicy();

class HistoryCache {
public:
    static constexpr std::size_t kPageSamples = 256;

    explicit HistoryCache(std::unique_ptr<CacheFile> file) : file_(std::move(file)) {}

    // Appends samples [written(), written() + count): count a whole number of pages.
    bool write(const float* values, const std::int8_t* corrections, std::size_t count);
    std::size_t written() const { return written_; }
    // Sample i (below written()); false when it cannot be read back.
    bool read(std::size_t i, float& value, std::int8_t& correction);
    // Forgets every sample written.
    void clear();
    bool failed() const { return writeFailed_ || readFailed_; }
    std::size_t bytesUsed() const;

private:
    static constexpr std::size_t kPageBytes = kPageSamples * (sizeof(float) + 1);
    static constexpr std::size_t kPagesKept = 32;
    struct Page {
        std::size_t number;
        std::vector<char> bytes;
    };
    const Page* page(std::size_t number);

    std::unique_ptr<CacheFile> file_;
    std::size_t written_ = 0;
    bool writeFailed_ = false; // what was written before can still be read
    bool readFailed_ = false;
    std::list<Page> recent_; // most recently read first
    std::vector<char> buffer_;
};

} // namespace zr::chart
