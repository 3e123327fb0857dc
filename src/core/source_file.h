// The source file: positional reads through a read-ahead cache.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillon {

class SourceFile {
public:
    static constexpr size_t kCacheSize = 2048000;

    SourceFile() = default;
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    // Opens the file for reading and records its size; empties the cache.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    uint64_t Size() const { return size_; }
    // The open file, for mapping it (GatherWriter); -1 when closed.
    int Descriptor() const { return fd_; }
    const std::string& Path() const { return path_; }
    // The system's error number of the last read that failed; 0 when none did.
    int LastError() const { return lastError_; }

    // Reads `count` bytes at `position` into `out` (resized to exactly
    // `count`). Bytes past the end of the file read as zero; a read larger
    // than the cache goes straight to the file. False when the file is not
    // open or the read fails.
    bool ReadAt(uint64_t position, size_t count, std::vector<uint8_t>& out);

    // The same into caller memory.
    bool ReadInto(uint64_t position, size_t count, uint8_t* out);

    // A few bytes anywhere in the file (a value): from the cache when it holds
    // them, otherwise read on their own, so a look here and there does not
    // refill the cache's two megabytes each time.
    bool ReadFew(uint64_t position, size_t count, uint8_t* out);

    // The `count` bytes at `position` (at most kCacheSize) without a copy: a
    // pointer into the cache, valid until the next read. Null when the file
    // does not hold them all or the read fails.
    const uint8_t* View(uint64_t position, size_t count);

    // True when the file holds all `count` bytes from `position` on: a
    // range that is not wholly there must not be handed on as data.
    bool Holds(uint64_t position, uint64_t count) const { return position <= size_ && count <= size_ - position; }

    // Forgets the cached bytes.
    void ResetReadCache();

private:
    bool Fill(uint64_t position);
    bool ReadDirect(uint64_t position, size_t count, uint8_t* out);

    int fd_ = -1;
    uint64_t size_ = 0;
    std::string path_;
    int lastError_ = 0;
    // Never larger than the file: a small file needs no 2 MB of cache.
    std::unique_ptr<uint8_t[]> cache_;
    size_t cacheCapacity_ = 0;
    uint64_t cacheStart_ = 0;
    size_t cacheFilled_ = 0;  // bytes of the file held, starting at cacheStart_
};

}  // namespace quillon
